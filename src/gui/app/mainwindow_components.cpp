#include "app/mainwindow.h"

#include "app/prompter.h"
#include "app/tab.h"
#include "canvas/graphscene.h"
#include "components/component.h"
#include "components/componentopenstreetmap.h"
#include "components/componentprogressdialog.h"
#include "components/windowcomponenthost.h"

#include <QAction>
#include <QMenu>
#include <QStatusBar>

namespace {

struct ComponentSlot
{
    const char *name;
    void (MainWindow::*slot)();
};

// Menu order: the registry's, family after family.
const ComponentSlot componentSlots[] = {
    {"as-to-cidr", &MainWindow::openComponentAsToCidr},
    {"as-to-peers", &MainWindow::openComponentAsToPeers},
    {"as-to-upstreams", &MainWindow::openComponentAsToUpstreams},
    {"as-to-downstreams", &MainWindow::openComponentAsToDownstreams},
    {"cidr-to-as", &MainWindow::openComponentCidrToAs},
    {"ip-to-as", &MainWindow::openComponentIpToAs},
    {"dns-resolution", &MainWindow::openComponentDnsResolution},
    {"ip-geolocalisation", &MainWindow::openComponentIpGeolocalisation},
    {"ip-virustotal", &MainWindow::openComponentIpVirusTotal},
    {"domain-virustotal", &MainWindow::openComponentDomainVirusTotal},
    {"url-virustotal", &MainWindow::openComponentUrlVirusTotal},
    {"file-virustotal", &MainWindow::openComponentFileVirusTotal},
    {"file-virustotal-download", &MainWindow::openComponentFileVirusTotalDownload},
    {"eth-to-tx", &MainWindow::openComponentEthToTx},
    {"eth-funded-by", &MainWindow::openComponentEthFundedBy},
    {"sol-to-tx", &MainWindow::openComponentSolToTx},
    {"email-breaches-hibp", &MainWindow::openComponentEmailBreachesHIBP},
    {"ransomware-live-description-moa", &MainWindow::openComponentRansomwareLiveDescriptionMoa},
};

QString actionName(const QString &slot)
{
    return QStringLiteral("action") + slot.at(0).toUpper() + slot.mid(1);
}

} // namespace

void MainWindow::buildComponentMenu(QMenu *tools)
{
    tools->addSeparator();
    QMenu *enrichment = tools->addMenu(QStringLiteral("Composants"));
    enrichment->setObjectName(QStringLiteral("menuEnrichment"));
    QMenu *family = nullptr;
    for (const ComponentSlot &entry : componentSlots) {
        const Component *component = Components::find(QLatin1String(entry.name));
        const ComponentInfo info = component->info();
        if (!family || family->title() != info.family)
            family = enrichment->addMenu(info.family);
        addMenuAction(family, actionName(info.slot), info.form.title + QStringLiteral("…"),
                      entry.slot)
            ->setEnabled(false);
    }
    enrichment->addSeparator();
    addMenuAction(enrichment, QStringLiteral("actionOpenComponentOpenStreetMap"),
                  QStringLiteral("Aperçu OpenStreetMap…"), &MainWindow::openComponentOpenStreetMap);
    connect(enrichment, &QMenu::aboutToShow, this, &MainWindow::updateComponentActions);
}

void MainWindow::updateComponentActions()
{
    const bool selected = ComponentUtils::hasSelectedNode(currentScene());
    for (const ComponentSlot &entry : componentSlots) {
        const Component *component = Components::find(QLatin1String(entry.name));
        if (QAction *a = action(actionName(component->info().slot)))
            a->setEnabled(selected);
    }
}

void MainWindow::runComponent(const QString &name)
{
    Tab *tab = currentTab();
    const Component *component = Components::find(name);
    if (!tab || !component)
        return;
    const QStringList ids = ComponentUtils::selectedNodeIds(tab->scene);
    if (ids.isEmpty()) {
        statusBar()->showMessage(QStringLiteral("Aucun nœud sélectionné"), 3000);
        return;
    }
    const ComponentInfo info = component->info();
    Components::RunResult result;
    {
        WindowComponentHost host(*m_prompter, this);
        result = Components::run(*component, tab->graph(), ids, host);
    }
    // The tab may have been closed while the run waited for a service.
    if (indexOfTab(tab) >= 0 && !result.changes.isEmpty()) {
        const GraphChanges changes = result.changes;
        editTab(tab, QStringLiteral("Composant : %1").arg(info.form.title),
                [changes](Graph &graph) { changes.applyTo(graph); });
    }
    statusBar()->showMessage(info.completion, 3000);
}

void MainWindow::openComponentAsToCidr()
{
    runComponent(QStringLiteral("as-to-cidr"));
}

void MainWindow::openComponentAsToPeers()
{
    runComponent(QStringLiteral("as-to-peers"));
}

void MainWindow::openComponentAsToUpstreams()
{
    runComponent(QStringLiteral("as-to-upstreams"));
}

void MainWindow::openComponentAsToDownstreams()
{
    runComponent(QStringLiteral("as-to-downstreams"));
}

void MainWindow::openComponentCidrToAs()
{
    runComponent(QStringLiteral("cidr-to-as"));
}

void MainWindow::openComponentIpToAs()
{
    runComponent(QStringLiteral("ip-to-as"));
}

void MainWindow::openComponentDnsResolution()
{
    runComponent(QStringLiteral("dns-resolution"));
}

void MainWindow::openComponentIpGeolocalisation()
{
    runComponent(QStringLiteral("ip-geolocalisation"));
}

void MainWindow::openComponentIpVirusTotal()
{
    runComponent(QStringLiteral("ip-virustotal"));
}

void MainWindow::openComponentDomainVirusTotal()
{
    runComponent(QStringLiteral("domain-virustotal"));
}

void MainWindow::openComponentUrlVirusTotal()
{
    runComponent(QStringLiteral("url-virustotal"));
}

void MainWindow::openComponentFileVirusTotal()
{
    runComponent(QStringLiteral("file-virustotal"));
}

void MainWindow::openComponentFileVirusTotalDownload()
{
    runComponent(QStringLiteral("file-virustotal-download"));
}

void MainWindow::openComponentEthToTx()
{
    runComponent(QStringLiteral("eth-to-tx"));
}

void MainWindow::openComponentEthFundedBy()
{
    runComponent(QStringLiteral("eth-funded-by"));
}

void MainWindow::openComponentSolToTx()
{
    runComponent(QStringLiteral("sol-to-tx"));
}

void MainWindow::openComponentEmailBreachesHIBP()
{
    runComponent(QStringLiteral("email-breaches-hibp"));
}

void MainWindow::openComponentRansomwareLiveDescriptionMoa()
{
    runComponent(QStringLiteral("ransomware-live-description-moa"));
}

void MainWindow::openComponentOpenStreetMap()
{
    Tab *tab = currentTab();
    if (!tab)
        return;
    ComponentOpenStreetMap component(this, tab, *m_prompter);
    component.run();
    statusBar()->showMessage(QStringLiteral("Prévisualisation OpenStreetMap ouverte (temporaire)"),
                             3000);
}
