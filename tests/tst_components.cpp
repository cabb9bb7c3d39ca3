#include "components/bgpcomponents.h"
#include "components/componentutils.h"
#include "components/dnscomponent.h"
#include "components/dnsresolver.h"
#include "components/geocomponent.h"
#include "components/osmtiles.h"
#include "config/appconfig.h"
#include "fakeservice.h"
#include "scripthost.h"
#include "testfiles.h"
#include "testgraphs.h"

#include <QJsonDocument>
#include <QTest>

#include <functional>

using namespace TestGraphs;

namespace {

// Answers lookups from a table of (name, type) → addresses, noting each question.
class TableResolver : public DnsResolver
{
public:
    QHash<QString, QStringList> table; // key "name A" or "name AAAA"
    QStringList asked;

    QStringList lookup(const QString &name, RecordType type, const QString &,
                       int) override
    {
        const QString key = name + (type == RecordType::A ? QStringLiteral(" A")
                                                          : QStringLiteral(" AAAA"));
        asked.append(key);
        return table.value(key);
    }
};

Node asNode(const QString &id, const QString &asn, const QString &label = QString())
{
    Node node = makeNode(id, label.isEmpty() ? id : label, QStringLiteral("AS"));
    node.attributes.append({QStringLiteral("r-") + id, QStringLiteral("asn"), asn});
    return node;
}

QByteArray json(const char *text)
{
    return QByteArray(text);
}

// BGPView's envelope around a data object.
QByteArray bgpOk(const QByteArray &data)
{
    return "{\"status\":\"ok\",\"status_message\":\"Query was successful\",\"data\":" + data
        + ",\"@meta\":{\"time_zone\":\"UTC\",\"api_version\":1}}";
}

const QByteArray bgpNotFound = json(
    "{\"status\":\"error\",\"status_message\":\"Could not find ASN\","
    "\"@meta\":{\"time_zone\":\"UTC\",\"api_version\":1}}");

QJsonObject object(const QByteArray &bytes)
{
    return QJsonDocument::fromJson(bytes).object();
}

QStringList values(const Node &node, const QString &key)
{
    QStringList list;
    for (const AttributeRow &row : node.attributes) {
        if (row.key == key)
            list.append(row.value);
    }
    return list;
}

Graph applied(const Graph &graph, const Components::RunResult &result)
{
    Graph copy = graph;
    result.changes.applyTo(copy);
    return copy;
}

QList<Node> nodesOfType(const Graph &graph, const QString &type)
{
    QList<Node> list;
    for (const Node &node : graph.nodes()) {
        if (node.type == type)
            list.append(node);
    }
    return list;
}

const Component &component(const char *name)
{
    return *Components::find(QLatin1String(name));
}

} // namespace

class TstComponents : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void asnNormalisation_data();
    void asnNormalisation();
    void prefixReplies_data();
    void prefixReplies();
    void neighbourReplies();
    void ipApiReplies_data();
    void ipApiReplies();
    void endpointsRedirectProviders();
    void registryNamesEverySlot();
    void cidrTwiceAddsNothingNew();
    void confirmationBoxesActSeparately();
    void peersReuseRelationsFromEitherEnd();
    void upstreamsAndDownstreamsPointFromTheSource();
    void serviceErrorsAreLoggedAndTheRunGoesOn();
    void timeoutIsLoggedAndNextNodeProcessed();
    void cancelStopsBetweenNodes();
    void nothingToDo_data();
    void nothingToDo();
    void cidrToAsAsksForTheRange();
    void ipToAsWritesAndReusesTheAsNode();
    void changesSkipWhatVanished();
    void dnsHostOf_data();
    void dnsHostOf();
    void dnsResolvesAThenAaaa();
    void dnsWithoutAnswer();
    void geolocationKeepsFirstCoordinates();
    void geolocationErrors();
    void tileBlocks_data();
    void tileBlocks();
    void tilesAreFetchedWithTheUserAgent();
    void tilePostProcessing();
    void markersOfGeolocatedNodes();

private:
    FakeService *m_service = nullptr;
};

void TstComponents::init()
{
    delete m_service;
    m_service = new FakeService(this);
    QJsonObject config;
    config.insert(QStringLiteral("endpoints"),
                  QJsonObject{{QStringLiteral("BGPView"), QString(m_service->base() + QStringLiteral("/"))},
                              {QStringLiteral("ip-api"), m_service->base()}});
    AppConfig::setCurrent(config);
}

void TstComponents::asnNormalisation_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("digits");
    QTest::newRow("lower case") << "as13335" << "AS13335" << "13335";
    QTest::newRow("digits only") << "13335" << "AS13335" << "13335";
    QTest::newRow("blanks") << "  AS 13335 " << "AS 13335" << "13335";
    QTest::newRow("text around digits") << "ASN 7511 (Synapse)" << "ASN 7511 (Synapse)" << "7511";
    QTest::newRow("number inside words") << "réseau 64500" << "AS64500" << "64500";
    QTest::newRow("letters only") << "ASxyz" << "ASxyz" << "";
}

void TstComponents::asnNormalisation()
{
    QFETCH(QString, value);
    QFETCH(QString, shown);
    QFETCH(QString, digits);
    const QString normalised = ComponentUtils::normaliseAsn(value);
    QCOMPARE(normalised, shown);
    QCOMPARE(ComponentUtils::asnDigits(normalised), digits);
}

void TstComponents::prefixReplies_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QStringList>("prefixes");
    QTest::addColumn<QString>("error");
    QTest::newRow("both families, duplicates")
        << bgpOk("{\"ipv4_prefixes\":[{\"prefix\":\"103.53.120.0/22\",\"cidr\":22},"
                 "{\"prefix\":\" 110.92.32.0/19 \"},{\"prefix\":\"103.53.120.0/22\"},"
                 "{\"prefix\":\"\"},\"oops\"],"
                 "\"ipv6_prefixes\":[{\"prefix\":\"2001:db8::/32\"}]}")
        << true << QStringList{"103.53.120.0/22", "110.92.32.0/19", "2001:db8::/32"} << "";
    QTest::newRow("status in capitals, empty lists")
        << json("{\"status\":\"OK\",\"data\":{\"ipv4_prefixes\":[],\"ipv6_prefixes\":[]}}")
        << true << QStringList() << "";
    QTest::newRow("plain list") << json("{\"prefixes\":[\"10.0.0.0/8\",\"\",\"10.0.0.0/8\"]}")
                                << true << QStringList{"10.0.0.0/8"} << "";
    QTest::newRow("error with HTTP 200") << bgpNotFound << false << QStringList()
                                         << "Could not find ASN";
    QTest::newRow("unknown shape") << json("{\"status\":\"ok\",\"data\":[1]}") << false
                                   << QStringList() << "Format provider inconnu";
}

void TstComponents::prefixReplies()
{
    QFETCH(QByteArray, reply);
    QFETCH(bool, ok);
    QFETCH(QStringList, prefixes);
    QFETCH(QString, error);
    const BgpParsing::Prefixes parsed = BgpParsing::parsePrefixes(object(reply));
    QCOMPARE(parsed.ok, ok);
    QCOMPARE(parsed.prefixes, prefixes);
    QCOMPARE(parsed.error, error);
}

void TstComponents::neighbourReplies()
{
    // The same AS in both families, a number as text, a name only under "asn_name", an
    // element without digits: three records, in order.
    const QByteArray reply = bgpOk(
        "{\"ipv4_peers\":[{\"asn\":7514,\"name\":\"MEX\",\"description\":\"CEC\"},"
        "{\"asn\":\"AS6939\",\"name\":\"\",\"asn_name\":\"HURRICANE\",\"description\":\"\","
        "\"organization\":\"Hurricane Electric\"},{\"asn\":\"n/a\",\"name\":\"X\"}],"
        "\"ipv6_peers\":[{\"asn\":7514,\"name\":\"MEX\",\"description\":\"CEC\"},"
        "{\"asn\":64500}]}");
    const BgpParsing::AsRecords peers =
        BgpParsing::parseNeighbours(object(reply), BgpParsing::Neighbours::Peers);
    QVERIFY(peers.ok);
    QCOMPARE(peers.records.size(), 3);
    QCOMPARE(peers.records.at(0).neighbourText(), QStringLiteral("MEX -- AS7514"));
    QCOMPARE(peers.records.at(1).name, QStringLiteral("HURRICANE"));
    QCOMPARE(peers.records.at(1).org, QStringLiteral("Hurricane Electric"));
    QCOMPARE(peers.records.at(2).neighbourText(), QStringLiteral("AS64500"));

    // The plain shape names the organisation "org".
    const BgpParsing::AsRecords plain = BgpParsing::parseNeighbours(
        object("{\"upstreams\":[{\"asn\":3356,\"name\":\"LEVEL3\",\"org\":\"Lumen\"}]}"),
        BgpParsing::Neighbours::Upstreams);
    QVERIFY(plain.ok);
    QCOMPARE(plain.records.at(0).org, QStringLiteral("Lumen"));

    // Peers asked for, downstreams answered: nothing of the right kind is an empty answer,
    // an error envelope is the service's message.
    QVERIFY(BgpParsing::parseNeighbours(object(reply), BgpParsing::Neighbours::Downstreams)
                .records.isEmpty());
    QCOMPARE(BgpParsing::parseNeighbours(object(bgpNotFound), BgpParsing::Neighbours::Peers).error,
             QStringLiteral("Could not find ASN"));
}

void TstComponents::ipApiReplies_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QString>("asn");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("org");
    QTest::addColumn<QString>("error");
    QTest::newRow("asked for asname")
        << json("{\"status\":\"success\",\"org\":\"\",\"as\":\"AS13335 Cloudflare, Inc.\","
                "\"asname\":\"CLOUDFLARENET\",\"query\":\"1.1.1.1\"}")
        << "AS13335" << "CLOUDFLARENET" << "" << "";
    QTest::newRow("default fields, no asname")
        << json("{\"status\":\"success\",\"org\":\"Bell Canada\",\"as\":\"AS577 Bell Canada\"}")
        << "AS577" << "Bell Canada" << "Bell Canada" << "";
    QTest::newRow("failure") << json("{\"status\":\"fail\",\"message\":\"private range\"}") << ""
                             << "" << "" << "private range";
    QTest::newRow("failure without message") << json("{\"status\":\"fail\"}") << "" << "" << ""
                                             << "Echec provider";
    QTest::newRow("no AS number") << json("{\"status\":\"success\",\"as\":\"\"}") << "" << ""
                                  << "" << "Numéro d'AS introuvable";
}

void TstComponents::ipApiReplies()
{
    QFETCH(QByteArray, reply);
    QFETCH(QString, asn);
    QFETCH(QString, name);
    QFETCH(QString, org);
    QFETCH(QString, error);
    const BgpParsing::AsRecords parsed = BgpParsing::parseIpApiAs(object(reply));
    QCOMPARE(parsed.error, error);
    QCOMPARE(parsed.ok, error.isEmpty());
    if (parsed.ok) {
        QCOMPARE(parsed.records.at(0).asn, asn);
        QCOMPARE(parsed.records.at(0).name, name);
        QCOMPARE(parsed.records.at(0).org, org);
    }
}

void TstComponents::endpointsRedirectProviders()
{
    QCOMPARE(component("as-to-cidr").defaultOptions().provider,
             m_service->base() + QStringLiteral("/asn/%1/prefixes"));
    QCOMPARE(component("ip-geolocalisation").defaultOptions().provider,
             m_service->base()
                 + QStringLiteral("/json/%1?fields=status,message,lat,lon,country,city,org,as,query"));
    AppConfig::setCurrent(QJsonObject{
        {QStringLiteral("endpoints"), QJsonObject{{QStringLiteral("BGPView"), QStringLiteral(" ")}}}});
    QCOMPARE(component("cidr-to-as").defaultOptions().provider,
             QStringLiteral("https://api.bgpview.io/prefix/%1"));
    QCOMPARE(component("ip-to-as").defaultOptions().provider,
             QStringLiteral("http://ip-api.com/json/%1?fields=status,message,as,asname,org,query"));
}

void TstComponents::registryNamesEverySlot()
{
    QStringList names;
    for (const Component *each : Components::all()) {
        names.append(each->info().name);
        QCOMPARE(Components::findBySlot(each->info().slot), each);
    }
    QCOMPARE(names, (QStringList{"as-to-cidr", "as-to-peers", "as-to-upstreams",
                                 "as-to-downstreams", "cidr-to-as", "ip-to-as", "dns-resolution",
                                 "ip-geolocalisation", "ip-virustotal", "domain-virustotal",
                                 "url-virustotal", "file-virustotal",
                                 "file-virustotal-download", "eth-to-tx", "eth-funded-by",
                                 "sol-to-tx", "email-breaches-hibp",
                                 "ransomware-live-description-moa"}));
}

void TstComponents::cidrTwiceAddsNothingNew()
{
    m_service->route(QStringLiteral("/asn/7511/prefixes"),
                     bgpOk("{\"ipv4_prefixes\":[{\"prefix\":\"103.53.120.0/22\"},"
                           "{\"prefix\":\"110.92.32.0/19\"}],\"ipv6_prefixes\":[]}"));
    Graph graph;
    Node source = asNode(QStringLiteral("as"), QStringLiteral("as7511"), QStringLiteral("Synapse"));
    source.size = 2.5;
    source.attributes.append({QStringLiteral("r0"), QStringLiteral(" CIDR "),
                              QStringLiteral("110.92.32.0/19")});
    graph.insertNode(source);

    ScriptHost host;
    host.setOptions = [](ComponentOptions &options) { options.createNodes = true; };
    Components::RunResult first =
        Components::run(component("as-to-cidr"), graph, {QStringLiteral("as")}, host);
    QCOMPARE(first.status, Components::RunStatus::Finished);
    QCOMPARE(host.lines, QStringList{"[OK] AS7511 → 2 CIDR (appliqués selon votre choix)"});
    QCOMPARE(host.confirmations.at(0).title, QStringLiteral("Confirmation – Synapse"));
    QVERIFY(host.confirmations.at(0).text.contains(QLatin1String("<b>2</b>")));
    graph = applied(graph, first);
    QCOMPARE(values(graph.node("as"), "cidr"), QStringList{"103.53.120.0/22"});
    QList<Node> ranges = nodesOfType(graph, QStringLiteral("CIDR"));
    QCOMPARE(ranges.size(), 2);
    for (const Node &range : ranges) {
        QCOMPARE(range.color, QColor(QStringLiteral("#a0d8ef")));
        QCOMPARE(range.size, 2.5);
        QCOMPARE(values(range, "cidr"), QStringList{range.label});
    }
    QCOMPARE(graph.edges().size(), 2);
    for (const Edge &edge : graph.edges()) {
        QCOMPARE(edge.src, QStringLiteral("as"));
        QCOMPARE(edge.label, QStringLiteral("a la plage d'IP"));
        QCOMPARE(edge.direction, EdgeDirection::Directed);
    }

    const Graph before = graph;
    ScriptHost again;
    again.setOptions = host.setOptions;
    graph = applied(graph, Components::run(component("as-to-cidr"), graph, {"as"}, again));
    QCOMPARE(graph.nodes(), before.nodes());
    QCOMPARE(graph.edges(), before.edges());
    QCOMPARE(m_service->targets(),
             (QStringList{"/asn/7511/prefixes", "/asn/7511/prefixes"}));
}

void TstComponents::confirmationBoxesActSeparately()
{
    m_service->route(QStringLiteral("/asn/1/prefixes"),
                     bgpOk("{\"ipv4_prefixes\":[{\"prefix\":\"10.0.0.0/8\"}]}"));
    Graph graph;
    graph.insertNode(asNode(QStringLiteral("a"), QStringLiteral("AS1")));
    graph.insertNode(asNode(QStringLiteral("b"), QStringLiteral("AS1")));
    graph.insertNode(asNode(QStringLiteral("c"), QStringLiteral("AS1")));
    ScriptHost host;
    host.setOptions = [](ComponentOptions &options) { options.createNodes = true; };
    host.answers = {{true, false, true}, {false, true, true}, {true, true, false}};
    graph = applied(graph, Components::run(component("as-to-cidr"), graph, {"a", "b", "c"}, host));
    QCOMPARE(host.lines.at(1), QStringLiteral("[SKIP] AS1 — action annulée par l’utilisateur"));
    QVERIFY(values(graph.node("a"), "cidr").isEmpty());
    QVERIFY(values(graph.node("b"), "cidr").isEmpty());
    QCOMPARE(values(graph.node("c"), "cidr"), QStringList{"10.0.0.0/8"});
    QCOMPARE(nodesOfType(graph, "CIDR").size(), 1);
    QCOMPARE(graph.edges().size(), 1);
    QCOMPARE(graph.edges().cbegin()->src, QStringLiteral("a"));

    // Without creation the second box is neither shown nor honoured.
    ScriptHost plain;
    plain.answers = {{true, true, true}};
    Graph other;
    other.insertNode(asNode(QStringLiteral("a"), QStringLiteral("AS1")));
    other = applied(other, Components::run(component("as-to-cidr"), other, {"a"}, plain));
    QVERIFY(!plain.confirmations.at(0).showSecond);
    QCOMPARE(other.nodes().size(), 1);
}

void TstComponents::peersReuseRelationsFromEitherEnd()
{
    m_service->route(QStringLiteral("/asn/7511/peers"),
                     bgpOk("{\"ipv4_peers\":[{\"asn\":7514,\"name\":\"MEX\",\"description\":"
                           "\"CEC\"},{\"asn\":64500,\"name\":\"\",\"description\":\"\"}],"
                           "\"ipv6_peers\":[{\"asn\":7514,\"name\":\"MEX\",\"description\":\"CEC\"}]}"));
    Graph graph;
    graph.insertNode(asNode(QStringLiteral("src"), QStringLiteral("AS7511")));
    // MEX exists already and drew the peering from its end.
    Node mex = makeNode(QStringLiteral("mex"), QStringLiteral("MEX -- AS7514"), QStringLiteral(" as "));
    graph.insertNode(mex);
    Edge drawn = makeEdge(QStringLiteral("e"), QStringLiteral("mex"), QStringLiteral("src"),
                          QString(), QStringLiteral("est voisin de"));
    drawn.direction = EdgeDirection::Undirected;
    graph.insertEdge(drawn);

    ScriptHost host;
    host.setOptions = [](ComponentOptions &options) { options.createNodes = true; };
    graph = applied(graph, Components::run(component("as-to-peers"), graph, {"src"}, host));
    QCOMPARE(host.lines, QStringList{"[OK] AS7511 → 2 pairs (appliqués selon votre choix)"});
    QCOMPARE(values(graph.node("src"), "peer"), (QStringList{"MEX -- AS7514", "AS64500"}));
    QCOMPARE(graph.nodes().size(), 3);
    QString created;
    for (const Node &node : graph.nodes()) {
        if (node.label == u"AS64500")
            created = node.id;
    }
    QVERIFY(!created.isEmpty());
    QCOMPARE(values(graph.node(created), "asn"), QStringList{"AS64500"});
    QVERIFY(values(graph.node(created), "asn name").isEmpty());
    QCOMPARE(graph.node(created).color, QColor(QStringLiteral("#e5ffd1")));
    QCOMPARE(graph.edges().size(), 2);
    for (const Edge &edge : graph.edges())
        QCOMPARE(edge.direction, EdgeDirection::Undirected);

    const Graph before = graph;
    ScriptHost again;
    again.setOptions = host.setOptions;
    graph = applied(graph, Components::run(component("as-to-peers"), graph, {"src"}, again));
    QCOMPARE(graph.nodes(), before.nodes());
    QCOMPARE(graph.edges(), before.edges());
}

void TstComponents::upstreamsAndDownstreamsPointFromTheSource()
{
    const QByteArray upstreams =
        bgpOk("{\"ipv4_upstreams\":[{\"asn\":17676,\"name\":\"GIGAINFRA\",\"description\":"
              "\"Softbank BB Corp.\"}],\"ipv6_upstreams\":[],\"ipv4_graph\":\"x.svg\"}");
    const QByteArray downstreams =
        bgpOk("{\"ipv4_downstreams\":[{\"asn\":17676,\"name\":\"GIGAINFRA\",\"description\":"
              "\"Softbank BB Corp.\"}],\"ipv6_downstreams\":[]}");
    m_service->route(QStringLiteral("/asn/7511/upstreams"), upstreams);
    m_service->route(QStringLiteral("/asn/7511/downstreams"), downstreams);
    Graph graph;
    graph.insertNode(asNode(QStringLiteral("src"), QStringLiteral("AS7511")));
    ScriptHost host;
    host.setOptions = [](ComponentOptions &options) { options.createNodes = true; };
    graph = applied(graph, Components::run(component("as-to-upstreams"), graph, {"src"}, host));
    graph = applied(graph, Components::run(component("as-to-downstreams"), graph, {"src"}, host));
    QCOMPARE(host.lines,
             (QStringList{"[OK] AS7511 → 1 upstream(s) (appliqués selon votre choix)",
                          "[OK] AS7511 → 1 downstream(s) (appliqués selon votre choix)"}));
    QCOMPARE(values(graph.node("src"), "upstream"), QStringList{"GIGAINFRA -- AS17676"});
    QCOMPARE(values(graph.node("src"), "downstream"), QStringList{"GIGAINFRA -- AS17676"});
    // One neighbour node, reused by the second component, with both relations from the source.
    QCOMPARE(graph.nodes().size(), 2);
    QStringList labels;
    for (const Edge &edge : graph.edges()) {
        QCOMPARE(edge.src, QStringLiteral("src"));
        QCOMPARE(edge.direction, EdgeDirection::Directed);
        labels.append(edge.label);
    }
    labels.sort();
    QCOMPARE(labels, (QStringList{"fournit du trafic à", "reçoit du trafic de"}));
    const Node neighbour = graph.node(graph.edges().cbegin()->dst);
    QCOMPARE(values(neighbour, "asn org"), QStringList{"Softbank BB Corp."});
    QCOMPARE(values(neighbour, "asn name"), QStringList{"GIGAINFRA"});
}

void TstComponents::serviceErrorsAreLoggedAndTheRunGoesOn()
{
    m_service->route(QStringLiteral("/asn/1/prefixes"), bgpNotFound);
    m_service->route(QStringLiteral("/asn/2/prefixes"), FakeService::Reply{200, "<html>"});
    m_service->route(QStringLiteral("/asn/3/prefixes"), FakeService::Reply{503, "{}"});
    m_service->route(QStringLiteral("/asn/4/prefixes"), bgpOk("{\"ipv4_prefixes\":[]}"));
    Graph graph;
    for (int i = 1; i <= 4; ++i)
        graph.insertNode(asNode(QStringLiteral("n%1").arg(i), QString::number(i)));
    Node noAsn = makeNode(QStringLiteral("n5"), QStringLiteral("x"), QStringLiteral("AS"));
    noAsn.attributes.append({QStringLiteral("r"), QStringLiteral("asn"), QStringLiteral("  ")});
    graph.insertNode(noAsn);
    graph.insertNode(asNode(QStringLiteral("n6"), QStringLiteral("ASabc")));
    ScriptHost host;
    const Components::RunResult result = Components::run(
        component("as-to-cidr"), graph, {"n1", "n2", "n3", "n4", "n5", "n6"}, host);
    QCOMPARE(host.lines, (QStringList{"[ERREUR] AS1 — Could not find ASN",
                                      "[ERREUR] AS2 — Réponse invalide",
                                      "[ERREUR] AS3 — Réseau: 403",
                                      "[INFO] AS4 — aucun CIDR trouvé",
                                      "[SKIP] Aucun attribut ASN sur le nœud n5",
                                      "[SKIP] ASN invalide pour le nœud n6"}));
    QVERIFY(result.changes.isEmpty());
}

void TstComponents::timeoutIsLoggedAndNextNodeProcessed()
{
    FakeService::Reply hang;
    hang.hang = true;
    m_service->route(QStringLiteral("/asn/1/prefixes"), hang);
    m_service->route(QStringLiteral("/asn/2/prefixes"),
                     bgpOk("{\"ipv4_prefixes\":[{\"prefix\":\"10.0.0.0/8\"}]}"));
    Graph graph;
    graph.insertNode(asNode(QStringLiteral("a"), QStringLiteral("AS1")));
    graph.insertNode(asNode(QStringLiteral("b"), QStringLiteral("AS2")));
    ScriptHost host;
    host.setOptions = [](ComponentOptions &options) { options.timeoutMs = 300; };
    QElapsedTimer clock;
    clock.start();
    graph = applied(graph, Components::run(component("as-to-cidr"), graph, {"a", "b"}, host));
    QVERIFY(clock.elapsed() < 3000);
    QCOMPARE(host.lines,
             (QStringList{"[ERREUR] AS1 — Réseau: 5",
                          "[OK] AS2 → 1 CIDR (appliqués selon votre choix)"}));
    QCOMPARE(values(graph.node("b"), "cidr"), QStringList{"10.0.0.0/8"});
}

void TstComponents::cancelStopsBetweenNodes()
{
    m_service->setFallback({200, bgpOk("{\"ipv4_prefixes\":[{\"prefix\":\"10.0.0.0/8\"}]}")});
    Graph graph;
    for (const char *id : {"a", "b", "c"})
        graph.insertNode(asNode(QLatin1String(id), QStringLiteral("AS1")));
    ScriptHost host;
    host.cancelAfter = 1;
    const Components::RunResult result =
        Components::run(component("as-to-cidr"), graph, {"a", "b", "c"}, host);
    QCOMPARE(result.status, Components::RunStatus::Cancelled);
    QCOMPARE(m_service->requests.size(), 1);
    QVERIFY(host.ended);
    graph = applied(graph, result);
    QCOMPARE(values(graph.node("a"), "cidr"), QStringList{"10.0.0.0/8"});
    QVERIFY(values(graph.node("b"), "cidr").isEmpty());
}

void TstComponents::nothingToDo_data()
{
    QTest::addColumn<QStringList>("ids");
    QTest::addColumn<bool>("refuseOptions");
    QTest::addColumn<int>("status");
    QTest::newRow("options cancelled") << QStringList{"as"} << true
                                       << int(Components::RunStatus::NotStarted);
    QTest::newRow("no AS among the nodes") << QStringList{"ip", "gone"} << false
                                           << int(Components::RunStatus::Finished);
}

void TstComponents::nothingToDo()
{
    QFETCH(QStringList, ids);
    QFETCH(bool, refuseOptions);
    QFETCH(int, status);
    Graph graph;
    graph.insertNode(asNode(QStringLiteral("as"), QStringLiteral("AS1")));
    graph.insertNode(makeNode(QStringLiteral("ip"), QStringLiteral("1.1.1.1"), QStringLiteral("IP")));
    ScriptHost host;
    host.refuseOptions = refuseOptions;
    const Components::RunResult result = Components::run(component("as-to-cidr"), graph, ids, host);
    QCOMPARE(int(result.status), status);
    QVERIFY(!host.begun);
    QVERIFY(host.lines.isEmpty());
    QVERIFY(m_service->requests.isEmpty());
    QVERIFY(result.changes.isEmpty());
}

void TstComponents::cidrToAsAsksForTheRange()
{
    m_service->route(QStringLiteral("/prefix/103.53.120.0/22"),
                     bgpOk("{\"prefix\":\"103.53.120.0/22\",\"asns\":[{\"asn\":7511,\"name\":"
                           "\"SYNAPSE\",\"description\":\"SYNAPSE Co.,Ltd.\",\"country_code\":null,"
                           "\"prefix_upstreams\":[{\"asn\":7514}]}]}"));
    m_service->route(QStringLiteral("/prefix/10.9.0.0/16"),
                     json("{\"status\":\"error\",\"status_message\":\"Prefix not found in BGP "
                          "table or malformed\"}"));
    Graph graph;
    Node byAttribute = makeNode(QStringLiteral("r1"), QStringLiteral("Synapse block"),
                                QStringLiteral("cidr"));
    byAttribute.attributes.append({QStringLiteral("x"), QStringLiteral("cidr"),
                                   QStringLiteral("103.53.120.0/22")});
    graph.insertNode(byAttribute);
    graph.insertNode(makeNode(QStringLiteral("r2"), QStringLiteral("10.9.0.0/16"), QStringLiteral("CIDR")));
    graph.insertNode(makeNode(QStringLiteral("r3"), QStringLiteral("10.9.0.1"), QStringLiteral("CIDR")));
    Node existingAs = makeNode(QStringLiteral("as"), QStringLiteral("Synapse"), QStringLiteral("AS"));
    existingAs.attributes.append({QStringLiteral("y"), QStringLiteral("asn"), QStringLiteral("as7511 ")});
    graph.insertNode(existingAs);
    ScriptHost host;
    host.setOptions = [](ComponentOptions &options) { options.createNodes = true; };
    graph = applied(graph, Components::run(component("cidr-to-as"), graph, {"r1", "r2", "r3"}, host));
    QCOMPARE(host.lines,
             (QStringList{"[OK] 103.53.120.0/22 → AS7511 (SYNAPSE)",
                          "[ERREUR] 10.9.0.0/16 — Prefix not found in BGP table or malformed",
                          "[SKIP] r3 — pas de CIDR exploitable (type:CIDR, label:10.9.0.1)"}));
    QCOMPARE(m_service->targets(),
             (QStringList{"/prefix/103.53.120.0/22", "/prefix/10.9.0.0/16"}));
    const Node range = graph.node("r1");
    QCOMPARE(values(range, "asn"), QStringList{"AS7511"});
    QCOMPARE(values(range, "asn_name"), QStringList{"SYNAPSE"});
    QCOMPARE(values(range, "asn_org"), QStringList{"SYNAPSE Co.,Ltd."});
    // The AS node holding that number is reused rather than duplicated.
    QCOMPARE(graph.nodes().size(), 4);
    QCOMPARE(graph.edges().size(), 1);
    QCOMPARE(graph.edges().cbegin()->src, QStringLiteral("r1"));
    QCOMPARE(graph.edges().cbegin()->dst, QStringLiteral("as"));
    QCOMPARE(graph.edges().cbegin()->label, QStringLiteral("appartient à"));
}

void TstComponents::ipToAsWritesAndReusesTheAsNode()
{
    m_service->route(QStringLiteral("/json/1.1.1.1"),
                     json("{\"status\":\"success\",\"org\":\"\",\"as\":\"AS13335 Cloudflare, "
                          "Inc.\",\"asname\":\"CLOUDFLARENET\",\"query\":\"1.1.1.1\"}"));
    m_service->route(QStringLiteral("/json/1.0.0.1"),
                     json("{\"status\":\"success\",\"org\":\"APNIC\",\"as\":\"AS13335 Cloudflare, "
                          "Inc.\",\"asname\":\"CLOUDFLARENET\",\"query\":\"1.0.0.1\"}"));
    m_service->route(QStringLiteral("/json/10.0.0.1"),
                     json("{\"status\":\"fail\",\"message\":\"private range\",\"query\":\"10.0.0.1\"}"));
    Graph graph;
    graph.insertNode(makeNode(QStringLiteral("a"), QStringLiteral(" 1.1.1.1 "), QStringLiteral("ip")));
    graph.insertNode(makeNode(QStringLiteral("b"), QStringLiteral("1.0.0.1"), QStringLiteral("IP")));
    graph.insertNode(makeNode(QStringLiteral("c"), QStringLiteral("10.0.0.1"), QStringLiteral("IP")));
    graph.insertNode(makeNode(QStringLiteral("d"), QStringLiteral("one.one.one.one"), QStringLiteral("IP")));
    graph.insertNode(makeNode(QStringLiteral("e"), QStringLiteral("10.1"), QStringLiteral("IP")));
    ScriptHost host;
    host.setOptions = [](ComponentOptions &options) { options.createNodes = true; };
    graph = applied(graph, Components::run(component("ip-to-as"), graph, {"a", "b", "c", "d", "e"}, host));
    QCOMPARE(host.lines, (QStringList{"[OK] 1.1.1.1 → AS13335 (CLOUDFLARENET)",
                                      "[OK] 1.0.0.1 → AS13335 (CLOUDFLARENET)",
                                      "[ERREUR] 10.0.0.1 — private range",
                                      "[SKIP] Label non-IP pour le nœud d",
                                      "[SKIP] Label non-IP pour le nœud e"}));
    QVERIFY(m_service->requests.at(0).target.endsWith(
        QLatin1String("?fields=status,message,as,asname,org,query")));
    QCOMPARE(values(graph.node("a"), "asn"), QStringList{"AS13335"});
    QCOMPARE(values(graph.node("a"), "asn_name"), QStringList{"CLOUDFLARENET"});
    QVERIFY(values(graph.node("a"), "asn_org").isEmpty());
    const QList<Node> asNodes = nodesOfType(graph, QStringLiteral("AS"));
    QCOMPARE(asNodes.size(), 1);
    QCOMPARE(asNodes.at(0).label, QStringLiteral("CLOUDFLARENET -- AS13335"));
    QCOMPARE(asNodes.at(0).color, QColor(QStringLiteral("#ffd27f")));
    QCOMPARE(graph.edges().size(), 2);
}

void TstComponents::changesSkipWhatVanished()
{
    m_service->route(QStringLiteral("/asn/1/prefixes"),
                     bgpOk("{\"ipv4_prefixes\":[{\"prefix\":\"10.0.0.0/8\"}]}"));
    Graph graph;
    graph.insertNode(asNode(QStringLiteral("a"), QStringLiteral("AS1")));
    ScriptHost host;
    host.setOptions = [](ComponentOptions &options) { options.createNodes = true; };
    const Components::RunResult result =
        Components::run(component("as-to-cidr"), graph, {"a"}, host);
    // The analyst deleted the AS node while the run waited for the service.
    graph.removeNode(QStringLiteral("a"));
    result.changes.applyTo(graph);
    QCOMPARE(graph.nodes().size(), 1);
    QCOMPARE(graph.nodes().cbegin()->label, QStringLiteral("10.0.0.0/8"));
    QVERIFY(graph.edges().isEmpty());
}

void TstComponents::dnsHostOf_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("host");
    QTest::newRow("name") << "example.org" << "example.org";
    QTest::newRow("url") << "https://www.example.org:8443/a/b?q=1#x" << "www.example.org";
    QTest::newRow("blanks") << "  mail.example.org/inbox" << "mail.example.org";
    QTest::newRow("query only") << "example.org?x" << "example.org";
    QTest::newRow("empty") << "   " << "";
}

void TstComponents::dnsHostOf()
{
    QFETCH(QString, text);
    QFETCH(QString, host);
    QCOMPARE(DnsParsing::hostOf(text), host);
}

void TstComponents::dnsResolvesAThenAaaa()
{
    TableResolver resolver;
    resolver.table.insert(QStringLiteral("www.example.org A"),
                          {QStringLiteral("192.0.2.1"), QStringLiteral("192.0.2.2")});
    resolver.table.insert(QStringLiteral("www.example.org AAAA"), {QStringLiteral("2001:db8::1")});
    Graph graph;
    Node name = makeNode(QStringLiteral("n"), QStringLiteral("https://www.example.org/login"),
                         QStringLiteral(" fqdn"));
    name.attributes.append({QStringLiteral("r"), QStringLiteral("ip"), QStringLiteral("192.0.2.2")});
    graph.insertNode(name);
    graph.insertNode(makeNode(QStringLiteral("known"), QStringLiteral("192.0.2.1"), QStringLiteral("IP")));
    ScriptHost host;
    host.setOptions = [](ComponentOptions &options) {
        options.ipv6 = true;
        options.createNodes = true;
    };
    const Components::RunResult result =
        Components::run(component("dns-resolution"), graph, {"n"}, host, &resolver);
    graph = applied(graph, result);
    QCOMPARE(resolver.asked, (QStringList{"www.example.org A", "www.example.org AAAA"}));
    QCOMPARE(host.lines,
             QStringList{"[OK] www.example.org → 192.0.2.1, 192.0.2.2, 2001:db8::1"});
    QCOMPARE(values(graph.node("n"), "ip"), (QStringList{"192.0.2.2", "192.0.2.1", "2001:db8::1"}));
    QCOMPARE(nodesOfType(graph, QStringLiteral("IP")).size(), 3);
    QCOMPARE(graph.edges().size(), 3);
    for (const Edge &edge : graph.edges()) {
        QCOMPARE(edge.src, QStringLiteral("n"));
        QCOMPARE(edge.label, QStringLiteral("résoud en"));
    }
    bool linkedToKnown = false;
    for (const Edge &edge : graph.edges())
        linkedToKnown = linkedToKnown || edge.dst == u"known";
    QVERIFY(linkedToKnown);
}

void TstComponents::dnsWithoutAnswer()
{
    TableResolver resolver;
    Graph graph;
    Node byAttribute = makeNode(QStringLiteral("a"), QStringLiteral("Site"), QStringLiteral("FQDN"));
    byAttribute.attributes.append({QStringLiteral("r"), QStringLiteral("fqdn"), QStringLiteral("nx.example")});
    graph.insertNode(byAttribute);
    graph.insertNode(makeNode(QStringLiteral("b"), QStringLiteral(" "), QStringLiteral("FQDN")));
    ScriptHost host;
    const Components::RunResult result =
        Components::run(component("dns-resolution"), graph, {"a", "b"}, host, &resolver);
    QCOMPARE(resolver.asked, QStringList{"nx.example A"});
    QCOMPARE(host.lines, (QStringList{"[AUCUNE RÉPONSE] nx.example",
                                      "[SKIP] Label vide pour le nœud b"}));
    QVERIFY(result.changes.isEmpty());
}

void TstComponents::geolocationKeepsFirstCoordinates()
{
    m_service->route(QStringLiteral("/json/1.1.1.1"),
                     json("{\"status\":\"success\",\"country\":\"Australia\",\"city\":\"Sydney\","
                          "\"lat\":-33.8688,\"lon\":151.209,\"org\":\"\",\"as\":\"AS13335 "
                          "Cloudflare, Inc.\",\"query\":\"1.1.1.1\"}"));
    Graph graph;
    graph.insertNode(makeNode(QStringLiteral("ip"), QStringLiteral("1.1.1.1"), QStringLiteral("IP")));
    ScriptHost host;
    host.setOptions = [](ComponentOptions &options) { options.delayMs = 0; };
    graph = applied(graph, Components::run(component("ip-geolocalisation"), graph, {"ip"}, host));
    QCOMPARE(host.lines, QStringList{"[OK] 1.1.1.1 → lat=-33.8688, lon=151.209, Sydney / Australia"});
    QCOMPARE(graph.node("ip").geoLat, std::optional<double>(-33.8688));
    QCOMPARE(values(graph.node("ip"), "pays"), QStringList{"Australia"});
    QCOMPARE(values(graph.node("ip"), "asn"), QStringList{"AS13335"});
    QVERIFY(values(graph.node("ip"), "org").isEmpty());

    m_service->route(QStringLiteral("/json/1.1.1.1"),
                     json("{\"status\":\"success\",\"lat\":\"48.85\",\"lon\":\"2.35\","
                          "\"country\":\"France\",\"as\":\"\"}"));
    const int rows = int(graph.node("ip").attributes.size());
    graph = applied(graph, Components::run(component("ip-geolocalisation"), graph, {"ip"}, host));
    QCOMPARE(graph.node("ip").geoLat, std::optional<double>(-33.8688));
    QCOMPARE(graph.node("ip").geoLon, std::optional<double>(151.209));
    QCOMPARE(graph.node("ip").attributes.size(), rows + 1); // "pays" = "France"

    host.setOptions = [](ComponentOptions &options) {
        options.delayMs = 0;
        options.overwriteCoordinates = true;
    };
    graph = applied(graph, Components::run(component("ip-geolocalisation"), graph, {"ip"}, host));
    QCOMPARE(graph.node("ip").geoLat, std::optional<double>(48.85));
}

void TstComponents::geolocationErrors()
{
    FakeService::Reply hang;
    hang.hang = true;
    m_service->route(QStringLiteral("/json/192.0.2.1"), hang);
    m_service->route(QStringLiteral("/json/192.0.2.2"),
                     json("{\"status\":\"fail\",\"message\":\"reserved range\"}"));
    m_service->route(QStringLiteral("/json/192.0.2.3"), json("{\"status\":\"success\"}"));
    m_service->route(QStringLiteral("/json/192.0.2.4"), FakeService::Reply{500, "{}"});
    Graph graph;
    for (int i = 1; i <= 4; ++i)
        graph.insertNode(makeNode(QStringLiteral("n%1").arg(i), QStringLiteral("192.0.2.%1").arg(i),
                                  QStringLiteral("IP")));
    graph.insertNode(makeNode(QStringLiteral("n5"), QStringLiteral("host"), QStringLiteral("IP")));
    ScriptHost host;
    host.setOptions = [](ComponentOptions &options) {
        options.timeoutMs = 300;
        options.delayMs = 0;
    };
    const Components::RunResult result = Components::run(
        component("ip-geolocalisation"), graph, {"n1", "n2", "n3", "n4", "n5"}, host);
    QCOMPARE(host.lines, (QStringList{"[ERREUR] 192.0.2.1 — timeout",
                                      "[ERREUR] 192.0.2.2 — reserved range",
                                      "[ERREUR] 192.0.2.3 — lat/lon absents",
                                      "[ERREUR] 192.0.2.4 — HTTP error: 401",
                                      "[SKIP] Label vide ou invalide pour le nœud n5"}));
    QVERIFY(result.changes.isEmpty());
}

void TstComponents::tileBlocks_data()
{
    QTest::addColumn<double>("lat");
    QTest::addColumn<double>("lon");
    QTest::addColumn<int>("zoom");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<QRect>("tiles"); // x0, y0, width, height
    // Null Island sits on the corner of the four middle tiles of every zoom level.
    QTest::newRow("centre, zoom 1") << 0.0 << 0.0 << 1 << 2 << 2 << QRect(0, 0, 2, 2);
    QTest::newRow("wider than the world") << 0.0 << 0.0 << 1 << 6 << 6 << QRect(0, 0, 2, 2);
    QTest::newRow("Paris, zoom 12") << 48.8566 << 2.3522 << 12 << 6 << 6
                                    << QRect(2072, 1406, 6, 6);
    QTest::newRow("16 x 16 at zoom 19") << 48.8566 << 2.3522 << 19 << 16 << 16
                                        << QRect(265562, 180362, 16, 16);
    QTest::newRow("against the date line") << 10.0 << 179.99 << 3 << 4 << 1 << QRect(4, 3, 4, 1);
    QTest::newRow("beyond the pole") << 89.9 << 0.0 << 2 << 2 << 2 << QRect(1, 0, 2, 2);
}

void TstComponents::tileBlocks()
{
    QFETCH(double, lat);
    QFETCH(double, lon);
    QFETCH(int, zoom);
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(QRect, tiles);
    const OsmTiles::Block block = OsmTiles::blockAround(lat, lon, zoom, width, height);
    QCOMPARE(QRect(block.x0, block.y0, block.width, block.height), tiles);
    QCOMPARE(block.tiles().size(), tiles.width() * tiles.height());
    QCOMPARE(block.tiles().first(), tiles.topLeft());
    QCOMPARE(block.tiles().last(), tiles.bottomRight());
}


void TstComponents::tilesAreFetchedWithTheUserAgent()
{
    m_service->setFallback({200, pngBytes(QColor(200, 100, 50)), false, "image/png"});
    FakeService::Reply broken{200, "not a png", false, "image/png"};
    const OsmTiles::Block block = OsmTiles::blockAround(48.8566, 2.3522, 19, 16, 16);
    m_service->route(QStringLiteral("/19/%1/%2.png").arg(block.x0 + 1).arg(block.y0), broken);
    int told = 0;
    const QList<OsmTiles::Tile> tiles = OsmTiles::fetchBlock(
        block, m_service->base(), QString(), {true, QColor(), 0}, 5000,
        [&told](int index, int total, QPoint) {
            told = index;
            return total == 256;
        });
    QCOMPARE(told, 256);
    QCOMPARE(tiles.size(), 256);
    QCOMPARE(m_service->requests.size(), 256);
    QCOMPARE(m_service->requests.first().target,
             QStringLiteral("/19/%1/%2.png").arg(block.x0).arg(block.y0));
    QVERIFY(m_service->requests.first().headers.value("user-agent").startsWith("OrvaneOSM/1.0 ("));
    QVERIFY(tiles.at(1).image.isNull());
    QCOMPARE(tiles.at(0).image.pixel(10, 10), qRgb(125, 125, 125));

    // A user-agent of the analyst's, and a stop asked for after the second tile.
    m_service->requests.clear();
    const QList<OsmTiles::Tile> two = OsmTiles::fetchBlock(
        block, m_service->base(), QStringLiteral("Analyst/2"), {}, 5000,
        [](int index, int, QPoint) { return index <= 2; });
    QCOMPARE(two.size(), 2);
    QCOMPARE(m_service->requests.at(0).headers.value("user-agent"), QByteArray("Analyst/2"));
}

void TstComponents::tilePostProcessing()
{
    QImage tile(2, 1, QImage::Format_ARGB32);
    tile.setPixel(0, 0, qRgba(200, 100, 50, 128));
    tile.setPixel(1, 0, qRgba(255, 255, 255, 255));
    const QImage grey = OsmTiles::postProcess(tile, {true, QColor(), 0});
    QCOMPARE(grey.pixel(0, 0), qRgba(125, 125, 125, 128)); // 60 + 59 + 5.5, alpha kept
    QCOMPARE(grey.pixel(1, 0), qRgba(255, 255, 255, 255));

    const QImage half = OsmTiles::postProcess(tile, {false, QColor(255, 0, 0), 0.5});
    QCOMPARE(qRed(half.pixel(1, 0)), 255);
    QVERIFY(qAbs(qGreen(half.pixel(1, 0)) - 128) <= 1);
    const QImage capped = OsmTiles::postProcess(tile, {false, QColor(0, 0, 255), 3.0});
    QCOMPARE(capped.pixel(1, 0), qRgba(0, 0, 255, 255));
    const QImage none = OsmTiles::postProcess(tile, {false, QColor(0, 0, 255), 0});
    QCOMPARE(none.pixel(1, 0), tile.pixel(1, 0));
}

void TstComponents::markersOfGeolocatedNodes()
{
    Graph graph;
    Node centre = makeNode(QStringLiteral("c"), QStringLiteral("Centre"));
    centre.geoLat = 0;
    centre.geoLon = 0;
    graph.insertNode(centre);
    Node anchored = makeNode(QStringLiteral("d"), QStringLiteral("Anchored"));
    anchored.geoLat = 0;
    anchored.geoLon = 90;
    anchored.anchored = true;
    graph.insertNode(anchored);
    Node halfway = makeNode(QStringLiteral("h"), QStringLiteral("Half"));
    halfway.geoLat = 10;
    graph.insertNode(halfway);
    const OsmTiles::Block block = OsmTiles::blockAround(0, 0, 1, 2, 2);
    const QList<OsmTiles::Marker> all = OsmTiles::markers(graph, block, false);
    QCOMPARE(all.size(), 2);
    QCOMPARE(all.at(0).pixel, QPointF(256, 256));
    QCOMPARE(all.at(1).pixel, QPointF(384, 256));
    QCOMPARE(OsmTiles::markers(graph, block, true).size(), 1);
    QCOMPARE(*OsmTiles::geolocatedCentre(graph), QPointF(0, 45));
}

QTEST_GUILESS_MAIN(TstComponents)
#include "tst_components.moc"
