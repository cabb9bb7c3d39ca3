#pragma once

#include <QWidget>

class QLabel;
class QSpinBox;

// The paging controls of a list: rows per page, previous and next page, and the page label.
// It keeps the page within the rows there are and tells its list whenever the rows to show
// change, whether the user paged or the list changed its row count.
class PageBar : public QWidget
{
    Q_OBJECT

public:
    // noun names the rows in the label; a page holds perPage rows, at most maxPerPage.
    PageBar(const QString &noun, int perPage, int maxPerPage, QWidget *parent = nullptr);

    int page() const { return m_page; }
    int firstRow() const;
    int rowsOnPage() const;

    // A new list of rows, shown from its first page.
    void restart(int total);
    // Rows gone from the list: the page stays where it still exists.
    void setTotal(int total);
    // Any page number is taken; it is kept within the pages there are.
    void setPage(int page);
    void showLastPage();

Q_SIGNALS:
    void pageChanged();

private:
    void previousPage();
    void nextPage();
    void perPageChanged();

    QString m_noun;
    int m_page = 0;
    int m_total = 0;
    QSpinBox *m_perPage = nullptr;
    QLabel *m_label = nullptr;
};
