// Times CSV and STIX import and export against the bare cost of the same bytes: parsing or
// writing them with QJsonDocument, or reading and writing them with QFile alone.
//
//   bench_interchange            runs every measure and prints a table
//   bench_interchange peak FILE  imports one bundle and prints the resident memory it took
//                                (run in a child process so that the high-water mark is its own)
#include "interchange/csvio.h"
#include "interchange/stixio.h"
#include "model/graph.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>

#include <cstdio>
#include <functional>

namespace {

QTextStream &out()
{
    static QTextStream stream(stdout);
    return stream;
}

double milliseconds(const std::function<void()> &work)
{
    QElapsedTimer timer;
    timer.start();
    work();
    return double(timer.nsecsElapsed()) / 1e6;
}

// Best of a few runs, to keep other processes on the machine out of the figure.
double best(int runs, const std::function<void()> &work)
{
    double fastest = 1e300;
    for (int i = 0; i < runs; ++i)
        fastest = std::min(fastest, milliseconds(work));
    return fastest;
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeAll(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(bytes);
}

qint64 statusKb(const char *field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    const QList<QByteArray> lines = status.readAll().split('\n');
    for (const QByteArray &line : lines) {
        if (line.startsWith(field))
            return line.mid(qsizetype(strlen(field))).trimmed().split(' ').first().toLongLong();
    }
    return -1;
}

const char *kTypes[] = {"IP", "Domaine", "Acteur", "Malware", "Hash", "Wallet", "Email", "URL"};

QString labelFor(int type, int i)
{
    switch (type) {
    case 0: return QStringLiteral("10.%1.%2.%3").arg((i >> 16) & 255).arg((i >> 8) & 255).arg(i & 255);
    case 1: return QStringLiteral("hote-%1.example").arg(i);
    case 6: return QStringLiteral("contact%1@example.org").arg(i);
    case 7: return QStringLiteral("https://cdn-%1.example/p/%2").arg(i % 97).arg(i);
    default: return QStringLiteral("Élément n°%1").arg(i);
    }
}

// An investigation of nodeCount nodes and edgeCount relations with a few attributes each.
Graph syntheticGraph(int nodeCount, int edgeCount)
{
    Graph graph;
    const QDateTime start(QDate(2024, 1, 1), QTime(8, 0), Qt::UTC);
    for (int i = 0; i < nodeCount; ++i) {
        Node node;
        node.id = QStringLiteral("node-%1").arg(i);
        const int type = i % 8;
        node.type = QLatin1String(kTypes[type]);
        node.label = labelFor(type, i);
        node.description = QStringLiteral("Observé le %1, source \"passive DNS\", note %2")
                               .arg(i % 28 + 1)
                               .arg(i);
        node.validity.start = start.addSecs(i * 60);
        if (i % 3 == 0)
            node.validity.end = start.addDays(30 + i % 60);
        node.attributes = {{QString(), QStringLiteral("pays"), QStringLiteral("FR")},
                           {QString(), QStringLiteral("source"), QStringLiteral("flux %1").arg(i % 11)},
                           {QString(), QStringLiteral("stix:labels"), QStringLiteral("suivi, prioritaire")}};
        graph.insertNode(node);
    }
    for (int i = 0; i < edgeCount; ++i) {
        Edge edge;
        edge.id = QStringLiteral("edge-%1").arg(i);
        edge.src = QStringLiteral("node-%1").arg(i % nodeCount);
        edge.dst = QStringLiteral("node-%1").arg((i * 7 + 1) % nodeCount);
        edge.type = i % 2 ? QStringLiteral("réseau") : QStringLiteral("uses");
        edge.label = edge.type;
        edge.validity.start = start.addSecs(i);
        edge.attributes = {{QString(), QStringLiteral("confiance"), QStringLiteral("moyenne")}};
        graph.insertEdge(edge);
    }
    return graph;
}

// A bundle shaped like public threat-intelligence feeds: long descriptions, references,
// kill-chain phases, and relationships between the objects.
QByteArray feedBundle(int objectCount)
{
    QJsonArray objects;
    const QString text = QStringLiteral(
        "Les opérateurs déposent un chargeur qui récupère une seconde charge chiffrée, puis "
        "établissent une persistance par tâche planifiée. ");
    const int nodes = objectCount * 2 / 3;
    const char *types[] = {"attack-pattern", "malware", "intrusion-set", "tool", "indicator",
                           "identity"};
    for (int i = 0; i < nodes; ++i) {
        const QString type = QLatin1String(types[i % 6]);
        QJsonObject o{{"type", type},
                      {"spec_version", "2.1"},
                      {"id", QStringLiteral("%1--%2-0000-4000-8000-%3")
                                 .arg(type)
                                 .arg(i, 8, 16, QLatin1Char('0'))
                                 .arg(i, 12, 16, QLatin1Char('0'))},
                      {"created", "2023-04-01T10:00:00.000Z"},
                      {"modified", "2024-04-01T10:00:00.000Z"},
                      {"name", QStringLiteral("Objet %1").arg(i)},
                      {"description", text.repeated(9 + i % 5)},
                      {"x_mitre_platforms", QJsonArray{"Windows", "Linux", "macOS"}},
                      {"x_mitre_version", "1.2"},
                      {"external_references",
                       QJsonArray{QJsonObject{{"source_name", "mitre-attack"},
                                              {"external_id", QStringLiteral("T%1").arg(1000 + i)},
                                              {"url", QStringLiteral("https://attack.example/techniques/T%1").arg(1000 + i)}},
                                  QJsonObject{{"source_name", "rapport"},
                                              {"description", text}}}},
                      {"object_marking_refs",
                       QJsonArray{"marking-definition--613f2e26-407d-48c7-9eca-b8e91df99dc9"}}};
        if (type == u"malware")
            o.insert("is_family", true);
        if (type == u"indicator") {
            o.insert("pattern", QStringLiteral("[file:hashes.'SHA-256' = '%1']").arg(i, 64, 16, QLatin1Char('0')));
            o.insert("pattern_type", "stix");
            o.insert("valid_from", "2024-01-01T00:00:00Z");
        }
        if (type == u"attack-pattern")
            o.insert("kill_chain_phases",
                     QJsonArray{QJsonObject{{"kill_chain_name", "mitre-attack"}, {"phase_name", "execution"}}});
        objects.append(o);
    }
    for (int i = nodes; i < objectCount; ++i) {
        const QJsonObject source = objects.at(i % nodes).toObject();
        const QJsonObject target = objects.at((i * 13 + 5) % nodes).toObject();
        objects.append(QJsonObject{
            {"type", "relationship"},
            {"spec_version", "2.1"},
            {"id", QStringLiteral("relationship--%1-0000-4000-8000-%2").arg(i, 8, 16, QLatin1Char('0')).arg(i, 12, 16, QLatin1Char('0'))},
            {"created", "2023-04-01T10:00:00.000Z"},
            {"modified", "2024-04-01T10:00:00.000Z"},
            {"relationship_type", "uses"},
            {"description", text.repeated(2)},
            {"source_ref", source.value("id")},
            {"target_ref", target.value("id")}});
    }
    return QJsonDocument(QJsonObject{{"type", "bundle"},
                                     {"id", "bundle--00000000-0000-4000-8000-000000000000"},
                                     {"objects", objects}})
        .toJson(QJsonDocument::Indented);
}

void row(const QString &what, double ours, double reference, const QString &referenceName)
{
    out() << QStringLiteral("%1  %2 ms   %3 %4 ms   ratio %5\n")
                 .arg(what, -34)
                 .arg(ours, 9, 'f', 1)
                 .arg(referenceName, -24)
                 .arg(reference, 9, 'f', 1)
                 .arg(ours / reference, 5, 'f', 2);
    out().flush();
}

int peak(const QString &path)
{
    const qint64 before = statusKb("VmRSS:");
    Graph graph;
    QString message;
    QElapsedTimer timer;
    timer.start();
    const bool ok = StixIo::importBundle(path, graph, &message);
    const qint64 elapsed = timer.elapsed();
    const qint64 high = statusKb("VmHWM:");
    out() << (ok ? "ok" : "failed") << ' ' << elapsed << ' ' << before << ' ' << high << ' '
          << graph.nodes().size() << ' ' << graph.edges().size() << '\n';
    return ok ? 0 : 1;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    if (arguments.size() == 3 && arguments.at(1) == u"peak")
        return peak(arguments.at(2));

    QTemporaryDir dir;
    const int runs = 3;

    // STIX, 30k objects from an investigation.
    const Graph stixGraph = syntheticGraph(20000, 10000);
    const QString bundlePath = dir.filePath("bundle.json");
    const double stixExport = best(runs, [&] { StixIo::exportBundle(bundlePath, stixGraph, nullptr); });
    const QByteArray bundleBytes = readAll(bundlePath);
    const QJsonDocument bundleDocument = QJsonDocument::fromJson(bundleBytes);
    const double jsonWrite = best(runs, [&] {
        writeAll(dir.filePath("plain.json"), bundleDocument.toJson(QJsonDocument::Indented));
    });
    row(QStringLiteral("STIX export (30k objects)"), stixExport, jsonWrite,
        QStringLiteral("QJsonDocument write"));
    const double stixImport = best(runs, [&] {
        Graph graph;
        StixIo::importBundle(bundlePath, graph, nullptr);
    });
    const double jsonParse = best(runs, [&] { QJsonDocument::fromJson(readAll(bundlePath)); });
    row(QStringLiteral("STIX import (30k objects)"), stixImport, jsonParse,
        QStringLiteral("QJsonDocument parse"));

    // CSV, 100k rows each.
    const Graph csvGraph = syntheticGraph(100000, 100000);
    const QString nodesPath = dir.filePath("nodes.csv");
    const QString edgesPath = dir.filePath("edges.csv");
    const double nodesExport = best(runs, [&] { CsvIo::writeNodes(nodesPath, csvGraph); });
    const QByteArray nodesBytes = readAll(nodesPath);
    const double nodesWrite = best(runs, [&] { writeAll(dir.filePath("plain.csv"), nodesBytes); });
    row(QStringLiteral("CSV nodes export (100k)"), nodesExport, nodesWrite, QStringLiteral("QFile write"));
    const double nodesImport = best(runs, [&] {
        Graph graph;
        CsvIo::readNodes(nodesPath, graph);
    });
    qsizetype lines = 0; // keeps the reference reads from being optimised away
    const double nodesRead = best(runs, [&] {
        lines += QString::fromUtf8(readAll(nodesPath)).split(QLatin1Char('\n')).size();
    });
    row(QStringLiteral("CSV nodes import (100k)"), nodesImport, nodesRead,
        QStringLiteral("QFile read + lines"));
    const double edgesExport = best(runs, [&] { CsvIo::writeEdges(edgesPath, csvGraph); });
    const QByteArray edgesBytes = readAll(edgesPath);
    const double edgesWrite = best(runs, [&] { writeAll(dir.filePath("plain.csv"), edgesBytes); });
    row(QStringLiteral("CSV edges export (100k)"), edgesExport, edgesWrite, QStringLiteral("QFile write"));
    const double edgesImport = best(runs, [&] {
        Graph graph;
        CsvIo::readEdges(edgesPath, graph);
    });
    const double edgesRead = best(runs, [&] {
        lines += QString::fromUtf8(readAll(edgesPath)).split(QLatin1Char('\n')).size();
    });
    row(QStringLiteral("CSV edges import (100k)"), edgesImport, edgesRead,
        QStringLiteral("QFile read + lines"));

    out() << QStringLiteral("  (%1 lines read by the references)\n").arg(lines);

    // A large public feed, imported in a process of its own for its memory figure.
    const QString feedPath = dir.filePath("feed.json");
    writeAll(feedPath, feedBundle(26000));
    const double feedMb = double(QFileInfo(feedPath).size()) / (1024.0 * 1024.0);
    const double feedParse = best(1, [&] { QJsonDocument::fromJson(readAll(feedPath)); });
    QProcess child;
    child.start(app.applicationFilePath(), {QStringLiteral("peak"), feedPath});
    child.waitForFinished(300000);
    const QList<QByteArray> figures = child.readAllStandardOutput().trimmed().split(' ');
    if (figures.size() == 6 && figures.at(0) == "ok") {
        const double elapsed = figures.at(1).toDouble();
        const double extraMb = (figures.at(3).toDouble() - figures.at(2).toDouble()) / 1024.0;
        row(QStringLiteral("STIX import feed (%1 MB)").arg(feedMb, 0, 'f', 1), elapsed, feedParse,
            QStringLiteral("QJsonDocument parse"));
        out() << QStringLiteral("  %1 nodes, %2 relations; peak extra memory %3 MB = %4 x file size\n")
                     .arg(QString::fromLatin1(figures.at(4)), QString::fromLatin1(figures.at(5)))
                     .arg(extraMb, 0, 'f', 1)
                     .arg(extraMb / feedMb, 0, 'f', 2);
    } else {
        out() << "feed import failed\n";
    }
    return 0;
}
