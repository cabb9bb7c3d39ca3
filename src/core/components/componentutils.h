#pragma once

#include "model/node.h"

#include <QJsonObject>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

// Helpers shared by the enrichment components.
namespace ComponentUtils {

// Waits baseMs plus a whole number drawn in [-jitterMs, +jitterMs] (never below 0) while
// events keep flowing; returns at once when baseMs < 1.
void sleepWithJitter(int baseMs, int jitterMs);
// Processes pending events for at most ms milliseconds.
void processEventsFor(int ms);

// A new UUID without braces.
QString newId();

// An "asn" value as shown: "as13335" → "AS13335", "13335" → "AS13335"; letters only stay.
QString normaliseAsn(const QString &value);
// The AS digits of a normalised value ("AS 13335" → "13335"); empty when there are none.
QString asnDigits(const QString &asn);
// The trimmed value of the first row with this key (trimmed, any case) and a non-empty
// value.
QString firstAttribute(const QList<AttributeRow> &rows, const QString &key);

// Whether the text is a whole IPv4 (four dotted numbers) or IPv6 address.
bool isIpAddress(const QString &text);

// The texts without duplicates, first occurrence first.
QStringList withoutDuplicates(const QStringList &values);

// The template with every "%1" replaced by value.
QString fillTemplate(const QString &urlTemplate, const QString &value);

struct FetchResult
{
    bool ok = false;
    bool timedOut = false;
    int networkError = 0;
    int httpStatus = 0;
    QString reason;
    QByteArray body;
    QString error; // "Réseau: %1" with the error code
    // "HTTP <status> <reason>": what the service said, without the address asked (which may
    // carry a key).
    QString httpText() const;
};

// One GET waited for in a local event loop bounded by timeoutMs; a reply still running then
// is aborted. Requests go through the system proxy settings.
FetchResult fetch(const QString &url, int timeoutMs,
                  const QList<QPair<QByteArray, QByteArray>> &headers = {});
// The same with a POST of body.
FetchResult post(const QString &url, const QByteArray &body, int timeoutMs,
                 const QList<QPair<QByteArray, QByteArray>> &headers = {});

// The address with the values of key-like query items ("apikey", "key", "api_key", "token")
// replaced by "***", for debug lines.
QString redactedUrl(const QString &url);

// As fetch, then the body as a JSON object: "Réponse invalide" when it is not one.
struct JsonFetch
{
    bool ok = false;
    bool timedOut = false;
    QJsonObject object;
    QString error;
};
JsonFetch fetchJsonObject(const QString &url, int timeoutMs,
                          const QList<QPair<QByteArray, QByteArray>> &headers = {});

} // namespace ComponentUtils
