#include "app/mainwindow.h"

#include "app/prompter.h"
#include "app/tab.h"
#include "interchange/csvio.h"
#include "interchange/stixio.h"

#include <QStatusBar>

namespace {

const QString kCsvFilter = QStringLiteral("CSV (*.csv)");
const QString kStixFilter =
    QStringLiteral("Fichiers STIX JSON (*.json);;Tous les fichiers (*.*)");

} // namespace

void MainWindow::exportNodesCSV()
{
    Tab *tab = currentTab();
    if (!tab)
        return;
    const QString path = m_prompter->saveFileName(this, QStringLiteral("Exporter Nœuds CSV"),
                                                  QStringLiteral("nodes.csv"), kCsvFilter);
    if (path.isEmpty())
        return;
    QString error;
    if (!CsvIo::writeNodes(path, tab->graph(), &error)) {
        m_prompter->warning(this, QStringLiteral("Erreur d’export"), error);
        return;
    }
    statusBar()->showMessage(QStringLiteral("Nœuds exportés vers %1").arg(path), 3000);
}

void MainWindow::exportEdgesCSV()
{
    Tab *tab = currentTab();
    if (!tab)
        return;
    const QString path = m_prompter->saveFileName(this, QStringLiteral("Exporter Relations CSV"),
                                                  QStringLiteral("edges.csv"), kCsvFilter);
    if (path.isEmpty())
        return;
    QString error;
    if (!CsvIo::writeEdges(path, tab->graph(), &error)) {
        m_prompter->warning(this, QStringLiteral("Erreur d’export"), error);
        return;
    }
    statusBar()->showMessage(QStringLiteral("Relations exportées vers %1").arg(path), 3000);
}

void MainWindow::importNodes()
{
    Tab *tab = currentTab();
    if (!tab)
        return;
    const QString path = m_prompter->openFileName(this, QStringLiteral("Importer nodes.csv"),
                                                  QString(), kCsvFilter);
    if (path.isEmpty())
        return;
    QString error;
    int imported = 0;
    if (!tryEditTab(tab, QStringLiteral("Importer des nœuds CSV"), [&](Graph &graph) {
            return CsvIo::readNodes(path, graph, &error, &imported);
        })) {
        m_prompter->critical(this, QStringLiteral("Erreur"), error);
        return;
    }
    statusBar()->showMessage(QStringLiteral("Nœuds importés: %1 (total %2)")
                                 .arg(imported)
                                 .arg(tab->graph().nodes().size()),
                             3000);
}

void MainWindow::importEdges()
{
    Tab *tab = currentTab();
    if (!tab)
        return;
    const QString path = m_prompter->openFileName(this, QStringLiteral("Importer edges.csv"),
                                                  QString(), kCsvFilter);
    if (path.isEmpty())
        return;
    QString error;
    int imported = 0;
    if (!tryEditTab(tab, QStringLiteral("Importer des relations CSV"), [&](Graph &graph) {
            return CsvIo::readEdges(path, graph, &error, &imported);
        })) {
        m_prompter->critical(this, QStringLiteral("Erreur"), error);
        return;
    }
    statusBar()->showMessage(QStringLiteral("Relations importées: %1 (total %2)")
                                 .arg(imported)
                                 .arg(tab->graph().edges().size()),
                             3000);
}

void MainWindow::importStix()
{
    Tab *tab = currentTab();
    if (!tab)
        return;
    const QString path = m_prompter->openFileName(this, QStringLiteral("Importer STIX 2.1"),
                                                  QString(), kStixFilter);
    if (path.isEmpty())
        return;
    QString message;
    StixIo::ImportCounts counts;
    if (!tryEditTab(tab, QStringLiteral("Importer STIX 2.1"), [&](Graph &graph) {
            return StixIo::importBundle(path, graph, &message, &counts);
        })) {
        m_prompter->critical(this, QStringLiteral("Erreur"), message);
        return;
    }
    QString status =
        QStringLiteral("Import STIX : %1 nœuds, %2 relations ajoutés (total %3 nœuds, %4 relations)")
            .arg(counts.nodes)
            .arg(counts.edges)
            .arg(tab->graph().nodes().size())
            .arg(tab->graph().edges().size());
    const QString notes = StixIo::importNotes(counts);
    if (!notes.isEmpty())
        status += QStringLiteral(". ") + notes;
    statusBar()->showMessage(status, 6000);
}

void MainWindow::exportStix()
{
    Tab *tab = currentTab();
    if (!tab)
        return;
    const QString path = m_prompter->saveFileName(this, QStringLiteral("Exporter en STIX 2.1"),
                                                  QString(), kStixFilter);
    if (path.isEmpty())
        return;
    QString message;
    if (!StixIo::exportBundle(path, tab->graph(), &message)) {
        m_prompter->critical(this, QStringLiteral("Erreur export STIX"),
                             message.isEmpty() ? QStringLiteral("Échec de l'export STIX.")
                                               : message);
        return;
    }
    statusBar()->showMessage(message.isEmpty() ? QStringLiteral("Export STIX réussi.") : message,
                             3000);
}
