#include "ops/iconlibrary.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace IconLibrary {

namespace {

// Every "icons" folder that may hold the library, in the order they are tried; some may
// not exist.
QStringList candidateFolders(const QString &workingDir, const QString &applicationDir)
{
    QStringList dirs{workingDir, applicationDir};
    if (!applicationDir.isEmpty())
        dirs.append(QDir(applicationDir).filePath(QStringLiteral("../share/orvane")));
    QDir dir(workingDir);
    while (!workingDir.isEmpty() && dir.cdUp())
        dirs.append(dir.absolutePath());
    QStringList folders;
    for (const QString &candidate : std::as_const(dirs)) {
        if (!candidate.isEmpty())
            folders.append(QDir::cleanPath(QDir(candidate).absoluteFilePath(QStringLiteral("icons"))));
    }
    return folders;
}

} // namespace

QString findFolder(const QString &workingDir, const QString &applicationDir)
{
    for (const QString &folder : candidateFolders(workingDir, applicationDir)) {
        if (QFileInfo(folder).isDir())
            return folder;
    }
    return QString();
}

QString findFolder()
{
    return findFolder(QDir::currentPath(), QCoreApplication::applicationDirPath());
}

QString resolve(const QString &libraryPath, const QString &workingDir,
                const QString &applicationDir)
{
    if (libraryPath.isEmpty())
        return QString();
    if (QDir::isAbsolutePath(libraryPath))
        return QFileInfo(libraryPath).isFile() ? QDir::cleanPath(libraryPath) : QString();
    QString inLibrary = QDir::cleanPath(QDir::fromNativeSeparators(libraryPath));
    if (inLibrary.startsWith(QLatin1String("icons/")))
        inLibrary.remove(0, 6);
    // A path climbing out of the library names no icon.
    if (inLibrary == u".." || inLibrary.startsWith(QLatin1String("../")))
        return QString();
    for (const QString &folder : candidateFolders(workingDir, applicationDir)) {
        const QFileInfo file(QDir(folder).filePath(inLibrary));
        if (file.isFile())
            return file.absoluteFilePath();
    }
    return QString();
}

QString resolve(const QString &libraryPath)
{
    return resolve(libraryPath, QDir::currentPath(), QCoreApplication::applicationDirPath());
}

QList<Category> categories(const QString &folder)
{
    static const QStringList suffixes{QStringLiteral("png"), QStringLiteral("jpg"),
                                      QStringLiteral("jpeg"), QStringLiteral("bmp"),
                                      QStringLiteral("gif"), QStringLiteral("svg"),
                                      QStringLiteral("webp")};
    QList<Category> result;
    const QDir root(folder);
    const QFileInfoList dirs =
        root.entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
    for (const QFileInfo &dir : dirs) {
        Category category{dir.fileName(), {}};
        const QFileInfoList files = QDir(dir.absoluteFilePath())
                                        .entryInfoList(QDir::Files, QDir::Name | QDir::IgnoreCase);
        for (const QFileInfo &file : files) {
            if (suffixes.contains(file.suffix().toLower()))
                category.files.append(file.absoluteFilePath());
        }
        result.append(category);
    }
    return result;
}

} // namespace IconLibrary
