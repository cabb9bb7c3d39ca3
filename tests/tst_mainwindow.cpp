#include "app/localisation.h"
#include "app/mainwindow.h"
#include "app/tab.h"
#include "app/themes.h"
#include "scriptedprompter.h"
#include "storage/projectfiles.h"
#include "testfiles.h"
#include "testgraphs.h"

#include <QAction>
#include <QApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

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
    void init();
    void cleanup();
    void startsWithOneEmptyTab();
    void lastTabCannotBeClosed();
    void renamingToBlanksKeepsTheTitle();
    void saveAsFollowsTheFolderRule();
    void saveRefusesAFileOutsideItsProjectFolder();
    void saveCopiesOnlyFilesTheAnalystChose();
    void openUsesTheEmptyCurrentTab();
    void openAsksWhereWhenTheTabHoldsSomething();
    void failedOpenLeavesTheTabAsItWas();
    void reloadDiscardsUnsavedChanges();
    void nodesAllAtOriginAreArrangedOnACircle();
    void newProjectStartsOver();
    void themesChangeThePalette();
    void versionDialogShowsTheVersion();
    void standardButtonsSpeakFrench();

private:
    QTemporaryDir m_dir;
    ScriptedPrompter *m_prompter = nullptr;
    MainWindow *m_window = nullptr;
};

void TstMainWindow::init()
{
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
    QVERIFY(m_window->currentTab()->dbPath.isEmpty());
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
    tab->graph.insertNode(makeNode(QStringLiteral("n1")));
    const QString parent = m_dir.filePath(QStringLiteral("saveas"));
    QDir().mkpath(parent);
    m_prompter->answers << QDir(parent).filePath(QStringLiteral("Affaire.orvane.db"));
    m_window->saveProjectAs();
    const QString expected = QDir(parent).filePath(QStringLiteral("Affaire/Affaire.orvane.db"));
    QCOMPARE(tab->dbPath, expected);
    QVERIFY(QFile::exists(expected));
    QVERIFY(QFileInfo(QDir(parent).filePath(QStringLiteral("Affaire/nodes"))).isDir());
    QCOMPARE(m_window->tabTitle(0), QStringLiteral("Affaire"));
    QVERIFY(m_window->action(QStringLiteral("actionSave"))->isEnabled());
    QVERIFY(m_window->action(QStringLiteral("actionReload"))->isEnabled());

    // Chosen inside a folder already named like the project: saved right there.
    m_prompter->answers << expected;
    m_window->saveProjectAs();
    QCOMPARE(tab->dbPath, expected);
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
    tab->graph.insertNode(picked);
    tab->graph.insertNode(foreign);
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

void TstMainWindow::saveRefusesAFileOutsideItsProjectFolder()
{
    const QString dbPath =
        writeProject(m_dir.filePath(QStringLiteral("moved/elsewhere")), QStringLiteral("Deplace"),
                     {QStringLiteral("a")});
    QVERIFY(m_window->openPath(dbPath));
    const QByteArray before = fileBytes(dbPath);
    m_window->currentTab()->graph.insertNode(makeNode(QStringLiteral("b")));
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
    QCOMPARE(m_window->currentTab()->dbPath, dbPath);
    QCOMPARE(m_window->currentTab()->graph.nodes().size(), 2);
    QVERIFY(m_window->action(QStringLiteral("actionSave"))->isEnabled());
}

void TstMainWindow::openAsksWhereWhenTheTabHoldsSomething()
{
    const QString dbPath = writeProject(m_dir.filePath(QStringLiteral("Choix")),
                                        QStringLiteral("Choix"), {QStringLiteral("p")});
    m_window->currentTab()->graph.insertNode(makeNode(QStringLiteral("local")));

    m_prompter->answers << dbPath << -1;
    m_window->openProject();
    QCOMPARE(m_prompter->last().title, QStringLiteral("Ouvrir le projet"));
    QCOMPARE(m_prompter->last().text,
             QStringLiteral("Ouvrir « Choix » dans l’onglet courant ou dans un nouvel onglet ?"));
    QCOMPARE(m_window->tabCount(), 1);
    QVERIFY(m_window->currentTab()->graph.hasNode(QStringLiteral("local")));

    m_prompter->answers << dbPath << 1;
    m_window->openProject();
    QCOMPARE(m_window->tabCount(), 2);
    QCOMPARE(m_window->tabTitle(1), QStringLiteral("Choix"));
    QVERIFY(m_window->currentTab()->graph.hasNode(QStringLiteral("p")));
    QVERIFY(m_window->tabAt(0)->graph.hasNode(QStringLiteral("local")));

    m_window->tabAt(1)->graph.insertNode(makeNode(QStringLiteral("unsaved")));
    m_prompter->answers << dbPath << 0;
    m_window->openProject();
    QCOMPARE(m_window->tabCount(), 2);
    QVERIFY(!m_window->currentTab()->graph.hasNode(QStringLiteral("unsaved")));
    QVERIFY(m_window->currentTab()->graph.hasNode(QStringLiteral("p")));
}

void TstMainWindow::failedOpenLeavesTheTabAsItWas()
{
    const QString notes = m_dir.filePath(QStringLiteral("notes.db"));
    writeBytes(notes, QByteArray("du texte, pas une base\n").repeated(40));
    m_window->currentTab()->graph.insertNode(makeNode(QStringLiteral("garde")));

    m_prompter->answers << notes << 0;
    m_window->openProject();
    QCOMPARE(m_prompter->last().title, QStringLiteral("Erreur BDD"));
    QVERIFY(m_prompter->last().text.startsWith(QStringLiteral("initSchema() failed: ")));
    QCOMPARE(m_prompter->last().icon, QMessageBox::Critical);
    QVERIFY(m_window->currentTab()->graph.hasNode(QStringLiteral("garde")));
    QCOMPARE(m_window->tabTitle(0), QStringLiteral("Graphe 1"));

    m_prompter->answers << notes << 1;
    m_window->openProject();
    QCOMPARE(m_window->tabCount(), 1);
}

void TstMainWindow::reloadDiscardsUnsavedChanges()
{
    m_window->reloadCurrentTab();
    QVERIFY(m_prompter->calls.isEmpty());

    const QString dbPath = writeProject(m_dir.filePath(QStringLiteral("Recharge")),
                                        QStringLiteral("Recharge"), {QStringLiteral("a")});
    QVERIFY(m_window->openPath(dbPath));
    m_window->currentTab()->graph.insertNode(makeNode(QStringLiteral("brouillon")));
    m_window->action(QStringLiteral("actionReload"))->trigger();
    QVERIFY(!m_window->currentTab()->graph.hasNode(QStringLiteral("brouillon")));
    QVERIFY(m_window->currentTab()->graph.hasNode(QStringLiteral("a")));

    QVERIFY(QFile::remove(dbPath));
    m_window->reloadCurrentTab();
    QCOMPARE(m_prompter->last().title, QStringLiteral("Recharger"));
    QCOMPARE(m_prompter->last().text, QStringLiteral("Base introuvable :\n%1").arg(dbPath));
    QVERIFY(m_window->currentTab()->graph.hasNode(QStringLiteral("a")));
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
    for (const Node &node : m_window->currentTab()->graph.nodes()) {
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
    QVERIFY(m_window->currentTab()->graph.isEmpty());
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

QTEST_MAIN(TstMainWindow)
#include "tst_mainwindow.moc"
