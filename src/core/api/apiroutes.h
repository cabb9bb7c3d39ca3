#pragma once

#include "api/apihandlers.h"
#include "api/graphcache.h"
#include "storage/apirole.h"

#include <QJsonArray>
#include <QList>

#include <functional>

class ApiKeyStore;

// The route table and the common prologue every "/api/" route runs before its handler:
// authorisation (401), the key's role against the method (403), required parameters (400),
// the project name resolved to a database file (404), the project loaded (500). Writes are
// saved as whole graphs, checked against the generation they loaded; a failed save answers
// 500. JSON bodies over ApiHandlers::kMaxJsonBodyBytes answer 413.
class ApiRoutes
{
public:
    using ProjectResolver = std::function<QString(const QString &name)>;
    using ProjectsProvider = std::function<QJsonArray()>;
    using ReadHandler = ApiReply (*)(const RouteContext &, const LoadedProject &);
    using WriteHandler = ApiReply (*)(RouteContext &, Graph &, QStringList *);
    using StageHandler = std::optional<ApiReply> (*)(RouteContext &);

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
    };

    explicit ApiRoutes(ApiKeyStore &keys);

    static const QList<Route> &table();

    void setProjectResolver(ProjectResolver resolver) { m_resolver = std::move(resolver); }
    void setProjectsProvider(ProjectsProvider provider) { m_provider = std::move(provider); }
    void clearProjectFunctions();

    // Answers a request for one entry of the table.
    ApiReply serve(const Route &route, const ApiRequest &request);
    // Answers a request by its path and method; 404 when no route serves them.
    ApiReply handle(const ApiRequest &request);

    // The role of an "Authorization" header value; nothing when it does not authorise.
    std::optional<ApiRole> authorize(const QByteArray &header);

    GraphCache &cache() { return m_cache; }

private:
    ApiReply write(const Route &route, RouteContext &context);
    static void removeStaging(const RouteContext &context);

    ApiKeyStore &m_keys;
    ProjectResolver m_resolver;
    ProjectsProvider m_provider;
    GraphCache m_cache;
};
