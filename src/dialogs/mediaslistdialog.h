#pragma once

#include "dialogs/mediafiles.h"

#include <QDialog>

class Prompter;
class QComboBox;
class QLabel;
class QLineEdit;
class QSpinBox;
class QTableWidget;

// Every media record of a tab, one row per (node, media), searchable and paged; a
// double-click opens the file. The rows are read when the dialog opens.
class MediasListDialog : public QDialog
{
    Q_OBJECT

public:
    MediasListDialog(const Graph &graph, const QString &projectFolder, Prompter &prompter,
                     QWidget *parent = nullptr);

    int currentPage() const { return m_page; }
    int matchingCount() const { return int(m_matching.size()); }

public Q_SLOTS:
    void onSearchChanged(const QString &text);
    void onFilterColumnChanged(int index);
    void onPageSizeChanged(int size);
    void onPrevPage();
    void onNextPage();
    void onCellDoubleClicked(int row, int column);

private:
    void refilter();
    void showPage();

    QList<MediaFiles::Row> m_rows;
    QList<int> m_matching; // indexes into m_rows
    QString m_projectFolder;
    Prompter &m_prompter;
    int m_page = 0;

    QLineEdit *m_search = nullptr;
    QComboBox *m_column = nullptr;
    QSpinBox *m_pageSize = nullptr;
    QLabel *m_pageLabel = nullptr;
    QTableWidget *m_table = nullptr;
};
