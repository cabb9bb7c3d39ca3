#include "model/changeset.h"

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
