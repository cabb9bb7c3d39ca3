#include "canvas/mapmarkeritem.h"

#include <QPainter>
#include <QPainterPath>

MapMarkerItem::MapMarkerItem(const QString &label, const QPixmap &pixmap, QGraphicsItem *parent)
    : QGraphicsItem(parent), m_label(label), m_pixmap(pixmap)
{
    setFlag(ItemIgnoresTransformations);
    setZValue(1000000);
    setToolTip(label);
}

QRectF MapMarkerItem::boundingRect() const
{
    // The head sits above the tip; the label runs to its right.
    return QRectF(-radius - 1, -3 * radius - 1, 2 * radius + 2 + 160, 3 * radius + 2);
}

void MapMarkerItem::paint(QPainter *painter, const QStyleOptionGraphicsItem *, QWidget *)
{
    painter->setRenderHint(QPainter::Antialiasing);
    const QPointF head(0, -2 * radius);
    QPainterPath pin;
    pin.addEllipse(head, radius, radius);
    QPainterPath tip;
    tip.moveTo(-radius * 0.7, head.y() + radius * 0.7);
    tip.lineTo(0, 0);
    tip.lineTo(radius * 0.7, head.y() + radius * 0.7);
    tip.closeSubpath();
    pin = pin.united(tip);
    painter->setPen(QPen(QColor(120, 60, 0), 1));
    painter->setBrush(QColor(255, 140, 0));
    painter->drawPath(pin);
    const double inner = radius * 0.6;
    painter->setPen(Qt::NoPen);
    painter->setBrush(Qt::white);
    painter->drawEllipse(head, inner, inner);
    if (!m_pixmap.isNull()) {
        const QRectF box(head.x() - inner * 0.75, head.y() - inner * 0.75, inner * 1.5, inner * 1.5);
        painter->drawPixmap(box, m_pixmap, m_pixmap.rect());
    }
    if (!m_label.isEmpty()) {
        painter->setPen(Qt::black);
        painter->drawText(QPointF(radius + 4, head.y() + 4), m_label);
    }
}
