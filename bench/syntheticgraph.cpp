#include "syntheticgraph.h"

#include "model/textforms.h"

#include <QLineF>
#include <QRandomGenerator>

#include <algorithm>
#include <cmath>

Graph makeSyntheticGraph(int nodeCount, int edgeCount, int attributeCount, quint32 seed)
{
    QRandomGenerator random(seed);
    static const char *const types[] = {"IP", "Domaine", "AS", "Personne", "Wallet", "Hash"};
    const QDateTime base = QDateTime::fromString(QStringLiteral("2024-01-01T00:00:00"), Qt::ISODate);
    Graph graph;
    QStringList ids;
    ids.reserve(nodeCount);
    for (int i = 0; i < nodeCount; ++i) {
        Node node;
        node.id = TextForms::newId();
        node.label = QStringLiteral("Nœud %1").arg(i);
        node.type = QLatin1String(types[i % 6]);
        node.description = QStringLiteral("Description du nœud %1").arg(i);
        node.pos = QPointF(random.bounded(10000.0), random.bounded(10000.0));
        if (i % 3 == 0)
            node.validity.start = base.addSecs(qint64(i) * 600);
        ids.append(node.id);
        graph.insertNode(node);
    }
    for (int i = 0; i < attributeCount && nodeCount > 0; ++i) {
        Node node = graph.node(ids.at(i % nodeCount));
        node.attributes.append({QString(), QStringLiteral("clé %1").arg(i % 7),
                                QStringLiteral("valeur %1").arg(i)});
        graph.replaceNode(node);
    }
    for (int i = 0; i < edgeCount && nodeCount > 0; ++i) {
        Edge edge;
        edge.id = TextForms::newId();
        edge.src = ids.at(int(random.bounded(quint32(nodeCount))));
        edge.dst = ids.at(int(random.bounded(quint32(nodeCount))));
        edge.label = QStringLiteral("relation %1").arg(i);
        edge.type = QStringLiteral("lien");
        graph.insertEdge(edge);
    }
    return graph;
}

Graph makeClusteredGraph(int clusters, int clusterSize, quint32 seed)
{
    QRandomGenerator random(seed);
    const int count = clusters * clusterSize;
    const double side = 30.0 * std::sqrt(double(count));
    const auto id = [](int index) { return QStringLiteral("n%1").arg(index, 6, 10, QLatin1Char('0')); };
    Graph graph;
    for (int i = 0; i < count; ++i) {
        Node node;
        node.id = id(i);
        node.label = node.id;
        node.pos = QPointF(random.bounded(side), random.bounded(side));
        graph.insertNode(node);
    }
    const auto link = [&graph](const QString &src, const QString &dst) {
        Edge edge;
        edge.id = QStringLiteral("e%1").arg(graph.edges().size(), 7, 10, QLatin1Char('0'));
        edge.src = src;
        edge.dst = dst;
        graph.insertEdge(edge);
    };
    for (int c = 0; c < clusters; ++c) {
        const int first = c * clusterSize;
        for (int k = 0; k < clusterSize; ++k) {
            link(id(first + k), id(first + (k + 1) % clusterSize));
            link(id(first + k), id(first + int(random.bounded(quint32(clusterSize)))));
        }
        if (clusters > 1)
            link(id(first), id(((c + 1) % clusters) * clusterSize));
    }
    return graph;
}

double relationSpreadRatio(const Graph &graph, quint32 seed)
{
    if (graph.nodes().size() < 2 || graph.edges().isEmpty())
        return 0.0;
    const auto distance = [&graph](const QString &a, const QString &b) {
        return QLineF(graph.nodes().constFind(a)->pos, graph.nodes().constFind(b)->pos).length();
    };
    double relations = 0.0;
    for (const Edge &edge : graph.edges())
        relations += distance(edge.src, edge.dst);
    relations /= double(graph.edges().size());
    QStringList ids = graph.nodes().keys();
    std::sort(ids.begin(), ids.end());
    QRandomGenerator random(seed);
    constexpr int pairs = 20000;
    double strangers = 0.0;
    for (int p = 0; p < pairs; ++p) {
        const QString &a = ids.at(int(random.bounded(quint32(ids.size()))));
        const QString &b = ids.at(int(random.bounded(quint32(ids.size()))));
        strangers += distance(a, b);
    }
    return relations / (strangers / pairs);
}
