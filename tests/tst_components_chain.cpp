#include "components/chaincomponents.h"
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

QTEST_GUILESS_MAIN(TstComponentsChain)
#include "tst_components_chain.moc"
