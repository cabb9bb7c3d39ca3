#pragma once

#include "model/changeset.h"

#include <functional>

class Graph;

// Edits of a Graph kept as change sets: what a tab's document turns into undo steps and what
// the REST API writes to a project file.
namespace ChangeRecording {

// Runs change on graph with the recorder on and completes changes: every record it touched,
// before and after, the STIX objects when they changed, records that ended as they began
// left out. When change answers false, every touched record is put back and false returned.
// Records already in changes keep the "before" noted then, so that a second call extends one
// change set.
bool record(Graph &graph, ChangeSet &changes, const std::function<bool(Graph &)> &change);

// Sets one side of every record of changes to what graph holds now (absent when it holds
// none): "after" completes a recorded edit, "before" bases a prepared one on the tables.
void takeSide(const Graph &graph, ChangeSet &changes, bool after);

// Writes one side of changes into the tables: "after" to redo, "before" to undo.
void applySide(Graph &graph, const ChangeSet &changes, bool after);

} // namespace ChangeRecording
