#pragma once

#include "api/apikeystore.h"
#include "api/apiroutes.h"

#include <QHostAddress>
#include <QObject>

#include <memory>
#include <optional>

class QHttpServer;
class QHttpServerRequest;

// The local HTTP server of the REST API.
//
// Its keys live in one project database (initDb); every request is authorised against that
// file, whatever project it then reads or changes. The server reaches the open projects only
// through the functions installed by its owner. Requests are served one at a time on
// the thread of the event loop.
class ApiServer : public QObject
{
    Q_OBJECT

public:
    explicit ApiServer(QObject *parent = nullptr);
    ~ApiServer() override;

    // Opens the key database on dbPath and ensures its three keys; false (no key database
    // afterwards) on failure.
    bool initDb(const QString &dbPath);
    void setProjectResolver(ApiRoutes::ProjectResolver resolver);
    void setProjectsProvider(ApiRoutes::ProjectsProvider provider);
    // Lets a write reach the tab that shows its project: see ApiRoutes.
    void setDocumentHooks(ApiRoutes::DocumentFinder finder, ApiRoutes::SaveListener listener);

    // Stops any running server, then listens on address:port (0: a port chosen by the
    // system). False when listening fails.
    bool start(const QHostAddress &address, quint16 port);
    void stop();

    bool isRunning() const { return bool(m_http); }
    QHostAddress address() const { return m_address; }
    quint16 port() const { return m_port; }

    std::optional<ApiRole> authorize(const QHttpServerRequest &request);
    static bool roleAllows(ApiRole role, const QByteArray &method);

    ApiRoutes &routes() { return m_routes; }

Q_SIGNALS:
    void started(const QHostAddress &address, quint16 port);
    void stopped();

private:
    void setupRoutes();

    ApiKeyStore m_keys;
    ApiRoutes m_routes;
    std::unique_ptr<QHttpServer> m_http;
    QHostAddress m_address;
    quint16 m_port = 0;
};
