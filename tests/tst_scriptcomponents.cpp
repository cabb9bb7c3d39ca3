#include "app/mainwindow.h"
#include "app/tab.h"
#include "canvas/edgeitem.h"
#include "canvas/graphscene.h"
#include "canvas/nodeitem.h"
#include "clirunner.h"
#include "components/scriptcomponents.h"
#include "config/appconfig.h"
#include "dialogs/scriptrundialog.h"
#include "model/scenerecords.h"
#include "scriptedprompter.h"
#include "storage/projectfiles.h"
#include "testfiles.h"
#include "testgraphs.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QUndoStack>

using namespace TestGraphs;
using ScriptComponents::OutputLine;

namespace {

// Reads the project, prints progress and messages, adds a node next to "a" and changes its
// "pays" attribute, then ends with the code given on its command line after "--code".
const char *enrichScript = R"(import json, sqlite3, sys
args = sys.argv[1:]
with open("args.json", "w") as f:
    json.dump(args, f)
db = sqlite3.connect(args[args.index("--db") + 1])
db.execute("INSERT INTO nodes SELECT 'nouveau', 'Nouveau', type, shape, color, size, media_path,"
           " description, valid_start, valid_end, show_label, anchored, visible, hypothesis,"
           " x + 80, y, geo_lat, geo_lon FROM nodes WHERE id = 'a'")
db.execute("UPDATE node_attrs SET v = 'DE' WHERE node_id = 'a' AND k = 'pays'")
db.commit()
print("PROGRESS: 50", flush=True)
print("MSG: moitié faite", flush=True)
sys.stderr.write("attention\n")
sys.stderr.flush()
print("détail")
sys.exit(int(open("code.txt").read()) if __import__("os").path.exists("code.txt") else 0)
)";

QStringList actionTexts(const QMenu *menu)
{
    QStringList texts;
    for (const QAction *action : menu->actions())
        texts.append(action->text());
    return texts;
}

QMenu *subMenu(const QMenu *menu, const QString &title)
{
    for (QAction *action : menu->actions()) {
        if (action->menu() && action->text() == title)
            return action->menu();
    }
    return nullptr;
}

// orvane-cli run with a configuration file holding this "orvane" section, as the user's.
CliRun runCliConfigured(const QJsonObject &orvane, const QStringList &arguments,
                        const QString &workingDir = QString())
{
    const QTemporaryDir home;
    writeBytes(QDir(home.path()).filePath(QStringLiteral("ORVANE/ORVANE/orvane_config.json")),
               QJsonDocument(QJsonObject{{QStringLiteral("orvane"), orvane}}).toJson());
    const QByteArray savedHome = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.path()));
    const CliRun run = runProgram(QStringLiteral(ORVANE_BINARY_DIR "/bin/orvane-cli"), arguments,
                                  workingDir);
    qputenv("XDG_CONFIG_HOME", savedHome);
    return run;
}

} // namespace

class TestScriptComponents : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void folderStates_data();
    void folderStates();
    void scanReadsDescriptors();
    void commandLines_data();
    void commandLines();
    void refusals_data();
    void refusals();
    void outputLines_data();
    void outputLines();
    void linesSplitAcrossReads();
    void windowPreconditions();
    void resultsComeBackAsOneStep();
    void failedRunChangesNothing();
    void modifiedTabAsksToSaveFirst();
    void editsDuringTheRunAreKept();
    void cancelKillsTheScript();
    void lastLineWithoutLineEnd();
    void severalRunsAtOnce();
    void cliListsComponents();
    void cliRunsAComponent();

private:
    // root/<category>/<component>/ with a config.json (null: none) and a script.
    QString addComponent(const QString &category, const QString &component,
                         const QByteArray &config, const QByteArray &script,
                         const QString &scriptName = QStringLiteral("main.py"));
    // A saved project "Case" with nodes a (attribute pays = FR), b and relation e: a → b,
    // opened in the window's first tab with the given items selected.
    Tab *openProject(const QStringList &selectedNodes, const QStringList &selectedEdges = {});
    // Runs the named component from its menu entry and waits for its window to finish.
    ScriptRunDialog *runFromMenu(const QString &category, const QString &name,
                                 bool waitForEnd = true);
    void rebuildWindow();

    QTemporaryDir *m_dir = nullptr;
    QString m_root;
    QString m_dbPath;
    ScriptedPrompter *m_prompter = nullptr;
    MainWindow *m_window = nullptr;
};

void TestScriptComponents::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    QCoreApplication::setOrganizationName(QStringLiteral("ORVANE"));
    QCoreApplication::setApplicationName(QStringLiteral("ORVANE-tests"));
}

void TestScriptComponents::init()
{
    m_dir = new QTemporaryDir;
    m_root = m_dir->filePath(QStringLiteral("Components"));
    QDir().mkpath(m_root);
    AppConfig::setCurrent(QJsonObject());
    AppConfig::setComponentsDir(m_root);
    AppConfig::setPythonInterpreter(QStringLiteral("python3"));
    m_prompter = new ScriptedPrompter;
}

void TestScriptComponents::cleanup()
{
    delete m_window;
    m_window = nullptr;
    delete m_prompter;
    delete m_dir;
}

void TestScriptComponents::rebuildWindow()
{
    delete m_window;
    m_window = new MainWindow(m_prompter);
}

QString TestScriptComponents::addComponent(const QString &category, const QString &component,
                                           const QByteArray &config, const QByteArray &script,
                                           const QString &scriptName)
{
    const QString folder = QDir(m_root).filePath(category + u'/' + component);
    QDir().mkpath(folder);
    if (!config.isNull())
        writeBytes(QDir(folder).filePath(QStringLiteral("config.json")), config);
    if (!script.isNull())
        writeBytes(QDir(folder).filePath(scriptName), script);
    return folder;
}

Tab *TestScriptComponents::openProject(const QStringList &selectedNodes,
                                       const QStringList &selectedEdges)
{
    const QString folder = m_dir->filePath(QStringLiteral("Case"));
    QDir().mkpath(folder);
    m_dbPath = QDir(folder).filePath(QStringLiteral("Case.orvane.db"));
    Graph graph;
    Node a = makeNode(QStringLiteral("a"), QStringLiteral("Acteur A"), QPointF(0, 0));
    a.attributes = {{QString(), QStringLiteral("pays"), QStringLiteral("FR")}};
    graph.insertNode(a);
    graph.insertNode(makeNode(QStringLiteral("b"), QStringLiteral("Acteur B"), QPointF(200, 0)));
    graph.insertEdge(makeEdge(QStringLiteral("e"), QStringLiteral("a"), QStringLiteral("b")));
    SceneRecords scene;
    QString error;
    if (!ProjectFiles::save(m_dbPath, graph, scene, &error))
        qWarning() << error;
    if (!m_window)
        rebuildWindow();
    if (!m_window->openPath(m_dbPath))
        return nullptr;
    Tab *tab = m_window->currentTab();
    for (const QString &id : selectedNodes)
        tab->scene->nodeItem(id)->setSelected(true);
    for (const QString &id : selectedEdges)
        tab->scene->edgeItem(id)->setSelected(true);
    return tab;
}

ScriptRunDialog *TestScriptComponents::runFromMenu(const QString &category, const QString &name,
                                                   bool waitForEnd)
{
    const QList<ScriptRunDialog *> before = m_window->findChildren<ScriptRunDialog *>();
    QMenu *components = m_window->menu(QStringLiteral("menuScriptComponents"));
    QMenu *sub = components ? subMenu(components, category) : nullptr;
    if (!sub)
        return nullptr;
    for (QAction *action : sub->actions()) {
        if (action->text() == name)
            action->trigger();
    }
    ScriptRunDialog *dialog = nullptr;
    for (ScriptRunDialog *candidate : m_window->findChildren<ScriptRunDialog *>()) {
        if (!before.contains(candidate))
            dialog = candidate;
    }
    if (dialog && waitForEnd) {
        QSignalSpy ended(dialog, &ScriptRunDialog::ended);
        if (!ended.wait(30000))
            qWarning() << "the script did not end:" << dialog->statusText();
    }
    return dialog;
}

void TestScriptComponents::folderStates_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("entry");
    QTest::newRow("not configured") << "  " << "Aucun dossier de composants configuré.";
    QTest::newRow("missing") << "absent" << "Dossier introuvable : %1";
    QTest::newRow("no category") << "vide" << "Aucun composant trouvé dans %1";
}

void TestScriptComponents::folderStates()
{
    QFETCH(QString, folder);
    QFETCH(QString, entry);
    QString path = folder;
    if (!folder.trimmed().isEmpty()) {
        path = m_dir->filePath(folder);
        if (folder == u"vide") {
            QDir().mkpath(path);
            writeBytes(QDir(path).filePath(QStringLiteral("lisezmoi.txt")), "pas un dossier");
        }
        entry = entry.arg(path);
    }
    QCOMPARE(ScriptComponents::scan(path).emptyText(), entry);
    // The setter would drop a blank path; the window must see it as configured-but-blank.
    QJsonObject config{{QStringLiteral("orvane"),
                        QJsonObject{{QStringLiteral("python_components_dir"), path}}}};
    AppConfig::setCurrent(config);
    rebuildWindow();
    const QList<QAction *> actions =
        m_window->menu(QStringLiteral("menuScriptComponents"))->actions();
    if (folder.trimmed().isEmpty()) {
        // A blank setting means the default folder under the configuration directory.
        QCOMPARE(actions.size(), 1);
        QVERIFY(!actions.first()->isEnabled());
        return;
    }
    QCOMPARE(actions.size(), 1);
    QCOMPARE(actions.first()->text(), entry);
    QVERIFY(!actions.first()->isEnabled());
}

void TestScriptComponents::scanReadsDescriptors()
{
    addComponent(QStringLiteral("Réseau"), QStringLiteral("b-complet"),
                 R"({"id": "whois", "name": "Whois", "category": "Réseau",
                     "entry_point": "run.py", "description": "Interroge whois",
                     "language": " Python "})",
                 "print('x')\n", QStringLiteral("run.py"));
    addComponent(QStringLiteral("Réseau"), QStringLiteral("a-defauts"), "{}", "print('x')\n");
    addComponent(QStringLiteral("Réseau"), QStringLiteral("c-sans-config"), QByteArray(),
                 "print('x')\n");
    addComponent(QStringLiteral("Réseau"), QStringLiteral("d-invalide"), "{ pas du json",
                 "print('x')\n");
    addComponent(QStringLiteral("Réseau"), QStringLiteral("e-tableau"), "[1, 2]", "print('x')\n");
    addComponent(QStringLiteral("Autres"), QStringLiteral("rien"), QByteArray(), "print('x')\n");

    const ScriptComponents::Scan scan = ScriptComponents::scan(m_root);
    QCOMPARE(scan.state, ScriptComponents::Scan::State::Found);
    QCOMPARE(scan.emptyText(), QString());
    QCOMPARE(scan.categories.size(), 2);
    QCOMPARE(scan.categories.at(0).name, QStringLiteral("Autres"));
    QVERIFY(scan.categories.at(0).components.isEmpty());
    const QList<ScriptComponents::Descriptor> &network = scan.categories.at(1).components;
    QCOMPARE(network.size(), 2);
    const ScriptComponents::Descriptor &defaults = network.at(0);
    QCOMPARE(defaults.id, QStringLiteral("a-defauts"));
    QCOMPARE(defaults.name, QStringLiteral("a-defauts"));
    QCOMPARE(defaults.entryPoint, QStringLiteral("main.py"));
    QCOMPARE(defaults.language, QStringLiteral("python"));
    QCOMPARE(defaults.description, QString());
    QCOMPARE(defaults.scriptPath(), QDir(m_root).filePath(QStringLiteral("Réseau/a-defauts/main.py")));
    const ScriptComponents::Descriptor &full = network.at(1);
    QCOMPARE(full.id, QStringLiteral("whois"));
    QCOMPARE(full.name, QStringLiteral("Whois"));
    QCOMPARE(full.category, QStringLiteral("Réseau"));
    QCOMPARE(full.language, QStringLiteral("python"));
    QCOMPARE(scan.find(QStringLiteral("whois"))->entryPoint, QStringLiteral("run.py"));
    QVERIFY(!scan.find(QStringLiteral("c-sans-config")));

    rebuildWindow();
    QMenu *menu = m_window->menu(QStringLiteral("menuScriptComponents"));
    QCOMPARE(actionTexts(menu), (QStringList{QStringLiteral("Autres"), QStringLiteral("Réseau")}));
    QMenu *others = subMenu(menu, QStringLiteral("Autres"));
    QCOMPARE(actionTexts(others), QStringList{QStringLiteral("[Aucun composant dans cette catégorie]")});
    QVERIFY(!others->actions().first()->isEnabled());
    QMenu *networkMenu = subMenu(menu, QStringLiteral("Réseau"));
    QCOMPARE(actionTexts(networkMenu),
             (QStringList{QStringLiteral("a-defauts"), QStringLiteral("Whois")}));
    QCOMPARE(networkMenu->actions().at(1)->toolTip(), QStringLiteral("Interroge whois"));
    QVERIFY(networkMenu->actions().at(1)->isEnabled());
}

void TestScriptComponents::commandLines_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<QStringList>("nodes");
    QTest::addColumn<QStringList>("edges");
    QTest::addColumn<QString>("program");
    QTest::addColumn<QStringList>("arguments"); // "S" stands for the script, "D" for the base

    QTest::newRow("python, both") << "python" << QStringList{"n1", "n2"} << QStringList{"e1"}
                                  << "/opt/py"
                                  << QStringList{"S", "--db", "D", "--nodes", "n1,n2", "--edges", "e1"};
    QTest::newRow("python, relations only") << "python" << QStringList{} << QStringList{"e1", "e2"}
                                            << "/opt/py" << QStringList{"S", "--db", "D", "--edges", "e1,e2"};
    QTest::newRow("PowerShell written in capitals")
        << "PowerShell" << QStringList{"n1"} << QStringList{"e1"} << "/opt/pwsh"
        << QStringList{"-NoProfile", "-ExecutionPolicy", "Bypass", "-File", "S", "-Db", "D",
                       "-Nodes", "n1", "-Edges", "e1"};
    QTest::newRow("pwsh, nodes only")
        << "pwsh" << QStringList{"n1"} << QStringList{} << "/opt/pwsh"
        << QStringList{"-NoProfile", "-ExecutionPolicy", "Bypass", "-File", "S", "-Db", "D",
                       "-Nodes", "n1"};
}

void TestScriptComponents::commandLines()
{
    QFETCH(QString, language);
    QFETCH(QStringList, nodes);
    QFETCH(QStringList, edges);
    QFETCH(QString, program);
    QFETCH(QStringList, arguments);
    AppConfig::setPythonInterpreter(QStringLiteral(" /opt/py "));
    AppConfig::setPowershellInterpreter(QStringLiteral("/opt/pwsh"));
    const QString folder = addComponent(
        QStringLiteral("Cat"), QStringLiteral("comp"),
        QJsonDocument(QJsonObject{{QStringLiteral("language"), language}}).toJson(), "");
    const auto component = ScriptComponents::readDescriptor(folder);
    QVERIFY(component);
    ScriptComponents::Invocation invocation;
    QString error;
    QVERIFY(ScriptComponents::prepare(*component, QStringLiteral("/p/Case.orvane.db"), nodes,
                                      edges, &invocation, &error));
    arguments.replaceInStrings(QRegularExpression(QStringLiteral("^S$")), component->scriptPath());
    arguments.replaceInStrings(QRegularExpression(QStringLiteral("^D$")),
                               QStringLiteral("/p/Case.orvane.db"));
    QCOMPARE(invocation.program, program);
    QCOMPARE(invocation.arguments, arguments);
    QCOMPARE(invocation.workingDirectory, folder);
}

void TestScriptComponents::refusals_data()
{
    QTest::addColumn<QByteArray>("config");
    QTest::addColumn<bool>("withScript");
    QTest::addColumn<QString>("message");
    QTest::newRow("missing script") << QByteArray("{}") << false << "Script introuvable : %1";
    QTest::newRow("no PowerShell") << QByteArray(R"({"language": "powershell"})") << true
                                   << "Aucun interpréteur PowerShell configuré.\n\nOuvre la "
                                      "configuration Orvane et renseigne le chemin de PowerShell.";
    QTest::newRow("unknown language") << QByteArray(R"({"language": " Ruby "})") << true
                                      << "Langage de composant inconnu ou non supporté : ruby";
}

void TestScriptComponents::refusals()
{
    QFETCH(QByteArray, config);
    QFETCH(bool, withScript);
    QFETCH(QString, message);
    const QString folder = addComponent(QStringLiteral("Cat"), QStringLiteral("Refusé"), config,
                                        withScript ? QByteArray("print('x')\n") : QByteArray());
    ScriptComponents::Invocation invocation;
    QString error;
    QVERIFY(!ScriptComponents::prepare(*ScriptComponents::readDescriptor(folder),
                                       QStringLiteral("/p/Case.orvane.db"), {QStringLiteral("a")},
                                       {}, &invocation, &error));
    if (message.contains(QStringLiteral("%1")))
        message = message.arg(QDir(folder).filePath(QStringLiteral("main.py")));
    QCOMPARE(error, message);

    // The window says the same in a box and starts nothing.
    QVERIFY(openProject({QStringLiteral("a")}));
    QVERIFY(!runFromMenu(QStringLiteral("Cat"), QStringLiteral("Refusé")));
    QCOMPARE(m_prompter->last(QStringLiteral("message")).title, QStringLiteral("Composant"));
    QCOMPARE(m_prompter->last(QStringLiteral("message")).text, error);
}

void TestScriptComponents::outputLines_data()
{
    QTest::addColumn<QByteArray>("raw");
    QTest::addColumn<int>("kind"); // -1: ignored
    QTest::addColumn<int>("progress");
    QTest::addColumn<QString>("text");
    const int progress = int(OutputLine::Kind::Progress);
    const int message = int(OutputLine::Kind::Message);
    const int text = int(OutputLine::Kind::Text);
    QTest::newRow("over 100") << QByteArray("PROGRESS:150\n") << progress << 100 << QString();
    QTest::newRow("negative") << QByteArray("PROGRESS: -5") << progress << 0 << QString();
    QTest::newRow("lower case") << QByteArray("progress: 40\r") << progress << 40 << QString();
    QTest::newRow("not a number") << QByteArray("PROGRESS: beaucoup") << -1 << 0 << QString();
    QTest::newRow("not whole") << QByteArray("PROGRESS: 12.5") << -1 << 0 << QString();
    QTest::newRow("huge") << QByteArray("PROGRESS: 99999999999") << progress << 100 << QString();
    QTest::newRow("message keeps its blank")
        << QByteArray("  MSG: Analyse de 3 nœuds  \n") << message << 0 << " Analyse de 3 nœuds";
    QTest::newRow("message in any case") << QByteArray("msg:fin") << message << 0 << "fin";
    QTest::newRow("other line") << QByteArray("\t[OK] 8.8.8.8 ") << text << 0 << "[OK] 8.8.8.8";
}

void TestScriptComponents::outputLines()
{
    QFETCH(QByteArray, raw);
    QFETCH(int, kind);
    QFETCH(int, progress);
    QFETCH(QString, text);
    const auto line = ScriptComponents::parseLine(raw);
    QCOMPARE(bool(line), kind >= 0);
    if (!line)
        return;
    QCOMPARE(int(line->kind), kind);
    QCOMPARE(line->progress, progress);
    QCOMPARE(line->text, text);
}

void TestScriptComponents::linesSplitAcrossReads()
{
    ScriptComponents::LineSplitter splitter;
    QCOMPARE(splitter.feed("PROG"), QList<QByteArray>());
    QCOMPARE(splitter.feed("RESS: 10\nMSG: \xc3"), QList<QByteArray>{"PROGRESS: 10"});
    QCOMPARE(splitter.feed("\xa9t\xc3\xa9\r\n\nfin"),
             (QList<QByteArray>{"MSG: \xc3\xa9t\xc3\xa9\r", ""}));
    QCOMPARE(splitter.finish(), std::optional<QByteArray>("fin"));
    QCOMPARE(splitter.finish(), std::nullopt);
}

void TestScriptComponents::windowPreconditions()
{
    addComponent(QStringLiteral("Cat"), QStringLiteral("comp"), "{}", "print('x')\n");
    rebuildWindow();
    // A tab never saved.
    QVERIFY(!runFromMenu(QStringLiteral("Cat"), QStringLiteral("comp")));
    QCOMPARE(m_prompter->last(QStringLiteral("message")).text,
             QStringLiteral("Le projet courant n'a pas de base associée.\n"
                            "Enregistre le projet avant d'exécuter un composant."));
    // Nothing selected.
    openProject({});
    QVERIFY(!runFromMenu(QStringLiteral("Cat"), QStringLiteral("comp")));
    QCOMPARE(m_prompter->last(QStringLiteral("message")).text,
             QStringLiteral("Aucun nœud ni relation sélectionné — rien à traiter."));
    QCOMPARE(m_prompter->last(QStringLiteral("message")).icon, QMessageBox::Information);
}

void TestScriptComponents::resultsComeBackAsOneStep()
{
    addComponent(QStringLiteral("Enrichissement"), QStringLiteral("pays"),
                 R"({"name": "Pays et voisin"})", enrichScript);
    rebuildWindow();
    Tab *tab = openProject({}, {QStringLiteral("e")});
    QVERIFY(tab);
    ScriptRunDialog *dialog = runFromMenu(QStringLiteral("Enrichissement"),
                                          QStringLiteral("Pays et voisin"));
    QVERIFY(dialog);
    QCOMPARE(dialog->windowTitle(), QStringLiteral("Composant (python) — Pays et voisin"));
    QCOMPARE(dialog->progress(), 100);
    const QString status = dialog->statusText();
    QVERIFY2(status.startsWith(QStringLiteral(" moitié faite")), qPrintable(status));
    QVERIFY2(status.contains(QStringLiteral("\n[ERR] attention")), qPrintable(status));
    QVERIFY2(status.contains(QStringLiteral("\ndétail")), qPrintable(status));
    QVERIFY2(status.endsWith(QStringLiteral("\nTerminé (code 0)\n"
                                            "Résultats chargés : 2 nœuds, 0 relations modifiés")),
             qPrintable(status));
    // Only the relation was selected: the script got the base and the relation.
    const QJsonArray args = QJsonDocument::fromJson(
        fileBytes(QDir(m_root).filePath(QStringLiteral("Enrichissement/pays/args.json")))).array();
    QCOMPARE(args.toVariantList(),
             (QVariantList{QStringLiteral("--db"), m_dbPath, QStringLiteral("--edges"),
                           QStringLiteral("e")}));

    QVERIFY(tab->graph().hasNode(QStringLiteral("nouveau")));
    QVERIFY(tab->scene->nodeItem(QStringLiteral("nouveau")));
    QCOMPARE(tab->graph().node(QStringLiteral("a")).attributes.first().value, QStringLiteral("DE"));
    // The tab matched its file before the run and still does.
    QVERIFY(!tab->document->isModified());
    QCOMPARE(tab->document->undoStack()->undoText(), QStringLiteral("Composant : Pays et voisin"));

    m_window->action(QStringLiteral("actionUndo"))->trigger();
    QVERIFY(!tab->graph().hasNode(QStringLiteral("nouveau")));
    QVERIFY(!tab->scene->nodeItem(QStringLiteral("nouveau")));
    QCOMPARE(tab->graph().node(QStringLiteral("a")).attributes.first().value, QStringLiteral("FR"));
    QVERIFY(tab->document->isModified());
}

void TestScriptComponents::failedRunChangesNothing()
{
    const QString folder = addComponent(QStringLiteral("Enrichissement"), QStringLiteral("pays"),
                                        "{}", enrichScript);
    writeBytes(QDir(folder).filePath(QStringLiteral("code.txt")), "1");
    rebuildWindow();
    Tab *tab = openProject({QStringLiteral("a")});
    ScriptRunDialog *dialog = runFromMenu(QStringLiteral("Enrichissement"), QStringLiteral("pays"));
    QVERIFY(dialog);
    QVERIFY(dialog->statusText().endsWith(
        QStringLiteral("\nTerminé (code 1)\n"
                       "Aucun résultat chargé : le composant n'a pas fini avec le code 0.")));
    QVERIFY(!tab->graph().hasNode(QStringLiteral("nouveau")));
    QCOMPARE(tab->graph().node(QStringLiteral("a")).attributes.first().value, QStringLiteral("FR"));
    QCOMPARE(tab->document->undoStack()->count(), 0);
}

void TestScriptComponents::modifiedTabAsksToSaveFirst()
{
    addComponent(QStringLiteral("Enrichissement"), QStringLiteral("pays"), "{}", enrichScript);
    rebuildWindow();
    Tab *tab = openProject({QStringLiteral("b")});
    tab->document->edit(QStringLiteral("Renommer"), [](Graph &graph) {
        Node b = graph.node(QStringLiteral("b"));
        b.label = QStringLiteral("Acteur B renommé");
        graph.replaceNode(b);
    });
    // Annuler: nothing runs, nothing is written.
    QVERIFY(!runFromMenu(QStringLiteral("Enrichissement"), QStringLiteral("pays")));
    QCOMPARE(m_prompter->last(QStringLiteral("choice")).title, QStringLiteral("Composant"));
    QVERIFY(!TestGraphs::loadGraph(m_dbPath).hasNode(QStringLiteral("nouveau")));
    QVERIFY(tab->document->isModified());

    m_prompter->answers = {0};
    ScriptRunDialog *dialog = runFromMenu(QStringLiteral("Enrichissement"), QStringLiteral("pays"));
    QVERIFY(dialog);
    QCOMPARE(TestGraphs::loadGraph(m_dbPath).node(QStringLiteral("b")).label,
             QStringLiteral("Acteur B renommé"));
    QVERIFY(tab->graph().hasNode(QStringLiteral("nouveau")));
    QCOMPARE(tab->graph().node(QStringLiteral("b")).label, QStringLiteral("Acteur B renommé"));
    QVERIFY(!tab->document->isModified());
}

void TestScriptComponents::editsDuringTheRunAreKept()
{
    // The script waits for the test's "go" before it writes, so that the edit comes first.
    const QString folder = addComponent(
        QStringLiteral("Enrichissement"), QStringLiteral("pays"), "{}",
        QByteArray("import os, time\nwhile not os.path.exists('go'):\n    time.sleep(0.05)\n")
            + enrichScript);
    rebuildWindow();
    Tab *tab = openProject({QStringLiteral("a")});
    ScriptRunDialog *dialog =
        runFromMenu(QStringLiteral("Enrichissement"), QStringLiteral("pays"), false);
    QVERIFY(dialog);
    tab->document->edit(QStringLiteral("Renommer"), [](Graph &graph) {
        Node b = graph.node(QStringLiteral("b"));
        b.label = QStringLiteral("renommé pendant le script");
        graph.replaceNode(b);
    });
    QSignalSpy ended(dialog, &ScriptRunDialog::ended);
    writeBytes(QDir(folder).filePath(QStringLiteral("go")), "");
    QVERIFY(ended.wait(30000));
    QVERIFY(tab->graph().hasNode(QStringLiteral("nouveau")));
    QCOMPARE(tab->graph().node(QStringLiteral("b")).label,
             QStringLiteral("renommé pendant le script"));
    // The file lacks the rename: the tab differs from it.
    QVERIFY(tab->document->isModified());
    QCOMPARE(tab->document->undoStack()->count(), 2);
}

void TestScriptComponents::cancelKillsTheScript()
{
    addComponent(
        QStringLiteral("Lent"), QStringLiteral("attente"), "{}",
        "import sqlite3, sys, time\n"
        "print('PROGRESS: 10', flush=True)\n"
        "time.sleep(30)\n"
        "db = sqlite3.connect(sys.argv[sys.argv.index('--db') + 1])\n"
        "db.execute(\"UPDATE nodes SET label = 'trop tard'\")\n"
        "db.commit()\n");
    rebuildWindow();
    Tab *tab = openProject({QStringLiteral("a")});
    QPointer<ScriptRunDialog> dialog =
        runFromMenu(QStringLiteral("Lent"), QStringLiteral("attente"), false);
    QVERIFY(dialog);
    QVERIFY(dialog->isVisible());
    QTRY_COMPARE_WITH_TIMEOUT(dialog->progress(), 10, 20000);
    QVERIFY(dialog->isRunning());
    QElapsedTimer clock;
    clock.start();
    dialog->findChild<QPushButton *>(QStringLiteral("cancelButton"))->click();
    QTRY_VERIFY(!dialog);
    QVERIFY(clock.elapsed() < 10000);
    QCOMPARE(tab->graph().node(QStringLiteral("a")).label, QStringLiteral("Acteur A"));
    QCOMPARE(tab->document->undoStack()->count(), 0);
}

void TestScriptComponents::lastLineWithoutLineEnd()
{
    addComponent(QStringLiteral("Cat"), QStringLiteral("fin"), "{}",
                 "import sys\nsys.stdout.write('PROGRESS: 30\\nMSG: dernier mot')\n");
    rebuildWindow();
    Tab *tab = openProject({QStringLiteral("a")});
    ScriptRunDialog *dialog = runFromMenu(QStringLiteral("Cat"), QStringLiteral("fin"));
    QVERIFY(dialog);
    QCOMPARE(dialog->statusText(),
             QStringLiteral(" dernier mot\nTerminé (code 0)\n"
                            "Résultats chargés : 0 nœuds, 0 relations modifiés"));
    QCOMPARE(tab->document->undoStack()->count(), 0);
}

void TestScriptComponents::severalRunsAtOnce()
{
    addComponent(QStringLiteral("Cat"), QStringLiteral("un"), "{}",
                 "import time\ntime.sleep(1)\nprint('fini un')\n");
    addComponent(QStringLiteral("Cat"), QStringLiteral("deux"), "{}",
                 "import sys, time\ntime.sleep(1)\nprint('fini deux')\nsys.exit(4)\n");
    rebuildWindow();
    openProject({QStringLiteral("a")});
    ScriptRunDialog *first = runFromMenu(QStringLiteral("Cat"), QStringLiteral("un"), false);
    ScriptRunDialog *second = runFromMenu(QStringLiteral("Cat"), QStringLiteral("deux"), false);
    QVERIFY(first && second && first != second);
    QVERIFY(first->isRunning() && second->isRunning());
    QTRY_VERIFY_WITH_TIMEOUT(!first->isRunning() && !second->isRunning(), 30000);
    QVERIFY(first->statusText().contains(QStringLiteral("\nfini un\nTerminé (code 0)")));
    QVERIFY(second->statusText().contains(QStringLiteral("\nfini deux\nTerminé (code 4)\nAucun")));
}

void TestScriptComponents::cliListsComponents()
{
    addComponent(QStringLiteral("Vide"), QStringLiteral("sans"), QByteArray(), "print(1)\n");
    addComponent(QStringLiteral("Web"), QStringLiteral("dns"),
                 R"({"id": "dns-1", "name": "DNS", "description": "Résout",
                     "language": "PowerShell", "entry_point": "dns.ps1"})",
                 "", QStringLiteral("dns.ps1"));
    const QJsonObject orvane{{QStringLiteral("python_components_dir"), m_root}};
    const CliRun json = runCliConfigured(orvane, {QStringLiteral("components"), QStringLiteral("--json")});
    QCOMPARE(json.exitCode, 0);
    const QJsonObject expected = QJsonDocument::fromJson(R"({"categories": [
        {"name": "Vide", "components": []},
        {"name": "Web", "components": [{"id": "dns-1", "name": "DNS", "description": "Résout",
                                        "language": "powershell", "entry_point": "dns.ps1"}]}]})")
                                     .object();
    QCOMPARE(QJsonDocument::fromJson(json.out.toUtf8()).object(), expected);
    const CliRun text = runCliConfigured(orvane, {QStringLiteral("components")});
    QCOMPARE(text.exitCode, 0);
    QCOMPARE(text.out, QStringLiteral("Vide\n  [Aucun composant dans cette catégorie]\n"
                                      "Web\n  dns-1 — DNS (powershell) : Résout\n"));
}

void TestScriptComponents::cliRunsAComponent()
{
    const QString folder = addComponent(QStringLiteral("Enrichissement"), QStringLiteral("pays"),
                                        R"({"id": "pays"})", enrichScript);
    writeBytes(QDir(folder).filePath(QStringLiteral("code.txt")), "3");
    openProject({});
    const QJsonObject orvane{{QStringLiteral("python_components_dir"), m_root},
                             {QStringLiteral("python_interpreter"), QStringLiteral("python3")}};
    // A relative path reaches the script, which runs in its own folder, as an absolute one.
    const CliRun run = runCliConfigured(orvane,
                                        {QStringLiteral("run-component"), QStringLiteral("pays"),
                                         QStringLiteral("Case/Case.orvane.db"),
                                         QStringLiteral("--edges"), QStringLiteral("e")},
                                        m_dir->path());
    QCOMPARE(run.exitCode, 3);
    QCOMPARE(run.out, QStringLiteral("[50 %]\n[MSG] moitié faite\ndétail\n"));
    QCOMPARE(run.err, QStringLiteral("attention\n"));
    const QJsonArray args = QJsonDocument::fromJson(
        fileBytes(QDir(folder).filePath(QStringLiteral("args.json")))).array();
    QCOMPARE(args.toVariantList(),
             (QVariantList{QStringLiteral("--db"), m_dbPath, QStringLiteral("--edges"),
                           QStringLiteral("e")}));
    QVERIFY(TestGraphs::loadGraph(m_dbPath).hasNode(QStringLiteral("nouveau")));

    const CliRun unknown = runCliConfigured(orvane, {QStringLiteral("run-component"),
                                                     QStringLiteral("absent"), m_dbPath,
                                                     QStringLiteral("--nodes"), QStringLiteral("a")});
    QCOMPARE(unknown.exitCode, 2);
    QCOMPARE(unknown.err, QStringLiteral("orvane-cli: composant inconnu : absent\n"));
    const CliRun nothing = runCliConfigured(orvane, {QStringLiteral("run-component"),
                                                     QStringLiteral("pays"), m_dbPath});
    QCOMPARE(nothing.exitCode, 2);
    QCOMPARE(nothing.err,
             QStringLiteral("orvane-cli: Aucun nœud ni relation sélectionné — rien à traiter.\n"));
    const CliRun missing = runCliConfigured(orvane, {QStringLiteral("run-component"),
                                                     QStringLiteral("pays"),
                                                     m_dir->filePath(QStringLiteral("absent.orvane.db")),
                                                     QStringLiteral("--nodes"), QStringLiteral("a")});
    QCOMPARE(missing.exitCode, 1);
    QVERIFY(!QFile::exists(m_dir->filePath(QStringLiteral("absent.orvane.db"))));
}

QTEST_MAIN(TestScriptComponents)
#include "tst_scriptcomponents.moc"
