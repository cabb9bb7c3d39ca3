// Background pictures and free shapes through the main window: saved and reloaded with the
// project, edited through their dialogs, each change one step of the tab's history.
#include "app/mainwindow.h"
#include "app/tab.h"
#include "canvas/graphscene.h"
#include "canvas/graphview.h"
#include "canvas/groupshapeitem.h"
#include "canvas/mapitem.h"
#include "dialogs/groupshapeeditdialog.h"
#include "scriptedprompter.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFileInfo>
#include <QImage>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTextCursor>
#include <QTextEdit>
#include <QUndoStack>

namespace {

MapRecord fullMap(const QString &file)
{
    MapRecord map;
    map.file = file;
    map.uuid = QStringLiteral("map-1");
    map.label = QStringLiteral("Étage 2");
    map.description = QStringLiteral("Plan du bâtiment B");
    map.pos = QPointF(-120.5, 40.25);
    map.rotation = 12.5;
    map.z = -9000;
    map.width = 320;
    map.height = 180;
    map.anchored = true;
    map.showGrid = true;
    map.gridStep = 48;
    map.gridWidth = 2.5;
    map.gridColor = QColor(10, 20, 30, 90);
    map.anonymize = true;
    return map;
}

ShapeRecord fullShape()
{
    ShapeRecord shape;
    shape.uuid = QStringLiteral("shape-1");
    shape.kind = ShapeRecord::Kind::Ellipse;
    shape.rect = QRectF(5, 6, 70, 80);
    shape.pos = QPointF(300, -20);
    shape.z = -900;
    shape.rotation = 30;
    shape.label = QStringLiteral("Salle serveurs");
    shape.descriptionHtml = QStringLiteral("<p><b>Baie</b> 4</p>");
    shape.fill = QColor(170, 0, 255, 10);
    shape.penColor = QColor(47, 79, 79);
    shape.penWidth = 3;
    shape.locked = true;
    return shape;
}

void compareMaps(const MapRecord &actual, const MapRecord &expected)
{
    QCOMPARE(actual.uuid, expected.uuid);
    QCOMPARE(actual.label, expected.label);
    QCOMPARE(actual.description, expected.description);
    QCOMPARE(actual.pos, expected.pos);
    QCOMPARE(actual.rotation, expected.rotation);
    QCOMPARE(actual.z, expected.z);
    QCOMPARE(actual.width, expected.width);
    QCOMPARE(actual.height, expected.height);
    QCOMPARE(actual.anchored, expected.anchored);
    QCOMPARE(actual.showGrid, expected.showGrid);
    QCOMPARE(actual.gridStep, expected.gridStep);
    QCOMPARE(actual.gridWidth, expected.gridWidth);
    QCOMPARE(actual.gridColor, expected.gridColor);
    QCOMPARE(actual.anonymize, expected.anonymize);
}

void compareShapes(const ShapeRecord &actual, const ShapeRecord &expected)
{
    QCOMPARE(actual.uuid, expected.uuid);
    QCOMPARE(actual.kind, expected.kind);
    QCOMPARE(actual.rect, expected.rect);
    QCOMPARE(actual.pos, expected.pos);
    QCOMPARE(actual.z, expected.z);
    QCOMPARE(actual.rotation, expected.rotation);
    QCOMPARE(actual.label, expected.label);
    QCOMPARE(actual.descriptionHtml, expected.descriptionHtml);
    QCOMPARE(actual.fill, expected.fill);
    QCOMPARE(actual.penColor, expected.penColor);
    QCOMPARE(actual.penWidth, expected.penWidth);
    QCOMPARE(actual.locked, expected.locked);
}

void clickOk(QDialog &dialog)
{
    dialog.findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok)->click();
}

} // namespace

class TstSceneDecor : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void saveAndReloadKeepEveryProperty();
    void importedPictureIsOneUndoStep();
    void unreadablePictureIsRefused();
    void mapDialogEditsTheSelectedMap();
    void deletingSelectedMapsAsksFirst();
    void shapeDialogAppliesRichText();

private:
    Tab *tab() const { return m_window->currentTab(); }
    QUndoStack *history() const { return tab()->document->undoStack(); }
    // One unanchored picture of m_picture's size at the origin, selected.
    MapItem *selectedMap();

    QTemporaryDir m_dir;
    QString m_picture;
    ScriptedPrompter *m_prompter = nullptr;
    MainWindow *m_window = nullptr;
};

void TstSceneDecor::initTestCase()
{
    QImage picture(120, 80, QImage::Format_RGB32);
    picture.fill(Qt::darkCyan);
    QDir().mkpath(m_dir.filePath(QStringLiteral("outside")));
    m_picture = m_dir.filePath(QStringLiteral("outside/plan.png"));
    QVERIFY(picture.save(m_picture));
}

void TstSceneDecor::init()
{
    m_prompter = new ScriptedPrompter;
    m_window = new MainWindow(m_prompter);
    m_window->resize(900, 600);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window));
}

void TstSceneDecor::cleanup()
{
    delete m_window;
    delete m_prompter;
}

MapItem *TstSceneDecor::selectedMap()
{
    m_prompter->answers << m_picture;
    m_window->importBackgroundImageAtViewCenter();
    if (tab()->sceneRecords().maps.size() != 1)
        return nullptr;
    MapItem *item = tab()->scene->mapItem(tab()->sceneRecords().maps.first().uuid);
    item->setSelected(true);
    return item;
}

void TstSceneDecor::saveAndReloadKeepEveryProperty()
{
    const MapRecord map = fullMap(m_picture);
    const ShapeRecord shape = fullShape();
    // The analyst picked the picture in a file chooser: only such files are copied in.
    m_prompter->answers << m_picture;
    QCOMPARE(m_prompter->openFileName(nullptr, QString(), QString(), QString()), m_picture);
    tab()->document->editScene(QStringLiteral("Préparer"), [&](SceneRecords &records) {
        records.maps.append(map);
        records.shapes.append(shape);
    });
    m_prompter->answers << m_dir.filePath(QStringLiteral("Bureau.orvane.db"));
    m_window->saveProjectAs();
    const QString folder = QFileInfo(tab()->dbPath()).absolutePath();
    QVERIFY(!tab()->document->isModified());

    // The picture from outside was copied into the project, and the tab now points at the copy.
    const QString copy = QDir(folder).filePath(QStringLiteral("maps/map-1/plan.png"));
    QVERIFY(QFileInfo(copy).isFile());
    QCOMPARE(QFileInfo(tab()->sceneRecords().maps.first().file).canonicalFilePath(),
             QFileInfo(copy).canonicalFilePath());
    QVERIFY(QFileInfo::exists(m_picture));

    m_window->reloadCurrentTab();
    QCOMPARE(tab()->sceneRecords().maps.size(), 1);
    QCOMPARE(tab()->sceneRecords().shapes.size(), 1);
    compareMaps(tab()->sceneRecords().maps.first(), map);
    compareShapes(tab()->sceneRecords().shapes.first(), shape);
    QCOMPARE(QFileInfo(tab()->sceneRecords().maps.first().file).canonicalFilePath(),
             QFileInfo(copy).canonicalFilePath());

    // The items show what was loaded.
    MapItem *mapItem = tab()->scene->mapItem(QStringLiteral("map-1"));
    GroupShapeItem *shapeItem = tab()->scene->shapeItem(QStringLiteral("shape-1"));
    QVERIFY(mapItem && shapeItem);
    QVERIFY(mapItem->hasPicture());
    QCOMPARE(mapItem->pos(), map.pos);
    QCOMPARE(mapItem->rotation(), map.rotation);
    QCOMPARE(mapItem->zValue(), map.z);
    QVERIFY(!(mapItem->flags() & QGraphicsItem::ItemIsMovable));
    QCOMPARE(shapeItem->pos(), shape.pos);
    QCOMPARE(shapeItem->rect(), shape.rect);
    QCOMPARE(shapeItem->rotation(), shape.rotation);
}

void TstSceneDecor::importedPictureIsOneUndoStep()
{
    const QPointF centre = tab()->view->mapToScene(tab()->view->viewport()->rect().center());
    MapItem *item = selectedMap();
    QVERIFY(item);
    QCOMPARE(m_prompter->last(QStringLiteral("open")).title, QStringLiteral("Choisir une image"));
    const MapRecord map = tab()->sceneRecords().maps.first();
    QCOMPARE(map.pos, centre - QPointF(60, 40));
    QCOMPARE(QSizeF(map.width, map.height), QSizeF(120, 80));
    QCOMPARE(map.z, -10000.0);
    QVERIFY(item->hasPicture());
    QVERIFY(m_window->tabTitle(0).endsWith(QLatin1Char('*')));
    history()->undo();
    QVERIFY(tab()->sceneRecords().maps.isEmpty());
    QVERIFY(!tab()->document->isModified());
    history()->redo();
    QCOMPARE(tab()->sceneRecords().maps.first().uuid, map.uuid);
    QVERIFY(tab()->scene->mapItem(map.uuid));
}

void TstSceneDecor::unreadablePictureIsRefused()
{
    const QString notAPicture = m_dir.filePath(QStringLiteral("notes.png"));
    QFile file(notAPicture);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("not a picture");
    file.close();
    m_prompter->answers << notAPicture;
    m_window->importBackgroundImageAtViewCenter();
    QVERIFY(tab()->sceneRecords().maps.isEmpty());
    QCOMPARE(m_prompter->last(QStringLiteral("message")).title, QStringLiteral("Image d'arrière-plan"));
    QVERIFY(!tab()->document->isModified());
}

void TstSceneDecor::mapDialogEditsTheSelectedMap()
{
    MapItem *item = selectedMap();
    QVERIFY(item);
    m_prompter->dialogs << [](QDialog &dialog) {
        dialog.findChild<QLineEdit *>(QStringLiteral("mapLabel"))->setText(QStringLiteral("RDC"));
        dialog.findChild<QDoubleSpinBox *>(QStringLiteral("mapRotation"))->setValue(45);
        clickOk(dialog);
        return dialog.result();
    };
    m_window->editSelectedMap();
    QCOMPARE(tab()->sceneRecords().maps.first().label, QStringLiteral("RDC"));
    QCOMPARE(item->rotation(), 45.0);
    QCOMPARE(m_window->statusBar()->currentMessage(), QStringLiteral("Image éditée"));
    history()->undo();
    QCOMPARE(tab()->sceneRecords().maps.first().label, QString());
    QCOMPARE(item->rotation(), 0.0);

    // Cancelled: nothing changes and no step is added.
    const int steps = history()->count();
    m_window->editSelectedMap();
    QCOMPARE(history()->count(), steps);
}

void TstSceneDecor::deletingSelectedMapsAsksFirst()
{
    QVERIFY(selectedMap());
    m_window->deleteSelectedMaps();
    QCOMPARE(m_prompter->last(QStringLiteral("message")).title, QStringLiteral("Supprimer"));
    QCOMPARE(m_prompter->last(QStringLiteral("message")).text,
             QStringLiteral("Supprimer 1 image(s) d’arrière-plan sélectionnée(s) ?"));
    QCOMPARE(tab()->sceneRecords().maps.size(), 1);

    m_prompter->answers << int(QMessageBox::Yes);
    m_window->deleteSelectedMaps();
    QVERIFY(tab()->sceneRecords().maps.isEmpty());
    QTRY_VERIFY(tab()->scene->mapItems().isEmpty());
    QCOMPARE(m_window->statusBar()->currentMessage(),
             QStringLiteral("Image(s) d’arrière-plan supprimée(s)"));
    history()->undo();
    QCOMPARE(tab()->scene->mapItems().size(), 1);
}

void TstSceneDecor::shapeDialogAppliesRichText()
{
    ShapeRecord shape = fullShape();
    shape.locked = false;
    tab()->document->editScene(QStringLiteral("Préparer"),
                               [&](SceneRecords &records) { records.shapes.append(shape); });
    GroupShapeItem *item = tab()->scene->shapeItem(shape.uuid);
    m_prompter->answers << QColor(Qt::red);
    m_prompter->dialogs << [](QDialog &dialog) {
        auto &form = static_cast<GroupShapeEditDialog &>(dialog);
        form.findChild<QLineEdit *>(QStringLiteral("shapeLabel"))->setText(QStringLiteral("DMZ"));
        QTextEdit *text = form.descriptionEditor();
        text->setPlainText(QStringLiteral("pare-feu principal"));
        QTextCursor cursor = text->textCursor();
        cursor.setPosition(0);
        cursor.movePosition(QTextCursor::EndOfWord, QTextCursor::KeepAnchor);
        text->setTextCursor(cursor);
        form.pickTextColor();
        clickOk(dialog);
        return dialog.result();
    };
    Q_EMIT item->editRequested(item);
    QTRY_COMPARE(tab()->sceneRecords().shapes.first().label, QStringLiteral("DMZ"));
    QCOMPARE(m_prompter->last(QStringLiteral("color")).title, QStringLiteral("Couleur du texte"));
    const QString html = tab()->sceneRecords().shapes.first().descriptionHtml;
    QVERIFY2(html.contains(QStringLiteral("color:#ff0000")), qPrintable(html));
    QVERIFY(html.contains(QStringLiteral("-feu principal")));
    QCOMPARE(item->record().label, QStringLiteral("DMZ"));
    history()->undo();
    compareShapes(tab()->sceneRecords().shapes.first(), shape);
    compareShapes(item->record(), shape);
}

QTEST_MAIN(TstSceneDecor)
#include "tst_scenedecor.moc"
