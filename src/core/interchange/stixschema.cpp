#include "interchange/stixschema.h"

#include <QDateTime>
#include <QHostAddress>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>
#include <QRegularExpression>
#include <QSet>
#include <QUrl>
#include <QUuid>

#include <algorithm>
#include <cmath>

namespace StixSchema {

namespace {

enum class PropertyType {
    Text,
    String, // a standard text property: any other value is written as its text
    Url,
    Integer,
    Number,
    Boolean,
    TextList,
    ObjectList,
    ExternalReferences,
    KillChainPhases,
    GranularMarkings,
    Object,
    Hashes,
    Extensions,
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
        // "incident" is left out: the 2.1 schemas first forbade the type and later defined
        // it, and only a custom type passes both.
        for (const char *type :
             {"attack-pattern", "campaign", "course-of-action", "grouping", "identity",
              "indicator", "infrastructure", "intrusion-set", "location", "malware",
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
        add(PropertyType::String, {"lang"});
        add(PropertyType::Url, {"url"});
        add(PropertyType::Integer,
            {"number", "size", "src_byte_count", "dst_byte_count", "src_packets", "dst_packets",
             "pid", "subject_public_key_exponent", "number_of_subkeys"});
        t.insert(QStringLiteral("confidence"), {PropertyType::Integer, 0, 100});
        t.insert(QStringLiteral("number_observed"), {PropertyType::Integer, 1, 999999999});
        t.insert(QStringLiteral("count"), {PropertyType::Integer, 0, 999999999});
        t.insert(QStringLiteral("src_port"), {PropertyType::Integer, 0, 65535});
        t.insert(QStringLiteral("dst_port"), {PropertyType::Integer, 0, 65535});
        t.insert(QStringLiteral("latitude"), {PropertyType::Number, -90, 90});
        t.insert(QStringLiteral("longitude"), {PropertyType::Number, -180, 180});
        t.insert(QStringLiteral("precision"), {PropertyType::Number, 0, 1e300});
        add(PropertyType::Boolean,
            {"is_family", "revoked", "defanged", "is_defanged", "is_multipart", "is_hidden",
             "is_active", "is_self_signed", "is_service_account", "is_privileged",
             "can_escalate_privs", "is_disabled", "summary"});
        add(PropertyType::TextList,
            {"labels", "aliases", "roles", "goals", "sectors", "threat_actor_types",
             "malware_types", "tool_types", "infrastructure_types", "indicator_types",
             "report_types", "implementation_languages", "architecture_execution_envs",
             "capabilities", "secondary_motivations", "personal_motivations", "authors",
             "protocols", "languages", "modules", "received_lines"});
        add(PropertyType::ObjectList, {"values", "body_multipart"});
        add(PropertyType::ExternalReferences, {"external_references"});
        add(PropertyType::KillChainPhases, {"kill_chain_phases"});
        add(PropertyType::GranularMarkings, {"granular_markings"});
        add(PropertyType::Object,
            {"environment_variables", "ipfix", "additional_header_fields", "objects",
             "x509_v3_extensions"});
        add(PropertyType::Hashes, {"hashes"});
        add(PropertyType::Extensions, {"extensions"});
        add(PropertyType::Timestamp,
            {"first_seen", "last_seen", "published", "first_observed", "last_observed",
             "submitted", "analysis_started", "analysis_ended", "ctime", "mtime", "atime",
             "date", "account_created", "account_expires", "credential_last_changed",
             "account_first_login", "account_last_login", "validity_not_before",
             "validity_not_after", "created_time", "modified_time", "accessed_time", "start",
             "end"});
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

// A text holding a JSON list or object, as rows keep them; undefined otherwise.
QJsonValue jsonOfText(const QJsonValue &value)
{
    const QString text = value.toString().trimmed();
    if (!value.isString()
        || !((text.startsWith(u'[') && text.endsWith(u']'))
             || (text.startsWith(u'{') && text.endsWith(u'}'))))
        return QJsonValue(QJsonValue::Undefined);
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(text.toUtf8(), &error);
    if (error.error != QJsonParseError::NoError)
        return QJsonValue(QJsonValue::Undefined);
    return document.isArray() ? QJsonValue(document.array()) : QJsonValue(document.object());
}

// Elements of a list kept as text (JSON, or joined with ", " as analysts type them), or of a
// JSON array.
QStringList listElements(const QJsonValue &given)
{
    QStringList elements;
    const QJsonValue json = jsonOfText(given);
    const QJsonValue &value = json.isArray() ? json : given;
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
// ", ", which reads back as a JSON array once bracketed. Every element must pass accepts.
std::optional<QJsonValue> toObjectList(const QJsonValue &value,
                                       bool (*accepts)(const QJsonObject &) = nullptr)
{
    QJsonArray array;
    const QJsonValue json = jsonOfText(value);
    if (value.isArray() || json.isArray()) {
        array = value.isArray() ? value.toArray() : json.toArray();
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
        if (!element.isObject() || (accepts && !accepts(element.toObject())))
            return std::nullopt;
    }
    return QJsonValue(array);
}

// A dictionary: a JSON object with at least one entry, kept on import as its compact JSON.
std::optional<QJsonValue> toObject(const QJsonValue &value,
                                   bool (*accepts)(const QJsonObject &) = nullptr)
{
    QJsonObject object;
    if (value.isObject()) {
        object = value.toObject();
    } else if (value.isString()) {
        QJsonParseError error;
        const QJsonDocument document = QJsonDocument::fromJson(value.toString().toUtf8(), &error);
        if (error.error != QJsonParseError::NoError || !document.isObject())
            return std::nullopt;
        object = document.object();
    }
    if (object.isEmpty() || (accepts && !accepts(object)))
        return std::nullopt;
    return QJsonValue(object);
}

bool isStringOrAbsent(const QJsonValue &value)
{
    return value.isUndefined() || value.isString();
}

// Hash names are free ("^[a-zA-Z0-9_-]{3,250}$") and their values texts; the standard's own
// algorithms have digests of their own form.
bool isHashes(const QJsonObject &hashes)
{
    static const QRegularExpression name(QStringLiteral("^[a-zA-Z0-9_-]{3,250}$"));
    static const QHash<QString, QRegularExpression> digests = {
        {QStringLiteral("MD5"), QRegularExpression(QStringLiteral("^[a-fA-F0-9]{32}$"))},
        {QStringLiteral("SHA-1"), QRegularExpression(QStringLiteral("^[a-fA-F0-9]{40}$"))},
        {QStringLiteral("SHA-256"), QRegularExpression(QStringLiteral("^[a-fA-F0-9]{64}$"))},
        {QStringLiteral("SHA-512"), QRegularExpression(QStringLiteral("^[a-fA-F0-9]{128}$"))},
        {QStringLiteral("SHA3-256"), QRegularExpression(QStringLiteral("^[a-fA-F0-9]{64}$"))},
        {QStringLiteral("SHA3-512"), QRegularExpression(QStringLiteral("^[a-fA-F0-9]{128}$"))},
        {QStringLiteral("SSDEEP"), QRegularExpression(QStringLiteral("^[a-zA-Z0-9/+:.]{1,128}$"))},
        {QStringLiteral("TLSH"), QRegularExpression(QStringLiteral("^[a-zA-Z0-9]{70}$"))}};
    for (auto it = hashes.constBegin(); it != hashes.constEnd(); ++it) {
        if (!matches(name, it.key()) || !it.value().isString())
            return false;
        const auto digest = digests.constFind(it.key());
        if (digest != digests.cend() && !matches(*digest, it.value().toString()))
            return false;
    }
    return true;
}

// A source name; for "cve" and "capec" an identifier of their form, which no other source
// may use; and something to find the source by (identifier, description or URL).
bool isExternalReference(const QJsonObject &reference)
{
    static const QRegularExpression cve(QStringLiteral("^CVE-\\d{4}-(0\\d{3}|[1-9]\\d{3,})$"));
    static const QRegularExpression capec(QStringLiteral("^CAPEC-\\d+$"));
    const QJsonValue source = reference.value(QLatin1String("source_name"));
    const QJsonValue id = reference.value(QLatin1String("external_id"));
    const QJsonValue url = reference.value(QLatin1String("url"));
    const QJsonValue hashes = reference.value(QLatin1String("hashes"));
    if (!source.isString() || !isStringOrAbsent(id))
        return false;
    if (!url.isUndefined() && !(url.isString() && isObservableValue(QStringLiteral("url"), url.toString())))
        return false;
    if (!hashes.isUndefined()) {
        static const QSet<QString> algorithms = {
            QStringLiteral("MD5"),      QStringLiteral("SHA-1"),    QStringLiteral("SHA-256"),
            QStringLiteral("SHA-512"),  QStringLiteral("SHA3-256"), QStringLiteral("SHA3-512"),
            QStringLiteral("SSDEEP"),   QStringLiteral("TLSH")};
        const QJsonObject digests = hashes.toObject();
        if (!hashes.isObject() || digests.isEmpty() || !isHashes(digests))
            return false;
        for (const QString &algorithm : digests.keys()) {
            if (!algorithms.contains(algorithm))
                return false;
        }
    }
    const QString sourceName = source.toString();
    const QString idText = id.toString();
    if (sourceName == u"cve")
        return matches(cve, idText);
    if (sourceName == u"capec")
        return matches(capec, idText);
    if (matches(cve, idText) || matches(capec, idText))
        return false;
    return id.isString() || reference.contains(QLatin1String("description")) || url.isString();
}

bool isKillChainPhase(const QJsonObject &phase)
{
    return phase.value(QLatin1String("kill_chain_name")).isString()
        && phase.value(QLatin1String("phase_name")).isString();
}

// Selectors into the object, and the marking that applies there.
bool isGranularMarking(const QJsonObject &marking)
{
    static const QRegularExpression selector(QStringLiteral(
        "^([a-z0-9_-]{3,249}(\\.(\\[\\d+\\]|[a-z0-9_-]{1,250}))*|id)$"));
    const QJsonValue selectors = marking.value(QLatin1String("selectors"));
    const QString reference = marking.value(QLatin1String("marking_ref")).toString();
    if (!selectors.isArray() || selectors.toArray().isEmpty() || !isIdentifier(reference)
        || identifierType(reference) != u"marking-definition"
        || !isStringOrAbsent(marking.value(QLatin1String("lang"))))
        return false;
    const QJsonArray list = selectors.toArray();
    return std::all_of(list.cbegin(), list.cend(), [](const QJsonValue &element) {
        return element.isString() && matches(selector, element.toString());
    });
}

// Extensions by name, each a non-empty object.
bool isExtensions(const QJsonObject &extensions)
{
    return std::all_of(extensions.constBegin(), extensions.constEnd(), [](const QJsonValue &value) {
        return value.isObject() && !value.toObject().isEmpty();
    });
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
    // ^[a-z][a-z0-9_]{2,249}$, checked by hand: every attribute row of an export asks.
    if (name.size() < 3 || name.size() > 250 || name.at(0) < u'a' || name.at(0) > u'z')
        return false;
    return std::all_of(name.cbegin(), name.cend(), [](QChar c) {
        return (c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9') || c == u'_';
    });
}

bool isObservableValue(const QString &type, const QString &value)
{
    static const QRegularExpression ipv4(QStringLiteral(
        "^((25[0-5]|2[0-4][0-9]|1[0-9]{2}|[1-9][0-9]|[0-9])\\.){3}"
        "(25[0-5]|2[0-4][0-9]|1[0-9]{2}|[1-9][0-9]|[0-9])(/(3[0-2]|[12][0-9]|[0-9]))?$"));
    static const QRegularExpression ipv6Prefix(
        QStringLiteral("^(12[0-8]|1[01][0-9]|[1-9][0-9]|[0-9])$"));
    static const QRegularExpression hexColons(QStringLiteral("^[0-9A-Fa-f:]+$"));
    static const QRegularExpression domainForm(
        QStringLiteral("^(?!-)[\\w-]{1,63}(?<!-)(\\.(?!-)[\\w-]{1,63}(?<!-))*\\.[^\\W\\d_]{2,63}\\.?$"),
        QRegularExpression::UseUnicodePropertiesOption);
    static const QRegularExpression hostName(
        QStringLiteral("^(?=.{1,253}\\.?$)[a-z0-9](?:[a-z0-9-]{0,61}[a-z0-9])?"
                       "(?:\\.[a-z0-9](?:[-0-9a-z]{0,61}[0-9a-z])?)*\\.?$"),
        QRegularExpression::CaseInsensitiveOption);
    // RFC 3986 with an authority: scheme, user, host (name, IPv4 or bracketed IPv6), port,
    // path, query, fragment; ASCII only, other characters percent-encoded.
    static const QRegularExpression url(QStringLiteral(
        "^[A-Za-z][A-Za-z0-9+.-]*://"
        "(([A-Za-z0-9._~!$&'()*+,;=:-]|%[0-9A-Fa-f]{2})*@)?"
        "(\\[([0-9A-Fa-f:.]+)\\]|([A-Za-z0-9._~!$&'()*+,;=-]|%[0-9A-Fa-f]{2})*)"
        "(:[0-9]*)?"
        "(/([A-Za-z0-9._~!$&'()*+,;=:@-]|%[0-9A-Fa-f]{2})*)*"
        "(\\?([A-Za-z0-9._~!$&'()*+,;=:@/?-]|%[0-9A-Fa-f]{2})*)?"
        "(#([A-Za-z0-9._~!$&'()*+,;=:@/?-]|%[0-9A-Fa-f]{2})*)?$"));
    static const QRegularExpression email(QStringLiteral(
        "^[a-z0-9!#$%&'*+/=?^_`{|}~-]+(\\.[a-z0-9!#$%&'*+/=?^_`{|}~-]+)*@"
        "([a-z0-9]([a-z0-9-]*[a-z0-9])?\\.)+[a-z0-9]([a-z0-9-]*[a-z0-9])?$"),
        QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression mac(QStringLiteral("^([0-9a-f]{2}:){5}[0-9a-f]{2}$"));

    auto isIpv6 = [&](const QString &address) {
        // Embedded IPv4 and zone names are left out: the standard's pattern takes neither.
        QHostAddress host;
        return matches(hexColons, address) && host.setAddress(address)
            && host.protocol() == QHostAddress::IPv6Protocol;
    };
    if (type == u"ipv4-addr")
        return matches(ipv4, value);
    if (type == u"ipv6-addr") {
        const QString prefix = value.section(QLatin1Char('/'), 1);
        return isIpv6(value.section(QLatin1Char('/'), 0, 0))
            && (!value.contains(QLatin1Char('/')) || matches(ipv6Prefix, prefix));
    }
    if (type == u"domain-name")
        return value.size() <= 253 && !value.contains(QLatin1Char('_'))
            && matches(domainForm, value)
            && matches(hostName, QString::fromLatin1(QUrl::toAce(value)));
    if (type == u"url") {
        const QRegularExpressionMatch match = url.match(value);
        return match.hasMatch() && (match.captured(4).isEmpty() || isIpv6(match.captured(4)));
    }
    if (type == u"email-addr")
        return matches(email, value);
    if (type == u"mac-addr")
        return matches(mac, value);
    return false;
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
    // Written by hand: bundles carry two to four timestamps per object, and the general
    // formatter costs more than building the rest of the object. Years outside 1..9999 are
    // left to it.
    if (!value.isValid())
        return QString();
    const qint64 msecs = value.toMSecsSinceEpoch();
    const qint64 msecsPerDay = 86400000;
    qint64 days = msecs / msecsPerDay;
    qint64 rest = msecs % msecsPerDay;
    if (rest < 0) {
        rest += msecsPerDay;
        --days;
    }
    // Civil date of a day count from 1970-01-01 (proleptic Gregorian calendar).
    const qint64 shifted = days + 719468;
    const qint64 era = (shifted >= 0 ? shifted : shifted - 146096) / 146097;
    const qint64 dayOfEra = shifted - era * 146097;
    const qint64 yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const qint64 dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const qint64 monthIndex = (5 * dayOfYear + 2) / 153;
    const int day = int(dayOfYear - (153 * monthIndex + 2) / 5 + 1);
    const int month = int(monthIndex < 10 ? monthIndex + 3 : monthIndex - 9);
    const qint64 year = yearOfEra + era * 400 + (month <= 2 ? 1 : 0);
    if (year < 1 || year > 9999) // the general formatter's calendar has no year 0
        return value.toUTC().toString(Qt::ISODateWithMs);

    char16_t text[24];
    auto put = [&text](int at, qint64 number, int digits) {
        for (int i = digits - 1; i >= 0; --i) {
            text[at + i] = char16_t(u'0' + number % 10);
            number /= 10;
        }
    };
    put(0, year, 4);
    text[4] = u'-';
    put(5, month, 2);
    text[7] = u'-';
    put(8, day, 2);
    text[10] = u'T';
    put(11, rest / 3600000, 2);
    text[13] = u':';
    put(14, rest / 60000 % 60, 2);
    text[16] = u':';
    put(17, rest / 1000 % 60, 2);
    text[19] = u'.';
    put(20, rest % 1000, 3);
    text[23] = u'Z';
    return QString(reinterpret_cast<const QChar *>(text), 24);
}

QDateTime parseTimestamp(const QString &text)
{
    if (text.isEmpty())
        return QDateTime();
    // "yyyy-MM-ddTHH:mm:ss[.zzz]Z", the form of nearly every timestamp in a bundle, is read by
    // hand; the general parser costs more than the rest of an object's import.
    const qsizetype size = text.size();
    if ((size == 20 || size == 24) && text.at(size - 1) == u'Z') {
        const QChar *c = text.constData();
        auto number = [c](int from, int count) {
            int value = 0;
            for (int i = from; i < from + count; ++i) {
                if (c[i] < u'0' || c[i] > u'9')
                    return -1;
                value = value * 10 + (c[i].unicode() - u'0');
            }
            return value;
        };
        const bool shaped = c[4] == u'-' && c[7] == u'-' && c[10] == u'T' && c[13] == u':'
            && c[16] == u':' && (size == 20 || c[19] == u'.');
        const QDate date(number(0, 4), number(5, 2), number(8, 2));
        const QTime time(number(11, 2), number(14, 2), number(17, 2),
                         size == 24 ? number(20, 3) : 0);
        // A non-digit reads as -1, which no date (of year > 0) or time takes; leap seconds
        // and anything else unusual go to the general parser.
        if (shaped && date.isValid() && date.year() > 0 && time.isValid())
            return QDateTime(date, time, Qt::UTC);
    }
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

QString rowText(const QJsonValue &value)
{
    switch (value.type()) {
    case QJsonValue::String: return value.toString();
    case QJsonValue::Double:
        if (value.toVariant().typeId() == QMetaType::LongLong)
            return QString::number(value.toInteger());
        return QString::number(value.toDouble(), 'g', QLocale::FloatingPointShortest);
    case QJsonValue::Bool: return value.toBool() ? QStringLiteral("true") : QStringLiteral("false");
    case QJsonValue::Array:
        return QString::fromUtf8(QJsonDocument(value.toArray()).toJson(QJsonDocument::Compact));
    case QJsonValue::Object:
        return QString::fromUtf8(QJsonDocument(value.toObject()).toJson(QJsonDocument::Compact));
    case QJsonValue::Null:
    case QJsonValue::Undefined: break;
    }
    return QString();
}

std::optional<QJsonValue> rowValue(const QString &name, const QString &text,
                                   const QJsonValue &original)
{
    QJsonValue value(text);
    switch (original.type()) {
    case QJsonValue::Double: {
        bool ok = false;
        const double number = text.trimmed().toDouble(&ok);
        if (ok && std::isfinite(number)) {
            const bool whole = std::floor(number) == number && std::abs(number) < 9007199254740992.0;
            value = whole ? QJsonValue(qint64(number)) : QJsonValue(number);
        }
        break;
    }
    case QJsonValue::Bool:
        if (text.trimmed() == u"true" || text.trimmed() == u"false")
            value = QJsonValue(text.trimmed() == u"true");
        break;
    case QJsonValue::Array:
        if (const QJsonValue json = jsonOfText(value); json.isArray())
            value = json;
        else // typed the way analysts write lists
            value = QJsonArray::fromStringList(listElements(value));
        break;
    case QJsonValue::Object:
        if (const QJsonValue json = jsonOfText(value); json.isObject())
            value = json;
        break;
    case QJsonValue::String:
        // A string stays a string whatever it looks like.
        return ruleFor(name).type == PropertyType::Text ? std::optional<QJsonValue>(value)
                                                        : typedValue(name, value);
    case QJsonValue::Null:
    case QJsonValue::Undefined: break;
    }
    return typedValue(name, value);
}

std::optional<QJsonValue> typedValue(const QString &name, const QJsonValue &value)
{
    if (value.isNull() || value.isUndefined())
        return std::nullopt;
    const PropertyRule rule = ruleFor(name);
    switch (rule.type) {
    case PropertyType::String: return QJsonValue(valueText(value));
    case PropertyType::Url:
        if (value.isString() && isObservableValue(QStringLiteral("url"), value.toString()))
            return value;
        return std::nullopt;
    case PropertyType::Integer: return toInteger(value, rule);
    case PropertyType::Number: return toNumber(value, rule);
    case PropertyType::Boolean: return toBoolean(value);
    case PropertyType::TextList: return toTextList(value, false);
    case PropertyType::IdentifierList: return toTextList(value, true);
    case PropertyType::ObjectList: return toObjectList(value);
    case PropertyType::ExternalReferences: return toObjectList(value, isExternalReference);
    case PropertyType::KillChainPhases: return toObjectList(value, isKillChainPhase);
    case PropertyType::GranularMarkings: return toObjectList(value, isGranularMarking);
    case PropertyType::Object: return toObject(value);
    case PropertyType::Hashes: return toObject(value, isHashes);
    case PropertyType::Extensions: return toObject(value, isExtensions);
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
    if (const QJsonValue json = jsonOfText(value); !json.isUndefined())
        return typedValue(name, json);
    if (value.isArray() && value.toArray().isEmpty())
        return std::nullopt; // the standard forbids empty lists
    if (value.isDouble() && !std::isfinite(value.toDouble()))
        return std::nullopt; // JSON has no such number
    return value;
}

} // namespace StixSchema
