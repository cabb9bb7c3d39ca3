#include "commands.h"

#include "ops/iconlibrary.h"
#include "storage/projectdb.h"
#include "storage/projectfiles.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTextStream>

namespace CliCommands {

bool checkProject(const QString &dbPath, QTextStream &err, QString *error)
{
    ProjectDb db(dbPath);
    if (!db.openReadOnly(error))
        return false;
    if (db.recoveredJournal())
        err << "orvane-cli: " << db.recoveryMessage() << '\n';
    return true;
}

bool loadExisting(const QString &dbPath, Graph &graph, SceneRecords &scene, QString *error)
{
    return ProjectDb(dbPath).openReadOnly(error)
        && ProjectFiles::load(dbPath, graph, scene, error);
}

int info(const QStringList &arguments, QTextStream &out, QTextStream &err)
{
    if (arguments.size() != 1) {
        err << "usage: orvane-cli info FILE\n";
        return 2;
    }
    ProjectDb db(arguments.first());
    QString error;
    if (!db.openReadOnly(&error)) {
        err << "orvane-cli: " << error << '\n';
        return 1;
    }
    if (db.recoveredJournal())
        err << "orvane-cli: " << db.recoveryMessage() << '\n';
    const struct
    {
        const char *key;
        const char *table;
    } counts[] = {{"nodes", "nodes"},           {"relations", "edges"},
                  {"node_attributes", "node_attrs"}, {"relation_attributes", "edge_attrs"},
                  {"medias", "node_medias"},    {"group_memberships", "group_members"},
                  {"maps", "maps"},             {"shapes", "shapes"}};
    // A table that is missing or unreadable is reported as such, never as zero rows.
    QJsonObject result;
    QJsonArray missing;
    for (const auto &count : counts) {
        const qint64 rows = db.rowCount(QLatin1String(count.table));
        if (rows < 0)
            missing.append(QLatin1String(count.table));
        result.insert(QLatin1String(count.key), rows < 0 ? QJsonValue() : QJsonValue(rows));
    }
    if (!missing.isEmpty())
        result.insert(QStringLiteral("missing_tables"), missing);
    out << QJsonDocument(result).toJson(QJsonDocument::Compact) << '\n';
    for (const QJsonValue &table : std::as_const(missing))
        err << "orvane-cli: table absente ou illisible: " << table.toString() << '\n';
    return missing.isEmpty() ? 0 : 1;
}

int icons(const QStringList &arguments, QTextStream &out, QTextStream &err)
{
    if (arguments.size() > 1) {
        err << "usage: orvane-cli icons [PATH]\n";
        return 2;
    }
    if (arguments.size() == 1) {
        const QString file = IconLibrary::resolve(arguments.first());
        if (file.isEmpty()) {
            err << "orvane-cli: icône introuvable: " << arguments.first() << '\n';
            return 1;
        }
        out << file << '\n';
        return 0;
    }
    const QString folder = IconLibrary::findFolder();
    if (folder.isEmpty()) {
        err << "orvane-cli: le dossier 'icons' est introuvable\n";
        return 1;
    }
    QJsonObject categories;
    for (const IconLibrary::Category &category : IconLibrary::categories(folder))
        categories.insert(category.name, int(category.files.size()));
    const QJsonObject result{{QStringLiteral("folder"), folder},
                             {QStringLiteral("categories"), categories}};
    out << QJsonDocument(result).toJson(QJsonDocument::Compact) << '\n';
    return 0;
}

} // namespace CliCommands
