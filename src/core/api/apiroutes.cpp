#include "api/apiroutes.h"

#include "api/apikeystore.h"
#include "api/storedform.h"
#include "document/graphdocument.h"
#include "model/changerecording.h"
#include "model/textforms.h"
#include "storage/filesafety.h"
#include "storage/projectfiles.h"
#include "storage/projectfolder.h"

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
                         ApiRoutes::WriteHandler handler, const char *undoText,
                         ApiRoutes::StageHandler beforeLoad = nullptr)
{
    return {path,    method,  Access::Project, std::move(required), nullptr, handler,
            beforeLoad, nullptr, undoText};
}

// The label of the node or relation a write is about, as the analyst knows it: from the
// stored change, else from the tab; its id when it has none.
QString subjectLabel(const QString &id, bool isEdge, const ChangeSet &stored, const Graph &tab)
{
    QString label;
    if (isEdge) {
        const ChangeSet::EdgeChange change = stored.edges.value(id);
        const std::optional<Edge> edge = change.after ? change.after : change.before;
        label = edge ? edge->label : tab.edge(id).label;
    } else {
        const ChangeSet::NodeChange change = stored.nodes.value(id);
        const std::optional<Node> node = change.after ? change.after : change.before;
        label = node ? node->label : tab.node(id).label;
    }
    return label.trimmed().isEmpty() ? id : label.trimmed();
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
        writing("/api/node", "POST", {"db"}, createNode, "API : créer le nœud « %1 »"),
        writing("/api/edge", "POST", {"db"}, createEdge, "API : créer la relation « %1 »"),
        writing("/api/node/attribute", "POST", {"db", "id"}, setNodeAttribute,
                "API : attribut du nœud « %1 »"),
        writing("/api/edge/attribute", "POST", {"db", "id"}, setEdgeAttribute,
                "API : attribut de la relation « %1 »"),
        writing("/api/node/media", "POST", {"db", "id"}, attachMedia,
                "API : ajouter un média au nœud « %1 »", stageUpload),
        writing("/api/node", "PUT", {"db", "id"}, updateNode, "API : modifier le nœud « %1 »"),
        writing("/api/edge", "PUT", {"db", "id"}, updateEdge,
                "API : modifier la relation « %1 »"),
        writing("/api/node", "DELETE", {"db", "id"}, deleteNode,
                "API : supprimer le nœud « %1 »"),
        writing("/api/edge", "DELETE", {"db", "id"}, deleteEdge,
                "API : supprimer la relation « %1 »"),
    };
    return routes;
}

void ApiRoutes::clearProjectFunctions()
{
    m_resolver = nullptr;
    m_provider = nullptr;
    m_documents = nullptr;
    m_saveListener = nullptr;
}

void ApiRoutes::setDocumentHooks(DocumentFinder finder, SaveListener listener)
{
    m_documents = std::move(finder);
    m_saveListener = std::move(listener);
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

    RouteContext context{request, request.param(QStringLiteral("db")), {}, {}, {}, {}, {}, {}, {}};
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
    context.newId = TextForms::newId();
    context.now = QDateTime::currentDateTimeUtc();
    for (int round = 0; round < kRounds; ++round) {
        QString error;
        const std::shared_ptr<LoadedProject> project = m_cache.editable(context.dbPath, &error);
        if (!project)
            return ApiReply::error(500);
        ChangeSet changes;
        ApiReply reply = ApiReply::error(500);
        const bool done = ChangeRecording::record(project->graph, changes, [&](Graph &graph) {
            reply = route.write(context, graph);
            return reply.isSuccess();
        });
        if (!done)
            return reply;
        const qint64 from = project->generation;
        const Persisted persisted = persist(context, project->graph, changes, from);
        if (persisted.result != SaveResult::Saved) {
            // The kept graph stays what the file holds.
            ChangeRecording::applySide(project->graph, changes, false);
            m_cache.forget(context.dbPath);
            if (persisted.result == SaveResult::ChangedOnDisk)
                continue;
            return ApiReply::error(500);
        }
        if (!changes.isEmpty()) {
            StoredForm::settle(project->graph, changes, context.folder, persisted.copied);
            project->placeIds(changes);
            project->generation = persisted.generation;
            m_cache.stored(context.dbPath, project, persisted.stamp);
        }
        QSet<QString> keptInTab;
        writeToTabs(route, context, changes, persisted, from, &keptInTab);
        // The folders the save kept deleted nodes' media in, unless an undo in the tab can
        // bring the node back; never anything outside "nodes".
        for (auto it = changes.nodes.cbegin(); it != changes.nodes.cend(); ++it) {
            if (!it->before || it->after || keptInTab.contains(it.key()))
                continue;
            const QString folder = ProjectFolder::nodeFolderPath(context.folder, it.key());
            if (!folder.isEmpty())
                FileSafety::removeFolderInside(folder, context.folder);
        }
        return reply;
    }
    qWarning() << "[API] save gave up: the file kept changing:" << context.dbPath;
    return ApiReply::error(503);
}

ApiRoutes::Persisted ApiRoutes::persist(const RouteContext &context, const Graph &graph,
                                        const ChangeSet &changes, qint64 expectedGeneration)
{
    Persisted persisted;
    if (changes.isEmpty()) {
        // The file holds it already.
        persisted.result = SaveResult::Saved;
        persisted.generation = expectedGeneration;
        return persisted;
    }
    // Only the rows of the records the write touched are written.
    SaveOptions options;
    options.expectedGeneration = expectedGeneration;
    ProjectDb db(context.dbPath);
    QString error;
    if (db.open(&error) && db.initSchema(&error))
        persisted.result = db.saveChanges(graph, SaveScope::of(changes, false), nullptr,
                                          context.folder, options, &error, &persisted.copied,
                                          &persisted.generation);
    if (persisted.result == SaveResult::Failed)
        qWarning() << "[API] save failed:" << context.dbPath << error;
    if (persisted.result != SaveResult::Saved)
        return persisted;
    // The stamp is that of our save only when no other writer came in after it.
    const FileStamp stamp = FileStamp::of(context.dbPath);
    if (db.generation(&error) == persisted.generation && FileStamp::of(context.dbPath) == stamp)
        persisted.stamp = stamp;
    return persisted;
}

void ApiRoutes::writeToTabs(const Route &route, RouteContext &context, const ChangeSet &stored,
                            const Persisted &persisted, qint64 fromGeneration,
                            QSet<QString> *keptInTab)
{
    const QList<GraphDocument *> documents =
        m_documents ? m_documents(context.dbPath) : QList<GraphDocument *>();
    if (documents.isEmpty())
        return;
    const QString id = context.param("id").isEmpty() ? context.newId : context.param("id");
    // An upload's record in the tabs points at the copy the save made, as the file's does:
    // the staged file goes when the request ends.
    if (!context.stagedFile.isEmpty()) {
        const std::optional<Node> &node = stored.nodes.value(id).after;
        if (node && !node->medias.isEmpty())
            context.stagedFile = node->medias.constLast().file;
    }
    const bool isEdge = QByteArray(route.path).startsWith("/api/edge");
    // Two tabs on one file are two documents: each would otherwise keep a copy the file no
    // longer matches, and its next save would undo the write or refuse.
    for (GraphDocument *document : documents) {
        const QString text = QString::fromUtf8(route.undoText)
                                 .arg(subjectLabel(id, isEdge, stored, document->graph()));
        // A node a tab holds keeps its files: the tab shows it still, or can bring it back.
        for (auto it = stored.nodes.cbegin(); it != stored.nodes.cend(); ++it) {
            if (it->before && !it->after && document->graph().hasNode(it.key()))
                keptInTab->insert(it.key());
        }
        const bool wasModified = document->isModified();
        document->tryEdit(text,
                          [&](Graph &graph) { return route.write(context, graph).isSuccess(); });
        // The file holds what the tab shows, as before the write.
        if (!wasModified)
            document->markSaved();
    }
    if (m_saveListener && persisted.generation != fromGeneration)
        m_saveListener(context.dbPath, fromGeneration, persisted.generation);
}

void ApiRoutes::removeStaging(const RouteContext &context)
{
    if (context.stagingFolder.isEmpty())
        return;
    FileSafety::removeFolderInside(context.stagingFolder, context.folder);
    // The shared folder goes too once no upload uses it.
    QDir().rmdir(QFileInfo(context.stagingFolder).absolutePath());
}
