#include "app/mainwindow.h"
#include "app/tab.h"
#include "canvas/edgeitem.h"
#include "canvas/graphscene.h"
#include "canvas/nodeitem.h"
#include "dialogs/grouprevealdialog.h"
#include "dialogs/nodeeditdialog.h"
#include "dialogs/selectgroupdialog.h"
#include "ops/grouping.h"
#include "itemmenus.h"
#include "scriptedprompter.h"
#include "storage/projectfiles.h"
#include "testgraphs.h"

#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>

using namespace TestGraphs;

namespace {

// a and b will be grouped: a→b stays inside, a→c and c→b leave the group, c→d does not
// touch it.
Graph sampleGraph()
{
    Graph graph;
    graph.insertNode(makeNode(QStringLiteral("a"), QStringLiteral("A"), QPointF(0, 0)));
    graph.insertNode(makeNode(QStringLiteral("b"), QStringLiteral("B"), QPointF(100, 0)));
    graph.insertNode(makeNode(QStringLiteral("c"), QStringLiteral("C"), QPointF(300, 0)));
    graph.insertNode(makeNode(QStringLiteral("d"), QStringLiteral("D"), QPointF(0, 200)));
    // Each relation is named and labelled after its two ends.
    for (const QString &ends : {QStringLiteral("ab"), QStringLiteral("ac"), QStringLiteral("cb"),
                                QStringLiteral("cd")})
        graph.insertEdge(makeEdge(ends, ends.left(1), ends.right(1), QString(), ends));
    return graph;
}

// A sample graph with a collapsed group "g" at (50, 50) holding a and b.
Graph groupedGraph(QString *groupId)
{
    Graph graph = sampleGraph();
    Node group = Grouping::newGroupNode(graph, QPointF(50, 50));
    group.label = QStringLiteral("Infra");
    graph.insertNode(group);
    Grouping::addToGroup(graph, group.id, {QStringLiteral("a"), QStringLiteral("b")});
    *groupId = group.id;
    return graph;
}

QSet<QString> edgeItemIds(const GraphScene *scene)
{
    QSet<QString> ids;
    for (const EdgeItem *item : scene->edgeItems())
        ids.insert(item->edge().id);
    return ids;
}

QSet<QString> nodeItemIds(const GraphScene *scene)
{
    const QStringList keys = scene->nodeItems().keys();
    return QSet<QString>(keys.cbegin(), keys.cend());
}

} // namespace

class TstGroups : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void groupingNeedsTwoNodesAndTheEditor();
    void groupingBridgesOnlyRelationsLeavingTheGroup();
    void addingAgainDoesNotDoubleBridges();
    void nodeMovesFromOneGroupToAnother();
    void expandAndCollapseSwapMembersAndBridges();
    void nodeOfAMissingGroupStaysVisible();
    void ungroupAsksFirst_data();
    void ungroupAsksFirst();
    void groupOpensInANewTab_data();
    void groupOpensInANewTab();
    void nodeMenuRequestReachesTheWindow();
    void membershipsSurviveSaveAndReload();
    void demoGroupIsCollapsedWithBridges();
    void selectGroupDialogOffersTheGroups();
    void revealDialogAnswersTheChosenButton();

private:
    void show(const Graph &graph);
    Tab *tab() const { return m_window->currentTab(); }

    ScriptedPrompter *m_prompter = nullptr;
    MainWindow *m_window = nullptr;
};

void TstGroups::init()
{
    m_prompter = new ScriptedPrompter;
    m_window = new MainWindow(m_prompter);
}

void TstGroups::cleanup()
{
    delete m_window;
    delete m_prompter;
}

void TstGroups::show(const Graph &graph)
{
    tab()->document->load(graph, {}, tab()->dbPath());
    m_window->refreshTab(tab());
}

void TstGroups::groupingNeedsTwoNodesAndTheEditor()
{
    show(sampleGraph());
    tab()->scene->nodeItem(QStringLiteral("a"))->setSelected(true);
    m_window->groupSelection();
    QCOMPARE(m_prompter->last(QStringLiteral("message")).text,
             QStringLiteral("Sélectionnez au moins 2 nœuds."));
    QCOMPARE(m_prompter->count(QStringLiteral("dialog")), 0);
    QCOMPARE(tab()->graph().nodes().size(), 4);
    QCOMPARE(tab()->graph().edges().size(), 4);

    // Cancelling the editor of the new group leaves the graph as it was.
    tab()->scene->nodeItem(QStringLiteral("b"))->setSelected(true);
    const quint64 revision = tab()->graph().revision();
    m_window->groupSelection();
    QCOMPARE(m_prompter->count(QStringLiteral("dialog")), 1);
    QCOMPARE(tab()->graph().revision(), revision);
    QVERIFY(tab()->scene->nodeItem(QStringLiteral("a")));
}

void TstGroups::groupingBridgesOnlyRelationsLeavingTheGroup()
{
    show(sampleGraph());
    tab()->scene->nodeItem(QStringLiteral("a"))->setSelected(true);
    tab()->scene->nodeItem(QStringLiteral("b"))->setSelected(true);
    // The new group is offered in the node editor, where the analyst names it.
    Node offered;
    m_prompter->dialogs << [&offered](QDialog &dialog) {
        auto &editor = static_cast<NodeEditDialog &>(dialog);
        offered = editor.node();
        dialog.findChild<QLineEdit *>(QStringLiteral("labelEdit"))
            ->setText(QStringLiteral("Infra"));
        editor.onAccept();
        return dialog.result();
    };
    m_window->groupSelection();
    QCOMPARE(m_window->statusBar()->currentMessage(),
             QStringLiteral("Groupe créé (2 membres, 2 relations pont)"));
    QCOMPARE(offered.label, QStringLiteral("Groupe"));
    QCOMPARE(offered.type, QStringLiteral("groupe"));
    QCOMPARE(offered.color, QColor(QStringLiteral("#f5f5f5")));

    const Graph &graph = tab()->graph();
    const Node a = graph.node(QStringLiteral("a"));
    const Node group = graph.node(a.parentGroup);
    QCOMPARE(group.id, offered.id);
    QVERIFY(group.isGroup);
    QCOMPARE(group.label, QStringLiteral("Infra"));
    QCOMPARE(group.type, QStringLiteral("groupe"));
    QVERIFY(!group.expanded);
    QCOMPARE(group.pos, QPointF(50, 0));
    QCOMPARE(group.groupMembers, QStringList({QStringLiteral("a"), QStringLiteral("b")}));
    QCOMPARE(a.groupOffset, QPointF(-50, 0));
    QCOMPARE(graph.node(QStringLiteral("b")).groupOffset, QPointF(50, 0));

    const QStringList bridges = Grouping::bridgeIds(group);
    QCOMPARE(bridges.size(), 2);
    QSet<QPair<QString, QString>> ends;
    for (const QString &id : bridges)
        ends.insert({graph.edge(id).src, graph.edge(id).dst});
    QCOMPARE(ends, (QSet<QPair<QString, QString>>{{group.id, QStringLiteral("c")},
                                                  {QStringLiteral("c"), group.id}}));

    // Collapsed: the members are gone from the canvas, the bridges link the group to c.
    const GraphScene *scene = tab()->scene;
    QCOMPARE(nodeItemIds(scene), (QSet<QString>{group.id, QStringLiteral("c"), QStringLiteral("d")}));
    QCOMPARE(edgeItemIds(scene),
             (QSet<QString>{bridges.at(0), bridges.at(1), QStringLiteral("cd")}));
}

void TstGroups::addingAgainDoesNotDoubleBridges()
{
    QString groupId;
    Graph graph = groupedGraph(&groupId);
    QCOMPARE(Grouping::addToGroup(graph, groupId, {QStringLiteral("a")}), 0);
    QCOMPARE(Grouping::addToGroup(graph, groupId, {QStringLiteral("d")}), 1);
    const QStringList bridges = Grouping::bridgeIds(graph.node(groupId));
    QCOMPARE(bridges.size(), 3);
    QCOMPARE(graph.edges().size(), 7);
    const Edge last = graph.edge(bridges.last());
    QCOMPARE(last.src, QStringLiteral("c"));
    QCOMPARE(last.dst, groupId);
}

void TstGroups::nodeMovesFromOneGroupToAnother()
{
    QString first;
    Graph graph = groupedGraph(&first);
    Node second = Grouping::newGroupNode(graph, QPointF(400, 400));
    graph.insertNode(second);
    show(graph);

    m_window->addNodesToGroup(second.id, {QStringLiteral("b")});
    QCOMPARE(m_window->statusBar()->currentMessage(),
             QStringLiteral("1 nœud(s) ajouté(s) au groupe"));
    const Graph &after = tab()->graph();
    QCOMPARE(after.node(first).groupMembers, QStringList({QStringLiteral("a")}));
    QCOMPARE(after.node(second.id).groupMembers, QStringList({QStringLiteral("b")}));
    QCOMPARE(after.node(QStringLiteral("b")).parentGroup, second.id);
    QCOMPARE(after.node(QStringLiteral("b")).groupOffset, QPointF(-300, -400));
    QCOMPARE(Grouping::members(after, first), QStringList({QStringLiteral("a")}));

    // A target that is not a group changes nothing.
    const quint64 revision = after.revision();
    m_window->addNodesToGroup(QStringLiteral("c"), {QStringLiteral("d")});
    QCOMPARE(tab()->graph().revision(), revision);
}

void TstGroups::expandAndCollapseSwapMembersAndBridges()
{
    QString groupId;
    Graph graph = groupedGraph(&groupId);
    // Moving a collapsed group moves where its members reappear.
    Node group = graph.node(groupId);
    group.pos = QPointF(1000, 1000);
    graph.replaceNode(group);
    show(graph);
    const QStringList bridges = Grouping::bridgeIds(group);

    m_window->onRequestExpandGroup(groupId);
    GraphScene *scene = tab()->scene;
    QCOMPARE(nodeItemIds(scene), (QSet<QString>{groupId, QStringLiteral("a"), QStringLiteral("b"),
                                                QStringLiteral("c"), QStringLiteral("d")}));
    QCOMPARE(scene->nodeItem(QStringLiteral("a"))->pos(), QPointF(950, 950));
    QCOMPARE(scene->nodeItem(QStringLiteral("b"))->pos(), QPointF(1050, 950));
    QCOMPARE(tab()->graph().node(QStringLiteral("a")).pos, QPointF(950, 950));
    QCOMPARE(edgeItemIds(scene), (QSet<QString>{QStringLiteral("ab"), QStringLiteral("ac"),
                                                QStringLiteral("cb"), QStringLiteral("cd")}));

    m_window->onRequestCollapseGroup(groupId);
    QCOMPARE(nodeItemIds(scene), (QSet<QString>{groupId, QStringLiteral("c"), QStringLiteral("d")}));
    QCOMPARE(edgeItemIds(scene),
             (QSet<QString>{bridges.at(0), bridges.at(1), QStringLiteral("cd")}));
    QCOMPARE(tab()->graph().node(QStringLiteral("a")).groupOffset, QPointF(-50, -50));
}

void TstGroups::nodeOfAMissingGroupStaysVisible()
{
    Graph graph = sampleGraph();
    Node orphan = graph.node(QStringLiteral("d"));
    orphan.parentGroup = QStringLiteral("deleted-group");
    graph.replaceNode(orphan);
    show(graph);
    QVERIFY(tab()->scene->nodeItem(QStringLiteral("d")));
    QVERIFY(edgeItemIds(tab()->scene).contains(QStringLiteral("cd")));
}

void TstGroups::ungroupAsksFirst_data()
{
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("ungrouped");
    QTest::newRow("yes") << int(QMessageBox::Yes) << true;
    QTest::newRow("no") << int(QMessageBox::No) << false;
}

void TstGroups::ungroupAsksFirst()
{
    QFETCH(int, answer);
    QFETCH(bool, ungrouped);
    QString groupId;
    Graph graph = groupedGraph(&groupId);
    Node group = graph.node(groupId);
    group.pos = QPointF(500, 500);
    graph.replaceNode(group);
    show(graph);
    const Graph before = tab()->graph();

    m_prompter->answers << answer;
    m_window->onRequestUngroup(groupId);
    const ScriptedPrompter::Call question = m_prompter->last(QStringLiteral("message"));
    QCOMPARE(question.title, QStringLiteral("Confirmation de dégrouper"));
    QVERIFY(question.text.startsWith(QStringLiteral("Vous vous apprêtez à supprimer")));

    const Graph &after = tab()->graph();
    if (!ungrouped) {
        QCOMPARE(after.nodes(), before.nodes());
        QCOMPARE(after.edges(), before.edges());
        return;
    }
    QVERIFY(!after.hasNode(groupId));
    QCOMPARE(after.edges().size(), 4);
    for (const Edge &edge : after.edges())
        QVERIFY(edge.src != groupId && edge.dst != groupId);
    const Node a = after.node(QStringLiteral("a"));
    QCOMPARE(a.pos, QPointF(450, 450));
    QVERIFY(a.parentGroup.isEmpty());
    QCOMPARE(a.groupOffset, QPointF());
    QVERIFY(tab()->scene->nodeItem(QStringLiteral("a")));
    QCOMPARE(m_window->statusBar()->currentMessage(), QStringLiteral("Groupe dégrouppé"));
}

void TstGroups::groupOpensInANewTab_data()
{
    QTest::addColumn<QString>("label");
    QTest::newRow("labelled") << QStringLiteral("Infra");
    QTest::newRow("no label") << QString();
}

void TstGroups::groupOpensInANewTab()
{
    QFETCH(QString, label);
    QString groupId;
    Graph graph = groupedGraph(&groupId);
    Node group = graph.node(groupId);
    group.label = label;
    graph.replaceNode(group);
    show(graph);

    m_window->onRequestOpenGroupTab(groupId);
    QCOMPARE(m_window->tabCount(), 2);
    QCOMPARE(m_window->tabTitle(1),
             label.isEmpty() ? QStringLiteral("Groupe ") + groupId : QStringLiteral("Groupe Infra"));
    Tab *opened = m_window->tabAt(1);
    QCOMPARE(opened->graph().nodes().keys().size(), 2);
    QCOMPARE(opened->graph().edges().keys(), QStringList({QStringLiteral("ab")}));
    // The copies no longer belong to a group of that tab, so they are drawn.
    QCOMPARE(nodeItemIds(opened->scene), (QSet<QString>{QStringLiteral("a"), QStringLiteral("b")}));
    QCOMPARE(edgeItemIds(opened->scene), QSet<QString>{QStringLiteral("ab")});
    // The original tab is untouched.
    QCOMPARE(m_window->tabAt(0)->graph().nodes(), graph.nodes());
}

void TstGroups::nodeMenuRequestReachesTheWindow()
{
    QString groupId;
    show(groupedGraph(&groupId));
    // Requests are queued: the item that emits them is deleted by the rebuild they cause.
    QVERIFY(chooseMenuEntry(tab()->scene->nodeItem(groupId), QStringLiteral("Étendre le groupe")));
    QVERIFY(!tab()->scene->nodeItem(QStringLiteral("a")));
    QTRY_VERIFY(tab()->scene->nodeItem(QStringLiteral("a")));
    QVERIFY(tab()->graph().node(groupId).expanded);

    Q_EMIT tab()->scene->addNodesToGroupRequested(groupId, {QStringLiteral("d")});
    QTRY_COMPARE(tab()->graph().node(QStringLiteral("d")).parentGroup, groupId);
}

void TstGroups::membershipsSurviveSaveAndReload()
{
    QTemporaryDir dir;
    QString groupId;
    Graph graph = groupedGraph(&groupId);
    const QString dbPath = QDir(dir.path()).filePath(QStringLiteral("Case/Case.orvane.db"));
    SceneRecords records;
    QString error;
    QVERIFY2(ProjectFiles::save(dbPath, graph, records, &error), qPrintable(error));

    Graph loaded;
    SceneRecords loadedRecords;
    QVERIFY2(ProjectFiles::load(dbPath, loaded, loadedRecords, &error), qPrintable(error));
    const Node group = loaded.node(groupId);
    QVERIFY(group.isGroup);
    QCOMPARE(group.groupMembers.size(), 2);
    QCOMPARE(loaded.node(QStringLiteral("a")).parentGroup, groupId);
    QCOMPARE(loaded.node(QStringLiteral("a")).groupOffset, QPointF(-50, -50));
    QCOMPARE(loaded.node(QStringLiteral("b")).groupOffset, QPointF(50, -50));
    QCOMPARE(Grouping::bridgeIds(group), Grouping::bridgeIds(graph.node(groupId)));
    QCOMPARE(Grouping::visibleContent(loaded).nodes, Grouping::visibleContent(graph).nodes);
}

// The demo investigation, built with the project, shows its group collapsed with the
// relations of its members carried by bridges.
void TstGroups::demoGroupIsCollapsedWithBridges()
{
    Graph graph;
    SceneRecords records;
    QString error;
    QVERIFY2(ProjectFiles::load(QStringLiteral(ORVANE_BINARY_DIR
                                               "/demo/OperationBrume/OperationBrume.orvane.db"),
                                graph, records, &error),
             qPrintable(error));
    const QString groupId = QStringLiteral("infra-group");
    const Node group = graph.node(groupId);
    QVERIFY(group.isGroup);
    QVERIFY(!group.expanded);
    QCOMPARE(Grouping::members(graph, groupId).size(), 3);
    show(graph);

    QSet<QPair<QString, QString>> drawn;
    for (const EdgeItem *item : tab()->scene->edgeItems()) {
        if (item->edge().src == groupId || item->edge().dst == groupId)
            drawn.insert({item->edge().src, item->edge().dst});
    }
    QCOMPARE(drawn, (QSet<QPair<QString, QString>>{{QStringLiteral("url-payload"), groupId},
                                                   {QStringLiteral("malware-brasier"), groupId},
                                                   {groupId, QStringLiteral("range-2")}}));
    QCOMPARE(Grouping::bridgeIds(group).size(), 3);
    QVERIFY(!tab()->scene->nodeItem(QStringLiteral("domain-cdn")));
}

void TstGroups::selectGroupDialogOffersTheGroups()
{
    QString groupId;
    const Graph graph = groupedGraph(&groupId);
    m_prompter->dialogs << [&](QDialog &dialog) {
        auto &chooser = static_cast<SelectGroupDialog &>(dialog);
        if (dialog.windowTitle() != QStringLiteral("Choisir un groupe") || chooser.groupCount() != 1)
            return int(QDialog::Rejected);
        return int(chooser.setSelectedGroupId(groupId) ? QDialog::Accepted : QDialog::Rejected);
    };
    QCOMPARE(SelectGroupDialog::chooseGroup(*m_prompter, graph), std::optional<QString>(groupId));

    SelectGroupDialog empty(sampleGraph());
    QCOMPARE(empty.groupCount(), 0);
    QCOMPARE(empty.selectedGroupId(), std::optional<QString>());
    QCOMPARE(SelectGroupDialog::chooseGroup(*m_prompter, graph), std::optional<QString>());
}

void TstGroups::revealDialogAnswersTheChosenButton()
{
    const QStringList texts = {QStringLiteral("Afficher le groupe"),
                               QStringLiteral("Afficher seulement le nœud"),
                               QStringLiteral("Dégrouper visuellement (halo)"),
                               QStringLiteral("Annuler")};
    for (int i = 0; i < texts.size(); ++i) {
        GroupRevealDialog dialog({QStringLiteral("Infra"), QStringLiteral("Paie")});
        QPushButton *button = nullptr;
        for (QPushButton *candidate : dialog.findChildren<QPushButton *>()) {
            if (candidate->text() == texts.at(i))
                button = candidate;
        }
        QVERIFY2(button, qPrintable(texts.at(i)));
        button->click();
        QCOMPARE(dialog.result(), i < 3 ? int(QDialog::Accepted) : int(QDialog::Rejected));
        QCOMPARE(int(dialog.choice()), i < 3 ? i + 1 : 0);
    }
}

QTEST_MAIN(TstGroups)
#include "tst_groups.moc"
