#include "app/mainwindow.h"

#include "app/themes.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QUndoGroup>

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
    buildEditMenu();
    buildViewMenu();
    QMenu *tools = menuBar()->addMenu(QStringLiteral("&Outils"));
    tools->setObjectName(QStringLiteral("menuTools"));
    addMenuAction(tools, QStringLiteral("actionFilters"), QStringLiteral("Filtres simples"),
                  &MainWindow::openFiltersDialog);
    // The lists and type filters of the canvas background menu, under the same names.
    addMenuAction(tools, QStringLiteral("actionNodeTypes"),
                  QStringLiteral("Filtrer par types de nœuds"), &MainWindow::showNodeTypesDialog);
    addMenuAction(tools, QStringLiteral("actionEdgeTypes"),
                  QStringLiteral("Filtrer par types de relations"),
                  &MainWindow::showEdgeTypesDialog);
    tools->addSeparator();
    addMenuAction(tools, QStringLiteral("actionListNodes"), QStringLiteral("Lister les nœuds…"),
                  &MainWindow::listNodes);
    addMenuAction(tools, QStringLiteral("actionListEdges"),
                  QStringLiteral("Lister les relations…"), &MainWindow::listEdges);
    addMenuAction(tools, QStringLiteral("actionListMedias"), QStringLiteral("Lister les médias…"),
                  &MainWindow::listMedias);
    buildAnalysisMenus(tools);
    buildComponentMenu(tools);
    buildAiMenu(tools);
    buildScriptComponentsMenu(tools);
    buildApiActions(tools);
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
    QMenu *import = file->addMenu(QStringLiteral("Import"));
    import->setObjectName(QStringLiteral("menuImport"));
    addMenuAction(import, QStringLiteral("actionImportNodes"),
                  QStringLiteral("Importer &Nœuds CSV…"), &MainWindow::importNodes);
    addMenuAction(import, QStringLiteral("actionImportEdges"),
                  QStringLiteral("Importer &Relations CSV…"), &MainWindow::importEdges);
    addMenuAction(import, QStringLiteral("actionImportStix"), QStringLiteral("Importer STIX 2.1…"),
                  &MainWindow::importStix);
    file->addSeparator();
    QMenu *exportMenu = file->addMenu(QStringLiteral("Export"));
    exportMenu->setObjectName(QStringLiteral("menuExport"));
    addMenuAction(exportMenu, QStringLiteral("actionExportNodesCsv"),
                  QStringLiteral("Exporter Nœuds CSV…"), &MainWindow::exportNodesCSV);
    addMenuAction(exportMenu, QStringLiteral("actionExportEdgesCsv"),
                  QStringLiteral("Exporter Relations CSV…"), &MainWindow::exportEdgesCSV);
    addMenuAction(exportMenu, QStringLiteral("actionExportStix"),
                  QStringLiteral("Exporter en STIX 2.1…"), &MainWindow::exportStix);
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

void MainWindow::buildEditMenu()
{
    QMenu *edit = menuBar()->addMenu(QStringLiteral("&Edition"));
    edit->setObjectName(QStringLiteral("menuEdit"));
    buildUndoActions(edit);
    edit->addSeparator();
    const struct
    {
        const char *name;
        const char *text;
        const char *shortcut;
        bool application;
        bool separatorBefore;
        void (MainWindow::*slot)();
    } entries[] = {
        {"actionCreateNode", "Créer un nœud…", "Ctrl+N", true, false,
         &MainWindow::createNodeFromMenu},
        {"actionEditNode", "Éditer un nœud…", "Ctrl+E", true, false, &MainWindow::editSelectedNode},
        {"actionDeleteNodes", "Supprimer les nœuds sélectionnés", "Ctrl+D", true, false,
         &MainWindow::deleteSelectedNodes},
        {"actionCreateEdgesFrom", "Créer relation(s) du premier cliqué → autres…",
         "Ctrl+Shift+F", false, true, &MainWindow::createEdgeFromSelection},
        {"actionCreateEdgesTo", "Créer relation(s) du dernier cliqué → autres…", "Ctrl+Shift+T",
         false, false, &MainWindow::createEdgeToSelection},
        {"actionEditEdge", "Éditer une relation…", "Ctrl+Shift+E", true, false,
         &MainWindow::editSelectedEdge},
        {"actionDeleteEdges", "Supprimer les relations sélectionnées", "Ctrl+Shift+D", true, false,
         &MainWindow::deleteSelectedEdges},
    };
    for (const auto &entry : entries) {
        if (entry.separatorBefore)
            edit->addSeparator();
        QAction *action = addMenuAction(edit, QLatin1String(entry.name),
                                        QString::fromUtf8(entry.text), entry.slot);
        action->setShortcut(QKeySequence(QLatin1String(entry.shortcut)));
        if (entry.application)
            action->setShortcutContext(Qt::ApplicationShortcut);
        // Creating a node needs no selection; the others wait for one.
        action->setEnabled(entry.slot == &MainWindow::createNodeFromMenu);
    }

    // The group commands of the canvas background menu, under the same names.
    edit->addSeparator();
    addMenuAction(edit, QStringLiteral("actionGroupSelection"),
                  QStringLiteral("Grouper la sélection"), &MainWindow::groupSelection)
        ->setEnabled(false);
    addMenuAction(edit, QStringLiteral("actionAddSelectionToGroup"),
                  QStringLiteral("Ajouter la sélection à un groupe…"),
                  &MainWindow::addSelectionToGroup);

    // Background pictures.
    edit->addSeparator();
    QAction *importImage = addMenuAction(edit, QStringLiteral("actionImportBackgroundImage"),
                                         QStringLiteral("Importer une image d'arrière-plan"),
                                         &MainWindow::importBackgroundImageAtViewCenter);
    importImage->setShortcut(QKeySequence(QStringLiteral("Ctrl+I")));
    addMenuAction(edit, QStringLiteral("actionEditMap"),
                  QStringLiteral("Éditer l'image d'arrière-plan…"), &MainWindow::editSelectedMap);
    addMenuAction(edit, QStringLiteral("actionDeleteMaps"),
                  QStringLiteral("Supprimer les images d'arrière-plan sélectionnées"),
                  &MainWindow::deleteSelectedMaps);
    addDrawShapeMenu(edit)->setObjectName(QStringLiteral("menuDrawShape"));

    // Copy and paste belong to the window, so that their shortcuts work wherever the
    // keyboard is; the menu lists them too.
    edit->addSeparator();
    QAction *copy = new QAction(QStringLiteral("Copier"), this);
    copy->setObjectName(QStringLiteral("actionCopy"));
    copy->setShortcut(QKeySequence::Copy);
    copy->setShortcutContext(Qt::ApplicationShortcut);
    connect(copy, &QAction::triggered, this, &MainWindow::copySelectedNode);
    addAction(copy);
    edit->addAction(copy);
    QAction *paste = new QAction(QStringLiteral("Coller"), this);
    paste->setObjectName(QStringLiteral("actionPaste"));
    paste->setShortcut(QKeySequence::Paste);
    connect(paste, &QAction::triggered, this, &MainWindow::pasteNode);
    addAction(paste);
    edit->addAction(paste);

    // The Delete key works on the canvas only: in a text field it deletes text.
    QAction *deleteKey = new QAction(QStringLiteral("Supprimer la sélection"), this);
    deleteKey->setObjectName(QStringLiteral("actionDeleteSelection"));
    deleteKey->setShortcut(QKeySequence(Qt::Key_Delete));
    deleteKey->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    connect(deleteKey, &QAction::triggered, this, &MainWindow::deleteSelection);
    m_tabs->addAction(deleteKey);
}

// The current tab's history: "Annuler « Supprimer 3 nœuds »", "Rétablir …".
void MainWindow::buildUndoActions(QMenu *edit)
{
    m_undoGroup = new QUndoGroup(this);
    QAction *undo = edit->addAction(QStringLiteral("Annuler"));
    undo->setObjectName(QStringLiteral("actionUndo"));
    undo->setShortcut(QKeySequence::Undo);
    undo->setEnabled(false);
    connect(undo, &QAction::triggered, m_undoGroup, &QUndoGroup::undo);
    connect(m_undoGroup, &QUndoGroup::canUndoChanged, undo, &QAction::setEnabled);
    connect(m_undoGroup, &QUndoGroup::undoTextChanged, undo, [undo](const QString &text) {
        undo->setText(text.isEmpty() ? QStringLiteral("Annuler")
                                     : QStringLiteral("Annuler « %1 »").arg(text));
    });
    QAction *redo = edit->addAction(QStringLiteral("Rétablir"));
    redo->setObjectName(QStringLiteral("actionRedo"));
    redo->setShortcuts({QKeySequence(QStringLiteral("Ctrl+Shift+Z")),
                        QKeySequence(QStringLiteral("Ctrl+Y"))});
    redo->setEnabled(false);
    connect(redo, &QAction::triggered, m_undoGroup, &QUndoGroup::redo);
    connect(m_undoGroup, &QUndoGroup::canRedoChanged, redo, &QAction::setEnabled);
    connect(m_undoGroup, &QUndoGroup::redoTextChanged, redo, [redo](const QString &text) {
        redo->setText(text.isEmpty() ? QStringLiteral("Rétablir")
                                     : QStringLiteral("Rétablir « %1 »").arg(text));
    });
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
    addMenuAction(view, QStringLiteral("actionSelectNodes"), QStringLiteral("Sélectionner les nœuds"),
                  &MainWindow::selectOnlyNodes)
        ->setEnabled(false);
    view->addSeparator();
    buildLayoutMenu(view);
    view->addSeparator();
    QAction *fit = addMenuAction(view, QStringLiteral("actionFitView"),
                                 QStringLiteral("Ajuster la vue (Fit)"), &MainWindow::fitView);
    fit->setShortcut(QKeySequence(QStringLiteral("Ctrl+0")));
    fit->setEnabled(false);
    addEdgeSeparationMenu(view, true)->setEnabled(false);
    // The timeline band, the grid and the centre of the canvas background menu.
    view->addSeparator();
    QMenu *timeline = view->addMenu(QStringLiteral("Timeline"));
    timeline->setObjectName(QStringLiteral("menuTimeline"));
    addMenuAction(timeline, QStringLiteral("actionShowTimeline"), QStringLiteral("Afficher"),
                  &MainWindow::showTimeline);
    addMenuAction(timeline, QStringLiteral("actionHideTimeline"), QStringLiteral("Masquer"),
                  &MainWindow::hideTimeline);
    addMenuAction(timeline, QStringLiteral("actionEditTimeline"), QStringLiteral("Editer"),
                  &MainWindow::editTimeline);
    addMenuAction(view, QStringLiteral("actionGrid"), QStringLiteral("Grille d'arrière-plan"),
                  &MainWindow::showGridDialog);
    addMenuAction(view, QStringLiteral("actionCentre"), QStringLiteral("Visualiser le centre"),
                  &MainWindow::showCentreDialog);
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
    const Theme current = storedTheme();
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
        action->setChecked(entry.theme == current);
        group->addAction(action);
        const Theme theme = entry.theme;
        connect(action, &QAction::triggered, this, [this, theme]() {
            if (auto *app = qobject_cast<QApplication *>(QCoreApplication::instance()))
                applyTheme(*app, theme);
            storeTheme(theme);
            focusCanvas();
        });
    }
}
