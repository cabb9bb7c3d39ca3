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

// Ids in listing order of the nodes, or of the relations, that satisfy the predicate.
template<typename Predicate>
QStringList nodeIdsWhere(const LoadedProject &project, Predicate accept)
{
    return matching(project.sortedNodeIds, project.graph.nodes(), accept);
}

template<typename Predicate>
QStringList edgeIdsWhere(const LoadedProject &project, Predicate accept)
{
    return matching(project.sortedEdgeIds, project.graph.edges(), accept);
}

ApiReply idPage(const RouteContext &context, const QStringList &ids)
{
    return page(context, QStringLiteral("ids"), ids, [](const QString &id) { return id; });
}

// The look-ups' predicates, which hold for nodes and relations alike.
auto typeIs(const QString &type)
{
    return [type](const auto &record) {
        return record.type.trimmed().compare(type, Qt::CaseInsensitive) == 0;
    };
}

auto labelIs(const QString &label)
{
    return [label](const auto &record) {
        return record.label.compare(label, Qt::CaseInsensitive) == 0;
    };
}

// An attribute of that key, and of that value when one is given.
auto hasAttribute(const QString &key, const QString &value)
{
    return [key, value](const auto &record) {
        return std::any_of(record.attributes.cbegin(), record.attributes.cend(),
                           [&](const AttributeRow &row) {
                               return row.key == key && (value.isEmpty() || row.value == value);
                           });
    };
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
    return nodePage(context, project, nodeIdsWhere(project, typeIs(context.param("type"))));
}

ApiReply edgesByType(const RouteContext &context, const LoadedProject &project)
{
    return edgePage(context, project, edgeIdsWhere(project, typeIs(context.param("type"))));
}

ApiReply nodesByAttribute(const RouteContext &context, const LoadedProject &project)
{
    return nodePage(context, project,
                    nodeIdsWhere(project, hasAttribute(context.param("attr"),
                                                       context.rawParam("value"))));
}

ApiReply edgesByAttribute(const RouteContext &context, const LoadedProject &project)
{
    return edgePage(context, project,
                    edgeIdsWhere(project, hasAttribute(context.param("attr"),
                                                       context.rawParam("value"))));
}

ApiReply nodesByLabel(const RouteContext &context, const LoadedProject &project)
{
    return idPage(context, nodeIdsWhere(project, labelIs(context.param("label"))));
}

ApiReply edgesByLabel(const RouteContext &context, const LoadedProject &project)
{
    return idPage(context, edgeIdsWhere(project, labelIs(context.param("label"))));
}

} // namespace ApiHandlers
