#include "app/mainwindow.h"

#include "app/prompter.h"
#include "app/tab.h"
#include "components/scriptcomponents.h"
#include "components/scriptresults.h"
#include "config/appconfig.h"
#include "dialogs/scriptrundialog.h"
#include "storage/projectfiles.h"

#include <QDebug>
#include <QMenu>
#include <QPointer>

namespace {

const QString &componentTitle()
{
    static const QString title = QStringLiteral("Composant");
    return title;
}

} // namespace

void MainWindow::buildScriptComponentsMenu(QMenu *tools)
{
    tools->addSeparator();
    QMenu *menu = tools->addMenu(QStringLiteral("Composants Python/Powershell"));
    menu->setObjectName(QStringLiteral("menuScriptComponents"));
    menu->clear();
    const QString folder = AppConfig::componentsDir();
    qDebug().noquote() << "componentsDir =" << folder;
    const ScriptComponents::Scan scan = ScriptComponents::scan(folder);
    if (scan.state != ScriptComponents::Scan::State::Found) {
        menu->addAction(scan.emptyText())->setEnabled(false);
        return;
    }
    for (const ScriptComponents::Category &category : scan.categories) {
        QMenu *sub = menu->addMenu(category.name);
        if (category.components.isEmpty())
            sub->addAction(ScriptComponents::emptyCategoryText())->setEnabled(false);
        for (const ScriptComponents::Descriptor &component : category.components) {
            QAction *entry = sub->addAction(component.name);
            if (!component.description.isEmpty())
                entry->setToolTip(component.description);
            connect(entry, &QAction::triggered, this,
                    [this, component] { runScriptComponent(component); });
        }
    }
}

void MainWindow::runScriptComponent(const ScriptComponents::Descriptor &component)
{
    Tab *tab = currentTab();
    if (!tab) {
        m_prompter->warning(this, componentTitle(), QStringLiteral("Aucun projet ouvert."));
        return;
    }
    if (tab->dbPath().isEmpty()) {
        m_prompter->warning(this, componentTitle(),
                            QStringLiteral("Le projet courant n'a pas de base associée.\n"
                                           "Enregistre le projet avant d'exécuter un composant."));
        return;
    }
    QStringList nodeIds = selectedNodeIds();
    QStringList edgeIds = selectedEdgeIds();
    if (nodeIds.isEmpty() && edgeIds.isEmpty()) {
        m_prompter->information(this, componentTitle(), ScriptComponents::nothingSelectedText());
        return;
    }
    nodeIds.sort();
    edgeIds.sort();
    const QString dbPath = tab->dbPath();
    ScriptComponents::Invocation invocation;
    QString error;
    if (!ScriptComponents::prepare(component, dbPath, nodeIds, edgeIds, &invocation, &error)) {
        m_prompter->warning(this, componentTitle(), error);
        return;
    }
    // The script works on the file: unsaved changes would be invisible to it.
    if (tab->document->isModified()) {
        const int answer = m_prompter->choice(
            this, componentTitle(),
            QStringLiteral("« %1 » contient des modifications non enregistrées.\n"
                           "Le composant lit et écrit le fichier du projet : "
                           "enregistrer avant de l'exécuter ?")
                .arg(tab->title),
            {QStringLiteral("Enregistrer")});
        if (answer != 0 || !saveTab(tab))
            return;
    }
    // What the file holds before the run: afterwards only what the script changed is brought
    // into the tab, whatever the analyst edited meanwhile.
    Graph before;
    SceneRecords beforeScene;
    if (!ProjectFiles::load(dbPath, before, beforeScene, &error)) {
        m_prompter->warning(this, componentTitle(), error);
        return;
    }

    auto *dialog = new ScriptRunDialog(component, invocation, this);
    QPointer<GraphDocument> document = tab->document.get();
    const QString undoText = QStringLiteral("Composant : %1").arg(component.name);
    connect(dialog, &ScriptRunDialog::ended, this,
            [this, dialog, document, before, dbPath, undoText](int exitCode,
                                                               QProcess::ExitStatus status) {
                if (status != QProcess::NormalExit || exitCode != 0) {
                    dialog->appendStatus(QStringLiteral("Aucun résultat chargé : le composant "
                                                        "n'a pas fini avec le code 0."));
                    return;
                }
                if (!document) {
                    dialog->appendStatus(
                        QStringLiteral("Onglet fermé : résultats non chargés."));
                    return;
                }
                ChangeSet changes;
                QString loadError;
                if (!ScriptResults::changesSince(before, dbPath, &changes, &loadError)) {
                    dialog->appendStatus(
                        QStringLiteral("Résultats non chargés : %1").arg(loadError));
                    return;
                }
                // A tab that matched the file still does once the script's changes are in.
                const bool matchedFile = !document->isModified();
                document->apply(undoText, changes);
                if (matchedFile)
                    document->markSaved();
                updateActionStates();
                dialog->appendStatus(QStringLiteral("Résultats chargés : %1 nœuds, %2 relations modifiés")
                                         .arg(changes.nodes.size())
                                         .arg(changes.edges.size()));
            });
    dialog->start();
    dialog->show();
}
