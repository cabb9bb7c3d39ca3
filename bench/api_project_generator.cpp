// Writes a project of a given size for the API benchmark: api_project_generator FILE NODES EDGES.
// Nodes of a few types with two attribute rows each, relations between random nodes; the same
// arguments always give the same graph.

#include "model/graph.h"
#include "storage/projectdb.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTextStream>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTextStream err(stderr);
    const QStringList arguments = QCoreApplication::arguments();
    bool nodesOk = false;
    bool edgesOk = false;
    const int nodeCount = arguments.value(2).toInt(&nodesOk);
    const int edgeCount = arguments.value(3).toInt(&edgesOk);
    if (arguments.size() != 4 || !nodesOk || !edgesOk || nodeCount < 1 || edgeCount < 0) {
        err << "usage: api_project_generator FILE NODES EDGES\n";
        return 2;
    }
    const QString path = arguments[1];
    QFile::remove(path);

    QRandomGenerator random(42);
    const QStringList types = {"ip", "domain", "asn", "hash", "email", "actor"};
    Graph graph;
    QStringList ids;
    for (int i = 0; i < nodeCount; ++i) {
        Node node;
        node.id = QStringLiteral("node-%1").arg(i, 6, 10, QLatin1Char('0'));
        node.label = QStringLiteral("Entity %1").arg(i);
        node.type = types[i % types.size()];
        node.pos = QPointF(random.bounded(10000), random.bounded(10000));
        node.attributes = {{QString(), QStringLiteral("source"), QStringLiteral("bench")},
                           {QString(), QStringLiteral("score"), QString::number(i % 100)}};
        graph.insertNode(node);
        ids.append(node.id);
    }
    for (int i = 0; i < edgeCount; ++i) {
        Edge edge;
        edge.id = QStringLiteral("edge-%1").arg(i, 6, 10, QLatin1Char('0'));
        edge.src = ids[int(random.bounded(nodeCount))];
        edge.dst = ids[int(random.bounded(nodeCount))];
        edge.type = QStringLiteral("related");
        graph.insertEdge(edge);
    }

    ProjectDb db(path);
    QString error;
    if (!db.open(&error) || !db.saveGraph(graph, QFileInfo(path).absolutePath(), &error)
        || !db.ensureApiKeys(&error)) {
        err << "api_project_generator: " << error << '\n';
        return 1;
    }
    return 0;
}
