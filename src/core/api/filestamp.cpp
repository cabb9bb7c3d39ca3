#include "api/filestamp.h"

#include <QFile>
#include <QFileInfo>
#include <QtEndian>

FileStamp FileStamp::of(const QString &path)
{
    FileStamp stamp;
    const QFileInfo info(path);
    if (!info.isFile())
        return stamp;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return stamp;
    stamp.exists = true;
    stamp.size = info.size();
    stamp.modifiedMs = info.lastModified().toMSecsSinceEpoch();
    stamp.changedMs = info.metadataChangeTime().toMSecsSinceEpoch();
    uchar header[4] = {0, 0, 0, 0};
    if (file.seek(24) && file.read(reinterpret_cast<char *>(header), 4) == 4)
        stamp.changeCounter = qFromBigEndian<quint32>(header);
    const QFileInfo wal(path + QStringLiteral("-wal"));
    if (wal.exists()) {
        stamp.walSize = wal.size();
        stamp.walModifiedMs = wal.lastModified().toMSecsSinceEpoch();
    }
    return stamp;
}
