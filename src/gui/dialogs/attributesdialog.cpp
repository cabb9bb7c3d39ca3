#include "dialogs/attributesdialog.h"

#include "dialogs/attributekeydelegate.h"
#include "dialogs/pagebar.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

AttributesDialog::AttributesDialog(const QString &title, const QList<AttributeRow> &rows,
                                   const QStringList &knownKeys, QWidget *parent)
    : QDialog(parent), m_rows(rows), m_checked(rows.size(), false)
{
    setWindowTitle(title);
    resize(640, 480);

    m_search = new QLineEdit(this);
    m_search->setObjectName(QStringLiteral("searchEdit"));
    m_search->setPlaceholderText(QStringLiteral("Rechercher dans clés/valeurs…"));
    m_search->setClearButtonEnabled(true);
    m_pager = new PageBar(QStringLiteral("attribut(s)"), 100, 2000, this);
    auto *top = new QHBoxLayout;
    top->addWidget(new QLabel(QStringLiteral("Recherche:"), this));
    top->addWidget(m_search, 1);
    top->addWidget(m_pager);

    m_checkAll = new QCheckBox(QStringLiteral("Tout cocher"), this);
    m_checkAll->setObjectName(QStringLiteral("checkAllBox"));
    m_table = new QTableWidget(0, 3, this);
    m_table->setObjectName(QStringLiteral("attributeTable"));
    m_table->setHorizontalHeaderLabels(
        {QStringLiteral("✓"), QStringLiteral("Clé"), QStringLiteral("Valeur")});
    m_table->verticalHeader()->setVisible(false);
    m_table->horizontalHeader()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    m_table->horizontalHeader()->setStretchLastSection(true);
    m_table->setColumnWidth(1, 180);
    m_table->setItemDelegateForColumn(1, new AttributeKeyDelegate(knownKeys, m_table));

    auto *add = new QPushButton(QStringLiteral("Ajouter"), this);
    auto *remove = new QPushButton(QStringLiteral("Supprimer la sélection"), this);
    remove->setObjectName(QStringLiteral("removeSelectionButton"));
    m_buttonRow = new QHBoxLayout;
    m_buttonRow->addWidget(add);
    m_buttonRow->addWidget(remove);
    m_buttonRow->addStretch(1);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(m_checkAll);
    layout->addWidget(m_table, 1);
    layout->addLayout(m_buttonRow);
    layout->addWidget(buttons);

    connect(m_search, &QLineEdit::textChanged, this, &AttributesDialog::onSearchChanged);
    connect(m_pager, &PageBar::pageChanged, this, &AttributesDialog::showPage);
    connect(m_checkAll, &QCheckBox::toggled, this, &AttributesDialog::setPageChecked);
    connect(m_table, &QTableWidget::cellChanged, this, &AttributesDialog::onCellChanged);
    connect(add, &QPushButton::clicked, this, &AttributesDialog::onAdd);
    connect(remove, &QPushButton::clicked, this, &AttributesDialog::onRemoveSelected);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    refilter();
}

QList<AttributeRow> AttributesDialog::checkedRows() const
{
    QList<AttributeRow> rows;
    for (int i = 0; i < m_rows.size(); ++i) {
        if (m_checked.at(i))
            rows.append(m_rows.at(i));
    }
    return rows;
}

void AttributesDialog::onSearchChanged(const QString &)
{
    refilter();
}

void AttributesDialog::onAdd()
{
    m_rows.append({QString(), QStringLiteral("cle"), QStringLiteral("valeur")});
    m_checked.append(false);
    // The new row must be in sight: the search is cleared and the last page shown.
    m_search->blockSignals(true);
    m_search->clear();
    m_search->blockSignals(false);
    refilter();
    m_pager->showLastPage();
    QTableWidgetItem *key = m_table->item(m_table->rowCount() - 1, 1);
    m_table->setCurrentItem(key);
    m_table->editItem(key);
}

void AttributesDialog::onRemoveSelected()
{
    for (int i = int(m_rows.size()) - 1; i >= 0; --i) {
        if (m_checked.at(i)) {
            m_rows.removeAt(i);
            m_checked.removeAt(i);
        }
    }
    const int page = m_pager->page();
    refilter();
    m_pager->setPage(page);
}

void AttributesDialog::onCellChanged(int row, int column)
{
    if (m_filling)
        return;
    const QTableWidgetItem *item = m_table->item(row, column);
    const int index = item ? item->data(Qt::UserRole).toInt() : -1;
    if (index < 0 || index >= m_rows.size())
        return;
    if (column == 0)
        m_checked[index] = item->checkState() == Qt::Checked;
    else if (column == 1)
        m_rows[index].key = item->text();
    else
        m_rows[index].value = item->text();
}

void AttributesDialog::refilter()
{
    const QString needle = m_search->text().trimmed();
    m_matching.clear();
    for (int i = 0; i < m_rows.size(); ++i) {
        const AttributeRow &row = m_rows.at(i);
        if (needle.isEmpty() || row.key.contains(needle, Qt::CaseInsensitive)
            || row.value.contains(needle, Qt::CaseInsensitive))
            m_matching.append(i);
    }
    m_pager->restart(int(m_matching.size()));
}

void AttributesDialog::showPage()
{
    const int first = m_pager->firstRow();
    const int count = m_pager->rowsOnPage();
    m_filling = true;
    m_table->setRowCount(count);
    for (int r = 0; r < count; ++r) {
        const int index = m_matching.at(first + r);
        auto *check = new QTableWidgetItem;
        check->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        check->setCheckState(m_checked.at(index) ? Qt::Checked : Qt::Unchecked);
        auto *key = new QTableWidgetItem(m_rows.at(index).key);
        auto *value = new QTableWidgetItem(m_rows.at(index).value);
        for (QTableWidgetItem *item : {check, key, value})
            item->setData(Qt::UserRole, index);
        m_table->setItem(r, 0, check);
        m_table->setItem(r, 1, key);
        m_table->setItem(r, 2, value);
    }
    m_filling = false;
}

void AttributesDialog::setPageChecked(bool checked)
{
    for (int r = 0; r < m_table->rowCount(); ++r)
        m_table->item(r, 0)->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
}
