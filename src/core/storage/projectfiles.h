#pragma once

#include <QString>

class Graph;
struct SceneRecords;

// Whole-project operations shared by the window and the command line: where "Save as"
// puts a project, loading a project file, and saving into a project folder.
namespace ProjectFiles {

struct Location
{
    QString name;   // project name, "MyCase" for ".../MyCase/MyCase.orvane.db"
    QString folder; // absolute project folder
    QString dbPath; // folder/name.orvane.db
};

// A chosen "MyCase.orvane.db" in a folder already named MyCase is saved there; anywhere
// else a sub-folder named after the project is used.
Location saveAsLocation(const QString &chosenFile);

// The project folder of a database: its directory.
QString folderOf(const QString &dbPath);

// True when the database sits in a folder named exactly like its project.
bool isInProjectFolder(const QString &dbPath);

// A file path is the database; a folder path names the project folder, whose database is
// name.orvane.db when present, else name.db.
QString databaseForPath(const QString &path);

enum class Failure { None, Database, Load };

// Loads into fresh tables and only replaces graph and scene on success, so a failed load
// loses nothing. The database is opened and its schema ensured first.
bool load(const QString &dbPath, Graph &graph, SceneRecords &scene, QString *error,
          Failure *failure = nullptr);

// Creates the folder layout when missing and saves graph and scene into dbPath. On success
// the graph's node pictures and media point at their copies in the project folder.
bool save(const QString &dbPath, Graph &graph, SceneRecords &scene, QString *error);

} // namespace ProjectFiles
