#include "canvas/timelinepainter.h"

#include <QFontMetricsF>
#include <QLineF>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>

namespace TimelinePainter {

namespace {

QColor withAlpha(QColor color, int alpha)
{
    color.setAlpha(alpha);
    return color;
}

// A label rotated by -45 degrees, its box starting just right of the tick.
void drawTickLabel(QPainter *painter, const QPointF &at, const QString &text,
                   const QColor &background)
{
    const QFontMetricsF metrics(painter->font());
    constexpr double padding = 4.0;
    const QRectF box(0, -metrics.height() / 2 - padding / 2, metrics.horizontalAdvance(text)
                     + 2 * padding, metrics.height() + padding);
    painter->save();
    painter->translate(at);
    painter->rotate(-45.0);
    painter->translate(8.0, 0.0);
    painter->setPen(Qt::NoPen);
    painter->setBrush(background);
    painter->drawRoundedRect(box, 6, 6);
    painter->setPen(Qt::white);
    painter->drawText(box, Qt::AlignCenter, text);
    painter->restore();
}

} // namespace

void drawAxis(QPainter *painter, const TimelineBand &band)
{
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setRenderHint(QPainter::TextAntialiasing);
    const QColor axis = band.effectiveAxisColor();
    const QColor line = withAlpha(axis, 200);
    const QColor label = withAlpha(axis, 170);
    const double left = band.xOfDate(band.start);
    const double right = band.xOfDate(band.end);
    const double y = band.y;

    QPen pen(line, std::max(band.axisThickness, 0.5), Qt::SolidLine, Qt::SquareCap);
    pen.setCosmetic(true);
    painter->setPen(pen);
    painter->drawLine(QPointF(left - 0.5, y), QPointF(right, y));

    QPainterPath arrow;
    arrow.moveTo(right, y);
    arrow.lineTo(right - 12, y - 8);
    arrow.lineTo(right - 12, y + 8);
    arrow.closeSubpath();
    painter->fillPath(arrow, line);

    QFont font = painter->font();
    font.setBold(true);
    font.setPointSize(std::max(band.dayFontSize, 6));
    painter->setFont(font);
    const TimelineMath::TickUnit unit = TimelineMath::tickUnit(band.start, band.end);
    for (const QDateTime &tick : TimelineMath::tickDates(band.start, band.end)) {
        const QPointF at(band.xOfDate(tick), y);
        painter->setPen(Qt::NoPen);
        painter->setBrush(line);
        painter->drawEllipse(at, 3.0, 3.0);
        drawTickLabel(painter, at, TimelineMath::tickLabel(unit, tick), label);
    }
    painter->restore();
}

void drawLinks(QPainter *painter, const TimelineBand &band, const Graph::NodeTable &nodes,
               const std::function<double(const QString &id)> &shownRadius)
{
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    const double width = band.effectiveLinkWidth();
    QPen pen(band.effectiveLinkColor(), width,
             band.linkDashed() ? Qt::DashLine : Qt::SolidLine);
    pen.setCosmetic(width <= 1.0);
    QList<QPointF> dots;
    for (const Node &node : nodes) {
        if (!node.validity.start.isValid())
            continue;
        const QPointF axisPoint(band.xOfDate(node.validity.start), band.y);
        dots.append(axisPoint);
        if (!TimelineMath::linkDrawn(axisPoint, node.pos))
            continue;
        const double radius = shownRadius(node.id);
        const QLineF line(node.pos, axisPoint);
        if (radius < 0 || line.length() <= radius)
            continue;
        // Drawn over the items: the line stops where the node begins.
        painter->setPen(pen);
        painter->drawLine(line.pointAt(radius / line.length()), axisPoint);
    }
    painter->setPen(Qt::NoPen);
    painter->setBrush(band.effectiveAxisColor());
    for (const QPointF &dot : std::as_const(dots))
        painter->drawEllipse(dot, 2.5, 2.5);
    painter->restore();
}

} // namespace TimelinePainter
