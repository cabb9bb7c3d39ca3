#pragma once

#include <QMainWindow>

#include <memory>
#include <vector>

class GraphScene;
class Prompter;
class QAction;
class QActionGroup;
class QLabel;
class QMenu;
class QTabWidget;
struct Tab;

// The single main window: one tab per open investigation, the menus from which every
// command is reached, and the status bar that reports their outcome.
//
// Each tab's tables are the single source of truth; commands change them through the
// tab's graph operations and then call refreshTab(), which rebuilds the canvas items. Every
// question to the user goes through the Prompter given at construction.
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    // Without a prompter the window asks with real message boxes and file choosers.
    explicit MainWindow(Prompter *prompter = nullptr, QWidget *parent = nullptr);
    ~MainWindow() override;

    int tabCount() const;
    Tab *tabAt(int index) const;
    Tab *currentTab() const;
    GraphScene *currentScene() const;
    QString tabTitle(int index) const;
    QAction *action(const QString &objectName) const;
    QMenu *menu(const QString &objectName) const;

    // Loads a project file or folder into a new tab, or into the first tab when it is
    // still empty; used for a file given on the command line.
    bool openPath(const QString &path);

public Q_SLOTS:
    int addNewTab();
    void closeTab(int index);
    void renameTab(int index);
    void reloadCurrentTab();
    void onCurrentTabChanged(int index);
    void onTabBarContextMenuRequested(const QPoint &pos);
    void newProject();
    void openProject();
    void saveProject();
    void saveProjectAs();
    void onOpenInvestigationInNewTab(const QString &dbPath, const QString &fromNodeId);
    void fitView();
    void selectAllItems();
    void openOrvaneConfiguration();
    void showVersion();
    void refreshTab(Tab *tab);
    void updateActionStates();

private:
    void buildMenus();
    void buildFileMenu();
    void buildViewMenu();
    void buildThemeMenu();
    QAction *addMenuAction(QMenu *menu, const QString &name, const QString &text,
                           void (MainWindow::*slot)());

    int createTab(const QString &title);
    void removeTab(int index);
    int indexOfTab(const Tab *tab) const;
    // Replaces the tab's content with the project; false (tab unchanged) on failure.
    bool loadIntoTab(Tab *tab, const QString &dbPath);
    bool saveTabTo(Tab *tab, const QString &dbPath);
    void onTabMoved(int from, int to);

    Prompter *m_prompter = nullptr;
    std::unique_ptr<Prompter> m_ownedPrompter;
    QTabWidget *m_tabs = nullptr;
    std::vector<std::unique_ptr<Tab>> m_tabList; // in tab order
};
