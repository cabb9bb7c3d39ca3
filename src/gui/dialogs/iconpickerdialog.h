#pragma once

#include "ops/iconlibrary.h"

#include <QDialog>

class QDialogButtonBox;
class QLineEdit;
class QTreeWidget;
class QTreeWidgetItem;

// Chooses one picture of the icon library: categories as collapsed rows, pictures shown at
// 48 × 48, a search over every category.
class IconPickerDialog : public QDialog
{
    Q_OBJECT

public:
    explicit IconPickerDialog(const QList<IconLibrary::Category> &categories,
                              QWidget *parent = nullptr);

    // Absolute path of the chosen picture; empty until one is chosen.
    QString chosenPath() const { return m_chosen; }

public Q_SLOTS:
    void onSearchChanged(const QString &text);

private:
    void onItemDoubleClicked(QTreeWidgetItem *item);
    void onSelectionChanged();
    void onAccepted();

    QLineEdit *m_search = nullptr;
    QTreeWidget *m_tree = nullptr;
    QDialogButtonBox *m_buttons = nullptr;
    QString m_chosen;
};
