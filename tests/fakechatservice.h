#pragma once

#include <QByteArray>
#include <QJsonArray>
#include <QJsonObject>
#include <QList>
#include <QObject>
#include <QPair>
#include <QPointer>
#include <QStringList>

class QTcpServer;
class QTcpSocket;

// A chat service on 127.0.0.1 that records each request and answers from a script.
//
// Each request is answered with the next queued reply, or with an empty choices list when
// none is queued. While holding, requests are recorded but left unanswered until release().
class FakeChatService : public QObject
{
    Q_OBJECT

public:
    struct Request
    {
        QByteArray method;
        QByteArray path;
        QList<QPair<QByteArray, QByteArray>> headers; // in the order received
        QByteArray body;

        // The value of a header (case aside); empty when absent.
        QByteArray header(const QByteArray &name) const;
        bool hasHeader(const QByteArray &name) const;
        // The content of the user message of the body.
        QString userContent() const;
    };
    struct Reply
    {
        int status = 200;
        QByteArray body;
    };

    FakeChatService();
    ~FakeChatService() override;

    // "http://127.0.0.1:<port>" followed by the path.
    QString url(const QString &path = QString()) const;
    quint16 port() const;

    QList<Request> requests;
    QList<Reply> replies;
    bool holding = false;

    // A reply whose first choice's message content is the text.
    static QByteArray choiceBody(const QString &content);
    // The graph context after "[GRAPH_SELECTION_JSON]" in a message; empty when absent.
    static QJsonObject selectionContext(const QString &message);
    // The sorted "id" values of the records of a JSON array.
    static QStringList recordIds(const QJsonArray &records);
    // Answers the held requests.
    void release();
    // Waits (turning the event loop) until count requests were recorded.
    bool waitForRequests(int count, int timeoutMs = 10000);

Q_SIGNALS:
    void requestReceived();

private:
    void onNewConnection();
    void onReadyRead(QTcpSocket *socket);
    void answer(QTcpSocket *socket);

    QTcpServer *m_server = nullptr;
    QList<QPointer<QTcpSocket>> m_held;
};
