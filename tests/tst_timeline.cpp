#include "app/mainwindow.h"
#include "app/tab.h"
#include "canvas/edgeitem.h"
#include "canvas/graphscene.h"
#include "canvas/nodeitem.h"
#include "canvas/timelinewidget.h"
#include "dialogs/timelineeditdialog.h"
#include "itemmenus.h"
#include "scriptedprompter.h"
#include "testgraphs.h"

#include <QComboBox>
#include <QDateTimeEdit>
#include <QDoubleSpinBox>
#include <QGraphicsSceneMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QSignalSpy>
#include <QSlider>
#include <QSpinBox>
#include <QStatusBar>
#include <QTest>
#include <QToolButton>

using namespace TestGraphs;

namespace {

QDateTime at(int day, int hour = 0, int minute = 0)
{
    return QDateTime(QDate(2024, 1, day), QTime(hour, minute));
}

template<typename T>
T *child(const QObject *parent, const char *name)
{
    T *found = parent->findChild<T *>(QLatin1String(name));
    if (!found)
        qWarning("no child %s", name);
    return found;
}

// Three nodes: a valid from 2 January, b from 10 January until the 20th, c undated.
Graph datedGraph()
{
    Graph graph;
    Node a = makeNode(QStringLiteral("a"), QStringLiteral("A"), QStringLiteral("ip"));
    a.validity.start = at(2);
    graph.insertNode(a);
    Node b = makeNode(QStringLiteral("b"), QStringLiteral("B"), QStringLiteral("domain"));
    b.validity = {at(10), at(20)};
    graph.insertNode(b);
    graph.insertNode(makeNode(QStringLiteral("c"), QStringLiteral("C"), QStringLiteral("ip")));
    graph.insertEdge(makeEdge(QStringLiteral("ab"), QStringLiteral("a"), QStringLiteral("b")));
    return graph;
}

void sendMouse(GraphScene &scene, QEvent::Type type, const QPointF &scenePos)
{
    QGraphicsSceneMouseEvent event(type);
    event.setScenePos(scenePos);
    event.setButton(type == QEvent::GraphicsSceneMouseMove ? Qt::NoButton : Qt::LeftButton);
    event.setButtons(type == QEvent::GraphicsSceneMouseRelease ? Qt::NoButton : Qt::LeftButton);
    event.setAccepted(false);
    QCoreApplication::sendEvent(&scene, &event);
}

// Pixels of the colour (give or take antialiasing) in a square of the scene around a point.
int pixelsOfColour(GraphScene &scene, const QPointF &centre, const QColor &colour)
{
    QImage image(40, 40, QImage::Format_ARGB32);
    image.fill(Qt::black);
    QPainter painter(&image);
    scene.render(&painter, QRectF(0, 0, 40, 40), QRectF(centre - QPointF(20, 20), QSizeF(40, 40)));
    painter.end();
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor pixel = image.pixelColor(x, y);
            count += std::abs(pixel.red() - colour.red()) < 40
                && std::abs(pixel.green() - colour.green()) < 40
                && std::abs(pixel.blue() - colour.blue()) < 40;
        }
    }
    return count;
}

} // namespace

class TstTimeline : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void editingTheDatesCouplesThem();
    void sliderAndInstantFollowEachOther();
    void playingRestartsFromTheStartAndStops();
    void speedsAndClearing();
    void bandIsDraggedAndDoubleClicked();
    void linksStopBeyondFiveThousandUnits();
    void widgetDrivesTheCurrentScene();
    void bandCommands();
    void editDialogAppliesItsValues();
};

void TstTimeline::editingTheDatesCouplesThem()
{
    TimelineWidget widget;
    widget.setSpan(at(1, 10), at(1, 12));
    QCOMPARE(widget.slider()->maximum(), 120);
    QCOMPARE(widget.slider()->pageStep(), 6);
    QSignalSpy ranges(&widget, &TimelineWidget::rangeChanged);
    QSignalSpy instants(&widget, &TimelineWidget::instantChanged);

    // An end before the start moves the start to it; the slider goes to its end.
    child<QDateTimeEdit>(&widget, "timelineEnd")->setDateTime(at(1, 9));
    QCOMPARE(widget.start(), at(1, 9));
    QCOMPARE(ranges.size(), 1);
    QCOMPARE(ranges.first(), (QVariantList{at(1, 9), at(1, 9)}));
    QCOMPARE(instants.size(), 1);
    QCOMPARE(instants.first().first().toDateTime(), at(1, 9));
    QCOMPARE(widget.slider()->maximum(), 0);

    // A later end: the slider runs to it and stands at its end.
    child<QDateTimeEdit>(&widget, "timelineEnd")->setDateTime(at(1, 11));
    QCOMPARE(widget.slider()->maximum(), 120);
    QCOMPARE(widget.slider()->value(), 120);
    QCOMPARE(instants.last().first().toDateTime(), at(1, 11));
    QCOMPARE(widget.instant(), at(1, 11));

    // A start after the end drags the end along; the slider goes back to 0.
    child<QDateTimeEdit>(&widget, "timelineStart")->setDateTime(at(2, 8));
    QCOMPARE(widget.end(), at(2, 8));
    QCOMPARE(ranges.last(), (QVariantList{at(2, 8), at(2, 8)}));
    QCOMPARE(widget.slider()->value(), 0);
    QCOMPARE(instants.size(), 3);
    QCOMPARE(widget.instant(), at(2, 8));
}

void TstTimeline::sliderAndInstantFollowEachOther()
{
    TimelineWidget widget;
    widget.setSpan(at(1, 10), at(1, 12));
    QSignalSpy instants(&widget, &TimelineWidget::instantChanged);
    QSignalSpy ranges(&widget, &TimelineWidget::rangeChanged);
    widget.slider()->setValue(90);
    QCOMPARE(instants.size(), 1);
    QCOMPARE(instants.last().first().toDateTime(), at(1, 11, 30));
    QCOMPARE(widget.instant(), at(1, 11, 30));

    child<QDateTimeEdit>(&widget, "timelineInstant")->setDateTime(at(1, 10, 45));
    QCOMPARE(widget.slider()->value(), 45);
    QCOMPARE(instants.size(), 2);
    QCOMPARE(instants.last().first().toDateTime(), at(1, 10, 45));
    // Beyond the end the slider stops at its maximum.
    child<QDateTimeEdit>(&widget, "timelineInstant")->setDateTime(at(3));
    QCOMPARE(widget.slider()->value(), 120);
    QCOMPARE(ranges.size(), 0);
}

void TstTimeline::playingRestartsFromTheStartAndStops()
{
    TimelineWidget widget;
    widget.setSpan(at(1, 10), at(1, 10, 4));
    widget.slider()->setValue(4);
    auto *play = child<QToolButton>(&widget, "timelinePlayPause");
    auto *instant = child<QDateTimeEdit>(&widget, "timelineInstant");
    QSignalSpy playback(&widget, &TimelineWidget::playbackStateChanged);
    QSignalSpy instants(&widget, &TimelineWidget::instantChanged);

    // 100×: a minute every 3 ms. Started at the end, playing restarts from the start.
    child<QComboBox>(&widget, "timelineSpeed")->setCurrentIndex(7);
    QCOMPARE(widget.intervalMs(), 3);
    play->click();
    QVERIFY(widget.isPlaying());
    QCOMPARE(playback.first().first().toBool(), true);
    QCOMPARE(play->text(), QStringLiteral("⏸"));
    QVERIFY(!instant->isEnabled());
    QCOMPARE(instants.first().first().toDateTime(), at(1, 10));

    QTRY_VERIFY(!widget.isPlaying());
    QCOMPARE(widget.slider()->value(), 4);
    QCOMPARE(playback.size(), 2);
    QCOMPARE(playback.last().first().toBool(), false);
    QCOMPARE(play->text(), QStringLiteral("▶"));
    QVERIFY(instant->isEnabled());
    QList<QDateTime> played;
    for (const QList<QVariant> &signal : std::as_const(instants))
        played.append(signal.first().toDateTime());
    QCOMPARE(played, (QList<QDateTime>{at(1, 10), at(1, 10, 1), at(1, 10, 2), at(1, 10, 3),
                                       at(1, 10, 4)}));

    // While playing, an edited instant is put back to the slider's.
    child<QComboBox>(&widget, "timelineSpeed")->setCurrentIndex(0);
    play->click();
    QVERIFY(widget.isPlaying());
    QCOMPARE(widget.slider()->value(), 0);
    instant->setEnabled(true);
    instant->setDateTime(at(1, 10, 3));
    QCOMPARE(widget.instant(), at(1, 10));
    play->click();
    QVERIFY(!widget.isPlaying());
    QCOMPARE(playback.last().first().toBool(), false);
}

void TstTimeline::speedsAndClearing()
{
    TimelineWidget widget;
    auto *speed = child<QComboBox>(&widget, "timelineSpeed");
    QCOMPARE(speed->currentText(), QStringLiteral("1×"));
    QCOMPARE(widget.intervalMs(), 250);
    QList<int> intervals;
    for (int i = 0; i < speed->count(); ++i) {
        speed->setCurrentIndex(i);
        intervals.append(widget.intervalMs());
    }
    QCOMPARE(intervals, (QList<int>{1000, 500, 250, 125, 62, 25, 10, 3}));

    QSignalSpy ranges(&widget, &TimelineWidget::rangeChanged);
    auto *clear = child<QToolButton>(&widget, "timelineClear");
    QCOMPARE(clear->text(), QStringLiteral("∞"));
    QCOMPARE(clear->toolTip(), QStringLiteral("Désactiver le filtre temporel"));
    clear->click();
    QCOMPARE(ranges.size(), 1);
    QVERIFY(!ranges.first().at(0).toDateTime().isValid());
    QVERIFY(!ranges.first().at(1).toDateTime().isValid());
}

void TstTimeline::bandIsDraggedAndDoubleClicked()
{
    Graph graph = datedGraph();
    GraphScene scene;
    scene.setGraph(&graph);
    scene.rebuild();
    QSignalSpy customise(&scene, &GraphScene::timelineCustomizationRequested);
    // Hidden: presses go to the canvas.
    sendMouse(scene, QEvent::GraphicsSceneMousePress, QPointF(40, -80));
    QVERIFY(!scene.timelineBand().dragging);

    scene.setTimeline(at(1), at(11), 40, -80, true);
    QCOMPARE(scene.xOfDate(at(2)), 40.0);
    sendMouse(scene, QEvent::GraphicsSceneMousePress, QPointF(40, -75));
    QVERIFY(scene.timelineBand().dragging);
    sendMouse(scene, QEvent::GraphicsSceneMouseMove, QPointF(140, 125));
    QCOMPARE(scene.timelineBand().y, 120.0);
    QCOMPARE(scene.xOfDate(at(2)), 140.0);
    // The view can scroll to the band wherever it goes.
    sendMouse(scene, QEvent::GraphicsSceneMouseMove, QPointF(3140, 2125));
    QVERIFY(scene.sceneRect().contains(scene.timelineBand().extent()));
    sendMouse(scene, QEvent::GraphicsSceneMouseMove, QPointF(140, 125));
    sendMouse(scene, QEvent::GraphicsSceneMouseRelease, QPointF(140, 125));
    QVERIFY(!scene.timelineBand().dragging);
    sendMouse(scene, QEvent::GraphicsSceneMouseMove, QPointF(500, 500));
    QCOMPARE(scene.timelineBand().y, 120.0);

    sendMouse(scene, QEvent::GraphicsSceneMouseDoubleClick, QPointF(0, 500));
    QCOMPARE(customise.size(), 0);
    sendMouse(scene, QEvent::GraphicsSceneMouseDoubleClick, QPointF(200, 130));
    QCOMPARE(customise.size(), 1);
}

void TstTimeline::linksStopBeyondFiveThousandUnits()
{
    Graph graph;
    Node near = makeNode(QStringLiteral("near"), QPointF(0, 3000));
    near.validity.start = at(1);
    graph.insertNode(near);
    Node far = makeNode(QStringLiteral("far"), QPointF(2000, 3920));
    far.validity.start = at(1).addDays(50); // on the axis at x 2000, 4000 units away
    graph.insertNode(far);
    Node farther = makeNode(QStringLiteral("farther"), QPointF(4000, 6000));
    farther.validity.start = at(1).addDays(100);
    graph.insertNode(farther);
    GraphScene scene;
    scene.setGraph(&graph);
    scene.rebuild();
    TimelineSettings solid = scene.timelineBand().settings();
    solid.linkStyle = 1;
    solid.linkWidth = 3;
    solid.linkColor = Qt::green;
    solid.axisColor = Qt::red;
    scene.applyTimelineSettings(solid, at(1), at(1).addDays(100));
    QCOMPARE(scene.timelineBand().y, -80.0);

    QVERIFY(pixelsOfColour(scene, QPointF(0, 1500), Qt::green) > 20);
    QVERIFY(pixelsOfColour(scene, QPointF(2000, 2000), Qt::green) > 20);
    // 6080 units away: the dot on the axis, no line.
    QCOMPARE(pixelsOfColour(scene, QPointF(4000, 3000), Qt::green), 0);

    // A node hidden by the time filter keeps its dot but loses its line.
    scene.setTimeInstant(at(1).addDays(-1));
    QVERIFY(!scene.nodeItem(QStringLiteral("near"))->isVisible());
    QCOMPARE(pixelsOfColour(scene, QPointF(0, 1500), Qt::green), 0);
}

void TstTimeline::widgetDrivesTheCurrentScene()
{
    ScriptedPrompter prompter;
    MainWindow window(&prompter);
    Tab *tab = window.currentTab();
    tab->document->load(datedGraph(), {}, tab->dbPath());
    window.refreshTab(tab);
    TimelineWidget *widget = window.timelineWidget();
    QVERIFY(widget);
    GraphScene *scene = tab->scene;
    const auto shown = [scene](const char *id) {
        return scene->nodeItem(QLatin1String(id))->isVisible();
    };

    // A range from 12 January: b overlaps it, a (open end) too, c is undated. Editing the
    // start also reports the instant at the slider, so the scene goes to the instant mode.
    widget->setSpan(at(12), at(15));
    child<QDateTimeEdit>(widget, "timelineStart")->setDateTime(at(11));
    QCOMPARE(scene->timeFilter().rangeStart, at(11));
    QCOMPARE(scene->timeFilter().mode, int(TimeFilterState::Instant));
    QCOMPARE(scene->timeFilter().instant, at(11));
    QVERIFY(shown("a") && shown("b") && shown("c"));
    widget->slider()->setValue(widget->slider()->maximum());
    QCOMPARE(scene->timeFilter().instant, at(15));

    // Before b starts, b and its relation go.
    child<QDateTimeEdit>(widget, "timelineInstant")->setDateTime(at(5));
    QCOMPARE(widget->slider()->value(), 0);
    QCOMPARE(scene->timeFilter().instant, at(11));
    scene->setTimeInstant(at(5));
    QVERIFY(shown("a") && !shown("b") && shown("c"));
    QVERIFY(!scene->edgeItems().constFirst()->isVisible());

    // The play button re-applies the rule.
    const int passes = scene->visibilityPasses();
    Q_EMIT widget->playbackStateChanged(false);
    QCOMPARE(scene->visibilityPasses(), passes + 1);

    // "∞" switches the filter off.
    child<QToolButton>(widget, "timelineClear")->click();
    QCOMPARE(scene->timeFilter().mode, int(TimeFilterState::None));
    QVERIFY(shown("a") && shown("b") && shown("c"));
    QCOMPARE(window.statusBar()->currentMessage(), QStringLiteral("Filtre temporel désactivé"));
}

void TstTimeline::bandCommands()
{
    ScriptedPrompter prompter;
    MainWindow window(&prompter);
    Tab *tab = window.currentTab();
    tab->document->edit(QString(), [&](Graph &graph) { graph.insertNode(makeNode(QStringLiteral("x"), QPointF(5, 5))); });
    tab->document->edit(QString(), [&](Graph &graph) { graph.insertNode(makeNode(QStringLiteral("y"), QPointF(9, 9))); });
    window.refreshTab(tab);

    window.showTimeline();
    QCOMPARE(window.statusBar()->currentMessage(),
             QStringLiteral("Timeline: aucune date — aucun déplacement ni axe affiché"));
    QVERIFY(!tab->scene->timelineBand().shown);
    window.editTimeline();
    QCOMPARE(prompter.last().title, QStringLiteral("Timeline"));
    QCOMPARE(prompter.last().text, QStringLiteral("Aucune date trouvée dans les nœuds."));
    QCOMPARE(prompter.count(QStringLiteral("dialog")), 0);

    tab->document->load(datedGraph(), {}, tab->dbPath());
    window.refreshTab(tab);
    window.showTimeline();
    QCOMPARE(window.statusBar()->currentMessage(), QStringLiteral("Timeline affichée"));
    const TimelineBand &band = tab->scene->timelineBand();
    QVERIFY(band.drawable());
    QCOMPARE(band.start, at(2));
    QCOMPARE(band.end, at(10));
    QCOMPARE(band.pixelsPerDay, 40.0);
    QCOMPARE(band.y, -80.0);
    // The band shows the node on the axis; the table keeps the analyst's position.
    QCOMPARE(tab->scene->nodeItem(QStringLiteral("b"))->pos().x(), 320.0);
    const QPointF kept = tab->graph().node(QStringLiteral("b")).pos;
    QVERIFY(kept.x() != 320.0);
    QVERIFY(tab->scene->sceneRect().contains(band.extent()));

    window.hideTimeline();
    QVERIFY(!band.shown);
    QCOMPARE(window.statusBar()->currentMessage(), QStringLiteral("Timeline masquée"));
    QCOMPARE(tab->scene->nodeItem(QStringLiteral("b"))->pos(), kept);
    QVERIFY(!tab->document->isModified());

    // The background menu's layout entry shows the band again.
    window.layoutTimeline();
    QVERIFY(band.drawable());

    // Anchoring a node the band placed keeps the analyst's position in the table, while the
    // node stays on the axis.
    QVERIFY(chooseMenuEntry(tab->scene->nodeItem(QStringLiteral("b")),
                            QStringLiteral("Ancrer le nœud")));
    QTRY_VERIFY(tab->graph().node(QStringLiteral("b")).anchored);
    QCOMPARE(tab->graph().node(QStringLiteral("b")).pos, kept);
    QCOMPARE(tab->scene->nodeItem(QStringLiteral("b"))->pos().x(), 320.0);
}

void TstTimeline::editDialogAppliesItsValues()
{
    ScriptedPrompter prompter;
    MainWindow window(&prompter);
    Tab *tab = window.currentTab();
    tab->document->load(datedGraph(), {}, tab->dbPath());
    window.refreshTab(tab);
    TimelineSettings opened;
    prompter.answers << QColor(Qt::magenta);
    prompter.dialogs << [&opened](QDialog &dialog) {
        auto &edit = static_cast<TimelineEditDialog &>(dialog);
        opened = edit.settings();
        edit.findChild<QDoubleSpinBox *>(QStringLiteral("pixelsPerDay"))->setValue(12.5);
        edit.findChild<QDoubleSpinBox *>(QStringLiteral("linkWidth"))->setValue(0.1);
        edit.findChild<QComboBox *>(QStringLiteral("linkStyle"))->setCurrentIndex(0);
        edit.findChild<QDoubleSpinBox *>(QStringLiteral("axisThickness"))->setValue(6);
        edit.findChild<QSpinBox *>(QStringLiteral("dayFontSize"))->setValue(20);
        // The first "Choisir…" picks the link colour (answered magenta by the prompter).
        for (QPushButton *button : edit.findChildren<QPushButton *>()) {
            if (button->text() == QStringLiteral("Choisir…")) {
                button->click();
                break;
            }
        }
        edit.setAxisColor(Qt::yellow);
        edit.accept();
        return int(QDialog::Accepted);
    };
    // A double-click on the band asks for the dialog.
    window.showTimeline();
    sendMouse(*tab->scene, QEvent::GraphicsSceneMouseDoubleClick, QPointF(100, -80));
    QCOMPARE(prompter.last(QStringLiteral("dialog")).title, QStringLiteral("Editer la timeline"));
    QCOMPARE(prompter.last(QStringLiteral("color")).title, QStringLiteral("Couleur des liens"));

    QCOMPARE(opened.pixelsPerDay, 40.0);
    QCOMPARE(opened.dayFontSize, 15);
    QCOMPARE(opened.linkStyle, 2);
    const TimelineBand &band = tab->scene->timelineBand();
    QVERIFY(band.drawable());
    QCOMPARE(band.start, at(2));
    QCOMPARE(band.end, at(10));
    QCOMPARE(band.pixelsPerDay, 12.5);
    QCOMPARE(band.y, -80.0);
    QCOMPARE(band.linkWidth, 0.5);
    QCOMPARE(band.linkPenStyle, 1);
    QCOMPARE(band.linkColor, QColor(Qt::magenta));
    QCOMPARE(band.axisColor, QColor(Qt::yellow));
    QCOMPARE(band.axisThickness, 6.0);
    QCOMPARE(band.dayFontSize, 20);

    // Cancelling changes nothing.
    prompter.dialogs << [](QDialog &) { return int(QDialog::Rejected); };
    window.editTimeline();
    QCOMPARE(band.pixelsPerDay, 12.5);
}

QTEST_MAIN(TstTimeline)
#include "tst_timeline.moc"
