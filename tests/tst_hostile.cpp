// Hostile input and concurrent writers: what another program, a received project folder, an
// API key holder or a crafted import file can do to a project, and what must hold anyway.

#include "api/apikeystore.h"
#include "api/apiroutes.h"
#include "api/apiserver.h"
#include "clirunner.h"
#include "interchange/csvio.h"
#include "model/graph.h"
#include "model/scenerecords.h"
#include "storage/projectdb.h"
#include "storage/projectfiles.h"
#include "testfiles.h"
#include "testgraphs.h"

#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUrlQuery>

#include <csignal>
#include <sys/stat.h>
#include <sys/types.h>

using namespace TestGraphs;

namespace {

constexpr int kTimeoutMs = 30000;
const QString kCli = QStringLiteral(ORVANE_BINARY_DIR "/bin/orvane-cli");

// Permission bits of a file or folder, as ls shows them in octal.
int modeOf(const QString &path)
{
    struct stat status = {};
    if (::stat(QFile::encodeName(path).constData(), &status) != 0)
        return -1;
    return int(status.st_mode & 0777);
}

// Every file under folder whose name contains part.
QStringList filesNamed(const QString &folder, const QString &part)
{
    QStringList found;
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        if (QFileInfo(path).fileName().contains(part))
            found.append(path);
    }
    return found;
}

void saveProject(const QString &dbPath, const Graph &graph)
{
    Graph copy = graph;
    SceneRecords scene;
    QString error;
    QVERIFY2(ProjectFiles::save(dbPath, copy, scene, &error), qPrintable(error));
}

// Runs body on a plain connection of its own, as another program would open the file.
template<typename Body>
void withConnection(const QString &path, Body body)
{
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("raw"));
        db.setDatabaseName(path);
        QVERIFY(db.open());
        QSqlQuery query(db);
        body(query);
        query.finish();
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("raw"));
}

// A foreign SQLite database: one table of another program.
void writeForeignDatabase(const QString &path)
{
    withConnection(path, [](QSqlQuery &query) {
        QVERIFY(query.exec(QStringLiteral("CREATE TABLE invoices(id INTEGER PRIMARY KEY, total REAL)")));
        QVERIFY(query.exec(QStringLiteral("INSERT INTO invoices(total) VALUES(12.5)")));
    });
}

// A served project in a child process, with the port it listens on.
struct Server
{
    std::unique_ptr<QProcess> process = std::make_unique<QProcess>();
    quint16 port = 0;

    bool start(const QStringList &files)
    {
        process->start(kCli, QStringList{QStringLiteral("serve")} + files
                                 + QStringList{QStringLiteral("--port"), QStringLiteral("0")});
        if (!process->waitForStarted(kTimeoutMs) || !process->waitForReadyRead(kTimeoutMs))
            return false;
        const QByteArray line = process->readLine().trimmed();
        port = line.mid(line.lastIndexOf(':') + 1).toUShort();
        return line.startsWith("listening on") && port != 0;
    }
};

QByteArray writeKey(const QString &dbPath)
{
    const CliRun keys = runCli({QStringLiteral("keys"), dbPath});
    for (const QString &line : keys.out.split(QLatin1Char('\n'))) {
        if (line.startsWith(QLatin1String("admin ")))
            return line.mid(6).toUtf8();
    }
    return QByteArray();
}

} // namespace

class TestHostile : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_folder;
    QString m_dbPath;
    QString m_outside; // a folder beside the project, standing for the rest of the machine
    std::unique_ptr<ApiKeyStore> m_keys;
    std::unique_ptr<ApiRoutes> m_routes;
    QString m_admin;

    ApiReply call(const QByteArray &method, const QString &target,
                  const QByteArray &body = QByteArray())
    {
        const QUrl url(QStringLiteral("http://127.0.0.1") + target);
        ApiRequest request;
        request.method = method;
        request.path = url.path();
        request.query = QUrlQuery(url);
        request.authorization = "Bearer " + m_admin.toUtf8();
        request.body = body;
        return m_routes->handle(request);
    }

private Q_SLOTS:
    void init();
    void cleanup();

    void saveRefusesAFileThatChangedAndLeavesIt();
    void concurrentWritersKeepEveryAcknowledgedWrite();
    void deletingANodeNeverFollowsALinkOutOfTheProject();
    void outsidePathsFromTheApiAreNeverCopied();
    void outsidePathsFromCsvAreNeverCopied();
    void chosenFilesAreCopiedOwnerOnly();
    void projectFilesAreOwnerOnly();
    void oversizedBodiesAndFieldsAreRefused();
    void largeBodyOverHttpLeavesTheServerAnswering();
    void uploadsLeaveNoStagedFile_data();
    void uploadsLeaveNoStagedFile();
    void sizesAreClamped();
    void serverStopsOnSigtermUnderLoad();
    void interruptedSaveIsRolledBackAndReported();
    void brokenCsvChangesNothing_data();
    void brokenCsvChangesNothing();
    void nonRegularInputsAreRefused_data();
    void nonRegularInputsAreRefused();
    void foreignDatabaseIsLeftUnchanged_data();
    void foreignDatabaseIsLeftUnchanged();
    void infoReportsAMissingTable();
    void formulaCellsRoundTrip();
    void exportRefusesASymlink();
};

void TestHostile::init()
{
    QVERIFY(m_dir.isValid());
    const QString base = m_dir.filePath(QString::fromLatin1(QTest::currentTestFunction())
                                        + QString::fromLatin1(QTest::currentDataTag()));
    m_folder = QDir(base).filePath(QStringLiteral("Case"));
    m_outside = QDir(base).filePath(QStringLiteral("outside"));
    QVERIFY(QDir().mkpath(m_folder));
    QVERIFY(QDir().mkpath(m_outside));
    m_dbPath = QDir(m_folder).filePath(QStringLiteral("Case.orvane.db"));
    Graph graph;
    graph.insertNode(makeNode(QStringLiteral("n1"), QStringLiteral("Premier")));
    graph.insertNode(makeNode(QStringLiteral("n2"), QStringLiteral("Second")));
    saveProject(m_dbPath, graph);

    m_keys = std::make_unique<ApiKeyStore>();
    QString error;
    QVERIFY2(m_keys->open(m_dbPath, &error), qPrintable(error));
    m_routes = std::make_unique<ApiRoutes>(*m_keys);
    const QString dbPath = m_dbPath;
    m_routes->setProjectResolver([dbPath](const QString &name) {
        return name == u"Case" ? dbPath : QString();
    });
    ProjectDb db(m_dbPath);
    QVERIFY(db.open());
    m_admin = db.apiKeyForRole(ApiRole::Admin);
}

void TestHostile::cleanup()
{
    m_routes.reset();
    m_keys.reset();
}

void TestHostile::saveRefusesAFileThatChangedAndLeavesIt()
{
    Graph graph;
    SceneRecords scene;
    ProjectFiles::LoadInfo loaded;
    QString error;
    QVERIFY(ProjectFiles::load(m_dbPath, graph, scene, &error, nullptr, &loaded));

    // Another writer saves meanwhile.
    Graph other = graph;
    other.insertNode(makeNode(QStringLiteral("theirs")));
    saveProject(m_dbPath, other);
    const QByteArray before = fileBytes(m_dbPath);

    graph.insertNode(makeNode(QStringLiteral("mine")));
    SaveOptions options;
    options.expectedGeneration = loaded.generation;
    QCOMPARE(ProjectFiles::save(m_dbPath, graph, scene, &error, options),
             SaveResult::ChangedOnDisk);
    QVERIFY(error.contains(QStringLiteral("changé sur le disque")));
    QCOMPARE(fileBytes(m_dbPath), before);

    // The writer's own turn: reload, apply again, save.
    QVERIFY(ProjectFiles::update(m_dbPath, [](Graph &g, QString *) {
        g.insertNode(makeNode(QStringLiteral("mine")));
        return true;
    }, &error));
    const Graph saved = loadGraph(m_dbPath);
    QVERIFY(saved.hasNode(QStringLiteral("theirs")));
    QVERIFY(saved.hasNode(QStringLiteral("mine")));
}

void TestHostile::concurrentWritersKeepEveryAcknowledgedWrite()
{
    m_routes.reset();
    m_keys.reset();
    const QByteArray key = writeKey(m_dbPath);
    QVERIFY(!key.isEmpty());
    Server first;
    Server second;
    QVERIFY(first.start({m_dbPath}));
    QVERIFY(second.start({m_dbPath}));

    // 300 nodes imported by a third process while both servers take writes.
    QByteArray csv("id,label\n");
    for (int i = 0; i < 300; ++i)
        csv += QStringLiteral("csv-%1,Importé %1\n").arg(i).toUtf8();
    const QString csvPath = QDir(m_outside).filePath(QStringLiteral("nodes.csv"));
    writeBytes(csvPath, csv);
    QProcess import;
    import.start(kCli, {QStringLiteral("import-csv"), m_dbPath, QStringLiteral("--nodes"), csvPath});

    QNetworkAccessManager manager;
    QList<QNetworkReply *> replies;
    for (int i = 0; i < 40; ++i) {
        const quint16 port = i % 2 ? first.port : second.port;
        QNetworkRequest request(QUrl(QStringLiteral("http://127.0.0.1:%1/api/node?db=Case").arg(port)));
        request.setRawHeader("Authorization", "Bearer " + key);
        request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArrayLiteral("application/json"));
        replies.append(manager.post(request, QStringLiteral("{\"label\":\"api %1\"}").arg(i).toUtf8()));
    }
    QElapsedTimer clock;
    clock.start();
    while (std::any_of(replies.cbegin(), replies.cend(), [](QNetworkReply *r) { return !r->isFinished(); })
           && clock.elapsed() < kTimeoutMs)
        QTest::qWait(20);
    QVERIFY(import.state() == QProcess::NotRunning || import.waitForFinished(kTimeoutMs));
    QCOMPARE(import.exitCode(), 0);

    QStringList acknowledged;
    for (QNetworkReply *reply : std::as_const(replies)) {
        QVERIFY(reply->isFinished());
        if (reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt() == 201)
            acknowledged.append(QJsonDocument::fromJson(reply->readAll()).object().value(u"id").toString());
        reply->deleteLater();
    }
    QCOMPARE(acknowledged.size(), 40);
    for (Server *server : {&first, &second}) {
        server->process->terminate();
        QVERIFY(server->process->waitForFinished(kTimeoutMs));
    }
    const Graph saved = loadGraph(m_dbPath);
    for (const QString &id : std::as_const(acknowledged))
        QVERIFY2(saved.hasNode(id), qPrintable(id));
    for (int i = 0; i < 300; ++i)
        QVERIFY(saved.hasNode(QStringLiteral("csv-%1").arg(i)));
    QCOMPARE(saved.nodes().size(), 2 + 40 + 300);
}

void TestHostile::deletingANodeNeverFollowsALinkOutOfTheProject()
{
    // A project folder received as an archive: the media folder of n1 leads elsewhere.
    const QString precious = QDir(m_outside).filePath(QStringLiteral("precious.txt"));
    writeBytes(precious, "keep me");
    const QString nodeFolder = QDir(m_folder).filePath(QStringLiteral("nodes/n1"));
    QDir(nodeFolder).removeRecursively();
    QVERIFY(QFile::link(m_outside, nodeFolder));

    QCOMPARE(call("DELETE", QStringLiteral("/api/node?db=Case&id=n1")).status, 200);
    QCOMPARE(fileBytes(precious), QByteArray("keep me"));
    QVERIFY(!QFileInfo(nodeFolder).isSymLink() && !QFileInfo::exists(nodeFolder));
    QVERIFY(!loadGraph(m_dbPath).hasNode(QStringLiteral("n1")));
}

void TestHostile::outsidePathsFromTheApiAreNeverCopied()
{
    const QString secret = QDir(m_outside).filePath(QStringLiteral("secret.txt"));
    writeBytes(secret, "not for the project");
    const QString relative = QStringLiteral("../outside/secret.txt");
    for (const QString &path : {secret, relative}) {
        const QByteArray body = QJsonDocument(QJsonObject{{QStringLiteral("mediaPath"), path}})
                                    .toJson(QJsonDocument::Compact);
        QCOMPARE(call("PUT", QStringLiteral("/api/node?db=Case&id=n1"), body).status, 200);
        QVERIFY2(filesNamed(m_folder, QStringLiteral("secret")).isEmpty(), qPrintable(path));
    }
    // Kept as the text it was given, relative to the project.
    ProjectDb db(m_dbPath);
    QVERIFY(db.open());
    QSqlQuery query(QSqlDatabase::database(db.connectionName()));
    QVERIFY(query.exec(QStringLiteral("SELECT media_path FROM nodes WHERE id='n1'")) && query.next());
    QCOMPARE(query.value(0).toString(), relative);
}

void TestHostile::outsidePathsFromCsvAreNeverCopied()
{
    const QString secret = QDir(m_outside).filePath(QStringLiteral("secret.txt"));
    writeBytes(secret, "not for the project");
    const QString csv = QDir(m_outside).filePath(QStringLiteral("nodes.csv"));
    writeBytes(csv, QStringLiteral("id,label,media_path\nx1,Absolu,%1\nx2,Relatif,../outside/secret.txt\n")
                        .arg(secret)
                        .toUtf8());
    const CliRun run = runCli({QStringLiteral("import-csv"), m_dbPath, QStringLiteral("--nodes"), csv});
    QVERIFY2(run.exitCode == 0, qPrintable(run.err));
    QVERIFY(filesNamed(m_folder, QStringLiteral("secret")).isEmpty());
    QCOMPARE(loadGraph(m_dbPath).nodes().size(), 4);
}

void TestHostile::chosenFilesAreCopiedOwnerOnly()
{
    const QString chosen = QDir(m_outside).filePath(QStringLiteral("photo.png"));
    const QString other = QDir(m_outside).filePath(QStringLiteral("other.png"));
    writeBytes(chosen, "chosen picture");
    writeBytes(other, "not chosen");
    Graph graph = loadGraph(m_dbPath);
    Node n1 = graph.node(QStringLiteral("n1"));
    n1.mediaPath = chosen;
    graph.replaceNode(n1);
    Node n2 = graph.node(QStringLiteral("n2"));
    n2.mediaPath = other;
    graph.replaceNode(n2);
    SceneRecords scene;
    SaveOptions options;
    options.chosenFiles.insert(chosen);
    QString error;
    QCOMPARE(ProjectFiles::save(m_dbPath, graph, scene, &error, options), SaveResult::Saved);
    const QString copy = QDir(m_folder).filePath(QStringLiteral("nodes/n1/photo.png"));
    QCOMPARE(fileBytes(copy), QByteArray("chosen picture"));
    QCOMPARE(modeOf(copy), 0600);
    QVERIFY(filesNamed(m_folder, QStringLiteral("other")).isEmpty());
}

void TestHostile::projectFilesAreOwnerOnly()
{
    const QString created = m_dir.filePath(QStringLiteral("owner/New.orvane.db"));
    const QString csv = QDir(m_outside).filePath(QStringLiteral("nodes.csv"));
    writeBytes(csv, "id,label\na,A\n");
    const CliRun run = runCli({QStringLiteral("import-csv"), created, QStringLiteral("--nodes"), csv});
    QVERIFY2(run.exitCode == 0, qPrintable(run.err));
    const QString dbPath = m_dir.filePath(QStringLiteral("owner/New/New.orvane.db"));
    QCOMPARE(modeOf(dbPath), 0600);
    QCOMPARE(modeOf(QFileInfo(dbPath).absolutePath()), 0700);
    QCOMPARE(modeOf(QFileInfo(dbPath).absolutePath() + QStringLiteral("/nodes")), 0700);

    // A project of an older version, readable by all, gets keys: it becomes owner-only.
    QVERIFY(QFile::setPermissions(m_dbPath, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup
                                                | QFile::ReadOther));
    {
        ProjectDb db(m_dbPath);
        QVERIFY(db.open());
        QSqlQuery query(QSqlDatabase::database(db.connectionName()));
        QVERIFY(query.exec(QStringLiteral("DELETE FROM api_keys")));
    }
    QCOMPARE(runCli({QStringLiteral("keys"), m_dbPath}).exitCode, 0);
    QCOMPARE(modeOf(m_dbPath), 0600);
}

void TestHostile::oversizedBodiesAndFieldsAreRefused()
{
    const QByteArray hugeLabel = "{\"label\":\"" + QByteArray(2 * 1024 * 1024, 'x') + "\"}";
    QCOMPARE(call("POST", QStringLiteral("/api/node?db=Case"), hugeLabel).status, 413);
    const QByteArray longLabel = "{\"label\":\"" + QByteArray(5000, 'x') + "\"}";
    QCOMPARE(call("POST", QStringLiteral("/api/node?db=Case"), longLabel).status, 400);
    const QByteArray longValue = "{\"name\":\"k\",\"value\":\"" + QByteArray(70000, 'v') + "\"}";
    QCOMPARE(call("POST", QStringLiteral("/api/node/attribute?db=Case&id=n1"), longValue).status, 400);
    // A long description within its bound is kept.
    const QByteArray description = "{\"description\":\"" + QByteArray(60000, 'd') + "\"}";
    QCOMPARE(call("PUT", QStringLiteral("/api/node?db=Case&id=n1"), description).status, 200);
    QCOMPARE(loadGraph(m_dbPath).nodes().size(), 2);
}

void TestHostile::largeBodyOverHttpLeavesTheServerAnswering()
{
    m_routes.reset();
    m_keys.reset();
    ApiServer server;
    QVERIFY(server.initDb(m_dbPath));
    const QString dbPath = m_dbPath;
    server.setProjectResolver([dbPath](const QString &) { return dbPath; });
    QVERIFY(server.start(QHostAddress::LocalHost, 0));
    QNetworkAccessManager manager;
    auto send = [&](const QByteArray &method, const QString &target, const QByteArray &body) {
        QNetworkRequest request(QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(server.port()).arg(target)));
        request.setRawHeader("Authorization", "Bearer " + m_admin.toUtf8());
        request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArrayLiteral("application/json"));
        QNetworkReply *reply = manager.sendCustomRequest(request, method, body);
        QEventLoop loop;
        QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
        QTimer::singleShot(kTimeoutMs, &loop, &QEventLoop::quit);
        loop.exec();
        const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        reply->deleteLater();
        return status;
    };
    const QByteArray body = "{\"label\":\"" + QByteArray(30 * 1024 * 1024, 'x') + "\"}";
    QCOMPARE(send("POST", QStringLiteral("/api/node?db=Case"), body), 413);
    QCOMPARE(send("GET", QStringLiteral("/health"), QByteArray()), 200);
    QCOMPARE(loadGraph(m_dbPath).nodes().size(), 2);
}

void TestHostile::uploadsLeaveNoStagedFile_data()
{
    QTest::addColumn<QString>("query");
    QTest::addColumn<int>("status");
    QTest::newRow("stored") << QStringLiteral("id=n1&filename=photo.png") << 200;
    QTest::newRow("unknown node") << QStringLiteral("id=absent&filename=photo.png") << 404;
    QTest::newRow("NUL in name") << QStringLiteral("id=n1&filename=a%00b.png") << 400;
    QTest::newRow("line break in name") << QStringLiteral("id=n1&filename=a%0D%0Ab.png") << 400;
    QTest::newRow("300-character name") << QStringLiteral("id=n1&filename=") + QString(300, u'a') << 400;
}

void TestHostile::uploadsLeaveNoStagedFile()
{
    QFETCH(QString, query);
    QFETCH(int, status);
    QCOMPARE(call("POST", QStringLiteral("/api/node/media?db=Case&") + query, "picture bytes").status,
             status);
    const QString staging = QDir(m_folder).filePath(QStringLiteral(".staging"));
    QVERIFY(filesNamed(staging, QString()).isEmpty());
    QCOMPARE(filesNamed(m_folder, QStringLiteral("photo")).size(), status == 200 ? 1 : 0);
}

void TestHostile::sizesAreClamped()
{
    QCOMPARE(call("PUT", QStringLiteral("/api/node?db=Case&id=n1"), "{\"size\":-1}").status, 200);
    QCOMPARE(call("PUT", QStringLiteral("/api/node?db=Case&id=n2"), "{\"size\":1e300}").status, 200);
    const ApiReply edge = call("POST", QStringLiteral("/api/edge?db=Case"),
                               "{\"src\":\"n1\",\"dst\":\"n2\",\"width\":100}");
    QCOMPARE(edge.status, 201);
    const Graph saved = loadGraph(m_dbPath);
    QCOMPARE(saved.node(QStringLiteral("n1")).size, 0.25);
    QCOMPARE(saved.node(QStringLiteral("n2")).size, 5.0);
    QCOMPARE(saved.edges().begin()->width, 12.0);
}

void TestHostile::serverStopsOnSigtermUnderLoad()
{
    m_routes.reset();
    m_keys.reset();
    const QByteArray key = writeKey(m_dbPath);
    Server server;
    QVERIFY(server.start({m_dbPath}));
    QNetworkAccessManager manager;
    QList<QNetworkReply *> replies;
    for (int i = 0; i < 300; ++i) {
        QNetworkRequest request(QUrl(QStringLiteral("http://127.0.0.1:%1/api/node?db=Case").arg(server.port)));
        request.setRawHeader("Authorization", "Bearer " + key);
        request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArrayLiteral("application/json"));
        replies.append(manager.post(request, QByteArrayLiteral("{\"label\":\"charge\"}")));
    }
    QTest::qWait(200);
    QElapsedTimer clock;
    clock.start();
    server.process->terminate();
    QVERIFY(server.process->waitForFinished(15000));
    QVERIFY(clock.elapsed() < 15000);
    for (QNetworkReply *reply : std::as_const(replies)) {
        reply->abort();
        reply->deleteLater();
    }
    // Whatever was answered is in a file that opens cleanly.
    QCOMPARE(runCli({QStringLiteral("info"), m_dbPath}).exitCode, 0);
}

void TestHostile::interruptedSaveIsRolledBackAndReported()
{
    // A save caught in the middle: pages already written to the database, the journal
    // holding the old ones. The pair is copied as a crash would leave it.
    const QString copyFolder = m_dir.filePath(QStringLiteral("journal/Copy"));
    QVERIFY(QDir().mkpath(copyFolder));
    const QString copy = QDir(copyFolder).filePath(QStringLiteral("Copy.orvane.db"));
    withConnection(m_dbPath, [&](QSqlQuery &query) {
        QVERIFY(query.exec(QStringLiteral("PRAGMA journal_mode=DELETE")));
        QVERIFY(query.exec(QStringLiteral("PRAGMA cache_size=10")));
        QVERIFY(query.exec(QStringLiteral("BEGIN IMMEDIATE")));
        for (int i = 0; i < 2000; ++i)
            QVERIFY(query.exec(QStringLiteral("INSERT INTO nodes(id,label) VALUES('half-%1','%2')")
                                   .arg(i)
                                   .arg(QString(200, u'x'))));
        QVERIFY(QFileInfo(m_dbPath + QStringLiteral("-journal")).size() > 0);
        QVERIFY(QFile::copy(m_dbPath, copy));
        QVERIFY(QFile::copy(m_dbPath + QStringLiteral("-journal"), copy + QStringLiteral("-journal")));
        QVERIFY(query.exec(QStringLiteral("ROLLBACK")));
    });

    // The same state opened for work, as the window and the writers open it.
    const QString second = QDir(copyFolder).filePath(QStringLiteral("Second.orvane.db"));
    QVERIFY(QFile::copy(copy, second));
    QVERIFY(QFile::copy(copy + QStringLiteral("-journal"), second + QStringLiteral("-journal")));
    Graph graph;
    SceneRecords scene;
    ProjectFiles::LoadInfo loaded;
    QString error;
    QVERIFY2(ProjectFiles::load(second, graph, scene, &error, nullptr, &loaded), qPrintable(error));
    QVERIFY(loaded.notice.startsWith(QStringLiteral("Une sauvegarde interrompue a été annulée")));
    QCOMPARE(graph.nodes().size(), 2);

    const CliRun info = runCli({QStringLiteral("info"), copy});
    QVERIFY2(info.exitCode == 0, qPrintable(info.err));
    QVERIFY2(info.err.contains(QStringLiteral("Une sauvegarde interrompue a été annulée")),
             qPrintable(info.err));
    QCOMPARE(QJsonDocument::fromJson(info.out.toUtf8()).object().value(u"nodes").toInt(), 2);
    QVERIFY(!QFileInfo::exists(copy + QStringLiteral("-journal")));
}

void TestHostile::brokenCsvChangesNothing_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("message");
    QTest::newRow("unbalanced quote")
        << QByteArray("id,label\na,Un\nb,\"Deux\nc,Trois\n") << QStringLiteral("Guillemet non fermé à la ligne 3");
    QTest::newRow("invalid UTF-8")
        << QByteArray("id,label\na,Un\nb,D\xff\xfeux\nc,Trois\n") << QStringLiteral("UTF-8 invalide à la ligne 3");
}

void TestHostile::brokenCsvChangesNothing()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, message);
    const QString csv = QDir(m_outside).filePath(QStringLiteral("nodes.csv"));
    writeBytes(csv, content);
    const QByteArray before = fileBytes(m_dbPath);
    const CliRun run = runCli({QStringLiteral("import-csv"), m_dbPath, QStringLiteral("--nodes"), csv});
    QCOMPARE(run.exitCode, 1);
    QVERIFY2(run.err.contains(message), qPrintable(run.err));
    QCOMPARE(fileBytes(m_dbPath), before);

    Graph graph;
    QString error;
    QVERIFY(!CsvIo::readNodes(csv, graph, &error));
    QCOMPARE(graph.nodes().size(), 0);
}

void TestHostile::nonRegularInputsAreRefused_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<bool>("fifo");
    QTest::newRow("csv from /dev/zero") << QStringLiteral("import-csv") << false;
    QTest::newRow("csv from a pipe") << QStringLiteral("import-csv") << true;
    QTest::newRow("stix from /dev/zero") << QStringLiteral("import-stix") << false;
    QTest::newRow("stix from a pipe") << QStringLiteral("import-stix") << true;
}

void TestHostile::nonRegularInputsAreRefused()
{
    QFETCH(QString, command);
    QFETCH(bool, fifo);
    QString input = QStringLiteral("/dev/zero");
    if (fifo) {
        input = QDir(m_outside).filePath(QStringLiteral("pipe"));
        QCOMPARE(::mkfifo(QFile::encodeName(input).constData(), 0600), 0);
    }
    const QByteArray before = fileBytes(m_dbPath);
    const QStringList arguments = command == u"import-csv"
        ? QStringList{command, m_dbPath, QStringLiteral("--nodes"), input}
        : QStringList{command, m_dbPath, input};
    QElapsedTimer clock;
    clock.start();
    const CliRun run = runCli(arguments);
    QVERIFY(clock.elapsed() < 20000);
    QCOMPARE(run.exitCode, 1);
    QVERIFY2(run.err.contains(QStringLiteral("Pas un fichier ordinaire")), qPrintable(run.err));
    QCOMPARE(fileBytes(m_dbPath), before);
}

void TestHostile::foreignDatabaseIsLeftUnchanged_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::newRow("keys") << QStringList{QStringLiteral("keys")};
    QTest::newRow("serve") << QStringList{QStringLiteral("serve")};
    QTest::newRow("layout") << QStringList{QStringLiteral("layout"), QStringLiteral("grid")};
    QTest::newRow("import-csv") << QStringList{QStringLiteral("import-csv")};
    QTest::newRow("info") << QStringList{QStringLiteral("info")};
}

void TestHostile::foreignDatabaseIsLeftUnchanged()
{
    QFETCH(QStringList, arguments);
    const QString foreign = QDir(m_outside).filePath(QStringLiteral("accounts.db"));
    writeForeignDatabase(foreign);
    const QByteArray before = fileBytes(foreign);
    const QString csv = QDir(m_outside).filePath(QStringLiteral("nodes.csv"));
    writeBytes(csv, "id,label\na,A\n");
    arguments.append(foreign);
    if (arguments.first() == u"import-csv")
        arguments << QStringLiteral("--nodes") << csv;
    if (arguments.first() == u"serve")
        arguments << QStringLiteral("--port") << QStringLiteral("0");
    const CliRun run = runCli(arguments);
    QCOMPARE(run.exitCode, 1);
    QVERIFY2(run.err.contains(QStringLiteral("Pas un projet Orvane")), qPrintable(run.err));
    QCOMPARE(fileBytes(foreign), before);
    // The library refuses it as well.
    ProjectDb db(foreign);
    QVERIFY(!db.open());
    QCOMPARE(fileBytes(foreign), before);
}

void TestHostile::infoReportsAMissingTable()
{
    {
        ProjectDb db(m_dbPath);
        QVERIFY(db.open());
        QSqlQuery query(QSqlDatabase::database(db.connectionName()));
        QVERIFY(query.exec(QStringLiteral("PRAGMA foreign_keys=OFF")));
        QVERIFY(query.exec(QStringLiteral("DROP TABLE edge_attrs")));
        QVERIFY(query.exec(QStringLiteral("DROP TABLE edges")));
    }
    const CliRun run = runCli({QStringLiteral("info"), m_dbPath});
    QCOMPARE(run.exitCode, 1);
    const QJsonObject info = QJsonDocument::fromJson(run.out.toUtf8()).object();
    QCOMPARE(info.value(u"nodes").toInt(), 2);
    QVERIFY(info.value(u"relations").isNull());
    QVERIFY(info.value(u"missing_tables").toArray().contains(QStringLiteral("edges")));
    QVERIFY(run.err.contains(QStringLiteral("edges")));
}

void TestHostile::formulaCellsRoundTrip()
{
    const QStringList labels = {QStringLiteral("=HYPERLINK(\"http://x\")"), QStringLiteral("+33 1 23"),
                                QStringLiteral("-2+3"), QStringLiteral("@SUM(A1)"), QStringLiteral("\tonglet"),
                                QStringLiteral("'=déjà"), QStringLiteral("''+deux"), QStringLiteral("'simple"),
                                QStringLiteral("ordinaire")};
    Graph graph;
    for (qsizetype i = 0; i < labels.size(); ++i) {
        Node node = makeNode(QStringLiteral("f%1").arg(i), labels.at(i));
        node.description = labels.at(i);
        node.attributes.append({QString(), QStringLiteral("clé"), QStringLiteral("=1+1")});
        graph.insertNode(node);
    }
    const QString csv = QDir(m_outside).filePath(QStringLiteral("formulas.csv"));
    QString error;
    QVERIFY2(CsvIo::writeNodes(csv, graph, &error), qPrintable(error));
    const QString text = QString::fromUtf8(fileBytes(csv));
    QVERIFY(text.contains(QStringLiteral(",\"'=HYPERLINK(\"\"http://x\"\")\",")));
    QVERIFY(text.contains(QStringLiteral(",'@SUM(A1),")));
    QVERIFY(text.contains(QStringLiteral(",'''+deux,")));
    QVERIFY(text.contains(QStringLiteral(",'simple,")));
    QVERIFY(!text.contains(QStringLiteral(",=")));

    Graph read;
    QVERIFY2(CsvIo::readNodes(csv, read, &error), qPrintable(error));
    for (qsizetype i = 0; i < labels.size(); ++i) {
        const Node node = read.node(QStringLiteral("f%1").arg(i));
        QCOMPARE(node.label, labels.at(i));
        QCOMPARE(node.description, labels.at(i));
        QCOMPARE(node.attributes.value(0).value, QStringLiteral("=1+1"));
    }
}

void TestHostile::exportRefusesASymlink()
{
    const QString target = QDir(m_outside).filePath(QStringLiteral("bashrc"));
    writeBytes(target, "alias ls='ls --color'\n");
    const QString exportFolder = m_dir.filePath(QStringLiteral("export"));
    QVERIFY(QDir().mkpath(exportFolder));
    QVERIFY(QFile::link(target, QDir(exportFolder).filePath(QStringLiteral("nodes.csv"))));
    const CliRun run = runCli({QStringLiteral("export-csv"), m_dbPath, exportFolder});
    QCOMPARE(run.exitCode, 1);
    QVERIFY2(run.err.contains(QStringLiteral("Lien symbolique refusé")), qPrintable(run.err));
    QCOMPARE(fileBytes(target), QByteArray("alias ls='ls --color'\n"));
}

QTEST_MAIN(TestHostile)
#include "tst_hostile.moc"
