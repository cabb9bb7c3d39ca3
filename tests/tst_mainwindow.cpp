#include "app/localisation.h"
#include "app/mainwindow.h"
#include "app/tab.h"
#include "app/themes.h"
#include "canvas/edgeitem.h"
#include "canvas/graphscene.h"
#include "canvas/graphview.h"
#include "canvas/nodeitem.h"
#include "canvas/timelinewidget.h"
#include "dialogs/recordlistdialog.h"
#include "scriptedprompter.h"
#include "storage/projectfiles.h"
#include "testfiles.h"
#include "testgraphs.h"

#include <QAction>
#include <QApplication>
#include <QDateTimeEdit>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSettings>
#include <QStandardPaths>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QUndoStack>

#include <cmath>

namespace {

// Off the origin: a tab whose nodes all sit there has them arranged on a circle.
Node makeNode(const QString &id, QPointF pos = QPointF(1, 1))
{
    return TestGraphs::makeNode(id, id, pos);
}

// Writes a project with the given node ids and answers its database path.
QString writeProject(const QString &folder, const QString &name, const QStringList &ids,
                     QPointF pos = QPointF(1, 1))
{
    Graph graph;
    for (const QString &id : ids)
        graph.insertNode(makeNode(id, pos));
    SceneRecords scene;
    const QString dbPath = QDir(folder).filePath(name + QStringLiteral(".orvane.db"));
    QDir().mkpath(folder);
    QString error;
    if (!ProjectFiles::save(dbPath, graph, scene, &error))
        qWarning() << error;
    return dbPath;
}

} // namespace

class TstMainWindow : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void startsWithOneEmptyTab();
    void lastTabCannotBeClosed();
    void renamingToBlanksKeepsTheTitle();
    void saveAsFollowsTheFolderRule();
    void saveRefusesAFileOutsideItsProjectFolder();
    void saveCopiesOnlyFilesTheAnalystChose();
    void saveWritesTheTabsChangesOverItsFile();
    void positionsPlacedOnOpenAreSaved();
    void openUsesTheEmptyCurrentTab();
    void openAsksWhereWhenTheTabHoldsSomething();
    void failedOpenLeavesTheTabAsItWas();
    void reloadAsksBeforeDiscardingUnsavedChanges();
    void saveOverAFileChangedOnDiskOffersToReapply();
    void nodesAllAtOriginAreArrangedOnACircle();
    void newProjectStartsOver();
    void themesChangeThePalette();
    void versionDialogShowsTheVersion();
    void standardButtonsSpeakFrench();
    void titleNamesTheProject();
    void canvasHasTheKeyboard();
    void menuBarOffersTheBackgroundMenu();
    void fitHasAShortcut();
    void deleteKeyDeletesTheSelection();
    void chosenListRowIsShownOnTheCanvas_data();
    void chosenListRowIsShownOnTheCanvas();
    void themeIsRememberedBetweenRuns();

private:
    QTemporaryDir m_dir;
    QTemporaryDir m_settingsDir;
    ScriptedPrompter *m_prompter = nullptr;
    MainWindow *m_window = nullptr;
};

void TstMainWindow::initTestCase()
{
    // The theme is kept in the user's settings: never in the real user's.
    QStandardPaths::setTestModeEnabled(true);
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_settingsDir.path()));
    QApplication::setApplicationName(QStringLiteral("ORVANE"));
    QApplication::setOrganizationName(QStringLiteral("ORVANE"));
}

void TstMainWindow::init()
{
    QSettings().clear();
    m_prompter = new ScriptedPrompter;
    m_window = new MainWindow(m_prompter);
}

void TstMainWindow::cleanup()
{
    delete m_window;
    delete m_prompter;
}

void TstMainWindow::startsWithOneEmptyTab()
{
    QCOMPARE(m_window->tabCount(), 1);
    QCOMPARE(m_window->tabTitle(0), QStringLiteral("Graphe 1"));
    QVERIFY(m_window->currentTab()->dbPath().isEmpty());
    QVERIFY(!m_window->action(QStringLiteral("actionSave"))->isEnabled());
    QVERIFY(!m_window->action(QStringLiteral("actionReload"))->isEnabled());
    QCOMPARE(m_window->addNewTab(), 1);
    QCOMPARE(m_window->tabTitle(1), QStringLiteral("Graphe 2"));
}

void TstMainWindow::lastTabCannotBeClosed()
{
    m_window->closeTab(0);
    QCOMPARE(m_window->tabCount(), 1);
    QCOMPARE(m_prompter->last().title, QStringLiteral("Impossible"));
    QCOMPARE(m_prompter->last().text, QStringLiteral("Au moins un onglet doit rester ouvert."));
    m_window->addNewTab();
    m_window->closeTab(0);
    QCOMPARE(m_window->tabCount(), 1);
    QCOMPARE(m_window->tabTitle(0), QStringLiteral("Graphe 2"));
}

void TstMainWindow::renamingToBlanksKeepsTheTitle()
{
    m_prompter->answers << QStringLiteral("   ");
    m_window->renameTab(0);
    QCOMPARE(m_window->tabTitle(0), QStringLiteral("Graphe 1"));
    QCOMPARE(m_prompter->last().title, QStringLiteral("Renommer l’onglet"));
    m_prompter->answers << QStringLiteral("  Dossier Brume ");
    m_window->renameTab(0);
    QCOMPARE(m_window->tabTitle(0), QStringLiteral("Dossier Brume"));
}

void TstMainWindow::saveAsFollowsTheFolderRule()
{
    Tab *tab = m_window->currentTab();
    tab->document->edit(QString(), [&](Graph &graph) { graph.insertNode(makeNode(QStringLiteral("n1"))); });
    const QString parent = m_dir.filePath(QStringLiteral("saveas"));
    QDir().mkpath(parent);
    m_prompter->answers << QDir(parent).filePath(QStringLiteral("Affaire.orvane.db"));
    m_window->saveProjectAs();
    const QString expected = QDir(parent).filePath(QStringLiteral("Affaire/Affaire.orvane.db"));
    QCOMPARE(tab->dbPath(), expected);
    QVERIFY(QFile::exists(expected));
    QVERIFY(QFileInfo(QDir(parent).filePath(QStringLiteral("Affaire/nodes"))).isDir());
    QCOMPARE(m_window->tabTitle(0), QStringLiteral("Affaire"));
    QVERIFY(m_window->action(QStringLiteral("actionSave"))->isEnabled());
    QVERIFY(m_window->action(QStringLiteral("actionReload"))->isEnabled());

    // Chosen inside a folder already named like the project: saved right there.
    m_prompter->answers << expected;
    m_window->saveProjectAs();
    QCOMPARE(tab->dbPath(), expected);
    QVERIFY(!QFile::exists(QDir(parent).filePath(QStringLiteral("Affaire/Affaire/Affaire.orvane.db"))));
}

void TstMainWindow::saveCopiesOnlyFilesTheAnalystChose()
{
    const QString chosen = m_dir.filePath(QStringLiteral("outside/choisi.png"));
    const QString imported = m_dir.filePath(QStringLiteral("outside/importe.png"));
    writeBytes(chosen, "chosen");
    writeBytes(imported, "imported");
    // The analyst picks one file in a chooser; the other path arrived with imported data.
    m_prompter->answers << chosen;
    QCOMPARE(m_prompter->openFileName(m_window, QStringLiteral("Image"), QString(), QString()),
             chosen);
    Tab *tab = m_window->currentTab();
    Node picked = makeNode(QStringLiteral("picked"));
    picked.mediaPath = chosen;
    Node foreign = makeNode(QStringLiteral("foreign"));
    foreign.mediaPath = imported;
    tab->document->edit(QString(), [&](Graph &graph) { graph.insertNode(picked); });
    tab->document->edit(QString(), [&](Graph &graph) { graph.insertNode(foreign); });
    const QString parent = m_dir.filePath(QStringLiteral("chosen"));
    QDir().mkpath(parent);
    m_prompter->answers << QDir(parent).filePath(QStringLiteral("Choix.orvane.db"));
    m_window->saveProjectAs();
    const QString folder = QDir(parent).filePath(QStringLiteral("Choix"));
    QCOMPARE(fileBytes(QDir(folder).filePath(QStringLiteral("nodes/picked/choisi.png"))),
             QByteArray("chosen"));
    QVERIFY(!QFileInfo::exists(QDir(folder).filePath(QStringLiteral("nodes/foreign"))));

    // "Save as" elsewhere carries the project's own copies along.
    m_prompter->answers << QDir(parent).filePath(QStringLiteral("Suite.orvane.db"));
    m_window->saveProjectAs();
    QCOMPARE(fileBytes(QDir(parent).filePath(QStringLiteral("Suite/nodes/picked/choisi.png"))),
             QByteArray("chosen"));
}

void TstMainWindow::saveWritesTheTabsChangesOverItsFile()
{
    const QString folder = m_dir.filePath(QStringLiteral("Suivi"));
    const QString dbPath =
        writeProject(folder, QStringLiteral("Suivi"), {QStringLiteral("a"), QStringLiteral("b")});
    QVERIFY(m_window->openPath(dbPath));
    Tab *tab = m_window->currentTab();
    const QString chosen = m_dir.filePath(QStringLiteral("outside/photo.png"));
    writeBytes(chosen, "photo");
    m_prompter->answers << chosen;
    QCOMPARE(m_prompter->openFileName(m_window, QStringLiteral("Image"), QString(), QString()),
             chosen);
    tab->document->edit(QString(), [&](Graph &graph) {
        Node a = graph.node(QStringLiteral("a"));
        a.label = QStringLiteral("renommé");
        a.mediaPath = chosen;
        graph.replaceNode(a);
        graph.removeNode(QStringLiteral("b"));
    });
    tab->document->editScene(QString(), [](SceneRecords &scene) {
        ShapeRecord shape;
        shape.label = QStringLiteral("zone");
        scene.shapes.append(shape);
    });
    m_window->saveProject();
    QVERIFY(!tab->document->isModified());
    Graph saved;
    SceneRecords scene;
    QString error;
    QVERIFY(ProjectFiles::load(dbPath, saved, scene, &error));
    QCOMPARE(saved.node(QStringLiteral("a")).label, QStringLiteral("renommé"));
    QVERIFY(!saved.hasNode(QStringLiteral("b")));
    QCOMPARE(scene.shapes.size(), 1);
    const QString copy = QDir(folder).filePath(QStringLiteral("nodes/a/photo.png"));
    QCOMPARE(fileBytes(copy), QByteArray("photo"));
    QCOMPARE(tab->graph().node(QStringLiteral("a")).mediaPath, copy);

    // orvane-cli saves the file meanwhile; the tab moves its shape and renames "a". The tab
    // takes the file as it is now, puts its changes back on top and saves its shape too.
    QVERIFY(ProjectFiles::update(dbPath,
                                 [](Graph &graph, QString *) {
                                     return graph.insertNode(makeNode(QStringLiteral("cli")));
                                 },
                                 &error));
    tab->document->editScene(QString(),
                             [](SceneRecords &records) { records.shapes.first().pos = QPointF(40, 50); });
    tab->document->edit(QString(), [](Graph &graph) {
        Node a = graph.node(QStringLiteral("a"));
        a.label = QStringLiteral("encore");
        graph.replaceNode(a);
    });
    m_prompter->answers << 0;
    m_window->saveProject();
    QCOMPARE(m_prompter->last().kind, QStringLiteral("choice"));
    QVERIFY(ProjectFiles::load(dbPath, saved, scene, &error));
    QVERIFY(saved.hasNode(QStringLiteral("cli")));
    QCOMPARE(saved.node(QStringLiteral("a")).label, QStringLiteral("encore"));
    QCOMPARE(scene.shapes.size(), 1);
    QCOMPARE(scene.shapes.first().pos, QPointF(40, 50));
    QVERIFY(!tab->document->isModified());
}

// Nodes stored without positions are placed when the project opens; a save after editing one
// of them stores where all of them now are.
void TstMainWindow::positionsPlacedOnOpenAreSaved()
{
    const QString dbPath = writeProject(m_dir.filePath(QStringLiteral("Origine")),
                                        QStringLiteral("Origine"),
                                        {QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")},
                                        QPointF(0, 0));
    QVERIFY(m_window->openPath(dbPath));
    Tab *tab = m_window->currentTab();
    tab->document->edit(QString(), [](Graph &graph) {
        Node a = graph.node(QStringLiteral("a"));
        a.label = QStringLiteral("vu");
        graph.replaceNode(a);
    });
    m_window->saveProject();
    const Graph saved = TestGraphs::loadGraph(dbPath);
    for (const Node &node : tab->graph().nodes())
        QCOMPARE(saved.node(node.id).pos, node.pos);
}

void TstMainWindow::saveRefusesAFileOutsideItsProjectFolder()
{
    const QString dbPath =
        writeProject(m_dir.filePath(QStringLiteral("moved/elsewhere")), QStringLiteral("Deplace"),
                     {QStringLiteral("a")});
    QVERIFY(m_window->openPath(dbPath));
    const QByteArray before = fileBytes(dbPath);
    m_window->currentTab()->document->edit(QString(), [&](Graph &graph) { graph.insertNode(makeNode(QStringLiteral("b"))); });
    m_window->saveProject();
    QCOMPARE(m_prompter->last().title, QStringLiteral("Sauvegarde"));
    QCOMPARE(m_prompter->last().text,
             QStringLiteral("Le fichier n'est pas dans le dossier projet « Deplace ».\nFaire « "
                            "Enregistrer sous… » pour remettre la structure au propre."));
    QCOMPARE(fileBytes(dbPath), before);
}

void TstMainWindow::openUsesTheEmptyCurrentTab()
{
    const QString dbPath = writeProject(m_dir.filePath(QStringLiteral("Ouvert")),
                                        QStringLiteral("Ouvert"),
                                        {QStringLiteral("a"), QStringLiteral("b")});
    m_prompter->answers << dbPath;
    m_window->openProject();
    QCOMPARE(m_prompter->last().title, QStringLiteral("Ouvrir un projet"));
    QCOMPARE(m_window->tabCount(), 1);
    QCOMPARE(m_window->tabTitle(0), QStringLiteral("Ouvert"));
    QCOMPARE(m_window->currentTab()->dbPath(), dbPath);
    QCOMPARE(m_window->currentTab()->graph().nodes().size(), 2);
    QVERIFY(m_window->action(QStringLiteral("actionSave"))->isEnabled());
}

void TstMainWindow::openAsksWhereWhenTheTabHoldsSomething()
{
    const QString dbPath = writeProject(m_dir.filePath(QStringLiteral("Choix")),
                                        QStringLiteral("Choix"), {QStringLiteral("p")});
    m_window->currentTab()->document->edit(QString(), [&](Graph &graph) { graph.insertNode(makeNode(QStringLiteral("local"))); });

    m_prompter->answers << dbPath << -1;
    m_window->openProject();
    QCOMPARE(m_prompter->last().title, QStringLiteral("Ouvrir le projet"));
    QCOMPARE(m_prompter->last().text,
             QStringLiteral("Ouvrir « Choix » dans l’onglet courant ou dans un nouvel onglet ?"));
    QCOMPARE(m_window->tabCount(), 1);
    QVERIFY(m_window->currentTab()->graph().hasNode(QStringLiteral("local")));

    m_prompter->answers << dbPath << 1;
    m_window->openProject();
    QCOMPARE(m_window->tabCount(), 2);
    QCOMPARE(m_window->tabTitle(1), QStringLiteral("Choix"));
    QVERIFY(m_window->currentTab()->graph().hasNode(QStringLiteral("p")));
    QVERIFY(m_window->tabAt(0)->graph().hasNode(QStringLiteral("local")));

    // Opening over unsaved changes asks first; Annuler keeps them, "Ne pas enregistrer"
    // gives them up.
    m_window->tabAt(1)->document->edit(QString(), [&](Graph &graph) { graph.insertNode(makeNode(QStringLiteral("unsaved"))); });
    m_prompter->answers << dbPath << 0 << -1;
    m_window->openProject();
    QCOMPARE(m_prompter->last().title, QStringLiteral("Modifications non enregistrées"));
    QVERIFY(m_window->currentTab()->graph().hasNode(QStringLiteral("unsaved")));
    m_prompter->answers << dbPath << 0 << 1;
    m_window->openProject();
    QCOMPARE(m_window->tabCount(), 2);
    QVERIFY(!m_window->currentTab()->graph().hasNode(QStringLiteral("unsaved")));
    QVERIFY(m_window->currentTab()->graph().hasNode(QStringLiteral("p")));
}

void TstMainWindow::failedOpenLeavesTheTabAsItWas()
{
    const QString notes = m_dir.filePath(QStringLiteral("notes.db"));
    writeBytes(notes, QByteArray("du texte, pas une base\n").repeated(40));
    m_window->currentTab()->document->edit(QString(), [&](Graph &graph) { graph.insertNode(makeNode(QStringLiteral("garde"))); });

    m_prompter->answers << notes << 0 << 1;
    m_window->openProject();
    QCOMPARE(m_prompter->last().title, QStringLiteral("Erreur BDD"));
    QVERIFY(m_prompter->last().text.startsWith(QStringLiteral("initSchema() failed: ")));
    QCOMPARE(m_prompter->last().icon, QMessageBox::Critical);
    QVERIFY(m_window->currentTab()->graph().hasNode(QStringLiteral("garde")));
    QCOMPARE(m_window->tabTitle(0), QStringLiteral("Graphe 1 *"));

    m_prompter->answers << notes << 1;
    m_window->openProject();
    QCOMPARE(m_window->tabCount(), 1);
}

void TstMainWindow::reloadAsksBeforeDiscardingUnsavedChanges()
{
    m_window->reloadCurrentTab();
    QVERIFY(m_prompter->calls.isEmpty());

    const QString dbPath = writeProject(m_dir.filePath(QStringLiteral("Recharge")),
                                        QStringLiteral("Recharge"), {QStringLiteral("a")});
    QVERIFY(m_window->openPath(dbPath));
    m_window->currentTab()->document->edit(QString(), [&](Graph &graph) { graph.insertNode(makeNode(QStringLiteral("brouillon"))); });
    m_prompter->answers << -1;
    m_window->action(QStringLiteral("actionReload"))->trigger();
    QVERIFY(m_window->currentTab()->graph().hasNode(QStringLiteral("brouillon")));
    m_prompter->answers << 1;
    m_window->action(QStringLiteral("actionReload"))->trigger();
    QVERIFY(!m_window->currentTab()->graph().hasNode(QStringLiteral("brouillon")));
    QVERIFY(m_window->currentTab()->graph().hasNode(QStringLiteral("a")));

    QVERIFY(QFile::remove(dbPath));
    m_window->reloadCurrentTab();
    QCOMPARE(m_prompter->last().title, QStringLiteral("Recharger"));
    QCOMPARE(m_prompter->last().text, QStringLiteral("Base introuvable :\n%1").arg(dbPath));
    QVERIFY(m_window->currentTab()->graph().hasNode(QStringLiteral("a")));
}

// Another program saved the file after the tab loaded it: the save neither drops that
// write nor the analyst's, and Annuler leaves both the file and the tab as they were.
void TstMainWindow::saveOverAFileChangedOnDiskOffersToReapply()
{
    const QString dbPath = writeProject(m_dir.filePath(QStringLiteral("Concurrent")),
                                        QStringLiteral("Concurrent"), {QStringLiteral("a")});
    QVERIFY(m_window->openPath(dbPath));
    Tab *tab = m_window->currentTab();
    tab->document->edit(QStringLiteral("Modifier"), [](Graph &graph) {
        graph.insertNode(makeNode(QStringLiteral("mine")));
        Node edited = graph.node(QStringLiteral("a"));
        edited.label = QStringLiteral("a revu");
        graph.replaceNode(edited);
    });
    QString error;
    QVERIFY2(ProjectFiles::update(
                 dbPath,
                 [](Graph &graph, QString *) {
                     graph.insertNode(makeNode(QStringLiteral("theirs")));
                     return true;
                 },
                 &error),
             qPrintable(error));

    auto fileGraph = [&dbPath]() { return TestGraphs::loadGraph(dbPath); };

    m_prompter->answers << -1;
    m_window->action(QStringLiteral("actionSave"))->trigger();
    QCOMPARE(m_prompter->last(QStringLiteral("choice")).title, QStringLiteral("Sauvegarde"));
    QVERIFY(fileGraph().hasNode(QStringLiteral("theirs")));
    QVERIFY(!fileGraph().hasNode(QStringLiteral("mine")));
    QVERIFY(tab->document->isModified());
    QVERIFY(!tab->graph().hasNode(QStringLiteral("theirs")));

    m_prompter->answers << 0;
    m_window->action(QStringLiteral("actionSave"))->trigger();
    const Graph saved = fileGraph();
    for (const char *id : {"a", "mine", "theirs"})
        QVERIFY2(saved.hasNode(QLatin1String(id)), id);
    QCOMPARE(saved.node(QStringLiteral("a")).label, QStringLiteral("a revu"));
    QVERIFY(tab->graph().hasNode(QStringLiteral("theirs")));
    QVERIFY(!tab->document->isModified());

    // The analyst's changes went back on as one step of their own.
    tab->document->undoStack()->undo();
    QVERIFY(!tab->graph().hasNode(QStringLiteral("mine")));
    QCOMPARE(tab->graph().node(QStringLiteral("a")).label, QStringLiteral("a"));
    QVERIFY(tab->graph().hasNode(QStringLiteral("theirs")));
    QVERIFY(tab->document->isModified());
}

void TstMainWindow::nodesAllAtOriginAreArrangedOnACircle()
{
    const QStringList ids{QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c"),
                          QStringLiteral("d")};
    const QString dbPath = writeProject(m_dir.filePath(QStringLiteral("Origine")),
                                        QStringLiteral("Origine"), ids, QPointF(0, 0));
    QVERIFY(m_window->openPath(dbPath));
    const double radius = 10.0 * std::sqrt(4.0) + 200.0;
    QSet<QPair<int, int>> places;
    for (const Node &node : m_window->currentTab()->graph().nodes()) {
        QVERIFY(std::abs(std::hypot(node.pos.x(), node.pos.y()) - radius) < 1e-9);
        places.insert({qRound(node.pos.x()), qRound(node.pos.y())});
    }
    QCOMPARE(places.size(), 4);
}

void TstMainWindow::newProjectStartsOver()
{
    const QString dbPath = writeProject(m_dir.filePath(QStringLiteral("Neuf")),
                                        QStringLiteral("Neuf"), {QStringLiteral("a")});
    QVERIFY(m_window->openPath(dbPath));
    m_window->addNewTab();
    m_window->newProject();
    QCOMPARE(m_window->tabCount(), 1);
    QCOMPARE(m_window->tabTitle(0), QStringLiteral("Graphe 1"));
    QVERIFY(m_window->currentTab()->graph().isEmpty());
    QVERIFY(!m_window->action(QStringLiteral("actionSave"))->isEnabled());
}

void TstMainWindow::themesChangeThePalette()
{
    QVERIFY(m_window->action(QStringLiteral("actionThemeNeon"))->isChecked());
    m_window->action(QStringLiteral("actionThemeDark"))->trigger();
    QCOMPARE(QApplication::palette().color(QPalette::Window), QColor(37, 37, 38));
    QVERIFY(!m_window->action(QStringLiteral("actionThemeNeon"))->isChecked());
    m_window->action(QStringLiteral("actionThemeNeon"))->trigger();
    QCOMPARE(QApplication::palette().color(QPalette::Highlight), QColor(QStringLiteral("#ff2d95")));
    m_window->action(QStringLiteral("actionThemeLight"))->trigger();
    QCOMPARE(QApplication::palette().color(QPalette::WindowText), QColor(Qt::black));
}

void TstMainWindow::versionDialogShowsTheVersion()
{
    QString shown;
    m_prompter->dialogs << [&](QDialog &dialog) {
        shown = dialog.findChild<QLabel *>(QStringLiteral("versionLabel"))->text();
        return int(QDialog::Accepted);
    };
    m_window->action(QStringLiteral("actionVersion"))->trigger();
    QCOMPARE(m_prompter->last().title, QStringLiteral("Version"));
    QVERIFY2(shown.contains(QStringLiteral("1.0.1-alpha")), qPrintable(shown));
}

void TstMainWindow::standardButtonsSpeakFrench()
{
    QVERIFY(installFrenchQtTranslations(*QCoreApplication::instance()));
    QDialogButtonBox buttons(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    QCOMPARE(buttons.button(QDialogButtonBox::Cancel)->text(), QStringLiteral("Annuler"));
}

void TstMainWindow::titleNamesTheProject()
{
    // The title as the window manager shows it: Qt puts the unsaved mark in "[*]".
    const auto shownTitle = [this]() {
        QString title = m_window->windowTitle();
        return title.replace(QStringLiteral("[*]"),
                             m_window->isWindowModified() ? QStringLiteral("*") : QString());
    };
    QCOMPARE(shownTitle(), QStringLiteral("ORVANE — Graphe 1"));
    const QString dbPath = writeProject(m_dir.filePath(QStringLiteral("Brume")),
                                        QStringLiteral("Brume"), {QStringLiteral("a")});
    QVERIFY(m_window->openPath(dbPath));
    QCOMPARE(shownTitle(), QStringLiteral("ORVANE — Brume"));

    // Unsaved changes mark the tab and the window; undoing back to the file clears both.
    Tab *tab = m_window->currentTab();
    tab->document->edit(QStringLiteral("Ajouter"), [](Graph &graph) {
        graph.insertNode(makeNode(QStringLiteral("b")));
    });
    QCOMPARE(shownTitle(), QStringLiteral("ORVANE — Brume*"));
    QCOMPARE(m_window->tabTitle(0), QStringLiteral("Brume *"));
    m_window->action(QStringLiteral("actionUndo"))->trigger();
    QCOMPARE(shownTitle(), QStringLiteral("ORVANE — Brume"));
    QCOMPARE(m_window->tabTitle(0), QStringLiteral("Brume"));
    m_window->addNewTab();
    QCOMPARE(shownTitle(), QStringLiteral("ORVANE — Graphe 2"));
    m_prompter->answers << QStringLiteral("Pistes");
    m_window->renameTab(1);
    QCOMPARE(shownTitle(), QStringLiteral("ORVANE — Pistes"));
    m_window->closeTab(1);
    QCOMPARE(shownTitle(), QStringLiteral("ORVANE — Brume"));
}

// The keyboard belongs to the canvas at start, after Escape in a tool-bar field, after a
// theme switch, once a dialog of the window closes and when a project opens: Ctrl+A then
// selects nodes instead of the text of a date.
void TstMainWindow::canvasHasTheKeyboard()
{
    m_window->show();
    QVERIFY(QTest::qWaitForWindowActive(m_window));
    auto canvas = [this]() -> QWidget * { return m_window->currentTab()->view; };
    QTRY_COMPARE(QApplication::focusWidget(), canvas());

    auto *start = m_window->timelineWidget()->findChild<QDateTimeEdit *>();
    auto *search = m_window->searchWidget()->findChild<QLineEdit *>();
    QVERIFY(start && search);
    for (QWidget *field : {static_cast<QWidget *>(start), static_cast<QWidget *>(search)}) {
        field->setFocus();
        QTRY_VERIFY(field->hasFocus());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        QTRY_COMPARE(QApplication::focusWidget(), canvas());
    }

    start->setFocus();
    QTRY_VERIFY(start->hasFocus());
    m_window->action(QStringLiteral("actionThemeDark"))->trigger();
    QTRY_COMPARE(QApplication::focusWidget(), canvas());

    search->setFocus();
    QTRY_VERIFY(search->hasFocus());
    m_prompter->dialogs << [](QDialog &dialog) {
        dialog.show();
        dialog.reject();
        return int(QDialog::Rejected);
    };
    m_window->action(QStringLiteral("actionGrid"))->trigger();
    QCOMPARE(m_prompter->count(QStringLiteral("dialog")), 1);
    QTRY_COMPARE(QApplication::focusWidget(), canvas());

    search->setFocus();
    QTRY_VERIFY(search->hasFocus());
    m_window->currentTab()->document->edit(QString(), [&](Graph &graph) { graph.insertNode(makeNode(QStringLiteral("local"))); });
    const QString dbPath = writeProject(m_dir.filePath(QStringLiteral("Clavier")),
                                        QStringLiteral("Clavier"), {QStringLiteral("k")});
    QVERIFY(m_window->openPath(dbPath));
    QCOMPARE(m_window->tabCount(), 2);
    QTRY_COMPARE(QApplication::focusWidget(), canvas());
}

namespace {

// Texts of the commands of a menu and its submenus.
QStringList commandTexts(const QList<QAction *> &actions)
{
    QStringList texts;
    for (QAction *action : actions) {
        if (action->isSeparator())
            continue;
        if (action->menu())
            texts += commandTexts(action->menu()->actions());
        else
            texts.append(action->text());
    }
    return texts;
}

} // namespace

void TstMainWindow::menuBarOffersTheBackgroundMenu()
{
    QMenu background;
    m_window->fillBackgroundMenu(&background, QPointF());
    const QStringList inBar = commandTexts(m_window->menuBar()->actions());
    // Entries whose menu-bar command has a name of its own.
    const QHash<QString, QString> namedOtherwise = {
        {QStringLiteral("Ajouter un nœud ici…"), QStringLiteral("Créer un nœud…")},
        {QStringLiteral("Coller (CTRL+V)"), QStringLiteral("Coller")},
        {QStringLiteral("Créer relation(s) du premier cliqué vers les autres…"),
         QStringLiteral("Créer relation(s) du premier cliqué → autres…")},
        {QStringLiteral("Force-directed (rapide)"), QStringLiteral("Force dirigée (rapide)")},
        {QStringLiteral("Timeline"), QStringLiteral("Afficher")},
        {QStringLiteral("×0.1"), QStringLiteral("Très faible (×0.1)")},
        {QStringLiteral("×1.0"), QStringLiteral("Normal (×1.0)")},
        {QStringLiteral("×2"), QStringLiteral("Fort (×2)")},
        {QStringLiteral("×3"), QStringLiteral("Très fort (×3)")},
    };
    const QStringList offered = commandTexts(background.actions());
    QVERIFY(offered.size() > 30);
    for (const QString &text : offered)
        QVERIFY2(inBar.contains(namedOtherwise.value(text, text)), qPrintable(text));

    // The new entries work from the menu bar: the lists open on the current tab.
    m_window->action(QStringLiteral("actionListNodes"))->trigger();
    m_window->action(QStringLiteral("actionListEdges"))->trigger();
    QStringList lists;
    for (const QDialog *dialog : m_window->findChildren<QDialog *>())
        lists.append(dialog->windowTitle());
    lists.sort();
    QCOMPARE(lists, (QStringList{QStringLiteral("Liste des nœuds"),
                                 QStringLiteral("Liste des relations")}));
    m_window->action(QStringLiteral("actionNodeTypes"))->trigger();
    QCOMPARE(m_prompter->last(QStringLiteral("dialog")).title, QStringLiteral("Types de nœuds"));
}

void TstMainWindow::fitHasAShortcut()
{
    QAction *fit = m_window->action(QStringLiteral("actionFitView"));
    QCOMPARE(fit->shortcut(), QKeySequence(QStringLiteral("Ctrl+0")));
    QVERIFY(m_window->menu(QStringLiteral("menuView"))->actions().contains(fit));

    Tab *tab = m_window->currentTab();
    tab->document->edit(QString(), [&](Graph &graph) { graph.insertNode(makeNode(QStringLiteral("a"), QPointF(0, 0))); });
    tab->document->edit(QString(), [&](Graph &graph) { graph.insertNode(makeNode(QStringLiteral("b"), QPointF(4000, 3000))); });
    m_window->refreshTab(tab);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowActive(m_window));
    tab->view->centerOn(QPointF(-5000, -5000));
    QTest::keyClick(tab->view, Qt::Key_0, Qt::ControlModifier);
    const QRectF shown = tab->view->mapToScene(tab->view->viewport()->rect()).boundingRect();
    QVERIFY2(shown.contains(QPointF(0, 0)) && shown.contains(QPointF(4000, 3000)),
             qPrintable(QStringLiteral("%1 %2 %3 %4")
                            .arg(shown.x())
                            .arg(shown.y())
                            .arg(shown.width())
                            .arg(shown.height())));
}

void TstMainWindow::deleteKeyDeletesTheSelection()
{
    Tab *tab = m_window->currentTab();
    tab->document->edit(QString(), [&](Graph &graph) { graph.insertNode(makeNode(QStringLiteral("a"), QPointF(0, 0))); });
    tab->document->edit(QString(), [&](Graph &graph) { graph.insertNode(makeNode(QStringLiteral("b"), QPointF(300, 0))); });
    tab->document->edit(QString(), [&](Graph &graph) { graph.insertNode(makeNode(QStringLiteral("c"), QPointF(0, 300))); });
    tab->document->edit(QString(), [](Graph &graph) {
        graph.insertEdge(
            TestGraphs::makeEdge(QStringLiteral("bc"), QStringLiteral("b"), QStringLiteral("c")));
    });
    m_window->refreshTab(tab);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowActive(m_window));
    tab->scene->nodeItem(QStringLiteral("a"))->setSelected(true);

    // In a text field the key deletes text.
    auto *search = m_window->searchWidget()->findChild<QLineEdit *>();
    search->setFocus();
    search->setText(QStringLiteral("abc"));
    search->setCursorPosition(0);
    QTest::keyClick(search, Qt::Key_Delete);
    QCOMPARE(search->text(), QStringLiteral("bc"));
    QVERIFY(m_prompter->calls.isEmpty());
    QVERIFY(tab->graph().hasNode(QStringLiteral("a")));

    // On the canvas it asks as Ctrl+D does; No keeps the node.
    m_window->focusCanvas();
    QTest::keyClick(tab->view, Qt::Key_Delete);
    QCOMPARE(m_prompter->last(QStringLiteral("message")).title, QStringLiteral("Supprimer nœuds"));
    QVERIFY(tab->graph().hasNode(QStringLiteral("a")));
    m_prompter->answers << int(QMessageBox::Yes);
    QTest::keyClick(tab->view, Qt::Key_Delete);
    QVERIFY(!tab->graph().hasNode(QStringLiteral("a")));

    // With only a relation selected, the relation goes.
    const auto edges = tab->scene->edgeItems();
    QCOMPARE(edges.size(), 1);
    edges.first()->setSelected(true);
    m_prompter->answers << int(QMessageBox::Yes);
    QTest::keyClick(tab->view, Qt::Key_Delete);
    QCOMPARE(m_prompter->last(QStringLiteral("message")).title, QStringLiteral("Supprimer"));
    QVERIFY(tab->graph().edges().isEmpty());
    QCOMPARE(tab->graph().nodes().size(), 2);
}

void TstMainWindow::chosenListRowIsShownOnTheCanvas_data()
{
    QTest::addColumn<bool>("relations");
    QTest::newRow("node list") << false;
    QTest::newRow("relation list") << true;
}

// Opening a record from a list (or a search result, which opens a list) selects it alone and
// centres the view on it.
void TstMainWindow::chosenListRowIsShownOnTheCanvas()
{
    QFETCH(bool, relations);
    Tab *tab = m_window->currentTab();
    tab->document->edit(QString(), [&](Graph &graph) { graph.insertNode(makeNode(QStringLiteral("a"), QPointF(0, 0))); });
    tab->document->edit(QString(), [&](Graph &graph) { graph.insertNode(makeNode(QStringLiteral("far"), QPointF(6000, 4000))); });
    tab->document->edit(QString(), [&](Graph &graph) { graph.insertNode(makeNode(QStringLiteral("farther"), QPointF(6000, 5000))); });
    // Far from the corners of the graph, where the view can scroll to centre anything.
    tab->document->edit(QString(), [&](Graph &graph) { graph.insertNode(makeNode(QStringLiteral("corner"), QPointF(12000, 10000))); });
    tab->document->edit(QString(), [](Graph &graph) {
        graph.insertEdge(TestGraphs::makeEdge(QStringLiteral("e"), QStringLiteral("far"),
                                              QStringLiteral("farther")));
    });
    m_window->refreshTab(tab);
    m_window->resize(1000, 700);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window));
    tab->view->resetTransform();
    tab->view->centerOn(QPointF(0, 0));
    tab->scene->nodeItem(QStringLiteral("a"))->setSelected(true);

    m_window->action(relations ? QStringLiteral("actionListEdges")
                               : QStringLiteral("actionListNodes"))
        ->trigger();
    auto *list = m_window->findChild<RecordListDialog *>();
    QVERIFY(list);
    const QString id = relations ? QStringLiteral("e") : QStringLiteral("far");
    auto *table = list->findChild<QTableWidget *>(QStringLiteral("recordTable"));
    int row = -1;
    for (int r = 0; r < table->rowCount(); ++r) {
        if (table->item(r, 1)->text() == id)
            row = r;
    }
    QVERIFY(row >= 0);
    // Zoomed far out, as a large graph is when fitted: the record becomes readable.
    tab->view->zoomBySteps(-20);
    QVERIFY(tab->view->transform().m11() < 0.1);
    m_prompter->dialogs << [](QDialog &) { return int(QDialog::Rejected); };
    list->onCellDoubleClicked(row, 2);
    QVERIFY(std::abs(tab->view->transform().m11() - 1.0) < 1e-6);
    QCOMPARE(m_prompter->count(QStringLiteral("dialog")), 1);

    const QList<QGraphicsItem *> selected = tab->scene->selectedItems();
    QCOMPARE(selected.size(), 1);
    const QPointF target = selected.first()->sceneBoundingRect().center();
    QVERIFY(relations ? selected.first()->type() == EdgeItem::Type
                      : selected.first() == tab->scene->nodeItem(id));
    QTRY_VERIFY(QLineF(tab->view->mapToScene(tab->view->viewport()->rect().center()), target)
                    .length()
                < 2.0);
}

void TstMainWindow::themeIsRememberedBetweenRuns()
{
    QCOMPARE(storedTheme(), Theme::Neon);
    m_window->action(QStringLiteral("actionThemeDark"))->trigger();
    QCOMPARE(storedTheme(), Theme::Dark);
    // The next run starts with it.
    MainWindow next(m_prompter);
    QVERIFY(next.action(QStringLiteral("actionThemeDark"))->isChecked());
    QVERIFY(!next.action(QStringLiteral("actionThemeNeon"))->isChecked());
    next.action(QStringLiteral("actionThemeLight"))->trigger();
    QCOMPARE(storedTheme(), Theme::Light);
}

QTEST_MAIN(TstMainWindow)
#include "tst_mainwindow.moc"
