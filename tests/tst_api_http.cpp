// The API over real HTTP on 127.0.0.1: statuses and bodies as a client sees them, keep-alive,
// bad input that must not bring the server down, and the command line that serves files.

#include "api/apiprojects.h"
#include "api/apiserver.h"
#include "model/graph.h"
#include "storage/projectdb.h"
#include "testgraphs.h"

#include <QDir>
#include <QEventLoop>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QProcess>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <csignal>

using namespace TestGraphs;

namespace {

constexpr int kTimeoutMs = 10000;

struct HttpAnswer
{
    int status = 0; // 0: no answer
    QByteArray body;
    QByteArray contentType;
    QList<QByteArray> headerNames;
};

// One request through QNetworkAccessManager, bounded in time.
HttpAnswer send(QNetworkAccessManager &manager, const QByteArray &method, const QUrl &url,
                const QByteArray &authorization = QByteArray(), const QByteArray &body = QByteArray())
{
    QNetworkRequest request(url);
    if (!authorization.isNull())
        request.setRawHeader("Authorization", authorization);
    if (!body.isEmpty())
        request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArrayLiteral("application/octet-stream"));
    QNetworkReply *reply = manager.sendCustomRequest(request, method, body);
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    QTimer::singleShot(kTimeoutMs, &loop, &QEventLoop::quit);
    loop.exec();
    HttpAnswer answer;
    if (reply->isFinished()) {
        answer.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        answer.body = reply->readAll();
        answer.contentType = reply->rawHeader("Content-Type");
        answer.headerNames = reply->rawHeaderList();
    } else {
        reply->abort();
    }
    reply->deleteLater();
    return answer;
}

// Raw bytes on a fresh connection, the event loop running so that the server (on this
// thread) can answer. Returns what came back until the server closed the connection, went
// quiet for quietMs after answering, or the time ran out. With hangUp, the client closes
// right after writing.
QByteArray rawExchange(quint16 port, const QByteArray &bytes, int quietMs = 300,
                       bool hangUp = false)
{
    QTcpSocket socket;
    QByteArray received;
    QEventLoop loop;
    QTimer quiet;
    quiet.setSingleShot(true);
    QObject::connect(&quiet, &QTimer::timeout, &loop, &QEventLoop::quit);
    QObject::connect(&socket, &QTcpSocket::connected, [&] {
        socket.write(bytes);
        if (hangUp)
            socket.disconnectFromHost();
        quiet.start(3 * quietMs);
    });
    QObject::connect(&socket, &QTcpSocket::readyRead, [&] {
        received += socket.readAll();
        quiet.start(quietMs);
    });
    QObject::connect(&socket, &QTcpSocket::disconnected, &loop, &QEventLoop::quit);
    QObject::connect(&socket, &QTcpSocket::errorOccurred, &loop, &QEventLoop::quit);
    QTimer::singleShot(kTimeoutMs, &loop, &QEventLoop::quit);
    socket.connectToHost(QHostAddress::LocalHost, port);
    loop.exec();
    return received + socket.readAll();
}

} // namespace

class TestApiHttp : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_dbPath;
    std::unique_ptr<ApiServer> m_server;
    QNetworkAccessManager m_manager;
    QHash<ApiRole, QByteArray> m_key;

    QUrl url(const QString &pathAndQuery, quint16 port = 0) const
    {
        return QUrl(QStringLiteral("http://127.0.0.1:%1%2")
                        .arg(port ? port : m_server->port())
                        .arg(pathAndQuery));
    }
    HttpAnswer get(const QString &target, ApiRole role = ApiRole::Read)
    {
        return send(m_manager, "GET", url(target), "Bearer " + m_key.value(role));
    }

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void probesNeedNoKey();
    void authorisation_data();
    void authorisation();
    void answersCarryOnlyTheirContentType();
    void writesReachTheFileAndOutsideChangesAreSeen();
    void keepAliveServesSeveralRequests();
    void survivesBadInput();
    void restartEmitsStoppedThenStarted();

    void cliPrintsKeys();
    void cliServesUntilTerminated();
};

void TestApiHttp::initTestCase()
{
    m_manager.setProxy(QNetworkProxy::NoProxy);
}

void TestApiHttp::init()
{
    const QString folder = m_dir.filePath(QStringLiteral("Case"));
    QVERIFY(QDir().mkpath(folder));
    m_dbPath = QDir(folder).filePath(QStringLiteral("Case.orvane.db"));
    QFile::remove(m_dbPath);
    Graph graph;
    for (const char *id : {"n1", "n2", "n3"})
        graph.insertNode(makeNode(QLatin1String(id), QString::fromLatin1(id).toUpper()));
    graph.insertEdge(makeEdge(QStringLiteral("e1"), QStringLiteral("n1"), QStringLiteral("n2")));
    {
        ProjectDb db(m_dbPath);
        QVERIFY(db.open());
        QVERIFY(db.saveGraph(graph, folder));
        QVERIFY(db.ensureApiKeys());
        for (ApiRole role : {ApiRole::Read, ApiRole::Write, ApiRole::Admin})
            m_key.insert(role, db.apiKeyForRole(role).toUtf8());
    }
    m_server = std::make_unique<ApiServer>();
    QVERIFY(m_server->initDb(m_dbPath));
    const QStringList files = {m_dbPath};
    m_server->setProjectResolver(
        [files](const QString &name) { return ApiProjects::resolve(name, files, files.first()); });
    m_server->setProjectsProvider([files]() { return ApiProjects::describe(files); });
    QVERIFY(m_server->start(QHostAddress::LocalHost, 0));
    QVERIFY(m_server->port() != 0);
}

void TestApiHttp::cleanup()
{
    m_server.reset();
}

void TestApiHttp::probesNeedNoKey()
{
    for (const QByteArray method : {"GET", "POST", "PUT", "DELETE", "PATCH"}) {
        HttpAnswer answer = send(m_manager, method, url(QStringLiteral("/health")));
        QCOMPARE(answer.status, 200);
        QCOMPARE(answer.body, QByteArray("ok"));
        answer = send(m_manager, method, url(QStringLiteral("/version")), "Bearer wrong");
        QCOMPARE(answer.status, 200);
        QCOMPARE(answer.body, QByteArray("Orvane API v1"));
    }
}

void TestApiHttp::authorisation_data()
{
    QTest::addColumn<QByteArray>("method");
    QTest::addColumn<QString>("target");
    QTest::addColumn<QByteArray>("header"); // %R% %W% %A%: the keys
    QTest::addColumn<int>("status");
    const QString nodes = QStringLiteral("/api/nodes?db=Case");
    const QString node = QStringLiteral("/api/node?db=Case&id=n3");
    QTest::newRow("no header") << QByteArray("GET") << nodes << QByteArray() << 401;
    QTest::newRow("short header") << QByteArray("GET") << nodes << QByteArray("Bear") << 401;
    QTest::newRow("scheme only") << QByteArray("GET") << nodes << QByteArray("Bearer") << 401;
    QTest::newRow("unknown key") << QByteArray("GET") << nodes << QByteArray("Bearer abc") << 401;
    QTest::newRow("scheme case, blanks") << QByteArray("GET") << nodes << QByteArray(" beaRER   %R% ") << 200;
    QTest::newRow("projects") << QByteArray("GET") << QStringLiteral("/api/projects") << QByteArray("Bearer %R%") << 200;
    QTest::newRow("read deletes") << QByteArray("DELETE") << node << QByteArray("Bearer %R%") << 403;
    QTest::newRow("read puts") << QByteArray("PUT") << node << QByteArray("Bearer %R%") << 403;
    QTest::newRow("read posts") << QByteArray("POST") << QStringLiteral("/api/node?db=Case") << QByteArray("Bearer %R%") << 403;
    QTest::newRow("write deletes") << QByteArray("DELETE") << node << QByteArray("Bearer %W%") << 403;
    QTest::newRow("write puts") << QByteArray("PUT") << node << QByteArray("Bearer %W%") << 200;
    QTest::newRow("write posts") << QByteArray("POST") << QStringLiteral("/api/node?db=Case") << QByteArray("Bearer %W%") << 201;
    QTest::newRow("admin deletes") << QByteArray("DELETE") << node << QByteArray("Bearer %A%") << 200;
    QTest::newRow("role before params") << QByteArray("DELETE") << QStringLiteral("/api/node") << QByteArray("Bearer %W%") << 403;
    QTest::newRow("params before project") << QByteArray("DELETE") << QStringLiteral("/api/node?db=Nope") << QByteArray("Bearer %A%") << 400;
    QTest::newRow("unknown project") << QByteArray("GET") << QStringLiteral("/api/nodes?db=Nope") << QByteArray("Bearer %A%") << 404;
    QTest::newRow("unknown path") << QByteArray("GET") << QStringLiteral("/api/nodez?db=Case") << QByteArray("Bearer %A%") << 404;
    QTest::newRow("longer path") << QByteArray("GET") << QStringLiteral("/health/more") << QByteArray() << 404;
    QTest::newRow("method not served") << QByteArray("PATCH") << node << QByteArray("Bearer %A%") << 404;
}

void TestApiHttp::authorisation()
{
    QFETCH(QByteArray, method);
    QFETCH(QString, target);
    QFETCH(QByteArray, header);
    QFETCH(int, status);
    if (!header.isNull()) {
        header.replace("%R%", m_key.value(ApiRole::Read))
            .replace("%W%", m_key.value(ApiRole::Write))
            .replace("%A%", m_key.value(ApiRole::Admin));
    }
    const HttpAnswer answer = send(m_manager, method, url(target), header, QByteArrayLiteral("{}"));
    QCOMPARE(answer.status, status);
    if (status >= 400)
        QVERIFY(answer.body.isEmpty());
    for (const QByteArray &key : std::as_const(m_key))
        QVERIFY(!answer.body.contains(key));
}

void TestApiHttp::answersCarryOnlyTheirContentType()
{
    const HttpAnswer answer = get(QStringLiteral("/api/node?db=Case&id=n1"));
    QCOMPARE(answer.status, 200);
    QCOMPARE(answer.contentType, QByteArray("application/json; charset=utf-8"));
    for (const QByteArray &name : answer.headerNames)
        QVERIFY2(!name.toLower().startsWith("access-control"), name.constData());
    const QJsonObject node =
        QJsonDocument::fromJson(answer.body).object().value(QLatin1String("node")).toObject();
    QCOMPARE(node.value(QLatin1String("label")).toString(), QStringLiteral("N1"));
    QVERIFY(!answer.body.contains('\n')); // compact
}

void TestApiHttp::writesReachTheFileAndOutsideChangesAreSeen()
{
    HttpAnswer answer = send(m_manager, "PUT", url(QStringLiteral("/api/node?db=case.orvane.db&id=n2")),
                             "Bearer " + m_key.value(ApiRole::Write), R"({"label":"Renamed"})");
    QCOMPARE(answer.status, 200);
    Graph graph;
    {
        ProjectDb db(m_dbPath);
        QVERIFY(db.open());
        QVERIFY(db.loadGraph(graph, QFileInfo(m_dbPath).absolutePath()));
    }
    QCOMPARE(graph.node(QStringLiteral("n2")).label, QStringLiteral("Renamed"));

    graph.removeNode(QStringLiteral("n3"));
    {
        ProjectDb db(m_dbPath);
        QVERIFY(db.open());
        QVERIFY(db.saveGraph(graph, QFileInfo(m_dbPath).absolutePath()));
    }
    answer = get(QStringLiteral("/api/nodes?db=Case"));
    QCOMPARE(QJsonDocument::fromJson(answer.body).object().value(QLatin1String("total")).toInt(), 2);
}

void TestApiHttp::keepAliveServesSeveralRequests()
{
    // Three requests written at once on one connection: three answers come back on it.
    const QByteArray request = "GET /api/nodes?db=Case&limit=1 HTTP/1.1\r\nHost: x\r\n"
                               "authorization: Bearer " + m_key.value(ApiRole::Read) + "\r\n\r\n";
    const QByteArray received = rawExchange(m_server->port(), request + request + request);
    QCOMPARE(received.count("HTTP/1.1 200"), 3);
    QCOMPARE(received.count("\"has_more\":true"), 3);
}

void TestApiHttp::survivesBadInput()
{
    const quint16 port = m_server->port();
    const QByteArray auth = "Authorization: Bearer " + m_key.value(ApiRole::Admin) + "\r\n";
    const QList<QByteArray> abuses = {
        "POST /api/node?db=Case HTTP/1.1\r\nHost: x\r\n" + auth
            + "Content-Length: 9\r\n\r\n{\"label\":",
        "PUT /api/node?db=Case&id=n1 HTTP/1.1\r\nHost: x\r\n" + auth + "\r\n",
        "POST /api/node/media?db=Case&id=n1 HTTP/1.1\r\nHost: x\r\n" + auth
            + "Content-Length: 0\r\n\r\n",
        "GARBAGE\r\n\r\n",
        "GET /health HTTP/9.9\r\n\r\n",
        "BREW /health HTTP/1.1\r\nHost: x\r\n\r\n",
        "GET /" + QByteArray(20000, 'a') + " HTTP/1.1\r\nHost: x\r\n\r\n",
        "GET /api/nodes?db=%ff%fe&limit=-1&offset=%00 HTTP/1.1\r\nHost: x\r\n" + auth + "\r\n",
        QByteArray(4096, '\0'),
    };
    for (const QByteArray &abuse : abuses)
        rawExchange(port, abuse, 100);
    // Clients that hang up halfway through a body, or before reading the answer.
    rawExchange(port, "POST /api/node?db=Case HTTP/1.1\r\nHost: x\r\n" + auth
                    + "Content-Length: 1000000\r\n\r\n{\"label\":\"half", 100, true);
    rawExchange(port, "GET /api/nodes?db=Case HTTP/1.1\r\nHost: x\r\n" + auth + "\r\n", 100, true);

    // A body that is not JSON, within the body limit and over it.
    const HttpAnswer large = send(m_manager, "POST", url(QStringLiteral("/api/node?db=Case")),
                                  "Bearer " + m_key.value(ApiRole::Write), QByteArray(512 << 10, '{'));
    QCOMPARE(large.status, 400);
    const HttpAnswer oversized = send(m_manager, "POST", url(QStringLiteral("/api/node?db=Case")),
                                      "Bearer " + m_key.value(ApiRole::Write), QByteArray(8 << 20, '{'));
    QCOMPARE(oversized.status, 413);

    const QByteArray malformed = rawExchange(port, abuses.first());
    QVERIFY2(malformed.startsWith("HTTP/1.1 400"), malformed.constData());
    QCOMPARE(send(m_manager, "GET", url(QStringLiteral("/health"))).status, 200);
    QCOMPARE(get(QStringLiteral("/api/nodes?db=Case")).status, 200);
    Graph graph;
    ProjectDb db(m_dbPath);
    QVERIFY(db.open());
    QVERIFY(db.loadGraph(graph, QFileInfo(m_dbPath).absolutePath()));
    QCOMPARE(graph.nodes().size(), 3);
}

void TestApiHttp::restartEmitsStoppedThenStarted()
{
    QSignalSpy stopped(m_server.get(), &ApiServer::stopped);
    QSignalSpy started(m_server.get(), &ApiServer::started);
    const quint16 oldPort = m_server->port();
    QVERIFY(m_server->start(QHostAddress::LocalHost, 0));
    QCOMPARE(stopped.count(), 1);
    QCOMPARE(started.count(), 1);
    QCOMPARE(started.at(0).at(1).value<quint16>(), m_server->port());
    QCOMPARE(send(m_manager, "GET", url(QStringLiteral("/health"))).status, 200);
    m_server->stop();
    QVERIFY(!m_server->isRunning());
    QCOMPARE(send(m_manager, "GET", url(QStringLiteral("/health"), oldPort)).status, 0);

    // A socket server that cannot listen leaves the server stopped.
    QTcpServer blocker;
    QVERIFY(blocker.listen(QHostAddress::LocalHost, 0));
    QVERIFY(!m_server->start(QHostAddress::LocalHost, blocker.serverPort()));
    QVERIFY(!m_server->isRunning());
}

void TestApiHttp::cliPrintsKeys()
{
    QProcess cli;
    cli.start(QStringLiteral(ORVANE_BINARY_DIR "/bin/orvane-cli"), {QStringLiteral("keys"), m_dbPath});
    QVERIFY(cli.waitForFinished(kTimeoutMs));
    QCOMPARE(cli.exitCode(), 0);
    const QByteArray expected = "read " + m_key.value(ApiRole::Read) + "\nwrite "
        + m_key.value(ApiRole::Write) + "\nadmin " + m_key.value(ApiRole::Admin) + "\n";
    QCOMPARE(cli.readAllStandardOutput(), expected);

    // A project without keys gets them.
    const QString bare = m_dir.filePath(QStringLiteral("bare.db"));
    {
        ProjectDb db(bare);
        QVERIFY(db.open());
        QCOMPARE(db.listApiKeys().size(), 0);
    }
    cli.start(QStringLiteral(ORVANE_BINARY_DIR "/bin/orvane-cli"), {QStringLiteral("keys"), bare});
    QVERIFY(cli.waitForFinished(kTimeoutMs));
    QCOMPARE(cli.exitCode(), 0);
    const QList<QByteArray> lines = cli.readAllStandardOutput().trimmed().split('\n');
    QCOMPARE(lines.size(), 3);
    ProjectDb db(bare);
    QVERIFY(db.open());
    QCOMPARE(lines.at(2), "admin " + db.apiKeyForRole(ApiRole::Admin).toUtf8());

    cli.start(QStringLiteral(ORVANE_BINARY_DIR "/bin/orvane-cli"),
              {QStringLiteral("keys"), m_dir.filePath(QStringLiteral("missing.db"))});
    QVERIFY(cli.waitForFinished(kTimeoutMs));
    QCOMPARE(cli.exitCode(), 1);
    QVERIFY(!QFileInfo::exists(m_dir.filePath(QStringLiteral("missing.db"))));
}

void TestApiHttp::cliServesUntilTerminated()
{
    m_server.reset(); // the command line holds the keys now
    const QString otherFolder = m_dir.filePath(QStringLiteral("Other"));
    QVERIFY(QDir().mkpath(otherFolder));
    const QString other = QDir(otherFolder).filePath(QStringLiteral("Other.orvane.db"));
    {
        ProjectDb db(other);
        QVERIFY(db.open());
    }
    for (int signal : {SIGTERM, SIGINT}) {
        QProcess cli;
        cli.start(QStringLiteral(ORVANE_BINARY_DIR "/bin/orvane-cli"),
                  {QStringLiteral("serve"), m_dbPath, other, QStringLiteral("--port"),
                   QStringLiteral("0"), QStringLiteral("--address"), QStringLiteral("127.0.0.1")});
        QVERIFY(cli.waitForStarted(kTimeoutMs));
        QVERIFY(cli.waitForReadyRead(kTimeoutMs));
        const QByteArray line = cli.readLine().trimmed();
        QVERIFY2(line.startsWith("listening on 127.0.0.1:"), line.constData());
        const quint16 port = line.mid(line.lastIndexOf(':') + 1).toUShort();
        QVERIFY(port != 0);

        QCOMPARE(send(m_manager, "GET", url(QStringLiteral("/health"), port)).status, 200);
        const QByteArray read = "Bearer " + m_key.value(ApiRole::Read);
        HttpAnswer answer = send(m_manager, "GET", url(QStringLiteral("/api/projects"), port), read);
        QCOMPARE(answer.status, 200);
        const QJsonArray projects =
            QJsonDocument::fromJson(answer.body).object().value(QLatin1String("projects")).toArray();
        QCOMPARE(projects.size(), 2);
        QCOMPARE(projects.at(1).toObject().value(QLatin1String("key")).toString(), QStringLiteral("Other"));
        answer = send(m_manager, "GET", url(QStringLiteral("/api/nodes?db=other"), port), read);
        QCOMPARE(answer.status, 200);
        QCOMPARE(QJsonDocument::fromJson(answer.body).object().value(QLatin1String("total")).toInt(), 0);

        ::kill(pid_t(cli.processId()), signal);
        QVERIFY(cli.waitForFinished(kTimeoutMs));
        QCOMPARE(cli.exitStatus(), QProcess::NormalExit);
        QCOMPARE(cli.exitCode(), 0);
    }
}

QTEST_GUILESS_MAIN(TestApiHttp)
#include "tst_api_http.moc"
