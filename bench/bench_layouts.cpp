// Force layout presets on synthetic graphs (two relations per node).
//
// bench_layouts [node counts...]   (default 1000 3000 10000)
//   The exact all-pairs sum timed beside a plain transcription of the same iteration:
//   positions as points, a square root and three divisions per pair. Prints total times, time
//   per iteration, the speed-up, how far the two results are apart after one and after ten
//   iterations, and how the time per iteration grows when the node count doubles.
//
// bench_layouts clustered [node counts...]   (default 20000 100000)
//   "rapide" on graphs of clusters of 50 nodes, as the program runs it (the quadtree above
//   the all-pairs limit, on every core): seconds, and the mean relation length over the mean
//   distance between random pairs before and after. Beside it the exact all-pairs layout of
//   the same graph, for counts up to --all-pairs-up-to N (default 20000).

#include "model/graph.h"
#include "ops/layouts.h"
#include "syntheticgraph.h"

#include <QCoreApplication>
#include <QHash>
#include <QPointF>
#include <QThread>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <random>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

Graph makeGraph(int n)
{
    std::mt19937 generator(7);
    std::uniform_real_distribution<double> coordinate(-2000.0, 2000.0);
    std::uniform_int_distribution<int> pick(0, n - 1);
    Graph graph;
    for (int i = 0; i < n; ++i) {
        Node node;
        node.id = QStringLiteral("n%1").arg(i, 6, 10, QLatin1Char('0'));
        node.pos = QPointF(coordinate(generator), coordinate(generator));
        graph.insertNode(node);
    }
    for (int i = 0; i < n; ++i) {
        for (int target : {(i + 1) % n, pick(generator)}) {
            Edge edge;
            edge.id = QStringLiteral("e%1-%2").arg(i).arg(graph.edges().size());
            edge.src = QStringLiteral("n%1").arg(i, 6, 10, QLatin1Char('0'));
            edge.dst = QStringLiteral("n%1").arg(target, 6, 10, QLatin1Char('0'));
            graph.insertEdge(edge);
        }
    }
    return graph;
}

// The iteration as written: every unordered pair, then every spring, gravity, cooling.
// Runs `limit` iterations of the schedule for `params.iterations`, answers the positions after
// centroid keeping.
std::vector<QPointF> plainForce(const Graph &graph, const QStringList &ids,
                                const Layouts::ForceParams &params, int limit)
{
    const int n = ids.size();
    const double k = std::sqrt(640000.0 / n) * params.kMul;
    QHash<QString, int> index;
    std::vector<QPointF> p;
    std::vector<bool> fixed;
    for (int i = 0; i < n; ++i) {
        index.insert(ids[i], i);
        p.push_back(graph.node(ids[i]).pos);
        fixed.push_back(graph.node(ids[i]).anchored);
    }
    std::vector<std::pair<int, int>> springs;
    for (const Edge &edge : graph.edges())
        springs.emplace_back(index.value(edge.src), index.value(edge.dst));
    QPointF before;
    for (const QPointF &q : p)
        before += q / n;

    const int total = params.iterations;
    for (int t = 0; t < limit; ++t) {
        std::vector<QPointF> d(static_cast<size_t>(n));
        for (int i = 0; i < n; ++i) {
            for (int j = i + 1; j < n; ++j) {
                const QPointF delta = p[i] - p[j];
                const double dist =
                    std::max(std::sqrt(delta.x() * delta.x() + delta.y() * delta.y()), 1e-9);
                const double f = k * k / dist;
                const QPointF push = delta / dist * f * params.repulsion;
                d[i] += push;
                d[j] -= push;
            }
        }
        for (const auto &[a, b] : springs) {
            const QPointF delta = p[a] - p[b];
            double dist = std::sqrt(delta.x() * delta.x() + delta.y() * delta.y());
            double dist2 = dist * dist;
            if (dist < 1e-9) {
                dist = 1e-9;
                dist2 = 1e-18;
            }
            const QPointF pull = delta / dist * (dist2 / k) * params.attraction;
            d[a] -= pull;
            d[b] += pull;
        }
        QPointF centre;
        for (const QPointF &q : p)
            centre += q;
        centre /= n;
        for (int i = 0; i < n; ++i)
            d[i] += (centre - p[i]) * params.gravity;
        const double temperature = (1.0 - double(t) / total) * (std::log(1.0 + n) + 80.0);
        for (int i = 0; i < n; ++i) {
            const double length = std::sqrt(d[i].x() * d[i].x() + d[i].y() * d[i].y());
            if (!fixed[i] && length > 1e-9)
                p[i] += d[i] * temperature / length;
        }
    }
    QPointF after;
    for (const QPointF &q : p)
        after += q / n;
    for (int i = 0; i < n; ++i) {
        if (!fixed[i])
            p[i] += before - after;
    }
    return p;
}

// Seconds per iteration, best of `repeats` runs (the machine is shared; the fastest run is
// the least disturbed). With setup, every iteration of the whole schedule is timed, the
// setup included; otherwise the time of `limit` iterations less the time of one, which
// leaves the setup out.
double fastPerIteration(const Graph &graph, const QStringList &ids,
                        const Layouts::ForceParams &params, int limit, int repeats,
                        bool withSetup = false)
{
    auto timed = [&](int iterations) {
        double best = 1e300;
        for (int r = 0; r < repeats; ++r) {
            Graph copy = graph;
            const auto start = Clock::now();
            if (iterations < params.iterations)
                Layouts::force(copy, ids, params,
                               [iterations](int done, int) { return done < iterations; });
            else
                Layouts::force(copy, ids, params);
            best = std::min(best, secondsSince(start));
        }
        return best;
    };
    if (withSetup)
        return timed(params.iterations) / params.iterations;
    return (timed(limit) - timed(1)) / (limit - 1);
}

double plainPerIteration(const Graph &graph, const QStringList &ids,
                         const Layouts::ForceParams &params, int limit, int repeats)
{
    auto timed = [&](int iterations) {
        double best = 1e300;
        for (int r = 0; r < repeats; ++r) {
            const auto start = Clock::now();
            plainForce(graph, ids, params, iterations);
            best = std::min(best, secondsSince(start));
        }
        return best;
    };
    return (timed(limit) - timed(1)) / (limit - 1);
}

// Largest coordinate difference between the two implementations after a whole schedule of
// `iterations` iterations.
double drift(const Graph &graph, const QStringList &ids, Layouts::ForceParams params,
             int iterations)
{
    params.iterations = iterations;
    Graph fast = graph;
    Layouts::force(fast, ids, params);
    const std::vector<QPointF> plain = plainForce(graph, ids, params, iterations);
    double largest = 0.0;
    for (int i = 0; i < ids.size(); ++i) {
        const QPointF delta = fast.node(ids[i]).pos - plain[size_t(i)];
        largest = std::max(largest, std::max(std::abs(delta.x()), std::abs(delta.y())));
    }
    return largest;
}

QByteArray presetName(Layouts::ForcePreset preset)
{
    switch (preset) {
    case Layouts::ForcePreset::Fast: return QStringLiteral("rapide").leftJustified(9).toUtf8();
    case Layouts::ForcePreset::Compact: return QStringLiteral("compacte").leftJustified(9).toUtf8();
    case Layouts::ForcePreset::Spaced: return QStringLiteral("aérée").leftJustified(9).toUtf8();
    }
    return QByteArray();
}

// Seconds of one "rapide" run and the spread ratio of its result.
std::pair<double, double> clusteredRun(const Graph &graph, Layouts::ForceMethod method)
{
    Graph copy = graph;
    const QStringList ids = Layouts::targetList(copy, {});
    Layouts::ForceParams params =
        Layouts::forcePreset(Layouts::ForcePreset::Fast, int(ids.size()));
    params.method = method;
    const auto start = Clock::now();
    Layouts::force(copy, ids, params);
    const double seconds = secondsSince(start);
    return {seconds, relationSpreadRatio(copy)};
}

int clustered(const QStringList &arguments)
{
    QList<int> sizes;
    int allPairsUpTo = 20000;
    for (int i = 0; i < arguments.size(); ++i) {
        if (arguments.at(i) == u"--all-pairs-up-to" && i + 1 < arguments.size())
            allPairsUpTo = arguments.at(++i).toInt();
        else
            sizes.append(arguments.at(i).toInt());
    }
    if (sizes.isEmpty())
        sizes = {20000, 100000};
    std::printf("rapide on clusters of 50, %d threads\n", QThread::idealThreadCount());
    std::printf("%-7s %5s %10s %10s %10s %12s %12s\n", "nodes", "iter", "start", "auto s",
                "auto", "all-pairs s", "all-pairs");
    for (int n : sizes) {
        const Graph graph = makeClusteredGraph(n / 50, 50);
        const auto [seconds, ratio] = clusteredRun(graph, Layouts::ForceMethod::Automatic);
        std::printf("%-7d %5d %10.3f %10.2f %10.3f", n,
                    Layouts::forcePreset(Layouts::ForcePreset::Fast, n).iterations,
                    relationSpreadRatio(graph), seconds, ratio);
        std::fflush(stdout);
        if (n <= allPairsUpTo) {
            const auto [exactSeconds, exactRatio] =
                clusteredRun(graph, Layouts::ForceMethod::AllPairs);
            std::printf(" %12.2f %12.3f", exactSeconds, exactRatio);
        }
        std::printf("\n");
        std::fflush(stdout);
    }
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments().mid(1);
    if (!arguments.isEmpty() && arguments.first() == u"clustered")
        return clustered(arguments.mid(1));
    QList<int> sizes;
    for (const QString &argument : arguments)
        sizes.append(argument.toInt());
    if (sizes.isEmpty())
        sizes = {1000, 3000, 10000};

    std::printf("%-7s %-9s %5s %10s %12s %12s %8s %13s\n", "nodes", "preset", "iter",
                "total s", "fast ms/it", "plain ms/it", "speedup", "drift 1/10 it");
    for (int n : sizes) {
        const Graph graph = makeGraph(n);
        const QStringList ids = Layouts::targetList(graph, {});
        // Large graphs get one full run and a few plain iterations; small ones the best of
        // three of both.
        const bool large = n > 3000;
        const int repeats = large ? 1 : 3;
        for (Layouts::ForcePreset preset : {Layouts::ForcePreset::Fast,
                                            Layouts::ForcePreset::Compact,
                                            Layouts::ForcePreset::Spaced}) {
            Layouts::ForceParams params = Layouts::forcePreset(preset, n);
            params.method = Layouts::ForceMethod::AllPairs;
            const double fast =
                fastPerIteration(graph, ids, params, params.iterations, repeats, true);
            const double plain =
                plainPerIteration(graph, ids, params, large ? 5 : 20, repeats);
            const QString drifts = large ? QStringLiteral("-")
                                         : QStringLiteral("%1 / %2")
                                               .arg(drift(graph, ids, params, 1), 0, 'g', 2)
                                               .arg(drift(graph, ids, params, 10), 0, 'g', 2);
            std::printf("%-7d %s %5d %10.3f %12.3f %12.3f %7.2fx %13s\n", n,
                        presetName(preset).constData(), params.iterations,
                        fast * params.iterations, fast * 1e3, plain * 1e3, plain / fast,
                        qPrintable(drifts));
            std::fflush(stdout);
        }
    }

    // A long schedule, so that any number of iterations can be timed, each measurement long
    // enough (about 0.3 s for the plain one at 500 nodes) to outlast the neighbours' noise.
    std::printf("\nTime per iteration when the node count doubles (rapide parameters, best of "
                "5):\n");
    std::printf("%-13s %6s %14s %14s\n", "nodes", "iter", "fast ratio", "plain ratio");
    for (int n : sizes) {
        const Graph half = makeGraph(n / 2);
        const Graph full = makeGraph(n);
        const QStringList halfIds = Layouts::targetList(half, {});
        const QStringList fullIds = Layouts::targetList(full, {});
        const int limit = std::max(4, int(3e8 / (double(n) * n)));
        Layouts::ForceParams params = Layouts::forcePreset(Layouts::ForcePreset::Fast, n);
        params.iterations = 1000000;
        params.method = Layouts::ForceMethod::AllPairs;
        const double fastRatio = fastPerIteration(full, fullIds, params, limit, 5)
            / fastPerIteration(half, halfIds, params, limit, 5);
        const double plainRatio = plainPerIteration(full, fullIds, params, limit, 5)
            / plainPerIteration(half, halfIds, params, limit, 5);
        std::printf("%6d->%-6d %6d %14.2f %14.2f\n", n / 2, n, limit, fastRatio, plainRatio);
        std::fflush(stdout);
    }
    return 0;
}
