#pragma once

#include "model/changeset.h"

#include <QString>

class Graph;

// Bringing back what a script component wrote into a project file.
namespace ScriptResults {

// The records that differ between two states of a project: every node and relation added,
// removed or changed from before to after.
ChangeSet difference(const Graph &before, const Graph &after);

// Loads the project file and answers its difference from before; false with the reason when
// the file cannot be read.
bool changesSince(const Graph &before, const QString &dbPath, ChangeSet *changes,
                  QString *error);

} // namespace ScriptResults
