#pragma once

#include "ai/chatprotocol.h"

#include <QObject>
#include <QPointer>

class QNetworkAccessManager;
class QNetworkReply;

// Posts one chat request at a time and reports its answer. Network errors and the answer
// shapes become the chat lines of ChatProtocol::Answer; no line ever shows the API key.
class ChatClient : public QObject
{
    Q_OBJECT

public:
    explicit ChatClient(QObject *parent = nullptr);

    // Posts the text in the mode with the settings of the "ai" section. Answers the error
    // line when nothing could be sent; otherwise answered() follows.
    QString send(const QJsonObject &ai, ChatProtocol::Mode mode, const QString &text);
    // Cancels the request in flight, which then answers "[Info] Réponse de l'IA annulée.".
    void abort();
    bool isBusy() const { return !m_reply.isNull(); }

Q_SIGNALS:
    void answered(const ChatProtocol::Answer &answer);

private:
    void onFinished();

    QNetworkAccessManager *m_network = nullptr;
    QPointer<QNetworkReply> m_reply;
    ChatProtocol::Mode m_mode = ChatProtocol::Mode::Discussion;
    QStringList m_secrets;
};
