#include "ops/edgeform.h"

#include "model/textforms.h"

namespace EdgeForm {

namespace {

bool folded(const QString &key)
{
    const QString trimmed = key.trimmed();
    return trimmed == u"color" || trimmed == u"width";
}

// The legacy entries of that key: the property first, then the attribute rows.
QStringList legacyValues(const Edge &edge, const QString &key)
{
    QStringList values;
    if (edge.properties.contains(key))
        values.append(edge.properties.value(key).toString().trimmed());
    for (const AttributeRow &row : edge.attributes) {
        if (row.key.trimmed() == key)
            values.append(row.value.trimmed());
    }
    return values;
}

} // namespace

QColor initialColor(const Edge &edge)
{
    if (edge.color.isValid())
        return edge.color;
    for (const QString &value : legacyValues(edge, QStringLiteral("color"))) {
        const QColor color = TextForms::parseColor(value);
        if (color.isValid())
            return color;
    }
    return QColor(QStringLiteral("#55ff7f"));
}

double initialWidth(const Edge &edge)
{
    if (edge.width > 0)
        return edge.width;
    for (const QString &value : legacyValues(edge, QStringLiteral("width"))) {
        bool ok = false;
        const double width = value.toDouble(&ok);
        if (ok && width > 0)
            return width;
    }
    return 1.8;
}

QList<AttributeRow> shownRows(const Edge &edge)
{
    QList<AttributeRow> rows;
    for (const AttributeRow &row : edge.attributes) {
        if (!folded(row.key))
            rows.append(row);
    }
    for (auto it = edge.properties.cbegin(); it != edge.properties.cend(); ++it) {
        if (!folded(it.key()))
            rows.append({QString(), it.key(), it.value().toString()});
    }
    return rows;
}

QList<AttributeRow> rowsToStore(const QList<AttributeRow> &rows)
{
    QList<AttributeRow> stored;
    for (const AttributeRow &row : rows) {
        const QString key = row.key.trimmed();
        if (key.isEmpty() || folded(key))
            continue;
        stored.append({row.id, key, row.value});
    }
    return stored;
}

QStringList directionWords()
{
    return {QStringLiteral("directionelle"), QStringLiteral("directionelle (inv)"),
            QStringLiteral("bi-directionelle"), QStringLiteral("pointillée")};
}

QString directionWord(EdgeDirection direction)
{
    switch (direction) {
    case EdgeDirection::Directed: return directionWords().at(0);
    case EdgeDirection::DirectedInverse: return directionWords().at(1);
    case EdgeDirection::Undirected: return directionWords().at(2);
    case EdgeDirection::None: break;
    }
    return directionWords().at(3);
}

EdgeDirection directionFromWord(const QString &word)
{
    const QStringList words = directionWords();
    if (word == words.at(0))
        return EdgeDirection::Directed;
    if (word == words.at(1))
        return EdgeDirection::DirectedInverse;
    if (word == words.at(2))
        return EdgeDirection::Undirected;
    return EdgeDirection::None;
}

} // namespace EdgeForm
