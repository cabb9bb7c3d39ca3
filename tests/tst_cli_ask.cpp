// orvane-cli ask against a fake chat service: the request, the printed answer and summary,
// and --apply.
#include "ai/chatprotocol.h"
#include "clirunner.h"
#include "config/appconfig.h"
#include "fakechatservice.h"
#include "model/scenerecords.h"
#include "storage/projectfiles.h"
#include "testgraphs.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <QTest>

using namespace TestGraphs;

class TstCliAsk : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void requestCarriesTheSelection();
    void discussionSendsTheTextAlone();
    void actionPrintsSummaryAndQueryWithoutChanging();
    void applySaves();
    void failures_data();
    void failures();

private:
    void writeConfig(const QJsonObject &ai);
    CliRun ask(const QStringList &arguments);
    Graph saved() const { return loadGraph(m_dbPath); }

    QTemporaryDir *m_dir = nullptr;
    FakeChatService *m_service = nullptr;
    QString m_dbPath;
};

void TstCliAsk::init()
{
    m_dir = new QTemporaryDir;
    m_service = new FakeChatService;
    Graph graph;
    graph.insertNode(makeNode(QStringLiteral("a"), QStringLiteral("10.0.0.1"), QStringLiteral("ip")));
    graph.insertNode(makeNode(QStringLiteral("b"), QStringLiteral("AS64500"), QStringLiteral("as")));
    graph.insertNode(makeNode(QStringLiteral("c"), QStringLiteral("far")));
    graph.insertEdge(makeEdge(QStringLiteral("ab"), QStringLiteral("a"), QStringLiteral("b")));
    SceneRecords scene;
    m_dbPath = m_dir->filePath(QStringLiteral("Case/Case.orvane.db"));
    QString error;
    QVERIFY2(ProjectFiles::save(m_dbPath, graph, scene, &error), qPrintable(error));
    writeConfig(QJsonObject{{"openai_compatible",
                             QJsonObject{{"base_url", m_service->url(QStringLiteral("/v1"))},
                                         {"api_key", "sk-cli-secret"},
                                         {"model_id", "local"}}}});
}

void TstCliAsk::cleanup()
{
    delete m_service;
    delete m_dir;
}

void TstCliAsk::writeConfig(const QJsonObject &ai)
{
    const QString path = m_dir->filePath(QStringLiteral("config/ORVANE/ORVANE/orvane_config.json"));
    QDir().mkpath(QFileInfo(path).path());
    QVERIFY(AppConfig::writeFile(path, ai.isEmpty() ? QJsonObject() : QJsonObject{{"ai", ai}}));
}

CliRun TstCliAsk::ask(const QStringList &arguments)
{
    return runCliServing(QStringList{QStringLiteral("ask")} + arguments,
                         {QStringLiteral("XDG_CONFIG_HOME=") + m_dir->filePath(QStringLiteral("config"))});
}

void TstCliAsk::requestCarriesTheSelection()
{
    m_service->replies << FakeChatService::Reply{200, FakeChatService::choiceBody("Analyse faite")};
    const CliRun run = ask({m_dbPath, "--mode", "reflection", "--nodes", "a", "Que sais-tu ?"});
    QCOMPARE(run.err, QString());
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.out, QStringLiteral("Analyse faite\n"));
    QCOMPARE(m_service->requests.size(), 1);
    const FakeChatService::Request request = m_service->requests.first();
    QCOMPARE(request.path, QByteArray("/v1/chat/completions"));
    QCOMPARE(request.header("Authorization"), QByteArray("Bearer sk-cli-secret"));
    QCOMPARE(request.header("X-Orvane-Mode"), QByteArray("reflection"));
    const QJsonObject body = QJsonDocument::fromJson(request.body).object();
    QCOMPARE(body.value("model").toString(), QStringLiteral("local"));
    const QString user = request.userContent();
    QVERIFY(user.startsWith(QStringLiteral("Que sais-tu ?\n\n[GRAPH_SELECTION_JSON]\n")));
    const QJsonObject context = FakeChatService::selectionContext(user);
    QCOMPARE(FakeChatService::recordIds(context.value("nodes").toArray()), QStringList({"a", "b"}));
    QVERIFY(!context.contains("auto_seed_used"));
}

void TstCliAsk::discussionSendsTheTextAlone()
{
    m_service->replies << FakeChatService::Reply{200, FakeChatService::choiceBody("Oui")};
    const CliRun run = ask({m_dbPath, "Bonjour"});
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(m_service->requests.first().userContent(), QStringLiteral("Bonjour"));
    QCOMPARE(m_service->requests.first().header("X-Orvane-Mode"), QByteArray("discussion"));
}

namespace {

QByteArray actionAnswer()
{
    return FakeChatService::choiceBody(QStringLiteral(R"({"content": "Je propose ceci.", "actions": [
        {"kind": "graph_query", "operation": "neighbors", "node_ids": ["b"], "depth": 0},
        {"kind": "propose_changes", "changes": [
            {"kind": "update_node", "id": "a", "patch": {"label": "10.0.0.2", "type": "ip"}},
            {"kind": "delete_node", "id": "c"}]}]})"));
}

} // namespace

void TstCliAsk::actionPrintsSummaryAndQueryWithoutChanging()
{
    m_service->replies << FakeChatService::Reply{200, actionAnswer()};
    const CliRun run = ask({m_dbPath, "--mode", "action", "Nettoie"});
    QCOMPARE(run.err, QString());
    QCOMPARE(run.exitCode, 0);
    const QJsonObject context =
        FakeChatService::selectionContext(m_service->requests.first().userContent());
    QCOMPARE(context.value("auto_seed_count").toInt(), 3);
    QCOMPARE(run.out,
             QStringLiteral("Je propose ceci.\n"
                            "Résultat de ta requête de graphe (graph_query) :\n"
                            R"({"result":{"edges":[],"nodes":[{"color":"#f5f5f5","description":"","id":"b","label":"AS64500","shape":"cercle","size":1,"type":"as"}]},"tool_name":"graph_query"})"
                            "\n"
                            "Mise à jour nœud id=a : label=\"10.0.0.2\", type=\"ip\"\n"
                            "Suppression nœud: [far] (type=, id=c)\n"));
    const Graph graph = saved();
    QCOMPARE(graph.nodes().size(), 3);
    QCOMPARE(graph.node(QStringLiteral("a")).label, QStringLiteral("10.0.0.1"));
}

void TstCliAsk::applySaves()
{
    m_service->replies << FakeChatService::Reply{200, actionAnswer()};
    const CliRun run = ask({m_dbPath, "--mode", "action", "--apply", "Nettoie"});
    QCOMPARE(run.exitCode, 0);
    QVERIFY(run.out.endsWith(QStringLiteral("Changements appliqués: 2\nEnregistré: %1\n").arg(m_dbPath)));
    const Graph graph = saved();
    QCOMPARE(graph.nodes().size(), 2);
    QCOMPARE(graph.node(QStringLiteral("a")).label, QStringLiteral("10.0.0.2"));
    QVERIFY(!graph.hasNode(QStringLiteral("c")));
    QVERIFY(graph.hasEdge(QStringLiteral("ab")));
}

void TstCliAsk::failures_data()
{
    QTest::addColumn<QByteArray>("ai");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QString>("error");
    QTest::addColumn<int>("exitCode");

    const QByteArray usual = "keep";
    QTest::newRow("no base url") << QByteArray(R"({"openai_compatible": {"api_key": "sk-cli-secret"}})")
                                 << QStringList{"%db", "x"} << 200 << QByteArray()
                                 << "orvane-cli: [Erreur] Aucune Base URL configurée pour le provider IA sélectionné.\n" << 1;
    QTest::newRow("no configuration") << QByteArray("{}") << QStringList{"%db", "x"} << 200 << QByteArray()
                                      << "orvane-cli: [Erreur] Aucune configuration IA trouvée (section 'ai').\n" << 1;
    QTest::newRow("invalid answer") << usual << QStringList{"%db", "x"} << 200 << QByteArray("<html>")
                                    << "orvane-cli: [Erreur] Réponse IA invalide (JSON).\n" << 1;
    QTest::newRow("service error") << usual << QStringList{"%db", "x"} << 500 << QByteArray("{}")
                                   << "orvane-cli: [Erreur réseau] " << 1;
    QTest::newRow("unknown node") << usual << QStringList{"%db", "--nodes", "a,zz", "x"} << 200
                                  << QByteArray() << "orvane-cli: Nœud introuvable: zz\n" << 1;
    QTest::newRow("unknown mode") << usual << QStringList{"%db", "--mode", "chat", "x"} << 200
                                  << QByteArray() << "usage: orvane-cli ask " << 2;
    QTest::newRow("no message") << usual << QStringList{"%db"} << 200 << QByteArray()
                                << "usage: orvane-cli ask " << 2;
}

void TstCliAsk::failures()
{
    QFETCH(QByteArray, ai);
    QFETCH(QStringList, arguments);
    QFETCH(int, status);
    QFETCH(QByteArray, reply);
    QFETCH(QString, error);
    QFETCH(int, exitCode);
    if (ai != "keep")
        writeConfig(QJsonDocument::fromJson(ai).object());
    if (!reply.isEmpty())
        m_service->replies << FakeChatService::Reply{status, reply};
    arguments.replaceInStrings(QStringLiteral("%db"), m_dbPath);
    const CliRun run = ask(arguments);
    QCOMPARE(run.exitCode, exitCode);
    QCOMPARE(run.out, QString());
    if (error.endsWith(QLatin1Char('\n')))
        QCOMPARE(run.err, error);
    else
        QVERIFY2(run.err.startsWith(error) && run.err.count(QLatin1Char('\n')) == 1, qPrintable(run.err));
    QVERIFY(!run.err.contains(QLatin1String("sk-cli-secret")));
    QCOMPARE(saved().nodes().size(), 3);
}

QTEST_GUILESS_MAIN(TstCliAsk)
#include "tst_cli_ask.moc"
