#pragma once

#include "analysis/statistics.h"

#include <QDialog>

class QChartView;
class QTableWidget;

// One quick statistic: its bar chart above, its (category, value) table below.
class StatisticsDialog : public QDialog
{
    Q_OBJECT

public:
    explicit StatisticsDialog(const Statistic &statistic, QWidget *parent = nullptr);

    QChartView *chartView() const { return m_chartView; }
    QTableWidget *table() const { return m_table; }

private:
    QChartView *m_chartView = nullptr;
    QTableWidget *m_table = nullptr;
};
