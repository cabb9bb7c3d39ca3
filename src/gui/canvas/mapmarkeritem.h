#pragma once

#include <QGraphicsItem>
#include <QPixmap>

// A pin on the map preview: keeps its size on screen whatever the zoom, its tip on the
// position it marks.
class MapMarkerItem : public QGraphicsItem
{
public:
    enum { Type = UserType + 1010 };
    static constexpr double radius = 14;

    explicit MapMarkerItem(const QString &label, const QPixmap &pixmap = QPixmap(),
                           QGraphicsItem *parent = nullptr);

    int type() const override { return Type; }
    QString label() const { return m_label; }
    QRectF boundingRect() const override;
    void paint(QPainter *painter, const QStyleOptionGraphicsItem *option,
               QWidget *widget) override;

private:
    QString m_label;
    QPixmap m_pixmap;
};
