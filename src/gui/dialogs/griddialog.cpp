#include "dialogs/griddialog.h"

#include <QSpinBox>

GridDialog::GridDialog(Prompter &prompter, int step, double width, const QColor &color,
                       QWidget *parent)
    : LineStyleDialog(prompter, QStringLiteral("Grille d'arrière-plan"),
                      QStringLiteral("Afficher la grille"), true, width, color, parent)
{
    m_step = new QSpinBox(this);
    m_step->setRange(2, 4096);
    m_step->setSingleStep(2);
    m_step->setValue(step);
    addSettingRow(QStringLiteral("Taille de la grille (px)"), m_step);
}

int GridDialog::step() const
{
    return m_step->value();
}
