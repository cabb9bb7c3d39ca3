#pragma once

#include "ops/mediafiles.h"

#include <QDialog>

class PageBar;
class Prompter;
class QComboBox;
class QLineEdit;
class QTableWidget;

// Every media record of a tab, one row per (node, media), searchable and paged; a
// double-click opens the file. The rows are read when the dialog opens.
class MediasListDialog : public QDialog
{
    Q_OBJECT

public:
    MediasListDialog(const Graph &graph, const QString &projectFolder, Prompter &prompter,
                     QWidget *parent = nullptr);

    int currentPage() const;
    int matchingCount() const { return int(m_matching.size()); }

public Q_SLOTS:
    void onSearchChanged(const QString &text);
    void onFilterColumnChanged(int index);
    void onCellDoubleClicked(int row, int column);

private:
    void refilter();
    void showPage();

    QList<MediaFiles::Row> m_rows;
    QList<int> m_matching; // indexes into m_rows
    QString m_projectFolder;
    Prompter &m_prompter;

    QLineEdit *m_search = nullptr;
    QComboBox *m_column = nullptr;
    PageBar *m_pager = nullptr;
    QTableWidget *m_table = nullptr;
};
