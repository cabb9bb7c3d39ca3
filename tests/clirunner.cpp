#include "clirunner.h"

#include <QProcess>
#include <QTest>

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

CliRun runCliServing(const QStringList &arguments, const QStringList &environment)
{
    QProcess process;
    process.setEnvironment(QProcess::systemEnvironment() + environment);
    process.start(QStringLiteral(ORVANE_BINARY_DIR "/bin/orvane-cli"), arguments);
    if (!QTest::qWaitFor([&process] { return process.state() == QProcess::NotRunning; }, 60000)) {
        process.kill();
        process.waitForFinished();
    }
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}
