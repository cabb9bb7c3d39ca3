#include "dialogs/mapeditdialog.h"

#include "app/prompter.h"
#include "canvas/mapitem.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QFrame>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>

namespace {

const QString imageFilter = QStringLiteral("Images (*.png *.jpg *.jpeg *.bmp *.gif)");

QDoubleSpinBox *doubleBox(QWidget *parent, double low, double high, double value, int decimals)
{
    auto *box = new QDoubleSpinBox(parent);
    box->setRange(low, high);
    box->setDecimals(decimals);
    box->setValue(value);
    return box;
}

} // namespace

MapEditDialog::MapEditDialog(const MapRecord &record, Prompter &prompter, QWidget *parent)
    : QDialog(parent), m_prompter(prompter), m_result(record)
{
    setWindowTitle(QStringLiteral("Éditer l'image d'arrière-plan"));
    auto *form = new QFormLayout(this);

    auto *pathRow = new QHBoxLayout;
    m_path = new QLineEdit(record.file, this);
    m_path->setPlaceholderText(QStringLiteral("Ex: C:/dossier/carte.png"));
    pathRow->addWidget(m_path, 1);
    auto *browseButton = new QPushButton(QStringLiteral("Parcourir…"), this);
    connect(browseButton, &QPushButton::clicked, this, &MapEditDialog::browse);
    pathRow->addWidget(browseButton);
    form->addRow(QStringLiteral("Chemin image :"), pathRow);

    m_anchored = new QCheckBox(QStringLiteral("Ancrer (immobile)"), this);
    m_anchored->setChecked(record.anchored);
    form->addRow(m_anchored);
    m_grid = new QCheckBox(QStringLiteral("Afficher la grille"), this);
    m_grid->setChecked(record.showGrid);
    form->addRow(m_grid);

    m_uuid = new QLineEdit(record.uuid, this);
    m_uuid->setReadOnly(true);
    form->addRow(QStringLiteral("UUID"), m_uuid);
    m_label = new QLineEdit(record.label, this);
    m_label->setObjectName(QStringLiteral("mapLabel"));
    form->addRow(QStringLiteral("Label"), m_label);
    m_description = new QLineEdit(record.description, this);
    form->addRow(QStringLiteral("Description"), m_description);

    m_gridStep = new QSpinBox(this);
    m_gridStep->setRange(2, 1024);
    m_gridStep->setValue(record.gridStep);
    form->addRow(QStringLiteral("Taille de la grille (px)"), m_gridStep);
    m_gridWidth = doubleBox(this, 0.1, 20.0, record.gridWidth, 1);
    form->addRow(QStringLiteral("Épaisseur du trait (px)"), m_gridWidth);

    auto *colourRow = new QHBoxLayout;
    m_swatch = new QFrame(this);
    m_swatch->setFixedSize(36, 18);
    m_swatch->setFrameShape(QFrame::Box);
    colourRow->addWidget(m_swatch);
    auto *pick = new QPushButton(QStringLiteral("Choisir la couleur…"), this);
    connect(pick, &QPushButton::clicked, this, &MapEditDialog::pickGridColor);
    colourRow->addWidget(pick);
    colourRow->addStretch(1);
    form->addRow(QStringLiteral("Couleur de la grille"), colourRow);
    setGridColor(record.gridColor.isValid() ? record.gridColor : QColor(QStringLiteral("#55ffff")));

    m_width = doubleBox(this, MapItem::MinimumSize, 100000.0, std::max(record.width, MapItem::MinimumSize), 0);
    form->addRow(QStringLiteral("Largeur de l'image (px)"), m_width);
    m_height = doubleBox(this, MapItem::MinimumSize, 100000.0, std::max(record.height, MapItem::MinimumSize), 0);
    form->addRow(QStringLiteral("Hauteur de l'image (px)"), m_height);
    m_rotation = doubleBox(this, -360.0, 360.0, record.rotation, 1);
    m_rotation->setObjectName(QStringLiteral("mapRotation"));
    form->addRow(QStringLiteral("Rotation de l'image (°)"), m_rotation);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &MapEditDialog::onAccept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    form->addRow(buttons);
    setMinimumWidth(480);
}

void MapEditDialog::browse()
{
    const QString path = m_prompter.openFileName(this, QStringLiteral("Choisir une image"),
                                                 m_path->text(), imageFilter);
    if (!path.isEmpty())
        m_path->setText(path);
}

void MapEditDialog::setGridColor(const QColor &color)
{
    m_gridColor = color;
    m_swatch->setStyleSheet(QStringLiteral("background:%1;").arg(color.name()));
}

void MapEditDialog::pickGridColor()
{
    const QColor chosen =
        m_prompter.color(this, m_gridColor, QStringLiteral("Choisir la couleur de la grille"));
    if (chosen.isValid())
        setGridColor(chosen);
}

void MapEditDialog::onAccept()
{
    m_result.file = m_path->text().trimmed();
    m_result.anchored = m_anchored->isChecked();
    m_result.showGrid = m_grid->isChecked();
    m_result.label = m_label->text();
    m_result.description = m_description->text();
    m_result.gridStep = m_gridStep->value();
    m_result.gridWidth = m_gridWidth->value();
    m_result.gridColor = m_gridColor;
    m_result.width = m_width->value();
    m_result.height = m_height->value();
    m_result.rotation = m_rotation->value();
    accept();
}
