// The API routes answered without a socket: authorisation, paging, look-ups and writes,
// checked against what the project file holds afterwards.

#include "api/apikeystore.h"
#include "api/apiprojects.h"
#include "api/apiroutes.h"
#include "api/filestamp.h"
#include "model/changerecording.h"
#include "model/graph.h"
#include "storage/projectdb.h"
#include "storage/projectfolder.h"
#include "testfiles.h"
#include "testgraphs.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

using namespace TestGraphs;

namespace {

// Five nodes inserted out of order, four relations, attributes and one media file.
Graph sampleGraph(const QString &mediaFile)
{
    Graph graph;
    Node a = makeNode(QStringLiteral("c3"), QStringLiteral("Gamma"), QStringLiteral("ip"));
    a.attributes = {{QString(), QStringLiteral("asn"), QStringLiteral("64500")},
                    {QString(), QStringLiteral("country"), QStringLiteral("FR")}};
    MediaRecord media;
    media.name = QStringLiteral("capture");
    media.file = mediaFile;
    media.sha256 = QStringLiteral("ABCDEF0123");
    a.medias = {media};
    graph.insertNode(a);
    graph.insertNode(makeNode(QStringLiteral("a1"), QStringLiteral("Alpha"), QStringLiteral(" ip ")));
    Node b = makeNode(QStringLiteral("b2"), QStringLiteral("alpha"), QStringLiteral("domain"));
    b.attributes = {{QString(), QStringLiteral("asn"), QStringLiteral("64501")}};
    graph.insertNode(b);
    graph.insertNode(makeNode(QStringLiteral("e5"), QStringLiteral("Epsilon"), QString()));
    graph.insertNode(makeNode(QStringLiteral("d4"), QStringLiteral("Delta"), QStringLiteral("actor")));
    graph.insertEdge(makeEdge(QStringLiteral("r2"), QStringLiteral("c3"), QStringLiteral("a1"),
                              QStringLiteral("resolves"), QStringLiteral("R2")));
    graph.insertEdge(makeEdge(QStringLiteral("r1"), QStringLiteral("c3"), QStringLiteral("b2"),
                              QStringLiteral("resolves "), QStringLiteral("R1")));
    graph.insertEdge(makeEdge(QStringLiteral("r3"), QStringLiteral("d4"), QStringLiteral("c3"),
                              QStringLiteral("uses"), QStringLiteral("R3")));
    Edge attributed = makeEdge(QStringLiteral("r4"), QStringLiteral("a1"), QStringLiteral("b2"),
                               QStringLiteral("uses"), QStringLiteral("R4"));
    attributed.attributes = {{QString(), QStringLiteral("confidence"), QStringLiteral("high")}};
    graph.insertEdge(attributed);
    return graph;
}

QJsonObject object(const ApiReply &reply)
{
    return QJsonDocument::fromJson(reply.body).object();
}

QStringList texts(const QJsonArray &array)
{
    QStringList list;
    for (const QJsonValue &value : array)
        list.append(value.toString());
    return list;
}

QStringList ids(const QJsonArray &array)
{
    QStringList list;
    for (const QJsonValue &value : array)
        list.append(value.toObject().value(QLatin1String("id")).toString());
    return list;
}

} // namespace

class TestApiRoutes : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_folder;
    QString m_dbPath;
    QString m_otherDbPath;
    std::unique_ptr<ApiKeyStore> m_keys;
    std::unique_ptr<ApiRoutes> m_routes;
    QHash<ApiRole, QString> m_key;
    QList<QByteArray> m_bodies;

    ApiReply call(const QByteArray &method, const QString &target,
                  const QByteArray &body = QByteArray(), ApiRole role = ApiRole::Admin)
    {
        return callWith(method, target, "Bearer " + m_key.value(role).toUtf8(), body);
    }

    ApiReply callWith(const QByteArray &method, const QString &target,
                      const QByteArray &authorization, const QByteArray &body = QByteArray())
    {
        const QUrl url(QStringLiteral("http://127.0.0.1") + target);
        ApiRequest request;
        request.method = method;
        request.path = url.path();
        request.query = QUrlQuery(url);
        request.authorization = authorization;
        request.body = body;
        ApiReply reply = m_routes->handle(request);
        m_bodies.append(reply.body);
        return reply;
    }

    Graph fileGraph(const QString &dbPath = QString())
    {
        const QString path = dbPath.isEmpty() ? m_dbPath : dbPath;
        ProjectDb db(path);
        Graph graph;
        if (!db.open() || !db.loadGraph(graph, QFileInfo(path).absolutePath()))
            qWarning() << "cannot read" << path;
        return graph;
    }

    // Saves as the window does, the test's files standing for files the analyst chose.
    void saveFile(const Graph &graph, const QString &dbPath)
    {
        ProjectDb db(dbPath);
        QString error;
        SaveOptions options;
        options.trustedFolders.append(m_dir.path());
        QVERIFY2(db.open(&error)
                     && db.save(graph, nullptr, QFileInfo(dbPath).absolutePath(), options, &error)
                         == SaveResult::Saved,
                 qPrintable(error));
    }

    // What a read route answers on the project loaded afresh, past the routes' kept graph
    // and without touching the key file.
    std::pair<int, QByteArray> freshAnswer(const QString &target)
    {
        const QUrl url(QStringLiteral("http://127.0.0.1") + target);
        ApiRequest request;
        request.method = "GET";
        request.path = url.path();
        request.query = QUrlQuery(url);
        GraphCache fresh;
        QString error;
        const std::shared_ptr<const LoadedProject> project = fresh.project(m_dbPath, &error);
        for (const ApiRoutes::Route &route : ApiRoutes::table()) {
            if (route.read && request.path == QLatin1String(route.path) && project) {
                const RouteContext context{request, request.param(QStringLiteral("db")), m_dbPath,
                                           m_folder, {}, {}, {}, {}, {}};
                const ApiReply reply = route.read(context, *project);
                return {reply.status, reply.body};
            }
        }
        return {0, error.toUtf8()};
    }

    // Every listing and every record, as the routes answer them and as a fresh load would.
    void compareWithFreshLoad()
    {
        QString error;
        const std::shared_ptr<const LoadedProject> kept = m_routes->cache().project(m_dbPath, &error);
        QVERIFY2(kept, qPrintable(error));
        const Graph file = fileGraph();
        for (const Node &node : file.nodes())
            QVERIFY2(kept->graph.node(node.id) == node, qPrintable(QStringLiteral("node ") + node.id));
        for (const Edge &edge : file.edges())
            QVERIFY2(kept->graph.edge(edge.id) == edge, qPrintable(QStringLiteral("edge ") + edge.id));
        QCOMPARE(kept->graph.nodes().size(), file.nodes().size());
        QCOMPARE(kept->graph.edges().size(), file.edges().size());

        QStringList targets;
        for (const char *list : {"nodes", "edges", "medias", "nodes/types", "edges/types",
                                 "nodes/attributes", "edges/attributes"})
            targets.append(QStringLiteral("/api/%1?db=Case&limit=500").arg(QLatin1String(list)));
        for (const QString &id : file.nodes().keys() + kept->graph.nodes().keys())
            targets.append(QStringLiteral("/api/node?db=Case&id=") + id);
        for (const QString &id : file.edges().keys() + kept->graph.edges().keys())
            targets.append(QStringLiteral("/api/edge?db=Case&id=") + id);
        for (const QString &target : std::as_const(targets)) {
            const ApiReply reply = call("GET", target, {}, ApiRole::Read);
            const std::pair<int, QByteArray> fresh = freshAnswer(target);
            QVERIFY2(reply.status == fresh.first && reply.body == fresh.second,
                     qPrintable(target + QStringLiteral("\nkept:  ") + QString::fromUtf8(reply.body)
                                + QStringLiteral("\nfresh: ") + QString::fromUtf8(fresh.second)));
        }
    }

    std::optional<QDateTime> lastUsed(ApiRole role)
    {
        ProjectDb db(m_dbPath);
        db.open();
        return db.findApiKey(m_key.value(role))->lastUsed;
    }

private Q_SLOTS:
    void init();
    void cleanup();

    void authorizationHeader_data();
    void authorizationHeader();
    void checksRunInOrder_data();
    void checksRunInOrder();
    void probesAndProjectsList();
    void lastUsedFollowsAuthorisedRequests();
    void regeneratingAKeyRevokesOnlyIt();
    void projectNames_data();
    void projectNames();

    void paging_data();
    void paging();
    void fieldSelection_data();
    void fieldSelection();
    void listingsAndFilters();
    void singleLookups();

    void createNodeAndEdge();
    void createRefusesBadInput_data();
    void createRefusesBadInput();
    void updateReportsKeys_data();
    void updateReportsKeys();
    void attributeValues_data();
    void attributeValues();
    void attributeErrors();
    void deleteNodeRemovesRelationsAndMedia();
    void deleteNodeStaysInsideProject_data();
    void deleteNodeStaysInsideProject();
    void uploads_data();
    void uploads();
    void uploadReplacesSameNameAndRefusesBadBodies();

    void changesOnDiskAreSeen();
    void keptGraphAnswersAsAFreshLoad_data();
    void keptGraphAnswersAsAFreshLoad();
    void writesOfOthersBetweenOursAreKept();
    void persistRefusesAFileSavedMeanwhile();
};

void TestApiRoutes::init()
{
    QVERIFY(m_dir.isValid());
    m_folder = m_dir.filePath(QStringLiteral("Case"));
    QVERIFY(QDir().mkpath(m_folder));
    m_dbPath = QDir(m_folder).filePath(QStringLiteral("Case.orvane.db"));
    QFile::remove(m_dbPath);
    const QString picture = m_dir.filePath(QStringLiteral("capture.png"));
    writeBytes(picture, "png bytes");
    saveFile(sampleGraph(picture), m_dbPath);

    const QString otherFolder = m_dir.filePath(QStringLiteral("Other"));
    QVERIFY(QDir().mkpath(otherFolder));
    m_otherDbPath = QDir(otherFolder).filePath(QStringLiteral("Other.orvane.db"));
    QFile::remove(m_otherDbPath);
    Graph other;
    other.insertNode(makeNode(QStringLiteral("x"), QStringLiteral("Other"), QString()));
    saveFile(other, m_otherDbPath);

    m_keys = std::make_unique<ApiKeyStore>();
    QString error;
    QVERIFY2(m_keys->open(m_dbPath, &error), qPrintable(error));
    m_routes = std::make_unique<ApiRoutes>(*m_keys);
    const QStringList files = {m_dbPath, m_otherDbPath};
    const QString current = m_dbPath;
    m_routes->setProjectResolver(
        [files, current](const QString &name) { return ApiProjects::resolve(name, files, current); });
    m_routes->setProjectsProvider([files]() { return ApiProjects::describe(files); });
    ProjectDb db(m_dbPath);
    QVERIFY(db.open());
    for (ApiRole role : {ApiRole::Read, ApiRole::Write, ApiRole::Admin})
        m_key.insert(role, db.apiKeyForRole(role));
    m_bodies.clear();
}

void TestApiRoutes::cleanup()
{
    // No answer ever gives a key away.
    for (const QByteArray &body : std::as_const(m_bodies)) {
        for (const QString &key : std::as_const(m_key))
            QVERIFY(!body.contains(key.toUtf8()));
    }
    m_routes.reset();
    m_keys.reset();
}

void TestApiRoutes::authorizationHeader_data()
{
    QTest::addColumn<QByteArray>("header");
    QTest::addColumn<int>("status");
    QTest::newRow("missing") << QByteArray() << 401;
    QTest::newRow("scheme only") << QByteArray("Bearer") << 401;
    QTest::newRow("scheme and blanks") << QByteArray("Bearer    ") << 401;
    QTest::newRow("short") << QByteArray("Bear") << 401;
    QTest::newRow("no space") << QByteArray("Bearer%READ%") << 401;
    QTest::newRow("other scheme") << QByteArray("Basic %READ%") << 401;
    QTest::newRow("bare key") << QByteArray("%READ%") << 401;
    QTest::newRow("unknown key") << QByteArray("Bearer 0123456789abcdef") << 401;
    QTest::newRow("truncated key") << QByteArray("Bearer %READ_SHORT%") << 401;
    QTest::newRow("lower-case scheme") << QByteArray("bearer %READ%") << 200;
    QTest::newRow("upper-case scheme") << QByteArray("BEARER %READ%") << 200;
    QTest::newRow("surrounding blanks") << QByteArray("  Bearer   %READ%  \t") << 200;
}

void TestApiRoutes::authorizationHeader()
{
    QFETCH(QByteArray, header);
    QFETCH(int, status);
    const QByteArray key = m_key.value(ApiRole::Read).toUtf8();
    header.replace("%READ_SHORT%", key.left(63)).replace("%READ%", key);
    const ApiReply reply = callWith("GET", QStringLiteral("/api/nodes?db=Case"), header);
    QCOMPARE(reply.status, status);
    if (status != 200)
        QVERIFY(reply.body.isEmpty());
}

void TestApiRoutes::checksRunInOrder_data()
{
    QTest::addColumn<QByteArray>("method");
    QTest::addColumn<QString>("target");
    QTest::addColumn<int>("role"); // -1: no key
    QTest::addColumn<int>("status");
    const int none = -1;
    const int read = int(ApiRole::Read);
    const int write = int(ApiRole::Write);
    const int admin = int(ApiRole::Admin);
    // Authorisation comes before the role, the role before the parameters, the parameters
    // before the project name.
    QTest::newRow("no key, delete") << QByteArray("DELETE") << "/api/node" << none << 401;
    QTest::newRow("read posts") << QByteArray("POST") << "/api/node" << read << 403;
    QTest::newRow("read puts") << QByteArray("PUT") << "/api/edge" << read << 403;
    QTest::newRow("read deletes") << QByteArray("DELETE") << "/api/node" << read << 403;
    QTest::newRow("write deletes") << QByteArray("DELETE") << "/api/edge" << write << 403;
    QTest::newRow("read gets, no db") << QByteArray("GET") << "/api/nodes" << read << 400;
    QTest::newRow("write posts, no db") << QByteArray("POST") << "/api/node" << write << 400;
    QTest::newRow("write puts, no id") << QByteArray("PUT") << "/api/node?db=Case" << write << 400;
    QTest::newRow("admin deletes, no id") << QByteArray("DELETE") << "/api/node?db=Case" << admin << 400;
    QTest::newRow("blank id") << QByteArray("GET") << "/api/node?db=Case&id=%20" << read << 400;
    QTest::newRow("unknown project") << QByteArray("GET") << "/api/node?db=Nope&id=a1" << read << 404;
    QTest::newRow("unknown node") << QByteArray("GET") << "/api/node?db=Case&id=zz" << read << 404;
    QTest::newRow("admin reads") << QByteArray("GET") << "/api/node?db=Case&id=a1" << admin << 200;
    QTest::newRow("write reads") << QByteArray("GET") << "/api/node?db=Case&id=a1" << write << 200;
    QTest::newRow("unknown path") << QByteArray("GET") << "/api/nothing?db=Case" << admin << 404;
    QTest::newRow("method not routed") << QByteArray("PATCH") << "/api/node?db=Case&id=a1" << admin << 404;
    QTest::newRow("options") << QByteArray("OPTIONS") << "/api/nodes?db=Case" << admin << 404;
}

void TestApiRoutes::checksRunInOrder()
{
    QFETCH(QByteArray, method);
    QFETCH(QString, target);
    QFETCH(int, role);
    QFETCH(int, status);
    const QByteArray header =
        role < 0 ? QByteArray() : "Bearer " + m_key.value(ApiRole(role)).toUtf8();
    const ApiReply reply = callWith(method, target, header, QByteArrayLiteral("{}"));
    QCOMPARE(reply.status, status);
    if (status != 200)
        QVERIFY(reply.body.isEmpty());
}

void TestApiRoutes::probesAndProjectsList()
{
    for (const QByteArray method : {"GET", "POST", "DELETE", "PATCH"}) {
        ApiReply reply = callWith(method, QStringLiteral("/health"), QByteArray());
        QCOMPARE(reply.status, 200);
        QCOMPARE(reply.body, QByteArray("ok"));
        reply = callWith(method, QStringLiteral("/version"), "Bearer nonsense");
        QCOMPARE(reply.status, 200);
        QCOMPARE(reply.body, QByteArray("Orvane API v1"));
    }

    QCOMPARE(callWith("GET", QStringLiteral("/api/projects"), QByteArray()).status, 401);
    const ApiReply reply = call("GET", QStringLiteral("/api/projects"), {}, ApiRole::Read);
    QCOMPARE(reply.status, 200);
    QCOMPARE(reply.contentType, QByteArray("application/json; charset=utf-8"));
    const QJsonObject answer = object(reply);
    QCOMPARE(answer.value(QLatin1String("result")).toString(), QStringLiteral("ok"));
    const QJsonArray projects = answer.value(QLatin1String("projects")).toArray();
    QCOMPARE(projects.size(), 2);
    const QJsonObject first = projects.at(0).toObject();
    QCOMPARE(first.value(QLatin1String("key")).toString(), QStringLiteral("Case"));
    QCOMPARE(first.value(QLatin1String("file")).toString(), QStringLiteral("Case.orvane.db"));
    QCOMPARE(first.value(QLatin1String("path")).toString(), QFileInfo(m_dbPath).absoluteFilePath());

    m_routes->clearProjectFunctions();
    QCOMPARE(call("GET", QStringLiteral("/api/projects")).status, 500);
    QCOMPARE(call("GET", QStringLiteral("/api/nodes?db=Case")).status, 404);
}

void TestApiRoutes::lastUsedFollowsAuthorisedRequests()
{
    QVERIFY(!lastUsed(ApiRole::Read));
    QCOMPARE(callWith("GET", QStringLiteral("/api/nodes?db=Case"), "Bearer wrong").status, 401);
    QVERIFY(!lastUsed(ApiRole::Read));

    const QDateTime before = QDateTime::currentDateTimeUtc().addSecs(-1);
    QCOMPARE(call("GET", QStringLiteral("/api/nodes?db=Case"), {}, ApiRole::Read).status, 200);
    const std::optional<QDateTime> used = lastUsed(ApiRole::Read);
    QVERIFY(used);
    QVERIFY(*used >= before && *used <= QDateTime::currentDateTimeUtc().addSecs(1));
    QVERIFY(!lastUsed(ApiRole::Write));
    QVERIFY(!lastUsed(ApiRole::Admin));
}

void TestApiRoutes::regeneratingAKeyRevokesOnlyIt()
{
    const QString oldWrite = m_key.value(ApiRole::Write);
    QString fresh;
    {
        ProjectDb db(m_dbPath);
        QVERIFY(db.open());
        QString error;
        fresh = ApiKeyStore::regenerate(db, ApiRole::Write, &error);
        QVERIFY2(!fresh.isEmpty(), qPrintable(error));
        QCOMPARE(db.apiKeyForRole(ApiRole::Read), m_key.value(ApiRole::Read));
        QCOMPARE(db.apiKeyForRole(ApiRole::Admin), m_key.value(ApiRole::Admin));
        QCOMPARE(db.listApiKeys().size(), 3);
    }
    QVERIFY(fresh != oldWrite);
    QCOMPARE(fresh.size(), 64);
    m_key.insert(ApiRole::Write, fresh);
    const QString target = QStringLiteral("/api/nodes?db=Case");
    QCOMPARE(callWith("GET", target, "Bearer " + oldWrite.toUtf8()).status, 401);
    QCOMPARE(callWith("GET", target, "Bearer " + fresh.toUtf8()).status, 200);
    QCOMPARE(call("GET", target, {}, ApiRole::Read).status, 200);
    QCOMPARE(call("GET", target, {}, ApiRole::Admin).status, 200);
}

void TestApiRoutes::projectNames_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("project"); // 0 Case, 1 Other, -1 none
    QTest::newRow("empty is current") << QString() << 0;
    QTest::newRow("blank is current") << QStringLiteral("  ") << 0;
    QTest::newRow("base name") << QStringLiteral("Other") << 1;
    QTest::newRow("base name, other case") << QStringLiteral("cASE") << 0;
    QTest::newRow("file name, other case") << QStringLiteral("OTHER.ORVANE.DB") << 1;
    QTest::newRow("trimmed") << QStringLiteral(" other ") << 1;
    QTest::newRow("partial name") << QStringLiteral("Case.orvane") << -1;
    QTest::newRow("unknown") << QStringLiteral("Nope") << -1;
}

void TestApiRoutes::projectNames()
{
    QFETCH(QString, name);
    QFETCH(int, project);
    const QStringList files = {m_dbPath, m_otherDbPath};
    QCOMPARE(ApiProjects::resolve(name, files, m_dbPath), project < 0 ? QString() : files.at(project));

    const ApiReply reply = call(
        "GET", QStringLiteral("/api/nodes?db=") + QString::fromLatin1(QUrl::toPercentEncoding(name)));
    if (project < 0 || name.trimmed().isEmpty()) {
        QCOMPARE(reply.status, project < 0 ? 404 : 400); // "db" is required by the route
        return;
    }
    QCOMPARE(reply.status, 200);
    QCOMPARE(object(reply).value(QLatin1String("project")).toString(), name.trimmed());
    QCOMPARE(object(reply).value(QLatin1String("total")).toInt(), project == 0 ? 5 : 1);
}

void TestApiRoutes::paging_data()
{
    QTest::addColumn<QString>("query");
    QTest::addColumn<int>("limit");
    QTest::addColumn<int>("offset");
    QTest::addColumn<QStringList>("page");
    QTest::addColumn<bool>("hasMore");
    const QStringList all = {"a1", "b2", "c3", "d4", "e5"};
    QTest::newRow("defaults") << QString() << 100 << 0 << all << false;
    QTest::newRow("limit 0 gives one") << "&limit=0" << 1 << 0 << QStringList{"a1"} << true;
    QTest::newRow("limit capped") << "&limit=9999" << 500 << 0 << all << false;
    QTest::newRow("limit not a number") << "&limit=abc" << 100 << 0 << all << false;
    QTest::newRow("negative offset") << "&offset=-3&limit=2" << 2 << 0 << QStringList{"a1", "b2"} << true;
    QTest::newRow("middle page") << "&offset=2&limit=2" << 2 << 2 << QStringList{"c3", "d4"} << true;
    QTest::newRow("last page") << "&offset=3&limit=2" << 2 << 3 << QStringList{"d4", "e5"} << false;
    QTest::newRow("past the end") << "&offset=50" << 100 << 50 << QStringList() << false;
    QTest::newRow("huge offset") << "&offset=99999999999" << 100 << 2147483647 << QStringList() << false;
}

void TestApiRoutes::paging()
{
    QFETCH(QString, query);
    QFETCH(int, limit);
    QFETCH(int, offset);
    QFETCH(QStringList, page);
    QFETCH(bool, hasMore);
    const ApiReply reply = call("GET", QStringLiteral("/api/nodes?db=Case") + query, {}, ApiRole::Read);
    QCOMPARE(reply.status, 200);
    const QJsonObject answer = object(reply);
    QCOMPARE(answer.value(QLatin1String("total")).toInt(), 5);
    QCOMPARE(answer.value(QLatin1String("limit")).toInt(), limit);
    QCOMPARE(answer.value(QLatin1String("maxLimit")).toInt(), 500);
    QCOMPARE(answer.value(QLatin1String("offset")).toDouble(), double(offset));
    QCOMPARE(answer.value(QLatin1String("count")).toInt(), page.size());
    QCOMPARE(answer.value(QLatin1String("has_more")).toBool(), hasMore);
    QCOMPARE(ids(answer.value(QLatin1String("nodes")).toArray()), page);
}

void TestApiRoutes::fieldSelection_data()
{
    QTest::addColumn<QString>("fields");
    QTest::addColumn<QStringList>("keys");
    QTest::newRow("one") << "label" << QStringList{"label"};
    QTest::newRow("two, blanks") << " type , id " << QStringList{"id", "type"};
    QTest::newRow("only commas") << ",,," << QStringList{"id", "label", "type"};
    QTest::newRow("case-sensitive") << "Label" << QStringList();
}

void TestApiRoutes::fieldSelection()
{
    QFETCH(QString, fields);
    QFETCH(QStringList, keys);
    const QString encoded = QString::fromLatin1(QUrl::toPercentEncoding(fields));
    const QJsonArray nodes =
        object(call("GET", QStringLiteral("/api/nodes?db=Case&fields=") + encoded))
            .value(QLatin1String("nodes")).toArray();
    QCOMPARE(nodes.size(), 5);
    for (const QJsonValue &node : nodes)
        QCOMPARE(node.toObject().keys(), keys);

    const QJsonObject full =
        object(call("GET", QStringLiteral("/api/node?db=Case&id=c3&fields=") + encoded))
            .value(QLatin1String("node")).toObject();
    if (QTest::currentDataTag() == QLatin1String("only commas"))
        QCOMPARE(full.size(), 22);
    else
        QCOMPARE(full.keys(), keys);
}

void TestApiRoutes::listingsAndFilters()
{
    auto get = [this](const QString &target) {
        const ApiReply reply = call("GET", target, {}, ApiRole::Read);
        [&] { QCOMPARE(reply.status, 200); }();
        return object(reply);
    };
    QJsonObject answer = get(QStringLiteral("/api/edges?db=Case"));
    QCOMPARE(ids(answer.value(QLatin1String("edges")).toArray()),
             QStringList({"r1", "r2", "r3", "r4"}));
    const QJsonObject edge = answer.value(QLatin1String("edges")).toArray().at(0).toObject();
    QCOMPARE(edge.keys(), QStringList({"dir", "dst", "id", "label", "src", "type"}));
    QCOMPARE(edge.value(QLatin1String("dir")).toString(), QStringLiteral("directed"));

    QCOMPARE(texts(get(QStringLiteral("/api/nodes/types?db=Case")).value(QLatin1String("types")).toArray()),
             QStringList({"actor", "domain", "ip"}));
    QCOMPARE(texts(get(QStringLiteral("/api/edges/types?db=Case")).value(QLatin1String("types")).toArray()),
             QStringList({"resolves", "uses"}));
    QCOMPARE(texts(get(QStringLiteral("/api/nodes/attributes?db=Case")).value(QLatin1String("attributes")).toArray()),
             QStringList({"asn", "country"}));
    QCOMPARE(texts(get(QStringLiteral("/api/edges/attributes?db=Case&limit=1")).value(QLatin1String("attributes")).toArray()),
             QStringList({"confidence"}));

    QCOMPARE(ids(get(QStringLiteral("/api/nodes/by-type?db=Case&type=Ip")).value(QLatin1String("nodes")).toArray()),
             QStringList({"a1", "c3"}));
    QCOMPARE(ids(get(QStringLiteral("/api/edges/by-type?db=Case&type=RESOLVES")).value(QLatin1String("edges")).toArray()),
             QStringList({"r1", "r2"}));
    QCOMPARE(ids(get(QStringLiteral("/api/nodes/by-attr?db=Case&attr=asn")).value(QLatin1String("nodes")).toArray()),
             QStringList({"b2", "c3"}));
    QCOMPARE(ids(get(QStringLiteral("/api/nodes/by-attr?db=Case&attr=asn&value=64501")).value(QLatin1String("nodes")).toArray()),
             QStringList({"b2"}));
    QCOMPARE(get(QStringLiteral("/api/nodes/by-attr?db=Case&attr=ASN")).value(QLatin1String("total")).toInt(), 0);
    QCOMPARE(ids(get(QStringLiteral("/api/edges/by-attr?db=Case&attr=confidence&value=high")).value(QLatin1String("edges")).toArray()),
             QStringList({"r4"}));
    QCOMPARE(texts(get(QStringLiteral("/api/nodes/by-label?db=Case&label=ALPHA")).value(QLatin1String("ids")).toArray()),
             QStringList({"a1", "b2"}));
    QCOMPARE(texts(get(QStringLiteral("/api/edges/by-label?db=Case&label=r3")).value(QLatin1String("ids")).toArray()),
             QStringList({"r3"}));

    answer = get(QStringLiteral("/api/medias?db=Case"));
    QCOMPARE(answer.value(QLatin1String("total")).toInt(), 1);
    QCOMPARE(answer.value(QLatin1String("medias")).toArray().at(0).toObject(),
             QJsonObject({{"node_id", "c3"}, {"name", "capture"}, {"sha256", "ABCDEF0123"}}));

    for (const char *path : {"/api/nodes/by-type?db=Case", "/api/nodes/by-attr?db=Case",
                             "/api/edges/by-label?db=Case", "/api/media?db=Case"})
        QCOMPARE(call("GET", QLatin1String(path)).status, 400);
}

void TestApiRoutes::singleLookups()
{
    Graph graph = fileGraph();
    Node node = graph.node(QStringLiteral("c3"));
    node.shape = NodeShape::Hexagon;
    node.color = QColor(0x12, 0x34, 0x56);
    node.validity.start = QDateTime(QDate(2024, 5, 6), QTime(7, 8, 9), Qt::UTC);
    node.pos = QPointF(12.5, -3);
    graph.replaceNode(node);
    saveFile(graph, m_dbPath);

    QJsonObject full = object(call("GET", QStringLiteral("/api/node?db=Case&id=c3")))
                           .value(QLatin1String("node")).toObject();
    QCOMPARE(full.value(QLatin1String("shape")).toString(), QStringLiteral("hexagone"));
    QCOMPARE(full.value(QLatin1String("color")).toString(), QStringLiteral("#ff123456"));
    QCOMPARE(full.value(QLatin1String("validity")).toObject(),
             QJsonObject({{"start", "2024-05-06T07:08:09Z"}}));
    QCOMPARE(full.value(QLatin1String("pos")).toObject(), QJsonObject({{"x", 12.5}, {"y", -3}}));
    QCOMPARE(full.value(QLatin1String("attrs")).toObject(),
             QJsonObject({{"asn", "64500"}, {"country", "FR"}}));
    const QJsonObject media = full.value(QLatin1String("medias")).toArray().at(0).toObject();
    QCOMPARE(media.value(QLatin1String("name")).toString(), QStringLiteral("capture"));
    QCOMPARE(media.value(QLatin1String("path")).toString(),
             QDir(m_folder).filePath(QStringLiteral("nodes/c3/medias/capture.png")));

    const QJsonObject edge = object(call("GET", QStringLiteral("/api/edge?db=Case&id=r4")))
                                 .value(QLatin1String("edge")).toObject();
    QCOMPARE(edge.value(QLatin1String("src")).toString(), QStringLiteral("a1"));
    QCOMPARE(edge.value(QLatin1String("width")).toDouble(), 1.8);
    QCOMPARE(edge.value(QLatin1String("color")).toString(), QString()); // no colour set
    QCOMPARE(edge.value(QLatin1String("attrs")).toObject(), QJsonObject({{"confidence", "high"}}));
    QCOMPARE(call("GET", QStringLiteral("/api/edge?db=Case&id=nope")).status, 404);

    const QJsonObject found = object(call("GET", QStringLiteral("/api/media?db=Case&sha=abcdef0123&fields=node_id,name")));
    QCOMPARE(found.value(QLatin1String("media")).toObject(),
             QJsonObject({{"node_id", "c3"}, {"name", "capture"}}));
    QCOMPARE(call("GET", QStringLiteral("/api/media?db=Case&sha=ffff")).status, 404);
}

void TestApiRoutes::createNodeAndEdge()
{
    ApiReply reply = call("POST", QStringLiteral("/api/node?db=Case"),
                          R"({"label":"  New  ","type":"ip","shape":" Square","color":"#00ff00",
                              "size":2.5,"pos":{"x":4,"y":5},"hypothesis":true,"showLabel":false,
                              "validity":{"end":"2025-01-01T00:00:00Z"},
                              "attrs":{"port":443,"tls":true}})",
                          ApiRole::Write);
    QCOMPARE(reply.status, 201);
    const QString nodeId = object(reply).value(QLatin1String("id")).toString();
    QCOMPARE(nodeId.size(), 36);

    reply = call("POST", QStringLiteral("/api/edge?db=Case"),
                 QStringLiteral(R"({"src":" %1 ","dst":"a1","label":"to","dir":"undirected",
                                    "width":3,"attrs":{"seen":"2024"}})")
                     .arg(nodeId).toUtf8(),
                 ApiRole::Write);
    QCOMPARE(reply.status, 201);
    const QString edgeId = object(reply).value(QLatin1String("id")).toString();

    const Graph graph = fileGraph();
    const Node node = graph.node(nodeId);
    QCOMPARE(node.label, QStringLiteral("New"));
    QCOMPARE(node.shape, NodeShape::Square);
    QCOMPARE(node.color, QColor(0, 255, 0));
    QCOMPARE(node.size, 2.5);
    QCOMPARE(node.pos, QPointF(4, 5));
    QVERIFY(node.hypothesis);
    QVERIFY(!node.showLabel);
    QVERIFY(node.visible);
    QVERIFY(!node.validity.start.isValid());
    QCOMPARE(node.validity.end, QDateTime(QDate(2025, 1, 1), QTime(0, 0), Qt::UTC));
    QCOMPARE(node.attributes.size(), 2);
    const Edge edge = graph.edge(edgeId);
    QCOMPARE(edge.src, nodeId);
    QCOMPARE(edge.direction, EdgeDirection::Undirected);
    QCOMPARE(edge.width, 3.0);
    QCOMPARE(edge.type, QString());
    QCOMPARE(edge.attributes.value(0).value, QStringLiteral("2024"));
    QCOMPARE(graph.nodes().size(), 6);
}

void TestApiRoutes::createRefusesBadInput_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QByteArray>("body");
    QTest::newRow("node, no body") << "/api/node" << QByteArray();
    QTest::newRow("node, array") << "/api/node" << QByteArray("[1,2]");
    QTest::newRow("node, malformed") << "/api/node" << QByteArray("{\"label\":");
    QTest::newRow("edge, no src") << "/api/edge" << QByteArray(R"({"dst":"a1"})");
    QTest::newRow("edge, unknown dst") << "/api/edge" << QByteArray(R"({"src":"a1","dst":"zz"})");
    QTest::newRow("edge, blank src") << "/api/edge" << QByteArray(R"({"src":"  ","dst":"a1"})");
}

void TestApiRoutes::createRefusesBadInput()
{
    QFETCH(QString, path);
    QFETCH(QByteArray, body);
    const FileStamp before = FileStamp::of(m_dbPath);
    const ApiReply reply = call("POST", path + QStringLiteral("?db=Case"), body);
    QCOMPARE(reply.status, 400);
    QVERIFY(reply.body.isEmpty());
    QCOMPARE(FileStamp::of(m_dbPath).changeCounter, before.changeCounter + 1); // last_used only
    QCOMPARE(fileGraph().nodes().size(), 5);
    QCOMPARE(fileGraph().edges().size(), 4);
}

void TestApiRoutes::updateReportsKeys_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QStringList>("updated");
    QTest::newRow("one coordinate") << "/api/node?db=Case&id=a1" << QByteArray(R"({"pos":{"x":10}})")
                                    << QStringList{"pos.x"};
    QTest::newRow("unchanged value") << "/api/node?db=Case&id=a1" << QByteArray(R"({"label":"Alpha"})")
                                     << QStringList{"label"};
    QTest::newRow("order of the list")
        << "/api/node?db=Case&id=a1"
        << QByteArray(R"({"groupOffset":{"y":2},"hypothesis":true,"validity":{"start":"2024-01-02T03:04:05Z","end":"nonsense"},"type":"x","label":"L"})")
        << QStringList{"label", "type", "validity.start", "validity.end", "hypothesis", "groupOffset.y"};
    QTest::newRow("unknown keys") << "/api/node?db=Case&id=a1" << QByteArray(R"({"nope":1,"attrs":{}})")
                                  << QStringList();
    QTest::newRow("edge") << "/api/edge?db=Case&id=r1"
                          << QByteArray(R"({"width":3,"dir":"undirected","color":"#00ff00","src":"b2"})")
                          << QStringList{"dir", "color", "width"};
}

void TestApiRoutes::updateReportsKeys()
{
    QFETCH(QString, path);
    QFETCH(QByteArray, body);
    QFETCH(QStringList, updated);
    const ApiReply reply = call("PUT", path, body, ApiRole::Write);
    QCOMPARE(reply.status, 200);
    QCOMPARE(texts(object(reply).value(QLatin1String("updated")).toArray()), updated);

    const Graph graph = fileGraph();
    const Node node = graph.node(QStringLiteral("a1"));
    const Edge edge = graph.edge(QStringLiteral("r1"));
    if (QTest::currentDataTag() == QLatin1String("one coordinate"))
        QCOMPARE(node.pos, QPointF(10, 0));
    if (QTest::currentDataTag() == QLatin1String("order of the list")) {
        QCOMPARE(node.label, QStringLiteral("L"));
        QCOMPARE(node.validity.start, QDateTime(QDate(2024, 1, 2), QTime(3, 4, 5), Qt::UTC));
        QVERIFY(!node.validity.end.isValid());
        QVERIFY(node.hypothesis);
    }
    if (QTest::currentDataTag() == QLatin1String("edge")) {
        QCOMPARE(edge.width, 3.0);
        QCOMPARE(edge.direction, EdgeDirection::Undirected);
        QCOMPARE(edge.color, QColor(0, 255, 0));
        QCOMPARE(edge.src, QStringLiteral("c3")); // the ends of a relation do not move
    }
}

void TestApiRoutes::attributeValues_data()
{
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("string") << QByteArray(R"(" keeps blanks ")") << " keeps blanks ";
    QTest::newRow("integer") << QByteArray("42") << "42";
    QTest::newRow("six digits") << QByteArray("3.14159265") << "3.14159";
    QTest::newRow("large") << QByteArray("1e21") << "1e+21";
    QTest::newRow("boolean") << QByteArray("false") << "false";
    QTest::newRow("null") << QByteArray("null") << "";
    QTest::newRow("object") << QByteArray(R"({ "a" : [1, 2] })") << R"({"a":[1,2]})";
    QTest::newRow("array") << QByteArray(R"([true, "x"])") << R"([true,"x"])";
}

void TestApiRoutes::attributeValues()
{
    QFETCH(QByteArray, value);
    QFETCH(QString, text);
    ApiReply reply = call("POST", QStringLiteral("/api/node/attribute?db=Case&id=c3"),
                          R"({"name":" country ","value":)" + value + "}", ApiRole::Write);
    QCOMPARE(reply.status, 200);
    QCOMPARE(object(reply), QJsonObject({{"result", "ok"}, {"project", "Case"}, {"id", "c3"},
                                         {"name", "country"}, {"value", text}}));
    const QList<AttributeRow> rows = fileGraph().node(QStringLiteral("c3")).attributes;
    QCOMPARE(rows.size(), 2); // the existing row was replaced
    for (const AttributeRow &row : rows) {
        if (row.key == u"country")
            QCOMPARE(row.value, text);
    }

    reply = call("POST", QStringLiteral("/api/edge/attribute?db=Case&id=r2"),
                 R"({"name":"weight","value":)" + value + "}", ApiRole::Write);
    QCOMPARE(reply.status, 200);
    QCOMPARE(fileGraph().edge(QStringLiteral("r2")).attributes.value(0).value, text);
}

void TestApiRoutes::attributeErrors()
{
    QCOMPARE(call("POST", QStringLiteral("/api/node/attribute?db=Case&id=zz"), R"({"name":"a"})").status, 404);
    QCOMPARE(call("POST", QStringLiteral("/api/edge/attribute?db=Case&id=zz"), "garbage").status, 404);
    QCOMPARE(call("POST", QStringLiteral("/api/node/attribute?db=Case&id=a1"), "garbage").status, 400);
    QCOMPARE(call("POST", QStringLiteral("/api/node/attribute?db=Case&id=a1"), R"({"name":"  ","value":1})").status, 400);
    QCOMPARE(call("POST", QStringLiteral("/api/edge/attribute?db=Case&id=r1"), R"({"value":1})").status, 400);
    QCOMPARE(call("PUT", QStringLiteral("/api/node?db=Case&id=zz"), "garbage").status, 404);
    QCOMPARE(call("PUT", QStringLiteral("/api/node?db=Case&id=a1"), "garbage").status, 400);
    QCOMPARE(call("DELETE", QStringLiteral("/api/edge?db=Case&id=zz")).status, 404);
    QCOMPARE(call("DELETE", QStringLiteral("/api/node?db=Case&id=zz")).status, 404);
    QVERIFY(fileGraph().node(QStringLiteral("a1")).attributes.isEmpty());
}

void TestApiRoutes::deleteNodeRemovesRelationsAndMedia()
{
    const QString mediaFolder = QDir(m_folder).filePath(QStringLiteral("nodes/c3"));
    QVERIFY(QFileInfo::exists(mediaFolder + QStringLiteral("/medias/capture.png")));
    ApiReply reply = call("DELETE", QStringLiteral("/api/node?db=Case&id=c3"));
    QCOMPARE(reply.status, 200);
    QCOMPARE(object(reply).value(QLatin1String("removed_edges")).toInt(), 3);
    QVERIFY(!QFileInfo::exists(mediaFolder));
    QVERIFY(QFileInfo::exists(m_dbPath));
    Graph graph = fileGraph();
    QVERIFY(!graph.hasNode(QStringLiteral("c3")));
    QCOMPARE(graph.edges().keys(), QStringList{"r4"});

    reply = call("DELETE", QStringLiteral("/api/edge?db=Case&id=r4"));
    QCOMPARE(reply.status, 200);
    QCOMPARE(object(reply).value(QLatin1String("id")).toString(), QStringLiteral("r4"));
    graph = fileGraph();
    QVERIFY(graph.edges().isEmpty());
    QCOMPARE(graph.nodes().size(), 4);
}

void TestApiRoutes::deleteNodeStaysInsideProject_data()
{
    QTest::addColumn<QString>("id");
    QTest::newRow("parent") << "..";
    QTest::newRow("outside") << "../../victim";
    QTest::newRow("absolute") << "/tmp";
    QTest::newRow("dot") << ".";
}

void TestApiRoutes::deleteNodeStaysInsideProject()
{
    QFETCH(QString, id);
    const QString victim = m_dir.filePath(QStringLiteral("victim"));
    QVERIFY(QDir().mkpath(victim));
    QFile keep(victim + QStringLiteral("/keep.txt"));
    QVERIFY(keep.open(QIODevice::WriteOnly));
    keep.close();
    Graph graph = fileGraph();
    graph.insertNode(makeNode(id, QStringLiteral("odd"), QString()));
    saveFile(graph, m_dbPath);
    // Where the save keeps this node's media.
    const QString oddFolder = ProjectFolder::nodeFolderPath(m_folder, id);
    QVERIFY(QDir().mkpath(oddFolder + QStringLiteral("/medias")));

    const ApiReply reply = call(
        "DELETE", QStringLiteral("/api/node?db=Case&id=") + QString::fromLatin1(QUrl::toPercentEncoding(id)));
    QCOMPARE(reply.status, 200);
    QVERIFY(QFileInfo::exists(victim + QStringLiteral("/keep.txt")));
    QVERIFY(QFileInfo::exists(m_dbPath));
    QVERIFY(QFileInfo::exists(QDir(m_folder).filePath(QStringLiteral("nodes/c3/medias/capture.png"))));
    QVERIFY(QFileInfo::exists(QStringLiteral("/tmp")));
    QVERIFY(!QFileInfo::exists(oddFolder));
    QCOMPARE(fileGraph().nodes().size(), 5);
}

void TestApiRoutes::uploads_data()
{
    QTest::addColumn<QString>("filename");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("name");
    QTest::newRow("absent") << QString() << "upload.bin" << "upload";
    QTest::newRow("plain") << "report.v2.pdf" << "report.v2.pdf" << "report.v2";
    QTest::newRow("path") << "../../etc/evil.sh" << "evil.sh" << "evil";
    QTest::newRow("windows path") << "C:\\Users\\me\\note.txt" << "note.txt" << "note";
    QTest::newRow("dot-dot") << ".." << "upload.bin" << "upload";
    QTest::newRow("ends in dot-dot") << "a/b/.." << "upload.bin" << "upload";
    QTest::newRow("dot") << "." << "upload.bin" << "upload";
}

void TestApiRoutes::uploads()
{
    QFETCH(QString, filename);
    QFETCH(QString, stored);
    QFETCH(QString, name);
    QString target = QStringLiteral("/api/node/media?db=Case&id=a1&desc=%20d%20&tags=t1,t2&author=me");
    if (!filename.isNull())
        target += QStringLiteral("&filename=") + QString::fromLatin1(QUrl::toPercentEncoding(filename));
    const QByteArray content = "file content " + filename.toUtf8();
    const ApiReply reply = call("POST", target, content, ApiRole::Write);
    QCOMPARE(reply.status, 200);
    const QJsonObject answer = object(reply);
    QCOMPARE(answer.value(QLatin1String("node_id")).toString(), QStringLiteral("a1"));
    QCOMPARE(answer.value(QLatin1String("name")).toString(), name);
    QCOMPARE(answer.value(QLatin1String("stored")).toString(),
             QStringLiteral("nodes/a1/medias/<filename>"));

    const QList<MediaRecord> medias = fileGraph().node(QStringLiteral("a1")).medias;
    QCOMPARE(medias.size(), 1);
    QCOMPARE(medias[0].name, name);
    QCOMPARE(medias[0].file, QDir(m_folder).filePath(QStringLiteral("nodes/a1/medias/") + stored));
    QCOMPARE(medias[0].description, QStringLiteral(" d "));
    QCOMPARE(medias[0].tags, QStringLiteral("t1,t2"));
    QCOMPARE(medias[0].author, QStringLiteral("me"));
    QVERIFY(medias[0].date.isValid());
    QCOMPARE(medias[0].sha256,
             QString::fromLatin1(QCryptographicHash::hash(content, QCryptographicHash::Sha256).toHex()));
    QCOMPARE(fileBytes(medias[0].file), content);
    QVERIFY(!QFileInfo::exists(m_dir.filePath(QStringLiteral("etc"))));
}

void TestApiRoutes::uploadReplacesSameNameAndRefusesBadBodies()
{
    const QString target = QStringLiteral("/api/node/media?db=Case&id=b2&filename=shot.png");
    QCOMPARE(call("POST", target, "first", ApiRole::Write).status, 200);
    QCOMPARE(call("POST", target + QStringLiteral("&name=SHOT"), "second", ApiRole::Write).status, 200);
    const QList<MediaRecord> medias = fileGraph().node(QStringLiteral("b2")).medias;
    QCOMPARE(medias.size(), 1);
    QCOMPARE(medias[0].name, QStringLiteral("SHOT"));
    QCOMPARE(fileBytes(medias[0].file), QByteArray("second"));

    QCOMPARE(call("POST", target, QByteArray(), ApiRole::Write).status, 400);
    QCOMPARE(call("POST", QStringLiteral("/api/node/media?db=Case&id=zz"), "x", ApiRole::Write).status, 404);
    QCOMPARE(call("POST", QStringLiteral("/api/node/media?db=Case&id=b2"), "x", ApiRole::Read).status, 403);
    const QByteArray tooLarge(ApiHandlers::kMaxUploadBytes + 1, '\0');
    QCOMPARE(call("POST", target, tooLarge, ApiRole::Write).status, 413);
    QCOMPARE(fileGraph().node(QStringLiteral("b2")).medias.size(), 1);
}

void TestApiRoutes::changesOnDiskAreSeen()
{
    const QString target = QStringLiteral("/api/nodes?db=Case");
    QCOMPARE(object(call("GET", target, {}, ApiRole::Read)).value(QLatin1String("total")).toInt(), 5);

    // Another program adds a node within the same second: only the change counter tells.
    Graph graph = fileGraph();
    graph.insertNode(makeNode(QStringLiteral("f6"), QStringLiteral("Zeta"), QString()));
    saveFile(graph, m_dbPath);
    // The write key's first use stamps last_used in the same file: that write must not make
    // the graph read before the other program's change look current.
    QCOMPARE(object(call("GET", target, {}, ApiRole::Write)).value(QLatin1String("total")).toInt(), 6);
    QCOMPARE(object(call("GET", target, {}, ApiRole::Admin)).value(QLatin1String("total")).toInt(), 6);

    // A change made through the API is in the file and in the next answer.
    QCOMPARE(call("DELETE", QStringLiteral("/api/node?db=Case&id=f6")).status, 200);
    QVERIFY(!fileGraph().hasNode(QStringLiteral("f6")));
    QCOMPARE(object(call("GET", target, {}, ApiRole::Read)).value(QLatin1String("total")).toInt(), 5);

    // A vanished project is an error, not a new empty project.
    QVERIFY(QFile::remove(m_otherDbPath));
    QCOMPARE(call("GET", QStringLiteral("/api/nodes?db=Other")).status, 500);
    QVERIFY(!QFileInfo::exists(m_otherDbPath));
}

void TestApiRoutes::keptGraphAnswersAsAFreshLoad_data()
{
    // Calls "METHOD target [body]", made one after the other.
    QTest::addColumn<QStringList>("calls");
    const QString outside = m_dir.filePath(QStringLiteral("capture.png"));
    QTest::newRow("create node") << QStringList{
        "POST /api/node?db=Case {\"label\":\" New \",\"type\":\"ip\",\"color\":\"#80ff0000\","
        "\"validity\":{\"start\":\"2024-01-02T03:04:05+02:00\",\"end\":\"2024-05-06T07:08:09.250Z\"},"
        "\"pos\":{\"x\":1.5,\"y\":-2},\"attrs\":{\"k\":\"v\",\"n\":3}}",
        "POST /api/node?db=Case {}"};
    QTest::newRow("create edge") << QStringList{
        "POST /api/edge?db=Case {\"src\":\"a1\",\"dst\":\"d4\",\"label\":\"L\","
        "\"color\":\"#40112233\",\"dir\":\"undirected\",\"attrs\":{\"w\":1}}"};
    QTest::newRow("update node") << QStringList{
        "PUT /api/node?db=Case&id=c3 {\"label\":\"G2\",\"mediaPath\":\"../outside.png\","
        "\"expanded\":true,\"isInvestigationLink\":true,\"investigationPath\":\"/x/y.orvane.db\","
        "\"validity\":{\"start\":\"2023-01-01T00:00:00\"},\"color\":\"#7f000000\"}",
        "PUT /api/node?db=Case&id=a1 {\"mediaPath\":\"" + outside + "\"}",
        "PUT /api/node?db=Case&id=b2 {\"mediaPath\":\"" + m_folder + "/loose.png\"}"};
    QTest::newRow("update edge") << QStringList{
        "PUT /api/edge?db=Case&id=r1 {\"color\":\"#10abcdef\",\"width\":3,"
        "\"validity\":{\"end\":\"2025-01-01T00:00:00Z\"},\"dir\":\"none\"}"};
    QTest::newRow("groups") << QStringList{
        "PUT /api/node?db=Case&id=d4 {\"isGroup\":true,\"groupMembers\":[\"b2\",\"zz\",\"d4\",\"b2\",\" e5 \"]}",
        "PUT /api/node?db=Case&id=b2 {\"groupOffset\":{\"x\":4,\"y\":5},\"parentGroup\":\"a1\"}",
        "PUT /api/node?db=Case&id=a1 {\"isGroup\":true,\"groupMembers\":[\"nope\"]}",
        "DELETE /api/node?db=Case&id=e5",
        "DELETE /api/node?db=Case&id=b2",
        "PUT /api/node?db=Case&id=c3 {\"isGroup\":true,\"groupMembers\":[\"a1\"]}",
        "DELETE /api/node?db=Case&id=c3"};
    QTest::newRow("attributes") << QStringList{
        "POST /api/node/attribute?db=Case&id=f6 {\"name\":\"k\",\"value\":\"2\"}",
        "POST /api/node/attribute?db=Case&id=c3 {\"name\":\"new\",\"value\":true}",
        "POST /api/edge/attribute?db=Case&id=r4 {\"name\":\"confidence\",\"value\":{\"a\":1}}"};
    QTest::newRow("uploads") << QStringList{
        "POST /api/node/media?db=Case&id=a1&filename=shot.png first",
        "POST /api/node/media?db=Case&id=a1&filename=shot.png&name=SHOT second",
        "POST /api/node/media?db=Case&id=c3&filename=capture.png other"};
    QTest::newRow("deletes") << QStringList{
        "DELETE /api/edge?db=Case&id=r2",
        "DELETE /api/node?db=Case&id=c3",
        "DELETE /api/node?db=Case&id=f6"};
}

void TestApiRoutes::keptGraphAnswersAsAFreshLoad()
{
    QFETCH(QStringList, calls);
    // Rows the file holds once: an attribute key twice, a picture loose in the project.
    Graph graph = fileGraph();
    Node twice = makeNode(QStringLiteral("f6"), QStringLiteral("Zeta"), QString());
    twice.attributes = {{QString(), QStringLiteral("k"), QStringLiteral("1")},
                        {QString(), QStringLiteral("k"), QStringLiteral("2")}};
    graph.insertNode(twice);
    saveFile(graph, m_dbPath);
    writeBytes(QDir(m_folder).filePath(QStringLiteral("loose.png")), "loose");

    QString error;
    const LoadedProject *kept = m_routes->cache().project(m_dbPath, &error).get();
    QVERIFY2(kept, qPrintable(error));
    for (const QString &line : std::as_const(calls)) {
        const QStringList parts = line.split(QLatin1Char(' '));
        const ApiReply reply = call(parts.at(0).toLatin1(), parts.at(1),
                                    parts.mid(2).join(QLatin1Char(' ')).toUtf8());
        QVERIFY2(reply.isSuccess(), qPrintable(line + QStringLiteral(": %1").arg(reply.status)));
        // The graph read before the write is the one changed, not read again.
        QCOMPARE(m_routes->cache().project(m_dbPath, &error).get(), kept);
        compareWithFreshLoad();
        if (QTest::currentTestFailed())
            QFAIL(qPrintable(line));
    }
}

void TestApiRoutes::writesOfOthersBetweenOursAreKept()
{
    const ApiReply created = call("POST", QStringLiteral("/api/node?db=Case"), "{\"label\":\"Ours\"}");
    QCOMPARE(created.status, 201);
    const QString ours = object(created).value(QLatin1String("id")).toString();

    // Another program saves the file as it found it, plus a node of its own.
    Graph graph = fileGraph();
    QVERIFY(graph.hasNode(ours));
    graph.insertNode(makeNode(QStringLiteral("theirs"), QStringLiteral("Theirs"), QString()));
    saveFile(graph, m_dbPath);

    QCOMPARE(call("PUT", QStringLiteral("/api/node?db=Case&id=") + ours, "{\"type\":\"ip\"}").status, 200);
    QCOMPARE(call("DELETE", QStringLiteral("/api/node?db=Case&id=a1")).status, 200);
    graph = fileGraph();
    QCOMPARE(graph.node(ours).type, QStringLiteral("ip"));
    QCOMPARE(graph.node(QStringLiteral("theirs")).label, QStringLiteral("Theirs"));
    QVERIFY(!graph.hasNode(QStringLiteral("a1")));
    compareWithFreshLoad();
}

void TestApiRoutes::persistRefusesAFileSavedMeanwhile()
{
    ProjectDb db(m_dbPath);
    QVERIFY(db.open());
    const qint64 loaded = db.generation();
    saveFile(fileGraph(), m_dbPath); // another program, after our load

    Graph graph = fileGraph();
    ChangeSet changes;
    ChangeRecording::record(graph, changes, [](Graph &g) {
        return g.insertNode(makeNode(QStringLiteral("late"), QStringLiteral("Late"), QString()));
    });
    const ApiRequest request;
    const RouteContext context{request, QStringLiteral("Case"), m_dbPath, m_folder, {}, {}, {}, {}, {}};
    QCOMPARE(ApiRoutes::persist(context, graph, changes, loaded).result, SaveResult::ChangedOnDisk);
    QVERIFY(!fileGraph().hasNode(QStringLiteral("late")));
    const ApiRoutes::Persisted saved = ApiRoutes::persist(context, graph, changes, loaded + 1);
    QCOMPARE(saved.result, SaveResult::Saved);
    QCOMPARE(saved.generation, loaded + 2);
    QVERIFY(saved.stamp.exists);
    QCOMPARE(saved.stamp, FileStamp::of(m_dbPath));
    QVERIFY(fileGraph().hasNode(QStringLiteral("late")));
}

QTEST_GUILESS_MAIN(TestApiRoutes)
#include "tst_api_routes.moc"
