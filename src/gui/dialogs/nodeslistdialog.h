#pragma once

#include "dialogs/recordlistdialog.h"

// The paged list of a tab's nodes (or of a group's members). A double-click opens the node
// form; the record and its canvas item take the accepted result.
class NodesListDialog : public RecordListDialog
{
    Q_OBJECT

public:
    NodesListDialog(Graph &graph, GraphScene *scene, Prompter &prompter,
                    QWidget *parent = nullptr, const QString &title = QString(),
                    const QStringList &restrictTo = QStringList());

protected:
    QStringList matchingIds(const QString &needle, const QList<RecordFilter::Field> &fields,
                            const QStringList &restrictTo) const override;
    QStringList cells(const QString &id) const override;
    QGraphicsObject *canvasItem(const QString &id) const override;
    void editRecord(const QString &id) override;
};
