#include "dialogs/timelineeditdialog.h"

#include "app/prompter.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QFrame>
#include <QHBoxLayout>
#include <QPushButton>
#include <QSpinBox>

namespace {

QDoubleSpinBox *decimalBox(const QString &name, double minimum, double maximum, double value,
                           QWidget *parent)
{
    auto *box = new QDoubleSpinBox(parent);
    box->setObjectName(name);
    box->setDecimals(1);
    box->setRange(minimum, maximum);
    box->setValue(value);
    return box;
}

void paintSwatch(QFrame *swatch, const QColor &color)
{
    const QString name = color.isValid() ? color.name() : QStringLiteral("#000000");
    swatch->setStyleSheet(
        QStringLiteral("background:%1; border:1px solid rgba(0,0,0,0.35);").arg(name));
}

} // namespace

TimelineEditDialog::TimelineEditDialog(Prompter &prompter, const TimelineSettings &settings,
                                       QWidget *parent)
    : QDialog(parent), m_prompter(prompter)
{
    setWindowTitle(QStringLiteral("Editer la timeline"));
    auto *form = new QFormLayout(this);
    m_pixelsPerDay = decimalBox(QStringLiteral("pixelsPerDay"), 1.0, 2000.0,
                                settings.pixelsPerDay, this);
    form->addRow(QStringLiteral("Pixels par jour"), m_pixelsPerDay);
    m_linkWidth = decimalBox(QStringLiteral("linkWidth"), 0.1, 20.0, settings.linkWidth, this);
    form->addRow(QStringLiteral("Épaisseur des liens"), m_linkWidth);
    m_linkStyle = new QComboBox(this);
    m_linkStyle->setObjectName(QStringLiteral("linkStyle"));
    m_linkStyle->addItems({QStringLiteral("Continu"), QStringLiteral("Pointillé")});
    m_linkStyle->setCurrentIndex(settings.linkStyle == 1 ? 0 : 1);
    form->addRow(QStringLiteral("Style des liens"), m_linkStyle);
    m_linkSwatch = addColorRow(form, QStringLiteral("Couleur des liens"),
                               &TimelineEditDialog::chooseLinkColor);
    m_axisSwatch = addColorRow(form, QStringLiteral("Couleur de l'axe"),
                               &TimelineEditDialog::chooseAxisColor);
    m_axisThickness = decimalBox(QStringLiteral("axisThickness"), 0.5, 30.0,
                                 settings.axisThickness, this);
    form->addRow(QStringLiteral("Épaisseur de la timeline"), m_axisThickness);
    m_dayFontSize = new QSpinBox(this);
    m_dayFontSize->setObjectName(QStringLiteral("dayFontSize"));
    m_dayFontSize->setRange(6, 72);
    m_dayFontSize->setValue(settings.dayFontSize < 1 ? 9 : settings.dayFontSize);
    form->addRow(QStringLiteral("Taille de police des jours"), m_dayFontSize);
    setLinkColor(settings.linkColor);
    setAxisColor(settings.axisColor);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    form->addRow(buttons);
}

QFrame *TimelineEditDialog::addColorRow(QFormLayout *form, const QString &label,
                                        void (TimelineEditDialog::*choose)())
{
    auto *row = new QHBoxLayout;
    auto *swatch = new QFrame(this);
    swatch->setFixedSize(36, 18);
    row->addWidget(swatch);
    auto *pick = new QPushButton(QStringLiteral("Choisir…"), this);
    connect(pick, &QPushButton::clicked, this, choose);
    row->addWidget(pick);
    row->addStretch(1);
    form->addRow(label, row);
    return swatch;
}

TimelineSettings TimelineEditDialog::settings() const
{
    TimelineSettings values;
    values.pixelsPerDay = m_pixelsPerDay->value();
    values.linkWidth = m_linkWidth->value();
    values.linkStyle = m_linkStyle->currentIndex() == 0 ? 1 : 2;
    values.linkColor = m_linkColor;
    values.axisColor = m_axisColor;
    values.axisThickness = m_axisThickness->value();
    values.dayFontSize = m_dayFontSize->value();
    return values;
}

void TimelineEditDialog::setLinkColor(const QColor &color)
{
    m_linkColor = color;
    paintSwatch(m_linkSwatch, color);
}

void TimelineEditDialog::setAxisColor(const QColor &color)
{
    m_axisColor = color;
    paintSwatch(m_axisSwatch, color);
}

void TimelineEditDialog::chooseLinkColor()
{
    const QColor chosen = m_prompter.color(this, m_linkColor, QStringLiteral("Couleur des liens"));
    if (chosen.isValid())
        setLinkColor(chosen);
}

void TimelineEditDialog::chooseAxisColor()
{
    const QColor chosen = m_prompter.color(this, m_axisColor, QStringLiteral("Couleur de l'axe"));
    if (chosen.isValid())
        setAxisColor(chosen);
}
