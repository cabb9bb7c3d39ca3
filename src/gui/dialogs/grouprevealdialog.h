#pragma once

#include <QDialog>

// Asked when nodes that match a filter sit inside collapsed groups: show the whole group,
// only the node, or the node with a halo while the group stays collapsed.
class GroupRevealDialog : public QDialog
{
    Q_OBJECT

public:
    enum Choice { NoChoice = 0, ShowGroup = 1, ShowNodeOnly = 2, HaloOnly = 3 };

    explicit GroupRevealDialog(const QStringList &groupLabels, QWidget *parent = nullptr);

    Choice choice() const { return m_choice; }
    // Accepts the dialog with that choice, as its button does.
    void choose(Choice choice);

private:
    Choice m_choice = NoChoice;
};
