// The node and relation forms, the icon picker, the lists and the attribute tables, filled
// in as the analyst does and read back as the commands read them.
#include "app/mainwindow.h"
#include "app/tab.h"
#include "canvas/graphscene.h"
#include "canvas/graphview.h"
#include "canvas/nodeitem.h"
#include "dialogs/edgeeditdialog.h"
#include "dialogs/iconpickerdialog.h"
#include "dialogs/nodeattributesdialog.h"
#include "dialogs/nodeeditdialog.h"
#include "dialogs/nodeslistdialog.h"
#include "scriptedprompter.h"
#include "testgraphs.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFile>
#include <QGraphicsColorizeEffect>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

#include <cstdlib>

using namespace TestGraphs;

namespace {

template<typename T>
T *child(QObject *parent, const char *name)
{
    T *found = parent->findChild<T *>(QLatin1String(name));
    if (!found)
        qWarning("no child %s", name);
    return found;
}

// Checks the box of the table row showing the given id.
void checkRow(QTableWidget *table, const QString &id)
{
    for (int row = 0; row < table->rowCount(); ++row) {
        if (table->item(row, 1)->text() == id)
            table->item(row, 0)->setCheckState(Qt::Checked);
    }
}

} // namespace

class TstDialogs : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cleanup();
    void duplicateLabelAsksFirst_data();
    void duplicateLabelAsksFirst();
    void theNodeItselfIsNoDuplicate();
    void nodeFormWritesOnlyWhatIsEnabled();
    void nodeFormKeepsAnUnlistedSize();
    void uncheckedDatesShowNoDate();
    void missingIconFolderIsReported();
    void iconPickerFillsTheImagePath();
    void relationFormFoldsColourAndWidth();
    void relationFormDirectionWords_data();
    void relationFormDirectionWords();
    void relationFormKeepsAnUnlistedEnd();
    void creationFormListsTheTargets();
    void nodeListPagesAndFilters();
    void checkingARowFindsTheItem();
    void deleteSelectionEmitsCheckedIdsOnly();
    void attributeRowsBecomeNodes();

private:
    QString m_startDir = QDir::currentPath();
};

void TstDialogs::cleanup()
{
    QDir::setCurrent(m_startDir);
}

void TstDialogs::duplicateLabelAsksFirst_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("case, cancelled") << "EXEMPLE.org" << int(QMessageBox::Cancel) << false;
    QTest::newRow("blanks, confirmed") << "  exemple.org  " << int(QMessageBox::Ok) << true;
}

void TstDialogs::duplicateLabelAsksFirst()
{
    QFETCH(QString, typed);
    QFETCH(int, answer);
    QFETCH(bool, accepted);
    Graph graph;
    graph.insertNode(makeNode(QStringLiteral("n1"), QStringLiteral(" Exemple.org")));
    graph.insertNode(makeNode(QStringLiteral("n2"), QStringLiteral("exemple.ORG")));
    graph.insertNode(makeNode(QStringLiteral("n3"), QStringLiteral("autre")));
    ScriptedPrompter prompter;
    prompter.answers << answer;
    NodeEditDialog dialog(makeNode(QStringLiteral("new"), QStringLiteral("Nouveau")), &graph,
                          prompter);
    child<QLineEdit>(&dialog, "labelEdit")->setText(typed);
    dialog.onAccept();

    QCOMPARE(prompter.count(QStringLiteral("message")), 1);
    const ScriptedPrompter::Call call = prompter.last(QStringLiteral("message"));
    QCOMPARE(call.title, QStringLiteral("Label en double"));
    QCOMPARE(call.icon, QMessageBox::Warning);
    QCOMPARE(call.text, QStringLiteral("Un nœud avec le même label existe déjà.\nLabel : \"%1\"\n"
                                       "ID(s) existant(s) : n1, n2\n\nCréer quand même ce nœud ?")
                            .arg(typed.trimmed()));
    QCOMPARE(dialog.result() == QDialog::Accepted, accepted);
    QCOMPARE(dialog.node().label, accepted ? typed.trimmed() : QStringLiteral("Nouveau"));
}

void TstDialogs::theNodeItselfIsNoDuplicate()
{
    Graph graph;
    graph.insertNode(makeNode(QStringLiteral("n1"), QStringLiteral("Serveur")));
    graph.insertNode(makeNode(QStringLiteral("n2"), QStringLiteral("Poste")));
    ScriptedPrompter prompter;
    NodeEditDialog dialog(graph.node(QStringLiteral("n1")), &graph, prompter);
    dialog.onAccept();
    QCOMPARE(prompter.count(QStringLiteral("message")), 0);
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
}

void TstDialogs::nodeFormWritesOnlyWhatIsEnabled()
{
    Node node = makeNode(QStringLiteral("n1"), QStringLiteral("Poste"));
    node.type = QStringLiteral("host");
    node.geoLat = 10.0;
    node.geoLon = 20.0;
    node.validity.end = QDateTime(QDate(2024, 5, 1), QTime(12, 0), Qt::UTC);
    ScriptedPrompter prompter;
    prompter.answers << QVariant::fromValue(QColor(QStringLiteral("#123456")));
    NodeEditDialog dialog(node, nullptr, prompter);
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Éditer le nœud — Poste"));
    child<QComboBox>(&dialog, "typeCombo")->setEditText(QStringLiteral("   "));
    // "Début" stays unchecked whatever its editor shows; "Fin" is unchecked.
    child<QDateTimeEdit>(&dialog, "validityStart")
        ->setDateTime(QDateTime(QDate(2020, 1, 1), QTime(0, 0)));
    child<QCheckBox>(&dialog, "validityEndBox")->setChecked(false);
    QVERIFY(child<QDoubleSpinBox>(&dialog, "latitudeSpin")->isEnabled());
    child<QCheckBox>(&dialog, "geoBox")->setChecked(false);
    QVERIFY(!child<QDoubleSpinBox>(&dialog, "latitudeSpin")->isEnabled());
    child<QComboBox>(&dialog, "shapeCombo")->setCurrentText(QStringLiteral("hexagone"));
    child<QCheckBox>(&dialog, "hypothesisBox")->setChecked(true);
    child<QLineEdit>(&dialog, "investigationPathEdit")->setText(QStringLiteral(" /cas/B.db "));
    child<QCheckBox>(&dialog, "investigationLinkBox")->setChecked(true);
    dialog.onChooseColor();
    dialog.onAccept();

    const Node edited = dialog.node();
    QCOMPARE(edited.type, QStringLiteral("défaut"));
    QVERIFY(!edited.validity.start.isValid());
    QVERIFY(!edited.validity.end.isValid());
    QVERIFY(!edited.geoLat.has_value());
    QVERIFY(!edited.geoLon.has_value());
    QCOMPARE(edited.shape, NodeShape::Hexagon);
    QVERIFY(edited.hypothesis);
    QVERIFY(edited.isInvestigationLink);
    QCOMPARE(edited.investigationPath, QStringLiteral("/cas/B.db"));
    QCOMPARE(edited.color, QColor(QStringLiteral("#123456")));
    QCOMPARE(prompter.last(QStringLiteral("color")).title, QStringLiteral("Choisir une couleur"));

    // Checking the boxes again brings the values back.
    NodeEditDialog again(node, nullptr, prompter);
    child<QCheckBox>(&again, "validityStartBox")->setChecked(true);
    child<QDateTimeEdit>(&again, "validityStart")
        ->setDateTime(QDateTime(QDate(2021, 6, 7), QTime(8, 9, 10)));
    child<QDoubleSpinBox>(&again, "latitudeSpin")->setValue(-33.8688);
    again.onAccept();
    QCOMPARE(again.node().validity.start, QDateTime(QDate(2021, 6, 7), QTime(8, 9, 10)));
    QCOMPARE(again.node().validity.end, node.validity.end);
    QCOMPARE(again.node().geoLat.value_or(0), -33.8688);
    QCOMPARE(again.node().geoLon.value_or(0), 20.0);
    QCOMPARE(again.node().type, QStringLiteral("host"));
}

// A disabled bound shows a dash, not a date that reads like real data; checking its box
// brings a date (back).
void TstDialogs::uncheckedDatesShowNoDate()
{
    Node node = makeNode(QStringLiteral("n1"), QStringLiteral("Poste"));
    node.validity.start = QDateTime(QDate(2023, 2, 3), QTime(4, 5, 6));
    ScriptedPrompter prompter;
    NodeEditDialog dialog(node, nullptr, prompter);
    auto *start = child<QDateTimeEdit>(&dialog, "validityStart");
    auto *end = child<QDateTimeEdit>(&dialog, "validityEnd");
    QCOMPARE(start->text(), QStringLiteral("2023-02-03 04:05:06"));
    QCOMPARE(end->text(), QStringLiteral("—"));
    QVERIFY(!end->isEnabled());

    child<QCheckBox>(&dialog, "validityEndBox")->setChecked(true);
    QVERIFY(end->isEnabled());
    QVERIFY(end->dateTime().isValid());
    QVERIFY(end->text() != QStringLiteral("—"));
    QVERIFY(std::abs(end->dateTime().secsTo(QDateTime::currentDateTime())) < 60);

    child<QCheckBox>(&dialog, "validityStartBox")->setChecked(false);
    QCOMPARE(start->text(), QStringLiteral("—"));
    child<QCheckBox>(&dialog, "validityStartBox")->setChecked(true);
    QCOMPARE(start->text(), QStringLiteral("2023-02-03 04:05:06"));
    dialog.onAccept();
    QCOMPARE(dialog.node().validity.start, node.validity.start);
    QVERIFY(dialog.node().validity.end.isValid());
}

void TstDialogs::nodeFormKeepsAnUnlistedSize()
{
    Node node = makeNode(QStringLiteral("n1"), QStringLiteral("Poste"));
    node.size = 1.5;
    ScriptedPrompter prompter;
    NodeEditDialog dialog(node, nullptr, prompter);
    dialog.onAccept();
    QCOMPARE(dialog.node().size, 1.5);

    NodeEditDialog other(node, nullptr, prompter);
    child<QComboBox>(&other, "sizeCombo")->setCurrentText(QStringLiteral("×3"));
    other.onAccept();
    QCOMPARE(other.node().size, 3.0);
}

void TstDialogs::missingIconFolderIsReported()
{
    QTemporaryDir empty;
    QVERIFY(QDir::setCurrent(empty.path()));
    ScriptedPrompter prompter;
    NodeEditDialog dialog(makeNode(QStringLiteral("n"), QStringLiteral("N")), nullptr, prompter);
    child<QLineEdit>(&dialog, "mediaPathEdit")->setText(QStringLiteral("avant.png"));
    dialog.onPickResourceIcon();
    QCOMPARE(prompter.count(QStringLiteral("dialog")), 0);
    QCOMPARE(prompter.last().title, QStringLiteral("Icônes introuvables"));
    QCOMPARE(prompter.last().text,
             QStringLiteral("Le dossier 'icons' est introuvable à la racine du projet."));
    dialog.onAccept();
    QCOMPARE(dialog.node().mediaPath, QStringLiteral("avant.png"));
}

void TstDialogs::iconPickerFillsTheImagePath()
{
    QTemporaryDir root;
    QDir dir(root.path());
    QVERIFY(dir.mkpath(QStringLiteral("icons/Cyber")));
    QVERIFY(dir.mkpath(QStringLiteral("icons/Réseau")));
    QVERIFY(dir.mkpath(QStringLiteral("work")));
    for (const char *name : {"icons/Cyber/malware rouge.png", "icons/Cyber/bouclier.png",
                             "icons/Réseau/serveur.png"}) {
        QImage image(8, 8, QImage::Format_ARGB32);
        image.fill(Qt::red);
        QVERIFY(image.save(dir.filePath(QString::fromUtf8(name))));
    }
    QVERIFY(QDir::setCurrent(dir.filePath(QStringLiteral("work"))));

    ScriptedPrompter prompter;
    QStringList categories;
    bool categoriesSelectable = true;
    int shownAfterSearch = -1;
    prompter.dialogs << [&](QDialog &shown) {
        auto *tree = shown.findChild<QTreeWidget *>(QStringLiteral("iconTree"));
        for (int i = 0; i < tree->topLevelItemCount(); ++i) {
            categories << tree->topLevelItem(i)->text(0);
            categoriesSelectable &= bool(tree->topLevelItem(i)->flags() & Qt::ItemIsSelectable);
        }
        shown.findChild<QLineEdit *>(QStringLiteral("iconSearch"))->setText(QStringLiteral("ROUGE"));
        QTreeWidgetItem *match = nullptr;
        shownAfterSearch = 0;
        for (int i = 0; i < tree->topLevelItemCount(); ++i) {
            for (int j = 0; j < tree->topLevelItem(i)->childCount(); ++j) {
                QTreeWidgetItem *icon = tree->topLevelItem(i)->child(j);
                if (!icon->isHidden()) {
                    ++shownAfterSearch;
                    match = icon;
                }
            }
        }
        match->setSelected(true);
        shown.findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok)->click();
        return shown.result();
    };
    NodeEditDialog dialog(makeNode(QStringLiteral("n"), QStringLiteral("N")), nullptr, prompter);
    dialog.onPickResourceIcon();
    QCOMPARE(prompter.last(QStringLiteral("dialog")).title,
             QStringLiteral("Choisir une icône (dossier 'icons')"));
    QCOMPARE(categories, QStringList({QStringLiteral("Cyber"), QStringLiteral("Réseau")}));
    QVERIFY(!categoriesSelectable);
    QCOMPARE(shownAfterSearch, 1);
    dialog.onAccept();
    QCOMPARE(dialog.node().mediaPath, dir.filePath(QStringLiteral("icons/Cyber/malware rouge.png")));
}

void TstDialogs::relationFormFoldsColourAndWidth()
{
    Edge edge = makeEdge(QStringLiteral("e1"), QStringLiteral("a"), QStringLiteral("b"));
    edge.width = 0;
    edge.properties = {{QStringLiteral("color"), QStringLiteral("orange")},
                       {QStringLiteral("origine"), QStringLiteral("pdns")}};
    edge.attributes = {{QStringLiteral("r1"), QStringLiteral("width"), QStringLiteral("4")},
                       {QStringLiteral("r2"), QStringLiteral("port"), QStringLiteral("443")}};
    ScriptedPrompter prompter;
    EdgeEditDialog dialog(edge, {QStringLiteral("a"), QStringLiteral("b")},
                          {QStringLiteral("Alpha"), QStringLiteral("Beta")}, nullptr, prompter);
    QCOMPARE(child<QLabel>(&dialog, "colorSwatch")->styleSheet(),
             QStringLiteral("background:%1;").arg(QColor(QStringLiteral("orange")).name()));
    QCOMPARE(child<QDoubleSpinBox>(&dialog, "widthSpin")->value(), 4.0);
    auto *table = child<QTableWidget>(&dialog, "attributeTable");
    QStringList keys;
    for (int row = 0; row < table->rowCount(); ++row)
        keys << table->item(row, 0)->text();
    QCOMPARE(keys, QStringList({QStringLiteral("port"), QStringLiteral("origine")}));
    // A row typed as "color" is not written back either.
    table->insertRow(table->rowCount());
    table->setItem(table->rowCount() - 1, 0, new QTableWidgetItem(QStringLiteral("color")));
    table->setItem(table->rowCount() - 1, 1, new QTableWidgetItem(QStringLiteral("blue")));
    dialog.findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok)->click();

    const Edge edited = dialog.edge();
    QCOMPARE(edited.color, QColor(QStringLiteral("orange")));
    QCOMPARE(edited.width, 4.0);
    QVERIFY(edited.properties.isEmpty());
    QCOMPARE(edited.attributes.size(), 2);
    QCOMPARE(edited.attributes.at(0),
             (AttributeRow{QStringLiteral("r2"), QStringLiteral("port"), QStringLiteral("443")}));
    QCOMPARE(edited.attributes.at(1),
             (AttributeRow{QString(), QStringLiteral("origine"), QStringLiteral("pdns")}));
    QCOMPARE(edited.type, QStringLiteral("défaut"));
}

void TstDialogs::relationFormDirectionWords_data()
{
    QTest::addColumn<int>("stored");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<int>("result");
    QTest::newRow("none unchanged") << int(EdgeDirection::None) << "pointillée"
                                    << "pointillée" << int(EdgeDirection::None);
    QTest::newRow("directed to inverse") << int(EdgeDirection::Directed) << "directionelle"
                                         << "directionelle (inv)"
                                         << int(EdgeDirection::DirectedInverse);
    QTest::newRow("inverse to both") << int(EdgeDirection::DirectedInverse)
                                     << "directionelle (inv)" << "bi-directionelle"
                                     << int(EdgeDirection::Undirected);
    QTest::newRow("both to directed") << int(EdgeDirection::Undirected) << "bi-directionelle"
                                      << "directionelle" << int(EdgeDirection::Directed);
}

void TstDialogs::relationFormDirectionWords()
{
    QFETCH(int, stored);
    QFETCH(QString, chosen);
    Edge edge;
    edge.id = QStringLiteral("e");
    edge.direction = EdgeDirection(stored);
    ScriptedPrompter prompter;
    EdgeEditDialog dialog(edge, {}, {}, nullptr, prompter);
    auto *direction = child<QComboBox>(&dialog, "directionCombo");
    QTEST(direction->currentText(), "shown");
    direction->setCurrentText(chosen);
    dialog.findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok)->click();
    QTEST(int(dialog.edge().direction), "result");
}

void TstDialogs::relationFormKeepsAnUnlistedEnd()
{
    const Edge edge =
        makeEdge(QStringLiteral("e"), QStringLiteral("hidden-member"), QStringLiteral("b"));
    ScriptedPrompter prompter;
    EdgeEditDialog dialog(edge, {QStringLiteral("a"), QStringLiteral("b")},
                          {QStringLiteral("Alpha"), QStringLiteral("Beta")}, nullptr, prompter);
    QCOMPARE(child<QComboBox>(&dialog, "destinationCombo")->currentText(), QStringLiteral("Beta"));
    dialog.findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok)->click();
    QCOMPARE(dialog.edge().src, QStringLiteral("hidden-member"));
    QCOMPARE(dialog.edge().dst, QStringLiteral("b"));
}

void TstDialogs::creationFormListsTheTargets()
{
    Edge edge;
    edge.id = QStringLiteral("e");
    edge.src = QStringLiteral("s");
    ScriptedPrompter prompter;
    EdgeEditDialog dialog(edge, {QStringLiteral("s"), QStringLiteral("t1"), QStringLiteral("t2")},
                          {QStringLiteral("Source"), QStringLiteral("Cible 1"),
                           QStringLiteral("Cible 2")},
                          nullptr, prompter, nullptr, EdgeEditDialog::Mode::CreateToTargets);
    QCOMPARE(child<QComboBox>(&dialog, "sourceCombo")->currentText(), QStringLiteral("Source"));
    auto *targets = child<QListWidget>(&dialog, "targetList");
    QCOMPARE(targets->count(), 2);
    targets->item(0)->setCheckState(Qt::Unchecked);
    dialog.findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok)->click();
    QCOMPARE(dialog.targets(), QStringList{QStringLiteral("t2")});
    QCOMPARE(dialog.edge().src, QStringLiteral("s"));
}

void TstDialogs::nodeListPagesAndFilters()
{
    Graph graph;
    for (int i = 0; i < 25; ++i)
        graph.insertNode(makeNode(QStringLiteral("id%1").arg(i, 2, 10, QLatin1Char('0')),
                                  QStringLiteral("nœud %1").arg(i, 2, 10, QLatin1Char('0'))));
    Node tagged = graph.node(QStringLiteral("id07"));
    tagged.attributes = {{QString(), QStringLiteral("asn"), QStringLiteral("AS64500")}};
    graph.replaceNode(tagged);
    ScriptedPrompter prompter;
    NodesListDialog dialog(graph, nullptr, prompter);
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Liste des nœuds"));
    auto *label = child<QLabel>(&dialog, "pageLabel");
    auto *table = child<QTableWidget>(&dialog, "recordTable");
    QCOMPARE(label->text(), QStringLiteral("Page 1 / 1 — 25 élément(s)"));
    child<QSpinBox>(&dialog, "pageSizeSpin")->setValue(10);
    QCOMPARE(label->text(), QStringLiteral("Page 1 / 3 — 25 élément(s)"));
    QCOMPARE(table->rowCount(), 10);
    auto *next = child<QPushButton>(&dialog, "nextPageButton");
    next->click();
    next->click();
    next->click();
    QCOMPARE(label->text(), QStringLiteral("Page 3 / 3 — 25 élément(s)"));
    QCOMPARE(table->rowCount(), 5);
    QCOMPARE(table->item(0, 1)->text(), QStringLiteral("id20"));
    QCOMPARE(table->item(0, 2)->text(), QStringLiteral("nœud 20"));

    child<QLineEdit>(&dialog, "searchEdit")->setText(QStringLiteral("NŒUD 1"));
    QCOMPARE(label->text(), QStringLiteral("Page 1 / 1 — 10 élément(s)"));
    dialog.applyFilter(QStringLiteral("as645"), true);
    QCOMPARE(dialog.shownIds(), QStringList{QStringLiteral("id07")});
    dialog.applyFilter(QStringLiteral("as645"), RecordFilter::Field::Label);
    QVERIFY(dialog.shownIds().isEmpty());
}

void TstDialogs::checkingARowFindsTheItem()
{
    ScriptedPrompter prompter;
    MainWindow window(&prompter);
    window.resize(900, 600);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    Tab *tab = window.currentTab();
    Graph graph;
    graph.insertNode(makeNode(QStringLiteral("a"), QStringLiteral("A"), QPointF(0, 0)));
    graph.insertNode(makeNode(QStringLiteral("far"), QStringLiteral("Loin"), QPointF(3000, 2000)));
    tab->document->load(graph, {}, QString());
    window.refreshTab(tab);
    tab->view->resetTransform();
    tab->view->centerOn(0, 0);

    window.listNodes();
    auto *list = window.findChild<NodesListDialog *>();
    QVERIFY(list);
    QVERIFY(list->testAttribute(Qt::WA_DeleteOnClose));
    NodeItem *far = tab->scene->nodeItem(QStringLiteral("far"));
    const double z = far->zValue();
    QVERIFY(!tab->view->viewport()->rect().contains(tab->view->mapFromScene(far->scenePos())));
    checkRow(child<QTableWidget>(list, "recordTable"), QStringLiteral("far"));
    QVERIFY(far->isSelected());
    QVERIFY(qobject_cast<QGraphicsColorizeEffect *>(far->graphicsEffect()));
    QCOMPARE(far->zValue(), 1000 + 10000.0);
    QTRY_VERIFY_WITH_TIMEOUT(!far->graphicsEffect(), 3000);
    QCOMPARE(far->zValue(), 1000.0);
    // The view scrolls towards the item as far as the scene allows: it comes into sight.
    QVERIFY(tab->view->viewport()->rect().contains(tab->view->mapFromScene(far->scenePos())));

    // Unchecking deselects; the item goes back to the z it had before being selected.
    auto *table = child<QTableWidget>(list, "recordTable");
    for (int row = 0; row < table->rowCount(); ++row) {
        if (table->item(row, 1)->text() == u"far")
            table->item(row, 0)->setCheckState(Qt::Unchecked);
    }
    QVERIFY(!far->isSelected());
    QCOMPARE(far->zValue(), z);

    // The list goes with its tab.
    QPointer<NodesListDialog> guard(list);
    window.addNewTab();
    window.closeTab(0);
    QTRY_VERIFY(!guard);
}

void TstDialogs::deleteSelectionEmitsCheckedIdsOnly()
{
    Graph graph;
    for (const char *id : {"a", "b", "c"})
        graph.insertNode(makeNode(QLatin1String(id), QString::fromLatin1(id).toUpper()));
    ScriptedPrompter prompter;
    NodesListDialog dialog(graph, nullptr, prompter);
    QSignalSpy spy(&dialog, &NodesListDialog::requestDelete);
    // The window deletes "a" only, as if it had been refused the rest.
    connect(&dialog, &NodesListDialog::requestDelete, this,
            [&graph](const QStringList &) { graph.removeNode(QStringLiteral("a")); });
    auto *remove = child<QPushButton>(&dialog, "deleteSelectionButton");
    QCOMPARE(remove->text(), QStringLiteral("Supprimer la sélection"));
    remove->click();
    QCOMPARE(spy.count(), 0);

    auto *table = child<QTableWidget>(&dialog, "recordTable");
    checkRow(table, QStringLiteral("a"));
    checkRow(table, QStringLiteral("c"));
    remove->click();
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.at(0).at(0).toStringList(), QStringList({QStringLiteral("a"), QStringLiteral("c")}));
    QCOMPARE(table->rowCount(), 2);
    QCOMPARE(table->item(0, 1)->text(), QStringLiteral("b"));
    QCOMPARE(table->item(1, 1)->text(), QStringLiteral("c"));
    QCOMPARE(table->item(1, 0)->checkState(), Qt::Checked);
    QCOMPARE(child<QLabel>(&dialog, "pageLabel")->text(), QStringLiteral("Page 1 / 1 — 2 élément(s)"));
}

void TstDialogs::attributeRowsBecomeNodes()
{
    Graph graph;
    Node source = makeNode(QStringLiteral("src"), QStringLiteral("Serveur"), QPointF(10, 10));
    source.attributes = {{QStringLiteral("r1"), QStringLiteral("domaine"), QStringLiteral("c2.example")},
                         {QStringLiteral("r2"), QStringLiteral("Domaine"), QStringLiteral("C2.EXAMPLE ")},
                         {QStringLiteral("r3"), QStringLiteral("ip"), QStringLiteral("10.1.1.1")}};
    graph.insertNode(source);
    ScriptedPrompter prompter;
    NodeAttributesDialog dialog(source, graph);
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Attributs du nœud — Serveur"));
    QCOMPARE(child<QLabel>(&dialog, "pageLabel")->text(),
             QStringLiteral("Page 1 / 1 — 3 attribut(s)"));
    QSignalSpy planned(&dialog, &NodeAttributesDialog::nodesPlanned);
    auto *table = child<QTableWidget>(&dialog, "attributeTable");
    table->item(0, 0)->setCheckState(Qt::Checked);
    table->item(1, 0)->setCheckState(Qt::Checked);
    child<QPushButton>(&dialog, "createNodesButton")->click();
    QCOMPARE(planned.count(), 1);
    // Planned only: the tables take the nodes when the dialog is accepted.
    QCOMPARE(graph.nodes().size(), 1);
    QCOMPARE(dialog.preview().nodes().size(), 2);
    Graph accepted = graph;
    dialog.applyTo(accepted);
    QCOMPARE(accepted.nodes().size(), 2);
    QCOMPARE(accepted.edges().size(), 1);
    const Edge edge = *accepted.edges().cbegin();
    QCOMPARE(edge.src, QStringLiteral("src"));
    QCOMPARE(accepted.node(edge.dst).label, QStringLiteral("c2.example"));
    QCOMPARE(accepted.node(edge.dst).pos, QPointF(10, 10));

    // Editing a cell and removing checked rows change the copy only.
    table->item(2, 2)->setText(QStringLiteral("10.1.1.2"));
    child<QCheckBox>(&dialog, "checkAllBox")->setChecked(true);
    table->item(2, 0)->setCheckState(Qt::Unchecked);
    child<QPushButton>(&dialog, "removeSelectionButton")->click();
    QCOMPARE(dialog.node().attributes,
             QList<AttributeRow>{(AttributeRow{QStringLiteral("r3"), QStringLiteral("ip"),
                                               QStringLiteral("10.1.1.2")})});
    QCOMPARE(graph.node(QStringLiteral("src")).attributes.size(), 3);
}

QTEST_MAIN(TstDialogs)
#include "tst_dialogs.moc"
