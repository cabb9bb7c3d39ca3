#include "app/mainwindow.h"
#include "app/tab.h"
#include "canvas/graphscene.h"
#include "canvas/mapmarkeritem.h"
#include "canvas/nodeitem.h"
#include "components/chaincomponents.h"
#include "components/componentoptionsdialog.h"
#include "components/componentprogressdialog.h"
#include "config/appconfig.h"
#include "fakeservice.h"
#include "scriptedprompter.h"
#include "testfiles.h"
#include "testgraphs.h"

#include <QAction>
#include <QGraphicsPixmapItem>
#include <QGraphicsView>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSpinBox>
#include <QStatusBar>
#include <QTest>

using namespace TestGraphs;

namespace {

const QByteArray prefixesReply =
    "{\"status\":\"ok\",\"status_message\":\"Query was successful\",\"data\":{"
    "\"ipv4_prefixes\":[{\"prefix\":\"103.53.120.0/22\",\"cidr\":22},"
    "{\"prefix\":\"110.92.32.0/19\",\"cidr\":19}],\"ipv6_prefixes\":[]},"
    "\"@meta\":{\"time_zone\":\"UTC\",\"api_version\":1}}";

Node asNode(const QString &id, const QString &label, const QString &asn, QPointF pos)
{
    Node node = makeNode(id, label, pos);
    node.type = QStringLiteral("AS");
    node.attributes.append({QStringLiteral("row-") + id, QStringLiteral("asn"), asn});
    return node;
}

void select(Tab *tab, const QStringList &ids)
{
    for (NodeItem *item : tab->scene->nodeItems())
        item->setSelected(ids.contains(item->id()));
}

QAction *undoAction(const MainWindow &window)
{
    for (QAction *action : window.findChildren<QAction *>()) {
        if (action->shortcuts().contains(QKeySequence(QKeySequence::Undo)))
            return action;
    }
    return nullptr;
}

} // namespace

class TstComponentsWindow : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void runOnATab();
    void oneUndoRestoresTheTables();
    void noSelectionOpensNothing();
    void noMatchingNodeStillReports();
    void menuFollowsTheSelection();
    void optionsDialogs_data();
    void optionsDialogs();
    void progressText();
    void mapPreview();
    void evmDialogFields_data();
    void evmDialogFields();
    void breachDialogFields();
    void newMembersUndoInOneStep_data();
    void newMembersUndoInOneStep();

private:
    // Runs AS → CIDR with node creation on the tab's AS node, accepting every box.
    void runCidr(MainWindow &window, ScriptedPrompter &prompter);

    FakeService *m_service = nullptr;
    QString m_progressStatus;
};

void TstComponentsWindow::init()
{
    delete m_service;
    m_service = new FakeService(this);
    m_service->route(QStringLiteral("/asn/7511/prefixes"), prefixesReply);
    AppConfig::setCurrent(QJsonObject{
        {QStringLiteral("endpoints"), QJsonObject{{QStringLiteral("BGPView"), m_service->base()}}}});
    m_progressStatus.clear();
}

void TstComponentsWindow::runCidr(MainWindow &window, ScriptedPrompter &prompter)
{
    prompter.dialogs.append([](QDialog &dialog) {
        auto *create = dialog.findChild<QCheckBox *>(QStringLiteral("createNodes"));
        auto *type = dialog.findChild<QLineEdit *>(QStringLiteral("nodeType"));
        if (!create || !type || type->isEnabled())
            return int(QDialog::Rejected);
        create->setChecked(true);
        return type->isEnabled() ? int(QDialog::Accepted) : int(QDialog::Rejected);
    });
    prompter.dialogs.append([this, &window](QDialog &) {
        if (auto *progress = window.findChild<ComponentUtils::ComponentProgressDialog *>())
            m_progressStatus = progress->status();
        return int(QDialog::Accepted);
    });
    QVERIFY(QMetaObject::invokeMethod(&window, "openComponentAsToCidr"));
}

void TstComponentsWindow::runOnATab()
{
    ScriptedPrompter prompter;
    MainWindow window(&prompter);
    Tab *tab = window.currentTab();
    tab->document->edit(QString(), [&](Graph &graph) { graph.insertNode(asNode("as", "Synapse", "as7511", QPointF(10, 10))); });
    tab->document->edit(QString(), [&](Graph &graph) { graph.insertNode(makeNode("other", "Other", QPointF(200, 40))); });
    window.refreshTab(tab);
    select(tab, {"as", "other"});

    runCidr(window, prompter);

    QCOMPARE(prompter.count("dialog"), 2);
    QCOMPARE(prompter.calls.at(0).title, QStringLiteral("CIDR depuis un AS"));
    QCOMPARE(prompter.calls.at(1).title, QStringLiteral("Confirmation – Synapse"));
    QCOMPARE(m_progressStatus, QStringLiteral("Interrogation CIDR 1/1 — AS7511"));
    QCOMPARE(window.statusBar()->currentMessage(), QStringLiteral("Recherche de CIDR terminée"));
    // The progress window is gone with the run.
    QVERIFY(!window.findChild<ComponentUtils::ComponentProgressDialog *>());

    QCOMPARE(tab->graph().nodes().size(), 4);
    QCOMPARE(tab->graph().edges().size(), 2);
    QStringList labels;
    for (NodeItem *item : tab->scene->nodeItems())
        labels.append(item->node().label);
    labels.sort();
    QCOMPARE(labels, (QStringList{"103.53.120.0/22", "110.92.32.0/19", "Other", "Synapse"}));
    QStringList rows;
    for (NodeItem *item : tab->scene->nodeItems()) {
        if (item->id() == u"as") {
            for (const AttributeRow &row : item->node().attributes)
                rows.append(row.key + QLatin1Char('=') + row.value);
        }
    }
    QCOMPARE(rows, (QStringList{"asn=as7511", "cidr=103.53.120.0/22", "cidr=110.92.32.0/19"}));
}

void TstComponentsWindow::oneUndoRestoresTheTables()
{
    ScriptedPrompter prompter;
    MainWindow window(&prompter);
    if (!undoAction(window))
        QSKIP("the window has no undo command yet");
    Tab *tab = window.currentTab();
    tab->document->edit(QString(), [&](Graph &graph) { graph.insertNode(asNode("as", "Synapse", "AS7511", QPointF(10, 10))); });
    tab->document->edit(QString(), [&](Graph &graph) { graph.insertNode(makeNode("other", "Other", QPointF(200, 40))); });
    window.refreshTab(tab);
    const Graph::NodeTable nodes = tab->graph().nodes();
    const Graph::EdgeTable edges = tab->graph().edges();
    select(tab, {"as"});
    runCidr(window, prompter);
    QCOMPARE(tab->graph().nodes().size(), 4);
    undoAction(window)->trigger();
    QCOMPARE(tab->graph().nodes(), nodes);
    QCOMPARE(tab->graph().edges(), edges);
    QCOMPARE(tab->scene->nodeItems().size(), 2);
}

void TstComponentsWindow::noSelectionOpensNothing()
{
    ScriptedPrompter prompter;
    MainWindow window(&prompter);
    Tab *tab = window.currentTab();
    tab->document->edit(QString(), [&](Graph &graph) { graph.insertNode(asNode("as", "Synapse", "AS7511", QPointF(10, 10))); });
    window.refreshTab(tab);
    QVERIFY(QMetaObject::invokeMethod(&window, "openComponentDnsResolution"));
    QCOMPARE(window.statusBar()->currentMessage(), QStringLiteral("Aucun nœud sélectionné"));
    QVERIFY(prompter.calls.isEmpty());
}

void TstComponentsWindow::noMatchingNodeStillReports()
{
    ScriptedPrompter prompter;
    MainWindow window(&prompter);
    Tab *tab = window.currentTab();
    tab->document->edit(QString(), [&](Graph &graph) { graph.insertNode(asNode("as", "Synapse", "AS7511", QPointF(10, 10))); });
    window.refreshTab(tab);
    select(tab, {"as"});
    prompter.dialogs.append([](QDialog &) { return int(QDialog::Accepted); });
    QVERIFY(QMetaObject::invokeMethod(&window, "openComponentCidrToAs"));
    QCOMPARE(prompter.count("dialog"), 1);
    QVERIFY(m_service->requests.isEmpty());
    QCOMPARE(window.statusBar()->currentMessage(), QStringLiteral("Recherche d'AS terminée"));
    QCOMPARE(tab->graph().nodes().size(), 1);
}

void TstComponentsWindow::menuFollowsTheSelection()
{
    ScriptedPrompter prompter;
    MainWindow window(&prompter);
    Tab *tab = window.currentTab();
    tab->document->edit(QString(), [&](Graph &graph) { graph.insertNode(asNode("as", "Synapse", "AS7511", QPointF(10, 10))); });
    window.refreshTab(tab);
    QMenu *menu = window.menu(QStringLiteral("menuEnrichment"));
    QVERIFY(menu);
    QStringList entries;
    QList<QAction *> actions;
    // The enrichment families; the assistant has its own submenu there too.
    for (QAction *family : menu->actions()) {
        if (!family->menu() || family->menu()->objectName() == u"menuAi")
            continue;
        for (QAction *entry : family->menu()->actions()) {
            entries.append(family->text() + QStringLiteral(" / ") + entry->text());
            actions.append(entry);
        }
    }
    QCOMPARE(entries.size(), int(Components::all().size()));
    QCOMPARE(entries.first(), QStringLiteral("BGP et AS / CIDR depuis un AS…"));
    QVERIFY(entries.contains(QStringLiteral("DNS et géolocalisation / Géolocalisation IP…")));
    QVERIFY(entries.contains(QStringLiteral("VirusTotal / VirusTotal — Télécharger le sample…")));
    for (QAction *action : actions)
        QVERIFY(!action->isEnabled());
    // The map preview shows the whole tab: it needs no selection.
    QAction *preview = window.action(QStringLiteral("actionOpenComponentOpenStreetMap"));
    QVERIFY(menu->actions().contains(preview));
    QVERIFY(preview->isEnabled());
    select(tab, {"as"});
    for (QAction *action : actions)
        QVERIFY(action->isEnabled());
}

void TstComponentsWindow::optionsDialogs_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("title");
    QTest::addColumn<int>("timeoutMax"); // -1: no time-out field
    QTest::addColumn<bool>("creation");  // fields behind the "create nodes" check box
    QTest::addColumn<bool>("colour");
    for (const Component *component : Components::all()) {
        const ComponentInfo info = component->info();
        QTest::newRow(qPrintable(info.name)) << info.name << info.form.title
                                             << (info.form.hasTimeout ? info.form.timeoutMax : -1)
                                             << !info.form.createNodesText.isEmpty()
                                             << !info.form.colourButtonText.isEmpty();
    }
}

void TstComponentsWindow::optionsDialogs()
{
    QFETCH(QString, name);
    QFETCH(QString, title);
    QFETCH(int, timeoutMax);
    QFETCH(bool, creation);
    QFETCH(bool, colour);
    const Component *component = Components::find(name);
    ScriptedPrompter prompter;
    ComponentOptionsDialog dialog(component->info(), component->defaultOptions(), prompter);
    QCOMPARE(dialog.windowTitle(), title);
    auto *timeout = dialog.findChild<QSpinBox *>(QStringLiteral("timeout"));
    QCOMPARE(timeout ? timeout->maximum() : -1, timeoutMax);
    const ComponentOptions defaults = component->defaultOptions();
    const ComponentOptions read = dialog.options();
    QCOMPARE(read.provider, defaults.provider);
    QCOMPARE(read.timeoutMs, defaults.timeoutMs);
    QCOMPARE(read.createNodes, false);
    auto *button = dialog.findChild<QPushButton *>(QStringLiteral("colour"));
    QCOMPARE(button != nullptr, colour);
    if (creation) {
        QVERIFY(!button->isEnabled());
        dialog.findChild<QCheckBox *>(QStringLiteral("createNodes"))->setChecked(true);
        QVERIFY(dialog.options().createNodes);
    }
    if (colour) {
        QVERIFY(button->isEnabled());
        prompter.answers.append(QColor(QStringLiteral("#123456")));
        button->click();
        QCOMPARE(button->styleSheet(), QStringLiteral("background-color: #123456"));
        QCOMPARE(dialog.options().nodeColor, QColor(QStringLiteral("#123456")));
        QCOMPARE(dialog.options().nodeType, defaults.nodeType);
    }
    auto *provider = dialog.findChild<QLineEdit *>(QStringLiteral("provider"));
    if (provider) {
        QPushButton *ok =
            dialog.findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok);
        QVERIFY(ok->isEnabled());
        provider->setText(QStringLiteral("http://127.0.0.1/fixed"));
        // A base address takes the paths itself; a template needs its "%1", which a grouped
        // template is told about on OK instead.
        const ComponentForm form = component->info().form;
        QCOMPARE(ok->isEnabled(), !form.providerTemplate || !form.providerGroup.isEmpty());
    }
}

void TstComponentsWindow::progressText()
{
    ComponentUtils::ComponentProgressDialog dialog(QStringLiteral("Test"), true, true);
    QCOMPARE(dialog.status(), QStringLiteral("Initialisation…"));
    dialog.setProgress(2, 5, QString(), QStringLiteral("AS1"));
    QCOMPARE(dialog.status(), QStringLiteral("Traitement… 2/5 — AS1"));
    dialog.setProgress(1, 0, QStringLiteral("Résolution"), QString());
    QCOMPARE(dialog.status(), QStringLiteral("Résolution"));
    dialog.appendLog(QStringLiteral("[OK] a"));
    dialog.appendLog(QStringLiteral("[INFO] b"));
    QCOMPARE(dialog.logText(), QStringLiteral("[OK] a\n[INFO] b"));
    QVERIFY(!dialog.isCancelled());
    QTest::keyClick(&dialog, Qt::Key_Escape);
    QVERIFY(dialog.isCancelled());
    QCOMPARE(dialog.status(), QStringLiteral("Annulation demandée…"));
}

void TstComponentsWindow::mapPreview()
{
    m_service->setFallback({200, pngBytes(QColor(10, 200, 30)), false, "image/png"});
    AppConfig::setCurrent(QJsonObject{{QStringLiteral("endpoints"),
                                       QJsonObject{{QStringLiteral("OpenStreetMap"), m_service->base()}}}});

    ScriptedPrompter prompter;
    MainWindow window(&prompter);
    Tab *tab = window.currentTab();
    Node paris = makeNode("p", "Paris", QPointF(10, 10));
    paris.geoLat = 48.8566;
    paris.geoLon = 2.3522;
    tab->document->edit(QString(), [&](Graph &graph) { graph.insertNode(paris); });
    Node pinned = paris;
    pinned.id = QStringLiteral("q");
    pinned.anchored = true;
    tab->document->edit(QString(), [&](Graph &graph) { graph.insertNode(pinned); });
    tab->document->edit(QString(), [&](Graph &graph) { graph.insertNode(makeNode("n", "Nowhere", QPointF(40, 10))); });
    window.refreshTab(tab);
    const Graph::NodeTable before = tab->graph().nodes();

    double openedOn = 0;
    prompter.dialogs.append([&openedOn](QDialog &dialog) {
        openedOn = dialog.findChild<QDoubleSpinBox *>(QStringLiteral("lat"))->value();
        dialog.findChild<QSpinBox *>(QStringLiteral("width"))->setValue(3);
        dialog.findChild<QSpinBox *>(QStringLiteral("height"))->setValue(2);
        dialog.findChild<QCheckBox *>(QStringLiteral("desaturate"))->setChecked(true);
        return int(QDialog::Accepted);
    });
    QVERIFY(QMetaObject::invokeMethod(&window, "openComponentOpenStreetMap"));
    QCOMPARE(openedOn, 48.8566); // centred on the geolocated nodes
    QCOMPARE(window.statusBar()->currentMessage(),
             QStringLiteral("Prévisualisation OpenStreetMap ouverte (temporaire)"));
    QCOMPARE(m_service->requests.size(), 6);
    auto *preview = window.findChild<QDialog *>(QStringLiteral("openStreetMapPreview"));
    QVERIFY(preview);
    QCOMPARE(preview->windowTitle(), QStringLiteral("OpenStreetMap — aperçu"));
    QGraphicsScene *scene = preview->findChild<QGraphicsView *>()->scene();
    int tiles = 0;
    QStringList pins;
    for (QGraphicsItem *item : scene->items()) {
        if (auto *pixmap = qgraphicsitem_cast<QGraphicsPixmapItem *>(item)) {
            ++tiles;
            const QRgb pixel = pixmap->pixmap().toImage().pixel(5, 5);
            QCOMPARE(qRed(pixel), qGreen(pixel)); // desaturated
        }
        if (item->type() == MapMarkerItem::Type)
            pins.append(static_cast<MapMarkerItem *>(item)->label());
    }
    QCOMPARE(tiles, 6);
    QCOMPARE(pins, QStringList{"Paris"});
    QCOMPARE(tab->graph().nodes(), before);
    preview->close();
}

void TstComponentsWindow::evmDialogFields_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("label");
    QTest::addColumn<int>("chain");
    QTest::addColumn<QString>("relationType");
    QTest::addColumn<QStringList>("templates"); // label, then the field's text, for each
    const QString api = QStringLiteral("https://api.etherscan.io/v2/api?chainid=%C&module=account");
    QTest::newRow("transactions")
        << "eth-to-tx" << "%AMOUNT %SYMBOL" << 1 << "Txn ETH"
        << QStringList{"Provider TX",
                       api + "&action=txlist&address=%1&sort=desc&page=1&offset=%3&apikey=%2",
                       "Provider Balance", api + "&action=balance&address=%1&tag=latest&apikey=%2",
                       QStringLiteral("Provider Pré-compte"),
                       api + "&action=txlist&address=%1&sort=desc&page=1&offset=%4&apikey=%2"};
    QTest::newRow("funding")
        << "eth-funded-by" << "financ" << 56 << "FINANCEMENT BNB"
        << QStringList{"Provider TX (asc)",
                       api + "&action=txlist&address=%1&sort=asc&page=1&offset=%4&apikey=%2"};
}

void TstComponentsWindow::evmDialogFields()
{
    QFETCH(QString, name);
    QFETCH(QString, label);
    QFETCH(int, chain);
    QFETCH(QString, relationType);
    QFETCH(QStringList, templates);
    AppConfig::setCurrent(QJsonObject{});
    const Component *component = Components::find(name);
    ScriptedPrompter prompter;
    ComponentOptionsDialog dialog(component->info(), component->defaultOptions(), prompter);
    auto *group = dialog.findChild<QGroupBox *>(QStringLiteral("providerGroup"));
    QVERIFY(group);
    QCOMPARE(group->title(), QStringLiteral("Providers & API"));
    auto *groupLayout = qobject_cast<QFormLayout *>(group->layout());
    QStringList shown;
    QList<QLineEdit *> templateFields;
    for (int row = 0; row < groupLayout->rowCount(); ++row) {
        auto *label = qobject_cast<QLabel *>(
            groupLayout->itemAt(row, QFormLayout::LabelRole)->widget());
        auto *field = qobject_cast<QLineEdit *>(
            groupLayout->itemAt(row, QFormLayout::FieldRole)->widget());
        if (label && field && label->text().startsWith(QLatin1String("Provider"))) {
            shown << label->text() << field->text();
            templateFields.append(field);
        }
    }
    QCOMPARE(shown, templates);
    auto *nodeType = dialog.findChild<QLineEdit *>(QStringLiteral("nodeType"));
    auto *relationLabel = dialog.findChild<QLineEdit *>(QStringLiteral("relationLabel"));
    auto *type = dialog.findChild<QLineEdit *>(QStringLiteral("relationType"));
    QVERIFY(nodeType && relationLabel && type);
    QCOMPARE(relationLabel->text(), label);
    auto *chains = dialog.findChild<QComboBox *>(QStringLiteral("chain"));
    chains->setCurrentIndex(chains->findData(chain));
    const QString symbol = EvmChains::byId(chain).symbol;
    QCOMPARE(nodeType->text(), QStringLiteral("ADRESSE ") + symbol);
    QCOMPARE(type->text(), relationType);

    nodeType->setText(QStringLiteral("Portefeuille"));
    relationLabel->setText(QStringLiteral("%AMOUNT • %TXHASH_SHORT"));
    const QStringList typed = {"http://127.0.0.1:9/tx/%1?k=%2&n=%3", "http://127.0.0.1:9/b/%2/%1",
                               "http://127.0.0.1:9/p/%1?o=%4"};
    for (int i = 0; i < templateFields.size(); ++i)
        templateFields.at(i)->setText(QLatin1Char(' ') + typed.at(i));
    prompter.answers.append(QColor(QStringLiteral("#010203")));
    dialog.findChild<QPushButton *>(QStringLiteral("colour"))->click();
    const ComponentOptions options = dialog.options();
    QCOMPARE(options.chainId, chain);
    QCOMPARE(options.nodeType, QStringLiteral("Portefeuille"));
    QCOMPARE(options.relationLabel, QStringLiteral("%AMOUNT • %TXHASH_SHORT"));
    QCOMPARE(options.relationType, relationType);
    QCOMPARE(options.nodeColor, QColor(QStringLiteral("#010203")));
    const QStringList requests = {options.provider, options.balanceRequest,
                                  options.preCountRequest};
    QCOMPARE(requests.mid(0, templateFields.size()), typed.mid(0, templateFields.size()));

    // Without a key the dialog warns and stays open; with one it closes.
    QPushButton *ok = dialog.findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok);
    ok->click();
    QCOMPARE(prompter.last(QStringLiteral("message")).title, QStringLiteral("API key manquante"));
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
    dialog.findChild<QLineEdit *>(QStringLiteral("apiKey"))->setText(QStringLiteral("k"));
    // A template that has lost its address slot keeps the dialog open, naming the field.
    QLineEdit *last = templateFields.last();
    last->setText(QStringLiteral("http://127.0.0.1:9/sans-adresse?k=%2"));
    ok->click();
    QCOMPARE(prompter.last(QStringLiteral("message")).title,
             QStringLiteral("Modèle de requête invalide"));
    QCOMPARE(prompter.last(QStringLiteral("message")).text,
             QStringLiteral("Le champ « ") + templates.at(templates.size() - 2)
                 + QStringLiteral(" » doit contenir %1 à la place de l’adresse."));
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
    last->setText(typed.at(templateFields.size() - 1));
    ok->click();
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
}

void TstComponentsWindow::breachDialogFields()
{
    AppConfig::setCurrent(QJsonObject{});
    const Component *component = Components::find(QStringLiteral("email-breaches-hibp"));
    ScriptedPrompter prompter;
    ComponentOptionsDialog dialog(component->info(), component->defaultOptions(), prompter);
    QVERIFY(!dialog.findChild<QSpinBox *>(QStringLiteral("timeout")));
    QCOMPARE(dialog.findChild<QLineEdit *>(QStringLiteral("userAgent"))->text(),
             QStringLiteral("Orvane-HIBP/1.0 (+Qt)"));
    dialog.findChild<QCheckBox *>(QStringLiteral("includeUnverified"))->setChecked(true);
    dialog.findChild<QCheckBox *>(QStringLiteral("truncate"))->setChecked(true);
    dialog.findChild<QLineEdit *>(QStringLiteral("userAgent"))->setText(QStringLiteral(" Enquête/2 "));
    const ComponentOptions options = dialog.options();
    QVERIFY(options.includeUnverified);
    QVERIFY(options.truncate);
    QCOMPARE(options.userAgent, QStringLiteral("Enquête/2"));
    QCOMPARE(options.timeoutMs, 20000);

    QPushButton *ok = dialog.findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok);
    ok->click();
    QCOMPARE(prompter.last(QStringLiteral("message")).text,
             QStringLiteral("Merci de renseigner votre clé HaveIBeenPwned."));
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
    dialog.findChild<QLineEdit *>(QStringLiteral("apiKey"))->setText(QStringLiteral("k"));
    ok->click();
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
}

void TstComponentsWindow::newMembersUndoInOneStep_data()
{
    const QString wallet = QStringLiteral("0xabcdef0123456789abcdef0123456789abcdef01");
    const QString sol = QStringLiteral("7dEmoWa11etAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA");
    const QString first = QStringLiteral("2") + QString(87, QLatin1Char('a'));
    QTest::addColumn<QString>("slot");
    QTest::addColumn<QStringList>("node"); // label, type, then key and value
    QTest::addColumn<QString>("service");
    QTest::addColumn<QStringList>("routes"); // target, body, ...
    QTest::newRow("funding")
        << "openComponentEthFundedBy" << QStringList{wallet, "ADRESSE ETH"} << "Etherscan"
        << QStringList{"/v2/api",
                       "{\"status\":\"1\",\"result\":[{\"from\":\"0x2222222222222222222222222222222222222222\","
                       "\"to\":\"" + wallet + "\",\"value\":\"1\",\"hash\":\"0x01\"}]}"};
    QTest::newRow("solana")
        << "openComponentSolToTx" << QStringList{sol, "ADRESSE SOLANA"} << "Solscan"
        << QStringList{"/v2.0/account/transactions", "{\"success\":true,\"data\":[{\"tx_hash\":\"" + first + "\"}]}",
                       "/v2.0/account/detail", "{\"success\":true,\"data\":{\"lamports\":5}}",
                       "/v2.0/transaction/detail",
                       "{\"success\":true,\"data\":{\"fee\":5000,\"sol_bal_change\":[{\"address\":\"" + sol
                           + "\",\"pre_balance\":\"90000\",\"post_balance\":\"45000\"},{\"address\":"
                             "\"9xRecipientBBBBBBBBBBBBBBBBBBBBBBBBBBBBBBBBB\",\"pre_balance\":\"0\","
                             "\"post_balance\":\"40000\"}]}}"};
    QTest::newRow("breaches")
        << "openComponentEmailBreachesHIBP"
        << QStringList{"Alice", "PERSONNE", "email", "alice@example.org"} << "HaveIBeenPwned"
        << QStringList{"/api/v3/breachedaccount/alice%40example.org",
                       "[{\"Name\":\"Adobe\",\"Title\":\"Adobe\",\"IsVerified\":true}]"};
}

void TstComponentsWindow::newMembersUndoInOneStep()
{
    QFETCH(QString, slot);
    QFETCH(QStringList, node);
    QFETCH(QString, service);
    QFETCH(QStringList, routes);
    for (int i = 0; i + 1 < routes.size(); i += 2)
        m_service->route(routes.at(i), routes.at(i + 1).toUtf8());
    AppConfig::setCurrent(QJsonObject{
        {QStringLiteral("endpoints"), QJsonObject{{service, m_service->base()}}},
        {QStringLiteral("api_keys"), QJsonObject{{service, QStringLiteral("KEY")}}}});
    ScriptedPrompter prompter;
    MainWindow window(&prompter);
    QAction *undo = undoAction(window);
    QVERIFY(undo);
    Tab *tab = window.currentTab();
    Node source = makeNode(QStringLiteral("n"), node.at(0), QPointF(10, 10));
    source.type = node.at(1);
    for (int i = 2; i + 1 < node.size(); i += 2)
        source.attributes.append({QStringLiteral("r%1").arg(i), node.at(i), node.at(i + 1)});
    tab->document->edit(QString(), [&](Graph &graph) { graph.insertNode(source); });
    tab->document->edit(QString(), [&](Graph &graph) { graph.insertNode(makeNode("other", "Other", QPointF(200, 40))); });
    window.refreshTab(tab);
    const Graph::NodeTable nodes = tab->graph().nodes();
    const Graph::EdgeTable edges = tab->graph().edges();
    select(tab, {"n"});
    for (int i = 0; i < 3; ++i)
        prompter.dialogs.append([](QDialog &) { return int(QDialog::Accepted); });
    QVERIFY(QMetaObject::invokeMethod(&window, qPrintable(slot)));
    QCOMPARE(window.statusBar()->currentMessage(), QStringLiteral("Recherche de transactions terminée"));
    QCOMPARE(tab->graph().nodes().size(), nodes.size() + 1);
    QCOMPARE(tab->graph().edges().size(), edges.size() + 1);
    QCOMPARE(tab->scene->nodeItems().size(), nodes.size() + 1);
    undo->trigger();
    QCOMPARE(tab->graph().nodes(), nodes);
    QCOMPARE(tab->graph().edges(), edges);
    QCOMPARE(tab->scene->nodeItems().size(), nodes.size());
}

QTEST_MAIN(TstComponentsWindow)
#include "tst_components_window.moc"
