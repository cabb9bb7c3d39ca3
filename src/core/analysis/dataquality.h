#pragma once

#include <QJsonObject>
#include <QList>
#include <QString>

class Graph;

struct QualityRow
{
    QString check;
    QString result;
};

struct QualitySection
{
    QString title;
    QList<QualityRow> rows;
};

using QualityReport = QList<QualitySection>;

// The data-quality report of an investigation: summary, labels, impossible dates, pictures
// and media, relation integrity and attribute coverage. One pass over each table with hashing
// (duplicates are found by signature, never by comparing pairs); the only disk access is one
// existence check per distinct picture or media path.
namespace DataQuality {

QualityReport analyse(const Graph &graph);

// "value × 100 / total" with one decimal and "%"; "0.0%" when the total is zero.
QString percent(qint64 value, qint64 total);

// The section title on its own line, then one "  check : result" line per row (a row
// without result is written alone); the text "Copier" puts on the clipboard.
QString toText(const QualityReport &report);
// {"sections": [{"title": ..., "rows": [{"check": ..., "result": ...}]}]}
QJsonObject toJson(const QualityReport &report);

} // namespace DataQuality
