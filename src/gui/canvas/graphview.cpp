#include "canvas/graphview.h"

#include "canvas/edgeitem.h"
#include "canvas/graphscene.h"

#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionRubberBand>
#include <QScrollBar>
#include <QUrl>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

namespace {

bool hasLocalFile(const QMimeData *mime)
{
    if (!mime || !mime->hasUrls())
        return false;
    const QList<QUrl> urls = mime->urls();
    return std::any_of(urls.cbegin(), urls.cend(), [](const QUrl &url) { return url.isLocalFile(); });
}

} // namespace

GraphView::GraphView(QGraphicsScene *scene, QWidget *parent) : QGraphicsView(scene, parent)
{
    setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing
                   | QPainter::SmoothPixmapTransform);
    setViewportUpdateMode(QGraphicsView::MinimalViewportUpdate);
    setOptimizationFlags(QGraphicsView::DontSavePainterState
                         | QGraphicsView::DontAdjustForAntialiasing);
    setDragMode(QGraphicsView::RubberBandDrag);
    setTransformationAnchor(QGraphicsView::AnchorUnderMouse);
    setAcceptDrops(true);
}

void GraphView::zoomBySteps(double steps)
{
    const double current = transform().m11();
    const double factor =
        std::clamp(std::pow(1.15, steps), minimumScale / current, maximumScale / current);
    scale(factor, factor);
    scaleChanged();
}

void GraphView::fitRect(const QRectF &rect)
{
    fitInView(rect, Qt::KeepAspectRatio);
    scaleChanged();
}

void GraphView::scaleChanged()
{
    if (auto *graphScene = qobject_cast<GraphScene *>(scene()))
        graphScene->viewScaleChanged();
}

void GraphView::paintEvent(QPaintEvent *event)
{
    auto *graphScene = qobject_cast<GraphScene *>(scene());
    if (!graphScene || transform().m11() >= EdgeItem::farDetail) {
        QGraphicsView::paintEvent(event);
        return;
    }
    QPainter painter(viewport());
    painter.setRenderHints(renderHints());
    painter.setClipRegion(event->region());
    const QTransform world = viewportTransform();
    painter.setWorldTransform(world);
    const QRectF exposed = mapToScene(event->region().boundingRect()).boundingRect();
    drawBackground(&painter, exposed);
    painter.setWorldTransform(world);
    graphScene->paintOverview(&painter, exposed, viewport());
    painter.setWorldTransform(world);
    drawForeground(&painter, exposed);
    const QRect band = rubberBandRect();
    if (band.isEmpty())
        return;
    painter.resetTransform();
    QStyleOptionRubberBand option;
    option.initFrom(viewport());
    option.rect = band;
    option.shape = QRubberBand::Rectangle;
    QStyleHintReturnMask mask;
    if (style()->styleHint(QStyle::SH_RubberBand_Mask, &option, viewport(), &mask))
        painter.setClipRegion(mask.region, Qt::IntersectClip);
    style()->drawControl(QStyle::CE_RubberBand, &option, &painter, viewport());
}

void GraphView::wheelEvent(QWheelEvent *event)
{
    int delta = event->angleDelta().y();
    if (event->angleDelta().isNull())
        delta = event->pixelDelta().y();
    if (delta != 0)
        zoomBySteps(delta / 120.0);
    event->accept();
}

void GraphView::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::MiddleButton) {
        m_panning = true;
        m_lastPanPos = event->position().toPoint();
        // Items that the scrolling brings under the pointer would be sent hover events and
        // repaint for them.
        setInteractive(false);
        setCursor(Qt::ClosedHandCursor);
        event->accept();
        return;
    }
    QGraphicsView::mousePressEvent(event);
}

void GraphView::mouseMoveEvent(QMouseEvent *event)
{
    if (m_panning) {
        const QPoint current = event->position().toPoint();
        const QPoint delta = current - m_lastPanPos;
        m_lastPanPos = current;
        // Translating does not move a view that scrolls: the content follows the pointer by
        // scrolling as many whole pixels, so that only the uncovered strips are repainted.
        QScrollBar *horizontal = horizontalScrollBar();
        const int before = horizontal->value();
        horizontal->setValue(before - delta.x());
        const int dx = before - horizontal->value();
        // The scene repaints everything within the bounding box of what is exposed, the
        // whole view for an L-shaped area: each strip is drawn on its own.
        if (dx != 0 && delta.y() != 0) {
            const QRect area = viewport()->rect();
            const int left = dx > 0 ? area.left() : area.right() + dx + 1;
            viewport()->repaint(QRect(left, area.top(), std::abs(dx), area.height()));
        }
        verticalScrollBar()->setValue(verticalScrollBar()->value() - delta.y());
        event->accept();
        return;
    }
    QGraphicsView::mouseMoveEvent(event);
}

void GraphView::mouseReleaseEvent(QMouseEvent *event)
{
    if (m_panning && event->button() == Qt::MiddleButton) {
        m_panning = false;
        setInteractive(true);
        setCursor(Qt::ArrowCursor);
        event->accept();
        return;
    }
    QGraphicsView::mouseReleaseEvent(event);
}

void GraphView::dragEnterEvent(QDragEnterEvent *event)
{
    if (hasLocalFile(event->mimeData()))
        event->acceptProposedAction();
    else
        event->ignore();
}

void GraphView::dragMoveEvent(QDragMoveEvent *event)
{
    if (hasLocalFile(event->mimeData()))
        event->acceptProposedAction();
    else
        event->ignore();
}

void GraphView::dropEvent(QDropEvent *event)
{
    const QMimeData *mime = event->mimeData();
    if (!mime || !mime->hasUrls())
        return;
    for (const QUrl &url : mime->urls()) {
        if (!url.isLocalFile())
            continue;
        const QString path = url.toLocalFile();
        if (!path.isEmpty()) {
            Q_EMIT fileDropped(path);
            event->acceptProposedAction();
        }
        return;
    }
}

