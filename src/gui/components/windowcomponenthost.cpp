#include "components/windowcomponenthost.h"

#include "app/prompter.h"
#include "components/componentoptionsdialog.h"
#include "components/componentprogressdialog.h"

WindowComponentHost::WindowComponentHost(Prompter &prompter, QWidget *parent)
    : m_prompter(prompter), m_parent(parent)
{
}

WindowComponentHost::~WindowComponentHost()
{
    delete m_progress;
}

std::optional<ComponentOptions> WindowComponentHost::options(const ComponentInfo &info,
                                                             const ComponentOptions &defaults)
{
    ComponentOptionsDialog dialog(info, defaults, m_prompter, m_parent);
    if (m_prompter.exec(dialog) != QDialog::Accepted)
        return std::nullopt;
    return dialog.options();
}

ConfirmAnswer WindowComponentHost::confirm(const ConfirmRequest &request)
{
    ComponentConfirmDialog dialog(request, m_parent);
    return dialog.answer(m_prompter.exec(dialog) == QDialog::Accepted);
}

void WindowComponentHost::begin(const QString &title)
{
    m_progress = new ComponentUtils::ComponentProgressDialog(title, true, true, m_parent);
    m_progress->setObjectName(QStringLiteral("componentProgress"));
    m_progress->show();
}

void WindowComponentHost::progress(int index, int total, const QString &prefix,
                                   const QString &detail)
{
    if (m_progress)
        m_progress->setProgress(index, total, prefix, detail);
}

void WindowComponentHost::log(const QString &line)
{
    if (m_progress)
        m_progress->appendLog(line);
}

bool WindowComponentHost::isCancelled() const
{
    // A progress window closed by hand counts as a cancel.
    return !m_progress || m_progress->isCancelled();
}

void WindowComponentHost::end()
{
    if (!m_progress)
        return;
    m_progress->accept();
    delete m_progress;
}
