#pragma once

#include "ai/chatmode.h"
#include "dialogs/searchwidget.h"
#include "model/edge.h"
#include "model/scenerecords.h"
#include "ops/filterengine.h"
#include "ops/layouts.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QMainWindow>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace Statistics {
enum class Kind;
}
namespace ScriptComponents {
struct Descriptor;
}

class ApiServer;
class ChatAIDialog;
class EdgeItem;
class EdgesListDialog;
class Graph;
class GraphScene;
class NodeItem;
class NodesListDialog;
class Prompter;
class QAction;
class QActionGroup;
class QLabel;
class QMenu;
class QTabWidget;
class QUndoGroup;
class TimelineWidget;
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
    TimelineWidget *timelineWidget() const { return m_timeline; }
    SearchWidget *searchWidget() const { return m_search; }
    // The AI chat once opened; nothing before.
    ChatAIDialog *chatDialog() const { return m_chat; }

    // Loads a project file or folder into a new tab, or into the first tab when it is
    // still empty; used for a file given on the command line.
    bool openPath(const QString &path);

    // "ORVANE — <project>": the current tab's project name, or its title while it has never
    // been saved.
    QString baseWindowTitle() const;
    // The canvas background menu at scenePos; every command in it is in the menu bar too.
    void fillBackgroundMenu(QMenu *menu, const QPointF &scenePos);

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
    // Applies one change to the tab's tables as one step named undoText (the name the Edition
    // menu shows), then brings the canvas up to date. Commands that change a tab go through
    // here rather than writing into its tables.
    void editTab(Tab *tab, const QString &undoText, const std::function<void(Graph &)> &change);
    // The same for a change that can fail: on false nothing of it stays in the tables.
    bool tryEditTab(Tab *tab, const QString &undoText,
                    const std::function<bool(Graph &)> &change);
    void updateActionStates();
    void selectOnlyNodes();
    // Spacing of parallel relations: 0.25 × factor, kept within 0.2 … 3.0.
    void setMultiEdgeSeparation(double factor);
    void showGridDialog();
    void showCentreDialog();
    void onBackgroundContextMenuRequested(const QPoint &screenPos);
    void onNodeEdited(const Node &node);
    void groupSelection();
    void addSelectionToGroup();
    void addNodesToGroup(const QString &groupId, const QStringList &nodeIds);
    void onRequestExpandGroup(const QString &groupId);
    void onRequestCollapseGroup(const QString &groupId);
    void onRequestUngroup(const QString &groupId);
    void onRequestOpenGroupTab(const QString &groupId);
    void layoutGrid();
    void layoutZigzag();
    void layoutCircle();
    void layoutRandom();
    void layoutRadial();
    void layoutComponents();
    void layoutForceDirected();
    void layoutForceCompact();
    void layoutForceSpaced();
    void layoutClusterByType();
    void forceLayout(double repC, double attC, double gravity, double kMul, int iterations);
    void layoutTimeline();
    // Timeline band and time filter.
    void clearTimeFilter();
    void showTimeline();
    void hideTimeline();
    void editTimeline();
    // Filters, type visibility and search.
    void openFiltersDialog();
    void showNodeTypesDialog();
    void showEdgeTypesDialog();
    void onSearchRequested(SearchWidget::Scope scope, SearchWidget::Field field,
                           const QString &query);
    void importNodes();
    void importEdges();
    void exportNodesCSV();
    void exportEdgesCSV();
    void importStix();
    void exportStix();
    void exposeApi();
    void stopApi();
    // Node and relation commands on the current tab.
    void createNodeFromMenu();
    void createNodeAt(const QPointF &scenePos);
    void editSelectedNode();
    void deleteSelectedNodes();
    void onDeleteNodeRequested(const QString &nodeId);
    // Without confirmation: for the assistant, whose changes the analyst confirmed already.
    void deleteNodesByIds(const QStringList &ids);
    void deleteEdgesByIds(const QStringList &ids);
    void createEdgeFromSelection();
    void createEdgeToSelection();
    void editSelectedEdge();
    void deleteSelectedEdges();
    void onEdgeEdited(const Edge &edge);
    void onDeleteEdgeRequested(const QString &edgeId);
    void copySelectedNode();
    void pasteNode();
    void pasteNodeAt(const QPointF &scenePos);
    void listNodes();
    void listEdges();
    void listMedias();
    // The lists restricted to a group's members and the relations between them.
    void listGroupNodes(const QString &groupId);
    void listGroupEdges(const QString &groupId);
    void onViewFileDropped(const QString &filePath);
    // Background pictures and free shapes of the current tab.
    void importBackgroundImageAtViewCenter();
    void importBackgroundImageAt(const QPointF &scenePos);
    void editSelectedMap();
    void deleteSelectedMaps();
    // Starts the drawing mode: the next drag on the canvas draws a shape of that kind.
    void startShapeDrawing(ShapeRecord::Kind kind);
    // The Delete key: the selected nodes with their relations, else the selected relations,
    // after the same question as the menu commands.
    void deleteSelection();
    // Gives the keyboard to the current tab's canvas.
    void focusCanvas();

    // Statistics, data quality, anonymised copy and the data-visualisation charts.
    void showDataQuality();
    void anonymiseGraph();
    void openDataAnalysisAttributeNumChart();
    // The spread of one numeric attribute over the whole investigation; no menu entry.
    void openDataAnalysisAttributeNumAnalysis();
    void openDataAnalysisNodeAttrKeyChart();
    void openDataAnalysisEdgeAttrKeyChart();
    void openDataAnalysisMediaTagChart();
    void openDataAnalysisNodeChart();
    void openDataAnalysisEdgeChart();

    // The AI assistant: the chat window, the graph context of messages and the actions of
    // answers on the current tab. Proposed changes reach the tables only once accepted.
    void onOpenAiChat();
    void onAiUserMessageEntered(ChatProtocol::Mode mode, const QString &text);
    void onAiActionsRequested(const QJsonArray &actions);
    void handleGraphQueryFromAi(Tab *tab, const QJsonObject &action);
    void handleHighlightNodesFromAi(Tab *tab, const QJsonObject &action);
    void askUserToApplyChangesFromAi(Tab *tab, const QJsonArray &changes);
    // Applies the changes as one step, "Modifications proposées par l'IA".
    void applyChangesFromAi(Tab *tab, const QJsonArray &changes);
    QJsonObject buildSelectedSubGraphJson(Tab *tab, const QStringList &selectedNodeIds) const;
    QJsonObject buildSubGraphJson(Tab *tab, const QStringList &seedNodeIds, int depth,
                                  int maxNodes) const;
    QJsonObject buildFullGraphJson(Tab *tab) const;

    // Enrichment components on the selected nodes of the current tab; each run is one step.
    void openComponentAsToCidr();
    void openComponentAsToPeers();
    void openComponentAsToUpstreams();
    void openComponentAsToDownstreams();
    void openComponentCidrToAs();
    void openComponentIpToAs();
    void openComponentDnsResolution();
    void openComponentIpGeolocalisation();
    void openComponentIpVirusTotal();
    void openComponentDomainVirusTotal();
    void openComponentUrlVirusTotal();
    void openComponentFileVirusTotal();
    void openComponentFileVirusTotalDownload();
    void openComponentEthToTx();
    void openComponentEthFundedBy();
    void openComponentSolToTx();
    void openComponentEmailBreachesHIBP();
    void openComponentRansomwareLiveDescriptionMoa();
    // A temporary map of tiles with the tab's geolocated nodes; the graph stays as it is.
    void openComponentOpenStreetMap();

public:
    void showStatistic(Statistics::Kind kind);
    // Runs a script component on the current tab's selection in its own window; a run that
    // ends with code 0 brings what it wrote into the project file into the tab as one step.
    void runScriptComponent(const ScriptComponents::Descriptor &component);

protected:
    bool event(QEvent *event) override;
    // Closing one of the window's dialogs gives the keyboard back to the canvas.
    bool eventFilter(QObject *watched, QEvent *event) override;

    // Asks about every tab with unsaved changes; Annuler keeps the window open.
    void closeEvent(QCloseEvent *event) override;

private:
    // "Composants": the built-in components by family, each calling its slot.
    void buildComponentMenu(QMenu *tools);
    void updateComponentActions();
    void runComponent(const QString &name);
    void buildMenus();
    void buildFileMenu();
    void buildViewMenu();
    void buildThemeMenu();
    void buildApiActions(QMenu *tools);
    // "Composants" > "IA" > "Chat IA..." in the tools menu.
    void buildAiMenu(QMenu *tools);
    // "Composants Python/Powershell": one sub-menu per category folder, built once.
    void buildScriptComponentsMenu(QMenu *tools);
    void buildLayoutMenu(QMenu *parent);
    void buildAnalysisMenus(QMenu *tools);
    // "Anonymisation", "Statistiques" and "Qualité des données" need something in the scene.
    void updateAnalysisActions(bool sceneHasItems);
    QStringList selectedEdgeIds() const;
    // A chart dialog on the current tab, limited on request to the selected nodes (or
    // relations).
    template<typename Dialog>
    void openChartDialog(bool relations);
    // The timeline and search tool bars, before the tabs exist.
    void buildToolBars();
    // "Réorganiser" and "Timeline" of the canvas background menu.
    void addLayoutMenus(QMenu *menu);
    void onTimelineRangeChanged(const QDateTime &start, const QDateTime &end);
    // A freshly loaded tab: no band, no time filter, the widget's dates around the tab's.
    void resetTimeline(Tab *tab);
    void onTimelineInstantChanged(const QDateTime &instant);
    // Greys or hides what the filter did not retain, asking first how to show retained
    // members of groups; reports the counts.
    void applyFilter(Tab *tab, const FilterState &state, const FilterEngine::Result &result);
    QAction *addMenuAction(QMenu *menu, const QString &name, const QString &text,
                           void (MainWindow::*slot)());

    int createTab(const QString &title);
    void removeTab(int index);
    int indexOfTab(const Tab *tab) const;
    // Replaces the tab's content with the project; false (tab unchanged) on failure.
    bool loadIntoTab(Tab *tab, const QString &dbPath);
    // Over the file the tab holds the saved state of, only the changed rows are written,
    // unless wholeFile asks for a full rewrite.
    bool saveTabTo(Tab *tab, const QString &dbPath, bool wholeFile = false);
    // Saves the tab where it was saved before, or asks where; false when it was not saved.
    bool saveTab(Tab *tab);
    bool saveTabAs(Tab *tab);
    void adoptSavedPaths(Tab *tab, const Graph &saved);
    // After the file changed behind the tab: asks, reloads it and applies the tab's unsaved
    // changes again; false when the analyst cancelled or the file could not be read.
    bool reloadAndReapply(Tab *tab);
    // Asks whether to save a tab with unsaved changes: true when the caller may go on
    // (saved, or changes given up), false when the analyst cancelled or the save failed.
    bool maybeSaveTab(Tab *tab);
    bool maybeSaveAllTabs();
    void setTabTitle(Tab *tab, const QString &title);
    void updateWindowTitle();
    void onTabMoved(int from, int to);
    // Scene connections of a new tab.
    void setUpCanvas(Tab *tab);
    void connectItemRequests(Tab *tab);
    void applyEditedNode(Tab *tab, const Node &node);
    void applyEditedEdge(Tab *tab, const Edge &edge);
    void editNodeAttributes(Tab *tab, const QString &id);
    // One undo step for nodes the analyst dragged, on the release of the mouse.
    void moveNodes(Tab *tab, const QHash<QString, QPointF> &positions);
    // "<project>" with an asterisk while the tab holds unsaved changes; the window title too.
    void updateTabTitle(Tab *tab);
    // Connections of the pictures and shapes of a new tab and of its drawing mode.
    void setUpSceneDecor(Tab *tab);
    // Adds the picture at path with its own size, centred on scenePos; false when it cannot
    // be read.
    bool addBackgroundImage(Tab *tab, const QString &path, const QPointF &scenePos);
    // One undo step putting the given records in place of those with the same uuid.
    void replaceSceneRecords(Tab *tab, const QList<MapRecord> &maps,
                             const QList<ShapeRecord> &shapes, const QString &text);
    void deleteMaps(Tab *tab, const QStringList &uuids);
    void deleteShape(Tab *tab, const QString &uuid);
    void editShape(Tab *tab, const QString &uuid);
    void addDrawnShape(Tab *tab, ShapeRecord::Kind kind, const QRectF &rect);
    // "Dessiner une forme": "Rectangle" and "Ellipse", each starting the drawing mode.
    QMenu *addDrawShapeMenu(QMenu *parent);
    void buildEditMenu();
    void buildUndoActions(QMenu *edit);
    // Relations from the first (or last) clicked of the selected nodes to the others.
    void createEdgesFromPicked(bool firstIsSource);
    // Centre of the part of the scene the tab's view shows; the origin without a view.
    QPointF visibleCentre(const Tab *tab) const;
    void selectNodeItem(Tab *tab, const QString &id);
    // The first selected node of the tab as its table holds it, or as its item shows it once
    // the table no longer does; nothing when no node is selected.
    std::optional<Node> firstSelectedNode(const Tab *tab) const;
    // Ask first, then delete from the tab (the relations of deleted nodes with them).
    void confirmAndDeleteNodes(Tab *tab, const QStringList &ids);
    void confirmAndDeleteEdges(Tab *tab, const QStringList &ids);
    void connectNodeList(NodesListDialog *dialog, Tab *tab);
    void connectEdgeList(EdgesListDialog *dialog, Tab *tab);
    // Opens a connected list of the tab's records, or of restrictTo only when given.
    void openNodeList(Tab *tab, const QString &title = QString(),
                      const QStringList &restrictTo = QStringList());
    void openEdgeList(Tab *tab, const QString &title = QString(),
                      const QStringList &restrictTo = QStringList());
    // "Séparation multi-liens" entries, with their long names in the menu bar.
    QMenu *addEdgeSeparationMenu(QMenu *parent, bool longNames);
    // Ids of the selected node items of the current scene.
    QStringList selectedNodeIds() const;
    // Runs a layout on the current tab's targets, then rebuilds the canvas and reports.
    void applyLayout(void (*layout)(Graph &, const QStringList &), const QString &message,
                     bool fit);
    // The force layout on the current tab, with the parameters for its number of targets,
    // behind a cancellable progress dialog that shows when it lasts; false when there is no
    // tab or the analyst cancelled.
    bool runForceLayout(const std::function<Layouts::ForceParams(int targetCount)> &parameters);

    Prompter *m_prompter = nullptr;
    std::unique_ptr<Prompter> m_ownedPrompter;
    QTabWidget *m_tabs = nullptr;
    std::vector<std::unique_ptr<Tab>> m_tabList; // in tab order
    QUndoGroup *m_undoGroup = nullptr; // the tabs' histories, the current one active
    ApiServer *m_apiServer = nullptr; // created at the first exposure, kept with the window
    TimelineWidget *m_timeline = nullptr;
    SearchWidget *m_search = nullptr;
    ChatAIDialog *m_chat = nullptr; // created at its first opening, kept with the window
};
