#include "commands.h"

#include "storage/projectdb.h"
#include "storage/projectfiles.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTextStream>

namespace CliCommands {

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
    const struct
    {
        const char *key;
        const char *table;
    } counts[] = {{"nodes", "nodes"},           {"relations", "edges"},
                  {"node_attributes", "node_attrs"}, {"relation_attributes", "edge_attrs"},
                  {"medias", "node_medias"},    {"group_memberships", "group_members"},
                  {"maps", "maps"},             {"shapes", "shapes"}};
    QJsonObject result;
    for (const auto &count : counts) {
        const qint64 rows = db.rowCount(QLatin1String(count.table));
        result.insert(QLatin1String(count.key), rows < 0 ? 0 : rows);
    }
    out << QJsonDocument(result).toJson(QJsonDocument::Compact) << '\n';
    return 0;
}

} // namespace CliCommands
