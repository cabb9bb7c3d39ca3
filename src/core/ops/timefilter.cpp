#include "ops/timefilter.h"

#include <algorithm>
#include <limits>

void TimeFilterState::setRange(const QDateTime &start, const QDateTime &end)
{
    rangeStart = start;
    rangeEnd = end;
    if (start.isValid() && end.isValid()) {
        if (mode == None)
            mode = Range;
    } else {
        mode = None;
    }
}

void TimeFilterState::setInstant(const QDateTime &value)
{
    instant = value;
    if (value.isValid())
        mode = Instant;
}

namespace TimeFilter {

bool validityShown(const TimeFilterState &state, const Validity &validity)
{
    const QDateTime &start = validity.start;
    const QDateTime &end = validity.end;
    if (state.mode == TimeFilterState::Range && state.rangeStart.isValid()
        && state.rangeEnd.isValid()) {
        if (!start.isValid() && !end.isValid())
            return true;
        return (!end.isValid() || end >= state.rangeStart)
            && (!start.isValid() || state.rangeEnd >= start);
    }
    if (state.mode == TimeFilterState::Instant && state.instant.isValid()) {
        if (start.isValid() && state.instant < start)
            return false;
        if (end.isValid() && state.instant > end)
            return false;
    }
    return true;
}

bool nodeShown(const TimeFilterState &state, const Node &node)
{
    if (!node.visible || state.hiddenNodeTypes.contains(node.type))
        return false;
    return validityShown(state, node.validity);
}

bool relationShown(const TimeFilterState &state, const Edge &edge, bool sourceShown,
                   bool targetShown)
{
    if (!sourceShown || !targetShown)
        return false;
    if (!edge.visible || state.hiddenRelationTypes.contains(edge.type))
        return false;
    return validityShown(state, edge.validity);
}

Shown shownItems(const TimeFilterState &state, const Graph::NodeTable &nodes,
                 const Graph::EdgeTable &edges)
{
    Shown shown;
    for (const Node &node : nodes) {
        if (nodeShown(state, node))
            shown.nodes.insert(node.id);
    }
    for (const Edge &edge : edges) {
        if (relationShown(state, edge, shown.nodes.contains(edge.src),
                          shown.nodes.contains(edge.dst)))
            shown.relations.insert(edge.id);
    }
    return shown;
}

} // namespace TimeFilter

namespace TimelineMath {

int sliderMaximum(const QDateTime &start, const QDateTime &end)
{
    const qint64 seconds = std::max<qint64>(0, start.secsTo(end));
    return int(std::min<qint64>(seconds / 60, std::numeric_limits<int>::max()));
}

int pageStep(int maximum)
{
    return maximum > 39 ? maximum / 20 : 1;
}

QDateTime instantForValue(const QDateTime &start, int value)
{
    return start.addSecs(60 * qint64(value));
}

int valueForInstant(const QDateTime &start, int maximum, const QDateTime &instant)
{
    const qint64 minutes = start.secsTo(instant) / 60;
    return int(std::clamp<qint64>(minutes, 0, maximum));
}

Range startEdited(const QDateTime &start, const QDateTime &end)
{
    return {start, start > end ? start : end};
}

Range endEdited(const QDateTime &start, const QDateTime &end)
{
    return {end < start ? end : start, end};
}

int playStartValue(int value, int maximum)
{
    return value >= maximum ? 0 : value;
}

int nextPlayValue(int value, int maximum)
{
    return value + 1 <= maximum ? value + 1 : -1;
}

const QList<Speed> &speeds()
{
    static const QList<Speed> table = {{"0.25×", 1000}, {"0.5×", 500}, {"1×", 250},
                                       {"2×", 125},     {"4×", 62},    {"10×", 25},
                                       {"25×", 10},     {"100×", 3}};
    return table;
}

TickUnit tickUnit(const QDateTime &start, const QDateTime &end)
{
    const double days = double(start.secsTo(end)) / 86400.0;
    if (days > 720)
        return TickUnit::Year;
    if (days > 180)
        return TickUnit::Month;
    if (days > 28)
        return TickUnit::Week;
    return TickUnit::Day;
}

namespace {

// Midnight of a day, in the same time zone as the reference date.
QDateTime midnight(const QDateTime &reference, QDate day)
{
    QDateTime result = reference;
    result.setDate(day);
    result.setTime(QTime(0, 0));
    return result;
}

} // namespace

QList<QDateTime> tickDates(const QDateTime &start, const QDateTime &end)
{
    QList<QDateTime> ticks;
    if (!start.isValid() || !end.isValid() || end < start)
        return ticks;
    const TickUnit unit = tickUnit(start, end);
    const QDate first = start.date();
    QDate day;
    switch (unit) {
    case TickUnit::Day:
        day = first;
        break;
    case TickUnit::Week:
        day = first.addDays(-(first.dayOfWeek() % 7)); // Qt numbers Sunday 7
        break;
    case TickUnit::Month:
        day = QDate(first.year(), first.month(), 1);
        if (midnight(start, day) < start)
            day = day.addMonths(1);
        break;
    case TickUnit::Year:
        day = QDate(first.year(), 1, 1);
        if (midnight(start, day) < start)
            day = day.addYears(1);
        break;
    }
    for (QDateTime tick = midnight(start, day); tick <= end; tick = midnight(start, day)) {
        ticks.append(tick);
        switch (unit) {
        case TickUnit::Day: day = day.addDays(1); break;
        case TickUnit::Week: day = day.addDays(7); break;
        case TickUnit::Month: day = day.addMonths(1); break;
        case TickUnit::Year: day = day.addYears(1); break;
        }
    }
    return ticks;
}

QString tickLabel(TickUnit unit, const QDateTime &date)
{
    switch (unit) {
    case TickUnit::Year: return QString::number(date.date().year());
    case TickUnit::Month: return date.toString(QStringLiteral("MM-yyyy"));
    case TickUnit::Week:
    case TickUnit::Day: break;
    }
    return date.toString(QStringLiteral("dd-MM"));
}

double xOfDate(const QDateTime &bandStart, double originX, double pixelsPerDay,
               const QDateTime &date)
{
    if (!bandStart.isValid())
        return originX;
    return originX + double(bandStart.secsTo(date)) / 86400.0 * pixelsPerDay;
}

bool linkDrawn(const QPointF &axisPoint, const QPointF &nodePos)
{
    return (axisPoint - nodePos).manhattanLength() < maxLinkLength;
}

std::optional<Range> startSpan(const Graph::NodeTable &nodes)
{
    std::optional<Range> span;
    for (const Node &node : nodes) {
        const QDateTime &start = node.validity.start;
        if (!start.isValid())
            continue;
        if (!span) {
            span = Range{start, start};
            continue;
        }
        span->start = std::min(span->start, start);
        span->end = std::max(span->end, start);
    }
    return span;
}

std::optional<Range> validitySpan(const Graph &graph)
{
    std::optional<Range> span;
    const auto include = [&span](const QDateTime &date) {
        if (!date.isValid())
            return;
        if (!span)
            span = Range{date, date};
        span->start = std::min(span->start, date);
        span->end = std::max(span->end, date);
    };
    for (const Node &node : graph.nodes()) {
        include(node.validity.start);
        include(node.validity.end);
    }
    for (const Edge &edge : graph.edges()) {
        include(edge.validity.start);
        include(edge.validity.end);
    }
    return span;
}

} // namespace TimelineMath

double TimelineBand::xOfDate(const QDateTime &date) const
{
    return TimelineMath::xOfDate(start, originX, pixelsPerDay, date);
}

QColor TimelineBand::effectiveAxisColor() const
{
    return axisColor.isValid() ? axisColor : QColor(0x6a, 0xa9, 0xff);
}

QColor TimelineBand::effectiveLinkColor() const
{
    return linkColor.isValid() ? linkColor : effectiveAxisColor();
}

double TimelineBand::height() const
{
    return std::clamp(axisThickness * 10.0, 22.0, 36.0);
}

QRectF TimelineBand::rect() const
{
    const double left = xOfDate(start);
    return QRectF(left, y - height() / 2.0, xOfDate(end) - left, height());
}

QRectF TimelineBand::grabArea() const
{
    return rect().adjusted(-10, -12, 10, 12);
}

QRectF TimelineBand::extent() const
{
    const double labels = 6.0 * std::max(dayFontSize, 6);
    return grabArea().adjusted(0, -labels, labels, 0);
}

bool TimelineBand::press(const QPointF &scenePos)
{
    if (!drawable() || !grabArea().contains(scenePos))
        return false;
    dragging = true;
    grabOffset = scenePos - QPointF(xOfDate(start), y);
    return true;
}

void TimelineBand::dragTo(const QPointF &scenePos)
{
    if (!dragging)
        return;
    y = scenePos.y() - grabOffset.y();
    originX = scenePos.x() - grabOffset.x();
}

void TimelineBand::place(const QDateTime &from, const QDateTime &to, double scale, double axisY)
{
    start = from;
    end = to;
    pixelsPerDay = scale;
    y = axisY;
    originX = 0.0;
    shown = true;
}

TimelineSettings TimelineBand::settings() const
{
    return {pixelsPerDay, linkWidth, linkDashed() ? 2 : 1, linkColor,
            axisColor,    axisThickness, dayFontSize};
}

void TimelineBand::apply(const TimelineSettings &values, const QDateTime &from,
                         const QDateTime &to)
{
    place(from, to, values.pixelsPerDay, -80.0);
    axisThickness = values.axisThickness;
    axisColor = values.axisColor;
    dayFontSize = std::max(values.dayFontSize, 6);
    linkWidth = std::max(values.linkWidth, 0.5);
    linkColor = values.linkColor;
    linkPenStyle = values.linkStyle == 1 ? 1 : 2;
}
