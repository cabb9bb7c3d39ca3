#include "components/componentopenstreetmap.h"

#include "app/prompter.h"
#include "app/tab.h"
#include "canvas/mapmarkeritem.h"
#include "components/componentprogressdialog.h"
#include "components/formwidgets.h"
#include "config/appconfig.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGraphicsPixmapItem>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>
#include <QWheelEvent>

namespace {

// A tile server that never answers must not hold the window forever.
constexpr int tileTimeoutMs = 30000;

} // namespace

using namespace FormWidgets;

ComponentOpenStreetMapDialog::ComponentOpenStreetMapDialog(const OpenStreetMapOptions &defaults,
                                                           Prompter &prompter, QWidget *parent)
    : QDialog(parent), m_prompter(prompter), m_tint(defaults.processing.tint)
{
    setWindowTitle(QStringLiteral("OpenStreetMap — options"));
    auto *form = new QFormLayout(this);
    m_lat = decimalBox(this, QStringLiteral("lat"), -85.051129, 85.051129, 6, defaults.lat);
    form->addRow(QStringLiteral("Latitude (centre) :"), m_lat);
    m_lon = decimalBox(this, QStringLiteral("lon"), -180, 180, 6, defaults.lon);
    form->addRow(QStringLiteral("Longitude (centre) :"), m_lon);
    m_zoom = spinBox(this, QStringLiteral("zoom"), 1, 19, 1, defaults.zoom);
    form->addRow(QStringLiteral("Zoom :"), m_zoom);
    m_width = spinBox(this, QStringLiteral("width"), 1, 16, 1, defaults.width);
    form->addRow(QStringLiteral("Nb tuiles (largeur) :"), m_width);
    m_height = spinBox(this, QStringLiteral("height"), 1, 16, 1, defaults.height);
    form->addRow(QStringLiteral("Nb tuiles (hauteur) :"), m_height);
    m_desaturate = checkBox(this, QStringLiteral("desaturate"), QStringLiteral("Désaturer (N&B)"),
                         defaults.processing.desaturate);
    form->addRow(QStringLiteral("Désaturer :"), m_desaturate);
    m_tintButton = new QPushButton(QStringLiteral("Aucune"), this);
    m_tintButton->setObjectName(QStringLiteral("tint"));
    connect(m_tintButton, &QPushButton::clicked, this, &ComponentOpenStreetMapDialog::chooseTint);
    form->addRow(QStringLiteral("Teinte :"), m_tintButton);
    m_opacity = decimalBox(this, QStringLiteral("opacity"), 0, 1, 2, defaults.processing.opacity);
    m_opacity->setSingleStep(0.05);
    form->addRow(QStringLiteral("Opacité teinte (0–1) :"), m_opacity);
    m_placeNodes = checkBox(this, QStringLiteral("placeNodes"),
                         QStringLiteral("Placer les nœuds géolocalisés"), defaults.placeNodes);
    form->addRow(QStringLiteral("Placer nœuds :"), m_placeNodes);
    m_skipAnchored = checkBox(this, QStringLiteral("skipAnchored"),
                           QStringLiteral("Ignorer les nœuds ancrés"), defaults.skipAnchored);
    form->addRow(QStringLiteral("Ignorer ancrés :"), m_skipAnchored);
    m_userAgent = lineEdit(this, QStringLiteral("userAgent"), defaults.userAgent,
                           QStringLiteral("User-Agent HTTP (optionnel, recommandé)"));
    form->addRow(QStringLiteral("User-Agent :"), m_userAgent);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    form->addRow(buttons);
}

void ComponentOpenStreetMapDialog::chooseTint()
{
    const QColor start = m_tint.isValid() ? m_tint : QColor(QStringLiteral("#55aaff"));
    const QColor chosen = m_prompter.color(this, start, QStringLiteral("Choisir une teinte"));
    if (!chosen.isValid())
        return;
    m_tint = chosen;
    m_tintButton->setText(chosen.name());
    m_tintButton->setStyleSheet(QStringLiteral("background-color: %1").arg(chosen.name()));
}

OpenStreetMapOptions ComponentOpenStreetMapDialog::options() const
{
    OpenStreetMapOptions options;
    options.lat = m_lat->value();
    options.lon = m_lon->value();
    options.zoom = m_zoom->value();
    options.width = m_width->value();
    options.height = m_height->value();
    options.processing = {m_desaturate->isChecked(), m_tint, m_opacity->value()};
    options.placeNodes = m_placeNodes->isChecked();
    options.skipAnchored = m_skipAnchored->isChecked();
    options.userAgent = m_userAgent->text().trimmed();
    return options;
}

MapPreviewView::MapPreviewView(QGraphicsScene *scene, QWidget *parent)
    : QGraphicsView(scene, parent)
{
    setDragMode(QGraphicsView::ScrollHandDrag);
    setRenderHint(QPainter::SmoothPixmapTransform);
    setTransformationAnchor(QGraphicsView::AnchorUnderMouse);
}

void MapPreviewView::wheelEvent(QWheelEvent *event)
{
    const double factor = event->angleDelta().y() > 0 ? 1.15 : 1 / 1.15;
    scale(factor, factor);
    event->accept();
}

ComponentOpenStreetMap::ComponentOpenStreetMap(QWidget *parent, const Tab *tab,
                                               Prompter &prompter)
    : m_parent(parent), m_tab(tab), m_prompter(prompter)
{
}

QDialog *ComponentOpenStreetMap::run()
{
    OpenStreetMapOptions defaults;
    if (m_tab) {
        if (const std::optional<QPointF> centre = OsmTiles::geolocatedCentre(m_tab->graph())) {
            defaults.lat = centre->x();
            defaults.lon = centre->y();
        }
    }
    defaults.processing.opacity = 0.25;
    ComponentOpenStreetMapDialog dialog(defaults, m_prompter, m_parent);
    if (m_prompter.exec(dialog) != QDialog::Accepted)
        return nullptr;
    const OpenStreetMapOptions options = dialog.options();

    auto *window = new QDialog(m_parent);
    window->setObjectName(QStringLiteral("openStreetMapPreview"));
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setWindowTitle(QStringLiteral("OpenStreetMap — aperçu"));
    auto *layout = new QVBoxLayout(window);
    auto *loading = new QLabel(QStringLiteral("Chargement OpenStreetMap…"), window);
    layout->addWidget(loading);
    auto *scene = new QGraphicsScene(window);
    auto *view = new MapPreviewView(scene, window);
    layout->addWidget(view, 1);
    window->resize(900, 700);
    window->show();

    const OsmTiles::Block block =
        OsmTiles::blockAround(options.lat, options.lon, options.zoom, options.width, options.height);
    ComponentUtils::ComponentProgressDialog progress(QStringLiteral("Téléchargement des tuiles"),
                                                     false, true, window);
    progress.show();
    const QList<OsmTiles::Tile> tiles = OsmTiles::fetchBlock(
        block, AppConfig::endpoint(QStringLiteral("OpenStreetMap")), options.userAgent,
        options.processing, tileTimeoutMs, [&progress, &block](int, int, QPoint tile) {
            progress.setStatus(QStringLiteral("z=%1, x=%2, y=%3")
                                   .arg(block.zoom)
                                   .arg(tile.x())
                                   .arg(tile.y()));
            return !progress.isCancelled();
        });
    progress.accept();
    for (const OsmTiles::Tile &tile : tiles) {
        const QPointF at((tile.index.x() - block.x0) * OsmTiles::tileSize,
                         (tile.index.y() - block.y0) * OsmTiles::tileSize);
        if (tile.image.isNull()) {
            scene->addRect(QRectF(at, QSizeF(OsmTiles::tileSize, OsmTiles::tileSize)),
                           QPen(Qt::lightGray), QBrush(QColor(235, 235, 235)));
            continue;
        }
        scene->addPixmap(QPixmap::fromImage(tile.image))->setPos(at);
    }
    if (options.placeNodes && m_tab) {
        for (const OsmTiles::Marker &marker :
             OsmTiles::markers(m_tab->graph(), block, options.skipAnchored)) {
            auto *pin = new MapMarkerItem(marker.label);
            pin->setPos(marker.pixel);
            scene->addItem(pin);
        }
    }
    scene->setSceneRect(0, 0, block.width * OsmTiles::tileSize, block.height * OsmTiles::tileSize);
    loading->hide();
    view->fitInView(scene->sceneRect(), Qt::KeepAspectRatio);
    return window;
}
