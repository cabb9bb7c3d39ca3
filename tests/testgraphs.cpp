#include "testgraphs.h"

#include "model/scenerecords.h"
#include "storage/projectfiles.h"

#include <QDebug>

namespace TestGraphs {

Node makeNode(const QString &id)
{
    return makeNode(id, id);
}

Node makeNode(const QString &id, const QString &label, const QString &type)
{
    Node node;
    node.id = id;
    node.label = label;
    if (!type.isEmpty())
        node.type = type;
    return node;
}

Node makeNode(const QString &id, QPointF pos, double size)
{
    Node node;
    node.id = id;
    node.pos = pos;
    node.size = size;
    return node;
}

Node makeNode(const QString &id, const QString &label, QPointF pos)
{
    Node node = makeNode(id, pos);
    node.label = label;
    return node;
}

Edge makeEdge(const QString &id, const QString &src, const QString &dst, const QString &type,
              const QString &label)
{
    Edge edge;
    edge.id = id;
    edge.src = src;
    edge.dst = dst;
    if (!type.isEmpty())
        edge.type = type;
    edge.label = label;
    return edge;
}

Graph loadGraph(const QString &dbPath)
{
    Graph graph;
    SceneRecords scene;
    QString error;
    if (!ProjectFiles::load(dbPath, graph, scene, &error))
        qWarning() << error;
    return graph;
}

} // namespace TestGraphs
