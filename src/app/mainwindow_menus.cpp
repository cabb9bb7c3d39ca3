#include "app/mainwindow.h"

#include "app/themes.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>

QAction *MainWindow::addMenuAction(QMenu *menu, const QString &name, const QString &text,
                                   void (MainWindow::*slot)())
{
    QAction *action = menu->addAction(text);
    action->setObjectName(name);
    connect(action, &QAction::triggered, this, slot);
    return action;
}

void MainWindow::buildMenus()
{
    buildFileMenu();
    buildViewMenu();
    buildThemeMenu();
    QMenu *info = menuBar()->addMenu(QStringLiteral("&Info"));
    addMenuAction(info, QStringLiteral("actionVersion"), QStringLiteral("Version…"),
                  &MainWindow::showVersion);
}

void MainWindow::buildFileMenu()
{
    QMenu *file = menuBar()->addMenu(QStringLiteral("&Fichier"));
    file->setObjectName(QStringLiteral("menuFile"));
    addMenuAction(file, QStringLiteral("actionOpen"), QStringLiteral("&Ouvrir…"),
                  &MainWindow::openProject)
        ->setShortcut(QKeySequence::Open);
    QAction *save = addMenuAction(file, QStringLiteral("actionSave"),
                                  QStringLiteral("&Enregistrer"), &MainWindow::saveProject);
    save->setShortcut(QKeySequence::Save);
    save->setEnabled(false);
    addMenuAction(file, QStringLiteral("actionSaveAs"), QStringLiteral("Enregistrer &sous…"),
                  &MainWindow::saveProjectAs)
        ->setShortcut(QKeySequence::SaveAs);
    file->addSeparator();
    addMenuAction(file, QStringLiteral("actionConfiguration"), QStringLiteral("Configuration"),
                  &MainWindow::openOrvaneConfiguration);
    file->addSeparator();
    QAction *newTab = file->addAction(QStringLiteral("Nouvel onglet"));
    newTab->setObjectName(QStringLiteral("actionNewTab"));
    newTab->setShortcut(QKeySequence(QStringLiteral("Ctrl+T")));
    connect(newTab, &QAction::triggered, this, &MainWindow::addNewTab);
    QAction *quit = file->addAction(QStringLiteral("&Quitter"));
    quit->setObjectName(QStringLiteral("actionQuit"));
    quit->setShortcut(QKeySequence::Quit);
    connect(quit, &QAction::triggered, this, &QWidget::close);
}

void MainWindow::buildViewMenu()
{
    QMenu *view = menuBar()->addMenu(QStringLiteral("&Affichage"));
    view->setObjectName(QStringLiteral("menuView"));
    QAction *selectAll = addMenuAction(view, QStringLiteral("actionSelectAll"),
                                       QStringLiteral("Sélectionner tout"),
                                       &MainWindow::selectAllItems);
    selectAll->setShortcut(QKeySequence::SelectAll);
    selectAll->setEnabled(false);
    view->addSeparator();
    addMenuAction(view, QStringLiteral("actionFitView"), QStringLiteral("Ajuster la vue (Fit)"),
                  &MainWindow::fitView)
        ->setEnabled(false);
    view->addSeparator();
    QAction *reload = addMenuAction(view, QStringLiteral("actionReload"),
                                    QStringLiteral("Recharger"), &MainWindow::reloadCurrentTab);
    reload->setShortcut(QKeySequence(Qt::Key_F5));
    reload->setShortcutContext(Qt::ApplicationShortcut);
    reload->setEnabled(false);
}

void MainWindow::buildThemeMenu()
{
    QMenu *themes = menuBar()->addMenu(QStringLiteral("&Thème"));
    themes->setObjectName(QStringLiteral("menuTheme"));
    auto *group = new QActionGroup(this);
    group->setExclusive(true);
    const struct
    {
        const char *name;
        const char *text;
        Theme theme;
    } entries[] = {{"actionThemeDark", "Sombre", Theme::Dark},
                   {"actionThemeLight", "Clair", Theme::Light},
                   {"actionThemeNeon", "Saturé (néon)", Theme::Neon}};
    for (const auto &entry : entries) {
        QAction *action = themes->addAction(QString::fromUtf8(entry.text));
        action->setObjectName(QLatin1String(entry.name));
        action->setCheckable(true);
        action->setChecked(entry.theme == Theme::Neon);
        group->addAction(action);
        const Theme theme = entry.theme;
        connect(action, &QAction::triggered, this, [theme]() {
            if (auto *app = qobject_cast<QApplication *>(QCoreApplication::instance()))
                applyTheme(*app, theme);
        });
    }
}
