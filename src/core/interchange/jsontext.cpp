#include "interchange/jsontext.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QVariant>

#include <algorithm>
#include <cmath>

namespace {

char hexDigit(unsigned value)
{
    return char(value < 10 ? '0' + value : 'a' + value - 10);
}

} // namespace

void JsonText::appendString(QStringView text)
{
    // Room for the worst case (six bytes per unit, "\u001f"), given back at the end.
    const qsizetype start = m_bytes.size();
    const qsizetype worst = start + 6 * text.size() + 2;
    if (m_bytes.capacity() < worst)
        m_bytes.reserve(std::max(worst, 2 * m_bytes.capacity()));
    m_bytes.resize(worst);
    char *out = m_bytes.data() + start;
    *out++ = '"';
    const char16_t *unit = text.utf16();
    const char16_t *const end = unit + text.size();
    while (unit != end) {
        const char16_t u = *unit++;
        if (u >= 0x20 && u < 0x80 && u != u'"' && u != u'\\') {
            *out++ = char(u);
        } else if (u < 0x80) {
            *out++ = '\\';
            switch (u) {
            case u'"': *out++ = '"'; break;
            case u'\\': *out++ = '\\'; break;
            case u'\b': *out++ = 'b'; break;
            case u'\f': *out++ = 'f'; break;
            case u'\n': *out++ = 'n'; break;
            case u'\r': *out++ = 'r'; break;
            case u'\t': *out++ = 't'; break;
            default:
                *out++ = 'u';
                *out++ = '0';
                *out++ = '0';
                *out++ = hexDigit(u >> 4);
                *out++ = hexDigit(u & 0xf);
            }
        } else if (u < 0x800) {
            *out++ = char(0xc0 | (u >> 6));
            *out++ = char(0x80 | (u & 0x3f));
        } else if (!QChar::isSurrogate(u)) {
            *out++ = char(0xe0 | (u >> 12));
            *out++ = char(0x80 | ((u >> 6) & 0x3f));
            *out++ = char(0x80 | (u & 0x3f));
        } else if (QChar::isHighSurrogate(u) && unit != end && QChar::isLowSurrogate(*unit)) {
            const char32_t c = QChar::surrogateToUcs4(u, *unit++);
            *out++ = char(0xf0 | (c >> 18));
            *out++ = char(0x80 | ((c >> 12) & 0x3f));
            *out++ = char(0x80 | ((c >> 6) & 0x3f));
            *out++ = char(0x80 | (c & 0x3f));
        } else {
            *out++ = '\\';
            *out++ = 'u';
            *out++ = hexDigit(u >> 12);
            *out++ = hexDigit((u >> 8) & 0xf);
            *out++ = hexDigit((u >> 4) & 0xf);
            *out++ = hexDigit(u & 0xf);
        }
    }
    *out++ = '"';
    m_bytes.resize(out - m_bytes.constData());
}

void JsonText::appendKey(QStringView name)
{
    appendString(name);
    m_bytes += ": ";
}

void JsonText::appendValue(const QJsonValue &value, int level)
{
    switch (value.type()) {
    case QJsonValue::Bool:
        m_bytes += value.toBool() ? "true" : "false";
        break;
    case QJsonValue::Double:
        // A number is held either as an integer or as a double, and each is written in its
        // own way; the variant tells which.
        if (value.toVariant().typeId() == QMetaType::LongLong)
            m_bytes += QByteArray::number(value.toInteger());
        else if (std::isfinite(value.toDouble()))
            m_bytes += QByteArray::number(value.toDouble(), 'g', QLocale::FloatingPointShortest);
        else
            m_bytes += "null";
        break;
    case QJsonValue::String:
        appendString(value.toString());
        break;
    case QJsonValue::Array: {
        const QJsonArray array = value.toArray();
        appendContainer('[', ']', level, array.size(),
                        [&](qsizetype i) { appendValue(array.at(i), level + 1); });
        break;
    }
    case QJsonValue::Object: {
        const QJsonObject object = value.toObject();
        appendContainer('{', '}', level, object.size(), [&](qsizetype i) {
            const auto member = object.constBegin() + i;
            appendKey(member.key());
            appendValue(member.value(), level + 1);
        });
        break;
    }
    case QJsonValue::Null:
    case QJsonValue::Undefined:
        m_bytes += "null";
        break;
    }
}
