#include "canvas/mapitem.h"

#include <QCursor>
#include <QGraphicsSceneContextMenuEvent>
#include <QGraphicsSceneHoverEvent>
#include <QGraphicsSceneMouseEvent>
#include <QMenu>
#include <QPainter>
#include <QPointer>
#include <QSignalBlocker>
#include <QTransform>
#include <QtMath>

#include <functional>

namespace {

constexpr double HandleSize = 10.0;
constexpr double RotationDistance = 24.0;

QRectF square(const QPointF &centre)
{
    return QRectF(centre.x() - HandleSize / 2, centre.y() - HandleSize / 2, HandleSize,
                  HandleSize);
}

} // namespace

MapItem::MapItem(const MapRecord &record, QGraphicsItem *parent)
    : QGraphicsObject(parent), m_rotateCursor(QPixmap(QStringLiteral(":/icons/rotate_cursor.png")))
{
    setAcceptHoverEvents(true);
    setAcceptedMouseButtons(Qt::AllButtons);
    setFlag(ItemSendsGeometryChanges);
    setRecord(record);
}

void MapItem::setRecord(const MapRecord &record)
{
    if (m_pixmap.isNull() || record.file != m_record.file)
        m_pixmap = QPixmap(record.file);
    prepareGeometryChange();
    m_record = record;
    m_size = QSizeF(record.width, record.height);
    setFlag(ItemIsMovable, !record.anchored);
    setFlag(ItemIsSelectable, !record.anchored);
    if (record.anchored) {
        m_activeHandle = NoHandle;
        unsetCursor();
    }
    const QSignalBlocker quiet(this);
    setTransformOriginPoint(contentRect().center());
    setPos(record.pos);
    setRotation(record.rotation);
    setZValue(record.z);
    update();
}

MapRecord MapItem::shown() const
{
    MapRecord record = m_record;
    record.pos = pos();
    record.rotation = rotation();
    record.width = m_size.width();
    record.height = m_size.height();
    return record;
}

QRectF MapItem::contentRect() const
{
    if (m_size.width() > 0 && m_size.height() > 0)
        return QRectF(QPointF(0, 0), m_size);
    return QRectF(0, 0, 200, 150);
}

QPointF MapItem::rotationPoint() const
{
    const QRectF r = contentRect();
    return QPointF(r.center().x(), r.top() - RotationDistance);
}

QRectF MapItem::handleRect(Handle handle) const
{
    const QRectF r = contentRect();
    switch (handle) {
    case TopLeft:
        return square(r.topLeft());
    case TopRight:
        return square(r.topRight());
    case BottomLeft:
        return square(r.bottomLeft());
    case BottomRight:
        return square(r.bottomRight());
    case RotationHandle:
        return square(rotationPoint());
    case NoHandle:
        break;
    }
    return QRectF();
}

QRectF MapItem::boundingRect() const
{
    const double margin = HandleSize / 2 + 1;
    return contentRect()
        .adjusted(-margin, -margin, margin, margin)
        .united(handleRect(RotationHandle).adjusted(-1, -1, 1, 1));
}

QPainterPath MapItem::shape() const
{
    QPainterPath path;
    path.addRect(contentRect());
    if (isSelected() && !m_record.anchored) {
        for (Handle handle : {TopLeft, TopRight, BottomLeft, BottomRight, RotationHandle})
            path.addRect(handleRect(handle));
    }
    return path;
}

MapItem::Handle MapItem::handleAt(const QPointF &pos) const
{
    if (!isSelected() || m_record.anchored)
        return NoHandle;
    for (Handle handle : {TopLeft, TopRight, BottomLeft, BottomRight, RotationHandle}) {
        if (handleRect(handle).contains(pos))
            return handle;
    }
    return NoHandle;
}

void MapItem::paint(QPainter *painter, const QStyleOptionGraphicsItem *, QWidget *)
{
    const QRectF r = contentRect();
    painter->setRenderHint(QPainter::SmoothPixmapTransform);
    if (!m_record.anonymize && !m_pixmap.isNull()) {
        painter->drawPixmap(r, m_pixmap, QRectF(m_pixmap.rect()));
    } else {
        QPen dashed(Qt::gray, 1, Qt::DashLine);
        dashed.setCosmetic(true);
        painter->setPen(dashed);
        painter->setBrush(QBrush(QColor(Qt::lightGray), Qt::Dense5Pattern));
        painter->drawRoundedRect(r.adjusted(0.5, 0.5, -0.5, -0.5), 6, 6);
        // An anonymised picture is hidden on purpose: only a missing one is called missing.
        if (!m_record.anonymize) {
            QFont font = painter->font();
            font.setBold(true);
            painter->setFont(font);
            painter->setPen(Qt::black);
            painter->drawText(r.adjusted(8, 8, -8, -8), Qt::AlignCenter | Qt::TextWordWrap,
                              QStringLiteral("Image introuvable"));
        }
    }
    if (m_record.showGrid && r.width() > 0 && r.height() > 0 && m_record.gridStep > 0) {
        QPen pen(m_record.gridColor, m_record.gridWidth);
        pen.setCosmetic(true);
        painter->setPen(pen);
        for (double x = r.left(); x <= r.right(); x += m_record.gridStep)
            painter->drawLine(QPointF(x, r.top()), QPointF(x, r.bottom()));
        for (double y = r.top(); y <= r.bottom(); y += m_record.gridStep)
            painter->drawLine(QPointF(r.left(), y), QPointF(r.right(), y));
    }
    if (isSelected() && !m_record.anchored) {
        QPen line(QColor(0, 0, 0, 160), 1);
        line.setCosmetic(true);
        painter->setPen(line);
        painter->drawLine(QPointF(r.center().x(), r.top()), rotationPoint());
        painter->setBrush(QColor(255, 255, 255, 220));
        for (Handle handle : {TopLeft, TopRight, BottomLeft, BottomRight, RotationHandle})
            painter->drawRect(handleRect(handle));
    }
}

QVariant MapItem::itemChange(GraphicsItemChange change, const QVariant &value)
{
    if (change == ItemPositionHasChanged && m_activeHandle == NoHandle)
        Q_EMIT positionChanged();
    if (change == ItemSelectedHasChanged)
        prepareGeometryChange();
    return QGraphicsObject::itemChange(change, value);
}

void MapItem::hoverMoveEvent(QGraphicsSceneHoverEvent *event)
{
    switch (handleAt(event->pos())) {
    case TopLeft:
    case BottomRight:
        setCursor(Qt::SizeFDiagCursor);
        break;
    case TopRight:
    case BottomLeft:
        setCursor(Qt::SizeBDiagCursor);
        break;
    case RotationHandle:
        setCursor(m_rotateCursor);
        break;
    case NoHandle:
        unsetCursor();
        break;
    }
    QGraphicsObject::hoverMoveEvent(event);
}

void MapItem::hoverLeaveEvent(QGraphicsSceneHoverEvent *event)
{
    if (m_activeHandle == NoHandle)
        unsetCursor();
    QGraphicsObject::hoverLeaveEvent(event);
}

double MapItem::pointerAngle(const QPointF &scenePos) const
{
    const QPointF delta = scenePos - mapToScene(contentRect().center());
    return qRadiansToDegrees(std::atan2(delta.y(), delta.x()));
}

void MapItem::mousePressEvent(QGraphicsSceneMouseEvent *event)
{
    if (m_record.anchored) {
        event->ignore();
        return;
    }
    const Handle handle = event->button() == Qt::LeftButton ? handleAt(event->pos()) : NoHandle;
    if (handle == NoHandle) {
        QGraphicsObject::mousePressEvent(event);
        return;
    }
    m_activeHandle = handle;
    m_pressScenePos = event->scenePos();
    m_pressSize = contentRect().size();
    m_pressPos = pos();
    if (handle == RotationHandle) {
        m_rotationAtPress = rotation();
        m_lastAngle = pointerAngle(event->scenePos());
        m_accumulatedAngle = 0.0;
        setCursor(Qt::ClosedHandCursor);
    }
    event->accept();
}

void MapItem::mouseMoveEvent(QGraphicsSceneMouseEvent *event)
{
    if (m_activeHandle == NoHandle) {
        QGraphicsObject::mouseMoveEvent(event);
        return;
    }
    if (m_activeHandle == RotationHandle) {
        const double angle = pointerAngle(event->scenePos());
        double delta = angle - m_lastAngle;
        while (delta > 180.0)
            delta -= 360.0;
        while (delta <= -180.0)
            delta += 360.0;
        m_accumulatedAngle += delta;
        m_lastAngle = angle;
        setRotation(m_rotationAtPress + m_accumulatedAngle * RotationFactor);
    } else {
        resizeTo(event->scenePos());
    }
    event->accept();
}

void MapItem::resizeTo(const QPointF &scenePos)
{
    QTransform turn;
    turn.rotate(rotation());
    const QPointF d = turn.inverted().map(scenePos - m_pressScenePos);
    const double pw = m_pressSize.width();
    const double ph = m_pressSize.height();
    const bool left = m_activeHandle == TopLeft || m_activeHandle == BottomLeft;
    const bool top = m_activeHandle == TopLeft || m_activeHandle == TopRight;
    const double w = std::max(MinimumSize, left ? pw - d.x() : pw + d.x());
    const double h = std::max(MinimumSize, top ? ph - d.y() : ph + d.y());
    // The corner opposite the handle, before and after, in item coordinates.
    const QPointF fixedBefore(left ? pw : 0.0, top ? ph : 0.0);
    const QPointF fixedAfter(left ? w : 0.0, top ? h : 0.0);
    const QPointF originBefore(pw / 2, ph / 2);
    const QPointF originAfter(w / 2, h / 2);
    prepareGeometryChange();
    m_size = QSizeF(w, h);
    setTransformOriginPoint(originAfter);
    setPos(m_pressPos + originBefore + turn.map(fixedBefore - originBefore) - originAfter
           - turn.map(fixedAfter - originAfter));
}

void MapItem::mouseReleaseEvent(QGraphicsSceneMouseEvent *event)
{
    if (m_activeHandle == NoHandle) {
        QGraphicsObject::mouseReleaseEvent(event);
        return;
    }
    const Handle handle = std::exchange(m_activeHandle, NoHandle);
    unsetCursor();
    event->accept();
    if (handle == RotationHandle)
        report(QStringLiteral("Tourner l'image"));
    else
        report(QStringLiteral("Redimensionner l'image"));
}

void MapItem::fillContextMenu(QMenu *menu)
{
    // The item may be replaced while the menu runs: each entry checks it is still there.
    QPointer<MapItem> self(this);
    auto toggled = [self](const std::function<void(MapRecord &)> &change, const QString &text) {
        if (!self)
            return;
        MapRecord record = self->shown();
        change(record);
        Q_EMIT self->edited(record, text);
    };
    connect(menu->addAction(m_record.showGrid ? QStringLiteral("Masquer la grille")
                                              : QStringLiteral("Afficher la grille")),
            &QAction::triggered, menu, [toggled]() {
                toggled([](MapRecord &r) { r.showGrid = !r.showGrid; },
                        QStringLiteral("Grille de l'image"));
            });
    connect(menu->addAction(m_record.anchored ? QStringLiteral("Enlever l'ancrage")
                                              : QStringLiteral("Ancrer (immobile)")),
            &QAction::triggered, menu, [toggled]() {
                toggled([](MapRecord &r) { r.anchored = !r.anchored; },
                        QStringLiteral("Ancrage de l'image"));
            });
    if (!m_record.anchored) {
        const auto turn = [toggled](double by) {
            toggled([by](MapRecord &r) { r.rotation += by; }, QStringLiteral("Tourner l'image"));
        };
        connect(menu->addAction(QStringLiteral("Tourner de -90°")), &QAction::triggered, menu,
                [turn]() { turn(-90.0); });
        connect(menu->addAction(QStringLiteral("Tourner de +90°")), &QAction::triggered, menu,
                [turn]() { turn(90.0); });
        connect(menu->addAction(QStringLiteral("Réinitialiser la rotation")), &QAction::triggered,
                menu, [toggled]() {
                    toggled([](MapRecord &r) { r.rotation = 0.0; }, QStringLiteral("Tourner l'image"));
                });
    }
    menu->addSeparator();
    const QString uuid = m_record.uuid;
    connect(menu->addAction(QStringLiteral("Supprimer l'image")), &QAction::triggered, menu,
            [self, uuid]() {
                if (self)
                    Q_EMIT self->deleteRequested(uuid);
            });
}

void MapItem::contextMenuEvent(QGraphicsSceneContextMenuEvent *event)
{
    QMenu menu;
    fillContextMenu(&menu);
    menu.exec(event->screenPos());
    event->accept();
}
