#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

class QTcpServer;
class QTcpSocket;

// A web service on 127.0.0.1 that answers GET requests from a table, for components to call
// in tests. It answers from the test's own event loop.
class FakeService : public QObject
{
    Q_OBJECT

public:
    struct Reply
    {
        int status = 200;
        QByteArray body;
        bool hang = false; // never answers: for time-outs
        QByteArray contentType = "application/json";
    };
    struct Request
    {
        QString target; // path and query as sent
        QHash<QByteArray, QByteArray> headers; // names in lower case
        QString method;
        QByteArray body;
    };

    explicit FakeService(QObject *parent = nullptr);
    ~FakeService() override;

    // "http://127.0.0.1:<port>"
    QString base() const;
    // Answers requests for this path and query (or this path with any query).
    void route(const QString &target, const Reply &reply);
    void route(const QString &target, const QByteArray &json) { route(target, Reply{200, json}); }
    // Answers every request not routed; 404 with an empty body unless set.
    void setFallback(const Reply &reply) { m_fallback = reply; }

    QList<Request> requests;
    QStringList targets() const;

private:
    void onNewConnection();
    void onReadyRead(QTcpSocket *socket);

    QTcpServer *m_server;
    QHash<QString, Reply> m_routes;
    Reply m_fallback{404, QByteArray()};
    QList<QPointer<QTcpSocket>> m_hanging;
};
