#include "components/dnscomponent.h"

#include "components/componentutils.h"
#include "components/dnsresolver.h"

#include <QRegularExpression>

namespace DnsParsing {

QString hostOf(const QString &text)
{
    static const QRegularExpression host(
        QStringLiteral("^\\s*(?:[a-zA-Z]+://)?([^/\\s?#:]+)"));
    const QRegularExpressionMatch match = host.match(text);
    return match.hasMatch() ? match.captured(1) : QString();
}

} // namespace DnsParsing

ComponentInfo ComponentDnsResolution::info() const
{
    ComponentForm form;
    form.kind = ComponentForm::Kind::Dns;
    form.title = QStringLiteral("Résolution DNS");
    form.information = QStringLiteral(
        "Les nœuds traités doivent avoir le type \"FQDN\" (casse ignorée).\nLes résultats de "
        "résolution seront ajoutés comme attributs du nœud.");
    form.providerLabel = QStringLiteral("Serveur DNS");
    form.providerPlaceholder =
        QStringLiteral("Optionnel : adresse du serveur DNS (ex. 9.9.9.9), vide = résolveur système");
    form.timeoutMax = 15000;
    form.createNodesText = QStringLiteral("Créer des nœuds et relations");
    form.colourButtonText = QStringLiteral("Choisir la couleur des nœuds");
    return {QStringLiteral("dns-resolution"),
            QStringLiteral("openComponentDnsResolution"),
            QStringLiteral("DNS et géolocalisation"),
            QStringLiteral("FQDN"),
            form,
            QStringLiteral("Résolution DNS…"),
            QStringLiteral("Résolution"),
            QStringLiteral("Résolution DNS terminée")};
}

ComponentOptions ComponentDnsResolution::defaultOptions() const
{
    ComponentOptions options;
    options.nameServer = QStringLiteral("9.9.9.9");
    options.timeoutMs = 3000;
    options.nodeType = QStringLiteral("IP");
    options.relationLabel = QStringLiteral("résoud en");
    options.nodeColor = QColor(Qt::white);
    return options;
}

void ComponentDnsResolution::process(NodeRun &run) const
{
    const Node &node = run.node;
    QString name = ComponentUtils::firstAttribute(node.attributes, QStringLiteral("fqdn"));
    if (name.isEmpty())
        name = node.label;
    const QString host = DnsParsing::hostOf(name);
    if (host.isEmpty()) {
        run.host.log(QStringLiteral("[SKIP] Label vide pour le nœud %1").arg(node.id));
        return;
    }
    run.host.progress(run.index, run.total, info().progressPrefix, host);
    const QString server = run.options.nameServer.trimmed();
    QStringList addresses =
        run.resolver.lookup(host, DnsResolver::RecordType::A, server, run.options.timeoutMs);
    if (run.options.ipv6)
        addresses += run.resolver.lookup(host, DnsResolver::RecordType::AAAA, server,
                                         run.options.timeoutMs);
    addresses = ComponentUtils::withoutDuplicates(addresses);
    if (addresses.isEmpty()) {
        run.host.log(QStringLiteral("[AUCUNE RÉPONSE] %1").arg(host));
        return;
    }
    for (const QString &address : addresses)
        run.edit.addAttribute(node.id, QStringLiteral("ip"), address);
    if (run.options.createNodes) {
        for (const QString &address : addresses) {
            QString id = run.edit.findNode(run.options.nodeType, address);
            if (id.isEmpty())
                id = run.edit.createNode(node, run.options, address, {});
            run.edit.ensureEdge(node.id, id, run.options.relationLabel, EdgeDirection::Directed);
        }
    }
    run.host.log(
        QStringLiteral("[OK] %1 → %2").arg(host, addresses.join(QStringLiteral(", "))));
}
