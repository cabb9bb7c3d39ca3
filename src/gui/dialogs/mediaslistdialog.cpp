#include "dialogs/mediaslistdialog.h"

#include "dialogs/mediaopener.h"
#include "dialogs/pagebar.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QTableWidget>
#include <QVBoxLayout>

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
    m_pager = new PageBar(QStringLiteral("média(s)"), 200, 2000, this);

    auto *top = new QHBoxLayout;
    top->addWidget(new QLabel(QStringLiteral("Recherche:"), this));
    top->addWidget(m_search, 1);
    top->addWidget(new QLabel(QStringLiteral("Colonne:"), this));
    top->addWidget(m_column);
    top->addWidget(m_pager);

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
    connect(m_pager, &PageBar::pageChanged, this, &MediasListDialog::showPage);
    connect(m_table, &QTableWidget::cellDoubleClicked, this,
            &MediasListDialog::onCellDoubleClicked);
    refilter();
}

int MediasListDialog::currentPage() const
{
    return m_pager->page();
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
    m_pager->restart(matchingCount());
}

void MediasListDialog::showPage()
{
    const int first = m_pager->firstRow();
    const int count = m_pager->rowsOnPage();
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
}
