#pragma once

#include "components/component.h"

#include <QPointer>

class Prompter;
class QWidget;

namespace ComponentUtils {
class ComponentProgressDialog;
}

// Answers a run from the window: the options and confirmation dialogs through the prompter,
// and a progress dialog with its log and cancel button while the run lasts.
class WindowComponentHost : public ComponentHost
{
public:
    WindowComponentHost(Prompter &prompter, QWidget *parent);
    ~WindowComponentHost() override;

    std::optional<ComponentOptions> options(const ComponentInfo &info,
                                            const ComponentOptions &defaults) override;
    ConfirmAnswer confirm(const ConfirmRequest &request) override;
    void begin(const QString &title) override;
    void progress(int index, int total, const QString &prefix, const QString &detail) override;
    void log(const QString &line) override;
    bool isCancelled() const override;
    void end() override;

private:
    Prompter &m_prompter;
    QWidget *m_parent;
    QPointer<ComponentUtils::ComponentProgressDialog> m_progress;
};
