#include "ops/iconlibrary.h"

#include <QDir>
#include <QFileInfo>

namespace IconLibrary {

namespace {

QString iconsIn(const QString &dir)
{
    if (dir.isEmpty())
        return QString();
    const QFileInfo info(QDir(dir).filePath(QStringLiteral("icons")));
    return info.isDir() ? info.absoluteFilePath() : QString();
}

} // namespace

QString findFolder(const QString &workingDir, const QString &applicationDir)
{
    for (const QString &dir : {workingDir, applicationDir}) {
        const QString found = iconsIn(dir);
        if (!found.isEmpty())
            return found;
    }
    QDir dir(workingDir);
    while (!workingDir.isEmpty() && dir.cdUp()) {
        const QString found = iconsIn(dir.absolutePath());
        if (!found.isEmpty())
            return found;
    }
    return QString();
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
