// The data-quality report, the five quick statistics and the chart counts on a large
// investigation (default 100 000 nodes, 200 000 relations, 150 000 attribute rows). One node
// in ten has a picture among 200 paths, half of which do not exist, so the report's file
// checks are part of the time. Prints the time of each, best of three runs, beside a plain
// reference: one pass that puts every node id and both ends of every relation into a hash set,
// the least a report over the relations can cost. The goal is under one second for the report
// and for the statistics.
//
// Usage: bench_analysis [nodes relations]

#include "analysis/chartcounts.h"
#include "analysis/dataquality.h"
#include "analysis/statistics.h"
#include "syntheticgraph.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSet>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>

namespace {

using Clock = std::chrono::steady_clock;

double bestOfThree(const std::function<void()> &run)
{
    double best = 1e9;
    for (int i = 0; i < 3; ++i) {
        const Clock::time_point start = Clock::now();
        run();
        best = std::min(best, std::chrono::duration<double>(Clock::now() - start).count());
    }
    return best;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    const int nodes = arguments.size() > 2 ? arguments[1].toInt() : 100000;
    const int relations = arguments.size() > 2 ? arguments[2].toInt() : 200000;

    QTemporaryDir pictures;
    Graph graph = makeSyntheticGraph(nodes, relations, nodes * 3 / 2);
    int index = 0;
    for (Node node : graph.nodes()) {
        if (index++ % 10 != 0)
            continue;
        const QString path = pictures.filePath(QStringLiteral("p%1.png").arg(index % 200));
        if (index % 200 < 100) {
            QFile file(path);
            if (file.open(QIODevice::WriteOnly))
                file.write("png");
        }
        node.mediaPath = path;
        graph.replaceNode(node);
    }
    std::printf("%d nodes, %d relations\n", nodes, relations);

    const double reference = bestOfThree([&]() {
        QSet<QString> ids;
        ids.reserve(graph.nodes().size());
        for (auto it = graph.nodes().cbegin(); it != graph.nodes().cend(); ++it)
            ids.insert(it.key());
        for (const Edge &edge : graph.edges()) {
            ids.insert(edge.src);
            ids.insert(edge.dst);
        }
    });
    std::printf("reference pass      %7.3f s\n", reference);

    int rows = 0;
    const double report = bestOfThree([&]() {
        rows = 0;
        for (const QualitySection &section : DataQuality::analyse(graph))
            rows += int(section.rows.size());
    });
    std::printf("quality report      %7.3f s  (%d rows)\n", report, rows);

    int pairs = 0;
    const double statistics = bestOfThree([&]() {
        pairs = 0;
        for (const Statistic &statistic : Statistics::all(graph))
            pairs += int(statistic.pairs.size());
    });
    std::printf("five statistics     %7.3f s  (%d pairs)\n", statistics, pairs);

    const struct
    {
        const char *name;
        ChartCounts::Subject subject;
    } subjects[] = {{"node types", ChartCounts::Subject::NodeTypes},
                    {"relation types", ChartCounts::Subject::EdgeTypes},
                    {"node attribute keys", ChartCounts::Subject::NodeAttributeKeys}};
    for (const auto &subject : subjects) {
        const double count = bestOfThree(
            [&]() { ChartCounts::count(graph, subject.subject, ChartCounts::Options()); });
        std::printf("chart: %-20s %7.3f s\n", subject.name, count);
    }
    return 0;
}
