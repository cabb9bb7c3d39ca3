#include "canvas/nodeitem.h"

#include "app/prompter.h"
#include "canvas/edgeitem.h"
#include "canvas/graphscene.h"
#include "canvas/labelitem.h"
#include "dialogs/mediaeditdialog.h"
#include "dialogs/mediaviewdialog.h"
#include "dialogs/nodeeditdialog.h"
#include "dialogs/selectgroupdialog.h"
#include "model/graph.h"
#include "model/textforms.h"
#include "ops/clipboardformat.h"

#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QGraphicsSceneContextMenuEvent>
#include <QGraphicsSceneMouseEvent>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <QStyleOptionGraphicsItem>
#include <QUrl>

#include <cmath>

quint64 NodeItem::s_lastPickOrder = 0;

namespace {

const QString openTag = QStringLiteral("ouvert");
const QColor defaultFill(245, 245, 245);
const QColor groupTint(80, 200, 255, 50);
const QColor groupOutline(80, 200, 255, 180);
const QColor groupTag(80, 200, 255, 210);

QFont tagFont(QFont font)
{
    font.setPointSizeF(8.5);
    return font;
}

// Shapes outside the known range are drawn as circles.
NodeShape drawnShape(NodeShape shape)
{
    const int value = int(shape);
    return value >= 1 && value <= 5 ? shape : NodeShape::Circle;
}

QPainterPath regularPolygon(int corners, double r)
{
    QPolygonF polygon;
    for (int i = 0; i < corners; ++i) {
        const double angle = (i * 360.0 / corners - 90.0) * M_PI / 180.0;
        polygon << QPointF(r * std::cos(angle), r * std::sin(angle));
    }
    QPainterPath path;
    path.addPolygon(polygon);
    path.closeSubpath();
    return path;
}

// A long label would run across its neighbours: it is wrapped and elided, and the tool tip
// keeps it whole.
void showLabelText(LabelItem *item, const QString &label)
{
    const QString shown = LabelItem::fitted(label, item->font(), LabelItem::maximumLineWidth);
    if (item->text() != shown)
        item->setText(shown);
}

} // namespace

NodeItem::Look NodeItem::Look::of(const Node &node)
{
    Look look;
    look.label = node.label;
    look.description = node.description;
    look.mediaPath = node.mediaPath;
    look.color = node.color;
    look.size = node.size;
    look.shape = node.shape;
    look.showLabel = node.showLabel;
    look.hypothesis = node.hypothesis;
    look.isGroup = node.isGroup;
    look.expanded = node.expanded;
    look.grouped = node.isGroup || !node.parentGroup.isEmpty();
    look.anchored = node.anchored;
    look.hasMedia = !node.medias.isEmpty();
    return look;
}

bool NodeItem::Look::operator==(const Look &other) const
{
    return label == other.label && description == other.description
        && mediaPath == other.mediaPath && color == other.color && size == other.size
        && shape == other.shape && showLabel == other.showLabel
        && hypothesis == other.hypothesis && isGroup == other.isGroup
        && expanded == other.expanded && grouped == other.grouped
        && anchored == other.anchored && hasMedia == other.hasMedia;
}

NodeItem::NodeItem(const Node &node, QGraphicsItem *parent)
    : QGraphicsObject(parent), m_id(node.id), m_look(Look::of(node))
{
    setFlags(ItemIsMovable | ItemIsSelectable | ItemSendsGeometryChanges);
    setCacheMode(DeviceCoordinateCache);
    setAcceptHoverEvents(true);

    m_labelItem = new LabelItem(this);
    m_labelItem->setZValue(10000);
    showLabelText(m_labelItem, m_look.label);

    // An expanded group stays above its members so that its ring and tag remain visible.
    if (isExpandedGroup())
        setZValue(999);
    m_baseZ = zValue();
    loadImage();
    refreshTooltip();
    refreshLabelVisibility();
    layoutLabel();
    m_labelItem->setDefaultTextColor(QApplication::palette().color(QPalette::WindowText));
}

GraphScene *NodeItem::graphScene() const
{
    return qobject_cast<GraphScene *>(scene());
}

const Node *NodeItem::tableRecord() const
{
    const GraphScene *owner = graphScene();
    if (!owner || !owner->graph())
        return nullptr;
    const Graph::NodeTable &table = owner->graph()->nodes();
    const auto it = table.constFind(m_id);
    return it == table.cend() ? nullptr : &*it;
}

const Node &NodeItem::node() const
{
    if (const Node *record = tableRecord())
        return *record;
    if (!m_own) {
        m_own = std::make_unique<Node>();
        m_own->id = m_id;
        m_own->pos = pos();
    }
    return *m_own;
}

QColor NodeItem::fillColor() const
{
    return m_look.color.isValid() ? m_look.color : defaultFill;
}

double NodeItem::radius() const
{
    return m_look.size > 0 ? 25.0 * m_look.size : 0.0;
}

QRectF NodeItem::boundingRect() const
{
    const double r = radius();
    QRectF rect(-r - 3.5, -r - 3.5, 2 * r + 7, 2 * r + 7);
    if (!m_look.isGroup) {
        rect.setWidth(rect.width() + 17);
        return rect;
    }
    if (m_look.expanded) {
        rect.adjust(-8, -8, 8, 8);
        const QFontMetricsF metrics(tagFont(QFont()));
        const double band = 4 + metrics.height() + 2;
        rect.setTop(rect.top() - band);
        const double excess = (metrics.horizontalAdvance(openTag) + 10) / 2 - (r + 8);
        if (excess > 0)
            rect.adjust(-excess, 0, excess, 0);
    }
    rect.setWidth(rect.width() + 17);
    rect.setHeight(rect.height() + 17);
    return rect;
}

QPainterPath NodeItem::shapePath(NodeShape shape, double r)
{
    QPainterPath path;
    switch (drawnShape(shape)) {
    case NodeShape::Square:
        path.addRect(QRectF(-r, -r, 2 * r, 2 * r));
        return path;
    case NodeShape::Triangle: {
        path.addPolygon(QPolygonF({QPointF(0, -r), QPointF(r, r), QPointF(-r, r)}));
        path.closeSubpath();
        return path;
    }
    case NodeShape::Pentagon:
        return regularPolygon(5, r);
    case NodeShape::Hexagon:
        return regularPolygon(6, r);
    case NodeShape::Octagon:
        return regularPolygon(8, r);
    case NodeShape::Circle:
        break;
    }
    path.addEllipse(QRectF(-r, -r, 2 * r, 2 * r));
    return path;
}

void NodeItem::paint(QPainter *painter, const QStyleOptionGraphicsItem *, QWidget *)
{
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setRenderHint(QPainter::SmoothPixmapTransform);
    const double r = radius();
    const NodeShape shape = drawnShape(m_look.shape);
    const QColor fill = fillColor();
    const Qt::PenStyle style = m_look.hypothesis ? Qt::DashLine : Qt::SolidLine;
    const QPen outline(Qt::black, 1.0, style, Qt::SquareCap, Qt::BevelJoin);
    const QPainterPath body = shapePath(shape, r);

    const bool picture = !m_image.isNull()
        && (shape == NodeShape::Circle || shape == NodeShape::Square);
    if (picture) {
        refreshPixmapCache(painter->device() ? painter->device()->devicePixelRatioF() : 1.0);
        painter->save();
        painter->setClipPath(body, Qt::IntersectClip);
        painter->drawPixmap(QRectF(-r, -r, 2 * r, 2 * r), m_pixmapCache,
                            QRectF(QPointF(0, 0), QSizeF(m_pixmapCache.size())));
        painter->restore();
        painter->setPen(QPen(Qt::white, 2, style, Qt::SquareCap, Qt::BevelJoin));
        painter->setBrush(Qt::NoBrush);
    } else {
        painter->setPen(outline);
        painter->setBrush(fill);
    }
    painter->drawPath(body);

    if (m_look.isGroup && (shape == NodeShape::Circle || shape == NodeShape::Square)) {
        QPen ring = outline;
        ring.setWidthF(std::max(outline.widthF() - 1, 1.0));
        painter->setPen(ring);
        painter->setBrush(Qt::NoBrush);
        painter->drawPath(shapePath(shape, r - 3));
    }

    if (isExpandedGroup()) {
        painter->save();
        const double big = r + 8;
        const QPainterPath halo = shapePath(shape, big);
        painter->setPen(Qt::NoPen);
        painter->setBrush(groupTint);
        painter->drawPath(halo);
        QPen dashed(groupOutline, 3, Qt::DashLine, Qt::RoundCap, Qt::RoundJoin);
        dashed.setCosmetic(true);
        painter->setPen(dashed);
        painter->setBrush(Qt::NoBrush);
        painter->drawPath(halo);
        const QFont font = tagFont(painter->font());
        painter->setFont(font);
        const QFontMetricsF metrics(font);
        const double h = metrics.height() + 4;
        const double w = metrics.horizontalAdvance(openTag) + 10;
        const QRectF tag(-w / 2, -2 - big - h, w, h);
        painter->setPen(Qt::NoPen);
        painter->setBrush(groupTag);
        painter->drawRoundedRect(tag, 6, 6);
        painter->setPen(QColor(20, 20, 20));
        painter->drawText(tag, Qt::AlignCenter, openTag);
        painter->restore();
    }

    if (isSelected()) {
        painter->setPen(Qt::NoPen);
        painter->setBrush(QColor(255, 180, 0, 100));
        painter->drawPath(shapePath(shape, r + 3.6));
    }

    if (m_look.hypothesis) {
        painter->setPen(Qt::NoPen);
        painter->setBrush(QColor(100, 180, 255, 90));
        painter->drawPath(shapePath(shape, r + 3.6));
    }

    if (m_anchored) {
        painter->save();
        QPen frame(QColor(120, 120, 120), 0, Qt::DashLine);
        painter->setPen(frame);
        painter->setBrush(Qt::NoBrush);
        painter->drawRect(boundingRect().adjusted(1, 1, -1, -1));
        painter->restore();
    }

    const double lod = QStyleOptionGraphicsItem::levelOfDetailFromTransform(painter->worldTransform());
    if (lod * 14 < minimumBadgePixels)
        return;
    const QPointF topRight(r - 3, -(r - 3));
    const QPointF bottomRight(r - 3, r - 3);
    if (!m_look.isGroup) {
        if (m_look.hasMedia)
            drawMediaBadge(painter, topRight, QColor(66, 133, 244));
        return;
    }
    if (m_look.hasMedia)
        drawMediaBadge(painter, topRight, QColor(255, 140, 0));
    if (anyMemberHasMedia())
        drawMediaBadge(painter, bottomRight, QColor(76, 175, 80));
}

bool NodeItem::anyMemberHasMedia() const
{
    const GraphScene *owner = graphScene();
    if (!owner || !owner->graph())
        return false;
    const Graph::NodeTable &table = owner->graph()->nodes();
    for (const QString &memberId : node().groupMembers) {
        const auto it = table.constFind(memberId);
        if (it != table.cend() && !it->medias.isEmpty())
            return true;
    }
    return false;
}

void NodeItem::drawMediaBadge(QPainter *painter, const QPointF &centre, const QColor &color) const
{
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setPen(Qt::NoPen);
    painter->setBrush(color);
    painter->drawEllipse(centre, 7, 7);
    QFont font = painter->font();
    font.setPointSize(8);
    font.setWeight(QFont::Bold);
    painter->setFont(font);
    painter->setPen(Qt::white);
    painter->drawText(QRectF(centre - QPointF(7, 7), QSizeF(14, 14)), Qt::AlignCenter,
                      QStringLiteral("\u25B6"));
    painter->restore();
}

void NodeItem::recordChanged(const Node &record)
{
    Look look = Look::of(record);
    if (look == m_look)
        return;
    prepareGeometryChange();
    const bool wasExpandedGroup = isExpandedGroup();
    const bool pictureChanged = look.mediaPath != m_look.mediaPath;
    m_look = std::move(look);
    if (isExpandedGroup() != wasExpandedGroup) {
        m_baseZ = isExpandedGroup() ? 999 : 0;
        if (!isSelected())
            setZValue(m_baseZ);
    }
    showLabelText(m_labelItem, m_look.label);
    refreshLabelVisibility();
    refreshTooltip();
    layoutLabel();
    if (pictureChanged)
        loadImage();
    if (m_look.anchored != m_anchored)
        setAnchored(m_look.anchored);
    for (EdgeItem *edge : std::as_const(m_edges))
        edge->adjust();
    update();
}

void NodeItem::refreshTooltip()
{
    QString tip = QStringLiteral("%1\n%2").arg(m_look.label, m_id);
    const QString description = m_look.description.trimmed();
    if (!description.isEmpty())
        tip += QStringLiteral("\n\n") + description;
    setToolTip(tip);
}

void NodeItem::refreshLabelVisibility()
{
    m_labelItem->setVisible(m_look.showLabel && !m_look.label.isEmpty());
}

void NodeItem::loadImage()
{
    m_image = QImage();
    const QString path = m_look.mediaPath.trimmed();
    if (!path.isEmpty()) {
        if (path.startsWith(QLatin1String("resources:"))) {
            m_image.load(QLatin1Char(':') + path.mid(10));
        } else {
            const QUrl url = QUrl::fromUserInput(path, QDir::currentPath(), QUrl::AssumeLocalFile);
            QString file = url.isLocalFile() ? url.toLocalFile() : path;
            file.replace(QLatin1Char('\\'), QLatin1Char('/'));
            m_image.load(file);
        }
        if (!m_image.isNull() && m_image.format() != QImage::Format_ARGB32_Premultiplied)
            m_image = m_image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    }
    m_pixmapCache = QPixmap();
    m_cachedRadius = -1.0;
    m_cachedRatio = -1.0;
    update();
}

void NodeItem::refreshPixmapCache(double ratio)
{
    if (!m_pixmapCache.isNull() && qFuzzyCompare(m_cachedRadius, m_iconRadius)
        && qFuzzyCompare(m_cachedRatio, ratio))
        return;
    const int side = std::max(2, int(std::lround(2 * m_iconRadius * ratio)));
    QImage square(side, side, QImage::Format_ARGB32_Premultiplied);
    square.fill(Qt::transparent);
    const QImage scaled = m_image.scaled(side, side, Qt::KeepAspectRatioByExpanding,
                                         Qt::SmoothTransformation);
    QPainter painter(&square);
    painter.drawImage(QPointF(0, 0), scaled,
                      QRectF((scaled.width() - side) / 2.0, (scaled.height() - side) / 2.0,
                             side, side));
    painter.end();
    m_pixmapCache = QPixmap::fromImage(square);
    m_pixmapCache.setDevicePixelRatio(ratio);
    m_cachedRadius = m_iconRadius;
    m_cachedRatio = ratio;
}

void NodeItem::layoutLabel()
{
    m_labelItem->setPos(-m_labelItem->textWidth() / 2, radius() + 4);
}

void NodeItem::setAnchored(bool anchored)
{
    if (anchored == m_anchored)
        return;
    m_anchored = anchored;
    setFlag(ItemIsMovable, !anchored);
    update();
}

void NodeItem::addEdge(EdgeItem *edge)
{
    m_edges.append(edge);
}

void NodeItem::removeEdge(EdgeItem *edge)
{
    m_edges.removeAll(edge);
}

QRectF NodeItem::paintedSceneRect() const
{
    QRectF rect = sceneBoundingRect();
    if (m_labelItem->isVisible())
        rect |= m_labelItem->sceneBoundingRect();
    return rect;
}

void NodeItem::setLabelColor(const QColor &color)
{
    m_labelItem->setDefaultTextColor(color);
}

void NodeItem::onAppPaletteChanged(const QPalette &palette)
{
    if (!m_labelItem)
        return;
    m_labelItem->setDefaultTextColor(palette.color(QPalette::WindowText));
    update();
}

QVariant NodeItem::itemChange(GraphicsItemChange change, const QVariant &value)
{
    switch (change) {
    case ItemPositionChange:
        if (m_anchored)
            return pos();
        noteDraggedArea();
        break;
    case ItemVisibleHasChanged:
        // The scene also reports every new item as shown when it polishes it: relations are
        // drawn again only when their end really appeared or disappeared.
        if (value.toBool() != m_shownToEdges) {
            m_shownToEdges = value.toBool();
            for (EdgeItem *edge : std::as_const(m_edges))
                edge->adjust();
        }
        break;
    case ItemSelectedHasChanged:
        setZValue(value.toBool() ? 1000 : m_baseZ);
        for (EdgeItem *edge : std::as_const(m_edges))
            edge->update();
        break;
    case ItemPositionHasChanged: {
        GraphScene *owner = graphScene();
        if (!owner || owner->relationsFollowMoves()) {
            for (EdgeItem *edge : std::as_const(m_edges))
                edge->adjust();
        }
        noteDraggedArea();
        const QPointF position = scenePos();
        // A record of its own follows the item, as the tables follow it through the scene.
        if (m_own)
            m_own->pos = position;
        if (owner)
            owner->nodeItemMoved(this, position);
        break;
    }
    default:
        break;
    }
    return QGraphicsObject::itemChange(change, value);
}

void NodeItem::mousePressEvent(QGraphicsSceneMouseEvent *event)
{
    if (event->button() == Qt::LeftButton) {
        m_pickOrder = ++s_lastPickOrder;
    }
    QGraphicsObject::mousePressEvent(event);
}

// Relations draw in their light mode while nodes follow the pointer. The scene keeps the
// area repainted meanwhile, before and after each step, to draw it in full at the end: the
// selected nodes move with the one that was pressed.
void NodeItem::noteDraggedArea()
{
    GraphScene *owner = graphScene();
    if (!owner || !owner->mouseGrabberItem())
        return;
    owner->setInteractionActive(true);
    QRectF area = paintedSceneRect();
    for (const EdgeItem *edge : std::as_const(m_edges))
        area |= edge->paintedSceneRect();
    owner->noteInteractionArea(area);
}

void NodeItem::mouseReleaseEvent(QGraphicsSceneMouseEvent *event)
{
    GraphScene *owner = graphScene();
    for (EdgeItem *edge : std::as_const(m_edges)) {
        edge->adjust();
        edge->update();
    }
    if (owner)
        owner->endInteraction();
    QGraphicsObject::mouseReleaseEvent(event);
}

void NodeItem::contextMenuEvent(QGraphicsSceneContextMenuEvent *event)
{
    QMenu menu;
    populateContextMenu(menu);
    menu.exec(event->screenPos());
    event->accept();
}

void NodeItem::populateContextMenu(QMenu &menu)
{
    connect(menu.addAction(QStringLiteral("Ouvrir la fiche…")), &QAction::triggered, this,
            &NodeItem::openEditor);
    connect(menu.addAction(QStringLiteral("Lister les attributs…")), &QAction::triggered, this,
            [this]() { GraphScene::report(this, &GraphScene::nodeAttributesRequested, m_id); });
    connect(menu.addAction(QStringLiteral("Ajouter au groupe…")), &QAction::triggered, this,
            &NodeItem::askGroupAndAdd);
    addMediaMenu(menu);

    QAction *anchor = menu.addAction(QStringLiteral("Ancrer le nœud"));
    anchor->setCheckable(true);
    anchor->setChecked(m_anchored);
    connect(anchor, &QAction::toggled, this, [this](bool checked) {
        Node edited = node();
        edited.anchored = checked;
        setAnchored(checked);
        GraphScene::report(this, &GraphScene::nodeEdited, edited);
    });
    connect(menu.addAction(QStringLiteral("Supprimer…")), &QAction::triggered, this,
            [this]() { GraphScene::report(this, &GraphScene::nodeDeleteRequested, m_id); });
    connect(menu.addAction(QStringLiteral("Copier…")), &QAction::triggered, this, [this]() {
        QGuiApplication::clipboard()->setMimeData(ClipboardFormat::toMimeData(node()));
    });

    if (m_look.isGroup) {
        menu.addSeparator();
        connect(menu.addAction(QStringLiteral("Lister les nœuds du groupe")), &QAction::triggered,
                this, [this]() { GraphScene::report(this, &GraphScene::groupNodesListRequested, m_id); });
        connect(menu.addAction(QStringLiteral("Lister les relations du groupe")),
                &QAction::triggered, this, [this]() { GraphScene::report(this, &GraphScene::groupEdgesListRequested, m_id); });
        menu.addSeparator();
        QAction *expand = menu.addAction(QStringLiteral("Étendre le groupe"));
        expand->setEnabled(!m_look.expanded);
        connect(expand, &QAction::triggered, this, [this]() { GraphScene::report(this, &GraphScene::groupExpandRequested, m_id); });
        QAction *collapse = menu.addAction(QStringLiteral("Réduire le groupe"));
        collapse->setEnabled(m_look.expanded);
        connect(collapse, &QAction::triggered, this,
                [this]() { GraphScene::report(this, &GraphScene::groupCollapseRequested, m_id); });
        connect(menu.addAction(QStringLiteral("Dégrouper")), &QAction::triggered, this,
                [this]() { GraphScene::report(this, &GraphScene::ungroupRequested, m_id); });
        connect(menu.addAction(QStringLiteral("Ouvrir le groupe dans un nouvel onglet")),
                &QAction::triggered, this, [this]() { GraphScene::report(this, &GraphScene::groupTabRequested, m_id); });
    }

    if (const Node &record = node();
        record.isInvestigationLink && !record.investigationPath.isEmpty()) {
        menu.addSeparator();
        const QString path = record.investigationPath;
        connect(menu.addAction(QStringLiteral("Ouvrir l'investigation dans un nouvel onglet")),
                &QAction::triggered, this,
                [this, path]() {
                    GraphScene::report(this, &GraphScene::openInvestigationInNewTabRequested,
                                       path, m_id);
                });
    }
}

void NodeItem::addMediaMenu(QMenu &menu)
{
    QMenu *medias = menu.addMenu(QStringLiteral("Médias"));
    // A copy: the tables may change while the menu is open.
    const QList<MediaRecord> records = node().medias;
    medias->setEnabled(!records.isEmpty());
    GraphScene *owner = graphScene();
    for (int index = 0; index < records.size(); ++index) {
        const MediaRecord &media = records.at(index);
        const QString name = media.name.trimmed();
        QMenu *entry = medias->addMenu(name.isEmpty() ? QFileInfo(media.file).fileName() : name);
        const QString file = media.file;
        QAction *open = entry->addAction(QStringLiteral("Ouvrir le média"));
        open->setToolTip(file);
        connect(open, &QAction::triggered, this, [owner, file]() {
            if (TextForms::isResourcePath(file)) {
                if (owner)
                    owner->prompter().information(nullptr, QStringLiteral("Ressource intégrée"),
                                                  QStringLiteral("Ce média est embarqué (qrc)."));
                return;
            }
            const QUrl url = QFileInfo::exists(file) ? QUrl::fromLocalFile(file)
                                                     : QUrl::fromUserInput(file);
            QDesktopServices::openUrl(url);
        });
        connect(entry->addAction(QStringLiteral("Ouvrir le dossier")), &QAction::triggered, this,
                [owner, file]() {
                    if (!owner)
                        return;
                    if (TextForms::isResourcePath(file)) {
                        owner->prompter().information(
                            nullptr, QStringLiteral("Ressource intégrée"),
                            QStringLiteral("Impossible d’ouvrir le dossier d’une ressource "
                                           "embarquée (qrc)."));
                        return;
                    }
                    const QFileInfo info(file);
                    if (!info.exists()) {
                        owner->prompter().warning(
                            nullptr, QStringLiteral("Fichier introuvable"),
                            QStringLiteral("Impossible d’ouvrir le dossier : ce fichier "
                                           "n’existe pas."));
                        return;
                    }
                    QDesktopServices::openUrl(QUrl::fromLocalFile(info.absolutePath()));
                });
        QAction *view = entry->addAction(QStringLiteral("Afficher la fiche"));
        view->setToolTip(QStringLiteral("Afficher la description du média"));
        connect(view, &QAction::triggered, this, [owner, media]() {
            MediaViewDialog dialog(media);
            if (owner)
                owner->prompter().exec(dialog);
        });
        QAction *edit = entry->addAction(QStringLiteral("Éditer la fiche"));
        edit->setToolTip(QStringLiteral("Modifier nom, chemin, description, tags"));
        connect(edit, &QAction::triggered, this, [this, index]() { editMedia(index); });
    }
}

void NodeItem::editMedia(int index)
{
    GraphScene *owner = graphScene();
    if (!owner || index < 0 || index >= node().medias.size())
        return;
    MediaEditDialog dialog(node().medias.at(index), QString(), owner->prompter());
    QPointer<NodeItem> guard(this);
    if (owner->prompter().exec(dialog) != QDialog::Accepted || !guard)
        return;
    // The record as it is after the dialog, which may have let other edits through.
    Node edited = node();
    if (index >= edited.medias.size())
        return;
    edited.medias[index] = dialog.record();
    GraphScene::report(this, &GraphScene::nodeEdited, edited);
}

void NodeItem::openEditor()
{
    GraphScene *owner = graphScene();
    if (!owner)
        return;
    // A copy: the dialog runs its own event loop, in which the tables may change and the
    // scene rebuild and delete this item.
    const Node record = node();
    NodeEditDialog dialog(record, owner->graph(), owner->prompter());
    QPointer<NodeItem> guard(this);
    if (owner->prompter().exec(dialog) != QDialog::Accepted || !guard)
        return;
    GraphScene::report(this, &GraphScene::nodeEdited, dialog.node());
}

void NodeItem::mouseDoubleClickEvent(QGraphicsSceneMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        QGraphicsObject::mouseDoubleClickEvent(event);
        return;
    }
    event->accept();
    openEditor();
}

void NodeItem::askGroupAndAdd()
{
    GraphScene *owner = graphScene();
    if (!owner || !owner->graph())
        return;
    QStringList ids;
    if (isSelected()) {
        for (QGraphicsItem *item : owner->selectedItems()) {
            if (item->type() == NodeItem::Type)
                ids.append(static_cast<NodeItem *>(item)->id());
        }
    } else {
        ids.append(m_id);
    }
    const std::optional<QString> groupId =
        SelectGroupDialog::chooseGroup(owner->prompter(), *owner->graph());
    if (groupId)
        Q_EMIT owner->addNodesToGroupRequested(*groupId, ids);
}
