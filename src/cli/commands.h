#pragma once

#include <QStringList>

class Graph;
class QString;
class QTextStream;
struct SceneRecords;

// Subcommands of orvane-cli. Each takes the arguments after its name, writes its result to
// out and its one-line errors to err, and answers the process exit code.
namespace CliCommands {

// Checks that dbPath is an Orvane project before a command opens it for writing (which
// would add the schema to any SQLite file). Undoes a save interrupted by a crash on the way
// and says so on err.
bool checkProject(const QString &dbPath, QTextStream &err, QString *error);
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
// Without argument, the icon library the node form would offer: its folder and the number of
// pictures of each category, as one JSON object. With a library path ("icons/Cyber/x.png"),
// the absolute file it stands for.
int icons(const QStringList &arguments, QTextStream &out, QTextStream &err);
// The data-quality report and the five quick statistics of a project, as text or JSON.
int quality(const QStringList &arguments, QTextStream &out, QTextStream &err);
int stats(const QStringList &arguments, QTextStream &out, QTextStream &err);
// Asks the AI assistant about a project as the chat window would, with the given nodes as
// the selection; prints the answer and, in Action mode, the prepared graph-query messages and
// the proposed changes, which --apply applies and saves.
int ask(const QStringList &arguments, QTextStream &out, QTextStream &err);

// Runs one enrichment component on nodes of a saved project, printing its log, and saves
// what it found; "--list" names the components.
int enrich(const QStringList &arguments, QTextStream &out, QTextStream &err);
// The script components of the configured folder, as the Outils menu lists them, as text or
// JSON; and one of them run by id on a project with the given ids, its output printed as it
// comes, ending with the script's exit code.
int components(const QStringList &arguments, QTextStream &out, QTextStream &err);
int runComponent(const QStringList &arguments, QTextStream &out, QTextStream &err);

} // namespace CliCommands
