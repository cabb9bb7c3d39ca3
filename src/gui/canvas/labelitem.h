#pragma once

#include <QGraphicsSimpleTextItem>

// The text drawn under a node or beside a relation. A plain text item is far lighter than a
// document-based one, which matters with tens of thousands of labels; it is not painted when
// the zoom makes it too small to read, and lines under it are veiled.
class LabelItem : public QGraphicsSimpleTextItem
{
public:
    explicit LabelItem(QGraphicsItem *parent = nullptr);

    // Text smaller than this many device pixels is not painted.
    static constexpr double minimumReadableHeight = 4.0;
    // Opacity of the canvas-coloured box drawn behind the text.
    static constexpr int veilAlpha = 170;

    // Widest line of a node's label, in scene units at the label's font.
    static constexpr double maximumLineWidth = 260.0;

    // The text as drawn: itself when it fits on one line of maxWidth, else wrapped on two
    // lines, the second elided.
    static QString fitted(const QString &text, const QFont &font, double maxWidth);

    void setDefaultTextColor(const QColor &color);
    QColor defaultTextColor() const;
    void setPointSize(double pointSize);

    void paint(QPainter *painter, const QStyleOptionGraphicsItem *option,
               QWidget *widget) override;
};
