#pragma once

#include <QString>

// Paths of a project folder: the database, "nodes/<id>/" media copies and "maps/<uuid>/".
namespace ProjectFolder {

// "MyCase.orvane.db" -> "MyCase"; "case.db" -> "case".
QString projectName(const QString &dbPath);

bool ensureProjectFolders(const QString &folder, QString *error = nullptr);

// Copies source over destination. The destination is replaced only once the new copy is
// complete, so a failed copy keeps the earlier file.
bool copyFileInto(const QString &source, const QString &destination, QString *error = nullptr);

bool isInsideFolder(const QString &path, const QString &folder);
// Resource paths ("qrc:/", ":/") are left as they are by both conversions.
QString relativeToFolder(const QString &path, const QString &folder);
QString resolveFromFolder(const QString &path, const QString &folder);

// Name of the folder that holds a node's media copies. Ids that are plain folder names keep
// their name; any other id (separators, "..", characters a file system refuses) maps to a
// stable name derived from its digest, so a save never writes outside the project folder.
QString nodeFolderName(const QString &nodeId);

// The "nodes/<name>" folder of a node, or an empty string when it would not lie inside
// folder/nodes.
QString nodeFolderPath(const QString &projectFolder, const QString &nodeId);

} // namespace ProjectFolder
