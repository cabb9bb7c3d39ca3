#pragma once

#include <QString>

// What identifies one state of a database file without reading it: size, modification and
// status-change times, and SQLite's file change counter (the 4-byte big-endian integer at
// offset 24 of the header, incremented by every committed write in rollback-journal mode),
// plus the size and time of a write-ahead log when another program keeps one.
struct FileStamp
{
    bool exists = false;
    qint64 size = 0;
    qint64 modifiedMs = 0;
    qint64 changedMs = 0;
    quint32 changeCounter = 0;
    qint64 walSize = -1; // -1: no "-wal" file
    qint64 walModifiedMs = 0;

    static FileStamp of(const QString &path);

    friend bool operator==(const FileStamp &a, const FileStamp &b)
    {
        return a.exists == b.exists && a.size == b.size && a.modifiedMs == b.modifiedMs
            && a.changedMs == b.changedMs && a.changeCounter == b.changeCounter
            && a.walSize == b.walSize && a.walModifiedMs == b.walModifiedMs;
    }
    friend bool operator!=(const FileStamp &a, const FileStamp &b) { return !(a == b); }
};
