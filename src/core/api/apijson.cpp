#include "api/apijson.h"

#include "model/textforms.h"

#include <QJsonArray>
#include <QJsonDocument>

namespace ApiJson {

namespace {

QJsonObject validityObject(const Validity &validity)
{
    QJsonObject object;
    if (validity.start.isValid())
        object.insert(QStringLiteral("start"), TextForms::dateTimeToText(validity.start));
    if (validity.end.isValid())
        object.insert(QStringLiteral("end"), TextForms::dateTimeToText(validity.end));
    return object;
}

QJsonObject attributesObject(const QList<AttributeRow> &rows)
{
    QJsonObject object;
    for (const AttributeRow &row : rows)
        object.insert(row.key, row.value);
    return object;
}

} // namespace

QString colorText(const QColor &color)
{
    return color.isValid() ? color.name(QColor::HexArgb) : QString(QLatin1String(""));
}

QJsonObject nodeShort(const Node &node)
{
    return QJsonObject{{QStringLiteral("id"), node.id},
                       {QStringLiteral("label"), node.label},
                       {QStringLiteral("type"), node.type}};
}

QJsonObject nodeFull(const Node &node)
{
    QJsonArray medias;
    for (const MediaRecord &media : node.medias) {
        QJsonObject object{{QStringLiteral("name"), media.name},
                           {QStringLiteral("path"), media.file},
                           {QStringLiteral("tags"), media.tags},
                           {QStringLiteral("author"), media.author},
                           {QStringLiteral("sha256"), media.sha256}};
        if (media.date.isValid())
            object.insert(QStringLiteral("date"), TextForms::dateTimeToText(media.date));
        medias.append(object);
    }
    return QJsonObject{
        {QStringLiteral("id"), node.id},
        {QStringLiteral("label"), node.label},
        {QStringLiteral("type"), node.type},
        {QStringLiteral("shape"), TextForms::shapeToText(node.shape)},
        {QStringLiteral("color"), colorText(node.color)},
        {QStringLiteral("size"), node.size},
        {QStringLiteral("mediaPath"), node.mediaPath},
        {QStringLiteral("description"), node.description},
        {QStringLiteral("validity"), validityObject(node.validity)},
        {QStringLiteral("pos"),
         QJsonObject{{QStringLiteral("x"), node.pos.x()}, {QStringLiteral("y"), node.pos.y()}}},
        {QStringLiteral("showLabel"), node.showLabel},
        {QStringLiteral("anchored"), node.anchored},
        {QStringLiteral("visible"), node.visible},
        {QStringLiteral("hypothesis"), node.hypothesis},
        {QStringLiteral("isGroup"), node.isGroup},
        {QStringLiteral("groupMembers"), QJsonArray::fromStringList(node.groupMembers)},
        {QStringLiteral("parentGroup"), node.parentGroup},
        {QStringLiteral("expanded"), node.expanded},
        {QStringLiteral("isInvestigationLink"), node.isInvestigationLink},
        {QStringLiteral("investigationPath"), node.investigationPath},
        {QStringLiteral("attrs"), attributesObject(node.attributes)},
        {QStringLiteral("medias"), medias},
    };
}

QJsonObject edgeShort(const Edge &edge)
{
    return QJsonObject{{QStringLiteral("id"), edge.id},
                       {QStringLiteral("src"), edge.src},
                       {QStringLiteral("dst"), edge.dst},
                       {QStringLiteral("label"), edge.label},
                       {QStringLiteral("type"), edge.type},
                       {QStringLiteral("dir"), TextForms::directionToText(edge.direction)}};
}

QJsonObject edgeFull(const Edge &edge)
{
    return QJsonObject{
        {QStringLiteral("id"), edge.id},
        {QStringLiteral("src"), edge.src},
        {QStringLiteral("dst"), edge.dst},
        {QStringLiteral("label"), edge.label},
        {QStringLiteral("showLabel"), edge.showLabel},
        {QStringLiteral("type"), edge.type},
        {QStringLiteral("dir"), TextForms::directionToText(edge.direction)},
        {QStringLiteral("description"), edge.description},
        {QStringLiteral("validity"), validityObject(edge.validity)},
        {QStringLiteral("color"), colorText(edge.color)},
        {QStringLiteral("width"), edge.width},
        {QStringLiteral("visible"), edge.visible},
        {QStringLiteral("hypothesis"), edge.hypothesis},
        {QStringLiteral("attrs"), attributesObject(edge.attributes)},
    };
}

QJsonObject mediaListed(const QString &nodeId, const MediaRecord &media)
{
    return QJsonObject{{QStringLiteral("node_id"), nodeId},
                       {QStringLiteral("name"), media.name},
                       {QStringLiteral("sha256"), media.sha256}};
}

QJsonObject mediaFull(const QString &nodeId, const MediaRecord &media)
{
    return QJsonObject{{QStringLiteral("node_id"), nodeId},
                       {QStringLiteral("name"), media.name},
                       {QStringLiteral("path"), media.file},
                       {QStringLiteral("description"), media.description},
                       {QStringLiteral("tags"), media.tags},
                       {QStringLiteral("date"), TextForms::dateTimeToText(media.date)},
                       {QStringLiteral("author"), media.author},
                       {QStringLiteral("sha256"), media.sha256}};
}

QStringList parseFields(const QString &fields)
{
    QStringList keys;
    const QStringList parts = fields.split(QLatin1Char(','), Qt::SkipEmptyParts);
    for (const QString &part : parts) {
        const QString key = part.trimmed();
        if (!key.isEmpty())
            keys.append(key);
    }
    return keys;
}

QJsonObject selectFields(const QJsonObject &object, const QStringList &fields)
{
    if (fields.isEmpty())
        return object;
    QJsonObject selected;
    for (const QString &key : fields) {
        const auto it = object.constFind(key);
        if (it != object.constEnd())
            selected.insert(key, *it);
    }
    return selected;
}

QString valueText(const QJsonValue &value)
{
    switch (value.type()) {
    case QJsonValue::String: return value.toString();
    case QJsonValue::Double: return QString::number(value.toDouble(), 'g', 6);
    case QJsonValue::Bool: return value.toBool() ? QStringLiteral("true") : QStringLiteral("false");
    case QJsonValue::Object:
        return QString::fromUtf8(QJsonDocument(value.toObject()).toJson(QJsonDocument::Compact));
    case QJsonValue::Array:
        return QString::fromUtf8(QJsonDocument(value.toArray()).toJson(QJsonDocument::Compact));
    case QJsonValue::Null:
    case QJsonValue::Undefined: break;
    }
    return QString(QLatin1String(""));
}

} // namespace ApiJson
