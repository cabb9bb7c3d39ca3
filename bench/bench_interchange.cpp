// Times CSV and STIX import and export against the bare handling of the same bytes in the same
// run, and prints each ratio beside its goal (3x):
// - STIX export: QJsonDocument writing the bundle (parsed from the exported file beforehand)
//   to a file; the bench checks that its text is byte for byte the exported one.
// - STIX import: QJsonDocument parsing the file read with QFile.
// - CSV export: plain QFile writing the file's text line by line, from the cells of each line
//   held in memory (joined at the separator), with nothing to format, quote or look up.
// - CSV import: plain QFile reading the file, cut into lines and the lines into cells at the
//   separator, with no quote handling and no records built.
// The time to write or read the same bytes in one piece is printed too, for scale.
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
                      {"description", text.repeated(7 + i % 5)},
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

void row(const QString &what, double ours, double reference, const QString &referenceName,
         double goal)
{
    const double ratio = ours / reference;
    out() << QStringLiteral("%1  %2 ms   %3 %4 ms   ratio %5 (goal %6x: %7)\n")
                 .arg(what, -30)
                 .arg(ours, 8, 'f', 1)
                 .arg(referenceName, -22)
                 .arg(reference, 8, 'f', 1)
                 .arg(ratio, 5, 'f', 2)
                 .arg(goal)
                 .arg(ratio <= goal ? QStringLiteral("ok") : QStringLiteral("MISSED"));
    out().flush();
}

// The cells of every line of a CSV text, cut at the separator (quotes not looked at, so that
// joining them again gives the same text).
QList<QStringList> linesOfCells(const QByteArray &bytes)
{
    QList<QStringList> lines;
    const QStringList texts = QString::fromUtf8(bytes).split(QLatin1Char('\n'));
    for (const QString &line : texts)
        lines.append(line.split(QLatin1Char(',')));
    lines.removeLast(); // after the last line end
    return lines;
}

void writeLines(const QString &path, const QList<QStringList> &lines)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return;
    for (const QStringList &cells : lines)
        file.write((cells.join(QLatin1Char(',')) + QLatin1Char('\n')).toUtf8());
}

qsizetype readCells(const QString &path)
{
    qsizetype cells = 0;
    const QStringList lines = QString::fromUtf8(readAll(path)).split(QLatin1Char('\n'));
    for (const QString &line : lines)
        cells += line.split(QLatin1Char(',')).size();
    return cells;
}

// One CSV table: our export and import beside plain QFile on the same bytes.
void csvRows(const QString &what, QTemporaryDir &dir, const QString &path,
             const std::function<void()> &exportTable,
             const std::function<void(Graph &)> &importTable, qsizetype *cellsRead)
{
    const int runs = 3;
    const double exported = best(runs, exportTable);
    const QByteArray bytes = readAll(path);
    const QList<QStringList> lines = linesOfCells(bytes);
    const QString plainPath = dir.filePath(QStringLiteral("plain.csv"));
    const double plainWrite = best(runs, [&] { writeLines(plainPath, lines); });
    if (readAll(plainPath) != bytes)
        out() << "  (the plain writer did not write the same bytes)\n";
    const double rawWrite = best(runs, [&] { writeAll(plainPath, bytes); });
    row(what + QStringLiteral(" export"), exported, plainWrite,
        QStringLiteral("QFile lines write"), 3);
    const double imported = best(runs, [&] {
        Graph graph;
        importTable(graph);
    });
    const double plainRead = best(runs, [&] { *cellsRead += readCells(path); });
    const double rawRead = best(runs, [&] { *cellsRead += readAll(path).size() > 0; });
    row(what + QStringLiteral(" import"), imported, plainRead, QStringLiteral("QFile cells read"),
        3);
    out() << QStringLiteral("  %1 MB; the bytes in one piece: write %2 ms, read %3 ms\n")
                 .arg(double(bytes.size()) / (1024.0 * 1024.0), 0, 'f', 1)
                 .arg(rawWrite, 0, 'f', 1)
                 .arg(rawRead, 0, 'f', 1);
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
    {
        const Graph graph = syntheticGraph(20000, 10000);
        const QString path = dir.filePath(QStringLiteral("bundle.json"));
        const double exported = best(runs, [&] { StixIo::exportBundle(path, graph, nullptr); });
        const QByteArray bytes = readAll(path);
        const QJsonDocument document = QJsonDocument::fromJson(bytes);
        const QString plainPath = dir.filePath(QStringLiteral("plain.json"));
        const double plainWrite = best(runs, [&] {
            writeAll(plainPath, document.toJson(QJsonDocument::Indented));
        });
        if (readAll(plainPath) != bytes)
            out() << "  (QJsonDocument did not write the same bytes)\n";
        row(QStringLiteral("STIX export (30k objects)"), exported, plainWrite,
            QStringLiteral("QJsonDocument write"), 3);
        const double imported = best(runs, [&] {
            Graph copy;
            StixIo::importBundle(path, copy, nullptr);
        });
        const double plainParse = best(runs, [&] { QJsonDocument::fromJson(readAll(path)); });
        row(QStringLiteral("STIX import (30k objects)"), imported, plainParse,
            QStringLiteral("QJsonDocument parse"), 3);

        // The imported objects written again: each comes back as it was read.
        Graph imported30k;
        StixIo::importBundle(path, imported30k, nullptr);
        const QString againPath = dir.filePath(QStringLiteral("again.json"));
        const double reexported =
            best(runs, [&] { StixIo::exportBundle(againPath, imported30k, nullptr); });
        const QJsonDocument again = QJsonDocument::fromJson(readAll(againPath));
        const double againWrite = best(runs, [&] {
            writeAll(plainPath, again.toJson(QJsonDocument::Indented));
        });
        row(QStringLiteral("STIX re-export (30k imported)"), reexported, againWrite,
            QStringLiteral("QJsonDocument write"), 3);
        out() << QStringLiteral("  %1 MB\n").arg(double(bytes.size()) / (1024.0 * 1024.0), 0, 'f', 1);
    }

    // CSV, 100k rows each.
    {
        const Graph graph = syntheticGraph(100000, 100000);
        const QString nodesPath = dir.filePath(QStringLiteral("nodes.csv"));
        const QString edgesPath = dir.filePath(QStringLiteral("edges.csv"));
        qsizetype cellsRead = 0; // keeps the reference reads from being optimised away
        csvRows(QStringLiteral("CSV nodes (100k)"), dir, nodesPath,
                [&] { CsvIo::writeNodes(nodesPath, graph); },
                [&](Graph &into) { CsvIo::readNodes(nodesPath, into); }, &cellsRead);
        csvRows(QStringLiteral("CSV edges (100k)"), dir, edgesPath,
                [&] { CsvIo::writeEdges(edgesPath, graph); },
                [&](Graph &into) { CsvIo::readEdges(edgesPath, into); }, &cellsRead);
        out() << QStringLiteral("  (%1 cells read by the references)\n").arg(cellsRead);
    }

    // A large public feed, imported in a process of its own for its memory figure.
    const QString feedPath = dir.filePath(QStringLiteral("feed.json"));
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
        out() << QStringLiteral("STIX import feed (%1 MB, %2 nodes, %3 relations)  %4 ms "
                                "(goal 5000 ms: %5; QJsonDocument parse %6 ms)\n")
                     .arg(feedMb, 0, 'f', 1)
                     .arg(QString::fromLatin1(figures.at(4)), QString::fromLatin1(figures.at(5)))
                     .arg(elapsed, 0, 'f', 0)
                     .arg(elapsed < 5000 ? QStringLiteral("ok") : QStringLiteral("MISSED"))
                     .arg(feedParse, 0, 'f', 0);
        out() << QStringLiteral("  peak extra memory %1 MB = %2 x file size (goal 6x: %3)\n")
                     .arg(extraMb, 0, 'f', 1)
                     .arg(extraMb / feedMb, 0, 'f', 2)
                     .arg(extraMb < 6 * feedMb ? QStringLiteral("ok") : QStringLiteral("MISSED"));
    } else {
        out() << "feed import failed\n";
    }
    return 0;
}
