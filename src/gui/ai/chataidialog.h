#pragma once

#include "ai/chatprotocol.h"

#include <QDialog>
#include <QJsonArray>
#include <QJsonObject>
#include <QPointer>

class ChatClient;
class ChatInput;
class Prompter;
class QButtonGroup;
class QLabel;
class QListWidget;
class QPushButton;
class QTabWidget;
class QTimer;

// The chat with the AI assistant: sessions as tabs, three modes, one request at a time.
//
// The dialog knows nothing of the graph. It emits what the analyst typed; the main window
// adds the graph context and calls sendMessageToAi(). In Action mode the actions found in an
// answer are handed back with actionsRequested().
class ChatAIDialog : public QDialog
{
    Q_OBJECT

public:
    using Mode = ChatProtocol::Mode;

    explicit ChatAIDialog(Prompter *prompter, QWidget *parent = nullptr);

    Mode mode() const { return m_mode; }
    bool isBusy() const { return m_busy; }
    int sessionCount() const;
    // The texts shown in a session, oldest first.
    QStringList sessionMessages(int index) const;
    QString inputText() const;

    // Posts the text (already completed with graph context) from the current session.
    void sendMessageToAi(const QString &text);
    // Puts the answer to a graph query into the input box for the analyst to send.
    void sendToolResult(const QString &toolName, const QJsonObject &result);
    void addAssistantMessage(QListWidget *list, const QString &text);
    void renameSession(int index);
    void closeSession(int index);

Q_SIGNALS:
    void actionsRequested(const QJsonArray &actions);
    void userMessageEntered(ChatAIDialog::Mode mode, const QString &text);

public Q_SLOTS:
    void onSendClicked();
    void onModeChanged();
    void onClearClicked();
    void onStopClicked();
    void onCurrentTabChanged(int index);
    void onTabContextMenuRequested(const QPoint &position);
    void onAddTabRequested();

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void onMessageFinished(const ChatProtocol::Answer &answer);
    void addBubble(QListWidget *list, const QString &text, bool fromUser);
    void fitBubbles(QListWidget *list);
    void setBusy(bool busy);
    void advanceSpinner();
    QListWidget *addSession(const QString &title);

    Prompter *m_prompter = nullptr;
    ChatClient *m_client = nullptr;
    QTabWidget *m_tabs = nullptr;
    QList<QListWidget *> m_sessions; // in tab order
    QListWidget *m_current = nullptr;
    QPointer<QListWidget> m_target; // receives the answer in flight
    QButtonGroup *m_modes = nullptr;
    Mode m_mode = Mode::Discussion;
    ChatInput *m_input = nullptr;
    QPushButton *m_send = nullptr;
    QPushButton *m_stop = nullptr;
    QLabel *m_spinner = nullptr;
    QTimer *m_spinnerTimer = nullptr;
    int m_spinnerFrame = 0;
    bool m_busy = false;
    QJsonObject m_ai; // the "ai" section, read again before each request
};
