#pragma once

#include "model/node.h"
#include "model/scenerecords.h"
#include "storage/apirole.h"

#include <QDateTime>
#include <QHash>
#include <QSqlDatabase>

#include <functional>
#include <optional>

class Graph;

struct ApiKeyRecord
{
    QString key;
    ApiRole role = ApiRole::Read;
    QDateTime createdAt;
    std::optional<QDateTime> lastUsed;
};

// One connection to a project database.
//
// A ProjectDb lives for one load or one save. Nothing is persisted incrementally: a save
// rewrites every graph row, map and shape in one transaction, copying media files into the
// project folder as it goes. Operations that can fail return
// false and fill the optional error text; a failed save leaves the file as it was.
class ProjectDb
{
public:
    explicit ProjectDb(const QString &path);
    ~ProjectDb();
    ProjectDb(const ProjectDb &) = delete;
    ProjectDb &operator=(const ProjectDb &) = delete;

    const QString &path() const { return m_path; }
    QString connectionName() const { return m_connectionName; }

    bool open(QString *error = nullptr);
    // Opens an existing project read-only, without touching its schema; fails when the file
    // is missing, is not SQLite or holds no nodes table.
    bool openReadOnly(QString *error = nullptr);
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
    // Runs body in a transaction, committed when it answers true and rolled back otherwise;
    // a failing BEGIN or COMMIT fills error.
    bool inTransaction(const std::function<bool()> &body, QString *error);
    // The project folders, and a nodes table even in a damaged file.
    bool prepareGraphTables(const QString &folder, QString *error);
    // The rows of a save, written inside a transaction opened by the caller.
    bool writeGraphRows(const Graph &graph, const QString &folder, QString *error,
                        QHash<QString, Node> *copiedNodes);
    bool writeSceneRows(SceneRecords &scene, const QString &folder, QString *error);
    bool exec(const QString &statement, QString *error);

    QString m_path;
    QString m_connectionName;
    QSqlDatabase m_db;
};
