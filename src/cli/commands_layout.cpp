#include "commands.h"

#include "model/graph.h"
#include "model/scenerecords.h"
#include "ops/layouts.h"
#include "storage/projectfiles.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTextStream>

#include <functional>
#include <map>

namespace CliCommands {

namespace {

using Layout = std::function<void(Graph &, const QStringList &)>;

Layout forceLayout(Layouts::ForcePreset preset)
{
    return [preset](Graph &graph, const QStringList &targets) {
        Layouts::force(graph, targets, Layouts::forcePreset(preset, int(targets.size())));
    };
}

const std::map<QString, Layout> &layouts()
{
    static const std::map<QString, Layout> table = {
        {QStringLiteral("grid"),
         [](Graph &graph, const QStringList &targets) { Layouts::grid(graph, targets); }},
        {QStringLiteral("zigzag"), Layouts::zigzag},
        {QStringLiteral("circle"), Layouts::circle},
        {QStringLiteral("random"), Layouts::random},
        {QStringLiteral("radial"), Layouts::radial},
        {QStringLiteral("components"), Layouts::components},
        {QStringLiteral("force"), forceLayout(Layouts::ForcePreset::Fast)},
        {QStringLiteral("force-compact"), forceLayout(Layouts::ForcePreset::Compact)},
        {QStringLiteral("force-spaced"), forceLayout(Layouts::ForcePreset::Spaced)},
        {QStringLiteral("clusters"), Layouts::clustersByType},
    };
    return table;
}

} // namespace

int layout(const QStringList &arguments, QTextStream &out, QTextStream &err)
{
    if (arguments.size() != 2) {
        err << "usage: orvane-cli layout NAME FILE\n";
        return 2;
    }
    const QString &name = arguments.at(0);
    const QString &file = arguments.at(1);
    const auto layout = layouts().find(name);
    if (layout == layouts().end()) {
        QStringList known;
        for (const auto &entry : layouts())
            known.append(entry.first);
        err << "orvane-cli: unknown layout " << name << " (" << known.join(QStringLiteral(", "))
            << ")\n";
        return 2;
    }
    QString error;
    Graph graph;
    SceneRecords scene;
    if (!loadExisting(file, graph, scene, &error)) {
        err << "orvane-cli: " << error << '\n';
        return 1;
    }
    const QStringList targets = Layouts::targetList(graph, {});
    layout->second(graph, targets);
    if (!ProjectFiles::save(file, graph, scene, &error)) {
        err << "orvane-cli: " << error << '\n';
        return 1;
    }
    QJsonObject result{{QStringLiteral("layout"), name},
                       {QStringLiteral("nodes"), int(targets.size())}};
    out << QJsonDocument(result).toJson(QJsonDocument::Compact) << '\n';
    return 0;
}

} // namespace CliCommands
