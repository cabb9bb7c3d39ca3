#include "dialogs/centredialog.h"

CentreDialog::CentreDialog(Prompter &prompter, bool shown, double width, const QColor &color,
                           QWidget *parent)
    : LineStyleDialog(prompter, QStringLiteral("Visualise le centre"),
                      QStringLiteral("Afficher le centre"), shown, width, color, parent)
{
}
