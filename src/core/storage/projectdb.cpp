#include "storage/projectdb.h"

#include "storage/filesafety.h"
#include "storage/projectdb_p.h"

#include <QAtomicInteger>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>

#include <atomic>
#include <sqlite3.h>

using namespace ProjectDbDetail;

namespace {

const char *const kSchema[] = {
    "CREATE TABLE IF NOT EXISTS nodes( id TEXT PRIMARY KEY, label TEXT, type TEXT, shape TEXT, color TEXT, size REAL, media_path TEXT, description TEXT, valid_start TEXT, valid_end TEXT, show_label INTEGER, anchored INTEGER, visible INTEGER, hypothesis INTEGER, x REAL, y REAL, geo_lat REAL, geo_lon REAL)",
    "CREATE TABLE IF NOT EXISTS node_attrs(id TEXT PRIMARY KEY,node_id TEXT,k TEXT,v TEXT,UNIQUE(node_id, k, v),FOREIGN KEY(node_id) REFERENCES nodes(id) ON DELETE CASCADE)",
    "CREATE TABLE IF NOT EXISTS node_medias(node_id TEXT,name TEXT,file TEXT,description TEXT,tags TEXT,date TEXT,author TEXT,sha256 TEXT,PRIMARY KEY(node_id,name),FOREIGN KEY(node_id) REFERENCES nodes(id) ON DELETE CASCADE)",
    "CREATE TABLE IF NOT EXISTS group_members ( group_id  TEXT NOT NULL, node_id   TEXT NOT NULL, offset_x  REAL NOT NULL DEFAULT 0, offset_y  REAL NOT NULL DEFAULT 0, PRIMARY KEY(group_id, node_id), FOREIGN KEY(group_id) REFERENCES nodes(id) ON DELETE CASCADE, FOREIGN KEY(node_id)  REFERENCES nodes(id) ON DELETE CASCADE);",
    "CREATE TABLE IF NOT EXISTS edges(id TEXT PRIMARY KEY,src TEXT,dst TEXT,label TEXT,show_label INTEGER,hypothesis INTEGER,type TEXT,direction TEXT,description TEXT,valid_start TEXT,valid_end TEXT,color TEXT,width REAL,visible INTEGER)",
    "CREATE TABLE IF NOT EXISTS edge_attrs(id TEXT PRIMARY KEY,edge_id TEXT,k TEXT,v TEXT,UNIQUE(edge_id, k, v),FOREIGN KEY(edge_id) REFERENCES edges(id) ON DELETE CASCADE)",
    "CREATE INDEX IF NOT EXISTS idx_edges_src ON edges(src)",
    "CREATE INDEX IF NOT EXISTS idx_edges_dst ON edges(dst)",
    // A save of changed rows removes the memberships of a node by member as well as by group.
    "CREATE INDEX IF NOT EXISTS idx_group_members_node ON group_members(node_id)",
    "CREATE TABLE IF NOT EXISTS api_keys( key TEXT PRIMARY KEY, role TEXT NOT NULL, created_at TEXT NOT NULL, last_used TEXT)",
    "CREATE TABLE IF NOT EXISTS maps(id INTEGER PRIMARY KEY AUTOINCREMENT,file TEXT,uuid TEXT,label TEXT,description TEXT,x REAL, y REAL,rotation REAL,z REAL,w REAL, h REAL,anchored INTEGER,show_grid INTEGER,grid_step INTEGER,grid_width REAL,grid_color TEXT,anonymize INTEGER)",
    "CREATE TABLE IF NOT EXISTS shapes(id INTEGER PRIMARY KEY AUTOINCREMENT,uuid TEXT UNIQUE,kind TEXT,x REAL, y REAL, w REAL, h REAL,px REAL, py REAL,z REAL,rotation REAL,label TEXT,desc_html TEXT,fill TEXT,pen_color TEXT,pen_width REAL,locked INTEGER)",
    "CREATE TABLE IF NOT EXISTS scene_options(key TEXT PRIMARY KEY, value TEXT)",
    "CREATE TABLE IF NOT EXISTS project_meta(key TEXT PRIMARY KEY, value TEXT)",
};

QAtomicInteger<quint64> s_connectionSerial;

// Another writer holds the file for the length of one save: wait for it rather than fail.
const char *const kBusyTimeout = "QSQLITE_BUSY_TIMEOUT=15000";

// A journal beside the database: left by a save that never finished, or the live journal of
// another writer's save.
bool hasJournal(const QString &dbPath)
{
    return QFileInfo(dbPath + QStringLiteral("-journal")).size() > 0;
}

// SQLite reports every interrupted save it rolls back ("recovered N pages") to its log; the
// count tells an opening connection whether its first read undid one, which the journal
// alone cannot (another writer's live journal looks the same). The log must be installed
// before SQLite starts, hence at load time.
std::atomic<int> s_rollbacks{0};

void onSqliteLog(void *, int code, const char *)
{
    if (code == SQLITE_NOTICE_RECOVER_ROLLBACK)
        ++s_rollbacks;
}

const bool s_rollbacksLogged =
    sqlite3_config(SQLITE_CONFIG_LOG, onSqliteLog, nullptr) == SQLITE_OK;

// Watches one opening: answers whether it rolled back an interrupted save.
class RollbackWatch
{
public:
    explicit RollbackWatch(const QString &dbPath)
        : m_path(dbPath), m_journal(hasJournal(dbPath)), m_before(s_rollbacks)
    {
    }

    bool rolledBack() const
    {
        if (!m_journal)
            return false;
        return s_rollbacksLogged ? s_rollbacks > m_before : !hasJournal(m_path);
    }

private:
    QString m_path;
    bool m_journal;
    int m_before;
};

} // namespace

ProjectDb::ProjectDb(const QString &path)
    : m_path(path)
    , m_connectionName(QStringLiteral("orvane-%1").arg(++s_connectionSerial))
{
    m_db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connectionName);
    m_db.setDatabaseName(path);
    m_db.setConnectOptions(QLatin1String(kBusyTimeout));
}

ProjectDb::~ProjectDb()
{
    if (m_db.isValid() && m_db.isOpen())
        m_db.close();
    m_db = QSqlDatabase();
    QSqlDatabase::removeDatabase(m_connectionName);
}

bool ProjectDb::open(QString *error)
{
    if (m_db.isOpen())
        return true;
    // SQLite gives its journals the database's permissions: a new project is owner-only.
    if (!QFileInfo::exists(m_path))
        FileSafety::createOwnerOnlyFile(m_path);
    const RollbackWatch watch(m_path);
    if (!m_db.open()) {
        setError(error, QStringLiteral("SQLite open failed: ") + m_db.lastError().text());
        return false;
    }
    for (const char *pragma :
         {"PRAGMA journal_mode=DELETE", "PRAGMA foreign_keys=ON", "PRAGMA synchronous=NORMAL"}) {
        QSqlQuery query(m_db);
        if (!query.exec(QLatin1String(pragma)))
            setError(error, QStringLiteral("[%1] %2")
                                .arg(QLatin1String(pragma), query.lastError().text()));
    }
    if (isForeignDatabase()) {
        setError(error, QStringLiteral("Pas un projet Orvane (table nodes absente): %1").arg(m_path));
        m_db.close();
        return false;
    }
    const bool hadGraph = hasGraphTables();
    QString schemaError;
    if (!initSchema(&schemaError)) {
        setError(error, QStringLiteral("initSchema() failed: ") + schemaError);
        return false;
    }
    m_graphTablesCreated = !hadGraph;
    m_recoveredJournal = watch.rolledBack();
    return true;
}

bool ProjectDb::openReadOnly(QString *error)
{
    if (!QFileInfo(m_path).isFile()) {
        setError(error, QStringLiteral("Fichier introuvable: %1").arg(m_path));
        return false;
    }
    // A read-only connection cannot roll back what an interrupted save left: the first read
    // goes through a writable connection, which restores the file as it was before that save.
    const RollbackWatch watch(m_path);
    if (hasJournal(m_path)) {
        if (!QFileInfo(m_path).isWritable()) {
            setError(error, QStringLiteral("Sauvegarde interrompue à annuler, mais le fichier est "
                                           "en lecture seule: %1")
                                .arg(m_path));
            return false;
        }
        if (!m_db.open()) {
            setError(error, QStringLiteral("SQLite open failed: ") + m_db.lastError().text());
            return false;
        }
        QSqlQuery recover(m_db);
        recover.exec(QStringLiteral("SELECT count(*) FROM sqlite_master"));
        recover.finish();
        m_db.close();
        m_recoveredJournal = watch.rolledBack();
    }
    m_db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY;") + QLatin1String(kBusyTimeout));
    if (!m_db.open()) {
        setError(error, QStringLiteral("SQLite open failed: ") + m_db.lastError().text());
        return false;
    }
    QSqlQuery probe(m_db);
    if (!probe.exec(QStringLiteral("SELECT count(*) FROM sqlite_master"))) {
        setError(error, QStringLiteral("Pas une base SQLite: %1").arg(probe.lastError().text()));
        return false;
    }
    if (!hasNodesTable()) {
        setError(error, QStringLiteral("Pas un projet Orvane (table nodes absente): %1").arg(m_path));
        return false;
    }
    return true;
}

QString ProjectDb::recoveryMessage() const
{
    return QStringLiteral("Une sauvegarde interrompue a été annulée: %1").arg(m_path);
}

qint64 ProjectDb::rowCount(const QString &table)
{
    QSqlQuery query(m_db);
    if (!query.exec(QStringLiteral("SELECT count(*) FROM \"%1\"").arg(table)) || !query.next())
        return -1;
    return query.value(0).toLongLong();
}

bool ProjectDb::initSchema(QString *error)
{
    for (const char *statement : kSchema) {
        QSqlQuery query(m_db);
        if (!query.exec(QLatin1String(statement))) {
            setError(error, query.lastError().text());
            return false;
        }
    }
    return true;
}

bool ProjectDb::exec(const QString &statement, QString *error)
{
    QSqlQuery query(m_db);
    if (query.exec(statement))
        return true;
    setError(error, QStringLiteral("[%1] %2").arg(statement, query.lastError().text()));
    return false;
}

bool ProjectDb::inTransaction(const std::function<bool()> &body, QString *error)
{
    if (!m_db.transaction()) {
        qWarning() << "[SQL] BEGIN failed:" << m_db.lastError().text();
        setError(error, QStringLiteral("BEGIN a échoué: ") + m_db.lastError().text());
        return false;
    }
    if (body()) {
        if (m_db.commit())
            return true;
        qWarning() << "[SQL] COMMIT failed:" << m_db.lastError().text();
        setError(error, QStringLiteral("COMMIT a échoué: ") + m_db.lastError().text());
    }
    if (!m_db.rollback())
        qWarning() << "[SQL] ROLLBACK failed:" << m_db.lastError().text();
    return false;
}

bool ProjectDb::isForeignDatabase()
{
    // A file with tables but neither the nodes table nor the project's own meta table
    // belongs to another program: opening must not add the project schema to it.
    QSqlQuery query(m_db);
    if (!query.exec(QStringLiteral("SELECT name FROM sqlite_master WHERE type='table'")))
        return false;
    bool hasTables = false;
    while (query.next()) {
        const QString name = query.value(0).toString();
        if (name == u"nodes" || name == u"project_meta")
            return false;
        hasTables = hasTables || !name.startsWith(QLatin1String("sqlite_"));
    }
    return hasTables;
}

qint64 ProjectDb::generation(QString *error)
{
    QSqlQuery query(m_db);
    if (!query.exec(QStringLiteral("SELECT value FROM project_meta WHERE key='generation'"))) {
        // Files opened read-only keep the schema they have: no meta table means generation 0.
        if (!hasTable(QStringLiteral("project_meta")))
            return 0;
        setError(error, query.lastError().text());
        return -1;
    }
    return query.next() ? query.value(0).toLongLong() : 0;
}

bool ProjectDb::hasTable(const QString &name)
{
    QSqlQuery query(m_db);
    query.prepare(QStringLiteral("SELECT 1 FROM sqlite_master WHERE type='table' AND name=?"));
    query.addBindValue(name);
    return query.exec() && query.next();
}

bool ProjectDb::hasGraphTables()
{
    QSqlQuery query(m_db);
    return query.exec(QStringLiteral(
               "SELECT count(*) FROM sqlite_master WHERE type='table' AND name IN ('nodes', "
               "'node_attrs', 'node_medias', 'group_members', 'edges', 'edge_attrs')"))
        && query.next() && query.value(0).toInt() == 6;
}

bool ProjectDb::hasNodesTable()
{
    return hasTable(QStringLiteral("nodes"));
}
