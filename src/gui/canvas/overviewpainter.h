#pragma once

#include <QPixmap>
#include <QRectF>
#include <QSet>
#include <QTransform>

class GraphScene;
class NodeItem;
class QGraphicsItem;
class QPainter;
class QWidget;

// Draws a scene for its view when the view is far out. Walking hundreds of thousands of
// items on every repaint costs far more than the picture: the nodes and relations are drawn
// together instead, plain lines and small marks, into a picture kept until the graph changes
// or the view leaves it. Nodes being dragged and their relations are drawn on top of that
// picture, so that a drag repaints only them. The items stay in the scene: clicks and the
// rubber band still find them through the scene's index.
class OverviewPainter
{
public:
    explicit OverviewPainter(const GraphScene *scene) : m_scene(scene) {}

    // The picture no longer shows the graph: drawn anew at the next repaint.
    void invalidate() { ++m_revision; }
    // Draws the scene's items over the exposed area; the painter maps the scene to the view.
    void paint(QPainter *painter, const QRectF &exposed, QWidget *viewport);
    // Whether the picture was drawn anew since the last call, for tests.
    int renders() const { return m_renders; }

private:
    void render(const QTransform &world, const QSizeF &viewSize, double ratio, QWidget *viewport);
    // The relations and nodes within area, leaving out or keeping only the dragged ones.
    void drawGraph(QPainter *painter, const QRectF &area, bool dragged, QWidget *viewport) const;
    void drawDecor(QPainter *painter, const QRectF &area, bool below, QWidget *viewport) const;

    const GraphScene *m_scene;
    QPixmap m_picture;
    // Scene to picture pixels.
    QTransform m_pictureTransform;
    quint64 m_revision = 0;
    quint64 m_pictureRevision = ~quint64(0);
    int m_renders = 0;
};

// Paints an item and its shown children as the scene would, with the given scene-to-device
// transform.
void paintItemTree(QPainter *painter, QGraphicsItem *item, const QTransform &world,
                   QWidget *widget);
