#include "components/component.h"

#include "components/bgpcomponents.h"
#include "components/breachcomponent.h"
#include "components/chaincomponents.h"
#include "components/componentutils.h"
#include "components/dnscomponent.h"
#include "components/dnsresolver.h"
#include "components/geocomponent.h"
#include "components/ransomwarecomponent.h"
#include "components/solcomponent.h"
#include "components/vtcomponents.h"

bool GraphEdit::addAttribute(const QString &nodeId, const QString &key, const QString &value)
{
    if (value.trimmed().isEmpty() || !m_graph.hasNode(nodeId))
        return false;
    Node node = m_graph.node(nodeId);
    if (GraphChangeRules::hasAttribute(node, key, value))
        return false;
    const AttributeRow row{ComponentUtils::newId(), key, value};
    node.attributes.append(row);
    m_graph.replaceNode(node);
    m_changes.addAttribute(nodeId, row);
    return true;
}

void GraphEdit::appendAttribute(const QString &nodeId, const QString &key, const QString &value)
{
    if (value.trimmed().isEmpty() || !m_graph.hasNode(nodeId))
        return;
    Node node = m_graph.node(nodeId);
    const AttributeRow row{ComponentUtils::newId(), key, value};
    node.attributes.append(row);
    m_graph.replaceNode(node);
    m_changes.appendAttribute(nodeId, row);
}

void GraphEdit::setAttribute(const QString &nodeId, const QString &key, const QString &value)
{
    if (!m_graph.hasNode(nodeId))
        return;
    Node node = m_graph.node(nodeId);
    const AttributeRow row{ComponentUtils::newId(), key, value};
    GraphChangeRules::setAttribute(node, row);
    m_graph.replaceNode(node);
    m_changes.setAttribute(nodeId, row);
}

void GraphEdit::setDescription(const QString &nodeId, const QString &description)
{
    if (!m_graph.hasNode(nodeId))
        return;
    Node node = m_graph.node(nodeId);
    node.description = description;
    m_graph.replaceNode(node);
    m_changes.setDescription(nodeId, description);
}

void GraphEdit::addMedia(const QString &nodeId, const MediaRecord &media)
{
    if (!m_graph.hasNode(nodeId))
        return;
    Node node = m_graph.node(nodeId);
    node.medias.append(media);
    m_graph.replaceNode(node);
    m_changes.addMedia(nodeId, media);
}

void GraphEdit::setCoordinates(const QString &nodeId, double lat, double lon)
{
    if (!m_graph.hasNode(nodeId))
        return;
    Node node = m_graph.node(nodeId);
    node.geoLat = lat;
    node.geoLon = lon;
    m_graph.replaceNode(node);
    m_changes.setCoordinates(nodeId, lat, lon);
}

void GraphEdit::insertNode(const Node &node)
{
    if (m_graph.insertNode(node))
        m_changes.insertNode(node);
}

void GraphEdit::insertEdge(const Edge &edge)
{
    if (m_graph.insertEdge(edge))
        m_changes.insertEdge(edge);
}

static bool sameType(const Node &node, const QString &type)
{
    return node.type.trimmed().compare(type.trimmed(), Qt::CaseInsensitive) == 0;
}

QString GraphEdit::findNode(const QString &type, const QString &label) const
{
    for (const Node &node : m_graph.nodes()) {
        if (sameType(node, type) && node.label == label)
            return node.id;
    }
    return QString();
}

QString GraphEdit::findNodeByAttribute(const QString &type, const QString &key,
                                       const QString &value) const
{
    const QString wanted = value.trimmed().toUpper();
    for (const Node &node : m_graph.nodes()) {
        if (!sameType(node, type))
            continue;
        for (const AttributeRow &row : node.attributes) {
            if (row.key.trimmed().compare(key, Qt::CaseInsensitive) == 0
                && row.value.trimmed().toUpper() == wanted)
                return node.id;
        }
    }
    return QString();
}

bool GraphEdit::hasEdge(const QString &src, const QString &dst, const QString &label,
                        EdgeDirection direction) const
{
    for (const Edge &edge : m_graph.edges()) {
        if (edge.label != label || edge.direction != direction)
            continue;
        if (edge.src == src && edge.dst == dst)
            return true;
        if (direction == EdgeDirection::Undirected && edge.src == dst && edge.dst == src)
            return true;
    }
    return false;
}

QString GraphEdit::createNode(const Node &source, const ComponentOptions &options,
                              const QString &label,
                              const QList<QPair<QString, QString>> &attributes)
{
    Node node;
    node.id = m_graph.unusedNodeId();
    node.label = label;
    node.type = options.nodeType;
    node.color = options.nodeColor;
    node.size = source.size;
    for (const auto &attribute : attributes) {
        if (!attribute.second.trimmed().isEmpty())
            node.attributes.append({ComponentUtils::newId(), attribute.first, attribute.second});
    }
    insertNode(node);
    return node.id;
}

void GraphEdit::ensureEdge(const QString &src, const QString &dst, const QString &label,
                           EdgeDirection direction, const QString &type)
{
    if (hasEdge(src, dst, label, direction))
        return;
    Edge edge;
    edge.id = m_graph.unusedEdgeId();
    edge.src = src;
    edge.dst = dst;
    edge.label = label;
    edge.direction = direction;
    edge.type = type;
    insertEdge(edge);
}

int Component::pauseMs(const ComponentOptions &) const
{
    return 150;
}

bool Component::accepts(const Node &node) const
{
    return sameType(node, info().inputType);
}

namespace Components {

const std::vector<const Component *> &all()
{
    static const ComponentAsToCidr asToCidr;
    static const ComponentAsToPeers asToPeers;
    static const ComponentAsToUpstreams asToUpstreams;
    static const ComponentAsToDownstreams asToDownstreams;
    static const ComponentCidrToAs cidrToAs;
    static const ComponentIpToAs ipToAs;
    static const ComponentDnsResolution dns;
    static const ComponentIpGeolocalisation geolocation;
    static const ComponentIpVirusTotal ipVt;
    static const ComponentDomainVirusTotal domainVt;
    static const ComponentUrlVirusTotal urlVt;
    static const ComponentFileVirusTotal fileVt;
    static const ComponentFileVirusTotalDownload downloadVt;
    static const ComponentEthToTx ethToTx;
    static const ComponentEthFundedBy ethFundedBy;
    static const ComponentSolToTx solToTx;
    static const ComponentEmailBreaches breaches;
    static const ComponentRansomwareLiveMoaDescription ransomware;
    static const std::vector<const Component *> list = {
        &asToCidr, &asToPeers,   &asToUpstreams, &asToDownstreams, &cidrToAs,
        &ipToAs,   &dns,         &geolocation,   &ipVt,            &domainVt,
        &urlVt,    &fileVt,      &downloadVt,    &ethToTx,         &ethFundedBy,
        &solToTx,  &breaches,    &ransomware};
    return list;
}

const Component *find(const QString &name)
{
    for (const Component *component : all()) {
        if (component->info().name == name)
            return component;
    }
    return nullptr;
}

const Component *findBySlot(const QString &slot)
{
    for (const Component *component : all()) {
        if (component->info().slot == slot)
            return component;
    }
    return nullptr;
}

QStringList inputNodes(const Component &component, const Graph &graph)
{
    QStringList ids;
    for (const Node &node : graph.nodes()) {
        if (component.accepts(node))
            ids.append(node.id);
    }
    ids.sort();
    return ids;
}

RunResult run(const Component &component, const Graph &graph, const QStringList &ids,
              ComponentHost &host, DnsResolver *resolver)
{
    RunResult result;
    const ComponentInfo info = component.info();
    const std::optional<ComponentOptions> options =
        host.options(info, component.defaultOptions());
    if (!options)
        return result;
    result.status = RunStatus::Finished;
    QStringList kept;
    for (const QString &id : ids) {
        if (graph.hasNode(id) && component.accepts(graph.node(id)))
            kept.append(id);
    }
    if (kept.isEmpty())
        return result;

    SystemDnsResolver systemResolver;
    DnsResolver &dns = resolver ? *resolver : systemResolver;
    Graph working = graph;
    GraphEdit edit(working, result.changes);
    host.begin(info.progressTitle);
    ComponentUtils::processEventsFor(10);
    const int total = int(kept.size());
    for (int i = 0; i < total; ++i) {
        if (host.isCancelled()) {
            result.status = RunStatus::Cancelled;
            break;
        }
        const QString &id = kept.at(i);
        if (!working.hasNode(id))
            continue;
        const Node node = working.node(id);
        NodeRun nodeRun{node, *options, i + 1, total, host, edit, dns};
        component.process(nodeRun);
        ComponentUtils::processEventsFor(10);
        // The pauses keep requests apart: after the last node none follows.
        if (i == total - 1)
            break;
        if (nodeRun.pauseMs >= 0)
            ComponentUtils::sleepWithJitter(nodeRun.pauseMs, nodeRun.pauseJitterMs);
        else
            ComponentUtils::sleepWithJitter(component.pauseMs(*options), component.pauseJitterMs());
    }
    host.end();
    return result;
}

} // namespace Components
