#include "ops/lanes.h"

#include <utility>

namespace Lanes {

QHash<QString, Lane> assign(const QList<Ends> &relations)
{
    struct Pair
    {
        QList<int> forward;  // a→b
        QList<int> backward; // b→a
    };
    QHash<std::pair<QString, QString>, Pair> pairs;
    QList<std::pair<QString, QString>> order;
    for (int i = 0; i < relations.size(); ++i) {
        const Ends &ends = relations.at(i);
        const bool srcFirst = ends.src <= ends.dst;
        const auto key = srcFirst ? std::make_pair(ends.src, ends.dst)
                                  : std::make_pair(ends.dst, ends.src);
        auto it = pairs.find(key);
        if (it == pairs.end()) {
            it = pairs.insert(key, Pair());
            order.append(key);
        }
        (srcFirst ? it->forward : it->backward).append(i);
    }

    QHash<QString, Lane> lanes;
    lanes.reserve(relations.size());
    for (const auto &key : order) {
        const Pair &pair = pairs.value(key);
        const int count = int(pair.forward.size() + pair.backward.size());
        for (int k = 0; k < pair.forward.size(); ++k)
            lanes.insert(relations.at(pair.forward.at(k)).id, {k + 1, count});
        for (int k = 0; k < pair.backward.size(); ++k)
            lanes.insert(relations.at(pair.backward.at(k)).id, {k + 1, count});
    }
    return lanes;
}

} // namespace Lanes
