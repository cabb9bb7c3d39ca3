#pragma once

#include "model/node.h"

#include <QDialog>

class PageBar;
class QCheckBox;
class QHBoxLayout;
class QLineEdit;
class QTableWidget;

// The key/value rows of one record as a searchable, paged table with a check box per row.
// It edits a copy of the rows; the caller reads them back once the dialog is accepted.
class AttributesDialog : public QDialog
{
    Q_OBJECT

public:
    QList<AttributeRow> rows() const { return m_rows; }

public Q_SLOTS:
    void onSearchChanged(const QString &text);
    // Appends "cle" / "valeur" and shows it on the last page, ready for typing.
    void onAdd();
    void onRemoveSelected();
    void onCellChanged(int row, int column);

protected:
    AttributesDialog(const QString &title, const QList<AttributeRow> &rows,
                     const QStringList &knownKeys, QWidget *parent);

    // The checked rows, in table order.
    QList<AttributeRow> checkedRows() const;
    QHBoxLayout *buttonRow() const { return m_buttonRow; }

private:
    void refilter();
    void showPage();
    void setPageChecked(bool checked);

    QList<AttributeRow> m_rows;
    QList<bool> m_checked; // parallel to m_rows
    QList<int> m_matching; // indexes into m_rows
    bool m_filling = false;

    QLineEdit *m_search = nullptr;
    PageBar *m_pager = nullptr;
    QCheckBox *m_checkAll = nullptr;
    QTableWidget *m_table = nullptr;
    QHBoxLayout *m_buttonRow = nullptr;
};
