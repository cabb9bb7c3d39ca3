#pragma once

#include <QColor>
#include <QFont>
#include <QGraphicsItem>
#include <QString>

// The text drawn under a node or beside a relation. A graph of 100k nodes has some 300k
// labels, most of them never read at the zoom of the moment: the item measures its text from
// a table of character advances and shapes it only when it is painted, which it is not when
// the zoom makes it too small to read. Lines under it are veiled.
class LabelItem : public QGraphicsItem
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
    // Width of one line of text in the font, never less than the shaped text's: the sum of
    // the characters' advances for common Latin text, the shaped width for anything else.
    static double lineWidth(const QString &line, const QFont &font);

    void setText(const QString &text);
    const QString &text() const { return m_text; }
    void setFont(const QFont &font);
    const QFont &font() const { return m_font; }
    void setPointSize(double pointSize);
    void setDefaultTextColor(const QColor &color);
    QColor defaultTextColor() const { return m_color; }
    // Width of the widest line, in scene units.
    double textWidth() const { return m_size.width(); }

    QRectF boundingRect() const override;
    void paint(QPainter *painter, const QStyleOptionGraphicsItem *option,
               QWidget *widget) override;

private:
    void measure();

    QString m_text;
    QFont m_font;
    QColor m_color = Qt::black;
    QSizeF m_size;
};
