#pragma once

#include <QColor>
#include <QGraphicsScene>

class Graph;

// The scene of one tab. It draws what the tab's tables hold and reports background
// right-clicks and selection activity; the main window decides what they lead to.
class GraphScene : public QGraphicsScene
{
    Q_OBJECT

public:
    explicit GraphScene(QObject *parent = nullptr);

    // The tables this scene shows; owned by the tab.
    void setGraph(Graph *graph) { m_graph = graph; }
    Graph *graph() const { return m_graph; }

    // Re-synchronises the items with the tables.
    void rebuild();

    bool interactionActive() const { return m_interactionActive; }
    void setInteractionActive(bool active) { m_interactionActive = active; }

    void setGrid(bool shown, int step, double width, const QColor &color);
    bool gridShown() const { return m_gridShown; }
    int gridStep() const { return m_gridStep; }
    double gridWidth() const { return m_gridWidth; }
    QColor gridColor() const { return m_gridColor; }
    void setCentre(bool shown, double width, const QColor &color);
    bool centreShown() const { return m_centreShown; }

Q_SIGNALS:
    void selectionChangedWithItems();
    void backgroundContextMenuRequested(const QPoint &screenPos);
    void timelineCustomizationRequested();

protected:
    void mousePressEvent(QGraphicsSceneMouseEvent *event) override;
    void contextMenuEvent(QGraphicsSceneContextMenuEvent *event) override;
    void drawBackground(QPainter *painter, const QRectF &rect) override;

private:
    Graph *m_graph = nullptr;
    bool m_interactionActive = false;
    bool m_gridShown = false;
    int m_gridStep = 30;
    QColor m_gridColor = QColor(QStringLiteral("#246d6d"));
    double m_gridWidth = 1.0;
    bool m_centreShown = false;
    double m_centreWidth = 1.0;
    QColor m_centreColor = QColor(QStringLiteral("#246d6d"));
};
