#include "model/changerecording.h"

#include "model/graph.h"

namespace ChangeRecording {

namespace {

template <typename Changes, typename Table>
void take(Changes &changes, const Table &table, bool after)
{
    for (auto it = changes.begin(); it != changes.end(); ++it) {
        const auto found = table.constFind(it.key());
        auto &side = after ? it->after : it->before;
        if (found != table.cend())
            side = *found;
        else
            side.reset();
    }
}

} // namespace

void takeSide(const Graph &graph, ChangeSet &changes, bool after)
{
    take(changes.nodes, graph.nodes(), after);
    take(changes.edges, graph.edges(), after);
}

bool record(Graph &graph, ChangeSet &changes, const std::function<bool(Graph &)> &change)
{
    // Copies share their data until written: a kept object that the change touched is seen
    // as no longer shared.
    const StixRecords stixBefore = graph.stix();
    graph.startRecording(&changes);
    const bool done = change(graph);
    graph.stopRecording();
    const StixRecords &stixAfter = graph.stix();
    if (!stixAfter.nodeOrigins.isSharedWith(stixBefore.nodeOrigins)
        || !stixAfter.edgeOrigins.isSharedWith(stixBefore.edgeOrigins)
        || !stixAfter.detached.isSharedWith(stixBefore.detached)) {
        if (changes.stix)
            changes.stix->second = stixAfter;
        else
            changes.stix = std::make_pair(stixBefore, stixAfter);
    }
    takeSide(graph, changes, true);
    changes.dropUnchanged();
    if (!done)
        applySide(graph, changes, false);
    return done;
}

void applySide(Graph &graph, const ChangeSet &changes, bool after)
{
    for (auto it = changes.nodes.cbegin(); it != changes.nodes.cend(); ++it) {
        const std::optional<Node> &value = after ? it->after : it->before;
        if (value)
            graph.putNode(*value);
        else
            graph.removeNode(it.key());
    }
    for (auto it = changes.edges.cbegin(); it != changes.edges.cend(); ++it) {
        const std::optional<Edge> &value = after ? it->after : it->before;
        if (value)
            graph.putEdge(*value);
        else
            graph.removeEdge(it.key());
    }
    if (changes.stix)
        graph.stix() = after ? changes.stix->second : changes.stix->first;
}

} // namespace ChangeRecording
