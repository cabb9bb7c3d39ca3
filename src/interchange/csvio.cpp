#include "interchange/csvio.h"

#include "model/graph.h"
#include "model/textforms.h"

#include <QFile>
#include <QMap>
#include <QSaveFile>
#include <QSet>

#include <algorithm>
#include <cmath>
#include <functional>

namespace CsvIo {

namespace {

const QLatin1String kAttrPrefix("attr:");
const QLatin1String kValueJoin(" | ");

// ---- writing ---------------------------------------------------------------------------

void appendField(QString &line, const QString &field)
{
    const bool needsQuotes = field.contains(QLatin1Char(',')) || field.contains(QLatin1Char('"'))
        || field.contains(QLatin1Char('\r')) || field.contains(QLatin1Char('\n'));
    if (!needsQuotes) {
        line += field;
        return;
    }
    line += QLatin1Char('"');
    QString escaped = field;
    escaped.replace(QLatin1Char('"'), QLatin1String("\"\""));
    line += escaped;
    line += QLatin1Char('"');
}

void appendRecord(QString &out, const QStringList &fields)
{
    for (qsizetype i = 0; i < fields.size(); ++i) {
        if (i > 0)
            out += QLatin1Char(',');
        appendField(out, fields[i]);
    }
    out += QLatin1Char('\n');
}

QString numberText(double value)
{
    return QString::number(value, 'g', 6);
}

QString dateText(const QDateTime &value)
{
    return value.isValid() ? value.date().toString(Qt::ISODate) : QString();
}

QString colorText(const QColor &color)
{
    return color.isValid() ? color.name(QColor::HexRgb) : QString();
}

QString directionWord(EdgeDirection direction)
{
    switch (direction) {
    case EdgeDirection::Directed: return QStringLiteral("directed");
    case EdgeDirection::DirectedInverse: return QStringLiteral("directedinverse");
    case EdgeDirection::Undirected: return QStringLiteral("undirected");
    case EdgeDirection::None: break;
    }
    return QStringLiteral("none");
}

template<typename Table>
QStringList attributeKeys(const Table &table)
{
    QSet<QString> keys;
    for (const auto &record : table) {
        for (const AttributeRow &row : record.attributes)
            keys.insert(row.key);
    }
    QStringList sorted(keys.cbegin(), keys.cend());
    sorted.sort();
    return sorted;
}

// The cells of the attribute columns of one record: every value of a key joined.
QStringList attributeCells(const QList<AttributeRow> &attributes, const QStringList &keys)
{
    QStringList cells;
    cells.reserve(keys.size());
    if (attributes.isEmpty()) {
        for (qsizetype i = 0; i < keys.size(); ++i)
            cells.append(QString());
        return cells;
    }
    QMap<QString, QStringList> values;
    for (const AttributeRow &row : attributes)
        values[row.key].append(row.value);
    for (const QString &key : keys)
        cells.append(values.value(key).join(kValueJoin));
    return cells;
}

bool writeFile(const QString &path, const QString &text, QString *error)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)
        || file.write(text.toUtf8()) < 0 || !file.commit()) {
        if (error)
            *error = QStringLiteral("Impossible d’écrire le fichier: ") + path;
        return false;
    }
    return true;
}

template<typename Table>
bool writeTable(const QString &path, const Table &table, const QStringList &fixedColumns,
                const std::function<QStringList(const typename Table::mapped_type &)> &fields,
                QString *error)
{
    const QStringList keys = attributeKeys(table);
    QStringList header = fixedColumns;
    for (const QString &key : keys)
        header.append(kAttrPrefix + key);
    QString out;
    out.reserve(qsizetype(table.size()) * 96);
    appendRecord(out, header);
    for (const auto &record : table)
        appendRecord(out, fields(record) + attributeCells(record.attributes, keys));
    return writeFile(path, out, error);
}

// ---- reading ---------------------------------------------------------------------------

// Splits CSV text into records. Quoted fields may hold the separator, doubled quotes and
// line breaks; "\r\n", "\n" and "\r" all end a record.
QList<QStringList> parseRecords(QStringView text, QChar separator)
{
    QList<QStringList> records;
    QStringList fields;
    QString field;
    bool quoted = false;
    qsizetype runStart = 0; // start of the pending run of plain characters
    const qsizetype size = text.size();
    auto flushRun = [&](qsizetype end) {
        if (end > runStart)
            field += text.mid(runStart, end - runStart);
    };
    for (qsizetype i = 0; i < size; ++i) {
        const QChar c = text[i];
        if (quoted) {
            if (c != QLatin1Char('"'))
                continue;
            flushRun(i);
            if (i + 1 < size && text[i + 1] == QLatin1Char('"')) {
                field += QLatin1Char('"');
                ++i;
            } else {
                quoted = false;
            }
            runStart = i + 1;
        } else if (c == QLatin1Char('"')) {
            flushRun(i);
            quoted = true;
            runStart = i + 1;
        } else if (c == separator) {
            flushRun(i);
            fields.append(field);
            field.clear();
            runStart = i + 1;
        } else if (c == QLatin1Char('\n') || c == QLatin1Char('\r')) {
            flushRun(i);
            if (c == QLatin1Char('\r') && i + 1 < size && text[i + 1] == QLatin1Char('\n'))
                ++i;
            fields.append(field);
            field.clear();
            records.append(fields);
            fields.clear();
            runStart = i + 1;
        }
    }
    flushRun(size);
    if (!field.isEmpty() || !fields.isEmpty()) {
        fields.append(field);
        records.append(fields);
    }
    return records;
}

bool isBlank(const QStringList &record)
{
    return std::all_of(record.cbegin(), record.cend(),
                       [](const QString &cell) { return cell.trimmed().isEmpty(); });
}

// Column positions of a header, looked up by name.
class Columns
{
public:
    explicit Columns(const QStringList &header)
    {
        for (qsizetype i = 0; i < header.size(); ++i) {
            const QString name = header[i].trimmed();
            if (!m_index.contains(name))
                m_index.insert(name, int(i));
            if (name.startsWith(kAttrPrefix))
                m_attributes.append({name.mid(kAttrPrefix.size()), int(i)});
        }
    }

    bool has(const char *name) const { return m_index.contains(QLatin1String(name)); }

    QString raw(const QStringList &record, const char *name) const
    {
        const int index = m_index.value(QLatin1String(name), -1);
        return index >= 0 && index < record.size() ? record[index] : QString();
    }

    QString cell(const QStringList &record, const char *name) const
    {
        return raw(record, name).trimmed();
    }

    // One row per non-blank attribute cell; the row id is given at the next save.
    QList<AttributeRow> attributes(const QStringList &record) const
    {
        QList<AttributeRow> rows;
        for (const auto &[key, index] : m_attributes) {
            if (index >= record.size())
                continue;
            const QString value = record[index].trimmed();
            if (!value.isEmpty())
                rows.append({QString(), key, value});
        }
        return rows;
    }

private:
    QHash<QString, int> m_index;
    QList<std::pair<QString, int>> m_attributes;
};

QDateTime parseDateCell(const QString &cell)
{
    if (cell.isEmpty())
        return QDateTime();
    const QDateTime dateTime = TextForms::parseDateTime(cell);
    if (dateTime.isValid())
        return dateTime;
    const QDate date = QDate::fromString(cell, Qt::ISODate);
    return date.isValid() ? date.startOfDay() : QDateTime();
}

// Files repeat the same few dates, and reading a local date-time asks the time-zone
// database each time: each distinct cell is read once per file.
class DateCells
{
public:
    QDateTime parse(const QString &cell)
    {
        if (cell.isEmpty())
            return QDateTime();
        auto it = m_seen.constFind(cell);
        if (it == m_seen.cend())
            it = m_seen.insert(cell, parseDateCell(cell));
        return *it;
    }

private:
    QHash<QString, QDateTime> m_seen;
};

// An unparsable colour keeps the given default.
QColor parseColorCell(const QString &cell, const QColor &fallback)
{
    if (cell.isEmpty())
        return fallback;
    const QColor color =
        TextForms::parseColor(cell.startsWith(QLatin1Char('#')) ? cell : QLatin1Char('#') + cell);
    return color.isValid() ? color : fallback;
}

EdgeDirection parseDirectionWord(const QString &cell)
{
    const QString word = cell.trimmed().toLower();
    if (word == u"directed")
        return EdgeDirection::Directed;
    if (word == u"undirected")
        return EdgeDirection::Undirected;
    if (word == u"directedinverse")
        return EdgeDirection::DirectedInverse;
    return EdgeDirection::None;
}

// Reads the header and the records of a file; false with the error text when it cannot.
bool readTable(const QString &path, const QString &openError, QStringList *header,
               QList<QStringList> *records, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = openError + path;
        return false;
    }
    QString text = QString::fromUtf8(file.readAll());
    if (text.startsWith(QChar(0xfeff))) // spreadsheets often start with a byte-order mark
        text.remove(0, 1);
    if (text.trimmed().isEmpty()) {
        if (error)
            *error = QStringLiteral("Fichier vide");
        return false;
    }
    const qsizetype headerEnd = text.indexOf(QLatin1Char('\n'));
    const QStringView headerLine = QStringView(text).left(headerEnd < 0 ? text.size() : headerEnd);
    const QChar separator =
        headerLine.contains(QLatin1Char(';')) ? QLatin1Char(';') : QLatin1Char(',');
    *records = parseRecords(text, separator);
    records->removeIf(isBlank);
    if (records->isEmpty()) {
        if (error)
            *error = QStringLiteral("Fichier vide");
        return false;
    }
    *header = records->takeFirst();
    return true;
}

// Gives a record its id: the trimmed "id" cell, or a new UUID not used in the table nor by
// an earlier row of the same file. False when the id is already taken.
template<typename Table>
bool claimId(const QString &cell, const Table &existing, const QSet<QString> &claimed,
             QString *id)
{
    if (cell.isEmpty()) {
        do {
            *id = TextForms::newId();
        } while (existing.contains(*id) || claimed.contains(*id));
        return true;
    }
    *id = cell;
    return !existing.contains(cell) && !claimed.contains(cell);
}

} // namespace

bool writeNodes(const QString &path, const Graph &graph, QString *error)
{
    static const QStringList columns = {
        QStringLiteral("id"),         QStringLiteral("label"),       QStringLiteral("type"),
        QStringLiteral("shape"),      QStringLiteral("color"),       QStringLiteral("size"),
        QStringLiteral("media_path"), QStringLiteral("valid_start"), QStringLiteral("valid_end"),
        QStringLiteral("description")};
    return writeTable<Graph::NodeTable>(
        path, graph.nodes(), columns,
        [](const Node &node) {
            return QStringList{node.id,
                               node.label,
                               node.type,
                               TextForms::shapeToText(node.shape),
                               colorText(node.color),
                               numberText(node.size),
                               node.mediaPath,
                               dateText(node.validity.start),
                               dateText(node.validity.end),
                               node.description};
        },
        error);
}

bool writeEdges(const QString &path, const Graph &graph, QString *error)
{
    static const QStringList columns = {
        QStringLiteral("id"),        QStringLiteral("src"),         QStringLiteral("dst"),
        QStringLiteral("label"),     QStringLiteral("direction"),   QStringLiteral("color"),
        QStringLiteral("width"),     QStringLiteral("valid_start"), QStringLiteral("valid_end"),
        QStringLiteral("description")};
    return writeTable<Graph::EdgeTable>(
        path, graph.edges(), columns,
        [](const Edge &edge) {
            return QStringList{edge.id,
                               edge.src,
                               edge.dst,
                               edge.label,
                               directionWord(edge.direction),
                               colorText(edge.color),
                               numberText(edge.width),
                               dateText(edge.validity.start),
                               dateText(edge.validity.end),
                               edge.description};
        },
        error);
}

bool readNodes(const QString &path, Graph &graph, QString *error, int *imported)
{
    QStringList header;
    QList<QStringList> records;
    if (!readTable(path, QStringLiteral("Impossible d'ouvrir nodes CSV: "), &header, &records,
                   error))
        return false;
    const Columns columns(header);
    DateCells dates;
    QList<Node> added;
    QSet<QString> claimed;
    for (const QStringList &record : std::as_const(records)) {
        Node node;
        if (!claimId(columns.cell(record, "id"), graph.nodes(), claimed, &node.id))
            continue;
        claimed.insert(node.id);
        node.label = columns.cell(record, "label");
        if (columns.has("type"))
            node.type = columns.cell(record, "type");
        node.shape = TextForms::parseShapeName(columns.cell(record, "shape"));
        node.color = parseColorCell(columns.cell(record, "color"), node.color);
        bool isNumber = false;
        const double size = columns.cell(record, "size").toDouble(&isNumber);
        if (isNumber && !std::isnan(size))
            node.size = std::clamp(size, 0.25, 5.0);
        node.mediaPath = columns.raw(record, "media_path");
        node.validity.start = dates.parse(columns.cell(record, "valid_start"));
        node.validity.end = dates.parse(columns.cell(record, "valid_end"));
        node.description = columns.cell(record, "description");
        node.attributes = columns.attributes(record);
        added.append(node);
    }
    for (const Node &node : std::as_const(added))
        graph.insertNode(node);
    if (imported)
        *imported = int(added.size());
    return true;
}

bool readEdges(const QString &path, Graph &graph, QString *error, int *imported)
{
    QStringList header;
    QList<QStringList> records;
    if (!readTable(path, QStringLiteral("Impossible d'ouvrir edges CSV: "), &header, &records,
                   error))
        return false;
    const Columns columns(header);
    DateCells dates;
    QList<Edge> added;
    QSet<QString> claimed;
    for (const QStringList &record : std::as_const(records)) {
        Edge edge;
        if (!claimId(columns.cell(record, "id"), graph.edges(), claimed, &edge.id))
            continue;
        claimed.insert(edge.id);
        edge.src = columns.cell(record, "src");
        edge.dst = columns.cell(record, "dst");
        edge.label = columns.cell(record, "label");
        if (columns.has("direction"))
            edge.direction = parseDirectionWord(columns.cell(record, "direction"));
        edge.color = parseColorCell(columns.cell(record, "color"), edge.color);
        bool isNumber = false;
        const double width = columns.cell(record, "width").toDouble(&isNumber);
        if (isNumber)
            edge.width = width;
        edge.validity.start = dates.parse(columns.cell(record, "valid_start"));
        edge.validity.end = dates.parse(columns.cell(record, "valid_end"));
        edge.description = columns.cell(record, "description");
        edge.attributes = columns.attributes(record);
        added.append(edge);
    }
    for (const Edge &edge : std::as_const(added))
        graph.insertEdge(edge);
    if (imported)
        *imported = int(added.size());
    return true;
}

} // namespace CsvIo
