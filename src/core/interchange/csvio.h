#pragma once

#include <QString>

class Graph;

// Nodes and relations as two flat CSV files: one column per record field, then one
// "attr:<key>" column per attribute key.
//
// Readers add records to the graph and never overwrite one: a row whose id is already in
// the table is skipped, so re-importing an exported file adds nothing. A reader either
// imports the whole file or, when the file cannot be read, leaves the graph as it was.
namespace CsvIo {

bool writeNodes(const QString &path, const Graph &graph, QString *error = nullptr);
bool writeEdges(const QString &path, const Graph &graph, QString *error = nullptr);

// imported receives the number of records added.
bool readNodes(const QString &path, Graph &graph, QString *error = nullptr,
               int *imported = nullptr);
bool readEdges(const QString &path, Graph &graph, QString *error = nullptr,
               int *imported = nullptr);

} // namespace CsvIo
