#pragma once

#include <QByteArray>
#include <QJsonValue>
#include <QStringView>

// JSON text laid out byte for byte as QJsonDocument::toJson(QJsonDocument::Indented) lays it
// out, written as it goes instead of from a finished document. Building a QJsonObject costs
// an allocation per string; writing large bundles straight to text avoids most of that.
//
// Layout: every container opens on its own line, one member per line indented by four
// spaces per level, the closing bracket at the container's own level; an empty container
// still spans two lines.
class JsonText
{
public:
    QByteArray &bytes() { return m_bytes; }

    // A string in double quotes, escaped as Qt escapes it (lone surrogates as \uXXXX).
    void appendString(QStringView text);
    // "name": (the value follows).
    void appendKey(QStringView name);
    // Any value; containers are laid out for the given level.
    void appendValue(const QJsonValue &value, int level);
    void appendIndent(int level) { m_bytes.append(4 * level, ' '); }

    // A container of count members at the given level; member(i) appends the i-th member
    // (an object's member starts with appendKey) after its indentation.
    template<typename Member>
    void appendContainer(char open, char close, int level, qsizetype count, Member member)
    {
        m_bytes += open;
        m_bytes += '\n';
        for (qsizetype i = 0; i < count; ++i) {
            appendIndent(level + 1);
            member(i);
            m_bytes += i + 1 < count ? ",\n" : "\n";
        }
        appendIndent(level);
        m_bytes += close;
    }

private:
    QByteArray m_bytes;
};
