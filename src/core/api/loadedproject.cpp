#include "api/loadedproject.h"

#include <algorithm>

namespace {

bool before(const QString &a, const QString &b)
{
    return QString::localeAwareCompare(a, b) < 0;
}

void place(QStringList &sorted, const QString &id, bool present)
{
    auto it = std::lower_bound(sorted.begin(), sorted.end(), id, before);
    // Texts the locale ranks alike sit together: the id is one of them.
    auto same = it;
    while (same != sorted.end() && !before(id, *same) && *same != id)
        ++same;
    const bool listed = same != sorted.end() && *same == id;
    if (present && !listed)
        sorted.insert(it, id);
    else if (!present && listed)
        sorted.erase(same);
}

template <typename Changes>
void placeAll(QStringList &sorted, const Changes &changes)
{
    for (auto it = changes.cbegin(); it != changes.cend(); ++it) {
        if (bool(it->before) != bool(it->after))
            place(sorted, it.key(), bool(it->after));
    }
}

} // namespace

void LoadedProject::sortIds()
{
    sortedNodeIds = graph.nodes().keys();
    sortedEdgeIds = graph.edges().keys();
    std::sort(sortedNodeIds.begin(), sortedNodeIds.end(), before);
    std::sort(sortedEdgeIds.begin(), sortedEdgeIds.end(), before);
}

void LoadedProject::placeIds(const ChangeSet &changes)
{
    placeAll(sortedNodeIds, changes.nodes);
    placeAll(sortedEdgeIds, changes.edges);
}
