#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// The "icons" folder the node form picks pictures from: one sub-folder per category.
namespace IconLibrary {

struct Category
{
    QString name;
    QStringList files; // absolute paths, sorted by name
};

// The "icons" folder in the working directory, else beside the executable (a build tree
// links it into its bin folder), else in the executable's installed data folder
// (<prefix>/share/orvane/icons for <prefix>/bin), else in the nearest parent of the working
// directory that has one; empty when there is none.
QString findFolder(const QString &workingDir, const QString &applicationDir);
// The same from the process's working directory and executable.
QString findFolder();

// An existing file named by its path in the icon library ("icons/Cyber/malware rouge.png",
// the leading "icons/" being optional), looked up in the folders findFolder tries, in the
// same order; an existing absolute path is answered as it is. Empty when there is none.
QString resolve(const QString &libraryPath, const QString &workingDir,
                const QString &applicationDir);
QString resolve(const QString &libraryPath);

// One category per sub-folder, sorted by name, holding its pictures (png, jpg, jpeg, bmp,
// gif, svg, webp, whatever the case of the suffix).
QList<Category> categories(const QString &folder);

} // namespace IconLibrary
