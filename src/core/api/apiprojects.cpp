#include "api/apiprojects.h"

#include <QFileInfo>
#include <QJsonObject>

namespace ApiProjects {

QJsonArray describe(const QStringList &dbPaths)
{
    QJsonArray projects;
    for (const QString &path : dbPaths) {
        if (path.isEmpty())
            continue;
        const QFileInfo info(path);
        projects.append(QJsonObject{{QStringLiteral("key"), info.baseName()},
                                    {QStringLiteral("file"), info.fileName()},
                                    {QStringLiteral("path"), info.absoluteFilePath()}});
    }
    return projects;
}

QString resolve(const QString &name, const QStringList &dbPaths, const QString &currentDbPath)
{
    const QString wanted = name.trimmed();
    if (wanted.isEmpty())
        return currentDbPath;
    for (const QString &path : dbPaths) {
        if (path.isEmpty())
            continue;
        const QFileInfo info(path);
        if (info.baseName().compare(wanted, Qt::CaseInsensitive) == 0
            || info.fileName().compare(wanted, Qt::CaseInsensitive) == 0)
            return path;
    }
    return QString();
}

} // namespace ApiProjects
