#include "dialogs/filtersdialog.h"

#include "dialogs/multicheckcombobox.h"
#include "ops/filterengine.h"
#include "ops/timefilter.h"

#include <QCheckBox>
#include <QDateTimeEdit>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QSlider>
#include <QVBoxLayout>

#include <algorithm>

namespace {


QDateTimeEdit *periodEditor(const QDateTime &value, QWidget *parent)
{
    auto *editor = new QDateTimeEdit(value, parent);
    editor->setDisplayFormat(QStringLiteral("yyyy-MM-dd HH:mm"));
    editor->setCalendarPopup(true);
    return editor;
}

MultiCheckComboBox *typesBox(const QStringList &types, QWidget *parent)
{
    auto *box = new MultiCheckComboBox(parent);
    box->setDisplayMode(MultiCheckComboBox::ShowCount);
    box->setSummaryTexts(QStringLiteral("Tous"), QStringLiteral("Tous"));
    box->setItems(types);
    return box;
}

QString opacityText(int percent)
{
    return QStringLiteral("Opacité des éléments grisés : %1 %").arg(percent);
}

} // namespace

FiltersDialog::FiltersDialog(const Graph &graph, QWidget *parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Filtres simples"));
    setModal(true);
    auto *layout = new QVBoxLayout(this);

    auto *text = new QGroupBox(QStringLiteral("Texte (label + description + attributs)"), this);
    auto *textForm = new QFormLayout(text);
    m_textEnabled = new QCheckBox(QStringLiteral("Activer"), text);
    textForm->addRow(m_textEnabled);
    m_query = new QLineEdit(text);
    m_query->setPlaceholderText(QStringLiteral("mots-clés…"));
    textForm->addRow(QStringLiteral("Requête :"), m_query);
    layout->addWidget(text);

    auto *period = new QGroupBox(QStringLiteral("Période"), this);
    auto *periodForm = new QFormLayout(period);
    m_periodEnabled = new QCheckBox(QStringLiteral("Activer"), period);
    periodForm->addRow(m_periodEnabled);
    // The period opens on the graph's dates, today when it has none.
    const QDateTime today(QDate::currentDate(), QTime(0, 0));
    const std::optional<TimelineMath::Range> span = TimelineMath::validitySpan(graph);
    m_periodStart = periodEditor(span ? span->start : today, period);
    periodForm->addRow(QStringLiteral("Début :"), m_periodStart);
    m_periodEnd = periodEditor(span ? span->end : today, period);
    periodForm->addRow(QStringLiteral("Fin :"), m_periodEnd);
    m_includeUndetermined = new QCheckBox(QStringLiteral("Inclure “indéterminé”"), period);
    m_includeUndetermined->setChecked(true);
    periodForm->addRow(m_includeUndetermined);
    layout->addWidget(period);

    auto *nodeTypes = new QGroupBox(QStringLiteral("Types de nœuds"), this);
    m_nodeTypes = typesBox(FilterEngine::nodeTypes(graph), nodeTypes);
    (new QVBoxLayout(nodeTypes))->addWidget(m_nodeTypes);
    layout->addWidget(nodeTypes);

    auto *relationTypes = new QGroupBox(QStringLiteral("Types de relations"), this);
    m_relationTypes = typesBox(FilterEngine::edgeTypes(graph), relationTypes);
    (new QVBoxLayout(relationTypes))->addWidget(m_relationTypes);
    layout->addWidget(relationTypes);

    auto *display = new QGroupBox(QStringLiteral("Affichage"), this);
    auto *displayLayout = new QVBoxLayout(display);
    m_dim = new QCheckBox(
        QStringLiteral("Griser les éléments non correspondants (conserver le contexte)"), display);
    m_dim->setChecked(true);
    displayLayout->addWidget(m_dim);
    m_opacityLabel = new QLabel(opacityText(20), display);
    displayLayout->addWidget(m_opacityLabel);
    m_opacity = new QSlider(Qt::Horizontal, display);
    m_opacity->setRange(10, 80);
    m_opacity->setSingleStep(1);
    m_opacity->setPageStep(5);
    m_opacity->setValue(20);
    m_opacity->setToolTip(QStringLiteral("Réglez l’opacité des éléments grisés"));
    displayLayout->addWidget(m_opacity);
    layout->addWidget(display);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &FiltersDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);

    connect(m_opacity, &QSlider::valueChanged, this, &FiltersDialog::onOpacityChanged);
    connect(m_dim, &QCheckBox::toggled, this, &FiltersDialog::onDimToggled);
}

void FiltersDialog::onOpacityChanged(int value)
{
    m_opacityLabel->setText(opacityText(value));
}

void FiltersDialog::onDimToggled(bool dim)
{
    m_opacity->setEnabled(dim);
    m_opacityLabel->setEnabled(dim);
}

void FiltersDialog::accept()
{
    FilterState state;
    state.textEnabled = m_textEnabled->isChecked();
    state.query = m_query->text();
    state.periodEnabled = m_periodEnabled->isChecked();
    if (state.periodEnabled) {
        state.periodStart = m_periodStart->dateTime();
        state.periodEnd = m_periodEnd->dateTime();
        state.includeUndetermined = m_includeUndetermined->isChecked();
    }
    const QStringList nodeTypes = m_nodeTypes->checkedItems();
    state.nodeTypesEnabled = !nodeTypes.isEmpty();
    state.nodeTypes = QSet<QString>(nodeTypes.cbegin(), nodeTypes.cend());
    const QStringList relationTypes = m_relationTypes->checkedItems();
    state.relationTypesEnabled = !relationTypes.isEmpty();
    state.relationTypes = QSet<QString>(relationTypes.cbegin(), relationTypes.cend());
    state.dim = m_dim->isChecked();
    state.dimOpacity = state.dim ? std::clamp(m_opacity->value() / 100.0, 0.0, 1.0) : 0.2;
    m_state = state;
    QDialog::accept();
}
