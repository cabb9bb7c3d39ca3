#include "storage/mediastore.h"

#include "model/textforms.h"
#include "storage/filesafety.h"
#include "storage/projectdb.h"
#include "storage/projectdb_p.h"
#include "storage/projectfolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

using namespace ProjectDbDetail;

MediaStore::MediaStore(const QString &projectFolder, const SaveOptions &options)
    : m_folder(projectFolder), m_options(options)
{
}

bool MediaStore::storedPath(const QString &path, const QString &destinationDir, bool isMap,
                            QString *stored, QString *inProject, QString *error)
{
    inProject->clear();
    const QString trimmed = path.trimmed();
    if (trimmed.isEmpty() || TextForms::isResourcePath(trimmed)) {
        *stored = trimmed;
        return true;
    }
    const QString resolved = ProjectFolder::resolveFromFolder(trimmed, m_folder);
    const QFileInfo sourceInfo(resolved);
    if (!sourceInfo.exists() || !sourceInfo.isFile()) {
        *stored = ProjectFolder::relativeToFolder(trimmed, m_folder);
        return true;
    }
    const QString sourcePath = sourceInfo.absoluteFilePath();
    if (!FileSafety::resolvesInside(sourcePath, m_folder) && !m_options.mayCopy(sourcePath)) {
        *stored = ProjectFolder::relativeToFolder(trimmed, m_folder);
        return true;
    }
    if (ProjectFolder::isInsideFolder(sourcePath, destinationDir)) {
        claim(sourcePath, sourcePath);
        *stored = QDir(m_folder).relativeFilePath(sourcePath);
        *inProject = sourcePath;
        return true;
    }
    QString fileName = sourceInfo.fileName();
    if (isMap && fileName.isEmpty())
        fileName = QStringLiteral("image.png");
    const QString destination = freeDestination(destinationDir, fileName, sourcePath);
    if (!FileSafety::resolvesInside(destinationDir, m_folder)) {
        setError(error, QStringLiteral("Dossier hors du projet (lien symbolique): %1")
                            .arg(destinationDir));
        return false;
    }
    if (!FileSafety::makeOwnerOnlyPath(destinationDir)) {
        setError(error, QStringLiteral("Impossible de créer: %1").arg(destinationDir));
        return false;
    }
    // A link planted where the copy goes is replaced, never written through.
    if (QFileInfo(destination).isSymLink() && !QFile::remove(destination)) {
        setError(error, QStringLiteral("Copie échouée de %1 vers %2").arg(sourcePath, destination));
        return false;
    }
    if (!ProjectFolder::copyFileInto(sourcePath, destination, error))
        return false;
    FileSafety::restrictToOwner(destination);
    claim(destination, sourcePath);
    *stored = QDir(m_folder).relativeFilePath(destination);
    *inProject = destination;
    return true;
}

void MediaStore::claim(const QString &destination, const QString &source)
{
    m_claims.insert(QDir::cleanPath(destination), source);
}

QString MediaStore::freeDestination(const QString &dir, const QString &fileName,
                                    const QString &source)
{
    const QFileInfo name(fileName);
    QString candidate = QDir::cleanPath(QDir(dir).filePath(fileName));
    for (int n = 2;; ++n) {
        const auto it = m_claims.constFind(candidate);
        if (it == m_claims.cend() || *it == source)
            return candidate;
        const QString suffix = name.suffix();
        const QString numbered = QStringLiteral("%1 (%2)").arg(name.completeBaseName()).arg(n)
            + (suffix.isEmpty() ? QString() : QLatin1Char('.') + suffix);
        candidate = QDir::cleanPath(QDir(dir).filePath(numbered));
    }
}
