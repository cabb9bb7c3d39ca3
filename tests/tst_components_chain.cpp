#include "components/chaincomponents.h"
#include "components/solcomponent.h"
#include "components/componentutils.h"
#include "config/appconfig.h"
#include "fakeservice.h"
#include "scripthost.h"
#include "testgraphs.h"

#include <QJsonDocument>
#include <QTest>

using namespace TestGraphs;

namespace {

const QString key = QStringLiteral("K-SECRET-42");
const QString me = QStringLiteral("0xabcdef0123456789abcdef0123456789abcdef01");
const QString other = QStringLiteral("0x1111111111111111111111111111111111111111");
const QString hash = QStringLiteral("0x5f2c3e9a8b7d6c5e4f3a2b1c0d9e8f7a6b5c4d3e2f1a0b9c8d7e6f5a4b3c2d1e");

QString target(const QString &action, const QString &address, int offset)
{
    if (action == u"balance")
        return QStringLiteral("/v2/api?chainid=56&module=account&action=balance&address=%1"
                              "&tag=latest&apikey=%2").arg(address, key);
    return QStringLiteral("/v2/api?chainid=56&module=account&action=txlist&address=%1&sort=desc"
                          "&page=1&offset=%2&apikey=%3").arg(address).arg(offset).arg(key);
}

QByteArray txList(const QList<QByteArray> &items)
{
    QByteArray joined;
    for (const QByteArray &item : items)
        joined += (joined.isEmpty() ? "" : ",") + item;
    return "{\"status\":\"1\",\"message\":\"OK\",\"result\":[" + joined + "]}";
}

QByteArray tx(const QString &from, const QString &to, const char *value, const QString &txHash)
{
    return "{\"blockNumber\":\"14923678\",\"timeStamp\":\"1654646411\",\"hash\":\""
        + txHash.toLatin1() + "\",\"from\":\"" + from.toLatin1() + "\",\"to\":\"" + to.toLatin1()
        + "\",\"value\":\"" + value + "\",\"gas\":\"21000\",\"gasPrice\":\"30000000000\","
        "\"gasUsed\":\"21000\",\"input\":\"0xa9059cbb000000000000000000000000\","
        "\"isError\":\"0\",\"contractAddress\":\"\"}";
}

QString fundingTarget(const QString &address)
{
    return QStringLiteral("/v2/api?chainid=1&module=account&action=txlist&address=%1&sort=asc"
                          "&page=1&offset=10000&apikey=%2").arg(address, key);
}

// Solana accounts and signatures of our own, in base-58.
const QString sol = QStringLiteral("7dEmoWa11etAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA");
const QString payee = QStringLiteral("9xRecipientBBBBBBBBBBBBBBBBBBBBBBBBBBBBBBBBB");
const QString payer = QStringLiteral("5ySenderCCCCCCCCCCCCCCCCCCCCCCCCCCCCCCCCCCCC");
const QString systemProgram = QStringLiteral("11111111111111111111111111111111");
const QString tokenProgram = QStringLiteral("TokenkegQfeZyiNwAJbNbGKPFXCWuBvf9Ss623VQ5DA");

QString signature(char c)
{
    return QStringLiteral("2") + QString(87, QLatin1Char(c));
}

// One "sol_bal_change" entry; pre and post are written as given, bare numbers or text.
QByteArray change(const QString &address, const QByteArray &pre, const QByteArray &post)
{
    return "{\"address\":\"" + address.toLatin1() + "\",\"pre_balance\":" + pre
        + ",\"post_balance\":" + post + ",\"change_amount\":\"0\"}";
}

QByteArray detail(const QString &sig, const QList<QByteArray> &changes)
{
    QByteArray joined;
    for (const QByteArray &item : changes)
        joined += (joined.isEmpty() ? "" : ",") + item;
    return "{\"success\":true,\"data\":{\"block_id\":310830160,\"fee\":5000,\"status\":1,"
           "\"tx_hash\":\"" + sig.toLatin1() + "\",\"block_time\":1735586811,"
           "\"sol_bal_change\":[" + joined + "],\"token_bal_change\":[]},\"metadata\":{}}";
}

QByteArray solList(const QStringList &signatures)
{
    QByteArray joined;
    for (const QString &sig : signatures)
        joined += QByteArray(joined.isEmpty() ? "" : ",") + "{\"slot\":282450328,\"fee\":5000,"
            "\"status\":\"Success\",\"signer\":[],\"block_time\":1723176170,\"tx_hash\":\""
            + sig.toLatin1() + "\",\"parsed_instructions\":[],\"program_ids\":[]}";
    return "{\"success\":true,\"data\":[" + joined + "]}";
}

QString solTarget(const QString &path, const QString &query)
{
    return QStringLiteral("/v2.0") + path + QLatin1Char('?') + query;
}

QStringList edgeRows(const Edge &edge)
{
    QStringList list;
    for (const AttributeRow &row : edge.attributes)
        list.append(row.key + QLatin1Char('=') + row.value);
    return list;
}

QStringList debugLines;
void collect(QtMsgType, const QMessageLogContext &, const QString &message)
{
    debugLines.append(message);
}

} // namespace

class TstComponentsChain : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void amounts_data();
    void amounts();
    void products_data();
    void products();
    void longIntegersStayExact();
    void shortHashes_data();
    void shortHashes();
    void chainTable();
    void transactionsDrawnWithExactAmounts();
    void refusalsHideTheKey_data();
    void refusalsHideTheKey();
    void differences_data();
    void differences();
    void chainSwitchFollowsTypes();
    void funder_data();
    void funder();
    void fundingFollowsTheDepth();
    void typedTemplatesAreSent_data();
    void typedTemplatesAreSent();
    void solTransfers_data();
    void solTransfers();
    void solTransactionsDrawnExactly();
    void solFailures_data();
    void solFailures();

private:
    FakeService *m_service = nullptr;
};

void TstComponentsChain::init()
{
    delete m_service;
    m_service = new FakeService(this);
    AppConfig::setCurrent(QJsonObject{
        {QStringLiteral("endpoints"), QJsonObject{{QStringLiteral("Etherscan"), m_service->base()}}},
        {QStringLiteral("api_keys"), QJsonObject{{QStringLiteral("Etherscan"), key}}}});
}

void TstComponentsChain::amounts_data()
{
    QTest::addColumn<QString>("digits");
    QTest::addColumn<QString>("native");
    QTest::newRow("empty") << "" << "0";
    QTest::newRow("zeros") << "0000" << "0";
    QTest::newRow("one wei") << "1" << "0.000000000000000001";
    QTest::newRow("leading zeros") << "0001500000000000000000" << "1.500000000000000000";
    QTest::newRow("2^64 + 1") << "18446744073709551617" << "18.446744073709551617";
    QTest::newRow("far above 2^64") << "123456789012345678901234567890"
                                    << "123456789012.345678901234567890";
    QTest::newRow("not a number") << "1e18" << "0";
}

void TstComponentsChain::amounts()
{
    QFETCH(QString, digits);
    QFETCH(QString, native);
    QCOMPARE(DecimalText::fromSmallestUnit(digits, 18), native);
}

void TstComponentsChain::products_data()
{
    QTest::addColumn<QString>("a");
    QTest::addColumn<QString>("b");
    QTest::addColumn<QString>("product");
    QTest::newRow("gas") << "30000000000" << "21000" << "630000000000000";
    QTest::newRow("zero") << "0" << "21000" << "0";
    QTest::newRow("2^64 squared") << "18446744073709551616" << "18446744073709551616"
                                  << "340282366920938463463374607431768211456";
}

void TstComponentsChain::products()
{
    QFETCH(QString, a);
    QFETCH(QString, b);
    QFETCH(QString, product);
    QCOMPARE(DecimalText::multiply(a, b), product);
}

void TstComponentsChain::longIntegersStayExact()
{
    const QByteArray reply = "{\"lamports\": 18446744073709551617, \"rent_epoch\":18446744073709552000,"
                             "\"fee\":5000,\"ratio\":12345678901234567.5,\"text\":\"12345678901234567890 \\\" 99999999999999999\","
                             "\"neg\":-99999999999999999999}";
    const QJsonObject object = QJsonDocument::fromJson(DecimalText::quoteLongIntegers(reply)).object();
    QCOMPARE(object.value(QStringLiteral("lamports")).toString(), QStringLiteral("18446744073709551617"));
    QCOMPARE(object.value(QStringLiteral("rent_epoch")).toString(), QStringLiteral("18446744073709552000"));
    QCOMPARE(object.value(QStringLiteral("fee")).toInt(), 5000);
    QVERIFY(object.value(QStringLiteral("ratio")).isDouble());
    QCOMPARE(object.value(QStringLiteral("text")).toString(),
             QStringLiteral("12345678901234567890 \" 99999999999999999"));
    QVERIFY(object.value(QStringLiteral("neg")).isDouble());
}

void TstComponentsChain::shortHashes_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("shortened");
    QTest::newRow("66 characters") << hash << QStringLiteral("0x5f2c…3c2d1e");
    QTest::newRow("12 characters") << "0x1234567890" << "0x1234567890";
    QTest::newRow("13 characters") << "abcdefghijklm" << QStringLiteral("abcdef…hijklm");
}

void TstComponentsChain::shortHashes()
{
    QFETCH(QString, text);
    QFETCH(QString, shortened);
    QCOMPARE(shortHash(text), shortened);
}

void TstComponentsChain::chainTable()
{
    QStringList rows;
    for (const EvmChain &chain : EvmChains::all())
        rows.append(QStringLiteral("%1 %2 %3").arg(chain.id).arg(chain.name, chain.symbol));
    QCOMPARE(rows, (QStringList{"1 Ethereum Mainnet ETH", "56 BNB Smart Chain BNB", "137 Polygon MATIC",
                                "42161 Arbitrum One ETH", "10 Optimism ETH", "8453 Base ETH",
                                "43114 Avalanche C-Chain AVAX", "250 Fantom FTM"}));
    QCOMPARE(EvmChains::byId(999).id, 1);
}

void TstComponentsChain::transactionsDrawnWithExactAmounts()
{
    const QByteArray three = txList({tx(me, other, "123456789012345678901234", hash),
                                     tx(other, me, "1", QStringLiteral("0xfeed")),
                                     tx(other, me, "2", QStringLiteral("0xbeef"))});
    m_service->route(target(QStringLiteral("txlist"), me, 10000), three);
    m_service->route(target(QStringLiteral("balance"), me, 0),
                     "{\"status\":\"1\",\"message\":\"OK\",\"result\":\"40807168564070000000000\"}");
    m_service->route(target(QStringLiteral("txlist"), me, 2),
                     txList({tx(me, other, "123456789012345678901234", hash),
                             tx(other, me, "1", QStringLiteral("0xfeed"))}));
    Graph graph;
    graph.insertNode(makeNode(QStringLiteral("w"), me.toUpper().replace(QLatin1String("0X"), QLatin1String("0x")),
                              QStringLiteral("ADRESSE BNB")));
    Node known = makeNode(QStringLiteral("k"), QStringLiteral("fournisseur"), QStringLiteral("adresse bnb"));
    known.attributes.append({QStringLiteral("r"), QStringLiteral("adresse"), other});
    graph.insertNode(known);

    ScriptHost host;
    host.setOptions = [](ComponentOptions &options) { options.delayMs = 0; };
    host.answers = {{true, true, false, 2}};
    const Components::RunResult result = Components::run(
        *Components::find(QStringLiteral("eth-to-tx")), graph, {QStringLiteral("w")}, host);
    result.changes.applyTo(graph);
    QCOMPARE(host.lines, QStringList{QStringLiteral("[OK] %1 → 2 transaction(s)").arg(me)});
    QCOMPARE(host.confirmations.size(), 1);
    QCOMPARE(host.confirmations.first().numberMax, 3);
    QCOMPARE(host.confirmations.first().title, QStringLiteral("Confirmation – %1").arg(me));

    const Node wallet = graph.node(QStringLiteral("w"));
    QStringList rows;
    for (const AttributeRow &row : wallet.attributes)
        rows.append(row.key + QLatin1Char('=') + row.value);
    QCOMPARE(rows, (QStringList{"adresse=" + me, "balance_wei=40807168564070000000000",
                                "balance_BNB=40807.168564070000000000"}));
    QCOMPARE(graph.nodes().size(), 2); // the counterpart node was already there
    QCOMPARE(graph.edges().size(), 2);
    for (const Edge &edge : graph.edges()) {
        QCOMPARE(edge.type, QStringLiteral("Txn BNB"));
        QCOMPARE(edge.validity.start, QDateTime::fromSecsSinceEpoch(1654646411, Qt::UTC));
        QStringList attributes;
        for (const AttributeRow &row : edge.attributes)
            attributes.append(row.key + QLatin1Char('=') + row.value);
        if (edge.src == u"w") {
            QCOMPARE(edge.dst, QStringLiteral("k"));
            QCOMPARE(edge.label, QStringLiteral("123456.789012345678901234 BNB"));
            QCOMPARE(attributes, (QStringList{"tx_hash=" + hash,
                                              "amount_bnb=123456.789012345678901234",
                                              "fee_bnb=0.000630000000000000",
                                              "method=0xa9059cbb"}));
        } else {
            QCOMPARE(edge.src, QStringLiteral("k"));
            QCOMPARE(edge.label, QStringLiteral("0.000000000000000001 BNB"));
        }
    }
}

void TstComponentsChain::refusalsHideTheKey_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("line");
    QTest::newRow("refused key") << 200
                                 << QByteArray("{\"status\":\"0\",\"message\":\"NOTOK\",\"result\":\"Invalid API Key\"}")
                                 << "[ERREUR] %1 — Erreur proxy: Invalid API Key";
    QTest::newRow("no transactions") << 200
                                     << QByteArray("{\"status\":\"0\",\"message\":\"No transactions found\",\"result\":[]}")
                                     << "[INFO] %1 — aucune transaction récupérée";
    QTest::newRow("count not a list") << 200 << QByteArray("{\"status\":\"1\",\"result\":\"3\"}")
                                      << "[ERREUR] %1 — Compteur invalide";
    QTest::newRow("transport") << 500 << QByteArray() << "[ERREUR] %1 — Réseau: 401";
    QTest::newRow("not json") << 200 << QByteArray("<html>") << "[ERREUR] %1 — Réponse invalide";
}

void TstComponentsChain::refusalsHideTheKey()
{
    QFETCH(int, status);
    QFETCH(QByteArray, body);
    QFETCH(QString, line);
    m_service->setFallback({status, body});
    Graph graph;
    Node wallet = makeNode(QStringLiteral("w"), QStringLiteral("portefeuille"), QStringLiteral("ADRESSE ETH"));
    wallet.attributes.append({QStringLiteral("r"), QStringLiteral("Adresse"), me});
    graph.insertNode(wallet);
    ScriptHost host;
    host.setOptions = [](ComponentOptions &options) { options.delayMs = 0; };
    debugLines.clear();
    const QtMessageHandler previous = qInstallMessageHandler(collect);
    Components::run(*Components::find(QStringLiteral("eth-to-tx")), graph, {QStringLiteral("w")}, host);
    qInstallMessageHandler(previous);
    QCOMPARE(host.lines, QStringList{line.arg(me)});
    QVERIFY(!debugLines.isEmpty());
    for (const QString &text : debugLines + host.lines)
        QVERIFY2(!text.contains(key), qPrintable(text));
    QVERIFY(m_service->requests.first().target.contains(key));
}

void TstComponentsChain::differences_data()
{
    QTest::addColumn<QString>("a");
    QTest::addColumn<QString>("b");
    QTest::addColumn<QString>("difference");
    QTest::newRow("smaller minus larger") << "5" << "45000" << "-44995";
    QTest::newRow("equal") << "65818866229" << "065818866229" << "0";
    QTest::newRow("borrow across") << "1000000" << "1" << "999999";
    QTest::newRow("2^64 + 1 minus 2^64") << "18446744073709551617" << "18446744073709551616" << "1";
    QTest::newRow("far above 2^64") << "100000000000000000000000000000" << "1"
                                    << "99999999999999999999999999999";
}

void TstComponentsChain::differences()
{
    QFETCH(QString, a);
    QFETCH(QString, b);
    QFETCH(QString, difference);
    QCOMPARE(DecimalText::subtract(a, b), difference);
    const int sign = difference == u"0" ? 0 : (difference.startsWith(QLatin1Char('-')) ? -1 : 1);
    QCOMPARE(DecimalText::compare(a, b), sign);
}

void TstComponentsChain::chainSwitchFollowsTypes()
{
    ComponentOptions options = Components::find(QStringLiteral("eth-to-tx"))->defaultOptions();
    EvmChains::switchChain(options, 1);
    QCOMPARE(options.nodeType, QStringLiteral("ADRESSE ETH"));
    QCOMPARE(options.relationType, QStringLiteral("Txn ETH"));
    options.nodeType = QStringLiteral("Mes adresses");
    EvmChains::switchChain(options, 137);
    QCOMPARE(options.chainId, 137);
    QCOMPARE(options.nodeType, QStringLiteral("Mes adresses"));
    QCOMPARE(options.relationType, QStringLiteral("Txn MATIC"));
}

void TstComponentsChain::funder_data()
{
    const QString funder = QStringLiteral("0x2222222222222222222222222222222222222222");
    const QString creator = QStringLiteral("0x3333333333333333333333333333333333333333");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("funder");
    QTest::newRow("first incoming")
        << txList({tx(me, other, "5", QStringLiteral("0x01")),
                   tx(funder, me, "1500000000000000000", QStringLiteral("0x02")),
                   tx(other, me, "7", QStringLiteral("0x03"))})
        << "[OK] %1 funded by " + funder << funder;
    QByteArray creation = tx(creator, QString(), "0", QStringLiteral("0x02"));
    creation.replace(QByteArray("\"contractAddress\":\"\""),
                     QByteArray("\"contractAddress\":\"" + me.toLatin1() + "\""));
    QTest::newRow("contract creator")
        << txList({creation, tx(funder, me, "9", QStringLiteral("0x03"))})
        << "[OK] %1 funded by " + creator << creator;
    QTest::newRow("nothing incoming") << txList({tx(me, other, "5", QStringLiteral("0x01"))})
                                      << "[INFO] %1 — aucun 'funded by' trouvé" << QString();
    QTest::newRow("no transactions")
        << QByteArray("{\"status\":\"0\",\"message\":\"No transactions found\",\"result\":[]}")
        << "[INFO] %1 — aucun 'funded by' trouvé" << QString();
    QTest::newRow("refused")
        << QByteArray("{\"status\":\"0\",\"message\":\"NOTOK\",\"result\":\"Max rate limit reached\"}")
        << "[ERREUR] %1 — txlist: Erreur proxy: Max rate limit reached" << QString();
}

void TstComponentsChain::funder()
{
    QFETCH(QByteArray, body);
    QFETCH(QString, line);
    QFETCH(QString, funder);
    m_service->route(fundingTarget(me), body);
    Graph graph;
    graph.insertNode(makeNode(QStringLiteral("w"), me, QStringLiteral("ADRESSE ETH")));
    ScriptHost host;
    host.setOptions = [](ComponentOptions &options) { options.delayMs = 0; };
    const Components::RunResult result = Components::run(
        *Components::find(QStringLiteral("eth-funded-by")), graph, {QStringLiteral("w")}, host);
    result.changes.applyTo(graph);
    QCOMPARE(host.lines, QStringList{line.arg(me)});
    QCOMPARE(m_service->targets(), QStringList{fundingTarget(me)});
    QCOMPARE(graph.nodes().size(), funder.isEmpty() ? 1 : 2);
    QCOMPARE(graph.edges().size(), funder.isEmpty() ? 0 : 1);
    if (funder.isEmpty())
        return;
    const Edge edge = *graph.edges().cbegin();
    const Node source = graph.node(edge.src);
    QCOMPARE(edge.dst, QStringLiteral("w"));
    QCOMPARE(source.label, funder);
    QCOMPARE(source.type, QStringLiteral("ADRESSE ETH"));
    QCOMPARE(source.color, QColor(QStringLiteral("#ffd27f")));
    QCOMPARE(source.attributes.first().value, funder);
    QCOMPARE(edge.label, QStringLiteral("financ"));
    QCOMPARE(edge.type, QStringLiteral("FINANCEMENT ETH"));
    QCOMPARE(edge.validity.start, QDateTime::fromSecsSinceEpoch(1654646411, Qt::UTC));
    QCOMPARE(edgeRows(edge).first(), QStringLiteral("tx_hash=0x02"));
}

void TstComponentsChain::fundingFollowsTheDepth()
{
    const QString a = QStringLiteral("0xaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa");
    const QString b = QStringLiteral("0xbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbb");
    m_service->route(fundingTarget(me), txList({tx(a, me, "1", QStringLiteral("0x01"))}));
    m_service->route(fundingTarget(a), txList({tx(b, a, "2", QStringLiteral("0x02"))}));
    // b was funded by the address the search started from: the walk stops there.
    m_service->route(fundingTarget(b), txList({tx(me, b, "3", QStringLiteral("0x03"))}));
    Graph graph;
    graph.insertNode(makeNode(QStringLiteral("w"), me, QStringLiteral("ADRESSE ETH")));
    Node known = makeNode(QStringLiteral("k"), QStringLiteral("Fournisseur A"), QStringLiteral("adresse eth"));
    known.attributes.append({QStringLiteral("r"), QStringLiteral("adresse"), a.toUpper().replace(QLatin1String("0X"), QLatin1String("0x"))});
    graph.insertNode(known);
    ScriptHost host;
    host.setOptions = [](ComponentOptions &options) {
        options.delayMs = 0;
        options.depth = 10;
    };
    debugLines.clear();
    const QtMessageHandler previous = qInstallMessageHandler(collect);
    for (int run = 0; run < 2; ++run) {
        const Components::RunResult result = Components::run(
            *Components::find(QStringLiteral("eth-funded-by")), graph, {QStringLiteral("w")}, host);
        result.changes.applyTo(graph);
    }
    qInstallMessageHandler(previous);
    const QStringList walk = {"[OK] " + me + " funded by " + a, "[OK] " + a + " funded by " + b,
                              "[OK] " + b + " funded by " + me};
    QCOMPARE(host.lines, walk + walk);
    QCOMPARE(m_service->requests.size(), 6);
    QCOMPARE(graph.nodes().size(), 3); // the known funder was reused, b created once
    QStringList links;
    for (const Edge &edge : graph.edges())
        links.append(graph.node(edge.src).label + QStringLiteral(" → ") + graph.node(edge.dst).label);
    QStringList expected = {b + " → Fournisseur A", "Fournisseur A → " + me, me + " → " + b};
    links.sort();
    expected.sort();
    QCOMPARE(links, expected);
    QVERIFY(!debugLines.isEmpty());
    for (const QString &text : std::as_const(debugLines))
        QVERIFY2(!text.contains(key), qPrintable(text));
}

void TstComponentsChain::typedTemplatesAreSent_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QStringList>("templates"); // transactions, balance, pre-count
    QTest::addColumn<QStringList>("routes");    // target, body, ...
    QTest::addColumn<QString>("tag");
    QTest::addColumn<QString>("line");
    const QString pre = QStringLiteral("/p/%1?o=10000&auth=%2").arg(me, key);
    const QString balance = QStringLiteral("/b/%1/%2").arg(key, me);
    const QString list = QStringLiteral("/t/56/%1?n=2&s=%2").arg(me, key);
    const QByteArray two = txList({tx(me, other, "5", QStringLiteral("0x01")),
                                   tx(other, me, "7", QStringLiteral("0x02"))});
    // The key sits where no query name gives it away: in the path, or under "s" and "auth".
    QTest::newRow("transactions")
        << "eth-to-tx" << QStringList{"/t/%C/%1?n=%3&s=%2", "/b/%2/%1", "/p/%1?o=%4&auth=%2"}
        << QStringList{pre, QString::fromLatin1(two), balance,
                       "{\"status\":\"1\",\"message\":\"OK\",\"result\":\"9\"}", list,
                       QString::fromLatin1(two)}
        << "[BSC]" << "[OK] %1 → 2 transaction(s)";
    // The service repeats the key in its refusal: the log line masks it.
    QTest::newRow("funding")
        << "eth-funded-by" << QStringList{"/f/%2/%1?c=%C&o=%4"}
        << QStringList{QStringLiteral("/f/%1/%2?c=1&o=10000").arg(key, me),
                       "{\"status\":\"0\",\"message\":\"NOTOK\",\"result\":\"Invalid API Key "
                           + key + "\"}"}
        << "[EVM/FUNDED]" << "[ERREUR] %1 — txlist: Erreur proxy: Invalid API Key ***";
}

void TstComponentsChain::typedTemplatesAreSent()
{
    QFETCH(QString, name);
    QFETCH(QStringList, templates);
    QFETCH(QStringList, routes);
    QFETCH(QString, tag);
    QFETCH(QString, line);
    QStringList sent;
    for (int i = 0; i + 1 < routes.size(); i += 2) {
        m_service->route(routes.at(i), routes.at(i + 1).toUtf8());
        sent.append(routes.at(i));
    }
    Graph graph;
    graph.insertNode(makeNode(QStringLiteral("w"), me, QStringLiteral("ADRESSE ETH")));
    ScriptHost host;
    const QString base = m_service->base();
    host.setOptions = [&templates, &base](ComponentOptions &options) {
        options.delayMs = 0;
        options.provider = base + templates.value(0);
        options.balanceRequest = base + templates.value(1);
        options.preCountRequest = base + templates.value(2);
    };
    debugLines.clear();
    const QtMessageHandler previous = qInstallMessageHandler(collect);
    Components::run(*Components::find(name), graph, {QStringLiteral("w")}, host);
    qInstallMessageHandler(previous);
    QCOMPARE(m_service->targets(), sent);
    QCOMPARE(host.lines, QStringList{line.arg(me)});
    QStringList requests;
    for (const QString &text : std::as_const(debugLines)) {
        if (text.contains(QLatin1String(" GET ")))
            requests.append(text.section(QLatin1Char(' '), 0, 0));
    }
    QCOMPARE(requests, QStringList(sent.size(), tag));
    for (const QString &text : debugLines + host.lines)
        QVERIFY2(!text.contains(key), qPrintable(text));
}

void TstComponentsChain::solTransfers_data()
{
    QTest::addColumn<QStringList>("changes"); // "address pre post"
    QTest::addColumn<QString>("counterpart");
    QTest::addColumn<QString>("lamports");
    QTest::addColumn<bool>("outgoing");
    const auto row = [](const QString &address, const char *pre, const char *post) -> QString {
        return address + QLatin1Char(' ') + QLatin1String(pre) + QLatin1Char(' ') + QLatin1String(post);
    };
    QTest::newRow("sent, fee on top")
        << QStringList{row(sol, "65818866229", "65818821229"), row(payee, "103715668", "103755668"),
                       row(systemProgram, "1", "1")}
        << payee << "40000" << true;
    QTest::newRow("received")
        << QStringList{row(payer, "5000000", "2995000"), row(sol, "0", "2000000")}
        << payer << "2000000" << false;
    QTest::newRow("programs are never counterparts")
        << QStringList{row(sol, "100000", "55000"), row(tokenProgram, "0", "9000000"),
                       row(systemProgram, "0", "8000000"), row(payee, "0", "40000")}
        << payee << "40000" << true;
    QTest::newRow("only programs moved")
        << QStringList{row(sol, "100000", "95000"), row(systemProgram, "1", "5001")}
        << QString() << QString() << true;
    QTest::newRow("fee only") << QStringList{row(sol, "100000", "95000"), row(payee, "7", "7")}
                              << QString() << QString() << true;
    QTest::newRow("above 2^64")
        << QStringList{row(sol, "36893488147419103233", "18446744073709546617"),
                       row(payee, "0", "18446744073709551616")}
        << payee << "18446744073709551616" << true;
    QTest::newRow("address absent") << QStringList{row(payer, "9", "1"), row(payee, "1", "9")}
                                    << QString() << QString() << false;
}

void TstComponentsChain::solTransfers()
{
    QFETCH(QStringList, changes);
    QFETCH(QString, counterpart);
    QFETCH(QString, lamports);
    QFETCH(bool, outgoing);
    QList<SolscanParsing::BalanceChange> list;
    for (const QString &text : std::as_const(changes)) {
        const QStringList parts = text.split(QLatin1Char(' '));
        list.append({parts.at(0), parts.at(1), parts.at(2)});
    }
    const SolscanParsing::Transfer transfer = SolscanParsing::transferOf(list, sol);
    QCOMPARE(transfer.counterpart, counterpart);
    QCOMPARE(transfer.lamports, lamports);
    if (!counterpart.isEmpty())
        QCOMPARE(transfer.outgoing, outgoing);
}

void TstComponentsChain::solTransactionsDrawnExactly()
{
    const QString solKey = QStringLiteral("SOL-KEY-7");
    AppConfig::setCurrent(QJsonObject{
        {QStringLiteral("endpoints"), QJsonObject{{QStringLiteral("Solscan"), m_service->base()}}},
        {QStringLiteral("api_keys"), QJsonObject{{QStringLiteral("Solscan"), solKey}}}});
    const QString sent = signature('a');
    const QString received = signature('b');
    const QString failed = signature('c');
    m_service->route(solTarget(QStringLiteral("/account/transactions"),
                               QStringLiteral("address=%1&limit=500").arg(sol)),
                     solList({sent, received, failed}));
    // Bare integers beyond 2^64, as Solscan writes some of its numbers.
    m_service->route(solTarget(QStringLiteral("/account/detail"), QStringLiteral("address=") + sol),
                     "{\"success\":true,\"data\":{\"account\":\"" + sol.toLatin1()
                         + "\",\"lamports\":18446744073709551617,\"type\":\"system_account\","
                           "\"executable\":false,\"rent_epoch\":18446744073709552000}}");
    m_service->route(solTarget(QStringLiteral("/transaction/detail"), QStringLiteral("tx=") + sent),
                     detail(sent, {change(sol, "36893488147419103233", "18446744073709546617"),
                                   change(payee, "0", "18446744073709551616"),
                                   change(systemProgram, "\"1\"", "\"1\"")}));
    m_service->route(solTarget(QStringLiteral("/transaction/detail"), QStringLiteral("tx=") + received),
                     detail(received, {change(payer, "\"5000000\"", "\"2995000\""),
                                       change(sol, "\"10\"", "\"2000010\""),
                                       change(tokenProgram, "\"0\"", "\"9000000\"")}));
    m_service->route(solTarget(QStringLiteral("/transaction/detail"), QStringLiteral("tx=") + failed),
                     detail(failed, {change(sol, "\"2000010\"", "\"1995010\"")}));

    Graph graph;
    graph.insertNode(makeNode(QStringLiteral("w"), sol, QStringLiteral("Adresse Solana")));
    Node known = makeNode(QStringLiteral("k"), QStringLiteral("Payeur"), QStringLiteral("ADRESSE SOL"));
    known.attributes.append({QStringLiteral("r"), QStringLiteral("address"), payer});
    graph.insertNode(known);
    ScriptHost host;
    host.setOptions = [](ComponentOptions &options) { options.delayMs = 0; };
    for (int run = 0; run < 2; ++run) {
        const Components::RunResult result = Components::run(
            *Components::find(QStringLiteral("sol-to-tx")), graph, {QStringLiteral("w")}, host);
        result.changes.applyTo(graph);
    }
    QCOMPARE(host.lines, (QStringList{"[OK] " + sol + " → 2 relation(s) créées",
                                      "[OK] " + sol + " → 0 relation(s) créées"}));
    QCOMPARE(host.confirmations.first().numberMax, 3);
    QCOMPARE(m_service->requests.size(), 10);
    for (const FakeService::Request &request : std::as_const(m_service->requests)) {
        QCOMPARE(request.headers.value("x-api-key"), solKey.toLatin1());
        QCOMPARE(request.headers.value("user-agent"), QByteArray("VirerUvi/1.0"));
        QVERIFY(!request.target.contains(solKey));
    }
    QStringList rows;
    for (const AttributeRow &row : graph.node(QStringLiteral("w")).attributes)
        rows.append(row.key + QLatin1Char('=') + row.value);
    QCOMPARE(rows, (QStringList{"balance_lamports=18446744073709551617",
                                "balance_sol=18446744073.709551617"}));
    QCOMPARE(graph.nodes().size(), 3); // the payer's node reused, the payee's made once
    QCOMPARE(graph.edges().size(), 2);
    const QString blockTime = QDateTime::fromSecsSinceEpoch(1735586811, Qt::UTC).toString(Qt::ISODate);
    for (const Edge &edge : graph.edges()) {
        QCOMPARE(edge.type, QStringLiteral("Txn SOLSCAN"));
        QCOMPARE(edge.validity.start, QDateTime::fromSecsSinceEpoch(1735586811, Qt::UTC));
        if (edge.src == u"w") {
            const Node created = graph.node(edge.dst);
            QCOMPARE(created.label, payee);
            QCOMPARE(created.type, QStringLiteral("ADRESSE SOLANA (SOLSCAN)"));
            QCOMPARE(created.color, QColor(QStringLiteral("#a0d7ff")));
            QCOMPARE(edge.label, QStringLiteral("18446744073.709551616 • 2aaaaa…aaaaaa"));
            QCOMPARE(edgeRows(edge), (QStringList{"signature=" + sent,
                                                  "amount_sol=18446744073.709551616",
                                                  "fee_sol=0.000005000", "block_time=" + blockTime}));
        } else {
            QCOMPARE(edge.src, QStringLiteral("k"));
            QCOMPARE(edge.dst, QStringLiteral("w"));
            QCOMPARE(edge.label, QStringLiteral("0.002000000 • 2bbbbb…bbbbbb"));
        }
    }
}

void TstComponentsChain::solFailures_data()
{
    QTest::addColumn<QString>("label");
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("line");
    const QByteArray oneTransaction = solList({signature('a')});
    QTest::newRow("refused")
        << sol << 400
        << QByteArray("{\"success\":false,\"errors\":{\"code\":1100,\"message\":\"Validation Error: tx is not allowed\"}}")
        << "[ERREUR] %1 — Réseau: 302 — Validation Error: tx is not allowed";
    QTest::newRow("not json") << sol << 200 << QByteArray("<html>") << "[ERREUR] %1 — Réponse non JSON";
    QTest::newRow("list not a list") << sol << 200 << QByteArray("{\"success\":true,\"data\":{}}")
                                     << "[ERREUR] %1 — Format txlist inattendu";
    QTest::newRow("refusal with 200")
        << sol << 200 << QByteArray("{\"success\":false,\"errors\":{\"message\":\"quota\"}}")
        << "[ERREUR] %1 — Format txlist inattendu (quota)";
    QTest::newRow("no transactions") << sol << 200 << QByteArray("{\"success\":true,\"data\":[]}")
                                     << "[INFO] %1 — aucune transaction récupérée";
    // Every path answers the list: the account detail holds no balance then.
    QTest::newRow("balance unreadable") << sol << 200 << oneTransaction
                                        << "[ERREUR] %1 — balance: Format balance inattendu";
    QTest::newRow("not an address") << "0OIl-pas-une-adresse" << 200 << oneTransaction
                                    << "[SKIP] w : attribut 'adresse' manquant";
}

void TstComponentsChain::solFailures()
{
    QFETCH(QString, label);
    QFETCH(int, status);
    QFETCH(QByteArray, body);
    QFETCH(QString, line);
    AppConfig::setCurrent(QJsonObject{
        {QStringLiteral("endpoints"), QJsonObject{{QStringLiteral("Solscan"), m_service->base()}}}});
    m_service->setFallback({status, body});
    Graph graph;
    graph.insertNode(makeNode(QStringLiteral("w"), label, QStringLiteral("ADRESSE SOLANA")));
    ScriptHost host;
    host.setOptions = [](ComponentOptions &options) { options.delayMs = 0; };
    const Components::RunResult result = Components::run(
        *Components::find(QStringLiteral("sol-to-tx")), graph, {QStringLiteral("w")}, host);
    QCOMPARE(host.lines, QStringList{line.arg(sol)});
    QVERIFY(result.changes.isEmpty());
    QVERIFY(host.confirmations.isEmpty());
}

QTEST_GUILESS_MAIN(TstComponentsChain)
#include "tst_components_chain.moc"
