#include "api/apihandlers.h"

#include "api/apijson.h"
#include "model/textforms.h"
#include "storage/filesafety.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSaveFile>
#include <QSet>

#include <algorithm>
#include <cmath>

namespace ApiHandlers {

namespace {

// Members whose text is a name, a label or a path rather than free text.
bool isShortField(const QString &key)
{
    static const QSet<QString> shortFields = {
        QStringLiteral("label"),  QStringLiteral("type"),       QStringLiteral("shape"),
        QStringLiteral("color"),  QStringLiteral("dir"),        QStringLiteral("src"),
        QStringLiteral("dst"),    QStringLiteral("mediaPath"),  QStringLiteral("parentGroup"),
        QStringLiteral("name"),   QStringLiteral("investigationPath"), QStringLiteral("start"),
        QStringLiteral("end")};
    return shortFields.contains(key);
}

// True when every text of the value, at any depth, is within its bound: attribute names
// and short fields are names, everything else free text.
bool textsWithinBounds(const QJsonValue &value, qsizetype bound)
{
    if (value.isString())
        return value.toString().size() <= bound;
    if (value.isArray()) {
        const QJsonArray array = value.toArray();
        return std::all_of(array.begin(), array.end(),
                           [](const QJsonValue &item) { return textsWithinBounds(item, kMaxShortText); });
    }
    if (value.isObject()) {
        const QJsonObject object = value.toObject();
        for (auto it = object.constBegin(); it != object.constEnd(); ++it) {
            if (it.key().size() > kMaxShortText
                || !textsWithinBounds(it.value(), isShortField(it.key()) ? kMaxShortText
                                                                          : kMaxLongText))
                return false;
        }
    }
    return true;
}

// The body as a JSON object, or nothing when it is not one or a text in it is too long.
std::optional<QJsonObject> bodyObject(const ApiRequest &request)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(request.body, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    const QJsonObject object = document.object();
    if (!textsWithinBounds(object, kMaxLongText))
        return std::nullopt;
    return object;
}

// A finite number of the body clamped to the range the forms offer; anything else keeps
// the current value.
double clampedNumber(const QJsonValue &value, double current, double low, double high)
{
    const double number = value.toDouble(current);
    return std::isfinite(number) ? std::clamp(number, low, high) : current;
}

QString trimmedText(const QJsonValue &value)
{
    return value.toString().trimmed();
}

// Reads {"x","y"} into a point; members that are not numbers keep their coordinate.
void readPoint(const QJsonValue &value, const QString &name, QPointF &point,
               QStringList &updated)
{
    const QJsonObject object = value.toObject();
    if (object.contains(QLatin1String("x"))) {
        point.setX(object.value(QLatin1String("x")).toDouble(point.x()));
        updated.append(name + QStringLiteral(".x"));
    }
    if (object.contains(QLatin1String("y"))) {
        point.setY(object.value(QLatin1String("y")).toDouble(point.y()));
        updated.append(name + QStringLiteral(".y"));
    }
}

// Reads {"start","end"}; a bound that is not an ISO 8601 date-time becomes absent.
void readValidity(const QJsonValue &value, Validity &validity, QStringList &updated)
{
    const QJsonObject object = value.toObject();
    if (object.contains(QLatin1String("start"))) {
        validity.start = TextForms::parseDateTime(trimmedText(object.value(QLatin1String("start"))));
        updated.append(QStringLiteral("validity.start"));
    }
    if (object.contains(QLatin1String("end"))) {
        validity.end = TextForms::parseDateTime(trimmedText(object.value(QLatin1String("end"))));
        updated.append(QStringLiteral("validity.end"));
    }
}

QList<AttributeRow> attributeRows(const QJsonValue &value)
{
    QList<AttributeRow> rows;
    const QJsonObject object = value.toObject();
    for (auto it = object.constBegin(); it != object.constEnd(); ++it)
        rows.append({TextForms::newId(), it.key(), ApiJson::valueText(it.value())});
    return rows;
}

QStringList memberIds(const QJsonArray &array)
{
    QStringList ids;
    for (const QJsonValue &value : array) {
        const QString id = trimmedText(value);
        if (!id.isEmpty() && !ids.contains(id))
            ids.append(id);
    }
    return ids;
}

enum class Mode { Create, Update };

// Sets the node fields named in the body, in the order of the update's "updated" list. A
// creation reads only the fields a new node is described by.
QStringList applyNode(const QJsonObject &body, Node &node, Mode mode)
{
    QStringList updated;
    auto has = [&](const char *key, bool onCreate) {
        if (mode == Mode::Create && !onCreate)
            return false;
        if (!body.contains(QLatin1String(key)))
            return false;
        if (mode == Mode::Update && qstrcmp(key, "pos") != 0 && qstrcmp(key, "validity") != 0
            && qstrcmp(key, "groupOffset") != 0)
            updated.append(QLatin1String(key));
        return true;
    };
    auto value = [&](const char *key) { return body.value(QLatin1String(key)); };

    if (has("label", true))
        node.label = trimmedText(value("label"));
    if (has("type", true))
        node.type = trimmedText(value("type"));
    if (has("mediaPath", false))
        node.mediaPath = trimmedText(value("mediaPath"));
    if (has("description", true))
        node.description = trimmedText(value("description"));
    if (has("shape", true))
        node.shape = TextForms::parseShapeName(value("shape").toString());
    if (has("color", true)) {
        // A node always has a fill: a text that names no colour leaves it as it was.
        const QColor color = TextForms::parseColor(trimmedText(value("color")));
        if (color.isValid())
            node.color = color;
    }
    if (has("size", true))
        node.size = clampedNumber(value("size"), node.size, 0.25, 5.0);
    if (has("pos", true))
        readPoint(value("pos"), QStringLiteral("pos"), node.pos, updated);
    if (has("validity", true))
        readValidity(value("validity"), node.validity, updated);
    if (has("showLabel", true))
        node.showLabel = value("showLabel").toBool(node.showLabel);
    if (has("anchored", true))
        node.anchored = value("anchored").toBool(node.anchored);
    if (has("visible", true))
        node.visible = value("visible").toBool(node.visible);
    if (has("hypothesis", true))
        node.hypothesis = value("hypothesis").toBool(node.hypothesis);
    if (has("isGroup", false))
        node.isGroup = value("isGroup").toBool(node.isGroup);
    if (has("groupMembers", false) && value("groupMembers").isArray())
        node.groupMembers = memberIds(value("groupMembers").toArray());
    if (has("parentGroup", false))
        node.parentGroup = trimmedText(value("parentGroup"));
    if (has("groupOffset", false))
        readPoint(value("groupOffset"), QStringLiteral("groupOffset"), node.groupOffset, updated);
    if (has("expanded", false))
        node.expanded = value("expanded").toBool(node.expanded);
    if (has("isInvestigationLink", false))
        node.isInvestigationLink = value("isInvestigationLink").toBool(node.isInvestigationLink);
    if (has("investigationPath", false))
        node.investigationPath = trimmedText(value("investigationPath"));
    if (mode == Mode::Create && body.contains(QLatin1String("attrs")))
        node.attributes = attributeRows(value("attrs"));
    return updated;
}

QStringList applyEdge(const QJsonObject &body, Edge &edge, Mode mode)
{
    QStringList updated;
    auto has = [&](const char *key) {
        if (!body.contains(QLatin1String(key)))
            return false;
        if (mode == Mode::Update && qstrcmp(key, "validity") != 0)
            updated.append(QLatin1String(key));
        return true;
    };
    auto value = [&](const char *key) { return body.value(QLatin1String(key)); };

    if (has("label"))
        edge.label = trimmedText(value("label"));
    if (has("type"))
        edge.type = trimmedText(value("type"));
    if (has("dir"))
        edge.direction = TextForms::parseDirection(value("dir").toString());
    if (has("description"))
        edge.description = trimmedText(value("description"));
    if (has("validity"))
        readValidity(value("validity"), edge.validity, updated);
    // A relation may have no colour: a text that names none clears it.
    if (has("color"))
        edge.color = TextForms::parseColor(trimmedText(value("color")));
    if (has("width"))
        edge.width = clampedNumber(value("width"), edge.width, 0.5, 12.0);
    if (has("showLabel"))
        edge.showLabel = value("showLabel").toBool(edge.showLabel);
    if (has("visible"))
        edge.visible = value("visible").toBool(edge.visible);
    if (has("hypothesis"))
        edge.hypothesis = value("hypothesis").toBool(edge.hypothesis);
    if (mode == Mode::Create && body.contains(QLatin1String("attrs")))
        edge.attributes = attributeRows(value("attrs"));
    return updated;
}

// Sets the attribute named in the body on rows: the first row with that key gets the value,
// or a new row is appended. Fills name and value; false when the body is not acceptable.
bool setAttribute(const ApiRequest &request, QList<AttributeRow> &rows, QString *name,
                  QString *value)
{
    const std::optional<QJsonObject> body = bodyObject(request);
    if (!body)
        return false;
    *name = trimmedText(body->value(QLatin1String("name")));
    if (name->isEmpty())
        return false;
    *value = ApiJson::valueText(body->value(QLatin1String("value")));
    for (AttributeRow &row : rows) {
        if (row.key == *name) {
            row.value = *value;
            return true;
        }
    }
    rows.append({TextForms::newId(), *name, *value});
    return true;
}

ApiReply attributeAnswer(const RouteContext &context, const QString &id, const QString &name,
                         const QString &value)
{
    QJsonObject answer = context.envelope();
    answer.insert(QStringLiteral("id"), id);
    answer.insert(QStringLiteral("name"), name);
    answer.insert(QStringLiteral("value"), value);
    return ApiReply::json(answer);
}

ApiReply updatedAnswer(const RouteContext &context, const QString &id, const QStringList &updated)
{
    QJsonObject answer = context.envelope();
    answer.insert(QStringLiteral("id"), id);
    answer.insert(QStringLiteral("updated"), QJsonArray::fromStringList(updated));
    return ApiReply::json(answer);
}

ApiReply idAnswer(const RouteContext &context, const QString &id, int status = 200)
{
    QJsonObject answer = context.envelope();
    answer.insert(QStringLiteral("id"), id);
    return ApiReply::json(answer, status);
}

} // namespace

ApiReply createNode(RouteContext &context, Graph &graph)
{
    const std::optional<QJsonObject> body = bodyObject(context.request);
    if (!body)
        return ApiReply::error(400);
    Node node;
    node.id = graph.hasNode(context.newId) ? graph.unusedNodeId() : context.newId;
    applyNode(*body, node, Mode::Create);
    graph.insertNode(node);
    return idAnswer(context, node.id, 201);
}

ApiReply createEdge(RouteContext &context, Graph &graph)
{
    const std::optional<QJsonObject> body = bodyObject(context.request);
    if (!body)
        return ApiReply::error(400);
    Edge edge;
    edge.src = trimmedText(body->value(QLatin1String("src")));
    edge.dst = trimmedText(body->value(QLatin1String("dst")));
    if (!graph.hasNode(edge.src) || !graph.hasNode(edge.dst))
        return ApiReply::error(400);
    edge.id = graph.hasEdge(context.newId) ? graph.unusedEdgeId() : context.newId;
    applyEdge(*body, edge, Mode::Create);
    graph.insertEdge(edge);
    return idAnswer(context, edge.id, 201);
}

ApiReply updateNode(RouteContext &context, Graph &graph)
{
    const QString id = context.param("id");
    if (!graph.hasNode(id))
        return ApiReply::error(404);
    const std::optional<QJsonObject> body = bodyObject(context.request);
    if (!body)
        return ApiReply::error(400);
    Node node = graph.node(id);
    const QStringList updated = applyNode(*body, node, Mode::Update);
    graph.replaceNode(node);
    return updatedAnswer(context, id, updated);
}

ApiReply updateEdge(RouteContext &context, Graph &graph)
{
    const QString id = context.param("id");
    if (!graph.hasEdge(id))
        return ApiReply::error(404);
    const std::optional<QJsonObject> body = bodyObject(context.request);
    if (!body)
        return ApiReply::error(400);
    Edge edge = graph.edge(id);
    const QStringList updated = applyEdge(*body, edge, Mode::Update);
    graph.replaceEdge(edge);
    return updatedAnswer(context, id, updated);
}

ApiReply setNodeAttribute(RouteContext &context, Graph &graph)
{
    const QString id = context.param("id");
    if (!graph.hasNode(id))
        return ApiReply::error(404);
    Node node = graph.node(id);
    QString name;
    QString value;
    if (!setAttribute(context.request, node.attributes, &name, &value))
        return ApiReply::error(400);
    graph.replaceNode(node);
    return attributeAnswer(context, id, name, value);
}

ApiReply setEdgeAttribute(RouteContext &context, Graph &graph)
{
    const QString id = context.param("id");
    if (!graph.hasEdge(id))
        return ApiReply::error(404);
    Edge edge = graph.edge(id);
    QString name;
    QString value;
    if (!setAttribute(context.request, edge.attributes, &name, &value))
        return ApiReply::error(400);
    graph.replaceEdge(edge);
    return attributeAnswer(context, id, name, value);
}

ApiReply deleteNode(RouteContext &context, Graph &graph)
{
    const QString id = context.param("id");
    if (!graph.hasNode(id))
        return ApiReply::error(404);
    const QStringList touching = graph.edgesTouching({id});
    for (const QString &edgeId : touching)
        graph.removeEdge(edgeId);
    graph.removeNode(id);
    QJsonObject answer = context.envelope();
    answer.insert(QStringLiteral("id"), id);
    answer.insert(QStringLiteral("removed_edges"), touching.size());
    return ApiReply::json(answer);
}

ApiReply deleteEdge(RouteContext &context, Graph &graph)
{
    const QString id = context.param("id");
    if (!graph.removeEdge(id))
        return ApiReply::error(404);
    return idAnswer(context, id);
}

QString uploadFileName(const QString &requested)
{
    const QString trimmed = requested.trimmed();
    const QString last = trimmed.mid(qMax(trimmed.lastIndexOf(QLatin1Char('/')),
                                          trimmed.lastIndexOf(QLatin1Char('\\')))
                                     + 1);
    if (last.isEmpty() || last == u"." || last == u"..")
        return QStringLiteral("upload.bin");
    return last;
}

namespace {

// A file name that no file system or log line should receive: control characters (NUL,
// line breaks…) or more bytes than a file name may have.
bool isAcceptableFileName(const QString &name)
{
    if (name.toUtf8().size() > kMaxFileNameBytes)
        return false;
    return std::none_of(name.cbegin(), name.cend(),
                        [](QChar c) { return c.unicode() < 0x20 || c.unicode() == 0x7f; });
}

} // namespace

std::optional<ApiReply> stageUpload(RouteContext &context)
{
    const QByteArray &body = context.request.body;
    if (body.isEmpty())
        return ApiReply::error(400);
    if (body.size() > kMaxUploadBytes)
        return ApiReply::error(413);
    const QString requested = context.rawParam("filename");
    if (!isAcceptableFileName(requested) || context.param("name").size() > kMaxShortText)
        return ApiReply::error(400);
    for (const char *text : {"desc", "tags", "author"}) {
        if (context.rawParam(text).size() > kMaxLongText)
            return ApiReply::error(400);
    }
    context.uploadName = uploadFileName(requested);
    // A folder of its own per upload: two uploads of one name never meet, and removing it
    // leaves nothing behind.
    const QString staging = QDir(context.folder).filePath(QStringLiteral(".staging"));
    if (!FileSafety::resolvesInside(staging, context.folder) || !FileSafety::makeOwnerOnlyPath(staging))
        return ApiReply::error(500);
    const QString folder = QDir(staging).filePath(TextForms::newId());
    if (!FileSafety::makeOwnerOnlyPath(folder))
        return ApiReply::error(500);
    context.stagingFolder = folder;
    // Written aside and renamed into place, so a failed upload leaves no partial file.
    QSaveFile file(QDir(folder).filePath(context.uploadName));
    if (!file.open(QIODevice::WriteOnly) || file.write(body) != body.size() || !file.commit())
        return ApiReply::error(500);
    context.stagedFile = file.fileName();
    return std::nullopt;
}

ApiReply attachMedia(RouteContext &context, Graph &graph)
{
    const QString id = context.param("id");
    if (!graph.hasNode(id))
        return ApiReply::error(404);
    const QDateTime &now = context.now;
    QString name = context.param("name");
    if (name.isEmpty())
        name = QFileInfo(context.uploadName).completeBaseName();
    if (name.isEmpty())
        name = QStringLiteral("media_%1").arg(now.toString(QStringLiteral("yyyyMMdd_HHmmss")));

    MediaRecord media;
    media.name = name;
    media.file = context.stagedFile;
    media.description = context.rawParam("desc");
    media.tags = context.rawParam("tags");
    media.author = context.rawParam("author");
    media.date = now;
    // Lets "/api/media?sha=" find what was uploaded here.
    media.sha256 = QString::fromLatin1(
        QCryptographicHash::hash(context.request.body, QCryptographicHash::Sha256).toHex());

    Node node = graph.node(id);
    node.medias.removeIf([&](const MediaRecord &existing) {
        return existing.name.compare(name, Qt::CaseInsensitive) == 0;
    });
    node.medias.append(media);
    graph.replaceNode(node);

    QJsonObject answer = context.envelope();
    answer.insert(QStringLiteral("node_id"), id);
    answer.insert(QStringLiteral("name"), name);
    answer.insert(QStringLiteral("stored"), QStringLiteral("nodes/%1/medias/<filename>").arg(id));
    return ApiReply::json(answer);
}

} // namespace ApiHandlers
