#include "ai/graphcontext.h"

#include "model/textforms.h"

#include <QJsonArray>
#include <QJsonDocument>

#include <algorithm>
#include <queue>
#include <utility>

namespace GraphContext {

namespace {

// Attributes with a non-empty key as one object; nothing when there are none.
QJsonObject attributesObject(const QList<AttributeRow> &rows)
{
    QJsonObject attributes;
    for (const AttributeRow &row : rows) {
        if (!row.key.isEmpty())
            attributes.insert(row.key, row.value);
    }
    return attributes;
}

QJsonObject mediaObject(const MediaRecord &media)
{
    QJsonObject object{{QStringLiteral("name"), media.name},
                       {QStringLiteral("path"), media.file},
                       {QStringLiteral("description"), media.description},
                       {QStringLiteral("tags"), media.tags},
                       {QStringLiteral("author"), media.author},
                       {QStringLiteral("sha256"), media.sha256}};
    if (media.date.isValid())
        object.insert(QStringLiteral("date"), TextForms::dateTimeToText(media.date));
    return object;
}

QJsonObject nodeObject(const Node &node)
{
    QJsonObject object{{QStringLiteral("id"), node.id},
                       {QStringLiteral("label"), node.label},
                       {QStringLiteral("type"), node.type},
                       {QStringLiteral("description"), node.description},
                       {QStringLiteral("shape"), TextForms::shapeToText(node.shape)},
                       {QStringLiteral("size"), node.size},
                       {QStringLiteral("color"), TextForms::colorToText(node.color)}};
    const QJsonObject attributes = attributesObject(node.attributes);
    if (!attributes.isEmpty())
        object.insert(QStringLiteral("attributes"), attributes);
    if (!node.medias.isEmpty()) {
        QJsonArray medias;
        for (const MediaRecord &media : node.medias)
            medias.append(mediaObject(media));
        object.insert(QStringLiteral("medias"), medias);
    }
    return object;
}

QJsonObject edgeObject(const Edge &edge)
{
    QJsonObject object{{QStringLiteral("id"), edge.id},
                       {QStringLiteral("label"), edge.label},
                       {QStringLiteral("type"), edge.type},
                       {QStringLiteral("source"), edge.src},
                       {QStringLiteral("target"), edge.dst},
                       {QStringLiteral("description"), edge.description},
                       {QStringLiteral("color"), TextForms::colorToText(edge.color)}};
    const QJsonObject attributes = attributesObject(edge.attributes);
    if (!attributes.isEmpty())
        object.insert(QStringLiteral("attributes"), attributes);
    return object;
}

// The nodes nearest the centroid of all positions, nearest first.
QStringList automaticSeeds(const Graph &graph)
{
    if (graph.nodes().isEmpty())
        return QStringList();
    QPointF centroid;
    for (const Node &node : graph.nodes())
        centroid += node.pos;
    centroid /= double(graph.nodes().size());
    std::vector<std::pair<double, QString>> byDistance;
    byDistance.reserve(graph.nodes().size());
    for (const Node &node : graph.nodes()) {
        const QPointF d = node.pos - centroid;
        byDistance.emplace_back(d.x() * d.x() + d.y() * d.y(), node.id);
    }
    const size_t count = std::min<size_t>(byDistance.size(), autoSeedCount);
    std::partial_sort(byDistance.begin(), byDistance.begin() + qsizetype(count), byDistance.end());
    QStringList seeds;
    for (size_t i = 0; i < count; ++i)
        seeds << byDistance[i].second;
    return seeds;
}

} // namespace

QJsonObject subGraphJson(const Graph &graph, const QStringList &seeds, int depth, int maxNodes)
{
    if (maxNodes <= 0 || depth < 0)
        return QJsonObject();

    QStringList order;
    QSet<QString> reached;
    std::queue<std::pair<QString, int>> queue;
    for (const QString &seed : seeds) {
        if (seed.isEmpty() || reached.contains(seed))
            continue;
        reached.insert(seed);
        order << seed;
        queue.emplace(seed, 0);
    }

    // One pass over the relations instead of one per expanded node.
    QHash<QString, QStringList> neighbours;
    if (depth > 0 && qsizetype(reached.size()) < maxNodes) {
        for (const Edge &edge : graph.edges()) {
            neighbours[edge.src] << edge.dst;
            neighbours[edge.dst] << edge.src;
        }
    }
    while (!queue.empty() && qsizetype(reached.size()) < maxNodes) {
        const auto [id, level] = queue.front();
        queue.pop();
        if (level >= depth)
            continue;
        for (const QString &next : neighbours.value(id)) {
            if (reached.contains(next))
                continue;
            reached.insert(next);
            order << next;
            queue.emplace(next, level + 1);
            if (qsizetype(reached.size()) >= maxNodes)
                break;
        }
    }

    QJsonArray nodes;
    for (const QString &id : std::as_const(order)) {
        if (graph.hasNode(id))
            nodes.append(nodeObject(graph.node(id)));
    }
    QJsonArray edges;
    for (const Edge &edge : graph.edges()) {
        if (reached.contains(edge.src) && reached.contains(edge.dst))
            edges.append(edgeObject(edge));
    }
    return QJsonObject{{QStringLiteral("nodes"), nodes}, {QStringLiteral("edges"), edges}};
}

QJsonObject fullGraphJson(const Graph &graph)
{
    return subGraphJson(graph, graph.nodes().keys(), 9999, int(graph.nodes().size()));
}

QJsonObject selectionContextJson(const Graph &graph, const QStringList &selectedIds)
{
    const bool automatic = selectedIds.isEmpty();
    const QStringList seeds = automatic ? automaticSeeds(graph) : selectedIds;
    QJsonObject context;
    if (!seeds.isEmpty()) {
        context = subGraphJson(graph, seeds, contextDepth, contextMaxNodes);
        if (context.value(QLatin1String("nodes")).toArray().size() >= contextMaxNodes) {
            context.insert(QStringLiteral("truncated"), true);
            context.insert(QStringLiteral("max_nodes"), contextMaxNodes);
            context.insert(QStringLiteral("depth_used"), contextDepth);
        }
    }
    if (automatic) {
        context.insert(QStringLiteral("auto_seed_used"), true);
        context.insert(QStringLiteral("auto_seed_count"), int(seeds.size()));
    }
    return context;
}

QString composeMessage(ChatProtocol::Mode mode, const QString &text, const Graph *graph,
                       const QStringList &selectedIds)
{
    if (mode == ChatProtocol::Mode::Discussion || !graph)
        return text;
    const QJsonObject context = selectionContextJson(*graph, selectedIds);
    return text + QStringLiteral("\n\n[GRAPH_SELECTION_JSON]\n")
        + QString::fromUtf8(QJsonDocument(context).toJson(QJsonDocument::Compact));
}

} // namespace GraphContext
