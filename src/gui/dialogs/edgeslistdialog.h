#pragma once

#include "dialogs/recordlistdialog.h"

// The paged list of a tab's relations (or of those between a group's members). A
// double-click opens the relation form and hands the accepted result to edgeEdited, whose
// receiver checks the ends and stores it.
class EdgesListDialog : public RecordListDialog
{
    Q_OBJECT

public:
    EdgesListDialog(const Graph &graph, GraphScene *scene, Prompter &prompter,
                    QWidget *parent = nullptr, const QString &title = QString(),
                    const QStringList &restrictTo = QStringList());

Q_SIGNALS:
    void edgeEdited(const Edge &edge);

protected:
    QStringList matchingIds(const QString &needle, const QList<RecordFilter::Field> &fields,
                            const QStringList &restrictTo) const override;
    QStringList cells(const QString &id) const override;
    QGraphicsObject *canvasItem(const QString &id) const override;
    void editRecord(const QString &id) override;
};
