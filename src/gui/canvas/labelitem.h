#pragma once

#include <QColor>
#include <QFont>
#include <QGraphicsItem>
#include <QString>

class QPainter;

// The text of a label: measured from a table of character advances per font, shaped only when
// drawn, which it is not when the zoom makes it too small to read. Lines under it are veiled.
// A graph of 100k nodes has some 300k labels, most of them never read at the zoom of the
// moment.
class LabelText
{
public:
    explicit LabelText(const QFont &font = standardFont());

    // The application's font at 10 points, one object shared by every label that keeps it: a
    // font of each label's own would cost an allocation per label.
    static QFont standardFont();

    // Text smaller than this many device pixels is not painted.
    static constexpr double minimumReadableHeight = 4.0;
    // Opacity of the canvas-coloured box drawn behind the text.
    static constexpr int veilAlpha = 170;

    // Width of one line of text in the font, never less than the shaped text's: the sum of
    // the characters' advances for common Latin text, the shaped width for anything else.
    static double lineWidth(const QString &line, const QFont &font);

    void setText(const QString &text);
    void setColor(const QColor &color) { m_color = color; }
    const QString &text() const { return m_text; }
    const QFont &font() const { return m_font; }
    QColor color() const { return m_color; }
    QSizeF size() const { return m_size; }

    // Draws the veil and the text in the box at topLeft, unless too small to read.
    void paint(QPainter *painter, const QPointF &topLeft) const;

private:
    void measure();

    QString m_text;
    QFont m_font;
    QColor m_color = Qt::black;
    QSizeF m_size;
};

// The text drawn under a node, as an item of its own.
class LabelItem : public QGraphicsItem
{
public:
    explicit LabelItem(QGraphicsItem *parent = nullptr) : QGraphicsItem(parent) {}

    // Widest line of a node's label, in scene units at the label's font.
    static constexpr double maximumLineWidth = 260.0;

    // The text as drawn: itself when it fits on one line of maxWidth, else wrapped on two
    // lines, the second elided.
    static QString fitted(const QString &text, const QFont &font, double maxWidth);

    void setText(const QString &text);
    const QString &text() const { return m_label.text(); }
    const QFont &font() const { return m_label.font(); }
    void setDefaultTextColor(const QColor &color);
    QColor defaultTextColor() const { return m_label.color(); }
    // Width of the widest line, in scene units.
    double textWidth() const { return m_label.size().width(); }

    QRectF boundingRect() const override;
    void paint(QPainter *painter, const QStyleOptionGraphicsItem *option,
               QWidget *widget) override;

private:
    LabelText m_label;
};
