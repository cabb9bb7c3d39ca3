#include "components/chaincomponents.h"

#include "components/componentutils.h"
#include "config/appconfig.h"

#include <QDateTime>
#include <QDebug>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QUrl>

namespace EvmChains {

const QList<EvmChain> &all()
{
    static const QList<EvmChain> chains = {
        {1, QStringLiteral("Ethereum Mainnet"), QStringLiteral("ETH")},
        {56, QStringLiteral("BNB Smart Chain"), QStringLiteral("BNB")},
        {137, QStringLiteral("Polygon"), QStringLiteral("MATIC")},
        {42161, QStringLiteral("Arbitrum One"), QStringLiteral("ETH")},
        {10, QStringLiteral("Optimism"), QStringLiteral("ETH")},
        {8453, QStringLiteral("Base"), QStringLiteral("ETH")},
        {43114, QStringLiteral("Avalanche C-Chain"), QStringLiteral("AVAX")},
        {250, QStringLiteral("Fantom"), QStringLiteral("FTM")},
    };
    return chains;
}

EvmChain byId(int id)
{
    for (const EvmChain &chain : all()) {
        if (chain.id == id)
            return chain;
    }
    return all().first();
}

} // namespace EvmChains

namespace DecimalText {

QString normalised(const QString &digits)
{
    QString text = digits.trimmed();
    for (const QChar c : std::as_const(text)) {
        if (!c.isDigit() || c.unicode() > '9')
            return QStringLiteral("0");
    }
    while (text.startsWith(QLatin1Char('0')))
        text.remove(0, 1);
    return text.isEmpty() ? QStringLiteral("0") : text;
}

QString fromSmallestUnit(const QString &digits, int decimals)
{
    QString text = normalised(digits);
    if (text == u"0")
        return text;
    if (text.size() <= decimals)
        text = QString(decimals - text.size() + 1, QLatin1Char('0')) + text;
    return text.left(text.size() - decimals) + QLatin1Char('.') + text.right(decimals);
}

QString multiply(const QString &a, const QString &b)
{
    const QString x = normalised(a);
    const QString y = normalised(b);
    QList<int> sum(x.size() + y.size(), 0);
    for (int i = int(x.size()) - 1; i >= 0; --i) {
        for (int j = int(y.size()) - 1; j >= 0; --j) {
            const int at = i + j + 1;
            const int value = sum[at] + (x.at(i).unicode() - '0') * (y.at(j).unicode() - '0');
            sum[at] = value % 10;
            sum[at - 1] += value / 10;
        }
    }
    QString result;
    for (int digit : std::as_const(sum))
        result.append(QLatin1Char(char('0' + digit)));
    return normalised(result);
}

QByteArray quoteLongIntegers(const QByteArray &json)
{
    QByteArray out;
    out.reserve(json.size());
    bool inString = false;
    for (qsizetype i = 0; i < json.size(); ++i) {
        const char c = json.at(i);
        if (inString) {
            out.append(c);
            if (c == '\\' && i + 1 < json.size())
                out.append(json.at(++i));
            else if (c == '"')
                inString = false;
            continue;
        }
        if (c == '"') {
            inString = true;
            out.append(c);
            continue;
        }
        if (c >= '0' && c <= '9') {
            qsizetype end = i;
            while (end < json.size() && json.at(end) >= '0' && json.at(end) <= '9')
                ++end;
            const bool fraction = end < json.size()
                && (json.at(end) == '.' || json.at(end) == 'e' || json.at(end) == 'E');
            const QByteArray digits = json.mid(i, end - i);
            const bool negative = !out.isEmpty() && out.endsWith('-');
            if (digits.size() > 15 && !fraction && !negative)
                out.append('"' + digits + '"');
            else
                out.append(digits);
            i = end - 1;
            continue;
        }
        out.append(c);
    }
    return out;
}

} // namespace DecimalText

QString shortHash(const QString &hash)
{
    return hash.size() > 12 ? hash.left(6) + QStringLiteral("…") + hash.right(6) : hash;
}

namespace {

const QString txPath = QStringLiteral(
    "/v2/api?chainid=%C&module=account&action=txlist&address=%1&sort=desc&page=1&offset=%3"
    "&apikey=%2");
const QString balancePath = QStringLiteral(
    "/v2/api?chainid=%C&module=account&action=balance&address=%1&tag=latest&apikey=%2");

struct EtherscanReply
{
    bool ok = false;
    QString error;
    QJsonValue result;
};

// Etherscan answers "status" "0" both for an empty list and for a refusal; only the first
// is a success. Numbers arrive as text; long bare integers are kept exact all the same.
EtherscanReply etherscan(const QString &url, int timeoutMs)
{
    qDebug().noquote() << QStringLiteral("[BSC] GET %1").arg(ComponentUtils::redactedUrl(url));
    const ComponentUtils::FetchResult reply = ComponentUtils::fetch(url, timeoutMs);
    if (!reply.ok)
        return {false, reply.error, {}};
    const QJsonDocument document =
        QJsonDocument::fromJson(DecimalText::quoteLongIntegers(reply.body));
    if (!document.isObject())
        return {false, QStringLiteral("Réponse invalide"), {}};
    const QJsonObject object = document.object();
    const QJsonValue result = object.value(QStringLiteral("result"));
    if (object.value(QStringLiteral("status")).toString() == u"0") {
        if (object.value(QStringLiteral("message")).toString() == u"No transactions found")
            return {true, QString(), QJsonArray()};
        const QString detail = result.isString() ? result.toString() : QString();
        return {false, detail.isEmpty() ? QStringLiteral("Erreur proxy")
                                        : QStringLiteral("Erreur proxy: %1").arg(detail),
                {}};
    }
    return {true, QString(), result};
}

QString fillChain(const QString &path, const ComponentOptions &options, const QString &address,
                  int count)
{
    QString url = options.provider + path;
    url.replace(QLatin1String("%C"), QString::number(options.chainId));
    url.replace(QLatin1String("%1"), address);
    url.replace(QLatin1String("%3"), QString::number(count));
    url.replace(QLatin1String("%2"), QString::fromUtf8(QUrl::toPercentEncoding(options.apiKey)));
    return url;
}

QString numberText(const QJsonValue &value)
{
    return value.isString() ? value.toString().trimmed()
                            : QString::number(qint64(value.toDouble()));
}

} // namespace

ComponentInfo ComponentEthToTx::info() const
{
    ComponentForm form;
    form.title = QStringLiteral("Transactions (EVM via Etherscan v2)");
    form.information = QStringLiteral(
        "Sélectionnez la blockchain (multichain Etherscan v2) — le 'chainid' est ajouté "
        "automatiquement aux URLs.\nLes nœuds traités doivent contenir une adresse EVM (attribut "
        "'adresse' ou label 0x...).\nLe composant calcule le nombre total de transactions "
        "(pré-compte via offset large),\npuis vous laisse choisir combien afficher (du plus "
        "récent au plus ancien).\nLes nœuds de destination sont TOUJOURS créés et reliés.");
    form.hasProvider = false;
    form.apiKeyLabel = QStringLiteral("API key Etherscan");
    form.missingKeyWarning = QStringLiteral("Merci de renseigner votre clé Etherscan.");
    form.chooseChain = true;
    form.timeoutMax = 60000;
    return {QStringLiteral("eth-to-tx"),
            QStringLiteral("openComponentEthToTx"),
            QStringLiteral("Blockchain"),
            QStringLiteral("ADRESSE"),
            form,
            QStringLiteral("Transactions EVM…"),
            QStringLiteral("Pré-compte des transactions"),
            QStringLiteral("Recherche de transactions terminée")};
}

ComponentOptions ComponentEthToTx::defaultOptions() const
{
    ComponentOptions options;
    options.provider = AppConfig::endpoint(QStringLiteral("Etherscan"));
    options.apiKey = AppConfig::apiKey(QStringLiteral("Etherscan"));
    options.chainId = 56;
    options.timeoutMs = 6000;
    options.preCount = 10000;
    options.nodeType = QStringLiteral("ADRESSE BNB");
    options.relationLabel = QStringLiteral("%AMOUNT %SYMBOL");
    options.relationType = QStringLiteral("Txn BNB");
    options.nodeColor = QColor(QStringLiteral("#ffd27f"));
    // Keeps within Etherscan's free quota between addresses.
    options.delayMs = 12500;
    return options;
}

void ComponentEthToTx::process(NodeRun &run) const
{
    static const QRegularExpression evm(QStringLiteral("^0x[0-9a-f]{40}$"));
    const Node &node = run.node;
    const ComponentOptions &options = run.options;
    const EvmChain chain = EvmChains::byId(options.chainId);
    QString address = ComponentUtils::firstAttribute(node.attributes, QStringLiteral("adresse"));
    const bool fromLabel = address.isEmpty();
    if (fromLabel)
        address = node.label.trimmed();
    address = address.toLower();
    if (!evm.match(address).hasMatch()) {
        run.host.log(QStringLiteral("[SKIP] Nœud %1 : attribut 'adresse' manquant et label non valide")
                         .arg(node.id));
        return;
    }
    if (fromLabel)
        run.edit.addAttribute(node.id, QStringLiteral("adresse"), address);

    run.host.progress(run.index, run.total, info().progressPrefix, address);
    const EtherscanReply counted =
        etherscan(fillChain(txPath, options, address, options.preCount), options.timeoutMs);
    if (counted.ok && !counted.result.isArray()) {
        run.host.log(QStringLiteral("[ERREUR] %1 — Compteur invalide").arg(address));
        return;
    }
    if (!counted.ok) {
        run.host.log(QStringLiteral("[ERREUR] %1 — %2").arg(address, counted.error));
        return;
    }
    const int total = int(counted.result.toArray().size());
    if (total == 0) {
        run.host.log(QStringLiteral("[INFO] %1 — aucune transaction récupérée").arg(address));
        return;
    }
    const EtherscanReply balance =
        etherscan(fillChain(balancePath, options, address, 0), options.timeoutMs);
    if (!balance.ok) {
        run.host.log(QStringLiteral("[ERREUR] %1 — balance: %2").arg(address, balance.error));
        return;
    }
    const ConfirmAnswer answer = run.host.confirm(
        {QStringLiteral("Confirmation – %1").arg(address),
         QStringLiteral("Adresse : <b>%1</b><br>%2 transaction(s) trouvée(s).")
             .arg(address)
             .arg(total),
         QStringLiteral("Ajouter/Mettre à jour les attributs de l’adresse (balance)"), QString(),
         false, QStringLiteral("Afficher (TX) :"), total});
    if (!answer.accepted) {
        run.host.log(QStringLiteral("[SKIP] %1 — action annulée").arg(address));
        return;
    }
    if (answer.first) {
        const QString wei = DecimalText::normalised(numberText(balance.result));
        run.edit.setAttribute(node.id, QStringLiteral("balance_wei"), wei);
        run.edit.setAttribute(node.id, QStringLiteral("balance_") + chain.symbol,
                              DecimalText::fromSmallestUnit(wei, 18));
    }
    const int wanted = qBound(1, answer.number > 0 ? answer.number : total, total);
    const EtherscanReply listed =
        etherscan(fillChain(txPath, options, address, wanted), options.timeoutMs);
    if (!listed.ok || !listed.result.isArray()) {
        run.host.log(QStringLiteral("[ERREUR] %1 — %2")
                         .arg(address, listed.ok ? QStringLiteral("Aucune donnée") : listed.error));
        return;
    }
    const QString symbol = chain.symbol.toLower();
    int drawn = 0;
    for (const QJsonValue &item : listed.result.toArray()) {
        const QJsonObject tx = item.toObject();
        const QString from = tx.value(QStringLiteral("from")).toString().trimmed().toLower();
        QString to = tx.value(QStringLiteral("to")).toString().trimmed().toLower();
        if (to.isEmpty()) // a contract creation goes to the new contract
            to = tx.value(QStringLiteral("contractAddress")).toString().trimmed().toLower();
        const QString counterpart = from == address ? to : from;
        if (counterpart.isEmpty() || (from != address && to != address))
            continue;
        QString other = run.edit.findNodeByAttribute(options.nodeType, QStringLiteral("adresse"),
                                                     counterpart);
        if (other.isEmpty())
            other = run.edit.findNode(options.nodeType, counterpart);
        if (other.isEmpty())
            other = run.edit.createNode(node, options, counterpart,
                                        {{QStringLiteral("adresse"), counterpart}});
        const QString hash = tx.value(QStringLiteral("hash")).toString().trimmed();
        const QString amount =
            DecimalText::fromSmallestUnit(numberText(tx.value(QStringLiteral("value"))), 18);
        const QString fee = DecimalText::fromSmallestUnit(
            DecimalText::multiply(numberText(tx.value(QStringLiteral("gasPrice"))),
                                  numberText(tx.value(QStringLiteral("gasUsed")))),
            18);
        QString label = options.relationLabel;
        label.replace(QLatin1String("%AMOUNT_BNB"), amount)
            .replace(QLatin1String("%AMOUNT"), amount)
            .replace(QLatin1String("%GAS_FEE_BNB"), fee)
            .replace(QLatin1String("%GAS_FEE"), fee)
            .replace(QLatin1String("%SYMBOL"), chain.symbol)
            .replace(QLatin1String("%TXHASH_SHORT"), shortHash(hash));
        const QString src = from == address ? node.id : other;
        const QString dst = from == address ? other : node.id;
        if (run.edit.hasEdge(src, dst, label, EdgeDirection::Directed))
            continue;
        Edge edge;
        edge.id = run.edit.graph().unusedEdgeId();
        edge.src = src;
        edge.dst = dst;
        edge.label = label;
        edge.type = options.relationType;
        edge.validity.start = QDateTime::fromSecsSinceEpoch(
            numberText(tx.value(QStringLiteral("timeStamp"))).toLongLong(), Qt::UTC);
        const QString input = tx.value(QStringLiteral("input")).toString();
        const QList<QPair<QString, QString>> rows = {
            {QStringLiteral("tx_hash"), hash},
            {QStringLiteral("amount_") + symbol, amount},
            {QStringLiteral("fee_") + symbol, fee},
            {QStringLiteral("method"),
             input.startsWith(QLatin1String("0x")) ? input.left(10) : QString()}};
        for (const auto &row : rows) {
            if (!row.second.isEmpty())
                edge.attributes.append({ComponentUtils::newId(), row.first, row.second});
        }
        run.edit.insertEdge(edge);
        ++drawn;
    }
    run.host.log(QStringLiteral("[OK] %1 → %2 transaction(s)").arg(address).arg(drawn));
}
