#include "components/scriptresults.h"

#include "model/graph.h"
#include "model/scenerecords.h"
#include "storage/projectfiles.h"

namespace ScriptResults {

namespace {

template <typename Table, typename Changes>
void compare(const Table &before, const Table &after, Changes &changes)
{
    for (auto it = before.cbegin(); it != before.cend(); ++it) {
        const auto found = after.constFind(it.key());
        if (found == after.cend())
            changes[it.key()].before = *it;
        else if (!(*found == *it))
            changes[it.key()] = {*it, *found};
    }
    for (auto it = after.cbegin(); it != after.cend(); ++it) {
        if (!before.contains(it.key()))
            changes[it.key()].after = *it;
    }
}

} // namespace

ChangeSet difference(const Graph &before, const Graph &after)
{
    ChangeSet changes;
    compare(before.nodes(), after.nodes(), changes.nodes);
    compare(before.edges(), after.edges(), changes.edges);
    return changes;
}

bool changesSince(const Graph &before, const QString &dbPath, ChangeSet *changes,
                  QString *error)
{
    Graph after;
    SceneRecords scene;
    if (!ProjectFiles::load(dbPath, after, scene, error))
        return false;
    *changes = difference(before, after);
    return true;
}

} // namespace ScriptResults
