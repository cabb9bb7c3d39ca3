#pragma once

#include <QString>

class QFile;

// File operations that stay safe when the files around them are hostile: a project folder
// received as an archive may hold symbolic links leading anywhere, and an input "file" may
// be a device or a pipe. Project files and folders are created for their owner only.
namespace FileSafety {

// Creates path and its missing parents, each new folder readable by its owner only.
bool makeOwnerOnlyPath(const QString &path);

// Creates an empty file readable and writable by its owner only, unless it exists.
bool createOwnerOnlyFile(const QString &path);

// Narrows the permissions of an existing file to its owner.
void restrictToOwner(const QString &path);

// Opens an input for reading when it is a regular file. Devices (/dev/zero), pipes and
// sockets are refused with "Pas un fichier ordinaire: <path>" before anything is read, and
// opening never waits on a pipe without a writer.
bool openRegularForReading(QFile &file, const QString &path, QString *error);

// An export never writes through a link planted where its file goes: false, with
// "Lien symbolique refusé: <path>", when path is a symbolic link.
bool refuseLink(const QString &path, QString *error);

// True when the real location of path (links resolved) is folder or lies inside it.
bool resolvesInside(const QString &path, const QString &folder);

// Removes a folder of a project and what it holds. A link is removed as a link; a folder
// whose real location lies outside projectFolder is left alone. Links met inside are
// removed, never followed.
bool removeFolderInside(const QString &path, const QString &projectFolder);

} // namespace FileSafety
