#pragma once

#include "model/graph.h"

#include <QList>
#include <QString>

// Media files of a tab's nodes: their digest, where a stored path points, and the rows of
// the media list.
namespace MediaFiles {

// Lower-case hexadecimal SHA-256 of the file's content; empty when the path does not name
// a file that can be read.
QString sha256Hex(const QString &path);

// The absolute path of a stored media path: a relative path is taken from baseDir (the
// project folder), or from the working directory when baseDir is empty.
QString absolutePath(const QString &path, const QString &baseDir);

struct Row
{
    QString nodeId;
    QString nodeLabel;
    QString name;
    QString description;
    QString tags;
    QString file;
};

enum class Column { NodeLabel, NodeId, Name, Description, Tags, FileName };

// One row per media record of every node, sorted by node label, media name and file with
// locale-aware comparison, case aside.
QList<Row> rows(const Graph &graph);
// An empty (or blank) needle matches every row; otherwise a case-insensitive substring of
// the chosen column (the file name part of the path for FileName).
bool matches(const Row &row, const QString &needle, Column column);

} // namespace MediaFiles
