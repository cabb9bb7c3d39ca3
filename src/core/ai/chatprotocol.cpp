#include "ai/chatprotocol.h"

#include "ai/chatprompts_p.h"
#include "config/appconfig.h"

#include <QJsonDocument>
#include <QUrl>

namespace ChatProtocol {

namespace {

const QString providerName = QStringLiteral("openai_compatible");

QString providerOf(const QJsonObject &ai)
{
    const QString provider = ai.value(QLatin1String("provider")).toString().trimmed();
    return provider.isEmpty() ? providerName : provider;
}

QString trimmedString(const QJsonObject &object, const char *key)
{
    return object.value(QLatin1String(key)).toString().trimmed();
}

// An array taken whole, a single object as an array of one, anything else as nothing.
QJsonArray actionsFrom(const QJsonValue &value)
{
    if (value.isArray())
        return value.toArray();
    if (value.isObject())
        return QJsonArray{value};
    return QJsonArray();
}

Answer line(Answer::Kind kind, const QString &text)
{
    Answer answer;
    answer.kind = kind;
    answer.text = text;
    return answer;
}

} // namespace

QString modeName(Mode mode)
{
    switch (mode) {
    case Mode::Discussion:
        return QStringLiteral("discussion");
    case Mode::Reflection:
        return QStringLiteral("reflection");
    case Mode::Action:
        return QStringLiteral("action");
    }
    return QString();
}

std::optional<Mode> modeFromName(const QString &name)
{
    for (Mode mode : {Mode::Discussion, Mode::Reflection, Mode::Action}) {
        if (modeName(mode) == name)
            return mode;
    }
    return std::nullopt;
}

QString builtInBasePrompt()
{
    return QStringLiteral("Tu es un analyste CTI expert. Tu reçois en entrée des nœuds, attributs "
                          "et relations d'un graphe de connaissance, et tu t'appuies dessus pour "
                          "répondre de manière précise et argumentée.");
}

QString reflectionText()
{
    return QStringLiteral("\n\nMODE REFLEXION:\n"
                          "- Tu analyses le graphe, tu expliques, tu proposes des hypothèses.\n"
                          "- Tu NE renvoies PAS de JSON d'actions.\n");
}

QString actionText()
{
    QString text = QStringLiteral("\n\n");
    for (int i = 0; i < actionTextLineCount; ++i)
        text += QString::fromUtf8(actionTextLines[i]) + QLatin1Char('\n');
    return text;
}

QString systemPrompt(const QJsonObject &ai, Mode mode)
{
    QString prompt;
    if (providerOf(ai) == providerName)
        prompt = trimmedString(ai.value(providerName).toObject(), "system_prompt");
    if (prompt.isEmpty())
        prompt = builtInBasePrompt();
    if (mode == Mode::Reflection)
        prompt += reflectionText();
    else if (mode == Mode::Action)
        prompt += actionText();
    return prompt;
}

QJsonObject readAiSection(const QString &configPath)
{
    return AppConfig::readFile(configPath).value(QLatin1String("ai")).toObject();
}

QUrl chatUrl(const QString &baseUrl)
{
    static const QString path = QStringLiteral("/chat/completions");
    QUrl url(baseUrl);
    QString urlPath = url.path();
    if (urlPath.endsWith(path))
        return url;
    while (urlPath.endsWith(QLatin1Char('/')))
        urlPath.chop(1);
    url.setPath(urlPath + path);
    return url;
}

PreparedRequest prepareRequest(const QJsonObject &ai, Mode mode, const QString &text)
{
    PreparedRequest prepared;
    if (ai.isEmpty()) {
        prepared.error = QStringLiteral("[Erreur] Aucune configuration IA trouvée (section 'ai').");
        return prepared;
    }
    const QString provider = providerOf(ai);
    if (provider != providerName) {
        prepared.error =
            QStringLiteral("[Erreur] Provider IA '%1' non encore supporté dans le client.").arg(provider);
        return prepared;
    }
    const QJsonObject settings = ai.value(providerName).toObject();
    const QString baseUrl = trimmedString(settings, "base_url");
    if (baseUrl.isEmpty()) {
        prepared.error = QStringLiteral(
            "[Erreur] Aucune Base URL configurée pour le provider IA sélectionné.");
        return prepared;
    }
    const QString apiKey = trimmedString(settings, "api_key");
    QString model = trimmedString(settings, "model_id");
    if (model.isEmpty())
        model = QStringLiteral("gpt-4.1-mini");

    const QUrl url = chatUrl(baseUrl);
    prepared.request.setUrl(url);
    if (!url.password().isEmpty())
        prepared.secrets << url.password();
    if (!apiKey.isEmpty()) {
        prepared.request.setRawHeader("Authorization", "Bearer " + apiKey.toUtf8());
        prepared.secrets << apiKey;
    }
    for (const QJsonValue &entry : settings.value(QLatin1String("headers")).toArray()) {
        const QJsonObject header = entry.toObject();
        const QString key = trimmedString(header, "key");
        if (key.isEmpty())
            continue;
        const QString value = trimmedString(header, "value");
        prepared.request.setRawHeader(key.toUtf8(), value.toUtf8());
        // Extra headers often carry keys of their own; short values are plain settings.
        if (value.size() >= 6)
            prepared.secrets << value;
    }
    prepared.request.setHeader(QNetworkRequest::ContentTypeHeader, QStringLiteral("application/json"));
    // The mode travels as a header: services reject unknown keys in the body.
    prepared.request.setRawHeader("X-Orvane-Mode", modeName(mode).toUtf8());

    const QJsonArray messages{
        QJsonObject{{QStringLiteral("role"), QStringLiteral("system")},
                    {QStringLiteral("content"), systemPrompt(ai, mode)}},
        QJsonObject{{QStringLiteral("role"), QStringLiteral("user")},
                    {QStringLiteral("content"), text}}};
    const QJsonObject body{{QStringLiteral("messages"), messages},
                           {QStringLiteral("model"), model}};
    prepared.body = QJsonDocument(body).toJson(QJsonDocument::Compact);
    return prepared;
}

Answer readAnswer(const QByteArray &body, Mode mode)
{
    const QJsonDocument document = QJsonDocument::fromJson(body);
    if (!document.isObject())
        return line(Answer::Kind::Error, QStringLiteral("[Erreur] Réponse IA invalide (JSON)."));
    QJsonObject root = document.object();
    if (root.value(QLatin1String("response")).isObject())
        root = root.value(QLatin1String("response")).toObject();

    QString text;
    const QJsonArray choices = root.value(QLatin1String("choices")).toArray();
    if (!choices.isEmpty()) {
        text = choices.first().toObject().value(QLatin1String("message")).toObject()
                   .value(QLatin1String("content")).toString();
    }
    if (text.isEmpty())
        text = root.value(QLatin1String("content")).toString();
    if (text.isEmpty())
        return line(Answer::Kind::Info, QStringLiteral("[Info] Réponse sans contenu lisible."));

    Answer answer;
    answer.text = text;
    const QJsonDocument inner = QJsonDocument::fromJson(text.toUtf8());
    if (inner.isObject()) {
        const QString content = inner.object().value(QLatin1String("content")).toString();
        if (!content.isEmpty())
            answer.text = content;
        if (mode == Mode::Action)
            answer.actions = actionsFrom(inner.object().value(QLatin1String("actions")));
    }
    if (mode == Mode::Action && answer.actions.isEmpty())
        answer.actions = actionsFrom(root.value(QLatin1String("actions")));
    return answer;
}

QString redact(QString text, const QStringList &secrets)
{
    for (const QString &secret : secrets) {
        if (!secret.isEmpty())
            text.replace(secret, QStringLiteral("****"));
    }
    return text;
}

QString toolResultMessage(const QString &toolName, const QJsonObject &result)
{
    const QJsonObject payload{{QStringLiteral("tool_name"), toolName},
                              {QStringLiteral("result"), result}};
    return QStringLiteral("Résultat de ta requête de graphe (%1) :\n%2")
        .arg(toolName, QString::fromUtf8(QJsonDocument(payload).toJson(QJsonDocument::Compact)));
}

} // namespace ChatProtocol
