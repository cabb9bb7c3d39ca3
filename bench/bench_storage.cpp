// Saves and loads synthetic investigations through ProjectDb and, in the same run, writes and
// reads the same rows with the plain SQLite C API (same schema, same statements, one
// transaction), then prints both times and their ratio. Then edits one node of the project on
// disk and saves only its rows, as "Enregistrer" does (goal: under 50 ms for 100k nodes),
// beside a whole save of the same graph.
#include "model/graph.h"
#include "model/scenerecords.h"
#include "model/textforms.h"
#include "storage/projectdb.h"
#include "storage/projectfiles.h"
#include "syntheticgraph.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

using namespace TextForms;

namespace {

const char *const kPlainSchema =
    "CREATE TABLE IF NOT EXISTS nodes( id TEXT PRIMARY KEY, label TEXT, type TEXT, shape TEXT, color TEXT, size REAL, media_path TEXT, description TEXT, valid_start TEXT, valid_end TEXT, show_label INTEGER, anchored INTEGER, visible INTEGER, hypothesis INTEGER, x REAL, y REAL, geo_lat REAL, geo_lon REAL);"
    "CREATE TABLE IF NOT EXISTS node_attrs(id TEXT PRIMARY KEY,node_id TEXT,k TEXT,v TEXT,UNIQUE(node_id, k, v),FOREIGN KEY(node_id) REFERENCES nodes(id) ON DELETE CASCADE);"
    "CREATE TABLE IF NOT EXISTS edges(id TEXT PRIMARY KEY,src TEXT,dst TEXT,label TEXT,show_label INTEGER,hypothesis INTEGER,type TEXT,direction TEXT,description TEXT,valid_start TEXT,valid_end TEXT,color TEXT,width REAL,visible INTEGER);"
    "CREATE INDEX IF NOT EXISTS idx_edges_src ON edges(src);"
    "CREATE INDEX IF NOT EXISTS idx_edges_dst ON edges(dst);";

// The rows of a graph as plain strings, prepared before timing so that the plain program
// only does the database work.
struct PlainRows
{
    std::vector<std::vector<std::string>> nodes, attrs, edges;
    std::vector<std::pair<double, double>> positions;
};

PlainRows plainRows(const Graph &graph)
{
    PlainRows rows;
    for (const Node &node : graph.nodes()) {
        rows.nodes.push_back({node.id.toStdString(), node.label.toStdString(), node.type.toStdString(),
                              shapeToText(node.shape).toStdString(), colorToText(node.color).toStdString(),
                              node.description.toStdString(), dateTimeToText(node.validity.start).toStdString()});
        rows.positions.emplace_back(node.pos.x(), node.pos.y());
        for (const AttributeRow &row : node.attributes)
            rows.attrs.push_back({newId().toStdString(), node.id.toStdString(), row.key.toStdString(),
                                  row.value.toStdString()});
    }
    for (const Edge &edge : graph.edges())
        rows.edges.push_back({edge.id.toStdString(), edge.src.toStdString(), edge.dst.toStdString(),
                              edge.label.toStdString(), edge.type.toStdString()});
    return rows;
}

void bindText(sqlite3_stmt *statement, int index, const std::string &text)
{
    sqlite3_bind_text(statement, index, text.c_str(), int(text.size()), SQLITE_STATIC);
}

double plainWrite(const QString &path, const PlainRows &rows)
{
    QElapsedTimer timer;
    timer.start();
    sqlite3 *db = nullptr;
    sqlite3_open(QFile::encodeName(path).constData(), &db);
    sqlite3_exec(db, "PRAGMA journal_mode=DELETE; PRAGMA foreign_keys=ON; PRAGMA synchronous=NORMAL;",
                 nullptr, nullptr, nullptr);
    sqlite3_exec(db, kPlainSchema, nullptr, nullptr, nullptr);
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    sqlite3_exec(db, "DELETE FROM edges; DELETE FROM node_attrs; DELETE FROM nodes;", nullptr, nullptr, nullptr);
    sqlite3_stmt *node = nullptr, *attr = nullptr, *edge = nullptr;
    sqlite3_prepare_v2(db, "INSERT INTO nodes(id,label,type,shape,color,size,media_path,description,valid_start,valid_end,show_label,anchored,visible,hypothesis,x,y,geo_lat,geo_lon) VALUES(?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)", -1, &node, nullptr);
    sqlite3_prepare_v2(db, "INSERT INTO node_attrs(id,node_id,k,v) VALUES(?,?,?,?)", -1, &attr, nullptr);
    sqlite3_prepare_v2(db, "INSERT INTO edges(id,src,dst,label,show_label,hypothesis,type,direction,description,valid_start,valid_end,color,width,visible) VALUES(?,?,?,?,?,?,?,?,?,?,?,?,?,?)", -1, &edge, nullptr);
    for (size_t i = 0; i < rows.nodes.size(); ++i) {
        const auto &n = rows.nodes[i];
        bindText(node, 1, n[0]); bindText(node, 2, n[1]); bindText(node, 3, n[2]); bindText(node, 4, n[3]);
        bindText(node, 5, n[4]); sqlite3_bind_double(node, 6, 1.0); bindText(node, 7, std::string());
        bindText(node, 8, n[5]);
        if (n[6].empty()) sqlite3_bind_null(node, 9); else bindText(node, 9, n[6]);
        sqlite3_bind_null(node, 10);
        for (int c = 11; c <= 14; ++c) sqlite3_bind_int(node, c, c == 13 ? 1 : 0);
        sqlite3_bind_double(node, 15, rows.positions[i].first);
        sqlite3_bind_double(node, 16, rows.positions[i].second);
        sqlite3_bind_null(node, 17); sqlite3_bind_null(node, 18);
        sqlite3_step(node); sqlite3_reset(node);
    }
    for (const auto &a : rows.attrs) {
        for (int c = 0; c < 4; ++c) bindText(attr, c + 1, a[size_t(c)]);
        sqlite3_step(attr); sqlite3_reset(attr);
    }
    for (const auto &e : rows.edges) {
        for (int c = 0; c < 4; ++c) bindText(edge, c + 1, e[size_t(c)]);
        sqlite3_bind_int(edge, 5, 1); sqlite3_bind_int(edge, 6, 0); bindText(edge, 7, e[4]);
        sqlite3_bind_text(edge, 8, "directed", -1, SQLITE_STATIC); bindText(edge, 9, std::string());
        sqlite3_bind_null(edge, 10); sqlite3_bind_null(edge, 11); sqlite3_bind_null(edge, 12);
        sqlite3_bind_double(edge, 13, 1.8); sqlite3_bind_int(edge, 14, 1);
        sqlite3_step(edge); sqlite3_reset(edge);
    }
    sqlite3_finalize(node); sqlite3_finalize(attr); sqlite3_finalize(edge);
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    return timer.nsecsElapsed() / 1e6;
}

double plainRead(const QString &path, size_t *rowCount)
{
    QElapsedTimer timer;
    timer.start();
    sqlite3 *db = nullptr;
    sqlite3_open(QFile::encodeName(path).constData(), &db);
    std::vector<std::string> texts;
    *rowCount = 0;
    for (const char *sql : {"SELECT id,label,type,shape,color,size,media_path,description,valid_start,valid_end,show_label,anchored,visible,hypothesis,x,y,geo_lat,geo_lon FROM nodes",
                            "SELECT id,node_id,k,v FROM node_attrs",
                            "SELECT id,src,dst,label,show_label,hypothesis,type,direction,description,valid_start,valid_end,color,width,visible FROM edges"}) {
        sqlite3_stmt *statement = nullptr;
        sqlite3_prepare_v2(db, sql, -1, &statement, nullptr);
        const int columns = sqlite3_column_count(statement);
        while (sqlite3_step(statement) == SQLITE_ROW) {
            for (int c = 0; c < columns; ++c) {
                const unsigned char *text = sqlite3_column_text(statement, c);
                texts.emplace_back(text ? reinterpret_cast<const char *>(text) : "");
            }
            ++*rowCount;
        }
        sqlite3_finalize(statement);
    }
    sqlite3_close(db);
    return timer.nsecsElapsed() / 1e6;
}

// One node edited, then saved the way the window saves a tab over its own file; the median of
// a few rounds, each a complete save (opening the file, one write transaction, closing it).
void runChangedRows(const QString &dbPath, Graph graph)
{
    QString error;
    qint64 generation = 0;
    {
        ProjectDb db(dbPath);
        db.open(&error);
        generation = db.generation(&error);
    }
    constexpr int kRounds = 7;
    std::vector<double> times;
    QElapsedTimer timer;
    for (int round = 0; round < kRounds; ++round) {
        Node node = *std::next(graph.nodes().cbegin(), round);
        node.label += QStringLiteral(" (vu)");
        node.attributes.append({newId(), QStringLiteral("vu"), QString::number(round)});
        graph.replaceNode(node);
        SaveScope scope;
        scope.nodeIds.insert(node.id);
        SaveOptions options;
        options.expectedGeneration = generation;
        timer.start();
        if (ProjectFiles::saveChanges(dbPath, graph, scope, nullptr, &error, options, nullptr,
                                      &generation)
            != SaveResult::Saved)
            std::printf("saveChanges failed: %s\n", qPrintable(error));
        times.push_back(timer.nsecsElapsed() / 1e6);
    }
    std::sort(times.begin(), times.end());

    SceneRecords scene;
    SaveOptions options;
    options.expectedGeneration = generation;
    timer.start();
    if (ProjectFiles::save(dbPath, graph, scene, &error, options) != SaveResult::Saved)
        std::printf("whole save failed: %s\n", qPrintable(error));
    const double wholeMs = timer.nsecsElapsed() / 1e6;
    std::printf("%7lld nodes, one edited | saveChanges median %6.1f ms (min %.1f, max %.1f; goal < 50 ms)"
                " | whole save %8.1f ms\n",
                static_cast<long long>(graph.nodes().size()), times[kRounds / 2], times.front(),
                times.back(), wholeMs);
}

void run(int nodes, int edges, int attributes)
{
    QTemporaryDir dir;
    const Graph graph = makeSyntheticGraph(nodes, edges, attributes);
    const QString folder = dir.filePath(QStringLiteral("Bench"));
    const QString dbPath = QDir(folder).filePath(QStringLiteral("Bench.orvane.db"));
    QDir().mkpath(folder);

    QElapsedTimer timer;
    QString error;
    double saveMs = 0, loadMs = 0;
    {
        ProjectDb db(dbPath);
        db.open(&error);
        timer.start();
        if (!db.saveGraph(graph, folder, &error))
            std::printf("save failed: %s\n", qPrintable(error));
        saveMs = timer.nsecsElapsed() / 1e6;
    }
    {
        ProjectDb db(dbPath);
        db.open(&error);
        Graph loaded;
        timer.start();
        db.loadGraph(loaded, folder, &error);
        loadMs = timer.nsecsElapsed() / 1e6;
        if (loaded.nodes().size() != graph.nodes().size())
            std::printf("load mismatch\n");
    }

    const PlainRows rows = plainRows(graph);
    const QString plainPath = dir.filePath(QStringLiteral("plain.db"));
    const double plainSaveMs = plainWrite(plainPath, rows);
    size_t rowCount = 0;
    const double plainLoadMs = plainRead(plainPath, &rowCount);

    std::printf("%7d nodes %7d relations %7d attributes | saveGraph %8.1f ms  plain write %8.1f ms  ratio %.2f"
                " | loadGraph %8.1f ms  plain read %8.1f ms  ratio %.2f\n",
                nodes, edges, attributes, saveMs, plainSaveMs, saveMs / plainSaveMs, loadMs,
                plainLoadMs, loadMs / plainLoadMs);
    runChangedRows(dbPath, graph);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    run(10000, 20000, 30000);
    run(100000, 200000, 300000);
    return 0;
}
