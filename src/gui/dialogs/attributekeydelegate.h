#pragma once

#include <QStringList>
#include <QStyledItemDelegate>

// The key cell of an attribute table: an editable drop-down of the keys already used in
// the tab, so that the analyst reuses a spelling rather than inventing a near-copy.
class AttributeKeyDelegate : public QStyledItemDelegate
{
    Q_OBJECT

public:
    explicit AttributeKeyDelegate(const QStringList &keys, QObject *parent = nullptr);

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                          const QModelIndex &index) const override;
    void setEditorData(QWidget *editor, const QModelIndex &index) const override;
    void setModelData(QWidget *editor, QAbstractItemModel *model,
                      const QModelIndex &index) const override;

private:
    QStringList m_keys;
};
