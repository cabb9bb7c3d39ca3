#pragma once

#include <QString>
#include <QStringList>

// What a run of the orvane-cli built beside the tests printed, and how it ended.
struct CliRun
{
    int exitCode = -1;
    QString out;
    QString err;
};

// Waits for the command to end; one that does not within a minute is reported as it stands.
CliRun runCli(const QStringList &arguments);

// The same for any program, started in workingDir when one is given.
CliRun runProgram(const QString &program, const QStringList &arguments,
                  const QString &workingDir = QString());
// The same with extra environment variables, turning the event loop while it waits, so that
// servers of the test itself can answer the command.
CliRun runCliServing(const QStringList &arguments, const QStringList &environment);
