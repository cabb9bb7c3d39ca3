#include "canvas/overviewpainter.h"

#include "canvas/edgeitem.h"
#include "canvas/graphscene.h"
#include "canvas/groupshapeitem.h"
#include "canvas/mapitem.h"
#include "canvas/nodeitem.h"

#include <QPainter>
#include <QPainterPath>
#include <QStyleOptionGraphicsItem>
#include <QWidget>

#include <algorithm>
#include <cmath>
#include <map>
#include <utility>

namespace {

// Nodes smaller than this many device pixels across their radius are drawn as plain squares
// of their colour: their outline, badges and pictures would not show.
constexpr double markRadiusPixels = 2.0;

const QColor selectionGlow(255, 180, 0, 100);
const QColor hypothesisTint(100, 180, 255, 90);

bool shownInOverview(const EdgeItem *edge, const QSet<NodeItem *> &dragged, bool wanted)
{
    if (!edge->drawnInBatch())
        return false;
    const bool moving = dragged.contains(edge->sourceItem()) || dragged.contains(edge->targetItem());
    return moving == wanted;
}

} // namespace

void paintItemTree(QPainter *painter, QGraphicsItem *item, const QTransform &world,
                   QWidget *widget)
{
    if (!item->isVisible())
        return;
    const QTransform transform = item->sceneTransform() * world;
    painter->save();
    painter->setTransform(transform);
    painter->setOpacity(item->effectiveOpacity());
    QStyleOptionGraphicsItem option;
    option.state = QStyle::State_None;
    if (item->isSelected())
        option.state |= QStyle::State_Selected;
    if (item->isEnabled())
        option.state |= QStyle::State_Enabled;
    option.rect = item->boundingRect().toAlignedRect();
    option.exposedRect = item->boundingRect();
    if (!(item->flags() & QGraphicsItem::ItemHasNoContents))
        item->paint(painter, &option, widget);
    painter->restore();
    QList<QGraphicsItem *> children = item->childItems();
    std::stable_sort(children.begin(), children.end(),
                     [](const QGraphicsItem *a, const QGraphicsItem *b) {
                         return a->zValue() < b->zValue();
                     });
    for (QGraphicsItem *child : std::as_const(children))
        paintItemTree(painter, child, world, widget);
}

void OverviewPainter::paint(QPainter *painter, const QRectF &exposed, QWidget *viewport)
{
    const QTransform world = painter->worldTransform();
    drawDecor(painter, exposed, true, viewport);

    // The picture serves while the graph is unchanged and the view keeps its scale and stays
    // within it; it spans the view and half a view around, so that panning uses it too.
    const QSizeF viewSize = viewport->size();
    const double ratio = viewport->devicePixelRatioF();
    const QTransform scaleOnly(world.m11(), world.m12(), world.m21(), world.m22(), 0, 0);
    const QTransform pictureScale(m_pictureTransform.m11(), m_pictureTransform.m12(),
                                  m_pictureTransform.m21(), m_pictureTransform.m22(), 0, 0);
    const QPointF shift = world.map(m_pictureTransform.inverted().map(QPointF(0, 0)));
    const QRectF pictureRect(shift, m_picture.deviceIndependentSize());
    const bool reusable = !m_picture.isNull() && m_pictureRevision == m_revision
        && scaleOnly == pictureScale && m_picture.devicePixelRatio() == ratio
        && pictureRect.contains(QRectF(QPointF(0, 0), viewSize));
    if (!reusable)
        render(world, viewSize, ratio, viewport);
    // Scrolling moves the view by whole pixels: the picture lands on whole pixels too.
    const QPointF at = world.map(m_pictureTransform.inverted().map(QPointF(0, 0)));
    painter->save();
    painter->resetTransform();
    painter->setOpacity(1.0);
    painter->drawPixmap(QPointF(std::round(at.x()), std::round(at.y())), m_picture);
    painter->restore();

    if (!m_scene->draggedNodes().isEmpty()) {
        painter->save();
        drawGraph(painter, exposed, true, viewport);
        painter->restore();
    }
    drawDecor(painter, exposed, false, viewport);
}

void OverviewPainter::render(const QTransform &world, const QSizeF &viewSize, double ratio,
                             QWidget *viewport)
{
    ++m_renders;
    const QSizeF size = viewSize * 2;
    m_picture = QPixmap((size * ratio).toSize());
    m_picture.setDevicePixelRatio(ratio);
    m_picture.fill(Qt::transparent);
    m_pictureTransform = world * QTransform::fromTranslate(viewSize.width() / 2, viewSize.height() / 2);
    m_pictureRevision = m_revision;
    QPainter painter(&m_picture);
    painter.setTransform(m_pictureTransform);
    const QRectF area = m_pictureTransform.inverted().mapRect(QRectF(QPointF(0, 0), size));
    drawGraph(&painter, area, false, viewport);
}

void OverviewPainter::drawGraph(QPainter *painter, const QRectF &area, bool dragged,
                                QWidget *viewport) const
{
    const QTransform world = painter->worldTransform();
    const double lod = QStyleOptionGraphicsItem::levelOfDetailFromTransform(world);
    const QSet<NodeItem *> &moving = m_scene->draggedNodes();

    // Grown by the widest stroke, the halo, so that no cut end shows.
    const double margin = 20 / std::max(lod, 1e-6);
    const QRectF wide = area.adjusted(-margin, -margin, margin, margin);
    std::map<std::pair<QRgb, double>, QPainterPath> lines;
    QPainterPath halos;
    const auto addLine = [&](const EdgeItem *edge) {
        if (!shownInOverview(edge, moving, dragged) || !edge->boundingRect().intersects(wide))
            return;
        QPainterPath &path = lines[{edge->effectiveColor().rgba(), edge->penWidth()}];
        edge->appendCentreLine(path);
        if (edge->isHypothesis())
            edge->appendCentreLine(halos);
    };
    // A drag step draws only the dragged nodes' relations: reaching them through the nodes
    // spares a walk over the whole graph.
    QSet<const EdgeItem *> attached;
    if (dragged) {
        for (const NodeItem *node : moving) {
            for (const EdgeItem *edge : node->edges()) {
                if (!attached.contains(edge)) {
                    attached.insert(edge);
                    addLine(edge);
                }
            }
        }
    } else {
        for (const EdgeItem *edge : m_scene->edgeItemTable())
            addLine(edge);
    }
    painter->setBrush(Qt::NoBrush);
    if (!halos.isEmpty()) {
        QPen halo(hypothesisTint, std::min(18.0, EdgeItem::maximumHaloWidth * lod), Qt::SolidLine,
                  Qt::RoundCap, Qt::RoundJoin);
        halo.setCosmetic(true);
        painter->setRenderHint(QPainter::Antialiasing, true);
        painter->setPen(halo);
        painter->drawPath(halos);
    }
    for (const auto &[key, path] : lines) {
        // In device pixels; lines thinner than one are drawn one pixel wide, without the
        // antialiasing that would double their cost.
        const double pixels = key.second * lod;
        QPen pen(QColor::fromRgba(key.first), pixels >= 1 ? pixels : 0, Qt::SolidLine,
                 Qt::RoundCap, Qt::RoundJoin);
        pen.setCosmetic(true);
        painter->setRenderHint(QPainter::Antialiasing, pixels >= 1);
        painter->setPen(pen);
        painter->drawPath(path);
    }

    // Small nodes become squares of their colour, batched by colour; larger ones, and those
    // with a picture or a group ring, draw themselves.
    std::map<QRgb, QList<QRectF>> marks;
    QList<QRectF> glows;
    QList<QRectF> tints;
    QList<NodeItem *> whole;
    const double smallest = 1.0 / std::max(lod, 1e-6);
    const QList<NodeItem *> candidates = dragged ? moving.values() : m_scene->nodeItems().values();
    for (NodeItem *item : candidates) {
        if (!item->isVisible() || moving.contains(item) != dragged)
            continue;
        const QPointF centre = item->pos();
        const double r = item->radius();
        if (!wide.contains(centre) && !item->sceneBoundingRect().intersects(wide))
            continue;
        if (r * lod >= markRadiusPixels || item->hasImage() || item->isGroup()
            || item->isAnchored()) {
            whole.append(item);
            continue;
        }
        const double side = std::max(2 * r, smallest);
        const QColor fill = item->fillColor();
        marks[fill.rgba()].append(QRectF(centre.x() - side / 2, centre.y() - side / 2, side, side));
        const double outer = std::max(2 * r + 7.2, smallest);
        const QRectF around(centre.x() - outer / 2, centre.y() - outer / 2, outer, outer);
        if (item->isSelected())
            glows.append(around);
        if (item->isHypothesis())
            tints.append(around);
    }
    painter->setRenderHint(QPainter::Antialiasing, false);
    painter->setPen(Qt::NoPen);
    for (const auto &[rgba, rects] : marks) {
        painter->setBrush(QColor::fromRgba(rgba));
        painter->drawRects(rects.constData(), int(rects.size()));
    }
    const auto cover = [painter](const QColor &color, const QList<QRectF> &rects) {
        if (rects.isEmpty())
            return;
        painter->setBrush(color);
        painter->drawRects(rects.constData(), int(rects.size()));
    };
    cover(selectionGlow, glows);
    cover(hypothesisTint, tints);
    // Selected nodes and expanded groups stand above the others, as the items are stacked.
    std::stable_sort(whole.begin(), whole.end(), [](const NodeItem *a, const NodeItem *b) {
        return a->zValue() < b->zValue();
    });
    for (NodeItem *item : std::as_const(whole))
        paintItemTree(painter, item, world, viewport);
}

void OverviewPainter::drawDecor(QPainter *painter, const QRectF &area, bool below,
                                QWidget *viewport) const
{
    // The relations stand at z −1 and above; pictures and shapes under them are drawn first.
    QList<QGraphicsItem *> items;
    for (MapItem *item : m_scene->mapItems())
        items.append(item);
    for (GroupShapeItem *item : m_scene->shapeItems())
        items.append(item);
    items.erase(std::remove_if(items.begin(), items.end(),
                               [&](const QGraphicsItem *item) {
                                   return (item->zValue() < -1) != below
                                       || !item->sceneBoundingRect().intersects(area);
                               }),
                items.end());
    std::stable_sort(items.begin(), items.end(), [](const QGraphicsItem *a, const QGraphicsItem *b) {
        return a->zValue() < b->zValue();
    });
    const QTransform world = painter->worldTransform();
    for (QGraphicsItem *item : std::as_const(items))
        paintItemTree(painter, item, world, viewport);
}
