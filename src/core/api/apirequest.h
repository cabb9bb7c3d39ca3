#pragma once

#include <QByteArray>
#include <QString>
#include <QUrlQuery>

// One HTTP request as the routes see it, independent of the HTTP layer that received it.
struct ApiRequest
{
    QByteArray method; // "GET", "POST", ...
    QString path;
    QUrlQuery query;
    QByteArray authorization; // the raw "Authorization" header, empty when absent
    QByteArray body;

    // The query parameter decoded, trimmed or taken as sent.
    QString param(const QString &name) const
    {
        return query.queryItemValue(name, QUrl::FullyDecoded).trimmed();
    }
    QString rawParam(const QString &name) const
    {
        return query.queryItemValue(name, QUrl::FullyDecoded);
    }
};
