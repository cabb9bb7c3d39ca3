#include "app/mainwindow.h"

#include "api/apiprojects.h"
#include "api/apiserver.h"
#include "app/prompter.h"
#include "app/tab.h"
#include "dialogs/apiconfigdialog.h"

#include <QAction>
#include <QFileInfo>
#include <QMenu>
#include <QStatusBar>

namespace {

// The tabs showing a database file: a file may be open in several.
QList<Tab *> tabsForFile(const MainWindow &window, const QString &dbPath)
{
    const QString wanted = QFileInfo(dbPath).canonicalFilePath();
    QList<Tab *> tabs;
    for (int i = 0; i < window.tabCount(); ++i) {
        Tab *tab = window.tabAt(i);
        if (tab->dbPath().isEmpty())
            continue;
        if (tab->dbPath() == dbPath
            || (!wanted.isEmpty() && QFileInfo(tab->dbPath()).canonicalFilePath() == wanted))
            tabs.append(tab);
    }
    return tabs;
}

} // namespace

void MainWindow::buildApiActions(QMenu *tools)
{
    tools->addSeparator();
    addMenuAction(tools, QStringLiteral("actionExposeApi"), QStringLiteral("Exposer l’API…"),
                  &MainWindow::exposeApi);
    addMenuAction(tools, QStringLiteral("actionStopApi"), QStringLiteral("Stopper l’API"),
                  &MainWindow::stopApi)
        ->setEnabled(false);
}

// The analyst sees the address and port before being warned about the network, so that the
// warning is read knowing where the server would listen.
void MainWindow::exposeApi()
{
    Tab *tab = currentTab();
    if (!tab)
        return;
    if (tab->dbPath().isEmpty()) {
        m_prompter->warning(this, QStringLiteral("API"),
                            QStringLiteral("Ouvre d’abord un projet pour stocker les clés API."));
        return;
    }
    const QString keyDb = tab->dbPath();
    ApiConfigDialog dialog(*m_prompter, this);
    dialog.setDbPath(keyDb);
    if (m_prompter->exec(dialog) != QDialog::Accepted)
        return;
    const QMessageBox::StandardButton answer = m_prompter->message(
        this, QMessageBox::Warning, QStringLiteral("Exposer l’API"),
        QStringLiteral("Vous allez démarrer un serveur HTTP pour exposer une API.\n\n"
                       "• Cela peut rendre l’application accessible sur le réseau.\n"
                       "• Assurez-vous d’être dans un environnement de confiance.\n\n"
                       "Continuer ?"),
        QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Cancel);
    if (answer != QMessageBox::Ok)
        return;

    if (!m_apiServer)
        m_apiServer = new ApiServer(this);
    if (!m_apiServer->initDb(keyDb)) {
        m_prompter->critical(this, QStringLiteral("Erreur"),
                             QStringLiteral("Impossible d’initialiser la base pour l’API."));
        return;
    }
    // The tabs as they are when each request arrives, never a copy taken now.
    auto tabPaths = [this]() {
        QStringList paths;
        for (int i = 0; i < tabCount(); ++i)
            paths.append(tabAt(i)->dbPath());
        return paths;
    };
    m_apiServer->setProjectsProvider([tabPaths]() { return ApiProjects::describe(tabPaths()); });
    m_apiServer->setProjectResolver([this, tabPaths](const QString &name) {
        const Tab *current = currentTab();
        return ApiProjects::resolve(name, tabPaths(), current ? current->dbPath() : QString());
    });
    // A write to a project open in tabs also goes into each of them, as one undo step; each
    // tab that held the file as it was then knows the file's new generation, so that its next
    // save is not refused.
    m_apiServer->setDocumentHooks(
        [this](const QString &dbPath) {
            QList<GraphDocument *> documents;
            for (Tab *tab : tabsForFile(*this, dbPath))
                documents.append(tab->document.get());
            return documents;
        },
        [this](const QString &dbPath, qint64 from, qint64 to) {
            for (Tab *tab : tabsForFile(*this, dbPath)) {
                if (tab->generation.value_or(0) == from)
                    tab->generation = to;
            }
        });
    if (!m_apiServer->start(dialog.address(), dialog.port())) {
        m_prompter->critical(this, QStringLiteral("Erreur"),
                             QStringLiteral("Impossible de démarrer le serveur API."));
        return;
    }
    action(QStringLiteral("actionExposeApi"))->setEnabled(false);
    action(QStringLiteral("actionStopApi"))->setEnabled(true);
    statusBar()->showMessage(QStringLiteral("API exposée sur %1:%2")
                                 .arg(m_apiServer->address().toString())
                                 .arg(m_apiServer->port()),
                             4000);
}

void MainWindow::stopApi()
{
    if (m_apiServer && m_apiServer->isRunning())
        m_apiServer->stop();
    action(QStringLiteral("actionExposeApi"))->setEnabled(true);
    action(QStringLiteral("actionStopApi"))->setEnabled(false);
    statusBar()->showMessage(QStringLiteral("API stoppée"), 2500);
}
