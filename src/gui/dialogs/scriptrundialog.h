#pragma once

#include "components/scriptcomponents.h"

#include <QDialog>
#include <QProcess>
#include <QStringDecoder>

class QLabel;
class QProgressBar;

// The non-modal window of one script component run. It owns the script's process, shows
// its progress and messages as they come, and stays open after the end until closed; closing
// it kills a process still running.
class ScriptRunDialog : public QDialog
{
    Q_OBJECT

public:
    ScriptRunDialog(const ScriptComponents::Descriptor &component,
                    const ScriptComponents::Invocation &invocation, QWidget *parent = nullptr);
    ~ScriptRunDialog() override;

    void start();
    bool isRunning() const;
    int progress() const;
    QString statusText() const { return m_statusText; }
    // Adds a line under what the run reported.
    void appendStatus(const QString &line);

    void done(int result) override;

Q_SIGNALS:
    // The script ended by itself (not cancelled), once the window shows it.
    void ended(int exitCode, QProcess::ExitStatus status);

private:
    void onStarted();
    void onErrorOccurred(QProcess::ProcessError error);
    void onStandardOutput();
    void onStandardError();
    void onFinished(int exitCode, QProcess::ExitStatus status);
    void handleLine(const QByteArray &raw);
    void stop();
    void setStatus(const QString &text);

    QProcess *m_process = nullptr;
    QProgressBar *m_progress = nullptr;
    QLabel *m_status = nullptr;
    QString m_statusText;
    ScriptComponents::LineSplitter m_lines;
    // Standard error comes in arbitrary pieces; a character may be split between two.
    QStringDecoder m_errorDecoder{QStringDecoder::Utf8};
};
