#include "api/apiroutes.h"

#include "api/apikeystore.h"
#include "storage/filesafety.h"
#include "storage/projectdb.h"
#include "storage/projectfiles.h"

#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QScopeGuard>

using namespace ApiHandlers;

namespace {

using Access = ApiRoutes::Access;

ApiRoutes::Route reading(const char *path, QList<const char *> required,
                         ApiRoutes::ReadHandler handler)
{
    return {path, "GET", Access::Project, std::move(required), handler, nullptr, nullptr, nullptr};
}

ApiRoutes::Route writing(const char *path, const char *method, QList<const char *> required,
                         ApiRoutes::WriteHandler handler,
                         ApiRoutes::StageHandler beforeLoad = nullptr)
{
    return {path, method, Access::Project, std::move(required), nullptr, handler, beforeLoad,
            nullptr};
}

} // namespace

ApiRoutes::ApiRoutes(ApiKeyStore &keys) : m_keys(keys) {}

const QList<ApiRoutes::Route> &ApiRoutes::table()
{
    static const QList<Route> routes = {
        {"/health", nullptr, Access::Open, {}, nullptr, nullptr, nullptr, "ok"},
        {"/version", nullptr, Access::Open, {}, nullptr, nullptr, nullptr, "Orvane API v1"},
        {"/api/projects", "GET", Access::Projects, {}, nullptr, nullptr, nullptr, nullptr},
        reading("/api/nodes", {"db"}, listNodes),
        reading("/api/edges", {"db"}, listEdges),
        reading("/api/medias", {"db"}, listMedias),
        reading("/api/node", {"db", "id"}, getNode),
        reading("/api/edge", {"db", "id"}, getEdge),
        reading("/api/media", {"db", "sha"}, getMedia),
        reading("/api/nodes/types", {"db"}, nodeTypes),
        reading("/api/edges/types", {"db"}, edgeTypes),
        reading("/api/nodes/attributes", {"db"}, nodeAttributeKeys),
        reading("/api/edges/attributes", {"db"}, edgeAttributeKeys),
        reading("/api/nodes/by-type", {"db", "type"}, nodesByType),
        reading("/api/edges/by-type", {"db", "type"}, edgesByType),
        reading("/api/nodes/by-attr", {"db", "attr"}, nodesByAttribute),
        reading("/api/edges/by-attr", {"db", "attr"}, edgesByAttribute),
        reading("/api/nodes/by-label", {"db", "label"}, nodesByLabel),
        reading("/api/edges/by-label", {"db", "label"}, edgesByLabel),
        writing("/api/node", "POST", {"db"}, createNode),
        writing("/api/edge", "POST", {"db"}, createEdge),
        writing("/api/node/attribute", "POST", {"db", "id"}, setNodeAttribute),
        writing("/api/edge/attribute", "POST", {"db", "id"}, setEdgeAttribute),
        writing("/api/node/media", "POST", {"db", "id"}, attachMedia, stageUpload),
        writing("/api/node", "PUT", {"db", "id"}, updateNode),
        writing("/api/edge", "PUT", {"db", "id"}, updateEdge),
        writing("/api/node", "DELETE", {"db", "id"}, deleteNode),
        writing("/api/edge", "DELETE", {"db", "id"}, deleteEdge),
    };
    return routes;
}

void ApiRoutes::clearProjectFunctions()
{
    m_resolver = nullptr;
    m_provider = nullptr;
}

std::optional<ApiRole> ApiRoutes::authorize(const QByteArray &header)
{
    const std::optional<ApiKeyStore::Authorization> authorization = m_keys.authorize(header);
    if (!authorization)
        return std::nullopt;
    // Stamping last_used wrote the key file, which may be a served project: its graph did
    // not change.
    if (authorization->touched)
        m_cache.adopt(m_keys.path(), authorization->touched->first,
                      authorization->touched->second);
    return authorization->role;
}

ApiReply ApiRoutes::handle(const ApiRequest &request)
{
    for (const Route &route : table()) {
        if (request.path == QLatin1String(route.path)
            && (!route.method || request.method == route.method))
            return serve(route, request);
    }
    return ApiReply::error(404);
}

ApiReply ApiRoutes::serve(const Route &route, const ApiRequest &request)
{
    if (route.access == Access::Open)
        return ApiReply::text(route.text);

    const std::optional<ApiRole> role = authorize(request.authorization);
    if (!role)
        return ApiReply::error(401);
    if (!ApiRoles::roleAllows(*role, request.method))
        return ApiReply::error(403);

    RouteContext context{request, request.param(QStringLiteral("db")), {}, {}, {}, {}, {}};
    if (route.access == Access::Projects) {
        if (!m_provider)
            return ApiReply::error(500);
        QJsonObject answer = context.envelope();
        answer.insert(QStringLiteral("projects"), m_provider());
        return ApiReply::json(answer);
    }

    for (const char *name : route.required) {
        if (context.param(name).isEmpty())
            return ApiReply::error(400);
    }
    if (!m_resolver)
        return ApiReply::error(404);
    context.dbPath = m_resolver(context.project);
    if (context.dbPath.isEmpty())
        return ApiReply::error(404);
    context.folder = ProjectFiles::folderOf(context.dbPath);

    if (route.write && !route.beforeLoad && request.body.size() > kMaxJsonBodyBytes)
        return ApiReply::error(413);
    // Whatever the outcome, an upload leaves nothing in the staging folder.
    const auto unstage = qScopeGuard([&context]() { removeStaging(context); });
    if (route.beforeLoad) {
        if (std::optional<ApiReply> refused = route.beforeLoad(context))
            return *refused;
    }
    if (route.read) {
        QString error;
        const std::shared_ptr<const LoadedProject> project =
            m_cache.project(context.dbPath, &error);
        return project ? route.read(context, *project) : ApiReply::error(500);
    }
    return write(route, context);
}

ApiReply ApiRoutes::write(const Route &route, RouteContext &context)
{
    // Another program (a second server, the command line, the window) may save the same
    // file between this request's load and its save: the save then refuses, and the change
    // is made again on what the file holds now, so that both writes are kept.
    constexpr int kRounds = 100;
    for (int round = 0; round < kRounds; ++round) {
        QString error;
        const std::shared_ptr<const LoadedProject> project =
            m_cache.project(context.dbPath, &error);
        if (!project)
            return ApiReply::error(500);
        Graph graph = project->graph;
        QStringList foldersToRemove;
        const ApiReply reply = route.write(context, graph, &foldersToRemove);
        if (!reply.isSuccess())
            return reply;
        SaveOptions options;
        options.expectedGeneration = project->generation;
        ProjectDb db(context.dbPath);
        SaveResult result = SaveResult::Failed;
        if (db.open(&error) && db.initSchema(&error))
            result = db.save(graph, nullptr, context.folder, options, &error);
        // The file changed, or may have: the next load reads it again.
        m_cache.forget(context.dbPath);
        if (result == SaveResult::ChangedOnDisk)
            continue;
        if (result == SaveResult::Failed) {
            qWarning() << "[API] save failed:" << context.dbPath << error;
            return ApiReply::error(500);
        }
        for (const QString &folder : std::as_const(foldersToRemove))
            FileSafety::removeFolderInside(folder, context.folder);
        return reply;
    }
    qWarning() << "[API] save gave up: the file kept changing:" << context.dbPath;
    return ApiReply::error(503);
}

void ApiRoutes::removeStaging(const RouteContext &context)
{
    if (context.stagingFolder.isEmpty())
        return;
    FileSafety::removeFolderInside(context.stagingFolder, context.folder);
    // The shared folder goes too once no upload uses it.
    QDir().rmdir(QFileInfo(context.stagingFolder).absolutePath());
}
