#include "dialogs/anonymisedialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QVBoxLayout>

AnonymiseDialog::AnonymiseDialog(QWidget *parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Anonymisation"));
    auto *layout = new QVBoxLayout(this);
    const auto box = [layout](const QString &text) {
        auto *check = new QCheckBox(text);
        check->setChecked(true);
        layout->addWidget(check);
        return check;
    };
    m_nodes = box(QStringLiteral("Anonymiser les nœuds"));
    m_relations = box(QStringLiteral("Anonymiser les relations"));
    m_shapes = box(QStringLiteral("Anonymiser les formes"));
    m_images = box(QStringLiteral("Anonymiser les images"));
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

Anonymiser::Options AnonymiseDialog::options() const
{
    return {m_nodes->isChecked(), m_relations->isChecked(), m_shapes->isChecked(),
            m_images->isChecked()};
}
