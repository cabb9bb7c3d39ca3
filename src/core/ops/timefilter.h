#pragma once

#include "model/graph.h"

#include <QColor>
#include <QDateTime>
#include <QList>
#include <QPointF>
#include <QRectF>
#include <QSet>
#include <QString>

#include <optional>

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

// Earliest and latest validity start of the nodes; nothing when no node has one.
std::optional<Range> startSpan(const Graph::NodeTable &nodes);
// Earliest and latest validity bound of the nodes and relations; nothing when none is dated.
std::optional<Range> validitySpan(const Graph &graph);

} // namespace TimelineMath

// What the timeline edit dialog shows and changes.
struct TimelineSettings
{
    double pixelsPerDay = 40.0;
    double linkWidth = 1.0;
    int linkStyle = 2; // 1 solid, 2 dashed
    QColor linkColor;
    QColor axisColor;
    double axisThickness = 3.0;
    int dayFontSize = 15;
};

// The timeline band of a scene: a date axis at scene height y whose start date lies at scene
// x originX, and the links from dated nodes to it. The scene draws it and routes the mouse
// to it; every number the drawing and the dragging need comes from here.
struct TimelineBand
{
    bool shown = false;
    double pixelsPerDay = 40.0;
    double y = 0.0;
    QDateTime start;
    QDateTime end;
    double originX = 0.0;
    bool dragging = false;
    QPointF grabOffset;
    double axisThickness = 3.0;
    int dayFontSize = 15;
    QColor axisColor = QColor(0x55, 0xaa, 0xff);
    QColor linkColor = QColor(0x55, 0xaa, 0xff);
    int linkPenStyle = 2; // 1 solid, 2 dashed; 0 means dashed
    double linkWidth = 1.0;

    // Shown with both dates valid.
    bool drawable() const { return shown && start.isValid() && end.isValid(); }
    double xOfDate(const QDateTime &date) const;

    // The colours and pen the drawing uses, with the fallbacks for unset values.
    QColor effectiveAxisColor() const;
    QColor effectiveLinkColor() const;
    bool linkDashed() const { return linkPenStyle != 1; }
    double effectiveLinkWidth() const { return linkWidth > 0 ? linkWidth : 1.0; }

    // Ten times the axis thickness, within 22..36.
    double height() const;
    // The band from its start to its end date, height() high and centred on the axis.
    QRectF rect() const;
    // The band grown by 10 on the left and right and 12 above and below: where the mouse
    // takes it.
    QRectF grabArea() const;
    // Where the band draws: its grab area and, above and to the right, room for the tick
    // labels that lean out of it.
    QRectF extent() const;

    // A press in the grab area starts dragging and answers true; the band then follows the
    // pointer, keeping the point that was grabbed under it, until it is released.
    bool press(const QPointF &scenePos);
    void dragTo(const QPointF &scenePos);
    void release() { dragging = false; }

    // Shows the band from start to end at the given scale and height, its start at x 0.
    void place(const QDateTime &from, const QDateTime &to, double scale, double axisY);

    TimelineSettings settings() const;
    // Applies the dialog's values: the band spans the dates at y -80, shown; link widths
    // below 0.5 and day font sizes below 6 are raised to those minimums.
    void apply(const TimelineSettings &values, const QDateTime &from, const QDateTime &to);
};
