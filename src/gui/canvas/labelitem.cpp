#include "canvas/labelitem.h"

#include <QApplication>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QPainter>
#include <QStyleOptionGraphicsItem>
#include <QTextLayout>

#include <array>
#include <memory>
#include <vector>

namespace {

// Advances of the characters of one font, measured once each. Summing them skips the text
// shaping that measuring a whole string costs, which dominates the making of a large scene.
// Kerning only narrows common Latin text, so the sum never falls short of what is drawn.
class AdvanceTable
{
public:
    explicit AdvanceTable(const QFont &font) : m_font(font), m_metrics(font)
    {
        m_advances.fill(-1.0);
    }

    const QFont &font() const { return m_font; }
    const QFontMetricsF &metrics() const { return m_metrics; }

    double width(const QString &line)
    {
        double width = 0.0;
        for (const QChar c : line) {
            const char16_t code = c.unicode();
            if (!tabulated(code))
                return m_metrics.horizontalAdvance(line);
            double &advance = m_advances[code];
            if (advance < 0.0)
                advance = m_metrics.horizontalAdvance(c);
            width += advance;
        }
        return width;
    }

    // One table per font in use; labels share a handful of fonts.
    static AdvanceTable &of(const QFont &font)
    {
        static std::vector<std::unique_ptr<AdvanceTable>> tables;
        for (const auto &table : tables) {
            if (table->font() == font)
                return *table;
        }
        if (tables.size() >= maximumFonts)
            tables.clear();
        tables.push_back(std::make_unique<AdvanceTable>(font));
        return *tables.back();
    }

private:
    // Printable Basic Latin, Latin-1 and Latin Extended-A and B: one glyph per character,
    // no combining marks, no right-to-left text.
    static constexpr char16_t tableSize = 0x250;
    static constexpr std::size_t maximumFonts = 16;

    static bool tabulated(char16_t code)
    {
        return code >= 0x20 && code < tableSize && !(code >= 0x7f && code < 0xa0) && code != 0xad;
    }

    QFont m_font;
    QFontMetricsF m_metrics;
    std::array<double, tableSize> m_advances;
};

} // namespace

LabelText::LabelText(const QFont &font) : m_font(font)
{
    measure();
}

QFont LabelText::standardFont()
{
    static bool made = false;
    static QFont application;
    static QFont standard;
    const QFont current = QGuiApplication::font();
    if (!made || !(current == application)) {
        made = true;
        application = current;
        standard = current;
        standard.setPointSizeF(10);
    }
    return standard;
}

QString LabelItem::fitted(const QString &text, const QFont &font, double maxWidth)
{
    if (!text.contains(QLatin1Char('\n')) && LabelText::lineWidth(text, font) <= maxWidth)
        return text;
    const QString flat = text.simplified();
    QTextLayout layout(flat, font);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    layout.beginLayout();
    QTextLine first = layout.createLine();
    if (first.isValid())
        first.setLineWidth(maxWidth);
    layout.endLayout();
    const int cut = first.isValid() ? first.textLength() : int(flat.size());
    const QString rest = flat.mid(cut).trimmed();
    const QString head = flat.left(cut).trimmed();
    if (rest.isEmpty())
        return head;
    const QFontMetricsF metrics(font);
    return head + QLatin1Char('\n') + metrics.elidedText(rest, Qt::ElideRight, maxWidth);
}

double LabelText::lineWidth(const QString &line, const QFont &font)
{
    return AdvanceTable::of(font).width(line);
}

void LabelText::setText(const QString &text)
{
    if (text == m_text)
        return;
    m_text = text;
    measure();
}

void LabelText::measure()
{
    AdvanceTable &table = AdvanceTable::of(m_font);
    double width = 0.0;
    int lines = 0;
    for (const QString &line : m_text.split(QLatin1Char('\n'))) {
        width = std::max(width, table.width(line));
        ++lines;
    }
    const QFontMetricsF &metrics = table.metrics();
    m_size = QSizeF(width, metrics.height() + (lines - 1) * metrics.lineSpacing());
}

void LabelText::paint(QPainter *painter, const QPointF &topLeft) const
{
    const double lod = QStyleOptionGraphicsItem::levelOfDetailFromTransform(painter->worldTransform());
    if (lod * m_font.pointSizeF() < minimumReadableHeight)
        return;
    // A veil of the canvas colour keeps the text readable where relations pass under it.
    QColor veil = QApplication::palette().color(QPalette::Base);
    veil.setAlpha(veilAlpha);
    const QRectF box(topLeft, m_size);
    painter->fillRect(box, veil);
    painter->setFont(m_font);
    painter->setPen(QPen(m_color, 0));
    // The box may be a little wider than the shaped text: the text is centred in it, and
    // each line of a wrapped label under its node.
    painter->drawText(box, Qt::AlignHCenter | Qt::AlignTop | Qt::TextDontClip, m_text);
}

void LabelItem::setText(const QString &text)
{
    if (text == m_label.text())
        return;
    prepareGeometryChange();
    m_label.setText(text);
}

void LabelItem::setDefaultTextColor(const QColor &color)
{
    if (color == m_label.color())
        return;
    m_label.setColor(color);
    update();
}

QRectF LabelItem::boundingRect() const
{
    return QRectF(QPointF(0, 0), m_label.size());
}

void LabelItem::paint(QPainter *painter, const QStyleOptionGraphicsItem *, QWidget *)
{
    m_label.paint(painter, QPointF(0, 0));
}
