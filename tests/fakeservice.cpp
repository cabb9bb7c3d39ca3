#include "fakeservice.h"

#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>

FakeService::FakeService(QObject *parent) : QObject(parent), m_server(new QTcpServer(this))
{
    m_server->listen(QHostAddress::LocalHost, 0);
    connect(m_server, &QTcpServer::newConnection, this, &FakeService::onNewConnection);
}

FakeService::~FakeService()
{
    for (const QPointer<QTcpSocket> &socket : std::as_const(m_hanging)) {
        if (socket)
            socket->abort();
    }
}

QString FakeService::base() const
{
    return QStringLiteral("http://127.0.0.1:%1").arg(m_server->serverPort());
}

void FakeService::route(const QString &target, const Reply &reply)
{
    m_routes.insert(target, reply);
}

QStringList FakeService::targets() const
{
    QStringList list;
    for (const Request &request : requests)
        list.append(request.target);
    return list;
}

void FakeService::onNewConnection()
{
    while (QTcpSocket *socket = m_server->nextPendingConnection()) {
        connect(socket, &QTcpSocket::readyRead, this, [this, socket]() { onReadyRead(socket); });
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    }
}

void FakeService::onReadyRead(QTcpSocket *socket)
{
    QByteArray buffer = socket->property("buffer").toByteArray() + socket->readAll();
    socket->setProperty("buffer", buffer);
    const int end = int(buffer.indexOf("\r\n\r\n"));
    if (end < 0)
        return;
    const QList<QByteArray> lines = buffer.left(end).split('\n');
    const QList<QByteArray> requestLine = lines.value(0).trimmed().split(' ');
    Request request;
    request.target = QString::fromUtf8(requestLine.value(1));
    for (int i = 1; i < lines.size(); ++i) {
        const int colon = int(lines.at(i).indexOf(':'));
        if (colon > 0)
            request.headers.insert(lines.at(i).left(colon).trimmed().toLower(),
                                   lines.at(i).mid(colon + 1).trimmed());
    }
    request.method = QString::fromUtf8(requestLine.value(0));
    const int length = request.headers.value("content-length").toInt();
    if (buffer.size() < end + 4 + length)
        return;
    request.body = buffer.mid(end + 4, length);
    requests.append(request);
    socket->setProperty("buffer", QByteArray());

    const QString path = request.target.section(QLatin1Char('?'), 0, 0);
    const Reply reply = m_routes.value(request.target, m_routes.value(path, m_fallback));
    if (reply.hang) {
        m_hanging.append(socket);
        return;
    }
    QByteArray answer = "HTTP/1.1 " + QByteArray::number(reply.status) + " Status\r\n";
    answer += "Content-Type: " + reply.contentType + "\r\n";
    answer += "Content-Length: " + QByteArray::number(reply.body.size()) + "\r\n";
    answer += "Connection: close\r\n\r\n";
    answer += reply.body;
    socket->write(answer);
    socket->disconnectFromHost();
}
