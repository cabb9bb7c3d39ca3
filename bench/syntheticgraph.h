#pragma once

#include "model/graph.h"

// A reproducible investigation of the given size for benchmarks: nodes of a few types with
// labels, descriptions, dates and attribute rows, and relations between random nodes.
Graph makeSyntheticGraph(int nodeCount, int edgeCount, int attributeCount, quint32 seed = 7);
