#pragma once

#include "model/changeset.h"

#include <QHash>

class Graph;

// Records as a load of the project file gives them back once a write stored them.
//
// The file keeps less than the records hold: colours without alpha, paths relative to the
// project, attribute rows once per key and value, media names once per node, groups only as
// membership rows (so a group without members, a member's parent and offset, and the
// expanded and link flags come back as a load sets them). A graph kept for the API after a
// write must answer exactly as a fresh load, so the write's records take that form here.
namespace StoredForm {

// Brings every record changes touched, and the groups and members whose loaded form follows
// from them, to the stored form, adding those to changes. copied holds the nodes whose files
// the save copied into the project, pointing at the copies.
void settle(Graph &graph, ChangeSet &changes, const QString &folder,
            const QHash<QString, Node> &copied);

} // namespace StoredForm
