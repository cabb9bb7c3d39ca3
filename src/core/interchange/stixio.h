#pragma once

#include <QString>

class Graph;

// STIX 2.1 bundles: domain and cyber-observable objects become nodes, relationship objects
// become relations, and properties without a field of their own travel as "stix:<name>"
// attribute rows.
//
// An exported bundle is valid STIX 2.1 whatever the investigation holds: nodes get the
// standard type that fits the analyst's word, or a custom "x-orvane-" type, and identifiers
// the standard accepts. What STIX cannot carry (the node's own id, type and label, open
// validity bounds, plain attribute rows) rides along in "x_orvane_" properties, so that
// importing the bundle gives the investigation back.
namespace StixIo {

struct ImportCounts
{
    int nodes = 0;
    int edges = 0;
};

// Adds the bundle's objects whose ids are not in the graph yet. message receives the
// outcome shown to the analyst; on failure the graph is left as it was.
bool importBundle(const QString &path, Graph &graph, QString *message,
                  ImportCounts *counts = nullptr);

bool exportBundle(const QString &path, const Graph &graph, QString *message,
                  int *objectCount = nullptr);

} // namespace StixIo
