#include "storage/projectfolder.h"

#include "model/textforms.h"
#include "storage/filesafety.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace ProjectFolder {

QString projectName(const QString &dbPath)
{
    QString name = QFileInfo(dbPath).completeBaseName();
    const QLatin1String suffix(".orvane");
    if (name.endsWith(suffix, Qt::CaseInsensitive))
        name.chop(suffix.size());
    return name;
}

bool ensureProjectFolders(const QString &folder, QString *error)
{
    QDir dir(folder);
    if (!dir.exists() && !FileSafety::makeOwnerOnlyPath(folder)) {
        if (error)
            *error = QStringLiteral("Impossible de créer le dossier principal: %1").arg(folder);
        return false;
    }
    for (const char *sub : {"nodes", "maps"}) {
        const QString path = dir.filePath(QLatin1String(sub));
        if (!FileSafety::makeOwnerOnlyPath(path)) {
            if (error)
                *error = QStringLiteral("Impossible de créer: %1").arg(path);
            return false;
        }
    }
    return true;
}

bool copyFileInto(const QString &source, const QString &destination, QString *error)
{
    const QFileInfo sourceInfo(source);
    if (!sourceInfo.exists() || !sourceInfo.isFile()) {
        if (error)
            *error = QStringLiteral("Fichier source introuvable: %1").arg(source);
        return false;
    }
    const QFileInfo destinationInfo(destination);
    if (destinationInfo.exists()
        && sourceInfo.canonicalFilePath() == destinationInfo.canonicalFilePath())
        return true;

    const QString failure = QStringLiteral("Copie échouée de %1 vers %2").arg(source, destination);
    QFile in(source);
    QSaveFile out(destination);
    if (!in.open(QIODevice::ReadOnly) || !out.open(QIODevice::WriteOnly)) {
        if (error)
            *error = failure;
        return false;
    }
    QByteArray chunk;
    while (!(chunk = in.read(1 << 20)).isEmpty()) {
        if (out.write(chunk) != chunk.size()) {
            out.cancelWriting();
            break;
        }
    }
    if (in.error() != QFileDevice::NoError)
        out.cancelWriting();
    if (!out.commit()) {
        if (error)
            *error = failure;
        return false;
    }
    return true;
}

static QString comparablePath(const QString &path)
{
    const QFileInfo info(path);
    const QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? QDir::cleanPath(info.absoluteFilePath()) : canonical;
}

bool isInsideFolder(const QString &path, const QString &folder)
{
    const QString p = comparablePath(path);
    const QString f = comparablePath(folder);
    return p == f || p.startsWith(f + QLatin1Char('/'));
}

QString relativeToFolder(const QString &path, const QString &folder)
{
    if (path.isEmpty() || TextForms::isResourcePath(path) || QDir::isRelativePath(path))
        return path;
    return QDir(folder).relativeFilePath(path);
}

QString resolveFromFolder(const QString &path, const QString &folder)
{
    if (path.isEmpty() || TextForms::isResourcePath(path) || !QDir::isRelativePath(path))
        return path;
    return QDir(folder).filePath(path);
}

static bool isPlainFolderName(const QString &name)
{
    if (name.isEmpty() || name.size() > 120 || name == u"." || name == u"..")
        return false;
    if (name.front().isSpace() || name.back().isSpace() || name.endsWith(QLatin1Char('.')))
        return false;
    for (QChar c : name) {
        if (c.unicode() < 0x20 || c == u'/' || c == u'\\' || c == u':' || c == u'*' || c == u'?'
            || c == u'"' || c == u'<' || c == u'>' || c == u'|')
            return false;
    }
    return true;
}

QString nodeFolderName(const QString &nodeId)
{
    if (isPlainFolderName(nodeId))
        return nodeId;
    const QByteArray digest =
        QCryptographicHash::hash(nodeId.toUtf8(), QCryptographicHash::Sha256).toHex();
    return QStringLiteral("id-") + QString::fromLatin1(digest.left(40));
}

QString nodeFolderPath(const QString &projectFolder, const QString &nodeId)
{
    const QString nodesFolder = QDir(projectFolder).filePath(QStringLiteral("nodes"));
    const QString path = QDir(nodesFolder).filePath(nodeFolderName(nodeId));
    const QString clean = QDir::cleanPath(path);
    if (!clean.startsWith(QDir::cleanPath(nodesFolder) + QLatin1Char('/')))
        return QString();
    return clean;
}

} // namespace ProjectFolder
