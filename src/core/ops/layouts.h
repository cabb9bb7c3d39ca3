#pragma once

#include <QDateTime>
#include <QPointF>
#include <QStringList>

#include <functional>
#include <optional>
#include <utility>
#include <vector>

class Graph;

// Layouts rearrange the positions of nodes in a graph's table. They never touch canvas items
// and never move anchored nodes, though anchored nodes keep their slot in the target list.
// After placing, the moved targets are translated so that the centroid of the targets stays
// where it was. Positions are written only through Graph::replaceNode.
//
// Where an order matters and the graph has none (every node, the relations), nodes and
// relations are taken by id, so that a layout gives the same result in every run.
namespace Layouts {

// Width of a label in scene units.
using LabelWidth = std::function<double(const QString &label)>;

// Called after each iteration of a long layout; answering false cancels it.
using Progress = std::function<bool(int done, int total)>;

// The label width in the application's default font. Without a GUI application (the
// command line) no font can be measured, and the width is estimated per character.
LabelWidth applicationLabelWidth();

// The selected nodes (known ids, duplicates removed, in selection order) when some but not
// all nodes are selected; otherwise every node of the table, by id.
QStringList targetList(const Graph &graph, const QStringList &selectedIds);

// Footprint of a node: size * 25, at least 12.5 and at most 150; 25 for an unknown id.
double nodeDiameter(const Graph &graph, const QString &id);

// 40 + 8 * mean label length, within 80..250; 100 for an empty list.
double labelSpacing(const Graph &graph, const QStringList &ids);

// Rows of ceil(sqrt(n)) columns, each column as wide as its widest label or node plus 12 (at
// least 40), columns 16 apart and centred on 0, rows 90 apart. An empty labelWidth measures
// in the application's default font.
void grid(Graph &graph, const QStringList &targets, const LabelWidth &labelWidth = {});

// Two columns in topological order of the relations between the targets (cycles broken at
// the node with the fewest remaining incoming relations), 100 apart vertically.
void zigzag(Graph &graph, const QStringList &targets);

// Nodes on a circle of radius 10 * sqrt(n) + 200, in the order of the target list; wider
// when neighbours would overlap otherwise (each node's body or label, whichever is wider,
// plus a gap).
void circle(Graph &graph, const QStringList &targets);

// Uniform positions in a 1000 x 1000 square from a generator seeded with 42 on every call.
void random(Graph &graph, const QStringList &targets);

// Breadth-first levels from the best-connected target on circles of radius 120 * level + 80;
// targets out of reach share the level after the deepest.
void radial(Graph &graph, const QStringList &targets);

// Each connected component on its own circle (widened as the circle layout's), components
// in cells 600 apart, or as far apart as the widest circle needs.
void components(Graph &graph, const QStringList &targets);

// Each node type on its own circle, types in cells 700 apart.
void clustersByType(Graph &graph, const QStringList &targets);

// How the repulsion between every two targets is summed. AllPairs visits each pair: exact,
// and n^2 / 2 pairs an iteration. FarField groups distant nodes in the cells of a quadtree
// (Barnes-Hut) and spreads the work over every core: an approximation that stays near
// n log n. Automatic takes AllPairs up to allPairsLimit targets and FarField above.
enum class ForceMethod { Automatic, AllPairs, FarField };

inline constexpr int allPairsLimit = 2000;

struct ForceParams
{
    double repulsion = 0.75;
    double attraction = 0.02;
    double gravity = 0.005;
    double kMul = 1.0;
    int iterations = 50;
    ForceMethod method = ForceMethod::Automatic;
};

enum class ForcePreset { Fast, Compact, Spaced };

// The parameters of a preset for n target nodes.
ForceParams forcePreset(ForcePreset preset, int n);

// What a force layout reads from the graph, copied so that it can be computed on another
// thread while the graph goes on living.
struct ForceSnapshot
{
    QStringList ids; // the known targets, in target order
    std::vector<QPointF> positions;
    std::vector<char> anchored;
    std::vector<std::pair<int, int>> springs; // relations between two distinct targets, by id
};

ForceSnapshot forceSnapshot(const Graph &graph, const QStringList &targets);

// Force-directed placement: every pair of targets repels, every relation between targets
// pulls, gravity draws towards the mean, and each free node moves by a temperature that
// cools to 0. Anchored targets stay fixed but push and pull. Answers the positions in
// snapshot order, nothing when progress cancels. Progress is called on the calling thread;
// the result does not depend on how many threads share the work.
std::optional<std::vector<QPointF>> forcePositions(const ForceSnapshot &snapshot,
                                                   const ForceParams &params,
                                                   const Progress &progress = {});

// Writes computed positions into the graph: the free targets that are still in it move, and
// all are shifted so that the targets keep the centroid they had in the snapshot.
void applyForcePositions(Graph &graph, const ForceSnapshot &snapshot,
                         const std::vector<QPointF> &positions);

// forceSnapshot, forcePositions and applyForcePositions in one go. Answers false, with every
// position left as it was, when progress cancels.
bool force(Graph &graph, const QStringList &targets, const ForceParams &params,
           const Progress &progress = {});

inline constexpr double timelinePixelsPerDay = 40.0;
inline constexpr double timelineAxisY = -80.0;

struct TimelinePlacement
{
    bool found = false; // some node has a validity start
    QDateTime earliest;
    QDateTime latest;
    QPointF viewCentre; // where the view centres: the mean start on the axis
};

// Places every dated, non-anchored node at its validity start on an axis beginning at x 0
// with 40 units per day, in rows under the axis so that close dates and their labels do not
// overlap. Nothing moves when no node has a validity start. An empty labelWidth measures in
// the application's default font.
TimelinePlacement timeline(Graph &graph, const LabelWidth &labelWidth = {});

// True when the graph holds several nodes that all sit at the origin, as freshly imported
// nodes do.
bool allNodesAtOrigin(const Graph &graph);

// Most nodes placed fresh on a circle; more go on a grid.
constexpr int freshCircleLimit = 100;

// Gives nodes that have no place yet one: a lone node goes to the origin, several nodes
// that all sit at the origin go on a circle, or on a grid past freshCircleLimit. Run after
// every change but a move.
void placeFreshNodes(Graph &graph);

} // namespace Layouts
