#include "dialogs/groupshapeeditdialog.h"

#include "app/prompter.h"
#include "canvas/groupshapeitem.h"

#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFontComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTextCursor>
#include <QTextEdit>
#include <QVBoxLayout>

GroupShapeEditDialog::GroupShapeEditDialog(const ShapeRecord &record, Prompter &prompter,
                                           QWidget *parent)
    : QDialog(parent), m_prompter(prompter), m_record(record)
{
    setWindowTitle(QStringLiteral("Propriétés de la forme"));
    auto *layout = new QVBoxLayout(this);
    auto *form = new QFormLayout;
    layout->addLayout(form);

    m_label = new QLineEdit(record.label, this);
    m_label->setObjectName(QStringLiteral("shapeLabel"));
    form->addRow(QStringLiteral("Label:"), m_label);
    m_fillButton = new QPushButton(this);
    connect(m_fillButton, &QPushButton::clicked, this, &GroupShapeEditDialog::pickFill);
    form->addRow(QStringLiteral("Couleur (remplissage):"), m_fillButton);
    m_penButton = new QPushButton(this);
    connect(m_penButton, &QPushButton::clicked, this, &GroupShapeEditDialog::pickPen);
    form->addRow(QStringLiteral("Couleur du trait:"), m_penButton);
    m_penWidth = new QDoubleSpinBox(this);
    m_penWidth->setRange(0.0, 40.0);
    m_penWidth->setDecimals(1);
    m_penWidth->setValue(record.penWidth);
    form->addRow(QStringLiteral("Épaisseur du trait:"), m_penWidth);
    showColours();

    layout->addWidget(new QLabel(QStringLiteral("Description (texte dans la forme)"), this));
    auto *tools = new QHBoxLayout;
    m_fontFamily = new QFontComboBox(this);
    m_fontFamily->setCurrentFont(QFont(GroupShapeItem::fontFamily()));
    connect(m_fontFamily, &QFontComboBox::currentFontChanged, this,
            &GroupShapeEditDialog::onFontFamilyChanged);
    tools->addWidget(m_fontFamily, 1);
    m_fontSize = new QSpinBox(this);
    m_fontSize->setRange(4, 96);
    m_fontSize->setValue(10);
    connect(m_fontSize, &QSpinBox::valueChanged, this, &GroupShapeEditDialog::onFontSizeChanged);
    tools->addWidget(m_fontSize);
    const auto toggle = [this, tools](const QString &text, void (GroupShapeEditDialog::*slot)()) {
        auto *button = new QPushButton(text, this);
        button->setCheckable(true);
        connect(button, &QPushButton::clicked, this, slot);
        tools->addWidget(button);
        return button;
    };
    m_bold = toggle(QStringLiteral("Gras"), &GroupShapeEditDialog::toggleBold);
    m_italic = toggle(QStringLiteral("Italique"), &GroupShapeEditDialog::toggleItalic);
    m_underline = toggle(QStringLiteral("Souligné"), &GroupShapeEditDialog::toggleUnderline);
    auto *textColour = new QPushButton(QStringLiteral("Couleur…"), this);
    connect(textColour, &QPushButton::clicked, this, &GroupShapeEditDialog::pickTextColor);
    tools->addWidget(textColour);
    layout->addLayout(tools);

    m_description = new QTextEdit(this);
    m_description->setAcceptRichText(true);
    m_description->setPlaceholderText(
        QStringLiteral("Saisis ici un texte riche ; sélectionne un mot/une phrase pour changer "
                       "la taille, le style ou la couleur."));
    if (!record.descriptionHtml.isEmpty())
        m_description->setHtml(record.descriptionHtml);
    // The buttons show the style where the cursor stands.
    connect(m_description, &QTextEdit::currentCharFormatChanged, this,
            [this](const QTextCharFormat &format) {
                m_bold->setChecked(format.fontWeight() >= QFont::Bold);
                m_italic->setChecked(format.fontItalic());
                m_underline->setChecked(format.fontUnderline());
            });
    layout->addWidget(m_description, 1);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Annuler"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    resize(560, 460);
}

ShapeRecord GroupShapeEditDialog::result() const
{
    ShapeRecord record = m_record;
    record.label = m_label->text();
    record.penWidth = m_penWidth->value();
    record.descriptionHtml =
        m_description->toPlainText().isEmpty() ? QString() : m_description->toHtml();
    return record;
}

void GroupShapeEditDialog::showColours()
{
    const auto name = [](const QColor &colour) {
        return colour.name(colour.alpha() < 255 ? QColor::HexArgb : QColor::HexRgb);
    };
    m_fillButton->setText(QStringLiteral("Choisir… (%1)").arg(name(m_record.fill)));
    m_penButton->setText(QStringLiteral("Choisir… (%1)").arg(name(m_record.penColor)));
}

void GroupShapeEditDialog::pickFill()
{
    const QColor chosen =
        m_prompter.color(this, m_record.fill, QStringLiteral("Couleur de remplissage"));
    if (chosen.isValid()) {
        m_record.fill = chosen;
        showColours();
    }
}

void GroupShapeEditDialog::pickPen()
{
    const QColor chosen = m_prompter.color(this, m_record.penColor, QStringLiteral("Couleur du trait"));
    if (chosen.isValid()) {
        m_record.penColor = chosen;
        showColours();
    }
}

void GroupShapeEditDialog::mergeFormat(const QTextCharFormat &format)
{
    QTextCursor cursor = m_description->textCursor();
    if (!cursor.hasSelection())
        cursor.select(QTextCursor::WordUnderCursor);
    cursor.mergeCharFormat(format);
    m_description->mergeCurrentCharFormat(format);
}

void GroupShapeEditDialog::toggleBold()
{
    QTextCharFormat format;
    format.setFontWeight(m_bold->isChecked() ? QFont::Bold : QFont::Normal);
    mergeFormat(format);
}

void GroupShapeEditDialog::toggleItalic()
{
    QTextCharFormat format;
    format.setFontItalic(m_italic->isChecked());
    mergeFormat(format);
}

void GroupShapeEditDialog::toggleUnderline()
{
    QTextCharFormat format;
    format.setFontUnderline(m_underline->isChecked());
    mergeFormat(format);
}

void GroupShapeEditDialog::pickTextColor()
{
    const QColor chosen = m_prompter.color(this, m_description->textColor(),
                                           QStringLiteral("Couleur du texte"));
    if (!chosen.isValid())
        return;
    QTextCharFormat format;
    format.setForeground(chosen);
    mergeFormat(format);
}

void GroupShapeEditDialog::onFontFamilyChanged(const QFont &font)
{
    QTextCharFormat format;
    format.setFontFamilies({font.family()});
    mergeFormat(format);
}

void GroupShapeEditDialog::onFontSizeChanged(int size)
{
    QTextCharFormat format;
    format.setFontPointSize(size);
    mergeFormat(format);
}
