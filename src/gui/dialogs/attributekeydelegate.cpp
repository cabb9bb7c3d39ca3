#include "dialogs/attributekeydelegate.h"

#include <QComboBox>
#include <QLineEdit>

AttributeKeyDelegate::AttributeKeyDelegate(const QStringList &keys, QObject *parent)
    : QStyledItemDelegate(parent), m_keys(keys)
{
}

QWidget *AttributeKeyDelegate::createEditor(QWidget *parent, const QStyleOptionViewItem &,
                                            const QModelIndex &) const
{
    auto *combo = new QComboBox(parent);
    combo->setEditable(true);
    combo->setInsertPolicy(QComboBox::NoInsert);
    combo->addItems(m_keys);
    return combo;
}

// The whole key is selected so that typing replaces a placeholder key at once.
void AttributeKeyDelegate::setEditorData(QWidget *editor, const QModelIndex &index) const
{
    auto *combo = static_cast<QComboBox *>(editor);
    combo->setEditText(index.data(Qt::EditRole).toString());
    combo->lineEdit()->selectAll();
}

void AttributeKeyDelegate::setModelData(QWidget *editor, QAbstractItemModel *model,
                                        const QModelIndex &index) const
{
    model->setData(index, static_cast<QComboBox *>(editor)->currentText(), Qt::EditRole);
}
