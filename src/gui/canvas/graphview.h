#pragma once

#include <QGraphicsView>

// The view of a tab: wheel zoom around the pointer (scale kept between 0.05 and 50),
// middle-button panning, rubber-band selection and dropped files. Far out it has the scene
// draw its graph as a whole rather than item by item.
class GraphView : public QGraphicsView
{
    Q_OBJECT

public:
    explicit GraphView(QGraphicsScene *scene, QWidget *parent = nullptr);

    static constexpr double minimumScale = 0.05;
    static constexpr double maximumScale = 50.0;

    // Scales by 1.15^steps, clamped so that the scale stays within the bounds.
    void zoomBySteps(double steps);
    // Shows the rectangle whole, keeping the aspect ratio.
    void fitRect(const QRectF &rect);

Q_SIGNALS:
    void fileDropped(const QString &path);

protected:
    void paintEvent(QPaintEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    void scaleChanged();

    bool m_panning = false;
    QPoint m_lastPanPos;
};
