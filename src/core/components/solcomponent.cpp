#include "components/solcomponent.h"

#include "components/chaincomponents.h"
#include "components/componentutils.h"
#include "config/appconfig.h"

#include <QDateTime>
#include <QDebug>
#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QUrl>

namespace SolscanParsing {

QJsonObject parseReply(const QByteArray &body, bool *ok)
{
    const QJsonDocument document = QJsonDocument::fromJson(DecimalText::quoteLongIntegers(body));
    *ok = document.isObject();
    return document.object();
}

QList<BalanceChange> balanceChanges(const QJsonObject &detail)
{
    QList<BalanceChange> changes;
    for (const QJsonValue &item : detail.value(QStringLiteral("sol_bal_change")).toArray()) {
        const QJsonObject change = item.toObject();
        const QString address = change.value(QStringLiteral("address")).toString().trimmed();
        if (!address.isEmpty())
            changes.append({address, DecimalText::ofJson(change.value(QStringLiteral("pre_balance"))),
                            DecimalText::ofJson(change.value(QStringLiteral("post_balance")))});
    }
    return changes;
}

bool isProgramAccount(const QString &address)
{
    return address == u"11111111111111111111111111111111"
        || address == u"TokenkegQfeZyiNwAJbNbGKPFXCWuBvf9Ss623VQ5DA";
}

Transfer transferOf(const QList<BalanceChange> &changes, const QString &address)
{
    QString mine;
    for (const BalanceChange &change : changes) {
        if (change.address == address)
            mine = DecimalText::subtract(change.post, change.pre);
    }
    Transfer transfer;
    if (mine.isEmpty() || mine == u"0")
        return transfer;
    transfer.outgoing = mine.startsWith(QLatin1Char('-'));
    for (const BalanceChange &change : changes) {
        if (change.address == address || isProgramAccount(change.address))
            continue;
        const QString delta = DecimalText::subtract(change.post, change.pre);
        const bool gained = !delta.startsWith(QLatin1Char('-')) && delta != u"0";
        const bool lost = delta.startsWith(QLatin1Char('-'));
        if (transfer.outgoing ? !gained : !lost)
            continue;
        const QString size = lost ? delta.mid(1) : delta;
        if (transfer.counterpart.isEmpty() || DecimalText::compare(size, transfer.lamports) > 0) {
            transfer.counterpart = change.address;
            transfer.lamports = size;
        }
    }
    // The payer's loss includes the fee; the amount is what actually changed hands.
    const QString own = mine.startsWith(QLatin1Char('-')) ? mine.mid(1) : mine;
    if (!transfer.counterpart.isEmpty() && DecimalText::compare(own, transfer.lamports) < 0)
        transfer.lamports = own;
    return transfer;
}

QString nodeAddress(const Node &node)
{
    static const QRegularExpression base58(QStringLiteral("^[1-9A-HJ-NP-Za-km-z]{32,48}$"));
    QString address;
    for (const char *key : {"adresse", "address", "pubkey"}) {
        address = ComponentUtils::firstAttribute(node.attributes, QLatin1String(key));
        if (!address.isEmpty())
            break;
    }
    if (address.isEmpty())
        address = node.label.trimmed();
    return base58.match(address).hasMatch() ? address : QString();
}

} // namespace SolscanParsing

namespace {

constexpr int solDecimals = 9; // lamports in a SOL

struct SolscanReply
{
    bool ok = false;
    QString error;
    QJsonObject object;
};

// One call to Solscan: the key in its own header, never in the address; failures carry the
// service's own message when it gave one.
SolscanReply solscan(const QString &url, const ComponentOptions &options)
{
    qDebug().noquote() << QStringLiteral("[SOLSCAN] GET %1").arg(ComponentUtils::redactedUrl(url));
    QList<QPair<QByteArray, QByteArray>> headers = {
        {QByteArrayLiteral("User-Agent"), QByteArrayLiteral("VirerUvi/1.0")},
        {QByteArrayLiteral("Accept"), QByteArrayLiteral("application/json")}};
    if (!options.apiKey.isEmpty())
        headers.append({QByteArrayLiteral("x-api-key"), options.apiKey.toUtf8()});
    const ComponentUtils::FetchResult reply =
        ComponentUtils::fetch(url, options.timeoutMs, headers);
    bool json = false;
    const QJsonObject object = SolscanParsing::parseReply(reply.body, &json);
    if (!reply.ok) {
        const QString message = object.value(QStringLiteral("errors"))
                                    .toObject()
                                    .value(QStringLiteral("message"))
                                    .toString()
                                    .trimmed();
        return {false,
                QStringLiteral("Réseau: %1 — %2")
                    .arg(reply.networkError)
                    .arg(message.isEmpty() ? reply.httpText() : message),
                {}};
    }
    if (!json)
        return {false, QStringLiteral("Réponse non JSON"), {}};
    return {true, QString(), object};
}

QString serviceMessage(const QJsonObject &reply)
{
    const QString message = reply.value(QStringLiteral("errors"))
                                .toObject()
                                .value(QStringLiteral("message"))
                                .toString()
                                .trimmed();
    return message.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(message);
}

QString percent(const QString &text)
{
    return QString::fromUtf8(QUrl::toPercentEncoding(text));
}

// Between calls to the service. A run told to wait nothing between nodes (a local mirror)
// waits nothing between calls either.
void pauseBetweenCalls(const ComponentOptions &options, int baseMs, int jitterMs)
{
    if (options.delayMs > 0)
        ComponentUtils::sleepWithJitter(baseMs, jitterMs);
}

void shortPause(NodeRun &run)
{
    run.pauseMs = qMin(120, run.options.delayMs);
    run.pauseJitterMs = 25;
}

QString signatureOf(const QJsonObject &item)
{
    for (const char *key : {"tx_hash", "signature", "txHash"}) {
        const QString value = item.value(QLatin1String(key)).toString().trimmed();
        if (!value.isEmpty())
            return value;
    }
    return QString();
}

} // namespace

bool ComponentSolToTx::accepts(const Node &node) const
{
    const QString type = node.type.trimmed().toUpper();
    return type == u"ADRESSE SOLANA" || type == u"ADRESSE SOL"
        || type == u"ADRESSE SOLANA (SOLSCAN)";
}

ComponentInfo ComponentSolToTx::info() const
{
    ComponentForm form;
    form.title = QStringLiteral("Transactions (Solana via Solscan)");
    form.information = QStringLiteral(
        "Interroge l'API Solscan (v2.0 : /account/transactions, /transaction/detail, "
        "/account/detail).\nUne clé API (en-tête x-api-key) est facultative mais donne de "
        "meilleurs quotas.\nLes nœuds traités doivent être de type 'ADRESSE SOLANA' ou une "
        "variante ('ADRESSE SOL', 'ADRESSE SOLANA (SOLSCAN)') et contenir l'adresse (attribut "
        "'adresse' ou label).\nLes nœuds de destination sont TOUJOURS créés et reliés.");
    form.providerLabel = QStringLiteral("Base URL");
    form.providerPlaceholder = QStringLiteral("URL de base de l'API Solscan");
    form.providerTemplate = false;
    form.apiKeyLabel = QStringLiteral("API key (x-api-key)");
    form.apiKeyPlaceholder = QStringLiteral("facultative");
    form.timeoutMin = 200;
    form.timeoutMax = 60000;
    form.preCountLabel = QStringLiteral("Pré-compte max (tx)");
    form.preCountMax = 2000;
    form.batchLabel = QStringLiteral("Batch getTransaction");
    form.destinationGroup = QStringLiteral("Création / Liaison");
    form.relationTypeLabel = QStringLiteral("Type de relation");
    form.colourButtonText = QStringLiteral("Couleur du nœud DEST");
    return {QStringLiteral("sol-to-tx"),
            QStringLiteral("openComponentSolToTx"),
            QStringLiteral("Blockchain"),
            QStringLiteral("ADRESSE SOLANA"),
            form,
            QStringLiteral("Transactions Solana…"),
            QStringLiteral("Interrogation Solscan"),
            QStringLiteral("Recherche de transactions terminée")};
}

ComponentOptions ComponentSolToTx::defaultOptions() const
{
    ComponentOptions options;
    options.provider = AppConfig::endpoint(QStringLiteral("Solscan")) + QStringLiteral("/v2.0");
    options.apiKey = AppConfig::apiKey(QStringLiteral("Solscan"));
    options.timeoutMs = 8000;
    options.preCount = 500;
    options.batch = 10;
    options.nodeType = QStringLiteral("ADRESSE SOLANA (SOLSCAN)");
    options.relationLabel = QStringLiteral("%AMOUNT_SOL • %SIG_SHORT");
    options.relationType = QStringLiteral("Txn SOLSCAN");
    options.nodeColor = QColor(QStringLiteral("#a0d7ff"));
    options.delayMs = 900;
    return options;
}

void ComponentSolToTx::process(NodeRun &run) const
{
    const Node &node = run.node;
    const ComponentOptions &options = run.options;
    const QString address = SolscanParsing::nodeAddress(node);
    if (address.isEmpty()) {
        run.host.log(QStringLiteral("[SKIP] %1 : attribut 'adresse' manquant").arg(node.id));
        shortPause(run);
        return;
    }
    QString base = options.provider;
    while (base.endsWith(QLatin1Char('/')))
        base.chop(1);
    const auto fail = [&](const QString &error) {
        run.host.log(QStringLiteral("[ERREUR] %1 — %2").arg(address, error));
        shortPause(run);
    };

    run.host.progress(run.index, run.total, info().progressPrefix, address);
    const SolscanReply listed =
        solscan(base + QStringLiteral("/account/transactions?address=%1&limit=%2")
                           .arg(percent(address))
                           .arg(qMax(1, options.preCount)),
                options);
    if (!listed.ok)
        return fail(listed.error);
    const QJsonValue data = listed.object.value(QStringLiteral("data"));
    if (listed.object.value(QStringLiteral("success")) == QJsonValue(false) || !data.isArray())
        return fail(QStringLiteral("Format txlist inattendu%1").arg(serviceMessage(listed.object)));
    QList<QJsonObject> transactions;
    for (const QJsonValue &item : data.toArray()) {
        if (!signatureOf(item.toObject()).isEmpty())
            transactions.append(item.toObject());
    }
    if (transactions.isEmpty()) {
        run.host.log(QStringLiteral("[INFO] %1 — aucune transaction récupérée").arg(address));
        shortPause(run);
        return;
    }

    pauseBetweenCalls(options, 120, 25);
    const SolscanReply account =
        solscan(base + QStringLiteral("/account/detail?address=%1").arg(percent(address)), options);
    const QString lamports = account.ok
        ? DecimalText::ofJson(account.object.value(QStringLiteral("data")).toObject().value(
            QStringLiteral("lamports")))
        : QString();
    if (!account.ok || lamports.isEmpty()) {
        run.host.log(QStringLiteral("[ERREUR] %1 — balance: %2")
                         .arg(address, account.ok ? QStringLiteral("Format balance inattendu")
                                                  : account.error));
        shortPause(run);
        return;
    }

    const int total = int(transactions.size());
    const ConfirmAnswer answer = run.host.confirm(transactionsQuestion(address, total));
    if (!answer.accepted) {
        run.host.log(QStringLiteral("[SKIP] %1 — action annulée").arg(address));
        shortPause(run);
        return;
    }
    if (answer.first) {
        const QString exact = DecimalText::normalised(lamports);
        run.edit.setAttribute(node.id, QStringLiteral("balance_lamports"), exact);
        run.edit.setAttribute(node.id, QStringLiteral("balance_sol"),
                              DecimalText::fromSmallestUnit(exact, solDecimals));
    }

    const int wanted = qBound(1, answer.number > 0 ? answer.number : total, total);
    const int batch = qMax(1, options.batch);
    int drawn = 0;
    for (int i = 0; i < wanted; ++i) {
        if (run.host.isCancelled())
            break;
        pauseBetweenCalls(options, i > 0 && i % batch == 0 ? 900 : 350,
                          i > 0 && i % batch == 0 ? 150 : 80);
        const QString signature = signatureOf(transactions.at(i));
        const SolscanReply detailed = solscan(
            base + QStringLiteral("/transaction/detail?tx=%1").arg(percent(signature)), options);
        const QJsonObject detail = detailed.object.value(QStringLiteral("data")).toObject();
        if (!detailed.ok || !detail.value(QStringLiteral("sol_bal_change")).isArray()) {
            run.host.log(QStringLiteral("[ERREUR] %1 — %2")
                             .arg(shortHash(signature),
                                  detailed.ok ? QStringLiteral("Détail transaction inattendu")
                                              : detailed.error));
            continue;
        }
        const SolscanParsing::Transfer transfer =
            SolscanParsing::transferOf(SolscanParsing::balanceChanges(detail), address);
        if (transfer.counterpart.isEmpty())
            continue;
        QString other;
        for (const Node &candidate : run.edit.graph().nodes()) {
            const bool addressType = accepts(candidate)
                || candidate.type.trimmed().compare(options.nodeType, Qt::CaseInsensitive) == 0;
            if (addressType && SolscanParsing::nodeAddress(candidate) == transfer.counterpart) {
                other = candidate.id;
                break;
            }
        }
        if (other.isEmpty())
            other = run.edit.createNode(node, options, transfer.counterpart,
                                        {{QStringLiteral("adresse"), transfer.counterpart}});
        const QString src = transfer.outgoing ? node.id : other;
        const QString dst = transfer.outgoing ? other : node.id;
        bool known = false;
        for (const Edge &edge : run.edit.graph().edges()) {
            if (edge.src == src && edge.dst == dst) {
                for (const AttributeRow &row : edge.attributes)
                    known = known || (row.key == u"signature" && row.value == signature);
            }
        }
        if (known)
            continue;
        const QString amount =
            DecimalText::fromSmallestUnit(transfer.lamports, solDecimals);
        const QString fee = DecimalText::fromSmallestUnit(
            DecimalText::ofJson(detail.value(QStringLiteral("fee"))), solDecimals);
        QString seconds = DecimalText::ofJson(detail.value(QStringLiteral("block_time")));
        if (seconds.isEmpty())
            seconds = DecimalText::ofJson(transactions.at(i).value(QStringLiteral("block_time")));
        QString label = options.relationLabel;
        label.replace(QLatin1String("%AMOUNT_SOL"), amount)
            .replace(QLatin1String("%FEE_SOL"), fee)
            .replace(QLatin1String("%SIG_SHORT"), shortHash(signature));
        Edge edge;
        edge.id = run.edit.graph().unusedEdgeId();
        edge.src = src;
        edge.dst = dst;
        edge.label = label;
        edge.type = options.relationType;
        QList<QPair<QString, QString>> rows = {{QStringLiteral("signature"), signature},
                                               {QStringLiteral("amount_sol"), amount},
                                               {QStringLiteral("fee_sol"), fee}};
        if (!seconds.isEmpty()) {
            edge.validity.start = QDateTime::fromSecsSinceEpoch(seconds.toLongLong(), Qt::UTC);
            rows.append({QStringLiteral("block_time"), edge.validity.start.toString(Qt::ISODate)});
        }
        for (const auto &row : std::as_const(rows))
            edge.attributes.append({ComponentUtils::newId(), row.first, row.second});
        run.edit.insertEdge(edge);
        ++drawn;
    }
    run.host.log(QStringLiteral("[OK] %1 → %2 relation(s) créées").arg(address).arg(drawn));
}
