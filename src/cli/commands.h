#pragma once

#include <QStringList>

class QTextStream;

// Subcommands of orvane-cli. Each takes the arguments after its name, writes its result to
// out and its one-line errors to err, and answers the process exit code.
namespace CliCommands {

int info(const QStringList &arguments, QTextStream &out, QTextStream &err);

} // namespace CliCommands
