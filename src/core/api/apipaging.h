#pragma once

#include <QJsonObject>
#include <QString>

// The page of a listing: "limit" (default 100, clamped to 1..500) and "offset" (0 when
// absent, unparsable or negative; at most 2147483647).
struct ApiPaging
{
    static constexpr int kMaxLimit = 500;

    int limit = 100;
    qint64 offset = 0;

    static ApiPaging fromParameters(const QString &limit, const QString &offset);

    // [first, end) of a list of total items.
    qint64 first(qint64 total) const { return qMin(offset, total); }
    qint64 end(qint64 total) const { return qMin(offset + limit, total); }

    // Adds "total", "limit", "maxLimit", "offset", "count" and "has_more".
    void describe(QJsonObject &answer, qint64 total) const;
};
