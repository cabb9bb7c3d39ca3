#include "scriptedprompter.h"

ScriptedPrompter::Call ScriptedPrompter::last(const QString &kind) const
{
    for (auto it = calls.crbegin(); it != calls.crend(); ++it) {
        if (kind.isEmpty() || it->kind == kind)
            return *it;
    }
    return Call();
}

int ScriptedPrompter::count(const QString &kind) const
{
    return int(std::count_if(calls.cbegin(), calls.cend(),
                             [&](const Call &call) { return call.kind == kind; }));
}

QVariant ScriptedPrompter::nextAnswer()
{
    return answers.isEmpty() ? QVariant() : answers.takeFirst();
}

QMessageBox::StandardButton ScriptedPrompter::message(QWidget *, QMessageBox::Icon icon,
                                                      const QString &title, const QString &text,
                                                      QMessageBox::StandardButtons,
                                                      QMessageBox::StandardButton defaultButton,
                                                      const QString &informativeText)
{
    calls.append({QStringLiteral("message"), title,
                  informativeText.isEmpty() ? text : text + QLatin1Char('\n') + informativeText,
                  icon});
    const QVariant answer = nextAnswer();
    return answer.isValid() ? QMessageBox::StandardButton(answer.toInt()) : defaultButton;
}

int ScriptedPrompter::choice(QWidget *, const QString &title, const QString &text,
                             const QStringList &)
{
    calls.append({QStringLiteral("choice"), title, text});
    const QVariant answer = nextAnswer();
    return answer.isValid() ? answer.toInt() : -1;
}

QString ScriptedPrompter::askOpenFileName(QWidget *, const QString &caption, const QString &,
                                          const QString &filter)
{
    calls.append({QStringLiteral("open"), caption, filter});
    return nextAnswer().toString();
}

QStringList ScriptedPrompter::askOpenFileNames(QWidget *, const QString &caption,
                                               const QString &, const QString &filter)
{
    calls.append({QStringLiteral("openMany"), caption, filter});
    return nextAnswer().toStringList();
}

QString ScriptedPrompter::saveFileName(QWidget *, const QString &caption, const QString &dir,
                                       const QString &filter)
{
    calls.append({QStringLiteral("save"), caption, dir + QLatin1Char('|') + filter});
    return nextAnswer().toString();
}

QString ScriptedPrompter::existingDirectory(QWidget *, const QString &caption, const QString &)
{
    calls.append({QStringLiteral("directory"), caption, QString()});
    return nextAnswer().toString();
}

std::optional<QString> ScriptedPrompter::text(QWidget *, const QString &title,
                                              const QString &label, const QString &)
{
    calls.append({QStringLiteral("text"), title, label});
    const QVariant answer = nextAnswer();
    if (!answer.isValid())
        return std::nullopt;
    return answer.toString();
}

QColor ScriptedPrompter::color(QWidget *, const QColor &, const QString &title)
{
    calls.append({QStringLiteral("color"), title, QString()});
    return nextAnswer().value<QColor>();
}

int ScriptedPrompter::exec(QDialog &dialog)
{
    calls.append({QStringLiteral("dialog"), dialog.windowTitle(), QString()});
    if (dialogs.isEmpty())
        return QDialog::Rejected;
    return dialogs.takeFirst()(dialog);
}
