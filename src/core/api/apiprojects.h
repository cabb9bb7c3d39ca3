#pragma once

#include <QJsonArray>
#include <QStringList>

// How open projects are named to API clients, shared by the main window (its tabs) and the
// command line (the files it serves).
namespace ApiProjects {

// One object per database path, in order: "key" (file name up to its first dot), "file"
// (file name), "path" (absolute path). Empty paths (graphs never saved) are left out.
QJsonArray describe(const QStringList &dbPaths);

// The database of a project name: an empty name (after trimming) gives currentDbPath;
// otherwise the first path whose base name, or else whose file name, equals the name
// case-insensitively. Empty when nothing matches.
QString resolve(const QString &name, const QStringList &dbPaths, const QString &currentDbPath);

} // namespace ApiProjects
