#include "clirunner.h"

#include <QProcess>

CliRun runCli(const QStringList &arguments)
{
    return runProgram(QStringLiteral(ORVANE_BINARY_DIR "/bin/orvane-cli"), arguments);
}

CliRun runProgram(const QString &program, const QStringList &arguments, const QString &workingDir)
{
    QProcess process;
    if (!workingDir.isEmpty())
        process.setWorkingDirectory(workingDir);
    process.start(program, arguments);
    process.waitForFinished(60000);
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}
