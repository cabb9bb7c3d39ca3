#include "interchange/csvio.h"

#include "model/graph.h"
#include "model/textforms.h"
#include "storage/filesafety.h"

#include <QFile>
#include <QSaveFile>
#include <QSet>
#include <QStringDecoder>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <optional>

namespace CsvIo {

namespace {

const QLatin1String kAttrPrefix("attr:");
const QLatin1String kValueJoin(" | ");

// CTI data is written by attackers, and a spreadsheet runs a cell that starts with one of
// =, +, -, @, tab or CR as a formula. Such a cell is exported behind one apostrophe, and the
// import removes exactly that apostrophe: cells that already start with apostrophes before
// such a character get one more, so every text comes back unchanged.
bool startsLikeFormula(QStringView text)
{
    qsizetype i = 0;
    while (i < text.size() && text[i] == u'\'')
        ++i;
    if (i == text.size())
        return false;
    const char16_t c = text[i].unicode();
    return c == u'=' || c == u'+' || c == u'-' || c == u'@' || c == u'\t' || c == u'\r';
}

QStringView withoutNeutraliser(QStringView cell)
{
    return cell.startsWith(u'\'') && startsLikeFormula(cell) ? cell.sliced(1) : cell;
}

// ---- writing ---------------------------------------------------------------------------

// The text of a file, built line by line in a buffer of its own and handed to the file in
// pieces, so that a large table never sits in memory twice (as text and as UTF-8). Pieces end
// at line ends, where no character is cut in two.
class LineWriter
{
public:
    explicit LineWriter(QIODevice &device) : m_device(device)
    {
        m_buffer.resize(kPieceSize + kPieceSize / 4);
        m_data = reinterpret_cast<char16_t *>(m_buffer.data());
    }

    // A field, in double quotes (doubled inside) when it holds the separator, a double quote
    // or a line break, behind an apostrophe when a spreadsheet would run it.
    void field(QStringView text)
    {
        if (startsLikeFormula(text)) {
            const QString neutralised = u'\'' + text.toString();
            plainField(neutralised);
            return;
        }
        plainField(text);
    }

    void plainField(QStringView text)
    {
        startField();
        const bool needsQuotes = std::any_of(text.cbegin(), text.cend(), [](QChar c) {
            return c == u',' || c == u'"' || c == u'\r' || c == u'\n';
        });
        if (!needsQuotes) {
            put(text);
            return;
        }
        char16_t *out = room(2 * text.size() + 2);
        *out++ = u'"';
        for (const QChar c : text) {
            *out++ = c.unicode();
            if (c == u'"')
                *out++ = u'"';
        }
        *out++ = u'"';
        m_size = out - m_data;
    }

    // The general floating-point form with 6 significant digits. Sizes and widths are
    // mostly the same from one record to the next: the last text is kept.
    void number(double value)
    {
        quint64 bits = 0;
        std::memcpy(&bits, &value, sizeof bits);
        if (m_numberText.isNull() || bits != m_numberBits) {
            m_numberBits = bits;
            m_numberText = QString::number(value, 'g', 6);
        }
        startField();
        put(m_numberText);
    }

    // The date part as yyyy-MM-dd, empty when absent; written by hand, as every record has
    // two of them.
    void date(const QDateTime &value)
    {
        startField();
        if (!value.isValid())
            return;
        const QDate day = value.date();
        int year = 0;
        int month = 0;
        int dayOfMonth = 0;
        day.getDate(&year, &month, &dayOfMonth);
        if (year < 1 || year > 9999) {
            put(day.toString(Qt::ISODate));
            return;
        }
        char16_t *out = room(10);
        putDigits(out, 4, year);
        out[4] = u'-';
        putDigits(out + 5, 2, month);
        out[7] = u'-';
        putDigits(out + 8, 2, dayOfMonth);
        m_size += 10;
    }

    // #rrggbb in lower case, empty when invalid.
    void color(const QColor &color)
    {
        startField();
        if (!color.isValid())
            return;
        static const char16_t digits[] = u"0123456789abcdef";
        const QRgb rgb = color.rgb();
        char16_t *out = room(7);
        out[0] = u'#';
        for (int i = 0; i < 6; ++i)
            out[1 + i] = digits[(rgb >> (20 - 4 * i)) & 0xf];
        m_size += 7;
    }

    void endRecord()
    {
        *room(1) = u'\n';
        ++m_size;
        m_fields = 0;
        if (m_size >= kPieceSize)
            flush();
    }

    // False when a piece could not be written.
    bool finish()
    {
        flush();
        return m_written;
    }

private:
    static constexpr qsizetype kPieceSize = 1 << 19;

    static void putDigits(char16_t *at, int count, int number)
    {
        for (int i = count - 1; i >= 0; --i) {
            at[i] = char16_t(u'0' + number % 10);
            number /= 10;
        }
    }

    // Where the next count characters go; the buffer grows for a record longer than it.
    char16_t *room(qsizetype count)
    {
        if (m_size + count > m_buffer.size()) {
            m_buffer.resize(std::max(2 * m_buffer.size(), m_size + count));
            m_data = reinterpret_cast<char16_t *>(m_buffer.data());
        }
        return m_data + m_size;
    }

    void put(QStringView text)
    {
        if (text.isEmpty())
            return; // a null view has no data pointer, which memcpy must not be given
        std::memcpy(room(text.size()), text.utf16(), size_t(text.size()) * sizeof(char16_t));
        m_size += text.size();
    }

    void startField()
    {
        if (m_fields++ > 0) {
            *room(1) = u',';
            ++m_size;
        }
    }

    void flush()
    {
        if (m_written && m_size > 0)
            m_written = m_device.write(QStringView(m_data, m_size).toUtf8()) >= 0;
        m_size = 0;
    }

    QIODevice &m_device;
    QString m_buffer;
    char16_t *m_data;
    qsizetype m_size = 0;
    int m_fields = 0;
    bool m_written = true;
    quint64 m_numberBits = 0;
    QString m_numberText;
};

// The "attr:" columns of a table: one per distinct key, in sorted order.
class AttributeColumns
{
public:
    template<typename Table>
    explicit AttributeColumns(const Table &table)
    {
        QSet<QString> keys;
        for (const auto &record : table) {
            for (const AttributeRow &row : record.attributes)
                keys.insert(row.key);
        }
        m_keys = QStringList(keys.cbegin(), keys.cend());
        m_keys.sort();
        for (qsizetype i = 0; i < m_keys.size(); ++i)
            m_column.insert(m_keys.at(i), int(i));
    }

    void writeHeader(LineWriter &out) const
    {
        for (const QString &key : m_keys)
            out.field(QString(kAttrPrefix + key));
    }

    // A record's cells: all its values of a key joined with " | ", empty when it has none.
    void writeCells(const QList<AttributeRow> &attributes, LineWriter &out)
    {
        m_order.clear(); // (column, row), rows of a column in record order
        for (qsizetype row = 0; row < attributes.size(); ++row)
            m_order.append({m_column.value(attributes.at(row).key), row});
        std::sort(m_order.begin(), m_order.end());
        qsizetype next = 0;
        for (int column = 0; column < int(m_keys.size()); ++column) {
            const qsizetype first = next;
            while (next < m_order.size() && m_order.at(next).first == column)
                ++next;
            if (next - first <= 1) {
                out.field(next == first ? QStringView()
                                        : QStringView(attributes.at(m_order.at(first).second).value));
                continue;
            }
            QString joined = attributes.at(m_order.at(first).second).value;
            for (qsizetype i = first + 1; i < next; ++i)
                joined += kValueJoin + attributes.at(m_order.at(i).second).value;
            out.field(joined);
        }
    }

private:
    QStringList m_keys;
    QHash<QString, int> m_column;
    QList<std::pair<int, qsizetype>> m_order;
};

template<typename Table, typename Fields>
bool writeTable(const QString &path, const Table &table, const char *const (&fixedColumns)[10],
                Fields fields, QString *error)
{
    if (!FileSafety::refuseLink(path, error))
        return false;
    QSaveFile file(path);
    bool written = file.open(QIODevice::WriteOnly | QIODevice::Truncate);
    if (written) {
        AttributeColumns attributes(table);
        LineWriter out(file);
        for (const char *column : fixedColumns)
            out.field(QString::fromLatin1(column));
        attributes.writeHeader(out);
        out.endRecord();
        for (const auto &record : table) {
            fields(record, out);
            attributes.writeCells(record.attributes, out);
            out.endRecord();
        }
        written = out.finish() && file.commit();
    }
    if (!written && error)
        *error = QStringLiteral("Impossible d’écrire le fichier: ") + path;
    return written;
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

// ---- reading ---------------------------------------------------------------------------

// Splits CSV text into records, one at a time. Quoted fields may hold the separator, doubled
// quotes and line breaks; "\r\n", "\n" and "\r" all end a record. Cells are views into the
// text, or into a copy when a field had to be put together from several pieces.
class RecordReader
{
public:
    RecordReader(QStringView text, QChar separator) : m_text(text), m_separator(separator) {}

    // The next record; false at the end of the text.
    bool next()
    {
        m_spans.clear();
        m_built.resize(0);
        const char16_t *const text = m_text.utf16();
        const qsizetype size = m_text.size();
        if (m_position >= size)
            return false;
        const char16_t separator = m_separator.unicode();
        qsizetype runStart = m_position;
        qsizetype i = m_position;
        while (i < size) {
            while (i < size && text[i] != separator && text[i] != u'"' && text[i] != u'\n'
                   && text[i] != u'\r')
                ++i;
            if (i == size)
                break;
            const char16_t c = text[i];
            if (c == u'"') {
                // A quoted run, up to its closing quote; two quotes stand for one.
                addRun(runStart, i);
                qsizetype from = i + 1;
                for (;;) {
                    const qsizetype quote = m_text.indexOf(u'"', from);
                    if (quote < 0) {
                        // The rest of the text would be swallowed into one field.
                        m_unbalancedQuote = i;
                        m_position = size;
                        return false;
                    }
                    addRun(from, quote);
                    if (quote + 1 < size && text[quote + 1] == u'"') {
                        addRun(quote, quote + 1);
                        from = quote + 2;
                        continue;
                    }
                    i = runStart = quote + 1;
                    break;
                }
                continue;
            }
            addRun(runStart, i);
            endField();
            if (c == separator) {
                runStart = ++i;
                continue;
            }
            m_position = c == u'\r' && i + 1 < size && text[i + 1] == u'\n' ? i + 2 : i + 1;
            makeCells();
            return true;
        }
        addRun(runStart, size);
        endField();
        m_position = size;
        makeCells();
        return true;
    }

    const QList<QStringView> &cells() const { return m_cells; }
    // Where a quote that is never closed opens, -1 when none was met.
    qsizetype unbalancedQuote() const { return m_unbalancedQuote; }

private:
    // Where a cell lies: in the text, or in the copies of the record being read.
    struct Span
    {
        qsizetype from = 0;
        qsizetype size = 0;
        bool built = false;
    };

    void addRun(qsizetype from, qsizetype to)
    {
        if (to <= from)
            return;
        if (m_runs == 0) {
            m_first = {from, to - from, false};
        } else {
            if (m_runs == 1) {
                m_fieldStart = m_built.size();
                m_built += m_text.sliced(m_first.from, m_first.size);
            }
            m_built += m_text.sliced(from, to - from);
        }
        ++m_runs;
    }

    void endField()
    {
        if (m_runs > 1)
            m_spans.append({m_fieldStart, m_built.size() - m_fieldStart, true});
        else
            m_spans.append(m_runs == 1 ? m_first : Span());
        m_runs = 0;
    }

    // Views are made once the record is complete, when the copies no longer move.
    void makeCells()
    {
        m_cells.resize(m_spans.size());
        for (qsizetype i = 0; i < m_spans.size(); ++i) {
            const Span &span = m_spans.at(i);
            m_cells[i] = (span.built ? QStringView(m_built) : m_text).sliced(span.from, span.size);
        }
    }

    const QStringView m_text;
    const QChar m_separator;
    qsizetype m_position = 0;
    qsizetype m_unbalancedQuote = -1;
    QList<Span> m_spans;
    QList<QStringView> m_cells;
    QString m_built; // fields put together from several pieces
    int m_runs = 0;  // pieces of the field being read
    Span m_first;
    qsizetype m_fieldStart = 0;
};

bool isBlank(const QList<QStringView> &record)
{
    return std::all_of(record.cbegin(), record.cend(),
                       [](QStringView cell) { return cell.trimmed().isEmpty(); });
}

// A file's records after its header, looked up by column name. Blank records are skipped.
class CsvTable
{
public:
    // Reads the file and its header; false with the error text when it cannot.
    bool open(const QString &path, const QString &openError, QString *error)
    {
        QFile file;
        QString fileError;
        if (!FileSafety::openRegularForReading(file, path, &fileError)) {
            if (error)
                *error = fileError.isEmpty() ? openError + path : fileError;
            return false;
        }
        const QByteArray bytes = file.readAll();
        QStringDecoder decoder(QStringDecoder::Utf8);
        m_text = decoder.decode(bytes);
        if (decoder.hasError()) {
            if (error)
                *error = QStringLiteral("UTF-8 invalide à la ligne %1").arg(invalidUtf8Line(bytes));
            return false;
        }
        QStringView text = m_text;
        if (text.startsWith(QChar(0xfeff))) // spreadsheets often start with a byte-order mark
            text = text.sliced(1);
        const qsizetype headerEnd = text.indexOf(u'\n');
        const QStringView headerLine = headerEnd < 0 ? text : text.first(headerEnd);
        m_body = text;
        m_reader.emplace(text, headerLine.contains(u';') ? u';' : u',');
        if (!nextRecord()) {
            if (readToEnd(error) && error)
                *error = QStringLiteral("Fichier vide");
            return false;
        }
        const QList<QStringView> &header = m_reader->cells();
        for (qsizetype i = 0; i < header.size(); ++i) {
            const QString name = withoutNeutraliser(header.at(i).trimmed()).toString();
            if (!m_index.contains(name))
                m_index.insert(name, int(i));
            if (name.startsWith(kAttrPrefix))
                m_attributes.append({name.mid(kAttrPrefix.size()), int(i)});
        }
        return true;
    }

    bool nextRecord()
    {
        while (m_reader->next()) {
            if (!isBlank(m_reader->cells()))
                return true;
        }
        return false;
    }

    // After the last record: false, with the line of the fault, when the file could not be
    // read to its end.
    bool readToEnd(QString *error) const
    {
        const qsizetype quote = m_reader->unbalancedQuote();
        if (quote < 0)
            return true;
        if (error)
            *error = QStringLiteral("Guillemet non fermé à la ligne %1")
                         .arg(m_body.first(quote).count(u'\n') + 1);
        return false;
    }

    // The position of a column, -1 when the file has none.
    int column(const char *name) const { return m_index.value(QLatin1String(name), -1); }

    QStringView raw(int column) const
    {
        const QList<QStringView> &record = m_reader->cells();
        return column >= 0 && column < record.size() ? withoutNeutraliser(record.at(column))
                                                     : QStringView();
    }

    QStringView cell(int column) const
    {
        const QList<QStringView> &record = m_reader->cells();
        return column >= 0 && column < record.size()
            ? withoutNeutraliser(record.at(column).trimmed())
            : QStringView();
    }
    QString text(int column) const { return cell(column).toString(); }

    // One row per non-blank attribute cell; the row id is given at the next save.
    QList<AttributeRow> attributes() const
    {
        QList<AttributeRow> rows;
        for (const auto &[key, column] : m_attributes) {
            const QStringView value = cell(column);
            if (value.isEmpty())
                continue;
            if (rows.isEmpty())
                rows.reserve(m_attributes.size());
            rows.append({QString(), key, value.toString()});
        }
        return rows;
    }

private:
    // The line (from 1) of the first byte sequence that is not UTF-8.
    static qsizetype invalidUtf8Line(const QByteArray &bytes)
    {
        const QList<QByteArray> lines = bytes.split('\n');
        for (qsizetype i = 0; i < lines.size(); ++i) {
            QStringDecoder decoder(QStringDecoder::Utf8);
            [[maybe_unused]] const QString text = decoder.decode(lines.at(i));
            if (decoder.hasError())
                return i + 1;
        }
        return lines.size();
    }

    QString m_text;
    QStringView m_body; // the text after any byte-order mark
    std::optional<RecordReader> m_reader;
    QHash<QString, int> m_index;
    QList<std::pair<QString, int>> m_attributes;
};

// Cells of a column often repeat from one record to the next: the last one read is
// remembered with what it gave.
template<typename Value>
class LastCell
{
public:
    template<typename Read>
    Value read(QStringView cell, Read readText)
    {
        if (!m_known || cell != m_cell) {
            m_cell = cell.toString();
            m_value = readText(m_cell);
            m_known = true;
        }
        return m_value;
    }

private:
    bool m_known = false;
    QString m_cell;
    Value m_value{};
};

// A date cell: an ISO 8601 date-time, else an ISO 8601 date at the start of that day (local
// time); anything else is absent. Reading a local date-time asks the time-zone database,
// so each distinct cell is read once per file.
class DateCells
{
public:
    QDateTime parse(QStringView cell)
    {
        if (cell.isEmpty())
            return QDateTime();
        return m_last.read(cell, [this](const QString &text) {
            auto it = m_seen.constFind(text);
            if (it == m_seen.cend())
                it = m_seen.insert(text, parseText(text));
            return *it;
        });
    }

private:
    static QDateTime parseText(const QString &text)
    {
        const QDateTime dateTime = TextForms::parseDateTime(text);
        if (dateTime.isValid())
            return dateTime;
        const QDate date = QDate::fromString(text, Qt::ISODate);
        return date.isValid() ? date.startOfDay() : QDateTime();
    }

    LastCell<QDateTime> m_last;
    QHash<QString, QDateTime> m_seen;
};

// An unparsable colour keeps the given default.
class ColorCells
{
public:
    QColor parse(QStringView cell, const QColor &fallback)
    {
        if (cell.isEmpty())
            return fallback;
        const QColor color = m_last.read(cell, [](const QString &text) {
            return TextForms::parseColor(text.startsWith(u'#') ? text : u'#' + text);
        });
        return color.isValid() ? color : fallback;
    }

private:
    LastCell<QColor> m_last;
};

// A number cell; nothing when it does not read as one.
std::optional<double> parseNumber(const QString &cell)
{
    bool isNumber = false;
    const double value = cell.toDouble(&isNumber);
    return isNumber ? std::optional<double>(value) : std::nullopt;
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

// Gives a record its id: the trimmed "id" cell, or a new UUID not used in the table. False
// when the id is already taken, by the table or by an earlier row of the same file, whose
// ids are kept in claimed until the rows are added.
template<typename Table>
bool claimId(QStringView cell, const Table &table, QSet<QString> &claimed, QString *id)
{
    if (cell.isEmpty()) {
        do {
            *id = TextForms::newId();
        } while (table.contains(*id) || claimed.contains(*id));
    } else {
        *id = cell.toString();
        if (table.contains(*id) || claimed.contains(*id))
            return false;
    }
    claimed.insert(*id);
    return true;
}

} // namespace

bool writeNodes(const QString &path, const Graph &graph, QString *error)
{
    static const char *const columns[10] = {"id",         "label",       "type",      "shape",
                                            "color",      "size",        "media_path",
                                            "valid_start", "valid_end", "description"};
    return writeTable(
        path, graph.nodes(), columns,
        [](const Node &node, LineWriter &out) {
            out.field(node.id);
            out.field(node.label);
            out.field(node.type);
            out.field(TextForms::shapeToText(node.shape));
            out.color(node.color);
            out.number(node.size);
            out.field(node.mediaPath);
            out.date(node.validity.start);
            out.date(node.validity.end);
            out.field(node.description);
        },
        error);
}

bool writeEdges(const QString &path, const Graph &graph, QString *error)
{
    static const char *const columns[10] = {"id",        "src",         "dst",       "label",
                                            "direction", "color",       "width",
                                            "valid_start", "valid_end", "description"};
    return writeTable(
        path, graph.edges(), columns,
        [](const Edge &edge, LineWriter &out) {
            out.field(edge.id);
            out.field(edge.src);
            out.field(edge.dst);
            out.field(edge.label);
            out.field(directionWord(edge.direction));
            out.color(edge.color);
            out.number(edge.width);
            out.date(edge.validity.start);
            out.date(edge.validity.end);
            out.field(edge.description);
        },
        error);
}

bool readNodes(const QString &path, Graph &graph, QString *error, int *imported)
{
    CsvTable table;
    if (!table.open(path, QStringLiteral("Impossible d'ouvrir nodes CSV: "), error))
        return false;
    const int id = table.column("id");
    const int label = table.column("label");
    const int type = table.column("type");
    const int shape = table.column("shape");
    const int color = table.column("color");
    const int size = table.column("size");
    const int mediaPath = table.column("media_path");
    const int validStart = table.column("valid_start");
    const int validEnd = table.column("valid_end");
    const int description = table.column("description");
    LastCell<NodeShape> shapes;
    ColorCells colors;
    LastCell<std::optional<double>> sizes;
    DateCells dates;
    // Rows are added only once the whole file was read: a fault changes nothing.
    QList<Node> added;
    QSet<QString> claimed;
    while (table.nextRecord()) {
        Node node;
        if (!claimId(table.cell(id), graph.nodes(), claimed, &node.id))
            continue;
        node.label = table.text(label);
        if (type >= 0)
            node.type = table.text(type);
        node.shape = shapes.read(table.cell(shape), TextForms::parseShapeName);
        node.color = colors.parse(table.cell(color), node.color);
        const std::optional<double> sizeValue = sizes.read(table.cell(size), parseNumber);
        if (sizeValue && !std::isnan(*sizeValue))
            node.size = std::clamp(*sizeValue, 0.25, 5.0);
        node.mediaPath = table.raw(mediaPath).toString();
        node.validity.start = dates.parse(table.cell(validStart));
        node.validity.end = dates.parse(table.cell(validEnd));
        node.description = table.text(description);
        node.attributes = table.attributes();
        added.append(node);
    }
    if (!table.readToEnd(error))
        return false;
    for (const Node &node : std::as_const(added))
        graph.insertNode(node);
    if (imported)
        *imported = int(added.size());
    return true;
}

bool readEdges(const QString &path, Graph &graph, QString *error, int *imported)
{
    CsvTable table;
    if (!table.open(path, QStringLiteral("Impossible d'ouvrir edges CSV: "), error))
        return false;
    const int id = table.column("id");
    const int src = table.column("src");
    const int dst = table.column("dst");
    const int label = table.column("label");
    const int direction = table.column("direction");
    const int color = table.column("color");
    const int width = table.column("width");
    const int validStart = table.column("valid_start");
    const int validEnd = table.column("valid_end");
    const int description = table.column("description");
    LastCell<EdgeDirection> directions;
    ColorCells colors;
    LastCell<std::optional<double>> widths;
    DateCells dates;
    QList<Edge> added;
    QSet<QString> claimed;
    while (table.nextRecord()) {
        Edge edge;
        if (!claimId(table.cell(id), graph.edges(), claimed, &edge.id))
            continue;
        edge.src = table.text(src);
        edge.dst = table.text(dst);
        edge.label = table.text(label);
        if (direction >= 0)
            edge.direction = directions.read(table.cell(direction), parseDirectionWord);
        edge.color = colors.parse(table.cell(color), edge.color);
        if (const std::optional<double> widthValue = widths.read(table.cell(width), parseNumber))
            edge.width = *widthValue;
        edge.validity.start = dates.parse(table.cell(validStart));
        edge.validity.end = dates.parse(table.cell(validEnd));
        edge.description = table.text(description);
        edge.attributes = table.attributes();
        added.append(edge);
    }
    if (!table.readToEnd(error))
        return false;
    for (const Edge &edge : std::as_const(added))
        graph.insertEdge(edge);
    if (imported)
        *imported = int(added.size());
    return true;
}

} // namespace CsvIo
