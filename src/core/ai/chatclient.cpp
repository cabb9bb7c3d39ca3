#include "ai/chatclient.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>

ChatClient::ChatClient(QObject *parent)
    : QObject(parent)
    , m_network(new QNetworkAccessManager(this))
{
}

QString ChatClient::send(const QJsonObject &ai, ChatProtocol::Mode mode, const QString &text)
{
    const ChatProtocol::PreparedRequest prepared = ChatProtocol::prepareRequest(ai, mode, text);
    if (!prepared.error.isEmpty())
        return prepared.error;
    if (m_reply) {
        // Only the newest request is answered.
        m_reply->disconnect(this);
        m_reply->abort();
        m_reply->deleteLater();
    }
    m_mode = mode;
    m_secrets = prepared.secrets;
    m_reply = m_network->post(prepared.request, prepared.body);
    connect(m_reply, &QNetworkReply::finished, this, &ChatClient::onFinished);
    return QString();
}

void ChatClient::abort()
{
    if (m_reply)
        m_reply->abort();
}

void ChatClient::onFinished()
{
    QNetworkReply *reply = m_reply;
    if (!reply)
        return;
    m_reply = nullptr;
    reply->deleteLater();
    ChatProtocol::Answer answer;
    if (reply->error() == QNetworkReply::OperationCanceledError) {
        answer.kind = ChatProtocol::Answer::Kind::Info;
        answer.text = QStringLiteral("[Info] Réponse de l'IA annulée.");
    } else if (reply->error() != QNetworkReply::NoError) {
        answer.kind = ChatProtocol::Answer::Kind::Error;
        answer.text = QStringLiteral("[Erreur réseau] %1")
                          .arg(ChatProtocol::redact(reply->errorString(), m_secrets));
    } else {
        answer = ChatProtocol::readAnswer(reply->readAll(), m_mode);
    }
    Q_EMIT answered(answer);
}
