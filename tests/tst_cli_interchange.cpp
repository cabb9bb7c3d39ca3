#include "clirunner.h"
#include "model/graph.h"
#include "testfiles.h"
#include "testgraphs.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

using TestGraphs::loadGraph;

namespace {

const QByteArray kNodes = "id,label,type\nn1,192.0.2.41,IP\nn2,\"Corbeau, Gris\",Acteur\n";
const QByteArray kEdges = "id,src,dst,label,direction\ne1,n2,n1,utilise,directed\n";

} // namespace

class TestCliInterchange : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void importCsvCreatesProjectLikeSaveAs();
    void exportCsvWritesBothFiles();
    void stixThroughTheCommandLine();
    void failedImportLeavesProjectUntouched_data();
    void failedImportLeavesProjectUntouched();
    void failedImportCreatesNothing();
    void rejectsBadArguments_data();
    void rejectsBadArguments();
};

void TestCliInterchange::importCsvCreatesProjectLikeSaveAs()
{
    QTemporaryDir dir;
    writeBytes(dir.filePath("nodes.csv"), kNodes);
    writeBytes(dir.filePath("edges.csv"), kEdges);
    const QString chosen = dir.filePath("Brume.orvane.db");
    const QString dbPath = dir.filePath("Brume/Brume.orvane.db");

    CliRun run = runCli({"import-csv", chosen, "--nodes", dir.filePath("nodes.csv"), "--edges",
                      dir.filePath("edges.csv")});
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.out, QStringLiteral("Nœuds importés: 2 (total 2)\nRelations importées: 1 (total 1)\n"
                                     "Enregistré: %1\n").arg(dbPath));
    QVERIFY(QFileInfo(dbPath).isFile());
    for (const char *folder : {"nodes", "maps", "shapes"})
        QVERIFY(QFileInfo(dir.filePath("Brume/") + QLatin1String(folder)).isDir());
    Graph graph = loadGraph(dbPath);
    QCOMPARE(graph.node("n2").label, QStringLiteral("Corbeau, Gris"));
    QCOMPARE(graph.edge("e1").src, QStringLiteral("n2"));

    // The same chosen name reaches the project Save as made, and adds to it.
    writeBytes(dir.filePath("more.csv"), "id,label\nn1,doublon\nn3,Nouveau\n");
    run = runCli({"import-csv", chosen, "--nodes", dir.filePath("more.csv")});
    QCOMPARE(run.exitCode, 0);
    QVERIFY2(run.out.startsWith(QStringLiteral("Nœuds importés: 1 (total 3)\n")), qPrintable(run.out));
    graph = loadGraph(dbPath);
    QCOMPARE(graph.nodes().size(), 3);
    QCOMPARE(graph.node("n1").label, QStringLiteral("192.0.2.41"));
}

void TestCliInterchange::exportCsvWritesBothFiles()
{
    QTemporaryDir dir;
    writeBytes(dir.filePath("nodes.csv"), kNodes);
    writeBytes(dir.filePath("edges.csv"), kEdges);
    const QString dbPath = dir.filePath("Case/Case.orvane.db");
    QCOMPARE(runCli({"import-csv", dbPath, "--nodes", dir.filePath("nodes.csv"), "--edges",
                     dir.filePath("edges.csv")})
                 .exitCode,
             0);
    const QString out = dir.filePath("export/csv");
    const CliRun run = runCli({"export-csv", dbPath, out});
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.out, QStringLiteral("Nœuds exportés vers %1\nRelations exportées vers %2\n")
                          .arg(out + "/nodes.csv", out + "/edges.csv"));
    const QByteArray nodes = fileBytes(out + "/nodes.csv");
    QVERIFY(nodes.startsWith("id,label,type,shape,color,size,media_path,valid_start,valid_end,description\n"));
    QVERIFY(nodes.contains("n2,\"Corbeau, Gris\",Acteur,cercle,#f5f5f5,1,,,,\n"));
    QCOMPARE(fileBytes(out + "/edges.csv").split('\n').at(1), QByteArray("e1,n2,n1,utilise,directed,,1.8,,,"));
}

void TestCliInterchange::stixThroughTheCommandLine()
{
    QTemporaryDir dir;
    const QString dbPath = dir.filePath("Stix/Stix.orvane.db");
    CliRun run = runCli({"import-stix", dbPath, QStringLiteral(ORVANE_TEST_DATA "/stix/usual.json")});
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.out, QStringLiteral("Import STIX terminé: 13 nœuds, 4 relations ajoutés. 1 relations dont "
                                     "une extrémité manque dans le graphe.\n"
                                     "Enregistré: %1\n").arg(dbPath));
    QCOMPARE(loadGraph(dbPath).nodes().size(), 13);

    const QString bundlePath = dir.filePath("out.json");
    run = runCli({"export-stix", dbPath, bundlePath});
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.out, QStringLiteral("Export STIX terminé : 17 objets dans le bundle.\n"));
    const QJsonObject bundle = QJsonDocument::fromJson(fileBytes(bundlePath)).object();
    QCOMPARE(bundle.value("objects").toArray().size(), 17);

    run = runCli({"export-stix", dir.filePath("Nowhere/Nowhere.orvane.db"), bundlePath});
    QCOMPARE(run.exitCode, 1);
    QVERIFY2(run.err.startsWith(QStringLiteral("orvane-cli: Base introuvable: ")), qPrintable(run.err));
}

void TestCliInterchange::failedImportLeavesProjectUntouched_data()
{
    QTest::addColumn<QStringList>("arguments"); // "%db" and "%dir" stand for the paths
    QTest::addColumn<QString>("error");
    QTest::newRow("empty nodes file")
        << QStringList{"import-csv", "%db", "--nodes", "%dir/empty.csv"} << "orvane-cli: Fichier vide\n";
    QTest::newRow("unreadable edges file after good nodes")
        << QStringList{"import-csv", "%db", "--nodes", "%dir/nodes.csv", "--edges", "%dir/absent.csv"}
        << "orvane-cli: Impossible d'ouvrir edges CSV: %dir/absent.csv\n";
    QTest::newRow("invalid bundle")
        << QStringList{"import-stix", "%db", ORVANE_TEST_DATA "/stix/invalid.json"}
        << "orvane-cli: JSON invalide: ";
}

void TestCliInterchange::failedImportLeavesProjectUntouched()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, error);
    QTemporaryDir dir;
    writeBytes(dir.filePath("nodes.csv"), kNodes);
    writeBytes(dir.filePath("empty.csv"), "");
    const QString dbPath = dir.filePath("Case/Case.orvane.db");
    QCOMPARE(runCli({"import-csv", dbPath, "--nodes", dir.filePath("nodes.csv")}).exitCode, 0);
    writeBytes(dir.filePath("nodes.csv"), "id,label\nn9,Neuf\n");
    const QByteArray before = fileBytes(dbPath);

    for (QString &argument : arguments)
        argument.replace("%db", dbPath).replace("%dir", dir.path());
    const CliRun run = runCli(arguments);
    QCOMPARE(run.exitCode, 1);
    error.replace("%dir", dir.path());
    QVERIFY2(run.err.startsWith(error), qPrintable(run.err));
    QVERIFY(run.out.isEmpty());
    QCOMPARE(fileBytes(dbPath), before);
}

void TestCliInterchange::failedImportCreatesNothing()
{
    QTemporaryDir dir;
    writeBytes(dir.filePath("empty.csv"), "");
    const CliRun run = runCli({"import-csv", dir.filePath("New.orvane.db"), "--nodes", dir.filePath("empty.csv")});
    QCOMPARE(run.exitCode, 1);
    QVERIFY(!QFileInfo::exists(dir.filePath("New")));
}

void TestCliInterchange::rejectsBadArguments_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::newRow("import-csv without nodes") << QStringList{"import-csv", "x.orvane.db"};
    QTest::newRow("import-csv unknown option") << QStringList{"import-csv", "x.orvane.db", "--nodes", "a.csv", "--bogus"};
    QTest::newRow("export-csv without folder") << QStringList{"export-csv", "x.orvane.db"};
    QTest::newRow("import-stix without bundle") << QStringList{"import-stix", "x.orvane.db"};
    QTest::newRow("export-stix too many") << QStringList{"export-stix", "a", "b", "c"};
}

void TestCliInterchange::rejectsBadArguments()
{
    QFETCH(QStringList, arguments);
    const CliRun run = runCli(arguments);
    QCOMPARE(run.exitCode, 2);
    QVERIFY2(run.err.startsWith(QStringLiteral("usage: orvane-cli ") + arguments.first()), qPrintable(run.err));
}

QTEST_GUILESS_MAIN(TestCliInterchange)
#include "tst_cli_interchange.moc"
