// Builds the demo investigation from its readable source: operation-brume.json plus the
// files it names. The node picture is drawn here.
#include "model/graph.h"
#include "model/scenerecords.h"
#include "model/textforms.h"
#include "ops/grouping.h"
#include "storage/projectfiles.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPainter>
#include <QPainterPath>
#include <QTextStream>

namespace {

QImage drawRaven()
{
    QImage image(256, 256, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    QRadialGradient sky(128, 100, 180);
    sky.setColorAt(0, QColor(120, 130, 150));
    sky.setColorAt(1, QColor(40, 44, 58));
    painter.setBrush(sky);
    painter.setPen(Qt::NoPen);
    painter.drawRect(image.rect());
    painter.setBrush(QColor(18, 18, 22));
    QPainterPath body;
    body.moveTo(40, 150);
    body.cubicTo(80, 90, 150, 80, 190, 110);   // back
    body.lineTo(236, 104);                       // beak
    body.lineTo(196, 128);
    body.cubicTo(180, 170, 130, 190, 90, 180);   // belly
    body.lineTo(60, 214);                        // tail
    body.lineTo(70, 176);
    body.closeSubpath();
    painter.drawPath(body);
    QPainterPath wing;
    wing.moveTo(90, 130);
    wing.cubicTo(110, 60, 150, 40, 170, 50);
    wing.cubicTo(150, 90, 140, 120, 120, 150);
    wing.closeSubpath();
    painter.setBrush(QColor(34, 34, 42));
    painter.drawPath(wing);
    painter.setBrush(QColor(230, 190, 60));
    painter.drawEllipse(QPointF(186, 112), 5, 5);
    return image;
}

QDateTime dateField(const QJsonObject &object, const char *key)
{
    return TextForms::parseDateTime(object.value(QLatin1String(key)).toString());
}

QList<AttributeRow> attributes(const QJsonObject &object)
{
    QList<AttributeRow> rows;
    for (const QJsonValue &pair : object.value(QStringLiteral("attrs")).toArray())
        rows.append({QString(), pair[0].toString(), pair[1].toString()});
    return rows;
}

} // namespace

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    QTextStream err(stderr);
    if (argc != 3) {
        err << "usage: orvane-demo-builder SOURCE.json OUTPUT_DIR\n";
        return 2;
    }
    const QString sourcePath = QString::fromLocal8Bit(argv[1]);
    const QDir sourceDir = QFileInfo(sourcePath).absoluteDir();
    QFile source(sourcePath);
    if (!source.open(QIODevice::ReadOnly)) {
        err << "cannot read " << sourcePath << '\n';
        return 1;
    }
    const QJsonObject demo = QJsonDocument::fromJson(source.readAll()).object();

    // Files the demo refers to are staged beside the output, then copied by the save.
    const QString outputDir = QString::fromLocal8Bit(argv[2]);
    const QString stagingDir = QDir(outputDir).filePath(QStringLiteral("demo-sources"));
    QDir().mkpath(stagingDir);
    drawRaven().save(QDir(stagingDir).filePath(QStringLiteral("corbeau.png")));

    Graph graph;
    for (const QJsonValue &value : demo.value(QStringLiteral("nodes")).toArray()) {
        const QJsonObject object = value.toObject();
        Node node;
        node.id = object.value(QStringLiteral("id")).toString();
        node.label = object.value(QStringLiteral("label")).toString();
        node.type = object.value(QStringLiteral("type")).toString();
        node.shape = TextForms::parseShapeName(object.value(QStringLiteral("shape")).toString());
        if (object.contains(QStringLiteral("color")))
            node.color = TextForms::parseColor(object.value(QStringLiteral("color")).toString());
        node.description = object.value(QStringLiteral("description")).toString();
        node.pos = QPointF(object.value(QStringLiteral("x")).toDouble(),
                           object.value(QStringLiteral("y")).toDouble());
        node.validity = {dateField(object, "valid_start"), dateField(object, "valid_end")};
        node.hypothesis = object.value(QStringLiteral("hypothesis")).toBool();
        node.attributes = attributes(object);
        if (object.contains(QStringLiteral("geo"))) {
            const QJsonArray geo = object.value(QStringLiteral("geo")).toArray();
            node.geoLat = geo.at(0).toDouble();
            node.geoLon = geo.at(1).toDouble();
        }
        if (object.contains(QStringLiteral("picture")))
            node.mediaPath = QDir(stagingDir).filePath(object.value(QStringLiteral("picture")).toString());
        for (const QJsonValue &mediaValue : object.value(QStringLiteral("medias")).toArray()) {
            const QJsonObject mediaObject = mediaValue.toObject();
            MediaRecord media;
            media.name = mediaObject.value(QStringLiteral("name")).toString();
            media.file = sourceDir.filePath(mediaObject.value(QStringLiteral("file")).toString());
            media.tags = mediaObject.value(QStringLiteral("tags")).toString();
            media.author = mediaObject.value(QStringLiteral("author")).toString();
            media.date = dateField(mediaObject, "date");
            node.medias.append(media);
        }
        graph.insertNode(node);
    }
    int serial = 0;
    for (const QJsonValue &value : demo.value(QStringLiteral("edges")).toArray()) {
        const QJsonObject object = value.toObject();
        Edge edge;
        edge.id = QStringLiteral("rel-%1").arg(++serial, 3, 10, QLatin1Char('0'));
        edge.src = object.value(QStringLiteral("src")).toString();
        edge.dst = object.value(QStringLiteral("dst")).toString();
        edge.label = object.value(QStringLiteral("label")).toString();
        edge.type = object.value(QStringLiteral("type")).toString();
        edge.direction = TextForms::parseDirection(
            object.value(QStringLiteral("direction")).toString(QStringLiteral("directed")));
        edge.color = TextForms::parseColor(
            object.value(QStringLiteral("color")).toString(QStringLiteral("#8899aa")));
        edge.hypothesis = object.value(QStringLiteral("hypothesis")).toBool();
        edge.validity = {dateField(object, "valid_start"), dateField(object, "valid_end")};
        edge.attributes = attributes(object);
        graph.insertEdge(edge);
    }
    // Groups are made as "Grouper la sélection" makes them: members, offsets and the bridge
    // relations that the collapsed group shows.
    for (const QJsonValue &value : demo.value(QStringLiteral("groups")).toArray()) {
        const QJsonObject object = value.toObject();
        Node group = graph.node(object.value(QStringLiteral("group")).toString());
        group.isGroup = true;
        graph.replaceNode(group);
        QStringList members;
        for (const QJsonValue &member : object.value(QStringLiteral("members")).toArray())
            members.append(member.toString());
        Grouping::addToGroup(graph, group.id, members);
    }

    const QString name = demo.value(QStringLiteral("project")).toString();
    const QString dbPath = QDir(outputDir).filePath(name + QLatin1Char('/') + name
                                                    + QStringLiteral(".orvane.db"));
    QFile::remove(dbPath);
    QDir().mkpath(QFileInfo(dbPath).absolutePath());
    SceneRecords scene;
    QString error;
    if (!ProjectFiles::save(dbPath, graph, scene, &error)) {
        err << error << '\n';
        return 1;
    }
    return 0;
}
