#pragma once

#include "ops/timefilter.h"

#include <functional>

class QPainter;

// Draws the timeline band of a scene: the axis with its ticks in the background, the links
// from dated nodes to their date in the foreground. The numbers come from TimelineBand and
// TimelineMath.
namespace TimelinePainter {

void drawAxis(QPainter *painter, const TimelineBand &band);

// Every node with a validity start gets a dot at its date on the axis; a dashed (or solid)
// line joins the dot to the edge of the node when the node's item is shown and near enough.
// shownRadius answers the radius of a node's item, or a negative number when it has no shown
// item.
void drawLinks(QPainter *painter, const TimelineBand &band, const Graph::NodeTable &nodes,
               const std::function<double(const QString &id)> &shownRadius);

} // namespace TimelinePainter
