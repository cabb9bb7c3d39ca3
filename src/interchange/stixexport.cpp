#include "interchange/stixio.h"

#include "interchange/stixio_p.h"
#include "interchange/stixschema.h"
#include "model/graph.h"

#include <QHostAddress>
#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QSaveFile>
#include <QSet>
#include <QUuid>

#include <cmath>
#include <optional>

namespace StixIo {

namespace {

using namespace Detail;
using StixSchema::Kind;

// ---- the analyst's words ---------------------------------------------------------------

// Lower case, accents dropped, punctuation as single spaces: "Plage IP" -> "plage ip",
// "Vulnérabilité" -> "vulnerabilite".
QString normalizedWord(const QString &word)
{
    const QString decomposed = word.normalized(QString::NormalizationForm_KD);
    QString out;
    out.reserve(decomposed.size());
    for (const QChar c : decomposed) {
        if (c.category() == QChar::Mark_NonSpacing)
            continue;
        out += c.isLetterOrNumber() ? c.toLower() : QLatin1Char(' ');
    }
    return out.simplified();
}

// The custom type of a word the standard has no type for: "x-orvane-<word>".
QString customTypeFor(const QString &word)
{
    QString slug;
    for (const QChar c : normalizedWord(word)) {
        if ((c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9'))
            slug += c;
        else if (!slug.endsWith(QLatin1Char('-')))
            slug += QLatin1Char('-');
    }
    while (slug.endsWith(QLatin1Char('-')))
        slug.chop(1);
    if (slug.isEmpty())
        slug = QStringLiteral("node");
    QString type = QStringLiteral("x-orvane-") + slug.left(240);
    while (type.endsWith(QLatin1Char('-')))
        type.chop(1);
    return type;
}

enum class Family {
    None,
    Address,  // ipv4-addr or ipv6-addr, by the value
    Domain,
    Url,
    Email,
    AutonomousSystem,
    Hash,     // file known by its hashes
    File,     // file known by its name
    Location, // needs a position
    Organization,
    Individual,
    Standard, // the word names a standard type directly
};

struct WordMeaning
{
    Family family = Family::None;
    QString type; // for Standard
};

WordMeaning meaningOf(const QString &word)
{
    static const QHash<QString, WordMeaning> table = [] {
        QHash<QString, WordMeaning> t;
        auto add = [&t](Family family, const char *type, std::initializer_list<const char *> words) {
            for (const char *w : words)
                t.insert(QString::fromUtf8(w), {family, QLatin1String(type)});
        };
        add(Family::Address, "",
            {"ip", "ipv4", "ipv6", "adresse ip", "ip address", "ipv4 addr", "ipv6 addr",
             "plage ip", "plage", "plage d adresses", "ip range", "range", "cidr", "subnet",
             "sous reseau", "prefixe", "prefix", "prefixe ip"});
        add(Family::Domain, "",
            {"domaine", "domain", "nom de domaine", "domain name", "hostname", "hote", "host",
             "fqdn", "sous domaine", "subdomain"});
        add(Family::Url, "", {"url", "uri", "adresse web", "site web", "website"});
        add(Family::Email, "",
            {"email", "e mail", "mail", "courriel", "adresse email", "adresse e mail",
             "adresse mail", "email address", "email addr"});
        add(Family::AutonomousSystem, "",
            {"as", "asn", "autonomous system", "systeme autonome"});
        add(Family::Hash, "",
            {"hash", "hachage", "empreinte", "md5", "sha1", "sha 1", "sha256", "sha 256",
             "sha512", "sha 512"});
        add(Family::File, "", {"fichier", "file", "echantillon", "sample"});
        add(Family::Location, "",
            {"lieu", "localisation", "location", "pays", "country", "ville", "city"});
        add(Family::Organization, "",
            {"organisation", "organization", "entreprise", "societe", "company", "institution"});
        add(Family::Individual, "", {"personne", "person", "individu", "individual"});
        add(Family::Standard, "malware",
            {"malware", "maliciel", "logiciel malveillant", "rancongiciel", "ransomware",
             "trojan", "cheval de troie", "virus", "backdoor", "porte derobee"});
        add(Family::Standard, "threat-actor",
            {"acteur", "acteur malveillant", "threat actor", "attaquant", "attacker", "apt",
             "groupe apt", "adversaire", "adversary"});
        add(Family::Standard, "intrusion-set", {"intrusion set", "mode operatoire"});
        add(Family::Standard, "campaign", {"campagne", "campaign", "operation"});
        add(Family::Standard, "tool", {"outil", "tool"});
        add(Family::Standard, "vulnerability", {"vulnerabilite", "vulnerability", "cve", "faille"});
        add(Family::Standard, "identity", {"identite", "identity"});
        add(Family::Standard, "infrastructure", {"infrastructure"});
        add(Family::Standard, "attack-pattern", {"technique", "attack pattern", "ttp"});
        add(Family::Standard, "course-of-action",
            {"contre mesure", "course of action", "mitigation"});
        add(Family::Standard, "indicator", {"indicateur", "indicator", "ioc"});
        return t;
    }();
    return table.value(normalizedWord(word));
}


// ---- values of observables -------------------------------------------------------------

bool isIpv4(const QString &text)
{
    const QString address = text.section(QLatin1Char('/'), 0, 0);
    QHostAddress host;
    if (!host.setAddress(address) || host.protocol() != QHostAddress::IPv4Protocol)
        return false;
    static const QRegularExpression dotted(QStringLiteral("^\\d{1,3}(\\.\\d{1,3}){3}$"));
    if (!dotted.match(address).hasMatch())
        return false;
    if (!text.contains(QLatin1Char('/')))
        return true;
    bool ok = false;
    const int prefix = text.section(QLatin1Char('/'), 1).toInt(&ok);
    return ok && prefix >= 0 && prefix <= 32;
}

bool isIpv6(const QString &text)
{
    const QString address = text.section(QLatin1Char('/'), 0, 0);
    QHostAddress host;
    if (!address.contains(QLatin1Char(':')) || !host.setAddress(address)
        || host.protocol() != QHostAddress::IPv6Protocol)
        return false;
    if (!text.contains(QLatin1Char('/')))
        return true;
    bool ok = false;
    const int prefix = text.section(QLatin1Char('/'), 1).toInt(&ok);
    return ok && prefix >= 0 && prefix <= 128;
}

bool isDomain(const QString &text)
{
    static const QRegularExpression form(
        QStringLiteral("^(?!-)[\\w-]{1,63}(?<!-)(\\.(?!-)[\\w-]{1,63}(?<!-))*\\.[^\\W\\d_]{2,63}\\.?$"),
        QRegularExpression::UseUnicodePropertiesOption);
    return text.size() <= 253 && form.match(text).hasMatch();
}

bool isUrl(const QString &text)
{
    static const QRegularExpression form(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]*://\\S+$"));
    return form.match(text).hasMatch();
}

bool isEmail(const QString &text)
{
    static const QRegularExpression form(QStringLiteral("^[^\\s@]+@[^\\s@]+\\.[^\\s@]+$"));
    return form.match(text).hasMatch();
}

std::optional<qint64> asNumberOf(const QString &label)
{
    static const QRegularExpression form(QStringLiteral("^(?:AS)?\\s*(\\d{1,10})$"),
                                         QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = form.match(label.trimmed());
    if (!match.hasMatch())
        return std::nullopt;
    const qint64 number = match.captured(1).toLongLong();
    if (number > 4294967295LL)
        return std::nullopt;
    return number;
}

// Hashes named by the label or by attribute rows such as "sha256", under the standard's
// algorithm names.
QJsonObject hashesOf(const Node &node)
{
    static const QRegularExpression hex(QStringLiteral("^[0-9a-fA-F]+$"));
    auto algorithmForLength = [](qsizetype length) -> QString {
        switch (length) {
        case 32: return QStringLiteral("MD5");
        case 40: return QStringLiteral("SHA-1");
        case 64: return QStringLiteral("SHA-256");
        case 128: return QStringLiteral("SHA-512");
        default: return QString();
        }
    };
    QJsonObject hashes;
    auto consider = [&](const QString &keyWord, const QString &value) {
        const QString digest = value.trimmed();
        if (!hex.match(digest).hasMatch())
            return;
        const QString algorithm = algorithmForLength(digest.size());
        if (algorithm.isEmpty() || hashes.contains(algorithm))
            return;
        if (!keyWord.isEmpty()) {
            QString named = algorithm;
            named.remove(QLatin1Char('-'));
            if (keyWord != named.toLower())
                return;
        }
        hashes.insert(algorithm, digest);
    };
    for (const AttributeRow &row : node.attributes)
        consider(normalizedWord(row.key).remove(QLatin1Char(' ')), row.value);
    consider(QString(), node.label);
    return hashes;
}

// ---- writing ---------------------------------------------------------------------------

bool isReservedForNodeExport(const QString &name)
{
    static const QSet<QString> reserved = {
        QStringLiteral("type"),        QStringLiteral("id"),         QStringLiteral("spec_version"),
        QStringLiteral("value"),       QStringLiteral("name"),       QStringLiteral("description"),
        QStringLiteral("valid_from"),  QStringLiteral("valid_until"), QStringLiteral("created"),
        QStringLiteral("modified")};
    return reserved.contains(name) || name.startsWith(kOrvanePrefix);
}

bool isReservedForRelationshipExport(const QString &name)
{
    static const QSet<QString> reserved = {
        QStringLiteral("type"),        QStringLiteral("id"),
        QStringLiteral("spec_version"), QStringLiteral("relationship_type"),
        QStringLiteral("source_ref"),  QStringLiteral("target_ref"),
        QStringLiteral("description"), QStringLiteral("start_time"),
        QStringLiteral("stop_time"),   QStringLiteral("value"),
        QStringLiteral("created"),     QStringLiteral("modified")};
    return reserved.contains(name) || name.startsWith(kOrvanePrefix);
}

bool hasAll(const QJsonObject &object, std::initializer_list<const char *> names)
{
    for (const char *name : names) {
        if (!object.contains(QLatin1String(name)))
            return false;
    }
    return true;
}

bool sameRows(const QList<AttributeRow> &a, const QList<AttributeRow> &b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (a[i].key != b[i].key || a[i].value != b[i].value)
            return false;
    }
    return true;
}

class BundleWriter
{
public:
    explicit BundleWriter(const Graph &graph)
        : m_graph(graph), m_now(StixSchema::timestamp(QDateTime::currentDateTimeUtc()))
    {
    }

    QJsonArray objects()
    {
        QJsonArray objects;
        m_stixIds.reserve(m_graph.nodes().size());
        for (const Node &node : m_graph.nodes()) {
            const QJsonObject object = nodeObject(node);
            m_stixIds.insert(node.id, object.value(QLatin1String("id")).toString());
            objects.append(object);
        }
        for (const Edge &edge : m_graph.edges())
            objects.append(relationshipObject(edge));
        return objects;
    }

private:
    struct Choice
    {
        QString type;
        Family family = Family::None;
    };

    // The standard type a node's own type names, else the one the analyst's word means.
    // Investigations use a handful of type words over many nodes: each is looked up once.
    WordMeaning meaningOfType(const QString &word) const
    {
        auto it = m_meanings.constFind(word);
        if (it == m_meanings.cend())
            it = m_meanings.insert(word, meaningOf(word));
        return *it;
    }

    Choice choose(const Node &node) const
    {
        const Kind kind = StixSchema::kindOf(node.type);
        if (kind == Kind::Domain || kind == Kind::Observable)
            return {node.type, node.type == u"file" ? Family::File : Family::Standard};
        if (StixSchema::isCustomTypeName(node.type))
            return {node.type, Family::Standard};
        const WordMeaning meaning = meaningOfType(node.type);
        const QString value = node.label.trimmed();
        switch (meaning.family) {
        case Family::Address:
            if (isIpv4(value))
                return {QStringLiteral("ipv4-addr"), Family::Address};
            if (isIpv6(value))
                return {QStringLiteral("ipv6-addr"), Family::Address};
            return {};
        case Family::Domain:
            return isDomain(value) && !isIpv4(value) ? Choice{QStringLiteral("domain-name"), Family::Domain}
                                                     : Choice{};
        case Family::Url:
            return isUrl(value) ? Choice{QStringLiteral("url"), Family::Url} : Choice{};
        case Family::Email:
            return isEmail(value) ? Choice{QStringLiteral("email-addr"), Family::Email} : Choice{};
        case Family::AutonomousSystem:
            return {QStringLiteral("autonomous-system"), Family::AutonomousSystem};
        case Family::Hash:
        case Family::File:
            return {QStringLiteral("file"), meaning.family};
        case Family::Location:
            return {QStringLiteral("location"), Family::Location};
        case Family::Organization:
        case Family::Individual:
            return {QStringLiteral("identity"), meaning.family};
        case Family::Standard:
            return {meaning.type, Family::Standard};
        case Family::None: break;
        }
        return {};
    }

    QJsonObject nodeObject(const Node &node) const
    {
        const Choice choice = choose(node);
        if (!choice.type.isEmpty()) {
            if (std::optional<QJsonObject> object = typedObject(node, choice))
                return *object;
        }
        // No standard type fits, or the node lacks what that type requires.
        return *typedObject(node, {customTypeFor(node.type), Family::None});
    }

    std::optional<QJsonObject> typedObject(const Node &node, const Choice &choice) const
    {
        const QString &type = choice.type;
        const Kind kind = StixSchema::kindOf(type);
        if (kind == Kind::Relationship || kind == Kind::Meta)
            return std::nullopt;
        QJsonObject o;
        o.insert(QLatin1String("type"), type);
        o.insert(QLatin1String("spec_version"), QLatin1String("2.1"));
        o.insert(QLatin1String("id"),
                 StixSchema::isIdentifier(node.id) && StixSchema::identifierType(node.id) == type
                     ? node.id
                     : StixSchema::derivedIdentifier(type, node.id));
        addStixRows(node, o);
        const qsizetype ownProperties = o.size() - 3;

        const QString label = node.label;
        const bool hasLabel = !label.isEmpty() && label != node.id;
        auto set = [&o](const char *name, const QJsonValue &value) {
            o.insert(QLatin1String(name), value);
        };
        auto lacks = [&o](const char *name) { return !o.contains(QLatin1String(name)); };

        if (kind == Kind::Observable) {
            if (type == u"ipv4-addr" || type == u"ipv6-addr" || type == u"domain-name"
                || type == u"url" || type == u"email-addr" || type == u"mac-addr") {
                if (label.trimmed().isEmpty())
                    return std::nullopt;
                set("value", choice.family == Family::Standard ? label : label.trimmed());
            } else if (type == u"autonomous-system") {
                if (lacks("number")) {
                    const std::optional<qint64> number = asNumberOf(label);
                    if (!number)
                        return std::nullopt;
                    set("number", *number);
                }
                if (hasLabel && !asNumberOf(label))
                    set("name", label);
            } else if (type == u"file") {
                if (lacks("hashes")) {
                    const QJsonObject hashes = hashesOf(node);
                    if (!hashes.isEmpty())
                        set("hashes", hashes);
                }
                if (choice.family == Family::File && hasLabel)
                    set("name", label);
                if (lacks("hashes") && lacks("name"))
                    return std::nullopt;
            } else if (type == u"software" || type == u"mutex") {
                if (!hasLabel)
                    return std::nullopt;
                set("name", label);
            } else if (!observableComplete(type, o, ownProperties)) {
                return std::nullopt;
            }
        } else {
            if (!label.isEmpty())
                set("name", label);
            if (!domainComplete(node, choice, o))
                return std::nullopt;
        }
        if (!node.description.isEmpty())
            set("description", node.description);
        const Validity &validity = node.validity;
        if (validity.start.isValid())
            set("valid_from", StixSchema::timestamp(validity.start));
        if (validity.end.isValid())
            set("valid_until", StixSchema::timestamp(validity.end));
        if (kind != Kind::Observable) {
            addVersionTimes(validity, o);
            if (type == u"indicator" && lacks("valid_from"))
                set("valid_from", o.value(QLatin1String("created")));
        }
        addNodeRestoration(node, o);
        return o;
    }

    static bool observableComplete(const QString &type, const QJsonObject &o,
                                   qsizetype ownProperties)
    {
        if (type == u"directory")
            return hasAll(o, {"path"});
        if (type == u"email-message")
            return hasAll(o, {"is_multipart"});
        if (type == u"network-traffic")
            return hasAll(o, {"protocols"})
                && (hasAll(o, {"src_ref"}) || hasAll(o, {"dst_ref"}));
        if (type == u"artifact")
            return hasAll(o, {"payload_bin"}) || hasAll(o, {"url", "hashes"});
        // process, user-account, windows-registry-key, x509-certificate: some content.
        return ownProperties > 0;
    }

    bool domainComplete(const Node &node, const Choice &choice, QJsonObject &o) const
    {
        const QString &type = choice.type;
        const bool named = o.contains(QLatin1String("name"));
        if (StixSchema::kindOf(type) == Kind::Custom)
            return true;
        if (type == u"malware") {
            if (!o.contains(QLatin1String("is_family")))
                o.insert(QLatin1String("is_family"), named);
            return named || !o.value(QLatin1String("is_family")).toBool();
        }
        if (type == u"indicator") {
            if (!o.value(QLatin1String("pattern")).isString())
                return false;
            if (!o.contains(QLatin1String("pattern_type")))
                o.insert(QLatin1String("pattern_type"), QLatin1String("stix"));
            return true;
        }
        if (type == u"identity" && !o.contains(QLatin1String("identity_class"))) {
            if (choice.family == Family::Organization)
                o.insert(QLatin1String("identity_class"), QLatin1String("organization"));
            else if (choice.family == Family::Individual)
                o.insert(QLatin1String("identity_class"), QLatin1String("individual"));
        }
        if (type == u"location") {
            if (hasAll(o, {"region"}) || hasAll(o, {"country"}) || hasAll(o, {"latitude", "longitude"}))
                return true;
            if (!node.geoLat || !node.geoLon || std::abs(*node.geoLat) > 90
                || std::abs(*node.geoLon) > 180)
                return false;
            o.insert(QLatin1String("latitude"), *node.geoLat);
            o.insert(QLatin1String("longitude"), *node.geoLon);
            return true;
        }
        if (type == u"report")
            return named && hasAll(o, {"published", "object_refs"});
        if (type == u"note")
            return hasAll(o, {"content", "object_refs"});
        if (type == u"opinion")
            return hasAll(o, {"opinion", "object_refs"});
        if (type == u"grouping")
            return hasAll(o, {"context", "object_refs"});
        if (type == u"observed-data")
            return hasAll(o, {"first_observed", "last_observed", "number_observed", "object_refs"});
        if (type == u"malware-analysis")
            return hasAll(o, {"product"})
                && (hasAll(o, {"result"}) || hasAll(o, {"analysis_sco_refs"}));
        // attack-pattern, campaign, course-of-action, identity, incident, infrastructure,
        // intrusion-set, threat-actor, tool, vulnerability
        return named;
    }

    // The node's "stix:" rows, first non-empty row of a name winning, typed as the standard
    // types them.
    static void addStixRows(const Node &node, QJsonObject &o)
    {
        QSet<QString> seen;
        for (const AttributeRow &row : node.attributes) {
            if (!row.key.startsWith(kStixPrefix) || row.value.isEmpty())
                continue;
            const QString name = row.key.mid(kStixPrefix.size());
            if (seen.contains(name))
                continue;
            seen.insert(name);
            if (isReservedForNodeExport(name) || !StixSchema::isPropertyName(name))
                continue;
            if (const std::optional<QJsonValue> value =
                    StixSchema::typedValue(name, QJsonValue(row.value)))
                o.insert(name, *value);
        }
    }

    // created and modified stand for the validity bounds, which is where a reader looks
    // for them; an absent bound is marked open so that it is not read from them.
    void addVersionTimes(const Validity &validity, QJsonObject &o) const
    {
        const QString created =
            validity.start.isValid() ? StixSchema::timestamp(validity.start) : m_now;
        const QString modified =
            validity.end.isValid() && StixSchema::timestamp(validity.end) >= created
            ? StixSchema::timestamp(validity.end)
            : created;
        o.insert(QLatin1String("created"), created);
        o.insert(QLatin1String("modified"), modified);
        if (!validity.start.isValid())
            o.insert(QLatin1String(kOpenStart), true);
        if (!validity.end.isValid())
            o.insert(QLatin1String(kOpenEnd), true);
    }

    static void addNodeRestoration(const Node &node, QJsonObject &o)
    {
        if (o.value(QLatin1String("id")).toString() != node.id)
            o.insert(QLatin1String(kOrvaneId), node.id);
        if (o.value(QLatin1String("type")).toString() != node.type)
            o.insert(QLatin1String(kOrvaneType), node.type);
        if (nodeLabelOf(o, node.id) != node.label)
            o.insert(QLatin1String(kOrvaneLabel), node.label);
        if (sameRows(nodeRowsOf(o), node.attributes))
            return;
        if (node.attributes.isEmpty()) {
            o.insert(QLatin1String(kNoAttributes), true);
            return;
        }
        QJsonArray rows;
        for (const AttributeRow &row : node.attributes)
            rows.append(QJsonObject{{QStringLiteral("key"), row.key},
                                    {QStringLiteral("value"), row.value}});
        o.insert(QLatin1String(kAttributes), rows);
    }

    static QString relationshipType(const QString &type)
    {
        static const QRegularExpression form(QStringLiteral("^[a-z0-9]+(-[a-z0-9]+)*$"));
        if (type.size() >= 3 && type.size() <= 250 && form.match(type).hasMatch())
            return type;
        const QString slug = customTypeFor(type).mid(9); // without "x-orvane-"
        if (!type.trimmed().isEmpty() && slug.size() >= 3 && slug != u"node")
            return slug;
        return QStringLiteral("related-to");
    }

    // The reference to a relation's end: the STIX id of its node, or the end itself when it
    // already is an identifier of an object a relationship may point at.
    QString endReference(const QString &end, const char *restoreKey, QJsonObject &o) const
    {
        const auto it = m_stixIds.constFind(end);
        if (it != m_stixIds.cend())
            return *it;
        static const QSet<QString> notEnds = {
            QStringLiteral("relationship"),       QStringLiteral("sighting"),
            QStringLiteral("bundle"),             QStringLiteral("marking-definition"),
            QStringLiteral("language-content"),   QStringLiteral("extension-definition")};
        if (StixSchema::isIdentifier(end) && !notEnds.contains(StixSchema::identifierType(end)))
            return end;
        o.insert(QLatin1String(restoreKey), end);
        return StixSchema::derivedIdentifier(QStringLiteral("x-orvane-node"), end);
    }

    QJsonObject relationshipObject(const Edge &edge) const
    {
        QJsonObject o;
        const QString type = QStringLiteral("relationship");
        o.insert(QLatin1String("type"), type);
        o.insert(QLatin1String("spec_version"), QLatin1String("2.1"));
        const QString id =
            StixSchema::isIdentifier(edge.id) && StixSchema::identifierType(edge.id) == type
            ? edge.id
            : StixSchema::derivedIdentifier(type, edge.id);
        o.insert(QLatin1String("id"), id);
        for (auto it = edge.properties.cbegin(); it != edge.properties.cend(); ++it) {
            if (!it.key().startsWith(kStixPrefix))
                continue;
            const QString name = it.key().mid(kStixPrefix.size());
            if (isReservedForRelationshipExport(name) || !StixSchema::isPropertyName(name))
                continue;
            const QJsonValue given = QJsonValue::fromVariant(it.value());
            const QJsonValue value =
                given.isBool() || given.isDouble() ? given : QJsonValue(it.value().toString());
            if (const std::optional<QJsonValue> typed = StixSchema::typedValue(name, value))
                o.insert(name, *typed);
        }
        const QString relationship = relationshipType(edge.type);
        o.insert(QLatin1String("relationship_type"), relationship);
        o.insert(QLatin1String("source_ref"), endReference(edge.src, kSource, o));
        o.insert(QLatin1String("target_ref"), endReference(edge.dst, kTarget, o));
        if (!edge.description.isEmpty())
            o.insert(QLatin1String("description"), edge.description);
        if (edge.validity.start.isValid())
            o.insert(QLatin1String("start_time"), StixSchema::timestamp(edge.validity.start));
        if (edge.validity.end.isValid())
            o.insert(QLatin1String("stop_time"), StixSchema::timestamp(edge.validity.end));
        addVersionTimes(edge.validity, o);
        if (id != edge.id)
            o.insert(QLatin1String(kOrvaneId), edge.id);
        if (relationship != edge.type)
            o.insert(QLatin1String(kOrvaneType), edge.type);
        if (relationship != edge.label)
            o.insert(QLatin1String(kOrvaneLabel), edge.label);
        return o;
    }

    const Graph &m_graph;
    const QString m_now;
    QHash<QString, QString> m_stixIds; // node id -> STIX id
    mutable QHash<QString, WordMeaning> m_meanings;
};

} // namespace

bool exportBundle(const QString &path, const Graph &graph, QString *message, int *objectCount)
{
    auto report = [message](bool ok, const QString &text) {
        if (message)
            *message = text;
        return ok;
    };
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return report(false, QStringLiteral("Impossible d'écrire le fichier STIX:") + path);
    const QJsonArray objects = BundleWriter(graph).objects();
    QJsonObject bundle{
        {QStringLiteral("type"), QStringLiteral("bundle")},
        {QStringLiteral("id"),
         QString(QStringLiteral("bundle--") + QUuid::createUuid().toString(QUuid::WithoutBraces))}};
    if (!objects.isEmpty()) // the standard gives a bundle no empty list
        bundle.insert(QStringLiteral("objects"), objects);
    if (file.write(QJsonDocument(bundle).toJson(QJsonDocument::Indented)) < 0 || !file.commit())
        return report(false, QStringLiteral("Erreur lors de l'enregistrement du fichier STIX."));
    if (objectCount)
        *objectCount = int(objects.size());
    return report(true, QStringLiteral("Export STIX terminé : %1 objets dans le bundle.")
                            .arg(objects.size()));
}

} // namespace StixIo
