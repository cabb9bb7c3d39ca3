#include "canvas/centredialog.h"

#include "app/prompter.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QFrame>
#include <QHBoxLayout>
#include <QPushButton>

CentreDialog::CentreDialog(Prompter &prompter, bool shown, double width, const QColor &color,
                           QWidget *parent)
    : QDialog(parent), m_prompter(prompter)
{
    setWindowTitle(QStringLiteral("Visualise le centre"));
    auto *form = new QFormLayout(this);
    m_shown = new QCheckBox(QStringLiteral("Afficher le centre"), this);
    m_shown->setChecked(shown);
    form->addRow(m_shown);
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
    connect(pick, &QPushButton::clicked, this, &CentreDialog::chooseColor);
    colorRow->addWidget(pick);
    form->addRow(colorRow);
    setColor(color);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    form->addRow(buttons);
}

bool CentreDialog::centreShown() const
{
    return m_shown->isChecked();
}

double CentreDialog::lineWidth() const
{
    return m_width->value();
}

void CentreDialog::setColor(const QColor &color)
{
    m_color = color;
    m_swatch->setStyleSheet(QStringLiteral("background:%1;").arg(color.name()));
}

void CentreDialog::chooseColor()
{
    const QColor chosen = m_prompter.color(this, m_color, QStringLiteral("Couleur"));
    if (chosen.isValid())
        setColor(chosen);
}
