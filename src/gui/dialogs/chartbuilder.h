#pragma once

#include <QList>
#include <QPair>
#include <QString>

class QChart;

// The four kinds of chart, numbered as the "Type de graphique :" choices store them.
enum class ChartKind { Bars = 0, Pie = 1, HorizontalBars = 2, Donut = 3 };

// Values by category, drawn in the given order.
struct ChartValues
{
    QList<QPair<QString, double>> values;
    // Counts get the integer value axis of ChartCounts::valueAxis; other values a nice range
    // that also covers negative numbers.
    bool counts = true;
    QString categoryTitle;
    QString valueTitle;
};

// A new chart for a chart view to own. Without values it only shows the title
// "Aucune donnée".
QChart *buildChart(const ChartValues &data, ChartKind kind);

// Counts as chart values.
QList<QPair<QString, double>> asChartValues(const QList<QPair<QString, int>> &counts);
