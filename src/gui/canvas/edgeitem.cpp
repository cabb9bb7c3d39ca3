#include "canvas/edgeitem.h"

#include "app/prompter.h"
#include "canvas/graphscene.h"
#include "canvas/labelitem.h"
#include "canvas/nodeitem.h"
#include "dialogs/edgeattributesdialog.h"
#include "dialogs/edgeeditdialog.h"
#include "ops/recordfilter.h"

#include <QApplication>
#include <QGraphicsSceneContextMenuEvent>
#include <QGraphicsSceneMouseEvent>
#include <QGraphicsView>
#include <QPainter>
#include <QMenu>
#include <QPainterPathStroker>
#include <QPointer>
#include <QStyleOptionGraphicsItem>

#include <algorithm>
#include <cmath>
#include <limits>

double EdgeItem::s_edgeSeparation = 0.25;

namespace {

double length(const QPointF &v)
{
    return std::hypot(v.x(), v.y());
}

QPointF unitOrDefault(const QPointF &v)
{
    const double l = length(v);
    return l <= 1e-9 ? QPointF(1, 0) : v / l;
}

double cross(const QPointF &a, const QPointF &b)
{
    return a.x() * b.y() - a.y() * b.x();
}

// Where the ray from a node's centre towards a point leaves the node's drawn body: its
// outline, or the halo of an expanded group. Without an outline to cross (a node of size 0)
// the centre itself. Node items are neither turned nor scaled, so the body lies around the
// centre as drawn, in the edge's coordinates as in the node's.
QPointF outlinePoint(const QPointF &centre, const NodeItem *node, const QPointF &towards)
{
    const QPointF direction = towards - centre;
    const double l = length(direction);
    double r = node->radius();
    if (node->isExpandedGroup())
        r += 8.0;
    if (l < 1e-9 || r <= 0.0)
        return centre;
    const QPointF u = direction / l;
    double t = r;
    const NodeShape nodeShape = node->nodeShape();
    const int shape = int(nodeShape);
    if (shape >= 1 && shape <= 5) {
        const QPolygonF outline = NodeItem::shapePath(nodeShape, r).toFillPolygon();
        double nearest = std::numeric_limits<double>::max();
        for (int i = 0; i + 1 < outline.size(); ++i) {
            const QPointF a = outline.at(i);
            const QPointF side = outline.at(i + 1) - a;
            const double denominator = cross(u, side);
            if (std::abs(denominator) < 1e-12)
                continue;
            const double along = cross(a, side) / denominator;
            const double within = cross(a, u) / denominator;
            if (along > 0.0 && within >= -1e-9 && within <= 1.0 + 1e-9)
                nearest = std::min(nearest, along);
        }
        if (nearest < std::numeric_limits<double>::max())
            t = nearest;
    }
    return centre + u * t;
}

// Bounds of the control polygon of a curve piece, which contain the piece.
struct Bounds
{
    double left, top, right, bottom;
};

Bounds boundsOf(const QPointF &a, const QPointF &b, const QPointF &c)
{
    return {std::min({a.x(), b.x(), c.x()}), std::min({a.y(), b.y(), c.y()}),
            std::max({a.x(), b.x(), c.x()}), std::max({a.y(), b.y(), c.y()})};
}

// Appends to path the parts of the quadratic piece p0, c, p1 that may cross the visible
// rectangle, splitting the piece in halves down to a given depth.
void appendVisible(QPainterPath &path, const QPointF &p0, const QPointF &c, const QPointF &p1,
                   const QRectF &visible, int depth)
{
    const Bounds box = boundsOf(p0, c, p1);
    if (box.right < visible.left() || box.left > visible.right() || box.bottom < visible.top()
        || box.top > visible.bottom())
        return;
    const bool inside = box.left >= visible.left() && box.right <= visible.right()
        && box.top >= visible.top() && box.bottom <= visible.bottom();
    if (inside || depth == 0) {
        if (path.elementCount() == 0 || path.currentPosition() != p0)
            path.moveTo(p0);
        path.quadTo(c, p1);
        return;
    }
    const QPointF m0 = (p0 + c) / 2;
    const QPointF m1 = (c + p1) / 2;
    const QPointF middle = (m0 + m1) / 2;
    appendVisible(path, p0, m0, middle, visible, depth - 1);
    appendVisible(path, middle, m1, p1, visible, depth - 1);
}

// Cuts the segment a, b to the rectangle (Liang and Barsky); false when nothing is left.
bool clipSegment(QPointF &a, QPointF &b, const QRectF &rect)
{
    const QPointF d = b - a;
    double t0 = 0;
    double t1 = 1;
    const double p[] = {-d.x(), d.x(), -d.y(), d.y()};
    const double q[] = {a.x() - rect.left(), rect.right() - a.x(), a.y() - rect.top(),
                        rect.bottom() - a.y()};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0) {
            if (q[i] < 0)
                return false;
            continue;
        }
        const double t = q[i] / p[i];
        if (p[i] < 0)
            t0 = std::max(t0, t);
        else
            t1 = std::min(t1, t);
        if (t0 > t1)
            return false;
    }
    const QPointF start = a;
    a = start + t0 * d;
    b = start + t1 * d;
    return true;
}

double distanceToSegment(const QPointF &p, const QPointF &a, const QPointF &b)
{
    const QPointF ab = b - a;
    const double len2 = QPointF::dotProduct(ab, ab);
    if (len2 <= 0)
        return length(p - a);
    const double t = std::clamp(QPointF::dotProduct(p - a, ab) / len2, 0.0, 1.0);
    return length(p - (a + t * ab));
}

} // namespace

EdgeItem::Look EdgeItem::Look::of(const Edge &edge)
{
    Look look;
    look.label = edge.label;
    look.description = edge.description;
    look.color = edge.color;
    if (!look.color.isValid()) {
        const QString text = edge.properties.value(QStringLiteral("color")).toString().trimmed();
        look.color = text.isEmpty() ? QColor() : QColor::fromString(text);
        if (!look.color.isValid())
            look.color = Qt::red;
    }
    const double property = edge.properties.value(QStringLiteral("width")).toDouble();
    look.width = edge.width > 0 ? std::clamp(edge.width, 0.5, 12.0)
        : property > 0          ? std::clamp(property, 0.5, 12.0)
                                : 1.8;
    look.direction = edge.direction;
    look.showLabel = edge.showLabel;
    look.visible = edge.visible;
    look.hypothesis = edge.hypothesis;
    return look;
}

bool EdgeItem::Look::operator==(const Look &other) const
{
    return label == other.label && description == other.description && color == other.color
        && width == other.width && direction == other.direction
        && showLabel == other.showLabel && visible == other.visible
        && hypothesis == other.hypothesis;
}

EdgeItem::EdgeItem(NodeItem *source, NodeItem *target, const Edge &edge, int laneIndex,
                   int laneCount, QGraphicsItem *parent)
    : QGraphicsObject(parent),
      m_id(edge.id),
      m_look(Look::of(edge)),
      m_source(source),
      m_target(target),
      m_laneIndex(laneIndex),
      m_laneCount(laneCount)
{
    m_label.setColor(QApplication::palette().color(QPalette::WindowText));
    m_label.setText(m_look.label);

    setAcceptedMouseButtons(Qt::LeftButton | Qt::RightButton);
    setZValue(laneIndex * 0.001 - 1);
    setFlag(ItemIsSelectable);
    // The exposed area handed to paint is then the part to repaint, not the whole item.
    setFlag(ItemUsesExtendedStyleOption);
    if (!m_look.description.isEmpty())
        setToolTip(m_look.description);
    adjust();
}

const Edge *EdgeItem::tableRecord() const
{
    const auto *owner = qobject_cast<const GraphScene *>(scene());
    if (!owner || !owner->graph())
        return nullptr;
    const Graph::EdgeTable &table = owner->graph()->edges();
    const auto it = table.constFind(m_id);
    return it == table.cend() ? nullptr : &*it;
}

const Edge &EdgeItem::edge() const
{
    if (const Edge *record = tableRecord())
        return *record;
    if (!m_own) {
        m_own = std::make_unique<Edge>();
        m_own->id = m_id;
        m_own->src = m_source ? m_source->id() : QString();
        m_own->dst = m_target ? m_target->id() : QString();
    }
    return *m_own;
}

void EdgeItem::setEdgeSeparation(double value)
{
    s_edgeSeparation = std::clamp(value, 0.2, 3.0);
}

double EdgeItem::viewUnit(const QGraphicsScene *scene)
{
    if (!scene || scene->views().isEmpty())
        return 1.0;
    const double scale = scene->views().constFirst()->transform().m11();
    return scale <= 1e-6 ? 1e6 : 1.0 / scale;
}

// A relation is made once its ends are in the scene, and laid out before it joins them.
const QGraphicsScene *EdgeItem::shownIn() const
{
    if (scene())
        return scene();
    return m_source ? m_source->scene() : nullptr;
}

bool EdgeItem::endsShown() const
{
    return m_endsShown;
}

QColor EdgeItem::effectiveColor() const
{
    return m_look.color;
}

double EdgeItem::effectiveWidth() const
{
    return m_look.width;
}

double EdgeItem::curveOffset() const
{
    const double l = m_line.length();
    const double w = effectiveWidth();
    const int k = m_laneIndex;
    const int n = m_laneCount;
    const double f = std::abs(k) > 1 ? 1 + 0.25 * (std::abs(k) - 1) : 1.0;
    return k * (1.5 * w + std::max(0.45 * l, 50.0)) * (1 + 0.35 * (n - 1)) * f * s_edgeSeparation;
}

bool EdgeItem::isCurved() const
{
    return m_laneCount >= 2;
}

void EdgeItem::ensurePath() const
{
    if (!m_dirty && m_pathLine == m_line)
        return;
    const QPointF start = m_line.p1();
    const QPointF end = m_line.p2();
    m_path = QPainterPath(start);
    m_control = (start + end) / 2;
    if (isCurved()) {
        double l = m_line.length();
        if (l < 1e-6)
            l = 1.0;
        const QPointF normal(-m_line.dy() / l, m_line.dx() / l);
        m_control += normal * curveOffset();
        m_path.quadTo(m_control, end);
    } else {
        m_path.lineTo(end);
    }
    m_pathLine = m_line;
    m_dirty = false;
    m_shapeUnit = -1.0;
    m_boundsUnit = -1.0;
}

QPointF EdgeItem::controlPoint() const
{
    ensurePath();
    return m_control;
}

QPainterPath EdgeItem::centreLine() const
{
    ensurePath();
    return m_path;
}

QPointF EdgeItem::pointAt(double t) const
{
    ensurePath();
    const double u = 1 - t;
    return u * u * m_line.p1() + 2 * t * u * m_control + t * t * m_line.p2();
}

double EdgeItem::distanceTo(const QPointF &point) const
{
    double best = std::numeric_limits<double>::max();
    QPointF previous = pointAt(0);
    for (int i = 1; i <= 64; ++i) {
        const QPointF next = pointAt(i / 64.0);
        best = std::min(best, distanceToSegment(point, previous, next));
        previous = next;
    }
    return best;
}

double EdgeItem::strokeWidth(double unit) const
{
    const double thickness = m_laneCount > 1 ? 3.5 : 7.0;
    const double halo = m_look.hypothesis ? 18 * unit : 0.0;
    return std::max(halo, thickness * unit + std::max(1.5, effectiveWidth()));
}

QPainterPath EdgeItem::shape() const
{
    if (!endsShown() || !m_look.visible)
        return QPainterPath();
    ensurePath();
    const double unit = m_unit;
    if (m_shapeUnit != unit) {
        QPainterPathStroker stroker;
        stroker.setWidth(strokeWidth(unit));
        stroker.setCapStyle(Qt::RoundCap);
        stroker.setJoinStyle(Qt::RoundJoin);
        stroker.setMiterLimit(2);
        m_shape = stroker.createStroke(m_path);
        m_shapeUnit = unit;
    }
    return m_shape;
}

QRectF EdgeItem::boundingRect() const
{
    if (!endsShown() || !m_look.visible)
        return QRectF();
    ensurePath();
    const QRectF label = m_labelShown ? QRectF(m_labelPos, m_label.size()) : QRectF();
    if (m_boundsUnit == m_unit)
        return m_bounds | label;
    // The stroked outline's extent, computed without stroking: the line grown by half the
    // hit width on every side, plus room for the arrowheads around both ends.
    const double half = strokeWidth(m_unit) / 2;
    m_bounds = m_path.boundingRect().adjusted(-half, -half, half, half);
    if (m_look.direction != EdgeDirection::None) {
        const double reach = 14 + std::max(2.5, effectiveWidth());
        const QPointF margin(reach, reach);
        m_bounds |= QRectF(m_line.p1() - margin, m_line.p1() + margin);
        m_bounds |= QRectF(m_line.p2() - margin, m_line.p2() + margin);
    }
    m_boundsUnit = m_unit;
    return m_bounds | label;
}

void EdgeItem::paint(QPainter *painter, const QStyleOptionGraphicsItem *option, QWidget *)
{
    if (!endsShown() || !m_look.visible)
        return;
    ensurePath();
    const double lod = QStyleOptionGraphicsItem::levelOfDetailFromTransform(painter->worldTransform());
    const auto *owner = qobject_cast<const GraphScene *>(scene());
    // Lines thinner than a pixel gain nothing from antialiasing, which doubles their cost when
    // a whole large graph is in view.
    painter->setRenderHint(QPainter::Antialiasing, lod * effectiveWidth() >= 1);
    // Far out dashes and arrowheads would be specks: plain lines, as the view's overview.
    const bool simplified = (owner && owner->interactionActive()) || lod < farDetail;
    const QColor color = effectiveColor();
    QPen pen(color, penWidth(), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    if (m_look.direction == EdgeDirection::None && !simplified)
        pen.setDashPattern({6, 4});

    painter->setBrush(Qt::NoBrush);
    const QRectF area = paintedArea(painter, option->exposedRect);
    const QPainterPath line = visiblePart(area);
    if (m_look.hypothesis) {
        // 18 pixels wide, except far out where that would be wider than the nodes it joins:
        // it then narrows with the graph.
        QPen halo(QColor(100, 180, 255, 90), std::min(18.0, maximumHaloWidth * lod),
                  Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
        halo.setCosmetic(true);
        painter->setPen(halo);
        painter->drawPath(line);
    }
    if (isCurved() || pen.style() != Qt::SolidLine) {
        painter->setPen(pen);
        painter->drawPath(line);
    } else if (line.elementCount() >= 2) {
        // A solid straight line with square caps takes the rasteriser's fast line path; round
        // caps would send it through the general stroker.
        pen.setCapStyle(Qt::SquareCap);
        painter->setPen(pen);
        painter->drawLine(QLineF(line.elementAt(0), line.elementAt(line.elementCount() - 1)));
        pen.setCapStyle(Qt::RoundCap);
    }

    if (!simplified && m_look.direction != EdgeDirection::None && lod * 12 >= minimumArrowPixels)
        paintArrowHeads(painter, pen, area);
    if (m_labelShown) {
        const QRectF label(m_labelPos, m_label.size());
        if (area.isNull() || area.intersects(label))
            m_label.paint(painter, m_labelPos);
    }
}

void EdgeItem::paintArrowHeads(QPainter *painter, QPen pen, const QRectF &area) const
{
    const QColor color = pen.color();
    pen.setStyle(Qt::SolidLine);
    painter->setPen(pen);
    painter->setBrush(color);
    const bool straight = !isCurved() || std::abs(curveOffset()) <= 0.5;
    const QPointF start = m_line.p1();
    const QPointF end = m_line.p2();
    // Stroking a head with round joins is dear; a pan repaints many relations whose heads lie
    // outside the uncovered strip.
    const auto drawHead = [&](const QPolygonF &head) {
        if (area.isNull() || area.intersects(head.boundingRect()))
            painter->drawPolygon(head);
    };
    if (m_look.direction == EdgeDirection::Directed
        || m_look.direction == EdgeDirection::Undirected)
        drawHead(
            arrowHead(end, unitOrDefault(straight ? end - start : 2 * (end - m_control)), true));
    if (m_look.direction == EdgeDirection::DirectedInverse
        || m_look.direction == EdgeDirection::Undirected)
        drawHead(arrowHead(start, unitOrDefault(straight ? end - start : 2 * (m_control - start)),
                           false));
}

double EdgeItem::penWidth() const
{
    const double w = effectiveWidth();
    return isSelected() ? std::max(2.5, w) : w;
}

void EdgeItem::appendCentreLine(QPainterPath &path) const
{
    ensurePath();
    path.moveTo(m_line.p1());
    if (isCurved())
        path.quadTo(m_control, m_line.p2());
    else
        path.lineTo(m_line.p2());
}

QRectF EdgeItem::paintedArea(const QPainter *painter, const QRectF &exposed)
{
    bool invertible = false;
    const QTransform inverse = painter->worldTransform().inverted(&invertible);
    if (!painter->device() || !invertible)
        return QRectF();
    // Grown by the widest stroke (the 18-pixel halo) so that cut ends stay out of sight.
    const double margin = 20 * std::max(1.0, 1.0 / std::max(1e-6, painter->worldTransform().m11()));
    QRectF visible = inverse.mapRect(QRectF(painter->viewport()));
    if (!exposed.isEmpty())
        visible &= exposed;
    return visible.adjusted(-margin, -margin, margin, margin);
}

QPainterPath EdgeItem::visiblePart(const QRectF &area) const
{
    if (area.isNull() || area.contains(m_path.controlPointRect()))
        return m_path;
    QPainterPath part;
    if (isCurved()) {
        // Pieces of a 4096th of the curve are short enough for any zoom.
        appendVisible(part, m_line.p1(), m_control, m_line.p2(), area, 12);
        return part;
    }
    QPointF a = m_line.p1();
    QPointF b = m_line.p2();
    if (clipSegment(a, b, area)) {
        part.moveTo(a);
        part.lineTo(b);
    }
    return part;
}

QPolygonF EdgeItem::arrowHead(const QPointF &point, const QPointF &direction, bool atEnd)
{
    const double sign = atEnd ? -1.0 : 1.0;
    const QPointF tip = point + sign * 2 * direction;
    const double theta = std::atan2(direction.y(), direction.x());
    const double spread = M_PI / 6;
    const QPointF wing1 =
        tip + sign * 12 * QPointF(std::cos(theta - spread), std::sin(theta - spread));
    const QPointF wing2 =
        tip + sign * 12 * QPointF(std::cos(theta + spread), std::sin(theta + spread));
    return QPolygonF({tip, wing1, wing2});
}

void EdgeItem::adjust()
{
    if (!m_source || !m_target)
        return;
    prepareGeometryChange();
    m_unit = viewUnit(shownIn());
    m_boundsUnit = -1.0;
    m_endsShown = m_source->isVisible() && m_target->isVisible();
    if (m_endsShown) {
        const QPointF source = mapFromScene(m_source->scenePos());
        const QPointF target = mapFromScene(m_target->scenePos());
        const QPointF d = target - source;
        const double l = length(d);
        if (l < 0.001) {
            m_line = QLineF(source, source);
        } else {
            m_line = QLineF(outlinePoint(source, m_source, target),
                            outlinePoint(target, m_target, source));
        }
    }
    m_dirty = true;
    layoutLabel();
}

void EdgeItem::setLane(int index, int count)
{
    prepareGeometryChange();
    m_unit = viewUnit(shownIn());
    m_laneIndex = index;
    m_laneCount = count;
    setZValue(index * 0.001 - 1);
    m_dirty = true;
    layoutLabel();
    update();
}

void EdgeItem::setViewUnit(double unit)
{
    if (unit == m_unit)
        return;
    prepareGeometryChange();
    m_unit = unit;
    if (m_labelShown)
        layoutLabel();
}

void EdgeItem::recordChanged(const Edge &record)
{
    Look look = Look::of(record);
    if (look == m_look)
        return;
    prepareGeometryChange();
    m_look = std::move(look);
    m_label.setText(m_look.label);
    setToolTip(m_look.description);
    adjust();
    update();
}

void EdgeItem::layoutLabel()
{
    if (!m_look.showLabel || m_look.label.isEmpty() || !m_look.visible || !endsShown()) {
        m_labelShown = false;
        return;
    }
    const double l = m_line.length();
    QPointF normal = l > 1e-6 ? QPointF(-m_line.dy() / l, m_line.dx() / l) : QPointF(0, -1);
    QPointF anchor = (m_line.p1() + m_line.p2()) / 2;
    if (isCurved()) {
        // The tangent at the curve's middle is parallel to the chord.
        anchor = pointAt(0.5);
        if (curveOffset() < 0)
            normal = -normal;
    }
    const QRectF box(QPointF(0, 0), m_label.size());
    // 8 pixels from the line, and never so close that the text covers it: the text grows
    // with the zoom while the 8 pixels do not.
    const double clearance =
        (std::abs(normal.x()) * box.width() + std::abs(normal.y()) * box.height()) / 2 + 2;
    const QPointF centre = anchor + normal * std::max(8 * m_unit, clearance);
    m_labelPos = centre - QPointF(box.width() / 2, box.height() / 2);
    m_labelShown = true;
}

QRectF EdgeItem::labelSceneRect() const
{
    return mapRectToScene(QRectF(m_labelPos, m_label.size()));
}

QRectF EdgeItem::paintedSceneRect() const
{
    return sceneBoundingRect();
}

void EdgeItem::setLabelColor(const QColor &color)
{
    if (color == m_label.color())
        return;
    m_label.setColor(color);
    update();
}

void EdgeItem::mousePressEvent(QGraphicsSceneMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || !scene()) {
        QGraphicsObject::mousePressEvent(event);
        return;
    }
    const double reach = 6 * viewUnit(shownIn());
    QPainterPath around;
    around.addEllipse(event->scenePos(), reach, reach);
    EdgeItem *nearest = nullptr;
    double best = std::numeric_limits<double>::max();
    for (QGraphicsItem *item : scene()->items(around, Qt::IntersectsItemShape)) {
        if (item->type() != EdgeItem::Type)
            continue;
        auto *candidate = static_cast<EdgeItem *>(item);
        const double d = candidate->distanceTo(candidate->mapFromScene(event->scenePos()));
        if (d < best) {
            best = d;
            nearest = candidate;
        }
    }
    if (!nearest) {
        QGraphicsObject::mousePressEvent(event);
        return;
    }
    if (!(event->modifiers() & Qt::ControlModifier))
        scene()->clearSelection();
    nearest->setSelected(true);
    event->accept();
}

void EdgeItem::contextMenuEvent(QGraphicsSceneContextMenuEvent *event)
{
    QMenu menu;
    populateContextMenu(menu);
    event->accept();
    menu.exec(event->screenPos());
}

void EdgeItem::populateContextMenu(QMenu &menu)
{
    connect(menu.addAction(QStringLiteral("Ouvrir la fiche…")), &QAction::triggered, this,
            &EdgeItem::openEditor);
    connect(menu.addAction(QStringLiteral("Lister les attributs…")), &QAction::triggered, this,
            &EdgeItem::openAttributes);
    connect(menu.addAction(QStringLiteral("Supprimer…")), &QAction::triggered, this,
            [this]() { GraphScene::report(this, &GraphScene::edgeDeleteRequested, m_id); });
}

void EdgeItem::mouseDoubleClickEvent(QGraphicsSceneMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        QGraphicsObject::mouseDoubleClickEvent(event);
        return;
    }
    event->accept();
    openEditor();
}

void EdgeItem::openEditor()
{
    auto *owner = qobject_cast<GraphScene *>(scene());
    if (!owner || !owner->graph())
        return;
    const Graph &graph = *owner->graph();
    const QStringList ids = RecordFilter::nodeIds(graph, QString(), {});
    QStringList names;
    for (const QString &id : ids) {
        const Node &node = *graph.nodes().constFind(id);
        names.append(node.label.trimmed().isEmpty() ? id : node.label.trimmed());
    }
    // A copy: the dialog runs its own event loop, in which the tables may change and the
    // scene rebuild and delete this item.
    const Edge record = edge();
    EdgeEditDialog dialog(record, ids, names, &graph, owner->prompter());
    QPointer<EdgeItem> guard(this);
    if (owner->prompter().exec(dialog) != QDialog::Accepted || !guard)
        return;
    Q_EMIT owner->edgeEdited(dialog.edge());
}

void EdgeItem::openAttributes()
{
    auto *owner = qobject_cast<GraphScene *>(scene());
    if (!owner)
        return;
    const Edge record = edge();
    EdgeAttributesDialog dialog(record, owner->graph());
    QPointer<EdgeItem> guard(this);
    if (owner->prompter().exec(dialog) != QDialog::Accepted || !guard)
        return;
    Q_EMIT owner->edgeEdited(dialog.edge());
}

// The press already chose the relation nearest to the click. The default release would
// select the item that received the press instead, or toggle it with Ctrl.
void EdgeItem::mouseReleaseEvent(QGraphicsSceneMouseEvent *event)
{
    if (event->button() == Qt::LeftButton) {
        event->accept();
        return;
    }
    QGraphicsObject::mouseReleaseEvent(event);
}
