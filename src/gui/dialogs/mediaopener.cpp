#include "dialogs/mediaopener.h"

#include "app/prompter.h"
#include "model/textforms.h"
#include "ops/mediafiles.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>

namespace MediaOpener {

bool open(Prompter &prompter, QWidget *parent, const QString &path,
          const QString &projectFolder)
{
    if (TextForms::isResourcePath(path)) {
        prompter.information(parent, QStringLiteral("Média embarqué"),
                             QStringLiteral("Ce média est embarqué en ressource (qrc) et ne "
                                            "peut pas être ouvert par le système."));
        return false;
    }
    const QString absolute = MediaFiles::absolutePath(path, projectFolder);
    if (!QFileInfo::exists(absolute)) {
        prompter.warning(parent, QStringLiteral("Introuvable"),
                         QStringLiteral("Fichier introuvable:\n%1").arg(absolute));
        return false;
    }
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(absolute))) {
        prompter.warning(parent, QStringLiteral("Ouverture impossible"),
                         QStringLiteral("Impossible d’ouvrir:\n%1").arg(absolute));
        return false;
    }
    return true;
}

} // namespace MediaOpener
