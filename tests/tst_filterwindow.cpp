#include "app/mainwindow.h"
#include "app/tab.h"
#include "canvas/edgeitem.h"
#include "canvas/graphscene.h"
#include "canvas/graphview.h"
#include "canvas/nodeitem.h"
#include "dialogs/edgeslistdialog.h"
#include "dialogs/filtersdialog.h"
#include "dialogs/grouprevealdialog.h"
#include "dialogs/multicheckcombobox.h"
#include "dialogs/nodeslistdialog.h"
#include "dialogs/typevisibilitydialog.h"
#include "ops/grouping.h"
#include "scriptedprompter.h"
#include "testgraphs.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QSlider>
#include <QStatusBar>
#include <QTest>
#include <QTimer>

using namespace TestGraphs;

namespace {

// Two addresses and a domain, an untyped note, and relations ip1→dom, ip2→dom, dom→note.
Graph typedGraph()
{
    Graph graph;
    graph.insertNode(makeNode(QStringLiteral("ip1"), QStringLiteral("10.0.0.1"),
                              QStringLiteral("ip")));
    graph.insertNode(makeNode(QStringLiteral("ip2"), QStringLiteral("10.0.0.2"),
                              QStringLiteral("ip")));
    Node domain = makeNode(QStringLiteral("dom"), QStringLiteral("brume.example"),
                           QStringLiteral("domain"));
    domain.description = QStringLiteral("Hébergé chez OVH");
    graph.insertNode(domain);
    graph.insertNode(makeNode(QStringLiteral("note"), QStringLiteral("Note")));
    graph.insertEdge(makeEdge(QStringLiteral("e1"), QStringLiteral("ip1"), QStringLiteral("dom"),
                              QStringLiteral("resolves"), QStringLiteral("résout")));
    graph.insertEdge(makeEdge(QStringLiteral("e2"), QStringLiteral("ip2"), QStringLiteral("dom"),
                              QStringLiteral("resolves"), QStringLiteral("résout")));
    graph.insertEdge(makeEdge(QStringLiteral("e3"), QStringLiteral("dom"), QStringLiteral("note"),
                              QStringLiteral("cites"), QStringLiteral("cite")));
    return graph;
}

// "visible/opacity" of every item of the scene, by id.
QString looks(const GraphScene *scene)
{
    QStringList parts;
    QStringList ids = scene->nodeItems().keys();
    std::sort(ids.begin(), ids.end());
    for (const QString &id : std::as_const(ids)) {
        const NodeItem *item = scene->nodeItem(id);
        parts.append(item->isVisible() ? QStringLiteral("%1=%2").arg(id).arg(item->opacity())
                                       : QStringLiteral("%1=hidden").arg(id));
    }
    const QList<EdgeItem *> items = scene->edgeItems();
    QList<const EdgeItem *> edges(items.cbegin(), items.cend());
    std::sort(edges.begin(), edges.end(), [](const EdgeItem *a, const EdgeItem *b) {
        return a->edge().id < b->edge().id;
    });
    for (const EdgeItem *item : std::as_const(edges)) {
        parts.append(item->isVisible()
                         ? QStringLiteral("%1=%2").arg(item->edge().id).arg(item->opacity())
                         : QStringLiteral("%1=hidden").arg(item->edge().id));
    }
    return parts.join(QLatin1Char(' '));
}

using Script = std::function<void(FiltersDialog &)>;

std::function<int(QDialog &)> filling(const Script &script)
{
    return [script](QDialog &dialog) {
        auto &filters = static_cast<FiltersDialog &>(dialog);
        script(filters);
        filters.accept();
        return int(QDialog::Accepted);
    };
}

} // namespace

class TstFilterWindow : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void dialogLayout();
    void typeListChecksOnClick();
    void dimOrHide();
    void groupModes();
    void nothingEnabledRestoresEverything();
    void typeDialogsApplyInOneBatch();
    void searchOpensAFilteredList();
    void backgroundMenuEntries();
    void layoutMenuFollowsTheScene();

private:
    Tab *tab() const { return m_window->currentTab(); }
    void show(const Graph &graph);

    ScriptedPrompter *m_prompter = nullptr;
    MainWindow *m_window = nullptr;
};

void TstFilterWindow::init()
{
    m_prompter = new ScriptedPrompter;
    m_window = new MainWindow(m_prompter);
}

void TstFilterWindow::cleanup()
{
    delete m_window;
    delete m_prompter;
}

void TstFilterWindow::show(const Graph &graph)
{
    tab()->document->load(graph, {}, tab()->dbPath());
    m_window->refreshTab(tab());
}

void TstFilterWindow::dialogLayout()
{
    FiltersDialog dialog(typedGraph());
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Filtres simples"));
    QCOMPARE(dialog.queryEdit()->placeholderText(), QStringLiteral("mots-clés…"));
    QVERIFY(dialog.includeUndeterminedBox()->isChecked());
    QVERIFY(dialog.dimBox()->isChecked());
    // Types sorted, the empty one among them; nothing checked shows "Tous".
    QCOMPARE(dialog.nodeTypesBox()->items(),
             (QStringList{QString(), QStringLiteral("domain"), QStringLiteral("ip")}));
    QCOMPARE(dialog.relationTypesBox()->items(),
             (QStringList{QStringLiteral("cites"), QStringLiteral("resolves")}));
    QCOMPARE(dialog.nodeTypesBox()->summary(), QStringLiteral("Tous"));
    dialog.nodeTypesBox()->setChecked(QStringLiteral("ip"), true);
    QCOMPARE(dialog.nodeTypesBox()->summary(), QStringLiteral("1 sélectionné(s)"));
    dialog.nodeTypesBox()->setAllChecked(true);
    QCOMPARE(dialog.nodeTypesBox()->summary(), QStringLiteral("Tous"));
    dialog.nodeTypesBox()->setDisplayMode(MultiCheckComboBox::ShowCheckedItems);
    dialog.nodeTypesBox()->setChecked(QStringLiteral("domain"), false);
    QCOMPARE(dialog.nodeTypesBox()->summary(), QStringLiteral("(sans type), ip"));

    QCOMPARE(dialog.opacityLabel()->text(), QStringLiteral("Opacité des éléments grisés : 20 %"));
    dialog.opacitySlider()->setValue(35);
    QCOMPARE(dialog.opacityLabel()->text(), QStringLiteral("Opacité des éléments grisés : 35 %"));
    dialog.dimBox()->setChecked(false);
    QVERIFY(!dialog.opacitySlider()->isEnabled());
    QVERIFY(!dialog.opacityLabel()->isEnabled());

    // A disabled period leaves no bound and includes the undetermined.
    dialog.periodEnabledBox()->setChecked(false);
    dialog.includeUndeterminedBox()->setChecked(false);
    dialog.accept();
    const FilterState state = dialog.filterState();
    QVERIFY(!state.periodStart.isValid());
    QVERIFY(state.includeUndetermined);
    QVERIFY(state.nodeTypesEnabled);
    QCOMPARE(state.nodeTypes, (QSet<QString>{QString(), QStringLiteral("ip")}));
    QVERIFY(!state.relationTypesEnabled);
    QVERIFY(!state.dim);
    QCOMPARE(state.dimOpacity, 0.2);
}

void TstFilterWindow::typeListChecksOnClick()
{
    MultiCheckComboBox box;
    box.setItems({QStringLiteral("a"), QStringLiteral("b")});
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    QSignalSpy changes(&box, &MultiCheckComboBox::selectionChanged);
    box.showPopup();
    QWidget *viewport = box.view()->viewport();
    const QPoint second = box.view()->visualRect(box.model()->index(1, 0)).center();
    // The release of the click that opened the list checks nothing.
    QTest::mouseRelease(viewport, Qt::LeftButton, Qt::NoModifier, second);
    QVERIFY(box.checkedItems().isEmpty());
    QTest::mouseClick(viewport, Qt::LeftButton, Qt::NoModifier, second);
    QCOMPARE(box.checkedItems(), QStringList{QStringLiteral("b")});
    QCOMPARE(changes.size(), 1);
    QVERIFY(box.view()->isVisible()); // still open for the next choice
    QTest::mouseClick(viewport, Qt::LeftButton, Qt::NoModifier, second);
    QVERIFY(box.checkedItems().isEmpty());
    box.hidePopup();
}

void TstFilterWindow::dimOrHide()
{
    show(typedGraph());
    m_prompter->dialogs << filling([](FiltersDialog &dialog) {
        dialog.nodeTypesBox()->setChecked(QStringLiteral("ip"), true);
        dialog.nodeTypesBox()->setChecked(QStringLiteral("domain"), true);
        dialog.opacitySlider()->setValue(35);
    });
    m_window->action(QStringLiteral("actionFilters"))->trigger();
    QCOMPARE(m_prompter->last(QStringLiteral("dialog")).title, QStringLiteral("Filtres simples"));
    QCOMPARE(looks(tab()->scene),
             QStringLiteral("dom=1 ip1=1 ip2=1 note=0.35 e1=1 e2=1 e3=0.35"));
    QCOMPARE(m_window->statusBar()->currentMessage(),
             QStringLiteral("Filtres appliqués — 3 nœuds / 2 relations retenus"));

    m_prompter->dialogs << filling([](FiltersDialog &dialog) {
        dialog.textEnabledBox()->setChecked(true);
        dialog.queryEdit()->setText(QStringLiteral(" ovh "));
        dialog.dimBox()->setChecked(false);
    });
    m_window->openFiltersDialog();
    QCOMPARE(looks(tab()->scene),
             QStringLiteral("dom=1 ip1=hidden ip2=hidden note=hidden e1=hidden e2=hidden "
                            "e3=hidden"));
    QCOMPARE(m_window->statusBar()->currentMessage(),
             QStringLiteral("Filtres appliqués — 1 nœuds / 0 relations retenus"));

    // Cancelling changes nothing.
    m_prompter->dialogs << [](QDialog &) { return int(QDialog::Rejected); };
    m_window->openFiltersDialog();
    QVERIFY(!tab()->scene->nodeItem(QStringLiteral("ip1"))->isVisible());
}

void TstFilterWindow::groupModes()
{
    // ip1 and ip2 in a collapsed group "Infra", whose bridge to dom (one per member) is kept.
    Graph graph = typedGraph();
    Node group = Grouping::newGroupNode(graph, QPointF(0, 0));
    group.label = QStringLiteral("Infra");
    graph.insertNode(group);
    Grouping::addToGroup(graph, group.id, {QStringLiteral("ip1"), QStringLiteral("ip2")});
    show(graph);
    const QString g = group.id;
    QVERIFY(tab()->scene->nodeItem(g));
    QVERIFY(!tab()->scene->nodeItem(QStringLiteral("ip1")));
    const auto opacity = [this](const QString &id) {
        const NodeItem *item = tab()->scene->nodeItem(id);
        return item->isVisible() ? item->opacity() : -1.0;
    };
    const auto ipOnly = [](FiltersDialog &dialog) {
        dialog.nodeTypesBox()->setChecked(QStringLiteral("ip"), true);
    };

    QString groupsText;
    m_prompter->dialogs << filling(ipOnly) << [&groupsText](QDialog &dialog) {
        groupsText = dialog.findChild<QLabel *>(QStringLiteral("groupsLabel"))->text();
        static_cast<GroupRevealDialog &>(dialog).choose(GroupRevealDialog::ShowGroup);
        return int(QDialog::Accepted);
    };
    m_window->openFiltersDialog();
    QCOMPARE(m_prompter->last(QStringLiteral("dialog")).title,
             QStringLiteral("Nœuds filtrés dans des groupes"));
    QCOMPARE(groupsText, QStringLiteral("Groupes concernés : Infra"));
    QCOMPARE(opacity(g), 1.0);
    QCOMPARE(opacity(QStringLiteral("dom")), 0.2);

    // "Afficher seulement le nœud": the member has no item, the group stays greyed.
    m_prompter->dialogs << filling(ipOnly) << [](QDialog &dialog) {
        static_cast<GroupRevealDialog &>(dialog).choose(GroupRevealDialog::ShowNodeOnly);
        return int(QDialog::Accepted);
    };
    m_window->openFiltersDialog();
    QCOMPARE(opacity(g), 0.2);

    // Cancelling the question is the node-only mode; so is the halo.
    m_prompter->dialogs << filling(ipOnly) << [](QDialog &) { return int(QDialog::Rejected); };
    m_window->openFiltersDialog();
    QCOMPARE(opacity(g), 0.2);

    // Expanded: the members have items; with the group shown, the relations leaving them
    // stay greyed, since their member end is not at full opacity.
    tab()->document->edit(QString(), [&g](Graph &graph) { Grouping::expand(graph, g); });
    m_prompter->dialogs << filling([](FiltersDialog &dialog) {
        dialog.nodeTypesBox()->setChecked(QStringLiteral("ip"), true);
        dialog.nodeTypesBox()->setChecked(QStringLiteral("domain"), true);
    }) << [](QDialog &dialog) {
        static_cast<GroupRevealDialog &>(dialog).choose(GroupRevealDialog::ShowGroup);
        return int(QDialog::Accepted);
    };
    m_window->openFiltersDialog();
    QCOMPARE(opacity(QStringLiteral("ip1")), 0.2);
    QCOMPARE(opacity(QStringLiteral("dom")), 1.0);
    QCOMPARE(opacity(g), 1.0);
    for (const EdgeItem *item : tab()->scene->edgeItems()) {
        if (item->edge().id == QStringLiteral("e1"))
            QCOMPARE(item->opacity(), 0.2);
    }
}

void TstFilterWindow::nothingEnabledRestoresEverything()
{
    show(typedGraph());
    m_prompter->dialogs << filling([](FiltersDialog &dialog) {
        dialog.dimBox()->setChecked(false);
        dialog.relationTypesBox()->setChecked(QStringLiteral("cites"), true);
    });
    m_window->openFiltersDialog();
    QCOMPARE(looks(tab()->scene), QStringLiteral("dom=1 ip1=1 ip2=1 note=1 e1=hidden "
                                                 "e2=hidden e3=1"));
    m_prompter->dialogs << filling([](FiltersDialog &) {});
    m_window->openFiltersDialog();
    QCOMPARE(looks(tab()->scene), QStringLiteral("dom=1 ip1=1 ip2=1 note=1 e1=1 e2=1 e3=1"));
    QCOMPARE(m_window->statusBar()->currentMessage(),
             QStringLiteral("Filtres appliqués — 4 nœuds / 3 relations retenus"));
}

void TstFilterWindow::typeDialogsApplyInOneBatch()
{
    show(typedGraph());
    GraphScene *scene = tab()->scene;
    QStringList texts;
    int passesAfterApply = -1;
    int passesBefore = -1;
    m_prompter->dialogs << [&](QDialog &dialog) {
        auto &types = static_cast<NodeTypesDialog &>(dialog);
        QListWidget *list = types.list();
        for (int row = 0; row < list->count(); ++row)
            texts.append(list->item(row)->text());
        // Unchecking one item hides its type at once, with its relations.
        list->item(1)->setCheckState(Qt::Unchecked);
        if (scene->nodeItem(QStringLiteral("dom"))->isVisible())
            return int(QDialog::Rejected);
        // "Appliquer" sets every type from its box and runs the rule once.
        {
            const QSignalBlocker blocker(list);
            list->item(0)->setCheckState(Qt::Unchecked);
            list->item(1)->setCheckState(Qt::Checked);
            list->item(2)->setCheckState(Qt::Unchecked);
        }
        passesBefore = scene->visibilityPasses();
        types.findChild<QPushButton *>(QStringLiteral("applyButton"))->click();
        passesAfterApply = scene->visibilityPasses();
        return int(QDialog::Rejected);
    };
    m_window->showNodeTypesDialog();
    QCOMPARE(m_prompter->last(QStringLiteral("dialog")).title, QStringLiteral("Types de nœuds"));
    QCOMPARE(texts, (QStringList{QStringLiteral("(sans type)"), QStringLiteral("domain"),
                                 QStringLiteral("ip")}));
    QCOMPARE(passesAfterApply, passesBefore + 1);
    QCOMPARE(looks(scene), QStringLiteral("dom=1 ip1=hidden ip2=hidden note=hidden e1=hidden "
                                          "e2=hidden e3=hidden"));
    QCOMPARE(scene->timeFilter().hiddenNodeTypes,
             (QSet<QString>{QString(), QStringLiteral("ip")}));

    // The list opens with the scene's state; "Tout cocher" shows every type again.
    m_prompter->dialogs << [&](QDialog &dialog) {
        QListWidget *list = static_cast<NodeTypesDialog &>(dialog).list();
        texts.clear();
        for (int row = 0; row < list->count(); ++row)
            texts.append(QString::number(list->item(row)->checkState()));
        for (QPushButton *button : dialog.findChildren<QPushButton *>()) {
            if (button->text() == QStringLiteral("Tout cocher"))
                button->click();
        }
        return int(QDialog::Rejected);
    };
    m_window->showNodeTypesDialog();
    QCOMPARE(texts, (QStringList{QStringLiteral("0"), QStringLiteral("2"), QStringLiteral("0")}));
    QVERIFY(scene->timeFilter().hiddenNodeTypes.isEmpty());

    // Relation types: hiding "resolves" hides e1 and e2 only.
    m_prompter->dialogs << [](QDialog &dialog) {
        QListWidget *list = static_cast<EdgeTypesDialog &>(dialog).list();
        list->item(1)->setCheckState(Qt::Unchecked);
        return int(QDialog::Rejected);
    };
    m_window->showEdgeTypesDialog();
    QCOMPARE(m_prompter->last(QStringLiteral("dialog")).title,
             QStringLiteral("Types de relations"));
    QCOMPARE(looks(scene),
             QStringLiteral("dom=1 ip1=1 ip2=1 note=1 e1=hidden e2=hidden e3=1"));
    // The hidden types survive a rebuild.
    m_window->refreshTab(tab());
    QCOMPARE(looks(scene),
             QStringLiteral("dom=1 ip1=1 ip2=1 note=1 e1=hidden e2=hidden e3=1"));
}

void TstFilterWindow::searchOpensAFilteredList()
{
    show(typedGraph());
    SearchWidget *search = m_window->searchWidget();
    QVERIFY(search);
    search->fieldBox()->setCurrentIndex(SearchWidget::Description);
    search->queryEdit()->setText(QStringLiteral("  ovh "));
    QSignalSpy requests(search, &SearchWidget::searchRequested);
    QMetaObject::invokeMethod(search->queryEdit(), "returnPressed");
    QCOMPARE(requests.size(), 1);
    QCOMPARE(requests.first().at(2).toString(), QStringLiteral("ovh"));
    auto *nodes = m_window->findChild<NodesListDialog *>();
    QVERIFY(nodes);
    QVERIFY(nodes->isVisible());
    QVERIFY(nodes->testAttribute(Qt::WA_DeleteOnClose));
    QCOMPARE(nodes->shownIds(), QStringList{QStringLiteral("dom")});
    nodes->close();
    QTRY_VERIFY(!m_window->findChild<NodesListDialog *>());

    search->scopeBox()->setCurrentIndex(SearchWidget::Relations);
    search->fieldBox()->setCurrentIndex(SearchWidget::Label);
    search->queryEdit()->setText(QStringLiteral("RÉSOUT"));
    search->findChild<QPushButton *>(QStringLiteral("searchButton"))->click();
    auto *edges = m_window->findChild<EdgesListDialog *>();
    QVERIFY(edges);
    QStringList ids = edges->shownIds();
    std::sort(ids.begin(), ids.end());
    QCOMPARE(ids, (QStringList{QStringLiteral("e1"), QStringLiteral("e2")}));
    edges->close();
}

void TstFilterWindow::backgroundMenuEntries()
{
    show(typedGraph());
    m_window->resize(800, 600);
    m_window->QWidget::show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window));
    QStringList entries;
    QStringList layouts;
    QStringList timeline;
    QTimer::singleShot(0, this, [&]() {
        auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        if (!menu)
            return;
        for (QAction *action : menu->actions()) {
            entries.append(action->isSeparator() ? QStringLiteral("-") : action->text());
            if (action->text() == QStringLiteral("Réorganiser")) {
                for (QAction *entry : action->menu()->actions())
                    layouts.append(entry->text());
            }
            if (action->text() == QStringLiteral("Timeline")) {
                for (QAction *entry : action->menu()->actions())
                    timeline.append(entry->text());
                action->menu()->actions().constFirst()->trigger();
            }
        }
        menu->close();
    });
    GraphView *view = tab()->view;
    const QPoint p(3, 3); // a corner of the fitted view, away from every node
    QContextMenuEvent event(QContextMenuEvent::Mouse, p, view->viewport()->mapToGlobal(p));
    QApplication::sendEvent(view->viewport(), &event);

    const qsizetype lists = entries.indexOf(QStringLiteral("Lister les médias…"));
    QVERIFY(lists > 0);
    QCOMPARE(entries.mid(lists + 1, 4),
             (QStringList{QStringLiteral("-"), QStringLiteral("Filtrer par types de nœuds"),
                          QStringLiteral("Filtrer par types de relations"),
                          QStringLiteral("-")}));
    const qsizetype layout = entries.indexOf(QStringLiteral("Réorganiser"));
    QVERIFY(layout > entries.indexOf(QStringLiteral("Coller (CTRL+V)")));
    QCOMPARE(entries.at(layout + 1), QStringLiteral("Timeline"));
    QCOMPARE(entries.at(layout + 2), QStringLiteral("-"));
    QCOMPARE(layouts,
             (QStringList{QStringLiteral("Grille"), QStringLiteral("Zigzag"),
                          QStringLiteral("Cercle"), QStringLiteral("Aléatoire"),
                          QStringLiteral("Radial (par niveaux)"),
                          QStringLiteral("Composantes connectées"),
                          QStringLiteral("Force-directed (rapide)"),
                          QStringLiteral("Force dirigée (compacte)"),
                          QStringLiteral("Force dirigée (aérée)"),
                          QStringLiteral("Clusters par type (+relax)"),
                          QStringLiteral("Timeline")}));
    QCOMPARE(timeline, (QStringList{QStringLiteral("Afficher"), QStringLiteral("Masquer"),
                                    QStringLiteral("Editer")}));
    // "Afficher" without any date says so.
    QCOMPARE(m_window->statusBar()->currentMessage(),
             QStringLiteral("Timeline: aucune date — aucun déplacement ni axe affiché"));
}

void TstFilterWindow::layoutMenuFollowsTheScene()
{
    QMenu *layouts = m_window->menu(QStringLiteral("menuLayout"));
    QVERIFY(!layouts->isEnabled());
    show(typedGraph());
    QVERIFY(layouts->isEnabled());
    m_window->addNewTab();
    QVERIFY(!layouts->isEnabled());
    m_window->closeTab(1);
    QVERIFY(layouts->isEnabled());
    QCOMPARE(m_window->menu(QStringLiteral("menuTools"))->actions().constFirst()->text(),
             QStringLiteral("Filtres simples"));
}

QTEST_MAIN(TstFilterWindow)
#include "tst_filterwindow.moc"
