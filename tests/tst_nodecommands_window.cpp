// The node and relation commands run end to end in a main window: menus, shortcuts' slots,
// canvas items and their signals, with the forms answered through the scripted prompter.
#include "app/mainwindow.h"
#include "app/tab.h"
#include "canvas/edgeitem.h"
#include "canvas/graphscene.h"
#include "canvas/graphview.h"
#include "canvas/nodeitem.h"
#include "dialogs/edgeeditdialog.h"
#include "dialogs/edgeslistdialog.h"
#include "dialogs/nodeeditdialog.h"
#include "dialogs/nodeslistdialog.h"
#include "ops/clipboardformat.h"
#include "ops/grouping.h"
#include "itemmenus.h"
#include "scriptedprompter.h"
#include "testgraphs.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QStatusBar>
#include <QTableWidget>
#include <QTest>
#include <QTimer>

using namespace TestGraphs;

namespace {

// a, b, c on a line, d below; a→b, c→a, c→d.
Graph sampleGraph()
{
    Graph graph;
    graph.insertNode(makeNode(QStringLiteral("a"), QStringLiteral("A"), QPointF(0, 0)));
    graph.insertNode(makeNode(QStringLiteral("b"), QStringLiteral("B"), QPointF(200, 0)));
    graph.insertNode(makeNode(QStringLiteral("c"), QStringLiteral("C"), QPointF(-200, 0)));
    graph.insertNode(makeNode(QStringLiteral("d"), QStringLiteral("D"), QPointF(-200, 200)));
    graph.insertEdge(makeEdge(QStringLiteral("ab"), QStringLiteral("a"), QStringLiteral("b")));
    graph.insertEdge(makeEdge(QStringLiteral("ca"), QStringLiteral("c"), QStringLiteral("a")));
    graph.insertEdge(makeEdge(QStringLiteral("cd"), QStringLiteral("c"), QStringLiteral("d")));
    return graph;
}

void clickOk(QDialog &dialog)
{
    dialog.findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok)->click();
}

} // namespace

class TstNodeCommandsWindow : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void editMenuComesSecondWithItsEntries();
    void creatingANodeFromTheMenu();
    void editingKeepsPositionAndAnchoring();
    void deletingANodeAsksWithTheRightWording_data();
    void deletingANodeAsksWithTheRightWording();
    void deletingSeveralNodes();
    void relationsFromTheClickedNodes_data();
    void relationsFromTheClickedNodes();
    void relationsNeedTwoNodesAndAValidSource();
    void editedRelationWithMissingEndsIsRefused();
    void relationItemSignalsArriveQueued();
    void copyThenPasteTwice();
    void doubleClickingANodeEditsEveryField();
    void doubleClickingARelationOpensItsForm();
    void backgroundMenuAddsANodeWhereClicked();
    void relationMenuDeletesAfterAsking();
    void listDeletionReachesTheTables();
    void groupListsShowMembersOnly();

private:
    void show(const Graph &graph);
    QPoint viewPoint(const QPointF &scenePos) const;
    void click(const QPointF &scenePos, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
    QString status() const { return m_window->statusBar()->currentMessage(); }
    Tab *tab() const { return m_window->currentTab(); }
    QPointF viewCentre() const
    {
        return tab()->view->mapToScene(tab()->view->viewport()->rect().center());
    }

    ScriptedPrompter *m_prompter = nullptr;
    MainWindow *m_window = nullptr;
};

void TstNodeCommandsWindow::init()
{
    m_prompter = new ScriptedPrompter;
    m_window = new MainWindow(m_prompter);
    m_window->resize(1000, 700);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window));
}

void TstNodeCommandsWindow::cleanup()
{
    delete m_window;
    delete m_prompter;
}

void TstNodeCommandsWindow::show(const Graph &graph)
{
    tab()->document->load(graph, {}, tab()->dbPath());
    m_window->refreshTab(tab());
    tab()->view->resetTransform();
    tab()->view->centerOn(0, 0);
}

QPoint TstNodeCommandsWindow::viewPoint(const QPointF &scenePos) const
{
    return tab()->view->mapFromScene(scenePos);
}

void TstNodeCommandsWindow::click(const QPointF &scenePos, Qt::KeyboardModifiers modifiers)
{
    QTest::mouseClick(tab()->view->viewport(), Qt::LeftButton, modifiers, viewPoint(scenePos));
}

void TstNodeCommandsWindow::editMenuComesSecondWithItsEntries()
{
    QStringList titles;
    for (QAction *action : m_window->menuBar()->actions())
        titles << action->text();
    QCOMPARE(titles.mid(0, 6), QStringList({"&Fichier", "&Edition", "&Affichage", "&Outils",
                                            "&Thème", "&Info"}));
    QStringList entries;
    for (QAction *action : m_window->menu(QStringLiteral("menuEdit"))->actions())
        entries << (action->isSeparator() ? QStringLiteral("--") : action->text());
    // The node and relation commands, then the group commands, the background pictures and
    // shapes and copy and paste, which the canvas background menu offers too.
    QCOMPARE(entries, QStringList({"Annuler", "Rétablir", "--", "Créer un nœud…", "Éditer un nœud…",
                                   "Supprimer les nœuds sélectionnés", "--",
                                   "Créer relation(s) du premier cliqué → autres…",
                                   "Créer relation(s) du dernier cliqué → autres…",
                                   "Éditer une relation…", "Supprimer les relations sélectionnées",
                                   "--", "Grouper la sélection",
                                   "Ajouter la sélection à un groupe…", "--",
                                   "Importer une image d'arrière-plan",
                                   "Éditer l'image d'arrière-plan…",
                                   "Supprimer les images d'arrière-plan sélectionnées",
                                   "Dessiner une forme", "--", "Copier", "Coller"}));
    QCOMPARE(m_window->action(QStringLiteral("actionImportBackgroundImage"))->shortcut(),
             QKeySequence(QStringLiteral("Ctrl+I")));
    QCOMPARE(m_window->action(QStringLiteral("actionCreateNode"))->shortcut(),
             QKeySequence(QStringLiteral("Ctrl+N")));
    QCOMPARE(m_window->action(QStringLiteral("actionDeleteEdges"))->shortcut(),
             QKeySequence(QStringLiteral("Ctrl+Shift+D")));
    QCOMPARE(m_window->action(QStringLiteral("actionCopy"))->shortcut(), QKeySequence(QKeySequence::Copy));
    QCOMPARE(m_window->action(QStringLiteral("actionPaste"))->shortcut(), QKeySequence(QKeySequence::Paste));

    show(sampleGraph());
    const auto enabled = [this](const char *name) {
        return m_window->action(QLatin1String(name))->isEnabled();
    };
    QVERIFY(enabled("actionCreateNode"));
    QVERIFY(!enabled("actionEditNode"));
    QVERIFY(!enabled("actionCreateEdgesFrom"));
    click(QPointF(0, 0));
    QVERIFY(enabled("actionEditNode"));
    QVERIFY(enabled("actionDeleteNodes"));
    QVERIFY(!enabled("actionCreateEdgesTo"));
    QVERIFY(!enabled("actionEditEdge"));
    click(QPointF(200, 0), Qt::ControlModifier);
    QVERIFY(enabled("actionCreateEdgesFrom"));
    QVERIFY(enabled("actionCreateEdgesTo"));
}

void TstNodeCommandsWindow::creatingANodeFromTheMenu()
{
    show(sampleGraph());
    m_window->createNodeFromMenu();
    QCOMPARE(tab()->graph().nodes().size(), 4);
    QCOMPARE(m_prompter->last(QStringLiteral("dialog")).title, QStringLiteral("Éditer le nœud — Nouveau"));

    Node seen;
    m_prompter->dialogs << [&](QDialog &dialog) {
        seen = static_cast<NodeEditDialog &>(dialog).node();
        dialog.findChild<QLineEdit *>(QStringLiteral("labelEdit"))->setText(QStringLiteral("C2"));
        static_cast<NodeEditDialog &>(dialog).onAccept();
        return dialog.result();
    };
    m_window->action(QStringLiteral("actionCreateNode"))->trigger();
    QCOMPARE(tab()->graph().nodes().size(), 5);
    QVERIFY(tab()->graph().hasNode(seen.id));
    const Node created = tab()->graph().node(seen.id);
    QCOMPARE(created.label, QStringLiteral("C2"));
    QCOMPARE(created.pos, viewCentre());
    QCOMPARE(status(), QStringLiteral("Nœud %1 créé").arg(seen.id));
    const QList<NodeItem *> selected = tab()->scene->selectedNodeItems();
    QCOMPARE(selected.size(), 1);
    QCOMPARE(selected.first()->id(), seen.id);
}

void TstNodeCommandsWindow::editingKeepsPositionAndAnchoring()
{
    Graph graph = sampleGraph();
    Node b = graph.node(QStringLiteral("b"));
    b.anchored = true;
    graph.replaceNode(b);
    show(graph);
    tab()->scene->nodeItem(QStringLiteral("b"))->setSelected(true);
    m_prompter->dialogs << [](QDialog &dialog) {
        dialog.findChild<QLineEdit *>(QStringLiteral("labelEdit"))->setText(QStringLiteral("Bravo"));
        dialog.findChild<QCheckBox *>(QStringLiteral("anchoredBox"))->setChecked(false);
        static_cast<NodeEditDialog &>(dialog).onAccept();
        return dialog.result();
    };
    m_window->editSelectedNode();
    const Node edited = tab()->graph().node(QStringLiteral("b"));
    QCOMPARE(edited.label, QStringLiteral("Bravo"));
    QCOMPARE(edited.pos, QPointF(200, 0));
    QVERIFY(edited.anchored);
    QCOMPARE(status(), QStringLiteral("Nœud modifié"));
    QVERIFY(tab()->scene->nodeItem(QStringLiteral("b"))->isSelected());
    QCOMPARE(tab()->scene->nodeItem(QStringLiteral("b"))->node().label, QStringLiteral("Bravo"));
}

void TstNodeCommandsWindow::deletingANodeAsksWithTheRightWording_data()
{
    QTest::addColumn<QString>("id");
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("question");
    QTest::addColumn<int>("edgesLeft");
    QTest::newRow("with relations")
        << "c" << "C" << "Supprimer le nœud « C » et ses 2 relation(s) liée(s) ?" << 1;
    QTest::newRow("without relation, no label")
        << "lone" << "" << "Supprimer le nœud « lone » (aucune relation liée). Continuer ?" << 3;
}

void TstNodeCommandsWindow::deletingANodeAsksWithTheRightWording()
{
    QFETCH(QString, id);
    QFETCH(QString, label);
    QFETCH(int, edgesLeft);
    Graph graph = sampleGraph();
    graph.insertNode(makeNode(QStringLiteral("lone"), QPointF(400, 400)));
    show(graph);

    // "Supprimer…" of the node's menu: refused first, then confirmed.
    QVERIFY(chooseMenuEntry(tab()->scene->nodeItem(id), QStringLiteral("Supprimer…")));
    QCOMPARE(m_prompter->count(QStringLiteral("message")), 0);
    QCoreApplication::processEvents();
    const ScriptedPrompter::Call call = m_prompter->last(QStringLiteral("message"));
    QCOMPARE(call.title, QStringLiteral("Supprimer le nœud"));
    QTEST(call.text, "question");
    QCOMPARE(call.icon, QMessageBox::Warning);
    QVERIFY(tab()->graph().hasNode(id));

    m_prompter->answers << int(QMessageBox::Yes);
    QVERIFY(chooseMenuEntry(tab()->scene->nodeItem(id), QStringLiteral("Supprimer…")));
    QCoreApplication::processEvents();
    QVERIFY(!tab()->graph().hasNode(id));
    QCOMPARE(tab()->graph().edges().size(), edgesLeft);
    QVERIFY(!tab()->scene->nodeItem(id));
    QCOMPARE(status(), QStringLiteral("Nœud %1 supprimé").arg(label.isEmpty() ? id : label));
}

void TstNodeCommandsWindow::deletingSeveralNodes()
{
    show(sampleGraph());
    click(QPointF(0, 0));
    click(QPointF(200, 0), Qt::ControlModifier);
    m_prompter->answers << int(QMessageBox::Yes);
    m_window->action(QStringLiteral("actionDeleteNodes"))->trigger();
    const ScriptedPrompter::Call call = m_prompter->last(QStringLiteral("message"));
    QCOMPARE(call.title, QStringLiteral("Supprimer nœuds"));
    QCOMPARE(call.text,
             QStringLiteral("Supprimer 2 nœud(s) sélectionné(s) et leurs 2 relation(s) liée(s) ?"));
    QCOMPARE(tab()->graph().nodes().keys().size(), 2);
    QVERIFY(tab()->graph().hasNode(QStringLiteral("c")));
    QVERIFY(tab()->graph().hasNode(QStringLiteral("d")));
    QCOMPARE(tab()->graph().edges().keys(), QStringList{QStringLiteral("cd")});
    QCOMPARE(status(), QStringLiteral("Suppression effectuée"));

    Node isolated = makeNode(QStringLiteral("e"), QStringLiteral("E"), QPointF(300, 300));
    tab()->document->edit(QString(), [&](Graph &graph) { graph.insertNode(isolated); });
    m_window->refreshTab(tab());
    tab()->scene->nodeItem(QStringLiteral("e"))->setSelected(true);
    m_window->deleteSelectedNodes();
    QCOMPARE(m_prompter->last(QStringLiteral("message")).text,
             QStringLiteral("Supprimer 1 nœud(s) sélectionné(s) (aucune relation liée). Continuer ?"));
    QVERIFY(tab()->graph().hasNode(QStringLiteral("e")));
}

void TstNodeCommandsWindow::relationsFromTheClickedNodes_data()
{
    QTest::addColumn<bool>("fromFirst");
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("created");
    QTest::newRow("first clicked") << true << "b" << "a";
    QTest::newRow("last clicked") << false << "d" << "b";
}

void TstNodeCommandsWindow::relationsFromTheClickedNodes()
{
    QFETCH(bool, fromFirst);
    QFETCH(QString, source);
    QFETCH(QString, created);
    show(sampleGraph());
    // Clicked in the order b, a, d; d is removed while the form is open.
    click(QPointF(200, 0));
    click(QPointF(0, 0), Qt::ControlModifier);
    click(QPointF(-200, 200), Qt::ControlModifier);
    QStringList offered;
    QString shownSource;
    const QString removed = fromFirst ? QStringLiteral("d") : QStringLiteral("a");
    m_prompter->dialogs << [&](QDialog &dialog) {
        shownSource = dialog.findChild<QComboBox *>(QStringLiteral("sourceCombo"))->currentText();
        auto *targets = dialog.findChild<QListWidget *>(QStringLiteral("targetList"));
        for (int i = 0; i < targets->count(); ++i)
            offered << targets->item(i)->text();
        dialog.findChild<QLineEdit *>(QStringLiteral("labelEdit"))->setText(QStringLiteral("lien"));
        tab()->document->edit(QString(), [&](Graph &graph) { graph.removeNode(removed); });
        clickOk(dialog);
        return dialog.result();
    };
    if (fromFirst)
        m_window->createEdgeFromSelection();
    else
        m_window->createEdgeToSelection();
    QCOMPARE(shownSource, source.toUpper());
    QCOMPARE(offered.size(), 2);
    QVERIFY(!offered.contains(source.toUpper()));
    QCOMPARE(status(), QStringLiteral("1 relation(s) créée(s), 1 ignorée(s)."));
    QCOMPARE(tab()->graph().edges().size(), 4);
    Edge made;
    for (const Edge &edge : tab()->graph().edges()) {
        if (edge.label == u"lien")
            made = edge;
    }
    QCOMPARE(made.src, source);
    QCOMPARE(made.dst, created);
    QCOMPARE(made.type, QStringLiteral("relation"));
    QCOMPARE(made.color, QColor(QStringLiteral("#ff0000")));
    QCOMPARE(made.width, 1.0);
}

void TstNodeCommandsWindow::relationsNeedTwoNodesAndAValidSource()
{
    show(sampleGraph());
    click(QPointF(0, 0));
    m_window->createEdgeFromSelection();
    QCOMPARE(m_prompter->last().title, QStringLiteral("Sélection requise"));
    QCOMPARE(m_prompter->last().text, QStringLiteral("Sélectionne au moins deux nœuds (Ctrl+clic). "
                                                     "Le premier cliqué sera la source."));
    m_window->createEdgeToSelection();
    QCOMPARE(m_prompter->last().text, QStringLiteral("Sélectionne au moins deux nœuds (Ctrl+clic). "
                                                     "Le dernier cliqué sera la source."));

    click(QPointF(200, 0), Qt::ControlModifier);
    m_prompter->dialogs << [this](QDialog &dialog) {
        tab()->document->edit(QString(), [&](Graph &graph) { graph.removeNode(QStringLiteral("a")); });
        clickOk(dialog);
        return dialog.result();
    };
    m_window->createEdgeFromSelection();
    QCOMPARE(m_prompter->last().title, QStringLiteral("Source invalide"));
    QCOMPARE(m_prompter->last().text, QStringLiteral("Le nœud source « a » n'existe pas."));
    QCOMPARE(tab()->graph().edges().size(), 3);
}

void TstNodeCommandsWindow::editedRelationWithMissingEndsIsRefused()
{
    show(sampleGraph());
    Edge edited = tab()->graph().edge(QStringLiteral("ab"));
    edited.dst = QStringLiteral("ghost");
    edited.label = QStringLiteral("changé");
    m_window->onEdgeEdited(edited);
    QCOMPARE(m_prompter->last().title, QStringLiteral("IDs de nœuds invalides"));
    QCOMPARE(m_prompter->last().text,
             QStringLiteral("Les nœuds src/dst doivent exister.\nsrc='a' (existe=oui)\n"
                            "dst='ghost' (existe=non)"));
    QCOMPARE(tab()->graph().edge(QStringLiteral("ab")).dst, QStringLiteral("b"));
    QVERIFY(tab()->graph().edge(QStringLiteral("ab")).label.isEmpty());

    edited.dst = QStringLiteral("d");
    m_window->onEdgeEdited(edited);
    QCOMPARE(tab()->graph().edge(QStringLiteral("ab")).dst, QStringLiteral("d"));
    QCOMPARE(status(), QStringLiteral("Relation ab mise à jour"));
    bool redrawn = false;
    for (const EdgeItem *item : tab()->scene->edgeItems())
        redrawn |= item->edge().id == u"ab" && item->targetItem()->id() == u"d";
    QVERIFY(redrawn);
}

void TstNodeCommandsWindow::relationItemSignalsArriveQueued()
{
    show(sampleGraph());
    EdgeItem *item = nullptr;
    for (EdgeItem *candidate : tab()->scene->edgeItems()) {
        if (candidate->edge().id == u"cd")
            item = candidate;
    }
    QVERIFY(item);
    Edge edited = item->edge();
    edited.label = QStringLiteral("renommée");
    Q_EMIT tab()->scene->edgeEdited(edited);
    QVERIFY(tab()->graph().edge(QStringLiteral("cd")).label.isEmpty());
    QCoreApplication::processEvents();
    QCOMPARE(tab()->graph().edge(QStringLiteral("cd")).label, QStringLiteral("renommée"));

    m_prompter->answers << int(QMessageBox::Yes);
    QVERIFY(chooseMenuEntry(item, QStringLiteral("Supprimer…")));
    QCOMPARE(m_prompter->count(QStringLiteral("message")), 0);
    QVERIFY(tab()->graph().hasEdge(QStringLiteral("cd")));
    QCoreApplication::processEvents();
    QCOMPARE(m_prompter->last().title, QStringLiteral("Supprimer la relation"));
    QCOMPARE(m_prompter->last().text, QStringLiteral("Supprimer la relation « cd » ?"));
    QVERIFY(!tab()->graph().hasEdge(QStringLiteral("cd")));
    QCOMPARE(status(), QStringLiteral("Relation cd supprimée"));
}

void TstNodeCommandsWindow::copyThenPasteTwice()
{
    Graph graph = sampleGraph();
    Node a = graph.node(QStringLiteral("a"));
    a.attributes = {{QStringLiteral("r"), QStringLiteral("ip"), QStringLiteral("192.0.2.1")}};
    graph.replaceNode(a);
    show(graph);
    tab()->view->centerOn(120, 80);
    tab()->scene->nodeItem(QStringLiteral("a"))->setSelected(true);
    m_window->action(QStringLiteral("actionCopy"))->trigger();
    QCOMPARE(status(), QStringLiteral("Nœud copié: a"));
    const QMimeData *data = QGuiApplication::clipboard()->mimeData();
    QVERIFY(data->hasFormat(QStringLiteral("application/x-orvane-node")));
    QCOMPARE(data->text(), QStringLiteral("A"));
    const QByteArray json = data->data(QStringLiteral("application/x-orvane-node"));
    QVERIFY(json.startsWith("{\"id\":\"a\",\"label\":\"A\",\"type\":\"\",\"shape\":\"cercle\","
                            "\"color\":\"#f5f5f5\",\"size\":1,"));
    QVERIFY(json.endsWith(",\"attrs\":[{\"key\":\"ip\",\"value\":\"192.0.2.1\"}],\"medias\":[],"
                          "\"x\":0,\"y\":0}"));

    const QPointF centre = viewCentre();
    m_window->action(QStringLiteral("actionPaste"))->trigger();
    m_window->pasteNode();
    QCOMPARE(tab()->graph().nodes().size(), 6);
    QStringList pasted;
    for (const Node &node : tab()->graph().nodes()) {
        if (node.label == u"A" && node.id != u"a") {
            pasted << node.id;
            QCOMPARE(node.pos, centre);
            QCOMPARE(node.attributes.size(), 1);
        }
    }
    QCOMPARE(pasted.size(), 2);
    QVERIFY(pasted.at(0) != pasted.at(1));
    QVERIFY(status().startsWith(QStringLiteral("Nœud collé: ")));

    // Something else on the clipboard pastes nothing.
    QGuiApplication::clipboard()->setText(QStringLiteral("{\"label\":\"texte\"}"));
    m_window->pasteNode();
    QCOMPARE(tab()->graph().nodes().size(), 6);
}

void TstNodeCommandsWindow::doubleClickingANodeEditsEveryField()
{
    show(sampleGraph());
    m_prompter->dialogs << [](QDialog &dialog) {
        dialog.findChild<QCheckBox *>(QStringLiteral("hypothesisBox"))->setChecked(true);
        dialog.findChild<QCheckBox *>(QStringLiteral("geoBox"))->setChecked(true);
        static_cast<NodeEditDialog &>(dialog).onAccept();
        return dialog.result();
    };
    QTest::mouseDClick(tab()->view->viewport(), Qt::LeftButton, Qt::NoModifier, viewPoint(QPointF(200, 0)));
    QCOMPARE(m_prompter->last(QStringLiteral("dialog")).title, QStringLiteral("Éditer le nœud — B"));
    QCoreApplication::processEvents();
    const Node b = tab()->graph().node(QStringLiteral("b"));
    QVERIFY(b.hypothesis);
    // The item draws the record as the tab's document holds it.
    QVERIFY(tab()->scene->nodeItem(QStringLiteral("b"))->isHypothesis());
    QCOMPARE(b.geoLat.value_or(-1), 0.0);
    QCOMPARE(b.pos, QPointF(200, 0));
}

void TstNodeCommandsWindow::doubleClickingARelationOpensItsForm()
{
    show(sampleGraph());
    QString offeredTarget;
    m_prompter->dialogs << [&](QDialog &dialog) {
        auto *destination = dialog.findChild<QComboBox *>(QStringLiteral("destinationCombo"));
        offeredTarget = destination->currentText();
        destination->setCurrentIndex(destination->findData(QStringLiteral("d")));
        clickOk(dialog);
        return dialog.result();
    };
    QTest::mouseDClick(tab()->view->viewport(), Qt::LeftButton, Qt::NoModifier, viewPoint(QPointF(100, 0)));
    QCOMPARE(m_prompter->last(QStringLiteral("dialog")).title, QStringLiteral("Éditer la relation — ab"));
    QCOMPARE(offeredTarget, QStringLiteral("B"));
    QCoreApplication::processEvents();
    QCOMPARE(tab()->graph().edge(QStringLiteral("ab")).dst, QStringLiteral("d"));
    QCOMPARE(status(), QStringLiteral("Relation ab mise à jour"));
}

void TstNodeCommandsWindow::backgroundMenuAddsANodeWhereClicked()
{
    show(sampleGraph());
    QStringList entries;
    QTimer::singleShot(0, this, [&]() {
        auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        QAction *add = nullptr;
        for (QAction *action : menu->actions()) {
            if (action->isSeparator())
                continue;
            entries << action->text();
            if (action->text() == u"Ajouter un nœud ici…")
                add = action;
        }
        add->trigger();
        menu->close();
    });
    m_prompter->dialogs << [](QDialog &dialog) {
        static_cast<NodeEditDialog &>(dialog).onAccept();
        return dialog.result();
    };
    const QPoint p = viewPoint(QPointF(100, 150));
    QContextMenuEvent event(QContextMenuEvent::Mouse, p, tab()->view->viewport()->mapToGlobal(p));
    QApplication::sendEvent(tab()->view->viewport(), &event);
    for (const char *entry : {"Ajouter un nœud ici…", "Lister les nœuds…", "Lister les relations…",
                              "Lister les médias…", "Coller (CTRL+V)",
                              "Créer relation(s) du premier cliqué vers les autres…",
                              "Créer relation(s) du dernier cliqué → autres…",
                              "Supprimer les nœuds sélectionnés",
                              "Supprimer les relations sélectionnées"})
        QVERIFY2(entries.contains(QString::fromUtf8(entry)), entry);
    QCOMPARE(entries.first(), QStringLiteral("Ajouter un nœud ici…"));
    QCOMPARE(tab()->graph().nodes().size(), 5);
    bool placed = false;
    for (const Node &node : tab()->graph().nodes())
        placed |= node.label == u"Nouveau" && QLineF(node.pos, QPointF(100, 150)).length() < 1.5;
    QVERIFY(placed);
}

void TstNodeCommandsWindow::relationMenuDeletesAfterAsking()
{
    show(sampleGraph());
    QStringList entries;
    QTimer::singleShot(0, this, [&]() {
        auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        QAction *remove = nullptr;
        for (QAction *action : menu->actions()) {
            entries << action->text();
            if (action->text() == u"Supprimer…")
                remove = action;
        }
        remove->trigger();
        menu->close();
    });
    m_prompter->answers << int(QMessageBox::Yes);
    const QPoint p = viewPoint(QPointF(100, 0));
    QContextMenuEvent event(QContextMenuEvent::Mouse, p, tab()->view->viewport()->mapToGlobal(p));
    QApplication::sendEvent(tab()->view->viewport(), &event);
    QCOMPARE(entries, QStringList({QStringLiteral("Ouvrir la fiche…"),
                                   QStringLiteral("Lister les attributs…"),
                                   QStringLiteral("Supprimer…")}));
    QTRY_VERIFY(!tab()->graph().hasEdge(QStringLiteral("ab")));
    QCOMPARE(m_prompter->last(QStringLiteral("message")).text,
             QStringLiteral("Supprimer la relation « ab » ?"));
}

void TstNodeCommandsWindow::listDeletionReachesTheTables()
{
    show(sampleGraph());
    m_window->listNodes();
    auto *list = m_window->findChild<NodesListDialog *>();
    auto *table = list->findChild<QTableWidget *>(QStringLiteral("recordTable"));
    auto *remove = list->findChild<QPushButton *>(QStringLiteral("deleteSelectionButton"));
    for (int row = 0; row < table->rowCount(); ++row) {
        if (table->item(row, 1)->text() == u"c")
            table->item(row, 0)->setCheckState(Qt::Checked);
    }
    remove->click();
    QCOMPARE(m_prompter->last().text,
             QStringLiteral("Supprimer 1 nœud(s) sélectionné(s) et leurs 2 relation(s) liée(s) ?"));
    QVERIFY(tab()->graph().hasNode(QStringLiteral("c")));
    QCOMPARE(table->rowCount(), 4);
    m_prompter->answers << int(QMessageBox::Yes);
    remove->click();
    QVERIFY(!tab()->graph().hasNode(QStringLiteral("c")));
    QCOMPARE(table->rowCount(), 3);
    QCOMPARE(tab()->graph().edges().keys(), QStringList{QStringLiteral("ab")});

    // Without a question: the assistant's deletions by id.
    show(sampleGraph());
    m_window->deleteNodesByIds({QStringLiteral("c"), QStringLiteral("unknown")});
    QCOMPARE(status(), QStringLiteral("Nœuds supprimés: 1"));
    QCOMPARE(tab()->graph().edges().keys(), QStringList{QStringLiteral("ab")});
    m_window->deleteEdgesByIds({QStringLiteral("ab"), QStringLiteral("ab")});
    QCOMPARE(status(), QStringLiteral("Relations supprimées: 1"));
    QVERIFY(tab()->graph().edges().isEmpty());
    QVERIFY(tab()->scene->edgeItems().isEmpty());
}

void TstNodeCommandsWindow::groupListsShowMembersOnly()
{
    Graph graph = sampleGraph();
    Node group = Grouping::newGroupNode(graph, QPointF(100, -150));
    group.label = QStringLiteral("Infra");
    graph.insertNode(group);
    Grouping::addToGroup(graph, group.id, {QStringLiteral("a"), QStringLiteral("b")});
    Grouping::expand(graph, group.id);
    show(graph);
    NodeItem *item = tab()->scene->nodeItem(group.id);
    QVERIFY(item);
    QVERIFY(chooseMenuEntry(item, QStringLiteral("Lister les nœuds du groupe")));
    QVERIFY(chooseMenuEntry(item, QStringLiteral("Lister les relations du groupe")));
    QCoreApplication::processEvents();
    auto *nodes = m_window->findChild<NodesListDialog *>();
    auto *edges = m_window->findChild<EdgesListDialog *>();
    QVERIFY(nodes && edges);
    QCOMPARE(nodes->windowTitle(), QStringLiteral("Nœuds du groupe Infra"));
    QCOMPARE(nodes->shownIds(), QStringList({QStringLiteral("a"), QStringLiteral("b")}));
    QCOMPARE(edges->windowTitle(), QStringLiteral("Relations du groupe Infra"));
    QCOMPARE(edges->shownIds(), QStringList{QStringLiteral("ab")});
    // A search inside the group stays inside it.
    nodes->applyFilter(QStringLiteral("c"), RecordFilter::Field::Id);
    QVERIFY(nodes->shownIds().isEmpty());
}

QTEST_MAIN(TstNodeCommandsWindow)
#include "tst_nodecommands_window.moc"
