#pragma once

#include "api/apihandlers.h"
#include "api/graphcache.h"
#include "storage/apirole.h"
#include "storage/projectdb.h"

#include <QJsonArray>
#include <QList>
#include <QSet>

#include <functional>

class ApiKeyStore;

class GraphDocument;

// The route table and the common prologue every "/api/" route runs before its handler:
// authorisation (401), the key's role against the method (403), required parameters (400),
// the project name resolved to a database file (404), the project loaded (500). JSON bodies
// over ApiHandlers::kMaxJsonBodyBytes answer 413.
//
// A write runs on the kept graph of the project with the recorder on; the records it touched
// are one change set, stored by persist() against the generation the graph was read from and
// kept in the graph in place, so the next request needs no load. When the project is open
// in tabs of the window, the same write then goes into each tab's document as one undo step.
class ApiRoutes
{
public:
    using ProjectResolver = std::function<QString(const QString &name)>;
    using ProjectsProvider = std::function<QJsonArray()>;
    using ReadHandler = ApiReply (*)(const RouteContext &, const LoadedProject &);
    using WriteHandler = ApiReply (*)(RouteContext &, Graph &);
    using StageHandler = std::optional<ApiReply> (*)(RouteContext &);
    // The documents of every tab showing a database file.
    using DocumentFinder = std::function<QList<GraphDocument *>(const QString &dbPath)>;
    // A write took the file from generation `from` to `to`; called once per write.
    using SaveListener = std::function<void(const QString &dbPath, qint64 from, qint64 to)>;

    enum class Access { Open, Projects, Project };

    struct Route
    {
        const char *path;
        const char *method; // null: every method
        Access access;
        QList<const char *> required;
        ReadHandler read = nullptr;
        WriteHandler write = nullptr;
        StageHandler beforeLoad = nullptr;
        const char *text = nullptr; // the plain-text answer of an open route
        // A write's undo step in the tab; %1: the label (or id) of its node or relation.
        const char *undoText = nullptr;
    };

    // What persist() made of a change set.
    struct Persisted
    {
        SaveResult result = SaveResult::Failed;
        qint64 generation = 0; // the file's, once saved
        FileStamp stamp;       // the file as the save left it; no file when unsure
        QHash<QString, Node> copied; // nodes whose files were copied in, pointing at the copies
    };

    explicit ApiRoutes(ApiKeyStore &keys);

    static const QList<Route> &table();

    void setProjectResolver(ProjectResolver resolver) { m_resolver = std::move(resolver); }
    void setProjectsProvider(ProjectsProvider provider) { m_provider = std::move(provider); }
    void clearProjectFunctions();
    // Set by the window that serves its tabs; without them a write reaches only the file.
    void setDocumentHooks(DocumentFinder finder, SaveListener listener);

    // Answers a request for one entry of the table.
    ApiReply serve(const Route &route, const ApiRequest &request);
    // Answers a request by its path and method; 404 when no route serves them.
    ApiReply handle(const ApiRequest &request);

    // The role of an "Authorization" header value; nothing when it does not authorise.
    std::optional<ApiRole> authorize(const QByteArray &header);

    GraphCache &cache() { return m_cache; }

    // Stores changes, already made to graph, in the project file if it still holds the
    // generation expected. The one place where a write reaches the file.
    static Persisted persist(const RouteContext &context, const Graph &graph,
                             const ChangeSet &changes, qint64 expectedGeneration);

private:
    ApiReply write(const Route &route, RouteContext &context);
    // Makes the stored write again in every tab showing the project, as one undo step in
    // each; keptInTab receives the deleted nodes a tab held.
    void writeToTabs(const Route &route, RouteContext &context, const ChangeSet &stored,
                    const Persisted &persisted, qint64 fromGeneration,
                    QSet<QString> *keptInTab);
    static void removeStaging(const RouteContext &context);

    ApiKeyStore &m_keys;
    ProjectResolver m_resolver;
    ProjectsProvider m_provider;
    DocumentFinder m_documents;
    SaveListener m_saveListener;
    GraphCache m_cache;
};
