#include "analysis/anonymiser.h"

namespace Anonymiser {

namespace {

void clearValues(QList<AttributeRow> &attributes)
{
    for (AttributeRow &row : attributes)
        row.value.clear();
}

} // namespace

QString placeholderImage()
{
    return QStringLiteral(":/res/res/orvane.png");
}

Copy copy(const Graph &graph, const SceneRecords &scene, const Options &options)
{
    Graph::NodeTable nodes;
    nodes.reserve(graph.nodes().size());
    for (Node node : graph.nodes()) {
        if (!node.mediaPath.trimmed().isEmpty())
            node.mediaPath = placeholderImage();
        if (options.nodes) {
            node.label = node.id;
            node.description.clear();
            clearValues(node.attributes);
            node.medias.clear();
            node.investigationPath.clear();
        }
        nodes.insert(node.id, node);
    }
    Graph::EdgeTable edges;
    edges.reserve(graph.edges().size());
    for (Edge edge : graph.edges()) {
        if (options.relations) {
            edge.label = edge.id;
            edge.description.clear();
            clearValues(edge.attributes);
            edge.properties.clear();
        }
        edges.insert(edge.id, edge);
    }

    Copy result;
    result.graph.assign(std::move(nodes), std::move(edges));
    result.scene = scene;
    if (options.images) {
        for (MapRecord &map : result.scene.maps) {
            map.file.clear();
            map.label.clear();
            map.description.clear();
            map.anonymize = true;
        }
    }
    if (options.shapes) {
        for (ShapeRecord &shape : result.scene.shapes) {
            shape.label.clear();
            shape.descriptionHtml.clear();
        }
    }
    return result;
}

} // namespace Anonymiser
