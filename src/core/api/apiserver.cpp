#include "api/apiserver.h"

#include <QDebug>
#include <QHttpServer>
#include <QHttpServerRequest>
#include <QHttpServerResponse>
#include <QTcpServer>

namespace {

QByteArray methodName(QHttpServerRequest::Method method)
{
    switch (method) {
    case QHttpServerRequest::Method::Get: return QByteArrayLiteral("GET");
    case QHttpServerRequest::Method::Put: return QByteArrayLiteral("PUT");
    case QHttpServerRequest::Method::Delete: return QByteArrayLiteral("DELETE");
    case QHttpServerRequest::Method::Post: return QByteArrayLiteral("POST");
    case QHttpServerRequest::Method::Head: return QByteArrayLiteral("HEAD");
    case QHttpServerRequest::Method::Options: return QByteArrayLiteral("OPTIONS");
    case QHttpServerRequest::Method::Patch: return QByteArrayLiteral("PATCH");
    case QHttpServerRequest::Method::Connect: return QByteArrayLiteral("CONNECT");
    case QHttpServerRequest::Method::Trace: return QByteArrayLiteral("TRACE");
    default: break;
    }
    return QByteArray();
}

QHttpServerRequest::Method methodOf(const char *name)
{
    const QByteArray method(name);
    if (method == "POST")
        return QHttpServerRequest::Method::Post;
    if (method == "PUT")
        return QHttpServerRequest::Method::Put;
    if (method == "DELETE")
        return QHttpServerRequest::Method::Delete;
    return QHttpServerRequest::Method::Get;
}

// Header names compare case-insensitively; the first "Authorization" header counts.
QByteArray authorizationHeader(const QHttpServerRequest &request)
{
    const auto headers = request.headers();
    for (const auto &header : headers) {
        if (header.first.compare("authorization", Qt::CaseInsensitive) == 0)
            return header.second;
    }
    return QByteArray();
}

ApiRequest apiRequest(const QHttpServerRequest &request)
{
    ApiRequest converted;
    converted.method = methodName(request.method());
    converted.path = request.url().path();
    converted.query = request.query();
    converted.authorization = authorizationHeader(request);
    converted.body = request.body();
    return converted;
}

QHttpServerResponse response(ApiReply reply)
{
    const auto status = QHttpServerResponse::StatusCode(reply.status);
    if (reply.contentType.isEmpty())
        return QHttpServerResponse(status);
    return QHttpServerResponse(std::move(reply.contentType), std::move(reply.body), status);
}

} // namespace

ApiServer::ApiServer(QObject *parent) : QObject(parent), m_routes(m_keys) {}

ApiServer::~ApiServer()
{
    stop();
    m_keys.close();
    m_routes.clearProjectFunctions();
}

bool ApiServer::initDb(const QString &dbPath)
{
    QString error;
    if (!m_keys.open(dbPath, &error)) {
        qWarning() << "ApiServer DB init error:" << error;
        return false;
    }
    return true;
}

void ApiServer::setProjectResolver(ApiRoutes::ProjectResolver resolver)
{
    m_routes.setProjectResolver(std::move(resolver));
}

void ApiServer::setProjectsProvider(ApiRoutes::ProjectsProvider provider)
{
    m_routes.setProjectsProvider(std::move(provider));
}

void ApiServer::setDocumentHooks(ApiRoutes::DocumentFinder finder,
                                 ApiRoutes::SaveListener listener)
{
    m_routes.setDocumentHooks(std::move(finder), std::move(listener));
}

bool ApiServer::start(const QHostAddress &address, quint16 port)
{
    stop();
    auto tcp = std::make_unique<QTcpServer>();
    if (!tcp->listen(address, port))
        return false;
    m_http = std::make_unique<QHttpServer>();
    setupRoutes();
    m_address = address;
    m_port = tcp->serverPort();
    // Owned by the HTTP server from here: stopping deletes both and closes every socket.
    tcp->setParent(m_http.get());
    m_http->bind(tcp.release());
    Q_EMIT started(m_address, m_port);
    return true;
}

void ApiServer::stop()
{
    m_http.reset();
    // A restart must not answer from graphs read before it.
    m_routes.cache().clear();
    Q_EMIT stopped();
}

std::optional<ApiRole> ApiServer::authorize(const QHttpServerRequest &request)
{
    return m_routes.authorize(authorizationHeader(request));
}

bool ApiServer::roleAllows(ApiRole role, const QByteArray &method)
{
    return ApiRoles::roleAllows(role, method);
}

void ApiServer::setupRoutes()
{
    for (const ApiRoutes::Route &route : ApiRoutes::table()) {
        auto serve = [this, &route](const QHttpServerRequest &request) {
            return response(m_routes.serve(route, apiRequest(request)));
        };
        const QString path = QLatin1String(route.path);
        if (route.method)
            m_http->route(path, methodOf(route.method), serve);
        else
            m_http->route(path, serve);
    }
}
