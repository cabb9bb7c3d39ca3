#include "dialogs/selectgroupdialog.h"

#include "app/prompter.h"
#include "model/graph.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QVBoxLayout>

#include <algorithm>

SelectGroupDialog::SelectGroupDialog(const Graph &graph, QWidget *parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Choisir un groupe"));
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Sélectionnez le groupe cible :"), this));
    m_groups = new QComboBox(this);
    QList<const Node *> groups;
    for (const Node &node : graph.nodes()) {
        if (node.isGroup)
            groups.append(&node);
    }
    std::sort(groups.begin(), groups.end(), [](const Node *a, const Node *b) {
        const int byLabel = QString::localeAwareCompare(a->label.trimmed(), b->label.trimmed());
        return byLabel != 0 ? byLabel < 0 : a->id < b->id;
    });
    for (const Node *group : std::as_const(groups))
        m_groups->addItem(QStringLiteral("%1  —  %2").arg(group->label.trimmed(), group->id),
                          group->id);
    layout->addWidget(m_groups);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

std::optional<QString> SelectGroupDialog::selectedGroupId() const
{
    if (m_groups->currentIndex() < 0)
        return std::nullopt;
    return m_groups->currentData().toString();
}

bool SelectGroupDialog::setSelectedGroupId(const QString &groupId)
{
    const int index = m_groups->findData(groupId);
    if (index < 0)
        return false;
    m_groups->setCurrentIndex(index);
    return true;
}

int SelectGroupDialog::groupCount() const
{
    return m_groups->count();
}

std::optional<QString> SelectGroupDialog::chooseGroup(Prompter &prompter, const Graph &graph,
                                                      QWidget *parent)
{
    SelectGroupDialog dialog(graph, parent);
    if (prompter.exec(dialog) != QDialog::Accepted)
        return std::nullopt;
    return dialog.selectedGroupId();
}
