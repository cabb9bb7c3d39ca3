#include "components/breachcomponent.h"
#include "components/ransomwarecomponent.h"
#include "config/appconfig.h"
#include "fakeservice.h"
#include "scripthost.h"
#include "testfiles.h"
#include "testgraphs.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <QTest>

using namespace TestGraphs;

namespace {

// The shape of ransomware.live's v2 group record, with values of our own.
const QByteArray groupReply =
    "{\"name\":\"octopus\",\"captcha\":false,\"parser\":true,\"javascript_render\":false,"
    "\"meta\":null,\"description\":\"Extorsion double depuis 2023.\",\"locations\":["
    "{\"fqdn\":\"octopusleaks.onion\",\"title\":null,\"version\":3,\"slug\":"
    "\"http://octopusleaks.onion/\",\"available\":true,\"updated\":null,\"enabled\":true},"
    "{\"fqdn\":\"mirror.octopus.onion\",\"title\":\"Octo\",\"version\":3,\"available\":false,"
    "\"enabled\":true}],\"profile\":[]}";

QStringList rows(const Node &node)
{
    QStringList list;
    for (const AttributeRow &row : node.attributes)
        list.append(row.key + QLatin1Char('=') + row.value);
    return list;
}

} // namespace

class TstComponentsLeaks : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void groupKeys_data();
    void groupKeys();
    void groupWithoutDescription();
    void descriptionRowsAndMoaNode();
    void logoNames_data();
    void logoNames();
    void leakNodesAndRows();
    void breachAnswers_data();
    void breachAnswers();

private:
    // Runs the breach lookup on these nodes and applies what it found.
    QStringList runBreaches(Graph &graph, const QStringList &ids, bool includeUnverified);

    FakeService *m_service = nullptr;
    QTemporaryDir m_data;
};

void TstComponentsLeaks::initTestCase()
{
    QVERIFY(m_data.isValid());
    // The logo folder lives under the per-user data folder: here, the test's own.
    qputenv("XDG_DATA_HOME", m_data.path().toUtf8());
}

void TstComponentsLeaks::init()
{
    delete m_service;
    m_service = new FakeService(this);
    AppConfig::setCurrent(QJsonObject{
        {QStringLiteral("endpoints"),
         QJsonObject{{QStringLiteral("ransomware.live"), m_service->base()},
                     {QStringLiteral("HaveIBeenPwned"), m_service->base()}}},
        {QStringLiteral("api_keys"), QJsonObject{{QStringLiteral("HaveIBeenPwned"), QStringLiteral("KEY")}}}});
}

void TstComponentsLeaks::groupKeys_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<bool>("names");
    QTest::newRow("intrusion set") << " Intrusion Set " << true;
    QTest::newRow("joined") << "intrusionset" << true;
    QTest::newRow("moa") << "MOA" << true;
    QTest::newRow("accent, apostrophe") << QStringLiteral("mode opératoire d'attaque") << true;
    QTest::newRow("typographic apostrophe") << QStringLiteral("Mode opératoire d’attaque") << true;
    QTest::newRow("no accent, blank") << "mode operatoire d attaque" << true;
    QTest::newRow("other") << "groupe" << false;
}

void TstComponentsLeaks::groupKeys()
{
    QFETCH(QString, key);
    QFETCH(bool, names);
    QCOMPARE(RansomwareParsing::isGroupKey(key), names);
}

void TstComponentsLeaks::groupWithoutDescription()
{
    for (const QByteArray &reply : {QByteArray("{\"name\":\"0mega\",\"locations\":[]}"),
                                    QByteArray("{\"name\":\"0mega\",\"description\":null}")}) {
        const RansomwareParsing::Group group =
            RansomwareParsing::parseGroup(QJsonDocument::fromJson(reply).object());
        QCOMPARE(group.name, QStringLiteral("0mega"));
        QCOMPARE(group.description, QString());
    }
}

void TstComponentsLeaks::descriptionRowsAndMoaNode()
{
    m_service->route(QStringLiteral("/v2/group/octopus%20team"), groupReply);
    Graph graph;
    Node set = makeNode(QStringLiteral("s"), QStringLiteral("Octopus"), QStringLiteral("INTRUSION SET"));
    set.description = QStringLiteral("Suivi depuis mars.");
    set.attributes.append({QStringLiteral("r"), QStringLiteral("Intrusion set"), QStringLiteral("octopus team")});
    graph.insertNode(set);
    graph.insertNode(makeNode(QStringLiteral("skip"), QStringLiteral("vide"), QStringLiteral("MOA")));
    ScriptHost host;
    host.setOptions = [](ComponentOptions &options) { options.delayMs = 0; };
    for (int run = 0; run < 2; ++run) {
        const Components::RunResult result = Components::run(
            *Components::find(QStringLiteral("ransomware-live-description-moa")), graph,
            {QStringLiteral("s"), QStringLiteral("skip")}, host);
        result.changes.applyTo(graph);
        if (run == 1)
            QVERIFY(result.changes.isEmpty()); // a rerun adds nothing
    }
    QCOMPARE(host.lines.mid(0, 2),
             (QStringList{"[OK] octopus team → desc:29 chars, DLS:2",
                          "[SKIP] vide — pas d'attribut MOA / intrusion set"}));
    const Node after = graph.node(QStringLiteral("s"));
    QCOMPARE(after.description, QStringLiteral("Suivi depuis mars.\n\n--- [ransomware.live] ---\n"
                                               "Extorsion double depuis 2023."));
    QCOMPARE(rows(after), (QStringList{"Intrusion set=octopus team", "MOA=octopus",
                                       "DLS=octopusleaks.onion", "DLS=mirror.octopus.onion"}));
    QCOMPARE(graph.nodes().size(), 3);
    QCOMPARE(graph.edges().size(), 1);
    const Edge edge = *graph.edges().cbegin();
    const Node moa = graph.node(edge.dst);
    QCOMPARE(moa.type, QStringLiteral("MOA"));
    QCOMPARE(moa.label, QStringLiteral("octopus"));
    QCOMPARE(edge.label, QStringLiteral("lié à"));
    QCOMPARE(edge.type, QStringLiteral("related_to"));
}

void TstComponentsLeaks::logoNames_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("start"); // what the file name begins with
    QTest::newRow("plain") << "Adobe" << "Adobe.png";
    QTest::newRow("blanks and hash") << "Collection #1" << "Collection #1.png";
    QTest::newRow("climbing with slashes") << "../../etc/cron.d/x" << "____etc_cron.d_x-";
    QTest::newRow("climbing with backslashes") << "..\\..\\Windows\\win.ini" << "____Windows_win.ini-";
    QTest::newRow("absolute") << "/etc/passwd" << "_etc_passwd-";
    QTest::newRow("NUL inside") << QString::fromUtf8("evil\0.png/../x", 14) << "evil_.png___x-";
    QTest::newRow("reserved characters") << "a<b>c:d|e?f*g\"h" << "a_b_c_d_e_f_g_h-";
    QTest::newRow("control characters") << "line\nbreak\ttab" << "line_break_tab-";
    QTest::newRow("device name") << "CON" << "_CON-";
    QTest::newRow("device with extension") << "nul.txt" << "_nul.txt-";
    QTest::newRow("dots only") << ".." << "_-";
    QTest::newRow("hidden") << " .hidden. " << "hidden-";
    QTest::newRow("empty") << "" << "breach-";
    QTest::newRow("very long") << QString(300, QLatin1Char('x')) << QString(80, QLatin1Char('x')) + "-";
}

void TstComponentsLeaks::logoNames()
{
    QFETCH(QString, name);
    QFETCH(QString, start);
    const QString file = BreachParsing::logoFileName(name);
    QVERIFY2(file.startsWith(start), qPrintable(file));
    QVERIFY(file.endsWith(QLatin1String(".png")));
    QVERIFY(!file.startsWith(QLatin1Char('.')));
    QVERIFY(!file.contains(QLatin1String("..")));
    for (const QChar c : file)
        QVERIFY2(c.unicode() >= 0x20 && !QStringLiteral("/\\:*?\"<>|").contains(c), qPrintable(file));
    QVERIFY(file.size() <= 100);
    const QDir folder(BreachParsing::logoFolder());
    QCOMPARE(QFileInfo(folder.filePath(file)).absolutePath(), folder.absolutePath());
}

QStringList TstComponentsLeaks::runBreaches(Graph &graph, const QStringList &ids,
                                            bool includeUnverified)
{
    ScriptHost host;
    host.setOptions = [includeUnverified](ComponentOptions &options) {
        options.delayMs = 0;
        options.includeUnverified = includeUnverified;
    };
    const Components::RunResult result = Components::run(
        *Components::find(QStringLiteral("email-breaches-hibp")), graph, ids, host);
    result.changes.applyTo(graph);
    return host.lines;
}

void TstComponentsLeaks::leakNodesAndRows()
{
    const QByteArray png = pngBytes(QColor(200, 20, 20), 8);
    m_service->route(QStringLiteral("/logos/adobe.png"), {200, png, false, "image/png"});
    m_service->route(QStringLiteral("/logos/evil.png"), {200, png, false, "image/png"});
    // A breach named to climb out of the logo folder, one without any name, one unverified.
    const QByteArray reply = "[{\"Name\":\"Adobe\",\"Title\":\"Adobe\",\"Domain\":\"adobe.com\","
        "\"BreachDate\":\"2013-10-04\",\"AddedDate\":\"2013-12-04T00:00:00Z\","
        "\"ModifiedDate\":\"2013-12-05T00:00:00Z\",\"PwnCount\":152445165,"
        "\"Description\":\"Fuite de <em>comptes</em>.\",\"LogoPath\":\"" + m_service->base().toLatin1()
        + "/logos/adobe.png\",\"DataClasses\":[\"Email addresses\",\"Passwords\"],"
        "\"IsVerified\":true,\"IsFabricated\":false,\"IsSensitive\":false,\"IsRetired\":false,"
        "\"IsSpamList\":false},"
        "{\"Name\":\"../../../evil/x\",\"LogoPath\":\"" + m_service->base().toLatin1()
        + "/logos/evil.png\",\"IsVerified\":true},"
        "{\"PwnCount\":3},"
        "{\"Name\":\"Rumeur\",\"Title\":\"Rumeur\",\"IsVerified\":false}]";
    m_service->route(QStringLiteral("/api/v3/breachedaccount/alice%40example.org"), reply);

    Graph graph;
    Node person = makeNode(QStringLiteral("n"), QStringLiteral("Alice"), QStringLiteral("PERSONNE"));
    person.attributes.append({QStringLiteral("r1"), QStringLiteral(" Email "),
                              QStringLiteral("Alice <alice@example.org>, bob@example.net")});
    graph.insertNode(person);
    graph.insertNode(makeNode(QStringLiteral("o"), QStringLiteral("sans adresse"), QStringLiteral("PERSONNE")));
    for (int run = 0; run < 2; ++run) {
        const QStringList lines = runBreaches(graph, {QStringLiteral("n"), QStringLiteral("o")}, false);
        QCOMPARE(lines, (QStringList{"[OK] alice@example.org → 3 breach(s)",
                                     "[WARN] bob@example.net → aucune breach connue (HTTP 404)",
                                     "[SKIP] Aucun email sur le nœud o"}));
    }
    const FakeService::Request asked = m_service->requests.first();
    QCOMPARE(asked.target, QStringLiteral("/api/v3/breachedaccount/alice%40example.org?truncateResponse=false"));
    QCOMPARE(asked.headers.value("hibp-api-key"), QByteArray("KEY"));
    QCOMPARE(asked.headers.value("user-agent"), QByteArray("Orvane-HIBP/1.0 (+Qt)"));
    // Each logo is fetched the first time only.
    QCOMPARE(m_service->targets().filter(QStringLiteral("/logos/")).size(), 2);

    QCOMPARE(graph.nodes().size(), 5);
    QCOMPARE(graph.edges().size(), 3);
    QStringList leaks;
    for (const Node &node : graph.nodes()) {
        if (node.type == u"LEAK")
            leaks.append(node.label);
    }
    leaks.sort();
    QCOMPARE(leaks, (QStringList{"../../../evil/x", "Adobe", "Unknown breach"}));

    const QDir folder(BreachParsing::logoFolder());
    QString adobeId;
    for (const Node &node : graph.nodes()) {
        if (node.label == u"Adobe")
            adobeId = node.id;
        if (node.type != u"LEAK" || node.label == u"Unknown breach")
            continue;
        // Every logo lands in the logo folder, whatever the breach is called.
        QCOMPARE(QFileInfo(node.mediaPath).absolutePath(), folder.absolutePath());
        QVERIFY(!QImage(node.mediaPath).isNull());
    }
    QCOMPARE(folder.entryList(QDir::Files).size(), 2);
    QVERIFY(!QFileInfo::exists(m_data.filePath(QStringLiteral("evil"))));
    QVERIFY(!QFileInfo::exists(QDir(m_data.path()).filePath(QStringLiteral("../evil"))));

    const Node adobe = graph.node(adobeId);
    QCOMPARE(adobe.mediaPath, folder.filePath(QStringLiteral("Adobe.png")));
    QCOMPARE(adobe.color, QColor(QStringLiteral("#f28b82")));
    QCOMPARE(adobe.description, QStringLiteral("Fuite de <em>comptes</em>."));
    QCOMPARE(adobe.validity.start, QDateTime(QDate(2013, 10, 4), QTime(0, 0), Qt::UTC));
    QCOMPARE(rows(adobe),
             (QStringList{"BreachDate=2013-10-04", "Domain=adobe.com", "PwnCount=152445165",
                          "IsVerified=true", "IsSensitive=false", "IsRetired=false",
                          "IsSpamList=false", "AddedDate=2013-12-04T00:00:00Z",
                          "ModifiedDate=2013-12-05T00:00:00Z",
                          "LogoPathUrl=" + m_service->base() + "/logos/adobe.png",
                          "DataClasses=Email addresses, Passwords"}));
    for (const Edge &edge : graph.edges()) {
        QCOMPARE(edge.src, QStringLiteral("n"));
        QCOMPARE(edge.type, QStringLiteral("LEAK"));
        QCOMPARE(edge.label, QStringLiteral("alice@example.org"));
        if (edge.dst != adobeId)
            continue;
        QStringList edgeRows;
        for (const AttributeRow &row : edge.attributes)
            edgeRows.append(row.key + QLatin1Char('=') + row.value);
        QCOMPARE(edgeRows, (QStringList{"account=alice@example.org", "BreachName=Adobe",
                                        "BreachDate=2013-10-04", "AddedDate=2013-12-04T00:00:00Z",
                                        "ModifiedDate=2013-12-05T00:00:00Z",
                                        "DataClasses=Email addresses, Passwords", "IsVerified=true",
                                        "IsSensitive=false", "IsRetired=false", "IsSpamList=false"}));
    }
}

void TstComponentsLeaks::breachAnswers_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<bool>("includeUnverified");
    QTest::addColumn<QString>("line");
    QTest::addColumn<QStringList>("leaks");
    const QByteArray unverified = "[{\"Name\":\"Rumeur\",\"Title\":\"Rumeur\",\"IsVerified\":false}]";
    QTest::newRow("no breach: 404 without body")
        << 404 << QByteArray() << false << "[WARN] a@b.fr → aucune breach connue (HTTP 404)" << QStringList();
    QTest::newRow("empty answer") << 200 << QByteArray() << false << "[OK] a@b.fr → 0 breach" << QStringList();
    QTest::newRow("refused key")
        << 401 << QByteArray("{\"statusCode\":401,\"message\":\"Access denied due to invalid hibp-api-key.\"}")
        << false << "[ERREUR] a@b.fr — Réseau: 204 (HTTP 401 Status)" << QStringList();
    QTest::newRow("not a list") << 200 << QByteArray("{\"Name\":\"Adobe\"}") << false
                                << "[ERREUR] a@b.fr — Réponse invalide" << QStringList();
    QTest::newRow("unverified left out") << 200 << unverified << false << "[OK] a@b.fr → 0 breach"
                                         << QStringList();
    QTest::newRow("unverified asked for") << 200 << unverified << true
                                          << "[OK] a@b.fr → 1 breach(s)" << QStringList{"Rumeur"};
    QTest::newRow("truncated answer") << 200 << QByteArray("[{\"Name\":\"Adobe\"},{\"Name\":\"Badoo\"}]")
                                      << false << "[OK] a@b.fr → 2 breach(s)"
                                      << QStringList{"Adobe", "Badoo"};
}

void TstComponentsLeaks::breachAnswers()
{
    QFETCH(int, status);
    QFETCH(QByteArray, body);
    QFETCH(bool, includeUnverified);
    QFETCH(QString, line);
    QFETCH(QStringList, leaks);
    m_service->setFallback({status, body});
    Graph graph;
    Node person = makeNode(QStringLiteral("n"), QStringLiteral("A"), QStringLiteral("EMAIL"));
    person.attributes.append({QStringLiteral("r"), QStringLiteral("email"), QStringLiteral("a@b.fr")});
    graph.insertNode(person);
    QCOMPARE(runBreaches(graph, {QStringLiteral("n")}, includeUnverified), QStringList{line});
    QCOMPARE(m_service->targets(),
             QStringList{QStringLiteral("/api/v3/breachedaccount/a%40b.fr?truncateResponse=false")
                         + (includeUnverified ? QStringLiteral("&includeUnverified=true") : QString())});
    QStringList labels;
    for (const Node &node : graph.nodes()) {
        if (node.type == u"LEAK")
            labels.append(node.label);
    }
    labels.sort();
    QCOMPARE(labels, leaks);
    QCOMPARE(graph.edges().size(), leaks.size());
}

QTEST_GUILESS_MAIN(TstComponentsLeaks)
#include "tst_components_leaks.moc"
