#include "clirunner.h"
#include "model/graph.h"
#include "model/scenerecords.h"
#include "storage/projectfiles.h"
#include "testfiles.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

class TstCli : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void infoCountsEveryTable();
    void infoRejectsWhatIsNotAProject_data();
    void infoRejectsWhatIsNotAProject();

private:
    QTemporaryDir m_dir;
};

void TstCli::infoCountsEveryTable()
{
    Graph graph;
    for (const QString &id : {QStringLiteral("g"), QStringLiteral("a"), QStringLiteral("b")}) {
        Node node;
        node.id = id;
        node.attributes = {{QString(), QStringLiteral("k"), id}};
        graph.insertNode(node);
    }
    Node group = graph.node(QStringLiteral("g"));
    group.isGroup = true;
    group.groupMembers = {QStringLiteral("a"), QStringLiteral("b")};
    MediaRecord media;
    media.name = QStringLiteral("m");
    media.file = QStringLiteral("qrc:/x");
    group.medias = {media};
    graph.replaceNode(group);
    Edge edge;
    edge.id = QStringLiteral("e");
    edge.src = QStringLiteral("a");
    edge.dst = QStringLiteral("b");
    edge.attributes = {{QString(), QStringLiteral("k"), QStringLiteral("v")},
                       {QString(), QStringLiteral("k"), QStringLiteral("w")}};
    graph.insertEdge(edge);
    SceneRecords scene;
    scene.shapes.append(ShapeRecord());
    const QString dbPath = m_dir.filePath(QStringLiteral("Info/Info.orvane.db"));
    QString error;
    QVERIFY2(ProjectFiles::save(dbPath, graph, scene, &error), qPrintable(error));

    const CliRun run = runCli({QStringLiteral("info"), dbPath});
    QCOMPARE(run.exitCode, 0);
    const QJsonObject counts = QJsonDocument::fromJson(run.out.toUtf8()).object();
    const QJsonObject expected{{QStringLiteral("nodes"), 3},
                               {QStringLiteral("relations"), 1},
                               {QStringLiteral("node_attributes"), 3},
                               {QStringLiteral("relation_attributes"), 2},
                               {QStringLiteral("medias"), 1},
                               {QStringLiteral("group_memberships"), 2},
                               {QStringLiteral("maps"), 0},
                               {QStringLiteral("shapes"), 1}};
    QCOMPARE(counts, expected);
}

void TstCli::infoRejectsWhatIsNotAProject_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("content");
    QTest::newRow("text file") << "notes.txt" << QByteArray("juste du texte\n").repeated(30);
    QTest::newRow("missing file") << "absent.orvane.db" << QByteArray();
}

void TstCli::infoRejectsWhatIsNotAProject()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, content);
    const QString path = m_dir.filePath(name);
    if (!content.isEmpty())
        writeBytes(path, content);
    const QByteArray before = content;
    const CliRun run = runCli({QStringLiteral("info"), path});
    QVERIFY(run.exitCode != 0);
    QVERIFY(run.out.isEmpty());
    QCOMPARE(run.err.count('\n'), 1);
    QVERIFY(run.err.startsWith("orvane-cli: "));
    QCOMPARE(QFile::exists(path), !content.isEmpty());
    if (!content.isEmpty())
        QCOMPARE(fileBytes(path), before);
}

QTEST_GUILESS_MAIN(TstCli)
#include "tst_cli.moc"
