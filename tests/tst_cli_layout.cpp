#include "clirunner.h"
#include "model/graph.h"
#include "model/scenerecords.h"
#include "ops/layouts.h"
#include "storage/projectfiles.h"
#include "testfiles.h"
#include "testgraphs.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>

using namespace TestGraphs;

namespace {

// Seven nodes of three types in two components, one of them anchored, spread out.
QString writeProject(const QString &folder)
{
    Graph graph;
    const QStringList types = {QStringLiteral("ip"), QStringLiteral("domain"),
                               QStringLiteral("actor")};
    for (int i = 0; i < 7; ++i) {
        Node node = makeNode(QStringLiteral("n%1").arg(i), QStringLiteral("Nœud %1").arg(i),
                             types.at(i % 3));
        node.pos = QPointF(37.0 * i * i - 90.0, 55.0 * i - 120.0);
        node.anchored = i == 4;
        graph.insertNode(node);
    }
    const QList<QPair<int, int>> links = {{0, 1}, {1, 2}, {2, 0}, {3, 4}, {5, 4}, {6, 5}};
    for (const auto &[a, b] : links)
        graph.insertEdge(makeEdge(QStringLiteral("e%1%2").arg(a).arg(b),
                                  QStringLiteral("n%1").arg(a), QStringLiteral("n%1").arg(b)));
    SceneRecords scene;
    const QString dbPath = QDir(folder).filePath(QStringLiteral("Case.orvane.db"));
    QString error;
    if (!ProjectFiles::save(dbPath, graph, scene, &error))
        qWarning() << error;
    return dbPath;
}

void applyInProcess(const QString &name, Graph &graph)
{
    const QStringList targets = Layouts::targetList(graph, {});
    const int n = int(targets.size());
    using Layouts::ForcePreset;
    if (name == u"grid")
        Layouts::grid(graph, targets);
    else if (name == u"zigzag")
        Layouts::zigzag(graph, targets);
    else if (name == u"circle")
        Layouts::circle(graph, targets);
    else if (name == u"random")
        Layouts::random(graph, targets);
    else if (name == u"radial")
        Layouts::radial(graph, targets);
    else if (name == u"components")
        Layouts::components(graph, targets);
    else if (name == u"force")
        Layouts::force(graph, targets, Layouts::forcePreset(ForcePreset::Fast, n));
    else if (name == u"force-compact")
        Layouts::force(graph, targets, Layouts::forcePreset(ForcePreset::Compact, n));
    else if (name == u"force-spaced")
        Layouts::force(graph, targets, Layouts::forcePreset(ForcePreset::Spaced, n));
    else if (name == u"clusters")
        Layouts::clustersByType(graph, targets);
}

} // namespace

class TstCliLayout : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void layoutSavesNewPositions_data();
    void layoutSavesNewPositions();
    void failuresLeaveTheFileAlone_data();
    void failuresLeaveTheFileAlone();
};

void TstCliLayout::layoutSavesNewPositions_data()
{
    QTest::addColumn<QString>("name");
    for (const char *name : {"grid", "zigzag", "circle", "random", "radial", "components",
                             "force", "force-compact", "force-spaced", "clusters"})
        QTest::newRow(name) << QString::fromLatin1(name);
}

void TstCliLayout::layoutSavesNewPositions()
{
    QFETCH(QString, name);
    QTemporaryDir dir;
    const QString dbPath = writeProject(QDir(dir.path()).filePath(QStringLiteral("Case")));
    Graph expected = loadGraph(dbPath);
    const Graph original = expected;
    applyInProcess(name, expected);

    const CliRun run = runCli({QStringLiteral("layout"), name, dbPath});

    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.err, QString());
    const QJsonObject summary = QJsonDocument::fromJson(run.out.toUtf8()).object();
    QCOMPARE(summary.value(QStringLiteral("layout")).toString(), name);
    QCOMPARE(summary.value(QStringLiteral("nodes")).toInt(), 7);
    const Graph saved = loadGraph(dbPath);
    QCOMPARE(saved.nodes().size(), 7);
    QCOMPARE(saved.edges(), original.edges());
    bool moved = false;
    for (const Node &node : saved.nodes()) {
        const QPointF want = expected.node(node.id).pos;
        QVERIFY2(std::abs(node.pos.x() - want.x()) < 1e-6
                     && std::abs(node.pos.y() - want.y()) < 1e-6,
                 qPrintable(node.id));
        Node unmoved = node;
        unmoved.pos = original.node(node.id).pos;
        QCOMPARE(unmoved, original.node(node.id));
        moved = moved || node.pos != original.node(node.id).pos;
    }
    QVERIFY(moved);
    QCOMPARE(saved.node(QStringLiteral("n4")).pos, original.node(QStringLiteral("n4")).pos);
}

void TstCliLayout::failuresLeaveTheFileAlone_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("file"); // "project", "text" or "missing"
    QTest::addColumn<int>("exitCode");

    QTest::newRow("unknown layout") << QStringList{QStringLiteral("spiral")}
                                    << QStringLiteral("project") << 2;
    QTest::newRow("not a database") << QStringList{QStringLiteral("grid")}
                                    << QStringLiteral("text") << 1;
    QTest::newRow("missing file") << QStringList{QStringLiteral("circle")}
                                  << QStringLiteral("missing") << 1;
    QTest::newRow("no file") << QStringList() << QStringLiteral("none") << 2;
}

void TstCliLayout::failuresLeaveTheFileAlone()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, file);
    QFETCH(int, exitCode);
    QTemporaryDir dir;
    QString path;
    if (file == u"project") {
        path = writeProject(QDir(dir.path()).filePath(QStringLiteral("Case")));
    } else if (file == u"text") {
        path = dir.filePath(QStringLiteral("notes.orvane.db"));
        QFile text(path);
        QVERIFY(text.open(QIODevice::WriteOnly));
        text.write("ceci n'est pas une base\n");
    } else if (file == u"missing") {
        path = dir.filePath(QStringLiteral("Absent.orvane.db"));
    }
    QByteArray before;
    if (!path.isEmpty()) {
        before = fileBytes(path);
        arguments.append(path);
    }

    const CliRun run = runCli(QStringList{QStringLiteral("layout")} + arguments);

    QCOMPARE(run.exitCode, exitCode);
    QCOMPARE(run.out, QString());
    QVERIFY(!run.err.trimmed().isEmpty());
    QVERIFY2(!run.err.trimmed().contains('\n'), qPrintable(run.err));
    if (file == u"missing")
        QVERIFY(!QFileInfo::exists(path));
    else if (!path.isEmpty())
        QCOMPARE(fileBytes(path), before);
}

QTEST_GUILESS_MAIN(TstCliLayout)
#include "tst_cli_layout.moc"
