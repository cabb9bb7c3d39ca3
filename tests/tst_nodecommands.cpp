// Table rules of the node and relation commands, the clipboard format and the logic behind
// the editing dialogs, checked on plain graphs without a window.
#include "ops/clipboardformat.h"
#include "ops/edgeform.h"
#include "ops/iconlibrary.h"
#include "ops/listpaging.h"
#include "ops/mediafiles.h"
#include "ops/nodecommands.h"
#include "ops/recordfilter.h"
#include "testfiles.h"
#include "testgraphs.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace TestGraphs;

namespace {

bool isUuid(const QString &id)
{
    static const QRegularExpression pattern(
        QStringLiteral("^[0-9a-f]{8}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{12}$"));
    return pattern.match(id).hasMatch();
}

// The keys of a JSON object text, in the order they are written.
QStringList keysInOrder(const QByteArray &json)
{
    QStringList keys;
    int depth = 0;
    bool inString = false;
    int start = -1;
    for (int i = 0; i < json.size(); ++i) {
        const char c = json.at(i);
        if (inString) {
            if (c == '\\') {
                ++i;
            } else if (c == '"') {
                inString = false;
                if (depth == 1 && i + 1 < json.size() && json.at(i + 1) == ':')
                    keys.append(QString::fromUtf8(json.mid(start, i - start)));
            }
            continue;
        }
        if (c == '"') {
            inString = true;
            start = i + 1;
        } else if (c == '{' || c == '[') {
            ++depth;
        } else if (c == '}' || c == ']') {
            --depth;
        }
    }
    return keys;
}

} // namespace

class TstNodeCommands : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void insertingRedrawsATakenId();
    void editingKeepsPositionAndAnchoring();
    void renamingAnIdMovesRelationsAndGroups();
    void renamingToATakenIdGivesAFreshOne();
    void mergingAnEditKeepsEveryFormField();
    void removingNodesTakesTheirRelations();
    void creatingEdgesCountsMissingTargets();
    void missingEndsAreNamed();
    void attributeRowsBecomeNodesOnce();
    void attributeNodesAreLaidOutInRowOrder();
    void clipboardKeysComeInOrder();
    void clipboardLeavesOutUnsetValues();
    void clipboardRoundTrip();
    void clipboardRejectsWhatIsNotAnObject();
    void edgeFormFoldsColour_data();
    void edgeFormFoldsColour();
    void edgeFormFoldsWidth_data();
    void edgeFormFoldsWidth();
    void edgeFormHidesAndDropsFoldedRows();
    void directionWordsBothWays();
    void pageLabels_data();
    void pageLabels();
    void recordFilterIgnoresCaseAndSortsByLabel();
    void digestOfAFile();
    void mediaRowsSortAndMatch();
    void iconFolderIsFoundFromTheWorkingDirectoryUp();
    void iconLibraryPathsResolve_data();
    void iconLibraryPathsResolve();
    void iconCategoriesKeepPicturesOnly();
};

void TstNodeCommands::insertingRedrawsATakenId()
{
    Graph graph;
    graph.insertNode(makeNode(QStringLiteral("taken"), QStringLiteral("Premier")));
    Node second = makeNode(QStringLiteral("taken"), QStringLiteral("Second"));
    const Node stored = NodeCommands::insertWithFreshId(graph, second);
    QVERIFY(isUuid(stored.id));
    QCOMPARE(graph.nodes().size(), 2);
    QCOMPARE(graph.node(QStringLiteral("taken")).label, QStringLiteral("Premier"));
    QCOMPARE(graph.node(stored.id).label, QStringLiteral("Second"));

    const Node fresh = NodeCommands::newNode(graph, QPointF(12, -7));
    QVERIFY(isUuid(fresh.id));
    QCOMPARE(fresh.label, QStringLiteral("Nouveau"));
    QCOMPARE(fresh.pos, QPointF(12, -7));
}

void TstNodeCommands::editingKeepsPositionAndAnchoring()
{
    Graph graph;
    Node original = makeNode(QStringLiteral("a"));
    original.pos = QPointF(150, 80);
    original.anchored = true;
    graph.insertNode(original);

    Node edited = original;
    edited.label = QStringLiteral("Renommé");
    edited.pos = QPointF(-999, -999);
    edited.anchored = false;
    const Node stored = NodeCommands::storeEditedNode(graph, QStringLiteral("a"), edited);
    QCOMPARE(stored.id, QStringLiteral("a"));
    QCOMPARE(graph.node(QStringLiteral("a")).label, QStringLiteral("Renommé"));
    QCOMPARE(graph.node(QStringLiteral("a")).pos, QPointF(150, 80));
    QVERIFY(graph.node(QStringLiteral("a")).anchored);
}

void TstNodeCommands::renamingAnIdMovesRelationsAndGroups()
{
    Graph graph;
    Node group = makeNode(QStringLiteral("g"));
    group.isGroup = true;
    group.groupMembers = {QStringLiteral("a"), QStringLiteral("b")};
    Node a = makeNode(QStringLiteral("a"));
    a.parentGroup = QStringLiteral("g");
    Node b = makeNode(QStringLiteral("b"));
    b.parentGroup = QStringLiteral("g");
    for (const Node &node : {group, a, b, makeNode(QStringLiteral("c"))})
        graph.insertNode(node);
    graph.insertEdge(makeEdge(QStringLiteral("ac"), QStringLiteral("a"), QStringLiteral("c")));
    graph.insertEdge(makeEdge(QStringLiteral("ca"), QStringLiteral("c"), QStringLiteral("a")));

    Node renamed = a;
    renamed.id = QStringLiteral("a2");
    NodeCommands::storeEditedNode(graph, QStringLiteral("a"), renamed);
    QVERIFY(!graph.hasNode(QStringLiteral("a")));
    QVERIFY(graph.hasNode(QStringLiteral("a2")));
    QCOMPARE(graph.edge(QStringLiteral("ac")).src, QStringLiteral("a2"));
    QCOMPARE(graph.edge(QStringLiteral("ca")).dst, QStringLiteral("a2"));
    QCOMPARE(graph.node(QStringLiteral("g")).groupMembers,
             QStringList({QStringLiteral("a2"), QStringLiteral("b")}));

    Node renamedGroup = graph.node(QStringLiteral("g"));
    renamedGroup.id = QStringLiteral("g2");
    NodeCommands::storeEditedNode(graph, QStringLiteral("g"), renamedGroup);
    QCOMPARE(graph.node(QStringLiteral("a2")).parentGroup, QStringLiteral("g2"));
    QCOMPARE(graph.node(QStringLiteral("b")).parentGroup, QStringLiteral("g2"));
}

void TstNodeCommands::renamingToATakenIdGivesAFreshOne()
{
    Graph graph;
    graph.insertNode(makeNode(QStringLiteral("a"), QStringLiteral("A")));
    graph.insertNode(makeNode(QStringLiteral("b"), QStringLiteral("B")));
    Node edited = graph.node(QStringLiteral("a"));
    edited.id = QStringLiteral("b");
    const Node stored = NodeCommands::storeEditedNode(graph, QStringLiteral("a"), edited);
    QVERIFY(isUuid(stored.id));
    QCOMPARE(graph.nodes().size(), 2);
    QCOMPARE(graph.node(QStringLiteral("b")).label, QStringLiteral("B"));
    QCOMPARE(graph.node(stored.id).label, QStringLiteral("A"));
    QVERIFY(!graph.hasNode(QStringLiteral("a")));
}

void TstNodeCommands::mergingAnEditKeepsEveryFormField()
{
    Graph graph;
    Node stored = makeNode(QStringLiteral("a"));
    stored.pos = QPointF(40, 40);
    stored.groupMembers = {QStringLiteral("x")};
    graph.insertNode(stored);
    Node edited = stored;
    edited.pos = QPointF(1, 1);
    edited.groupMembers.clear();
    edited.hypothesis = true;
    edited.geoLat = 48.85;
    edited.geoLon = 2.35;
    edited.isInvestigationLink = true;
    edited.investigationPath = QStringLiteral("/cases/Autre.orvane.db");
    edited.type = QStringLiteral("ip");
    NodeCommands::mergeEditedNode(graph, edited);
    const Node merged = graph.node(QStringLiteral("a"));
    QVERIFY(merged.hypothesis);
    QCOMPARE(merged.geoLat.value_or(0), 48.85);
    QCOMPARE(merged.geoLon.value_or(0), 2.35);
    QVERIFY(merged.isInvestigationLink);
    QCOMPARE(merged.investigationPath, QStringLiteral("/cases/Autre.orvane.db"));
    QCOMPARE(merged.type, QStringLiteral("ip"));
    QCOMPARE(merged.pos, QPointF(40, 40));
    QCOMPARE(merged.groupMembers, QStringList{QStringLiteral("x")});
}

void TstNodeCommands::removingNodesTakesTheirRelations()
{
    Graph graph;
    for (const char *id : {"a", "b", "c", "d"})
        graph.insertNode(makeNode(QLatin1String(id)));
    graph.insertEdge(makeEdge(QStringLiteral("ab"), QStringLiteral("a"), QStringLiteral("b")));
    graph.insertEdge(makeEdge(QStringLiteral("ca"), QStringLiteral("c"), QStringLiteral("a")));
    graph.insertEdge(makeEdge(QStringLiteral("cd"), QStringLiteral("c"), QStringLiteral("d")));
    QCOMPARE(NodeCommands::edgesTouchingCount(graph, {QStringLiteral("a")}), 2);
    QCOMPARE(NodeCommands::edgesTouchingCount(graph, {QStringLiteral("d")}), 1);

    const NodeCommands::Removal removal =
        NodeCommands::removeNodes(graph, {QStringLiteral("a"), QStringLiteral("gone")});
    QCOMPARE(removal.nodes, 1);
    QCOMPARE(removal.edges, 2);
    QCOMPARE(graph.edges().keys(), QStringList{QStringLiteral("cd")});
    QCOMPARE(NodeCommands::removeEdges(graph, {QStringLiteral("cd"), QStringLiteral("cd"),
                                               QStringLiteral("none")}),
             1);
    QVERIFY(graph.edges().isEmpty());
}

void TstNodeCommands::creatingEdgesCountsMissingTargets()
{
    Graph graph;
    for (const char *id : {"s", "t1", "t2"})
        graph.insertNode(makeNode(QLatin1String(id)));
    Edge templ = NodeCommands::edgeTemplate(graph, QStringLiteral("s"));
    QVERIFY(isUuid(templ.id));
    QCOMPARE(templ.type, QStringLiteral("relation"));
    QCOMPARE(templ.direction, EdgeDirection::Directed);
    QCOMPARE(templ.color, QColor(QStringLiteral("#ff0000")));
    QCOMPARE(templ.width, 1.0);

    templ.label = QStringLiteral("contrôle");
    const NodeCommands::EdgeCreation creation = NodeCommands::createEdges(
        graph, templ, {QStringLiteral("t1"), QStringLiteral("removed"), QStringLiteral("t2")});
    QCOMPARE(creation.created.size(), 2);
    QCOMPARE(creation.ignored, 1);
    QSet<QString> targets;
    for (const QString &id : creation.created) {
        const Edge edge = graph.edge(id);
        QVERIFY(isUuid(id));
        QVERIFY(id != templ.id);
        QCOMPARE(edge.src, QStringLiteral("s"));
        QCOMPARE(edge.label, QStringLiteral("contrôle"));
        targets.insert(edge.dst);
    }
    QCOMPARE(targets, QSet<QString>({QStringLiteral("t1"), QStringLiteral("t2")}));
}

void TstNodeCommands::missingEndsAreNamed()
{
    Graph graph;
    graph.insertNode(makeNode(QStringLiteral("a")));
    QVERIFY(NodeCommands::missingEndsMessage(graph, makeEdge(QStringLiteral("e"), QStringLiteral("a"),
                                                             QStringLiteral("a")))
                .isEmpty());
    QCOMPARE(NodeCommands::missingEndsMessage(
                 graph, makeEdge(QStringLiteral("e"), QStringLiteral("a"), QStringLiteral("zz"))),
             QStringLiteral("Les nœuds src/dst doivent exister.\nsrc='a' (existe=oui)\n"
                            "dst='zz' (existe=non)"));
}

void TstNodeCommands::attributeRowsBecomeNodesOnce()
{
    Graph graph;
    Node source = makeNode(QStringLiteral("src"), QStringLiteral("serveur"), QStringLiteral("host"));
    graph.insertNode(source);
    graph.insertNode(makeNode(QStringLiteral("known"), QStringLiteral("Exemple.org "),
                              QStringLiteral("Domaine")));
    // Already joined the other way round: no second relation.
    graph.insertEdge(makeEdge(QStringLiteral("old"), QStringLiteral("known"), QStringLiteral("src")));

    const QList<AttributeRow> rows{{QString(), QStringLiteral(" domaine"), QStringLiteral("exemple.ORG")},
                                   {QString(), QStringLiteral("ip"), QStringLiteral("10.0.0.1")},
                                   {QString(), QStringLiteral("IP "), QStringLiteral(" 10.0.0.1")},
                                   {QString(), QStringLiteral("note"), QStringLiteral("  ")}};
    const NodeCommands::AttributeNodes result =
        NodeCommands::createNodesFromAttributes(graph, QStringLiteral("src"), rows);
    QCOMPARE(result.nodesCreated, 1);
    QCOMPARE(result.edgesCreated, 1);
    QCOMPARE(result.nodes.size(), 3);
    QCOMPARE(result.nodes.at(0), QStringLiteral("known"));
    QCOMPARE(result.nodes.at(1), result.nodes.at(2));
    QCOMPARE(graph.nodes().size(), 3);
    QCOMPARE(graph.edges().size(), 2);

    const Node created = graph.node(result.nodes.at(1));
    QCOMPARE(created.type, QStringLiteral("ip"));
    QCOMPARE(created.label, QStringLiteral("10.0.0.1"));
    QCOMPARE(created.size, 1.0);
    Edge link;
    for (const Edge &edge : graph.edges()) {
        if (edge.id != u"old")
            link = edge;
    }
    QCOMPARE(link.src, QStringLiteral("src"));
    QCOMPARE(link.dst, created.id);
    QCOMPARE(link.width, 1.8);
    QCOMPARE(link.color, QColor(QStringLiteral("#55ffff")));

    // Running it again adds nothing.
    const NodeCommands::AttributeNodes again =
        NodeCommands::createNodesFromAttributes(graph, QStringLiteral("src"), rows);
    QCOMPARE(again.nodesCreated, 0);
    QCOMPARE(again.edgesCreated, 0);
    QCOMPARE(graph.nodes().size(), 3);
    QCOMPARE(graph.edges().size(), 2);
}

void TstNodeCommands::attributeNodesAreLaidOutInRowOrder()
{
    Graph graph;
    Node source = makeNode(QStringLiteral("src"));
    source.pos = QPointF(100, 50);
    graph.insertNode(source);
    const NodeCommands::AttributeNodes result = NodeCommands::createNodesFromAttributes(
        graph, QStringLiteral("src"),
        {{QString(), QStringLiteral("a"), QStringLiteral("1")},
         {QString(), QStringLiteral("b"), QStringLiteral("2")},
         {QString(), QStringLiteral("c"), QStringLiteral("3")}});
    QCOMPARE(result.nodes.size(), 3);
    for (int i = 0; i < 3; ++i)
        QCOMPARE(graph.node(result.nodes.at(i)).pos, QPointF(100 + 80 * i, 50));

    QCOMPARE(NodeCommands::createNodesFromAttributes(graph, QStringLiteral("absent"),
                                                     {{QString(), QStringLiteral("a"),
                                                       QStringLiteral("9")}})
                 .nodes.size(),
             0);
}

void TstNodeCommands::clipboardKeysComeInOrder()
{
    Node node = makeNode(QStringLiteral("n1"), QStringLiteral("Serveur \"C2\""));
    node.color = QColor(QStringLiteral("#AB12CD"));
    node.validity.start = QDateTime(QDate(2024, 3, 1), QTime(8, 0), Qt::UTC);
    node.validity.end = QDateTime(QDate(2024, 4, 1), QTime(9, 30), Qt::UTC);
    node.attributes = {{QStringLiteral("r1"), QStringLiteral("ip"), QStringLiteral("1.2.3.4")}};
    node.medias = {{QStringLiteral("capture"), QStringLiteral("nodes/n1/a.png"), {}, {}, {}, {}, {}}};
    const QByteArray json = ClipboardFormat::toJson(node);
    QCOMPARE(keysInOrder(json),
             QStringList({"id", "label", "type", "shape", "color", "size", "description",
                          "showLabel", "anchored", "mediaPath", "validStart", "validEnd",
                          "attrs", "medias", "x", "y"}));
    QVERIFY(json.contains("{\"key\":\"ip\",\"value\":\"1.2.3.4\"}"));
    QVERIFY(json.contains("{\"name\":\"capture\",\"file\":\"nodes/n1/a.png\"}"));
    QVERIFY(json.contains("\"color\":\"#ab12cd\""));
    QVERIFY(!json.contains('\n'));
    const QJsonObject object = QJsonDocument::fromJson(json).object();
    QCOMPARE(object.value(u"label").toString(), QStringLiteral("Serveur \"C2\""));
    QCOMPARE(object.value(u"validStart").toString(), QStringLiteral("2024-03-01T08:00:00Z"));
}

void TstNodeCommands::clipboardLeavesOutUnsetValues()
{
    Node node = makeNode(QStringLiteral("n"));
    node.color = QColor();
    const QStringList keys = keysInOrder(ClipboardFormat::toJson(node));
    QVERIFY(!keys.contains(QStringLiteral("color")));
    QVERIFY(!keys.contains(QStringLiteral("validStart")));
    QVERIFY(!keys.contains(QStringLiteral("validEnd")));
    QCOMPARE(keys.size(), 13);
}

void TstNodeCommands::clipboardRoundTrip()
{
    Node node = makeNode(QStringLiteral("n1"), QStringLiteral("Poste"), QStringLiteral("host"));
    node.shape = NodeShape::Hexagon;
    node.color = QColor(QStringLiteral("#102030"));
    node.size = 2.0;
    node.description = QStringLiteral("ligne 1\nligne 2");
    node.showLabel = false;
    node.anchored = true;
    node.mediaPath = QStringLiteral("resources:/res/res/orvane.png");
    node.validity.start = QDateTime(QDate(2023, 1, 2), QTime(3, 4, 5), Qt::UTC);
    node.attributes = {{QString(), QStringLiteral("k"), QStringLiteral("v")}};
    node.medias = {{QStringLiteral("m"), QStringLiteral("/tmp/m.txt"), {}, {}, {}, {}, {}}};
    node.pos = QPointF(-12.5, 300);
    const std::optional<Node> read = ClipboardFormat::fromJson(ClipboardFormat::toJson(node));
    QVERIFY(read);
    QCOMPARE(read->id, node.id);
    QCOMPARE(read->label, node.label);
    QCOMPARE(read->type, node.type);
    QCOMPARE(read->shape, NodeShape::Hexagon);
    QCOMPARE(read->color, node.color);
    QCOMPARE(read->size, 2.0);
    QCOMPARE(read->description, node.description);
    QCOMPARE(read->showLabel, false);
    QCOMPARE(read->anchored, true);
    QCOMPARE(read->mediaPath, node.mediaPath);
    QCOMPARE(read->validity.start, node.validity.start);
    QVERIFY(!read->validity.end.isValid());
    QCOMPARE(read->attributes, node.attributes);
    QCOMPARE(read->medias, node.medias);
    QCOMPARE(read->pos, node.pos);

    const std::optional<Node> sparse = ClipboardFormat::fromJson("{\"label\":\"seul\"}");
    QVERIFY(sparse);
    QCOMPARE(sparse->label, QStringLiteral("seul"));
    QCOMPARE(sparse->color, Node().color);
    QCOMPARE(sparse->size, 1.0);
    QVERIFY(sparse->showLabel);
}

void TstNodeCommands::clipboardRejectsWhatIsNotAnObject()
{
    QVERIFY(!ClipboardFormat::fromJson("[1,2]"));
    QVERIFY(!ClipboardFormat::fromJson("pas du json"));
    QVERIFY(!ClipboardFormat::fromJson(""));
    QVERIFY(!ClipboardFormat::fromMimeData(nullptr));
}

void TstNodeCommands::edgeFormFoldsColour_data()
{
    QTest::addColumn<QColor>("color");
    QTest::addColumn<QVariantMap>("properties");
    QTest::addColumn<QList<AttributeRow>>("attributes");
    QTest::addColumn<QColor>("expected");
    const QList<AttributeRow> none;
    QTest::newRow("record") << QColor(Qt::blue)
                            << QVariantMap{{QStringLiteral("color"), QStringLiteral("red")}}
                            << none << QColor(Qt::blue);
    QTest::newRow("property") << QColor()
                              << QVariantMap{{QStringLiteral("color"), QStringLiteral(" orange ")}}
                              << none << QColor(QStringLiteral("orange"));
    QTest::newRow("attribute")
        << QColor() << QVariantMap()
        << QList<AttributeRow>{{QString(), QStringLiteral("color"), QStringLiteral("#123456")}}
        << QColor(QStringLiteral("#123456"));
    QTest::newRow("bad property, good attribute")
        << QColor() << QVariantMap{{QStringLiteral("color"), QStringLiteral("pas-une-couleur")}}
        << QList<AttributeRow>{{QString(), QStringLiteral("color"), QStringLiteral("teal")}}
        << QColor(QStringLiteral("teal"));
    QTest::newRow("nothing") << QColor() << QVariantMap() << none
                             << QColor(QStringLiteral("#55ff7f"));
}

void TstNodeCommands::edgeFormFoldsColour()
{
    QFETCH(QColor, color);
    QFETCH(QVariantMap, properties);
    QFETCH(QList<AttributeRow>, attributes);
    Edge edge;
    edge.color = color;
    edge.properties = properties;
    edge.attributes = attributes;
    QTEST(EdgeForm::initialColor(edge), "expected");
}

void TstNodeCommands::edgeFormFoldsWidth_data()
{
    QTest::addColumn<double>("width");
    QTest::addColumn<QVariantMap>("properties");
    QTest::addColumn<QList<AttributeRow>>("attributes");
    QTest::addColumn<double>("expected");
    const QList<AttributeRow> none;
    QTest::newRow("record") << 3.5 << QVariantMap{{QStringLiteral("width"), 7}} << none << 3.5;
    QTest::newRow("property") << 0.0 << QVariantMap{{QStringLiteral("width"), QStringLiteral("4")}}
                              << none << 4.0;
    QTest::newRow("attribute")
        << -1.0 << QVariantMap()
        << QList<AttributeRow>{{QString(), QStringLiteral("width"), QStringLiteral("2.5")}} << 2.5;
    QTest::newRow("zero everywhere")
        << 0.0 << QVariantMap{{QStringLiteral("width"), 0}}
        << QList<AttributeRow>{{QString(), QStringLiteral("width"), QStringLiteral("large")}} << 1.8;
}

void TstNodeCommands::edgeFormFoldsWidth()
{
    QFETCH(double, width);
    QFETCH(QVariantMap, properties);
    QFETCH(QList<AttributeRow>, attributes);
    Edge edge;
    edge.width = width;
    edge.properties = properties;
    edge.attributes = attributes;
    QTEST(EdgeForm::initialWidth(edge), "expected");
}

void TstNodeCommands::edgeFormHidesAndDropsFoldedRows()
{
    Edge edge;
    edge.attributes = {{QStringLiteral("r1"), QStringLiteral("port"), QStringLiteral("443")},
                       {QStringLiteral("r2"), QStringLiteral("width"), QStringLiteral("3")},
                       {QStringLiteral("r3"), QStringLiteral("color"), QStringLiteral("red")}};
    edge.properties = {{QStringLiteral("color"), QStringLiteral("blue")},
                       {QStringLiteral("source"), QStringLiteral("pdns")}};
    const QList<AttributeRow> shown = EdgeForm::shownRows(edge);
    QCOMPARE(shown.size(), 2);
    QCOMPARE(shown.at(0), (AttributeRow{QStringLiteral("r1"), QStringLiteral("port"),
                                        QStringLiteral("443")}));
    QCOMPARE(shown.at(1), (AttributeRow{QString(), QStringLiteral("source"), QStringLiteral("pdns")}));

    const QList<AttributeRow> stored = EdgeForm::rowsToStore(
        {{QStringLiteral("r1"), QStringLiteral(" port "), QStringLiteral(" 443 ")},
         {QString(), QStringLiteral("  "), QStringLiteral("vide")},
         {QString(), QStringLiteral("width "), QStringLiteral("9")},
         {QString(), QStringLiteral("color"), QStringLiteral("green")}});
    QCOMPARE(stored.size(), 1);
    QCOMPARE(stored.at(0), (AttributeRow{QStringLiteral("r1"), QStringLiteral("port"),
                                         QStringLiteral(" 443 ")}));
}

void TstNodeCommands::directionWordsBothWays()
{
    const QList<EdgeDirection> directions{EdgeDirection::Directed, EdgeDirection::DirectedInverse,
                                          EdgeDirection::Undirected, EdgeDirection::None};
    const QStringList words{QStringLiteral("directionelle"), QStringLiteral("directionelle (inv)"),
                            QStringLiteral("bi-directionelle"), QStringLiteral("pointillée")};
    QCOMPARE(EdgeForm::directionWords(), words);
    for (int i = 0; i < directions.size(); ++i) {
        QCOMPARE(EdgeForm::directionWord(directions.at(i)), words.at(i));
        QCOMPARE(EdgeForm::directionFromWord(words.at(i)), directions.at(i));
    }
    QCOMPARE(EdgeForm::directionWord(EdgeDirection(7)), QStringLiteral("pointillée"));
    QCOMPARE(EdgeForm::directionFromWord(QStringLiteral("Directionelle")), EdgeDirection::None);
}

void TstNodeCommands::pageLabels_data()
{
    QTest::addColumn<int>("page");
    QTest::addColumn<int>("total");
    QTest::addColumn<int>("perPage");
    QTest::addColumn<QString>("label");
    QTest::addColumn<int>("rowsShown");
    QTest::newRow("201 at 200, first") << 0 << 201 << 200 << "Page 1 / 2 — 201 média(s)" << 200;
    QTest::newRow("201 at 200, second") << 1 << 201 << 200 << "Page 2 / 2 — 201 média(s)" << 1;
    QTest::newRow("exact pages") << 2 << 30 << 10 << "Page 3 / 3 — 30 média(s)" << 10;
    QTest::newRow("empty") << 0 << 0 << 50 << "Page 1 / 1 — 0 média(s)" << 0;
}

void TstNodeCommands::pageLabels()
{
    QFETCH(int, page);
    QFETCH(int, total);
    QFETCH(int, perPage);
    QTEST(ListPaging::label(page, total, perPage, QStringLiteral("média(s)")), "label");
    QTEST(ListPaging::rowsOnPage(page, total, perPage), "rowsShown");
    QCOMPARE(ListPaging::clampPage(page + 5, total, perPage),
             ListPaging::pageCount(total, perPage) - 1);
    QCOMPARE(ListPaging::clampPage(-3, total, perPage), 0);
}

void TstNodeCommands::recordFilterIgnoresCaseAndSortsByLabel()
{
    Graph graph;
    Node b = makeNode(QStringLiteral("1"), QStringLiteral("beta"));
    b.attributes = {{QString(), QStringLiteral("asn"), QStringLiteral("AS13335")}};
    graph.insertNode(b);
    graph.insertNode(makeNode(QStringLiteral("2"), QStringLiteral("Alpha")));
    Node c = makeNode(QStringLiteral("3"), QStringLiteral("Gamma"));
    c.description = QStringLiteral("relais Tor");
    graph.insertNode(c);
    using Field = RecordFilter::Field;
    QCOMPARE(RecordFilter::nodeIds(graph, QString(), {Field::Label}),
             QStringList({"2", "1", "3"}));
    QCOMPARE(RecordFilter::nodeIds(graph, QStringLiteral(" ALP "), {Field::Label}),
             QStringList{"2"});
    QCOMPARE(RecordFilter::nodeIds(graph, QStringLiteral("as133"), {Field::Label}), QStringList());
    QCOMPARE(RecordFilter::nodeIds(graph, QStringLiteral("as133"), {Field::Label, Field::Attributes}),
             QStringList{"1"});
    QCOMPARE(RecordFilter::nodeIds(graph, QStringLiteral("tor"), {Field::Description}),
             QStringList{"3"});
    QCOMPARE(RecordFilter::nodeIds(graph, QString(), {Field::Label}, {"3", "1"}),
             QStringList({"1", "3"}));

    graph.insertEdge(makeEdge(QStringLiteral("e"), QStringLiteral("2"), QStringLiteral("3")));
    QCOMPARE(RecordFilter::edgeIds(graph, QStringLiteral("gam"), {Field::Destination}),
             QStringList{"e"});
    QCOMPARE(RecordFilter::edgeIds(graph, QStringLiteral("gam"), {Field::Source}), QStringList());
}

void TstNodeCommands::digestOfAFile()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("abc.txt"));
    writeBytes(path, "abc");
    QCOMPARE(MediaFiles::sha256Hex(path),
             QStringLiteral("ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"));
    QCOMPARE(MediaFiles::sha256Hex(dir.filePath(QStringLiteral("absent.txt"))), QString());
    QCOMPARE(MediaFiles::sha256Hex(dir.path()), QString());
    QCOMPARE(MediaFiles::absolutePath(QStringLiteral("nodes/x/a.png"), QStringLiteral("/cases/P")),
             QStringLiteral("/cases/P/nodes/x/a.png"));
    QCOMPARE(MediaFiles::absolutePath(QStringLiteral("/abs/b.png"), QStringLiteral("/cases/P")),
             QStringLiteral("/abs/b.png"));
}

void TstNodeCommands::mediaRowsSortAndMatch()
{
    Graph graph;
    Node z = makeNode(QStringLiteral("z"), QStringLiteral("Beta"));
    z.medias = {{QStringLiteral("b"), QStringLiteral("/x/rapport.PDF"), {}, QStringLiteral("#apt"), {}, {}, {}},
                {QStringLiteral("a"), QStringLiteral("/x/capture.png"), {}, {}, {}, {}, {}}};
    Node e = makeNode(QStringLiteral("e"), QStringLiteral("alpha"));
    e.medias = {{QStringLiteral("m"), QStringLiteral("/y/m.txt"), {}, {}, {}, {}, {}}};
    graph.insertNode(z);
    graph.insertNode(e);
    const QList<MediaFiles::Row> rows = MediaFiles::rows(graph);
    QCOMPARE(rows.size(), 3);
    QCOMPARE(rows.at(0).nodeLabel, QStringLiteral("alpha"));
    QCOMPARE(rows.at(1).name, QStringLiteral("a"));
    QCOMPARE(rows.at(2).name, QStringLiteral("b"));
    QVERIFY(MediaFiles::matches(rows.at(2), QStringLiteral("RAPPORT.pdf"), MediaFiles::Column::FileName));
    QVERIFY(!MediaFiles::matches(rows.at(2), QStringLiteral("x/"), MediaFiles::Column::FileName));
    QVERIFY(MediaFiles::matches(rows.at(2), QStringLiteral("APT"), MediaFiles::Column::Tags));
    QVERIFY(!MediaFiles::matches(rows.at(1), QStringLiteral("APT"), MediaFiles::Column::Tags));
}

void TstNodeCommands::iconFolderIsFoundFromTheWorkingDirectoryUp()
{
    QTemporaryDir root;
    const QDir dir(root.path());
    QVERIFY(dir.mkpath(QStringLiteral("repo/build/sub")));
    QVERIFY(dir.mkpath(QStringLiteral("repo/icons")));
    QVERIFY(dir.mkpath(QStringLiteral("app/icons")));
    const QString work = dir.filePath(QStringLiteral("repo/build/sub"));
    const QString app = dir.filePath(QStringLiteral("app"));
    QCOMPARE(IconLibrary::findFolder(work, app), dir.filePath(QStringLiteral("app/icons")));
    QCOMPARE(IconLibrary::findFolder(work, dir.filePath(QStringLiteral("nowhere"))),
             dir.filePath(QStringLiteral("repo/icons")));
    QVERIFY(dir.mkpath(QStringLiteral("repo/build/sub/icons")));
    QCOMPARE(IconLibrary::findFolder(work, app), dir.filePath(QStringLiteral("repo/build/sub/icons")));

    QTemporaryDir bare;
    QCOMPARE(IconLibrary::findFolder(bare.path(), bare.path()), QString());

    // An installed program keeps its library in <prefix>/share/orvane/icons; a library
    // beside the executable or in the working directory still comes first.
    QTemporaryDir prefix;
    const QDir installed(prefix.path());
    QVERIFY(installed.mkpath(QStringLiteral("bin")));
    QVERIFY(installed.mkpath(QStringLiteral("share/orvane/icons")));
    const QString bin = installed.filePath(QStringLiteral("bin"));
    QCOMPARE(IconLibrary::findFolder(bare.path(), bin),
             installed.filePath(QStringLiteral("share/orvane/icons")));
    QCOMPARE(IconLibrary::findFolder(work, bin), dir.filePath(QStringLiteral("repo/build/sub/icons")));
    QVERIFY(installed.mkpath(QStringLiteral("bin/icons")));
    QCOMPARE(IconLibrary::findFolder(bare.path(), bin), installed.filePath(QStringLiteral("bin/icons")));
}

void TstNodeCommands::iconLibraryPathsResolve_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("expected"); // below the scratch root; empty: no file
    QTest::newRow("with the library folder")
        << "icons/Cyber/malware rouge.png" << "work/icons/Cyber/malware rouge.png";
    QTest::newRow("inside the library")
        << "Cyber/malware rouge.png" << "work/icons/Cyber/malware rouge.png";
    QTest::newRow("only in the installed library")
        << "icons/Cyber/seul.png" << "prefix/share/orvane/icons/Cyber/seul.png";
    QTest::newRow("missing") << "icons/Cyber/absent.png" << "";
    QTest::newRow("climbing out") << "icons/../../secret.png" << "";
    QTest::newRow("a folder") << "icons/Cyber" << "";
    QTest::newRow("empty") << "" << "";
}

void TstNodeCommands::iconLibraryPathsResolve()
{
    QFETCH(QString, path);
    QFETCH(QString, expected);
    QTemporaryDir root;
    const QDir dir(root.path());
    // The working directory holds a library without "seul.png"; the installed one is tried
    // after it.
    for (const char *name : {"work/icons/Cyber/malware rouge.png",
                             "prefix/share/orvane/icons/Cyber/malware rouge.png",
                             "prefix/share/orvane/icons/Cyber/seul.png", "prefix/secret.png",
                             "secret.png"}) {
        const QString file = dir.filePath(QString::fromUtf8(name));
        QVERIFY(dir.mkpath(QFileInfo(file).path()));
        writeBytes(file, "png");
    }
    QVERIFY(dir.mkpath(QStringLiteral("prefix/bin")));
    const QString work = dir.filePath(QStringLiteral("work"));
    const QString bin = dir.filePath(QStringLiteral("prefix/bin"));
    const QString answer = IconLibrary::resolve(path, work, bin);
    QCOMPARE(answer, expected.isEmpty() ? QString() : dir.filePath(expected));
    // An absolute path to an existing file is its own answer.
    if (!answer.isEmpty())
        QCOMPARE(IconLibrary::resolve(answer, work, bin), answer);
}

void TstNodeCommands::iconCategoriesKeepPicturesOnly()
{
    QTemporaryDir root;
    const QDir dir(root.path());
    QVERIFY(dir.mkpath(QStringLiteral("Réseau")));
    QVERIFY(dir.mkpath(QStringLiteral("Cyber")));
    QVERIFY(dir.mkpath(QStringLiteral(".cache")));
    for (const char *name : {"Cyber/malware rouge.png", "Cyber/notes.txt", "Cyber/Logo.SVG",
                             "Réseau/serveur.webp", "a.png", ".cache/x.png"}) {
        QFile file(dir.filePath(QString::fromUtf8(name)));
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    const QList<IconLibrary::Category> categories = IconLibrary::categories(root.path());
    QCOMPARE(categories.size(), 2);
    QCOMPARE(categories.at(0).name, QStringLiteral("Cyber"));
    QCOMPARE(categories.at(0).files,
             QStringList({dir.filePath(QStringLiteral("Cyber/Logo.SVG")),
                          dir.filePath(QStringLiteral("Cyber/malware rouge.png"))}));
    QCOMPARE(categories.at(1).name, QStringLiteral("Réseau"));
    QCOMPARE(categories.at(1).files,
             QStringList{dir.filePath(QStringLiteral("Réseau/serveur.webp"))});
}

QTEST_GUILESS_MAIN(TstNodeCommands)
#include "tst_nodecommands.moc"
