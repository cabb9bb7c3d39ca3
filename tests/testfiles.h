#pragma once

#include <QByteArray>
#include <QColor>
#include <QJsonObject>
#include <QString>

// Reading and writing the small files that tests hand to the program or get back from it.

// The whole content of a file, or nothing when it cannot be read.
QByteArray fileBytes(const QString &path);

// Replaces a file's content, creating its folder; a failure to open fails the running test.
void writeBytes(const QString &path, const QByteArray &bytes);

// A square picture of one colour, as PNG bytes (map tiles, logos).
QByteArray pngBytes(const QColor &colour, int side = 256);

// The JSON object a file holds, or an empty one when it cannot be read or is not an object.
QJsonObject readJson(const QString &path);
