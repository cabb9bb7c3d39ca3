#include "commands.h"

#include <QCoreApplication>
#include <QTextStream>

#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    QStringList arguments = QCoreApplication::arguments().mid(1);
    const QString command = arguments.isEmpty() ? QString() : arguments.takeFirst();
    if (command == u"info")
        return CliCommands::info(arguments, out, err);
    if (command == u"layout")
        return CliCommands::layout(arguments, out, err);
    if (command == u"serve")
        return CliCommands::serve(arguments, out, err);
    if (command == u"keys")
        return CliCommands::keys(arguments, out, err);
    if (command == u"import-csv")
        return CliCommands::importCsv(arguments, out, err);
    if (command == u"export-csv")
        return CliCommands::exportCsv(arguments, out, err);
    if (command == u"import-stix")
        return CliCommands::importStix(arguments, out, err);
    if (command == u"export-stix")
        return CliCommands::exportStix(arguments, out, err);
    if (command == u"icons")
        return CliCommands::icons(arguments, out, err);
    if (command == u"quality")
        return CliCommands::quality(arguments, out, err);
    if (command == u"stats")
        return CliCommands::stats(arguments, out, err);
    if (command == u"ask")
        return CliCommands::ask(arguments, out, err);
    if (command == u"enrich")
        return CliCommands::enrich(arguments, out, err);
    if (command == u"components")
        return CliCommands::components(arguments, out, err);
    if (command == u"run-component")
        return CliCommands::runComponent(arguments, out, err);
    err << "usage: orvane-cli info FILE | layout NAME FILE | serve FILE... [--address A] [--port P]"
           " | keys FILE | import-csv FILE --nodes CSV [--edges CSV] | export-csv FILE DIR"
           " | import-stix FILE JSON | export-stix FILE JSON | icons [PATH] | quality FILE [--json]"
           " | stats FILE [--json]"
           " | ask FILE [--mode discussion|reflection|action] [--nodes ID,...] [--apply] MESSAGE"
           " | enrich NAME FILE [--nodes ID,...] [--create-nodes] [--provider URL] [--timeout MS]"
           " | enrich --list | components [--json]"
           " | run-component ID FILE [--nodes ID,...] [--edges ID,...]\n";
    return 2;
}
