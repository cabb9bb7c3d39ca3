#pragma once

#include "ops/recordfilter.h"

#include <QDialog>
#include <QSet>

class GraphScene;
class PageBar;
class Prompter;
class QComboBox;
class QGraphicsObject;
class QLineEdit;
class QTableWidget;
class QTableWidgetItem;

// What the node and relation lists share: a search on a chosen column, pages of rows, a
// check box per row that finds the record on the canvas, and the deletion of every checked
// record at once. The lists are non-modal and close themselves when their tab goes away.
class RecordListDialog : public QDialog
{
    Q_OBJECT

public:
    // Ids of the matching records, in display order.
    QStringList shownIds() const { return m_ids; }

public Q_SLOTS:
    // The text is sought in labels, and in attributes too when searchInAttrs is set.
    void applyFilter(const QString &text, bool searchInAttrs);
    void applyFilter(const QString &text, RecordFilter::Field field);
    void onSearchChanged(const QString &text);
    void onTableItemChanged(QTableWidgetItem *item);
    void onDeleteSelected();
    void onCellDoubleClicked(int row, int column);
    void onFilterColumnChanged(int index);

Q_SIGNALS:
    // The checked records that the user asked to delete; the receiver may ask first.
    void requestDelete(const QStringList &ids);

protected:
    struct ColumnChoice
    {
        QString text;
        QList<RecordFilter::Field> fields;
    };

    // restrictTo, when not empty, limits the list to those records (a group's members).
    RecordListDialog(const Graph &graph, GraphScene *scene, Prompter &prompter,
                     const QStringList &restrictTo, QWidget *parent);

    // Builds the window; headers name the columns after the check box and the id.
    void setUp(const QString &title, const QStringList &headers,
               const QList<ColumnChoice> &choices);

    virtual QStringList matchingIds(const QString &needle,
                                    const QList<RecordFilter::Field> &fields,
                                    const QStringList &restrictTo) const = 0;
    // The cells after the id; empty when the record is gone.
    virtual QStringList cells(const QString &id) const = 0;
    virtual QGraphicsObject *canvasItem(const QString &id) const = 0;
    virtual void editRecord(const QString &id) = 0;

    const Graph &graph() const { return m_graph; }
    GraphScene *scene() const { return m_scene; }
    Prompter &prompter() const { return m_prompter; }
    // Rewrites the row of a record shown on the current page.
    void refreshRow(const QString &id);

private:
    void refilter();
    void showPage();
    void findOnCanvas(const QString &id, bool checked);
    void centreOn(QGraphicsObject *item);
    void flash(QGraphicsObject *item);

    const Graph &m_graph;
    GraphScene *m_scene = nullptr;
    Prompter &m_prompter;
    QStringList m_restrictTo;
    QStringList m_ids;
    QSet<QString> m_checked;
    QList<ColumnChoice> m_choices;
    bool m_filling = false;

    QLineEdit *m_search = nullptr;
    QComboBox *m_column = nullptr;
    PageBar *m_pager = nullptr;
    QTableWidget *m_table = nullptr;
};
