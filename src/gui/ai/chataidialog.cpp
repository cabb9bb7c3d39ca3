#include "ai/chataidialog.h"

#include "ai/chatclient.h"
#include "ai/chatinput.h"
#include "app/prompter.h"
#include "config/appconfig.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

constexpr int textRole = Qt::UserRole;
const QString spinnerFrames = QStringLiteral("⠋⠙⠹⠸⠼⠴⠦⠧⠇⠏");

QJsonObject readAiSection()
{
    return ChatProtocol::readAiSection(AppConfig::configFilePath());
}

} // namespace

ChatAIDialog::ChatAIDialog(Prompter *prompter, QWidget *parent)
    : QDialog(parent)
    , m_prompter(prompter)
    , m_client(new ChatClient(this))
{
    setWindowTitle(QStringLiteral("Chat IA — Orvane"));
    resize(600, 500);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->setSpacing(6);

    auto *modeRow = new QHBoxLayout;
    modeRow->addWidget(new QLabel(QStringLiteral("Mode :"), this));
    m_modes = new QButtonGroup(this);
    const struct
    {
        const char *text;
        Mode mode;
    } modes[] = {{"Discussion", Mode::Discussion},
                 {"Réflexion", Mode::Reflection},
                 {"Action", Mode::Action}};
    for (const auto &entry : modes) {
        auto *button = new QRadioButton(QString::fromUtf8(entry.text), this);
        m_modes->addButton(button, int(entry.mode));
        modeRow->addWidget(button);
    }
    m_modes->button(int(Mode::Discussion))->setChecked(true);
    connect(m_modes, &QButtonGroup::idToggled, this, &ChatAIDialog::onModeChanged);
    modeRow->addStretch();
    layout->addLayout(modeRow);

    m_tabs = new QTabWidget(this);
    auto *add = new QToolButton(m_tabs);
    add->setText(QStringLiteral("+"));
    add->setFixedSize(16, 16);
    add->setToolTip(QStringLiteral("Nouvelle session de chat"));
    m_tabs->setCornerWidget(add, Qt::TopRightCorner);
    m_tabs->tabBar()->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(add, &QToolButton::clicked, this, &ChatAIDialog::onAddTabRequested);
    connect(m_tabs, &QTabWidget::currentChanged, this, &ChatAIDialog::onCurrentTabChanged);
    connect(m_tabs->tabBar(), &QTabBar::customContextMenuRequested, this,
            &ChatAIDialog::onTabContextMenuRequested);
    layout->addWidget(m_tabs, 1);
    addSession(QStringLiteral("Session 1"));

    auto *inputRow = new QHBoxLayout;
    m_input = new ChatInput(this);
    m_input->setObjectName(QStringLiteral("chatInput"));
    connect(m_input, &ChatInput::submitted, this, &ChatAIDialog::onSendClicked);
    inputRow->addWidget(m_input, 1);
    m_spinner = new QLabel(this);
    m_spinner->setFixedWidth(0);
    inputRow->addWidget(m_spinner);
    m_stop = new QPushButton(QStringLiteral("Stop"), this);
    m_stop->setObjectName(QStringLiteral("stopButton"));
    m_stop->setToolTip(QStringLiteral("Arrêter la réponse de l'IA"));
    m_stop->setFixedWidth(50);
    connect(m_stop, &QPushButton::clicked, this, &ChatAIDialog::onStopClicked);
    inputRow->addWidget(m_stop);
    m_send = new QPushButton(QStringLiteral("Envoyer"), this);
    m_send->setObjectName(QStringLiteral("sendButton"));
    connect(m_send, &QPushButton::clicked, this, &ChatAIDialog::onSendClicked);
    inputRow->addWidget(m_send);
    auto *clear = new QPushButton(QStringLiteral("Effacer"), this);
    clear->setObjectName(QStringLiteral("clearButton"));
    connect(clear, &QPushButton::clicked, this, &ChatAIDialog::onClearClicked);
    inputRow->addWidget(clear);
    layout->addLayout(inputRow);

    m_spinnerTimer = new QTimer(this);
    m_spinnerTimer->setInterval(120);
    connect(m_spinnerTimer, &QTimer::timeout, this, &ChatAIDialog::advanceSpinner);
    connect(m_client, &ChatClient::answered, this, &ChatAIDialog::onMessageFinished);
    setBusy(false);
    m_ai = readAiSection();
}

int ChatAIDialog::sessionCount() const
{
    return int(m_sessions.size());
}

QStringList ChatAIDialog::sessionMessages(int index) const
{
    QStringList texts;
    if (index < 0 || index >= m_sessions.size())
        return texts;
    const QListWidget *list = m_sessions.at(index);
    for (int row = 0; row < list->count(); ++row)
        texts << list->item(row)->data(textRole).toString();
    return texts;
}

QString ChatAIDialog::inputText() const
{
    return m_input->toPlainText();
}

void ChatAIDialog::sendMessageToAi(const QString &text)
{
    m_target = m_current;
    m_ai = readAiSection();
    const QString error = m_client->send(m_ai, m_mode, text);
    if (!error.isEmpty()) {
        addAssistantMessage(m_current, error);
        return;
    }
    setBusy(true);
}

void ChatAIDialog::sendToolResult(const QString &toolName, const QJsonObject &result)
{
    const QString message = ChatProtocol::toolResultMessage(toolName, result);
    addAssistantMessage(m_current, QStringLiteral("[Tool] Envoi du résultat de la requête de graphe à l'IA."));
    m_input->setPlainText(message);
    m_input->moveCursor(QTextCursor::End);
}

void ChatAIDialog::addAssistantMessage(QListWidget *list, const QString &text)
{
    addBubble(list, text, false);
}

void ChatAIDialog::renameSession(int index)
{
    if (index < 0 || index >= m_tabs->count())
        return;
    const std::optional<QString> name = m_prompter->text(
        this, QStringLiteral("Renommer l'onglet"), QStringLiteral("Nouveau nom :"),
        m_tabs->tabText(index));
    if (name && !name->trimmed().isEmpty())
        m_tabs->setTabText(index, name->trimmed());
}

void ChatAIDialog::closeSession(int index)
{
    if (m_tabs->count() <= 1 || index < 0 || index >= m_tabs->count())
        return;
    QListWidget *list = m_sessions.takeAt(index);
    m_tabs->removeTab(index);
    list->deleteLater();
    m_current = m_sessions.value(m_tabs->currentIndex());
}

void ChatAIDialog::onSendClicked()
{
    if (m_busy)
        return;
    const QString text = m_input->toPlainText().trimmed();
    if (text.isEmpty())
        return;
    addBubble(m_current, text, true);
    m_input->clear();
    Q_EMIT userMessageEntered(m_mode, text);
}

void ChatAIDialog::onModeChanged()
{
    m_mode = Mode(m_modes->checkedId());
}

void ChatAIDialog::onClearClicked()
{
    m_current->clear();
    m_input->clear();
}

void ChatAIDialog::onStopClicked()
{
    m_client->abort();
}

void ChatAIDialog::onCurrentTabChanged(int index)
{
    m_current = m_sessions.value(index, m_current);
}

void ChatAIDialog::onTabContextMenuRequested(const QPoint &position)
{
    const int index = m_tabs->tabBar()->tabAt(position);
    if (index < 0)
        return;
    QMenu menu(this);
    QAction *rename = menu.addAction(QStringLiteral("Renommer l'onglet"));
    QAction *close = nullptr;
    if (m_tabs->count() > 1) {
        menu.addSeparator();
        close = menu.addAction(QStringLiteral("Fermer l'onglet"));
    }
    QAction *chosen = menu.exec(m_tabs->tabBar()->mapToGlobal(position));
    if (chosen == rename)
        renameSession(index);
    else if (chosen && chosen == close)
        closeSession(index);
}

void ChatAIDialog::onAddTabRequested()
{
    addSession(QStringLiteral("Session %1").arg(m_tabs->count() + 1));
}

void ChatAIDialog::resizeEvent(QResizeEvent *event)
{
    QDialog::resizeEvent(event);
    for (QListWidget *list : std::as_const(m_sessions))
        fitBubbles(list);
}

void ChatAIDialog::onMessageFinished(const ChatProtocol::Answer &answer)
{
    setBusy(false);
    // A session closed while waiting hands its answer to the one on show.
    QListWidget *target = m_target ? m_target.data() : m_current;
    addAssistantMessage(target, answer.text);
    if (answer.kind == ChatProtocol::Answer::Kind::Text && !answer.actions.isEmpty())
        Q_EMIT actionsRequested(answer.actions);
}

void ChatAIDialog::addBubble(QListWidget *list, const QString &text, bool fromUser)
{
    auto *item = new QListWidgetItem(list);
    item->setData(textRole, text);
    item->setFlags(Qt::ItemIsEnabled);
    auto *row = new QWidget;
    auto *rowLayout = new QHBoxLayout(row);
    rowLayout->setContentsMargins(0, 2, 0, 2);
    auto *bubble = new QLabel(text);
    bubble->setWordWrap(true);
    bubble->setTextFormat(Qt::PlainText);
    bubble->setTextInteractionFlags(Qt::TextSelectableByMouse);
    bubble->setStyleSheet(QStringLiteral("QLabel { background: %1; color: #000000; "
                                         "border-radius: 12px; padding: 10px 14px; }")
                              .arg(fromUser ? QStringLiteral("#D9CCFF") : QStringLiteral("#D9E6FF")));
    if (fromUser)
        rowLayout->addStretch();
    rowLayout->addWidget(bubble);
    if (!fromUser)
        rowLayout->addStretch();
    list->setItemWidget(item, row);
    fitBubbles(list);
    list->scrollToBottom();
}

void ChatAIDialog::fitBubbles(QListWidget *list)
{
    const int maxWidth = qMax(60, list->viewport()->width() - 23);
    for (int rowIndex = 0; rowIndex < list->count(); ++rowIndex) {
        QListWidgetItem *item = list->item(rowIndex);
        QWidget *row = list->itemWidget(item);
        if (!row)
            continue;
        if (auto *bubble = row->findChild<QLabel *>())
            bubble->setMaximumWidth(maxWidth);
        item->setSizeHint(row->sizeHint());
    }
}

void ChatAIDialog::setBusy(bool busy)
{
    m_busy = busy;
    m_send->setEnabled(!busy);
    m_stop->setEnabled(busy);
    if (busy) {
        m_spinnerFrame = 0;
        m_spinner->setFixedWidth(18);
        m_spinner->setText(spinnerFrames.at(0));
        m_spinnerTimer->start();
    } else {
        m_spinnerTimer->stop();
        m_spinner->clear();
        m_spinner->setFixedWidth(0);
    }
}

void ChatAIDialog::advanceSpinner()
{
    m_spinnerFrame = (m_spinnerFrame + 1) % int(spinnerFrames.size());
    m_spinner->setText(spinnerFrames.at(m_spinnerFrame));
}

QListWidget *ChatAIDialog::addSession(const QString &title)
{
    auto *list = new QListWidget;
    list->setObjectName(QStringLiteral("chatSession"));
    list->setSelectionMode(QAbstractItemView::NoSelection);
    list->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    m_sessions.append(list);
    m_current = list;
    m_tabs->setCurrentIndex(m_tabs->addTab(list, title));
    return list;
}
