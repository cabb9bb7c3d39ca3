#include "interchange/stixio.h"

#include "interchange/stixio_p.h"
#include "interchange/stixschema.h"
#include "model/graph.h"
#include "model/textforms.h"
#include "storage/filesafety.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSet>

#include <cstring>

namespace StixIo {

namespace Detail {

namespace {

// Properties every object has, and our own, which the reader never keeps as rows.
bool isCommonOrOurs(const QString &name)
{
    static const QSet<QString> common = {
        QStringLiteral("type"),     QStringLiteral("id"),       QStringLiteral("spec_version"),
        QStringLiteral("created"),  QStringLiteral("modified"), QStringLiteral("description")};
    return common.contains(name) || name.startsWith(kOrvanePrefix);
}

} // namespace

bool isReservedForNode(const QString &name)
{
    static const QSet<QString> reserved = {
        QStringLiteral("name"),   QStringLiteral("value"),      QStringLiteral("labels"),
        QStringLiteral("aliases"), QStringLiteral("valid_from"), QStringLiteral("valid_until")};
    return reserved.contains(name) || isCommonOrOurs(name);
}

bool isReservedForRelationship(const QString &name)
{
    static const QSet<QString> reserved = {
        QStringLiteral("relationship_type"), QStringLiteral("source_ref"),
        QStringLiteral("target_ref"),        QStringLiteral("start_time"),
        QStringLiteral("stop_time"),         QStringLiteral("confidence")};
    return reserved.contains(name) || isCommonOrOurs(name);
}

bool isReservedForSighting(const QString &name)
{
    static const QSet<QString> reserved = {
        QStringLiteral("sighting_of_ref"), QStringLiteral("first_seen"),
        QStringLiteral("last_seen"),       QStringLiteral("confidence")};
    return reserved.contains(name) || isCommonOrOurs(name);
}

} // namespace Detail

namespace {

using namespace Detail;

// A parsed object as nodeRowsOf and nodeLabelOf read it.
class ParsedObject
{
public:
    explicit ParsedObject(const QJsonObject &object) : m_object(object) {}

    QString stringOf(QLatin1String name) const { return m_object.value(name).toString(); }
    QString textOf(QLatin1String name) const { return StixSchema::rowText(m_object.value(name)); }

    template<typename Visit>
    void forEachProperty(Visit visit) const
    {
        for (auto it = m_object.constBegin(); it != m_object.constEnd(); ++it)
            visit(it.key(), [&it] { return StixSchema::rowText(it.value()); });
    }

private:
    const QJsonObject &m_object;
};

struct Appearance
{
    NodeShape shape;
    const char *color;
};

void applyAppearance(Node &node, const QString &stixType)
{
    static const QHash<QString, Appearance> table = {
        {QStringLiteral("identity"), {NodeShape::Circle, "#cfe2ff"}},
        {QStringLiteral("threat-actor"), {NodeShape::Hexagon, "#f8d7da"}},
        {QStringLiteral("campaign"), {NodeShape::Pentagon, "#fff3cd"}},
        {QStringLiteral("intrusion-set"), {NodeShape::Octagon, "#e2e3e5"}},
        {QStringLiteral("malware"), {NodeShape::Square, "#f5c6cb"}},
        {QStringLiteral("tool"), {NodeShape::Triangle, "#d4edda"}},
        {QStringLiteral("infrastructure"), {NodeShape::Hexagon, "#d1ecf1"}},
        {QStringLiteral("vulnerability"), {NodeShape::Square, "#fefefe"}},
        {QStringLiteral("attack-pattern"), {NodeShape::Triangle, "#e2e3ff"}}};
    const auto it = table.constFind(stixType.trimmed().toLower());
    if (it == table.cend())
        return;
    node.shape = it->shape;
    node.color = QColor(QLatin1String(it->color));
}

bool flag(const QJsonObject &object, const QString &name)
{
    return object.value(name).toBool();
}

QString text(const QJsonObject &object, const char *name)
{
    return object.value(QLatin1String(name)).toString();
}

// A bound given by the first property that parses, unless the writer marked it open.
QDateTime bound(const QJsonObject &object, const QString &openFlag, const char *preferred,
                const char *fallback)
{
    if (flag(object, openFlag))
        return QDateTime();
    const QDateTime value = StixSchema::parseTimestamp(text(object, preferred));
    return value.isValid() ? value : StixSchema::parseTimestamp(text(object, fallback));
}

// Our own properties win over what the standard ones would give.
QString restored(const QJsonObject &object, const QString &name, const QString &otherwise)
{
    const QJsonValue value = object.value(name);
    return value.isString() ? value.toString() : otherwise;
}

QList<AttributeRow> withFreshIds(QList<AttributeRow> rows)
{
    for (AttributeRow &row : rows)
        row.id = TextForms::newId();
    return rows;
}

QList<AttributeRow> nodeAttributes(const QJsonObject &object)
{
    const QJsonValue saved = object.value(kAttributes);
    if (saved.isArray()) {
        QList<AttributeRow> rows;
        for (const QJsonValue &element : saved.toArray()) {
            const QJsonObject row = element.toObject();
            rows.append({QString(), row.value(QLatin1String("key")).toString(),
                         row.value(QLatin1String("value")).toString()});
        }
        return rows;
    }
    if (flag(object, kNoAttributes))
        return {};
    return nodeRowsOf(ParsedObject(object));
}

QList<AttributeRow> relationAttributes(const QJsonObject &object, bool (*reserved)(const QString &))
{
    QList<AttributeRow> rows;
    const QString confidence = StixSchema::rowText(object.value(QLatin1String("confidence")));
    if (!confidence.isEmpty())
        rows.append({QString(), kStixPrefix + QLatin1String("confidence"), confidence});
    for (auto it = object.constBegin(); it != object.constEnd(); ++it) {
        if (reserved(it.key()))
            continue;
        const QString value = StixSchema::rowText(it.value());
        if (!value.isEmpty())
            rows.append({QString(), kStixPrefix + it.key(), value});
    }
    return rows;
}

// The id a record takes: ours when the writer saved it, else the STIX id, else a fresh
// UUID unused in the table.
template<typename Table>
QString recordId(const QJsonObject &object, const QString &stixId, const Table &table)
{
    const QString id = restored(object, kOrvaneId, stixId);
    if (!id.isEmpty())
        return id;
    QString fresh;
    do {
        fresh = TextForms::newId();
    } while (table.contains(fresh));
    return fresh;
}

const QString kBadObjects = QStringLiteral("Bundle STIX invalide: \"objects\" n'est pas une liste.");

// The object list of a document; false with the reason when there is none.
bool objectsOf(const QJsonDocument &document, QJsonArray *objects, QString *reason)
{
    *reason = QStringLiteral("Structure JSON inattendue pour STIX.");
    if (document.isArray()) {
        *objects = document.array();
        return true;
    }
    if (!document.isObject())
        return false;
    const QJsonObject root = document.object();
    const QJsonValue list = root.value(QLatin1String("objects"));
    if (root.value(QLatin1String("type")).toString() == u"bundle") {
        // The standard lets a bundle leave its list out; anything else there is a fault.
        if (list.isUndefined())
            return true;
        if (!list.isArray()) {
            *reason = kBadObjects;
            return false;
        }
    } else if (!list.isArray()) {
        return false;
    }
    *objects = list.toArray();
    return true;
}

// Objects that records point at but that are not drawn; kept as they are.
bool isDetached(const QString &type)
{
    return StixSchema::kindOf(type) == StixSchema::Kind::Meta && type != u"bundle";
}

bool isRelation(const QString &type)
{
    return type == u"relationship" || type == u"sighting";
}

// Whether an object is identified as the standard wants; one that is not is written anew
// by the exporter rather than given back as it came.
bool isOwnIdentifier(const QString &id, const QString &type)
{
    return StixSchema::isIdentifier(id) && StixSchema::identifierType(id) == type;
}

// Indexes of the objects to read: for an id that comes more than once, the latest version
// (greatest "modified", the first one on a tie).
QList<qsizetype> chosenVersions(const QJsonArray &objects, int *duplicates)
{
    QList<qsizetype> chosen;
    chosen.reserve(objects.size());
    QHash<QString, qsizetype> slotOf; // id -> position in chosen
    slotOf.reserve(objects.size());
    for (qsizetype i = 0; i < objects.size(); ++i) {
        const QJsonValue element = objects.at(i);
        if (!element.isObject())
            continue;
        const QJsonObject object = element.toObject();
        const QString id = text(object, "id");
        if (id.isEmpty()) {
            chosen.append(i);
            continue;
        }
        const auto it = slotOf.constFind(id);
        if (it == slotOf.cend()) {
            slotOf.insert(id, chosen.size());
            chosen.append(i);
            continue;
        }
        ++*duplicates;
        const QJsonObject kept = objects.at(chosen.at(*it)).toObject();
        if (StixSchema::parseTimestamp(text(object, "modified"))
            > StixSchema::parseTimestamp(text(kept, "modified")))
            chosen[*it] = i;
    }
    return chosen;
}

// Mixes text into a running 64-bit FNV-1a style summary, four UTF-16 units at a time, its
// length first so that neighbouring fields cannot trade characters. Each step is a bijection
// of the running value, so one differing field always gives a different summary.
void mix(quint64 &hash, QStringView text)
{
    constexpr quint64 prime = 1099511628211ULL;
    hash = (hash ^ quint64(text.size())) * prime;
    const char16_t *units = text.utf16();
    const qsizetype size = text.size();
    qsizetype i = 0;
    for (; i + 4 <= size; i += 4) {
        quint64 word;
        std::memcpy(&word, units + i, sizeof word);
        hash = (hash ^ word) * prime;
    }
    for (; i < size; ++i)
        hash = (hash ^ units[i]) * prime;
}

void mix(quint64 &hash, const QDateTime &value)
{
    constexpr quint64 prime = 1099511628211ULL;
    hash = (hash ^ quint64(value.isValid() ? value.toMSecsSinceEpoch() : -1)) * prime;
}

quint64 commonFingerprint(const QString &type, const QString &label, const QString &description,
                          const Validity &validity, const QList<AttributeRow> &rows)
{
    quint64 hash = 14695981039346656037ULL;
    mix(hash, type);
    mix(hash, label);
    mix(hash, description);
    mix(hash, validity.start);
    mix(hash, validity.end);
    for (const AttributeRow &row : rows) {
        mix(hash, row.key);
        mix(hash, row.value);
    }
    return hash;
}

} // namespace

namespace Detail {

Node nodeOf(const QJsonObject &object, const QString &id)
{
    Node node;
    node.id = id;
    node.type = restored(object, kOrvaneType, text(object, "type"));
    node.label = restored(object, kOrvaneLabel, nodeLabelOf(ParsedObject(object), id));
    node.description = text(object, "description");
    node.validity.start = bound(object, kOpenStart, "valid_from", "created");
    node.validity.end = bound(object, kOpenEnd, "valid_until", "modified");
    node.attributes = nodeAttributes(object);
    return node;
}

Edge edgeOf(const QJsonObject &object, const QString &id)
{
    Edge edge;
    edge.id = id;
    edge.direction = EdgeDirection::Directed;
    edge.description = text(object, "description");
    if (text(object, "type") == u"sighting") {
        // The sighted object, seen by the first of those who saw it (or in the first
        // observation); with neither, the sighting loops on what was seen.
        edge.src = text(object, "sighting_of_ref");
        const QJsonArray seenBy = object.value(QLatin1String("where_sighted_refs")).toArray();
        const QJsonArray seenIn = object.value(QLatin1String("observed_data_refs")).toArray();
        edge.dst = !seenBy.isEmpty() ? seenBy.first().toString()
            : !seenIn.isEmpty()      ? seenIn.first().toString()
                                     : edge.src;
        edge.type = QStringLiteral("sighting");
        edge.label = restored(object, kOrvaneLabel, edge.type);
        edge.validity.start = bound(object, kOpenStart, "first_seen", "created");
        edge.validity.end = bound(object, kOpenEnd, "last_seen", "modified");
        edge.attributes = relationAttributes(object, isReservedForSighting);
        return edge;
    }
    edge.src = text(object, "source_ref");
    edge.dst = text(object, "target_ref");
    const QString relationshipType = text(object, "relationship_type");
    edge.type = restored(object, kOrvaneType, relationshipType);
    edge.label = restored(object, kOrvaneLabel,
                          relationshipType.isEmpty() ? QStringLiteral("relationship")
                                                     : relationshipType);
    edge.validity.start = bound(object, kOpenStart, "start_time", "created");
    edge.validity.end = bound(object, kOpenEnd, "stop_time", "modified");
    edge.attributes = relationAttributes(object, isReservedForRelationship);
    return edge;
}

quint64 fingerprintOf(const Node &node)
{
    return commonFingerprint(node.type, node.label, node.description, node.validity,
                             node.attributes);
}

quint64 fingerprintOf(const Edge &edge)
{
    quint64 hash = commonFingerprint(edge.type, edge.label, edge.description, edge.validity,
                                     edge.attributes);
    mix(hash, edge.src);
    mix(hash, edge.dst);
    return hash;
}

} // namespace Detail

QString importNotes(const ImportCounts &counts)
{
    QStringList notes;
    if (counts.duplicates > 0)
        notes.append(QStringLiteral("%1 objets au même identifiant ignorés (version la plus "
                                    "récente gardée).")
                         .arg(counts.duplicates));
    if (counts.dangling > 0)
        notes.append(QStringLiteral("%1 relations dont une extrémité manque dans le graphe.")
                         .arg(counts.dangling));
    return notes.join(QLatin1Char(' '));
}

bool importBundle(const QString &path, Graph &graph, QString *message, ImportCounts *counts)
{
    auto fail = [message](const QString &text) {
        if (message)
            *message = text;
        return false;
    };
    QFile file;
    QString openError;
    if (!FileSafety::openRegularForReading(file, path, &openError))
        return fail(openError.isEmpty() ? QStringLiteral("Impossible d'ouvrir le fichier STIX: ") + path
                                        : openError);
    QJsonDocument document;
    {
        const QByteArray bytes = file.readAll();
        file.close();
        QJsonParseError error;
        document = QJsonDocument::fromJson(bytes, &error);
        if (error.error != QJsonParseError::NoError)
            return fail(QStringLiteral("JSON invalide: ") + error.errorString());
    }
    QJsonArray objects;
    QString reason;
    if (!objectsOf(document, &objects, &reason))
        return fail(reason);
    document = QJsonDocument();

    // Nothing can fail from here on: records go straight into the tables.
    ImportCounts added;
    const QList<qsizetype> chosen = chosenVersions(objects, &added.duplicates);
    StixRecords &stix = graph.stix();
    stix.nodeOrigins.reserve(stix.nodeOrigins.size() + chosen.size());
    QSet<QString> detachedIds;
    for (const QJsonObject &object : std::as_const(stix.detached))
        detachedIds.insert(text(object, "id"));

    // Node objects first, so that relations can find the node ids their refs stand for.
    QHash<QString, QString> nodeIdOf; // STIX id -> node id
    nodeIdOf.reserve(chosen.size());
    for (const qsizetype index : chosen) {
        const QJsonObject object = objects.at(index).toObject();
        const QString type = text(object, "type");
        if (isRelation(type))
            continue;
        const QString stixId = text(object, "id");
        if (isDetached(type)) {
            if (!detachedIds.contains(stixId)) {
                detachedIds.insert(stixId);
                stix.detached.append(object);
            }
            continue;
        }
        const QString id = recordId(object, stixId, graph.nodes());
        if (!stixId.isEmpty())
            nodeIdOf.insert(stixId, id);
        if (graph.hasNode(id))
            continue;
        Node node = nodeOf(object, id);
        node.attributes = withFreshIds(node.attributes);
        applyAppearance(node, type);
        if (isOwnIdentifier(stixId, type))
            stix.nodeOrigins.insert(id, {object, fingerprintOf(node)});
        graph.insertNode(node);
        ++added.nodes;
    }

    for (const qsizetype index : chosen) {
        const QJsonObject object = objects.at(index).toObject();
        const QString type = text(object, "type");
        if (!isRelation(type))
            continue;
        const QString stixId = text(object, "id");
        const QString id = recordId(object, stixId, graph.edges());
        if (graph.hasEdge(id))
            continue;
        Edge edge = edgeOf(object, id);
        edge.src = restored(object, kSource, nodeIdOf.value(edge.src, edge.src));
        edge.dst = restored(object, kTarget, nodeIdOf.value(edge.dst, edge.dst));
        edge.attributes = withFreshIds(edge.attributes);
        if (isOwnIdentifier(stixId, type))
            stix.edgeOrigins.insert(id, {object, fingerprintOf(edge)});
        if (!graph.hasNode(edge.src) || !graph.hasNode(edge.dst))
            ++added.dangling;
        graph.insertEdge(edge);
        ++added.edges;
    }

    if (counts)
        *counts = added;
    if (message) {
        *message = QStringLiteral("Import STIX terminé: %1 nœuds, %2 relations ajoutés.")
                       .arg(added.nodes)
                       .arg(added.edges);
        const QString notes = importNotes(added);
        if (!notes.isEmpty())
            *message += QLatin1Char(' ') + notes;
    }
    return true;
}

} // namespace StixIo
