#pragma once

#include <QHash>
#include <QList>
#include <QString>

// Lanes of parallel relations. Relations joining the same two nodes are spread on lanes so
// that they are drawn as distinct curves; a pair joined by one relation is drawn straight.
namespace Lanes {

struct Ends
{
    QString src;
    QString dst;
};

struct Lane
{
    int index = 0;
    int count = 1;
};

// Per pair {a, b} (a the smaller id, by case-sensitive comparison): relations a→b take lanes
// 1, 2, 3…; relations b→a also take 1, 2, 3…, their opposite orientation puts them on the
// other side, in the order given. The count is the number of relations of the pair. Returns
// one lane per relation, in the order given.
QList<Lane> assign(const QList<Ends> &relations);

} // namespace Lanes
