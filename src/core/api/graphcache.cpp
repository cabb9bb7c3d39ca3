#include "api/graphcache.h"

#include "storage/projectdb.h"
#include "storage/projectfiles.h"

#include <QFileInfo>
#include <QSqlDatabase>

#include <algorithm>

namespace {

// Enough for every tab a user keeps open; beyond it the least recently used graph goes.
constexpr int kMaxEntries = 8;

std::shared_ptr<LoadedProject> load(const QString &dbPath, QString *error)
{
    if (!QFileInfo(dbPath).isFile()) {
        // Opening would create an empty project where the user's file vanished.
        *error = QStringLiteral("Fichier introuvable: %1").arg(dbPath);
        return nullptr;
    }
    ProjectDb db(dbPath);
    if (!db.open(error) || !db.initSchema(error))
        return nullptr;
    auto project = std::make_shared<LoadedProject>();
    // One read transaction: the graph comes from one state of the file even if another
    // program commits between the selects.
    QSqlDatabase connection = QSqlDatabase::database(db.connectionName(), false);
    const bool snapshot = connection.transaction();
    project->generation = db.generation(error);
    const bool loaded = project->generation >= 0
        && db.loadGraph(project->graph, ProjectFiles::folderOf(dbPath), error);
    if (snapshot)
        connection.commit();
    if (!loaded)
        return nullptr;
    project->sortIds();
    return project;
}

} // namespace

QString GraphCache::keyOf(const QString &dbPath)
{
    const auto known = m_keys.constFind(dbPath);
    if (known != m_keys.cend())
        return *known;
    const QFileInfo info(dbPath);
    const QString canonical = info.canonicalFilePath();
    if (canonical.isEmpty())
        return info.absoluteFilePath(); // not kept: the file may appear later
    if (m_keys.size() >= 64)
        m_keys.clear();
    m_keys.insert(dbPath, canonical);
    return canonical;
}

std::shared_ptr<LoadedProject> GraphCache::current(const QString &dbPath, QString *error)
{
    const QString key = keyOf(dbPath);
    const FileStamp before = FileStamp::of(dbPath);
    auto it = m_entries.find(key);
    if (it != m_entries.end() && before.exists && it->stamp == before) {
        it->lastUse = ++m_uses;
        return it->project;
    }
    if (it != m_entries.end())
        m_entries.erase(it);

    std::shared_ptr<LoadedProject> loaded = load(dbPath, error);
    if (!loaded)
        return nullptr;
    // Kept only when nothing wrote the file while it was read (opening may itself have
    // completed the schema); otherwise the next request loads again.
    if (before.exists && FileStamp::of(dbPath) == before)
        keep(key, before, loaded);
    return loaded;
}

void GraphCache::keep(const QString &key, const FileStamp &stamp,
                      std::shared_ptr<LoadedProject> project)
{
    if (!m_entries.contains(key) && m_entries.size() >= kMaxEntries) {
        auto oldest = std::min_element(
            m_entries.begin(), m_entries.end(),
            [](const Entry &a, const Entry &b) { return a.lastUse < b.lastUse; });
        m_entries.erase(oldest);
    }
    m_entries.insert(key, Entry{stamp, std::move(project), ++m_uses});
}

std::shared_ptr<const LoadedProject> GraphCache::project(const QString &dbPath, QString *error)
{
    return current(dbPath, error);
}

std::shared_ptr<LoadedProject> GraphCache::editable(const QString &dbPath, QString *error)
{
    std::shared_ptr<LoadedProject> project = current(dbPath, error);
    // Requests are served one at a time and no answer keeps its graph, so the copy is only
    // for a caller that holds one across requests.
    const auto it = m_entries.constFind(keyOf(dbPath));
    const long holders = it != m_entries.cend() && it->project == project ? 2 : 1;
    if (project && project.use_count() > holders)
        return std::make_shared<LoadedProject>(*project);
    return project;
}

void GraphCache::stored(const QString &dbPath, const std::shared_ptr<LoadedProject> &project,
                        const FileStamp &stamp)
{
    if (!stamp.exists) {
        forget(dbPath);
        return;
    }
    keep(keyOf(dbPath), stamp, project);
}

void GraphCache::adopt(const QString &dbPath, const FileStamp &before, const FileStamp &after)
{
    auto it = m_entries.find(keyOf(dbPath));
    if (it != m_entries.end() && it->stamp == before)
        it->stamp = after;
}

void GraphCache::forget(const QString &dbPath)
{
    m_entries.remove(keyOf(dbPath));
}

void GraphCache::clear()
{
    m_entries.clear();
    m_keys.clear();
}
