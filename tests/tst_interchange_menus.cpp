#include "app/mainwindow.h"
#include "app/tab.h"
#include "canvas/graphscene.h"
#include "scriptedprompter.h"
#include "testfiles.h"
#include "testgraphs.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>

using namespace TestGraphs;

namespace {

void fillTab(Tab *tab)
{
    for (const char *id : {"a", "b", "c"}) {
        Node node = makeNode(QLatin1String(id), QStringLiteral("Nœud ") + QLatin1String(id),
                             QStringLiteral("Acteur"));
        node.attributes = {{QString(), QStringLiteral("pays"), QStringLiteral("FR")}};
        tab->document->edit(QString(), [&](Graph &graph) { graph.insertNode(node); });
    }
    tab->document->edit(QString(), [](Graph &graph) {
        graph.insertEdge(makeEdge(QStringLiteral("e"), QStringLiteral("a"), QStringLiteral("b"),
                                  QStringLiteral("relation"), QStringLiteral("lien")));
    });
}

QStringList actionTexts(const QMenu *menu)
{
    QStringList texts;
    for (const QAction *action : menu->actions())
        texts.append(action->isSeparator() ? QStringLiteral("|") : action->text());
    return texts;
}

} // namespace

class TestInterchangeMenus : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void fileMenuOffersImportAndExport();
    void csvExportThenImportIntoAnotherTab();
    void csvImportFailureShowsError();
    void cancelledChooserDoesNothing();
    void stixExportThenImportIntoAnotherTab();
    void stixFailuresShowBoxes();
    void stixImportTellsOfDuplicatesAndMissingEnds();

private:
    ScriptedPrompter *m_prompter = nullptr;
    MainWindow *m_window = nullptr;
    QTemporaryDir *m_dir = nullptr;
};

void TestInterchangeMenus::init()
{
    m_prompter = new ScriptedPrompter;
    m_window = new MainWindow(m_prompter);
    m_dir = new QTemporaryDir;
}

void TestInterchangeMenus::cleanup()
{
    delete m_window;
    delete m_prompter;
    delete m_dir;
}

void TestInterchangeMenus::fileMenuOffersImportAndExport()
{
    const QMenu *file = m_window->menu(QStringLiteral("menuFile"));
    QVERIFY(file);
    const QStringList texts = actionTexts(file);
    const qsizetype import = texts.indexOf(QStringLiteral("Import"));
    QVERIFY(import > 0);
    QCOMPARE(texts.mid(import - 2, 6),
             (QStringList{QStringLiteral("Enregistrer &sous…"), QStringLiteral("|"),
                          QStringLiteral("Import"), QStringLiteral("|"), QStringLiteral("Export"),
                          QStringLiteral("|")}));
    QCOMPARE(texts.at(import + 4), QStringLiteral("Configuration"));
    QCOMPARE(actionTexts(m_window->menu(QStringLiteral("menuImport"))),
             (QStringList{QStringLiteral("Importer &Nœuds CSV…"),
                          QStringLiteral("Importer &Relations CSV…"),
                          QStringLiteral("Importer STIX 2.1…")}));
    QCOMPARE(actionTexts(m_window->menu(QStringLiteral("menuExport"))),
             (QStringList{QStringLiteral("Exporter Nœuds CSV…"),
                          QStringLiteral("Exporter Relations CSV…"),
                          QStringLiteral("Exporter en STIX 2.1…")}));
}

void TestInterchangeMenus::csvExportThenImportIntoAnotherTab()
{
    fillTab(m_window->currentTab());
    const QString nodesPath = m_dir->filePath("nodes.csv");
    const QString edgesPath = m_dir->filePath("edges.csv");
    m_prompter->answers = {nodesPath};
    m_window->action(QStringLiteral("actionExportNodesCsv"))->trigger();
    QCOMPARE(m_prompter->last("save").title, QStringLiteral("Exporter Nœuds CSV"));
    QCOMPARE(m_prompter->last("save").text, QStringLiteral("nodes.csv|CSV (*.csv)"));
    QCOMPARE(m_window->statusBar()->currentMessage(), QStringLiteral("Nœuds exportés vers ") + nodesPath);
    m_prompter->answers = {edgesPath};
    m_window->action(QStringLiteral("actionExportEdgesCsv"))->trigger();
    QCOMPARE(m_prompter->last("save").text, QStringLiteral("edges.csv|CSV (*.csv)"));
    QCOMPARE(m_window->statusBar()->currentMessage(), QStringLiteral("Relations exportées vers ") + edgesPath);

    m_window->addNewTab();
    Tab *target = m_window->currentTab();
    QVERIFY(target->graph().isEmpty());
    m_prompter->answers = {nodesPath};
    m_window->action(QStringLiteral("actionImportNodes"))->trigger();
    QCOMPARE(m_prompter->last("open").title, QStringLiteral("Importer nodes.csv"));
    QCOMPARE(m_window->statusBar()->currentMessage(), QStringLiteral("Nœuds importés: 3 (total 3)"));
    m_prompter->answers = {edgesPath};
    m_window->action(QStringLiteral("actionImportEdges"))->trigger();
    QCOMPARE(m_prompter->last("open").title, QStringLiteral("Importer edges.csv"));
    QCOMPARE(m_window->statusBar()->currentMessage(), QStringLiteral("Relations importées: 1 (total 1)"));
    QCOMPARE(target->graph().node(QStringLiteral("b")).label, QStringLiteral("Nœud b"));
    QCOMPARE(target->graph().edge(QStringLiteral("e")).dst, QStringLiteral("b"));
    // The canvas was rebuilt: the imported nodes are drawn, spread on a circle.
    QVERIFY(target->scene->items().size() >= 4);
    QVERIFY(target->graph().node(QStringLiteral("a")).pos != target->graph().node(QStringLiteral("b")).pos);
    QCOMPARE(m_prompter->count("message"), 0);
}

void TestInterchangeMenus::csvImportFailureShowsError()
{
    fillTab(m_window->currentTab());
    const Graph before = m_window->currentTab()->graph();
    writeBytes(m_dir->filePath("empty.csv"), "");
    m_prompter->answers = {m_dir->filePath("empty.csv")};
    m_window->action(QStringLiteral("actionImportEdges"))->trigger();
    const ScriptedPrompter::Call box = m_prompter->last("message");
    QCOMPARE(box.icon, QMessageBox::Critical);
    QCOMPARE(box.title, QStringLiteral("Erreur"));
    QCOMPARE(box.text, QStringLiteral("Fichier vide"));
    QCOMPARE(m_window->currentTab()->graph().nodes(), before.nodes());

    m_prompter->answers = {m_dir->filePath("missing/nodes.csv")};
    m_window->action(QStringLiteral("actionExportNodesCsv"))->trigger();
    QCOMPARE(m_prompter->last("message").icon, QMessageBox::Warning);
    QCOMPARE(m_prompter->last("message").title, QStringLiteral("Erreur d’export"));
    QCOMPARE(m_prompter->last("message").text,
             QStringLiteral("Impossible d’écrire le fichier: ") + m_dir->filePath("missing/nodes.csv"));
}

void TestInterchangeMenus::cancelledChooserDoesNothing()
{
    fillTab(m_window->currentTab());
    m_window->statusBar()->clearMessage();
    for (const char *name : {"actionImportNodes", "actionImportEdges", "actionExportNodesCsv",
                             "actionExportEdgesCsv"})
        m_window->action(QLatin1String(name))->trigger();
    m_window->importStix();
    m_window->exportStix();
    QCOMPARE(m_prompter->count("open") + m_prompter->count("save"), 6);
    QCOMPARE(m_prompter->count("message"), 0);
    QCOMPARE(m_window->statusBar()->currentMessage(), QString());
    QCOMPARE(m_window->currentTab()->graph().nodes().size(), 3);
}

void TestInterchangeMenus::stixExportThenImportIntoAnotherTab()
{
    fillTab(m_window->currentTab());
    const QString bundlePath = m_dir->filePath("bundle.json");
    m_prompter->answers = {bundlePath};
    m_window->action(QStringLiteral("actionExportStix"))->trigger();
    QCOMPARE(m_prompter->last("save").title, QStringLiteral("Exporter en STIX 2.1"));
    QVERIFY(m_prompter->last("save").text.endsWith(
        QStringLiteral("|Fichiers STIX JSON (*.json);;Tous les fichiers (*.*)")));
    QCOMPARE(m_window->statusBar()->currentMessage(),
             QStringLiteral("Export STIX terminé : 4 objets dans le bundle."));

    m_window->addNewTab();
    Tab *target = m_window->currentTab();
    m_prompter->answers = {bundlePath};
    m_window->action(QStringLiteral("actionImportStix"))->trigger();
    QCOMPARE(m_prompter->last("open").title, QStringLiteral("Importer STIX 2.1"));
    QCOMPARE(m_window->statusBar()->currentMessage(),
             QStringLiteral("Import STIX : 3 nœuds, 1 relations ajoutés (total 3 nœuds, 1 relations)"));
    QCOMPARE(target->graph().node(QStringLiteral("c")).type, QStringLiteral("Acteur"));
    QCOMPARE(target->graph().edge(QStringLiteral("e")).label, QStringLiteral("lien"));
    QVERIFY(target->scene->items().size() >= 4);
}

void TestInterchangeMenus::stixFailuresShowBoxes()
{
    fillTab(m_window->currentTab());
    const Graph before = m_window->currentTab()->graph();
    m_prompter->answers = {QStringLiteral(ORVANE_TEST_DATA "/stix/invalid.json")};
    m_window->importStix();
    QCOMPARE(m_prompter->last("message").icon, QMessageBox::Critical);
    QCOMPARE(m_prompter->last("message").title, QStringLiteral("Erreur"));
    QVERIFY(m_prompter->last("message").text.startsWith(QStringLiteral("JSON invalide: ")));
    QCOMPARE(m_window->currentTab()->graph().nodes(), before.nodes());

    const QString unwritable = m_dir->filePath("missing/bundle.json");
    m_prompter->answers = {unwritable};
    m_window->exportStix();
    QCOMPARE(m_prompter->last("message").title, QStringLiteral("Erreur export STIX"));
    QCOMPARE(m_prompter->last("message").text,
             QStringLiteral("Impossible d'écrire le fichier STIX:") + unwritable);
}

void TestInterchangeMenus::stixImportTellsOfDuplicatesAndMissingEnds()
{
    m_prompter->answers = {QStringLiteral(ORVANE_TEST_DATA "/stix/duplicates.json")};
    m_window->importStix();
    QCOMPARE(m_window->statusBar()->currentMessage(),
             QStringLiteral("Import STIX : 2 nœuds, 2 relations ajoutés (total 2 nœuds, 2 relations). "
                            "2 objets au même identifiant ignorés (version la plus récente gardée). "
                            "1 relations dont une extrémité manque dans le graphe."));
}

QTEST_MAIN(TestInterchangeMenus)
#include "tst_interchange_menus.moc"
