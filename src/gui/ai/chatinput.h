#pragma once

#include <QTextEdit>

// The chat's input box: plain text, Return sends and Shift+Return breaks the line, and a
// height that follows the text from one line up to five.
class ChatInput : public QTextEdit
{
    Q_OBJECT

public:
    explicit ChatInput(QWidget *parent = nullptr);

    // The height for the current text.
    int fittingHeight() const;

Q_SIGNALS:
    void submitted();

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    void adjustHeight();
};
