#include "app/mainwindow.h"

#include "app/prompter.h"
#include "app/tab.h"
#include "canvas/graphscene.h"
#include "ops/nodecommands.h"
#include "storage/projectfiles.h"
#include "ops/layouts.h"
#include "storage/projectfolder.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QStatusBar>
#include <QTabWidget>

namespace {

bool isTabEmpty(const Tab &tab)
{
    return tab.graph().isEmpty() && tab.sceneRecords().maps.isEmpty()
        && tab.sceneRecords().shapes.isEmpty() && tab.scene->items().isEmpty()
        && !tab.document->isModified();
}

} // namespace

bool MainWindow::maybeSaveTab(Tab *tab)
{
    if (!tab || !tab->document->isModified())
        return true;
    m_tabs->setCurrentIndex(indexOfTab(tab));
    const int answer = m_prompter->choice(
        this, QStringLiteral("Modifications non enregistrées"),
        QStringLiteral("« %1 » contient des modifications non enregistrées.\n"
                       "Voulez-vous les enregistrer ?")
            .arg(tab->title),
        {QStringLiteral("Enregistrer"), QStringLiteral("Ne pas enregistrer")});
    if (answer == 0)
        return saveTab(tab);
    return answer == 1;
}

bool MainWindow::maybeSaveAllTabs()
{
    for (int i = 0; i < tabCount(); ++i) {
        if (!maybeSaveTab(tabAt(i)))
            return false;
    }
    return true;
}

void MainWindow::updateTabTitle(Tab *tab)
{
    const int index = indexOfTab(tab);
    if (index < 0)
        return;
    m_tabs->setTabText(index, tab->document->isModified() ? tab->title + QStringLiteral(" *")
                                                          : tab->title);
    if (tab == currentTab())
        updateWindowTitle();
}

void MainWindow::setTabTitle(Tab *tab, const QString &title)
{
    tab->title = title;
    updateTabTitle(tab);
}

void MainWindow::newProject()
{
    if (!maybeSaveAllTabs())
        return;
    while (!m_tabList.empty())
        removeTab(int(m_tabList.size()) - 1);
    addNewTab();
    action(QStringLiteral("actionSave"))->setEnabled(false);
    statusBar()->showMessage(QStringLiteral("Nouveau workspace"), 3000);
}

bool MainWindow::loadIntoTab(Tab *tab, const QString &dbPath)
{
    QString error;
    ProjectFiles::Failure failure = ProjectFiles::Failure::None;
    Graph graph;
    SceneRecords sceneRecords;
    ProjectFiles::LoadInfo loaded;
    if (!ProjectFiles::load(dbPath, graph, sceneRecords, &error, &failure, &loaded)) {
        m_prompter->critical(this,
                             failure == ProjectFiles::Failure::Database
                                 ? QStringLiteral("Erreur BDD")
                                 : QStringLiteral("Erreur ouverture projet"),
                             error);
        return false;
    }
    const quint64 asStored = graph.revision();
    Layouts::placeFreshNodes(graph);
    const bool placed = graph.revision() != asStored;
    tab->scene->clearSelection();
    tab->scene->setDisplacedPositions({});
    tab->document->load(std::move(graph), std::move(sceneRecords), dbPath);
    // Positions given on the way in are not in the file: the next save writes every node.
    if (placed)
        tab->document->markFileDiverged();
    tab->generation = loaded.generation;
    resetTimeline(tab);
    refreshTab(tab);
    action(QStringLiteral("actionSave"))->setEnabled(true);
    action(QStringLiteral("actionReload"))->setEnabled(true);
    const int index = indexOfTab(tab);
    setTabTitle(tab, ProjectFolder::projectName(dbPath));
    statusBar()->showMessage(QStringLiteral("Projet chargé: %1").arg(dbPath), 3000);
    if (index == m_tabs->currentIndex()) {
        fitView();
        updateWindowTitle();
        focusCanvas();
    }
    if (!loaded.notice.isEmpty())
        m_prompter->information(this, QStringLiteral("Sauvegarde interrompue"), loaded.notice);
    return true;
}

void MainWindow::openProject()
{
    Tab *tab = currentTab();
    if (!tab)
        return;
    const QString path = m_prompter->openFileName(
        this, QStringLiteral("Ouvrir un projet"), QString(),
        QStringLiteral("Base ORVANE (*.orvane.db);;SQLite (*.db);;Toutes (*)"));
    if (path.isEmpty())
        return;
    if (isTabEmpty(*tab)) {
        loadIntoTab(tab, path);
        return;
    }
    const QString name = ProjectFolder::projectName(path);
    const int answer = m_prompter->choice(
        this, QStringLiteral("Ouvrir le projet"),
        QStringLiteral("Ouvrir « %1 » dans l’onglet courant ou dans un nouvel onglet ?").arg(name),
        {QStringLiteral("Ouvrir ici"), QStringLiteral("Nouvel onglet")});
    if (answer == 0) {
        if (maybeSaveTab(tab))
            loadIntoTab(tab, path);
    } else if (answer == 1) {
        const int index = createTab(name);
        if (!loadIntoTab(tabAt(index), path))
            removeTab(index);
        else
            m_tabs->setCurrentIndex(index);
    }
}

bool MainWindow::openPath(const QString &path)
{
    const QString dbPath = ProjectFiles::databaseForPath(path);
    if (!QFileInfo(dbPath).isFile()) {
        m_prompter->critical(this, QStringLiteral("Erreur BDD"),
                             QStringLiteral("Base introuvable:\n%1").arg(dbPath));
        return false;
    }
    Tab *tab = currentTab();
    if (tab && isTabEmpty(*tab))
        return loadIntoTab(tab, dbPath);
    const int index = createTab(ProjectFolder::projectName(dbPath));
    if (!loadIntoTab(tabAt(index), dbPath)) {
        removeTab(index);
        return false;
    }
    return true;
}

bool MainWindow::saveTabTo(Tab *tab, const QString &dbPath, bool wholeFile)
{
    // Outside files are copied only when the analyst chose them, or when "Save as" moves
    // the files of the project the tab came from.
    SaveOptions options;
    options.chosenFiles = m_prompter->chosenFiles();
    if (!tab->dbPath().isEmpty())
        options.trustedFolders.append(ProjectFiles::folderOf(tab->dbPath()));
    // Saving over the file the tab came from: only if nobody else wrote it meanwhile.
    const bool sameFile = tab->generation && dbPath == tab->dbPath();
    if (sameFile)
        options.expectedGeneration = tab->generation;
    QString error;
    qint64 generation = 0;
    SceneRecords sceneRecords = tab->sceneRecords();
    // A file that holds the tab's saved state only needs the rows changed since.
    const bool changedRowsOnly = !wholeFile && sameFile && tab->document->fileHoldsSavedState();
    // The save stores the copies of media files it made: the tables then point at them.
    Graph saved = tab->graph();
    QHash<QString, Node> copied;
    SaveResult result = SaveResult::Failed;
    bool sceneWritten = true;
    if (changedRowsOnly) {
        const SaveScope scope =
            SaveScope::of(tab->document->unsavedChanges(), tab->document->sceneModified());
        sceneWritten = scope.sceneChanged;
        result = ProjectFiles::saveChanges(dbPath, tab->graph(), scope, &sceneRecords, &error,
                                           options, &copied, &generation);
    } else {
        result = ProjectFiles::save(dbPath, saved, sceneRecords, &error, options, &generation);
    }
    if (result == SaveResult::ChangedOnDisk)
        return reloadAndReapply(tab) && saveTabTo(tab, dbPath, wholeFile);
    if (result != SaveResult::Saved) {
        m_prompter->warning(this, QStringLiteral("Sauvegarde"), error);
        return false;
    }
    if (changedRowsOnly)
        tab->document->adoptStoredRecords(copied.values());
    else
        adoptSavedPaths(tab, saved);
    tab->generation = generation;
    if (sceneWritten)
        tab->document->setSceneRecords(std::move(sceneRecords));
    tab->document->setFilePath(dbPath);
    if (changedRowsOnly)
        tab->document->markSaved();
    else
        tab->document->markWholeFileSaved();
    action(QStringLiteral("actionSave"))->setEnabled(true);
    action(QStringLiteral("actionReload"))->setEnabled(true);
    setTabTitle(tab, ProjectFolder::projectName(dbPath));
    updateActionStates();
    statusBar()->showMessage(QStringLiteral("Enregistré: %1").arg(dbPath), 3000);
    return true;
}

void MainWindow::saveProjectAs()
{
    saveTabAs(currentTab());
}

bool MainWindow::saveTabAs(Tab *tab)
{
    if (!tab)
        return false;
    const QString chosen = m_prompter->saveFileName(
        this, QStringLiteral("Enregistrer projet sous"), QStringLiteral("MyCase.orvane.db"),
        QStringLiteral("Base ORVANE (*.orvane.db);;SQLite (*.db)"));
    if (chosen.isEmpty())
        return false;
    const ProjectFiles::Location location = ProjectFiles::saveAsLocation(chosen);
    if (!QDir().mkpath(location.folder)) {
        m_prompter->warning(this, QStringLiteral("Sauvegarde"),
                            QStringLiteral("Impossible de créer le dossier du projet: %1")
                                .arg(location.folder));
        return false;
    }
    return saveTabTo(tab, location.dbPath, true);
}

void MainWindow::saveProject()
{
    saveTab(currentTab());
}

bool MainWindow::saveTab(Tab *tab)
{
    if (!tab)
        return false;
    if (tab->dbPath().isEmpty())
        return saveTabAs(tab);
    if (!ProjectFiles::isInProjectFolder(tab->dbPath())) {
        m_prompter->warning(
            this, QStringLiteral("Sauvegarde"),
            QStringLiteral("Le fichier n'est pas dans le dossier projet « %1 ».\nFaire « Enregistrer "
                           "sous… » pour remettre la structure au propre.")
                .arg(ProjectFolder::projectName(tab->dbPath())));
        return false;
    }
    return saveTabTo(tab, tab->dbPath());
}

void MainWindow::reloadCurrentTab()
{
    Tab *tab = currentTab();
    if (!tab)
        return;
    if (tab->dbPath().isEmpty()) {
        statusBar()->showMessage(QStringLiteral("Aucun projet chargé dans cet onglet"), 2000);
        return;
    }
    const QString dbPath = ProjectFiles::databaseForPath(tab->dbPath());
    if (!QFileInfo::exists(dbPath)) {
        m_prompter->warning(this, QStringLiteral("Recharger"),
                            QStringLiteral("Base introuvable :\n%1").arg(dbPath));
        return;
    }
    if (maybeSaveTab(tab))
        loadIntoTab(tab, dbPath);
}

void MainWindow::onOpenInvestigationInNewTab(const QString &dbPath, const QString &)
{
    const QString database = ProjectFiles::databaseForPath(dbPath);
    const QString name = ProjectFolder::projectName(database);
    const int index = createTab(name);
    if (!QFileInfo(database).isFile()) {
        m_prompter->critical(this, QStringLiteral("Erreur BDD"),
                             QStringLiteral("Base introuvable:\n%1").arg(database));
        removeTab(index);
        return;
    }
    if (!loadIntoTab(tabAt(index), database)) {
        removeTab(index);
        return;
    }
    statusBar()->showMessage(
        QStringLiteral("Investigation ouverte dans un nouvel onglet: %1").arg(name), 3000);
}

// Media files copied into the project folder by a whole save: the tables take the new paths
// without an undo step, since the file now holds them.
void MainWindow::adoptSavedPaths(Tab *tab, const Graph &saved)
{
    QList<Node> moved;
    for (const Node &node : saved.nodes()) {
        const Node &current = tab->graph().node(node.id);
        if (current.mediaPath != node.mediaPath || current.medias != node.medias)
            moved.append(node);
    }
    if (moved.isEmpty())
        return;
    tab->document->adoptStoredRecords(moved);
}

// Another program (orvane-cli, a served API, another window) saved the file since this tab
// loaded it. Overwriting would drop what it wrote: the analyst may instead take the file as
// it is now and put this tab's unsaved changes back on top of it, as one undo step.
bool MainWindow::reloadAndReapply(Tab *tab)
{
    const int answer = m_prompter->choice(
        this, QStringLiteral("Sauvegarde"),
        QStringLiteral("« %1 » a été modifié sur le disque depuis son chargement (par un autre "
                       "programme ou l’API).\nRecharger le fichier et y réappliquer vos "
                       "modifications non enregistrées ?")
            .arg(tab->title),
        {QStringLiteral("Recharger et réappliquer")});
    if (answer != 0)
        return false;
    const ChangeSet unsaved = tab->document->unsavedChanges();
    Graph graph;
    SceneRecords sceneRecords;
    ProjectFiles::LoadInfo loaded;
    QString error;
    if (!ProjectFiles::load(tab->dbPath(), graph, sceneRecords, &error, nullptr, &loaded)) {
        m_prompter->critical(this, QStringLiteral("Erreur BDD"), error);
        return false;
    }
    // The analyst's maps and shapes are kept as they are in the tab: the file holds others,
    // so the next save rewrites it whole.
    tab->document->load(std::move(graph), tab->sceneRecords(), tab->dbPath());
    tab->document->markFileDiverged();
    tab->generation = loaded.generation;
    tab->document->apply(QStringLiteral("Modifications non enregistrées"), unsaved);
    refreshTab(tab);
    return true;
}
