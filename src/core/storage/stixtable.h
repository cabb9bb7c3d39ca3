#pragma once

#include <QSet>
#include <QString>

struct sqlite3;
class Graph;

// The table "stix_objects" of a project file: the STIX objects a graph keeps for its next
// export (Graph::stix()). Files written before the table existed load with none.
namespace StixTable {

// The statement that creates the table when missing.
extern const char *const kCreate;

// Rewrites the table from the graph, within the caller's transaction. Objects of records that
// are no longer in the graph are not written.
bool save(sqlite3 *handle, const Graph &graph, QString *error);

// Brings the rows of the given records in line with the graph, within the caller's
// transaction, when the kept objects themselves did not change: the row of a record no longer
// in the graph goes, the row of a record back in it returns. Only detached objects keep their
// order in the table, so a returning row simply comes last.
bool saveRecords(sqlite3 *handle, const Graph &graph, const QSet<QString> &nodeIds,
                 const QSet<QString> &edgeIds, QString *error);

// Fills graph.stix() from the table; a file without the table gives nothing.
bool load(sqlite3 *handle, Graph &graph, QString *error);

} // namespace StixTable
