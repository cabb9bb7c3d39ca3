#pragma once

#include "model/node.h"

#include <QWidget>

class QTableWidget;

// The key/value table of the node and relation forms with its "Ajouter attribut" and
// "Supprimer" buttons. Rows keep the identity they were loaded with; new rows have none.
class AttributeEditor : public QWidget
{
    Q_OBJECT

public:
    AttributeEditor(const QList<AttributeRow> &rows, const QStringList &knownKeys,
                    QWidget *parent = nullptr);

    // The rows in table order, keys and values as typed.
    QList<AttributeRow> rows() const;
    QTableWidget *table() const { return m_table; }

public Q_SLOTS:
    // Appends "cle" / "valeur" and opens the key for typing.
    void addRow();
    void removeSelectedRows();

private:
    void appendRow(const AttributeRow &row);

    QTableWidget *m_table = nullptr;
};
