#pragma once

#include "analysis/categorycounts.h"

#include <QColor>
#include <QSet>
#include <QString>
#include <QStringList>

class Graph;

// What the counting chart dialogs count, and the rules their charts follow.
namespace ChartCounts {

enum class Subject { NodeTypes, EdgeTypes, NodeAttributeKeys, EdgeAttributeKeys, MediaTags };

// Which records a count reads.
struct Options
{
    bool limitToSelection = false;
    QSet<QString> selectedIds; // node ids, or relation ids for the relation subjects
    bool includeHypotheses = true;
    // Records hidden on the canvas are still part of the investigation: counted by default.
    bool includeHidden = true;
    // Categories to keep; empty keeps every category.
    QStringList checked;
};

using Counts = CategoryCounts::Pairs;

// The tags of a media record's tags text: each match of "#([^\s#]+)", without the sign.
QStringList mediaTags(const QString &tags);

// The categories of the whole investigation, sorted, for the category chooser.
QStringList categories(const Graph &graph, Subject subject);
// Counts by category, most frequent first (ties by text).
Counts count(const Graph &graph, Subject subject, const Options &options);

// A value axis for counts whose largest value is `largest`: up to 10 it runs from 0 to the
// largest (at least 1) with a tick per unit; above, the step is ceil(M / 10) and the axis
// ends on the first multiple of the step at or above M.
struct ValueAxis
{
    int max = 1;
    int tickCount = 2;
};
ValueAxis valueAxis(int largest);

// Slice i of n takes hue i / n of the full circle, saturation 0.7, lightness 0.5.
double sliceHue(int index, int count);
QColor sliceColor(int index, int count);

} // namespace ChartCounts
