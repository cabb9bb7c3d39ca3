#pragma once

#include "app/prompter.h"

#include <QDialog>
#include <QList>
#include <QVariant>

#include <functional>

// A Prompter that answers from a script, so that commands run end to end in tests.
//
// Every question is recorded in calls. Answers are taken in order from answers: a
// QMessageBox::StandardButton (as int) for message boxes, an int for choice(), a QString for
// file choosers and input boxes, a QColor for colours. When no answer is queued the default
// is given: the default button, Cancel, an empty path, a cancelled input. Modal dialogs are
// handed to the next function of dialogs, which fills the dialog and returns its result;
// without one the dialog is rejected.
class ScriptedPrompter : public Prompter
{
public:
    struct Call
    {
        QString kind; // "message", "choice", "open", "openMany", "save", "directory", "text", "color", "dialog"
        QString title;
        QString text;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
    };

    QList<Call> calls;
    QList<QVariant> answers;
    QList<std::function<int(QDialog &)>> dialogs;

    // The last call of a kind, or an empty call.
    Call last(const QString &kind = QString()) const;
    int count(const QString &kind) const;

    QMessageBox::StandardButton message(QWidget *parent, QMessageBox::Icon icon,
                                        const QString &title, const QString &text,
                                        QMessageBox::StandardButtons buttons,
                                        QMessageBox::StandardButton defaultButton,
                                        const QString &informativeText) override;
    int choice(QWidget *parent, const QString &title, const QString &text,
               const QStringList &buttons) override;
    QString saveFileName(QWidget *parent, const QString &caption, const QString &dir,
                         const QString &filter) override;
    QString existingDirectory(QWidget *parent, const QString &caption,
                              const QString &dir) override;
    std::optional<QString> text(QWidget *parent, const QString &title, const QString &label,
                                const QString &initial) override;
    QColor color(QWidget *parent, const QColor &initial, const QString &title) override;
    int exec(QDialog &dialog) override;

protected:
    QString askOpenFileName(QWidget *parent, const QString &caption, const QString &dir,
                            const QString &filter) override;
    QStringList askOpenFileNames(QWidget *parent, const QString &caption, const QString &dir,
                                 const QString &filter) override;

private:
    QVariant nextAnswer();
};
