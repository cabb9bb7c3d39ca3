#include "dialogs/edgeslistdialog.h"

#include "app/prompter.h"
#include "canvas/edgeitem.h"
#include "canvas/graphscene.h"
#include "dialogs/edgeeditdialog.h"
#include "ops/edgeform.h"
#include "ops/nodecommands.h"

using Field = RecordFilter::Field;

EdgesListDialog::EdgesListDialog(const Graph &graph, GraphScene *scene, Prompter &prompter,
                                 QWidget *parent, const QString &title,
                                 const QStringList &restrictTo)
    : RecordListDialog(graph, scene, prompter, restrictTo, parent)
{
    setUp(title.isEmpty() ? QStringLiteral("Liste des relations") : title,
          {QStringLiteral("Label"), QStringLiteral("Type"), QStringLiteral("Source"),
           QStringLiteral("Destination"), QStringLiteral("Direction"),
           QStringLiteral("Description")},
          {{QStringLiteral("Label"), {Field::Label}},
           {QStringLiteral("Label + attributs"), {Field::Label, Field::Attributes}},
           {QStringLiteral("ID"), {Field::Id}},
           {QStringLiteral("Type"), {Field::Type}},
           {QStringLiteral("Source"), {Field::Source}},
           {QStringLiteral("Destination"), {Field::Destination}},
           {QStringLiteral("Attributs"), {Field::Attributes}},
           {QStringLiteral("Description"), {Field::Description}},
           {QStringLiteral("Toutes"),
            {Field::Label, Field::Id, Field::Type, Field::Source, Field::Destination,
             Field::Attributes, Field::Description}}});
}

QStringList EdgesListDialog::matchingIds(const QString &needle, const QList<Field> &fields,
                                         const QStringList &restrictTo) const
{
    return RecordFilter::edgeIds(graph(), needle, fields, restrictTo);
}

QStringList EdgesListDialog::cells(const QString &id) const
{
    if (!graph().hasEdge(id))
        return {};
    const Edge &edge = *graph().edges().constFind(id);
    const auto end = [this](const QString &nodeId) {
        return graph().hasNode(nodeId) ? NodeCommands::displayName(graph().node(nodeId))
                                       : nodeId;
    };
    return {edge.label,     edge.type,
            end(edge.src),  end(edge.dst),
            EdgeForm::directionWord(edge.direction), edge.description.simplified()};
}

QGraphicsObject *EdgesListDialog::canvasItem(const QString &id) const
{
    if (!scene())
        return nullptr;
    for (EdgeItem *item : scene()->edgeItems()) {
        if (item->id() == id)
            return item;
    }
    return nullptr;
}

void EdgesListDialog::editRecord(const QString &id)
{
    if (!graph().hasEdge(id))
        return;
    QStringList ids = RecordFilter::nodeIds(graph(), QString(), {});
    QStringList names;
    for (const QString &nodeId : std::as_const(ids))
        names.append(NodeCommands::displayName(graph().node(nodeId)));
    EdgeEditDialog editor(graph().edge(id), ids, names, &graph(), prompter(), this);
    if (prompter().exec(editor) != QDialog::Accepted)
        return;
    Q_EMIT edgeEdited(editor.edge());
    refreshRow(id);
}
