#pragma once

#include "model/graph.h"

// A reproducible investigation of the given size for benchmarks: nodes of a few types with
// labels, descriptions, dates and attribute rows, and relations between random nodes.
Graph makeSyntheticGraph(int nodeCount, int edgeCount, int attributeCount, quint32 seed = 7);

// Nodes in `clusters` groups of `clusterSize`, scattered at random over a square: each node is
// linked to the next of its group and to a random member of it, and each group to the next by
// one relation. Ids are "n" and the node's number on six digits.
Graph makeClusteredGraph(int clusters, int clusterSize, quint32 seed = 7);

// Mean relation length over the mean distance between random pairs of nodes: how much closer
// than strangers linked nodes sit. 0 for a graph without relations or without two nodes.
double relationSpreadRatio(const Graph &graph, quint32 seed = 11);
