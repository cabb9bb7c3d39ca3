#include "components/ransomwarecomponent.h"

#include "components/componentutils.h"
#include "config/appconfig.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QUrl>

namespace RansomwareParsing {

namespace {

QString firstText(const QJsonObject &object, const QStringList &keys)
{
    for (const QString &key : keys) {
        const QString value = object.value(key).toString().trimmed();
        if (!value.isEmpty())
            return value;
    }
    return QString();
}

} // namespace

Group parseGroup(const QJsonObject &reply)
{
    Group group;
    group.description = firstText(reply, {QStringLiteral("description"), QStringLiteral("desc"),
                                          QStringLiteral("summary")});
    group.name = firstText(reply, {QStringLiteral("group"), QStringLiteral("name")});
    for (const char *key : {"locations", "known_locations", "knownLocations"}) {
        const QJsonArray sites = reply.value(QLatin1String(key)).toArray();
        if (sites.isEmpty())
            continue;
        for (const QJsonValue &site : sites) {
            QString host = site.isObject()
                ? site.toObject().value(QStringLiteral("fqdn")).toString().trimmed()
                : site.toString().trimmed();
            if (host.contains(QLatin1String("://")))
                host = QUrl(host).host();
            if (!host.isEmpty() && !group.sites.contains(host))
                group.sites.append(host);
        }
        break;
    }
    return group;
}

bool isGroupKey(const QString &key)
{
    QString text = key.trimmed().toLower();
    text.replace(QChar(0x2019), QLatin1Char('\'')).replace(QChar(0xe9), QLatin1Char('e'));
    return text == u"intrusion set" || text == u"intrusionset" || text == u"moa"
        || text == u"mode operatoire d'attaque" || text == u"mode operatoire d attaque";
}

} // namespace RansomwareParsing

ComponentInfo ComponentRansomwareLiveMoaDescription::info() const
{
    ComponentForm form;
    form.title = QStringLiteral("Ransomware.live — Intrusion set / MOA");
    form.information = QStringLiteral(
        "Ce composant interroge l'API Ransomware.live (v2) pour les groupes de ransomware.\n\n"
        "Les nœuds traités doivent avoir un attribut parmi :\n  • \"intrusion set\"\n  • \"mode "
        "opératoire d'attaque\" (ou variante sans accent)\n  • \"MOA\"\n\nLa valeur de cet "
        "attribut est le nom du groupe (par ex. \"Akira\", \"CL0P\", etc.).\nPour chaque groupe, "
        "le connecteur appelle /group/<group_name> et :\n  • Remplit ou complète la description "
        "du nœud d'intrusion set.\n  • Ajoute un attribut \"MOA\" sur le nœud de type MOA.\n  • "
        "Ajoute un ou plusieurs attributs \"DLS\" (FQDN de data leak site) dans attrItems.\n");
    form.providerLabel = QStringLiteral("Endpoint groupe");
    form.providerPlaceholder = QStringLiteral("URL (utiliser %1 pour le nom du groupe)");
    form.timeoutMax = 60000;
    return {QStringLiteral("ransomware-live-description-moa"),
            QStringLiteral("openComponentRansomwareLiveDescriptionMoa"),
            QStringLiteral("Fuites et rançongiciels"),
            QStringLiteral("MOA"),
            form,
            QStringLiteral("Intrusion set / MOA → Ransomware.live"),
            QStringLiteral("Interrogation Ransomware.live"),
            QStringLiteral("Recherche de transactions terminée")};
}

ComponentOptions ComponentRansomwareLiveMoaDescription::defaultOptions() const
{
    ComponentOptions options;
    options.provider =
        AppConfig::endpoint(QStringLiteral("ransomware.live")) + QStringLiteral("/v2/group/%1");
    options.timeoutMs = 8000;
    options.delayMs = 200;
    return options;
}

void ComponentRansomwareLiveMoaDescription::process(NodeRun &run) const
{
    const Node &node = run.node;
    QString name;
    for (const AttributeRow &row : node.attributes) {
        if (RansomwareParsing::isGroupKey(row.key) && !row.value.trimmed().isEmpty()) {
            name = row.value.trimmed();
            break;
        }
    }
    const QString subject = node.label.isEmpty() ? node.id : node.label;
    if (name.isEmpty()) {
        run.host.log(QStringLiteral("[SKIP] %1 — pas d'attribut MOA / intrusion set").arg(subject));
        return;
    }
    run.host.progress(run.index, run.total, info().progressPrefix, name);
    const ComponentUtils::FetchResult reply = ComponentUtils::fetch(
        ComponentUtils::fillTemplate(run.options.provider,
                                     QString::fromUtf8(QUrl::toPercentEncoding(name))),
        run.options.timeoutMs);
    if (!reply.ok) {
        run.host.log(QStringLiteral("[ERREUR] %1 — %2")
                         .arg(name, QStringLiteral("Réseau: %1 (HTTP %2)")
                                        .arg(reply.error)
                                        .arg(reply.httpStatus)));
        return;
    }
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(reply.body, &parseError);
    if (!document.isObject()) {
        run.host.log(QStringLiteral("[ERREUR] %1 — Réponse JSON invalide (%2)")
                         .arg(name, parseError.errorString()));
        return;
    }
    const RansomwareParsing::Group group = RansomwareParsing::parseGroup(document.object());
    const QString groupName = group.name.isEmpty() ? name : group.name;
    if (!group.description.isEmpty()) {
        const QString header = QStringLiteral("--- [ransomware.live] ---\n");
        const QString block = header + group.description;
        // A rerun brings the same text: the description grows only with something new.
        if (node.description.trimmed().isEmpty())
            run.edit.setDescription(node.id, block);
        else if (!node.description.contains(block))
            run.edit.setDescription(node.id, node.description + QStringLiteral("\n\n") + block);
    }
    run.edit.addAttribute(node.id, QStringLiteral("MOA"), groupName);
    for (const QString &site : group.sites)
        run.edit.addAttribute(node.id, QStringLiteral("DLS"), site);
    QString moa = run.edit.findNode(QStringLiteral("MOA"), groupName);
    if (moa.isEmpty()) {
        ComponentOptions created = run.options;
        created.nodeType = QStringLiteral("MOA");
        created.nodeColor = Node().color;
        moa = run.edit.createNode(node, created, groupName, {{QStringLiteral("MOA"), groupName}});
    }
    if (moa != node.id)
        run.edit.ensureEdge(node.id, moa, QStringLiteral("lié à"), EdgeDirection::Directed,
                            QStringLiteral("related_to"));
    run.host.log(QStringLiteral("[OK] %1 → desc:%2 chars, DLS:%3")
                     .arg(name)
                     .arg(group.description.size())
                     .arg(group.sites.size()));
}
