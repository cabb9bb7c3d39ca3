// The assistant in the main window: the context of messages, highlights, graph queries and
// proposed changes, which reach the tables only through "Appliquer" and as one undo step.
#include "ai/aichangesdialog.h"
#include "ai/chataidialog.h"
#include "app/mainwindow.h"
#include "app/tab.h"
#include "canvas/graphscene.h"
#include "canvas/graphview.h"
#include "canvas/nodeitem.h"
#include "config/appconfig.h"
#include "fakechatservice.h"
#include "scriptedprompter.h"
#include "testgraphs.h"

#include <QAction>
#include <QJsonArray>
#include <QJsonDocument>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>

using namespace TestGraphs;
using Mode = ChatProtocol::Mode;

namespace {

// a → b, c → a, and d far away with a relation to c.
Graph sampleGraph()
{
    Graph graph;
    Node a = makeNode(QStringLiteral("a"), QStringLiteral("A"), QPointF(0, 0));
    a.attributes = {{QStringLiteral("r1"), QStringLiteral("k"), QStringLiteral("1")},
                    {QStringLiteral("r2"), QStringLiteral("k"), QStringLiteral("2")}};
    graph.insertNode(a);
    graph.insertNode(makeNode(QStringLiteral("b"), QStringLiteral("B"), QPointF(300, 0)));
    graph.insertNode(makeNode(QStringLiteral("c"), QStringLiteral("C"), QPointF(-300, 0)));
    graph.insertNode(makeNode(QStringLiteral("d"), QStringLiteral("D"), QPointF(2000, 1500)));
    graph.insertEdge(makeEdge(QStringLiteral("ab"), QStringLiteral("a"), QStringLiteral("b")));
    graph.insertEdge(makeEdge(QStringLiteral("ca"), QStringLiteral("c"), QStringLiteral("a")));
    graph.insertEdge(makeEdge(QStringLiteral("cd"), QStringLiteral("c"), QStringLiteral("d")));
    return graph;
}

QJsonArray array(const char *json)
{
    return QJsonDocument::fromJson(json).array();
}

const char *proposal = R"([{"kind": "propose_changes", "changes": [
    {"kind": "add_node", "node": {"id": "n", "label": "evil.com", "type": "domain"}},
    {"kind": "add_relation", "edge": {"id": "an", "source": "a", "target": "n", "label": "resolves"}},
    {"kind": "update_node", "id": "a", "patch": {"attributes": {"k": null}}},
    {"kind": "delete_node", "id": "c"}]}])";

} // namespace

class TstAiWindow : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void menuOpensOneChat();
    void messageContext_data();
    void messageContext();
    void highlightSelectsAndCentres();
    void graphQueryPreparesTheNextMessage();
    void emptyProposalOpensNothing();
    void refusedChangesLeaveTheTables();
    void appliedChangesAreOneUndoStep();

private:
    Tab *tab() const { return m_window->currentTab(); }
    QPointF viewCentre() const
    {
        return tab()->view->mapToScene(tab()->view->viewport()->rect().center());
    }

    QTemporaryDir m_home;
    ScriptedPrompter *m_prompter = nullptr;
    MainWindow *m_window = nullptr;
    FakeChatService *m_service = nullptr;
};

void TstAiWindow::initTestCase()
{
    qputenv("XDG_CONFIG_HOME", m_home.path().toUtf8());
    QCoreApplication::setOrganizationName(QStringLiteral("ORVANE"));
    QCoreApplication::setApplicationName(QStringLiteral("ORVANE"));
}

void TstAiWindow::init()
{
    m_service = new FakeChatService;
    QVERIFY(AppConfig::writeFile(AppConfig::configFilePath(),
                                 QJsonObject{{"ai", QJsonObject{{"openai_compatible",
                                     QJsonObject{{"base_url", m_service->url("/v1")}}}}}}));
    m_prompter = new ScriptedPrompter;
    m_window = new MainWindow(m_prompter);
    m_window->resize(1000, 700);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window));
    tab()->document->load(sampleGraph(), {}, QString());
    m_window->refreshTab(tab());
    tab()->view->resetTransform();
    tab()->view->centerOn(0, 0);
    m_window->onOpenAiChat();
}

void TstAiWindow::cleanup()
{
    delete m_window;
    delete m_prompter;
    delete m_service;
}

void TstAiWindow::menuOpensOneChat()
{
    QAction *entry = m_window->action(QStringLiteral("actionAiChat"));
    QVERIFY(entry);
    QCOMPARE(entry->text(), QStringLiteral("Chat IA..."));
    QMenu *ai = m_window->findChild<QMenu *>(QStringLiteral("menuAi"));
    QCOMPARE(ai->title(), QStringLiteral("IA"));
    QCOMPARE(qobject_cast<QMenu *>(ai->parent())->title(), QStringLiteral("Composants"));
    ChatAIDialog *chat = m_window->chatDialog();
    QVERIFY(chat);
    chat->hide();
    entry->trigger();
    QCOMPARE(m_window->chatDialog(), chat);
    QVERIFY(chat->isVisible());
}

void TstAiWindow::messageContext_data()
{
    QTest::addColumn<Mode>("mode");
    QTest::addColumn<QStringList>("selected");
    QTest::addColumn<QStringList>("nodes"); // empty: no context at all
    QTest::addColumn<bool>("automatic");
    QTest::newRow("discussion") << Mode::Discussion << QStringList{"a"} << QStringList{} << false;
    QTest::newRow("reflection, selection") << Mode::Reflection << QStringList{"b"}
                                           << QStringList{"a", "b", "c"} << false;
    QTest::newRow("action, nothing selected") << Mode::Action << QStringList{}
                                              << QStringList{"a", "b", "c", "d"} << true;
}

void TstAiWindow::messageContext()
{
    QFETCH(Mode, mode);
    QFETCH(QStringList, selected);
    QFETCH(QStringList, nodes);
    QFETCH(bool, automatic);
    for (const QString &id : selected)
        tab()->scene->nodeItem(id)->setSelected(true);
    ChatAIDialog *chat = m_window->chatDialog();
    const char *names[] = {"Discussion", "Réflexion", "Action"};
    for (QAbstractButton *button : chat->findChildren<QAbstractButton *>()) {
        if (button->text() == QString::fromUtf8(names[int(mode)]))
            button->click();
    }
    auto *input = chat->findChild<QTextEdit *>(QStringLiteral("chatInput"));
    input->setPlainText(QStringLiteral("Résume"));
    QTest::keyClick(input, Qt::Key_Return);
    QVERIFY(m_service->waitForRequests(1));
    const QString user = m_service->requests.first().userContent();
    if (nodes.isEmpty()) {
        QCOMPARE(user, QStringLiteral("Résume"));
        return;
    }
    QVERIFY(user.startsWith(QStringLiteral("Résume\n\n[GRAPH_SELECTION_JSON]\n")));
    const QJsonObject context = FakeChatService::selectionContext(user);
    QCOMPARE(FakeChatService::recordIds(context.value("nodes").toArray()), nodes);
    QCOMPARE(context.value("auto_seed_used").toBool(), automatic);
}

void TstAiWindow::highlightSelectsAndCentres()
{
    // Room all round d, so that the view can centre on it.
    tab()->document->edit(QString(), [&](Graph &graph) { graph.insertNode(makeNode(QStringLiteral("ne"), QPointF(5000, 4000))); });
    tab()->document->edit(QString(), [&](Graph &graph) { graph.insertNode(makeNode(QStringLiteral("sw"), QPointF(-1000, -1000))); });
    m_window->refreshTab(tab());
    tab()->scene->nodeItem(QStringLiteral("a"))->setSelected(true);
    m_window->onAiActionsRequested(array(R"([{"kind": "highlight_nodes", "node_ids": ["zz", "d", "b"]}])"));
    QStringList selected;
    for (NodeItem *item : tab()->scene->selectedNodeItems())
        selected << item->id();
    selected.sort();
    QCOMPARE(selected, QStringList({"b", "d"}));
    const QPointF centre = viewCentre();
    QVERIFY2(qAbs(centre.x() - 2000) < 20 && qAbs(centre.y() - 1500) < 20,
             qPrintable(QStringLiteral("%1,%2").arg(centre.x()).arg(centre.y())));
    QCOMPARE(m_prompter->count(QStringLiteral("dialog")), 0);
}

void TstAiWindow::graphQueryPreparesTheNextMessage()
{
    m_window->onAiActionsRequested(array(
        R"([{"kind": "graph_query", "operation": "neighbors", "node_ids": ["d"], "depth": 0},
            {"kind": "graph_query", "operation": "shortest_path", "node_ids": ["a"]}])"));
    ChatAIDialog *chat = m_window->chatDialog();
    QCOMPARE(chat->sessionMessages(0),
             QStringList({"[Tool] Envoi du résultat de la requête de graphe à l'IA."}));
    const QString prefix = QStringLiteral("Résultat de ta requête de graphe (graph_query) :\n");
    QVERIFY(chat->inputText().startsWith(prefix));
    const QJsonObject sent = QJsonDocument::fromJson(chat->inputText().mid(prefix.size()).toUtf8()).object();
    QCOMPARE(sent.value("tool_name").toString(), QStringLiteral("graph_query"));
    const QJsonArray nodes = sent.value("result").toObject().value("nodes").toArray();
    QCOMPARE(nodes.size(), 1);
    QCOMPARE(nodes.at(0).toObject().value("id").toString(), QStringLiteral("d"));
    QTest::qWait(50);
    QVERIFY(m_service->requests.isEmpty());
}

void TstAiWindow::emptyProposalOpensNothing()
{
    const Graph before = tab()->graph();
    m_window->onAiActionsRequested(array(R"([{"kind": "propose_changes", "changes": []},
                                             {"kind": "propose_changes", "changes": [1, "x"]}])"));
    QCOMPARE(m_prompter->count(QStringLiteral("dialog")), 0);
    QCOMPARE(tab()->graph().nodes(), before.nodes());
}

void TstAiWindow::refusedChangesLeaveTheTables()
{
    const Graph before = tab()->graph();
    QString summary;
    m_prompter->dialogs << [&summary](QDialog &dialog) {
        summary = dialog.findChild<QPlainTextEdit *>(QStringLiteral("summaryText"))->toPlainText();
        dialog.findChild<QPushButton *>(QStringLiteral("cancelButton"))->click();
        return dialog.result();
    };
    m_window->onAiActionsRequested(array(proposal));
    QCOMPARE(m_prompter->last(QStringLiteral("dialog")).title,
             QStringLiteral("Appliquer les changements proposés par l'IA ?"));
    QCOMPARE(summary, QStringLiteral("Ajouter nœud: [evil.com] (type=domain, id=n)\n"
                                     "Ajouter relation: [resolves] (type=, id=an)\n  a -> n\n"
                                     "Mise à jour nœud id=a : label=\"\", type=\"\"\n"
                                     "Suppression nœud: [C] (type=, id=c)\n"));
    QCOMPARE(tab()->graph().nodes(), before.nodes());
    QCOMPARE(tab()->graph().edges(), before.edges());
    QVERIFY(!tab()->scene->nodeItem(QStringLiteral("n")));
}

void TstAiWindow::appliedChangesAreOneUndoStep()
{
    const Graph before = tab()->graph();
    m_prompter->dialogs << [](QDialog &dialog) {
        dialog.findChild<QPushButton *>(QStringLiteral("applyButton"))->click();
        return dialog.result();
    };
    m_window->onAiActionsRequested(array(proposal));
    const Graph &after = tab()->graph();
    QVERIFY(after.hasNode(QStringLiteral("n")));
    QCOMPARE(after.edge(QStringLiteral("an")).dst, QStringLiteral("n"));
    QVERIFY(after.node(QStringLiteral("a")).attributes.isEmpty());
    QVERIFY(!after.hasNode(QStringLiteral("c")));
    QVERIFY(!after.hasEdge(QStringLiteral("ca")));
    QVERIFY(!after.hasEdge(QStringLiteral("cd")));
    QVERIFY(tab()->scene->nodeItem(QStringLiteral("n")));
    QVERIFY(!tab()->scene->nodeItem(QStringLiteral("c")));

    QAction *undo = nullptr;
    for (QAction *action : m_window->findChildren<QAction *>()) {
        if (action->shortcut() == QKeySequence(QKeySequence::Undo))
            undo = action;
    }
    if (!undo)
        QSKIP("The window has no undo action yet");
    QVERIFY(undo->isEnabled());
    QVERIFY(undo->text().contains(QStringLiteral("Modifications proposées par l'IA")));
    QTest::keyClick(m_window, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(tab()->graph().nodes(), before.nodes());
    QCOMPARE(tab()->graph().edges(), before.edges());
}

QTEST_MAIN(TstAiWindow)
#include "tst_ai_window.moc"
