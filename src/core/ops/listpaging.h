#pragma once

#include <QString>

// Page arithmetic shared by the list and attribute tables.
namespace ListPaging {

// Number of pages for total rows, at least 1 so that an empty list still shows page 1.
int pageCount(int total, int perPage);
// The page index (0-based) kept within the pages that exist.
int clampPage(int page, int total, int perPage);
// Index of the first row of a page, and the number of rows shown on it.
int firstRow(int page, int perPage);
int rowsOnPage(int page, int total, int perPage);
// "Page %1 / %2 — %3 <noun>" with the 1-based page, the page count and the total.
QString label(int page, int total, int perPage, const QString &noun);

} // namespace ListPaging
