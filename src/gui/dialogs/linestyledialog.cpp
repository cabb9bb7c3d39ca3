#include "dialogs/linestyledialog.h"

#include "app/prompter.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QFrame>
#include <QHBoxLayout>
#include <QPushButton>

LineStyleDialog::LineStyleDialog(Prompter &prompter, const QString &title,
                                 const QString &showText, bool shown, double width,
                                 const QColor &color, QWidget *parent)
    : QDialog(parent), m_prompter(prompter)
{
    setWindowTitle(title);
    m_form = new QFormLayout(this);
    m_shown = new QCheckBox(showText, this);
    m_shown->setChecked(shown);
    m_form->addRow(m_shown);
    m_width = new QDoubleSpinBox(this);
    m_width->setRange(0.2, 10.0);
    m_width->setSingleStep(0.2);
    m_width->setDecimals(1);
    m_width->setValue(width);
    m_form->addRow(QStringLiteral("Épaisseur du trait"), m_width);
    auto *colorRow = new QHBoxLayout;
    m_swatch = new QFrame(this);
    m_swatch->setFixedSize(36, 18);
    m_swatch->setFrameShape(QFrame::Box);
    colorRow->addWidget(m_swatch);
    auto *pick = new QPushButton(QStringLiteral("Choisir la couleur…"), this);
    connect(pick, &QPushButton::clicked, this, &LineStyleDialog::chooseColor);
    colorRow->addWidget(pick);
    m_form->addRow(colorRow);
    setColor(color);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    m_form->addRow(buttons);
}

bool LineStyleDialog::lineShown() const
{
    return m_shown->isChecked();
}

double LineStyleDialog::lineWidth() const
{
    return m_width->value();
}

void LineStyleDialog::setColor(const QColor &color)
{
    m_color = color;
    m_swatch->setStyleSheet(QStringLiteral("background:%1;").arg(color.name()));
}

void LineStyleDialog::addSettingRow(const QString &label, QWidget *field)
{
    m_form->insertRow(1, label, field);
    setTabOrder(m_shown, field);
    setTabOrder(field, m_width);
}

void LineStyleDialog::chooseColor()
{
    const QColor chosen = m_prompter.color(this, m_color, QStringLiteral("Couleur"));
    if (chosen.isValid())
        setColor(chosen);
}
