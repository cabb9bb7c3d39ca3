#include "interchange/stixio.h"
#include "model/graph.h"
#include "model/scenerecords.h"
#include "storage/projectfiles.h"
#include "testfiles.h"
#include "testgraphs.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSet>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

using namespace TestGraphs;

namespace {

const QString kData = QStringLiteral(ORVANE_TEST_DATA "/stix/");

QHash<QString, QJsonObject> objectsById(const QJsonObject &bundle)
{
    QHash<QString, QJsonObject> byId;
    for (const QJsonValue &value : bundle.value(QLatin1String("objects")).toArray())
        byId.insert(value.toObject().value(QLatin1String("id")).toString(), value.toObject());
    return byId;
}

QString rowValue(const Node &node, const QString &key)
{
    for (const AttributeRow &row : node.attributes) {
        if (row.key == key)
            return row.value;
    }
    return QString();
}

QStringList rowKeys(const QList<AttributeRow> &rows)
{
    QStringList keys;
    for (const AttributeRow &row : rows)
        keys.append(row.key);
    return keys;
}

QList<std::pair<QString, QString>> keyValues(const QList<AttributeRow> &rows)
{
    QList<std::pair<QString, QString>> pairs;
    for (const AttributeRow &row : rows)
        pairs.append({row.key, row.value});
    return pairs;
}

QDateTime utc(const QString &text)
{
    const QDateTime withMs = QDateTime::fromString(text, Qt::ISODateWithMs);
    return withMs.isValid() ? withMs : QDateTime::fromString(text, Qt::ISODate);
}

bool matches(const QString &pattern, const QString &text)
{
    return QRegularExpression(pattern).match(text).hasMatch();
}

// Checks of the objects of external_references and kill_chain_phases; answers what is wrong.
QString listProblem(const QString &name, const QJsonArray &items)
{
    for (const QJsonValue &item : items) {
        const QJsonObject o = item.toObject();
        if (!item.isObject())
            return "not an object in " + name;
        if (name == u"kill_chain_phases"
            && (!o.value("kill_chain_name").isString() || !o.value("phase_name").isString()))
            return "kill chain phase";
        if (name != u"external_references")
            continue;
        const QString source = o.value("source_name").toString();
        const QString id = o.value("external_id").toString();
        const bool cve = matches("^CVE-\\d{4}-(0\\d{3}|[1-9]\\d{3,})$", id);
        const bool capec = matches("^CAPEC-\\d+$", id);
        if (!o.value("source_name").isString() || (source == u"cve") != cve
            || (source == u"capec") != capec
            || !(o.contains("external_id") || o.contains("description") || o.contains("url")))
            return "external reference";
    }
    return QString();
}

// The rules of the STIX 2.1 schemas an exported object must satisfy. Answers what is wrong,
// or an empty text.
QString stixProblem(const QJsonObject &o)
{
    // "incident" is not among them: the first 2.1 schemas forbid the type.
    static const QSet<QString> domainTypes = {
        "attack-pattern", "campaign", "course-of-action", "grouping", "identity", "indicator",
        "infrastructure", "intrusion-set", "location", "malware", "malware-analysis", "note",
        "observed-data", "opinion", "report", "threat-actor", "tool", "vulnerability"};
    static const QSet<QString> observableTypes = {
        "artifact", "autonomous-system", "directory", "domain-name", "email-addr",
        "email-message", "file", "ipv4-addr", "ipv6-addr", "mac-addr", "mutex",
        "network-traffic", "process", "software", "url", "user-account",
        "windows-registry-key", "x509-certificate"};
    static const QHash<QString, QStringList> required = {
        {"attack-pattern", {"name"}}, {"campaign", {"name"}}, {"course-of-action", {"name"}},
        {"grouping", {"context", "object_refs"}}, {"identity", {"name"}},
        {"indicator", {"pattern", "pattern_type", "valid_from"}}, {"infrastructure", {"name"}},
        {"intrusion-set", {"name"}}, {"malware", {"is_family"}}, {"malware-analysis", {"product"}},
        {"note", {"object_refs"}}, {"observed-data", {"first_observed", "last_observed", "number_observed"}},
        {"opinion", {"object_refs", "opinion"}}, {"report", {"name", "object_refs", "published"}},
        {"threat-actor", {"name"}}, {"tool", {"name"}}, {"vulnerability", {"name"}},
        {"relationship", {"relationship_type", "source_ref", "target_ref"}},
        {"sighting", {"sighting_of_ref"}}, {"marking-definition", {"created"}},
        {"language-content", {"object_ref", "object_modified", "contents"}},
        {"extension-definition", {"name", "schema", "version", "extension_types"}},
        {"mutex", {"name"}}, {"software", {"name"}}, {"directory", {"path"}},
        {"network-traffic", {"protocols"}}, {"autonomous-system", {"number"}},
        {"ipv4-addr", {"value"}}, {"ipv6-addr", {"value"}}, {"domain-name", {"value"}},
        {"url", {"value"}}, {"email-addr", {"value"}}, {"mac-addr", {"value"}}};
    // The forms of observable values, ASCII as the schemas' formats want them.
    static const QHash<QString, QString> valueForms = {
        {"ipv4-addr", "^((25[0-5]|2[0-4][0-9]|1[0-9]{2}|[1-9]?[0-9])\\.){3}(25[0-5]|2[0-4][0-9]|1[0-9]{2}|[1-9]?[0-9])(/(3[0-2]|[12]?[0-9]))?$"},
        {"ipv6-addr", "^[0-9A-Fa-f:]+(/(12[0-8]|1[01][0-9]|[1-9]?[0-9]))?$"},
        {"domain-name", "^[^_\\s/:@]+\\.[^_\\s/:@]+$"},
        {"url", "^[A-Za-z][A-Za-z0-9+.-]*://[\\x21-\\x7e]*$"},
        {"email-addr", "^[\\x21-\\x3f\\x41-\\x7e]+@[A-Za-z0-9.-]+$"},
        {"mac-addr", "^([0-9a-f]{2}:){5}[0-9a-f]{2}$"}};
    static const QStringList booleans = {"is_family", "revoked", "is_multipart", "is_active"};
    static const QHash<QString, int> digestLengths = {{"MD5", 32}, {"SHA-1", 40}, {"SHA-256", 64},
                                                       {"SHA-512", 128}};
    const char *uuid = "[0-9a-fA-F]{8}-[0-9a-fA-F]{4}-[1-5][0-9a-fA-F]{3}-[89abAB][0-9a-fA-F]{3}-"
                       "[0-9a-fA-F]{12}$";
    const char *millis = "^[0-9]{4}-[01][0-9]-[0-3][0-9]T[0-2][0-9]:[0-5][0-9]:[0-6][0-9]\\.[0-9]{3}Z$";
    const char *stamp = "^[0-9]{4}-[01][0-9]-[0-3][0-9]T[0-2][0-9]:[0-5][0-9]:[0-6][0-9](\\.[0-9]+)?Z$";

    const QString type = o.value("type").toString();
    if (type.size() < 3 || type.size() > 250 || !matches("^[a-z][a-z0-9]*(-[a-z0-9]+)*$", type))
        return "bad type " + type;
    const bool domain = domainTypes.contains(type);
    const bool observable = observableTypes.contains(type);
    static const QSet<QString> otherTypes = {"sighting", "marking-definition", "language-content",
                                             "extension-definition"};
    const bool relationship = type == u"relationship";
    if (!domain && !observable && !relationship && !otherTypes.contains(type)
        && !type.startsWith(QLatin1String("x-")))
        return "custom type without x-: " + type;
    if (!matches(QStringLiteral("^") + QRegularExpression::escape(type) + "--" + uuid,
                 o.value("id").toString()))
        return "bad id " + o.value("id").toString();
    if (o.value("spec_version").toString() != u"2.1")
        return "spec_version";
    for (auto it = o.constBegin(); it != o.constEnd(); ++it) {
        if (it.key() != u"id" && !matches("^[a-z][a-z0-9_]{2,249}$", it.key()))
            return "bad property name " + it.key();
        if (it.value().isNull())
            return "null " + it.key();
        if (it.value().isArray() && it.value().toArray().isEmpty())
            return "empty list " + it.key();
        if (it.key().endsWith(QLatin1String("_ref"))
            && !matches(QStringLiteral("^[a-z][a-z0-9-]+[a-z0-9]--") + uuid,
                        it.value().toString()))
            return "bad reference " + it.key();
        if (it.key() == u"external_references" || it.key() == u"kill_chain_phases") {
            const QString problem = listProblem(it.key(), it.value().toArray());
            if (!problem.isEmpty())
                return problem;
        }
    }
    for (const QString &name : required.value(type)) {
        if (!o.contains(name))
            return "missing " + name;
    }
    if (valueForms.contains(type) && !matches(valueForms.value(type), o.value("value").toString()))
        return "value " + o.value("value").toString();
    if (observable) {
        for (const char *absent : {"created", "modified"}) {
            if (o.contains(QLatin1String(absent)))
                return QStringLiteral("observable with ") + absent;
        }
        if (valueForms.contains(type) && o.contains("name"))
            return "observable value with a name";
        if (type == u"autonomous-system" && !o.value("number").isDouble())
            return "number";
        if (type == u"file" && !o.value("hashes").isObject() && !o.value("name").isString())
            return "file without hashes or name";
    } else {
        const QString created = o.value("created").toString();
        // A marking definition has a single version: no "modified".
        const QString modified = o.value(type == u"marking-definition" ? "created" : "modified").toString();
        if (!matches(millis, created) || !matches(millis, modified))
            return "created/modified " + created + " " + modified;
        if (modified < created)
            return "modified before created";
    }
    const QJsonObject hashes = o.value("hashes").toObject();
    for (auto it = hashes.constBegin(); it != hashes.constEnd(); ++it) {
        const int length = digestLengths.value(it.key(), -1);
        if (!it.value().isString()
            || (length > 0 && !matches(QStringLiteral("^[0-9a-fA-F]{%1}$").arg(length), it.value().toString())))
            return "hash " + it.key();
    }
    for (const QString &name : booleans) {
        if (o.contains(name) && !o.value(name).isBool())
            return "not a boolean: " + name;
    }
    if (type == u"malware" && o.value("is_family").toBool() && !o.value("name").isString())
        return "malware family without a name";
    if (type == u"indicator" && !matches(stamp, o.value("valid_from").toString()))
        return "indicator";
    if (type == u"location"
        && !(o.contains("region") || o.contains("country")
             || (o.value("latitude").isDouble() && o.value("longitude").isDouble())))
        return "location";
    if (relationship && !matches("^[a-z0-9]+(-[a-z0-9]+)*$", o.value("relationship_type").toString()))
        return "relationship";
    if (o.contains("confidence")
        && (!o.value("confidence").isDouble() || o.value("confidence").toInt() < 0
            || o.value("confidence").toInt() > 100))
        return "confidence";
    for (const char *list : {"labels", "aliases", "external_references", "kill_chain_phases"}) {
        if (o.contains(QLatin1String(list)) && !o.value(QLatin1String(list)).isArray())
            return QStringLiteral("not a list: ") + list;
    }
    for (const char *time : {"first_seen", "last_seen", "valid_from", "valid_until", "start_time",
                             "stop_time"}) {
        if (o.contains(QLatin1String(time)) && !matches(stamp, o.value(QLatin1String(time)).toString()))
            return QStringLiteral("timestamp ") + time;
    }
    return QString();
}

void verifyBundle(const QJsonObject &bundle, int objectCount)
{
    QCOMPARE(bundle.value("type").toString(), QStringLiteral("bundle"));
    QVERIFY(matches("^bundle--[0-9a-f-]{36}$", bundle.value("id").toString()));
    const QJsonArray objects = bundle.value("objects").toArray();
    QCOMPARE(objects.size(), objectCount);
    QSet<QString> ids;
    for (const QJsonValue &value : objects) {
        const QJsonObject object = value.toObject();
        const QString problem = stixProblem(object);
        QVERIFY2(problem.isEmpty(),
                 qPrintable(problem + " in " + QJsonDocument(object).toJson(QJsonDocument::Compact)));
        QVERIFY2(!ids.contains(object.value("id").toString()), "two objects share an id");
        ids.insert(object.value("id").toString());
    }
}

// An investigation as analysts build them: their own type words, random UUIDs, free
// attributes, open and closed validity periods.
Graph investigation()
{
    Graph graph;
    Node ip = makeNode("3f0c2a1e-5b7d-4c9e-8a1f-2d3e4f5a6b7c", "192.0.2.41", "IP");
    ip.validity = {QDateTime(QDate(2024, 1, 12), QTime(8, 0)), QDateTime(QDate(2024, 2, 28), QTime(0, 0))};
    ip.attributes = {{"a1", "pays", "FR"}, {"a2", "asn", "AS64501"}};
    ip.description = "Serveur \"C2\"\nsecond ligne";
    graph.insertNode(ip);
    Node range = makeNode("range-1", "198.51.100.0/24", "Plage IP");
    range.validity.start = QDateTime(QDate(2023, 5, 1), QTime(0, 0), Qt::UTC);
    graph.insertNode(range);
    graph.insertNode(makeNode("ip6", "2001:db8::7", "IP"));
    graph.insertNode(makeNode("ip-bad", "Serveur de rebond", "IP"));
    graph.insertNode(makeNode("dom", "factures-en-ligne.example", "Domaine"));
    graph.insertNode(makeNode("url", "https://cdn-brume.example/f/lanterne.bin", "URL"));
    graph.insertNode(makeNode("mail", "rh@portail-paie.example", "Email"));
    graph.insertNode(makeNode("as", "AS64501", "AS"));
    Node hash = makeNode("hash", "9f2c…a41b", "Hash");
    hash.attributes = {{"", "sha256", "9f2c4d0e8b7a61f35c2d9e0a7b4c1f6e3d8a2b5c9e0f1a4d7b3c6e9f2a5d8a41"},
                       {"", "nom", "facture.xls.exe"}};
    graph.insertNode(hash);
    graph.insertNode(makeNode("hash-short", "9f2c…a41b", "Hash"));
    Node malware = makeNode("malware-lanterne", "Lanterne", "Malware");
    malware.attributes = {{"", "stix:labels", "loader, dropper"},
                          {"", "stix:name", "ignored because reserved"},
                          {"", "stix:x_score", "true"},
                          {"", "stix:confidence", "80"},
                          {"", "famille", "loader"},
                          {"", "famille", "chargeur"}};
    graph.insertNode(malware);
    Node actor = makeNode("actor", "Corbeau Gris", "Acteur");
    actor.validity.end = QDateTime(QDate(2025, 1, 1), QTime(0, 0), Qt::UTC);
    actor.attributes = {{"", "stix:aliases", "Grey Raven, GR-17"}};
    graph.insertNode(actor);
    graph.insertNode(makeNode("campaign", "Campagne Brume", "Campagne"));
    graph.insertNode(makeNode("org", "Banque Fictive", "Organisation"));
    graph.insertNode(makeNode("person", "Jean Dupont", "Personne"));
    graph.insertNode(makeNode("tool", "Tunnelier", "Outil"));
    graph.insertNode(makeNode("cve", "CVE-2024-00000", "Vulnérabilité"));
    graph.insertNode(makeNode("wallet", "bc1qexample", "Wallet"));
    graph.insertNode(makeNode("default", "Note", "défaut"));
    Node empty = makeNode("empty-type", "", "");
    empty.validity = {QDateTime(QDate(2024, 6, 1), QTime(0, 0), Qt::UTC),
                      QDateTime(QDate(2024, 5, 1), QTime(0, 0), Qt::UTC)};
    graph.insertNode(empty);
    graph.insertNode(makeNode("indicator--0a1b2c3d-4e5f-4a6b-8c7d-9e0f1a2b3c4d", "Sans motif",
                              "indicator"));

    graph.insertEdge(makeEdge("e1", "actor", "malware-lanterne", "utilise", "utilise"));
    Edge network = makeEdge("e2", "dom", "3f0c2a1e-5b7d-4c9e-8a1f-2d3e4f5a6b7c", "réseau", "résout vers");
    network.validity.start = QDateTime(QDate(2024, 1, 15), QTime(10, 30), Qt::UTC);
    network.attributes = {{"", "stix:ignored", "relation rows stay home"}};
    network.properties = {{"stix:x_score", 3}, {"stix:revoked", true}, {"stix:confidence", "70"},
                          {"plain", "not exported"}};
    graph.insertEdge(network);
    graph.insertEdge(makeEdge("e3", "campaign", "ghost-node", "", "relation"));
    graph.insertEdge(makeEdge("e4", "campaign", "identity--11111111-2222-4333-8444-555555555555",
                              "targets", "targets"));
    graph.insertEdge(makeEdge("relationship--0b4d6f2a-3c5e-4ab8-9d1b-2e4f6a8c0d35", "org",
                              "person", "employs", "employs"));
    return graph;
}

} // namespace

class TestStix : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void importsUsualObjects();
    void importsAppearanceByType_data();
    void importsAppearanceByType();
    void importingTwiceAddsNothing();
    void acceptsOtherObjectLists();
    void failuresLeaveGraphUnchanged_data();
    void failuresLeaveGraphUnchanged();
    void exportsValidStixForAnInvestigation();
    void exportLeavesOutWhatTheStandardRejects_data();
    void exportLeavesOutWhatTheStandardRejects();
    void reexportsImportedBundlesAsValidStix_data();
    void reexportsImportedBundlesAsValidStix();
    void exportedInvestigationImportsBackWhole();
    void reexportsImportedObjectsAsTheyCame();
    void roundTripGivesBackEveryObject();
    void analystChangeTouchesOnlyItsProperty_data();
    void analystChangeTouchesOnlyItsProperty();
    void importReportsDuplicatesAndDanglingRelations();
    void exportsRelationVerbs_data();
    void exportsRelationVerbs();
    void olderProjectFileLoads();
    void reportsUnwritableFile();
    void exportedIdentifiersStayTheSame_data();
    void exportedIdentifiersStayTheSame();
};

void TestStix::importsUsualObjects()
{
    Graph graph;
    QString message;
    StixIo::ImportCounts counts;
    QVERIFY2(StixIo::importBundle(kData + "usual.json", graph, &message, &counts), qPrintable(message));
    QCOMPARE(message, QStringLiteral("Import STIX terminé: 13 nœuds, 4 relations ajoutés. 1 relations "
                                     "dont une extrémité manque dans le graphe."));
    QCOMPARE(counts.nodes, 13);
    QCOMPARE(counts.edges, 4);
    QCOMPARE(graph.nodes().size(), 13);

    const Node actor = graph.node("threat-actor--5b2d4f6a-8c1e-4a3b-9d7f-2e6c8a0b4d13");
    QCOMPARE(actor.type, QStringLiteral("threat-actor"));
    QCOMPARE(actor.label, QStringLiteral("Héron Cendré"));
    QCOMPARE(actor.validity.start, utc("2024-02-01T08:30:00.000Z"));
    QCOMPARE(actor.validity.end, utc("2024-02-10T08:30:00.000Z"));
    QCOMPARE(rowKeys(actor.attributes),
             (QStringList{"stix:labels", "stix:aliases", "stix:confidence",
                          "stix:external_references", "stix:first_seen",
                          "stix:threat_actor_types"}));
    // Values other than strings are kept as their JSON text, which says their type.
    QCOMPARE(rowValue(actor, "stix:aliases"), QStringLiteral("[\"Ash Heron\",\"HC-9\"]"));
    QCOMPARE(rowValue(actor, "stix:labels"), QStringLiteral("[\"crime-organise\"]"));
    QCOMPARE(rowValue(actor, "stix:confidence"), QStringLiteral("70"));
    QCOMPARE(rowValue(actor, "stix:first_seen"), QStringLiteral("2023-06-01T00:00:00Z"));
    QCOMPARE(rowValue(actor, "stix:external_references"),
             QStringLiteral("[{\"description\":\"Fiche, version 2\",\"external_id\":\"HC-2024-001\","
                            "\"source_name\":\"note-interne\"}]"));
    for (const AttributeRow &row : actor.attributes)
        QCOMPARE(row.id.size(), 36);

    const Node indicator = graph.node("indicator--6d0f2b8c-9e1a-4cd4-9f7d-8a0b2c4e6f91");
    QCOMPARE(indicator.validity.start, utc("2024-03-07T12:00:00.000Z"));
    QCOMPARE(indicator.validity.end, utc("2024-06-07T12:00:00.250Z"));
    QCOMPARE(rowValue(indicator, "stix:pattern"), QStringLiteral("[ipv4-addr:value = '203.0.113.7']"));

    const Node address = graph.node("ipv4-addr--7e1a3c9d-0f2b-5de5-8a8e-9b1c3d5f7a02");
    QCOMPARE(address.label, QStringLiteral("203.0.113.7"));
    QVERIFY(!address.validity.start.isValid());
    const Node file = graph.node("file--9a3c5e1f-2b4d-5fa7-8c0a-1d3e5f7b9c24");
    QCOMPARE(file.label, file.id); // neither name nor value
    QCOMPARE(rowValue(file, "stix:size"), QStringLiteral("20480"));
    QCOMPARE(rowValue(graph.node("malware--1e5a7c3d-4f6b-4d8c-8a2e-3b5c7d9f1a46"), "stix:is_family"),
             QStringLiteral("true"));

    const Edge uses = graph.edge("relationship--0b4d6f2a-3c5e-4ab8-9d1b-2e4f6a8c0d35");
    QCOMPARE(uses.src, actor.id);
    QCOMPARE(uses.dst, QStringLiteral("malware--1e5a7c3d-4f6b-4d8c-8a2e-3b5c7d9f1a46"));
    QCOMPARE(uses.label, QStringLiteral("uses"));
    QCOMPARE(uses.type, QStringLiteral("uses"));
    QCOMPARE(uses.direction, EdgeDirection::Directed);
    QCOMPARE(uses.description, QStringLiteral("Observé lors de la campagne."));
    QCOMPARE(uses.validity.start, utc("2024-03-10T00:00:00.000Z"));
    QCOMPARE(keyValues(uses.attributes),
             (QList<std::pair<QString, QString>>{{"stix:confidence", "80"}}));
    QCOMPARE(graph.edge("relationship--1c5e7a3b-4d6f-4bc9-8e2c-3f5a7b9d1e46").validity.start,
             utc("2024-03-12T06:00:00.000Z"));
    // A relationship to an object outside the bundle is kept.
    QCOMPARE(graph.edge("relationship--2d6f8b4c-5e7a-4cd0-9f3d-4a6b8c0e2f57").dst,
             QStringLiteral("identity--ffffffff-1f4b-4d2a-9b8e-3c7d6e5f4a21"));
    // A sighting is a relation from what was seen; here nobody is named as having seen it.
    const Edge sighting = graph.edge("sighting--3e7a9c5d-6f8b-4de1-8a4e-5b7c9d1f3a68");
    QCOMPARE(sighting.type, QStringLiteral("sighting"));
    QCOMPARE(sighting.src, indicator.id);
    QCOMPARE(sighting.dst, indicator.id);
    QCOMPARE(sighting.validity.start, utc("2024-03-14T00:00:00.000Z"));
    QCOMPARE(keyValues(sighting.attributes),
             (QList<std::pair<QString, QString>>{{"stix:count", "3"}}));
}

void TestStix::importsAppearanceByType_data()
{
    QTest::addColumn<QString>("id");
    QTest::addColumn<NodeShape>("shape");
    QTest::addColumn<QString>("color");
    QTest::newRow("identity") << "identity--0a5e9c3e-1f4b-4d2a-9b8e-3c7d6e5f4a21" << NodeShape::Circle << "#cfe2ff";
    QTest::newRow("threat-actor") << "threat-actor--5b2d4f6a-8c1e-4a3b-9d7f-2e6c8a0b4d13" << NodeShape::Hexagon << "#f8d7da";
    QTest::newRow("campaign") << "campaign--9d4f6b2c-3e5a-4c7b-9f1d-2a4b6c8e0f35" << NodeShape::Pentagon << "#fff3cd";
    QTest::newRow("intrusion-set") << "intrusion-set--7c3e5a1b-2d4f-4b6a-8e9c-1f3a5b7d9e24" << NodeShape::Octagon << "#e2e3e5";
    QTest::newRow("malware") << "malware--1e5a7c3d-4f6b-4d8c-8a2e-3b5c7d9f1a46" << NodeShape::Square << "#f5c6cb";
    QTest::newRow("tool") << "tool--2f6b8d4e-5a7c-4e9d-9b3f-4c6d8e0a2b57" << NodeShape::Triangle << "#d4edda";
    QTest::newRow("infrastructure") << "infrastructure--3a7c9e5f-6b8d-4fa1-8c4a-5d7e9f1b3c68" << NodeShape::Hexagon << "#d1ecf1";
    QTest::newRow("vulnerability") << "vulnerability--4b8d0f6a-7c9e-4ab2-9d5b-6e8f0a2c4d79" << NodeShape::Square << "#fefefe";
    QTest::newRow("attack-pattern") << "attack-pattern--5c9e1a7b-8d0f-4bc3-8e6c-7f9a1b3d5e80" << NodeShape::Triangle << "#e2e3ff";
    QTest::newRow("indicator keeps defaults") << "indicator--6d0f2b8c-9e1a-4cd4-9f7d-8a0b2c4e6f91" << NodeShape::Circle << "#f5f5f5";
}

void TestStix::importsAppearanceByType()
{
    QFETCH(QString, id);
    QFETCH(NodeShape, shape);
    QFETCH(QString, color);
    Graph graph;
    QVERIFY(StixIo::importBundle(kData + "usual.json", graph, nullptr));
    QVERIFY(graph.hasNode(id));
    QCOMPARE(graph.node(id).shape, shape);
    QCOMPARE(graph.node(id).color, QColor(color));
}

void TestStix::importingTwiceAddsNothing()
{
    Graph graph;
    QVERIFY(StixIo::importBundle(kData + "usual.json", graph, nullptr));
    const Graph once = graph;
    QString message;
    StixIo::ImportCounts counts{-1, -1};
    QVERIFY(StixIo::importBundle(kData + "usual.json", graph, &message, &counts));
    QCOMPARE(counts.nodes, 0);
    QCOMPARE(counts.edges, 0);
    QCOMPARE(message, QStringLiteral("Import STIX terminé: 0 nœuds, 0 relations ajoutés."));
    QCOMPARE(graph.nodes(), once.nodes());
    QCOMPARE(graph.edges(), once.edges());
}

void TestStix::acceptsOtherObjectLists()
{
    Graph graph;
    QVERIFY(StixIo::importBundle(kData + "objects-only.json", graph, nullptr));
    QVERIFY(graph.hasNode("malware--1e5a7c3d-4f6b-4d8c-8a2e-3b5c7d9f1a46"));

    Graph fromArray;
    StixIo::ImportCounts counts;
    QVERIFY(StixIo::importBundle(kData + "root-array.json", fromArray, nullptr, &counts));
    QCOMPARE(counts.nodes, 2); // the number in the list is not an object
    QCOMPARE(fromArray.node("x-note--aa").label, QStringLiteral("x-note--aa"));
    QCOMPARE(fromArray.edges().size(), 1);
    const Edge edge = *fromArray.edges().cbegin();
    QCOMPARE(edge.id.size(), 36); // no id: a fresh UUID
    QCOMPARE(edge.label, QStringLiteral("relationship"));
    QCOMPARE(edge.type, QString());
    QCOMPARE(edge.dst, QStringLiteral("nowhere"));
    QCOMPARE(edge.validity.start, utc("2024-04-01T00:00:00.000Z"));
}

void TestStix::failuresLeaveGraphUnchanged_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("messageStart");
    QTest::newRow("invalid json") << "invalid.json" << "JSON invalide: ";
    QTest::newRow("unexpected structure") << "unexpected.json" << "Structure JSON inattendue pour STIX.";
    QTest::newRow("objects not a list") << "objects-not-list.json"
                                        << "Bundle STIX invalide: \"objects\" n'est pas une liste.";
    QTest::newRow("missing file") << "absent.json" << "Impossible d'ouvrir le fichier STIX: ";
}

void TestStix::failuresLeaveGraphUnchanged()
{
    QFETCH(QString, file);
    QFETCH(QString, messageStart);
    Graph graph = investigation();
    const Graph before = graph;
    QString message;
    QVERIFY(!StixIo::importBundle(kData + file, graph, &message));
    QVERIFY2(message.startsWith(messageStart), qPrintable(message));
    QVERIFY(message.size() > messageStart.size() || messageStart.endsWith(QLatin1Char('.')));
    QCOMPARE(graph.nodes(), before.nodes());
    QCOMPARE(graph.edges(), before.edges());
}

void TestStix::exportsValidStixForAnInvestigation()
{
    QTemporaryDir dir;
    const Graph graph = investigation();
    QString message;
    int count = 0;
    QVERIFY2(StixIo::exportBundle(dir.filePath("out.json"), graph, &message, &count), qPrintable(message));
    const int expected = int(graph.nodes().size() + graph.edges().size());
    QCOMPARE(count, expected);
    QCOMPARE(message, QStringLiteral("Export STIX terminé : %1 objets dans le bundle.").arg(expected));
    const QJsonObject bundle = readJson(dir.filePath("out.json"));
    verifyBundle(bundle, expected);
    // Laid out as QJsonDocument lays out indented JSON, escapes included.
    QFile written(dir.filePath("out.json"));
    QVERIFY(written.open(QIODevice::ReadOnly));
    const QByteArray bytes = written.readAll();
    QCOMPARE(bytes, QJsonDocument::fromJson(bytes).toJson(QJsonDocument::Indented));

    QHash<QString, QJsonObject> byNode;
    QHash<QString, QJsonObject> byEdge;
    for (const QJsonValue &value : bundle.value("objects").toArray()) {
        const QJsonObject o = value.toObject();
        const QString own = o.value("x_orvane_id").toString(o.value("id").toString());
        (o.value("type").toString() == u"relationship" ? byEdge : byNode).insert(own, o);
    }
    auto typeOf = [&](const char *id) { return byNode.value(QLatin1String(id)).value("type").toString(); };
    QCOMPARE(typeOf("3f0c2a1e-5b7d-4c9e-8a1f-2d3e4f5a6b7c"), QStringLiteral("ipv4-addr"));
    QCOMPARE(byNode.value("3f0c2a1e-5b7d-4c9e-8a1f-2d3e4f5a6b7c").value("value").toString(),
             QStringLiteral("192.0.2.41"));
    QCOMPARE(typeOf("range-1"), QStringLiteral("ipv4-addr"));
    QCOMPARE(typeOf("ip6"), QStringLiteral("ipv6-addr"));
    QCOMPARE(typeOf("ip-bad"), QStringLiteral("x-orvane-ip"));
    QCOMPARE(typeOf("dom"), QStringLiteral("domain-name"));
    QCOMPARE(typeOf("url"), QStringLiteral("url"));
    QCOMPARE(typeOf("mail"), QStringLiteral("email-addr"));
    QCOMPARE(typeOf("as"), QStringLiteral("autonomous-system"));
    QCOMPARE(byNode.value("as").value("number"), QJsonValue(64501));
    QCOMPARE(typeOf("hash"), QStringLiteral("file"));
    QCOMPARE(byNode.value("hash").value("hashes").toObject().value("SHA-256").toString(),
             QStringLiteral("9f2c4d0e8b7a61f35c2d9e0a7b4c1f6e3d8a2b5c9e0f1a4d7b3c6e9f2a5d8a41"));
    QCOMPARE(typeOf("hash-short"), QStringLiteral("x-orvane-hash"));
    QCOMPARE(typeOf("malware-lanterne"), QStringLiteral("malware"));
    const QJsonObject malware = byNode.value("malware-lanterne");
    QCOMPARE(malware.value("is_family"), QJsonValue(true));
    QCOMPARE(malware.value("labels"), QJsonValue(QJsonArray{"loader", "dropper"}));
    QCOMPARE(malware.value("confidence"), QJsonValue(80));
    QCOMPARE(malware.value("x_score"), QJsonValue(true));
    QCOMPARE(malware.value("name").toString(), QStringLiteral("Lanterne"));
    QVERIFY(!malware.contains("famille")); // only "stix:" rows become properties
    QCOMPARE(typeOf("actor"), QStringLiteral("threat-actor"));
    QCOMPARE(byNode.value("actor").value("aliases"), QJsonValue(QJsonArray{"Grey Raven", "GR-17"}));
    QCOMPARE(typeOf("campaign"), QStringLiteral("campaign"));
    QCOMPARE(byNode.value("org").value("identity_class").toString(), QStringLiteral("organization"));
    QCOMPARE(byNode.value("person").value("identity_class").toString(), QStringLiteral("individual"));
    QCOMPARE(typeOf("tool"), QStringLiteral("tool"));
    QCOMPARE(typeOf("cve"), QStringLiteral("vulnerability"));
    QCOMPARE(typeOf("wallet"), QStringLiteral("x-orvane-wallet"));
    QCOMPARE(typeOf("default"), QStringLiteral("x-orvane-defaut"));
    QCOMPARE(typeOf("empty-type"), QStringLiteral("x-orvane-node"));
    // Without a pattern a node typed "indicator" cannot be a STIX indicator.
    QCOMPARE(typeOf("indicator--0a1b2c3d-4e5f-4a6b-8c7d-9e0f1a2b3c4d"), QStringLiteral("x-orvane-indicator"));
    // Identifiers are derived from the node id, the same at every export.
    QVERIFY(byNode.value("wallet").value("id").toString().startsWith(QLatin1String("x-orvane-wallet--")));

    QCOMPARE(byEdge.value("e1").value("relationship_type").toString(), QStringLiteral("uses"));
    const QJsonObject network = byEdge.value("e2");
    // The label names the verb when the type does not.
    QCOMPARE(network.value("relationship_type").toString(), QStringLiteral("resolves-to"));
    QCOMPARE(network.value("source_ref"), byNode.value("dom").value("id"));
    QCOMPARE(network.value("target_ref"), byNode.value("3f0c2a1e-5b7d-4c9e-8a1f-2d3e4f5a6b7c").value("id"));
    QCOMPARE(network.value("start_time").toString(), QStringLiteral("2024-01-15T10:30:00.000Z"));
    QCOMPARE(network.value("x_score"), QJsonValue(3));
    QCOMPARE(network.value("revoked"), QJsonValue(true));
    QCOMPARE(network.value("confidence"), QJsonValue(70));
    QCOMPARE(network.value("ignored").toString(), QStringLiteral("relation rows stay home"));
    QVERIFY(!network.contains("plain"));
    QCOMPARE(byEdge.value("e3").value("relationship_type").toString(), QStringLiteral("related-to"));
    QCOMPARE(byEdge.value("e4").value("target_ref").toString(),
             QStringLiteral("identity--11111111-2222-4333-8444-555555555555"));
    QVERIFY(byEdge.contains("relationship--0b4d6f2a-3c5e-4ab8-9d1b-2e4f6a8c0d35"));

    // Same ids at a second export.
    QVERIFY(StixIo::exportBundle(dir.filePath("again.json"), graph, nullptr));
    QCOMPARE(objectsById(readJson(dir.filePath("again.json"))).keys().size(), expected);
    for (const QString &id : objectsById(bundle).keys())
        QVERIFY(objectsById(readJson(dir.filePath("again.json"))).contains(id));
}

void TestStix::exportLeavesOutWhatTheStandardRejects_data()
{
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("rowKey");
    QTest::addColumn<QString>("rowValue");
    QTest::addColumn<QDateTime>("start");
    QTest::addColumn<QString>("exportedType");
    QTest::addColumn<QString>("leftOut"); // a property the object must not have

    const QDateTime none;
    const QDateTime usual(QDate(2024, 3, 1), QTime(9, 0), Qt::UTC);
    QTest::newRow("not an address") << "ipv4-addr" << "Serveur de rebond" << "" << "" << none << "x-orvane-ipv4-addr" << "value";
    QTest::newRow("address with a leading zero") << "IP" << "192.0.2.041" << "" << "" << none << "x-orvane-ip" << "value";
    QTest::newRow("URL with accents") << "URL" << "https://café.example/menu" << "" << "" << none << "x-orvane-url" << "value";
    QTest::newRow("domain with an underscore") << "Domaine" << "_dmarc.example.org" << "" << "" << none << "x-orvane-domaine" << "value";
    QTest::newRow("MAC address in capitals") << "mac-addr" << "00:1A:2B:3C:4D:5E" << "" << "" << none << "x-orvane-mac-addr" << "value";
    QTest::newRow("process without what defines one") << "process" << "svchost" << "stix:x_note" << "vu" << none << "x-orvane-process" << "";
    QTest::newRow("incident") << "incident" << "Fuite de données" << "" << "" << usual << "x-orvane-incident" << "";
    QTest::newRow("property name starting with a digit") << "Malware" << "Lanterne" << "stix:1st_stage" << "oui" << usual << "malware" << "1st_stage";
    QTest::newRow("CVE reference of the wrong form") << "Malware" << "Lanterne" << "stix:external_references"
        << "{\"source_name\":\"cve\",\"external_id\":\"CVE-24\"}" << usual << "malware" << "external_references";
    QTest::newRow("reference to nothing") << "Outil" << "Tunnelier" << "stix:external_references"
        << "{\"source_name\":\"note\"}" << usual << "tool" << "external_references";
    QTest::newRow("hash of the wrong length") << "fichier" << "facture.exe" << "stix:hashes"
        << "{\"SHA-256\":\"9f2c\"}" << none << "file" << "hashes";
    QTest::newRow("kill chain phase without its chain") << "Malware" << "Lanterne" << "stix:kill_chain_phases"
        << "{\"phase_name\":\"installation\"}" << usual << "malware" << "kill_chain_phases";
    QTest::newRow("start beyond year 9999") << "Acteur" << "Corbeau Gris" << "" << "" << QDateTime(QDate(10000, 1, 1), QTime(0, 0), Qt::UTC)
        << "threat-actor" << "valid_from";
}

void TestStix::exportLeavesOutWhatTheStandardRejects()
{
    QFETCH(QString, type);
    QFETCH(QString, label);
    QFETCH(QString, rowKey);
    QFETCH(QString, rowValue);
    QFETCH(QDateTime, start);
    QFETCH(QString, exportedType);
    QFETCH(QString, leftOut);
    Graph graph;
    Node node = makeNode("n1", label, type);
    node.validity.start = start;
    if (!rowKey.isEmpty())
        node.attributes = {{QString(), rowKey, rowValue}};
    graph.insertNode(node);
    QTemporaryDir dir;
    QVERIFY(StixIo::exportBundle(dir.filePath("out.json"), graph, nullptr));
    const QJsonObject bundle = readJson(dir.filePath("out.json"));
    verifyBundle(bundle, 1);
    const QJsonObject object = bundle.value("objects").toArray().first().toObject();
    QCOMPARE(object.value("type").toString(), exportedType);
    if (!leftOut.isEmpty())
        QVERIFY2(!object.contains(leftOut), qPrintable(leftOut));

    // What the object could not carry comes back all the same.
    Graph copy;
    QVERIFY(StixIo::importBundle(dir.filePath("out.json"), copy, nullptr));
    const Node back = copy.node("n1");
    QCOMPARE(back.type, type);
    QCOMPARE(back.label, label);
    QCOMPARE(keyValues(back.attributes), keyValues(node.attributes));
}

void TestStix::reexportsImportedBundlesAsValidStix_data()
{
    QTest::addColumn<QString>("file");
    // Shaped like public feeds: markings, references, kill chains, observables, a sighting,
    // custom objects and properties.
    QTest::newRow("feed") << "feed-like.json";
    // Objects without an id, or with one that is not a STIX identifier.
    QTest::newRow("loose objects") << "root-array.json";
    QTest::newRow("versions and missing ends") << "duplicates.json";
}

void TestStix::reexportsImportedBundlesAsValidStix()
{
    QFETCH(QString, file);
    Graph graph;
    StixIo::ImportCounts counts;
    QVERIFY(StixIo::importBundle(kData + file, graph, nullptr, &counts));
    QTemporaryDir dir;
    int exported = 0;
    QVERIFY(StixIo::exportBundle(dir.filePath("out.json"), graph, nullptr, &exported));
    QCOMPARE(exported, counts.nodes + counts.edges + int(graph.stix().detached.size()));
    verifyBundle(readJson(dir.filePath("out.json")), exported);
}

void TestStix::exportedInvestigationImportsBackWhole()
{
    QTemporaryDir dir;
    const Graph graph = investigation();
    QVERIFY(StixIo::exportBundle(dir.filePath("out.json"), graph, nullptr));
    Graph copy;
    StixIo::ImportCounts counts;
    QString message;
    QVERIFY2(StixIo::importBundle(dir.filePath("out.json"), copy, &message, &counts), qPrintable(message));
    QCOMPARE(counts.nodes, int(graph.nodes().size()));
    QCOMPARE(counts.edges, int(graph.edges().size()));
    for (const Node &original : graph.nodes()) {
        QVERIFY2(copy.hasNode(original.id), qPrintable(original.id));
        const Node node = copy.node(original.id);
        QCOMPARE(node.label, original.label);
        QCOMPARE(node.type, original.type);
        QCOMPARE(node.description, original.description);
        QCOMPARE(node.validity.start, original.validity.start);
        QCOMPARE(node.validity.end, original.validity.end);
        QCOMPARE(keyValues(node.attributes), keyValues(original.attributes));
    }
    for (const Edge &original : graph.edges()) {
        QVERIFY2(copy.hasEdge(original.id), qPrintable(original.id));
        const Edge edge = copy.edge(original.id);
        QCOMPARE(edge.src, original.src);
        QCOMPARE(edge.dst, original.dst);
        QCOMPARE(edge.type, original.type);
        QCOMPARE(edge.label, original.label);
        QCOMPARE(edge.validity.start, original.validity.start);
        QCOMPARE(edge.validity.end, original.validity.end);
    }
}

void TestStix::reexportsImportedObjectsAsTheyCame()
{
    QTemporaryDir dir;
    Graph graph;
    QVERIFY(StixIo::importBundle(kData + "usual.json", graph, nullptr));
    QVERIFY(StixIo::exportBundle(dir.filePath("out.json"), graph, nullptr));
    const QJsonObject bundle = readJson(dir.filePath("out.json"));
    verifyBundle(bundle, 17);
    const QHash<QString, QJsonObject> exported = objectsById(bundle);
    const QHash<QString, QJsonObject> original = objectsById(readJson(kData + "usual.json"));
    QCOMPARE(exported.size(), original.size());
    for (auto it = original.cbegin(); it != original.cend(); ++it)
        QCOMPARE(exported.value(it.key()), *it);

    Graph again;
    QVERIFY(StixIo::importBundle(dir.filePath("out.json"), again, nullptr));
    for (const Node &node : graph.nodes()) {
        const Node copy = again.node(node.id);
        QCOMPARE(copy.label, node.label);
        QCOMPARE(copy.type, node.type);
        QCOMPARE(copy.validity, node.validity);
        QCOMPARE(keyValues(copy.attributes), keyValues(node.attributes));
    }
}

// Markings, an identity, lists (one element holding ", ", one with a repeated element),
// timestamps to the millisecond and beyond, relationship properties, a sighting, custom
// objects and properties of every JSON type: imported, saved in a project file, loaded and
// exported, each object comes back JSON-equal.
void TestStix::roundTripGivesBackEveryObject()
{
    QTemporaryDir dir;
    Graph graph;
    StixIo::ImportCounts counts;
    QVERIFY(StixIo::importBundle(kData + "roundtrip.json", graph, nullptr, &counts));
    const QHash<QString, QJsonObject> original = objectsById(readJson(kData + "roundtrip.json"));
    QCOMPARE(counts.nodes, 6);
    QCOMPARE(counts.edges, 3); // two relationships and the sighting
    QCOMPARE(graph.stix().detached.size(), 4); // markings, language content, extension

    // Rows keep the JSON type and every list element whole.
    const Node actor = *std::find_if(graph.nodes().cbegin(), graph.nodes().cend(),
                                     [](const Node &n) { return n.type == u"threat-actor"; });
    QCOMPARE(rowValue(actor, "stix:aliases"), QStringLiteral("[\"Pale Crane, the second\",\"GP-4\"]"));
    QCOMPARE(rowValue(actor, "stix:x_exemple_score"), QStringLiteral("7.5"));
    QCOMPARE(rowValue(actor, "stix:revoked"), QStringLiteral("false"));
    QCOMPARE(rowValue(actor, "stix:first_seen"), QStringLiteral("2023-09-01T00:00:00.123456Z"));

    const QString project = dir.filePath("Cas/Cas.orvane.db");
    QString error;
    SceneRecords scene;
    QVERIFY2(ProjectFiles::save(project, graph, scene, &error), qPrintable(error));
    Graph loaded;
    QVERIFY2(ProjectFiles::load(project, loaded, scene, &error), qPrintable(error));

    for (const Graph *source : {&graph, &loaded}) {
        QVERIFY(StixIo::exportBundle(dir.filePath("out.json"), *source, nullptr));
        const QJsonObject bundle = readJson(dir.filePath("out.json"));
        verifyBundle(bundle, int(original.size()));
        const QHash<QString, QJsonObject> exported = objectsById(bundle);
        for (auto it = original.cbegin(); it != original.cend(); ++it)
            QCOMPARE(exported.value(it.key()), *it);
    }
}

void TestStix::analystChangeTouchesOnlyItsProperty_data()
{
    QTest::addColumn<QString>("object");   // type of the changed object (relationship: its verb)
    QTest::addColumn<QString>("field");    // label, description, start, row, no-row
    QTest::addColumn<QString>("rowKey");
    QTest::addColumn<QString>("newText");
    QTest::addColumn<QString>("property"); // the property that must change
    QTest::addColumn<QString>("expected"); // its new JSON value, "" when it must be gone

    QTest::newRow("name") << "threat-actor" << "label" << "" << "Grue Cendrée" << "name" << "\"Grue Cendrée\"";
    QTest::newRow("description") << "threat-actor" << "description" << "" << "Autre texte" << "description" << "\"Autre texte\"";
    QTest::newRow("list row") << "threat-actor" << "row" << "stix:aliases" << "[\"GP-4\",\"Grue, pâle\"]" << "aliases" << "[\"GP-4\",\"Grue, pâle\"]";
    QTest::newRow("number row keeps its type") << "threat-actor" << "row" << "stix:x_exemple_score" << "8" << "x_exemple_score" << "8";
    QTest::newRow("boolean row keeps its type") << "threat-actor" << "row" << "stix:x_exemple_active" << "false" << "x_exemple_active" << "false";
    QTest::newRow("string that looks like a number stays a string") << "identity" << "row" << "stix:contact_information" << "42" << "contact_information" << "\"42\"";
    QTest::newRow("removed row") << "threat-actor" << "no-row" << "stix:x_exemple_tags" << "" << "x_exemple_tags" << "";
    QTest::newRow("observable value") << "ipv4-addr" << "label" << "" << "198.51.100.24" << "value" << "\"198.51.100.24\"";
    QTest::newRow("relationship description") << "indicates" << "description" << "" << "Revu" << "description" << "\"Revu\"";
    QTest::newRow("relationship validity set") << "indicates" << "start" << "" << "2024-03-02T08:00:00.000Z" << "start_time" << "\"2024-03-02T08:00:00.000Z\"";
    QTest::newRow("sighting count") << "sighting" << "row" << "stix:count" << "5" << "count" << "5";
    QTest::newRow("sighting end") << "sighting" << "end" << "" << "2024-03-05T00:00:00.000Z" << "last_seen" << "\"2024-03-05T00:00:00.000Z\"";
}

void TestStix::analystChangeTouchesOnlyItsProperty()
{
    QFETCH(QString, object);
    QFETCH(QString, field);
    QFETCH(QString, rowKey);
    QFETCH(QString, newText);
    QFETCH(QString, property);
    QFETCH(QString, expected);
    Graph graph;
    QVERIFY(StixIo::importBundle(kData + "roundtrip.json", graph, nullptr));
    const QHash<QString, QJsonObject> original = objectsById(readJson(kData + "roundtrip.json"));
    QString id;
    for (const QJsonObject &o : original) {
        if (o.value("type").toString() == object || o.value("relationship_type").toString() == object)
            id = o.value("id").toString();
    }
    QVERIFY(!id.isEmpty());

    auto changeRows = [&](QList<AttributeRow> &rows) {
        for (qsizetype i = 0; i < rows.size(); ++i) {
            if (rows[i].key != rowKey)
                continue;
            if (field == u"no-row")
                rows.removeAt(i);
            else
                rows[i].value = newText;
            return;
        }
        QFAIL("no such row");
    };
    auto change = [&](auto &record) {
        if (field == u"description")
            record.description = newText;
        else if (field == u"start")
            record.validity.start = utc(newText);
        else if (field == u"end")
            record.validity.end = utc(newText);
        else if (field == u"label")
            record.label = newText;
        else
            changeRows(record.attributes);
    };
    if (graph.hasNode(id)) {
        Node node = graph.node(id);
        change(node);
        graph.replaceNode(node);
    } else {
        Edge edge = graph.edge(id);
        change(edge);
        graph.replaceEdge(edge);
    }

    QTemporaryDir dir;
    const QDateTime before = QDateTime::currentDateTimeUtc().addMSecs(-1);
    QVERIFY(StixIo::exportBundle(dir.filePath("out.json"), graph, nullptr));
    const QJsonObject bundle = readJson(dir.filePath("out.json"));
    verifyBundle(bundle, int(original.size()));
    const QHash<QString, QJsonObject> exported = objectsById(bundle);
    for (auto it = original.cbegin(); it != original.cend(); ++it) {
        if (it.key() != id) {
            QCOMPARE(exported.value(it.key()), *it);
            continue;
        }
        const QJsonObject changed = exported.value(id);
        QSet<QString> differing;
        for (const QString &key : changed.keys() + it->keys()) {
            if (changed.value(key) != it->value(key))
                differing.insert(key);
        }
        QSet<QString> expectedKeys{property};
        if (it->contains("modified")) {
            expectedKeys.insert("modified");
            QVERIFY(utc(changed.value("modified").toString()) >= before);
        }
        QCOMPARE(differing, expectedKeys);
        if (expected.isEmpty())
            QVERIFY(!changed.contains(property));
        else
            QCOMPARE(changed.value(property),
                     QJsonDocument::fromJson(("[" + expected + "]").toUtf8()).array().first());
    }
}

void TestStix::importReportsDuplicatesAndDanglingRelations()
{
    Graph graph;
    QString message;
    StixIo::ImportCounts counts;
    QVERIFY(StixIo::importBundle(kData + "duplicates.json", graph, &message, &counts));
    QCOMPARE(counts.duplicates, 2);
    QCOMPARE(counts.dangling, 1);
    QCOMPARE(message, QStringLiteral("Import STIX terminé: 2 nœuds, 2 relations ajoutés. 2 objets au "
                                     "même identifiant ignorés (version la plus récente gardée). 1 "
                                     "relations dont une extrémité manque dans le graphe."));
    // The latest version wins, wherever it stands in the bundle.
    bool found = false;
    for (const Node &node : graph.nodes())
        found = found || node.label == u"Version récente";
    QVERIFY(found);
}

void TestStix::exportsRelationVerbs_data()
{
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("verb");
    QTest::addColumn<bool>("inverse");
    QTest::newRow("type in French") << "utilise" << "utilise" << "uses" << false;
    QTest::newRow("label in French") << "" << "cible" << "targets" << false;
    QTest::newRow("type wins over label") << "communique avec" << "cible" << "communicates-with" << false;
    QTest::newRow("resolves") << "réseau" << "Résout en" << "resolves-to" << false;
    QTest::newRow("belongs") << "" << "appartient à" << "belongs-to" << false;
    QTest::newRow("hosts") << "héberge" << "" << "hosts" << false;
    QTest::newRow("hosted by, read backwards") << "" << "est hébergé par" << "hosts" << true;
    QTest::newRow("attributed") << "attribué à" << "" << "attributed-to" << false;
    QTest::newRow("indicates") << "" << "indique" << "indicates" << false;
    QTest::newRow("mitigates") << "" << "atténue" << "mitigates" << false;
    QTest::newRow("related") << "" << "lié à" << "related-to" << false;
    QTest::newRow("standard verb as typed") << "Resolves to" << "" << "resolves-to" << false;
    QTest::newRow("own word") << "finance" << "paie" << "finance" << false;
    QTest::newRow("nothing") << "" << "" << "related-to" << false;
}

void TestStix::exportsRelationVerbs()
{
    QFETCH(QString, type);
    QFETCH(QString, label);
    QFETCH(QString, verb);
    QFETCH(bool, inverse);
    Graph graph;
    graph.insertNode(makeNode("serveur", "Serveur", "Infrastructure"));
    graph.insertNode(makeNode("domaine", "exemple.example", "Domaine"));
    graph.insertEdge(makeEdge("r1", "domaine", "serveur", type, label));
    QTemporaryDir dir;
    QVERIFY(StixIo::exportBundle(dir.filePath("out.json"), graph, nullptr));
    const QJsonObject bundle = readJson(dir.filePath("out.json"));
    verifyBundle(bundle, 3);
    QHash<QString, QString> stixIdOf;
    QJsonObject relationship;
    for (const QJsonValue &value : bundle.value("objects").toArray()) {
        const QJsonObject o = value.toObject();
        if (o.value("type").toString() == u"relationship")
            relationship = o;
        else
            stixIdOf.insert(o.value("x_orvane_id").toString(), o.value("id").toString());
    }
    QCOMPARE(relationship.value("relationship_type").toString(), verb);
    QCOMPARE(relationship.value("source_ref").toString(), stixIdOf.value(inverse ? "serveur" : "domaine"));
    QCOMPARE(relationship.value("target_ref").toString(), stixIdOf.value(inverse ? "domaine" : "serveur"));

    Graph copy;
    QVERIFY(StixIo::importBundle(dir.filePath("out.json"), copy, nullptr));
    const Edge back = copy.edge("r1");
    QCOMPARE(back.src, QStringLiteral("domaine"));
    QCOMPARE(back.dst, QStringLiteral("serveur"));
    QCOMPARE(back.type, type);
    QCOMPARE(back.label, label);
}

// A project file written before kept STIX objects had a table of their own still loads, and
// the next save gives it one.
void TestStix::olderProjectFileLoads()
{
    QTemporaryDir dir;
    const QString project = dir.filePath("Ancien/Ancien.orvane.db");
    Graph graph = investigation();
    SceneRecords scene;
    QString error;
    QVERIFY2(ProjectFiles::save(project, graph, scene, &error), qPrintable(error));
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "older");
        db.setDatabaseName(project);
        QVERIFY(db.open());
        QVERIFY(QSqlQuery(db).exec("DROP TABLE stix_objects"));
        db.close();
    }
    QSqlDatabase::removeDatabase("older");
    Graph loaded;
    QVERIFY2(ProjectFiles::load(project, loaded, scene, &error), qPrintable(error));
    QCOMPARE(loaded.nodes().size(), graph.nodes().size());
    QVERIFY(loaded.stix().isEmpty());
    QVERIFY(StixIo::importBundle(kData + "roundtrip.json", loaded, nullptr));
    QVERIFY2(ProjectFiles::save(project, loaded, scene, &error), qPrintable(error));
    Graph again;
    QVERIFY2(ProjectFiles::load(project, again, scene, &error), qPrintable(error));
    QCOMPARE(again.stix().detached.size(), 4);
    QCOMPARE(again.stix().nodeOrigins.size(), 6);
}

void TestStix::reportsUnwritableFile()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("missing-folder/out.json");
    QString message;
    QVERIFY(!StixIo::exportBundle(path, investigation(), &message));
    QCOMPARE(message, QStringLiteral("Impossible d'écrire le fichier STIX:") + path);
}

void TestStix::exportedIdentifiersStayTheSame_data()
{
    // Written down once: a bundle exported again must name its objects as before, so that the
    // tools that imported it recognise them. Derived identifiers are UUIDv5 of the node id.
    QTest::addColumn<QString>("nodeId");
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("stixId");
    QTest::newRow("uuid") << "3f0c2a1e-5b7d-4c9e-8a1f-2d3e4f5a6b7c" << "IP" << "192.0.2.41"
                          << "ipv4-addr--ea2600d5-a7b6-5ed4-99d3-213216c1d124";
    QTest::newRow("stix id of the type written")
        << "threat-actor--8e2f6c4a-1b3d-4f5e-9a7c-2d4e6f8a0b1c" << "Acteur" << "Corbeau Gris"
        << "threat-actor--8e2f6c4a-1b3d-4f5e-9a7c-2d4e6f8a0b1c";
    QTest::newRow("stix id of another type")
        << "indicator--0a1b2c3d-4e5f-4a6b-8c7d-9e0f1a2b3c4d" << "indicator" << "Sans motif"
        << "x-orvane-indicator--b4356f05-020e-5ce8-b68b-c4c139a748b2";
    QTest::newRow("plain word") << "serveur" << "Domaine" << "factures-en-ligne.example"
                                << "domain-name--b77d5c98-0124-5086-b117-7013015264de";
    QTest::newRow("accents") << "nœud-élodie" << "défaut" << "Note"
                             << "x-orvane-defaut--68a15769-9b6b-5a17-8359-e903610404ef";
}

void TestStix::exportedIdentifiersStayTheSame()
{
    QFETCH(QString, nodeId);
    QFETCH(QString, type);
    QFETCH(QString, label);
    QFETCH(QString, stixId);
    Graph graph;
    graph.insertNode(makeNode(nodeId, label, type));
    QTemporaryDir dir;
    QVERIFY(StixIo::exportBundle(dir.filePath("out.json"), graph, nullptr));
    const QJsonArray objects = readJson(dir.filePath("out.json")).value("objects").toArray();
    QCOMPARE(objects.size(), 1);
    QCOMPARE(objects.first().toObject().value("id").toString(), stixId);
}

QTEST_GUILESS_MAIN(TestStix)
#include "tst_stix.moc"
