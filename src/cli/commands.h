#pragma once

#include <QStringList>

class Graph;
class QTextStream;
struct SceneRecords;

// Subcommands of orvane-cli. Each takes the arguments after its name, writes its result to
// out and its one-line errors to err, and answers the process exit code.
namespace CliCommands {

// Loads an existing project file. Checked read-only first, since loading opens the file for
// writing and would create a missing one or add tables to a file that is not a project.
bool loadExisting(const QString &dbPath, Graph &graph, SceneRecords &scene, QString *error);

int info(const QStringList &arguments, QTextStream &out, QTextStream &err);
// Runs one layout (grid, zigzag, circle, random, radial, components, force, force-compact,
// force-spaced, clusters) on every node of a saved project and saves the new positions.
int layout(const QStringList &arguments, QTextStream &out, QTextStream &err);
// Serves project files over the REST API until SIGINT or SIGTERM; the first file holds the
// keys and answers an empty project name.
int serve(const QStringList &arguments, QTextStream &out, QTextStream &err);
// Prints the read, write and admin keys of a project file, creating missing ones.
int keys(const QStringList &arguments, QTextStream &out, QTextStream &err);
// CSV and STIX interchange. Imports add to a project, creating it as "Save as" would when
// it does not exist yet, and save only when every file was read.
int importCsv(const QStringList &arguments, QTextStream &out, QTextStream &err);
int exportCsv(const QStringList &arguments, QTextStream &out, QTextStream &err);
int importStix(const QStringList &arguments, QTextStream &out, QTextStream &err);
int exportStix(const QStringList &arguments, QTextStream &out, QTextStream &err);

// Runs one enrichment component on nodes of a saved project, printing its log, and saves
// what it found; "--list" names the components.
int enrich(const QStringList &arguments, QTextStream &out, QTextStream &err);

} // namespace CliCommands
