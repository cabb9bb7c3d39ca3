// Request building, answer reading, graph context and the assistant's changes, without a
// window or a network.
#include "ai/aiactions.h"
#include "ai/chatprotocol.h"
#include "ai/graphcontext.h"
#include "testgraphs.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

#include <algorithm>

using namespace TestGraphs;
using ChatProtocol::Mode;

Q_DECLARE_METATYPE(ChatProtocol::Mode)
Q_DECLARE_METATYPE(ChatProtocol::Answer::Kind)

namespace {

// The Action mode text as the assistant must receive it, line by line.
const char expectedActionText[] = "\n\n"
    R"x(MODE ACTION (IMPORTANT):)x" "\n"
    R"x(Tu peux PROPOSER des actions sur le graphe, mais tu n'agis jamais directement.)x" "\n"
    R"x(Tu dois toujours respecter le protocole JSON suivant dans la réponse HTTP :)x" "\n"
    R"x( - Le texte pour l'utilisateur dans le champ habituel (message / content).)x" "\n"
    R"x( - ET un champ racine "actions" qui est un tableau JSON décrivant les actions possibles.)x" "\n"
    R"x()x" "\n"
    R"x(Types d'actions disponibles :)x" "\n"
    R"x(1) { "kind": "graph_query", "operation": "neighbors",      "node_ids": ["<uuid>", "<uuid>"],      "depth": 1, "max_nodes": 120 })x" "\n"
    R"x(   -> Pour demander au client plus de contexte sur le voisinage de certains nœuds.)x" "\n"
    R"x()x" "\n"
    R"x(2) { "kind": "highlight_nodes", "node_ids": ["<uuid>", "<uuid>", ...] })x" "\n"
    R"x(   -> Pour demander au client de sélectionner / mettre en avant certains nœuds dans la vue.)x" "\n"
    R"x()x" "\n"
    R"x(3) { "kind": "propose_changes", "changes": [ ... ] })x" "\n"
    R"x(   -> Pour PROPOSER des modifications au graphe. Le client demandera toujours       la permission à l'utilisateur avant d'appliquer quoi que ce soit.)x" "\n"
    R"x(   Dans "changes", chaque objet peut être par exemple :)x" "\n"
    R"x(      - { "kind": "add_node", "node": {)x" "\n"
    R"x(              "id": "<uuid>",)x" "\n"
    R"x(              "label": "<nom lisible>",)x" "\n"
    R"x(              "type": "<type de noeud>",)x" "\n"
    R"x(              "description": "<texte optionnel>",)x" "\n"
    R"x(              "attributes": { "<cle>": "<valeur>", ... })x" "\n"
    R"x(          }})x" "\n"
    R"x(      - { "kind": "add_edge", "edge": {)x" "\n"
    R"x(              "id": "<uuid>",)x" "\n"
    R"x(              "label": "<nom de la relation>",)x" "\n"
    R"x(              "type": "<type de relation>",)x" "\n"
    R"x(              "source": "<id noeud source>",)x" "\n"
    R"x(              "target": "<id noeud destination>",)x" "\n"
    R"x(              "description": "<texte optionnel>",)x" "\n"
    R"x(              "attributes": { "<cle>": "<valeur>", ... })x" "\n"
    R"x(          }})x" "\n"
    R"x(      - { "kind": "update_node", "id": "<uuid>", "patch": {)x" "\n"
    R"x(              "label": "<nouveau label, optionnel>",)x" "\n"
    R"x(              "type": "<nouveau type, optionnel>",)x" "\n"
    R"x(              "description": "<nouvelle description, optionnel>",)x" "\n"
    R"x(              "attributes": {)x" "\n"
    R"x(                  "cle_a_changer": "nouvelle valeur",)x" "\n"
    R"x(                  "cle_a_supprimer": null)x" "\n"
    R"x(              })x" "\n"
    R"x(          }})x" "\n"
    R"x(      - { "kind": "update_edge", "id": "<uuid>", "patch": {)x" "\n"
    R"x(              "label": "<nouveau label, optionnel>",)x" "\n"
    R"x(              "type": "<nouveau type, optionnel>",)x" "\n"
    R"x(              "description": "<nouvelle description, optionnel>",)x" "\n"
    R"x(              "attributes": {)x" "\n"
    R"x(                  "cle_a_changer": "nouvelle valeur",)x" "\n"
    R"x(                  "cle_a_supprimer": null)x" "\n"
    R"x(              })x" "\n"
    R"x(          }})x" "\n"
    R"x(      - { "kind": "delete_node", "node": {)x" "\n"
    R"x(              "id": "<nodeId>",)x" "\n"
    R"x(              "label": "<nom lisible>",)x" "\n"
    R"x(              "type": "<type de noeud>")x" "\n"
    R"x(          }})x" "\n"
    R"x(      - { "kind": "delete_edge", "edge": {)x" "\n"
    R"x(              "id": "<edgeId>",)x" "\n"
    R"x(              "label": "<nom lisible>",)x" "\n"
    R"x(              "type": "<type de noeud>",)x" "\n"
    R"x(              "source": "<id noeud source>",)x" "\n"
    R"x(              "target": "<id noeud destination>")x" "\n"
    R"x(          }})x" "\n"
    R"x()x" "\n"
    R"x(Règles IMPORTANTES :)x" "\n"
    R"x(- Tu ne supposes JAMAIS que tes propositions ont été appliquées.   Le client montre toujours un résumé des changements à l'utilisateur,   qui peut les accepter ou les refuser.)x" "\n"
    R"x(- Tu peux écrire au maximum quelques dizaines de changements par réponse,   en restant cohérent et explicite.)x" "\n"
    R"x(- Si tu n'as pas assez de contexte, commence par une action "graph_query"   pour récupérer un sous-graphe utile.)x" "\n"
    R"x(- Tu dois toujours expliquer en langage naturel POURQUOI tu proposes ces changements.)x" "\n";

const QString basePrompt = QStringLiteral(
    "Tu es un analyste CTI expert. Tu reçois en entrée des nœuds, attributs et relations d'un "
    "graphe de connaissance, et tu t'appuies dessus pour répondre de manière précise et "
    "argumentée.");

QJsonObject object(const char *json)
{
    return QJsonDocument::fromJson(json).object();
}

QJsonArray array(const char *json)
{
    return QJsonDocument::fromJson(json).array();
}

QString compact(const QJsonArray &value)
{
    return QString::fromUtf8(QJsonDocument(value).toJson(QJsonDocument::Compact));
}

QStringList ids(const QJsonObject &subgraph, const char *key)
{
    QStringList result;
    for (const QJsonValue &record : subgraph.value(QLatin1String(key)).toArray())
        result << record.toObject().value(QLatin1String("id")).toString();
    std::sort(result.begin(), result.end());
    return result;
}

QString rows(const QList<AttributeRow> &attributes)
{
    QStringList parts;
    for (const AttributeRow &row : attributes)
        parts << row.key + QLatin1Char('=') + row.value;
    return parts.join(QLatin1Char(';'));
}

// The tables as sorted text: one entry per node and per relation with the fields the
// assistant can change, and the position of nodes.
QString describe(const Graph &graph)
{
    QStringList lines;
    for (const Node &node : graph.nodes()) {
        lines << QStringLiteral("N %1 [%2|%3|%4] {%5} @%6,%7")
                     .arg(node.id, node.label, node.type, node.description, rows(node.attributes))
                     .arg(node.pos.x())
                     .arg(node.pos.y());
    }
    for (const Edge &edge : graph.edges()) {
        lines << QStringLiteral("E %1 %2->%3 [%4|%5|%6] {%7}")
                     .arg(edge.id, edge.src, edge.dst, edge.label, edge.type, edge.description,
                          rows(edge.attributes));
    }
    std::sort(lines.begin(), lines.end());
    return lines.join(QLatin1Char('\n'));
}

// a (two rows of key k) → b → c → a.
Graph triangle()
{
    Graph graph;
    Node a = makeNode(QStringLiteral("a"), QStringLiteral("A"), QPointF(10, 0));
    a.type = QStringLiteral("ip");
    a.attributes = {{QString(), QStringLiteral("k"), QStringLiteral("1")},
                    {QString(), QStringLiteral("other"), QStringLiteral("x")},
                    {QString(), QStringLiteral("k"), QStringLiteral("2")}};
    graph.insertNode(a);
    graph.insertNode(makeNode(QStringLiteral("b"), QStringLiteral("B"), QPointF(20, 0)));
    graph.insertNode(makeNode(QStringLiteral("c"), QStringLiteral("C"), QPointF(30, 0)));
    graph.insertEdge(makeEdge(QStringLiteral("ab"), QStringLiteral("a"), QStringLiteral("b"),
                              QStringLiteral("rel"), QStringLiteral("ab")));
    graph.insertEdge(makeEdge(QStringLiteral("bc"), QStringLiteral("b"), QStringLiteral("c")));
    graph.insertEdge(makeEdge(QStringLiteral("ca"), QStringLiteral("c"), QStringLiteral("a")));
    return graph;
}

// A chain n0 - n1 - ... - n(count-1).
Graph chain(int count)
{
    Graph graph;
    for (int i = 0; i < count; ++i) {
        graph.insertNode(makeNode(QStringLiteral("n%1").arg(i), QPointF(i * 10, 0)));
        if (i > 0) {
            graph.insertEdge(makeEdge(QStringLiteral("e%1").arg(i), QStringLiteral("n%1").arg(i - 1),
                                      QStringLiteral("n%1").arg(i)));
        }
    }
    return graph;
}

// A centre node and leaves around it.
Graph star(int leaves)
{
    Graph graph;
    graph.insertNode(makeNode(QStringLiteral("hub")));
    for (int i = 0; i < leaves; ++i) {
        graph.insertNode(makeNode(QStringLiteral("leaf%1").arg(i)));
        graph.insertEdge(makeEdge(QStringLiteral("s%1").arg(i), QStringLiteral("leaf%1").arg(i),
                                  QStringLiteral("hub")));
    }
    return graph;
}

} // namespace

class TstAiProtocol : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void systemPrompt_data();
    void systemPrompt();
    void chatUrl_data();
    void chatUrl();
    void requestRefusedWithoutSettings_data();
    void requestRefusedWithoutSettings();
    void requestHeadersAndBody();
    void answerShapes_data();
    void answerShapes();
    void secretsAreHidden();
    void attributeText_data();
    void attributeText();
    void subgraphRecordsAsJson();
    void subgraphReach_data();
    void subgraphReach();
    void selectionContextTruncation_data();
    void selectionContextTruncation();
    void automaticSeedsAreNearestTheCentre();
    void contextOfAnEmptyGraph();
    void composedMessage_data();
    void composedMessage();
    void dispatchSortsActions();
    void graphQueryDefaults();
    void applyChanges_data();
    void applyChanges();
    void addedNodeWithoutIdGetsAFreshOne();
    void summaryLines_data();
    void summaryLines();
    void toolResultMessage();
};

void TstAiProtocol::systemPrompt_data()
{
    QTest::addColumn<QByteArray>("ai");
    QTest::addColumn<Mode>("mode");
    QTest::addColumn<QString>("expected");

    const QString reflection = QStringLiteral(
        "\n\nMODE REFLEXION:\n- Tu analyses le graphe, tu expliques, tu proposes des "
        "hypothèses.\n- Tu NE renvoies PAS de JSON d'actions.\n");
    const QString action = QString::fromUtf8(expectedActionText);
    QTest::newRow("discussion") << QByteArray("{}") << Mode::Discussion << basePrompt;
    QTest::newRow("reflection") << QByteArray("{}") << Mode::Reflection << basePrompt + reflection;
    QTest::newRow("action") << QByteArray("{}") << Mode::Action << basePrompt + action;
    QTest::newRow("own prompt")
        << QByteArray(R"({"openai_compatible": {"system_prompt": "  Sois bref. "}})")
        << Mode::Action << QStringLiteral("Sois bref.") + action;
    QTest::newRow("blank own prompt")
        << QByteArray(R"({"openai_compatible": {"system_prompt": "  "}})") << Mode::Discussion
        << basePrompt;
    QTest::newRow("own prompt of another provider")
        << QByteArray(R"({"provider": "other", "openai_compatible": {"system_prompt": "X"}})")
        << Mode::Discussion << basePrompt;
}

void TstAiProtocol::systemPrompt()
{
    QFETCH(QByteArray, ai);
    QFETCH(Mode, mode);
    QFETCH(QString, expected);
    QCOMPARE(ChatProtocol::systemPrompt(QJsonDocument::fromJson(ai).object(), mode), expected);
    QCOMPARE(ChatProtocol::actionText().count(QLatin1Char('\n')), 2 + 68);
}

void TstAiProtocol::chatUrl_data()
{
    QTest::addColumn<QString>("base");
    QTest::addColumn<QString>("expected");
    QTest::newRow("versioned base") << "https://api.example.com/v1"
                                    << "https://api.example.com/v1/chat/completions";
    QTest::newRow("trailing slash") << "https://api.example.com/v1/"
                                    << "https://api.example.com/v1/chat/completions";
    QTest::newRow("full endpoint kept") << "http://127.0.0.1:8080/v1/chat/completions"
                                        << "http://127.0.0.1:8080/v1/chat/completions";
    QTest::newRow("bare host") << "http://127.0.0.1:11434"
                               << "http://127.0.0.1:11434/chat/completions";
    QTest::newRow("query kept after the path")
        << "https://h.example/openai/deployments/m?api-version=2024-06-01"
        << "https://h.example/openai/deployments/m/chat/completions?api-version=2024-06-01";
}

void TstAiProtocol::chatUrl()
{
    QFETCH(QString, base);
    QFETCH(QString, expected);
    QCOMPARE(ChatProtocol::chatUrl(base).toString(), expected);
}

void TstAiProtocol::requestRefusedWithoutSettings_data()
{
    QTest::addColumn<QByteArray>("ai");
    QTest::addColumn<QString>("error");
    QTest::newRow("no section") << QByteArray("{}")
                                << "[Erreur] Aucune configuration IA trouvée (section 'ai').";
    QTest::newRow("other provider")
        << QByteArray(R"({"provider": "claude", "openai_compatible": {"base_url": "http://x"}})")
        << "[Erreur] Provider IA 'claude' non encore supporté dans le client.";
    QTest::newRow("no base url") << QByteArray(R"({"openai_compatible": {"api_key": "k"}})")
                                 << "[Erreur] Aucune Base URL configurée pour le provider IA sélectionné.";
    QTest::newRow("blank base url") << QByteArray(R"({"openai_compatible": {"base_url": "  "}})")
                                    << "[Erreur] Aucune Base URL configurée pour le provider IA sélectionné.";
}

void TstAiProtocol::requestRefusedWithoutSettings()
{
    QFETCH(QByteArray, ai);
    QFETCH(QString, error);
    const ChatProtocol::PreparedRequest prepared =
        ChatProtocol::prepareRequest(QJsonDocument::fromJson(ai).object(), Mode::Action, "x");
    QCOMPARE(prepared.error, error);
    QVERIFY(prepared.body.isEmpty());
}

void TstAiProtocol::requestHeadersAndBody()
{
    const QJsonObject ai = object(R"({"provider": "openai_compatible", "openai_compatible": {
        "base_url": " http://127.0.0.1:9/v1 ", "api_key": " sk-secret-1 ",
        "headers": [{"key": "X-One", "value": "1"}, {"key": " ", "value": "dropped"},
                    {"key": "X-Two", "value": "2"}]}})");
    const ChatProtocol::PreparedRequest prepared =
        ChatProtocol::prepareRequest(ai, Mode::Reflection, QStringLiteral("Bonjour é"));
    QVERIFY(prepared.error.isEmpty());
    QCOMPARE(prepared.request.url().toString(), QStringLiteral("http://127.0.0.1:9/v1/chat/completions"));
    QCOMPARE(prepared.request.rawHeader("Authorization"), QByteArray("Bearer sk-secret-1"));
    QCOMPARE(prepared.request.rawHeader("X-Orvane-Mode"), QByteArray("reflection"));
    QVERIFY(prepared.secrets.contains(QStringLiteral("sk-secret-1")));
    const QJsonObject body = QJsonDocument::fromJson(prepared.body).object();
    QCOMPARE(body.keys(), QStringList({"messages", "model"}));
    QCOMPARE(body.value("model").toString(), QStringLiteral("gpt-4.1-mini"));
    QCOMPARE(body.value("messages").toArray().at(1).toObject().value("content").toString(),
             QStringLiteral("Bonjour é"));
}

void TstAiProtocol::answerShapes_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<Mode>("mode");
    QTest::addColumn<ChatProtocol::Answer::Kind>("kind");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("actions");
    using Kind = ChatProtocol::Answer::Kind;

    const QByteArray nested = R"({"choices":[{"message":{"content":
        "{\"content\":\"Court\",\"actions\":{\"kind\":\"highlight_nodes\",\"node_ids\":[\"a\"]}}"}}]})";
    QTest::newRow("plain choice") << QByteArray(R"({"choices":[{"message":{"content":"Salut"}}]})")
                                  << Mode::Action << Kind::Text << "Salut" << "[]";
    QTest::newRow("json content, one action, action mode")
        << nested << Mode::Action << Kind::Text << "Court"
        << R"([{"kind":"highlight_nodes","node_ids":["a"]}])";
    QTest::newRow("json content, one action, discussion mode")
        << nested << Mode::Discussion << Kind::Text << "Court" << "[]";
    QTest::newRow("response wrapper") << QByteArray(R"({"response": {"content": "ok"}})")
                                      << Mode::Discussion << Kind::Text << "ok" << "[]";
    QTest::newRow("root content when choice is empty")
        << QByteArray(R"({"choices":[{"message":{"content":""}}],"content":"racine"})")
        << Mode::Discussion << Kind::Text << "racine" << "[]";
    QTest::newRow("root actions")
        << QByteArray(R"({"choices":[{"message":{"content":"Voici"}}],"actions":[{"kind":"graph_query"},{"kind":"x"}]})")
        << Mode::Action << Kind::Text << "Voici" << R"([{"kind":"graph_query"},{"kind":"x"}])";
    QTest::newRow("inner actions win over root ones")
        << QByteArray(R"({"content":"{\"actions\":[{\"kind\":\"inner\"}]}","actions":[{"kind":"root"}]})")
        << Mode::Action << Kind::Text << R"({"actions":[{"kind":"inner"}]})" << R"([{"kind":"inner"}])";
    QTest::newRow("nothing readable") << QByteArray(R"({"choices":[]})") << Mode::Action
                                      << Kind::Info << "[Info] Réponse sans contenu lisible." << "[]";
    QTest::newRow("not json") << QByteArray("<html>") << Mode::Action << Kind::Error
                              << "[Erreur] Réponse IA invalide (JSON)." << "[]";
    QTest::newRow("json array") << QByteArray("[1]") << Mode::Action << Kind::Error
                                << "[Erreur] Réponse IA invalide (JSON)." << "[]";
}

void TstAiProtocol::answerShapes()
{
    QFETCH(QByteArray, body);
    QFETCH(Mode, mode);
    QFETCH(ChatProtocol::Answer::Kind, kind);
    QFETCH(QString, text);
    QFETCH(QString, actions);
    const ChatProtocol::Answer answer = ChatProtocol::readAnswer(body, mode);
    QCOMPARE(answer.kind, kind);
    QCOMPARE(answer.text, text);
    QCOMPARE(compact(answer.actions), actions);
}

void TstAiProtocol::secretsAreHidden()
{
    const QString shown = ChatProtocol::redact(
        QStringLiteral("Error transferring http://u:pw-1234@h/ - key sk-abc sk-abc"),
        {QStringLiteral("sk-abc"), QStringLiteral("pw-1234"), QString()});
    QVERIFY(!shown.contains(QLatin1String("sk-abc")));
    QVERIFY(!shown.contains(QLatin1String("pw-1234")));
    QVERIFY(shown.startsWith(QLatin1String("Error transferring http://u:")));
}

void TstAiProtocol::attributeText_data()
{
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("string") << QByteArray(R"(["  x "])") << "  x ";
    QTest::newRow("whole number") << QByteArray("[2.0]") << "2";
    QTest::newRow("fraction") << QByteArray("[1.5]") << "1.5";
    QTest::newRow("large whole number") << QByteArray("[1000000]") << "1000000";
    QTest::newRow("negative") << QByteArray("[-0.25]") << "-0.25";
    QTest::newRow("true") << QByteArray("[true]") << "true";
    QTest::newRow("false") << QByteArray("[false]") << "false";
    QTest::newRow("array") << QByteArray("[[1]]") << "";
    QTest::newRow("object") << QByteArray(R"([{"a":1}])") << "";
    QTest::newRow("null") << QByteArray("[null]") << "";
}

void TstAiProtocol::attributeText()
{
    QFETCH(QByteArray, value);
    QFETCH(QString, text);
    QCOMPARE(AiActions::attributeText(QJsonDocument::fromJson(value).array().at(0)), text);
}

void TstAiProtocol::subgraphRecordsAsJson()
{
    Graph graph;
    Node a = makeNode(QStringLiteral("a"), QStringLiteral("A"), QStringLiteral("ip"));
    a.description = QStringLiteral("desc");
    a.shape = NodeShape::Square;
    a.size = 1.5;
    a.color = QColor(0xAB, 0xCD, 0xEF);
    a.attributes = {{QString(), QStringLiteral("asn"), QStringLiteral("64500")},
                    {QString(), QString(), QStringLiteral("no key")}};
    MediaRecord dated{QStringLiteral("m1"), QStringLiteral("nodes/m1.png"), QStringLiteral("d"),
                      QStringLiteral("t"), QDateTime(QDate(2024, 5, 1), QTime(8, 0), Qt::UTC),
                      QStringLiteral("me"), QStringLiteral("ff")};
    MediaRecord undated = dated;
    undated.name = QStringLiteral("m2");
    undated.date = QDateTime();
    a.medias = {dated, undated};
    graph.insertNode(a);
    Node b = makeNode(QStringLiteral("b"));
    b.attributes = {{QString(), QString(), QStringLiteral("only keyless")}};
    graph.insertNode(b);
    Edge ab = makeEdge(QStringLiteral("ab"), QStringLiteral("a"), QStringLiteral("b"),
                       QStringLiteral("resolves"), QStringLiteral("r"));
    ab.color = QColor(255, 0, 0);
    graph.insertEdge(ab);

    const QJsonObject subgraph = GraphContext::subGraphJson(graph, {QStringLiteral("a")}, 1, 10);
    QJsonObject nodeA;
    QJsonObject nodeB;
    for (const QJsonValue &node : subgraph.value("nodes").toArray())
        (node.toObject().value("id") == QLatin1String("a") ? nodeA : nodeB) = node.toObject();
    QCOMPARE(nodeA.value("label").toString(), QStringLiteral("A"));
    QCOMPARE(nodeA.value("type").toString(), QStringLiteral("ip"));
    QCOMPARE(nodeA.value("description").toString(), QStringLiteral("desc"));
    QCOMPARE(nodeA.value("size").toDouble(), 1.5);
    QCOMPARE(nodeA.value("shape").toString(), QStringLiteral("carré"));
    QCOMPARE(nodeA.value("color").toString(), QStringLiteral("#abcdef"));
    QCOMPARE(nodeA.value("attributes").toObject(), object(R"({"asn":"64500"})"));
    const QJsonArray medias = nodeA.value("medias").toArray();
    QCOMPARE(medias.size(), 2);
    QCOMPARE(medias.at(0).toObject().value("date").toString(), QStringLiteral("2024-05-01T08:00:00Z"));
    QCOMPARE(medias.at(0).toObject().value("path").toString(), QStringLiteral("nodes/m1.png"));
    QVERIFY(!medias.at(1).toObject().contains("date"));
    QVERIFY(!nodeB.contains("attributes"));
    QVERIFY(!nodeB.contains("medias"));
    QCOMPARE(subgraph.value("edges").toArray().at(0).toObject(),
             object(R"({"id":"ab","label":"r","type":"resolves","source":"a","target":"b",
                        "description":"","color":"#ff0000"})"));
}

void TstAiProtocol::subgraphReach_data()
{
    QTest::addColumn<QStringList>("seeds");
    QTest::addColumn<int>("depth");
    QTest::addColumn<int>("maxNodes");
    QTest::addColumn<QStringList>("nodes");
    QTest::addColumn<QStringList>("edges");

    QTest::newRow("depth 0: seeds and relations among them")
        << QStringList{"n2", "n3", "n5"} << 0 << 100 << QStringList{"n2", "n3", "n5"}
        << QStringList{"e3"};
    QTest::newRow("depth 1, both directions") << QStringList{"n3"} << 1 << 100
                                              << QStringList{"n2", "n3", "n4"}
                                              << QStringList{"e3", "e4"};
    QTest::newRow("depth 2") << QStringList{"n0"} << 2 << 100 << QStringList{"n0", "n1", "n2"}
                             << QStringList{"e1", "e2"};
    QTest::newRow("unknown id gives no node") << QStringList{"zz", "n0"} << 0 << 100
                                              << QStringList{"n0"} << QStringList{};
    QTest::newRow("maximum stops the walk") << QStringList{"n0"} << 50 << 4
                                            << QStringList{"n0", "n1", "n2", "n3"}
                                            << QStringList{"e1", "e2", "e3"};
    QTest::newRow("seeds are never cut") << QStringList{"n0", "n4", "n8"} << 3 << 2
                                         << QStringList{"n0", "n4", "n8"} << QStringList{};
    QTest::newRow("negative depth") << QStringList{"n0"} << -1 << 10 << QStringList{}
                                    << QStringList{};
    QTest::newRow("no maximum") << QStringList{"n0"} << 1 << 0 << QStringList{} << QStringList{};
}

void TstAiProtocol::subgraphReach()
{
    QFETCH(QStringList, seeds);
    QFETCH(int, depth);
    QFETCH(int, maxNodes);
    QFETCH(QStringList, nodes);
    QFETCH(QStringList, edges);
    const QJsonObject subgraph = GraphContext::subGraphJson(chain(10), seeds, depth, maxNodes);
    QCOMPARE(ids(subgraph, "nodes"), nodes);
    QCOMPARE(ids(subgraph, "edges"), edges);
    QCOMPARE(subgraph.isEmpty(), depth < 0 || maxNodes <= 0);
}

void TstAiProtocol::selectionContextTruncation_data()
{
    QTest::addColumn<int>("leaves");
    QTest::addColumn<bool>("truncated");
    QTest::newRow("119 nodes") << 118 << false;
    QTest::newRow("120 nodes") << 119 << true;
    QTest::newRow("more than 120") << 300 << true;
}

void TstAiProtocol::selectionContextTruncation()
{
    QFETCH(int, leaves);
    QFETCH(bool, truncated);
    const QJsonObject context = GraphContext::selectionContextJson(star(leaves), {"hub"});
    QCOMPARE(context.value("nodes").toArray().size(), std::min(leaves + 1, 120));
    QCOMPARE(context.value("truncated").toBool(), truncated);
    QCOMPARE(context.contains("max_nodes"), truncated);
    if (truncated) {
        QCOMPARE(context.value("max_nodes").toInt(), 120);
        QCOMPARE(context.value("depth_used").toInt(), 2);
    }
    QVERIFY(!context.contains("auto_seed_used"));
}

// 40 nodes on a 8 × 5 grid: the 15 nearest the middle are the seeds.
void TstAiProtocol::automaticSeedsAreNearestTheCentre()
{
    Graph graph;
    for (int x = 0; x < 8; ++x) {
        for (int y = 0; y < 5; ++y)
            graph.insertNode(makeNode(QStringLiteral("g%1_%2").arg(x).arg(y), QPointF(x * 100, y * 100)));
    }
    const QJsonObject context = GraphContext::selectionContextJson(graph, {});
    QCOMPARE(context.value("auto_seed_used").toBool(), true);
    QCOMPARE(context.value("auto_seed_count").toInt(), 15);
    const QStringList nodes = ids(context, "nodes");
    QCOMPARE(nodes.size(), 15);
    // The centroid is (350, 200): columns 2 to 5 of row 2 and columns 3, 4 of rows 1 and 3
    // are nearer than any node of the outer columns.
    for (const char *near : {"g3_2", "g4_2", "g3_1", "g4_3", "g2_2", "g5_2"})
        QVERIFY2(nodes.contains(QLatin1String(near)), near);
    for (const char *far : {"g0_0", "g7_4", "g0_2", "g7_0"})
        QVERIFY2(!nodes.contains(QLatin1String(far)), far);

    // Their neighbourhood comes with them.
    graph.insertNode(makeNode(QStringLiteral("far"), QPointF(5000, 5000)));
    graph.insertEdge(makeEdge(QStringLiteral("toFar"), QStringLiteral("g3_2"), QStringLiteral("far")));
    const QJsonObject withNeighbour = GraphContext::selectionContextJson(graph, {});
    QVERIFY(ids(withNeighbour, "nodes").contains(QStringLiteral("far")));
}

void TstAiProtocol::contextOfAnEmptyGraph()
{
    QCOMPARE(GraphContext::selectionContextJson(Graph(), {}),
             object(R"({"auto_seed_used": true, "auto_seed_count": 0})"));
    QCOMPARE(GraphContext::fullGraphJson(chain(3)).value("nodes").toArray().size(), 3);
}

void TstAiProtocol::composedMessage_data()
{
    QTest::addColumn<Mode>("mode");
    QTest::addColumn<bool>("withGraph");
    QTest::addColumn<bool>("context");
    QTest::newRow("discussion") << Mode::Discussion << true << false;
    QTest::newRow("reflection") << Mode::Reflection << true << true;
    QTest::newRow("action") << Mode::Action << true << true;
    QTest::newRow("no tab") << Mode::Action << false << false;
}

void TstAiProtocol::composedMessage()
{
    QFETCH(Mode, mode);
    QFETCH(bool, withGraph);
    QFETCH(bool, context);
    const Graph graph = triangle();
    const QString message = GraphContext::composeMessage(mode, QStringLiteral("Q?"),
                                                         withGraph ? &graph : nullptr, {"a"});
    if (!context) {
        QCOMPARE(message, QStringLiteral("Q?"));
        return;
    }
    const QString prefix = QStringLiteral("Q?\n\n[GRAPH_SELECTION_JSON]\n");
    QVERIFY(message.startsWith(prefix));
    const QString json = message.mid(prefix.size());
    QVERIFY(!json.contains(QLatin1Char('\n')));
    const QJsonObject parsed = QJsonDocument::fromJson(json.toUtf8()).object();
    QCOMPARE(ids(parsed, "nodes"), QStringList({"a", "b", "c"}));
}

void TstAiProtocol::dispatchSortsActions()
{
    const AiActions::Dispatch dispatch = AiActions::dispatch(array(R"([
        {"kind": "propose_changes", "changes": [{"kind": "add_node", "node": {"id": "1"}}, 7]},
        {"kind": "highlight_nodes", "node_ids": ["a"]},
        "not an object",
        {"kind": "Graph_Query"},
        {"kind": "graph_query", "operation": "neighbors"},
        {"kind": "propose_changes", "changes": [{"kind": "delete_node", "id": "2"}]},
        {"kind": "propose_changes", "changes": []}])"));
    QCOMPARE(dispatch.immediate.size(), 2);
    QCOMPARE(dispatch.immediate.at(0).value("kind").toString(), QStringLiteral("highlight_nodes"));
    QCOMPARE(dispatch.immediate.at(1).value("kind").toString(), QStringLiteral("graph_query"));
    QCOMPARE(compact(dispatch.changes),
             QStringLiteral(R"([{"kind":"add_node","node":{"id":"1"}},{"id":"2","kind":"delete_node"}])"));
    QVERIFY(AiActions::dispatch(array(R"([{"kind": "propose_changes", "changes": []}])")).changes.isEmpty());
}

void TstAiProtocol::graphQueryDefaults()
{
    const Graph graph = chain(10);
    QVERIFY(!AiActions::graphQueryResult(graph, object(R"({"operation": "paths"})")));
    const auto defaults = AiActions::graphQueryResult(
        graph, object(R"({"operation": "neighbors", "node_ids": ["n5"]})"));
    QVERIFY(defaults);
    QCOMPARE(ids(*defaults, "nodes"), QStringList({"n4", "n5", "n6"}));
    const auto depthZero = AiActions::graphQueryResult(
        graph, object(R"({"operation": "neighbors", "node_ids": ["n5", "nope"], "depth": 0})"));
    QCOMPARE(ids(*depthZero, "nodes"), QStringList({"n5"}));
    const auto capped = AiActions::graphQueryResult(
        graph, object(R"({"operation": "neighbors", "node_ids": ["n0"], "depth": 9, "max_nodes": 3})"));
    QCOMPARE(ids(*capped, "nodes"), QStringList({"n0", "n1", "n2"}));
    QCOMPARE(AiActions::highlightIds(object(R"({"node_ids": ["a", 3, "b"]})")), QStringList({"a", "b"}));
}

void TstAiProtocol::applyChanges_data()
{
    QTest::addColumn<QByteArray>("changes");
    QTest::addColumn<int>("applied");
    QTest::addColumn<QStringList>("expectedLines"); // lines of describe() that change

    // describe(triangle()) for reference:
    // N a [A|ip|] {k=1;other=x;k=2} @10,0   N b [B||] {} @20,0   N c [C||] {} @30,0
    // E ab a->b [ab|rel|] {}   E bc b->c [||] {}   E ca c->a [||] {}
    QTest::newRow("add node")
        << QByteArray(R"([{"kind":"add_node","node":{"id":"n","label":"L","type":"T","description":"D","attributes":{"x":1,"y":true}}}])")
        << 1 << QStringList{"+N n [L|T|D] {x=1;y=true} @0,0"};
    QTest::newRow("add node over an existing one keeps its place")
        << QByteArray(R"([{"kind":"add_node","node":{"id":"a","label":"A2","type":"domain","attributes":{"z":"1"}}}])")
        << 1 << QStringList{"-N a [A|ip|] {k=1;other=x;k=2} @10,0", "+N a [A2|domain|] {z=1} @10,0"};
    QTest::newRow("empty node skipped") << QByteArray(R"([{"kind":"add_node","node":{}}, {"kind":"add_node"}])")
                                        << 0 << QStringList{};
    QTest::newRow("add edge")
        << QByteArray(R"([{"kind":"add_edge","edge":{"id":"x","label":"l","type":"t","source":"b","target":"a","description":"d","attributes":{"w":null}}}])")
        << 1 << QStringList{"+E x b->a [l|t|d] {w=}"};
    QTest::newRow("add relation alias")
        << QByteArray(R"([{"kind":"add_relation","edge":{"id":"x","source":"a","target":"c"}}])")
        << 1 << QStringList{"+E x a->c [||] {}"};
    QTest::newRow("edge to an unknown node skipped")
        << QByteArray(R"([{"kind":"add_edge","edge":{"id":"x","source":"a","target":"ghost"}}])")
        << 0 << QStringList{};
    QTest::newRow("edge to a node added before it")
        << QByteArray(R"([{"kind":"add_node","node":{"id":"n"}},{"kind":"add_edge","edge":{"id":"x","source":"a","target":"n"}}])")
        << 2 << QStringList{"+E x a->n [||] {}", "+N n [||] {} @0,0"};
    QTest::newRow("add edge over an existing one")
        << QByteArray(R"([{"kind":"add_edge","edge":{"id":"ab","label":"new","source":"a","target":"c"}}])")
        << 1 << QStringList{"-E ab a->b [ab|rel|] {}", "+E ab a->c [new||] {}"};
    QTest::newRow("update node fields")
        << QByteArray(R"([{"kind":"update_node","id":"b","patch":{"label":"B2","description":"d"}}])")
        << 1 << QStringList{"-N b [B||] {} @20,0", "+N b [B2||d] {} @20,0"};
    QTest::newRow("update node attributes")
        << QByteArray(R"([{"kind":"update_node","id":"a","patch":{"attributes":{"k":"9","new":2.5}}}])")
        << 1 << QStringList{"-N a [A|ip|] {k=1;other=x;k=2} @10,0", "+N a [A|ip|] {k=9;other=x;k=2;new=2.5} @10,0"};
    QTest::newRow("null removes every row of the key")
        << QByteArray(R"([{"kind":"update_node","id":"a","patch":{"attributes":{"k":null}}}])")
        << 1 << QStringList{"-N a [A|ip|] {k=1;other=x;k=2} @10,0", "+N a [A|ip|] {other=x} @10,0"};
    QTest::newRow("update edge")
        << QByteArray(R"([{"kind":"update_edge","id":"bc","patch":{"type":"t","attributes":{"q":"v"}}}])")
        << 1 << QStringList{"-E bc b->c [||] {}", "+E bc b->c [|t|] {q=v}"};
    QTest::newRow("updates of unknown records or without patch skipped")
        << QByteArray(R"([{"kind":"update_node","id":"zz","patch":{"label":"x"}},
                          {"kind":"update_node","id":"a","patch":"x"},
                          {"kind":"update_node","patch":{"label":"x"}},
                          {"kind":"update_edge","id":"a","patch":{"label":"x"}}])")
        << 0 << QStringList{};
    QTest::newRow("delete node takes relations both ways")
        << QByteArray(R"([{"kind":"delete_node","id":"a"}])") << 1
        << QStringList{"-E ab a->b [ab|rel|] {}", "-E ca c->a [||] {}",
                       "-N a [A|ip|] {k=1;other=x;k=2} @10,0"};
    QTest::newRow("delete node named in its object")
        << QByteArray(R"([{"kind":"delete_node","node":{"id":"c","label":"whatever"}}])") << 1
        << QStringList{"-E bc b->c [||] {}", "-E ca c->a [||] {}", "-N c [C||] {} @30,0"};
    QTest::newRow("delete edge") << QByteArray(R"([{"kind":"delete_edge","id":"bc"}])") << 1
                                 << QStringList{"-E bc b->c [||] {}"};
    QTest::newRow("delete relation alias")
        << QByteArray(R"([{"kind":"delete_relation","edge":{"id":"ab"}}])") << 1
        << QStringList{"-E ab a->b [ab|rel|] {}"};
    QTest::newRow("deletions of unknown ids skipped")
        << QByteArray(R"([{"kind":"delete_node","id":"zz"},{"kind":"delete_edge"},{"kind":"delete_node","node":{}}])")
        << 0 << QStringList{};
    QTest::newRow("non-objects and unknown kinds skipped")
        << QByteArray(R"([3, "x", {"kind":"rename_node","id":"a"}, {"kind":"ADD_NODE","node":{"id":"q"}}])")
        << 0 << QStringList{};
}

void TstAiProtocol::applyChanges()
{
    QFETCH(QByteArray, changes);
    QFETCH(int, applied);
    QFETCH(QStringList, expectedLines);
    Graph graph = triangle();
    const QStringList before = describe(graph).split(QLatin1Char('\n'));
    QCOMPARE(AiActions::apply(graph, QJsonDocument::fromJson(changes).array()), applied);
    const QStringList after = describe(graph).split(QLatin1Char('\n'));
    QStringList difference;
    for (const QString &line : before) {
        if (!after.contains(line))
            difference << QLatin1Char('-') + line;
    }
    for (const QString &line : after) {
        if (!before.contains(line))
            difference << QLatin1Char('+') + line;
    }
    std::sort(difference.begin(), difference.end(), [](const QString &x, const QString &y) {
        return x.mid(1) < y.mid(1) || (x.mid(1) == y.mid(1) && x < y);
    });
    std::sort(expectedLines.begin(), expectedLines.end(), [](const QString &x, const QString &y) {
        return x.mid(1) < y.mid(1) || (x.mid(1) == y.mid(1) && x < y);
    });
    QCOMPARE(difference, expectedLines);
}

void TstAiProtocol::addedNodeWithoutIdGetsAFreshOne()
{
    Graph graph = triangle();
    QCOMPARE(AiActions::apply(graph, array(R"([{"kind":"add_node","node":{"label":"Sans id"}},
                                               {"kind":"add_node","node":{"id":"","label":"Vide"}}])")),
             2);
    QCOMPARE(graph.nodes().size(), 5);
    for (const Node &node : graph.nodes()) {
        if (node.label.startsWith(QLatin1String("Sans")) || node.label == u"Vide") {
            QCOMPARE(node.id.size(), 36);
            QVERIFY(!node.id.startsWith(QLatin1Char('{')));
        }
    }
}

void TstAiProtocol::summaryLines_data()
{
    QTest::addColumn<QByteArray>("changes");
    QTest::addColumn<QString>("summary");
    QTest::newRow("add node") << QByteArray(R"([{"kind":"add_node","node":{"id":"n1","label":"evil.com","type":"domain"}}])")
                              << "Ajouter nœud: [evil.com] (type=domain, id=n1)\n";
    QTest::newRow("add edge") << QByteArray(R"([{"kind":"add_edge","edge":{"id":"e","label":"l","type":"t","source":"a","target":"b"}}])")
                              << "Ajouter relation: [l] (type=t, id=e)\n  a -> b\n";
    QTest::newRow("add relation alias is shown too")
        << QByteArray(R"([{"kind":"add_relation","edge":{"id":"e","label":"l","type":"t","source":"a","target":"b"}}])")
        << "Ajouter relation: [l] (type=t, id=e)\n  a -> b\n";
    QTest::newRow("update node") << QByteArray(R"([{"kind":"update_node","id":"a","patch":{"label":"X"}}])")
                                 << "Mise à jour nœud id=a : label=\"X\", type=\"\"\n";
    QTest::newRow("update edge") << QByteArray(R"([{"kind":"update_edge","id":"ab","patch":{"type":"T"}}])")
                                 << "Mise à jour relation id=ab : label=\"\", type=\"T\"\n";
    QTest::newRow("delete node names the stored node")
        << QByteArray(R"([{"kind":"delete_node","node":{"id":"a","label":"harmless","type":"x"}}])")
        << "Suppression nœud: [A] (type=ip, id=a)\n";
    QTest::newRow("delete unknown node as proposed")
        << QByteArray(R"([{"kind":"delete_node","node":{"id":"zz","label":"Z","type":"t"}}])")
        << "Suppression nœud: [Z] (type=t, id=zz)\n";
    QTest::newRow("delete node by id") << QByteArray(R"([{"kind":"delete_node","id":"b"}])")
                                       << "Suppression nœud: [B] (type=, id=b)\n";
    QTest::newRow("delete relation alias names the stored relation")
        << QByteArray(R"([{"kind":"delete_relation","edge":{"id":"ab"}}])")
        << "Suppression relation: [ab] (type=rel, id=ab)\n  a -> b\n";
    QTest::newRow("in order, unknown kinds silent")
        << QByteArray(R"([{"kind":"update_node","id":"1","patch":{}},{"kind":"frobnicate"},{"kind":"delete_edge","edge":{"id":"q","label":"L","type":"T","source":"s","target":"t"}}])")
        << "Mise à jour nœud id=1 : label=\"\", type=\"\"\nSuppression relation: [L] (type=T, id=q)\n  s -> t\n";
    QTest::newRow("percent signs stay") << QByteArray(R"([{"kind":"add_node","node":{"id":"%2","label":"%1","type":"%3"}}])")
                                        << "Ajouter nœud: [%1] (type=%3, id=%2)\n";
}

void TstAiProtocol::summaryLines()
{
    QFETCH(QByteArray, changes);
    QFETCH(QString, summary);
    const Graph graph = triangle();
    QCOMPARE(AiActions::summary(QJsonDocument::fromJson(changes).array(), &graph), summary);
}

void TstAiProtocol::toolResultMessage()
{
    QCOMPARE(ChatProtocol::toolResultMessage(QStringLiteral("graph_query"), object(R"({"nodes":[],"edges":[]})")),
             QStringLiteral("Résultat de ta requête de graphe (graph_query) :\n"
                            R"({"result":{"edges":[],"nodes":[]},"tool_name":"graph_query"})"));
}

QTEST_GUILESS_MAIN(TstAiProtocol)
#include "tst_ai_protocol.moc"
