#include "model/changeset.h"

#include "model/graph.h"

void ChangeSet::dropUnchanged()
{
    for (auto it = nodes.begin(); it != nodes.end();) {
        if (it->before == it->after)
            it = nodes.erase(it);
        else
            ++it;
    }
    for (auto it = edges.begin(); it != edges.end();) {
        if (it->before == it->after)
            it = edges.erase(it);
        else
            ++it;
    }
}

bool recordChanges(Graph &graph, ChangeSet &changes, const std::function<bool(Graph &)> &change)
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
        || !stixAfter.detached.isSharedWith(stixBefore.detached))
        changes.stix = std::make_pair(stixBefore, stixAfter);
    for (auto it = changes.nodes.begin(); it != changes.nodes.end(); ++it) {
        const auto found = graph.nodes().constFind(it.key());
        if (found != graph.nodes().cend())
            it->after = *found;
    }
    for (auto it = changes.edges.begin(); it != changes.edges.end(); ++it) {
        const auto found = graph.edges().constFind(it.key());
        if (found != graph.edges().cend())
            it->after = *found;
    }
    changes.dropUnchanged();
    return done;
}
