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
    {
        SqliteStatement create(handle, kCreate);
        if (!create.isValid() || !create.execute())
            return fail(create, error);
        SqliteStatement clear(handle, "DELETE FROM stix_objects");
        if (!clear.isValid() || !clear.execute())
            return fail(clear, error);
    }
    const StixRecords &stix = graph.stix();
    if (stix.isEmpty())
        return true;
    SqliteStatement insert(handle,
        "INSERT OR REPLACE INTO stix_objects(kind,id,position,fingerprint,json) "
        "VALUES(?,?,?,?,?)");
    if (!insert.isValid())
        return fail(insert, error);
    int position = 0;
    auto write = [&](QLatin1String kind, const QString &id, const QString &fingerprint,
                     const QJsonObject &object) {
        insert.bindText(1, kind);
        insert.bindText(2, id);
        insert.bindInt(3, position++);
        insert.bindOptionalText(4, fingerprint);
        insert.bindText(5, jsonText(object));
        return insert.execute() || fail(insert, error);
    };
    for (const QJsonObject &object : stix.detached) {
        // The key wants an id; an object without one still keeps its place.
        const QString id = object.value(QLatin1String("id")).toString();
        if (!write(kDetached, id.isEmpty() ? QStringLiteral("#%1").arg(position) : id, QString(),
                   object))
            return false;
    }
    auto writeOrigins = [&](QLatin1String kind, const QHash<QString, StixOrigin> &origins,
                            auto hasRecord) {
        for (auto it = origins.cbegin(); it != origins.cend(); ++it) {
            if (hasRecord(it.key())
                && !write(kind, it.key(), QString::number(it->fingerprint, 16), it->object))
                return false;
        }
        return true;
    };
    return writeOrigins(kNode, stix.nodeOrigins,
                        [&graph](const QString &id) { return graph.hasNode(id); })
        && writeOrigins(kEdge, stix.edgeOrigins,
                        [&graph](const QString &id) { return graph.hasEdge(id); });
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
