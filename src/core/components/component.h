#pragma once

#include "components/graphchanges.h"

#include <QColor>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

class DnsResolver;

// What the analyst chooses before a run. One record serves every component; each one reads
// the fields its options dialog shows and leaves the others at their defaults.
struct ComponentOptions
{
    QString provider; // URL template; "%1" stands for the node's key value
    // Further request templates of services asked several things per node, written like the
    // provider; the EVM ones also take "%2" key, "%C" chain id, "%3" and "%4" counts.
    QString balanceRequest;
    QString preCountRequest;
    int timeoutMs = 4000;
    bool createNodes = false;
    QString nodeType;
    QString relationLabel;
    QColor nodeColor;
    QString nameServer; // DNS only; empty: the system resolver
    bool ipv6 = false;
    int delayMs = 150; // pause after each node
    bool writeAttributes = true;
    bool overwriteCoordinates = false;
    QString apiKey; // sent as the service asks; never written back to the configuration
    QString relationType;
    int chainId = 0;           // EVM chain of the blockchain components
    int count = 0;             // transactions to draw; 0: ask per node (the pre-count)
    int preCount = 10000;      // transactions read to count them, or to find a funder
    int depth = 1;             // funding steps followed back
    int batch = 10;            // transaction details asked for before a longer pause
    bool includeUnverified = false;
    bool truncate = false;
    QString userAgent;
};

// The widgets of a component's options dialog and the texts around a run.
struct ComponentForm
{
    enum class Kind { Service, Dns, Geolocation };
    Kind kind = Kind::Service;
    QString title;
    QString information;
    QString providerLabel = QStringLiteral("Provider");
    QString providerPlaceholder;
    bool hasProvider = true;
    // The provider holds "%1" where the node's value goes; a base address does not.
    bool providerTemplate = true;
    // Labels of the further request templates, each shown when set.
    QString balanceRequestLabel;
    QString preCountRequestLabel;
    // When set, a group so titled gathers the provider, the further templates, the key and
    // the numbers; its templates are checked on OK, with a message naming the field, rather
    // than by greying OK out.
    QString providerGroup;
    // The key field, password-style; empty when the service needs none.
    QString apiKeyLabel;
    QString apiKeyPlaceholder;
    // A key the run cannot go without: the dialog stays open on this warning.
    QString missingKeyWarning;
    bool chooseChain = false;
    int timeoutMin = 100;
    int timeoutMax = 20000;
    // Texts of the "Création automatique" group; empty when the component creates nothing.
    QString createNodesText;
    QString colourButtonText;
    // A group whose nodes are always created (no check box), titled so: the node type,
    // relation label and type, and colour fields of the run.
    QString destinationGroup;
    QString relationTypeLabel; // shown in that group when set
    bool hasTimeout = true;
    // Numbers some services take, each shown when its label is set.
    QString preCountLabel;
    int preCountMin = 1;
    int preCountMax = 200000;
    QString depthLabel;
    QString batchLabel;
    // The breach lookup's own fields: unverified breaches, truncated answers, User-Agent.
    bool breachOptions = false;
};

struct ComponentInfo
{
    QString name;   // command-line name, "as-to-cidr"
    QString slot;   // main-window slot, "openComponentAsToCidr"
    QString family; // menu group
    QString inputType; // for the command line's default selection and its messages
    ComponentForm form;
    QString progressTitle;
    QString progressPrefix;
    QString completion; // status-bar message after a run
};

// A per-node question with up to two check boxes, each triggering its own action.
struct ConfirmRequest
{
    QString title;
    QString text; // rich text
    QString firstBox;
    QString secondBox;
    bool showSecond = false;
    // A number to choose from 1 to numberMax, when numberMax ≥ 1.
    QString numberLabel;
    int numberMax = 0;
};

struct ConfirmAnswer
{
    bool accepted = false;
    bool first = false;
    bool second = false;
    int number = 0;
};

// How a run reaches the analyst: the window answers with dialogs, the command line from its
// flags.
class ComponentHost
{
public:
    virtual ~ComponentHost() = default;
    // The options to run with, starting from the defaults; nothing when cancelled.
    virtual std::optional<ComponentOptions> options(const ComponentInfo &info,
                                                    const ComponentOptions &defaults) = 0;
    virtual ConfirmAnswer confirm(const ConfirmRequest &request) = 0;
    virtual void begin(const QString &title) = 0;
    virtual void progress(int index, int total, const QString &prefix, const QString &detail) = 0;
    virtual void log(const QString &line) = 0;
    virtual bool isCancelled() const = 0;
    virtual void end() = 0;
};

// Reads the graph as the run has changed it so far and records every change, so that the
// whole run can be applied to the tab in one step at the end.
class GraphEdit
{
public:
    GraphEdit(Graph &working, GraphChanges &changes) : m_graph(working), m_changes(changes) {}

    const Graph &graph() const { return m_graph; }
    // Adds key = value unless the value is empty or the node already holds that row.
    bool addAttribute(const QString &nodeId, const QString &key, const QString &value);
    // Appends the row even when the node holds an equal one; nothing for an empty value.
    void appendAttribute(const QString &nodeId, const QString &key, const QString &value);
    // Updates the node's first row with this key, or appends one.
    void setAttribute(const QString &nodeId, const QString &key, const QString &value);
    void setDescription(const QString &nodeId, const QString &description);
    void addMedia(const QString &nodeId, const MediaRecord &media);
    void setCoordinates(const QString &nodeId, double lat, double lon);
    void insertNode(const Node &node);
    void insertEdge(const Edge &edge);

    // The first node whose trimmed type equals type ignoring case and whose label is label.
    QString findNode(const QString &type, const QString &label) const;
    // The first node of that type holding key = value (values compared trimmed, upper-cased).
    QString findNodeByAttribute(const QString &type, const QString &key,
                                const QString &value) const;
    // A relation src → dst with this label and direction; Undirected ones match either way.
    bool hasEdge(const QString &src, const QString &dst, const QString &label,
                 EdgeDirection direction) const;
    // A new node with the option's type and colour, the source node's size and the non-empty
    // attributes given; answers its id.
    QString createNode(const Node &source, const ComponentOptions &options, const QString &label,
                       const QList<QPair<QString, QString>> &attributes);
    // Joins src to dst unless an equal relation is there already.
    void ensureEdge(const QString &src, const QString &dst, const QString &label,
                    EdgeDirection direction, const QString &type = QString());

private:
    Graph &m_graph;
    GraphChanges &m_changes;
};

struct NodeRun
{
    const Node &node;
    const ComponentOptions &options;
    int index;
    int total;
    ComponentHost &host;
    GraphEdit &edit;
    DnsResolver &resolver;
    // Set by process() when this node's outcome calls for another pause than the usual one
    // (a skip needs no wait for the service's quota).
    int pauseMs = -1;
    int pauseJitterMs = 3;
};

// An enrichment component: looks each input node up and records what it finds.
class Component
{
public:
    virtual ~Component() = default;
    virtual ComponentInfo info() const = 0;
    // The options the dialog opens with; service addresses come from the configuration.
    virtual ComponentOptions defaultOptions() const = 0;
    virtual void process(NodeRun &run) const = 0;
    // Whether the run looks this node up; by default its type is the input type.
    virtual bool accepts(const Node &node) const;
    // Pause after each node, in milliseconds, and its jitter.
    virtual int pauseMs(const ComponentOptions &options) const;
    virtual int pauseJitterMs() const { return 3; }
};

// A component that takes whatever node is selected and pauses as its options say.
class AnyNodeComponent : public Component
{
public:
    bool accepts(const Node &) const override { return true; }
    int pauseMs(const ComponentOptions &options) const override { return options.delayMs; }
};

namespace Components {

// Every built-in component, grouped by family in menu order.
const std::vector<const Component *> &all();
const Component *find(const QString &name);
const Component *findBySlot(const QString &slot);

enum class RunStatus { NotStarted, Finished, Cancelled };

struct RunResult
{
    RunStatus status = RunStatus::NotStarted;
    GraphChanges changes;
};

// One run over the given node ids of a graph: options, then one node after the other until
// the end or the analyst cancels. The graph is only read; what the run found is returned as
// changes, including those of the nodes done before a cancel.
RunResult run(const Component &component, const Graph &graph, const QStringList &ids,
              ComponentHost &host, DnsResolver *resolver = nullptr);

// The ids of the graph's nodes of the component's input type, as the command line takes
// them when no node is named.
QStringList inputNodes(const Component &component, const Graph &graph);

} // namespace Components
