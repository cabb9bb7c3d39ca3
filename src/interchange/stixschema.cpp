#include "interchange/stixschema.h"

#include <QDateTime>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QUuid>

#include <cmath>

namespace StixSchema {

namespace {

enum class PropertyType {
    Text,
    Integer,
    Number,
    Boolean,
    TextList,
    ObjectList,
    Object,
    Timestamp,
    Identifier,
    IdentifierList,
    Hex,
    Binary,
};

struct PropertyRule
{
    PropertyType type = PropertyType::Text;
    double minimum = 0;
    double maximum = 9007199254740992.0; // largest integer a double holds exactly
};

const QHash<QString, Kind> &kinds()
{
    static const QHash<QString, Kind> table = [] {
        QHash<QString, Kind> t;
        for (const char *type :
             {"attack-pattern", "campaign", "course-of-action", "grouping", "identity",
              "incident", "indicator", "infrastructure", "intrusion-set", "location", "malware",
              "malware-analysis", "note", "observed-data", "opinion", "report", "threat-actor",
              "tool", "vulnerability"})
            t.insert(QLatin1String(type), Kind::Domain);
        for (const char *type :
             {"artifact", "autonomous-system", "directory", "domain-name", "email-addr",
              "email-message", "file", "ipv4-addr", "ipv6-addr", "mac-addr", "mutex",
              "network-traffic", "process", "software", "url", "user-account",
              "windows-registry-key", "x509-certificate"})
            t.insert(QLatin1String(type), Kind::Observable);
        for (const char *type : {"relationship", "sighting"})
            t.insert(QLatin1String(type), Kind::Relationship);
        for (const char *type :
             {"marking-definition", "language-content", "extension-definition", "bundle"})
            t.insert(QLatin1String(type), Kind::Meta);
        return t;
    }();
    return table;
}

// The standard's own properties whose JSON type is not a plain string.
const QHash<QString, PropertyRule> &rules()
{
    static const QHash<QString, PropertyRule> table = [] {
        QHash<QString, PropertyRule> t;
        auto add = [&t](PropertyType type, std::initializer_list<const char *> names) {
            for (const char *name : names)
                t.insert(QLatin1String(name), PropertyRule{type});
        };
        add(PropertyType::Integer,
            {"number", "size", "src_byte_count", "dst_byte_count", "src_packets", "dst_packets",
             "pid", "subject_public_key_exponent"});
        t.insert(QStringLiteral("confidence"), {PropertyType::Integer, 0, 100});
        t.insert(QStringLiteral("number_observed"), {PropertyType::Integer, 1, 999999999});
        t.insert(QStringLiteral("count"), {PropertyType::Integer, 0, 999999999});
        t.insert(QStringLiteral("src_port"), {PropertyType::Integer, 0, 65535});
        t.insert(QStringLiteral("dst_port"), {PropertyType::Integer, 0, 65535});
        t.insert(QStringLiteral("latitude"), {PropertyType::Number, -90, 90});
        t.insert(QStringLiteral("longitude"), {PropertyType::Number, -180, 180});
        t.insert(QStringLiteral("precision"), {PropertyType::Number, 0, 1e300});
        add(PropertyType::Boolean,
            {"is_family", "revoked", "defanged", "is_multipart", "is_hidden", "is_active",
             "is_self_signed", "is_service_account", "is_privileged", "can_escalate_privs",
             "is_disabled", "summary"});
        add(PropertyType::TextList,
            {"labels", "aliases", "roles", "goals", "sectors", "threat_actor_types",
             "malware_types", "tool_types", "infrastructure_types", "indicator_types",
             "report_types", "implementation_languages", "architecture_execution_envs",
             "capabilities", "secondary_motivations", "personal_motivations", "authors",
             "protocols", "languages"});
        add(PropertyType::ObjectList,
            {"external_references", "kill_chain_phases", "granular_markings"});
        add(PropertyType::Object, {"hashes", "extensions"});
        add(PropertyType::Timestamp,
            {"first_seen", "last_seen", "published", "first_observed", "last_observed",
             "submitted", "analysis_started", "analysis_ended", "ctime", "mtime", "atime",
             "date", "account_created", "account_expires", "credential_last_changed",
             "account_first_login", "account_last_login", "validity_not_before",
             "validity_not_after", "created_time", "modified_time"});
        return t;
    }();
    return table;
}

PropertyRule ruleFor(const QString &name)
{
    const auto it = rules().constFind(name);
    if (it != rules().cend())
        return *it;
    if (name.endsWith(QLatin1String("_refs")))
        return {PropertyType::IdentifierList};
    if (name.endsWith(QLatin1String("_ref")))
        return {PropertyType::Identifier};
    if (name.endsWith(QLatin1String("_hex")))
        return {PropertyType::Hex};
    if (name.endsWith(QLatin1String("_bin")))
        return {PropertyType::Binary};
    return {PropertyType::Text};
}

// Orvane's own namespace for identifiers derived from node and relation ids.
const QUuid &idNamespace()
{
    static const QUuid ns(QStringLiteral("c62dafdd-7088-41c2-9ec4-514372eca624"));
    return ns;
}

bool matches(const QRegularExpression &expression, const QString &text)
{
    return expression.match(text).hasMatch();
}

const QLatin1String kListJoin(", ");

std::optional<QJsonValue> toInteger(const QJsonValue &value, const PropertyRule &rule)
{
    double number = 0;
    if (value.isDouble()) {
        number = value.toDouble();
    } else if (value.isString()) {
        bool ok = false;
        number = double(value.toString().trimmed().toLongLong(&ok));
        if (!ok)
            return std::nullopt;
    } else {
        return std::nullopt;
    }
    if (std::floor(number) != number || number < rule.minimum || number > rule.maximum)
        return std::nullopt;
    return QJsonValue(qint64(number));
}

std::optional<QJsonValue> toNumber(const QJsonValue &value, const PropertyRule &rule)
{
    bool ok = value.isDouble();
    const double number =
        ok ? value.toDouble() : value.toString().trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(number) || number < rule.minimum || number > rule.maximum)
        return std::nullopt;
    return QJsonValue(number);
}

std::optional<QJsonValue> toBoolean(const QJsonValue &value)
{
    if (value.isBool())
        return value;
    const QString text = value.toString().trimmed();
    if (text == u"true")
        return QJsonValue(true);
    if (text == u"false")
        return QJsonValue(false);
    return std::nullopt;
}

// Elements of a list kept as text on import, or of a JSON array.
QStringList listElements(const QJsonValue &value)
{
    QStringList elements;
    if (value.isArray()) {
        for (const QJsonValue &element : value.toArray()) {
            if (!element.isString())
                return {};
            elements.append(element.toString());
        }
        return elements;
    }
    const QStringList parts = value.toString().split(kListJoin);
    for (const QString &part : parts) {
        if (!part.trimmed().isEmpty())
            elements.append(part.trimmed());
    }
    return elements;
}

std::optional<QJsonValue> toTextList(const QJsonValue &value, bool identifiers)
{
    const QStringList elements = listElements(value);
    if (elements.isEmpty())
        return std::nullopt;
    if (identifiers) {
        for (const QString &element : elements) {
            if (!isIdentifier(element))
                return std::nullopt;
        }
    }
    return QJsonValue(QJsonArray::fromStringList(elements));
}

// An imported list of objects was kept as the compact JSON of each element joined with
// ", ", which reads back as a JSON array once bracketed.
std::optional<QJsonValue> toObjectList(const QJsonValue &value)
{
    QJsonArray array;
    if (value.isArray()) {
        array = value.toArray();
    } else if (value.isString()) {
        const QByteArray json = '[' + value.toString().toUtf8() + ']';
        QJsonParseError error;
        const QJsonDocument document = QJsonDocument::fromJson(json, &error);
        if (error.error != QJsonParseError::NoError)
            return std::nullopt;
        array = document.array();
    }
    if (array.isEmpty())
        return std::nullopt;
    for (const QJsonValue &element : std::as_const(array)) {
        if (!element.isObject())
            return std::nullopt;
    }
    return QJsonValue(array);
}

std::optional<QJsonValue> toObject(const QJsonValue &value)
{
    if (value.isObject())
        return value;
    if (!value.isString())
        return std::nullopt;
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(value.toString().toUtf8(), &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    return QJsonValue(document.object());
}

std::optional<QJsonValue> toTimestamp(const QJsonValue &value)
{
    static const QRegularExpression form(QStringLiteral(
        "^[0-9]{4}-(0[1-9]|1[012])-(0[1-9]|[12][0-9]|3[01])T([01][0-9]|2[0-3]):[0-5][0-9]:"
        "([0-5][0-9]|60)(\\.[0-9]+)?Z$"));
    const QString text = value.toString().trimmed();
    if (matches(form, text))
        return QJsonValue(text);
    const QDateTime parsed = parseTimestamp(text);
    if (!parsed.isValid())
        return std::nullopt;
    return QJsonValue(timestamp(parsed));
}

std::optional<QJsonValue> toPattern(const QJsonValue &value, const QRegularExpression &form)
{
    if (!value.isString() || !matches(form, value.toString()))
        return std::nullopt;
    return value;
}

} // namespace

Kind kindOf(const QString &type)
{
    return kinds().value(type, Kind::Custom);
}

bool isTypeName(const QString &type)
{
    static const QRegularExpression form(QStringLiteral("^[a-z][a-z0-9]*(-[a-z0-9]+)*$"));
    return type.size() >= 3 && type.size() <= 250 && matches(form, type);
}

bool isCustomTypeName(const QString &type)
{
    return type.startsWith(QLatin1String("x-")) && isTypeName(type);
}

bool isPropertyName(const QString &name)
{
    static const QRegularExpression form(QStringLiteral("^[a-z0-9_]{3,250}$"));
    return matches(form, name);
}

bool isIdentifier(const QString &id)
{
    static const QRegularExpression uuid(QStringLiteral(
        "^[0-9a-fA-F]{8}-[0-9a-fA-F]{4}-[1-5][0-9a-fA-F]{3}-[89abAB][0-9a-fA-F]{3}-"
        "[0-9a-fA-F]{12}$"));
    const qsizetype separator = id.indexOf(QLatin1String("--"));
    return separator > 0 && isTypeName(id.left(separator))
        && matches(uuid, id.mid(separator + 2));
}

QString identifierType(const QString &id)
{
    const qsizetype separator = id.indexOf(QLatin1String("--"));
    return separator > 0 ? id.left(separator) : QString();
}

QString derivedIdentifier(const QString &type, const QString &key)
{
    return type + QLatin1String("--")
        + QUuid::createUuidV5(idNamespace(), key).toString(QUuid::WithoutBraces);
}

QString timestamp(const QDateTime &value)
{
    return value.toUTC().toString(Qt::ISODateWithMs);
}

QDateTime parseTimestamp(const QString &text)
{
    if (text.isEmpty())
        return QDateTime();
    QDateTime value = QDateTime::fromString(text, Qt::ISODateWithMs);
    if (!value.isValid())
        value = QDateTime::fromString(text, Qt::ISODate);
    return value.isValid() ? value.toUTC() : QDateTime();
}

QString valueText(const QJsonValue &value)
{
    switch (value.type()) {
    case QJsonValue::String: return value.toString();
    case QJsonValue::Double: return QString::number(value.toDouble(), 'g', 15);
    case QJsonValue::Bool: return value.toBool() ? QStringLiteral("true") : QStringLiteral("false");
    case QJsonValue::Array: {
        QStringList texts;
        const QJsonArray array = value.toArray();
        texts.reserve(array.size());
        for (const QJsonValue &element : array)
            texts.append(valueText(element));
        return texts.join(kListJoin);
    }
    case QJsonValue::Object:
        return QString::fromUtf8(QJsonDocument(value.toObject()).toJson(QJsonDocument::Compact));
    case QJsonValue::Null:
    case QJsonValue::Undefined: break;
    }
    return QString();
}

std::optional<QJsonValue> typedValue(const QString &name, const QJsonValue &value)
{
    if (value.isNull() || value.isUndefined())
        return std::nullopt;
    const PropertyRule rule = ruleFor(name);
    switch (rule.type) {
    case PropertyType::Integer: return toInteger(value, rule);
    case PropertyType::Number: return toNumber(value, rule);
    case PropertyType::Boolean: return toBoolean(value);
    case PropertyType::TextList: return toTextList(value, false);
    case PropertyType::IdentifierList: return toTextList(value, true);
    case PropertyType::ObjectList: return toObjectList(value);
    case PropertyType::Object: return toObject(value);
    case PropertyType::Timestamp: return toTimestamp(value);
    case PropertyType::Identifier:
        if (value.isString() && isIdentifier(value.toString().trimmed()))
            return QJsonValue(value.toString().trimmed());
        return std::nullopt;
    case PropertyType::Hex: {
        static const QRegularExpression hex(QStringLiteral("^([a-fA-F0-9]{2})+$"));
        return toPattern(value, hex);
    }
    case PropertyType::Binary: {
        static const QRegularExpression base64(QStringLiteral(
            "^([A-Za-z0-9+/]{4})*([A-Za-z0-9+/]{4}|[A-Za-z0-9+/]{3}=|[A-Za-z0-9+/]{2}==)$"));
        return toPattern(value, base64);
    }
    case PropertyType::Text: break;
    }
    if (name.startsWith(QLatin1String("x_")) && value.isString()) {
        if (value.toString() == u"true")
            return QJsonValue(true);
        if (value.toString() == u"false")
            return QJsonValue(false);
    }
    if (value.isArray() && value.toArray().isEmpty())
        return std::nullopt; // the standard forbids empty lists
    return value;
}

} // namespace StixSchema
