#include "ops/layouts.h"
#include "ops/layouts_p.h"

#include "model/graph.h"

#include <QHash>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentMap>

#include <algorithm>
#include <cmath>
#include <complex>
#include <tuple>

namespace Layouts {

ForceParams forcePreset(ForcePreset preset, int n)
{
    switch (preset) {
    case ForcePreset::Compact:
        return {0.8, 0.05, 0.01, 0.9, std::min(n / 15 + 80, 300)};
    case ForcePreset::Spaced:
        return {1.0, 0.015, 0.003, 1.3, std::min(n / 15 + 80, 300)};
    case ForcePreset::Fast:
        break;
    }
    return {0.75, 0.02, 0.005, 1.0, std::min(n / 20 + 50, 200)};
}

namespace {

// Nodes at exactly the same place have no direction between them, so the repulsion leaves
// them together for ever. Each such pair (a, b), a < b, is pushed apart as if the two sat at
// the floor distance, a along the direction drawn from a + b and b the opposite way.
double goldenAngle()
{
    return M_PI * (3.0 - std::sqrt(5.0));
}

QPointF coincidentDirection(size_t a, size_t b)
{
    const double angle = goldenAngle() * double(a + b);
    return {std::cos(angle), std::sin(angle)};
}

// A quadtree over the node positions, for the far-field repulsion. Cells are kept in
// depth-first order, each followed by its subtree; `next` is the first cell after that
// subtree, so that a walk needs no stack. A cell covers a range of the nodes in tree order.
// Nodes at the same place always share a leaf; within a leaf they are kept together, in
// index order.
class QuadTree
{
public:
    // A leaf holds at most this many nodes, unless they cannot be told apart any further.
    static constexpr size_t leafSize = 8;
    static constexpr int maxDepth = 48;

    // `coincident` is the push between two nodes at the same place.
    void build(const std::vector<double> &x, const std::vector<double> &y, double coincident)
    {
        const size_t n = x.size();
        m_order.resize(n);
        for (size_t i = 0; i < n; ++i)
            m_order[i] = i;
        const auto [minX, maxX] = std::minmax_element(x.cbegin(), x.cend());
        const auto [minY, maxY] = std::minmax_element(y.cbegin(), y.cend());
        double side = std::max(*maxX - *minX, *maxY - *minY);
        if (!(side > 0.0))
            side = 1.0;
        m_cells.clear();
        subdivide(x.data(), y.data(), 0, n, *minX, *minY, side, 0);
        m_x.resize(n);
        m_y.resize(n);
        for (size_t r = 0; r < n; ++r) {
            m_x[r] = x[m_order[r]];
            m_y[r] = y[m_order[r]];
        }
        separateCoincident(coincident);
    }

    // Nodes in tree order: neighbours on the canvas are close in it.
    const std::vector<size_t> &order() const { return m_order; }

    // The repulsion on the node of tree rank `rank` from every other node, strength / d
    // along the direction from each: cells that look smaller than theta from the node act as
    // one mass at their centre, nearer ones are opened, and the nodes of the leaves reached
    // push one by one, except those at the node's own place, whose push is summed already.
    QPointF push(size_t rank, double strength, double theta) const
    {
        const double xi = m_x[rank];
        const double yi = m_y[rank];
        const double theta2 = theta * theta;
        double fx = m_coincidentX[rank];
        double fy = m_coincidentY[rank];
        const auto pushFrom = [&](size_t begin, size_t end) {
            for (size_t r = begin; r < end; ++r) {
                const double ex = xi - m_x[r];
                const double ey = yi - m_y[r];
                const double w = strength / std::max(ex * ex + ey * ey, 1e-18);
                fx += ex * w;
                fy += ey * w;
            }
        };
        for (size_t c = 0; c < m_cells.size();) {
            const Cell &cell = m_cells[c];
            const double dx = xi - cell.cx;
            const double dy = yi - cell.cy;
            const double d2 = dx * dx + dy * dy;
            const bool inside = rank >= cell.begin && rank < cell.end;
            if (!inside && cell.side * cell.side < theta2 * d2) {
                const double w = strength * cell.mass / d2;
                fx += dx * w;
                fy += dy * w;
                c = cell.next;
            } else if (!cell.leaf) {
                ++c;
            } else if (inside) {
                pushFrom(cell.begin, m_placeBegin[rank]);
                pushFrom(m_placeEnd[rank], cell.end);
                c = cell.next;
            } else {
                pushFrom(cell.begin, cell.end);
                c = cell.next;
            }
        }
        return {fx, fy};
    }

private:
    struct Cell
    {
        double cx = 0.0; // centre of mass
        double cy = 0.0;
        double mass = 0.0; // number of nodes
        double side = 0.0;
        size_t begin = 0; // nodes in tree order
        size_t end = 0;
        size_t next = 0;
        bool leaf = false;
    };

    void subdivide(const double *x, const double *y, size_t begin, size_t end, double x0,
                   double y0, double side, int depth)
    {
        const size_t index = m_cells.size();
        m_cells.emplace_back();
        Cell cell;
        cell.side = side;
        cell.begin = begin;
        cell.end = end;
        cell.mass = double(end - begin);
        double sx = 0.0;
        double sy = 0.0;
        if (end - begin <= leafSize || depth == maxDepth) {
            cell.leaf = true;
            std::sort(m_order.begin() + ptrdiff_t(begin), m_order.begin() + ptrdiff_t(end),
                      [x, y](size_t a, size_t b) {
                          return std::tie(x[a], y[a], a) < std::tie(x[b], y[b], b);
                      });
            for (size_t r = begin; r < end; ++r) {
                sx += x[m_order[r]];
                sy += y[m_order[r]];
            }
        } else {
            const double half = side / 2.0;
            const double midX = x0 + half;
            const double midY = y0 + half;
            size_t *first = m_order.data() + begin;
            size_t *last = m_order.data() + end;
            size_t *lower =
                std::partition(first, last, [y, midY](size_t i) { return y[i] < midY; });
            size_t *lowerRight =
                std::partition(first, lower, [x, midX](size_t i) { return x[i] < midX; });
            size_t *upperRight =
                std::partition(lower, last, [x, midX](size_t i) { return x[i] < midX; });
            const std::tuple<size_t *, size_t *, double, double> quadrants[] = {
                {first, lowerRight, x0, y0},
                {lowerRight, lower, midX, y0},
                {lower, upperRight, x0, midY},
                {upperRight, last, midX, midY}};
            for (const auto &[from, to, qx, qy] : quadrants) {
                if (from == to)
                    continue;
                const size_t child = m_cells.size();
                subdivide(x, y, size_t(from - m_order.data()), size_t(to - m_order.data()), qx,
                          qy, half, depth + 1);
                sx += m_cells[child].cx * m_cells[child].mass;
                sy += m_cells[child].cy * m_cells[child].mass;
            }
        }
        cell.cx = sx / cell.mass;
        cell.cy = sy / cell.mass;
        cell.next = m_cells.size();
        m_cells[index] = cell;
    }

    // The push between nodes at the same place, as the exact layout gives it, summed for each
    // node in one pass over its group: with e(a) = exp(i golden a), the pair (a, b), a < b,
    // pushes a by e(a) e(b) and b by -e(a) e(b), so node a gets e(a) times (the sum of e over
    // the later members less the sum over the earlier ones).
    void separateCoincident(double coincident)
    {
        const size_t n = m_order.size();
        m_placeBegin.resize(n);
        m_placeEnd.resize(n);
        m_coincidentX.assign(n, 0.0);
        m_coincidentY.assign(n, 0.0);
        for (size_t first = 0; first < n;) {
            size_t last = first + 1;
            while (last < n && m_x[last] == m_x[first] && m_y[last] == m_y[first])
                ++last;
            std::complex<double> total;
            for (size_t r = first; r < last; ++r)
                total += unit(m_order[r]);
            std::complex<double> earlier;
            for (size_t r = first; r < last; ++r) {
                const std::complex<double> own = unit(m_order[r]);
                const std::complex<double> force = own * (total - earlier - own - earlier);
                earlier += own;
                m_placeBegin[r] = first;
                m_placeEnd[r] = last;
                if (last - first > 1) {
                    m_coincidentX[r] = force.real() * coincident;
                    m_coincidentY[r] = force.imag() * coincident;
                }
            }
            first = last;
        }
    }

    static std::complex<double> unit(size_t index)
    {
        return std::polar(1.0, goldenAngle() * double(index));
    }

    std::vector<Cell> m_cells;
    std::vector<size_t> m_order; // node index at each tree rank
    std::vector<double> m_x, m_y; // positions in tree order
    // The tree ranks of the nodes at the same place as each, and the push they give it.
    std::vector<size_t> m_placeBegin, m_placeEnd;
    std::vector<double> m_coincidentX, m_coincidentY;
};

// One force layout run over flat arrays.
class ForceRun
{
public:
    // Cells narrower than this fraction of their distance act as one mass.
    static constexpr double theta = 0.8;
    // Nodes in tree order handed to one thread at a time.
    static constexpr size_t chunkSize = 512;

    ForceRun(const ForceSnapshot &snapshot, const ForceParams &params)
        : m_n(snapshot.positions.size()), m_x(m_n), m_y(m_n), m_dx(m_n), m_dy(m_n),
          m_fixed(snapshot.anchored), m_springs(snapshot.springs), m_params(params),
          m_k(std::sqrt(640000.0 / double(std::max<size_t>(m_n, 1)))
              * std::max(params.kMul, 1e-6)),
          m_farField(params.method == ForceMethod::FarField
                     || (params.method == ForceMethod::Automatic
                         && m_n > size_t(allPairsLimit)))
    {
        for (size_t i = 0; i < m_n; ++i) {
            m_x[i] = snapshot.positions[i].x();
            m_y[i] = snapshot.positions[i].y();
        }
        if (m_farField) {
            for (size_t begin = 0; begin < m_n; begin += chunkSize)
                m_chunks.push_back({begin, std::min(begin + chunkSize, m_n)});
        }
    }

    void iterate(int t, int total)
    {
        std::fill(m_dx.begin(), m_dx.end(), 0.0);
        std::fill(m_dy.begin(), m_dy.end(), 0.0);
        if (m_farField) {
            repelFarField();
        } else {
            repelAllPairs();
            separateCoincident();
        }
        attract();
        pullToCentre();
        move((1.0 - double(t) / total) * (std::log(1.0 + double(m_n)) + 80.0));
    }

    std::vector<QPointF> positions() const
    {
        std::vector<QPointF> result(m_n);
        for (size_t i = 0; i < m_n; ++i)
            result[i] = QPointF(m_x[i], m_y[i]);
        return result;
    }

private:
    // (delta / dist) * (k^2 / dist) * repC == delta * (k^2 * repC / dist^2), with the distance
    // floor 1e-9 becoming a floor of 1e-18 on its square. Each pair is visited once: the push
    // on j is the opposite of the push on i. The inner loop is written for the vectoriser:
    // no branch, no aliasing, sums it may reorder.
    void repelAllPairs()
    {
        const double strength = m_k * m_k * m_params.repulsion;
        const double *__restrict x = m_x.data();
        const double *__restrict y = m_y.data();
        double *__restrict dx = m_dx.data();
        double *__restrict dy = m_dy.data();
        const size_t n = m_n;
        for (size_t i = 0; i < n; ++i) {
            const double xi = x[i];
            const double yi = y[i];
            double sx = 0.0;
            double sy = 0.0;
#pragma omp simd reduction(+ : sx, sy)
            for (size_t j = i + 1; j < n; ++j) {
                const double deltaX = xi - x[j];
                const double deltaY = yi - y[j];
                const double w = strength / std::max(deltaX * deltaX + deltaY * deltaY, 1e-18);
                sx += deltaX * w;
                sy += deltaY * w;
                dx[j] -= deltaX * w;
                dy[j] -= deltaY * w;
            }
            dx[i] += sx;
            dy[i] += sy;
        }
    }

    void separateCoincident()
    {
        m_places.resize(m_n);
        for (size_t i = 0; i < m_n; ++i)
            m_places[i] = {m_x[i], m_y[i], i};
        std::sort(m_places.begin(), m_places.end());
        const double push = coincidentPush();
        for (size_t first = 0; first < m_n;) {
            size_t last = first + 1;
            while (last < m_n && std::get<0>(m_places[last]) == std::get<0>(m_places[first])
                   && std::get<1>(m_places[last]) == std::get<1>(m_places[first]))
                ++last;
            for (size_t p = first; p < last; ++p) {
                for (size_t q = p + 1; q < last; ++q) {
                    const size_t a = std::get<2>(m_places[p]);
                    const size_t b = std::get<2>(m_places[q]);
                    const QPointF direction = coincidentDirection(a, b) * push;
                    m_dx[a] += direction.x();
                    m_dy[a] += direction.y();
                    m_dx[b] -= direction.x();
                    m_dy[b] -= direction.y();
                }
            }
            first = last;
        }
    }

    // Each free node sums the push of all others from the tree on its own, so the threads
    // write disjoint slices and the sums do not depend on which thread did what. Anchored
    // nodes never move: their push is not needed.
    void repelFarField()
    {
        m_tree.build(m_x, m_y, coincidentPush());
        const double strength = m_k * m_k * m_params.repulsion;
        QtConcurrent::blockingMap(&m_pool, m_chunks, [&](const std::pair<size_t, size_t> &chunk) {
            for (size_t rank = chunk.first; rank < chunk.second; ++rank) {
                const size_t i = m_tree.order()[rank];
                if (m_fixed[i])
                    continue;
                const QPointF force = m_tree.push(rank, strength, theta);
                m_dx[i] = force.x();
                m_dy[i] = force.y();
            }
        });
    }

    double coincidentPush() const { return m_k * m_k / 1e-9 * m_params.repulsion; }

    void attract()
    {
        for (const auto &[a, b] : m_springs) {
            const double deltaX = m_x[size_t(a)] - m_x[size_t(b)];
            const double deltaY = m_y[size_t(a)] - m_y[size_t(b)];
            double dist = std::sqrt(deltaX * deltaX + deltaY * deltaY);
            double dist2 = dist * dist;
            if (dist < 1e-9) {
                dist = 1e-9;
                dist2 = 1e-18;
            }
            const double scale = dist2 / m_k / dist * m_params.attraction;
            m_dx[size_t(a)] -= deltaX * scale;
            m_dy[size_t(a)] -= deltaY * scale;
            m_dx[size_t(b)] += deltaX * scale;
            m_dy[size_t(b)] += deltaY * scale;
        }
    }

    void pullToCentre()
    {
        double cx = 0.0, cy = 0.0;
        for (size_t i = 0; i < m_n; ++i) {
            cx += m_x[i];
            cy += m_y[i];
        }
        cx /= double(m_n);
        cy /= double(m_n);
        for (size_t i = 0; i < m_n; ++i) {
            m_dx[i] += (cx - m_x[i]) * m_params.gravity;
            m_dy[i] += (cy - m_y[i]) * m_params.gravity;
        }
    }

    // Each free node moves by exactly the temperature along its displacement.
    void move(double temperature)
    {
        for (size_t i = 0; i < m_n; ++i) {
            if (m_fixed[i])
                continue;
            const double length = std::sqrt(m_dx[i] * m_dx[i] + m_dy[i] * m_dy[i]);
            if (length > 1e-9) {
                m_x[i] += m_dx[i] * temperature / length;
                m_y[i] += m_dy[i] * temperature / length;
            }
        }
    }

    size_t m_n;
    std::vector<double> m_x, m_y, m_dx, m_dy;
    std::vector<char> m_fixed;
    std::vector<std::pair<int, int>> m_springs;
    std::vector<std::tuple<double, double, size_t>> m_places; // x, y, index
    ForceParams m_params;
    double m_k;
    bool m_farField;
    QuadTree m_tree;
    std::vector<std::pair<size_t, size_t>> m_chunks; // ranges of tree ranks
    QThreadPool m_pool;
};

} // namespace

ForceSnapshot forceSnapshot(const Graph &graph, const QStringList &targets)
{
    ForceSnapshot snapshot;
    snapshot.ids = knownTargets(graph, targets);
    const auto count = size_t(snapshot.ids.size());
    snapshot.positions.reserve(count);
    snapshot.anchored.reserve(count);
    QHash<QString, int> index;
    for (int i = 0; i < snapshot.ids.size(); ++i) {
        const Node &node = *graph.nodes().constFind(snapshot.ids.at(i));
        index.insert(node.id, i);
        snapshot.positions.push_back(node.pos);
        snapshot.anchored.push_back(node.anchored);
    }
    // A self-loop pulls a node towards itself: no effect, so it is left out.
    for (const Edge *edge : edgesById(graph)) {
        const auto a = index.constFind(edge->src);
        const auto b = index.constFind(edge->dst);
        if (a != index.cend() && b != index.cend() && *a != *b)
            snapshot.springs.emplace_back(*a, *b);
    }
    return snapshot;
}

std::optional<std::vector<QPointF>> forcePositions(const ForceSnapshot &snapshot,
                                                   const ForceParams &params,
                                                   const Progress &progress)
{
    if (snapshot.positions.empty())
        return std::vector<QPointF>();
    ForceRun run(snapshot, params);
    const int total = std::max(params.iterations, 1);
    for (int t = 0; t < total; ++t) {
        run.iterate(t, total);
        if (progress && !progress(t + 1, total))
            return std::nullopt;
    }
    return run.positions();
}

void applyForcePositions(Graph &graph, const ForceSnapshot &snapshot,
                         const std::vector<QPointF> &positions)
{
    const size_t n = std::min(snapshot.positions.size(), positions.size());
    if (n == 0)
        return;
    QPointF before;
    QPointF after;
    for (size_t i = 0; i < n; ++i) {
        before += snapshot.positions[i];
        after += snapshot.anchored[i] ? snapshot.positions[i] : positions[i];
    }
    const QPointF shift = (before - after) / double(n);
    for (size_t i = 0; i < n; ++i) {
        const auto it = graph.nodes().constFind(snapshot.ids.at(int(i)));
        if (snapshot.anchored[i] || it == graph.nodes().cend() || it->anchored)
            continue;
        Node node = *it;
        node.pos = positions[i] + shift;
        graph.replaceNode(node);
    }
}

bool force(Graph &graph, const QStringList &targets, const ForceParams &params,
           const Progress &progress)
{
    const ForceSnapshot snapshot = forceSnapshot(graph, targets);
    const std::optional<std::vector<QPointF>> positions =
        forcePositions(snapshot, params, progress);
    if (!positions)
        return false;
    applyForcePositions(graph, snapshot, *positions);
    return true;
}

} // namespace Layouts
