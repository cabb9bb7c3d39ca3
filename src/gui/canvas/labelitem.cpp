#include "canvas/labelitem.h"

#include <QApplication>
#include <QBrush>
#include <QFontMetricsF>
#include <QPainter>
#include <QStyleOptionGraphicsItem>
#include <QTextLayout>

LabelItem::LabelItem(QGraphicsItem *parent) : QGraphicsSimpleTextItem(parent)
{
    setPen(Qt::NoPen);
}

QString LabelItem::fitted(const QString &text, const QFont &font, double maxWidth)
{
    const QFontMetricsF metrics(font);
    if (metrics.horizontalAdvance(text) <= maxWidth && !text.contains(QLatin1Char('\n')))
        return text;
    const QString flat = text.simplified();
    QTextLayout layout(flat, font);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    layout.beginLayout();
    QTextLine first = layout.createLine();
    if (first.isValid())
        first.setLineWidth(maxWidth);
    layout.endLayout();
    const int cut = first.isValid() ? first.textLength() : int(flat.size());
    const QString rest = flat.mid(cut).trimmed();
    const QString head = flat.left(cut).trimmed();
    if (rest.isEmpty())
        return head;
    return head + QLatin1Char('\n') + metrics.elidedText(rest, Qt::ElideRight, maxWidth);
}

void LabelItem::setDefaultTextColor(const QColor &color)
{
    if (brush().color() != color)
        setBrush(color);
}

QColor LabelItem::defaultTextColor() const
{
    return brush().color();
}

void LabelItem::setPointSize(double pointSize)
{
    QFont f = font();
    f.setPointSizeF(pointSize);
    setFont(f);
}

void LabelItem::paint(QPainter *painter, const QStyleOptionGraphicsItem *option, QWidget *widget)
{
    const double lod = QStyleOptionGraphicsItem::levelOfDetailFromTransform(painter->worldTransform());
    if (lod * font().pointSizeF() < minimumReadableHeight)
        return;
    // A veil of the canvas colour keeps the text readable where relations pass under it.
    QColor veil = QApplication::palette().color(QPalette::Base);
    veil.setAlpha(veilAlpha);
    painter->fillRect(boundingRect(), veil);
    if (!text().contains(QLatin1Char('\n'))) {
        QGraphicsSimpleTextItem::paint(painter, option, widget);
        return;
    }
    // The base class aligns lines to the left; a label's lines are centred under its node.
    painter->setFont(font());
    painter->setPen(QPen(brush(), 0));
    painter->drawText(boundingRect(), Qt::AlignHCenter | Qt::AlignTop, text());
}
