#pragma once

#include <QString>

class Prompter;
class QWidget;

// Hands a media file to the desktop's default application, or says why it cannot.
namespace MediaOpener {

// Embedded resources are never opened; a relative path is taken from the project folder.
// True when the desktop accepted the file.
bool open(Prompter &prompter, QWidget *parent, const QString &path,
          const QString &projectFolder);

} // namespace MediaOpener
