#include "dialogs/chartdialogbase.h"

#include <QChartView>
#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

ChartDialogBase::ChartDialogBase(const Graph &graph, const QString &title, QWidget *parent)
    : QDialog(parent), m_graph(graph)
{
    setWindowTitle(title);
    m_rows = new QVBoxLayout(this);
    resize(820, 640);
}

void ChartDialogBase::addLabelled(const QString &label, QWidget *field)
{
    auto *line = new QHBoxLayout;
    line->addWidget(new QLabel(label));
    line->addWidget(field, 1);
    m_rows->addLayout(line);
}

void ChartDialogBase::addCommonRows(bool withSummary)
{
    m_hypotheses = new QCheckBox(QStringLiteral("Inclure les hypothèses"));
    m_hypotheses->setChecked(true);
    m_rows->addWidget(m_hypotheses);

    m_kind = new QComboBox;
    const struct
    {
        const char *text;
        ChartKind kind;
    } kinds[] = {{"Histogramme", ChartKind::Bars},
                 {"Histogramme horizontal", ChartKind::HorizontalBars},
                 {"Camembert", ChartKind::Pie},
                 {"Camembert donut", ChartKind::Donut}};
    for (const auto &entry : kinds)
        m_kind->addItem(QString::fromUtf8(entry.text), int(entry.kind));
    addLabelled(QStringLiteral("Type de graphique :"), m_kind);
    connect(m_kind, &QComboBox::currentIndexChanged, this, &ChartDialogBase::rebuildChart);

    m_update = new QPushButton(QStringLiteral("Mettre à jour"));
    connect(m_update, &QPushButton::clicked, this, &ChartDialogBase::rebuildChart);
    m_rows->addWidget(m_update);

    if (withSummary) {
        m_summary = new QLabel;
        m_rows->addWidget(m_summary);
    }

    m_chartView = new QChartView;
    m_chartView->setRenderHint(QPainter::Antialiasing);
    m_chartView->setMinimumSize(420, 260);
    m_rows->addWidget(m_chartView, 1);

    auto *close = new QPushButton(QStringLiteral("Fermer"));
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    auto *closeRow = new QHBoxLayout;
    closeRow->addStretch();
    closeRow->addWidget(close);
    m_rows->addLayout(closeRow);
}

ChartKind ChartDialogBase::kind() const
{
    return ChartKind(m_kind->currentData().toInt());
}

QString ChartDialogBase::summaryText() const
{
    return m_summary ? m_summary->text() : QString();
}

// The view takes the new chart but lets go of the one it showed, which is deleted here.
void ChartDialogBase::draw(const ChartValues &values)
{
    m_drawn = values;
    QChart *previous = m_chartView->chart();
    m_chartView->setChart(buildChart(values, kind()));
    delete previous;
}

void ChartDialogBase::setSummary(const QString &text)
{
    if (m_summary)
        m_summary->setText(text);
}
