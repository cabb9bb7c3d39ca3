#include "components/breachcomponent.h"

#include "components/chaincomponents.h"
#include "components/componentutils.h"
#include "config/appconfig.h"
#include "storage/filesafety.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSaveFile>
#include <QStandardPaths>
#include <QUrl>

namespace BreachParsing {

namespace {

QString flag(const QJsonObject &object, const QString &key)
{
    const QJsonValue value = object.value(key);
    if (!value.isBool())
        return QString();
    return value.toBool() ? QStringLiteral("true") : QStringLiteral("false");
}

} // namespace

QList<Breach> parseBreaches(const QByteArray &body, bool *ok)
{
    QList<Breach> breaches;
    *ok = true;
    if (body.trimmed().isEmpty())
        return breaches;
    const QJsonDocument document = QJsonDocument::fromJson(DecimalText::quoteLongIntegers(body));
    if (!document.isArray()) {
        *ok = false;
        return breaches;
    }
    for (const QJsonValue &item : document.array()) {
        const QJsonObject object = item.toObject();
        const auto text = [&object](const char *key) {
            return object.value(QLatin1String(key)).toString().trimmed();
        };
        Breach breach;
        breach.name = text("Name");
        breach.title = text("Title");
        if (breach.title.isEmpty())
            breach.title = breach.name;
        if (breach.title.isEmpty())
            breach.title = QStringLiteral("Unknown breach");
        breach.description = text("Description");
        breach.breachDate = text("BreachDate");
        breach.domain = text("Domain");
        breach.pwnCount = DecimalText::ofJson(object.value(QStringLiteral("PwnCount")));
        breach.addedDate = text("AddedDate");
        breach.modifiedDate = text("ModifiedDate");
        breach.logoUrl = text("LogoPath");
        for (const QJsonValue &dataClass : object.value(QStringLiteral("DataClasses")).toArray()) {
            if (!dataClass.toString().trimmed().isEmpty())
                breach.dataClasses.append(dataClass.toString().trimmed());
        }
        breach.isVerified = flag(object, QStringLiteral("IsVerified"));
        breach.isSensitive = flag(object, QStringLiteral("IsSensitive"));
        breach.isRetired = flag(object, QStringLiteral("IsRetired"));
        breach.isSpamList = flag(object, QStringLiteral("IsSpamList"));
        breaches.append(breach);
    }
    return breaches;
}

QStringList emailAddresses(const Node &node)
{
    static const QRegularExpression email(QStringLiteral("\\b[A-Z0-9._%+\\-]+@[A-Z0-9.\\-]+\\.[A-Z]{2,}\\b"),
                                          QRegularExpression::CaseInsensitiveOption);
    QStringList addresses;
    for (const AttributeRow &row : node.attributes) {
        if (row.key.trimmed().toLower() != u"email")
            continue;
        QRegularExpressionMatchIterator matches = email.globalMatch(row.value);
        while (matches.hasNext()) {
            const QString address = matches.next().captured(0);
            if (!addresses.contains(address))
                addresses.append(address);
        }
    }
    return addresses;
}

QString logoFileName(const QString &breachName)
{
    static const QString forbidden = QStringLiteral("/\\:*?\"<>|");
    QString name;
    for (const QChar c : breachName) {
        const bool control = c.unicode() < 0x20 || c.unicode() == 0x7f || c.category() == QChar::Other_Format
            || c.category() == QChar::Separator_Line || c.category() == QChar::Separator_Paragraph;
        name.append(control || forbidden.contains(c) ? QLatin1Char('_') : c);
    }
    while (name.contains(QLatin1String("..")))
        name.replace(QLatin1String(".."), QLatin1String("_"));
    // Windows drops trailing dots and blanks; a leading dot would hide the file.
    while (!name.isEmpty() && (name.front() == u'.' || name.front().isSpace()))
        name.remove(0, 1);
    while (!name.isEmpty() && (name.back() == u'.' || name.back().isSpace()))
        name.chop(1);
    static const QRegularExpression device(QStringLiteral("^(CON|PRN|AUX|NUL|COM[0-9]|LPT[0-9])(\\..*)?$"),
                                           QRegularExpression::CaseInsensitiveOption);
    if (device.match(name).hasMatch())
        name.prepend(QLatin1Char('_'));
    name.truncate(80);
    if (name.isEmpty())
        name = QStringLiteral("breach");
    // Two names made equal by the cleaning must not share one logo.
    if (name != breachName) {
        const QByteArray digest =
            QCryptographicHash::hash(breachName.toUtf8(), QCryptographicHash::Sha256).toHex();
        name += QLatin1Char('-') + QString::fromLatin1(digest.left(8));
    }
    return name + QStringLiteral(".png");
}

QString logoFolder()
{
    return QDir(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation))
        .filePath(QStringLiteral("hibp_logos"));
}

} // namespace BreachParsing

namespace {

using BreachParsing::Breach;

// The service refuses requests without one.
const QString defaultUserAgent = QStringLiteral("Orvane-HIBP/1.0 (+Qt)");

// The breach's logo as a PNG file in the logo folder, fetched the first time only; empty
// when there is none or it could not be had. Nothing is written outside that folder.
QString savedLogo(const Breach &breach, int timeoutMs)
{
    const QUrl url(breach.logoUrl);
    if (!url.isValid() || (url.scheme() != u"http" && url.scheme() != u"https"))
        return QString();
    const QString folder = BreachParsing::logoFolder();
    const QString path = QDir(folder).filePath(
        BreachParsing::logoFileName(breach.name.isEmpty() ? breach.title : breach.name));
    if (!FileSafety::resolvesInside(path, folder) || !FileSafety::refuseLink(path, nullptr))
        return QString();
    if (QFileInfo(path).isFile())
        return path;
    const ComponentUtils::FetchResult reply = ComponentUtils::fetch(breach.logoUrl, timeoutMs);
    const QImage image = reply.ok ? QImage::fromData(reply.body) : QImage();
    if (image.isNull() || !QDir().mkpath(folder))
        return QString();
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || !image.save(&file, "PNG") || !file.commit())
        return QString();
    return path;
}

QList<QPair<QString, QString>> flagRows(const Breach &breach)
{
    return {{QStringLiteral("IsVerified"), breach.isVerified},
            {QStringLiteral("IsSensitive"), breach.isSensitive},
            {QStringLiteral("IsRetired"), breach.isRetired},
            {QStringLiteral("IsSpamList"), breach.isSpamList}};
}

QString leakNode(NodeRun &run, const Breach &breach)
{
    const QString found = run.edit.findNode(QStringLiteral("LEAK"), breach.title);
    if (!found.isEmpty())
        return found;
    const QString dataClasses = breach.dataClasses.join(QStringLiteral(", "));
    QList<QPair<QString, QString>> rows = {{QStringLiteral("BreachDate"), breach.breachDate},
                                           {QStringLiteral("Domain"), breach.domain},
                                           {QStringLiteral("PwnCount"), breach.pwnCount}};
    rows += flagRows(breach);
    rows += {{QStringLiteral("AddedDate"), breach.addedDate},
             {QStringLiteral("ModifiedDate"), breach.modifiedDate},
             {QStringLiteral("LogoPathUrl"), breach.logoUrl},
             {QStringLiteral("DataClasses"), dataClasses}};
    Node node;
    node.id = run.edit.graph().unusedNodeId();
    node.label = breach.title;
    node.type = QStringLiteral("LEAK");
    node.color = run.options.nodeColor;
    node.size = run.node.size;
    node.description = breach.description;
    const QDate date = QDate::fromString(breach.breachDate, QStringLiteral("yyyy-MM-dd"));
    if (date.isValid())
        node.validity.start = QDateTime(date, QTime(0, 0), Qt::UTC);
    for (const auto &row : std::as_const(rows)) {
        if (!row.second.isEmpty())
            node.attributes.append({ComponentUtils::newId(), row.first, row.second});
    }
    node.mediaPath = savedLogo(breach, run.options.timeoutMs);
    run.edit.insertNode(node);
    return node.id;
}

void joinLeak(NodeRun &run, const QString &leak, const QString &address, const Breach &breach)
{
    if (run.edit.hasEdge(run.node.id, leak, address, EdgeDirection::Directed))
        return;
    QList<QPair<QString, QString>> rows = {
        {QStringLiteral("account"), address},
        {QStringLiteral("BreachName"), breach.name},
        {QStringLiteral("BreachDate"), breach.breachDate},
        {QStringLiteral("AddedDate"), breach.addedDate},
        {QStringLiteral("ModifiedDate"), breach.modifiedDate},
        {QStringLiteral("DataClasses"), breach.dataClasses.join(QStringLiteral(", "))}};
    rows += flagRows(breach);
    Edge edge;
    edge.id = run.edit.graph().unusedEdgeId();
    edge.src = run.node.id;
    edge.dst = leak;
    edge.label = address;
    edge.type = QStringLiteral("LEAK");
    for (const auto &row : std::as_const(rows)) {
        if (!row.second.isEmpty())
            edge.attributes.append({ComponentUtils::newId(), row.first, row.second});
    }
    run.edit.insertEdge(edge);
}

} // namespace

ComponentInfo ComponentEmailBreaches::info() const
{
    ComponentForm form;
    form.title = QStringLiteral("Have I Been Pwned — Options");
    form.information = QStringLiteral(
        "Interroge l’API v3 de Have I Been Pwned pour chaque attribut 'email' des nœuds "
        "sélectionnés.\nUn nœud de type LEAK est créé par breach, et une relation LEAK (label = "
        "email) relie le nœud source au leak.");
    form.hasProvider = false;
    form.hasTimeout = false;
    form.apiKeyLabel = QStringLiteral("Clé API HIBP (obligatoire)");
    form.apiKeyPlaceholder = QStringLiteral("API key HaveIBeenPwned");
    form.missingKeyWarning = QStringLiteral("Merci de renseigner votre clé HaveIBeenPwned.");
    form.breachOptions = true;
    form.colourButtonText = QStringLiteral("Couleur des nœuds LEAK");
    return {QStringLiteral("email-breaches-hibp"),
            QStringLiteral("openComponentEmailBreachesHIBP"),
            QStringLiteral("Fuites et rançongiciels"),
            QStringLiteral("EMAIL"),
            form,
            QStringLiteral("Have I Been Pwned"),
            QStringLiteral("Interrogation HIBP"),
            QStringLiteral("Recherche de transactions terminée")};
}

ComponentOptions ComponentEmailBreaches::defaultOptions() const
{
    ComponentOptions options;
    options.provider = AppConfig::endpoint(QStringLiteral("HaveIBeenPwned"))
        + QStringLiteral("/api/v3/breachedaccount/%1");
    options.apiKey = AppConfig::apiKey(QStringLiteral("HaveIBeenPwned"));
    options.timeoutMs = 20000;
    options.userAgent = defaultUserAgent;
    options.nodeColor = QColor(QStringLiteral("#f28b82"));
    options.delayMs = 1600;
    return options;
}

void ComponentEmailBreaches::process(NodeRun &run) const
{
    const QStringList addresses = BreachParsing::emailAddresses(run.node);
    if (addresses.isEmpty()) {
        run.host.log(QStringLiteral("[SKIP] Aucun email sur le nœud %1").arg(run.node.id));
        run.pauseMs = 0;
        return;
    }
    const ComponentOptions &options = run.options;
    const QList<QPair<QByteArray, QByteArray>> headers = {
        {QByteArrayLiteral("hibp-api-key"), options.apiKey.toUtf8()},
        {QByteArrayLiteral("User-Agent"),
         (options.userAgent.isEmpty() ? defaultUserAgent : options.userAgent).toUtf8()},
        {QByteArrayLiteral("Content-Type"), QByteArrayLiteral("application/json")}};
    for (int i = 0; i < addresses.size(); ++i) {
        const QString &address = addresses.at(i);
        if (i > 0) {
            if (run.host.isCancelled())
                return;
            ComponentUtils::sleepWithJitter(options.delayMs, pauseJitterMs());
        }
        run.host.progress(run.index, run.total, info().progressPrefix, address);
        QString url = ComponentUtils::fillTemplate(
            options.provider, QString::fromUtf8(QUrl::toPercentEncoding(address)));
        url += url.contains(QLatin1Char('?')) ? QLatin1Char('&') : QLatin1Char('?');
        url += QStringLiteral("truncateResponse=")
            + (options.truncate ? QStringLiteral("true") : QStringLiteral("false"));
        if (options.includeUnverified)
            url += QStringLiteral("&includeUnverified=true");
        const ComponentUtils::FetchResult reply =
            ComponentUtils::fetch(url, options.timeoutMs, headers);
        // The service answers an address it holds no breach for with 404 and no body.
        if (reply.httpStatus == 404) {
            run.host.log(QStringLiteral("[WARN] %1 → aucune breach connue (HTTP 404)").arg(address));
            continue;
        }
        if (!reply.ok) {
            const QString detail = reply.httpStatus > 0
                ? QStringLiteral("%1 (%2)").arg(reply.error, reply.httpText())
                : reply.error;
            run.host.log(QStringLiteral("[ERREUR] %1 — %2").arg(address, detail));
            continue;
        }
        bool ok = false;
        QList<Breach> breaches = BreachParsing::parseBreaches(reply.body, &ok);
        if (!ok) {
            run.host.log(QStringLiteral("[ERREUR] %1 — Réponse invalide").arg(address));
            continue;
        }
        // The service lists unverified breaches unless told otherwise: without the option
        // they stay out.
        if (!options.includeUnverified) {
            breaches.removeIf([](const Breach &breach) { return breach.isVerified == u"false"; });
        }
        for (const Breach &breach : std::as_const(breaches))
            joinLeak(run, leakNode(run, breach), address, breach);
        run.host.log(breaches.isEmpty()
                         ? QStringLiteral("[OK] %1 → 0 breach").arg(address)
                         : QStringLiteral("[OK] %1 → %2 breach(s)").arg(address).arg(breaches.size()));
    }
}
