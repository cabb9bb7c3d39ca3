#pragma once

#include "storage/projectdb.h"

#include <QString>

#include <functional>

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

// What a load read besides the graph: the generation a later save passes back, and the
// notice that an interrupted save was undone on the way in (empty when none).
struct LoadInfo
{
    qint64 generation = 0;
    QString notice;
};

// Loads into fresh tables and only replaces graph and scene on success, so a failed load
// loses nothing. The database is opened and its schema ensured first.
bool load(const QString &dbPath, Graph &graph, SceneRecords &scene, QString *error,
          Failure *failure = nullptr, LoadInfo *info = nullptr);

// Creates the folder layout when missing and saves graph and scene into dbPath. On success
// the graph's node pictures and media point at their copies in the project folder. Outside
// files are copied only as the options allow (by default none); with an expected generation
// a file that changed since is left untouched and ChangedOnDisk answered.
SaveResult save(const QString &dbPath, Graph &graph, SceneRecords &scene, QString *error,
                const SaveOptions &options, qint64 *newGeneration = nullptr);
bool save(const QString &dbPath, Graph &graph, SceneRecords &scene, QString *error);

// Saves only the records in scope into a file that holds the state they were changed from,
// at the generation options.expectedGeneration (see ProjectDb::saveChanges: one write
// transaction, ChangedOnDisk when the file moved on, nothing written on failure). scene is
// read, and takes the stored rows' identities and copied images, only when the scope says
// it changed. copied receives the nodes whose files were copied, pointing at the copies.
SaveResult saveChanges(const QString &dbPath, const Graph &graph, const SaveScope &scope,
                       SceneRecords *scene, QString *error, const SaveOptions &options,
                       QHash<QString, Node> *copied = nullptr, qint64 *newGeneration = nullptr);

using Change = std::function<bool(Graph &graph, QString *error)>;

// A writer's whole turn on a project: loads it (a missing file is a new, empty project),
// applies change and saves with the generation it loaded (only the records the change
// touched, when the file existed). When another writer saved in
// between, the file is loaded again and the change applied again to what it now holds, so
// that neither write is lost. False (error set) when the change or the save fails; the
// project file is then left as the other writers made it.
bool update(const QString &dbPath, const Change &change, QString *error,
            LoadInfo *info = nullptr);

} // namespace ProjectFiles
