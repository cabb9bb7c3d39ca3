#include "ops/clipboardformat.h"

#include "model/textforms.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMimeData>

#include <utility>
#include <vector>

namespace ClipboardFormat {

namespace {

// Each member's value as JSON text, in the order written.
using Members = std::vector<std::pair<QString, QByteArray>>;

// QJsonObject sorts its keys; the clipboard keeps the documented order, so objects are
// written member by member, each value through QJsonDocument for its escaping.
QByteArray valueText(const QJsonValue &value)
{
    const QByteArray wrapped = QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact);
    return wrapped.mid(1, wrapped.size() - 2);
}

QByteArray objectText(const Members &members)
{
    QByteArray out("{");
    for (const auto &[key, value] : members) {
        if (out.size() > 1)
            out += ',';
        out += valueText(key) + ':' + value;
    }
    return out + '}';
}

QByteArray arrayText(const QList<QByteArray> &items)
{
    return '[' + items.join(',') + ']';
}

} // namespace

QString mimeType()
{
    return QStringLiteral("application/x-orvane-node");
}

QByteArray toJson(const Node &node)
{
    Members members{{QStringLiteral("id"), valueText(node.id)},
                    {QStringLiteral("label"), valueText(node.label)},
                    {QStringLiteral("type"), valueText(node.type)},
                    {QStringLiteral("shape"), valueText(TextForms::shapeToText(node.shape))}};
    if (node.color.isValid())
        members.emplace_back(QStringLiteral("color"),
                             valueText(TextForms::colorToText(node.color)));
    members.emplace_back(QStringLiteral("size"), valueText(node.size));
    members.emplace_back(QStringLiteral("description"), valueText(node.description));
    members.emplace_back(QStringLiteral("showLabel"), valueText(node.showLabel));
    members.emplace_back(QStringLiteral("anchored"), valueText(node.anchored));
    members.emplace_back(QStringLiteral("mediaPath"), valueText(node.mediaPath));
    if (node.validity.start.isValid())
        members.emplace_back(QStringLiteral("validStart"),
                             valueText(TextForms::dateTimeToText(node.validity.start)));
    if (node.validity.end.isValid())
        members.emplace_back(QStringLiteral("validEnd"),
                             valueText(TextForms::dateTimeToText(node.validity.end)));
    QList<QByteArray> attrs;
    for (const AttributeRow &row : node.attributes)
        attrs.append(objectText({{QStringLiteral("key"), valueText(row.key)},
                                 {QStringLiteral("value"), valueText(row.value)}}));
    members.emplace_back(QStringLiteral("attrs"), arrayText(attrs));
    QList<QByteArray> medias;
    for (const MediaRecord &media : node.medias)
        medias.append(objectText({{QStringLiteral("name"), valueText(media.name)},
                                  {QStringLiteral("file"), valueText(media.file)}}));
    members.emplace_back(QStringLiteral("medias"), arrayText(medias));
    members.emplace_back(QStringLiteral("x"), valueText(node.pos.x()));
    members.emplace_back(QStringLiteral("y"), valueText(node.pos.y()));
    return objectText(members);
}

std::optional<Node> fromJson(const QByteArray &json)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    const QJsonObject object = document.object();
    Node node;
    node.id = object.value(u"id").toString(node.id);
    node.label = object.value(u"label").toString(node.label);
    node.type = object.value(u"type").toString(node.type);
    if (object.contains(u"shape"))
        node.shape = TextForms::parseShapeName(object.value(u"shape").toString());
    if (object.contains(u"color")) {
        const QColor color = TextForms::parseColor(object.value(u"color").toString());
        if (color.isValid())
            node.color = color;
    }
    node.size = object.value(u"size").toDouble(node.size);
    node.description = object.value(u"description").toString(node.description);
    node.showLabel = object.value(u"showLabel").toBool(node.showLabel);
    node.anchored = object.value(u"anchored").toBool(node.anchored);
    node.mediaPath = object.value(u"mediaPath").toString(node.mediaPath);
    node.validity.start = TextForms::parseDateTime(object.value(u"validStart").toString());
    node.validity.end = TextForms::parseDateTime(object.value(u"validEnd").toString());
    for (const QJsonValue &value : object.value(u"attrs").toArray()) {
        const QJsonObject row = value.toObject();
        node.attributes.append(
            {QString(), row.value(u"key").toString(), row.value(u"value").toString()});
    }
    for (const QJsonValue &value : object.value(u"medias").toArray()) {
        const QJsonObject row = value.toObject();
        MediaRecord media;
        media.name = row.value(u"name").toString();
        media.file = row.value(u"file").toString();
        node.medias.append(media);
    }
    node.pos = QPointF(object.value(u"x").toDouble(node.pos.x()),
                       object.value(u"y").toDouble(node.pos.y()));
    return node;
}

QMimeData *toMimeData(const Node &node)
{
    auto *data = new QMimeData;
    data->setData(mimeType(), toJson(node));
    data->setText(node.label);
    return data;
}

std::optional<Node> fromMimeData(const QMimeData *data)
{
    if (!data || !data->hasFormat(mimeType()))
        return std::nullopt;
    return fromJson(data->data(mimeType()));
}

} // namespace ClipboardFormat
