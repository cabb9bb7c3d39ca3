#include "fakechatservice.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

QByteArray FakeChatService::Request::header(const QByteArray &name) const
{
    for (const auto &header : headers) {
        if (header.first.compare(name, Qt::CaseInsensitive) == 0)
            return header.second;
    }
    return QByteArray();
}

bool FakeChatService::Request::hasHeader(const QByteArray &name) const
{
    for (const auto &header : headers) {
        if (header.first.compare(name, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

QString FakeChatService::Request::userContent() const
{
    return QJsonDocument::fromJson(body).object().value(QLatin1String("messages")).toArray()
        .at(1).toObject().value(QLatin1String("content")).toString();
}

QJsonObject FakeChatService::selectionContext(const QString &message)
{
    const QString marker = QStringLiteral("\n\n[GRAPH_SELECTION_JSON]\n");
    const qsizetype at = message.indexOf(marker);
    if (at < 0)
        return QJsonObject();
    return QJsonDocument::fromJson(message.mid(at + marker.size()).toUtf8()).object();
}

QStringList FakeChatService::recordIds(const QJsonArray &records)
{
    QStringList ids;
    for (const QJsonValue &record : records)
        ids << record.toObject().value(QLatin1String("id")).toString();
    ids.sort();
    return ids;
}

FakeChatService::FakeChatService()
    : m_server(new QTcpServer(this))
{
    m_server->listen(QHostAddress::LocalHost);
    connect(m_server, &QTcpServer::newConnection, this, &FakeChatService::onNewConnection);
}

FakeChatService::~FakeChatService() = default;

QString FakeChatService::url(const QString &path) const
{
    return QStringLiteral("http://127.0.0.1:%1%2").arg(port()).arg(path);
}

quint16 FakeChatService::port() const
{
    return m_server->serverPort();
}

QByteArray FakeChatService::choiceBody(const QString &content)
{
    const QJsonObject message{{QStringLiteral("role"), QStringLiteral("assistant")},
                              {QStringLiteral("content"), content}};
    const QJsonObject root{
        {QStringLiteral("choices"), QJsonArray{QJsonObject{{QStringLiteral("message"), message}}}}};
    return QJsonDocument(root).toJson(QJsonDocument::Compact);
}

void FakeChatService::release()
{
    holding = false;
    const QList<QPointer<QTcpSocket>> held = m_held;
    m_held.clear();
    for (const QPointer<QTcpSocket> &socket : held) {
        if (socket)
            answer(socket);
    }
}

bool FakeChatService::waitForRequests(int count, int timeoutMs)
{
    return QTest::qWaitFor([&] { return requests.size() >= count; }, timeoutMs);
}

void FakeChatService::onNewConnection()
{
    while (QTcpSocket *socket = m_server->nextPendingConnection()) {
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { onReadyRead(socket); });
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    }
}

// Waits for the whole request (headers, then Content-Length bytes) before recording it.
void FakeChatService::onReadyRead(QTcpSocket *socket)
{
    QByteArray buffer = socket->property("buffer").toByteArray() + socket->readAll();
    socket->setProperty("buffer", buffer);
    const qsizetype headerEnd = buffer.indexOf("\r\n\r\n");
    if (headerEnd < 0)
        return;
    Request request;
    const QList<QByteArray> lines = buffer.left(headerEnd).split('\n');
    const QList<QByteArray> requestLine = lines.first().trimmed().split(' ');
    request.method = requestLine.value(0);
    request.path = requestLine.value(1);
    qsizetype length = 0;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArray line = lines[i].trimmed();
        const qsizetype colon = line.indexOf(':');
        if (colon <= 0)
            continue;
        const QByteArray name = line.left(colon).trimmed();
        const QByteArray value = line.mid(colon + 1).trimmed();
        request.headers.append({name, value});
        if (name.compare("Content-Length", Qt::CaseInsensitive) == 0)
            length = value.toLongLong();
    }
    if (buffer.size() < headerEnd + 4 + length)
        return;
    request.body = buffer.mid(headerEnd + 4, length);
    socket->setProperty("buffer", QByteArray());
    requests.append(request);
    Q_EMIT requestReceived();
    if (holding)
        m_held.append(socket);
    else
        answer(socket);
}

void FakeChatService::answer(QTcpSocket *socket)
{
    const Reply reply = replies.isEmpty()
        ? Reply{200, QByteArrayLiteral("{\"choices\":[]}")}
        : replies.takeFirst();
    QByteArray response = "HTTP/1.1 " + QByteArray::number(reply.status)
        + (reply.status == 200 ? " OK" : " Error") + "\r\nContent-Type: application/json\r\n"
        + "Content-Length: " + QByteArray::number(reply.body.size())
        + "\r\nConnection: close\r\n\r\n" + reply.body;
    socket->write(response);
    socket->disconnectFromHost();
}
