#include "clirunner.h"

#include <QProcess>

CliRun runCli(const QStringList &arguments)
{
    QProcess process;
    process.start(QStringLiteral(ORVANE_BINARY_DIR "/bin/orvane-cli"), arguments);
    process.waitForFinished(60000);
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}
