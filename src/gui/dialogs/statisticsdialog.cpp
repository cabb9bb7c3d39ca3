#include "dialogs/statisticsdialog.h"

#include "dialogs/chartbuilder.h"

#include <QChartView>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QSplitter>
#include <QTableWidget>
#include <QVBoxLayout>

StatisticsDialog::StatisticsDialog(const Statistic &statistic, QWidget *parent) : QDialog(parent)
{
    setWindowTitle(statistic.title);
    ChartValues data{asChartValues(statistic.pairs), true, statistic.categoryAxis,
                     statistic.valueAxis};
    m_chartView = new QChartView(buildChart(data, ChartKind::Bars));
    m_chartView->setRenderHint(QPainter::Antialiasing);
    m_chartView->setMinimumSize(420, 260);

    m_table = new QTableWidget(int(statistic.pairs.size()), 2);
    m_table->setHorizontalHeaderLabels({QStringLiteral("Catégorie"), QStringLiteral("Valeur")});
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->horizontalHeader()->setStretchLastSection(true);
    m_table->verticalHeader()->hide();
    for (int row = 0; row < statistic.pairs.size(); ++row) {
        m_table->setItem(row, 0, new QTableWidgetItem(statistic.pairs[row].first));
        auto *value = new QTableWidgetItem(QString::number(statistic.pairs[row].second));
        value->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        m_table->setItem(row, 1, value);
    }

    auto *splitter = new QSplitter(Qt::Vertical);
    splitter->addWidget(m_chartView);
    splitter->addWidget(m_table);
    splitter->setStretchFactor(0, 3);
    splitter->setStretchFactor(1, 2);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(splitter);
    layout->addWidget(buttons);
    resize(720, 600);
}
