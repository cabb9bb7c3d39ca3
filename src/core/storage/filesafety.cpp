#include "storage/filesafety.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace FileSafety {

namespace {

void setError(QString *error, const QString &message)
{
    if (error)
        *error = message;
}

// Where a path really leads: links resolved in the part that exists, the rest appended, so
// that a folder about to be made under a link is judged by where the link goes.
QString realPath(const QString &path)
{
    QString existing = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    QString rest;
    while (!existing.isEmpty()) {
        const QString canonical = QFileInfo(existing).canonicalFilePath();
        if (!canonical.isEmpty())
            return QDir::cleanPath(canonical + rest);
        const qsizetype slash = existing.lastIndexOf(QLatin1Char('/'));
        if (slash <= 0)
            break;
        rest.prepend(existing.mid(slash));
        existing.truncate(slash);
    }
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

} // namespace

bool makeOwnerOnlyPath(const QString &path)
{
    const QString clean = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    if (QFileInfo(clean).isDir())
        return true;
    const QString parent = QFileInfo(clean).absolutePath();
    if (parent != clean && !makeOwnerOnlyPath(parent))
        return false;
    if (QDir().mkdir(clean, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner))
        return true;
    return QFileInfo(clean).isDir(); // made meanwhile by someone else
}

bool createOwnerOnlyFile(const QString &path)
{
    const QByteArray name = QFile::encodeName(path);
    const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd >= 0) {
        ::close(fd);
        return true;
    }
    return errno == EEXIST;
}

void restrictToOwner(const QString &path)
{
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
}

bool openRegularForReading(QFile &file, const QString &path, QString *error)
{
    const QByteArray name = QFile::encodeName(path);
    // Non-blocking, so that opening a pipe returns at once and the check below refuses it.
    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat status = {};
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(fd);
        setError(error, QStringLiteral("Pas un fichier ordinaire: %1").arg(path));
        return false;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return false;
    }
    return true;
}

bool refuseLink(const QString &path, QString *error)
{
    if (!QFileInfo(path).isSymLink())
        return true;
    setError(error, QStringLiteral("Lien symbolique refusé: %1").arg(path));
    return false;
}

bool resolvesInside(const QString &path, const QString &folder)
{
    const QString p = realPath(path);
    const QString f = realPath(folder);
    return p == f || p.startsWith(f + QLatin1Char('/'));
}

bool removeFolderInside(const QString &path, const QString &projectFolder)
{
    const QFileInfo info(path);
    if (info.isSymLink())
        return QFile::remove(path);
    if (!info.exists())
        return true;
    if (!info.isDir() || !resolvesInside(path, projectFolder)
        || realPath(path) == realPath(projectFolder))
        return false;
    // Below the top, removeRecursively deletes links as links and descends only into real
    // folders.
    return QDir(path).removeRecursively();
}

} // namespace FileSafety
