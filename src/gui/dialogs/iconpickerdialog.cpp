#include "dialogs/iconpickerdialog.h"

#include <QDialogButtonBox>
#include <QFileInfo>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

QString pathOf(const QTreeWidgetItem *item)
{
    return item ? item->data(0, Qt::UserRole).toString() : QString();
}

} // namespace

IconPickerDialog::IconPickerDialog(const QList<IconLibrary::Category> &categories,
                                   QWidget *parent)
    : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Choisir une icône (dossier 'icons')"));
    resize(640, 520);

    m_search = new QLineEdit(this);
    m_search->setObjectName(QStringLiteral("iconSearch"));
    m_search->setPlaceholderText(QStringLiteral("Rechercher dans toutes les catégories…"));
    m_search->setClearButtonEnabled(true);

    m_tree = new QTreeWidget(this);
    m_tree->setObjectName(QStringLiteral("iconTree"));
    m_tree->setHeaderHidden(true);
    m_tree->setIconSize(QSize(48, 48));
    m_tree->setColumnCount(1);
    for (const IconLibrary::Category &category : categories) {
        auto *row = new QTreeWidgetItem(m_tree, {category.name});
        row->setFlags(Qt::ItemIsEnabled);
        row->setFirstColumnSpanned(true);
        QFont bold = row->font(0);
        bold.setBold(true);
        row->setFont(0, bold);
        for (const QString &file : category.files) {
            auto *icon = new QTreeWidgetItem(row, {QFileInfo(file).completeBaseName()});
            icon->setIcon(0, QIcon(file));
            icon->setData(0, Qt::UserRole, file);
            icon->setToolTip(0, file);
        }
        row->setExpanded(false);
    }

    m_buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    m_buttons->button(QDialogButtonBox::Ok)->setEnabled(false);
    connect(m_buttons, &QDialogButtonBox::accepted, this, &IconPickerDialog::onAccepted);
    connect(m_buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_search, &QLineEdit::textChanged, this, &IconPickerDialog::onSearchChanged);
    connect(m_tree, &QTreeWidget::itemDoubleClicked, this,
            &IconPickerDialog::onItemDoubleClicked);
    connect(m_tree, &QTreeWidget::itemSelectionChanged, this,
            &IconPickerDialog::onSelectionChanged);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_search);
    layout->addWidget(m_tree, 1);
    layout->addWidget(m_buttons);
}

// Categories holding a match open so that every match is in sight; an empty search shows
// every picture again and folds the categories back.
void IconPickerDialog::onSearchChanged(const QString &text)
{
    const QString needle = text.trimmed();
    for (int i = 0; i < m_tree->topLevelItemCount(); ++i) {
        QTreeWidgetItem *category = m_tree->topLevelItem(i);
        int shown = 0;
        for (int j = 0; j < category->childCount(); ++j) {
            QTreeWidgetItem *icon = category->child(j);
            const bool match = needle.isEmpty() || icon->text(0).contains(needle, Qt::CaseInsensitive);
            icon->setHidden(!match);
            shown += match ? 1 : 0;
        }
        category->setHidden(!needle.isEmpty() && shown == 0);
        category->setExpanded(!needle.isEmpty() && shown > 0);
    }
}

void IconPickerDialog::onItemDoubleClicked(QTreeWidgetItem *item)
{
    if (pathOf(item).isEmpty())
        return;
    m_chosen = pathOf(item);
    accept();
}

void IconPickerDialog::onSelectionChanged()
{
    m_buttons->button(QDialogButtonBox::Ok)->setEnabled(!pathOf(m_tree->selectedItems().value(0)).isEmpty());
}

void IconPickerDialog::onAccepted()
{
    const QString path = pathOf(m_tree->selectedItems().value(0));
    if (path.isEmpty())
        return;
    m_chosen = path;
    accept();
}
