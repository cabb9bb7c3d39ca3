#include "dialogs/nodeattributesdialog.h"

#include "ops/nodecommands.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QSet>

namespace {

QStringList nodeKeys(const Graph &graph)
{
    QSet<QString> keys;
    for (const Node &node : graph.nodes()) {
        for (const AttributeRow &row : node.attributes)
            keys.insert(row.key);
    }
    QStringList sorted(keys.cbegin(), keys.cend());
    sorted.sort(Qt::CaseInsensitive);
    return sorted;
}

} // namespace

NodeAttributesDialog::NodeAttributesDialog(const Node &node, const Graph &graph,
                                           QWidget *parent)
    : AttributesDialog(QStringLiteral("Attributs du nœud — %1")
                           .arg(node.label.isEmpty() ? node.id : node.label),
                       node.attributes, nodeKeys(graph), parent),
      m_node(node), m_preview(graph)
{
    auto *create = new QPushButton(QStringLiteral("Créer des nœuds depuis la sélection"), this);
    create->setObjectName(QStringLiteral("createNodesButton"));
    connect(create, &QPushButton::clicked, this, &NodeAttributesDialog::onCreateNodesFromSelected);
    buttonRow()->insertWidget(2, create);
}

Node NodeAttributesDialog::node() const
{
    Node node = m_node;
    node.attributes = rows();
    return node;
}

void NodeAttributesDialog::onCreateNodesFromSelected()
{
    const QList<AttributeRow> rows = checkedRows();
    if (rows.isEmpty())
        return;
    NodeCommands::createNodesFromAttributes(m_preview, m_node.id, rows);
    m_plannedRows.append(rows);
    Q_EMIT nodesPlanned();
}

void NodeAttributesDialog::applyTo(Graph &graph) const
{
    for (const QList<AttributeRow> &rows : m_plannedRows)
        NodeCommands::createNodesFromAttributes(graph, m_node.id, rows);
    Node edited = graph.node(m_node.id);
    edited.attributes = rows();
    graph.replaceNode(edited);
}
