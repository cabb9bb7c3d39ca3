#include "dialogs/edgeattributesdialog.h"

#include <QSet>

namespace {

QStringList edgeKeys(const Graph *graph)
{
    QSet<QString> keys;
    if (graph) {
        for (const Edge &edge : graph->edges()) {
            for (const AttributeRow &row : edge.attributes)
                keys.insert(row.key);
        }
    }
    QStringList sorted(keys.cbegin(), keys.cend());
    sorted.sort(Qt::CaseInsensitive);
    return sorted;
}

} // namespace

EdgeAttributesDialog::EdgeAttributesDialog(const Edge &edge, const Graph *graph,
                                           QWidget *parent)
    : AttributesDialog(QStringLiteral("Attributs de la relation — %1")
                           .arg(edge.label.isEmpty() ? edge.id : edge.label),
                       edge.attributes, edgeKeys(graph), parent),
      m_edge(edge)
{
}

Edge EdgeAttributesDialog::edge() const
{
    Edge edge = m_edge;
    edge.attributes = rows();
    return edge;
}
