#include "ops/listpaging.h"

#include <algorithm>

namespace ListPaging {

int pageCount(int total, int perPage)
{
    perPage = std::max(1, perPage);
    return std::max(1, (std::max(0, total) + perPage - 1) / perPage);
}

int clampPage(int page, int total, int perPage)
{
    return std::clamp(page, 0, pageCount(total, perPage) - 1);
}

int firstRow(int page, int perPage)
{
    return std::max(0, page) * std::max(1, perPage);
}

int rowsOnPage(int page, int total, int perPage)
{
    return std::clamp(total - firstRow(page, perPage), 0, std::max(1, perPage));
}

QString label(int page, int total, int perPage, const QString &noun)
{
    return QStringLiteral("Page %1 / %2 — %3 %4")
        .arg(page + 1)
        .arg(pageCount(total, perPage))
        .arg(total)
        .arg(noun);
}

} // namespace ListPaging
