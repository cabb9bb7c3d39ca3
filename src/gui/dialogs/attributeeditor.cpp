#include "dialogs/attributeeditor.h"

#include "dialogs/attributekeydelegate.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>

AttributeEditor::AttributeEditor(const QList<AttributeRow> &rows, const QStringList &knownKeys,
                                 QWidget *parent)
    : QWidget(parent), m_table(new QTableWidget(0, 2, this))
{
    m_table->setObjectName(QStringLiteral("attributeTable"));
    m_table->setHorizontalHeaderLabels({QStringLiteral("Clé"), QStringLiteral("Valeur")});
    m_table->horizontalHeader()->setStretchLastSection(true);
    m_table->verticalHeader()->setVisible(false);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setItemDelegateForColumn(0, new AttributeKeyDelegate(knownKeys, m_table));
    for (const AttributeRow &row : rows)
        appendRow(row);

    auto *add = new QPushButton(QStringLiteral("Ajouter attribut"), this);
    auto *remove = new QPushButton(QStringLiteral("Supprimer"), this);
    connect(add, &QPushButton::clicked, this, &AttributeEditor::addRow);
    connect(remove, &QPushButton::clicked, this, &AttributeEditor::removeSelectedRows);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(add);
    buttons->addWidget(remove);
    buttons->addStretch(1);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_table);
    layout->addLayout(buttons);
}

void AttributeEditor::appendRow(const AttributeRow &row)
{
    const int index = m_table->rowCount();
    m_table->insertRow(index);
    auto *key = new QTableWidgetItem(row.key);
    key->setData(Qt::UserRole, row.id);
    m_table->setItem(index, 0, key);
    m_table->setItem(index, 1, new QTableWidgetItem(row.value));
}

QList<AttributeRow> AttributeEditor::rows() const
{
    QList<AttributeRow> result;
    for (int i = 0; i < m_table->rowCount(); ++i) {
        const QTableWidgetItem *key = m_table->item(i, 0);
        const QTableWidgetItem *value = m_table->item(i, 1);
        result.append({key ? key->data(Qt::UserRole).toString() : QString(),
                       key ? key->text() : QString(), value ? value->text() : QString()});
    }
    return result;
}

void AttributeEditor::addRow()
{
    appendRow({QString(), QStringLiteral("cle"), QStringLiteral("valeur")});
    QTableWidgetItem *key = m_table->item(m_table->rowCount() - 1, 0);
    m_table->setCurrentItem(key);
    m_table->editItem(key);
}

void AttributeEditor::removeSelectedRows()
{
    QList<int> rows;
    for (const QModelIndex &index : m_table->selectionModel()->selectedRows())
        rows.append(index.row());
    std::sort(rows.begin(), rows.end(), std::greater<int>());
    for (int row : std::as_const(rows))
        m_table->removeRow(row);
}
