#pragma once

#include "dialogs/chartbuilder.h"

#include <QDialog>

class Graph;
class QChartView;
class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QVBoxLayout;

// What every chart dialog of "Visualisation des données" shares: below the choices of the
// dialog itself, "Inclure les hypothèses", the chart kind, "Mettre à jour", an optional
// summary line, the chart and "Fermer". The dialog reads the graph it was given while it is
// open and never changes it.
class ChartDialogBase : public QDialog
{
    Q_OBJECT

public:
    QChartView *chartView() const { return m_chartView; }
    QCheckBox *hypothesesCheck() const { return m_hypotheses; }
    QComboBox *kindCombo() const { return m_kind; }
    QPushButton *updateButton() const { return m_update; }
    // Empty for dialogs without summary line.
    QString summaryText() const;
    // The values drawn last, in chart order.
    const ChartValues &drawnValues() const { return m_drawn; }

public Q_SLOTS:
    virtual void rebuildChart() = 0;

protected:
    ChartDialogBase(const Graph &graph, const QString &title, QWidget *parent);

    // The dialog's own choices go here, before addCommonRows().
    QVBoxLayout *rows() const { return m_rows; }
    // A label and its field on one line.
    void addLabelled(const QString &label, QWidget *field);
    void addCommonRows(bool withSummary);
    ChartKind kind() const;
    void draw(const ChartValues &values);
    void setSummary(const QString &text);

    const Graph &m_graph;

private:
    QVBoxLayout *m_rows = nullptr;
    QCheckBox *m_hypotheses = nullptr;
    QComboBox *m_kind = nullptr;
    QPushButton *m_update = nullptr;
    QLabel *m_summary = nullptr;
    QChartView *m_chartView = nullptr;
    ChartValues m_drawn;
};
