#include "components/component.h"
#include "config/appconfig.h"
#include "fakeservice.h"
#include "model/graph.h"
#include "model/scenerecords.h"
#include "storage/projectfiles.h"
#include "testfiles.h"
#include "testgraphs.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace TestGraphs;

namespace {

struct Run
{
    int exitCode = -1;
    QString out;
    QString err;
};

// Runs orvane-cli while this process keeps answering as the fake service, with the
// configuration folder of the test.
Run runServing(const QStringList &arguments, const QString &configHome)
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), configHome);
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(ORVANE_BINARY_DIR "/bin/orvane-cli"), arguments);
    QElapsedTimer clock;
    clock.start();
    while (process.state() != QProcess::NotRunning && clock.elapsed() < 60000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        process.waitForFinished(10);
    }
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

QString writeProject(const QString &folder)
{
    Graph graph;
    for (const auto &[id, asn] : {std::pair{"a", "AS7511"}, std::pair{"b", "64500"}}) {
        Node node = makeNode(QLatin1String(id), QStringLiteral("AS ") + QLatin1String(id),
                             QStringLiteral("AS"));
        node.pos = QPointF(10, 10);
        node.attributes.append({QStringLiteral("r") + QLatin1String(id), QStringLiteral("asn"),
                                QLatin1String(asn)});
        graph.insertNode(node);
    }
    graph.insertNode(makeNode(QStringLiteral("ip"), QStringLiteral("1.1.1.1"), QStringLiteral("IP")));
    SceneRecords scene;
    const QString dbPath = QDir(folder).filePath(QStringLiteral("Case/Case.orvane.db"));
    QString error;
    if (!ProjectFiles::save(dbPath, graph, scene, &error))
        qWarning() << error;
    return dbPath;
}

} // namespace

class TstCliEnrich : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void listsTheComponents();
    void enrichesAndSaves();
    void selectedNodesOnly();
    void virusTotalWithTheConfiguredKey();
    void refusals_data();
    void refusals();
    void newMembersWriteTheProject_data();
    void newMembersWriteTheProject();

private:
    QTemporaryDir m_dir;
    QString m_configHome;
    QString m_project;
    FakeService *m_service = nullptr;
};

void TstCliEnrich::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_configHome = m_dir.filePath(QStringLiteral("config"));
    // Where orvane-cli finds its configuration under that folder.
    qputenv("XDG_CONFIG_HOME", m_configHome.toUtf8());
    QCoreApplication::setApplicationName(QStringLiteral("ORVANE"));
    QCoreApplication::setOrganizationName(QStringLiteral("ORVANE"));
}

void TstCliEnrich::init()
{
    delete m_service;
    m_service = new FakeService(this);
    m_service->route(QStringLiteral("/asn/7511/prefixes"),
                     "{\"status\":\"ok\",\"data\":{\"ipv4_prefixes\":[{\"prefix\":"
                     "\"103.53.120.0/22\"}],\"ipv6_prefixes\":[{\"prefix\":\"2001:db8::/32\"}]}}");
    m_service->route(QStringLiteral("/asn/64500/prefixes"),
                     "{\"status\":\"error\",\"status_message\":\"Could not find ASN\"}");
    QVERIFY(AppConfig::writeFile(
        AppConfig::configFilePath(),
        QJsonObject{{QStringLiteral("endpoints"),
                     QJsonObject{{QStringLiteral("BGPView"), m_service->base()}}}}));
    QDir(m_dir.filePath(QStringLiteral("Case"))).removeRecursively();
    m_project = writeProject(m_dir.path());
}

void TstCliEnrich::listsTheComponents()
{
    const Run run = runServing({QStringLiteral("enrich"), QStringLiteral("--list")}, m_configHome);
    QCOMPARE(run.exitCode, 0);
    const QStringList lines = run.out.trimmed().split(QLatin1Char('\n'));
    QCOMPARE(lines.size(), int(Components::all().size()));
    QCOMPARE(lines.first(), QStringLiteral("as-to-cidr\tAS\tCIDR depuis un AS"));
    QVERIFY(lines.contains(QStringLiteral("dns-resolution\tFQDN\tRésolution DNS")));
    QVERIFY(lines.contains(QStringLiteral("url-virustotal\tURL\tVirusTotal — URL")));
}

void TstCliEnrich::enrichesAndSaves()
{
    const Run run = runServing({QStringLiteral("enrich"), QStringLiteral("as-to-cidr"), m_project,
                                QStringLiteral("--create-nodes")},
                               m_configHome);
    QCOMPARE(run.err, QString());
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.out, QStringLiteral("[OK] AS7511 → 2 CIDR (appliqués selon votre choix)\n"
                                     "[ERREUR] AS64500 — Could not find ASN\n"));
    const Graph graph = loadGraph(m_project);
    QCOMPARE(graph.nodes().size(), 5);
    QCOMPARE(graph.edges().size(), 2);
    QStringList cidr;
    for (const AttributeRow &row : graph.node(QStringLiteral("a")).attributes) {
        if (row.key == u"cidr")
            cidr.append(row.value);
    }
    QCOMPARE(cidr, (QStringList{"103.53.120.0/22", "2001:db8::/32"}));
}

void TstCliEnrich::virusTotalWithTheConfiguredKey()
{
    m_service->route(QStringLiteral("/api/v3/ip_addresses/1.1.1.1"),
                     "{\"data\":{\"attributes\":{\"reputation\":7,\"last_analysis_stats\":"
                     "{\"malicious\":0,\"suspicious\":0,\"harmless\":88}}}}");
    QVERIFY(AppConfig::writeFile(
        AppConfig::configFilePath(),
        QJsonObject{{QStringLiteral("endpoints"),
                     QJsonObject{{QStringLiteral("VirusTotal"), m_service->base()}}},
                    {QStringLiteral("api_keys"),
                     QJsonObject{{QStringLiteral("VirusTotal"), QStringLiteral("k-123")}}}}));
    const Run run = runServing({QStringLiteral("enrich"), QStringLiteral("ip-virustotal"),
                                m_project, QStringLiteral("--delay"), QStringLiteral("0")},
                               m_configHome);
    QCOMPARE(run.err, QString());
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.out, QStringLiteral("[OK] 1.1.1.1 → malicious:0, suspicious:0, reputation:7\n"));
    QCOMPARE(m_service->requests.size(), 1);
    QCOMPARE(m_service->requests.first().headers.value("x-apikey"), QByteArray("k-123"));
    QStringList rows;
    for (const AttributeRow &row : loadGraph(m_project).node(QStringLiteral("ip")).attributes)
        rows.append(row.key + QLatin1Char('=') + row.value);
    QVERIFY2(rows.contains(QStringLiteral("vt_harmless_count=88")), qPrintable(rows.join(u',')));
}

void TstCliEnrich::selectedNodesOnly()
{
    const Run run = runServing({QStringLiteral("enrich"), QStringLiteral("as-to-cidr"), m_project,
                                QStringLiteral("--nodes"), QStringLiteral("a,ip"),
                                QStringLiteral("--provider"),
                                m_service->base() + QStringLiteral("/asn/%1/prefixes"),
                                QStringLiteral("--timeout"), QStringLiteral("2000")},
                               m_configHome);
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.out, QStringLiteral("[OK] AS7511 → 2 CIDR (appliqués selon votre choix)\n"));
    // Without --create-nodes only the rows are written.
    QCOMPARE(loadGraph(m_project).nodes().size(), 3);
    QCOMPARE(m_service->targets(), QStringList{"/asn/7511/prefixes"});
}

void TstCliEnrich::refusals_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("message");
    QTest::newRow("unknown component") << QStringList{"enrich", "as-to-nowhere", "@"} << 2
                                       << "unknown component as-to-nowhere";
    QTest::newRow("no node of the type") << QStringList{"enrich", "dns-resolution", "@"} << 1
                                         << "no node of type FQDN";
    QTest::newRow("unknown node") << QStringList{"enrich", "as-to-cidr", "@", "--nodes", "zz"}
                                  << 1 << "no node zz";
    QTest::newRow("missing file") << QStringList{"enrich", "as-to-cidr", "missing.orvane.db"}
                                  << 1 << "";
    QTest::newRow("provider without %1")
        << QStringList{"enrich", "as-to-cidr", "@", "--provider", "http://127.0.0.1/x"} << 2
        << "--provider needs %1";
    QTest::newRow("bad timeout") << QStringList{"enrich", "as-to-cidr", "@", "--timeout", "soon"}
                                 << 2 << "invalid --timeout";
}

void TstCliEnrich::refusals()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, message);
    arguments.replaceInStrings(QStringLiteral("@"), m_project);
    const QByteArray before = fileBytes(m_project);
    const Run run = runServing(arguments, m_configHome);
    QCOMPARE(run.exitCode, exitCode);
    QCOMPARE(run.err.count(QLatin1Char('\n')), 1);
    QVERIFY2(run.err.contains(message), qPrintable(run.err));
    QCOMPARE(fileBytes(m_project), before);
    QVERIFY(m_service->requests.isEmpty());
}

void TstCliEnrich::newMembersWriteTheProject_data()
{
    const QString wallet = QStringLiteral("0xabcdef0123456789abcdef0123456789abcdef01");
    const QString funder = QStringLiteral("0x2222222222222222222222222222222222222222");
    const QString sol = QStringLiteral("7dEmoWa11etAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA");
    const QString payee = QStringLiteral("9xRecipientBBBBBBBBBBBBBBBBBBBBBBBBBBBBBBBBB");
    const QString first = QStringLiteral("2") + QString(87, QLatin1Char('a'));
    const QString second = QStringLiteral("2") + QString(87, QLatin1Char('b'));
    const QByteArray solDetail =
        "{\"success\":true,\"data\":{\"fee\":5000,\"block_time\":1735586811,\"sol_bal_change\":["
        "{\"address\":\"" + sol.toLatin1() + "\",\"pre_balance\":36893488147419103233,"
        "\"post_balance\":18446744073709546617},{\"address\":\"" + payee.toLatin1()
        + "\",\"pre_balance\":0,\"post_balance\":18446744073709551616}]}}";

    QTest::addColumn<QStringList>("node");      // id, label, type, then key and value rows
    QTest::addColumn<QString>("service");
    QTest::addColumn<QStringList>("routes");    // target, body, target, body...
    QTest::addColumn<QStringList>("arguments"); // after NAME FILE
    QTest::addColumn<QString>("out");
    QTest::addColumn<QStringList>("edges");     // "source -label (type)-> target", sorted

    QTest::newRow("eth-funded-by")
        << QStringList{"w", wallet, "ADRESSE BNB"} << "Etherscan"
        << QStringList{QStringLiteral("/v2/api?chainid=56&module=account&action=txlist&address=%1"
                                      "&sort=asc&page=1&offset=10000&apikey=KEY").arg(wallet),
                       QStringLiteral("{\"status\":\"1\",\"message\":\"OK\",\"result\":[{\"from\":\"%1\","
                                      "\"to\":\"%2\",\"value\":\"1\",\"hash\":\"0x01\",\"timeStamp\":\"1\","
                                      "\"contractAddress\":\"\"}]}").arg(funder, wallet),
                       QStringLiteral("/v2/api?chainid=56&module=account&action=txlist&address=%1"
                                      "&sort=asc&page=1&offset=10000&apikey=KEY").arg(funder),
                       "{\"status\":\"0\",\"message\":\"No transactions found\",\"result\":[]}"}
        << QStringList{"eth-funded-by", "--nodes", "w", "--chain", "56", "--depth", "3", "--delay", "0"}
        << "[OK] " + wallet + " funded by " + funder + "\n[INFO] " + funder
               + " — aucun 'funded by' trouvé\n"
        << QStringList{funder + " -financ (FINANCEMENT BNB)-> " + wallet};
    QTest::newRow("sol-to-tx")
        << QStringList{"w", "Portefeuille", "ADRESSE SOLANA", "pubkey", sol} << "Solscan"
        << QStringList{"/v2.0/account/transactions?address=" + sol + "&limit=500",
                       "{\"success\":true,\"data\":[{\"tx_hash\":\"" + first + "\"},{\"tx_hash\":\""
                           + second + "\"}]}",
                       "/v2.0/account/detail?address=" + sol,
                       "{\"success\":true,\"data\":{\"lamports\":12}}",
                       "/v2.0/transaction/detail?tx=" + first, QString::fromLatin1(solDetail)}
        << QStringList{"sol-to-tx", "--count", "1", "--delay", "0"}
        << "[OK] " + sol + " → 1 relation(s) créées\n"
        << QStringList{QStringLiteral("Portefeuille -18446744073.709551616 • 2aaaaa…aaaaaa (Txn SOLSCAN)-> ")
                       + payee};
    QTest::newRow("email-breaches-hibp")
        << QStringList{"w", "Alice", "PERSONNE", "email", "alice@example.org"} << "HaveIBeenPwned"
        << QStringList{"/api/v3/breachedaccount/alice%40example.org?truncateResponse=false"
                       "&includeUnverified=true",
                       "[{\"Name\":\"Adobe\",\"Title\":\"Adobe\",\"IsVerified\":true},"
                       "{\"Name\":\"Rumeur\",\"IsVerified\":false}]"}
        << QStringList{"email-breaches-hibp", "--nodes", "w", "--include-unverified", "--delay", "0"}
        << "[OK] alice@example.org → 2 breach(s)\n"
        << QStringList{"Alice -alice@example.org (LEAK)-> Adobe",
                       "Alice -alice@example.org (LEAK)-> Rumeur"};
}

void TstCliEnrich::newMembersWriteTheProject()
{
    QFETCH(QStringList, node);
    QFETCH(QString, service);
    QFETCH(QStringList, routes);
    QFETCH(QStringList, arguments);
    QFETCH(QString, out);
    QFETCH(QStringList, edges);
    QString error;
    QVERIFY2(ProjectFiles::update(
                 m_project,
                 [&node](Graph &graph, QString *) {
                     Node added = makeNode(node.at(0), node.at(1), node.at(2));
                     for (int i = 3; i + 1 < node.size(); i += 2)
                         added.attributes.append({QStringLiteral("r%1").arg(i), node.at(i), node.at(i + 1)});
                     return graph.insertNode(added);
                 },
                 &error),
             qPrintable(error));
    for (int i = 0; i + 1 < routes.size(); i += 2)
        m_service->route(routes.at(i), routes.at(i + 1).toUtf8());
    QVERIFY(AppConfig::writeFile(
        AppConfig::configFilePath(),
        QJsonObject{{QStringLiteral("endpoints"), QJsonObject{{service, m_service->base()}}},
                    {QStringLiteral("api_keys"), QJsonObject{{service, QStringLiteral("KEY")}}}}));
    arguments.insert(0, QStringLiteral("enrich"));
    arguments.insert(2, m_project);
    const Run run = runServing(arguments, m_configHome);
    QCOMPARE(run.err, QString());
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.out, out);
    const Graph graph = loadGraph(m_project);
    QStringList drawn;
    for (const Edge &edge : graph.edges())
        drawn.append(QStringLiteral("%1 -%2 (%3)-> %4")
                         .arg(graph.node(edge.src).label, edge.label, edge.type,
                              graph.node(edge.dst).label));
    drawn.sort();
    QCOMPARE(drawn, edges);
    for (const FakeService::Request &request : std::as_const(m_service->requests))
        QVERIFY2(routes.contains(request.target), qPrintable(request.target));
}

QTEST_GUILESS_MAIN(TstCliEnrich)
#include "tst_cli_enrich.moc"
