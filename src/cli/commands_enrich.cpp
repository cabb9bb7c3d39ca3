#include "commands.h"

#include "components/chaincomponents.h"
#include "components/component.h"
#include "config/appconfig.h"
#include "model/graph.h"
#include "model/scenerecords.h"
#include "storage/projectfiles.h"

#include <QCoreApplication>
#include <QHash>
#include <QLoggingCategory>
#include <QTextStream>

#include <algorithm>
#include <functional>

namespace CliCommands {

namespace {

// Answers a run from the command line: the defaults changed by the flags, every confirmation
// with its default boxes, the log straight to the output.
class CliComponentHost : public ComponentHost
{
public:
    CliComponentHost(QTextStream &out, const std::function<void(ComponentOptions &)> &flags)
        : m_out(out), m_flags(flags)
    {
    }

    std::optional<ComponentOptions> options(const ComponentInfo &,
                                            const ComponentOptions &defaults) override
    {
        ComponentOptions options = defaults;
        m_flags(options);
        m_createNodes = options.createNodes;
        m_count = options.count;
        return options;
    }
    // The number a question asks for is --count when given, else the most it offers.
    ConfirmAnswer confirm(const ConfirmRequest &request) override
    {
        const int number = m_count > 0 ? qMin(m_count, request.numberMax) : request.numberMax;
        return {true, true, m_createNodes, number};
    }
    void begin(const QString &) override {}
    void progress(int, int, const QString &, const QString &) override {}
    void log(const QString &line) override
    {
        m_out << line << '\n';
        m_out.flush();
    }
    bool isCancelled() const override { return false; }
    void end() override {}

private:
    QTextStream &m_out;
    std::function<void(ComponentOptions &)> m_flags;
    bool m_createNodes = false;
    int m_count = 0;
};

int usage(QTextStream &err)
{
    err << "usage: orvane-cli enrich NAME FILE [--nodes ID,...] [--create-nodes]"
           " [--provider URL-TEMPLATE] [--timeout MS] [--delay MS] [--chain ID] [--count N]"
           " [--depth N] [--include-unverified] | enrich --list\n";
    return 2;
}

} // namespace

int enrich(const QStringList &arguments, QTextStream &out, QTextStream &err)
{
    if (arguments == QStringList{QStringLiteral("--list")}) {
        for (const Component *component : Components::all()) {
            const ComponentInfo info = component->info();
            out << info.name << '\t' << info.inputType << '\t' << info.form.title << '\n';
        }
        return 0;
    }
    QStringList positional;
    QStringList nodeIds;
    bool nodesGiven = false;
    bool createNodes = false;
    QString provider;
    int timeout = 0;
    // Numeric flags: -1 leaves the component's default.
    QHash<QString, int> numbers = {{QStringLiteral("--delay"), -1},
                                   {QStringLiteral("--chain"), -1},
                                   {QStringLiteral("--count"), -1},
                                   {QStringLiteral("--depth"), -1}};
    bool includeUnverified = false;
    for (int i = 0; i < arguments.size(); ++i) {
        const QString &argument = arguments.at(i);
        const bool hasValue = i + 1 < arguments.size();
        if (argument == u"--create-nodes") {
            createNodes = true;
        } else if (argument == u"--nodes" && hasValue) {
            nodesGiven = true;
            for (const QString &id : arguments.at(++i).split(QLatin1Char(','), Qt::SkipEmptyParts))
                nodeIds.append(id.trimmed());
        } else if (argument == u"--provider" && hasValue) {
            provider = arguments.at(++i).trimmed();
        } else if (argument == u"--timeout" && hasValue) {
            bool ok = false;
            timeout = arguments.at(++i).toInt(&ok);
            if (!ok || timeout < 1) {
                err << "orvane-cli: invalid --timeout " << arguments.at(i) << '\n';
                return 2;
            }
        } else if (numbers.contains(argument) && hasValue) {
            bool ok = false;
            const int value = arguments.at(++i).toInt(&ok);
            if (!ok || value < 0) {
                err << "orvane-cli: invalid " << argument << ' ' << arguments.at(i) << '\n';
                return 2;
            }
            numbers[argument] = value;
        } else if (argument == u"--include-unverified") {
            includeUnverified = true;
        } else if (argument.startsWith(QLatin1String("--"))) {
            return usage(err);
        } else {
            positional.append(argument);
        }
    }
    if (positional.size() != 2)
        return usage(err);
    const Component *component = Components::find(positional.at(0));
    if (!component) {
        err << "orvane-cli: unknown component " << positional.at(0)
            << " (orvane-cli enrich --list)\n";
        return 2;
    }
    const int chain = numbers.value(QStringLiteral("--chain"));
    if (chain >= 0 && EvmChains::byId(chain).id != chain) {
        err << "orvane-cli: unknown --chain " << chain << '\n';
        return 2;
    }
    if (!provider.isEmpty() && component->info().form.providerTemplate
        && !provider.contains(QLatin1String("%1"))) {
        err << "orvane-cli: --provider needs %1 where the node's value goes\n";
        return 2;
    }
    const QString &file = positional.at(1);
    QString error;
    Graph graph;
    SceneRecords scene;
    if (!loadExisting(file, graph, scene, &error)) {
        err << "orvane-cli: " << error << '\n';
        return 1;
    }
    for (const QString &id : std::as_const(nodeIds)) {
        if (!graph.hasNode(id)) {
            err << "orvane-cli: no node " << id << " in " << file << '\n';
            return 1;
        }
    }
    const ComponentInfo info = component->info();
    const QStringList inputs = Components::inputNodes(*component, graph);
    const QStringList ids = nodesGiven ? nodeIds : inputs;
    const bool anyInput = std::any_of(ids.cbegin(), ids.cend(),
                                      [&](const QString &id) { return inputs.contains(id); });
    if (!anyInput) {
        err << "orvane-cli: no node of type " << info.inputType << " to enrich\n";
        return 1;
    }

    // Standard error is for failures: the components' diagnostic lines show only when asked
    // for (QT_LOGGING_RULES="default.debug=true").
    QLoggingCategory::setFilterRules(QStringLiteral("default.debug=false"));
    // Service addresses and keys come from the user's configuration file.
    QCoreApplication::setApplicationName(QStringLiteral("ORVANE"));
    QCoreApplication::setOrganizationName(QStringLiteral("ORVANE"));
    AppConfig::load();
    CliComponentHost host(out, [&](ComponentOptions &options) {
        if (!provider.isEmpty())
            options.provider = provider;
        if (timeout > 0)
            options.timeoutMs = timeout;
        options.createNodes = createNodes;
        if (numbers.value(QStringLiteral("--delay")) >= 0)
            options.delayMs = numbers.value(QStringLiteral("--delay"));
        if (chain >= 0)
            EvmChains::switchChain(options, chain);
        if (numbers.value(QStringLiteral("--count")) >= 0)
            options.count = numbers.value(QStringLiteral("--count"));
        if (numbers.value(QStringLiteral("--depth")) >= 0)
            options.depth = numbers.value(QStringLiteral("--depth"));
        options.includeUnverified = options.includeUnverified || includeUnverified;
    });
    const Components::RunResult result = Components::run(*component, graph, ids, host);
    // The services may take long: what another writer saved meanwhile stays, and the run's
    // findings go on top of the file as it is now.
    const auto applyFindings = [&result](Graph &current, QString *) {
        result.changes.applyTo(current);
        return true;
    };
    if (!ProjectFiles::update(file, applyFindings, &error)) {
        err << "orvane-cli: " << error << '\n';
        return 1;
    }
    return 0;
}

} // namespace CliCommands
