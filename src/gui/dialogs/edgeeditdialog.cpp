#include "dialogs/edgeeditdialog.h"

#include "app/prompter.h"
#include "dialogs/attributeeditor.h"
#include "dialogs/validityeditor.h"
#include "ops/edgeform.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QSet>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

const QString kDefaultType = QStringLiteral("défaut");

QStringList sortedSet(const QSet<QString> &values)
{
    QStringList sorted(values.cbegin(), values.cend());
    sorted.sort(Qt::CaseInsensitive);
    return sorted;
}

} // namespace

EdgeEditDialog::EdgeEditDialog(const Edge &edge, const QStringList &candidateIds,
                               const QStringList &candidateNames, const Graph *graph,
                               Prompter &prompter, QWidget *parent, Mode mode)
    : QDialog(parent), m_edge(edge), m_prompter(prompter)
{
    setWindowTitle(QStringLiteral("Éditer la relation — %1")
                       .arg(edge.label.isEmpty() ? edge.id : edge.label));
    resize(560, 520);

    QSet<QString> types{QStringLiteral("relation")};
    QSet<QString> keys;
    if (graph) {
        for (const Edge &other : graph->edges()) {
            if (!other.type.trimmed().isEmpty())
                types.insert(other.type.trimmed());
            for (const AttributeRow &row : other.attributes)
                keys.insert(row.key);
        }
    }
    keys.remove(QStringLiteral("color"));
    keys.remove(QStringLiteral("width"));

    auto *content = new QWidget;
    auto *form = new QFormLayout(content);
    auto *id = new QLineEdit(edge.id, content);
    id->setReadOnly(true);
    form->addRow(QStringLiteral("ID"), id);
    m_source = endCombo(QStringLiteral("sourceCombo"), candidateIds, candidateNames, edge.src);
    form->addRow(QStringLiteral("Source"), m_source);
    if (mode == Mode::CreateToTargets) {
        m_targetList = new QListWidget(content);
        m_targetList->setObjectName(QStringLiteral("targetList"));
        for (int i = 0; i < candidateIds.size(); ++i) {
            if (candidateIds.at(i) == edge.src)
                continue;
            auto *item = new QListWidgetItem(candidateNames.value(i), m_targetList);
            item->setData(Qt::UserRole, candidateIds.at(i));
            item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
            item->setCheckState(Qt::Checked);
        }
        m_targetList->setMaximumHeight(110);
        form->addRow(QStringLiteral("Destination"), m_targetList);
    } else {
        m_destination =
            endCombo(QStringLiteral("destinationCombo"), candidateIds, candidateNames, edge.dst);
        form->addRow(QStringLiteral("Destination"), m_destination);
    }

    m_label = new QLineEdit(edge.label, content);
    m_label->setObjectName(QStringLiteral("labelEdit"));
    form->addRow(QStringLiteral("Label"), m_label);
    m_showLabel = new QCheckBox(content);
    m_showLabel->setObjectName(QStringLiteral("showLabelBox"));
    m_showLabel->setChecked(edge.showLabel);
    form->addRow(QStringLiteral("Afficher label"), m_showLabel);
    m_hypothesis = new QCheckBox(content);
    m_hypothesis->setObjectName(QStringLiteral("hypothesisBox"));
    m_hypothesis->setChecked(edge.hypothesis);
    form->addRow(QStringLiteral("Hypothèse"), m_hypothesis);

    m_type = new QComboBox(content);
    m_type->setObjectName(QStringLiteral("typeCombo"));
    m_type->setEditable(true);
    m_type->addItem(kDefaultType);
    m_type->addItems(sortedSet(types));
    m_type->setEditText(edge.type);
    form->addRow(QStringLiteral("Type"), m_type);

    m_direction = new QComboBox(content);
    m_direction->setObjectName(QStringLiteral("directionCombo"));
    m_direction->addItems(EdgeForm::directionWords());
    m_direction->setCurrentText(EdgeForm::directionWord(edge.direction));
    form->addRow(QStringLiteral("Direction"), m_direction);

    auto *colorRow = new QHBoxLayout;
    auto *chooseColor = new QPushButton(QStringLiteral("Choisir…"), content);
    connect(chooseColor, &QPushButton::clicked, this, &EdgeEditDialog::onChooseColor);
    m_swatch = new QLabel(content);
    m_swatch->setObjectName(QStringLiteral("colorSwatch"));
    m_swatch->setFixedSize(36, 18);
    m_swatch->setFrameShape(QFrame::Box);
    colorRow->addWidget(chooseColor);
    colorRow->addWidget(m_swatch);
    colorRow->addStretch(1);
    form->addRow(QStringLiteral("Couleur"), colorRow);
    setColor(EdgeForm::initialColor(edge));

    m_width = new QDoubleSpinBox(content);
    m_width->setObjectName(QStringLiteral("widthSpin"));
    m_width->setRange(0.5, 12.0);
    m_width->setSingleStep(0.5);
    m_width->setDecimals(1);
    m_width->setValue(EdgeForm::initialWidth(edge));
    form->addRow(QStringLiteral("Largeur"), m_width);

    m_description = new QPlainTextEdit(edge.description, content);
    m_description->setObjectName(QStringLiteral("descriptionEdit"));
    m_description->setPlaceholderText(QStringLiteral("Description (texte libre)"));
    m_description->setMinimumHeight(100);
    form->addRow(QStringLiteral("Description"), m_description);

    m_validity = new ValidityEditor(edge.validity, content);
    form->addRow(QStringLiteral("Validité"), m_validity);

    m_attributes = new AttributeEditor(EdgeForm::shownRows(edge), sortedSet(keys), content);
    m_attributes->table()->setMinimumHeight(120);
    form->addRow(new QLabel(QStringLiteral("Attributs (clé/valeur) :"), content));
    form->addRow(m_attributes);

    auto *scroll = new QScrollArea(this);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidget(content);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &EdgeEditDialog::onAccepted);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(scroll, 1);
    layout->addWidget(buttons);
}

// An end that is not among the candidates (a node hidden in a collapsed group, say) is
// offered under its id, so that accepting the form does not move the relation.
QComboBox *EdgeEditDialog::endCombo(const QString &name, const QStringList &ids,
                                    const QStringList &names, const QString &current)
{
    auto *combo = new QComboBox;
    combo->setObjectName(name);
    for (int i = 0; i < ids.size(); ++i)
        combo->addItem(names.value(i, ids.at(i)), ids.at(i));
    if (!current.isEmpty() && combo->findData(current) < 0)
        combo->addItem(current, current);
    combo->setCurrentIndex(std::max(0, combo->findData(current)));
    return combo;
}

void EdgeEditDialog::setColor(const QColor &color)
{
    m_color = color;
    m_swatch->setStyleSheet(QStringLiteral("background:%1;").arg(color.name()));
}

void EdgeEditDialog::onChooseColor()
{
    const QColor color = m_prompter.color(this, m_color, QStringLiteral("Choisir une couleur"));
    if (color.isValid())
        setColor(color);
}

void EdgeEditDialog::onAccepted()
{
    m_edge.src = m_source->currentData().toString().trimmed();
    if (m_destination) {
        m_edge.dst = m_destination->currentData().toString().trimmed();
        m_targets = {m_edge.dst};
    } else {
        m_targets.clear();
        for (int i = 0; i < m_targetList->count(); ++i) {
            const QListWidgetItem *item = m_targetList->item(i);
            // A relation from the source to itself is never what was asked for.
            if (item->checkState() == Qt::Checked
                && item->data(Qt::UserRole).toString() != m_edge.src)
                m_targets.append(item->data(Qt::UserRole).toString());
        }
    }
    m_edge.label = m_label->text().trimmed();
    const QString type = m_type->currentText().trimmed();
    m_edge.type = type.isEmpty() ? kDefaultType : type;
    m_edge.showLabel = m_showLabel->isChecked();
    m_edge.hypothesis = m_hypothesis->isChecked();
    m_edge.direction = EdgeForm::directionFromWord(m_direction->currentText());
    m_edge.validity = m_validity->validity();
    m_edge.color = m_color;
    m_edge.width = m_width->value();
    m_edge.properties.clear();
    m_edge.attributes = EdgeForm::rowsToStore(m_attributes->rows());
    accept();
}
