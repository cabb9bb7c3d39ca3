// Background pictures and free shapes: import, drawing, edit dialogs and deletion. The items
// report what the analyst did; every change becomes one undo step of the tab's document.
#include "app/mainwindow.h"

#include "app/prompter.h"
#include "app/tab.h"
#include "canvas/graphscene.h"
#include "canvas/graphview.h"
#include "canvas/groupshapeitem.h"
#include "canvas/mapitem.h"
#include "canvas/shapedrawer.h"
#include "dialogs/groupshapeeditdialog.h"
#include "dialogs/mapeditdialog.h"

#include <QFileInfo>
#include <QImageReader>
#include <QMenu>
#include <QStatusBar>
#include <QUuid>

namespace {

const QString imageFilter = QStringLiteral("Images (*.png *.jpg *.jpeg *.bmp *.gif)");

template <typename Record>
void replaceByUuid(QList<Record> &records, const QList<Record> &replacements)
{
    for (const Record &replacement : replacements) {
        for (Record &record : records) {
            if (record.uuid == replacement.uuid)
                record = replacement;
        }
    }
}

} // namespace

// Queued where the request may delete the item whose menu or handler is still running.
void MainWindow::setUpSceneDecor(Tab *tab)
{
    connect(tab->scene, &GraphScene::decorEdited, this,
            [this, tab](const QList<MapRecord> &maps, const QList<ShapeRecord> &shapes,
                        const QString &text) { replaceSceneRecords(tab, maps, shapes, text); });
    connect(
        tab->scene, &GraphScene::mapDeleteRequested, this,
        [this, tab](const QString &uuid) { deleteMaps(tab, {uuid}); }, Qt::QueuedConnection);
    connect(
        tab->scene, &GraphScene::shapeDeleteRequested, this,
        [this, tab](const QString &uuid) { deleteShape(tab, uuid); }, Qt::QueuedConnection);
    connect(
        tab->scene, &GraphScene::shapeEditRequested, this,
        [this, tab](const QString &uuid) { editShape(tab, uuid); }, Qt::QueuedConnection);
    tab->drawer = new ShapeDrawer(tab->view);
    connect(tab->drawer, &ShapeDrawer::shapeDrawn, this,
            [this, tab](ShapeRecord::Kind kind, const QRectF &rect) {
                addDrawnShape(tab, kind, rect);
            });
}

void MainWindow::replaceSceneRecords(Tab *tab, const QList<MapRecord> &maps,
                                     const QList<ShapeRecord> &shapes, const QString &text)
{
    tab->document->editScene(text, [&maps, &shapes](SceneRecords &records) {
        replaceByUuid(records.maps, maps);
        replaceByUuid(records.shapes, shapes);
    });
}

void MainWindow::importBackgroundImageAtViewCenter()
{
    if (Tab *tab = currentTab())
        importBackgroundImageAt(visibleCentre(tab));
}

void MainWindow::importBackgroundImageAt(const QPointF &scenePos)
{
    Tab *tab = currentTab();
    if (!tab)
        return;
    const QString path =
        m_prompter->openFileName(this, QStringLiteral("Choisir une image"), QString(), imageFilter);
    if (!path.isEmpty())
        addBackgroundImage(tab, path, scenePos);
}

bool MainWindow::addBackgroundImage(Tab *tab, const QString &path, const QPointF &scenePos)
{
    QImageReader reader(path);
    const QSize size = reader.size();
    if (!size.isValid() || !reader.canRead()) {
        m_prompter->warning(this, QStringLiteral("Image d'arrière-plan"),
                            QStringLiteral("Impossible de lire l'image:\n%1").arg(path));
        return false;
    }
    MapRecord map;
    map.file = QFileInfo(path).absoluteFilePath();
    map.uuid = QUuid::createUuid().toString(QUuid::WithoutBraces);
    // Centred on the point, so that the picture lands where the analyst looks or clicked.
    map.pos = scenePos - QPointF(size.width() / 2.0, size.height() / 2.0);
    map.width = size.width();
    map.height = size.height();
    tab->document->editScene(QStringLiteral("Importer une image d'arrière-plan"),
                             [&map](SceneRecords &records) { records.maps.append(map); });
    statusBar()->showMessage(QStringLiteral("Image d'arrière-plan importée"), 3000);
    return true;
}

void MainWindow::editSelectedMap()
{
    Tab *tab = currentTab();
    const QList<MapItem *> selected = tab ? tab->scene->selectedMapItems() : QList<MapItem *>();
    if (selected.isEmpty()) {
        statusBar()->showMessage(QStringLiteral("Aucune image d'arrière-plan sélectionnée"), 3000);
        return;
    }
    MapEditDialog dialog(selected.first()->shown(), *m_prompter, this);
    if (m_prompter->exec(dialog) != QDialog::Accepted)
        return;
    replaceSceneRecords(tab, {dialog.result()}, {}, QStringLiteral("Éditer l'image"));
    statusBar()->showMessage(QStringLiteral("Image éditée"), 3000);
}

void MainWindow::deleteSelectedMaps()
{
    Tab *tab = currentTab();
    const QList<MapItem *> selected = tab ? tab->scene->selectedMapItems() : QList<MapItem *>();
    if (selected.isEmpty())
        return;
    if (!m_prompter->confirm(this, QMessageBox::Question, QStringLiteral("Supprimer"),
                             QStringLiteral("Supprimer %1 image(s) d’arrière-plan sélectionnée(s) ?")
                                 .arg(selected.size())))
        return;
    QStringList uuids;
    for (const MapItem *item : selected)
        uuids.append(item->record().uuid);
    deleteMaps(tab, uuids);
    statusBar()->showMessage(QStringLiteral("Image(s) d’arrière-plan supprimée(s)"), 3000);
}

void MainWindow::deleteMaps(Tab *tab, const QStringList &uuids)
{
    const QString text = uuids.size() == 1
        ? QStringLiteral("Supprimer l'image d'arrière-plan")
        : QStringLiteral("Supprimer %1 images d'arrière-plan").arg(uuids.size());
    tab->document->editScene(text, [&uuids](SceneRecords &records) {
        records.maps.removeIf([&uuids](const MapRecord &map) { return uuids.contains(map.uuid); });
    });
}

void MainWindow::deleteShape(Tab *tab, const QString &uuid)
{
    tab->document->editScene(QStringLiteral("Supprimer la forme"), [&uuid](SceneRecords &records) {
        records.shapes.removeIf([&uuid](const ShapeRecord &shape) { return shape.uuid == uuid; });
    });
}

void MainWindow::editShape(Tab *tab, const QString &uuid)
{
    const GroupShapeItem *item = tab->scene->shapeItem(uuid);
    if (!item)
        return;
    GroupShapeEditDialog dialog(item->shown(), *m_prompter, this);
    if (m_prompter->exec(dialog) != QDialog::Accepted)
        return;
    replaceSceneRecords(tab, {}, {dialog.result()}, QStringLiteral("Modifier la forme"));
}

void MainWindow::startShapeDrawing(ShapeRecord::Kind kind)
{
    Tab *tab = currentTab();
    if (!tab)
        return;
    tab->drawer->start(kind);
    statusBar()->showMessage(kind == ShapeRecord::Kind::Ellipse
                                 ? QStringLiteral("Mode dessin: Ellipse (clic-gauche + glisser)")
                                 : QStringLiteral("Mode dessin: Rectangle (clic-gauche + glisser)"));
}

QMenu *MainWindow::addDrawShapeMenu(QMenu *parent)
{
    QMenu *draw = parent->addMenu(QStringLiteral("Dessiner une forme"));
    connect(draw->addAction(QStringLiteral("Rectangle")), &QAction::triggered, this,
            [this]() { startShapeDrawing(ShapeRecord::Kind::Rectangle); });
    connect(draw->addAction(QStringLiteral("Ellipse")), &QAction::triggered, this,
            [this]() { startShapeDrawing(ShapeRecord::Kind::Ellipse); });
    return draw;
}

void MainWindow::addDrawnShape(Tab *tab, ShapeRecord::Kind kind, const QRectF &rect)
{
    ShapeRecord shape;
    shape.uuid = QUuid::createUuid().toString(QUuid::WithoutBraces);
    shape.kind = kind;
    // The item sits at the drawn corner, so that it turns and scales about its own rectangle.
    shape.pos = rect.topLeft();
    shape.rect = QRectF(QPointF(0, 0), rect.size());
    shape.z = -1000.0;
    shape.fill = GroupShapeItem::defaultFill();
    shape.penColor = GroupShapeItem::defaultPenColor();
    shape.penWidth = 2.0;
    tab->document->editScene(kind == ShapeRecord::Kind::Ellipse
                                 ? QStringLiteral("Dessiner une ellipse")
                                 : QStringLiteral("Dessiner un rectangle"),
                             [&shape](SceneRecords &records) { records.shapes.append(shape); });
    statusBar()->showMessage(QStringLiteral("Forme ajoutée"), 3000);
}
