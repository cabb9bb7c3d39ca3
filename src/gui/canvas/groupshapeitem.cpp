#include "canvas/groupshapeitem.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QGraphicsSceneContextMenuEvent>
#include <QGraphicsSceneHoverEvent>
#include <QGraphicsSceneMouseEvent>
#include <QMenu>
#include <QPainter>
#include <QPointer>
#include <QSignalBlocker>
#include <QStyleOptionGraphicsItem>
#include <QTextDocument>

namespace {

constexpr double HandleSize = 8.0;
constexpr double MinimumSide = 8.0;

} // namespace

GroupShapeItem::GroupShapeItem(const ShapeRecord &record, QGraphicsItem *parent)
    : QGraphicsObject(parent), m_font(fontFamily(), 10)
{
    setAcceptHoverEvents(true);
    setFlag(ItemIsSelectable);
    setFlag(ItemSendsGeometryChanges);
    setRecord(record);
}

QColor GroupShapeItem::defaultFill()
{
    return QColor(QStringLiteral("#0AAA00FF"));
}

QColor GroupShapeItem::defaultPenColor()
{
    return QColor(QStringLiteral("#2F4F4F"));
}

QString GroupShapeItem::fontFamily()
{
    const QString preferred = QStringLiteral("Segoe UI");
    if (QFontDatabase::hasFamily(preferred))
        return preferred;
    return QFontDatabase::systemFont(QFontDatabase::GeneralFont).family();
}

void GroupShapeItem::setRecord(const ShapeRecord &record)
{
    prepareGeometryChange();
    m_record = record;
    m_activeHandle = 0;
    setFlag(ItemIsMovable, !record.locked);
    const QSignalBlocker quiet(this);
    setPos(record.pos);
    setRotation(record.rotation);
    setZValue(record.z);
    update();
}

ShapeRecord GroupShapeItem::shown() const
{
    ShapeRecord record = m_record;
    record.pos = pos();
    record.rotation = rotation();
    return record;
}

void GroupShapeItem::setLabel(const QString &label)
{
    prepareGeometryChange();
    m_record.label = label;
    update();
}

void GroupShapeItem::setFillColor(const QColor &color)
{
    m_record.fill = color;
    update();
}

void GroupShapeItem::setPenColor(const QColor &color)
{
    m_record.penColor = color;
    update();
}

void GroupShapeItem::setPenWidth(double width)
{
    prepareGeometryChange();
    m_record.penWidth = width;
    update();
}

void GroupShapeItem::setRect(const QRectF &rect)
{
    prepareGeometryChange();
    m_record.rect = rect.normalized();
    update();
}

void GroupShapeItem::setLocked(bool locked)
{
    m_record.locked = locked;
    setFlag(ItemIsMovable, !locked);
    update();
}

void GroupShapeItem::setDescriptionHtml(const QString &html)
{
    m_record.descriptionHtml = html;
    update();
}

QRectF GroupShapeItem::boundingRect() const
{
    const double margin = std::max(m_record.penWidth / 2, HandleSize / 2) + 2;
    return m_record.rect.adjusted(-margin, -margin, margin, margin).united(labelBox());
}

QPainterPath GroupShapeItem::shape() const
{
    QPainterPath path;
    if (m_record.kind == Kind::Ellipse)
        path.addEllipse(m_record.rect);
    else
        path.addRect(m_record.rect);
    if (isSelected() && !m_record.locked) {
        for (int handle = 1; handle <= 4; ++handle)
            path.addRect(handleRect(handle));
    }
    return path;
}

QRectF GroupShapeItem::labelBox() const
{
    if (m_record.label.isEmpty())
        return QRectF();
    const QFontMetricsF metrics(m_font);
    const QSizeF text = metrics.size(0, m_record.label);
    return QRectF(m_record.rect.topLeft() + QPointF(6, 6), text + QSizeF(12, 6));
}

QRectF GroupShapeItem::handleRect(int handle) const
{
    const QRectF r = m_record.rect;
    const QPointF corner = handle == 1 ? r.topLeft()
        : handle == 2                  ? r.topRight()
        : handle == 3                  ? r.bottomLeft()
                                       : r.bottomRight();
    return QRectF(corner - QPointF(HandleSize / 2, HandleSize / 2), QSizeF(HandleSize, HandleSize));
}

int GroupShapeItem::handleAt(const QPointF &pos) const
{
    if (!isSelected() || m_record.locked)
        return 0;
    for (int handle = 1; handle <= 4; ++handle) {
        if (handleRect(handle).contains(pos))
            return handle;
    }
    return 0;
}

void GroupShapeItem::paint(QPainter *painter, const QStyleOptionGraphicsItem *, QWidget *)
{
    const QRectF r = m_record.rect;
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setPen(QPen(m_record.penColor.isValid() ? m_record.penColor : defaultPenColor(),
                         m_record.penWidth));
    painter->setBrush(m_record.fill.isValid() ? m_record.fill : QColor(Qt::transparent));
    if (m_record.kind == Kind::Ellipse)
        painter->drawEllipse(r);
    else
        painter->drawRect(r);

    double descriptionTop = r.top() + 6;
    if (!m_record.label.isEmpty()) {
        const QRectF box = labelBox();
        painter->setPen(QPen(QColor(60, 60, 60, 150), 1));
        painter->setBrush(QColor(255, 255, 255, 200));
        painter->drawRoundedRect(box, 6, 6);
        painter->setFont(m_font);
        painter->setPen(Qt::black);
        painter->drawText(box.adjusted(6, 3, -6, -3), Qt::AlignLeft | Qt::AlignVCenter,
                          m_record.label);
        descriptionTop = box.bottom() + 4;
    }
    // The description fills the shape under the label, cut off where the shape ends.
    if (!m_record.descriptionHtml.isEmpty()) {
        const QRectF area(r.left() + 8, descriptionTop, r.width() - 16, r.bottom() - 6 - descriptionTop);
        if (area.width() > 0 && area.height() > 0) {
            QTextDocument text;
            text.setDefaultFont(m_font);
            text.setHtml(m_record.descriptionHtml);
            text.setTextWidth(area.width());
            painter->save();
            painter->translate(area.topLeft());
            painter->setClipRect(QRectF(QPointF(0, 0), area.size()));
            QAbstractTextDocumentLayout::PaintContext context;
            // Text without a colour of its own reads on the canvas of the current theme: the
            // default fill is nearly transparent.
            context.palette.setColor(QPalette::Text,
                                     QApplication::palette().color(QPalette::WindowText));
            text.documentLayout()->draw(painter, context);
            painter->restore();
        }
    }

    if (isSelected()) {
        painter->setBrush(Qt::NoBrush);
        QPen frame(Qt::gray, 1, Qt::DashLine);
        frame.setCosmetic(true);
        painter->setPen(frame);
        painter->drawRect(r);
        if (!m_record.locked) {
            painter->setPen(QPen(Qt::black, 1));
            painter->setBrush(Qt::white);
            for (int handle = 1; handle <= 4; ++handle)
                painter->drawRect(handleRect(handle));
        }
    }
}

QVariant GroupShapeItem::itemChange(GraphicsItemChange change, const QVariant &value)
{
    if (change == ItemPositionHasChanged)
        Q_EMIT shapePositionChanged();
    if (change == ItemSelectedHasChanged)
        prepareGeometryChange();
    return QGraphicsObject::itemChange(change, value);
}

void GroupShapeItem::hoverMoveEvent(QGraphicsSceneHoverEvent *event)
{
    const int handle = handleAt(event->pos());
    if (handle == 1 || handle == 4)
        setCursor(Qt::SizeFDiagCursor);
    else if (handle == 2 || handle == 3)
        setCursor(Qt::SizeBDiagCursor);
    else
        unsetCursor();
    QGraphicsObject::hoverMoveEvent(event);
}

void GroupShapeItem::mousePressEvent(QGraphicsSceneMouseEvent *event)
{
    m_activeHandle = event->button() == Qt::LeftButton ? handleAt(event->pos()) : 0;
    if (m_activeHandle == 0) {
        QGraphicsObject::mousePressEvent(event);
        return;
    }
    event->accept();
}

void GroupShapeItem::mouseMoveEvent(QGraphicsSceneMouseEvent *event)
{
    if (m_activeHandle == 0) {
        QGraphicsObject::mouseMoveEvent(event);
        return;
    }
    QRectF r = m_record.rect;
    const QPointF p = event->pos();
    // The dragged corner follows the pointer; the opposite one stays.
    if (m_activeHandle == 1 || m_activeHandle == 3)
        r.setLeft(std::min(p.x(), r.right() - MinimumSide));
    else
        r.setRight(std::max(p.x(), r.left() + MinimumSide));
    if (m_activeHandle == 1 || m_activeHandle == 2)
        r.setTop(std::min(p.y(), r.bottom() - MinimumSide));
    else
        r.setBottom(std::max(p.y(), r.top() + MinimumSide));
    setRect(r);
    event->accept();
}

void GroupShapeItem::mouseReleaseEvent(QGraphicsSceneMouseEvent *event)
{
    if (std::exchange(m_activeHandle, 0) == 0) {
        QGraphicsObject::mouseReleaseEvent(event);
        return;
    }
    event->accept();
    Q_EMIT edited(shown(), QStringLiteral("Redimensionner la forme"));
}

void GroupShapeItem::mouseDoubleClickEvent(QGraphicsSceneMouseEvent *event)
{
    event->accept();
    Q_EMIT editRequested(this);
}

void GroupShapeItem::fillContextMenu(QMenu *menu)
{
    QPointer<GroupShapeItem> self(this);
    QAction *lock = menu->addAction(QStringLiteral("Ancrer (verrouiller)"));
    lock->setCheckable(true);
    lock->setChecked(m_record.locked);
    connect(lock, &QAction::triggered, menu, [self]() {
        if (!self)
            return;
        ShapeRecord record = self->shown();
        record.locked = !record.locked;
        Q_EMIT self->edited(record, record.locked ? QStringLiteral("Verrouiller la forme")
                                                  : QStringLiteral("Déverrouiller la forme"));
    });
    connect(menu->addAction(QStringLiteral("Supprimer")), &QAction::triggered, menu, [self]() {
        if (self)
            Q_EMIT self->requestDelete();
    });
}

void GroupShapeItem::contextMenuEvent(QGraphicsSceneContextMenuEvent *event)
{
    QMenu menu;
    fillContextMenu(&menu);
    menu.exec(event->screenPos());
    event->accept();
}
