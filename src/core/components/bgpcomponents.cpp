#include "components/bgpcomponents.h"

#include "components/componentutils.h"
#include "config/appconfig.h"

#include <QDebug>
#include <QJsonArray>
#include <QRegularExpression>

namespace BgpParsing {

namespace {

bool isOk(const QJsonObject &reply)
{
    return reply.value(QStringLiteral("status")).toString().toLower() == u"ok"
        && reply.value(QStringLiteral("data")).isObject();
}

// BGPView's own error ("status": "error" with a message), else the generic text.
QString failure(const QJsonObject &reply)
{
    const QString message = reply.value(QStringLiteral("status_message")).toString().trimmed();
    if (reply.value(QStringLiteral("status")).toString().toLower() == u"error"
        && !message.isEmpty())
        return message;
    return QStringLiteral("Format provider inconnu");
}

QString text(const QJsonObject &object, const QString &key)
{
    const QJsonValue value = object.value(key);
    if (value.isDouble())
        return QString::number(qint64(value.toDouble()));
    return value.toString().trimmed();
}

QString firstNonEmpty(const QJsonObject &object, const QString &key, const QString &fallback)
{
    const QString value = text(object, key);
    return value.isEmpty() ? text(object, fallback) : value;
}

QString digitsOf(const QString &value)
{
    static const QRegularExpression digits(QStringLiteral("(\\d+)"));
    const QRegularExpressionMatch match = digits.match(value);
    return match.hasMatch() ? match.captured(1) : QString();
}

void appendUnique(QList<AsRecord> &records, const AsRecord &record)
{
    for (const AsRecord &known : records) {
        if (known.digits == record.digits)
            return;
    }
    records.append(record);
}

} // namespace

QString AsRecord::neighbourText() const
{
    return name.isEmpty() ? asn : QStringLiteral("%1 -- %2").arg(name, asn);
}

Prefixes parsePrefixes(const QJsonObject &reply)
{
    Prefixes result;
    QStringList found;
    if (isOk(reply)) {
        const QJsonObject data = reply.value(QStringLiteral("data")).toObject();
        for (const char *family : {"ipv4_prefixes", "ipv6_prefixes"}) {
            for (const QJsonValue &item : data.value(QLatin1String(family)).toArray()) {
                const QString prefix =
                    item.toObject().value(QStringLiteral("prefix")).toString().trimmed();
                if (item.isObject() && !prefix.isEmpty())
                    found.append(prefix);
            }
        }
    } else if (reply.value(QStringLiteral("prefixes")).isArray()) {
        for (const QJsonValue &item : reply.value(QStringLiteral("prefixes")).toArray()) {
            const QString prefix = item.toString().trimmed();
            if (!prefix.isEmpty())
                found.append(prefix);
        }
    } else {
        result.error = failure(reply);
        return result;
    }
    result.ok = true;
    result.prefixes = ComponentUtils::withoutDuplicates(found);
    return result;
}

AsRecords parseNeighbours(const QJsonObject &reply, Neighbours kind)
{
    const QString word = kind == Neighbours::Peers       ? QStringLiteral("peers")
                         : kind == Neighbours::Upstreams ? QStringLiteral("upstreams")
                                                         : QStringLiteral("downstreams");
    AsRecords result;
    QJsonArray items;
    bool topLevel = false;
    if (isOk(reply)) {
        const QJsonObject data = reply.value(QStringLiteral("data")).toObject();
        for (const QString &family : {QStringLiteral("ipv4_"), QStringLiteral("ipv6_")}) {
            for (const QJsonValue &item : data.value(family + word).toArray())
                items.append(item);
        }
    } else if (reply.value(word).isArray()) {
        items = reply.value(word).toArray();
        topLevel = true;
    } else {
        result.error = failure(reply);
        return result;
    }
    for (const QJsonValue &item : items) {
        if (!item.isObject())
            continue;
        const QJsonObject object = item.toObject();
        AsRecord record;
        record.digits = digitsOf(text(object, QStringLiteral("asn")));
        if (record.digits.isEmpty())
            continue;
        record.asn = QStringLiteral("AS") + record.digits;
        if (topLevel) {
            record.name = text(object, QStringLiteral("name"));
            record.org = text(object, QStringLiteral("org"));
        } else {
            record.name = firstNonEmpty(object, QStringLiteral("name"), QStringLiteral("asn_name"));
            record.org = firstNonEmpty(object, QStringLiteral("description"),
                                       QStringLiteral("organization"));
        }
        appendUnique(result.records, record);
    }
    result.ok = true;
    return result;
}

AsRecords parsePrefixOrigins(const QJsonObject &reply)
{
    AsRecords result;
    const QJsonValue asns = reply.value(QStringLiteral("data")).toObject().value(QStringLiteral("asns"));
    if (!isOk(reply) || !asns.isArray()) {
        result.error = failure(reply);
        return result;
    }
    for (const QJsonValue &item : asns.toArray()) {
        const QJsonObject object = item.toObject();
        AsRecord record;
        record.digits = digitsOf(text(object, QStringLiteral("asn")));
        if (!item.isObject() || record.digits.isEmpty())
            continue;
        record.asn = QStringLiteral("AS") + record.digits;
        record.name = text(object, QStringLiteral("name"));
        record.org = text(object, QStringLiteral("description"));
        appendUnique(result.records, record);
    }
    result.ok = true;
    return result;
}

AsRecords parseIpApiAs(const QJsonObject &reply)
{
    static const QRegularExpression number(QStringLiteral("^\\s*(AS\\d+)\\s*(.*)$"));
    AsRecords result;
    if (reply.value(QStringLiteral("status")).toString() != u"success") {
        const QString message = text(reply, QStringLiteral("message"));
        result.error = message.isEmpty() ? QStringLiteral("Echec provider") : message;
        return result;
    }
    const QRegularExpressionMatch match = number.match(text(reply, QStringLiteral("as")));
    if (!match.hasMatch()) {
        result.error = QStringLiteral("Numéro d'AS introuvable");
        return result;
    }
    AsRecord record;
    record.asn = match.captured(1);
    record.digits = record.asn.mid(2);
    record.name = text(reply, QStringLiteral("asname"));
    if (record.name.isEmpty())
        record.name = match.captured(2).trimmed();
    record.org = text(reply, QStringLiteral("org"));
    result.records.append(record);
    result.ok = true;
    return result;
}

} // namespace BgpParsing

using BgpParsing::AsRecord;

namespace {

ComponentForm asForm(const QString &title, const QString &information,
                     const QString &createNodesText, const QString &colourButtonText)
{
    ComponentForm form;
    form.title = title;
    form.information = information;
    form.providerPlaceholder =
        QStringLiteral("URL du provider (utiliser %1 pour le numéro ASN, sans 'AS')");
    form.createNodesText = createNodesText;
    form.colourButtonText = colourButtonText;
    return form;
}

ComponentOptions serviceDefaults(const QString &service, const QString &path,
                                 const QString &type, const QString &colour,
                                 const QString &label)
{
    ComponentOptions options;
    options.provider = AppConfig::endpoint(service) + path;
    options.timeoutMs = 4000;
    options.nodeType = type;
    options.nodeColor = QColor(colour);
    options.relationLabel = label;
    return options;
}

const QString bgpFamily = QStringLiteral("BGP et AS");

} // namespace

void AsKeyedComponent::process(NodeRun &run) const
{
    const Node &node = run.node;
    const QString value = ComponentUtils::firstAttribute(node.attributes, QStringLiteral("asn"));
    if (value.isEmpty()) {
        run.host.log(QStringLiteral("[SKIP] Aucun attribut ASN sur le nœud %1").arg(node.id));
        return;
    }
    const QString asn = ComponentUtils::normaliseAsn(value);
    const QString digits = ComponentUtils::asnDigits(asn);
    if (digits.isEmpty()) {
        run.host.log(QStringLiteral("[SKIP] ASN invalide pour le nœud %1").arg(node.id));
        return;
    }
    run.host.progress(run.index, run.total, info().progressPrefix, asn);
    const ComponentUtils::JsonFetch reply = ComponentUtils::fetchJsonObject(
        ComponentUtils::fillTemplate(run.options.provider, digits), run.options.timeoutMs);
    const Found found = reply.ok ? parse(reply.object) : Found{false, reply.error, {}, {}};
    const Texts words = texts();
    if (!found.ok) {
        run.host.log(QStringLiteral("[ERREUR] %1 — %2").arg(asn, found.error));
        return;
    }
    if (found.count() == 0) {
        run.host.log(words.none.arg(asn));
        return;
    }
    const QString label = node.label.isEmpty() ? asn : node.label;
    const ConfirmAnswer answer = run.host.confirm(
        {QStringLiteral("Confirmation – %1").arg(label.isEmpty() ? QStringLiteral("AS") : label),
         words.confirmText.arg(found.count()), words.firstBox, words.secondBox,
         run.options.createNodes, QString(), 0});
    if (!answer.accepted) {
        run.host.log(QStringLiteral("[SKIP] %1 — action annulée par l’utilisateur").arg(asn));
        return;
    }
    apply(run, found, answer.first, answer.second && run.options.createNodes);
    run.host.log(words.success.arg(asn).arg(found.count()));
}

// ---- AS → CIDR

ComponentInfo ComponentAsToCidr::info() const
{
    return {QStringLiteral("as-to-cidr"),
            QStringLiteral("openComponentAsToCidr"),
            bgpFamily,
            QStringLiteral("AS"),
            asForm(QStringLiteral("CIDR depuis un AS"),
                   QStringLiteral("Les nœuds traités doivent avoir le type \"AS\" (casse ignorée) et "
                                  "contenir un attribut \"asn\" (ex. AS13335).\nLes plages CIDR "
                                  "trouvées seront ajoutées comme attributs 'cidr' au nœud AS.\n"
                                  "Optionnellement, des nœuds CIDR et des relations pourront être "
                                  "créés."),
                   QStringLiteral("Créer des nœuds CIDR et les relier"),
                   QStringLiteral("Couleur du nœud CIDR")),
            QStringLiteral("Récupération des CIDR depuis l'AS…"),
            QStringLiteral("Interrogation CIDR"),
            QStringLiteral("Recherche de CIDR terminée")};
}

ComponentOptions ComponentAsToCidr::defaultOptions() const
{
    return serviceDefaults(QStringLiteral("BGPView"), path(), QStringLiteral("CIDR"),
                           QStringLiteral("#a0d8ef"), QStringLiteral("a la plage d'IP"));
}

AsKeyedComponent::Texts ComponentAsToCidr::texts() const
{
    return {QStringLiteral("CIDR trouvés pour ce nœud AS : <b>%1</b>.<br>Souhaitez-vous "
                           "poursuivre pour ce nœud ?"),
            QStringLiteral("Ajouter les attributs CIDR au nœud AS"),
            QStringLiteral("Créer les nœuds CIDR et les relier"),
            QStringLiteral("[INFO] %1 — aucun CIDR trouvé"),
            QStringLiteral("[OK] %1 → %2 CIDR (appliqués selon votre choix)")};
}

AsKeyedComponent::Found ComponentAsToCidr::parse(const QJsonObject &reply) const
{
    const BgpParsing::Prefixes prefixes = BgpParsing::parsePrefixes(reply);
    return {prefixes.ok, prefixes.error, prefixes.prefixes, {}};
}

void ComponentAsToCidr::apply(NodeRun &run, const Found &found, bool attributes, bool nodes) const
{
    const Node &source = run.node;
    for (const QString &range : found.prefixes) {
        if (attributes)
            run.edit.addAttribute(source.id, QStringLiteral("cidr"), range);
    }
    if (!nodes)
        return;
    for (const QString &range : found.prefixes) {
        QString id = run.edit.findNode(run.options.nodeType, range);
        if (id.isEmpty())
            id = run.edit.createNode(source, run.options, range, {{QStringLiteral("cidr"), range}});
        run.edit.ensureEdge(source.id, id, run.options.relationLabel, EdgeDirection::Directed);
    }
}

// ---- AS neighbours

AsKeyedComponent::Found NeighbourComponent::parse(const QJsonObject &reply) const
{
    const BgpParsing::AsRecords records = BgpParsing::parseNeighbours(reply, m_kind);
    return {records.ok, records.error, {}, records.records};
}

ComponentOptions NeighbourComponent::defaultOptions() const
{
    const QString label = m_kind == BgpParsing::Neighbours::Peers ? QStringLiteral("est voisin de")
                          : m_kind == BgpParsing::Neighbours::Upstreams
                              ? QStringLiteral("reçoit du trafic de")
                              : QStringLiteral("fournit du trafic à");
    return serviceDefaults(QStringLiteral("BGPView"), path(), QStringLiteral("AS"),
                           QStringLiteral("#e5ffd1"), label);
}

void NeighbourComponent::apply(NodeRun &run, const Found &found, bool attributes,
                               bool nodes) const
{
    const bool peers = m_kind == BgpParsing::Neighbours::Peers;
    const QString key = peers                                         ? QStringLiteral("peer")
                        : m_kind == BgpParsing::Neighbours::Upstreams ? QStringLiteral("upstream")
                                                                      : QStringLiteral("downstream");
    const Node &source = run.node;
    for (const AsRecord &record : found.records) {
        if (attributes)
            run.edit.addAttribute(source.id, key, record.neighbourText());
    }
    if (!nodes)
        return;
    // Peering has no direction: one undirected relation joins two peers, drawn from either end.
    const EdgeDirection direction = peers ? EdgeDirection::Undirected : EdgeDirection::Directed;
    const QString reuseType = peers ? run.options.nodeType : QStringLiteral("AS");
    for (const AsRecord &record : found.records) {
        const QString text = record.neighbourText();
        QString id = run.edit.findNode(reuseType, text);
        if (id.isEmpty())
            id = run.edit.createNode(source, run.options, text,
                                     {{QStringLiteral("asn"), record.asn},
                                      {QStringLiteral("asn name"), record.name},
                                      {QStringLiteral("asn org"), record.org}});
        if (id != source.id)
            run.edit.ensureEdge(source.id, id, run.options.relationLabel, direction);
    }
}

ComponentInfo ComponentAsToPeers::info() const
{
    return {QStringLiteral("as-to-peers"),
            QStringLiteral("openComponentAsToPeers"),
            bgpFamily,
            QStringLiteral("AS"),
            asForm(QStringLiteral("Pairs (peers) depuis un AS"),
                   QStringLiteral("Les nœuds traités doivent avoir le type \"AS\" (casse ignorée) et "
                                  "contenir un attribut \"asn\" (ex. AS13335).\nLes pairs trouvés "
                                  "seront ajoutés comme attributs 'peer' au nœud AS (format: \"<nom> "
                                  "-- AS<id>\").\nOptionnellement, des nœuds et des relations "
                                  "bidirectionnelles pourront être créés."),
                   QStringLiteral("Créer des nœuds et les relier (bidirectionnel)"),
                   QStringLiteral("Couleur du nœud AS")),
            QStringLiteral("Récupération des pairs depuis l'AS…"),
            QStringLiteral("Interrogation Pairs"),
            QStringLiteral("Recherche de pairs terminée")};
}

AsKeyedComponent::Texts ComponentAsToPeers::texts() const
{
    return {QStringLiteral("Pairs (peers) trouvés pour ce nœud AS : <b>%1</b>.<br>Souhaitez-vous "
                           "poursuivre pour ce nœud ?"),
            QStringLiteral("Ajouter les attributs 'peer' au nœud AS"),
            QStringLiteral("Créer les nœuds PEER/VOISIN et les relier (bidirectionnel)"),
            QStringLiteral("[INFO] %1 — aucun pair trouvé"),
            QStringLiteral("[OK] %1 → %2 pairs (appliqués selon votre choix)")};
}

ComponentInfo ComponentAsToUpstreams::info() const
{
    return {QStringLiteral("as-to-upstreams"),
            QStringLiteral("openComponentAsToUpstreams"),
            bgpFamily,
            QStringLiteral("AS"),
            asForm(QStringLiteral("Upstreams (fournisseurs en amont) depuis un AS"),
                   QStringLiteral("Les nœuds traités doivent avoir le type \"AS\" et contenir un "
                                  "attribut \"asn\" (ex. AS13335).\nLes upstreams trouvés seront "
                                  "ajoutés comme attributs 'upstream' au nœud AS au format \"<nom> "
                                  "-- AS<id>\".\nOptionnellement, des nœuds AS seront créés et "
                                  "reliés par une arête « reçoit du trafic de » (DirectedInverse)."),
                   QStringLiteral("Créer des nœuds AS upstream et les relier"),
                   QStringLiteral("Couleur du nœud créé")),
            QStringLiteral("Récupération des upstreams depuis l'AS…"),
            QStringLiteral("Interrogation Upstreams"),
            QStringLiteral("Recherche de pairs terminée")};
}

AsKeyedComponent::Texts ComponentAsToUpstreams::texts() const
{
    return {QStringLiteral("Upstreams trouvés pour ce nœud AS : <b>%1</b>.<br>Souhaitez-vous "
                           "appliquer les résultats pour ce nœud ?"),
            QStringLiteral("Ajouter les attributs 'upstream' (format: \"<nom> -- AS<id>\") au nœud "
                           "AS"),
            QStringLiteral("Créer les nœuds AS et les relier avec le label saisi"),
            QStringLiteral("[INFO] %1 — aucun upstream trouvé"),
            QStringLiteral("[OK] %1 → %2 upstream(s) (appliqués selon votre choix)")};
}

ComponentInfo ComponentAsToDownstreams::info() const
{
    return {QStringLiteral("as-to-downstreams"),
            QStringLiteral("openComponentAsToDownstreams"),
            bgpFamily,
            QStringLiteral("AS"),
            asForm(QStringLiteral("Downstreams (fournisseurs en aval) depuis un AS"),
                   QStringLiteral("Les nœuds traités doivent avoir le type \"AS\" et contenir un "
                                  "attribut \"asn\" (ex. AS13335).\nLes downstreams trouvés seront "
                                  "ajoutés comme attributs 'downstream' au nœud AS au format "
                                  "\"<nom> -- AS<id>\".\nOptionnellement, des nœuds AS seront créés "
                                  "et reliés par une arête « fournit du trafic à »."),
                   QStringLiteral("Créer des nœuds AS downstream et les relier"),
                   QStringLiteral("Couleur du nœud créé")),
            QStringLiteral("Récupération des downstreams depuis l'AS…"),
            QStringLiteral("Interrogation Downstreams"),
            QStringLiteral("Recherche de pairs terminée")};
}

AsKeyedComponent::Texts ComponentAsToDownstreams::texts() const
{
    return {QStringLiteral("Downstreams trouvés pour ce nœud AS : <b>%1</b>.<br>Souhaitez-vous "
                           "appliquer les résultats pour ce nœud ?"),
            QStringLiteral("Ajouter les attributs 'downstream' (format: \"<nom> -- AS<id>\") au "
                           "nœud AS"),
            QStringLiteral("Créer les nœuds AS et les relier avec le label saisi"),
            QStringLiteral("[INFO] %1 — aucun downstream trouvé"),
            QStringLiteral("[OK] %1 → %2 downstream(s) (appliqués selon votre choix)")};
}

// ---- CIDR → AS and IP → AS

namespace {

// The AS attributes on the source node and, with creation on, the AS node (found by its
// "asn" attribute) joined from the source.
void applyAs(NodeRun &run, const AsRecord &record, const QString &label)
{
    run.edit.addAttribute(run.node.id, QStringLiteral("asn"), record.asn);
    run.edit.addAttribute(run.node.id, QStringLiteral("asn_name"), record.name);
    run.edit.addAttribute(run.node.id, QStringLiteral("asn_org"), record.org);
    if (!run.options.createNodes)
        return;
    QString id = run.edit.findNodeByAttribute(run.options.nodeType, QStringLiteral("asn"),
                                              record.asn);
    if (id.isEmpty())
        id = run.edit.createNode(run.node, run.options, label,
                                 {{QStringLiteral("asn"), record.asn},
                                  {QStringLiteral("asn_name"), record.name},
                                  {QStringLiteral("asn_org"), record.org}});
    if (id != run.node.id)
        run.edit.ensureEdge(run.node.id, id, run.options.relationLabel, EdgeDirection::Directed);
}

} // namespace

ComponentInfo ComponentCidrToAs::info() const
{
    ComponentForm form;
    form.title = QStringLiteral("AS depuis un CIDR");
    form.information = QStringLiteral(
        "Les nœuds traités doivent avoir le type \"CIDR\" (casse ignorée).\nLe CIDR est lu depuis "
        "l'attribut 'cidr' s'il existe, sinon depuis le label du nœud.\nLes champs récupérés "
        "(asn, asn_name, asn_org) seront ajoutés en attributs.\nOptionnellement, des nœuds AS et "
        "des relations pourront être créés.");
    form.providerPlaceholder = QStringLiteral("URL du provider (utiliser %1 pour le CIDR)");
    form.createNodesText = QStringLiteral("Créer des nœuds AS et les relier");
    form.colourButtonText = QStringLiteral("Couleur du nœud AS");
    return {QStringLiteral("cidr-to-as"),       QStringLiteral("openComponentCidrToAs"),
            bgpFamily,                          QStringLiteral("CIDR"),
            form,                               QStringLiteral("CIDR → AS"),
            QStringLiteral("Interrogation AS"), QStringLiteral("Recherche d'AS terminée")};
}

ComponentOptions ComponentCidrToAs::defaultOptions() const
{
    return serviceDefaults(QStringLiteral("BGPView"), QStringLiteral("/prefix/%1"),
                           QStringLiteral("AS"), QStringLiteral("#ffd166"),
                           QStringLiteral("appartient à"));
}

void ComponentCidrToAs::process(NodeRun &run) const
{
    static const QRegularExpression rangeShape(QStringLiteral("(.+)\\/\\d{1,3}\\s*$"));
    const Node &node = run.node;
    QString range = ComponentUtils::firstAttribute(node.attributes, QStringLiteral("cidr"));
    if (range.isEmpty())
        range = node.label.trimmed();
    if (!rangeShape.match(range).hasMatch()) {
        run.host.log(QStringLiteral("[SKIP] %1 — pas de CIDR exploitable (type:%2, label:%3)")
                         .arg(node.id, node.type, node.label));
        return;
    }
    run.host.progress(run.index, run.total, info().progressPrefix, range);
    const ComponentUtils::JsonFetch reply = ComponentUtils::fetchJsonObject(
        ComponentUtils::fillTemplate(run.options.provider, range), run.options.timeoutMs);
    const BgpParsing::AsRecords found =
        reply.ok ? BgpParsing::parsePrefixOrigins(reply.object) : BgpParsing::AsRecords{false, {}, reply.error};
    if (!found.ok) {
        run.host.log(QStringLiteral("[ERREUR] %1 — %2").arg(range, found.error));
        return;
    }
    if (found.records.isEmpty()) {
        run.host.log(QStringLiteral("[OK] %1 → aucun AS trouvé").arg(range));
        return;
    }
    qDebug().noquote() << QStringLiteral("[DEBUG] applyAsAttrsToCidrNode -> nid: %1 AS count: %2")
                              .arg(node.id)
                              .arg(found.records.size());
    QStringList listed;
    for (const AsRecord &record : found.records) {
        applyAs(run, record,
                record.name.isEmpty() ? record.asn
                                      : QStringLiteral("%1 -- %2").arg(record.asn, record.name));
        listed.append(QStringLiteral("%1 (%2)").arg(record.asn, record.name));
    }
    run.host.log(QStringLiteral("[OK] %1 → %2").arg(range, listed.join(QStringLiteral(", "))));
}

ComponentInfo ComponentIpToAs::info() const
{
    ComponentForm form;
    form.title = QStringLiteral("Recherche d'AS depuis IP");
    form.information = QStringLiteral(
        "Les nœuds traités doivent avoir le type \"IP\" (casse ignorée).\nLe numéro d'AS et son "
        "nom seront ajoutés en tant qu'attributs du nœud.\nOptionnellement, un nœud AS (\"NAME -- "
        "AS1234\") et une relation peuvent être créés.");
    form.providerPlaceholder = QStringLiteral("URL du provider (utiliser %1 pour l'IP)");
    form.createNodesText = QStringLiteral("Créer un nœud et une relation");
    form.colourButtonText = QStringLiteral("Couleur du nœud AS");
    return {QStringLiteral("ip-to-as"),         QStringLiteral("openComponentIpToAs"),
            bgpFamily,                          QStringLiteral("IP"),
            form,                               QStringLiteral("Recherche d’AS…"),
            QStringLiteral("Interrogation AS"), QStringLiteral("Recherche d'AS terminée")};
}

ComponentOptions ComponentIpToAs::defaultOptions() const
{
    return serviceDefaults(QStringLiteral("ip-api"),
                           QStringLiteral("/json/%1?fields=status,message,as,asname,org,query"),
                           QStringLiteral("AS"), QStringLiteral("#ffd27f"),
                           QStringLiteral("appartient à"));
}

void ComponentIpToAs::process(NodeRun &run) const
{
    const Node &node = run.node;
    const QString ip = node.label.trimmed();
    if (!ComponentUtils::isIpAddress(ip)) {
        run.host.log(QStringLiteral("[SKIP] Label non-IP pour le nœud %1").arg(node.id));
        return;
    }
    run.host.progress(run.index, run.total, info().progressPrefix, ip);
    const ComponentUtils::JsonFetch reply = ComponentUtils::fetchJsonObject(
        ComponentUtils::fillTemplate(run.options.provider, ip), run.options.timeoutMs);
    const BgpParsing::AsRecords found =
        reply.ok ? BgpParsing::parseIpApiAs(reply.object) : BgpParsing::AsRecords{false, {}, reply.error};
    if (!found.ok) {
        run.host.log(QStringLiteral("[ERREUR] %1 — %2").arg(ip, found.error));
        return;
    }
    const AsRecord &record = found.records.first();
    applyAs(run, record,
            record.name.isEmpty() ? record.asn
                                  : QStringLiteral("%1 -- %2").arg(record.name, record.asn));
    run.host.log(QStringLiteral("[OK] %1 → %2 (%3)").arg(ip, record.asn, record.name));
}
