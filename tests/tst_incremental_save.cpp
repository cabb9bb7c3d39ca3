#include "document/graphdocument.h"
#include "model/graph.h"
#include "model/scenerecords.h"
#include "storage/projectdb.h"
#include "storage/projectfiles.h"
#include "testfiles.h"
#include "testgraphs.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonObject>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <QTest>
#include <QUndoStack>

#include <algorithm>
#include <functional>

using namespace TestGraphs;

namespace {

// Every table of a project file as rows of text, to compare two files.
//
// Maps and shapes are numbered by SQLite as they are inserted: their order is kept, their
// numbers are not compared. The STIX objects of records keep no order of their own (only
// detached objects do), so their position is left out.
class FileTables
{
public:
    explicit FileTables(const QString &path)
    {
        static int serial = 0;
        const QString name = QStringLiteral("tables-%1").arg(++serial);
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
            db.setDatabaseName(path);
            db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
            if (db.open())
                read(db);
        }
        QSqlDatabase::removeDatabase(name);
    }

    QMap<QString, QStringList> tables;

private:
    void read(const QSqlDatabase &db)
    {
        QSqlQuery schema(db);
        schema.exec(QStringLiteral("SELECT type, name, sql FROM sqlite_master ORDER BY type, name"));
        while (schema.next()) {
            const QString name = schema.value(1).toString();
            tables[QStringLiteral("schema")].append(schema.value(0).toString() + QLatin1Char(' ')
                                                    + name + QLatin1Char(' ')
                                                    + schema.value(2).toString());
            // The counter behind the numbering of maps and shapes.
            if (schema.value(0).toString() == u"table" && name != u"sqlite_sequence")
                tables[name] = rows(db, name);
        }
    }

    static QStringList rows(const QSqlDatabase &db, const QString &table)
    {
        const bool numbered = table == u"maps" || table == u"shapes";
        QSqlQuery query(db);
        query.exec(QStringLiteral("SELECT * FROM \"%1\"%2")
                       .arg(table, numbered ? QStringLiteral(" ORDER BY id") : QString()));
        QStringList rows;
        while (query.next()) {
            const QSqlRecord record = query.record();
            const bool recordOrigin = table == u"stix_objects"
                && record.value(QStringLiteral("kind")).toString() != u"detached";
            QStringList cells;
            for (int i = 0; i < record.count(); ++i) {
                const QString column = record.fieldName(i);
                if ((numbered && column == u"id") || (recordOrigin && column == u"position"))
                    continue;
                const QVariant value = record.value(i);
                cells.append(column + QLatin1Char('=')
                             + (value.isNull() ? QStringLiteral("NULL")
                                               : QString::fromLatin1(value.typeName())
                                                   + QLatin1Char(':') + value.toString()));
            }
            rows.append(cells.join(QLatin1Char('|')));
        }
        if (numbered)
            return rows;
        // A load lists the attributes, media and members of one record in the order of their
        // rows: that order is compared, the order between records is not.
        static const QHash<QString, QString> owners = {
            {QStringLiteral("group_members"), QStringLiteral("group_id=")},
            {QStringLiteral("node_attrs"), QStringLiteral("node_id=")},
            {QStringLiteral("edge_attrs"), QStringLiteral("edge_id=")},
            {QStringLiteral("node_medias"), QStringLiteral("node_id=")}};
        const QString owner = owners.value(table);
        if (owner.isEmpty()) {
            rows.sort();
            return rows;
        }
        auto ownerOf = [&owner](const QString &row) {
            const QStringList cells = row.split(QLatin1Char('|'));
            const auto cell = std::find_if(cells.cbegin(), cells.cend(), [&owner](const QString &c) {
                return c.startsWith(owner);
            });
            return cell == cells.cend() ? QString() : *cell;
        };
        std::stable_sort(rows.begin(), rows.end(), [&ownerOf](const QString &a, const QString &b) {
            return ownerOf(a) < ownerOf(b);
        });
        return rows;
    }
};

// The same rows without their attribute row ids, for saves that give some rows fresh ones.
QStringList withoutIds(QStringList rows)
{
    for (QString &row : rows)
        row = row.section(QLatin1Char('|'), 1);
    rows.sort();
    return rows;
}

// Compares two files table by table, naming the first table that differs.
void compareFiles(const QString &incremental, const QString &whole, bool freshAttributeIds)
{
    FileTables a(incremental);
    FileTables b(whole);
    QCOMPARE(a.tables.keys(), b.tables.keys());
    QVERIFY(a.tables.contains(QStringLiteral("nodes")));
    for (auto it = a.tables.cbegin(); it != a.tables.cend(); ++it) {
        QStringList mine = *it;
        QStringList theirs = b.tables.value(it.key());
        if (freshAttributeIds && it.key().endsWith(QLatin1String("_attrs"))) {
            mine = withoutIds(mine);
            theirs = withoutIds(theirs);
        }
        if (it.key() == u"project_meta") {
            // Both files hold the generation of their own saves, compared by the caller.
            continue;
        }
        QVERIFY2(mine == theirs,
                 qPrintable(QStringLiteral("table %1 differs:\n  saved changes: %2\n  whole save:    %3")
                                .arg(it.key(), mine.join(QStringLiteral("\n                 ")),
                                     theirs.join(QStringLiteral("\n                 ")))));
    }
}

// One kind of edit an analyst makes, run on the document as the window runs it.
struct Edit
{
    const char *name;
    std::function<void(GraphDocument &, const QString &outsideFile)> run;
    // The edit copies attribute rows with their ids: each save gives the copies new ids.
    bool freshAttributeIds = false;
};

void editNode(GraphDocument &document, const QString &id, const std::function<void(Node &)> &change)
{
    document.edit(QStringLiteral("modifier"), [&](Graph &graph) {
        Node node = graph.node(id);
        change(node);
        graph.replaceNode(node);
    });
}

void removeNodes(GraphDocument &document, const QSet<QString> &ids)
{
    document.edit(QStringLiteral("supprimer"), [&](Graph &graph) {
        for (const QString &edge : graph.edgesTouching(ids))
            graph.removeEdge(edge);
        for (const QString &id : ids)
            graph.removeNode(id);
    });
}

const QList<Edit> &edits()
{
    static const QList<Edit> list = {
        {"node added",
         [](GraphDocument &document, const QString &) {
             document.edit(QStringLiteral("ajouter"), [](Graph &graph) {
                 Node node = makeNode(QStringLiteral("n4"), QStringLiteral("nouveau"), QPointF(7, 8));
                 node.attributes = {{QStringLiteral("n4-a"), QStringLiteral("k"), QStringLiteral("v")}};
                 graph.insertNode(node);
             });
         }},
        {"node edited",
         [](GraphDocument &document, const QString &) {
             editNode(document, QStringLiteral("n1"), [](Node &node) {
                 node.label = QStringLiteral("renommé");
                 node.pos = QPointF(-40, 12.5);
                 node.color = QColor(QStringLiteral("#aa0011"));
                 node.geoLat.reset();
             });
         }},
        {"attribute rows changed",
         [](GraphDocument &document, const QString &) {
             editNode(document, QStringLiteral("n1"), [](Node &node) {
                 node.attributes[0].value = QStringLiteral("autre valeur");
                 node.attributes.removeAt(1);
                 node.attributes.append({QStringLiteral("a3"), QStringLiteral("k3"), QStringLiteral("v3")});
             });
         }},
        {"attribute row moved to another node",
         [](GraphDocument &document, const QString &) {
             document.edit(QStringLiteral("déplacer"), [](Graph &graph) {
                 Node from = graph.node(QStringLiteral("n1"));
                 Node to = graph.node(QStringLiteral("n2"));
                 to.attributes.append(from.attributes.takeFirst());
                 graph.replaceNode(from);
                 graph.replaceNode(to);
             });
         }},
        {"node copied with its attribute ids",
         [](GraphDocument &document, const QString &) {
             document.edit(QStringLiteral("coller"), [](Graph &graph) {
                 Node copy = graph.node(QStringLiteral("n1"));
                 copy.id = QStringLiteral("n1-copie");
                 graph.insertNode(copy);
             });
         },
         true},
        {"media attached",
         [](GraphDocument &document, const QString &outside) {
             editNode(document, QStringLiteral("n2"), [&outside](Node &node) {
                 node.medias.append({QStringLiteral("preuve"), outside, QStringLiteral("capture"),
                                     QStringLiteral("t1"), QDateTime(), QStringLiteral("moi"),
                                     QString()});
                 node.mediaPath = outside;
             });
         }},
        {"node removed with its relations",
         [](GraphDocument &document, const QString &) { removeNodes(document, {QStringLiteral("n1")}); }},
        {"group member removed",
         [](GraphDocument &document, const QString &) { removeNodes(document, {QStringLiteral("n2")}); }},
        {"group removed",
         [](GraphDocument &document, const QString &) { removeNodes(document, {QStringLiteral("g")}); }},
        {"group member moved",
         [](GraphDocument &document, const QString &) {
             editNode(document, QStringLiteral("n3"),
                      [](Node &node) { node.groupOffset = QPointF(33, -4); });
         }},
        {"group given a member",
         [](GraphDocument &document, const QString &) {
             editNode(document, QStringLiteral("g"),
                      [](Node &node) { node.groupMembers.append(QStringLiteral("n1")); });
         }},
        {"relation added",
         [](GraphDocument &document, const QString &) {
             document.edit(QStringLiteral("relier"), [](Graph &graph) {
                 Edge edge = makeEdge(QStringLiteral("e4"), QStringLiteral("n3"), QStringLiteral("n1"),
                                      QStringLiteral("lié"));
                 edge.attributes = {{QStringLiteral("e4-a"), QStringLiteral("k"), QStringLiteral("v")}};
                 graph.insertEdge(edge);
             });
         }},
        {"relation changed",
         [](GraphDocument &document, const QString &) {
             document.edit(QStringLiteral("modifier"), [](Graph &graph) {
                 Edge edge = graph.edge(QStringLiteral("e1"));
                 edge.label = QStringLiteral("changé");
                 edge.attributes.append({QStringLiteral("ea2"), QStringLiteral("k2"), QStringLiteral("v2")});
                 graph.replaceEdge(edge);
             });
         }},
        {"relation removed",
         [](GraphDocument &document, const QString &) {
             document.edit(QStringLiteral("supprimer"),
                           [](Graph &graph) { graph.removeEdge(QStringLiteral("e1")); });
         }},
        {"STIX kept objects changed",
         [](GraphDocument &document, const QString &) {
             document.edit(QStringLiteral("importer"), [](Graph &graph) {
                 graph.stix().detached.append(QJsonObject{{QStringLiteral("id"), QStringLiteral("marking--2")}});
                 graph.stix().nodeOrigins.insert(
                     QStringLiteral("n2"), {QJsonObject{{QStringLiteral("id"), QStringLiteral("ipv4-addr--2")}}, 7});
                 graph.stix().edgeOrigins.remove(QStringLiteral("e1"));
             });
         }},
        {"scene changed",
         [](GraphDocument &document, const QString &) {
             document.editScene(QStringLiteral("déplacer"), [](SceneRecords &scene) {
                 scene.shapes.first().pos = QPointF(300, 200);
                 ShapeRecord second;
                 second.label = QStringLiteral("deuxième zone");
                 scene.shapes.prepend(second);
                 scene.maps.first().label = QStringLiteral("plan renommé");
             });
         }},
    };
    return list;
}

} // namespace

class TstIncrementalSave : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void everyTableEqualsAWholeSave_data();
    void everyTableEqualsAWholeSave();
    void changedOnDiskWritesNothing();
    void lostGraphTablesAreWrittenWhole_data();
    void lostGraphTablesAreWrittenWhole();
    void commandLineWriterLeavesTheFileAsAWholeSave();

private:
    // Saves the base project into m_dbPath and loads it into the document, as opening it does.
    void openBaseProject(GraphDocument &document);
    // Saves the document's changes into m_dbPath and the whole document into m_wholePath, as
    // the window's save then takes the result in.
    void saveBoth(GraphDocument &document);
    SaveOptions options(qint64 generation) const;

    QTemporaryDir m_dir;
    QString m_folder;
    QString m_dbPath;
    QString m_wholePath;
    QString m_outsideFile;
    qint64 m_generation = 0;
    qint64 m_wholeGeneration = 0;
};

void TstIncrementalSave::init()
{
    static int serial = 0;
    ++serial;
    m_folder = m_dir.filePath(QStringLiteral("Case%1").arg(serial));
    m_dbPath = QDir(m_folder).filePath(QStringLiteral("Case%1.orvane.db").arg(serial));
    // Same folder: both files store their media paths against the same project.
    m_wholePath = QDir(m_folder).filePath(QStringLiteral("Whole.orvane.db"));
    QDir().mkpath(m_folder);
    m_outsideFile = m_dir.filePath(QStringLiteral("outside%1/preuve.txt").arg(serial));
    writeBytes(m_outsideFile, "contenu de la preuve");
}

SaveOptions TstIncrementalSave::options(qint64 generation) const
{
    SaveOptions options;
    options.chosenFiles.insert(m_outsideFile);
    options.expectedGeneration = generation;
    return options;
}

void TstIncrementalSave::openBaseProject(GraphDocument &document)
{
    Graph graph;
    Node n1 = makeNode(QStringLiteral("n1"), QStringLiteral("serveur"), QPointF(1, 2));
    n1.attributes = {{QStringLiteral("a1"), QStringLiteral("k1"), QStringLiteral("v1")},
                     {QStringLiteral("a2"), QStringLiteral("k2"), QStringLiteral("v2")}};
    n1.geoLat = 48.5;
    n1.geoLon = 2.25;
    n1.medias = {{QStringLiteral("rapport"), m_outsideFile, {}, {}, {}, {}, {}}};
    graph.insertNode(n1);
    Node n2 = makeNode(QStringLiteral("n2"), QPointF(10, 0));
    n2.parentGroup = QStringLiteral("g");
    n2.groupOffset = QPointF(5, 6);
    graph.insertNode(n2);
    Node n3 = makeNode(QStringLiteral("n3"), QPointF(20, 0));
    n3.parentGroup = QStringLiteral("g");
    n3.groupOffset = QPointF(-5, 1);
    graph.insertNode(n3);
    Node group = makeNode(QStringLiteral("g"), QStringLiteral("groupe"));
    group.isGroup = true;
    group.groupMembers = {QStringLiteral("n2"), QStringLiteral("n3")};
    graph.insertNode(group);
    Edge e1 = makeEdge(QStringLiteral("e1"), QStringLiteral("n1"), QStringLiteral("n2"),
                       QStringLiteral("résout"));
    e1.attributes = {{QStringLiteral("ea1"), QStringLiteral("k"), QStringLiteral("v")}};
    graph.insertEdge(e1);
    graph.insertEdge(makeEdge(QStringLiteral("e2"), QStringLiteral("n2"), QStringLiteral("n3")));
    graph.insertEdge(makeEdge(QStringLiteral("e3"), QStringLiteral("n3"), QStringLiteral("n1")));
    graph.stix().detached.append(QJsonObject{{QStringLiteral("id"), QStringLiteral("marking--1")}});
    graph.stix().nodeOrigins.insert(
        QStringLiteral("n1"), {QJsonObject{{QStringLiteral("id"), QStringLiteral("ipv4-addr--1")}}, 42});
    graph.stix().edgeOrigins.insert(
        QStringLiteral("e1"), {QJsonObject{{QStringLiteral("id"), QStringLiteral("relationship--1")}}, 43});
    SceneRecords scene;
    MapRecord map;
    map.label = QStringLiteral("plan");
    scene.maps.append(map);
    ShapeRecord shape;
    shape.label = QStringLiteral("zone");
    scene.shapes.append(shape);

    QString error;
    QCOMPARE(ProjectFiles::save(m_dbPath, graph, scene, &error, options(0), &m_generation),
             SaveResult::Saved);
    QVERIFY(QFile::copy(m_dbPath, m_wholePath));
    m_wholeGeneration = m_generation;
    Graph loaded;
    SceneRecords loadedScene;
    QVERIFY2(ProjectFiles::load(m_dbPath, loaded, loadedScene, &error), qPrintable(error));
    document.load(loaded, loadedScene, m_dbPath);
}

void TstIncrementalSave::saveBoth(GraphDocument &document)
{
    QString error;
    Graph whole = document.graph();
    SceneRecords wholeScene = document.sceneRecords();
    QCOMPARE(ProjectFiles::save(m_wholePath, whole, wholeScene, &error, options(m_wholeGeneration),
                                &m_wholeGeneration),
             SaveResult::Saved);

    QVERIFY(document.fileHoldsSavedState());
    const SaveScope scope = SaveScope::of(document.unsavedChanges(), document.sceneModified());
    SceneRecords scene = document.sceneRecords();
    QHash<QString, Node> copied;
    const qint64 before = m_generation;
    QCOMPARE(ProjectFiles::saveChanges(m_dbPath, document.graph(), scope, &scene, &error,
                                       options(m_generation), &copied, &m_generation),
             SaveResult::Saved);
    QCOMPARE(m_generation, before + 1);
    QCOMPARE(m_generation, m_wholeGeneration);
    document.adoptStoredRecords(copied.values());
    if (scope.sceneChanged)
        document.setSceneRecords(scene);
    document.markSaved();
}

void TstIncrementalSave::everyTableEqualsAWholeSave_data()
{
    QTest::addColumn<int>("edit");
    for (int i = 0; i < edits().size(); ++i)
        QTest::newRow(edits().at(i).name) << i;
}

void TstIncrementalSave::everyTableEqualsAWholeSave()
{
    QFETCH(int, edit);
    const Edit &change = edits().at(edit);
    GraphDocument document;
    openBaseProject(document);
    compareFiles(m_dbPath, m_wholePath, false);

    change.run(document, m_outsideFile);
    QVERIFY(document.isModified());
    saveBoth(document);
    compareFiles(m_dbPath, m_wholePath, change.freshAttributeIds);

    document.undoStack()->undo();
    QVERIFY(document.isModified());
    saveBoth(document);
    compareFiles(m_dbPath, m_wholePath, change.freshAttributeIds);
}

void TstIncrementalSave::changedOnDiskWritesNothing()
{
    GraphDocument document;
    openBaseProject(document);
    // Another writer saves the file after the document loaded it.
    Graph other = loadGraph(m_dbPath);
    other.insertNode(makeNode(QStringLiteral("autre")));
    SceneRecords otherScene;
    QString error;
    QVERIFY(ProjectFiles::save(m_dbPath, other, otherScene, &error));
    const QByteArray before = fileBytes(m_dbPath);

    editNode(document, QStringLiteral("n1"), [](Node &node) { node.label = QStringLiteral("mien"); });
    SceneRecords scene = document.sceneRecords();
    const SaveScope scope = SaveScope::of(document.unsavedChanges(), true);
    QCOMPARE(ProjectFiles::saveChanges(m_dbPath, document.graph(), scope, &scene, &error,
                                       options(m_generation)),
             SaveResult::ChangedOnDisk);
    QVERIFY(fileBytes(m_dbPath) == before);
    QVERIFY(loadGraph(m_dbPath).hasNode(QStringLiteral("autre")));
}

void TstIncrementalSave::lostGraphTablesAreWrittenWhole_data()
{
    QTest::addColumn<QString>("table");
    QTest::newRow("nodes") << "nodes";
    QTest::newRow("relation attributes") << "edge_attrs";
}

// Another program dropped a table without touching the generation: the rows the save would
// leave in place are gone, so it writes the whole graph.
void TstIncrementalSave::lostGraphTablesAreWrittenWhole()
{
    QFETCH(QString, table);
    GraphDocument document;
    openBaseProject(document);
    {
        const QString name = QStringLiteral("dropper");
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
            db.setDatabaseName(m_dbPath);
            QVERIFY(db.open());
            QSqlQuery query(db);
            QVERIFY(query.exec(QStringLiteral("DROP TABLE %1").arg(table)));
        }
        QSqlDatabase::removeDatabase(name);
    }
    editNode(document, QStringLiteral("n3"), [](Node &node) { node.label = QStringLiteral("vu"); });
    saveBoth(document);
    compareFiles(m_dbPath, m_wholePath, false);
    const Graph saved = loadGraph(m_dbPath);
    QCOMPARE(saved.nodes().size(), 4);
    QCOMPARE(saved.edge(QStringLiteral("e1")).attributes.size(), 1);
}

void TstIncrementalSave::commandLineWriterLeavesTheFileAsAWholeSave()
{
    GraphDocument document;
    openBaseProject(document);
    QString error;
    QVERIFY2(ProjectFiles::update(
                 m_dbPath,
                 [](Graph &graph, QString *) {
                     Node node = graph.node(QStringLiteral("n2"));
                     node.label = QStringLiteral("enrichi");
                     node.attributes.append({QStringLiteral("n2-a"), QStringLiteral("asn"), QStringLiteral("64500")});
                     graph.replaceNode(node);
                     graph.removeEdge(QStringLiteral("e1"));
                     return true;
                 },
                 &error),
             qPrintable(error));
    Graph expected = loadGraph(m_dbPath);
    QCOMPARE(expected.node(QStringLiteral("n2")).label, QStringLiteral("enrichi"));
    QVERIFY(!expected.hasEdge(QStringLiteral("e1")));
    // The scene the whole save rewrites is the one the file held.
    Graph unused;
    SceneRecords scene;
    QVERIFY(ProjectFiles::load(m_dbPath, unused, scene, &error));
    QVERIFY(ProjectFiles::save(m_wholePath, expected, scene, &error));
    compareFiles(m_dbPath, m_wholePath, false);
}

QTEST_GUILESS_MAIN(TstIncrementalSave)
#include "tst_incremental_save.moc"
