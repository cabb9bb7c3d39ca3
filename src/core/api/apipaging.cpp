#include "api/apipaging.h"

#include <algorithm>
#include <limits>

ApiPaging ApiPaging::fromParameters(const QString &limit, const QString &offset)
{
    ApiPaging paging;
    bool ok = false;
    const qlonglong requestedLimit = limit.toLongLong(&ok);
    if (ok)
        paging.limit = int(std::clamp<qlonglong>(requestedLimit, 1, kMaxLimit));
    const qlonglong requestedOffset = offset.toLongLong(&ok);
    if (ok && requestedOffset > 0)
        paging.offset = qMin<qlonglong>(requestedOffset, std::numeric_limits<int>::max());
    return paging;
}

void ApiPaging::describe(QJsonObject &answer, qint64 total) const
{
    const qint64 count = end(total) - first(total);
    answer.insert(QStringLiteral("total"), total);
    answer.insert(QStringLiteral("limit"), limit);
    answer.insert(QStringLiteral("maxLimit"), kMaxLimit);
    answer.insert(QStringLiteral("offset"), offset);
    answer.insert(QStringLiteral("count"), count);
    answer.insert(QStringLiteral("has_more"), offset + count < total);
}
