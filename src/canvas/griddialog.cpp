#include "canvas/griddialog.h"

#include "app/prompter.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QFrame>
#include <QHBoxLayout>
#include <QPushButton>
#include <QSpinBox>

GridDialog::GridDialog(Prompter &prompter, int step, double width, const QColor &color,
                       QWidget *parent)
    : QDialog(parent), m_prompter(prompter)
{
    setWindowTitle(QStringLiteral("Grille d'arrière-plan"));
    auto *form = new QFormLayout(this);
    m_shown = new QCheckBox(QStringLiteral("Afficher la grille"), this);
    m_shown->setChecked(true);
    form->addRow(m_shown);
    m_step = new QSpinBox(this);
    m_step->setRange(2, 4096);
    m_step->setSingleStep(2);
    m_step->setValue(step);
    form->addRow(QStringLiteral("Taille de la grille (px)"), m_step);
    m_width = new QDoubleSpinBox(this);
    m_width->setRange(0.2, 10.0);
    m_width->setSingleStep(0.2);
    m_width->setDecimals(1);
    m_width->setValue(width);
    form->addRow(QStringLiteral("Épaisseur du trait"), m_width);
    auto *colorRow = new QHBoxLayout;
    m_swatch = new QFrame(this);
    m_swatch->setFixedSize(36, 18);
    m_swatch->setFrameShape(QFrame::Box);
    colorRow->addWidget(m_swatch);
    auto *pick = new QPushButton(QStringLiteral("Choisir la couleur…"), this);
    connect(pick, &QPushButton::clicked, this, &GridDialog::chooseColor);
    colorRow->addWidget(pick);
    form->addRow(colorRow);
    setColor(color);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    form->addRow(buttons);
}

bool GridDialog::gridShown() const
{
    return m_shown->isChecked();
}

int GridDialog::step() const
{
    return m_step->value();
}

double GridDialog::lineWidth() const
{
    return m_width->value();
}

void GridDialog::setColor(const QColor &color)
{
    m_color = color;
    m_swatch->setStyleSheet(QStringLiteral("background:%1;").arg(color.name()));
}

void GridDialog::chooseColor()
{
    const QColor chosen = m_prompter.color(this, m_color, QStringLiteral("Couleur"));
    if (chosen.isValid())
        setColor(chosen);
}
