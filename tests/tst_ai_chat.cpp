// The chat window against a fake chat service on 127.0.0.1: what is sent, what is shown,
// sessions, stop and the input box.
#include "ai/chataidialog.h"
#include "config/appconfig.h"
#include "fakechatservice.h"
#include "scriptedprompter.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <QToolButton>

using Mode = ChatProtocol::Mode;
Q_DECLARE_METATYPE(ChatProtocol::Mode)

namespace {

void writeAi(const QJsonObject &ai)
{
    QJsonObject config;
    if (!ai.isEmpty())
        config.insert(QStringLiteral("ai"), ai);
    QVERIFY(AppConfig::writeFile(AppConfig::configFilePath(), config));
}

QJsonObject provider(const QString &baseUrl, const QString &key = QString(),
                     const QJsonArray &headers = QJsonArray(), const QString &model = QString())
{
    QJsonObject settings{{QStringLiteral("base_url"), baseUrl}};
    if (!key.isEmpty())
        settings.insert(QStringLiteral("api_key"), key);
    if (!headers.isEmpty())
        settings.insert(QStringLiteral("headers"), headers);
    if (!model.isEmpty())
        settings.insert(QStringLiteral("model_id"), model);
    return QJsonObject{{QStringLiteral("provider"), QStringLiteral("openai_compatible")},
                       {QStringLiteral("openai_compatible"), settings}};
}

} // namespace

class TstAiChat : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void requestAsSent_data();
    void requestAsSent();
    void answerShown_data();
    void answerShown();
    void refusedBeforeSending_data();
    void refusedBeforeSending();
    void keyNeverShown();
    void answerLandsInTheSendingSession();
    void stopCancelsAndBusyState();
    void shiftReturnBreaksTheLine();
    void inputHeightFollowsTheText();
    void toolResultIsPreparedNotSent();
    void sessions();

private:
    void selectMode(Mode mode);
    void type(const QString &text);
    QStringList messages(int session = 0) const { return m_dialog->sessionMessages(session); }

    QTemporaryDir m_home;
    ScriptedPrompter *m_prompter = nullptr;
    ChatAIDialog *m_dialog = nullptr;
    FakeChatService *m_service = nullptr;
};

void TstAiChat::initTestCase()
{
    qputenv("XDG_CONFIG_HOME", m_home.path().toUtf8());
    QCoreApplication::setOrganizationName(QStringLiteral("ORVANE"));
    QCoreApplication::setApplicationName(QStringLiteral("ORVANE"));
    QVERIFY(AppConfig::configFilePath().startsWith(m_home.path()));
}

void TstAiChat::init()
{
    m_service = new FakeChatService;
    writeAi(provider(m_service->url(QStringLiteral("/v1"))));
    m_prompter = new ScriptedPrompter;
    m_dialog = new ChatAIDialog(m_prompter);
    // The main window's part: the message goes out as typed.
    connect(m_dialog, &ChatAIDialog::userMessageEntered, m_dialog,
            [this](Mode, const QString &text) { m_dialog->sendMessageToAi(text); });
    m_dialog->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_dialog));
}

void TstAiChat::cleanup()
{
    delete m_dialog;
    delete m_prompter;
    delete m_service;
}

void TstAiChat::selectMode(Mode mode)
{
    const char *names[] = {"Discussion", "Réflexion", "Action"};
    for (QRadioButton *button : m_dialog->findChildren<QRadioButton *>()) {
        if (button->text() == QString::fromUtf8(names[int(mode)]))
            button->click();
    }
    QCOMPARE(m_dialog->mode(), mode);
}

void TstAiChat::type(const QString &text)
{
    auto *input = m_dialog->findChild<QTextEdit *>(QStringLiteral("chatInput"));
    input->setFocus();
    input->insertPlainText(text);
}

void TstAiChat::requestAsSent_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QByteArray>("headers");
    QTest::addColumn<QString>("model");
    QTest::addColumn<Mode>("mode");
    QTest::addColumn<QString>("expectedPath");
    QTest::addColumn<QStringList>("expectedExtras");
    QTest::addColumn<QString>("expectedModel");

    QTest::newRow("versioned base, key, headers")
        << "/v1" << "sk-test-123"
        << QByteArray(R"([{"key":"X-A","value":"1"},{"key":"  ","value":"skipped"},{"key":"X-B","value":"2"}])")
        << "" << Mode::Discussion << "/v1/chat/completions" << QStringList{"X-A: 1", "X-B: 2"}
        << "gpt-4.1-mini";
    QTest::newRow("full endpoint, no key") << "/api/chat/completions" << "" << QByteArray("[]")
                                           << "llama3" << Mode::Action << "/api/chat/completions"
                                           << QStringList{} << "llama3";
    QTest::newRow("reflection") << "/v1/" << "" << QByteArray("[]") << "m" << Mode::Reflection
                                << "/v1/chat/completions" << QStringList{} << "m";
}

void TstAiChat::requestAsSent()
{
    QFETCH(QString, path);
    QFETCH(QString, key);
    QFETCH(QByteArray, headers);
    QFETCH(QString, model);
    QFETCH(Mode, mode);
    QFETCH(QString, expectedPath);
    QFETCH(QStringList, expectedExtras);
    QFETCH(QString, expectedModel);

    const QJsonObject ai = provider(m_service->url(path), key,
                                    QJsonDocument::fromJson(headers).array(), model);
    writeAi(ai);
    selectMode(mode);
    type(QStringLiteral("  Qui est derrière 10.0.0.1 ?  "));
    QTest::keyClick(m_dialog->findChild<QTextEdit *>(QStringLiteral("chatInput")), Qt::Key_Return);
    QVERIFY(m_service->waitForRequests(1));
    QVERIFY(QTest::qWaitFor([this] { return !m_dialog->isBusy(); }));

    const FakeChatService::Request request = m_service->requests.first();
    QCOMPARE(request.method, QByteArray("POST"));
    QCOMPARE(QString::fromUtf8(request.path), expectedPath);
    QCOMPARE(request.hasHeader("Authorization"), !key.isEmpty());
    if (!key.isEmpty())
        QCOMPARE(request.header("Authorization"), "Bearer " + key.toUtf8());
    QStringList extras;
    for (const auto &header : request.headers) {
        if (header.first.startsWith("X-") && header.first != "X-Orvane-Mode")
            extras << QString::fromUtf8(header.first + ": " + header.second);
    }
    QCOMPARE(extras, expectedExtras);
    QCOMPARE(request.header("Content-Type"), QByteArray("application/json"));
    QCOMPARE(request.header("X-Orvane-Mode"), ChatProtocol::modeName(mode).toUtf8());

    QVERIFY(!request.body.contains('\n'));
    const QJsonObject body = QJsonDocument::fromJson(request.body).object();
    QCOMPARE(body.keys(), QStringList({"messages", "model"}));
    QCOMPARE(body.value("model").toString(), expectedModel);
    const QJsonArray sent = body.value("messages").toArray();
    QCOMPARE(sent.size(), 2);
    QCOMPARE(sent.at(0).toObject(),
             QJsonObject({{"role", "system"}, {"content", ChatProtocol::systemPrompt(ai, mode)}}));
    QCOMPARE(sent.at(1).toObject(),
             QJsonObject({{"role", "user"}, {"content", "Qui est derrière 10.0.0.1 ?"}}));
    QCOMPARE(messages().first(), QStringLiteral("Qui est derrière 10.0.0.1 ?"));
}

void TstAiChat::answerShown_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<Mode>("mode");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<int>("actions");

    const QByteArray nested = FakeChatService::choiceBody(QStringLiteral(
        R"({"content":"Court","actions":{"kind":"highlight_nodes","node_ids":["a"]}})"));
    QTest::newRow("plain") << 200 << FakeChatService::choiceBody(QStringLiteral("Bonjour"))
                           << Mode::Discussion << "Bonjour" << 0;
    QTest::newRow("one action, action mode") << 200 << nested << Mode::Action << "Court" << 1;
    QTest::newRow("one action, discussion mode") << 200 << nested << Mode::Discussion << "Court" << 0;
    QTest::newRow("response wrapper") << 200 << QByteArray(R"({"response": {"content": "ok"}})")
                                      << Mode::Reflection << "ok" << 0;
    QTest::newRow("nothing readable") << 200 << QByteArray(R"({"choices": []})") << Mode::Action
                                      << "[Info] Réponse sans contenu lisible." << 0;
    QTest::newRow("not json") << 200 << QByteArray("oops") << Mode::Action
                              << "[Erreur] Réponse IA invalide (JSON)." << 0;
    QTest::newRow("service error") << 500 << QByteArray("{}") << Mode::Action
                                   << "[Erreur réseau] " << 0;
}

void TstAiChat::answerShown()
{
    QFETCH(int, status);
    QFETCH(QByteArray, body);
    QFETCH(Mode, mode);
    QFETCH(QString, shown);
    QFETCH(int, actions);
    QSignalSpy requested(m_dialog, &ChatAIDialog::actionsRequested);
    m_service->replies << FakeChatService::Reply{status, body};
    selectMode(mode);
    m_dialog->sendMessageToAi(QStringLiteral("x"));
    QVERIFY(m_dialog->isBusy());
    QVERIFY(QTest::qWaitFor([this] { return !m_dialog->isBusy(); }));
    QCOMPARE(messages().size(), 1);
    if (shown.endsWith(QLatin1Char(' ')))
        QVERIFY2(messages().last().startsWith(shown) && messages().last().size() > shown.size(),
                 qPrintable(messages().last()));
    else
        QCOMPARE(messages().last(), shown);
    QCOMPARE(requested.size(), actions ? 1 : 0);
    if (actions)
        QCOMPARE(requested.first().first().toJsonArray().size(), actions);
}

void TstAiChat::refusedBeforeSending_data()
{
    QTest::addColumn<QByteArray>("ai");
    QTest::addColumn<QString>("line");
    QTest::newRow("no section") << QByteArray("{}")
                                << "[Erreur] Aucune configuration IA trouvée (section 'ai').";
    QTest::newRow("other provider") << QByteArray(R"({"provider": "grok"})")
                                    << "[Erreur] Provider IA 'grok' non encore supporté dans le client.";
    QTest::newRow("no base url") << QByteArray(R"({"openai_compatible": {"api_key": "k"}})")
                                 << "[Erreur] Aucune Base URL configurée pour le provider IA sélectionné.";
}

void TstAiChat::refusedBeforeSending()
{
    QFETCH(QByteArray, ai);
    QFETCH(QString, line);
    writeAi(QJsonDocument::fromJson(ai).object());
    type(QStringLiteral("Salut"));
    m_dialog->findChild<QPushButton *>(QStringLiteral("sendButton"))->click();
    QCOMPARE(messages(), QStringList({"Salut", line}));
    QVERIFY(!m_dialog->isBusy());
    QTest::qWait(50);
    QVERIFY(m_service->requests.isEmpty());
}

void TstAiChat::keyNeverShown()
{
    const QString key = QStringLiteral("sk-very-secret-0042");
    // A key in the address and in the header, and a service that refuses it.
    QString url = m_service->url(QStringLiteral("/v1"));
    url.replace(QLatin1String("http://"), QStringLiteral("http://user:%1@").arg(key));
    writeAi(provider(url, key));
    m_service->replies << FakeChatService::Reply{500, "{\"error\": \"bad key\"}"};
    m_dialog->sendMessageToAi(QStringLiteral("x"));
    QVERIFY(QTest::qWaitFor([this] { return !m_dialog->isBusy(); }));
    QCOMPARE(m_service->requests.size(), 1);
    QVERIFY2(messages().last().startsWith(QStringLiteral("[Erreur réseau] ")), qPrintable(messages().last()));
    QVERIFY2(!messages().join(QLatin1Char('\n')).contains(key), qPrintable(messages().last()));

    // Nothing listens: the connection is refused.
    quint16 closedPort = m_service->port();
    delete m_service;
    m_service = new FakeChatService;
    writeAi(provider(QStringLiteral("http://127.0.0.1:%1/v1").arg(closedPort), key));
    m_dialog->sendMessageToAi(QStringLiteral("y"));
    QVERIFY(QTest::qWaitFor([this] { return !m_dialog->isBusy(); }));
    QVERIFY(messages().last().startsWith(QStringLiteral("[Erreur réseau] ")));
    QVERIFY(!messages().join(QLatin1Char('\n')).contains(key));
}

void TstAiChat::answerLandsInTheSendingSession()
{
    m_service->holding = true;
    m_service->replies << FakeChatService::Reply{200, FakeChatService::choiceBody("Réponse 1")};
    type(QStringLiteral("Question"));
    QTest::keyClick(m_dialog->findChild<QTextEdit *>(QStringLiteral("chatInput")), Qt::Key_Enter);
    QVERIFY(m_service->waitForRequests(1));
    static_cast<QToolButton *>(m_dialog->findChild<QTabWidget *>()->cornerWidget())->click();
    QCOMPARE(m_dialog->sessionCount(), 2);
    QCOMPARE(m_dialog->findChild<QTabWidget *>()->currentIndex(), 1);
    m_service->release();
    QVERIFY(QTest::qWaitFor([this] { return !m_dialog->isBusy(); }));
    QCOMPARE(messages(0), QStringList({"Question", "Réponse 1"}));
    QCOMPARE(messages(1), QStringList());
}

void TstAiChat::stopCancelsAndBusyState()
{
    auto *send = m_dialog->findChild<QPushButton *>(QStringLiteral("sendButton"));
    auto *stop = m_dialog->findChild<QPushButton *>(QStringLiteral("stopButton"));
    QLabel *spinner = nullptr;
    for (QLabel *label : m_dialog->findChildren<QLabel *>()) {
        if (label->maximumWidth() == 0)
            spinner = label;
    }
    QVERIFY(spinner);
    QVERIFY(send->isEnabled());
    QVERIFY(!stop->isEnabled());

    m_service->holding = true;
    type(QStringLiteral("Longue question"));
    send->click();
    QVERIFY(m_service->waitForRequests(1));
    QVERIFY(m_dialog->isBusy());
    QVERIFY(!send->isEnabled());
    QVERIFY(stop->isEnabled());
    QCOMPARE(spinner->width(), 18);
    const QString frame = spinner->text();
    QVERIFY(QTest::qWaitFor([&] { return spinner->text() != frame; }, 1000));

    // A second message while busy goes nowhere.
    type(QStringLiteral("Encore"));
    QTest::keyClick(m_dialog->findChild<QTextEdit *>(QStringLiteral("chatInput")), Qt::Key_Return);
    QCOMPARE(messages(), QStringList({"Longue question"}));

    stop->click();
    QVERIFY(QTest::qWaitFor([this] { return !m_dialog->isBusy(); }));
    QCOMPARE(messages(), QStringList({"Longue question", "[Info] Réponse de l'IA annulée."}));
    QVERIFY(send->isEnabled());
    QVERIFY(!stop->isEnabled());
    QCOMPARE(spinner->maximumWidth(), 0);
    QVERIFY(spinner->text().isEmpty());
}

void TstAiChat::shiftReturnBreaksTheLine()
{
    auto *input = m_dialog->findChild<QTextEdit *>(QStringLiteral("chatInput"));
    type(QStringLiteral("ligne 1"));
    QTest::keyClick(input, Qt::Key_Return, Qt::ShiftModifier);
    type(QStringLiteral("ligne 2"));
    QCOMPARE(input->toPlainText(), QStringLiteral("ligne 1\nligne 2"));
    QTest::qWait(50);
    QVERIFY(m_service->requests.isEmpty());
    QVERIFY(messages().isEmpty());

    QTest::keyClick(input, Qt::Key_Return);
    QVERIFY(m_service->waitForRequests(1));
    QCOMPARE(messages().first(), QStringLiteral("ligne 1\nligne 2"));
    QVERIFY(input->toPlainText().isEmpty());
}

void TstAiChat::inputHeightFollowsTheText()
{
    auto *input = m_dialog->findChild<QTextEdit *>(QStringLiteral("chatInput"));
    const int line = input->fontMetrics().lineSpacing();
    const int oneLine = input->height();
    QVERIFY(oneLine >= line + 12);
    QVERIFY(oneLine < 2 * line + 12);
    input->setPlainText(QStringLiteral("1\n2\n3"));
    QVERIFY(input->height() > oneLine);
    QCOMPARE(input->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    input->setPlainText(QStringLiteral("1\n2\n3\n4\n5\n6\n7\n8"));
    QCOMPARE(input->height(), 5 * line + 12);
    QCOMPARE(input->verticalScrollBarPolicy(), Qt::ScrollBarAsNeeded);
    input->clear();
    QCOMPARE(input->height(), oneLine);
}

void TstAiChat::toolResultIsPreparedNotSent()
{
    m_dialog->sendToolResult(QStringLiteral("graph_query"), QJsonObject{{"nodes", QJsonArray()}});
    QCOMPARE(messages(), QStringList({"[Tool] Envoi du résultat de la requête de graphe à l'IA."}));
    auto *input = m_dialog->findChild<QTextEdit *>(QStringLiteral("chatInput"));
    QCOMPARE(input->toPlainText(),
             QStringLiteral("Résultat de ta requête de graphe (graph_query) :\n"
                            R"({"result":{"nodes":[]},"tool_name":"graph_query"})"));
    QCOMPARE(input->textCursor().position(), input->toPlainText().size());
    QTest::qWait(50);
    QVERIFY(m_service->requests.isEmpty());
}

void TstAiChat::sessions()
{
    auto *tabs = m_dialog->findChild<QTabWidget *>();
    QCOMPARE(tabs->tabText(0), QStringLiteral("Session 1"));
    m_dialog->closeSession(0);
    QCOMPARE(m_dialog->sessionCount(), 1); // the last session stays
    m_dialog->onAddTabRequested();
    m_dialog->onAddTabRequested();
    QCOMPARE(tabs->tabText(2), QStringLiteral("Session 3"));

    m_prompter->answers << QStringLiteral("  Pistes  ");
    m_dialog->renameSession(1);
    QCOMPARE(m_prompter->last(QStringLiteral("text")).title, QStringLiteral("Renommer l'onglet"));
    QCOMPARE(tabs->tabText(1), QStringLiteral("Pistes"));
    m_prompter->answers << QStringLiteral("   ");
    m_dialog->renameSession(1);
    QCOMPARE(tabs->tabText(1), QStringLiteral("Pistes"));

    m_dialog->closeSession(0);
    QCOMPARE(m_dialog->sessionCount(), 2);
    QCOMPARE(tabs->tabText(0), QStringLiteral("Pistes"));

    type(QStringLiteral("effacé"));
    m_dialog->findChild<QPushButton *>(QStringLiteral("clearButton"))->click();
    QVERIFY(m_dialog->inputText().isEmpty());
}

QTEST_MAIN(TstAiChat)
#include "tst_ai_chat.moc"
