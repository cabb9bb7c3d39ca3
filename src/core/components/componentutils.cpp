#include "components/componentutils.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QHostAddress>
#include <QJsonDocument>
#include <QNetworkAccessManager>
#include <QNetworkProxyFactory>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTimer>
#include <QUuid>

namespace ComponentUtils {

void sleepWithJitter(int baseMs, int jitterMs)
{
    if (baseMs < 1)
        return;
    int ms = baseMs;
    if (jitterMs > 0)
        ms += QRandomGenerator::global()->bounded(-jitterMs, jitterMs + 1);
    ms = qMax(0, ms);
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

void processEventsFor(int ms)
{
    QCoreApplication::processEvents(QEventLoop::AllEvents, ms);
}

QString newId()
{
    return QUuid::createUuid().toString(QUuid::WithoutBraces);
}

QString normaliseAsn(const QString &value)
{
    static const QRegularExpression digits(QStringLiteral("(\\d+)"));
    const QString trimmed = value.trimmed();
    if (trimmed.startsWith(QLatin1String("AS"), Qt::CaseInsensitive))
        return QStringLiteral("AS") + trimmed.mid(2);
    const QRegularExpressionMatch match = digits.match(trimmed);
    return match.hasMatch() ? QStringLiteral("AS") + match.captured(1) : trimmed;
}

QString asnDigits(const QString &asn)
{
    static const QRegularExpression whole(QStringLiteral("^\\s*AS\\s*(\\d+)\\s*$"),
                                          QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression digits(QStringLiteral("(\\d+)"));
    QRegularExpressionMatch match = whole.match(asn);
    if (match.hasMatch())
        return match.captured(1);
    match = digits.match(asn);
    return match.hasMatch() ? match.captured(1) : QString();
}

QString firstAttribute(const QList<AttributeRow> &rows, const QString &key)
{
    for (const AttributeRow &row : rows) {
        if (row.key.trimmed().compare(key, Qt::CaseInsensitive) == 0
            && !row.value.trimmed().isEmpty())
            return row.value.trimmed();
    }
    return QString();
}

bool isIpAddress(const QString &text)
{
    const QHostAddress address(text);
    if (address.isNull())
        return false;
    // The address parser also takes shorthands such as "10.1" for 10.0.0.1.
    return text.contains(QLatin1Char(':')) || text.count(QLatin1Char('.')) == 3;
}

QStringList withoutDuplicates(const QStringList &values)
{
    QStringList result;
    for (const QString &value : values) {
        if (!result.contains(value))
            result.append(value);
    }
    return result;
}

QString fillTemplate(const QString &urlTemplate, const QString &value)
{
    QString url = urlTemplate;
    return url.replace(QLatin1String("%1"), value);
}

QString FetchResult::httpText() const
{
    return reason.isEmpty() ? QStringLiteral("HTTP %1").arg(httpStatus)
                            : QStringLiteral("HTTP %1 %2").arg(httpStatus).arg(reason);
}

namespace {

FetchResult send(const QByteArray &method, const QString &url, const QByteArray &body,
                 int timeoutMs, const QList<QPair<QByteArray, QByteArray>> &headers)
{
    static const bool systemProxy = [] {
        QNetworkProxyFactory::setUseSystemConfiguration(true);
        return true;
    }();
    Q_UNUSED(systemProxy)

    QNetworkAccessManager manager;
    // Paths such as "/prefix/10.0.0.0/8" must reach the service as written.
    QNetworkRequest request(QUrl(url, QUrl::TolerantMode));
    for (const auto &header : headers)
        request.setRawHeader(header.first, header.second);
    QNetworkReply *reply = method == "POST" ? manager.post(request, body) : manager.get(request);
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    timer.start(timeoutMs);
    loop.exec();

    FetchResult result;
    if (reply->isRunning()) {
        result.timedOut = true;
        reply->abort();
    } else {
        result.body = reply->readAll();
    }
    result.networkError = int(reply->error());
    result.httpStatus = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    result.reason = QString::fromUtf8(
        reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toByteArray());
    if (result.networkError != QNetworkReply::NoError)
        result.error = QStringLiteral("Réseau: %1").arg(result.networkError);
    result.ok = result.error.isEmpty();
    return result;
}

} // namespace

FetchResult fetch(const QString &url, int timeoutMs,
                  const QList<QPair<QByteArray, QByteArray>> &headers)
{
    return send("GET", url, QByteArray(), timeoutMs, headers);
}

FetchResult post(const QString &url, const QByteArray &body, int timeoutMs,
                 const QList<QPair<QByteArray, QByteArray>> &headers)
{
    return send("POST", url, body, timeoutMs, headers);
}

QString redactedUrl(const QString &url)
{
    static const QRegularExpression secret(
        QStringLiteral("([?&](?:apikey|api_key|key|token)=)[^&#]*"),
        QRegularExpression::CaseInsensitiveOption);
    QString text = url;
    return text.replace(secret, QStringLiteral("\\1***"));
}

JsonFetch fetchJsonObject(const QString &url, int timeoutMs,
                          const QList<QPair<QByteArray, QByteArray>> &headers)
{
    const FetchResult reply = fetch(url, timeoutMs, headers);
    JsonFetch result;
    result.timedOut = reply.timedOut;
    if (!reply.ok) {
        result.error = reply.error;
        return result;
    }
    const QJsonDocument document = QJsonDocument::fromJson(reply.body);
    if (!document.isObject()) {
        result.error = QStringLiteral("Réponse invalide");
        return result;
    }
    result.object = document.object();
    result.ok = true;
    return result;
}

} // namespace ComponentUtils
