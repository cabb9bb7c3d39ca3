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

namespace StixIo {

namespace Detail {

bool isReservedForNode(const QString &name)
{
    static const QSet<QString> reserved = {
        QStringLiteral("type"),        QStringLiteral("id"),          QStringLiteral("spec_version"),
        QStringLiteral("created"),     QStringLiteral("modified"),    QStringLiteral("name"),
        QStringLiteral("value"),       QStringLiteral("description"), QStringLiteral("labels"),
        QStringLiteral("aliases"),     QStringLiteral("valid_from"),  QStringLiteral("valid_until"),
        QStringLiteral("confidence")};
    return reserved.contains(name) || name.startsWith(kOrvanePrefix);
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
    QString textOf(QLatin1String name) const { return StixSchema::valueText(m_object.value(name)); }

    template<typename Visit>
    void forEachProperty(Visit visit) const
    {
        for (auto it = m_object.constBegin(); it != m_object.constEnd(); ++it)
            visit(it.key(), [&it] { return StixSchema::valueText(it.value()); });
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
        return withFreshIds(rows);
    }
    if (flag(object, kNoAttributes))
        return {};
    return withFreshIds(nodeRowsOf(ParsedObject(object)));
}

bool isReservedForRelationship(const QString &name)
{
    static const QSet<QString> reserved = {
        QStringLiteral("type"),        QStringLiteral("id"),
        QStringLiteral("spec_version"), QStringLiteral("created"),
        QStringLiteral("modified"),    QStringLiteral("relationship_type"),
        QStringLiteral("source_ref"),  QStringLiteral("target_ref"),
        QStringLiteral("description"), QStringLiteral("start_time"),
        QStringLiteral("stop_time"),   QStringLiteral("confidence")};
    return reserved.contains(name) || name.startsWith(kOrvanePrefix);
}

QList<AttributeRow> relationshipAttributes(const QJsonObject &object)
{
    QList<AttributeRow> rows;
    const QString confidence = StixSchema::valueText(object.value(QLatin1String("confidence")));
    if (!confidence.isEmpty())
        rows.append({QString(), kStixPrefix + QLatin1String("confidence"), confidence});
    for (auto it = object.constBegin(); it != object.constEnd(); ++it) {
        if (isReservedForRelationship(it.key()))
            continue;
        const QString value = StixSchema::valueText(it.value());
        if (!value.isEmpty())
            rows.append({QString(), kStixPrefix + it.key(), value});
    }
    return withFreshIds(rows);
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

bool objectsOf(const QJsonDocument &document, QJsonArray *objects)
{
    if (document.isArray()) {
        *objects = document.array();
        return true;
    }
    if (!document.isObject())
        return false;
    const QJsonObject root = document.object();
    const QJsonValue list = root.value(QLatin1String("objects"));
    if (root.value(QLatin1String("type")).toString() == u"bundle") {
        *objects = list.toArray();
        return true;
    }
    if (!list.isArray())
        return false;
    *objects = list.toArray();
    return true;
}

} // namespace

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
    if (!objectsOf(document, &objects))
        return fail(QStringLiteral("Structure JSON inattendue pour STIX."));
    document = QJsonDocument();

    // Node objects first, so that relationships can find the node ids their refs stand for.
    // Nothing can fail from here on: records go straight into the tables.
    QHash<QString, QString> nodeIdOf; // STIX id -> node id
    nodeIdOf.reserve(objects.size());
    ImportCounts added;
    for (const QJsonValue &element : std::as_const(objects)) {
        if (!element.isObject())
            continue;
        const QJsonObject object = element.toObject();
        const QString type = text(object, "type");
        if (type == u"relationship" || type == u"sighting")
            continue;
        const QString stixId = text(object, "id");
        const QString id = recordId(object, stixId, graph.nodes());
        if (!stixId.isEmpty() && !nodeIdOf.contains(stixId))
            nodeIdOf.insert(stixId, id);
        if (graph.hasNode(id))
            continue;
        Node node;
        node.id = id;
        node.type = restored(object, kOrvaneType, type);
        node.label = restored(object, kOrvaneLabel, nodeLabelOf(ParsedObject(object), id));
        node.description = text(object, "description");
        node.validity.start = bound(object, kOpenStart, "valid_from", "created");
        node.validity.end = bound(object, kOpenEnd, "valid_until", "modified");
        applyAppearance(node, type);
        node.attributes = nodeAttributes(object);
        graph.insertNode(node);
        ++added.nodes;
    }

    for (const QJsonValue &element : std::as_const(objects)) {
        const QJsonObject object = element.toObject();
        if (text(object, "type") != u"relationship")
            continue;
        const QString id = recordId(object, text(object, "id"), graph.edges());
        if (graph.hasEdge(id))
            continue;
        Edge edge;
        edge.id = id;
        const QString sourceRef = text(object, "source_ref");
        const QString targetRef = text(object, "target_ref");
        edge.src = restored(object, kSource, nodeIdOf.value(sourceRef, sourceRef));
        edge.dst = restored(object, kTarget, nodeIdOf.value(targetRef, targetRef));
        const QString relationshipType = text(object, "relationship_type");
        edge.type = restored(object, kOrvaneType, relationshipType);
        edge.label = restored(object, kOrvaneLabel,
                              relationshipType.isEmpty() ? QStringLiteral("relationship")
                                                         : relationshipType);
        edge.description = text(object, "description");
        edge.direction = EdgeDirection::Directed;
        edge.validity.start = bound(object, kOpenStart, "start_time", "created");
        edge.validity.end = bound(object, kOpenEnd, "stop_time", "modified");
        edge.attributes = relationshipAttributes(object);
        graph.insertEdge(edge);
        ++added.edges;
    }

    if (counts)
        *counts = added;
    if (message)
        *message = QStringLiteral("Import STIX terminé: %1 nœuds, %2 relations ajoutés.")
                       .arg(added.nodes)
                       .arg(added.edges);
    return true;
}

} // namespace StixIo
