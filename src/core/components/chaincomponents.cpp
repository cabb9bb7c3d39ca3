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

QString followSymbol(const QString &text, const QString &from, const QString &to)
{
    const QString suffix = QLatin1Char(' ') + from;
    return text.endsWith(suffix) ? text.left(text.size() - from.size()) + to : text;
}

void switchChain(ComponentOptions &options, int chainId)
{
    const QString before = byId(options.chainId).symbol;
    const EvmChain chain = byId(chainId);
    options.chainId = chain.id;
    options.nodeType = followSymbol(options.nodeType, before, chain.symbol);
    options.relationType = followSymbol(options.relationType, before, chain.symbol);
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

QString ofJson(const QJsonValue &value)
{
    if (value.isString())
        return value.toString().trimmed();
    return value.isDouble() ? QString::number(qint64(value.toDouble())) : QString();
}

int compare(const QString &a, const QString &b)
{
    const QString x = normalised(a);
    const QString y = normalised(b);
    if (x.size() != y.size())
        return x.size() < y.size() ? -1 : 1;
    const int order = x.compare(y);
    return order < 0 ? -1 : (order > 0 ? 1 : 0);
}

QString subtract(const QString &a, const QString &b)
{
    const int order = compare(a, b);
    if (order == 0)
        return QStringLiteral("0");
    const QString larger = normalised(order > 0 ? a : b);
    const QString smaller = normalised(order > 0 ? b : a);
    QString result(larger.size(), QLatin1Char('0'));
    int borrow = 0;
    for (qsizetype i = larger.size() - 1, j = smaller.size() - 1; i >= 0; --i, --j) {
        int digit = (larger.at(i).unicode() - '0') - borrow
            - (j >= 0 ? smaller.at(j).unicode() - '0' : 0);
        borrow = digit < 0 ? 1 : 0;
        if (digit < 0)
            digit += 10;
        result[i] = QLatin1Char(char('0' + digit));
    }
    return (order < 0 ? QStringLiteral("-") : QString()) + normalised(result);
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

ConfirmRequest transactionsQuestion(const QString &address, int count)
{
    return {QStringLiteral("Confirmation – %1").arg(address),
            QStringLiteral("Adresse : <b>%1</b><br>%2 transaction(s) trouvée(s).")
                .arg(address)
                .arg(count),
            QStringLiteral("Ajouter/Mettre à jour les attributs de l’adresse (balance)"), QString(),
            false, QStringLiteral("Afficher (TX) :"), count};
}

QString shortHash(const QString &hash)
{
    return hash.size() > 12 ? hash.left(6) + QStringLiteral("…") + hash.right(6) : hash;
}

namespace {

const QString txPath = QStringLiteral(
    "/v2/api?chainid=%C&module=account&action=txlist&address=%1&sort=desc&page=1&offset=%3"
    "&apikey=%2");
const QString preCountPath = QStringLiteral(
    "/v2/api?chainid=%C&module=account&action=txlist&address=%1&sort=desc&page=1&offset=%4"
    "&apikey=%2");
const QString balancePath = QStringLiteral(
    "/v2/api?chainid=%C&module=account&action=balance&address=%1&tag=latest&apikey=%2");
const QString fundingPath = QStringLiteral(
    "/v2/api?chainid=%C&module=account&action=txlist&address=%1&sort=asc&page=1&offset=%4"
    "&apikey=%2");

// The text with the key masked wherever the analyst's template put it, as typed or
// percent-encoded, and with any key-named query value masked as well.
QString withoutKey(const QString &text, const QString &key)
{
    QString shown = ComponentUtils::redactedUrl(text);
    if (key.isEmpty())
        return shown;
    const QString mask = QStringLiteral("***");
    return shown.replace(QString::fromUtf8(QUrl::toPercentEncoding(key)), mask)
        .replace(key, mask);
}

struct EtherscanReply
{
    bool ok = false;
    QString error;
    QJsonValue result;
};

// Etherscan answers "status" "0" both for an empty list and for a refusal; only the first
// is a success. Numbers arrive as text; long bare integers are kept exact all the same.
// tag opens the debug line; no line or error carries the key.
EtherscanReply etherscan(const QString &tag, const QString &url, const ComponentOptions &options)
{
    qDebug().noquote() << QStringLiteral("%1 GET %2").arg(tag, withoutKey(url, options.apiKey));
    const ComponentUtils::FetchResult reply = ComponentUtils::fetch(url, options.timeoutMs);
    if (!reply.ok)
        return {false, withoutKey(reply.error, options.apiKey), {}};
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
        return {false, detail.isEmpty()
                    ? QStringLiteral("Erreur proxy")
                    : QStringLiteral("Erreur proxy: %1").arg(withoutKey(detail, options.apiKey)),
                {}};
    }
    return {true, QString(), result};
}

// The request of a template: "%3" is the number of transactions wanted, "%4" the pre-count
// offset. The key goes in last, so that nothing it holds is taken for a placeholder.
QString fillChain(const QString &request, const ComponentOptions &options, const QString &address,
                  int count)
{
    QString url = request;
    url.replace(QLatin1String("%C"), QString::number(options.chainId));
    url.replace(QLatin1String("%1"), address);
    url.replace(QLatin1String("%3"), QString::number(count));
    url.replace(QLatin1String("%4"), QString::number(qMax(1, options.preCount)));
    url.replace(QLatin1String("%2"), QString::fromUtf8(QUrl::toPercentEncoding(options.apiKey)));
    return url;
}

// The node's EVM address, lower-cased: its "adresse" row, else its label; empty when
// neither is "0x" and 40 hexadecimal digits.
QString evmAddress(const Node &node, bool *fromLabel)
{
    static const QRegularExpression evm(QStringLiteral("^0x[0-9a-f]{40}$"));
    QString address = ComponentUtils::firstAttribute(node.attributes, QStringLiteral("adresse"));
    *fromLabel = address.isEmpty();
    if (*fromLabel)
        address = node.label.trimmed();
    address = address.toLower();
    return evm.match(address).hasMatch() ? address : QString();
}

// The node standing for a counterpart address: one of the option's type holding it as
// "adresse" or as label, else a new one.
QString addressNode(GraphEdit &edit, const Node &source, const ComponentOptions &options,
                    const QString &address)
{
    QString id = edit.findNodeByAttribute(options.nodeType, QStringLiteral("adresse"), address);
    if (id.isEmpty())
        id = edit.findNode(options.nodeType, address);
    if (id.isEmpty())
        id = edit.createNode(source, options, address, {{QStringLiteral("adresse"), address}});
    return id;
}

// The fields both Etherscan dialogs share: chain, key, time-out, pre-count and the group of
// the nodes they always create.
ComponentForm evmForm(const QString &preCountLabel, const QString &destinationGroup)
{
    ComponentForm form;
    form.providerGroup = QStringLiteral("Providers & API");
    form.apiKeyLabel = QStringLiteral("API key Etherscan");
    form.missingKeyWarning = QStringLiteral("Merci de renseigner votre clé Etherscan.");
    form.chooseChain = true;
    form.timeoutMax = 60000;
    form.preCountLabel = preCountLabel;
    form.destinationGroup = destinationGroup;
    form.relationTypeLabel = QStringLiteral("Type de relation");
    form.colourButtonText = QStringLiteral("Couleur du nœud DEST");
    return form;
}

ComponentOptions evmOptions(int chainId, const QString &request, const QString &relationLabel,
                            const QString &relationType)
{
    ComponentOptions options;
    options.provider = AppConfig::endpoint(QStringLiteral("Etherscan")) + request;
    options.apiKey = AppConfig::apiKey(QStringLiteral("Etherscan"));
    options.chainId = chainId;
    options.timeoutMs = 6000;
    options.preCount = 10000;
    options.nodeType = QStringLiteral("ADRESSE ") + EvmChains::byId(chainId).symbol;
    options.relationLabel = relationLabel;
    options.relationType = relationType;
    options.nodeColor = QColor(QStringLiteral("#ffd27f"));
    // Keeps within Etherscan's free quota between addresses.
    options.delayMs = 12500;
    return options;
}

// A skip or an error costs the service nothing: the next node needs no long wait.
void shortPause(NodeRun &run)
{
    run.pauseMs = qMin(120, run.options.delayMs);
    run.pauseJitterMs = 3;
}

} // namespace

ComponentInfo ComponentEthToTx::info() const
{
    ComponentForm form = evmForm(QStringLiteral("Offset (pré-compte)"),
                                 QStringLiteral("Création / Liaison"));
    form.title = QStringLiteral("Transactions (EVM via Etherscan v2)");
    form.providerLabel = QStringLiteral("Provider TX");
    form.balanceRequestLabel = QStringLiteral("Provider Balance");
    form.preCountRequestLabel = QStringLiteral("Provider Pré-compte");
    form.information = QStringLiteral(
        "Sélectionnez la blockchain (multichain Etherscan v2) — le 'chainid' est ajouté "
        "automatiquement aux URLs.\nLes nœuds traités doivent contenir une adresse EVM (attribut "
        "'adresse' ou label 0x...).\nLe composant calcule le nombre total de transactions "
        "(pré-compte via offset large),\npuis vous laisse choisir combien afficher (du plus "
        "récent au plus ancien).\nLes nœuds de destination sont TOUJOURS créés et reliés.");
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
    ComponentOptions options =
        evmOptions(56, txPath, QStringLiteral("%AMOUNT %SYMBOL"), QStringLiteral("Txn BNB"));
    const QString base = AppConfig::endpoint(QStringLiteral("Etherscan"));
    options.balanceRequest = base + balancePath;
    options.preCountRequest = base + preCountPath;
    return options;
}

void ComponentEthToTx::process(NodeRun &run) const
{
    const Node &node = run.node;
    const ComponentOptions &options = run.options;
    const EvmChain chain = EvmChains::byId(options.chainId);
    bool fromLabel = false;
    const QString address = evmAddress(node, &fromLabel);
    if (address.isEmpty()) {
        run.host.log(QStringLiteral("[SKIP] Nœud %1 : attribut 'adresse' manquant et label non valide")
                         .arg(node.id));
        shortPause(run);
        return;
    }
    if (fromLabel)
        run.edit.addAttribute(node.id, QStringLiteral("adresse"), address);

    run.host.progress(run.index, run.total, info().progressPrefix, address);
    const QString tag = QStringLiteral("[BSC]");
    const EtherscanReply counted = etherscan(
        tag, fillChain(options.preCountRequest, options, address, options.preCount), options);
    if (counted.ok && !counted.result.isArray()) {
        run.host.log(QStringLiteral("[ERREUR] %1 — Compteur invalide").arg(address));
        shortPause(run);
        return;
    }
    if (!counted.ok) {
        run.host.log(QStringLiteral("[ERREUR] %1 — %2").arg(address, counted.error));
        shortPause(run);
        return;
    }
    const int total = int(counted.result.toArray().size());
    if (total == 0) {
        run.host.log(QStringLiteral("[INFO] %1 — aucune transaction récupérée").arg(address));
        shortPause(run);
        return;
    }
    const EtherscanReply balance =
        etherscan(tag, fillChain(options.balanceRequest, options, address, total), options);
    if (!balance.ok) {
        run.host.log(QStringLiteral("[ERREUR] %1 — balance: %2").arg(address, balance.error));
        shortPause(run);
        return;
    }
    const ConfirmAnswer answer = run.host.confirm(transactionsQuestion(address, total));
    if (!answer.accepted) {
        run.host.log(QStringLiteral("[SKIP] %1 — action annulée").arg(address));
        shortPause(run);
        return;
    }
    if (answer.first) {
        const QString wei = DecimalText::normalised(DecimalText::ofJson(balance.result));
        run.edit.setAttribute(node.id, QStringLiteral("balance_wei"), wei);
        run.edit.setAttribute(node.id, QStringLiteral("balance_") + chain.symbol,
                              DecimalText::fromSmallestUnit(wei, 18));
    }
    const int wanted = qBound(1, answer.number > 0 ? answer.number : total, total);
    const EtherscanReply listed =
        etherscan(tag, fillChain(options.provider, options, address, wanted), options);
    if (!listed.ok || !listed.result.isArray()) {
        run.host.log(QStringLiteral("[ERREUR] %1 — %2")
                         .arg(address, listed.ok ? QStringLiteral("Aucune donnée") : listed.error));
        shortPause(run);
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
        const QString other = addressNode(run.edit, node, options, counterpart);
        const QString hash = tx.value(QStringLiteral("hash")).toString().trimmed();
        const QString amount =
            DecimalText::fromSmallestUnit(DecimalText::ofJson(tx.value(QStringLiteral("value"))), 18);
        const QString fee = DecimalText::fromSmallestUnit(
            DecimalText::multiply(DecimalText::ofJson(tx.value(QStringLiteral("gasPrice"))),
                                  DecimalText::ofJson(tx.value(QStringLiteral("gasUsed")))),
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
            DecimalText::ofJson(tx.value(QStringLiteral("timeStamp"))).toLongLong(), Qt::UTC);
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

// ---- funding

namespace {

// The transaction that brought the address into being or its first money: a contract's
// creation names its creator, else the first transfer received from someone else.
QJsonObject fundingTransaction(const QJsonArray &transactions, const QString &address)
{
    for (const QJsonValue &item : transactions) {
        const QJsonObject tx = item.toObject();
        if (tx.value(QStringLiteral("contractAddress")).toString().trimmed().toLower() == address)
            return tx;
    }
    for (const QJsonValue &item : transactions) {
        const QJsonObject tx = item.toObject();
        const QString from = tx.value(QStringLiteral("from")).toString().trimmed().toLower();
        if (tx.value(QStringLiteral("to")).toString().trimmed().toLower() == address
            && !from.isEmpty() && from != address)
            return tx;
    }
    return QJsonObject();
}

} // namespace

ComponentInfo ComponentEthFundedBy::info() const
{
    ComponentForm form = evmForm(QStringLiteral("Offset (pré-compte, asc)"),
                                 QStringLiteral("Création / Relation"));
    form.title = QStringLiteral("Financement (EVM, multichain Etherscan v2)");
    form.providerLabel = QStringLiteral("Provider TX (asc)");
    form.information = QStringLiteral(
        "Sélectionnez la blockchain (Etherscan v2 multichain) : le 'chainid' est injecté "
        "automatiquement.\nLe composant identifie le financeur : première transaction entrante, "
        "ou créateur si contrat.\nVous pouvez régler la profondeur de remontée et la limite "
        "(offset asc).");
    form.depthLabel = QStringLiteral("Profondeur");
    return {QStringLiteral("eth-funded-by"),
            QStringLiteral("openComponentEthFundedBy"),
            QStringLiteral("Blockchain"),
            QStringLiteral("ADRESSE"),
            form,
            QStringLiteral("Financement EVM…"),
            QStringLiteral("Recherche du financeur"),
            QStringLiteral("Recherche de transactions terminée")};
}

ComponentOptions ComponentEthFundedBy::defaultOptions() const
{
    ComponentOptions options =
        evmOptions(1, fundingPath, QStringLiteral("financ"), QStringLiteral("FINANCEMENT ETH"));
    options.depth = 1;
    return options;
}

void ComponentEthFundedBy::process(NodeRun &run) const
{
    const Node &node = run.node;
    const ComponentOptions &options = run.options;
    const EvmChain chain = EvmChains::byId(options.chainId);
    bool fromLabel = false;
    const QString start = evmAddress(node, &fromLabel);
    if (start.isEmpty()) {
        run.host.log(QStringLiteral("[SKIP] Nœud %1 : attribut/label d’adresse manquant").arg(node.id));
        shortPause(run);
        return;
    }
    if (fromLabel)
        run.edit.addAttribute(node.id, QStringLiteral("adresse"), start);

    const int depth = qBound(1, options.depth, 10);
    QStringList visited{start};
    QString address = start;
    QString addressId = node.id;
    for (int step = 1; step <= depth; ++step) {
        if (step > 1) {
            if (run.host.isCancelled())
                return;
            ComponentUtils::sleepWithJitter(options.delayMs, pauseJitterMs());
        }
        run.host.progress(run.index, run.total, info().progressPrefix, address);
        const EtherscanReply listed =
            etherscan(QStringLiteral("[EVM/FUNDED]"),
                      fillChain(options.provider, options, address, qMax(1, options.preCount)),
                      options);
        if (!listed.ok || !listed.result.isArray()) {
            run.host.log(QStringLiteral("[ERREUR] %1 — txlist: %2")
                             .arg(address, listed.ok ? QStringLiteral("Réponse invalide")
                                                     : listed.error));
            if (step == 1)
                shortPause(run);
            return;
        }
        const QJsonObject tx = fundingTransaction(listed.result.toArray(), address);
        const QString funder = tx.value(QStringLiteral("from")).toString().trimmed().toLower();
        if (funder.isEmpty() || funder == address) {
            run.host.log(QStringLiteral("[INFO] %1 — aucun 'funded by' trouvé").arg(address));
            return;
        }
        const QString funderId = addressNode(run.edit, node, options, funder);
        if (funderId != addressId
            && !run.edit.hasEdge(funderId, addressId, options.relationLabel,
                                 EdgeDirection::Directed)) {
            Edge edge;
            edge.id = run.edit.graph().unusedEdgeId();
            edge.src = funderId;
            edge.dst = addressId;
            edge.label = options.relationLabel;
            edge.type = options.relationType;
            const QString seconds = DecimalText::ofJson(tx.value(QStringLiteral("timeStamp")));
            if (!seconds.isEmpty())
                edge.validity.start = QDateTime::fromSecsSinceEpoch(seconds.toLongLong(), Qt::UTC);
            const QList<QPair<QString, QString>> rows = {
                {QStringLiteral("tx_hash"), tx.value(QStringLiteral("hash")).toString().trimmed()},
                {QStringLiteral("amount_") + chain.symbol.toLower(),
                 DecimalText::fromSmallestUnit(DecimalText::ofJson(tx.value(QStringLiteral("value"))), 18)}};
            for (const auto &row : rows) {
                if (!row.second.isEmpty())
                    edge.attributes.append({ComponentUtils::newId(), row.first, row.second});
            }
            run.edit.insertEdge(edge);
        }
        run.host.log(QStringLiteral("[OK] %1 funded by %2").arg(address, funder));
        // A funding loop would only lead back to an address already drawn.
        if (visited.contains(funder))
            return;
        visited.append(funder);
        address = funder;
        addressId = funderId;
    }
}
