#include "dialogs/mediaslistdialog.h"

#include "dialogs/listpaging.h"
#include "dialogs/mediaopener.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

const QString kNoun = QStringLiteral("média(s)");

} // namespace

MediasListDialog::MediasListDialog(const Graph &graph, const QString &projectFolder,
                                   Prompter &prompter, QWidget *parent)
    : QDialog(parent), m_rows(MediaFiles::rows(graph)), m_projectFolder(projectFolder),
      m_prompter(prompter)
{
    setWindowTitle(QStringLiteral("Liste des médias"));
    resize(900, 560);

    m_search = new QLineEdit(this);
    m_search->setObjectName(QStringLiteral("searchEdit"));
    m_search->setPlaceholderText(QStringLiteral("Rechercher…"));
    m_column = new QComboBox(this);
    m_column->setObjectName(QStringLiteral("columnCombo"));
    const struct
    {
        const char *text;
        MediaFiles::Column column;
    } columns[] = {{"Label du nœud", MediaFiles::Column::NodeLabel},
                   {"ID du nœud", MediaFiles::Column::NodeId},
                   {"Nom du média", MediaFiles::Column::Name},
                   {"Description", MediaFiles::Column::Description},
                   {"Tags", MediaFiles::Column::Tags},
                   {"Nom de fichier", MediaFiles::Column::FileName}};
    for (const auto &entry : columns)
        m_column->addItem(QString::fromUtf8(entry.text), int(entry.column));
    m_pageSize = new QSpinBox(this);
    m_pageSize->setObjectName(QStringLiteral("pageSizeSpin"));
    m_pageSize->setRange(10, 2000);
    m_pageSize->setValue(200);
    auto *previous = new QPushButton(QStringLiteral("◀"), this);
    previous->setObjectName(QStringLiteral("previousPageButton"));
    auto *next = new QPushButton(QStringLiteral("▶"), this);
    next->setObjectName(QStringLiteral("nextPageButton"));
    m_pageLabel = new QLabel(this);
    m_pageLabel->setObjectName(QStringLiteral("pageLabel"));

    auto *top = new QHBoxLayout;
    top->addWidget(new QLabel(QStringLiteral("Recherche:"), this));
    top->addWidget(m_search, 1);
    top->addWidget(new QLabel(QStringLiteral("Colonne:"), this));
    top->addWidget(m_column);
    top->addWidget(new QLabel(QStringLiteral("Par page:"), this));
    top->addWidget(m_pageSize);
    top->addWidget(previous);
    top->addWidget(next);
    top->addWidget(m_pageLabel);

    m_table = new QTableWidget(0, 6, this);
    m_table->setObjectName(QStringLiteral("mediaTable"));
    m_table->setHorizontalHeaderLabels({QStringLiteral("ID nœud"), QStringLiteral("Label"),
                                        QStringLiteral("Média"), QStringLiteral("Description"),
                                        QStringLiteral("Tags"), QStringLiteral("Fichier")});
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->horizontalHeader()->setStretchLastSection(true);
    m_table->verticalHeader()->setVisible(false);
    // Rows come sorted; a header click sorts them otherwise.
    m_table->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(m_table, 1);

    connect(m_search, &QLineEdit::textChanged, this, &MediasListDialog::onSearchChanged);
    connect(m_column, &QComboBox::currentIndexChanged, this,
            &MediasListDialog::onFilterColumnChanged);
    connect(m_pageSize, &QSpinBox::valueChanged, this, &MediasListDialog::onPageSizeChanged);
    connect(previous, &QPushButton::clicked, this, &MediasListDialog::onPrevPage);
    connect(next, &QPushButton::clicked, this, &MediasListDialog::onNextPage);
    connect(m_table, &QTableWidget::cellDoubleClicked, this,
            &MediasListDialog::onCellDoubleClicked);
    refilter();
}

// A new search or column starts again from the first page.
void MediasListDialog::onSearchChanged(const QString &)
{
    refilter();
}

void MediasListDialog::onFilterColumnChanged(int)
{
    refilter();
}

void MediasListDialog::onPageSizeChanged(int)
{
    m_page = ListPaging::clampPage(m_page, matchingCount(), m_pageSize->value());
    showPage();
}

void MediasListDialog::onPrevPage()
{
    m_page = ListPaging::clampPage(m_page - 1, matchingCount(), m_pageSize->value());
    showPage();
}

void MediasListDialog::onNextPage()
{
    m_page = ListPaging::clampPage(m_page + 1, matchingCount(), m_pageSize->value());
    showPage();
}

void MediasListDialog::onCellDoubleClicked(int row, int)
{
    const QTableWidgetItem *file = m_table->item(row, 5);
    if (file)
        MediaOpener::open(m_prompter, this, file->text(), m_projectFolder);
}

void MediasListDialog::refilter()
{
    const auto column = MediaFiles::Column(m_column->currentData().toInt());
    m_matching.clear();
    for (int i = 0; i < m_rows.size(); ++i) {
        if (MediaFiles::matches(m_rows.at(i), m_search->text(), column))
            m_matching.append(i);
    }
    m_page = 0;
    showPage();
}

void MediasListDialog::showPage()
{
    const int perPage = m_pageSize->value();
    const int first = ListPaging::firstRow(m_page, perPage);
    const int count = ListPaging::rowsOnPage(m_page, matchingCount(), perPage);
    // Sorting while filling would move rows under the loop; the header sort is restored after.
    m_table->setSortingEnabled(false);
    m_table->setRowCount(count);
    for (int r = 0; r < count; ++r) {
        const MediaFiles::Row &row = m_rows.at(m_matching.at(first + r));
        const QStringList cells{row.nodeId, row.nodeLabel, row.name, row.description, row.tags,
                                row.file};
        for (int c = 0; c < cells.size(); ++c)
            m_table->setItem(r, c, new QTableWidgetItem(cells.at(c)));
    }
    m_table->setSortingEnabled(true);
    m_pageLabel->setText(ListPaging::label(m_page, matchingCount(), perPage, kNoun));
}
