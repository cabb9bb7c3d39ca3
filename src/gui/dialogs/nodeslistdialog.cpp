#include "dialogs/nodeslistdialog.h"

#include "app/prompter.h"
#include "canvas/graphscene.h"
#include "canvas/nodeitem.h"
#include "dialogs/nodeeditdialog.h"
#include "model/textforms.h"
#include "ops/nodecommands.h"

using Field = RecordFilter::Field;

NodesListDialog::NodesListDialog(const Graph &graph, GraphScene *scene, Prompter &prompter,
                                 QWidget *parent, const QString &title,
                                 const QStringList &restrictTo)
    : RecordListDialog(graph, scene, prompter, restrictTo, parent)
{
    setUp(title.isEmpty() ? QStringLiteral("Liste des nœuds") : title,
          {QStringLiteral("Label"), QStringLiteral("Type"), QStringLiteral("Forme"),
           QStringLiteral("Attributs"), QStringLiteral("Médias"), QStringLiteral("Description")},
          {{QStringLiteral("Label"), {Field::Label}},
           {QStringLiteral("Label + attributs"), {Field::Label, Field::Attributes}},
           {QStringLiteral("ID"), {Field::Id}},
           {QStringLiteral("Type"), {Field::Type}},
           {QStringLiteral("Attributs"), {Field::Attributes}},
           {QStringLiteral("Description"), {Field::Description}},
           {QStringLiteral("Toutes"),
            {Field::Label, Field::Id, Field::Type, Field::Attributes, Field::Description}}});
}

QStringList NodesListDialog::matchingIds(const QString &needle, const QList<Field> &fields,
                                         const QStringList &restrictTo) const
{
    return RecordFilter::nodeIds(graph(), needle, fields, restrictTo);
}

QStringList NodesListDialog::cells(const QString &id) const
{
    if (!graph().hasNode(id))
        return {};
    const Node &node = *graph().nodes().constFind(id);
    return {node.label,
            node.type,
            TextForms::shapeToText(node.shape),
            QString::number(node.attributes.size()),
            QString::number(node.medias.size()),
            node.description.simplified()};
}

QGraphicsObject *NodesListDialog::canvasItem(const QString &id) const
{
    return scene() ? scene()->nodeItem(id) : nullptr;
}

void NodesListDialog::editRecord(const QString &id)
{
    if (!graph().hasNode(id))
        return;
    NodeEditDialog editor(graph().node(id), &graph(), prompter(), this);
    if (prompter().exec(editor) != QDialog::Accepted)
        return;
    Q_EMIT nodeEdited(editor.node());
    refreshRow(id);
}
