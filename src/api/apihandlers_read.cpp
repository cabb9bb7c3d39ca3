#include "api/apihandlers.h"

#include "api/apijson.h"
#include "api/apipaging.h"

#include <QJsonArray>
#include <QSet>

#include <algorithm>

namespace ApiHandlers {

namespace {

ApiPaging paging(const RouteContext &context)
{
    return ApiPaging::fromParameters(context.param("limit"), context.param("offset"));
}

// A page of a list: the paging envelope plus the page's items under key.
template<typename List, typename ToJson>
ApiReply page(const RouteContext &context, const QString &key, const List &items, ToJson toJson)
{
    const ApiPaging pages = paging(context);
    const qint64 total = items.size();
    QJsonArray array;
    for (qint64 i = pages.first(total); i < pages.end(total); ++i)
        array.append(toJson(items[i]));
    QJsonObject answer = context.envelope();
    pages.describe(answer, total);
    answer.insert(key, array);
    return ApiReply::json(answer);
}

QStringList sortedTexts(QSet<QString> texts)
{
    QStringList list(texts.cbegin(), texts.cend());
    std::sort(list.begin(), list.end(), [](const QString &a, const QString &b) {
        return QString::localeAwareCompare(a, b) < 0;
    });
    return list;
}

ApiReply textPage(const RouteContext &context, const QString &key, const QSet<QString> &texts)
{
    return page(context, key, sortedTexts(texts), [](const QString &text) { return text; });
}

// Ids in listing order whose record satisfies the predicate.
template<typename Table, typename Predicate>
QStringList matching(const QStringList &sortedIds, const Table &table, Predicate accept)
{
    QStringList ids;
    for (const QString &id : sortedIds) {
        const auto it = table.constFind(id);
        if (it != table.cend() && accept(*it))
            ids.append(id);
    }
    return ids;
}

ApiReply nodePage(const RouteContext &context, const LoadedProject &project,
                  const QStringList &ids)
{
    const QStringList fields = ApiJson::parseFields(context.param("fields"));
    const Graph::NodeTable &nodes = project.graph.nodes();
    return page(context, QStringLiteral("nodes"), ids, [&](const QString &id) {
        return ApiJson::selectFields(ApiJson::nodeShort(*nodes.constFind(id)), fields);
    });
}

ApiReply edgePage(const RouteContext &context, const LoadedProject &project,
                  const QStringList &ids)
{
    const QStringList fields = ApiJson::parseFields(context.param("fields"));
    const Graph::EdgeTable &edges = project.graph.edges();
    return page(context, QStringLiteral("edges"), ids, [&](const QString &id) {
        return ApiJson::selectFields(ApiJson::edgeShort(*edges.constFind(id)), fields);
    });
}

bool hasAttribute(const QList<AttributeRow> &rows, const QString &key, const QString &value)
{
    return std::any_of(rows.cbegin(), rows.cend(), [&](const AttributeRow &row) {
        return row.key == key && (value.isEmpty() || row.value == value);
    });
}

template<typename Table>
QSet<QString> attributeKeys(const Table &table)
{
    QSet<QString> keys;
    for (const auto &record : table) {
        for (const AttributeRow &row : record.attributes) {
            const QString key = row.key.trimmed();
            if (!key.isEmpty())
                keys.insert(key);
        }
    }
    return keys;
}

template<typename Table>
QSet<QString> types(const Table &table)
{
    QSet<QString> texts;
    for (const auto &record : table) {
        const QString type = record.type.trimmed();
        if (!type.isEmpty())
            texts.insert(type);
    }
    return texts;
}

ApiReply single(const RouteContext &context, const QString &key, const QJsonObject &object)
{
    QJsonObject answer = context.envelope();
    answer.insert(key, ApiJson::selectFields(object, ApiJson::parseFields(context.param("fields"))));
    return ApiReply::json(answer);
}

} // namespace

ApiReply listNodes(const RouteContext &context, const LoadedProject &project)
{
    return nodePage(context, project, project.sortedNodeIds);
}

ApiReply listEdges(const RouteContext &context, const LoadedProject &project)
{
    return edgePage(context, project, project.sortedEdgeIds);
}

ApiReply listMedias(const RouteContext &context, const LoadedProject &project)
{
    QList<QJsonObject> medias;
    for (const QString &id : project.sortedNodeIds) {
        const Node &node = *project.graph.nodes().constFind(id);
        for (const MediaRecord &media : node.medias)
            medias.append(ApiJson::mediaListed(id, media));
    }
    const QStringList fields = ApiJson::parseFields(context.param("fields"));
    return page(context, QStringLiteral("medias"), medias, [&](const QJsonObject &media) {
        return ApiJson::selectFields(media, fields);
    });
}

ApiReply getNode(const RouteContext &context, const LoadedProject &project)
{
    const QString id = context.param("id");
    if (!project.graph.hasNode(id))
        return ApiReply::error(404);
    return single(context, QStringLiteral("node"), ApiJson::nodeFull(project.graph.node(id)));
}

ApiReply getEdge(const RouteContext &context, const LoadedProject &project)
{
    const QString id = context.param("id");
    if (!project.graph.hasEdge(id))
        return ApiReply::error(404);
    return single(context, QStringLiteral("edge"), ApiJson::edgeFull(project.graph.edge(id)));
}

ApiReply getMedia(const RouteContext &context, const LoadedProject &project)
{
    const QString sha = context.param("sha");
    for (const QString &id : project.sortedNodeIds) {
        const Node &node = *project.graph.nodes().constFind(id);
        for (const MediaRecord &media : node.medias) {
            if (media.sha256.compare(sha, Qt::CaseInsensitive) == 0)
                return single(context, QStringLiteral("media"), ApiJson::mediaFull(id, media));
        }
    }
    return ApiReply::error(404);
}

ApiReply nodeTypes(const RouteContext &context, const LoadedProject &project)
{
    return textPage(context, QStringLiteral("types"), types(project.graph.nodes()));
}

ApiReply edgeTypes(const RouteContext &context, const LoadedProject &project)
{
    return textPage(context, QStringLiteral("types"), types(project.graph.edges()));
}

ApiReply nodeAttributeKeys(const RouteContext &context, const LoadedProject &project)
{
    return textPage(context, QStringLiteral("attributes"), attributeKeys(project.graph.nodes()));
}

ApiReply edgeAttributeKeys(const RouteContext &context, const LoadedProject &project)
{
    return textPage(context, QStringLiteral("attributes"), attributeKeys(project.graph.edges()));
}

ApiReply nodesByType(const RouteContext &context, const LoadedProject &project)
{
    const QString type = context.param("type");
    return nodePage(context, project,
                    matching(project.sortedNodeIds, project.graph.nodes(), [&](const Node &node) {
                        return node.type.trimmed().compare(type, Qt::CaseInsensitive) == 0;
                    }));
}

ApiReply edgesByType(const RouteContext &context, const LoadedProject &project)
{
    const QString type = context.param("type");
    return edgePage(context, project,
                    matching(project.sortedEdgeIds, project.graph.edges(), [&](const Edge &edge) {
                        return edge.type.trimmed().compare(type, Qt::CaseInsensitive) == 0;
                    }));
}

ApiReply nodesByAttribute(const RouteContext &context, const LoadedProject &project)
{
    const QString key = context.param("attr");
    const QString value = context.rawParam("value");
    return nodePage(context, project,
                    matching(project.sortedNodeIds, project.graph.nodes(), [&](const Node &node) {
                        return hasAttribute(node.attributes, key, value);
                    }));
}

ApiReply edgesByAttribute(const RouteContext &context, const LoadedProject &project)
{
    const QString key = context.param("attr");
    const QString value = context.rawParam("value");
    return edgePage(context, project,
                    matching(project.sortedEdgeIds, project.graph.edges(), [&](const Edge &edge) {
                        return hasAttribute(edge.attributes, key, value);
                    }));
}

ApiReply nodesByLabel(const RouteContext &context, const LoadedProject &project)
{
    const QString label = context.param("label");
    const QStringList ids =
        matching(project.sortedNodeIds, project.graph.nodes(), [&](const Node &node) {
            return node.label.compare(label, Qt::CaseInsensitive) == 0;
        });
    return page(context, QStringLiteral("ids"), ids, [](const QString &id) { return id; });
}

ApiReply edgesByLabel(const RouteContext &context, const LoadedProject &project)
{
    const QString label = context.param("label");
    const QStringList ids =
        matching(project.sortedEdgeIds, project.graph.edges(), [&](const Edge &edge) {
            return edge.label.compare(label, Qt::CaseInsensitive) == 0;
        });
    return page(context, QStringLiteral("ids"), ids, [](const QString &id) { return id; });
}

} // namespace ApiHandlers
