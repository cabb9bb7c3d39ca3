#pragma once

#include "ai/chatmode.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QNetworkRequest>
#include <QString>
#include <QStringList>

#include <optional>

// What the AI assistant sends to an OpenAI-compatible chat service and what it reads back.
// The chat window and orvane-cli ask both go through here, so that a script gets exactly
// the request and the answer handling the analyst gets.
namespace ChatProtocol {

// "discussion", "reflection", "action".
QString modeName(Mode mode);
std::optional<Mode> modeFromName(const QString &name);

QString builtInBasePrompt();
QString reflectionText();
// The protocol of actions announced to the assistant in Action mode.
QString actionText();
// The provider's own "system_prompt" (or the built-in one) followed by the mode's text.
QString systemPrompt(const QJsonObject &ai, Mode mode);

// The "ai" section of a configuration file; empty when the file, or the section, is missing.
QJsonObject readAiSection(const QString &configPath);

// Where a request goes: the base URL with "/chat/completions" appended unless it ends so.
QUrl chatUrl(const QString &baseUrl);

struct PreparedRequest
{
    QNetworkRequest request;
    QByteArray body;
    QString error;       // the chat line to show instead of sending, when not empty
    QStringList secrets; // texts never to be shown: the key and the header values
};

PreparedRequest prepareRequest(const QJsonObject &ai, Mode mode, const QString &text);

struct Answer
{
    enum class Kind { Text, Info, Error };
    Kind kind = Kind::Text;
    QString text;       // the answer, or the "[Info]" / "[Erreur]" line
    QJsonArray actions; // Action mode only
};

// Reads a service's answer body; actions are kept only in Action mode.
Answer readAnswer(const QByteArray &body, Mode mode);

// The text with every secret replaced by asterisks.
QString redact(QString text, const QStringList &secrets);

// The message that hands a graph query's result back to the assistant.
QString toolResultMessage(const QString &toolName, const QJsonObject &result);

} // namespace ChatProtocol
