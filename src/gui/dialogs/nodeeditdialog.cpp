#include "dialogs/nodeeditdialog.h"

#include "app/prompter.h"
#include "dialogs/attributeeditor.h"
#include "dialogs/iconpickerdialog.h"
#include "dialogs/mediaeditdialog.h"
#include "dialogs/validityeditor.h"
#include "model/textforms.h"
#include "ops/iconlibrary.h"
#include "ops/mediafiles.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QEvent>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QSet>
#include <QTableWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace {

const QString kDefaultType = QStringLiteral("défaut");

QStringList knownNodeKeys(const Graph *graph)
{
    QSet<QString> keys;
    if (graph) {
        for (const Node &node : graph->nodes()) {
            for (const AttributeRow &row : node.attributes)
                keys.insert(row.key);
        }
    }
    QStringList sorted(keys.cbegin(), keys.cend());
    sorted.sort(Qt::CaseInsensitive);
    return sorted;
}

QLabel *colorSwatch(QWidget *parent)
{
    auto *swatch = new QLabel(parent);
    swatch->setObjectName(QStringLiteral("colorSwatch"));
    swatch->setFixedSize(36, 18);
    swatch->setFrameShape(QFrame::Box);
    return swatch;
}

} // namespace

QStringList NodeEditDialog::commonTypes()
{
    return {kDefaultType,          QStringLiteral("ip"),       QStringLiteral("asn"),
            QStringLiteral("cidr"), QStringLiteral("domaine"), QStringLiteral("url"),
            QStringLiteral("email"), QStringLiteral("hash"),   QStringLiteral("fichier"),
            QStringLiteral("wallet"), QStringLiteral("acteur"), QStringLiteral("personne"),
            QStringLiteral("organisation"), QStringLiteral("malware")};
}

NodeEditDialog::NodeEditDialog(const Node &node, const Graph *graph, Prompter &prompter,
                               QWidget *parent)
    : QDialog(parent), m_node(node), m_graph(graph), m_prompter(prompter),
      m_medias(node.medias)
{
    setWindowTitle(QStringLiteral("Éditer le nœud — %1")
                       .arg(node.label.isEmpty() ? node.id : node.label));
    resize(560, 520);

    // The form is taller than the window: it scrolls, the buttons stay in view.
    auto *content = new QWidget;
    auto *contentLayout = new QVBoxLayout(content);
    contentLayout->addWidget(buildMainFields());
    contentLayout->addWidget(buildGeolocation());
    contentLayout->addWidget(buildInvestigationLink());
    contentLayout->addWidget(buildMedias());
    auto *attributes = new QGroupBox(QStringLiteral("Attributs (clé/valeur)"), content);
    m_attributes = new AttributeEditor(node.attributes, knownNodeKeys(graph), attributes);
    m_attributes->table()->setMinimumHeight(140);
    auto *attributesLayout = new QVBoxLayout(attributes);
    attributesLayout->addWidget(m_attributes);
    contentLayout->addWidget(attributes);

    auto *scroll = new QScrollArea(this);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidget(content);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &NodeEditDialog::onAccept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(scroll, 1);
    layout->addWidget(buttons);
}

QWidget *NodeEditDialog::buildMainFields()
{
    auto *box = new QWidget;
    auto *form = new QFormLayout(box);
    form->setContentsMargins(0, 0, 0, 0);

    m_label = new QLineEdit(m_node.label, box);
    m_label->setObjectName(QStringLiteral("labelEdit"));
    form->addRow(QStringLiteral("Label"), m_label);
    m_showLabel = new QCheckBox(box);
    m_showLabel->setObjectName(QStringLiteral("showLabelBox"));
    m_showLabel->setChecked(m_node.showLabel);
    form->addRow(QStringLiteral("Afficher label"), m_showLabel);
    m_hypothesis = new QCheckBox(box);
    m_hypothesis->setObjectName(QStringLiteral("hypothesisBox"));
    m_hypothesis->setChecked(m_node.hypothesis);
    form->addRow(QStringLiteral("Hypothèse"), m_hypothesis);

    m_type = new QComboBox(box);
    m_type->setObjectName(QStringLiteral("typeCombo"));
    m_type->setEditable(true);
    QStringList types = commonTypes();
    if (m_graph) {
        for (const Node &other : m_graph->nodes()) {
            const QString type = other.type.trimmed();
            if (!type.isEmpty() && !types.contains(type))
                types.append(type);
        }
    }
    std::sort(types.begin() + 1, types.end(),
              [](const QString &a, const QString &b) { return a.localeAwareCompare(b) < 0; });
    m_type->addItems(types);
    m_type->setEditText(m_node.type);
    form->addRow(QStringLiteral("Type"), m_type);

    m_shape = new QComboBox(box);
    m_shape->setObjectName(QStringLiteral("shapeCombo"));
    for (NodeShape shape : {NodeShape::Circle, NodeShape::Triangle, NodeShape::Square,
                            NodeShape::Pentagon, NodeShape::Hexagon, NodeShape::Octagon})
        m_shape->addItem(TextForms::shapeToText(shape), int(shape));
    m_shape->setCurrentIndex(std::max(0, m_shape->findData(int(m_node.shape))));
    form->addRow(QStringLiteral("Forme"), m_shape);

    m_size = new QComboBox(box);
    m_size->setObjectName(QStringLiteral("sizeCombo"));
    for (double factor : {0.25, 0.5, 1.0, 2.0, 3.0, 4.0, 5.0})
        m_size->addItem(QStringLiteral("×%1").arg(factor), factor);
    // A size outside the list (set by an import or a component) is offered as it is, so
    // that accepting the form does not change it.
    int sizeIndex = -1;
    for (int i = 0; i < m_size->count(); ++i) {
        if (std::abs(m_size->itemData(i).toDouble() - m_node.size) < 1e-9)
            sizeIndex = i;
    }
    if (sizeIndex < 0) {
        m_size->addItem(QStringLiteral("×%1").arg(m_node.size), m_node.size);
        sizeIndex = m_size->count() - 1;
    }
    m_size->setCurrentIndex(sizeIndex);
    form->addRow(QStringLiteral("Taille"), m_size);

    auto *colorRow = new QHBoxLayout;
    auto *chooseColor = new QPushButton(QStringLiteral("Choisir"), box);
    connect(chooseColor, &QPushButton::clicked, this, &NodeEditDialog::onChooseColor);
    m_swatch = colorSwatch(box);
    m_swatch->installEventFilter(this);
    colorRow->addWidget(chooseColor);
    colorRow->addWidget(m_swatch);
    colorRow->addStretch(1);
    form->addRow(QStringLiteral("Couleur"), colorRow);
    setColor(m_node.color);

    auto *imageRow = new QHBoxLayout;
    m_mediaPath = new QLineEdit(m_node.mediaPath, box);
    m_mediaPath->setObjectName(QStringLiteral("mediaPathEdit"));
    auto *browse = new QPushButton(QStringLiteral("Parcourir"), box);
    connect(browse, &QPushButton::clicked, this, &NodeEditDialog::onBrowseMedia);
    auto *pick = new QToolButton(box);
    pick->setObjectName(QStringLiteral("iconPickerButton"));
    pick->setIcon(QIcon(QStringLiteral(":/res/res/orvane.png")));
    pick->setIconSize(QSize(20, 20));
    pick->setMinimumSize(28, 28);
    pick->setToolTip(QStringLiteral("Choisir une icône dans le dossier 'icons'"));
    connect(pick, &QToolButton::clicked, this, &NodeEditDialog::onPickResourceIcon);
    imageRow->addWidget(m_mediaPath, 1);
    imageRow->addWidget(browse);
    imageRow->addWidget(pick);
    form->addRow(QStringLiteral("Chemin image"), imageRow);

    m_description = new QPlainTextEdit(m_node.description, box);
    m_description->setObjectName(QStringLiteral("descriptionEdit"));
    m_description->setMinimumHeight(80);
    form->addRow(QStringLiteral("Description (texte libre)"), m_description);

    m_validity = new ValidityEditor(m_node.validity, box);
    form->addRow(QStringLiteral("Validité"), m_validity);

    m_anchored = new QCheckBox(box);
    m_anchored->setObjectName(QStringLiteral("anchoredBox"));
    m_anchored->setChecked(m_node.anchored);
    form->addRow(QStringLiteral("Ancrer (immobile)"), m_anchored);
    return box;
}

QWidget *NodeEditDialog::buildGeolocation()
{
    auto *group = new QGroupBox(QStringLiteral("Géolocalisation"));
    auto *form = new QFormLayout(group);
    m_geoBox = new QCheckBox(QStringLiteral("Activer la géolocalisation"), group);
    m_geoBox->setObjectName(QStringLiteral("geoBox"));
    const auto coordinate = [group](double bound, const std::optional<double> &value) {
        auto *spin = new QDoubleSpinBox(group);
        spin->setRange(-bound, bound);
        spin->setDecimals(6);
        spin->setSingleStep(0.0001);
        spin->setValue(value.value_or(0.0));
        return spin;
    };
    m_lat = coordinate(90.0, m_node.geoLat);
    m_lat->setObjectName(QStringLiteral("latitudeSpin"));
    m_lon = coordinate(180.0, m_node.geoLon);
    m_lon->setObjectName(QStringLiteral("longitudeSpin"));
    const bool enabled = m_node.geoLat.has_value() || m_node.geoLon.has_value();
    m_geoBox->setChecked(enabled);
    m_lat->setEnabled(enabled);
    m_lon->setEnabled(enabled);
    connect(m_geoBox, &QCheckBox::toggled, m_lat, &QWidget::setEnabled);
    connect(m_geoBox, &QCheckBox::toggled, m_lon, &QWidget::setEnabled);
    form->addRow(m_geoBox);
    form->addRow(QStringLiteral("Latitude"), m_lat);
    form->addRow(QStringLiteral("Longitude"), m_lon);
    return group;
}

QWidget *NodeEditDialog::buildInvestigationLink()
{
    auto *group = new QGroupBox(QStringLiteral("Lien d'investigation"));
    auto *layout = new QVBoxLayout(group);
    m_linkBox = new QCheckBox(QStringLiteral("Ce nœud ouvre une autre investigation"), group);
    m_linkBox->setObjectName(QStringLiteral("investigationLinkBox"));
    m_linkBox->setChecked(m_node.isInvestigationLink);
    m_linkPath = new QLineEdit(m_node.investigationPath, group);
    m_linkPath->setObjectName(QStringLiteral("investigationPathEdit"));
    m_linkPath->setPlaceholderText(QStringLiteral("Chemin vers la base (*.db)"));
    auto *browse = new QPushButton(QStringLiteral("Parcourir…"), group);
    connect(browse, &QPushButton::clicked, this, &NodeEditDialog::onBrowseInvestigation);
    auto *row = new QHBoxLayout;
    row->addWidget(new QLabel(QStringLiteral("Base externe"), group));
    row->addWidget(m_linkPath, 1);
    row->addWidget(browse);
    layout->addWidget(m_linkBox);
    layout->addLayout(row);
    return group;
}

QWidget *NodeEditDialog::buildMedias()
{
    auto *group = new QGroupBox(QStringLiteral("Médias"));
    auto *layout = new QVBoxLayout(group);
    m_mediaTable = new QTableWidget(0, 2, group);
    m_mediaTable->setObjectName(QStringLiteral("mediaTable"));
    m_mediaTable->setHorizontalHeaderLabels({QStringLiteral("Nom"), QStringLiteral("Fichier")});
    m_mediaTable->horizontalHeader()->setStretchLastSection(true);
    m_mediaTable->verticalHeader()->setVisible(false);
    m_mediaTable->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_mediaTable->setSelectionMode(QAbstractItemView::SingleSelection);
    m_mediaTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_mediaTable->setMinimumHeight(100);
    m_mediaTable->setColumnWidth(0, 170);
    for (int i = 0; i < m_medias.size(); ++i)
        appendMediaRow();
    connect(m_mediaTable, &QTableWidget::cellDoubleClicked, this, &NodeEditDialog::onEditMedia);

    auto *buttons = new QHBoxLayout;
    const struct
    {
        const char *text;
        void (NodeEditDialog::*slot)();
    } entries[] = {{"Ajouter média", &NodeEditDialog::onAddMedia},
                   {"Supprimer", &NodeEditDialog::onDelMedia},
                   {"Éditer", &NodeEditDialog::onEditMedia}};
    for (const auto &entry : entries) {
        auto *button = new QPushButton(QString::fromUtf8(entry.text), group);
        connect(button, &QPushButton::clicked, this, entry.slot);
        buttons->addWidget(button);
    }
    buttons->addStretch(1);
    layout->addWidget(m_mediaTable);
    layout->addLayout(buttons);
    return group;
}

void NodeEditDialog::setColor(const QColor &color)
{
    m_color = color;
    m_swatch->setStyleSheet(QStringLiteral("background:%1;")
                                .arg(color.isValid() ? color.name() : QStringLiteral("transparent")));
}

void NodeEditDialog::appendMediaRow()
{
    const int row = m_mediaTable->rowCount();
    m_mediaTable->insertRow(row);
    m_mediaTable->setItem(row, 0, new QTableWidgetItem);
    m_mediaTable->setItem(row, 1, new QTableWidgetItem);
    refreshMediaRow(row);
}

void NodeEditDialog::refreshMediaRow(int row)
{
    const MediaRecord &media = m_medias.at(row);
    m_mediaTable->item(row, 0)->setText(media.name.isEmpty() ? QStringLiteral("(sans nom)")
                                                             : media.name);
    m_mediaTable->item(row, 1)->setText(media.file);
}

void NodeEditDialog::onBrowseMedia()
{
    const QString path = m_prompter.openFileName(
        this, QStringLiteral("Choisir une image"), QString(),
        QStringLiteral("Images (*.png *.jpg *.jpeg *.bmp *.gif);;Tous fichiers (*.*)"));
    if (!path.isEmpty())
        m_mediaPath->setText(path);
}

void NodeEditDialog::onBrowseInvestigation()
{
    const QString path = m_prompter.openFileName(
        this, QStringLiteral("Choisir la base d'investigation"), QString(),
        QStringLiteral("Bases ORVANE (*.db);;Tous fichiers (*.*)"));
    if (!path.isEmpty())
        m_linkPath->setText(path);
}

void NodeEditDialog::onChooseColor()
{
    const QColor color = m_prompter.color(this, m_color, QStringLiteral("Choisir une couleur"));
    if (color.isValid())
        setColor(color);
}

bool NodeEditDialog::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_swatch && event->type() == QEvent::MouseButtonRelease) {
        onChooseColor();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void NodeEditDialog::onPickResourceIcon()
{
    const QString folder = IconLibrary::findFolder();
    if (folder.isEmpty()) {
        m_prompter.warning(this, QStringLiteral("Icônes introuvables"),
                           QStringLiteral("Le dossier 'icons' est introuvable à la racine du "
                                          "projet."));
        return;
    }
    IconPickerDialog picker(IconLibrary::categories(folder), this);
    if (m_prompter.exec(picker) == QDialog::Accepted && !picker.chosenPath().isEmpty())
        m_mediaPath->setText(picker.chosenPath());
}

void NodeEditDialog::onAddMedia()
{
    const QStringList files =
        m_prompter.openFileNames(this, QStringLiteral("Ajouter média"), QString(), QString());
    for (const QString &file : files) {
        MediaRecord media;
        const QFileInfo info(file);
        media.name = info.fileName();
        media.file = info.absoluteFilePath();
        media.date = QDateTime::currentDateTime();
        media.sha256 = MediaFiles::sha256Hex(media.file);
        m_medias.append(media);
        appendMediaRow();
    }
}

void NodeEditDialog::onDelMedia()
{
    const int row = m_mediaTable->currentRow();
    if (row < 0 || row >= m_medias.size())
        return;
    m_medias.removeAt(row);
    m_mediaTable->removeRow(row);
}

void NodeEditDialog::onEditMedia()
{
    const int row = m_mediaTable->currentRow();
    if (row < 0 || row >= m_medias.size())
        return;
    MediaEditDialog editor(m_medias.at(row), QString(), m_prompter, this);
    if (m_prompter.exec(editor) != QDialog::Accepted)
        return;
    m_medias[row] = editor.record();
    refreshMediaRow(row);
}

QStringList NodeEditDialog::duplicateLabelIds(const QString &label) const
{
    QStringList ids;
    if (!m_graph)
        return ids;
    for (const Node &other : m_graph->nodes()) {
        if (other.id != m_node.id
            && other.label.trimmed().compare(label, Qt::CaseInsensitive) == 0)
            ids.append(other.id);
    }
    ids.sort();
    return ids;
}

void NodeEditDialog::onAccept()
{
    const QString label = m_label->text().trimmed();
    const QStringList duplicates = duplicateLabelIds(label);
    if (!duplicates.isEmpty()) {
        const QMessageBox::StandardButton answer = m_prompter.message(
            this, QMessageBox::Warning, QStringLiteral("Label en double"),
            QStringLiteral("Un nœud avec le même label existe déjà."),
            QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Cancel,
            QStringLiteral("Label : \"%1\"\nID(s) existant(s) : %2\n\nCréer quand même ce nœud ?")
                .arg(label, duplicates.join(QStringLiteral(", "))));
        if (answer != QMessageBox::Ok)
            return;
    }

    m_node.label = label;
    m_node.showLabel = m_showLabel->isChecked();
    m_node.hypothesis = m_hypothesis->isChecked();
    const QString type = m_type->currentText().trimmed();
    m_node.type = type.isEmpty() ? kDefaultType : type;
    m_node.shape = NodeShape(m_shape->currentData().toInt());
    m_node.size = m_size->currentData().toDouble();
    m_node.color = m_color;
    m_node.mediaPath = m_mediaPath->text().trimmed();
    m_node.description = m_description->toPlainText();
    m_node.validity = m_validity->validity();
    m_node.anchored = m_anchored->isChecked();
    if (m_geoBox->isChecked()) {
        m_node.geoLat = m_lat->value();
        m_node.geoLon = m_lon->value();
    } else {
        m_node.geoLat.reset();
        m_node.geoLon.reset();
    }
    m_node.isInvestigationLink = m_linkBox->isChecked();
    m_node.investigationPath = m_linkPath->text().trimmed();
    m_node.medias = m_medias;
    m_node.attributes = m_attributes->rows();
    accept();
}
