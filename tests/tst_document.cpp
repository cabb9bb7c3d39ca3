// The investigation document: every kind of change is one step that undo takes back to the
// exact tables and redo replays, the unsaved state follows the history, and the unsaved part
// of the history can be put back on top of a file that changed meanwhile.
#include "document/graphdocument.h"
#include "ops/grouping.h"
#include "ops/layouts.h"
#include "ops/nodecommands.h"
#include "testgraphs.h"

#include <QJsonObject>
#include <QSignalSpy>
#include <QTest>
#include <QUndoStack>

#include <functional>

using namespace TestGraphs;

Q_DECLARE_METATYPE(std::function<void(Graph &)>)

class TstDocument : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void undoRestoresAndRedoReplays_data();
    void undoRestoresAndRedoReplays();
    void modifiedFollowsTheSavedState();
    void failedChangeLeavesNothing();
    void unsavedChangesGoBackOnANewerFile();
    void unsavedPartNamesWhatASaveMustWrite();
    void changeSignalNamesOnlyWhatChanged();
};

namespace {

// Three nodes in a row, a relation between the first two, one kept STIX object.
Graph sample()
{
    Graph graph;
    graph.insertNode(makeNode(QStringLiteral("a"), QStringLiteral("Alpha"), QPointF(0, 0)));
    graph.insertNode(makeNode(QStringLiteral("b"), QStringLiteral("Beta"), QPointF(100, 0)));
    graph.insertNode(makeNode(QStringLiteral("c"), QStringLiteral("Gamma"), QPointF(200, 0)));
    graph.insertEdge(makeEdge(QStringLiteral("ab"), QStringLiteral("a"), QStringLiteral("b"),
                              QStringLiteral("lien"), QStringLiteral("voit")));
    return graph;
}

void compareTables(const Graph &actual, const Graph &expected)
{
    QCOMPARE(actual.nodes(), expected.nodes());
    QCOMPARE(actual.edges(), expected.edges());
    QCOMPARE(actual.stix().detached.size(), expected.stix().detached.size());
    QCOMPARE(actual.stix().nodeOrigins.keys(), expected.stix().nodeOrigins.keys());
}

} // namespace

void TstDocument::undoRestoresAndRedoReplays_data()
{
    using Change = std::function<void(Graph &)>;
    QTest::addColumn<Change>("change");
    QTest::newRow("node added") << Change([](Graph &graph) {
        graph.insertNode(makeNode(QStringLiteral("d"), QStringLiteral("Delta")));
    });
    QTest::newRow("node edited") << Change([](Graph &graph) {
        Node node = graph.node(QStringLiteral("b"));
        node.label = QStringLiteral("Bêta");
        node.attributes.append({QString(), QStringLiteral("ip"), QStringLiteral("10.0.0.1")});
        graph.replaceNode(node);
    });
    QTest::newRow("node and its relations deleted") << Change([](Graph &graph) {
        NodeCommands::removeNodes(graph, {QStringLiteral("a")});
    });
    QTest::newRow("relation added") << Change([](Graph &graph) {
        graph.insertEdge(makeEdge(QStringLiteral("bc"), QStringLiteral("b"), QStringLiteral("c")));
    });
    QTest::newRow("layout of every node") << Change([](Graph &graph) {
        Layouts::circle(graph, graph.nodes().keys());
    });
    QTest::newRow("grouping") << Change([](Graph &graph) {
        Node group = Grouping::newGroupNode(graph, QPointF(50, 50));
        group.id = QStringLiteral("g");
        graph.insertNode(group);
        Grouping::addToGroup(graph, QStringLiteral("g"), {QStringLiteral("a"), QStringLiteral("b")});
    });
    QTest::newRow("kept STIX objects") << Change([](Graph &graph) {
        graph.stix().detached.append(QJsonObject{{"type", "marking-definition"}});
        graph.stix().nodeOrigins.insert(QStringLiteral("a"), StixOrigin{});
    });
    QTest::newRow("everything replaced") << Change([](Graph &graph) {
        Graph other;
        other.insertNode(makeNode(QStringLiteral("z")));
        graph.assign(other.nodes(), other.edges());
    });
}

void TstDocument::undoRestoresAndRedoReplays()
{
    QFETCH(std::function<void(Graph &)>, change);
    GraphDocument document;
    document.load(sample(), {}, QString());
    const Graph before = document.graph();
    Graph expected = sample();
    change(expected);

    document.edit(QStringLiteral("Étape"), change);
    QCOMPARE(document.undoStack()->count(), 1);
    QCOMPARE(document.undoStack()->undoText(), QStringLiteral("Étape"));
    compareTables(document.graph(), expected);
    document.undoStack()->undo();
    compareTables(document.graph(), before);
    document.undoStack()->redo();
    compareTables(document.graph(), expected);
}

void TstDocument::modifiedFollowsTheSavedState()
{
    GraphDocument document;
    QSignalSpy modified(&document, &GraphDocument::modifiedChanged);
    document.load(sample(), {}, QStringLiteral("/tmp/x.orvane.db"));
    QVERIFY(!document.isModified());
    const auto rename = [](const QString &label) {
        return [label](Graph &graph) {
            Node node = graph.node(QStringLiteral("a"));
            node.label = label;
            graph.replaceNode(node);
        };
    };
    document.edit(QStringLiteral("1"), rename(QStringLiteral("Un")));
    QVERIFY(document.isModified());
    document.markSaved();
    QVERIFY(!document.isModified());
    // Undo after a save works and makes the document modified again; redo comes back to it.
    document.undoStack()->undo();
    QVERIFY(document.isModified());
    QCOMPARE(document.graph().node(QStringLiteral("a")).label, QStringLiteral("Alpha"));
    document.undoStack()->redo();
    QVERIFY(!document.isModified());
    // A change that leaves every record as it was is no step and no modification.
    document.edit(QStringLiteral("rien"), rename(QStringLiteral("Un")));
    QCOMPARE(document.undoStack()->count(), 1);
    QVERIFY(!document.isModified());
    QCOMPARE(modified.count(), 4);
}

void TstDocument::failedChangeLeavesNothing()
{
    GraphDocument document;
    document.load(sample(), {}, QString());
    QSignalSpy changed(&document, &GraphDocument::changed);
    const bool done = document.tryEdit(QStringLiteral("Import"), [](Graph &graph) {
        graph.insertNode(makeNode(QStringLiteral("partial")));
        NodeCommands::removeNodes(graph, {QStringLiteral("a")});
        return false;
    });
    QVERIFY(!done);
    compareTables(document.graph(), sample());
    QCOMPARE(document.undoStack()->count(), 0);
    QCOMPARE(changed.count(), 0);
}

void TstDocument::unsavedChangesGoBackOnANewerFile()
{
    GraphDocument document;
    document.load(sample(), {}, QString());
    document.edit(QStringLiteral("ajout"), [](Graph &graph) {
        graph.insertNode(makeNode(QStringLiteral("mine")));
    });
    document.edit(QStringLiteral("renommer"), [](Graph &graph) {
        Node node = graph.node(QStringLiteral("b"));
        node.label = QStringLiteral("Renommé");
        graph.replaceNode(node);
    });
    // A step on the background shapes between them is not a change of the tables.
    document.editScene(QStringLiteral("carte"), [](SceneRecords &records) {
        records.maps.append(MapRecord());
    });
    const ChangeSet unsaved = document.unsavedChanges();
    QCOMPARE(unsaved.nodes.size(), 2);

    // Another writer added a node and moved "c"; the file is reloaded and the two unsaved
    // changes go back on top as one step.
    Graph newer = sample();
    newer.insertNode(makeNode(QStringLiteral("theirs")));
    Node moved = newer.node(QStringLiteral("c"));
    moved.pos = QPointF(999, 0);
    newer.replaceNode(moved);
    document.load(newer, {}, QString());
    document.apply(QStringLiteral("Modifications non enregistrées"), unsaved);
    const Graph &merged = document.graph();
    QVERIFY(merged.hasNode(QStringLiteral("theirs")));
    QVERIFY(merged.hasNode(QStringLiteral("mine")));
    QCOMPARE(merged.node(QStringLiteral("b")).label, QStringLiteral("Renommé"));
    QCOMPARE(merged.node(QStringLiteral("c")).pos, QPointF(999, 0));
    document.undoStack()->undo();
    compareTables(document.graph(), newer);

    // Undoing past the saved state counts too: backwards.
    document.markSaved();
    document.undoStack()->redo();
    document.markSaved();
    document.undoStack()->undo();
    const ChangeSet backwards = document.unsavedChanges();
    QVERIFY(backwards.nodes.contains(QStringLiteral("mine")));
    QVERIFY(!backwards.nodes.value(QStringLiteral("mine")).after);
}

// A save of changes writes what unsavedChanges() and sceneModified() name: scene steps among
// graph steps, kept STIX objects, and states the history cannot reach again all count.
void TstDocument::unsavedPartNamesWhatASaveMustWrite()
{
    GraphDocument document;
    document.load(sample(), {{}, {ShapeRecord()}}, QStringLiteral("/tmp/x.orvane.db"));
    QVERIFY(document.fileHoldsSavedState());
    QVERIFY(!document.sceneModified());
    document.edit(QStringLiteral("renommer"), [](Graph &graph) {
        Node node = graph.node(QStringLiteral("a"));
        node.label = QStringLiteral("Renommé");
        graph.replaceNode(node);
    });
    document.editScene(QStringLiteral("déplacer"),
                       [](SceneRecords &scene) { scene.shapes.first().pos = QPointF(5, 5); });
    document.edit(QStringLiteral("importer"), [](Graph &graph) {
        graph.stix().detached.append(QJsonObject{{QStringLiteral("id"), QStringLiteral("marking--1")}});
    });
    ChangeSet unsaved = document.unsavedChanges();
    QCOMPARE(unsaved.nodes.keys(), QStringList{QStringLiteral("a")});
    QVERIFY(unsaved.stix);
    QVERIFY(unsaved.stix->first.detached.isEmpty());
    QCOMPARE(unsaved.stix->second.detached.size(), 1);
    QVERIFY(document.sceneModified());

    // Back to the saved state: nothing to write.
    document.undoStack()->undo();
    document.undoStack()->undo();
    QVERIFY(!document.sceneModified());
    QVERIFY(!document.unsavedChanges().stix);
    document.undoStack()->undo();
    QVERIFY(document.unsavedChanges().isEmpty());
    QVERIFY(!document.sceneModified());

    // Saved after the scene step, then undone past it: the scene must be written back.
    document.undoStack()->redo();
    document.undoStack()->redo();
    document.markSaved();
    document.undoStack()->undo();
    QVERIFY(document.sceneModified());
    QCOMPARE(document.unsavedChanges().nodes.size(), 0);
    document.undoStack()->undo();
    unsaved = document.unsavedChanges();
    QCOMPARE(unsaved.nodes.value(QStringLiteral("a")).after->label, QStringLiteral("Alpha"));

    // A new step after undoing past the save: the saved state is out of reach.
    QVERIFY(document.fileHoldsSavedState());
    document.edit(QStringLiteral("ajout"),
                  [](Graph &graph) { graph.insertNode(makeNode(QStringLiteral("n"))); });
    QVERIFY(!document.fileHoldsSavedState());
    QVERIFY(document.sceneModified());

    // A file that holds more than the history says (positions placed on load) waits for a
    // whole save.
    document.load(sample(), {}, QStringLiteral("/tmp/x.orvane.db"));
    document.markFileDiverged();
    QVERIFY(!document.fileHoldsSavedState());
    document.markSaved();
    QVERIFY(!document.fileHoldsSavedState());
    document.markWholeFileSaved();
    QVERIFY(document.fileHoldsSavedState());
}

void TstDocument::changeSignalNamesOnlyWhatChanged()
{
    GraphDocument document;
    document.load(sample(), {}, QString());
    QSignalSpy changed(&document, &GraphDocument::changed);
    document.edit(QStringLiteral("Supprimer"), [](Graph &graph) {
        NodeCommands::removeNodes(graph, {QStringLiteral("a")});
        graph.insertNode(makeNode(QStringLiteral("n")));
    });
    QCOMPARE(changed.count(), 1);
    const GraphChange change = changed.at(0).at(0).value<GraphChange>();
    QCOMPARE(change.nodesRemoved, QStringList{QStringLiteral("a")});
    QCOMPARE(change.edgesRemoved, QStringList{QStringLiteral("ab")});
    QCOMPARE(change.nodesAdded, QStringList{QStringLiteral("n")});
    QVERIFY(change.nodesChanged.isEmpty());
    document.undoStack()->undo();
    const GraphChange undone = changed.at(1).at(0).value<GraphChange>();
    QCOMPARE(undone.nodesAdded, QStringList{QStringLiteral("a")});
    QCOMPARE(undone.nodesRemoved, QStringList{QStringLiteral("n")});
    QCOMPARE(undone.edgesAdded, QStringList{QStringLiteral("ab")});
}

QTEST_GUILESS_MAIN(TstDocument)
#include "tst_document.moc"
