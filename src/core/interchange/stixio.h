#pragma once

#include <QString>

class Graph;

// STIX 2.1 bundles: domain and cyber-observable objects become nodes, relationship and
// sighting objects become relations, and properties without a field of their own travel as
// "stix:<name>" attribute rows: strings as they are, other values as their JSON text
// (["ics-attack"], 3, true), so that the row says which JSON type the value has.
//
// Imported objects come back out as they went in: the graph keeps each record's object, and
// the objects that are not drawn (marking definitions, language contents, extension
// definitions), in Graph::stix(). A record the analyst did not change is written as its
// object; a changed one takes its changed fields and a new "modified".
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
    int duplicates = 0; // objects whose id came again in the bundle: the latest version is kept
    int dangling = 0;   // relations added whose source or target is not a node of the graph
};

// Adds the bundle's objects whose ids are not in the graph yet. message receives the
// outcome shown to the analyst; on failure the graph is left as it was.
bool importBundle(const QString &path, Graph &graph, QString *message,
                  ImportCounts *counts = nullptr);

// What the analyst should know beyond the numbers added (ids that came more than once,
// relations whose ends are missing), as sentences; empty when there is nothing to say.
QString importNotes(const ImportCounts &counts);

bool exportBundle(const QString &path, const Graph &graph, QString *message,
                  int *objectCount = nullptr);

} // namespace StixIo
