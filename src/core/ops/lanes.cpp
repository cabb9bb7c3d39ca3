#include "ops/lanes.h"

#include <utility>
#include <vector>

namespace Lanes {

QList<Lane> assign(const QList<Ends> &relations)
{
    struct Pair
    {
        int forward = 0;  // a→b
        int backward = 0; // b→a
    };
    QHash<std::pair<QString, QString>, int> pairIndex;
    pairIndex.reserve(relations.size());
    std::vector<Pair> pairs;
    std::vector<int> pairOf(std::size_t(relations.size()));
    QList<Lane> lanes(relations.size());
    for (int i = 0; i < relations.size(); ++i) {
        const Ends &ends = relations.at(i);
        const bool srcFirst = ends.src <= ends.dst;
        const auto key = srcFirst ? std::make_pair(ends.src, ends.dst)
                                  : std::make_pair(ends.dst, ends.src);
        auto it = pairIndex.find(key);
        if (it == pairIndex.end()) {
            it = pairIndex.insert(key, int(pairs.size()));
            pairs.emplace_back();
        }
        Pair &pair = pairs[std::size_t(*it)];
        lanes[i].index = ++(srcFirst ? pair.forward : pair.backward);
        pairOf[std::size_t(i)] = *it;
    }
    for (int i = 0; i < relations.size(); ++i) {
        const Pair &pair = pairs[std::size_t(pairOf[std::size_t(i)])];
        lanes[i].count = pair.forward + pair.backward;
    }
    return lanes;
}

} // namespace Lanes
