#include "interchange/csvio.h"
#include "model/graph.h"
#include "testfiles.h"

#include <QTemporaryDir>
#include <QTest>

namespace {

QList<std::pair<QString, QString>> keyValues(const QList<AttributeRow> &rows)
{
    QList<std::pair<QString, QString>> pairs;
    for (const AttributeRow &row : rows)
        pairs.append({row.key, row.value});
    std::sort(pairs.begin(), pairs.end());
    return pairs;
}

QDateTime startOfDay(int year, int month, int day)
{
    return QDate(year, month, day).startOfDay();
}

// Nodes and relations that use every column and every quoting case.
Graph sampleGraph()
{
    Graph graph;
    Node actor;
    actor.id = QStringLiteral("actor-1");
    actor.label = QStringLiteral("Héron \"Cendré\", groupe");
    actor.type = QStringLiteral("Acteur");
    actor.shape = NodeShape::Hexagon;
    actor.color = QColor(QStringLiteral("#f8d7da"));
    actor.size = 1.8;
    actor.mediaPath = QStringLiteral("nodes/actor-1/héron.png");
    actor.validity.start = QDateTime(QDate(2023, 2, 1), QTime(14, 30));
    actor.validity.end = QDateTime(QDate(2024, 12, 31), QTime(0, 0));
    actor.description = QStringLiteral("Première ligne; avec point-virgule\nseconde ligne, \"citée\"\r\nfin");
    actor.attributes = {{QStringLiteral("r1"), QStringLiteral("alias"), QStringLiteral("Ash Heron")},
                        {QStringLiteral("r2"), QStringLiteral("alias"), QStringLiteral("HC-9")},
                        {QStringLiteral("r3"), QStringLiteral("pays"), QStringLiteral("FR, BE")}};
    graph.insertNode(actor);

    Node address;
    address.id = QStringLiteral("ip-1");
    address.label = QStringLiteral("192.0.2.41");
    address.type = QStringLiteral("IP");
    address.shape = NodeShape::Square;
    address.size = 0.25;
    address.attributes = {{QString(), QStringLiteral("asn"), QStringLiteral("AS64501")}};
    graph.insertNode(address);

    Node plain;
    plain.id = QStringLiteral("n-3");
    graph.insertNode(plain);

    const EdgeDirection directions[] = {EdgeDirection::Directed, EdgeDirection::DirectedInverse,
                                        EdgeDirection::Undirected, EdgeDirection::None};
    int index = 0;
    for (const EdgeDirection direction : directions) {
        Edge edge;
        edge.id = QStringLiteral("e%1").arg(index);
        edge.src = QStringLiteral("actor-1");
        edge.dst = index == 3 ? QStringLiteral("absent-node") : QStringLiteral("ip-1");
        edge.label = QStringLiteral("utilise, «souvent»");
        edge.direction = direction;
        edge.width = 0.5 + index;
        if (index % 2 == 0)
            edge.color = QColor(QStringLiteral("#00d9ff"));
        edge.validity.start = QDateTime(QDate(2024, 1, 10 + index), QTime(9, 15));
        edge.description = QStringLiteral("ligne 1\nligne \"2\"");
        if (index == 1)
            edge.attributes = {{QString(), QStringLiteral("source"), QStringLiteral("passive DNS")},
                               {QString(), QStringLiteral("source"), QStringLiteral("whois")}};
        graph.insertEdge(edge);
        ++index;
    }
    return graph;
}

} // namespace

class TestCsv : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void everyColumnSurvivesExportAndImport();
    void exportWritesFixedColumnsThenSortedAttributes();
    void reimportingAnExportAddsNothing();
    void readsSpreadsheetSemicolonFile();
    void clampsSize_data();
    void clampsSize();
    void readsDirectionWords_data();
    void readsDirectionWords();
    void missingColumnsKeepDefaults();
    void existingAndRepeatedIdsAreSkipped();
    void reportsUnreadableAndEmptyFiles_data();
    void reportsUnreadableAndEmptyFiles();
    void reportsUnwritableFile();
};

void TestCsv::everyColumnSurvivesExportAndImport()
{
    QTemporaryDir dir;
    const Graph source = sampleGraph();
    QString error;
    QVERIFY2(CsvIo::writeNodes(dir.filePath("nodes.csv"), source, &error), qPrintable(error));
    QVERIFY2(CsvIo::writeEdges(dir.filePath("edges.csv"), source, &error), qPrintable(error));

    Graph copy;
    int nodes = 0;
    int edges = 0;
    QVERIFY2(CsvIo::readNodes(dir.filePath("nodes.csv"), copy, &error, &nodes), qPrintable(error));
    QVERIFY2(CsvIo::readEdges(dir.filePath("edges.csv"), copy, &error, &edges), qPrintable(error));
    QCOMPARE(nodes, 3);
    QCOMPARE(edges, 4);

    for (const Node &original : source.nodes()) {
        QVERIFY(copy.hasNode(original.id));
        const Node node = copy.node(original.id);
        QCOMPARE(node.label, original.label);
        QCOMPARE(node.type, original.type);
        QCOMPARE(node.shape, original.shape);
        QCOMPARE(node.color, original.color);
        QCOMPARE(node.size, original.size);
        QCOMPARE(node.mediaPath, original.mediaPath);
        // Cells are trimmed, so only the surrounding blanks of a description could change.
        QCOMPARE(node.description, original.description.trimmed());
    }
    // Dates travel as their day, read back at the start of that day.
    const Node actor = copy.node(QStringLiteral("actor-1"));
    QCOMPARE(actor.validity.start, startOfDay(2023, 2, 1));
    QCOMPARE(actor.validity.end, startOfDay(2024, 12, 31));
    QVERIFY(!copy.node(QStringLiteral("n-3")).validity.start.isValid());
    // Several values of a key come back as one row holding all of them.
    const QList<std::pair<QString, QString>> expectedRows = {
        {QStringLiteral("alias"), QStringLiteral("Ash Heron | HC-9")},
        {QStringLiteral("pays"), QStringLiteral("FR, BE")}};
    QCOMPARE(keyValues(actor.attributes), expectedRows);
    QVERIFY(actor.attributes.first().id.isEmpty());

    for (const Edge &original : source.edges()) {
        QVERIFY(copy.hasEdge(original.id));
        const Edge edge = copy.edge(original.id);
        QCOMPARE(edge.src, original.src);
        QCOMPARE(edge.dst, original.dst);
        QCOMPARE(edge.label, original.label);
        QCOMPARE(edge.direction, original.direction);
        QCOMPARE(edge.color, original.color);
        QCOMPARE(edge.width, original.width);
        QCOMPARE(edge.validity.start, original.validity.start.date().startOfDay());
        QCOMPARE(edge.description, original.description);
    }
    QCOMPARE(copy.edge(QStringLiteral("e3")).dst, QStringLiteral("absent-node"));
    QCOMPARE(keyValues(copy.edge(QStringLiteral("e1")).attributes),
             (QList<std::pair<QString, QString>>{
                 {QStringLiteral("source"), QStringLiteral("passive DNS | whois")}}));
}

void TestCsv::exportWritesFixedColumnsThenSortedAttributes()
{
    QTemporaryDir dir;
    QString error;
    QVERIFY(CsvIo::writeNodes(dir.filePath("nodes.csv"), sampleGraph(), &error));
    const QList<QByteArray> lines = fileBytes(dir.filePath("nodes.csv")).split('\n');
    QCOMPARE(lines.first(), QByteArray("id,label,type,shape,color,size,media_path,valid_start,"
                                       "valid_end,description,attr:alias,attr:asn,attr:pays"));
    const QByteArray all = fileBytes(dir.filePath("nodes.csv"));
    QVERIFY(all.contains(QStringLiteral("actor-1,\"Héron \"\"Cendré\"\", groupe\",Acteur,"
                                        "hexagone,#f8d7da,1.8,nodes/actor-1/héron.png,"
                                        "2023-02-01,2024-12-31,")
                             .toUtf8()));
    QVERIFY(all.contains("ip-1,192.0.2.41,IP,carré,#f5f5f5,0.25,,,,,,AS64501,\n"));

    Graph bare;
    Node node;
    node.id = QStringLiteral("a");
    bare.insertNode(node);
    Edge edge;
    edge.id = QStringLiteral("e");
    edge.direction = EdgeDirection::DirectedInverse;
    bare.insertEdge(edge);
    QVERIFY(CsvIo::writeNodes(dir.filePath("bare-nodes.csv"), bare, &error));
    QVERIFY(CsvIo::writeEdges(dir.filePath("bare-edges.csv"), bare, &error));
    QCOMPARE(fileBytes(dir.filePath("bare-nodes.csv")),
             QByteArray("id,label,type,shape,color,size,media_path,valid_start,valid_end,"
                        "description\na,,,cercle,#f5f5f5,1,,,,\n"));
    QCOMPARE(fileBytes(dir.filePath("bare-edges.csv")),
             QByteArray("id,src,dst,label,direction,color,width,valid_start,valid_end,"
                        "description\ne,,,,directedinverse,,1.8,,,\n"));
}

void TestCsv::reimportingAnExportAddsNothing()
{
    QTemporaryDir dir;
    Graph graph = sampleGraph();
    const Graph before = graph;
    QVERIFY(CsvIo::writeNodes(dir.filePath("nodes.csv"), graph));
    QVERIFY(CsvIo::writeEdges(dir.filePath("edges.csv"), graph));
    int imported = -1;
    QVERIFY(CsvIo::readNodes(dir.filePath("nodes.csv"), graph, nullptr, &imported));
    QCOMPARE(imported, 0);
    QVERIFY(CsvIo::readEdges(dir.filePath("edges.csv"), graph, nullptr, &imported));
    QCOMPARE(imported, 0);
    QCOMPARE(graph.nodes(), before.nodes());
    QCOMPARE(graph.edges(), before.edges());
}

void TestCsv::readsSpreadsheetSemicolonFile()
{
    Graph graph;
    QString error;
    int imported = 0;
    QVERIFY2(CsvIo::readNodes(QStringLiteral(ORVANE_TEST_DATA "/csv/nodes-spreadsheet.csv"), graph,
                              &error, &imported),
             qPrintable(error));
    QCOMPARE(imported, 3);
    const Node first = graph.node(QStringLiteral("n1"));
    QCOMPARE(first.label, QStringLiteral("Société Générale d'Études"));
    QCOMPARE(first.type, QStringLiteral("Organisation"));
    QCOMPARE(first.shape, NodeShape::Hexagon);
    QCOMPARE(first.color, QColor(QStringLiteral("#cfe2ff")));
    QCOMPARE(first.size, 2.5);
    QCOMPARE(first.description, QStringLiteral("Adresse : 3 rue X; Paris\nsecond étage"));
    QCOMPARE(first.validity.start, startOfDay(2024, 3, 1));
    QCOMPARE(first.validity.end, QDateTime(QDate(2024, 3, 5), QTime(18, 0)));
    QCOMPARE(keyValues(first.attributes),
             (QList<std::pair<QString, QString>>{{QStringLiteral("pays"), QStringLiteral("FR")},
                                                 {QStringLiteral("secteur"),
                                                  QStringLiteral("banque | assurance")}}));
    const Node second = graph.node(QStringLiteral("n2"));
    QCOMPARE(second.shape, NodeShape::Square);
    QCOMPARE(second.color, QColor(245, 245, 245)); // "rouge" is no colour
    QCOMPARE(second.size, 5.0);
    QVERIFY(!second.validity.start.isValid()); // "mars 2024" is no date
    QVERIFY(second.attributes.isEmpty());
    QCOMPARE(graph.node(QStringLiteral("n3")).label, QStringLiteral("Dernière ligne"));
}

void TestCsv::clampsSize_data()
{
    QTest::addColumn<QString>("cell");
    QTest::addColumn<double>("size");
    QTest::newRow("too large") << "12" << 5.0;
    QTest::newRow("too small") << "0.1" << 0.25;
    QTest::newRow("negative") << "-3" << 0.25;
    QTest::newRow("inside") << " 2.5 " << 2.5;
    QTest::newRow("not a number") << "abc" << 1.0;
    QTest::newRow("empty") << "" << 1.0;
}

void TestCsv::clampsSize()
{
    QFETCH(QString, cell);
    QFETCH(double, size);
    QTemporaryDir dir;
    writeBytes(dir.filePath("n.csv"), ("id,size\nx," + cell + "\n").toUtf8());
    Graph graph;
    QVERIFY(CsvIo::readNodes(dir.filePath("n.csv"), graph));
    QCOMPARE(graph.node(QStringLiteral("x")).size, size);
}

void TestCsv::readsDirectionWords_data()
{
    QTest::addColumn<QString>("cell");
    QTest::addColumn<EdgeDirection>("direction");
    QTest::newRow("capital") << "Directed" << EdgeDirection::Directed;
    QTest::newRow("blanks") << "  undirected " << EdgeDirection::Undirected;
    QTest::newRow("inverse word") << "DirectedInverse" << EdgeDirection::DirectedInverse;
    QTest::newRow("storage word") << "directed_inv" << EdgeDirection::None;
    QTest::newRow("short") << "inverse" << EdgeDirection::None;
    QTest::newRow("none") << "none" << EdgeDirection::None;
}

void TestCsv::readsDirectionWords()
{
    QFETCH(QString, cell);
    QFETCH(EdgeDirection, direction);
    QTemporaryDir dir;
    writeBytes(dir.filePath("e.csv"), ("id,src,dst,direction\ne,a,b," + cell + "\n").toUtf8());
    Graph graph;
    QVERIFY(CsvIo::readEdges(dir.filePath("e.csv"), graph));
    QCOMPARE(graph.edge(QStringLiteral("e")).direction, direction);
}

void TestCsv::missingColumnsKeepDefaults()
{
    QTemporaryDir dir;
    writeBytes(dir.filePath("n.csv"), "label,unknown\nPremier,x\n\nSecond,y\n");
    writeBytes(dir.filePath("e.csv"), "dst,src\nb,a\n");
    Graph graph;
    int imported = 0;
    QVERIFY(CsvIo::readNodes(dir.filePath("n.csv"), graph, nullptr, &imported));
    QCOMPARE(imported, 2);
    QStringList labels;
    for (const Node &node : graph.nodes()) {
        QCOMPARE(node.id.size(), 36); // a fresh UUID
        QCOMPARE(node.shape, NodeShape::Circle);
        QCOMPARE(node.size, 1.0);
        QVERIFY(node.attributes.isEmpty());
        labels.append(node.label);
    }
    labels.sort();
    QCOMPARE(labels, (QStringList{QStringLiteral("Premier"), QStringLiteral("Second")}));

    QVERIFY(CsvIo::readEdges(dir.filePath("e.csv"), graph));
    QCOMPARE(graph.edges().size(), 1);
    const Edge edge = *graph.edges().cbegin();
    QCOMPARE(edge.src, QStringLiteral("a"));
    QCOMPARE(edge.dst, QStringLiteral("b"));
    QCOMPARE(edge.direction, EdgeDirection::Directed);
    QCOMPARE(edge.width, 1.8);
    QVERIFY(!edge.color.isValid());
}

void TestCsv::existingAndRepeatedIdsAreSkipped()
{
    QTemporaryDir dir;
    writeBytes(dir.filePath("n.csv"), "id,label\nkept,Nouveau\nnew,Premier\nnew,Doublon\n");
    Graph graph;
    Node kept;
    kept.id = QStringLiteral("kept");
    kept.label = QStringLiteral("Existant");
    graph.insertNode(kept);
    int imported = 0;
    QVERIFY(CsvIo::readNodes(dir.filePath("n.csv"), graph, nullptr, &imported));
    QCOMPARE(imported, 1);
    QCOMPARE(graph.node(QStringLiteral("kept")).label, QStringLiteral("Existant"));
    QCOMPARE(graph.node(QStringLiteral("new")).label, QStringLiteral("Premier"));
}

void TestCsv::reportsUnreadableAndEmptyFiles_data()
{
    QTest::addColumn<bool>("edges");
    QTest::addColumn<QByteArray>("content"); // null: no file at all
    QTest::addColumn<QString>("expected");   // "%1" stands for the path
    QTest::newRow("missing nodes") << false << QByteArray() << "Impossible d'ouvrir nodes CSV: %1";
    QTest::newRow("missing edges") << true << QByteArray() << "Impossible d'ouvrir edges CSV: %1";
    QTest::newRow("empty nodes") << false << QByteArray("") << "Fichier vide";
    QTest::newRow("blank edges") << true << QByteArray("\r\n \n") << "Fichier vide";
}

void TestCsv::reportsUnreadableAndEmptyFiles()
{
    QFETCH(bool, edges);
    QFETCH(QByteArray, content);
    QFETCH(QString, expected);
    QTemporaryDir dir;
    const QString path = dir.filePath("in.csv");
    if (!content.isNull())
        writeBytes(path, content);
    Graph graph = sampleGraph();
    const Graph before = graph;
    QString error;
    const bool ok = edges ? CsvIo::readEdges(path, graph, &error)
                          : CsvIo::readNodes(path, graph, &error);
    QVERIFY(!ok);
    QCOMPARE(error, expected.contains(QLatin1String("%1")) ? expected.arg(path) : expected);
    QCOMPARE(graph.nodes(), before.nodes());
    QCOMPARE(graph.edges(), before.edges());
}

void TestCsv::reportsUnwritableFile()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("missing-folder/nodes.csv");
    QString error;
    QVERIFY(!CsvIo::writeNodes(path, sampleGraph(), &error));
    QCOMPARE(error, QStringLiteral("Impossible d’écrire le fichier: ") + path);
}

QTEST_GUILESS_MAIN(TestCsv)
#include "tst_csv.moc"
