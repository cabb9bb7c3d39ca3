#include "commands.h"

#include "ai/aiactions.h"
#include "ai/chatclient.h"
#include "ai/graphcontext.h"
#include "config/appconfig.h"
#include "model/scenerecords.h"
#include "storage/projectdb.h"
#include "storage/projectfiles.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFileInfo>
#include <QTextStream>

namespace CliCommands {

namespace {

int usage(QTextStream &err)
{
    err << "usage: orvane-cli ask FILE [--mode discussion|reflection|action] [--nodes ID,...]"
           " [--apply] MESSAGE\n";
    return 2;
}

int failure(QTextStream &err, const QString &error)
{
    err << "orvane-cli: " << error << '\n';
    return 1;
}

} // namespace

int ask(const QStringList &arguments, QTextStream &out, QTextStream &err)
{
    QString file;
    QString message;
    QStringList nodes;
    bool apply = false;
    std::optional<ChatProtocol::Mode> mode = ChatProtocol::Mode::Discussion;
    QStringList positional;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &argument = arguments[i];
        const bool hasValue = i + 1 < arguments.size();
        if (argument == u"--mode" && hasValue)
            mode = ChatProtocol::modeFromName(arguments[++i]);
        else if (argument == u"--nodes" && hasValue)
            nodes = arguments[++i].split(QLatin1Char(','), Qt::SkipEmptyParts);
        else if (argument == u"--apply")
            apply = true;
        else if (argument.startsWith(QLatin1String("--")))
            return usage(err);
        else
            positional << argument;
    }
    if (!mode || positional.size() != 2 || positional.at(1).trimmed().isEmpty())
        return usage(err);
    file = positional.at(0);
    message = positional.at(1).trimmed();

    const QString dbPath = ProjectFiles::databaseForPath(file);
    QString error;
    Graph graph;
    SceneRecords scene;
    if (!QFileInfo(dbPath).isFile())
        return failure(err, QStringLiteral("Base introuvable: %1").arg(dbPath));
    if (!ProjectDb(dbPath).openReadOnly(&error) || !ProjectFiles::load(dbPath, graph, scene, &error))
        return failure(err, error);
    for (const QString &id : std::as_const(nodes)) {
        if (!graph.hasNode(id))
            return failure(err, QStringLiteral("Nœud introuvable: %1").arg(id));
    }

    // The same file the program reads, in the per-user configuration folder.
    QCoreApplication::setOrganizationName(QStringLiteral("ORVANE"));
    QCoreApplication::setApplicationName(QStringLiteral("ORVANE"));
    const QJsonObject ai = ChatProtocol::readAiSection(AppConfig::configFilePath());
    const QString text = GraphContext::composeMessage(*mode, message, &graph, nodes);

    ChatClient client;
    ChatProtocol::Answer answer;
    QEventLoop loop;
    QObject::connect(&client, &ChatClient::answered, &loop,
                     [&answer, &loop](const ChatProtocol::Answer &received) {
                         answer = received;
                         loop.quit();
                     });
    const QString refused = client.send(ai, *mode, text);
    if (!refused.isEmpty())
        return failure(err, refused);
    loop.exec();
    if (answer.kind != ChatProtocol::Answer::Kind::Text)
        return failure(err, answer.text);
    out << answer.text << '\n';
    if (*mode != ChatProtocol::Mode::Action)
        return 0;

    const AiActions::Dispatch dispatch = AiActions::dispatch(answer.actions);
    for (const QJsonObject &action : dispatch.immediate) {
        if (action.value(QLatin1String("kind")) != QLatin1String("graph_query"))
            continue;
        if (const auto result = AiActions::graphQueryResult(graph, action))
            out << ChatProtocol::toolResultMessage(QStringLiteral("graph_query"), *result) << '\n';
    }
    if (dispatch.changes.isEmpty())
        return 0;
    out << AiActions::summary(dispatch.changes, &graph);
    if (!apply)
        return 0;
    const int applied = AiActions::apply(graph, dispatch.changes);
    out << QStringLiteral("Changements appliqués: %1").arg(applied) << '\n';
    if (applied == 0)
        return 0;
    if (!ProjectFiles::save(dbPath, graph, scene, &error))
        return failure(err, error);
    out << QStringLiteral("Enregistré: %1").arg(dbPath) << '\n';
    return 0;
}

} // namespace CliCommands
