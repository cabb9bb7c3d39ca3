#include "components/vtcomponents.h"
#include "config/appconfig.h"
#include "fakeservice.h"
#include "model/scenerecords.h"
#include "scripthost.h"
#include "storage/projectfiles.h"
#include "testgraphs.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <QTest>

using namespace TestGraphs;

namespace {

const QString sha256 = QStringLiteral("3f786850e387550fdab836ed7e6dc881de23001b8b6b5e8b7c6b8d2a1e9f0c11");
const QString md5 = QStringLiteral("0cc175b9c0f1b6a831c399e269772661");

Node withRows(Node node, const QList<QPair<QString, QString>> &rows)
{
    for (const auto &row : rows)
        node.attributes.append({QStringLiteral("r-") + row.first, row.first, row.second});
    return node;
}

QStringList rowsOf(const Node &node, const QString &prefix = QStringLiteral("vt_"))
{
    QStringList list;
    for (const AttributeRow &row : node.attributes) {
        if (row.key.startsWith(prefix))
            list.append(row.key + QLatin1Char('=') + row.value);
    }
    return list;
}

QStringList rowTexts(const QList<QPair<QString, QString>> &rows)
{
    QStringList list;
    for (const auto &row : rows)
        list.append(row.first + QLatin1Char('=') + row.second);
    return list;
}

QJsonObject object(const QByteArray &bytes)
{
    return QJsonDocument::fromJson(bytes).object();
}

// Shapes of VirusTotal v3 objects, with values of our own.
const QByteArray ipReport =
    "{\"data\":{\"id\":\"192.0.2.7\",\"type\":\"ip_address\",\"attributes\":{"
    "\"as_owner\":\"EXAMPLE-NET\",\"asn\":64500,\"country\":\"FR\",\"reputation\":-3,"
    "\"last_analysis_date\":1700000000,\"tags\":[\"scanner\",\"\"],"
    "\"last_analysis_stats\":{\"malicious\":2,\"suspicious\":0,\"undetected\":20,"
    "\"harmless\":61,\"timeout\":0},"
    "\"resolutions\":[{\"hostname\":\" a.example.org \"},{\"hostname\":\"\"}]}}}";
const QByteArray urlReport =
    "{\"data\":{\"type\":\"url\",\"attributes\":{\"url\":\"https://x.example/\","
    "\"last_final_url\":\"https://x.example/home\",\"last_http_response_code\":200,"
    "\"last_http_response_content_length\":5120,\"reputation\":0,"
    "\"last_analysis_stats\":{\"malicious\":0,\"suspicious\":1,\"harmless\":70},"
    "\"popular_threat_classification\":{\"suggested_threat_label\":\"phishing/kit\","
    "\"popular_threat_category\":[{\"count\":4,\"value\":\"phishing\"}],"
    "\"popular_threat_name\":[{\"count\":2,\"value\":\"kit\"}]}}}}";
const QByteArray fileReport =
    "{\"data\":{\"type\":\"file\",\"attributes\":{\"reputation\":-12,\"tags\":[\"macros\",\"doc\"],"
    "\"last_analysis_stats\":{\"malicious\":40,\"suspicious\":0,\"harmless\":0,"
    "\"confirmed-timeout\":0,\"type-unsupported\":3},"
    "\"popular_threat_classification\":{\"suggested_threat_label\":\"virus.thus/w97m\","
    "\"popular_threat_category\":[{\"count\":19,\"value\":\"virus\"},{\"count\":7,\"value\":\"trojan\"}],"
    "\"popular_threat_name\":[{\"count\":12,\"value\":\"thus\"},{\"count\":3,\"label\":\"w97m\"}]}}}}";

} // namespace

class TstComponentsVt : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void urlIdentifier_data();
    void urlIdentifier();
    void keyValueOrder_data();
    void keyValueOrder();
    void reportRows_data();
    void reportRows();
    void secondRunAppendsAndSaves();
    void keyHeaderOnlyWithKey();
    void urlLookupUsesTheIdentifier();
    void errorsAreLogged_data();
    void errorsAreLogged();
    void pollSchedule();
    void downloadForDomainCreatesMalware();
    void downloadForFileAttaches();
    void downloadFailures_data();
    void downloadFailures();
    void iconLookup();

private:
    FakeService *m_service = nullptr;
    QTemporaryDir m_temp;
};

void TstComponentsVt::init()
{
    delete m_service;
    m_service = new FakeService(this);
    QJsonObject config;
    config.insert(QStringLiteral("endpoints"),
                  QJsonObject{{QStringLiteral("VirusTotal"), m_service->base()}});
    config.insert(QStringLiteral("api_keys"),
                  QJsonObject{{QStringLiteral("VirusTotal"), QStringLiteral("vt-secret")}});
    AppConfig::setCurrent(config);
    qputenv("TMPDIR", m_temp.path().toUtf8());
}

void TstComponentsVt::urlIdentifier_data()
{
    QTest::addColumn<QString>("url");
    QTest::addColumn<QString>("id");
    QTest::newRow("plain") << "https://www.example.org/" << "aHR0cHM6Ly93d3cuZXhhbXBsZS5vcmcv";
    // Standard Base64 would give "+", "/" and a trailing "=" here.
    QTest::newRow("url-safe alphabet") << QStringLiteral("http://bad.example/?q=é&x=~~>>??")
                                       << "aHR0cDovL2JhZC5leGFtcGxlLz9xPcOpJng9fn4-Pj8_";
}

void TstComponentsVt::urlIdentifier()
{
    QFETCH(QString, url);
    QFETCH(QString, id);
    QCOMPARE(VtParsing::urlIdentifier(url), id);
}

void TstComponentsVt::keyValueOrder_data()
{
    QTest::addColumn<QString>("component");
    QTest::addColumn<QString>("label");
    QTest::addColumn<QStringList>("rows"); // key=value
    QTest::addColumn<QString>("expected");
    QTest::newRow("empty ip row, label used") << "ip-virustotal" << "192.0.2.7"
                                              << QStringList{"ip="} << "192.0.2.7";
    QTest::newRow("ip row wins") << "ip-virustotal" << "serveur" << QStringList{" IP =198.51.100.1"}
                                 << "198.51.100.1";
    QTest::newRow("no ip") << "ip-virustotal" << "serveur" << QStringList{"ip=n/a"} << "";
    QTest::newRow("sha256 before md5") << "file-virustotal" << "x"
                                       << QStringList{"md5=" + md5, "sha256=" + sha256} << sha256;
    QTest::newRow("bad sha256, md5 used") << "file-virustotal" << "x"
                                          << QStringList{"sha256=zz", "md5=" + md5} << md5;
    QTest::newRow("hash label") << "file-virustotal" << md5 << QStringList() << md5;
    QTest::newRow("domain row") << "domain-virustotal" << "pas un domaine"
                                << QStringList{"domain=evil.example.com"} << "evil.example.com";
    QTest::newRow("url needs a scheme") << "url-virustotal" << "www.example.org"
                                        << QStringList() << "";
}

void TstComponentsVt::keyValueOrder()
{
    QFETCH(QString, component);
    QFETCH(QString, label);
    QFETCH(QStringList, rows);
    QFETCH(QString, expected);
    const Component *vt = Components::find(component);
    QVERIFY(vt);
    const QString type = vt->info().inputType;
    Node node = makeNode(QStringLiteral("n"), label, type);
    for (const QString &row : rows)
        node.attributes.append({QString(), row.section(QLatin1Char('='), 0, 0),
                                row.section(QLatin1Char('='), 1)});
    Graph graph;
    graph.insertNode(node);
    m_service->setFallback({200, ipReport});
    ScriptHost host;
    host.setOptions = [](ComponentOptions &options) { options.delayMs = 0; };
    Components::run(*vt, graph, {node.id}, host);
    QCOMPARE(host.lines.size(), 1);
    if (expected.isEmpty()) {
        QVERIFY2(host.lines.first().startsWith(QStringLiteral("[SKIP] n — pas ")), qPrintable(host.lines.first()));
        QVERIFY(m_service->requests.isEmpty());
    } else {
        QCOMPARE(m_service->requests.size(), 1);
        QVERIFY2(m_service->requests.first().target.endsWith(expected),
                 qPrintable(m_service->requests.first().target));
    }
}

void TstComponentsVt::reportRows_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QStringList>("rows");
    QTest::newRow("ip") << int(VtParsing::Kind::Ip) << ipReport
                        << QStringList{"vt_malicious_count=2", "vt_suspicious_count=0",
                                       "vt_harmless_count=61", "vt_has_any_malicious=true",
                                       "vt_reputation=-3",
                                       "vt_last_analysis_date=2023-11-14T22:13:20Z",
                                       "vt_as_owner=EXAMPLE-NET", "vt_asn=64500",
                                       "vt_country=FR", "vt_resolution=a.example.org",
                                       "vt_tag=scanner"};
    QTest::newRow("url") << int(VtParsing::Kind::Url) << urlReport
                         << QStringList{"vt_malicious_count=0", "vt_suspicious_count=1",
                                        "vt_harmless_count=70", "vt_has_any_malicious=true",
                                        "vt_reputation=0", "vt_url=https://x.example/",
                                        "vt_last_final_url=https://x.example/home",
                                        "vt_http_status=200", "vt_http_content_length=5120",
                                        "vt_threat_label=phishing/kit",
                                        "vt_threat_category=phishing", "vt_family=kit"};
    QTest::newRow("file") << int(VtParsing::Kind::File) << fileReport
                          << QStringList{"vt_malicious_count=40", "vt_suspicious_count=0",
                                         "vt_harmless_count=0", "vt_has_any_malicious=true",
                                         "vt_reputation=-12", "vt_tag=macros", "vt_tag=doc",
                                         "vt_threat_category=virus", "vt_threat_category=trojan",
                                         "vt_family=thus", "vt_family=w97m"};
    QTest::newRow("domain, clean, no date")
        << int(VtParsing::Kind::Domain)
        << QByteArray("{\"data\":{\"attributes\":{\"last_analysis_stats\":{\"harmless\":5},"
                      "\"tags\":[],\"resolutions\":[{\"hostname\":\"192.0.2.1\"}]}}}")
        << QStringList{"vt_malicious_count=0", "vt_suspicious_count=0", "vt_harmless_count=5",
                       "vt_has_any_malicious=false", "vt_reputation=0",
                       "vt_resolution=192.0.2.1"};
    QTest::newRow("flat counts") << int(VtParsing::Kind::Ip)
                                 << QByteArray("{\"last_analysis_stats\":{\"malicious\":1},"
                                               "\"reputation\":4}")
                                 << QStringList{"vt_malicious_count=1", "vt_suspicious_count=0",
                                                "vt_harmless_count=0",
                                                "vt_has_any_malicious=true", "vt_reputation=4"};
}

void TstComponentsVt::reportRows()
{
    QFETCH(int, kind);
    QFETCH(QByteArray, reply);
    QFETCH(QStringList, rows);
    const VtParsing::Report report = VtParsing::parseReport(object(reply));
    QVERIFY(report.ok);
    QCOMPARE(rowTexts(VtParsing::reportRows(report, VtParsing::Kind(kind))), rows);
}

void TstComponentsVt::secondRunAppendsAndSaves()
{
    m_service->route(QStringLiteral("/api/v3/ip_addresses/192.0.2.7"), ipReport);
    Graph graph;
    graph.insertNode(makeNode(QStringLiteral("ip"), QStringLiteral("192.0.2.7"), QStringLiteral("ip ")));
    ScriptHost host;
    host.setOptions = [](ComponentOptions &options) { options.delayMs = 0; };
    for (int run = 0; run < 2; ++run) {
        const Components::RunResult result =
            Components::run(*Components::find(QStringLiteral("ip-virustotal")), graph,
                            {QStringLiteral("ip")}, host);
        result.changes.applyTo(graph);
    }
    QCOMPARE(host.lines,
             QStringList(2, QStringLiteral("[OK] 192.0.2.7 → malicious:2, suspicious:0, reputation:-3")));
    QCOMPARE(rowsOf(graph.node(QStringLiteral("ip"))).count(QStringLiteral("vt_malicious_count=2")), 2);
    QCOMPARE(rowsOf(graph.node(QStringLiteral("ip"))).size(), 22);

    const QString file = QDir(m_temp.path()).filePath(QStringLiteral("Vt/Vt.orvane.db"));
    QString error;
    SceneRecords scene;
    QVERIFY2(ProjectFiles::save(file, graph, scene, &error), qPrintable(error));
    Graph loaded;
    QVERIFY2(ProjectFiles::load(file, loaded, scene, &error), qPrintable(error));
    // The database holds one row per (node, key, value): the second report's equal rows fold
    // into the first rather than failing the save.
    QCOMPARE(rowsOf(loaded.node(QStringLiteral("ip"))).size(), 11);
}

void TstComponentsVt::keyHeaderOnlyWithKey()
{
    m_service->setFallback({200, ipReport});
    Graph graph;
    graph.insertNode(makeNode(QStringLiteral("ip"), QStringLiteral("192.0.2.7"), QStringLiteral("IP")));
    for (const QString &key : {QStringLiteral("vt-secret"), QString()}) {
        ScriptHost host;
        host.setOptions = [&](ComponentOptions &options) {
            QCOMPARE(options.apiKey, QStringLiteral("vt-secret")); // from the configuration
            options.apiKey = key;
            options.delayMs = 0;
        };
        Components::run(*Components::find(QStringLiteral("ip-virustotal")), graph,
                        {QStringLiteral("ip")}, host);
    }
    QCOMPARE(m_service->requests.size(), 2);
    QCOMPARE(m_service->requests.at(0).headers.value("x-apikey"), QByteArray("vt-secret"));
    QVERIFY(!m_service->requests.at(1).headers.contains("x-apikey"));
}

void TstComponentsVt::urlLookupUsesTheIdentifier()
{
    m_service->route(QStringLiteral("/api/v3/urls/aHR0cHM6Ly93d3cuZXhhbXBsZS5vcmcv"), urlReport);
    Graph graph;
    graph.insertNode(withRows(makeNode(QStringLiteral("u"), QStringLiteral("lien"), QStringLiteral("URL")),
                              {{QStringLiteral("url"), QStringLiteral("https://www.example.org/")}}));
    ScriptHost host;
    host.setOptions = [](ComponentOptions &options) {
        QCOMPARE(options.delayMs, 20000);
        options.delayMs = 0;
    };
    const Components::RunResult result = Components::run(
        *Components::find(QStringLiteral("url-virustotal")), graph, {QStringLiteral("u")}, host);
    result.changes.applyTo(graph);
    QVERIFY(rowsOf(graph.node(QStringLiteral("u"))).contains(QStringLiteral("vt_family=kit")));
    QCOMPARE(graph.edges().size(), 0);
    QCOMPARE(graph.nodes().size(), 1);
}

void TstComponentsVt::errorsAreLogged_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("line");
    QTest::newRow("not found") << 404
                               << QByteArray("{\"error\":{\"code\":\"NotFoundError\",\"message\":\"x\"}}")
                               << "[ERREUR] 192.0.2.7 — Réseau: 203";
    QTest::newRow("not an object") << 200 << QByteArray("[1]") << "[ERREUR] 192.0.2.7 — Réponse invalide";
    QTest::newRow("unknown shape") << 200 << QByteArray("{\"data\":{}}")
                                   << "[ERREUR] 192.0.2.7 — Format provider inconnu (attendu VT v3)";
}

void TstComponentsVt::errorsAreLogged()
{
    QFETCH(int, status);
    QFETCH(QByteArray, body);
    QFETCH(QString, line);
    m_service->setFallback({status, body});
    Graph graph;
    graph.insertNode(makeNode(QStringLiteral("ip"), QStringLiteral("192.0.2.7"), QStringLiteral("IP")));
    ScriptHost host;
    host.setOptions = [](ComponentOptions &options) { options.delayMs = 0; };
    const Components::RunResult result = Components::run(
        *Components::find(QStringLiteral("ip-virustotal")), graph, {QStringLiteral("ip")}, host);
    QCOMPARE(host.lines, QStringList{line});
    QVERIFY(result.changes.isEmpty());
}

void TstComponentsVt::pollSchedule()
{
    QList<int> waits;
    for (int attempt = 1; attempt <= VtParsing::zipPollAttempts; ++attempt)
        waits.append(VtParsing::zipPollDelayMs(attempt));
    QCOMPARE(waits.mid(0, 5), (QList<int>{1000, 1000, 1000, 1000, 2000}));
    QCOMPARE(waits.count(2000), 36);
}

namespace {

const QByteArray zipCreated =
    "{\"data\":{\"type\":\"zip_file\",\"id\":\"z42\",\"attributes\":{\"status\":\"starting\","
    "\"progress\":0,\"files_ok\":0,\"files_error\":0}}}";
QByteArray zipStatus(const char *status, int progress)
{
    return "{\"data\":{\"type\":\"zip_file\",\"id\":\"z42\",\"attributes\":{\"status\":\""
        + QByteArray(status) + "\",\"progress\":" + QByteArray::number(progress) + "}}}";
}
const QByteArray zipBytes("PK\x03\x04 fake archive", 20);

void routeZip(FakeService &service, const QByteArray &status)
{
    service.route(QStringLiteral("/api/v3/intelligence/zip_files"), zipCreated);
    service.route(QStringLiteral("/api/v3/intelligence/zip_files/z42"), status);
    service.route(QStringLiteral("/api/v3/intelligence/zip_files/z42/download"),
                  FakeService::Reply{200, zipBytes, false, "application/zip"});
}

} // namespace

void TstComponentsVt::downloadForDomainCreatesMalware()
{
    routeZip(*m_service, zipStatus("finished", 100));
    Graph graph;
    graph.insertNode(withRows(makeNode(QStringLiteral("d"), QStringLiteral("evil.example"), QStringLiteral("DOMAINE")),
                              {{QStringLiteral("md5"), md5}, {QStringLiteral("sha256"), sha256}}));
    ScriptHost host;
    host.setOptions = [](ComponentOptions &options) { options.delayMs = 0; };
    const Components::RunResult result =
        Components::run(*Components::find(QStringLiteral("file-virustotal-download")), graph,
                        {QStringLiteral("d")}, host);
    result.changes.applyTo(graph);
    QCOMPARE(host.lines.last(), QStringLiteral("[OK] %1 — nœud MALWARE créé + ZIP + lien").arg(sha256));
    QVERIFY(host.lines.contains(QStringLiteral("[VT] zipId = z42 initial_status=starting")));
    QVERIFY(host.lines.contains(QStringLiteral("[VT] status=finished progress=100% (attempt 1/40)")));

    const FakeService::Request create = m_service->requests.first();
    QCOMPARE(create.method, QStringLiteral("POST"));
    QCOMPARE(create.headers.value("x-apikey"), QByteArray("vt-secret"));
    QCOMPARE(QJsonDocument::fromJson(create.body).object(),
             object("{\"data\":{\"password\":\"ambrette\",\"hashes\":[\"" + sha256.toLatin1() + "\"]}}"));

    QCOMPARE(graph.nodes().size(), 2);
    QCOMPARE(graph.edges().size(), 1);
    const Edge edge = *graph.edges().cbegin();
    QCOMPARE(edge.src, QStringLiteral("d"));
    QCOMPARE(edge.label, QStringLiteral("lié à"));
    QCOMPARE(edge.type, QStringLiteral("related_to"));
    const Node malware = graph.node(edge.dst);
    QCOMPARE(malware.type, QStringLiteral("MALWARE"));
    QCOMPARE(malware.label, sha256);
    QVERIFY(graph.node(QStringLiteral("d")).medias.isEmpty());
    QCOMPARE(malware.medias.size(), 1);
    const MediaRecord media = malware.medias.first();
    QCOMPARE(media.name, QStringLiteral("VirusTotal ZIP (3f786850e387)"));
    QCOMPARE(media.author, QStringLiteral("VirusTotal"));
    QCOMPARE(media.sha256, sha256);
    QCOMPARE(media.file, QDir(m_temp.path()).filePath(QStringLiteral("orvane_vt/") + sha256 + QStringLiteral(".zip")));
    QFile saved(media.file);
    QVERIFY(saved.open(QIODevice::ReadOnly));
    QCOMPARE(saved.readAll(), zipBytes);
}

void TstComponentsVt::downloadForFileAttaches()
{
    routeZip(*m_service, zipStatus("finished", 100));
    Graph graph;
    graph.insertNode(makeNode(QStringLiteral("f"), md5, QStringLiteral("fichier")));
    ScriptHost host;
    host.setOptions = [](ComponentOptions &options) { options.delayMs = 0; };
    const Components::RunResult result =
        Components::run(*Components::find(QStringLiteral("file-virustotal-download")), graph,
                        {QStringLiteral("f")}, host);
    result.changes.applyTo(graph);
    QCOMPARE(host.lines.last(), QStringLiteral("[OK] %1 — archive ZIP attachée au nœud").arg(md5));
    QCOMPARE(graph.nodes().size(), 1);
    QCOMPARE(graph.node(QStringLiteral("f")).medias.size(), 1);
}

void TstComponentsVt::downloadFailures_data()
{
    QTest::addColumn<int>("createStatus");
    QTest::addColumn<QByteArray>("created");
    QTest::addColumn<QByteArray>("status");
    QTest::addColumn<QByteArray>("download");
    QTest::addColumn<QString>("line");
    QTest::newRow("refused") << 401 << QByteArray("{\"error\":{\"code\":\"WrongCredentialsError\"}}")
                             << QByteArray() << zipBytes << "HTTP 401";
    QTest::newRow("no id") << 200 << QByteArray("{\"data\":{}}") << QByteArray() << zipBytes
                           << "Réponse JSON invalide";
    QTest::newRow("error status") << 200 << zipCreated << zipStatus("error-creating", 10)
                                  << zipBytes << "ZIP status: error-creating";
    QTest::newRow("empty archive") << 200 << zipCreated << zipStatus("finished", 100)
                                   << QByteArray() << "HTTP 200 ou corps vide";
}

void TstComponentsVt::downloadFailures()
{
    QFETCH(int, createStatus);
    QFETCH(QByteArray, created);
    QFETCH(QByteArray, status);
    QFETCH(QByteArray, download);
    QFETCH(QString, line);
    m_service->route(QStringLiteral("/api/v3/intelligence/zip_files"), {createStatus, created});
    m_service->route(QStringLiteral("/api/v3/intelligence/zip_files/z42"), status);
    m_service->route(QStringLiteral("/api/v3/intelligence/zip_files/z42/download"), download);
    Graph graph;
    graph.insertNode(makeNode(QStringLiteral("d"), sha256, QStringLiteral("DOMAINE")));
    ScriptHost host;
    host.setOptions = [](ComponentOptions &options) { options.delayMs = 0; };
    const Components::RunResult result =
        Components::run(*Components::find(QStringLiteral("file-virustotal-download")), graph,
                        {QStringLiteral("d")}, host);
    QCOMPARE(host.lines.last(), QStringLiteral("[KO] %1 — %2").arg(sha256, line));
    QVERIFY(result.changes.isEmpty());
}

void TstComponentsVt::iconLookup()
{
    const QString relative = QStringLiteral("icons/Cyber/malware rouge.png");
    QDir root(m_temp.path());
    QVERIFY(root.mkpath(QStringLiteral("install/bin")));
    QVERIFY(root.mkpath(QStringLiteral("install/icons/Cyber")));
    QVERIFY(root.mkpath(QStringLiteral("work/case")));
    QFile icon(root.filePath(QStringLiteral("install/") + relative));
    QVERIFY(icon.open(QIODevice::WriteOnly));
    icon.write("png");
    icon.close();
    const QString installed = QFileInfo(icon).absoluteFilePath();
    QCOMPARE(VtParsing::resolveIcon(relative, root.filePath(QStringLiteral("install/bin")),
                                    root.filePath(QStringLiteral("work/case"))),
             installed);
    QCOMPARE(VtParsing::resolveIcon(relative, root.filePath(QStringLiteral("work")),
                                    root.filePath(QStringLiteral("install/bin"))),
             installed);
    QCOMPARE(VtParsing::resolveIcon(relative, root.filePath(QStringLiteral("work")),
                                    root.filePath(QStringLiteral("work/case"))),
             relative);
}

QTEST_GUILESS_MAIN(TstComponentsVt)
#include "tst_components_vt.moc"
