#pragma once

#include "dialogs/recordlistdialog.h"

// The paged list of a tab's nodes (or of a group's members). A double-click opens the node
// form; an accepted result is reported by nodeEdited for the window to apply.
class NodesListDialog : public RecordListDialog
{
    Q_OBJECT

public:
    NodesListDialog(const Graph &graph, GraphScene *scene, Prompter &prompter,
                    QWidget *parent = nullptr, const QString &title = QString(),
                    const QStringList &restrictTo = QStringList());

Q_SIGNALS:
    void nodeEdited(const Node &node);

protected:
    QStringList matchingIds(const QString &needle, const QList<RecordFilter::Field> &fields,
                            const QStringList &restrictTo) const override;
    QStringList cells(const QString &id) const override;
    QGraphicsObject *canvasItem(const QString &id) const override;
    void editRecord(const QString &id) override;
};
