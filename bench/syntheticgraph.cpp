#include "syntheticgraph.h"

#include "model/textforms.h"

#include <QRandomGenerator>

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
