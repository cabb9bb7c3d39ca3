#include "document/graphdocument.h"
#include "model/graph.h"
#include "model/textforms.h"

#include <QSet>
#include <QSignalSpy>
#include <QTest>
#include <QUndoStack>

using namespace TextForms;

class TstModel : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void sceneEditsAreUndoSteps();
    void defaultRecords();
    void shapeWords_data();
    void shapeWords();
    void directionWords_data();
    void directionWords();
    void resourcePaths_data();
    void resourcePaths();
    void dateTexts_data();
    void dateTexts();
    void colourTexts();
    void newIdsAreBracelessUuids();
    void graphOperationsRefuseConflicts();
};

void TstModel::defaultRecords()
{
    const Node node;
    QCOMPARE(node.shape, NodeShape::Circle);
    QCOMPARE(colorToText(node.color), QStringLiteral("#f5f5f5"));
    QCOMPARE(node.size, 1.0);
    QVERIFY(node.showLabel && node.visible);
    QVERIFY(!node.anchored && !node.hypothesis && !node.isGroup);
    QVERIFY(!node.validity.start.isValid() && !node.validity.end.isValid());
    QVERIFY(!node.geoLat && !node.geoLon);
    QVERIFY(!node.type.isNull());

    const Edge edge;
    QCOMPARE(edge.direction, EdgeDirection::Directed);
    QCOMPARE(edge.width, 1.8);
    QVERIFY(!edge.color.isValid());
    QVERIFY(edge.showLabel && edge.visible);
    QVERIFY(edge.type.isEmpty() && !edge.type.isNull());
}

void TstModel::shapeWords_data()
{
    QTest::addColumn<QString>("word");
    QTest::addColumn<NodeShape>("shape");
    QTest::newRow("hexagon padded, capital") << " Hexagone " << NodeShape::Hexagon;
    QTest::newRow("english square") << "square" << NodeShape::Square;
    QTest::newRow("carre without accent") << "carre" << NodeShape::Square;
    QTest::newRow("carré") << "carré" << NodeShape::Square;
    QTest::newRow("triangle") << "TRIANGLE" << NodeShape::Triangle;
    QTest::newRow("pentagon") << "pentagon" << NodeShape::Pentagon;
    QTest::newRow("octogone") << "octogone" << NodeShape::Octagon;
    QTest::newRow("unknown word") << "losange" << NodeShape::Circle;
    QTest::newRow("empty") << "" << NodeShape::Circle;
}

void TstModel::shapeWords()
{
    QFETCH(QString, word);
    QFETCH(NodeShape, shape);
    QCOMPARE(parseShapeName(word), shape);
    QCOMPARE(parseShapeName(shapeToText(shape)), shape);
}

void TstModel::directionWords_data()
{
    QTest::addColumn<QString>("word");
    QTest::addColumn<EdgeDirection>("direction");
    QTest::newRow("directed") << "directed" << EdgeDirection::Directed;
    QTest::newRow("inverse") << "directed_inv" << EdgeDirection::DirectedInverse;
    QTest::newRow("undirected") << "undirected" << EdgeDirection::Undirected;
    QTest::newRow("capital D is not directed") << "Directed" << EdgeDirection::None;
    QTest::newRow("blanks are not trimmed") << " directed" << EdgeDirection::None;
}

void TstModel::directionWords()
{
    QFETCH(QString, word);
    QFETCH(EdgeDirection, direction);
    QCOMPARE(parseDirection(word), direction);
    QCOMPARE(parseDirection(directionToText(direction)), direction);
}

void TstModel::resourcePaths_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("resource");
    QTest::newRow("qrc") << "qrc:/icons/a.png" << true;
    QTest::newRow("colon slash") << ":/icons/a.png" << true;
    QTest::newRow("upper case QRC") << "QRC:/icons/a.png" << false;
    QTest::newRow("file") << "/home/a.png" << false;
}

void TstModel::resourcePaths()
{
    QFETCH(QString, path);
    QFETCH(bool, resource);
    QCOMPARE(isResourcePath(path), resource);
}

void TstModel::dateTexts_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("written");
    QTest::newRow("local, no offset") << "2024-03-01T10:20:30" << "2024-03-01T10:20:30";
    QTest::newRow("utc") << "2024-03-01T10:20:30Z" << "2024-03-01T10:20:30Z";
    QTest::newRow("offset kept") << "2024-03-01T10:20:30+02:00" << "2024-03-01T10:20:30+02:00";
    QTest::newRow("milliseconds kept") << "2024-03-01T10:20:30.250" << "2024-03-01T10:20:30.250";
    QTest::newRow("utc milliseconds kept") << "2024-03-01T10:20:30.007Z" << "2024-03-01T10:20:30.007Z";
    QTest::newRow("not a date") << "bientôt" << "";
    QTest::newRow("empty") << "" << "";
}

void TstModel::dateTexts()
{
    QFETCH(QString, text);
    QFETCH(QString, written);
    const QDateTime parsed = parseDateTime(text);
    QCOMPARE(parsed.isValid(), !written.isEmpty());
    QCOMPARE(dateTimeToText(parsed), written);
    QVERIFY(dateTimeToText(QDateTime()).isNull());
}

void TstModel::colourTexts()
{
    QCOMPARE(colorToText(QColor(255, 0, 170, 10)), QStringLiteral("#ff00aa"));
    QVERIFY(colorToText(QColor()).isNull());
    QCOMPARE(parseColor(QStringLiteral("#f0a")), QColor(255, 0, 170));
    QCOMPARE(parseColor(QStringLiteral("red")), QColor(255, 0, 0));
    QVERIFY(!parseColor(QStringLiteral("pas une couleur")).isValid());
}

void TstModel::newIdsAreBracelessUuids()
{
    const QRegularExpression form(
        QStringLiteral("^[0-9a-f]{8}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{12}$"));
    QSet<QString> seen;
    for (int i = 0; i < 50; ++i) {
        const QString id = newId();
        QVERIFY2(form.match(id).hasMatch(), qPrintable(id));
        seen.insert(id);
    }
    QCOMPARE(seen.size(), 50);
}

void TstModel::graphOperationsRefuseConflicts()
{
    Graph graph;
    Node a;
    a.id = QStringLiteral("a");
    a.label = QStringLiteral("first");
    QVERIFY(graph.insertNode(a));
    Node clash = a;
    clash.label = QStringLiteral("second");
    QVERIFY(!graph.insertNode(clash));
    QCOMPARE(graph.node(QStringLiteral("a")).label, QStringLiteral("first"));

    Node missing;
    missing.id = QStringLiteral("missing");
    QVERIFY(!graph.replaceNode(missing));
    QVERIFY(!graph.hasNode(QStringLiteral("missing")));
    QVERIFY(graph.replaceNode(clash));
    QCOMPARE(graph.node(QStringLiteral("a")).label, QStringLiteral("second"));

    Edge ab;
    ab.id = QStringLiteral("e1");
    ab.src = QStringLiteral("a");
    ab.dst = QStringLiteral("b");
    Edge bc = ab;
    bc.id = QStringLiteral("e2");
    bc.src = QStringLiteral("b");
    bc.dst = QStringLiteral("c");
    QVERIFY(graph.insertEdge(ab) && graph.insertEdge(bc));
    QCOMPARE(graph.edgesTouching({QStringLiteral("a")}), QStringList{QStringLiteral("e1")});
    QCOMPARE(graph.edgesTouching({QStringLiteral("c")}), QStringList{QStringLiteral("e2")});
    QVERIFY(!graph.unusedNodeId().isEmpty() && !graph.hasNode(graph.unusedNodeId()));
}

namespace {

QStringList mapLabels(const GraphDocument &document)
{
    QStringList labels;
    for (const MapRecord &map : document.sceneRecords().maps)
        labels.append(map.label);
    return labels;
}

} // namespace

void TstModel::sceneEditsAreUndoSteps()
{
    GraphDocument document;
    QSignalSpy changes(&document, &GraphDocument::sceneChanged);
    QVERIFY(document.editScene(QStringLiteral("Ajouter"), [](SceneRecords &records) {
        for (const char *label : {"rez", "étage", "toit"}) {
            MapRecord map;
            map.label = QString::fromUtf8(label);
            records.maps.append(map);
        }
    }));
    // Records without an identity get one, so that their items and later steps find them.
    const QString middle = document.sceneRecords().maps.at(1).uuid;
    QVERIFY(!middle.isEmpty());
    QVERIFY(document.sceneRecords().maps.at(0).uuid != middle);
    QVERIFY(document.isModified());

    // A change that changes nothing is no step.
    QVERIFY(!document.editScene(QStringLiteral("Rien"), [](SceneRecords &records) {
        records.maps[0].label = records.maps[0].label;
    }));
    QCOMPARE(document.undoStack()->count(), 1);

    document.editScene(QStringLiteral("Supprimer"), [&middle](SceneRecords &records) {
        records.maps.removeIf([&middle](const MapRecord &map) { return map.uuid == middle; });
        records.maps[0].rotation = 90;
    });
    QCOMPARE(mapLabels(document), QStringList({"rez", "toit"}));
    QCOMPARE(document.undoStack()->undoText(), QStringLiteral("Supprimer"));
    document.undoStack()->undo();
    // Back in its place, and the other change undone with it.
    QCOMPARE(mapLabels(document), QStringList({"rez", "étage", "toit"}));
    QCOMPARE(document.sceneRecords().maps.at(1).uuid, middle);
    QCOMPARE(document.sceneRecords().maps.at(0).rotation, 0.0);
    document.undoStack()->redo();
    QCOMPARE(mapLabels(document), QStringList({"rez", "toit"}));
    QCOMPARE(document.sceneRecords().maps.at(0).rotation, 90.0);
    document.undoStack()->undo();
    document.undoStack()->undo();
    QVERIFY(document.sceneRecords().maps.isEmpty());
    QVERIFY(!document.isModified());
    QCOMPARE(changes.size(), 6);
}

QTEST_GUILESS_MAIN(TstModel)
#include "tst_model.moc"
