#include "dialogs/chartbuilder.h"

#include "analysis/categorycounts.h"
#include "analysis/chartcounts.h"

#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QHorizontalBarSeries>
#include <QPieSeries>
#include <QPieSlice>
#include <QValueAxis>

#include <algorithm>

namespace {

QString valueText(double value, bool counts)
{
    return counts ? QString::number(qRound64(value)) : QString::number(value, 'g', 6);
}

QValueAxis *valueAxis(const ChartValues &data)
{
    auto *axis = new QValueAxis;
    axis->setTitleText(data.valueTitle);
    axis->setMinorTickCount(0);
    if (data.counts) {
        double largest = 0.0;
        for (const auto &pair : data.values)
            largest = std::max(largest, pair.second);
        const ChartCounts::ValueAxis range = ChartCounts::valueAxis(int(qRound64(largest)));
        axis->setLabelFormat(QStringLiteral("%d"));
        axis->setTickType(QValueAxis::TicksFixed);
        axis->setRange(0, range.max);
        axis->setTickCount(range.tickCount);
    } else {
        double low = 0.0;
        double high = 0.0;
        for (const auto &pair : data.values) {
            low = std::min(low, pair.second);
            high = std::max(high, pair.second);
        }
        axis->setRange(low, high > low ? high : low + 1.0);
        axis->applyNiceNumbers();
    }
    return axis;
}

void addBars(QChart *chart, const ChartValues &data, bool horizontal)
{
    auto *set = new QBarSet(data.valueTitle);
    auto *categories = new QBarCategoryAxis;
    categories->setTitleText(data.categoryTitle);
    categories->setTruncateLabels(false);
    QStringList names;
    for (const auto &[category, value] : data.values) {
        set->append(value);
        names.append(category);
    }
    categories->append(CategoryCounts::distinctNames(names));
    QAbstractBarSeries *series = horizontal ? static_cast<QAbstractBarSeries *>(new QHorizontalBarSeries)
                                            : static_cast<QAbstractBarSeries *>(new QBarSeries);
    series->append(set);
    chart->addSeries(series);
    QValueAxis *values = valueAxis(data);
    if (horizontal) {
        chart->addAxis(categories, Qt::AlignLeft);
        chart->addAxis(values, Qt::AlignBottom);
    } else {
        categories->setLabelsAngle(-90);
        chart->addAxis(categories, Qt::AlignBottom);
        chart->addAxis(values, Qt::AlignLeft);
    }
    series->attachAxis(categories);
    series->attachAxis(values);
}

// A pie cannot show a negative share: such values take no room.
void addPie(QChart *chart, const ChartValues &data, bool donut)
{
    auto *series = new QPieSeries;
    const int count = int(data.values.size());
    for (int i = 0; i < count; ++i) {
        const auto &[category, value] = data.values[i];
        QPieSlice *slice = series->append(
            QStringLiteral("%1 (%2)").arg(category, valueText(value, data.counts)),
            std::max(0.0, value));
        slice->setLabelVisible(true);
        slice->setLabelPosition(QPieSlice::LabelOutside);
        slice->setBrush(ChartCounts::sliceColor(i, count));
    }
    if (donut) {
        series->setPieSize(0.8);
        series->setHoleSize(0.4);
    }
    chart->addSeries(series);
    chart->setAnimationOptions(QChart::SeriesAnimations);
}

} // namespace

QChart *buildChart(const ChartValues &data, ChartKind kind)
{
    auto *chart = new QChart;
    chart->legend()->hide();
    chart->setBackgroundRoundness(0);
    if (data.values.isEmpty()) {
        chart->setTitle(QStringLiteral("Aucune donnée"));
        return chart;
    }
    switch (kind) {
    case ChartKind::Bars:
        addBars(chart, data, false);
        break;
    case ChartKind::HorizontalBars:
        addBars(chart, data, true);
        break;
    case ChartKind::Pie:
        addPie(chart, data, false);
        break;
    case ChartKind::Donut:
        addPie(chart, data, true);
        break;
    }
    return chart;
}

QList<QPair<QString, double>> asChartValues(const QList<QPair<QString, int>> &counts)
{
    QList<QPair<QString, double>> values;
    values.reserve(counts.size());
    for (const auto &[category, count] : counts)
        values.append({category, double(count)});
    return values;
}
