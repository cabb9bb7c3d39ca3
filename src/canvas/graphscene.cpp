#include "canvas/graphscene.h"

#include <QGraphicsSceneContextMenuEvent>
#include <QGraphicsSceneMouseEvent>
#include <QPainter>

#include <cmath>

GraphScene::GraphScene(QObject *parent) : QGraphicsScene(parent)
{
    setItemIndexMethod(QGraphicsScene::NoIndex);
}

void GraphScene::rebuild()
{
    update();
}

void GraphScene::setGrid(bool shown, int step, double width, const QColor &color)
{
    m_gridShown = shown;
    m_gridStep = step;
    m_gridWidth = width;
    m_gridColor = color;
    update();
}

void GraphScene::setCentre(bool shown, double width, const QColor &color)
{
    m_centreShown = shown;
    m_centreWidth = width;
    m_centreColor = color;
    update();
}

void GraphScene::mousePressEvent(QGraphicsSceneMouseEvent *event)
{
    QGraphicsScene::mousePressEvent(event);
    Q_EMIT selectionChangedWithItems();
}

void GraphScene::contextMenuEvent(QGraphicsSceneContextMenuEvent *event)
{
    if (!itemAt(event->scenePos(), QTransform())) {
        Q_EMIT backgroundContextMenuRequested(event->screenPos());
        event->accept();
        return;
    }
    QGraphicsScene::contextMenuEvent(event);
}

void GraphScene::drawBackground(QPainter *painter, const QRectF &rect)
{
    QGraphicsScene::drawBackground(painter, rect);
    if (m_gridShown && m_gridStep >= 2) {
        QPen pen(m_gridColor.isValid() ? m_gridColor : QColor(0, 0, 0, 40), m_gridWidth);
        pen.setCosmetic(true);
        painter->setPen(pen);
        const double step = m_gridStep;
        for (double x = std::floor(rect.left() / step) * step; x <= std::ceil(rect.right() / step) * step; x += step)
            painter->drawLine(QPointF(x, rect.top()), QPointF(x, rect.bottom()));
        for (double y = std::floor(rect.top() / step) * step; y <= std::ceil(rect.bottom() / step) * step; y += step)
            painter->drawLine(QPointF(rect.left(), y), QPointF(rect.right(), y));
    }
    if (m_centreShown) {
        QPen pen(m_centreColor, m_centreWidth);
        pen.setCosmetic(true);
        painter->setPen(pen);
        painter->drawLine(QPointF(0, rect.top()), QPointF(0, rect.bottom()));
        painter->drawLine(QPointF(rect.left(), 0), QPointF(rect.right(), 0));
    }
}
