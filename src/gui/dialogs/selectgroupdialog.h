#pragma once

#include <QDialog>

#include <optional>

class Graph;
class Prompter;
class QComboBox;

// Asks for the group that nodes should join, among the group nodes of a tab.
class SelectGroupDialog : public QDialog
{
    Q_OBJECT

public:
    explicit SelectGroupDialog(const Graph &graph, QWidget *parent = nullptr);

    // The chosen group's id; nothing when the tab has no group.
    std::optional<QString> selectedGroupId() const;
    // Selects the entry of that group; false when it is not offered.
    bool setSelectedGroupId(const QString &groupId);
    int groupCount() const;

    // Runs the dialog through the prompter: the chosen id, or nothing when cancelled or when
    // the tab has no group.
    static std::optional<QString> chooseGroup(Prompter &prompter, const Graph &graph,
                                              QWidget *parent = nullptr);

private:
    QComboBox *m_groups = nullptr;
};
