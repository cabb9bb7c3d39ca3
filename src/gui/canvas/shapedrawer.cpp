#include "canvas/shapedrawer.h"

#include <QGraphicsEllipseItem>
#include <QGraphicsRectItem>
#include <QGraphicsView>
#include <QMouseEvent>
#include <QPen>

#include <memory>

ShapeDrawer::ShapeDrawer(QGraphicsView *view) : QObject(view), m_view(view)
{
    view->viewport()->installEventFilter(this);
}

void ShapeDrawer::start(ShapeRecord::Kind kind)
{
    m_kind = kind;
    m_active = true;
    m_view->viewport()->setCursor(Qt::CrossCursor);
}

bool ShapeDrawer::eventFilter(QObject *watched, QEvent *event)
{
    if (!m_active || watched != m_view->viewport() || !m_view->scene())
        return false;
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() != Qt::LeftButton)
            return false;
        m_start = m_view->mapToScene(mouse->position().toPoint());
        if (m_kind == ShapeRecord::Kind::Ellipse)
            m_outline = new QGraphicsEllipseItem(QRectF(m_start, m_start));
        else
            m_outline = new QGraphicsRectItem(QRectF(m_start, m_start));
        QPen pen(QColor(47, 79, 79), 1, Qt::DashLine);
        pen.setCosmetic(true);
        m_outline->setPen(pen);
        m_outline->setZValue(1000000);
        m_view->scene()->addItem(m_outline);
        return true;
    }
    case QEvent::MouseMove: {
        if (!m_outline)
            return false;
        const QRectF rect = QRectF(m_start, m_view->mapToScene(
                                                static_cast<QMouseEvent *>(event)->position().toPoint()))
                                .normalized();
        if (auto *ellipse = dynamic_cast<QGraphicsEllipseItem *>(m_outline))
            ellipse->setRect(rect);
        else
            static_cast<QGraphicsRectItem *>(m_outline)->setRect(rect);
        return true;
    }
    case QEvent::MouseButtonRelease: {
        auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() != Qt::LeftButton || !m_outline)
            return false;
        finish(m_view->mapToScene(mouse->position().toPoint()));
        return true;
    }
    case QEvent::MouseButtonDblClick:
        return true;
    default:
        return false;
    }
}

void ShapeDrawer::finish(const QPointF &scenePos)
{
    const std::unique_ptr<QAbstractGraphicsShapeItem> outline(std::exchange(m_outline, nullptr));
    if (outline->scene())
        outline->scene()->removeItem(outline.get());
    m_active = false;
    m_view->viewport()->unsetCursor();
    const QRectF rect = QRectF(m_start, scenePos).normalized();
    if (rect.width() >= MinimumSide && rect.height() >= MinimumSide)
        Q_EMIT shapeDrawn(m_kind, rect);
}
