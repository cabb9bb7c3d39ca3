#pragma once

#include <QHash>
#include <QString>

struct SaveOptions;

// Copies the files a save refers to into the project folder and answers the paths to store.
//
// Within one folder, a destination already used by another file of the same save gets a
// numbered name, so that two different files called "photo.jpg" never overwrite each other.
// A file outside the project is copied only when the options allow it; copies go only into
// folders that really lie inside the project, never through a link leading out of it.
class MediaStore
{
public:
    MediaStore(const QString &projectFolder, const SaveOptions &options);

    // The path to store for a file. When the file now lies in the project folder, inProject
    // receives its absolute path. Returns false (with error set) only when a copy failed.
    bool storedPath(const QString &path, const QString &destinationDir, bool isMap,
                    QString *stored, QString *inProject, QString *error);

private:
    void claim(const QString &destination, const QString &source);
    QString freeDestination(const QString &dir, const QString &fileName, const QString &source);

    QString m_folder;
    const SaveOptions &m_options;
    QHash<QString, QString> m_claims; // destination -> source copied there in this save
};
