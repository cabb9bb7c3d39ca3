// One REST API write into a large project (100k nodes, 200k relations by default), answered
// by the routes without a socket: the first request that loads the project, then each kind of
// write timed whole, then the same writes' work outside the store (handler, stored form,
// listing orders) on the kept graph. Goal: 100 ms per write once only the touched rows are
// stored.
// Usage: bench_api_write [NODES] [EDGES]

#include "api/apikeystore.h"
#include "api/apiroutes.h"
#include "api/storedform.h"
#include "model/changerecording.h"
#include "model/textforms.h"
#include "storage/projectdb.h"
#include "syntheticgraph.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTextStream>
#include <QUrl>

namespace {

QTextStream out(stdout);

double milliseconds(const QElapsedTimer &timer)
{
    return timer.nsecsElapsed() / 1e6;
}

ApiRequest makeRequest(const QByteArray &method, const QString &target, const QByteArray &body)
{
    const QUrl url(QStringLiteral("http://127.0.0.1") + target);
    ApiRequest request;
    request.method = method;
    request.path = url.path();
    request.query = QUrlQuery(url);
    request.body = body;
    return request;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int nodeCount = argc > 1 ? QByteArray(argv[1]).toInt() : 100000;
    const int edgeCount = argc > 2 ? QByteArray(argv[2]).toInt() : 200000;
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("Large"));
    QDir().mkpath(folder);
    const QString dbPath = QDir(folder).filePath(QStringLiteral("Large.orvane.db"));
    {
        ProjectDb db(dbPath);
        QString error;
        if (!db.open(&error) || !db.saveGraph(makeSyntheticGraph(nodeCount, edgeCount, 2), folder, &error)
            || !db.ensureApiKeys(&error)) {
            out << "cannot write the project: " << error << Qt::endl;
            return 1;
        }
    }
    ApiKeyStore keys;
    QString error;
    if (!keys.open(dbPath, &error)) {
        out << "cannot open the keys: " << error << Qt::endl;
        return 1;
    }
    QByteArray authorization;
    {
        ProjectDb db(dbPath);
        db.open();
        authorization = "Bearer " + db.apiKeyForRole(ApiRole::Admin).toUtf8();
    }
    ApiRoutes routes(keys);
    routes.setProjectResolver([dbPath](const QString &) { return dbPath; });

    auto request = [&](const QByteArray &method, const QString &target, const QByteArray &body) {
        ApiRequest call = makeRequest(method, target, body);
        call.authorization = authorization;
        return routes.handle(call);
    };

    out << "project: " << nodeCount << " nodes, " << edgeCount << " relations" << Qt::endl;
    QElapsedTimer timer;
    timer.start();
    ApiReply reply = request("GET", QStringLiteral("/api/nodes?db=Large&limit=10"), {});
    out << QStringLiteral("%1 %2 ms\n").arg(QStringLiteral("first request (load)"), -34).arg(milliseconds(timer), 8, 'f', 1);

    const QString node = QStringLiteral("/api/node?db=Large&id=");
    reply = request("POST", QStringLiteral("/api/node?db=Large"), R"({"label":"Posted"})");
    const QString created = QJsonDocument::fromJson(reply.body).object().value(QLatin1String("id")).toString();
    const QList<std::tuple<QString, QByteArray, QString, QByteArray>> writes = {
        {"POST node", "POST", QStringLiteral("/api/node?db=Large"), R"({"label":"New","type":"ip"})"},
        {"PUT node", "PUT", node + created, R"({"label":"Renamed","pos":{"x":5,"y":6}})"},
        {"POST node attribute", "POST", QStringLiteral("/api/node/attribute?db=Large&id=") + created,
         R"({"name":"k","value":"v"})"},
        {"POST edge", "POST", QStringLiteral("/api/edge?db=Large"),
         QStringLiteral(R"({"src":"%1","dst":"%1","label":"self"})").arg(created).toUtf8()},
        {"DELETE node", "DELETE", node + created, {}},
    };
    for (const auto &[name, method, target, body] : writes) {
        timer.restart();
        reply = request(method, target, body);
        const double total = milliseconds(timer);
        timer.restart();
        request("GET", QStringLiteral("/api/nodes?db=Large&limit=10"), {});
        const double next = milliseconds(timer);
        out << QStringLiteral("%1 %2 ms  (status %3; next read %4 ms)\n")
                   .arg(name, -34)
                   .arg(total, 8, 'f', 1)
                   .arg(reply.status)
                   .arg(next, 0, 'f', 1);
    }

    // The work of a write outside the store, on the kept graph: the handler run with the
    // recorder on, the records settled to their stored form, the listing orders kept.
    std::shared_ptr<LoadedProject> kept = routes.cache().editable(dbPath, &error);
    auto inMemory = [&](const QByteArray &method, const QString &target, const QByteArray &body,
                        QString *id) {
        const ApiRequest call = makeRequest(method, target, body);
        RouteContext context{call, QStringLiteral("Large"), dbPath, folder, {}, {}, {},
                             TextForms::newId(), QDateTime::currentDateTimeUtc()};
        for (const ApiRoutes::Route &route : ApiRoutes::table()) {
            if (route.write && call.path == QLatin1String(route.path) && method == route.method) {
                ChangeSet changes;
                ChangeRecording::record(kept->graph, changes, [&](Graph &graph) {
                    const ApiReply reply = route.write(context, graph);
                    if (id && id->isEmpty())
                        *id = QJsonDocument::fromJson(reply.body).object().value(QLatin1String("id")).toString();
                    return reply.isSuccess();
                });
                StoredForm::settle(kept->graph, changes, folder, {});
                kept->placeIds(changes);
            }
        }
    };
    QString fresh;
    const QString source = kept->sortedNodeIds.constFirst();
    const QList<std::tuple<QString, QByteArray, QString, QByteArray>> steps = {
        {"POST node", "POST", QStringLiteral("/api/node?db=Large"), R"({"label":"New","type":"ip"})"},
        {"PUT node", "PUT", node, R"({"label":"Renamed","pos":{"x":5,"y":6}})"},
        {"POST node attribute", "POST", QStringLiteral("/api/node/attribute?db=Large&id="),
         R"({"name":"k","value":"v"})"},
        {"POST edge", "POST", QStringLiteral("/api/edge?db=Large"), {}},
        {"DELETE node (1 relation)", "DELETE", node, {}},
    };
    out << "outside the store, in memory:" << Qt::endl;
    for (const auto &[name, method, target, body] : steps) {
        const bool creates = method == "POST" && !target.contains(QLatin1String("attribute"));
        const bool isEdge = target.startsWith(QLatin1String("/api/edge"));
        const QString full = creates ? target : target + fresh;
        const QByteArray payload = isEdge
            ? QStringLiteral(R"({"src":"%1","dst":"%2"})").arg(fresh, source).toUtf8()
            : body;
        QString made;
        timer.restart();
        inMemory(method, full, payload, isEdge || !creates ? nullptr : &made);
        out << QStringLiteral("  %1 %2 ms\n").arg(name, -32).arg(milliseconds(timer), 8, 'f', 2);
        if (!made.isEmpty())
            fresh = made;
    }
    return 0;
}
