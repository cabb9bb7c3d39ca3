#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// External script components: Python or PowerShell scripts that analysts drop into the
// components folder, one folder per category, one folder per component holding a
// "config.json" descriptor and the script. The window and the command line share the scan,
// the command line given to a script and the reading of what it prints.
namespace ScriptComponents {

struct Descriptor
{
    QString folder; // absolute path of the component folder
    QString id;
    QString name;
    QString category;
    QString entryPoint;
    QString description;
    QString language; // trimmed and lower-cased: "python", "powershell", "pwsh" or unknown

    QString scriptPath() const;
};

// Reads folder/config.json; nothing when it is missing, unreadable, not JSON or not an object.
std::optional<Descriptor> readDescriptor(const QString &folder);

struct Category
{
    QString name; // the category folder's name
    QList<Descriptor> components;
};

// What the components folder holds, as the menu shows it.
struct Scan
{
    enum class State { NotConfigured, Missing, NoCategory, Found };
    State state = State::NotConfigured;
    QString folder;
    QList<Category> categories; // sorted by folder name, components too

    // The single disabled entry shown instead of categories; empty when some were found.
    QString emptyText() const;
    // The first component with this id, in menu order.
    std::optional<Descriptor> find(const QString &id) const;
};

Scan scan(const QString &componentsFolder);

// The disabled entry of a category folder without any valid component.
QString emptyCategoryText();

// The program, arguments and working directory of one run.
struct Invocation
{
    QString program;
    QStringList arguments;
    QString workingDirectory;
};

// Checks the script and the interpreter and builds the command line for the database and the
// selected ids; false with the message to show when the component cannot run.
bool prepare(const Descriptor &component, const QString &dbPath, const QStringList &nodeIds,
             const QStringList &edgeIds, Invocation *invocation, QString *error);

// The message for a run without anything selected.
QString nothingSelectedText();

// One line of a script's standard output.
struct OutputLine
{
    enum class Kind { Progress, Message, Text };
    Kind kind = Kind::Text;
    int progress = 0; // 0 to 100, for Progress
    QString text;     // the new status for Message, the line for Text
};

// Reads a trimmed UTF-8 line: "PROGRESS:" and "MSG:" in any case, anything else as text. A
// progress value that is not a whole number gives nothing.
std::optional<OutputLine> parseLine(const QByteArray &rawLine);

// Cuts a byte stream into lines as they become complete; the last one may lack its line end.
class LineSplitter
{
public:
    QList<QByteArray> feed(const QByteArray &bytes);
    // What is left once the stream has ended, as a last line; nothing when empty.
    std::optional<QByteArray> finish();

private:
    QByteArray m_pending;
};

} // namespace ScriptComponents
