#include "interchange/stixio.h"

#include "interchange/jsontext.h"
#include "interchange/stixio_p.h"
#include "interchange/stixschema.h"
#include "model/graph.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSaveFile>
#include <QSet>
#include <QUuid>

#include <algorithm>
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

// A relation word that names a STIX relationship type, in the standard's words or in the
// usual French ones; inverse when the word reads from target to source ("est hébergé par").
struct Verb
{
    QString type;
    bool inverse = false;
};

std::optional<Verb> verbOf(const QString &word)
{
    static const QHash<QString, Verb> table = [] {
        QHash<QString, Verb> t;
        auto add = [&t](const char *type, std::initializer_list<const char *> words,
                        bool inverse = false) {
            const QString name = QLatin1String(type);
            t.insert(normalizedWord(name), {name, false});
            for (const char *w : words)
                t.insert(normalizedWord(QString::fromUtf8(w)), {name, inverse});
        };
        add("uses", {"utilise", "emploie", "se sert de"});
        add("uses", {"est utilisé par", "utilisé par"}, true);
        add("targets", {"cible", "vise", "attaque"});
        add("targets", {"est ciblé par", "ciblé par", "visé par"}, true);
        add("resolves-to", {"résout en", "résout vers", "se résout en", "pointe vers"});
        add("belongs-to", {"appartient à", "fait partie de"});
        add("hosts", {"héberge"});
        add("hosts", {"est hébergé par", "hébergé par", "hébergé sur", "est hébergé sur"}, true);
        add("communicates-with", {"communique avec", "contacte", "se connecte à"});
        add("attributed-to", {"attribué à", "est attribué à", "imputé à"});
        add("indicates", {"indique", "signale"});
        add("mitigates", {"atténue", "protège contre"});
        add("related-to", {"lié à", "relié à", "associé à", "en lien avec", "relation"});
        add("derived-from", {"dérivé de", "dérive de"});
        add("duplicate-of", {"doublon de", "double de"});
        add("delivers", {"livre", "distribue", "dépose la charge"});
        add("compromises", {"compromet"});
        add("originates-from", {"provient de", "originaire de", "vient de"});
        add("investigates", {"enquête sur"});
        add("remediates", {"remédie à", "corrige"});
        add("located-at", {"situé à", "localisé à", "se trouve à"});
        add("based-on", {"basé sur", "fondé sur"});
        add("consists-of", {"consiste en", "composé de", "contient"});
        add("controls", {"contrôle", "pilote"});
        add("owns", {"possède", "détient"});
        add("has", {"a"});
        add("authored-by", {"écrit par", "rédigé par", "auteur"});
        add("beacons-to", {"balise vers", "émet vers"});
        add("exfiltrates-to", {"exfiltre vers", "exfiltre à"});
        add("downloads", {"télécharge"});
        add("drops", {"dépose", "largue"});
        add("exploits", {"exploite"});
        add("variant-of", {"variante de"});
        add("characterizes", {"caractérise"});
        add("analysis-of", {"analyse de"});
        add("static-analysis-of", {"analyse statique de"});
        add("dynamic-analysis-of", {"analyse dynamique de"});
        add("impersonates", {"usurpe", "se fait passer pour"});
        return t;
    }();
    const auto it = table.constFind(normalizedWord(word));
    if (it == table.cend())
        return std::nullopt;
    return *it;
}


// ---- values of observables -------------------------------------------------------------

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

// ---- objects being written ---------------------------------------------------------------

// An object on its way into the bundle. Properties stay sorted by name, as QJsonObject keeps
// them, so that the text comes out as QJsonDocument would write it; strings stay QStrings
// rather than becoming JSON values, each of which would cost an allocation, and an export
// builds tens of thousands of objects.
class StixObject
{
public:
    StixObject() { m_properties.reserve(16); } // more than most objects hold

    void insert(const QString &name, const QString &text)
    {
        put({name, Form::Text, text, QJsonValue(), {}});
    }
    void insert(const QString &name, const QJsonValue &value)
    {
        put({name, Form::Value, QString(), value, {}});
    }
    void remove(const QString &name)
    {
        const qsizetype at = lowerBound(name);
        if (at < m_properties.size() && m_properties.at(at).name == name)
            m_properties.removeAt(at);
    }
    // An object as it came: its properties, in the same name order.
    static StixObject fromJson(const QJsonObject &object)
    {
        StixObject o;
        o.m_properties.reserve(object.size());
        for (auto it = object.constBegin(); it != object.constEnd(); ++it)
            o.put({it.key(), Form::Value, QString(), it.value(), {}});
        return o;
    }
    // Attribute rows, as an array of {"key", "value"} objects.
    void insertRows(const QString &name, const QList<AttributeRow> &rows)
    {
        put({name, Form::Rows, QString(), QJsonValue(), rows});
    }

    template<typename Name>
    bool contains(const Name &name) const
    {
        return find(name) != nullptr;
    }
    // The property as a JSON value; undefined when absent.
    template<typename Name>
    QJsonValue value(const Name &name) const
    {
        const Property *property = find(name);
        return property ? property->json() : QJsonValue(QJsonValue::Undefined);
    }
    // What nodeRowsOf and nodeLabelOf ask.
    template<typename Name>
    QString stringOf(const Name &name) const
    {
        const Property *property = find(name);
        if (!property)
            return QString();
        return property->form == Form::Text ? property->text : property->json().toString();
    }
    QString textOf(QLatin1String name) const
    {
        const Property *property = find(name);
        return property ? property->readText() : QString();
    }
    template<typename Visit>
    void forEachProperty(Visit visit) const
    {
        for (const Property &property : m_properties)
            visit(property.name, [&property] { return property.readText(); });
    }

    qsizetype size() const { return m_properties.size(); }

    bool sameAs(const QJsonObject &object) const
    {
        if (object.size() != m_properties.size())
            return false;
        return std::all_of(m_properties.cbegin(), m_properties.cend(), [&](const Property &p) {
            return object.value(p.name) == p.json();
        });
    }

    void write(JsonText &out, int level) const
    {
        out.appendContainer('{', '}', level, m_properties.size(), [&](qsizetype i) {
            const Property &property = m_properties.at(i);
            out.appendKey(property.name);
            switch (property.form) {
            case Form::Text:
                out.appendString(property.text);
                break;
            case Form::Value:
                out.appendValue(property.value, level + 1);
                break;
            case Form::Rows:
                out.appendContainer('[', ']', level + 1, property.rows.size(), [&](qsizetype r) {
                    const AttributeRow &row = property.rows.at(r);
                    out.appendContainer('{', '}', level + 2, 2, [&](qsizetype member) {
                        out.appendKey(member == 0 ? QStringView(u"key") : QStringView(u"value"));
                        out.appendString(member == 0 ? row.key : row.value);
                    });
                });
                break;
            }
        });
    }

private:
    enum class Form { Text, Value, Rows };

    struct Property
    {
        QString name;
        Form form;
        QString text;
        QJsonValue value;
        QList<AttributeRow> rows;

        QJsonValue json() const
        {
            switch (form) {
            case Form::Text: return QJsonValue(text);
            case Form::Value: break;
            case Form::Rows: {
                QJsonArray array;
                for (const AttributeRow &row : rows)
                    array.append(QJsonObject{{QStringLiteral("key"), row.key},
                                             {QStringLiteral("value"), row.value}});
                return array;
            }
            }
            return value;
        }

        // The text the reader keeps of the property.
        QString readText() const
        {
            return form == Form::Text ? text : StixSchema::rowText(json());
        }
    };

    template<typename Name>
    qsizetype lowerBound(const Name &name) const
    {
        const auto it = std::lower_bound(
            m_properties.cbegin(), m_properties.cend(), name,
            [](const Property &property, const Name &n) { return property.name.compare(n) < 0; });
        return it - m_properties.cbegin();
    }

    template<typename Name>
    const Property *find(const Name &name) const
    {
        const qsizetype at = lowerBound(name);
        return at < m_properties.size() && m_properties.at(at).name.compare(name) == 0
            ? &m_properties.at(at)
            : nullptr;
    }

    void put(Property &&property)
    {
        const qsizetype at = lowerBound(property.name);
        if (at < m_properties.size() && m_properties.at(at).name == property.name)
            m_properties[at] = std::move(property);
        else
            m_properties.insert(at, std::move(property));
    }

    QList<Property> m_properties;
};

// ---- writing ---------------------------------------------------------------------------

// Property names, shared rather than built again for every object.
const QString kType = QStringLiteral("type");
const QString kId = QStringLiteral("id");
const QString kSpecVersion = QStringLiteral("spec_version");
const QString kName = QStringLiteral("name");
const QString kValue = QStringLiteral("value");
const QString kDescription = QStringLiteral("description");
const QString kCreated = QStringLiteral("created");
const QString kModified = QStringLiteral("modified");
const QString kValidFrom = QStringLiteral("valid_from");
const QString kValidUntil = QStringLiteral("valid_until");

bool isReservedForNodeExport(const QString &name)
{
    static const QSet<QString> reserved = {
        QStringLiteral("type"),        QStringLiteral("id"),         QStringLiteral("spec_version"),
        QStringLiteral("value"),       QStringLiteral("name"),       QStringLiteral("description"),
        QStringLiteral("valid_from"),  QStringLiteral("valid_until"), QStringLiteral("created"),
        QStringLiteral("modified")};
    return reserved.contains(name) || name.startsWith(kOrvanePrefix);
}

// What the reader takes into fields, except confidence, which it reads as a row first.
bool isReservedForRelationshipExport(const QString &name)
{
    return name == u"value" || (name != u"confidence" && isReservedForRelationship(name));
}

bool isReservedForSightingExport(const QString &name)
{
    return name != u"confidence" && isReservedForSighting(name);
}

bool hasAll(const StixObject &object, std::initializer_list<const char *> names)
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

// The same rows in any order: a project file need not give rows back in the order they were
// saved.
bool sameRowSet(const QList<AttributeRow> &a, const QList<AttributeRow> &b)
{
    auto pairs = [](const QList<AttributeRow> &rows) {
        QList<std::pair<QString, QString>> list;
        list.reserve(rows.size());
        for (const AttributeRow &row : rows)
            list.append({row.key, row.value});
        std::sort(list.begin(), list.end());
        return list;
    };
    return a.size() == b.size() && pairs(a) == pairs(b);
}

// Writes the objects of a graph one after the other: node objects first, so that relationships
// can refer to the identifiers they were given.
class BundleWriter
{
public:
    explicit BundleWriter(const Graph &graph)
        : m_graph(graph), m_now(StixSchema::timestamp(QDateTime::currentDateTimeUtc()))
    {
    }

    // Calls take(object) for every object, in bundle order.
    template<typename Take>
    void objects(Take take)
    {
        const StixRecords &stix = m_graph.stix();
        for (const QJsonObject &object : stix.detached)
            take(StixObject::fromJson(object));
        m_stixIds.reserve(m_graph.nodes().size());
        for (const Node &node : m_graph.nodes()) {
            std::optional<StixObject> object;
            const auto origin = stix.nodeOrigins.constFind(node.id);
            if (origin != stix.nodeOrigins.cend())
                object = originNodeObject(node, *origin);
            if (!object)
                object = nodeObject(node);
            m_stixIds.insert(node.id, object->stringOf(QLatin1String("id")));
            take(*object);
        }
        for (const Edge &edge : m_graph.edges()) {
            std::optional<StixObject> object;
            const auto origin = stix.edgeOrigins.constFind(edge.id);
            if (origin != stix.edgeOrigins.cend())
                object = originRelationObject(edge, *origin);
            take(object ? *object : relationshipObject(edge));
        }
    }

private:
    struct Choice
    {
        QString type;
        Family family = Family::None;
    };

    // What a type word of the analyst stands for. Investigations use a handful of type words
    // over many nodes: each is looked at once.
    struct TypeWord
    {
        Kind kind = Kind::Custom;
        bool isCustomType = false;
        WordMeaning meaning;
        QString customType;
    };

    TypeWord typeWord(const QString &word) const
    {
        auto it = m_typeWords.constFind(word);
        if (it == m_typeWords.cend()) {
            const Kind kind = StixSchema::kindOf(word);
            const bool custom = StixSchema::isCustomTypeName(word);
            const bool standard = kind == Kind::Domain || kind == Kind::Observable;
            it = m_typeWords.insert(
                word, {kind, custom, standard || custom ? WordMeaning() : meaningOf(word),
                       customTypeFor(word)});
        }
        return *it;
    }

    // The standard type a node's own type names, else the one the analyst's word means.
    Choice choose(const Node &node, const TypeWord &word) const
    {
        if (word.kind == Kind::Domain || word.kind == Kind::Observable)
            return {node.type, node.type == u"file" ? Family::File : Family::Standard};
        if (word.isCustomType)
            return {node.type, Family::Standard};
        const QString value = node.label.trimmed();
        switch (word.meaning.family) {
        case Family::Address:
            for (const QString &type : {QStringLiteral("ipv4-addr"), QStringLiteral("ipv6-addr")}) {
                if (StixSchema::isObservableValue(type, value))
                    return {type, Family::Address};
            }
            return {};
        case Family::Domain:
            return {QStringLiteral("domain-name"), Family::Domain};
        case Family::Url:
            return {QStringLiteral("url"), Family::Url};
        case Family::Email:
            return {QStringLiteral("email-addr"), Family::Email};
        case Family::AutonomousSystem:
            return {QStringLiteral("autonomous-system"), Family::AutonomousSystem};
        case Family::Hash:
        case Family::File:
            return {QStringLiteral("file"), word.meaning.family};
        case Family::Location:
            return {QStringLiteral("location"), Family::Location};
        case Family::Organization:
        case Family::Individual:
            return {QStringLiteral("identity"), word.meaning.family};
        case Family::Standard:
            return {word.meaning.type, Family::Standard};
        case Family::None: break;
        }
        return {};
    }

    StixObject nodeObject(const Node &node) const
    {
        const TypeWord word = typeWord(node.type);
        const Choice choice = choose(node, word);
        if (!choice.type.isEmpty()) {
            if (std::optional<StixObject> object = typedObject(node, choice))
                return *object;
        }
        // No standard type fits, or the node lacks what that type requires.
        return *typedObject(node, {word.customType, Family::None});
    }

    std::optional<StixObject> typedObject(const Node &node, const Choice &choice) const
    {
        const QString &type = choice.type;
        const Kind kind = StixSchema::kindOf(type);
        if (kind == Kind::Relationship || kind == Kind::Meta)
            return std::nullopt;
        StixObject o;
        o.insert(kType, type);
        o.insert(kSpecVersion, QStringLiteral("2.1"));
        o.insert(kId,
                 StixSchema::isIdentifier(node.id) && StixSchema::identifierType(node.id) == type
                     ? node.id
                     : StixSchema::derivedIdentifier(type, node.id));
        addStixRows(node.attributes, isReservedForNodeExport, o);

        const QString &label = node.label;
        const bool hasLabel = !label.isEmpty() && label != node.id;
        auto lacks = [&o](const char *name) { return !o.contains(QLatin1String(name)); };

        if (kind == Kind::Observable) {
            if (type == u"ipv4-addr" || type == u"ipv6-addr" || type == u"domain-name"
                || type == u"url" || type == u"email-addr" || type == u"mac-addr") {
                // Objects that came as such keep their value as it was.
                const QString value = choice.family == Family::Standard ? label : label.trimmed();
                if (!StixSchema::isObservableValue(type, value))
                    return std::nullopt;
                o.insert(kValue, value);
            } else if (type == u"autonomous-system") {
                if (lacks("number")) {
                    const std::optional<qint64> number = asNumberOf(label);
                    if (!number)
                        return std::nullopt;
                    o.insert(QStringLiteral("number"), QJsonValue(*number));
                }
                if (hasLabel && !asNumberOf(label))
                    o.insert(kName, label);
            } else if (type == u"file") {
                if (lacks("hashes")) {
                    const QJsonObject hashes = hashesOf(node);
                    if (!hashes.isEmpty())
                        o.insert(QStringLiteral("hashes"), QJsonValue(hashes));
                }
                if (choice.family == Family::File && hasLabel)
                    o.insert(kName, label);
                if (lacks("hashes") && lacks("name"))
                    return std::nullopt;
            } else if (type == u"software" || type == u"mutex") {
                if (!hasLabel)
                    return std::nullopt;
                o.insert(kName, label);
            } else if (!observableComplete(type, o)) {
                return std::nullopt;
            }
        } else {
            if (!label.isEmpty())
                o.insert(kName, label);
            if (!domainComplete(node, choice, o))
                return std::nullopt;
        }
        if (!node.description.isEmpty())
            o.insert(kDescription, node.description);
        const Validity &validity = node.validity;
        const QString start = StixSchema::timestamp(validity.start);
        const QString end = StixSchema::timestamp(validity.end);
        if (!start.isEmpty())
            o.insert(kValidFrom, start);
        if (!end.isEmpty())
            o.insert(kValidUntil, end);
        if (kind != Kind::Observable) {
            addVersionTimes(start, end, o);
            if (type == u"indicator" && lacks("valid_from"))
                o.insert(kValidFrom, o.stringOf(QLatin1String("created")));
        }
        addNodeRestoration(node, o);
        return o;
    }

    // What the standard requires of the observables without a value of their own.
    static bool observableComplete(const QString &type, const StixObject &o)
    {
        if (type == u"directory")
            return hasAll(o, {"path"});
        if (type == u"email-message") {
            // A multipart message has no body, and a single-part one no parts.
            const QJsonValue multipart = o.value(QLatin1String("is_multipart"));
            return multipart.isBool()
                && !o.contains(QLatin1String(multipart.toBool() ? "body" : "body_multipart"));
        }
        if (type == u"network-traffic")
            return hasAll(o, {"protocols"}) && (hasAll(o, {"src_ref"}) || hasAll(o, {"dst_ref"}))
                && !(o.value(QLatin1String("is_active")).toBool() && hasAll(o, {"end"}));
        if (type == u"artifact")
            return hasAll(o, {"payload_bin"}) || hasAll(o, {"url", "hashes"});
        // At least one of the properties the schemas list for the type.
        static const QHash<QString, QStringList> anyOf = {
            {QStringLiteral("process"),
             {"extensions", "is_hidden", "pid", "cwd", "arguments", "command_line",
              "environment_variables", "opened_connection_refs", "creator_user_ref", "image_ref",
              "parent_ref", "child_refs"}},
            {QStringLiteral("user-account"),
             {"extensions", "user_id", "credential", "account_login", "account_type",
              "display_name", "is_service_account", "is_privileged", "can_escalate_privs",
              "is_disabled", "account_created", "account_expires", "credential_last_changed",
              "account_first_login", "account_last_login"}},
            {QStringLiteral("windows-registry-key"),
             {"key", "values", "creator_user_ref", "number_of_subkeys"}},
            {QStringLiteral("x509-certificate"),
             {"is_self_signed", "hashes", "version", "serial_number", "signature_algorithm",
              "issuer", "validity_not_before", "validity_not_after", "subject",
              "subject_public_key_algorithm", "subject_public_key_modulus",
              "subject_public_key_exponent", "x509_v3_extensions"}}};
        const QStringList names = anyOf.value(type);
        return std::any_of(names.cbegin(), names.cend(),
                           [&o](const QString &name) { return o.contains(name); });
    }

    bool domainComplete(const Node &node, const Choice &choice, StixObject &o) const
    {
        const QString &type = choice.type;
        const bool named = o.contains(QLatin1String("name"));
        if (StixSchema::kindOf(type) == Kind::Custom)
            return true;
        if (type == u"malware") {
            if (!o.contains(QLatin1String("is_family")))
                o.insert(QStringLiteral("is_family"), QJsonValue(named));
            return named || !o.value(QLatin1String("is_family")).toBool();
        }
        if (type == u"indicator") {
            if (!o.value(QLatin1String("pattern")).isString())
                return false;
            if (!o.contains(QLatin1String("pattern_type")))
                o.insert(QStringLiteral("pattern_type"), QStringLiteral("stix"));
            return true;
        }
        if (type == u"identity" && !o.contains(QLatin1String("identity_class"))) {
            if (choice.family == Family::Organization)
                o.insert(QStringLiteral("identity_class"), QStringLiteral("organization"));
            else if (choice.family == Family::Individual)
                o.insert(QStringLiteral("identity_class"), QStringLiteral("individual"));
        }
        if (type == u"location") {
            if (hasAll(o, {"region"}) || hasAll(o, {"country"}) || hasAll(o, {"latitude", "longitude"}))
                return true;
            if (!node.geoLat || !node.geoLon || std::abs(*node.geoLat) > 90
                || std::abs(*node.geoLon) > 180)
                return false;
            o.insert(QStringLiteral("latitude"), QJsonValue(*node.geoLat));
            o.insert(QStringLiteral("longitude"), QJsonValue(*node.geoLon));
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
        // attack-pattern, campaign, course-of-action, identity, infrastructure, intrusion-set,
        // threat-actor, tool, vulnerability
        return named;
    }

    // The "stix:" rows of a record, first non-empty row of a name winning, typed as the
    // standard types them.
    static void addStixRows(const QList<AttributeRow> &rows, bool (*reserved)(const QString &),
                            StixObject &o)
    {
        const QHash<QString, QString> texts = stixTexts(rows);
        for (auto it = texts.cbegin(); it != texts.cend(); ++it) {
            if (reserved(it.key()) || !StixSchema::isPropertyName(it.key()))
                continue;
            if (const std::optional<QJsonValue> value =
                    StixSchema::typedValue(it.key(), QJsonValue(*it)))
                addTyped(it.key(), *value, o);
        }
    }

    // Property name -> text of the first non-empty "stix:" row of that name.
    static QHash<QString, QString> stixTexts(const QList<AttributeRow> &rows)
    {
        QHash<QString, QString> texts;
        for (const AttributeRow &row : rows) {
            if (!row.key.startsWith(kStixPrefix) || row.value.isEmpty())
                continue;
            const QString name = row.key.mid(kStixPrefix.size());
            if (!texts.contains(name))
                texts.insert(name, row.value);
        }
        return texts;
    }

    static void addTyped(const QString &name, const QJsonValue &value, StixObject &o)
    {
        if (value.isString())
            o.insert(name, value.toString());
        else
            o.insert(name, value);
    }

    // created and modified stand for the validity bounds (given as timestamps, empty when
    // absent), which is where a reader looks for them; an absent bound is marked open so
    // that it is not read from them.
    void addVersionTimes(const QString &start, const QString &end, StixObject &o) const
    {
        const QString &created = start.isEmpty() ? m_now : start;
        const QString &modified = !end.isEmpty() && end >= created ? end : created;
        o.insert(kCreated, created);
        o.insert(kModified, modified);
        if (start.isEmpty())
            o.insert(kOpenStart, QJsonValue(true));
        if (end.isEmpty())
            o.insert(kOpenEnd, QJsonValue(true));
    }

    static void addNodeRestoration(const Node &node, StixObject &o)
    {
        if (o.stringOf(QLatin1String("id")) != node.id)
            o.insert(kOrvaneId, node.id);
        if (o.stringOf(QLatin1String("type")) != node.type)
            o.insert(kOrvaneType, node.type);
        if (nodeLabelOf(o, node.id) != node.label)
            o.insert(kOrvaneLabel, node.label);
        if (sameRows(nodeRowsOf(o), node.attributes))
            return;
        if (node.attributes.isEmpty())
            o.insert(kNoAttributes, QJsonValue(true));
        else
            o.insertRows(kAttributes, node.attributes);
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
    QString endReference(const QString &end, const QString &restoreKey, StixObject &o) const
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
        o.insert(restoreKey, end);
        return StixSchema::derivedIdentifier(QStringLiteral("x-orvane-node"), end);
    }

    StixObject relationshipObject(const Edge &edge) const
    {
        StixObject o;
        const QString type = QStringLiteral("relationship");
        o.insert(kType, type);
        o.insert(kSpecVersion, QStringLiteral("2.1"));
        const QString id =
            StixSchema::isIdentifier(edge.id) && StixSchema::identifierType(edge.id) == type
            ? edge.id
            : StixSchema::derivedIdentifier(type, edge.id);
        o.insert(kId, id);
        addStixRows(edge.attributes, isReservedForRelationshipExport, o);
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
                addTyped(name, *typed, o);
        }
        // The verb the type or the label names, else the type as a relationship type.
        std::optional<Verb> verb = verbOf(edge.type);
        if (!verb)
            verb = verbOf(edge.label);
        const QString relationship = verb ? verb->type : relationshipType(edge.type);
        o.insert(QStringLiteral("relationship_type"), relationship);
        const QString sourceRef = endReference(edge.src, kSource, o);
        const QString targetRef = endReference(edge.dst, kTarget, o);
        const bool inverse = verb && verb->inverse;
        o.insert(QStringLiteral("source_ref"), inverse ? targetRef : sourceRef);
        o.insert(QStringLiteral("target_ref"), inverse ? sourceRef : targetRef);
        if (inverse) {
            // Read from target to source: the ends are turned round, and put back on import.
            o.insert(kSource, edge.src);
            o.insert(kTarget, edge.dst);
        }
        if (!edge.description.isEmpty())
            o.insert(kDescription, edge.description);
        const QString start = StixSchema::timestamp(edge.validity.start);
        const QString end = StixSchema::timestamp(edge.validity.end);
        if (!start.isEmpty())
            o.insert(QStringLiteral("start_time"), start);
        if (!end.isEmpty())
            o.insert(QStringLiteral("stop_time"), end);
        addVersionTimes(start, end, o);
        if (id != edge.id)
            o.insert(kOrvaneId, edge.id);
        if (relationship != edge.type)
            o.insert(kOrvaneType, edge.type);
        if (relationship != edge.label)
            o.insert(kOrvaneLabel, edge.label);
        return o;
    }

    // ---- records that came from STIX ----------------------------------------------------

    // The object of an imported node: as it came while the analyst leaves the node alone,
    // else with the changed fields and a new "modified". Nothing when the node no longer
    // fits its object (its type changed, or the change leaves the object incomplete).
    std::optional<StixObject> originNodeObject(const Node &node, const StixOrigin &origin) const
    {
        StixObject o = StixObject::fromJson(origin.object);
        if (fingerprintOf(node) == origin.fingerprint)
            return o;
        const Node before = nodeOf(origin.object, node.id);
        const QString type = o.stringOf(QLatin1String("type"));
        if (before.type != node.type)
            return std::nullopt;
        // Our own restoring properties are worked out again below.
        for (const QString &name : {kOrvaneLabel, kAttributes, kNoAttributes})
            o.remove(name);
        if (node.label != before.label)
            putLabel(type, node.label, o);
        putText(kDescription, before.description, node.description, o);
        putTime(kValidFrom, before.validity.start, node.validity.start, o);
        putTime(kValidUntil, before.validity.end, node.validity.end, o);
        StixObject withRows = o;
        putRows(before.attributes, node.attributes, origin.object, isReservedForNodeExport,
                withRows);
        if (nodeComplete(node, type, withRows))
            o = withRows;
        else if (!nodeComplete(node, type, o))
            return std::nullopt;
        if (nodeLabelOf(o, node.id) != node.label)
            o.insert(kOrvaneLabel, node.label);
        if (!sameRowSet(nodeRowsOf(o), node.attributes)) {
            if (node.attributes.isEmpty())
                o.insert(kNoAttributes, QJsonValue(true));
            else
                o.insertRows(kAttributes, node.attributes);
        }
        if (!o.sameAs(origin.object))
            moveModified(origin.object, o);
        return o;
    }

    // The same for an imported relationship or sighting; nothing when its type changed.
    std::optional<StixObject> originRelationObject(const Edge &edge, const StixOrigin &origin) const
    {
        StixObject o = StixObject::fromJson(origin.object);
        const bool sighting = o.stringOf(QLatin1String("type")) == u"sighting";
        const QString sourceName = sighting ? QStringLiteral("sighting_of_ref")
                                            : QStringLiteral("source_ref");
        StixObject scratch; // restoring properties of the ends are not wanted here
        const QString sourceRef = endReference(edge.src, kSource, scratch);
        const QString targetRef = endReference(edge.dst, kTarget, scratch);
        const bool sameEnds = scratch.size() == 0 && o.stringOf(sourceName) == sourceRef
            && (sighting || o.stringOf(QLatin1String("target_ref")) == targetRef);
        if (sameEnds && fingerprintOf(edge) == origin.fingerprint)
            return o;
        const Edge before = edgeOf(origin.object, edge.id);
        if (before.type != edge.type || scratch.size() != 0)
            return std::nullopt;
        o.insert(sourceName, sourceRef);
        if (!sighting)
            o.insert(QStringLiteral("target_ref"), targetRef);
        putText(kDescription, before.description, edge.description, o);
        putTime(sighting ? QStringLiteral("first_seen") : QStringLiteral("start_time"),
                before.validity.start, edge.validity.start, o);
        putTime(sighting ? QStringLiteral("last_seen") : QStringLiteral("stop_time"),
                before.validity.end, edge.validity.end, o);
        putRows(before.attributes, edge.attributes, origin.object,
                sighting ? isReservedForSightingExport : isReservedForRelationshipExport, o);
        o.remove(kOrvaneLabel);
        const QString relationship = o.stringOf(QLatin1String("relationship_type"));
        const QString readLabel = sighting ? QStringLiteral("sighting")
            : relationship.isEmpty()       ? QStringLiteral("relationship")
                                           : relationship;
        if (edge.label != readLabel)
            o.insert(kOrvaneLabel, edge.label);
        if (!o.sameAs(origin.object))
            moveModified(origin.object, o);
        return o;
    }

    // A new label goes where the label came from: the name, or the value when the standard
    // accepts it there. Elsewhere it rides along as our own property.
    static void putLabel(const QString &type, const QString &label, StixObject &o)
    {
        if (label.isEmpty())
            return;
        const bool hasName = !o.stringOf(QLatin1String("name")).isEmpty();
        const bool hasValue = !o.stringOf(QLatin1String("value")).isEmpty();
        static const QSet<QString> formedValues = {
            QStringLiteral("ipv4-addr"), QStringLiteral("ipv6-addr"), QStringLiteral("domain-name"),
            QStringLiteral("url"),       QStringLiteral("email-addr"), QStringLiteral("mac-addr")};
        if (hasName || (!hasValue && StixSchema::kindOf(type) != Kind::Observable))
            o.insert(kName, label);
        else if (hasValue
                 && (!formedValues.contains(type) || StixSchema::isObservableValue(type, label)))
            o.insert(kValue, label);
    }

    static void putText(const QString &name, const QString &before, const QString &now,
                        StixObject &o)
    {
        if (now == before)
            return;
        if (now.isEmpty())
            o.remove(name);
        else
            o.insert(name, now);
    }

    static void putTime(const QString &name, const QDateTime &before, const QDateTime &now,
                        StixObject &o)
    {
        if (now == before)
            return;
        const QString text = StixSchema::timestamp(now);
        if (text.isEmpty() || text.size() != 24) // absent, or beyond what the standard writes
            o.remove(name);
        else
            o.insert(name, text);
    }

    // The "stix:" rows the analyst changed, added or removed since the import, as properties;
    // the values of the others stay as they came.
    static void putRows(const QList<AttributeRow> &before, const QList<AttributeRow> &now,
                        const QJsonObject &original, bool (*reserved)(const QString &),
                        StixObject &o)
    {
        const QHash<QString, QString> was = stixTexts(before);
        const QHash<QString, QString> is = stixTexts(now);
        for (auto it = is.cbegin(); it != is.cend(); ++it) {
            const auto old = was.constFind(it.key());
            if ((old != was.cend() && *old == *it) || reserved(it.key())
                || !StixSchema::isPropertyName(it.key()))
                continue;
            const std::optional<QJsonValue> value =
                StixSchema::rowValue(it.key(), *it, original.value(it.key()));
            if (value)
                addTyped(it.key(), *value, o);
            else // a value the property cannot take: the property is left out, not written wrong
                o.remove(it.key());
        }
        for (auto it = was.cbegin(); it != was.cend(); ++it) {
            if (!is.contains(it.key()) && !reserved(it.key()))
                o.remove(it.key());
        }
    }

    // Whether an imported node's object still has what its type requires.
    bool nodeComplete(const Node &node, const QString &type, StixObject &o) const
    {
        switch (StixSchema::kindOf(type)) {
        case Kind::Custom: return true;
        case Kind::Domain: return domainComplete(node, {type, Family::Standard}, o);
        case Kind::Observable: break;
        case Kind::Relationship:
        case Kind::Meta: return false;
        }
        const QString value = o.stringOf(QLatin1String("value"));
        if (type == u"ipv4-addr" || type == u"ipv6-addr" || type == u"domain-name" || type == u"url"
            || type == u"email-addr" || type == u"mac-addr")
            return StixSchema::isObservableValue(type, value);
        if (type == u"autonomous-system")
            return o.value(QLatin1String("number")).isDouble();
        if (type == u"file")
            return hasAll(o, {"hashes"}) || hasAll(o, {"name"});
        if (type == u"software" || type == u"mutex")
            return hasAll(o, {"name"});
        return observableComplete(type, o);
    }

    // A changed object is a new version: "modified" moves to the time of the export, and
    // always past the version it replaces.
    void moveModified(const QJsonObject &original, StixObject &o) const
    {
        const QJsonValue modified = original.value(kModified);
        if (!modified.isString())
            return;
        const QDateTime previous = StixSchema::parseTimestamp(modified.toString());
        const QString next = previous.isValid() && StixSchema::timestamp(previous) >= m_now
            ? StixSchema::timestamp(previous.addMSecs(1))
            : m_now;
        o.insert(kModified, next);
    }

    const Graph &m_graph;
    const QString m_now;
    QHash<QString, QString> m_stixIds; // node id -> STIX id
    mutable QHash<QString, TypeWord> m_typeWords;
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

    // The text is written as QJsonDocument::Indented lays out {"id", "objects", "type"},
    // objects at the third level, and handed to the file in pieces as it grows.
    const qsizetype pieceSize = 1 << 20;
    JsonText text;
    text.bytes().reserve(pieceSize + pieceSize / 4);
    bool written = true;
    auto flush = [&] {
        written = written && file.write(text.bytes()) == text.bytes().size();
        text.bytes().resize(0);
    };
    text.bytes() += "{\n";
    text.appendIndent(1);
    text.appendKey(u"id");
    text.appendString(QString(QStringLiteral("bundle--")
                              + QUuid::createUuid().toString(QUuid::WithoutBraces)));
    int count = 0;
    BundleWriter(graph).objects([&](const StixObject &object) {
        // The standard gives a bundle no empty list: "objects" opens with its first object.
        text.bytes() += count == 0 ? ",\n    \"objects\": [\n" : ",\n";
        text.appendIndent(2);
        object.write(text, 2);
        ++count;
        if (text.bytes().size() >= pieceSize)
            flush();
    });
    if (count > 0) {
        text.bytes() += '\n';
        text.appendIndent(1);
        text.bytes() += ']';
    }
    text.bytes() += ",\n";
    text.appendIndent(1);
    text.appendKey(u"type");
    text.appendString(u"bundle");
    text.bytes() += "\n}\n";
    flush();
    if (!written || !file.commit())
        return report(false, QStringLiteral("Erreur lors de l'enregistrement du fichier STIX."));
    if (objectCount)
        *objectCount = count;
    return report(true, QStringLiteral("Export STIX terminé : %1 objets dans le bundle.")
                            .arg(count));
}

} // namespace StixIo
