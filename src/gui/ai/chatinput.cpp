#include "ai/chatinput.h"

#include <QKeyEvent>
#include <QTextBlock>

namespace {

constexpr int maxLines = 5;

} // namespace

ChatInput::ChatInput(QWidget *parent)
    : QTextEdit(parent)
{
    setAcceptRichText(false);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    connect(document(), &QTextDocument::contentsChanged, this, &ChatInput::adjustHeight);
    adjustHeight();
}

int ChatInput::fittingHeight() const
{
    const int lineSpacing = fontMetrics().lineSpacing();
    const int content = int(document()->size().height()) + 2 * frameWidth() + 4;
    return qBound(lineSpacing + 12, content, maxLines * lineSpacing + 12);
}

void ChatInput::keyPressEvent(QKeyEvent *event)
{
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && !(event->modifiers() & Qt::ShiftModifier)) {
        Q_EMIT submitted();
        return;
    }
    if (enter) {
        // A plain line break, never a soft one.
        insertPlainText(QStringLiteral("\n"));
        return;
    }
    QTextEdit::keyPressEvent(event);
}

void ChatInput::adjustHeight()
{
    setFixedHeight(fittingHeight());
    setVerticalScrollBarPolicy(document()->blockCount() > maxLines ? Qt::ScrollBarAsNeeded
                                                                   : Qt::ScrollBarAlwaysOff);
}
