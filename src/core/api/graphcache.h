#pragma once

#include "api/filestamp.h"
#include "api/loadedproject.h"

#include <QHash>

#include <memory>

// Loaded project graphs kept while their database file is unchanged.
//
// Loading a whole graph per request is far too slow for a large project, so a graph stays
// in memory for as long as the stamp of its file (size, times, SQLite change counter) is
// the one it was read under; any write to the file by anyone else changes the stamp, and the
// next request loads it again. The API's own writes change the kept graph in place and
// adopt the stamp they left (stored()). An answer is therefore always what a fresh load
// would give.
class GraphCache
{
public:
    // The graph of a database file, loaded when the file changed since the last load. Null
    // (error set) when the file is missing or cannot be opened or loaded.
    std::shared_ptr<const LoadedProject> project(const QString &dbPath, QString *error);
    // The same graph for a write to change in place: the kept one, unless an answer still
    // holds it (then a copy, which the write's stored() keeps instead).
    std::shared_ptr<LoadedProject> editable(const QString &dbPath, QString *error);
    // A write of ours left the file at stamp, holding project: kept as the file's graph.
    void stored(const QString &dbPath, const std::shared_ptr<LoadedProject> &project,
                const FileStamp &stamp);

    // The file went from before to after by a write of our own that touched no graph table:
    // a graph read under before is still exact.
    void adopt(const QString &dbPath, const FileStamp &before, const FileStamp &after);

    void forget(const QString &dbPath);
    void clear();

private:
    struct Entry
    {
        FileStamp stamp;
        std::shared_ptr<LoadedProject> project;
        quint64 lastUse = 0;
    };

    QString keyOf(const QString &dbPath);
    std::shared_ptr<LoadedProject> current(const QString &dbPath, QString *error);
    void keep(const QString &key, const FileStamp &stamp, std::shared_ptr<LoadedProject> project);

    QHash<QString, Entry> m_entries;
    // Canonical paths already computed: resolving one costs a system call per path element.
    QHash<QString, QString> m_keys;
    quint64 m_uses = 0;
};
