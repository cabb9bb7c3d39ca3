#pragma once

#include "model/node.h"
#include "model/scenerecords.h"
#include "storage/apirole.h"

#include <QDateTime>
#include <QHash>
#include <QSet>
#include <QSqlDatabase>
#include <QStringList>

#include <functional>
#include <optional>

class Graph;
struct ChangeSet;

struct ApiKeyRecord
{
    QString key;
    ApiRole role = ApiRole::Read;
    QDateTime createdAt;
    std::optional<QDateTime> lastUsed;
};

// What a save may copy and which state of the file it expects to replace.
struct SaveOptions
{
    // Files outside the project folder that the save copies in: those the analyst chose
    // (absolute paths). Any other path that leads out of the project is stored as text and
    // its file is never read, so imported or API-supplied paths cannot pull a local file in.
    QSet<QString> chosenFiles;
    // Folders whose files count as chosen: the project a tab was loaded from, when "Save as"
    // moves it to a new folder.
    QStringList trustedFolders;
    // The generation the caller loaded. When set and the file holds another, the save
    // changes nothing and answers ChangedOnDisk.
    std::optional<qint64> expectedGeneration;

    bool mayCopy(const QString &absolutePath) const;
};

enum class SaveResult { Saved, Failed, ChangedOnDisk };

// The records a save of changed rows writes: those touched since the state the file holds.
struct SaveScope
{
    QSet<QString> nodeIds; // nodes added, changed or removed
    QSet<QString> edgeIds; // relations added, changed or removed
    bool stixChanged = false;  // the STIX objects the graph keeps changed
    bool sceneChanged = false; // a background image or shape changed

    // The records a change set touched, with whether the scene changed beside it.
    static SaveScope of(const ChangeSet &changes, bool sceneChanged);
};

// One connection to a project database.
//
// A ProjectDb lives for one load or one save. A whole save rewrites every graph row, map and
// shape in one write transaction; a save of changes (saveChanges()) rewrites only the rows of
// the records a change touched, and leaves the file as a whole save of the same graph would.
// Both copy media files into the project folder as they go. Operations that can fail return
// false and fill the optional error text; a failed save leaves the file as it was.
//
// Every save bumps the file's generation number, read and checked inside the save's own
// transaction: a writer that passes the generation it loaded never overwrites a save it did
// not see.
class ProjectDb
{
public:
    explicit ProjectDb(const QString &path);
    ~ProjectDb();
    ProjectDb(const ProjectDb &) = delete;
    ProjectDb &operator=(const ProjectDb &) = delete;

    const QString &path() const { return m_path; }
    QString connectionName() const { return m_connectionName; }

    // Creates a missing file owner-only. Refuses a SQLite file of another program (tables,
    // but no project table) and leaves it untouched.
    bool open(QString *error = nullptr);
    // Opens an existing project read-only, without touching its schema; fails when the file
    // is missing, is not SQLite or holds no nodes table.
    bool openReadOnly(QString *error = nullptr);
    // True when opening rolled back a save interrupted by a crash; recoveryMessage() says so.
    bool recoveredJournal() const { return m_recoveredJournal; }
    QString recoveryMessage() const;
    bool initSchema(QString *error = nullptr);

    bool loadAll(Graph &graph, SceneRecords &scene, const QString &folder,
                 QString *error = nullptr);
    bool loadGraph(Graph &graph, const QString &folder, QString *error = nullptr);
    bool loadScene(SceneRecords &scene, const QString &folder, QString *error = nullptr);

    // Map and shape records without a uuid receive one, and maps point at their copied
    // image afterwards, hence the non-const scene. When copied is given, it receives the
    // nodes whose picture or media were copied, pointing at the copies.
    bool saveAll(const Graph &graph, SceneRecords &scene, const QString &folder,
                 QString *error = nullptr, QHash<QString, Node> *copied = nullptr);
    bool saveGraph(const Graph &graph, const QString &folder, QString *error = nullptr,
                   QHash<QString, Node> *copied = nullptr);
    bool saveScene(SceneRecords &scene, const QString &folder, QString *error = nullptr);
    // The whole save: graph, then the scene when given. newGeneration receives the number
    // the file holds afterwards.
    SaveResult save(const Graph &graph, SceneRecords *scene, const QString &folder,
                    const SaveOptions &options, QString *error = nullptr,
                    QHash<QString, Node> *copied = nullptr, qint64 *newGeneration = nullptr);

    // The save of changed rows, for a file that holds the graph as it was before the changes
    // in scope, at the generation options.expectedGeneration (required: without it the save
    // answers Failed and writes nothing).
    //
    // What it writes, in ONE write transaction (BEGIN IMMEDIATE):
    // - for each node in scope: its row, attribute rows and media rows are deleted, with the
    //   membership rows naming it as group or member; when the graph still holds it they are
    //   written again (media copied into nodes/<id>/ as options.mayCopy allows, copies
    //   reported through copied), and so are the membership rows of the groups it belongs to
    //   or leads;
    // - for each relation in scope: its row and attribute rows, deleted and written again
    //   when the graph still holds it;
    // - the STIX objects table: whole when stixChanged, else the rows of the records in scope;
    // - the maps and shapes from scene, whole, when sceneChanged (scene must then be given);
    // - the generation, raised by one (newGeneration receives it).
    // The generation is read inside that transaction: when it differs from the expected one,
    // nothing is written and the answer is ChangedOnDisk. Any failure rolls the transaction
    // back, so the file stays byte for byte as it was. A file that lacked a table of graph rows
    // when it was opened gets the whole graph written instead.
    SaveResult saveChanges(const Graph &graph, const SaveScope &scope, SceneRecords *scene,
                           const QString &folder, const SaveOptions &options,
                           QString *error = nullptr, QHash<QString, Node> *copied = nullptr,
                           qint64 *newGeneration = nullptr);

    // The generation the file holds: 0 for a file never saved by this version, -1 (error
    // set) when it cannot be read.
    qint64 generation(QString *error = nullptr);
    bool hasTable(const QString &name);

    // Number of rows of a table of the project schema; -1 when it cannot be counted.
    qint64 rowCount(const QString &table);

    bool ensureApiKeys(QString *error = nullptr);
    QString apiKeyForRole(ApiRole role, QString *error = nullptr);
    std::optional<ApiKeyRecord> findApiKey(const QString &key, QString *error = nullptr);
    bool touchApiKey(const QString &key);
    bool deleteApiKey(const QString &key, QString *error = nullptr);
    QList<ApiKeyRecord> listApiKeys(QString *error = nullptr);

private:
    bool hasNodesTable();
    // Every table that holds graph rows is there.
    bool hasGraphTables();
    bool isForeignDatabase();
    bool repairSchema(QString *error);
    // Runs the body of a save in one write transaction after checking the generation, and
    // raises the generation with it.
    SaveResult writeTransaction(const SaveOptions &options, QString *error,
                                qint64 *newGeneration, const std::function<bool()> &body);
    bool writeGraphRows(const Graph &graph, const QString &folder, const SaveOptions &options,
                        QString *error, QHash<QString, Node> *copied);
    bool writeChangedRows(const Graph &graph, const SaveScope &scope, const QString &folder,
                          const SaveOptions &options, QString *error,
                          QHash<QString, Node> *copied);
    bool writeSceneRows(SceneRecords &scene, const QString &folder, const SaveOptions &options,
                        QString *error);
    // Runs body in a transaction, committed when it answers true and rolled back otherwise;
    // a failing BEGIN or COMMIT fills error.
    bool inTransaction(const std::function<bool()> &body, QString *error);
    bool exec(const QString &statement, QString *error);

    QString m_path;
    QString m_connectionName;
    QSqlDatabase m_db;
    bool m_recoveredJournal = false;
    // Opening created a table of graph rows: the file did not hold the graph, whatever its
    // generation says.
    bool m_graphTablesCreated = false;
};
