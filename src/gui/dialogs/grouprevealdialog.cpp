#include "dialogs/grouprevealdialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

GroupRevealDialog::GroupRevealDialog(const QStringList &groupLabels, QWidget *parent)
    : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Nœuds filtrés dans des groupes"));
    auto *layout = new QVBoxLayout(this);
    auto *text = new QLabel(QStringLiteral("Des nœuds visibles appartiennent à un ou plusieurs "
                                           "groupes.\nQue souhaitez-vous afficher ?"),
                            this);
    text->setWordWrap(true);
    layout->addWidget(text);
    auto *groups = new QLabel(
        QStringLiteral("Groupes concernés : %1").arg(groupLabels.join(QStringLiteral(", "))),
        this);
    groups->setObjectName(QStringLiteral("groupsLabel"));
    groups->setWordWrap(true);
    groups->setStyleSheet(QStringLiteral("color: grey; font-size: 11px;"));
    layout->addWidget(groups);

    auto *row = new QHBoxLayout;
    const struct
    {
        const char *text;
        Choice choice;
    } entries[] = {{"Afficher le groupe", ShowGroup},
                   {"Afficher seulement le nœud", ShowNodeOnly},
                   {"Dégrouper visuellement (halo)", HaloOnly}};
    for (const auto &entry : entries) {
        auto *button = new QPushButton(QString::fromUtf8(entry.text), this);
        const Choice choice = entry.choice;
        connect(button, &QPushButton::clicked, this, [this, choice]() { choose(choice); });
        row->addWidget(button);
    }
    auto *cancel = new QPushButton(QStringLiteral("Annuler"), this);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    row->addWidget(cancel);
    layout->addLayout(row);
}

void GroupRevealDialog::choose(Choice choice)
{
    m_choice = choice;
    accept();
}
