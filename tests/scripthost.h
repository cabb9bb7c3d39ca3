#pragma once

#include "components/component.h"

#include <QList>
#include <QStringList>

#include <functional>

// Answers a run like a patient analyst: the options as the test sets them, every
// confirmation with its default boxes unless told otherwise, and a cancel once the log has
// cancelAfter lines.
class ScriptHost : public ComponentHost
{
public:
    std::function<void(ComponentOptions &)> setOptions;
    bool refuseOptions = false;
    QList<ConfirmAnswer> answers;
    QList<ConfirmRequest> confirmations;
    QStringList lines;
    int cancelAfter = -1;
    bool begun = false;
    bool ended = false;

    std::optional<ComponentOptions> options(const ComponentInfo &,
                                            const ComponentOptions &defaults) override
    {
        if (refuseOptions)
            return std::nullopt;
        ComponentOptions options = defaults;
        if (setOptions)
            setOptions(options);
        return options;
    }
    ConfirmAnswer confirm(const ConfirmRequest &request) override
    {
        confirmations.append(request);
        if (!answers.isEmpty())
            return answers.takeFirst();
        return {true, true, request.showSecond};
    }
    void begin(const QString &) override { begun = true; }
    void progress(int, int, const QString &, const QString &) override {}
    void log(const QString &line) override { lines.append(line); }
    bool isCancelled() const override { return cancelAfter >= 0 && lines.size() >= cancelAfter; }
    void end() override { ended = true; }
};
