#include "storage/stixtable.h"

#include "model/graph.h"
#include "storage/sqlitestatement.h"

#include <QJsonDocument>

#include <sqlite3.h>

namespace StixTable {

namespace {

// What a row stands for.
const QLatin1String kNode("node");
const QLatin1String kEdge("edge");
const QLatin1String kDetached("detached");

QString jsonText(const QJsonObject &object)
{
    return QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact));
}

bool fail(const SqliteStatement &statement, QString *error)
{
    if (error)
        *error = statement.errorText();
    return false;
}

bool createTable(sqlite3 *handle, QString *error)
{
    SqliteStatement create(handle, kCreate);
    return (create.isValid() && create.execute()) || fail(create, error);
}

// Inserts the rows of one save, numbering their positions from the first one given.
class RowInserter
{
public:
    RowInserter(sqlite3 *handle, int firstPosition)
        : m_insert(handle, "INSERT OR REPLACE INTO stix_objects(kind,id,position,fingerprint,json) "
                           "VALUES(?,?,?,?,?)"),
          m_position(firstPosition)
    {
    }

    int position() const { return m_position; }

    bool write(QLatin1String kind, const QString &id, const QString &fingerprint,
               const QJsonObject &object, QString *error)
    {
        if (!m_insert.isValid())
            return fail(m_insert, error);
        m_insert.bindText(1, kind);
        m_insert.bindText(2, id);
        m_insert.bindInt(3, m_position++);
        m_insert.bindOptionalText(4, fingerprint);
        m_insert.bindText(5, jsonText(object));
        return m_insert.execute() || fail(m_insert, error);
    }

    bool writeOrigin(QLatin1String kind, const QString &id, const StixOrigin &origin,
                     QString *error)
    {
        return write(kind, id, QString::number(origin.fingerprint, 16), origin.object, error);
    }

private:
    SqliteStatement m_insert;
    int m_position;
};

bool tableExists(sqlite3 *handle)
{
    SqliteStatement query(handle,
                          "SELECT 1 FROM sqlite_master WHERE type='table' AND name='stix_objects'");
    return query.isValid() && query.next();
}

} // namespace

const char *const kCreate =
    "CREATE TABLE IF NOT EXISTS stix_objects(kind TEXT NOT NULL, id TEXT NOT NULL, "
    "position INTEGER NOT NULL, fingerprint TEXT, json TEXT NOT NULL, PRIMARY KEY(kind, id))";

bool save(sqlite3 *handle, const Graph &graph, QString *error)
{
    if (!createTable(handle, error))
        return false;
    {
        SqliteStatement clear(handle, "DELETE FROM stix_objects");
        if (!clear.isValid() || !clear.execute())
            return fail(clear, error);
    }
    const StixRecords &stix = graph.stix();
    if (stix.isEmpty())
        return true;
    RowInserter rows(handle, 0);
    for (const QJsonObject &object : stix.detached) {
        // The key wants an id; an object without one still keeps its place.
        const QString id = object.value(QLatin1String("id")).toString();
        if (!rows.write(kDetached, id.isEmpty() ? QStringLiteral("#%1").arg(rows.position()) : id,
                        QString(), object, error))
            return false;
    }
    auto writeOrigins = [&](QLatin1String kind, const QHash<QString, StixOrigin> &origins,
                            auto hasRecord) {
        for (auto it = origins.cbegin(); it != origins.cend(); ++it) {
            if (hasRecord(it.key()) && !rows.writeOrigin(kind, it.key(), *it, error))
                return false;
        }
        return true;
    };
    return writeOrigins(kNode, stix.nodeOrigins,
                        [&graph](const QString &id) { return graph.hasNode(id); })
        && writeOrigins(kEdge, stix.edgeOrigins,
                        [&graph](const QString &id) { return graph.hasEdge(id); });
}

bool saveRecords(sqlite3 *handle, const Graph &graph, const QSet<QString> &nodeIds,
                 const QSet<QString> &edgeIds, QString *error)
{
    if (!createTable(handle, error))
        return false;
    SqliteStatement remove(handle, "DELETE FROM stix_objects WHERE kind=? AND id=?");
    SqliteStatement last(handle, "SELECT coalesce(max(position) + 1, 0) FROM stix_objects");
    if (!remove.isValid())
        return fail(remove, error);
    if (!last.isValid())
        return fail(last, error);
    auto removeRows = [&](QLatin1String kind, const QSet<QString> &ids) {
        for (const QString &id : ids) {
            remove.bindText(1, kind);
            remove.bindText(2, id);
            if (!remove.execute())
                return fail(remove, error);
        }
        return true;
    };
    if (!removeRows(kNode, nodeIds) || !removeRows(kEdge, edgeIds))
        return false;
    if (!last.next())
        return fail(last, error);
    RowInserter rows(handle, last.integer(0));
    const StixRecords &stix = graph.stix();
    for (const QString &id : nodeIds) {
        const auto origin = stix.nodeOrigins.constFind(id);
        if (origin != stix.nodeOrigins.cend() && graph.hasNode(id)
            && !rows.writeOrigin(kNode, id, *origin, error))
            return false;
    }
    for (const QString &id : edgeIds) {
        const auto origin = stix.edgeOrigins.constFind(id);
        if (origin != stix.edgeOrigins.cend() && graph.hasEdge(id)
            && !rows.writeOrigin(kEdge, id, *origin, error))
            return false;
    }
    return true;
}

bool load(sqlite3 *handle, Graph &graph, QString *error)
{
    StixRecords &stix = graph.stix();
    stix = StixRecords();
    if (!tableExists(handle))
        return true;
    SqliteStatement query(handle,
        "SELECT kind,id,fingerprint,json FROM stix_objects ORDER BY position");
    if (!query.isValid())
        return fail(query, error);
    while (query.next()) {
        const QJsonObject object = QJsonDocument::fromJson(query.text(3).toUtf8()).object();
        if (object.isEmpty())
            continue;
        const QString kind = query.text(0);
        if (kind == kDetached) {
            stix.detached.append(object);
            continue;
        }
        StixOrigin origin{object, query.text(2).toULongLong(nullptr, 16)};
        if (kind == kNode && graph.hasNode(query.text(1)))
            stix.nodeOrigins.insert(query.text(1), origin);
        else if (kind == kEdge && graph.hasEdge(query.text(1)))
            stix.edgeOrigins.insert(query.text(1), origin);
    }
    return !query.failed() || fail(query, error);
}

} // namespace StixTable
