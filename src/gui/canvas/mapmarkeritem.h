#pragma once

#include <QGraphicsItem>
#include <QPixmap>

// A pin marking a place on a map preview; the same size on screen at every zoom.
class MapMarkerItem : public QGraphicsItem
{
public:
    enum { Type = UserType + 22 };

    explicit MapMarkerItem(const QPixmap &pixmap = QPixmap(), QGraphicsItem *parent = nullptr);

    int type() const override { return Type; }
    QRectF boundingRect() const override;
    QPainterPath shape() const override;
    void paint(QPainter *painter, const QStyleOptionGraphicsItem *option,
               QWidget *widget) override;

    void setPixmap(const QPixmap &pixmap);

    static constexpr double Radius = 14.0;

private:
    // The pin outline: a disc whose point touches the item's origin, the marked place.
    static QPainterPath pinPath();

    QPixmap m_pixmap;
};
