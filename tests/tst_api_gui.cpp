// Exposing and stopping the API from the main window, and the key dialog.

#include "app/mainwindow.h"
#include "app/tab.h"
#include "dialogs/apiconfigdialog.h"
#include "model/graph.h"
#include "scriptedprompter.h"
#include "canvas/graphscene.h"
#include "canvas/nodeitem.h"
#include "storage/projectdb.h"
#include "testfiles.h"
#include "testgraphs.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QEventLoop>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QPushButton>
#include <QSpinBox>
#include <QStatusBar>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUndoStack>

using namespace TestGraphs;

namespace {

// A port the system has just handed out and released.
quint16 freePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

struct Answer
{
    int status = 0;
    QJsonObject json;
};

Answer send(const QByteArray &method, const QString &url, const QString &key,
            const QByteArray &body = QByteArray())
{
    QNetworkAccessManager manager;
    manager.setProxy(QNetworkProxy::NoProxy);
    QNetworkRequest request{QUrl(url)};
    request.setRawHeader("Authorization", "Bearer " + key.toUtf8());
    QNetworkReply *reply = manager.sendCustomRequest(request, method, body);
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    QTimer::singleShot(10000, &loop, &QEventLoop::quit);
    loop.exec();
    Answer answer;
    if (reply->isFinished()) {
        answer.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        answer.json = QJsonDocument::fromJson(reply->readAll()).object();
    }
    reply->abort();
    delete reply;
    return answer;
}

Answer get(const QString &url, const QString &key)
{
    return send("GET", url, key);
}

QString makeProject(const QTemporaryDir &dir, const QString &name, int nodes)
{
    const QString folder = dir.filePath(name);
    QDir().mkpath(folder);
    const QString path = QDir(folder).filePath(name + QStringLiteral(".orvane.db"));
    Graph graph;
    for (int i = 0; i < nodes; ++i)
        graph.insertNode(makeNode(QStringLiteral("%1-%2").arg(name).arg(i), QPointF(i * 10, 0)));
    ProjectDb db(path);
    if (!db.open() || !db.saveGraph(graph, folder))
        qWarning() << "cannot create" << path;
    return path;
}

QString keyOf(const QString &dbPath, ApiRole role)
{
    ProjectDb db(dbPath);
    db.open();
    return db.apiKeyForRole(role);
}

} // namespace

class TestApiGui : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    // Queues the answers of one exposure: the dialog filled with the port and accepted (or
    // rejected), then, once accepted, OK to the warning.
    static void scriptExposure(ScriptedPrompter &prompter, quint16 port, bool accept = true)
    {
        if (accept)
            prompter.answers.append(int(QMessageBox::Ok));
        prompter.dialogs.append([port, accept](QDialog &dialog) {
            dialog.findChild<QLineEdit *>(QStringLiteral("address"))->setText(QStringLiteral("127.0.0.1"));
            dialog.findChild<QSpinBox *>(QStringLiteral("port"))->setValue(port);
            return accept ? int(QDialog::Accepted) : int(QDialog::Rejected);
        });
    }

    // A window serving one open project.
    struct Served
    {
        ScriptedPrompter prompter;
        MainWindow window{&prompter};
        QString base; // the server's address
        QString key;  // the admin key
        Tab *tab = nullptr;
    };

    static std::unique_ptr<Served> serve(const QString &project)
    {
        auto served = std::make_unique<Served>();
        if (!served->window.openPath(project))
            return served;
        const quint16 port = freePort();
        scriptExposure(served->prompter, port);
        served->window.action(QStringLiteral("actionExposeApi"))->trigger();
        served->base = QStringLiteral("http://127.0.0.1:%1").arg(port);
        served->key = keyOf(project, ApiRole::Admin);
        served->tab = served->window.currentTab();
        return served;
    }

    // Saves the current tab as the analyst does; false when it asked anything (a file
    // changed on disk) or did not save.
    static bool saveWithoutQuestion(MainWindow &window, ScriptedPrompter &prompter)
    {
        const qsizetype asked = prompter.calls.size();
        window.statusBar()->clearMessage();
        window.saveProject();
        return prompter.calls.size() == asked
            && window.statusBar()->currentMessage().startsWith(QStringLiteral("Enregistré"));
    }

private Q_SLOTS:
    void menuEntries();
    void exposeServesTheTabsAndStops();
    void exposureNeedsConsentAndASavedProject();
    void dialogRegeneratesAndCopiesKeys();
    void createdNodeGoesIntoTheTab();
    void updateKeepsTheAnalystsUnsavedEdit();
    void deletedNodeCanBeUndoneWithItsFiles();
    void writeReachesEveryTabOnTheFile();
};

void TestApiGui::menuEntries()
{
    ScriptedPrompter prompter;
    MainWindow window(&prompter);
    QStringList titles;
    for (QAction *action : window.menuBar()->actions())
        titles.append(action->text());
    const int view = int(titles.indexOf(QStringLiteral("&Affichage")));
    QVERIFY(view >= 0);
    QCOMPARE(titles.value(view + 1), QStringLiteral("&Outils"));
    QMenu *tools = window.menu(QStringLiteral("menuTools"));
    QVERIFY(tools);
    QAction *expose = window.action(QStringLiteral("actionExposeApi"));
    QAction *stop = window.action(QStringLiteral("actionStopApi"));
    QCOMPARE(expose->text(), QStringLiteral("Exposer l’API…"));
    QCOMPARE(stop->text(), QStringLiteral("Stopper l’API"));
    QVERIFY(tools->actions().contains(expose) && tools->actions().contains(stop));
    QVERIFY(expose->isEnabled());
    QVERIFY(!stop->isEnabled());
}

void TestApiGui::exposeServesTheTabsAndStops()
{
    const QString first = makeProject(m_dir, QStringLiteral("Alpha"), 2);
    const QString second = makeProject(m_dir, QStringLiteral("Beta"), 3);
    ScriptedPrompter prompter;
    MainWindow window(&prompter);
    QVERIFY(window.openPath(first));
    QVERIFY(window.openPath(second));
    QCOMPARE(window.tabCount(), 2);
    QCOMPARE(window.currentTab()->dbPath(), second);

    const quint16 port = freePort();
    scriptExposure(prompter, port);
    window.action(QStringLiteral("actionExposeApi"))->trigger();
    // The address is shown before the warning about the network.
    QCOMPARE(prompter.calls.value(0).title, QStringLiteral("Configuration API"));
    QCOMPARE(prompter.calls.value(1).title, QStringLiteral("Exposer l’API"));
    QCOMPARE(prompter.calls.value(1).icon, QMessageBox::Warning);
    QCOMPARE(window.statusBar()->currentMessage(), QStringLiteral("API exposée sur 127.0.0.1:%1").arg(port));
    QVERIFY(!window.action(QStringLiteral("actionExposeApi"))->isEnabled());
    QVERIFY(window.action(QStringLiteral("actionStopApi"))->isEnabled());

    // The keys are those of the tab that was current; both tabs are served.
    const QString base = QStringLiteral("http://127.0.0.1:%1").arg(port);
    const QString readKey = keyOf(second, ApiRole::Read);
    Answer answer = get(base + QStringLiteral("/api/projects"), readKey);
    QCOMPARE(answer.status, 200);
    const QJsonArray projects = answer.json.value(QLatin1String("projects")).toArray();
    QCOMPARE(projects.size(), 2);
    QCOMPARE(projects.at(0).toObject().value(QLatin1String("key")).toString(), QStringLiteral("Alpha"));
    QCOMPARE(get(base + QStringLiteral("/api/nodes?db=alpha"), readKey).json.value(QLatin1String("total")).toInt(), 2);
    QCOMPARE(get(base + QStringLiteral("/api/nodes?db=Beta.orvane.db"), readKey).json.value(QLatin1String("total")).toInt(), 3);
    QCOMPARE(get(base + QStringLiteral("/api/nodes?db=Alpha"), keyOf(first, ApiRole::Read)).status, 401);

    // Closing the tab that holds the keys neither stops the server nor the keys.
    window.closeTab(1);
    QCOMPARE(get(base + QStringLiteral("/api/nodes?db=Beta"), readKey).status, 404);
    QCOMPARE(get(base + QStringLiteral("/api/nodes?db=Alpha"), readKey).status, 200);

    window.action(QStringLiteral("actionStopApi"))->trigger();
    QCOMPARE(window.statusBar()->currentMessage(), QStringLiteral("API stoppée"));
    QVERIFY(window.action(QStringLiteral("actionExposeApi"))->isEnabled());
    QVERIFY(!window.action(QStringLiteral("actionStopApi"))->isEnabled());
    QCOMPARE(get(base + QStringLiteral("/health"), readKey).status, 0);

    // Exposing again takes the keys of the tab current then, on the new port.
    const quint16 newPort = freePort();
    scriptExposure(prompter, newPort);
    window.action(QStringLiteral("actionExposeApi"))->trigger();
    const QString newBase = QStringLiteral("http://127.0.0.1:%1").arg(newPort);
    QCOMPARE(get(newBase + QStringLiteral("/api/nodes?db=Alpha"), keyOf(first, ApiRole::Read)).status, 200);
    QCOMPARE(get(newBase + QStringLiteral("/api/nodes?db=Alpha"), readKey).status, 401);
}

void TestApiGui::exposureNeedsConsentAndASavedProject()
{
    const QString project = makeProject(m_dir, QStringLiteral("Gamma"), 1);
    ScriptedPrompter prompter;
    MainWindow window(&prompter);
    QAction *expose = window.action(QStringLiteral("actionExposeApi"));

    // A project never saved has nowhere to keep the keys.
    expose->trigger();
    QCOMPARE(prompter.count(QStringLiteral("dialog")), 0);
    QCOMPARE(prompter.last(QStringLiteral("message")).title, QStringLiteral("API"));
    QCOMPARE(prompter.last(QStringLiteral("message")).text,
             QStringLiteral("Ouvre d’abord un projet pour stocker les clés API."));

    // A cancelled dialog asks nothing more.
    QVERIFY(window.openPath(project));
    scriptExposure(prompter, freePort(), false);
    expose->trigger();
    QCOMPARE(prompter.count(QStringLiteral("dialog")), 1);
    QCOMPARE(prompter.count(QStringLiteral("message")), 1);
    QVERIFY(expose->isEnabled());

    // Cancel is the default answer to the warning: nothing starts.
    prompter.dialogs.append([](QDialog &) { return int(QDialog::Accepted); });
    expose->trigger();
    QCOMPARE(prompter.last(QStringLiteral("message")).title, QStringLiteral("Exposer l’API"));
    QVERIFY(expose->isEnabled());
    QVERIFY(!window.action(QStringLiteral("actionStopApi"))->isEnabled());

    // A port already taken.
    QTcpServer blocker;
    QVERIFY(blocker.listen(QHostAddress::LocalHost, 0));
    scriptExposure(prompter, blocker.serverPort());
    expose->trigger();
    QCOMPARE(prompter.last(QStringLiteral("message")).title, QStringLiteral("Erreur"));
    QCOMPARE(prompter.last(QStringLiteral("message")).text,
             QStringLiteral("Impossible de démarrer le serveur API."));
    QVERIFY(expose->isEnabled());
}

void TestApiGui::dialogRegeneratesAndCopiesKeys()
{
    const QString project = makeProject(m_dir, QStringLiteral("Delta"), 0);
    ScriptedPrompter prompter;
    ApiConfigDialog dialog(prompter);
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Configuration API"));
    QCOMPARE(dialog.address(), QHostAddress(QStringLiteral("127.0.0.1")));
    QCOMPARE(dialog.port(), quint16(5252));
    dialog.setDbPath(project);
    const QString read = dialog.keyText(ApiRole::Read);
    const QString write = dialog.keyText(ApiRole::Write);
    const QString admin = dialog.keyText(ApiRole::Admin);
    QCOMPARE(read, keyOf(project, ApiRole::Read));
    QCOMPARE(write.size(), 64);

    dialog.findChild<QPushButton *>(QStringLiteral("writeRegen"))->click();
    const QString fresh = dialog.keyText(ApiRole::Write);
    QVERIFY(fresh != write);
    QCOMPARE(fresh, keyOf(project, ApiRole::Write));
    QCOMPARE(dialog.keyText(ApiRole::Read), read);
    QCOMPARE(keyOf(project, ApiRole::Admin), admin);
    {
        ProjectDb db(project);
        QVERIFY(db.open());
        QVERIFY(!db.findApiKey(write));
    }

    dialog.findChild<QPushButton *>(QStringLiteral("adminCopy"))->click();
    QCOMPARE(QGuiApplication::clipboard()->text(), admin);

    // Each key is seen whole: its field does not scroll when the cursor goes to the end.
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    for (const char *name : {"readKey", "writeKey", "adminKey"}) {
        auto *edit = dialog.findChild<QLineEdit *>(QLatin1String(name));
        QVERIFY(edit);
        edit->setCursorPosition(0);
        const int start = edit->inputMethodQuery(Qt::ImCursorRectangle).toRect().center().x();
        edit->end(false);
        const int end = edit->inputMethodQuery(Qt::ImCursorRectangle).toRect().center().x();
        const double width = edit->fontMetrics().horizontalAdvance(edit->text());
        QVERIFY2(end - start >= width - 1 && end <= edit->rect().right(),
                 qPrintable(QStringLiteral("%1: %2 of %3 shown").arg(QLatin1String(name))
                                .arg(end - start)
                                .arg(width)));
    }

    ApiConfigDialog broken(prompter);
    broken.setDbPath(m_dir.path()); // a folder is no database
    QCOMPARE(prompter.last(QStringLiteral("message")).title, QStringLiteral("Base API"));
    QVERIFY(broken.keyText(ApiRole::Read).isEmpty());
    broken.regenRead(); // without a database nothing happens
    QVERIFY(broken.keyText(ApiRole::Read).isEmpty());
}

void TestApiGui::createdNodeGoesIntoTheTab()
{
    const QString project = makeProject(m_dir, QStringLiteral("Shown"), 2);
    const std::unique_ptr<Served> served = serve(project);
    QVERIFY(served->tab && !served->key.isEmpty());
    auto &[prompter, window, base, key, tab] = *served;

    const Answer created = send("POST", base + QStringLiteral("/api/node?db=Shown"), key,
                                R"({"label":"Posted","pos":{"x":40,"y":50}})");
    QCOMPARE(created.status, 201);
    const QString id = created.json.value(QLatin1String("id")).toString();
    QVERIFY(loadGraph(project).hasNode(id));
    QCOMPARE(tab->graph().node(id).label, QStringLiteral("Posted"));
    QVERIFY(tab->scene->nodeItem(id));
    QCOMPARE(tab->scene->nodeItem(id)->node().pos, QPointF(40, 50));
    QCOMPARE(tab->document->undoStack()->count(), 1);
    QCOMPARE(tab->document->undoStack()->undoText(), QStringLiteral("API : créer le nœud « Posted »"));
    // The file holds what the tab shows: nothing to save.
    QVERIFY(!tab->document->isModified());
    QCOMPARE(window.tabTitle(0), QStringLiteral("Shown"));

    // The tab knows the file's new generation: its save is not refused and keeps the node.
    QVERIFY(saveWithoutQuestion(window, prompter));
    QVERIFY(loadGraph(project).hasNode(id));

    // One undo takes it out of the tab, which is then modified; its save stores the undo.
    tab->document->undoStack()->undo();
    QVERIFY(!tab->graph().hasNode(id));
    QVERIFY(!tab->scene->nodeItem(id));
    QVERIFY(tab->document->isModified());
    QVERIFY(saveWithoutQuestion(window, prompter));
    QVERIFY(!loadGraph(project).hasNode(id));
    QCOMPARE(loadGraph(project).nodes().size(), 2);

    // A write after another program's save leaves the tab's generation: its next save
    // sees that the file changed.
    Graph other = loadGraph(project);
    other.insertNode(makeNode(QStringLiteral("theirs"), QStringLiteral("Theirs"), QString()));
    {
        ProjectDb db(project);
        QVERIFY(db.open() && db.saveGraph(other, QFileInfo(project).absolutePath()));
    }
    QCOMPARE(send("POST", base + QStringLiteral("/api/node?db=Shown"), key, "{}").status, 201);
    QVERIFY(!tab->graph().hasNode(QStringLiteral("theirs")));
    QVERIFY(!saveWithoutQuestion(window, prompter));
    QCOMPARE(prompter.last().title, QStringLiteral("Sauvegarde"));
    QVERIFY(loadGraph(project).hasNode(QStringLiteral("theirs")));
}

void TestApiGui::updateKeepsTheAnalystsUnsavedEdit()
{
    const QString project = makeProject(m_dir, QStringLiteral("Edited"), 2);
    const std::unique_ptr<Served> served = serve(project);
    QVERIFY(served->tab && !served->key.isEmpty());
    auto &[prompter, window, base, key, tab] = *served;
    const QString id = QStringLiteral("Edited-0");
    tab->document->edit(QStringLiteral("Déplacer"), [&](Graph &graph) {
        Node node = graph.node(id);
        node.pos = QPointF(500, 600);
        graph.replaceNode(node);
    });

    const Answer updated = send("PUT", base + QStringLiteral("/api/node?db=Edited&id=") + id,
                                key, R"({"label":"Renamed"})");
    QCOMPARE(updated.status, 200);
    // The file takes the API's change only; the tab shows both and still has unsaved work.
    const Node stored = loadGraph(project).node(id);
    QCOMPARE(stored.label, QStringLiteral("Renamed"));
    QCOMPARE(stored.pos, QPointF(0, 0));
    QCOMPARE(tab->graph().node(id).label, QStringLiteral("Renamed"));
    QCOMPARE(tab->graph().node(id).pos, QPointF(500, 600));
    QCOMPARE(tab->scene->nodeItem(id)->node().label, QStringLiteral("Renamed"));
    QVERIFY(tab->document->isModified());
    QCOMPARE(tab->document->undoStack()->undoText(),
             QStringLiteral("API : modifier le nœud « Renamed »"));
    QCOMPARE(get(base + QStringLiteral("/api/node?db=Edited&id=") + id, key)
                 .json.value(QLatin1String("node")).toObject().value(QLatin1String("pos")).toObject()
                 .value(QLatin1String("x")).toDouble(),
             0.0);

    // Undoing the API's step gives the old label back and keeps the move.
    tab->document->undoStack()->undo();
    QCOMPARE(tab->graph().node(id).label, QString());
    QCOMPARE(tab->graph().node(id).pos, QPointF(500, 600));
    tab->document->undoStack()->redo();
    QVERIFY(saveWithoutQuestion(window, prompter));
    QCOMPARE(loadGraph(project).node(id).label, QStringLiteral("Renamed"));
    QCOMPARE(loadGraph(project).node(id).pos, QPointF(500, 600));
}

void TestApiGui::deletedNodeCanBeUndoneWithItsFiles()
{
    const QString folder = m_dir.filePath(QStringLiteral("Cut"));
    const QString project = QDir(folder).filePath(QStringLiteral("Cut.orvane.db"));
    const QString picture = QDir(folder).filePath(QStringLiteral("nodes/n1/medias/pic.png"));
    QVERIFY(QDir().mkpath(QFileInfo(picture).absolutePath()));
    writeBytes(picture, "picture");
    {
        Graph graph;
        Node held = makeNode(QStringLiteral("n1"), QStringLiteral("Held"), QString());
        MediaRecord media;
        media.name = QStringLiteral("pic");
        media.file = picture;
        held.medias = {media};
        graph.insertNode(held);
        graph.insertNode(makeNode(QStringLiteral("n2")));
        graph.insertEdge(makeEdge(QStringLiteral("e1"), QStringLiteral("n1"), QStringLiteral("n2")));
        ProjectDb db(project);
        QVERIFY(db.open() && db.saveGraph(graph, folder));
    }
    const std::unique_ptr<Served> served = serve(project);
    QVERIFY(served->tab && !served->key.isEmpty());
    auto &[prompter, window, base, key, tab] = *served;

    const Answer removed = send("DELETE", base + QStringLiteral("/api/node?db=Cut&id=n1"), key);
    QCOMPARE(removed.status, 200);
    QCOMPARE(removed.json.value(QLatin1String("removed_edges")).toInt(), 1);
    QVERIFY(!loadGraph(project).hasNode(QStringLiteral("n1")));
    QVERIFY(!tab->graph().hasNode(QStringLiteral("n1")));
    QVERIFY(!tab->graph().hasEdge(QStringLiteral("e1")));
    QVERIFY(!tab->scene->nodeItem(QStringLiteral("n1")));
    QVERIFY(!tab->document->isModified());
    QCOMPARE(tab->document->undoStack()->undoText(), QStringLiteral("API : supprimer le nœud « Held »"));
    // The tab can bring the node back: its files stay.
    QCOMPARE(fileBytes(picture), QByteArray("picture"));

    tab->document->undoStack()->undo();
    QVERIFY(tab->scene->nodeItem(QStringLiteral("n1")));
    QVERIFY(tab->graph().hasEdge(QStringLiteral("e1")));
    QVERIFY(saveWithoutQuestion(window, prompter));
    const Graph saved = loadGraph(project);
    QVERIFY(saved.hasEdge(QStringLiteral("e1")));
    QCOMPARE(saved.node(QStringLiteral("n1")).medias.value(0).file, picture);
    QCOMPARE(fileBytes(picture), QByteArray("picture"));
}

void TestApiGui::writeReachesEveryTabOnTheFile()
{
    const QString project = makeProject(m_dir, QStringLiteral("Twice"), 2);
    const std::unique_ptr<Served> served = serve(project);
    QVERIFY(served->tab && !served->key.isEmpty());
    auto &[prompter, window, base, key, first] = *served;
    QVERIFY(window.openPath(project));
    Tab *second = window.currentTab();
    QVERIFY(second != first);
    // The second tab has unsaved work of its own, which the write must not make look saved.
    second->document->edit(QStringLiteral("Déplacer"), [](Graph &graph) {
        Node node = graph.node(QStringLiteral("Twice-1"));
        node.pos = QPointF(300, 300);
        graph.replaceNode(node);
    });

    const Answer created = send("POST", base + QStringLiteral("/api/node?db=Twice"), key,
                                R"({"label":"Both"})");
    QCOMPARE(created.status, 201);
    const QString id = created.json.value(QLatin1String("id")).toString();
    for (Tab *tab : {first, second}) {
        QCOMPARE(tab->graph().node(id).label, QStringLiteral("Both"));
        QVERIFY(tab->scene->nodeItem(id));
        QCOMPARE(tab->document->undoStack()->undoText(),
                 QStringLiteral("API : créer le nœud « Both »"));
    }
    QVERIFY(!first->document->isModified());
    QVERIFY(second->document->isModified());

    // Each tab undoes its own step only.
    second->document->undoStack()->undo();
    QVERIFY(!second->graph().hasNode(id));
    QVERIFY(first->graph().hasNode(id));
    second->document->undoStack()->redo();

    // The second tab knows the file's new generation too: it saves without asking and keeps
    // both the write and its own move.
    QVERIFY(saveWithoutQuestion(window, prompter));
    const Graph saved = loadGraph(project);
    QCOMPARE(saved.node(id).label, QStringLiteral("Both"));
    QCOMPARE(saved.node(QStringLiteral("Twice-1")).pos, QPointF(300, 300));
}

QTEST_MAIN(TestApiGui)
#include "tst_api_gui.moc"
