#include "canvas/labelitem.h"

#include <QApplication>
#include <QBrush>
#include <QPainter>
#include <QStyleOptionGraphicsItem>

LabelItem::LabelItem(QGraphicsItem *parent) : QGraphicsSimpleTextItem(parent)
{
    setPen(Qt::NoPen);
}

void LabelItem::setDefaultTextColor(const QColor &color)
{
    if (brush().color() != color)
        setBrush(color);
}

QColor LabelItem::defaultTextColor() const
{
    return brush().color();
}

void LabelItem::setPointSize(double pointSize)
{
    QFont f = font();
    f.setPointSizeF(pointSize);
    setFont(f);
}

void LabelItem::paint(QPainter *painter, const QStyleOptionGraphicsItem *option, QWidget *widget)
{
    const double lod = QStyleOptionGraphicsItem::levelOfDetailFromTransform(painter->worldTransform());
    if (lod * font().pointSizeF() < minimumReadableHeight)
        return;
    // A veil of the canvas colour keeps the text readable where relations pass under it.
    QColor veil = QApplication::palette().color(QPalette::Base);
    veil.setAlpha(veilAlpha);
    painter->fillRect(boundingRect(), veil);
    QGraphicsSimpleTextItem::paint(painter, option, widget);
}
