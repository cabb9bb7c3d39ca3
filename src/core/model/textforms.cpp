#include "model/textforms.h"

#include <QRandomGenerator>
#include <QUuid>

namespace TextForms {

NodeShape parseShapeName(const QString &text)
{
    const QString word = text.trimmed().toLower();
    if (word == u"square" || word == u"carre" || word == u"carré")
        return NodeShape::Square;
    if (word == u"triangle")
        return NodeShape::Triangle;
    if (word == u"pentagon" || word == u"pentagone")
        return NodeShape::Pentagon;
    if (word == u"hexagon" || word == u"hexagone")
        return NodeShape::Hexagon;
    if (word == u"octagon" || word == u"octogone")
        return NodeShape::Octagon;
    return NodeShape::Circle;
}

QString shapeToText(NodeShape shape)
{
    switch (shape) {
    case NodeShape::Square: return QStringLiteral("carré");
    case NodeShape::Triangle: return QStringLiteral("triangle");
    case NodeShape::Pentagon: return QStringLiteral("pentagone");
    case NodeShape::Hexagon: return QStringLiteral("hexagone");
    case NodeShape::Octagon: return QStringLiteral("octogone");
    case NodeShape::Circle: break;
    }
    return QStringLiteral("cercle");
}

EdgeDirection parseDirection(const QString &text)
{
    if (text == u"directed")
        return EdgeDirection::Directed;
    if (text == u"directed_inv")
        return EdgeDirection::DirectedInverse;
    if (text == u"undirected")
        return EdgeDirection::Undirected;
    return EdgeDirection::None;
}

QString directionToText(EdgeDirection direction)
{
    switch (direction) {
    case EdgeDirection::Directed: return QStringLiteral("directed");
    case EdgeDirection::DirectedInverse: return QStringLiteral("directed_inv");
    case EdgeDirection::Undirected: return QStringLiteral("undirected");
    case EdgeDirection::None: break;
    }
    return QStringLiteral("none");
}

bool isResourcePath(const QString &path)
{
    return path.startsWith(u"qrc:/") || path.startsWith(u":/");
}

QString newId()
{
    // A version 4 UUID from the process-wide generator: saves and imports draw one per
    // attribute row, and asking the system for each would dominate their time.
    quint32 w[4];
    QRandomGenerator::global()->fillRange(w);
    const QUuid uuid(w[0], ushort(w[1]), ushort(((w[1] >> 16) & 0x0fff) | 0x4000),
                     uchar((w[2] & 0x3f) | 0x80), uchar(w[2] >> 8), uchar(w[2] >> 16),
                     uchar(w[2] >> 24), uchar(w[3]), uchar(w[3] >> 8), uchar(w[3] >> 16),
                     uchar(w[3] >> 24));
    return uuid.toString(QUuid::WithoutBraces);
}

QString dateTimeToText(const QDateTime &value)
{
    if (!value.isValid())
        return QString();
    // Milliseconds only when there are some: whole seconds keep their usual form.
    return value.toString(value.time().msec() ? Qt::ISODateWithMs : Qt::ISODate);
}

QDateTime parseDateTime(const QString &text)
{
    if (text.isEmpty())
        return QDateTime();
    QDateTime value = QDateTime::fromString(text, Qt::ISODate);
    if (!value.isValid())
        value = QDateTime::fromString(text, Qt::ISODateWithMs);
    return value.isValid() ? value : QDateTime();
}

QString colorToText(const QColor &color)
{
    if (!color.isValid())
        return QString();
    return color.name(QColor::HexRgb);
}

QColor parseColor(const QString &text)
{
    return QColor::fromString(text);
}

} // namespace TextForms
