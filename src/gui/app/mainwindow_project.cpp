#include "app/mainwindow.h"

#include "app/prompter.h"
#include "app/tab.h"
#include "canvas/graphscene.h"
#include "storage/projectfiles.h"
#include "storage/projectfolder.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QStatusBar>
#include <QTabWidget>

namespace {

bool isTabEmpty(const Tab &tab)
{
    return tab.graph.isEmpty() && tab.sceneRecords.maps.isEmpty()
        && tab.sceneRecords.shapes.isEmpty() && tab.scene->items().isEmpty();
}

} // namespace

void MainWindow::newProject()
{
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
    ProjectFiles::LoadInfo loaded;
    if (!ProjectFiles::load(dbPath, tab->graph, tab->sceneRecords, &error, &failure, &loaded)) {
        m_prompter->critical(this,
                             failure == ProjectFiles::Failure::Database
                                 ? QStringLiteral("Erreur BDD")
                                 : QStringLiteral("Erreur ouverture projet"),
                             error);
        return false;
    }
    tab->scene->clearSelection();
    resetTimeline(tab);
    refreshTab(tab);
    tab->dbPath = dbPath;
    action(QStringLiteral("actionSave"))->setEnabled(true);
    action(QStringLiteral("actionReload"))->setEnabled(true);
    const int index = indexOfTab(tab);
    m_tabs->setTabText(index, ProjectFolder::projectName(dbPath));
    statusBar()->showMessage(QStringLiteral("Projet chargé: %1").arg(dbPath), 3000);
    if (index == m_tabs->currentIndex())
        fitView();
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

bool MainWindow::saveTabTo(Tab *tab, const QString &dbPath)
{
    // Outside files are copied only when the analyst chose them, or when "Save as" moves
    // the files of the project the tab came from.
    SaveOptions options;
    options.chosenFiles = m_prompter->chosenFiles();
    if (!tab->dbPath.isEmpty())
        options.trustedFolders.append(ProjectFiles::folderOf(tab->dbPath));
    QString error;
    if (ProjectFiles::save(dbPath, tab->graph, tab->sceneRecords, &error, options)
        != SaveResult::Saved) {
        m_prompter->warning(this, QStringLiteral("Sauvegarde"), error);
        return false;
    }
    tab->dbPath = dbPath;
    action(QStringLiteral("actionSave"))->setEnabled(true);
    action(QStringLiteral("actionReload"))->setEnabled(true);
    m_tabs->setTabText(indexOfTab(tab), ProjectFolder::projectName(dbPath));
    tab->scene->rebuild();
    updateActionStates();
    statusBar()->showMessage(QStringLiteral("Enregistré: %1").arg(dbPath), 3000);
    return true;
}

void MainWindow::saveProjectAs()
{
    Tab *tab = currentTab();
    if (!tab)
        return;
    const QString chosen = m_prompter->saveFileName(
        this, QStringLiteral("Enregistrer projet sous"), QStringLiteral("MyCase.orvane.db"),
        QStringLiteral("Base ORVANE (*.orvane.db);;SQLite (*.db)"));
    if (chosen.isEmpty())
        return;
    const ProjectFiles::Location location = ProjectFiles::saveAsLocation(chosen);
    if (!QDir().mkpath(location.folder)) {
        m_prompter->warning(this, QStringLiteral("Sauvegarde"),
                            QStringLiteral("Impossible de créer le dossier du projet: %1")
                                .arg(location.folder));
        return;
    }
    saveTabTo(tab, location.dbPath);
}

void MainWindow::saveProject()
{
    Tab *tab = currentTab();
    if (!tab)
        return;
    if (tab->dbPath.isEmpty()) {
        saveProjectAs();
        return;
    }
    if (!ProjectFiles::isInProjectFolder(tab->dbPath)) {
        m_prompter->warning(
            this, QStringLiteral("Sauvegarde"),
            QStringLiteral("Le fichier n'est pas dans le dossier projet « %1 ».\nFaire « Enregistrer "
                           "sous… » pour remettre la structure au propre.")
                .arg(ProjectFolder::projectName(tab->dbPath)));
        return;
    }
    saveTabTo(tab, tab->dbPath);
}

void MainWindow::reloadCurrentTab()
{
    Tab *tab = currentTab();
    if (!tab)
        return;
    if (tab->dbPath.isEmpty()) {
        statusBar()->showMessage(QStringLiteral("Aucun projet chargé dans cet onglet"), 2000);
        return;
    }
    const QString dbPath = ProjectFiles::databaseForPath(tab->dbPath);
    if (!QFileInfo::exists(dbPath)) {
        m_prompter->warning(this, QStringLiteral("Recharger"),
                            QStringLiteral("Base introuvable :\n%1").arg(dbPath));
        return;
    }
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
