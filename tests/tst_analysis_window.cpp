#include "analysis/chartcounts.h"
#include "app/mainwindow.h"
#include "app/tab.h"
#include "canvas/graphscene.h"
#include "canvas/nodeitem.h"
#include "dialogs/anonymisedialog.h"
#include "dialogs/dataanalysischartdialogs.h"
#include "dialogs/dataanalysisnumdialogs.h"
#include "dialogs/dataqualitydialog.h"
#include "dialogs/multicheckcombobox.h"
#include "dialogs/statisticsdialog.h"
#include "scriptedprompter.h"
#include "testgraphs.h"

#include <QAction>
#include <QApplication>
#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QHeaderView>
#include <QHorizontalBarSeries>
#include <QMenu>
#include <QPieSeries>
#include <QPieSlice>
#include <QPushButton>
#include <QStatusBar>
#include <QTableWidget>
#include <QTest>
#include <QTreeWidget>
#include <QValueAxis>

using namespace TestGraphs;

namespace {

QStringList actionTexts(const QMenu *menu)
{
    QStringList texts;
    for (const QAction *action : menu->actions())
        texts.append(action->isSeparator() ? QStringLiteral("|") : action->text());
    return texts;
}

// Four node types (IP ×3, AS ×2, Domaine, Personne), one hypothesis, relations of two types.
void fillTab(Tab *tab)
{
    const struct
    {
        const char *id;
        const char *type;
        bool hypothesis;
    } nodes[] = {{"a", "IP", false},      {"b", "IP", false},       {"c", "IP", true},
                 {"d", "AS", false},      {"e", "AS", false},       {"f", "Domaine", false},
                 {"g", "Personne", false}};
    int i = 0;
    for (const auto &entry : nodes) {
        Node node = makeNode(QLatin1String(entry.id), QStringLiteral("Nœud ") + QLatin1String(entry.id),
                             QLatin1String(entry.type));
        node.hypothesis = entry.hypothesis;
        node.pos = QPointF(100 * i++, 0);
        node.attributes = {{QString(), QStringLiteral("score"), QString::number(i) + ",5"}};
        tab->document->edit(QString(), [&](Graph &graph) { graph.insertNode(node); });
    }
    tab->document->edit(QString(), [&](Graph &graph) { graph.insertEdge(makeEdge("r1", "a", "b", "lien", "voit")); });
    tab->document->edit(QString(), [&](Graph &graph) { graph.insertEdge(makeEdge("r2", "a", "d", "lien", "voit")); });
    tab->document->edit(QString(), [&](Graph &graph) { graph.insertEdge(makeEdge("r3", "d", "f", "héberge")); });
}

// A scripted answer that runs checks on the dialog, then accepts it. A failed check ends the
// checks and fails the running test.
template<typename Checks>
std::function<int(QDialog &)> inspect(Checks checks)
{
    return [checks](QDialog &dialog) {
        checks(dialog);
        return int(QDialog::Accepted);
    };
}

QChart *chartOf(const ChartDialogBase &dialog)
{
    return dialog.chartView()->chart();
}

} // namespace

class TestAnalysisWindow : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void toolsMenuEntries();
    void entriesFollowTheScene();
    void emptyTabShowsNoData();
    void statisticDialogDrawsBarsAndTable();
    void repeatedNamesKeepTheirBars();
    void dataQualityDialogCopiesReport();
    void anonymisedCopyInNewTab();
    void anonymisedCopyWithEveryBoxCleared();
    void cancelledAnonymisationDoesNothing();
    void nodeTypeChartCountsAndDraws();
    void chartKinds();
    void relationChartUsesSelectedRelations();
    void numericChartSummary();

private:
    Tab *tab() const { return m_window->currentTab(); }

    ScriptedPrompter *m_prompter = nullptr;
    MainWindow *m_window = nullptr;
};

void TestAnalysisWindow::init()
{
    m_prompter = new ScriptedPrompter;
    m_window = new MainWindow(m_prompter);
}

void TestAnalysisWindow::cleanup()
{
    delete m_window;
    delete m_prompter;
}

void TestAnalysisWindow::toolsMenuEntries()
{
    const QStringList tools = actionTexts(m_window->menu("menuTools"));
    const qsizetype charts = tools.indexOf("Visualisation des données");
    QVERIFY(charts > tools.indexOf("Filtres simples"));
    QCOMPARE(tools.mid(charts + 1, 5),
             QStringList({"|", "Anonymisation", "Statistiques", "Qualité des données", "|"}));
    QVERIFY(tools.indexOf("Exposer l’API…") > charts);
    QCOMPARE(actionTexts(m_window->menu("menuDataVisualisation")),
             QStringList({"Attributs numériques", "Attributs des noeuds", "Attributs des relations",
                          "Tags des médias", "Type de noeuds", "Type de relations"}));
    QCOMPARE(actionTexts(m_window->menu("menuStatistics")),
             QStringList({"Nœuds par type", "Relations par type", "Distribution des degrés",
                          "Médias par nœud", "Top 10 nœuds par degré"}));
    QCOMPARE(actionTexts(m_window->menu("menuDataQuality")), QStringList({"Analyser…"}));
}

void TestAnalysisWindow::entriesFollowTheScene()
{
    const auto enabled = [this]() {
        return QList<bool>{m_window->action("actionAnonymise")->isEnabled(),
                           m_window->menu("menuStatistics")->menuAction()->isEnabled(),
                           m_window->menu("menuDataQuality")->menuAction()->isEnabled(),
                           m_window->menu("menuDataVisualisation")->menuAction()->isEnabled()};
    };
    QCOMPARE(enabled(), QList<bool>({false, false, false, true}));
    tab()->document->edit(QString(), [&](Graph &graph) { graph.insertNode(makeNode("n")); });
    m_window->refreshTab(tab());
    QCOMPARE(enabled(), QList<bool>({true, true, true, true}));
    m_window->addNewTab();
    QCOMPARE(enabled(), QList<bool>({false, false, false, true}));
}

// The statistics, the quality report and every chart dialog on a tab with nothing in it.
void TestAnalysisWindow::emptyTabShowsNoData()
{
    QStringList titles;
    const auto noData = [&titles](QDialog &dialog) {
        titles.append(dialog.windowTitle());
        const QChartView *view = dialog.findChild<QChartView *>();
        if (!view || view->chart()->title() != QStringLiteral("Aucune donnée")
            || !view->chart()->series().isEmpty())
            titles.last() += QStringLiteral(" (données!)");
        return int(QDialog::Accepted);
    };
    for (int i = 0; i < 11; ++i)
        m_prompter->dialogs.append(noData);
    for (int kind = 0; kind < 5; ++kind)
        m_window->showStatistic(Statistics::Kind(kind));
    m_window->openDataAnalysisNodeChart();
    m_window->openDataAnalysisEdgeChart();
    m_window->openDataAnalysisNodeAttrKeyChart();
    m_window->openDataAnalysisEdgeAttrKeyChart();
    m_window->openDataAnalysisMediaTagChart();
    m_window->openDataAnalysisAttributeNumChart();
    QCOMPARE(titles, QStringList({"Nœuds par type", "Relations par label", "Distribution des degrés",
                                  "Médias par nœud", "Top 10 par degré",
                                  "Distribution des types de nœuds",
                                  "Distribution des types de relations",
                                  "Distribution des attributs (nœuds)",
                                  "Distribution des attributs (relations)",
                                  "Distribution des tags des médias",
                                  "Valeurs numériques des attributs (nœuds)"}));

    QString isolated;
    m_prompter->dialogs.append([&isolated](QDialog &dialog) {
        const QTreeWidget *tree = static_cast<DataQualityDialog &>(dialog).tree();
        isolated = tree->topLevelItem(0)->child(2)->text(1);
        return int(QDialog::Accepted);
    });
    m_window->showDataQuality();
    QCOMPARE(isolated, QStringLiteral("0 (0.0%)"));
}

void TestAnalysisWindow::statisticDialogDrawsBarsAndTable()
{
    fillTab(tab());
    m_window->refreshTab(tab());
    bool checked = false;
    m_prompter->dialogs.append(inspect([&checked](QDialog &dialog) {
        auto &statistics = static_cast<StatisticsDialog &>(dialog);
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Nœuds par type"));
        const QTableWidget *table = statistics.table();
        QCOMPARE(table->horizontalHeaderItem(0)->text(), QStringLiteral("Catégorie"));
        QCOMPARE(table->horizontalHeaderItem(1)->text(), QStringLiteral("Valeur"));
        QCOMPARE(table->rowCount(), 4);
        QCOMPARE(table->item(0, 0)->text(), QStringLiteral("IP"));
        QCOMPARE(table->item(0, 1)->text(), QStringLiteral("3"));
        QCOMPARE(table->item(3, 0)->text(), QStringLiteral("Personne"));
        QCOMPARE(table->editTriggers(), QAbstractItemView::NoEditTriggers);
        QCOMPARE(table->selectionBehavior(), QAbstractItemView::SelectRows);

        const QChart *chart = statistics.chartView()->chart();
        const auto *bars = qobject_cast<QBarSeries *>(chart->series().first());
        QVERIFY(bars);
        QCOMPARE(bars->barSets().first()->count(), 4);
        auto *categories = qobject_cast<QBarCategoryAxis *>(chart->axes(Qt::Horizontal).first());
        QCOMPARE(categories->categories(), QStringList({"IP", "AS", "Domaine", "Personne"}));
        QCOMPARE(categories->labelsAngle(), -90);
        QCOMPARE(categories->titleText(), QStringLiteral("Type"));
        const auto *values = qobject_cast<QValueAxis *>(chart->axes(Qt::Vertical).first());
        QCOMPARE(values->titleText(), QStringLiteral("Nombre"));
        QCOMPARE(values->max(), 3.0);
        QCOMPARE(values->tickCount(), 4);
        QCOMPARE(values->labelFormat(), QStringLiteral("%d"));
        QVERIFY(statistics.chartView()->minimumWidth() >= 420);
        checked = true;
    }));
    m_window->action("actionStatNodesByType")->trigger();
    QVERIFY(checked);
}

// Two nodes with the same label among the ten of highest degree: two bars, two table rows.
void TestAnalysisWindow::repeatedNamesKeepTheirBars()
{
    tab()->document->edit(QString(), [&](Graph &graph) { graph.insertNode(makeNode("a", "Même")); });
    tab()->document->edit(QString(), [&](Graph &graph) { graph.insertNode(makeNode("b", "Même")); });
    tab()->document->edit(QString(), [&](Graph &graph) { graph.insertEdge(makeEdge("r", "a", "b")); });
    m_window->refreshTab(tab());
    QStringList axis;
    QStringList rows;
    m_prompter->dialogs.append(inspect([&](QDialog &dialog) {
        auto &statistics = static_cast<StatisticsDialog &>(dialog);
        auto *categories = qobject_cast<QBarCategoryAxis *>(
            statistics.chartView()->chart()->axes(Qt::Horizontal).first());
        axis = categories->categories();
        for (int row = 0; row < statistics.table()->rowCount(); ++row)
            rows.append(statistics.table()->item(row, 0)->text());
    }));
    m_window->action("actionStatTopDegree")->trigger();
    QCOMPARE(axis, QStringList({"Même", "Même (2)"}));
    QCOMPARE(rows, QStringList({"Même", "Même"}));
}

void TestAnalysisWindow::dataQualityDialogCopiesReport()
{
    tab()->document->edit(QString(), [&](Graph &graph) { graph.insertNode(makeNode("a", "Même")); });
    tab()->document->edit(QString(), [&](Graph &graph) { graph.insertNode(makeNode("b", "Même")); });
    m_window->refreshTab(tab());
    QStringList headers;
    QString duplicates;
    m_prompter->dialogs.append(inspect([&](QDialog &dialog) {
        auto &quality = static_cast<DataQualityDialog &>(dialog);
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Qualité des données"));
        const QTreeWidget *tree = quality.tree();
        headers = {tree->headerItem()->text(0), tree->headerItem()->text(1)};
        QCOMPARE(tree->topLevelItemCount(), 6);
        QVERIFY(tree->alternatingRowColors());
        duplicates = tree->topLevelItem(1)->child(1)->text(1);
        dialog.findChild<QPushButton *>("copyButton")->click();
    }));
    m_window->action("actionDataQuality")->trigger();
    QCOMPARE(headers, QStringList({"Vérification", "Résultat"}));
    QCOMPARE(duplicates, QStringLiteral("1 — 2× \"Même\""));
    const QString copied = QApplication::clipboard()->text();
    QVERIFY2(copied.startsWith(QStringLiteral("Résumé\n  Nœuds : 2\n  Relations : 0\n"
                                              "  Nœuds isolés : 2 (100.0%)\n")),
             qPrintable(copied));
}

void TestAnalysisWindow::anonymisedCopyInNewTab()
{
    Tab *source = tab();
    fillTab(source);
    Node pictured = source->graph().node("a");
    pictured.mediaPath = QStringLiteral("/photos/a.png");
    source->document->edit(QString(), [&](Graph &graph) { graph.replaceNode(pictured); });
    SceneRecords scene;
    MapRecord map;
    map.file = QStringLiteral("/cartes/ville.png");
    map.label = QStringLiteral("Ville");
    map.pos = QPointF(3, 4);
    map.rotation = 12;
    scene.maps.append(map);
    ShapeRecord shape;
    shape.label = QStringLiteral("Zone");
    shape.rect = QRectF(0, 0, 20, 10);
    shape.z = -7;
    scene.shapes.append(shape);
    source->document->setSceneRecords(scene);
    source->document->setFilePath(QStringLiteral("/projets/Enquete/Enquete.orvane.db"));
    m_window->refreshTab(source);
    const Graph before = source->graph();
    const quint64 revision = source->graph().revision();
    const QString sourceTitle = m_window->tabTitle(0);

    QStringList boxes;
    m_prompter->dialogs.append(inspect([&boxes](QDialog &dialog) {
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Anonymisation"));
        for (const QCheckBox *box : dialog.findChildren<QCheckBox *>())
            boxes.append(box->text() + (box->isChecked() ? QString() : QStringLiteral(" (vide)")));
    }));
    m_window->action("actionAnonymise")->trigger();

    QCOMPARE(boxes, QStringList({"Anonymiser les nœuds", "Anonymiser les relations",
                                 "Anonymiser les formes", "Anonymiser les images"}));
    QCOMPARE(m_window->tabCount(), 2);
    QCOMPARE(m_window->tabTitle(1), QStringLiteral("ANON ") + sourceTitle);
    Tab *copy = m_window->currentTab();
    QCOMPARE(copy, m_window->tabAt(1));
    QVERIFY(copy->dbPath().isEmpty());
    QCOMPARE(copy->graph().nodes().size(), before.nodes().size());
    QCOMPARE(copy->graph().node("b").label, QStringLiteral("b"));
    QCOMPARE(copy->graph().edge("r1").label, QStringLiteral("r1"));
    QCOMPARE(copy->graph().node("a").mediaPath, QStringLiteral(":/res/res/orvane.png"));
    QCOMPARE(copy->scene->nodeItems().size(), before.nodes().size());
    QCOMPARE(copy->sceneRecords().maps.size(), 1);
    QVERIFY(copy->sceneRecords().maps.first().anonymize);
    QCOMPARE(copy->sceneRecords().maps.first().pos, map.pos);
    QCOMPARE(copy->sceneRecords().shapes.first().z, shape.z);
    QVERIFY(copy->sceneRecords().shapes.first().label.isEmpty());
    QCOMPARE(m_window->statusBar()->currentMessage(), QStringLiteral("Copie anonymisée créée"));

    // The source tab is as it was, and nothing in it changed.
    QCOMPARE(source->graph().nodes(), before.nodes());
    QCOMPARE(source->graph().edges(), before.edges());
    QCOMPARE(source->graph().revision(), revision);
    QCOMPARE(source->sceneRecords().maps.first().file, map.file);
    QCOMPARE(source->sceneRecords().shapes.first().label, shape.label);
    QCOMPARE(source->dbPath(), QStringLiteral("/projets/Enquete/Enquete.orvane.db"));
    QCOMPARE(m_window->tabTitle(0), sourceTitle);
    QCOMPARE(source->scene->nodeItems().value("b")->node().label, QStringLiteral("Nœud b"));
}

void TestAnalysisWindow::anonymisedCopyWithEveryBoxCleared()
{
    Tab *source = tab();
    Node node = makeNode("n", "Jean");
    node.mediaPath = QStringLiteral("/photos/jean.png");
    source->document->edit(QString(), [&](Graph &graph) { graph.insertNode(node); });
    MapRecord map;
    map.file = QStringLiteral("/cartes/ville.png");
    source->document->setSceneRecords({{map}, {}});
    m_window->refreshTab(source);
    m_prompter->dialogs.append([](QDialog &dialog) {
        for (QCheckBox *box : dialog.findChildren<QCheckBox *>())
            box->setChecked(false);
        return int(QDialog::Accepted);
    });
    m_window->anonymiseGraph();
    const Tab *copy = m_window->currentTab();
    QVERIFY(copy != source);
    QCOMPARE(copy->graph().node("n").label, QStringLiteral("Jean"));
    QCOMPARE(copy->graph().node("n").mediaPath, QStringLiteral(":/res/res/orvane.png"));
    QCOMPARE(copy->sceneRecords().maps.first().file, map.file);
    QCOMPARE(source->graph().node("n").mediaPath, QStringLiteral("/photos/jean.png"));
}

void TestAnalysisWindow::cancelledAnonymisationDoesNothing()
{
    tab()->document->edit(QString(), [&](Graph &graph) { graph.insertNode(makeNode("n")); });
    m_window->refreshTab(tab());
    m_window->anonymiseGraph(); // no scripted answer: the dialog is rejected
    QCOMPARE(m_prompter->count("dialog"), 1);
    QCOMPARE(m_window->tabCount(), 1);
}

void TestAnalysisWindow::nodeTypeChartCountsAndDraws()
{
    fillTab(tab());
    m_window->refreshTab(tab());
    tab()->scene->nodeItems().value("d")->setSelected(true);
    tab()->scene->nodeItems().value("a")->setSelected(true);
    QList<CategoryCounts::Pairs> drawn;
    const auto counts = [](const ChartDialogBase &dialog) {
        CategoryCounts::Pairs pairs;
        for (const auto &[category, value] : dialog.drawnValues().values)
            pairs.append({category, int(value)});
        return pairs;
    };
    m_prompter->dialogs.append(inspect([&](QDialog &dialog) {
        auto &chart = static_cast<DataAnalysisNodeTypeChartDialog &>(dialog);
        QCOMPARE(chart.chooser()->items(), QStringList({"AS", "Domaine", "IP", "Personne"}));
        QCOMPARE(chart.selectionLimitCheck()->text(), QStringLiteral("Limiter aux nœuds sélectionnés"));
        QVERIFY(chart.hypothesesCheck()->isChecked());
        drawn.append(counts(chart));
        chart.hypothesesCheck()->setChecked(false);
        chart.rebuildChart();
        drawn.append(counts(chart));
        chart.chooser()->setChecked("IP", true);
        chart.chooser()->setChecked("Personne", true);
        chart.updateButton()->click();
        drawn.append(counts(chart));
        chart.selectionLimitCheck()->setChecked(true);
        chart.rebuildChart();
        drawn.append(counts(chart));
        const auto *values = qobject_cast<QValueAxis *>(chartOf(chart)->axes(Qt::Vertical).first());
        QCOMPARE(values->titleText(), QStringLiteral("Nombre de nœuds"));
    }));
    m_window->action("actionChartNodeTypes")->trigger();
    QCOMPARE(drawn, QList<CategoryCounts::Pairs>(
                        {{{"IP", 3}, {"AS", 2}, {"Domaine", 1}, {"Personne", 1}},
                         {{"AS", 2}, {"IP", 2}, {"Domaine", 1}, {"Personne", 1}},
                         {{"IP", 2}, {"Personne", 1}},
                         {{"IP", 1}}}));
}

void TestAnalysisWindow::chartKinds()
{
    fillTab(tab());
    m_window->refreshTab(tab());
    m_prompter->dialogs.append(inspect([](QDialog &dialog) {
        auto &chart = static_cast<DataAnalysisNodeTypeChartDialog &>(dialog);
        QComboBox *kinds = chart.kindCombo();
        QStringList texts;
        QList<int> data;
        for (int i = 0; i < kinds->count(); ++i) {
            texts.append(kinds->itemText(i));
            data.append(kinds->itemData(i).toInt());
        }
        QCOMPARE(texts, QStringList({"Histogramme", "Histogramme horizontal", "Camembert",
                                     "Camembert donut"}));
        QCOMPARE(data, QList<int>({0, 2, 1, 3}));

        kinds->setCurrentIndex(1);
        QVERIFY(qobject_cast<QHorizontalBarSeries *>(chartOf(chart)->series().first()));
        QVERIFY(qobject_cast<QBarCategoryAxis *>(chartOf(chart)->axes(Qt::Vertical).first()));

        kinds->setCurrentIndex(2);
        auto *pie = qobject_cast<QPieSeries *>(chartOf(chart)->series().first());
        QVERIFY(pie);
        QCOMPARE(pie->count(), 4);
        QList<float> hues;
        for (QPieSlice *slice : pie->slices()) {
            hues.append(slice->brush().color().hslHueF());
            QVERIFY(slice->isLabelVisible());
            QCOMPARE(slice->labelPosition(), QPieSlice::LabelOutside);
        }
        QCOMPARE(hues, QList<float>({0.0f, 0.25f, 0.5f, 0.75f}));
        QCOMPARE(pie->slices().first()->label(), QStringLiteral("IP (3)"));
        QVERIFY(!chartOf(chart)->legend()->isVisible());

        kinds->setCurrentIndex(3);
        pie = qobject_cast<QPieSeries *>(chartOf(chart)->series().first());
        QCOMPARE(pie->pieSize(), 0.8);
        QCOMPARE(pie->holeSize(), 0.4);
    }));
    m_window->openDataAnalysisNodeChart();
    QCOMPARE(m_prompter->count("dialog"), 1);
}

void TestAnalysisWindow::relationChartUsesSelectedRelations()
{
    fillTab(tab());
    m_window->refreshTab(tab());
    const QList<QGraphicsItem *> items = tab()->scene->items();
    for (QGraphicsItem *item : items) {
        if (item->type() != NodeItem::Type && (item->flags() & QGraphicsItem::ItemIsSelectable))
            item->setSelected(true);
    }
    CategoryCounts::Pairs limited;
    QString categoryTitle;
    m_prompter->dialogs.append([&](QDialog &dialog) {
        auto &chart = static_cast<DataAnalysisEdgeTypeChartDialog &>(dialog);
        chart.selectionLimitCheck()->setChecked(true);
        chart.rebuildChart();
        for (const auto &[category, value] : chart.drawnValues().values)
            limited.append({category, int(value)});
        categoryTitle = chart.drawnValues().categoryTitle;
        return int(QDialog::Accepted);
    });
    m_window->openDataAnalysisEdgeChart();
    QCOMPARE(limited, CategoryCounts::Pairs({{"lien", 2}, {"héberge", 1}}));
    QCOMPARE(categoryTitle, QStringLiteral("Relations"));
}

void TestAnalysisWindow::numericChartSummary()
{
    fillTab(tab());
    m_window->refreshTab(tab());
    QStringList summaries;
    m_prompter->dialogs.append(inspect([&summaries](QDialog &dialog) {
        auto &chart = static_cast<DataAnalysisNodeAttrNumChartDialog &>(dialog);
        QCOMPARE(chart.typeCombo()->currentText(), QStringLiteral("AS"));
        QCOMPARE(chart.valueCombo()->currentText(), QStringLiteral("score"));
        summaries.append(chart.summaryText());
        chart.typeCombo()->setCurrentText("IP");
        summaries.append(chart.summaryText());
        chart.hypothesesCheck()->setChecked(false);
        chart.rebuildChart();
        summaries.append(chart.summaryText());
        QCOMPARE(chart.drawnValues().values.first(), qMakePair(QStringLiteral("Nœud b"), 2.5));
    }));
    m_window->openDataAnalysisAttributeNumChart();
    // AS: d 4,5 and e 5,5; IP: a 1,5, b 2,5, c 3,5 (a hypothesis).
    QCOMPARE(summaries, QStringList({"Moyenne : 5.00 — Écart-type : 0.50 — N = 2",
                                     "Moyenne : 2.50 — Écart-type : 0.82 — N = 3",
                                     "Moyenne : 2.00 — Écart-type : 0.50 — N = 2"}));

    summaries.clear();
    m_prompter->dialogs.append(inspect([&summaries](QDialog &dialog) {
        auto &chart = static_cast<DataAnalysisAttributeNumChartDialog &>(dialog);
        QCOMPARE(chart.windowTitle(), QStringLiteral("Analyse des attributs numériques"));
        summaries.append(chart.summaryText());
    }));
    m_window->openDataAnalysisAttributeNumAnalysis();
    QCOMPARE(summaries, QStringList({"Moyenne : 4.50 — Écart-type : 2.00 — N = 7"}));
}

QTEST_MAIN(TestAnalysisWindow)
#include "tst_analysis_window.moc"
