#pragma once

#include "model/graph.h"

#include <QDateTime>
#include <QList>
#include <QPointF>
#include <QSet>
#include <QString>

// What a scene shows over time and by type. The scene holds one and asks the functions
// below which items to show; the timeline widget and band ask TimelineMath for their
// numbers, so that both only draw.
struct TimeFilterState
{
    enum Mode { None = 0, Range = 1, Instant = 2 };

    QDateTime rangeStart;
    QDateTime rangeEnd;
    int mode = None;
    QDateTime instant;
    QSet<QString> hiddenNodeTypes;
    QSet<QString> hiddenRelationTypes;

    // Both bounds valid: the range mode, unless the instant mode is on, which stays. Any
    // bound invalid switches every time filter off.
    void setRange(const QDateTime &start, const QDateTime &end);
    // A valid instant switches the instant mode on; an invalid one changes no mode.
    void setInstant(const QDateTime &value);
};

namespace TimeFilter {

// The time rule alone for one validity period.
bool validityShown(const TimeFilterState &state, const Validity &validity);

bool nodeShown(const TimeFilterState &state, const Node &node);
// A relation is hidden as soon as one of its end nodes is (or has no item).
bool relationShown(const TimeFilterState &state, const Edge &edge, bool sourceShown,
                   bool targetShown);

struct Shown
{
    QSet<QString> nodes;
    QSet<QString> relations;
};

// The ids of the nodes and relations of the tables that the rule shows.
Shown shownItems(const TimeFilterState &state, const Graph::NodeTable &nodes,
                 const Graph::EdgeTable &edges);

} // namespace TimeFilter

namespace TimelineMath {

// Slider of the timeline widget: one step per minute from start to end.
int sliderMaximum(const QDateTime &start, const QDateTime &end);
// A twentieth of the range when it spans more than 39 minutes, else 1.
int pageStep(int maximum);
QDateTime instantForValue(const QDateTime &start, int value);
// Minutes from start to the instant, within [0, maximum].
int valueForInstant(const QDateTime &start, int maximum, const QDateTime &instant);

struct Range
{
    QDateTime start;
    QDateTime end;
};
// A start after the end drags the end along.
Range startEdited(const QDateTime &start, const QDateTime &end);
// An end before the start drags the start along.
Range endEdited(const QDateTime &start, const QDateTime &end);

// The slider value from which playing starts: the minimum when the slider is at its end.
int playStartValue(int value, int maximum);
// The slider value after one timer tick, or -1 when playing has reached the end and stops.
int nextPlayValue(int value, int maximum);

struct Speed
{
    const char *text;
    int intervalMs;
};
// "0.25×" to "100×", slowest first.
const QList<Speed> &speeds();
inline constexpr int defaultSpeedIndex = 2; // "1×"

enum class TickUnit { Day, Week, Month, Year };
// Yearly beyond 720 days, monthly beyond 180, weekly beyond 28, else daily.
TickUnit tickUnit(const QDateTime &start, const QDateTime &end);
// Tick dates from the first tick (the Sunday on or before the start for weeks, the start's
// day for days, the first 1st of a month or 1 January not before the start otherwise) up to
// the end.
QList<QDateTime> tickDates(const QDateTime &start, const QDateTime &end);
QString tickLabel(TickUnit unit, const QDateTime &date);

// Scene x of a date on a band starting at bandStart drawn from originX.
double xOfDate(const QDateTime &bandStart, double originX, double pixelsPerDay,
               const QDateTime &date);
// Links from the axis to nodes further than this (Manhattan) are not drawn.
inline constexpr double maxLinkLength = 5000.0;
bool linkDrawn(const QPointF &axisPoint, const QPointF &nodePos);

} // namespace TimelineMath
