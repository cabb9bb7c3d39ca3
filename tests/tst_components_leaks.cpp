#include "components/ransomwarecomponent.h"
#include "config/appconfig.h"
#include "fakeservice.h"
#include "scripthost.h"
#include "testgraphs.h"

#include <QJsonDocument>
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
    void init();
    void groupKeys_data();
    void groupKeys();
    void groupWithoutDescription();
    void descriptionRowsAndMoaNode();

private:
    FakeService *m_service = nullptr;
};

void TstComponentsLeaks::init()
{
    delete m_service;
    m_service = new FakeService(this);
    AppConfig::setCurrent(QJsonObject{{QStringLiteral("endpoints"),
                                       QJsonObject{{QStringLiteral("ransomware.live"), m_service->base()}}}});
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

QTEST_GUILESS_MAIN(TstComponentsLeaks)
#include "tst_components_leaks.moc"
