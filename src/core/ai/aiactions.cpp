#include "ai/aiactions.h"

#include "ai/graphcontext.h"
#include "ops/nodecommands.h"

#include <QLocale>

#include <algorithm>
#include <cmath>

namespace AiActions {

namespace {

QString text(const QJsonObject &object, const char *key)
{
    return object.value(QLatin1String(key)).toString();
}

QString kindOf(const QJsonObject &object)
{
    return text(object, "kind");
}

bool isEdgeAddition(const QString &kind)
{
    return kind == u"add_edge" || kind == u"add_relation";
}

bool isEdgeDeletion(const QString &kind)
{
    return kind == u"delete_edge" || kind == u"delete_relation";
}

// The id a deletion names: "id", or else the "id" of its record object.
QString deletedId(const QJsonObject &change, const char *recordKey)
{
    const QString id = text(change, "id");
    return id.isEmpty() ? text(change.value(QLatin1String(recordKey)).toObject(), "id") : id;
}

// Rows built from an "attributes" object; null values give empty text here.
QList<AttributeRow> attributeRows(const QJsonValue &attributes)
{
    QList<AttributeRow> rows;
    const QJsonObject object = attributes.toObject();
    for (auto it = object.constBegin(); it != object.constEnd(); ++it)
        rows.append(AttributeRow{QString(), it.key(), attributeText(it.value())});
    return rows;
}

// A null value removes every row of its key; any other sets the first row or adds one.
void patchAttributes(QList<AttributeRow> &rows, const QJsonObject &patch)
{
    for (auto it = patch.constBegin(); it != patch.constEnd(); ++it) {
        const QString &key = it.key();
        if (it.value().isNull()) {
            rows.removeIf([&key](const AttributeRow &row) { return row.key == key; });
            continue;
        }
        const QString value = attributeText(it.value());
        auto row = std::find_if(rows.begin(), rows.end(),
                                [&key](const AttributeRow &r) { return r.key == key; });
        if (row != rows.end())
            row->value = value;
        else
            rows.append(AttributeRow{QString(), key, value});
    }
}

template<typename Record>
void patchRecord(Record &record, const QJsonObject &patch)
{
    if (patch.contains(QLatin1String("label")))
        record.label = text(patch, "label");
    if (patch.contains(QLatin1String("type")))
        record.type = text(patch, "type");
    if (patch.contains(QLatin1String("description")))
        record.description = text(patch, "description");
    if (patch.value(QLatin1String("attributes")).isObject())
        patchAttributes(record.attributes, patch.value(QLatin1String("attributes")).toObject());
}

// An existing node keeps its place, look, media and group bookkeeping: the assistant only
// speaks of label, type, description and attributes.
bool addNode(Graph &graph, const QJsonObject &change)
{
    const QJsonObject fields = change.value(QLatin1String("node")).toObject();
    if (fields.isEmpty())
        return false;
    QString id = text(fields, "id");
    if (id.isEmpty())
        id = graph.unusedNodeId();
    Node node = graph.hasNode(id) ? graph.node(id) : Node();
    node.id = id;
    node.label = text(fields, "label");
    node.type = text(fields, "type");
    node.description = text(fields, "description");
    node.attributes = attributeRows(fields.value(QLatin1String("attributes")));
    graph.putNode(node);
    return true;
}

// A relation must join two nodes of the table (perhaps added earlier in the same batch):
// one naming an unknown node would point nowhere.
bool addEdge(Graph &graph, const QJsonObject &change)
{
    const QJsonObject fields = change.value(QLatin1String("edge")).toObject();
    if (fields.isEmpty())
        return false;
    const QString source = text(fields, "source");
    const QString target = text(fields, "target");
    if (!graph.hasNode(source) || !graph.hasNode(target))
        return false;
    QString id = text(fields, "id");
    if (id.isEmpty())
        id = graph.unusedEdgeId();
    Edge edge = graph.hasEdge(id) ? graph.edge(id) : Edge();
    edge.id = id;
    edge.label = text(fields, "label");
    edge.type = text(fields, "type");
    edge.src = source;
    edge.dst = target;
    edge.description = text(fields, "description");
    edge.attributes = attributeRows(fields.value(QLatin1String("attributes")));
    graph.putEdge(edge);
    return true;
}

// Patches the record stored under "id"; false when there is none or no patch object.
template<typename Record>
bool updateRecord(Graph &graph, const QJsonObject &change,
                  Record (Graph::*stored)(const QString &) const,
                  bool (Graph::*replace)(const Record &))
{
    const QString id = text(change, "id");
    const QJsonValue patch = change.value(QLatin1String("patch"));
    if (id.isEmpty() || !patch.isObject())
        return false;
    Record record = (graph.*stored)(id);
    if (record.id != id)
        return false;
    patchRecord(record, patch.toObject());
    return (graph.*replace)(record);
}

bool applyOne(Graph &graph, const QJsonObject &change)
{
    const QString kind = kindOf(change);
    if (kind == u"add_node")
        return addNode(graph, change);
    if (isEdgeAddition(kind))
        return addEdge(graph, change);
    if (kind == u"update_node")
        return updateRecord<Node>(graph, change, &Graph::node, &Graph::replaceNode);
    if (kind == u"update_edge")
        return updateRecord<Edge>(graph, change, &Graph::edge, &Graph::replaceEdge);
    if (kind == u"delete_node") {
        const QString id = deletedId(change, "node");
        return !id.isEmpty() && NodeCommands::removeNodes(graph, {id}).nodes > 0;
    }
    if (isEdgeDeletion(kind)) {
        const QString id = deletedId(change, "edge");
        return !id.isEmpty() && graph.removeEdge(id);
    }
    return false;
}

QString nodeLine(const QString &action, const QString &label, const QString &type,
                 const QString &id)
{
    return QStringLiteral("%1 nœud: [%2] (type=%3, id=%4)\n").arg(action, label, type, id);
}

QString edgeLine(const QString &action, const QString &label, const QString &type,
                 const QString &id, const QString &source, const QString &target)
{
    return QStringLiteral("%1 relation: [%2] (type=%3, id=%4)\n  %5 -> %6\n")
        .arg(action, label, type, id, source, target);
}

QString updateLine(const QString &record, const QJsonObject &change)
{
    const QJsonObject patch = change.value(QLatin1String("patch")).toObject();
    return QStringLiteral("Mise à jour %1 id=%2 : label=\"%3\", type=\"%4\"\n")
        .arg(record, text(change, "id"), text(patch, "label"), text(patch, "type"));
}

QString summaryLine(const QJsonObject &change, const Graph *graph)
{
    const QString kind = kindOf(change);
    if (kind == u"add_node") {
        const QJsonObject node = change.value(QLatin1String("node")).toObject();
        return nodeLine(QStringLiteral("Ajouter"), text(node, "label"), text(node, "type"),
                        text(node, "id"));
    }
    if (isEdgeAddition(kind)) {
        const QJsonObject edge = change.value(QLatin1String("edge")).toObject();
        return edgeLine(QStringLiteral("Ajouter"), text(edge, "label"), text(edge, "type"),
                        text(edge, "id"), text(edge, "source"), text(edge, "target"));
    }
    if (kind == u"update_node")
        return updateLine(QStringLiteral("nœud"), change);
    if (kind == u"update_edge")
        return updateLine(QStringLiteral("relation"), change);
    if (kind == u"delete_node") {
        const QJsonObject node = change.value(QLatin1String("node")).toObject();
        const QString id = deletedId(change, "node");
        if (graph && graph->hasNode(id)) {
            const Node stored = graph->node(id);
            return nodeLine(QStringLiteral("Suppression"), stored.label, stored.type, id);
        }
        return nodeLine(QStringLiteral("Suppression"), text(node, "label"), text(node, "type"), id);
    }
    if (isEdgeDeletion(kind)) {
        const QJsonObject edge = change.value(QLatin1String("edge")).toObject();
        const QString id = deletedId(change, "edge");
        if (graph && graph->hasEdge(id)) {
            const Edge stored = graph->edge(id);
            return edgeLine(QStringLiteral("Suppression"), stored.label, stored.type, id,
                            stored.src, stored.dst);
        }
        return edgeLine(QStringLiteral("Suppression"), text(edge, "label"), text(edge, "type"),
                        id, text(edge, "source"), text(edge, "target"));
    }
    return QString();
}

} // namespace

QString undoText()
{
    return QStringLiteral("Modifications proposées par l'IA");
}

Dispatch dispatch(const QJsonArray &actions)
{
    Dispatch result;
    for (const QJsonValue &value : actions) {
        if (!value.isObject())
            continue;
        const QJsonObject action = value.toObject();
        const QString kind = kindOf(action);
        if (kind == u"graph_query" || kind == u"highlight_nodes") {
            result.immediate.append(action);
        } else if (kind == u"propose_changes") {
            for (const QJsonValue &change : action.value(QLatin1String("changes")).toArray()) {
                if (change.isObject())
                    result.changes.append(change);
            }
        }
    }
    return result;
}

std::optional<QJsonObject> graphQueryResult(const Graph &graph, const QJsonObject &action)
{
    if (text(action, "operation") != u"neighbors")
        return std::nullopt;
    QStringList seeds;
    for (const QJsonValue &id : action.value(QLatin1String("node_ids")).toArray())
        seeds << attributeText(id);
    const int depth = action.value(QLatin1String("depth")).toInt(1);
    const int maxNodes = action.value(QLatin1String("max_nodes")).toInt(200);
    return GraphContext::subGraphJson(graph, seeds, depth, maxNodes);
}

QStringList highlightIds(const QJsonObject &action)
{
    QStringList ids;
    for (const QJsonValue &id : action.value(QLatin1String("node_ids")).toArray()) {
        if (id.isString())
            ids << id.toString();
    }
    return ids;
}

QString attributeText(const QJsonValue &value)
{
    switch (value.type()) {
    case QJsonValue::String:
        return value.toString();
    case QJsonValue::Double: {
        // Whole numbers are written out in full ("1000000", not "1e+06").
        const double number = value.toDouble();
        if (std::abs(number) < 9007199254740992.0 && number == std::trunc(number))
            return QString::number(qint64(number));
        return QString::number(number, 'g', QLocale::FloatingPointShortest);
    }
    case QJsonValue::Bool:
        return value.toBool() ? QStringLiteral("true") : QStringLiteral("false");
    default:
        return QString();
    }
}

QString summary(const QJsonArray &changes, const Graph *graph)
{
    QString lines;
    for (const QJsonValue &change : changes)
        lines += summaryLine(change.toObject(), graph);
    return lines;
}

int apply(Graph &graph, const QJsonArray &changes)
{
    int applied = 0;
    for (const QJsonValue &change : changes) {
        if (change.isObject() && applyOne(graph, change.toObject()))
            ++applied;
    }
    return applied;
}

} // namespace AiActions
