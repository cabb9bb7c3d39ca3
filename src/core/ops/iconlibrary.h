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

// The "icons" folder in the working directory, else beside the executable, else in the
// nearest parent of the working directory that has one; empty when there is none.
QString findFolder(const QString &workingDir, const QString &applicationDir);

// One category per sub-folder, sorted by name, holding its pictures (png, jpg, jpeg, bmp,
// gif, svg, webp, whatever the case of the suffix).
QList<Category> categories(const QString &folder);

} // namespace IconLibrary
