#include "ops/mediafiles.h"

#include <QCollator>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

namespace MediaFiles {

QString sha256Hex(const QString &path)
{
    if (path.trimmed().isEmpty() || !QFileInfo(path).isFile())
        return QString();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!hash.addData(&file))
        return QString();
    return QString::fromLatin1(hash.result().toHex());
}

QString absolutePath(const QString &path, const QString &baseDir)
{
    if (QFileInfo(path).isAbsolute())
        return QDir::cleanPath(path);
    const QDir base(baseDir.isEmpty() ? QDir::currentPath() : baseDir);
    return QDir::cleanPath(base.absoluteFilePath(path));
}

QList<Row> rows(const Graph &graph)
{
    QList<Row> result;
    for (const Node &node : graph.nodes()) {
        for (const MediaRecord &media : node.medias)
            result.append({node.id, node.label, media.name, media.description, media.tags,
                           media.file});
    }
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::sort(result.begin(), result.end(), [&](const Row &a, const Row &b) {
        if (const int order = collator.compare(a.nodeLabel, b.nodeLabel))
            return order < 0;
        if (const int order = collator.compare(a.name, b.name))
            return order < 0;
        if (const int order = collator.compare(a.file, b.file))
            return order < 0;
        return a.nodeId < b.nodeId;
    });
    return result;
}

bool matches(const Row &row, const QString &needle, Column column)
{
    const QString text = needle.trimmed();
    if (text.isEmpty())
        return true;
    QString field;
    switch (column) {
    case Column::NodeLabel: field = row.nodeLabel; break;
    case Column::NodeId: field = row.nodeId; break;
    case Column::Name: field = row.name; break;
    case Column::Description: field = row.description; break;
    case Column::Tags: field = row.tags; break;
    case Column::FileName: field = QFileInfo(row.file).fileName(); break;
    }
    return field.contains(text, Qt::CaseInsensitive);
}

} // namespace MediaFiles
