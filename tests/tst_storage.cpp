#include "model/graph.h"
#include "model/scenerecords.h"
#include "model/textforms.h"
#include "storage/projectdb.h"
#include "storage/projectfiles.h"
#include "storage/projectfolder.h"
#include "testfiles.h"
#include "testgraphs.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QImage>
#include <QJsonObject>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <QTest>

using namespace TestGraphs;
using namespace TextForms;

namespace {

// Plain SQL over a saved file, to check what the file itself holds.
class RawDb
{
public:
    explicit RawDb(const QString &path)
    {
        m_db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("raw"));
        m_db.setDatabaseName(path);
        m_db.open();
    }
    ~RawDb()
    {
        m_db.close();
        m_db = QSqlDatabase();
        QSqlDatabase::removeDatabase(QStringLiteral("raw"));
    }
    QVariantList row(const QString &sql)
    {
        QSqlQuery query(m_db);
        QVariantList values;
        if (query.exec(sql) && query.next()) {
            for (int i = 0; i < query.record().count(); ++i)
                values.append(query.value(i));
        }
        return values;
    }
    QVariant value(const QString &sql) { return row(sql).value(0); }
    bool exec(const QString &sql)
    {
        QSqlQuery query(m_db);
        return query.exec(sql);
    }

private:
    QSqlDatabase m_db;
};

// Saves as the window does after the analyst chose these outside files: only chosen files
// are copied into the project.
bool saveChosen(const QString &dbPath, Graph &graph, SceneRecords &scene, QString *error,
                const QStringList &chosen)
{
    SaveOptions options;
    for (const QString &file : chosen)
        options.chosenFiles.insert(file);
    return ProjectFiles::save(dbPath, graph, scene, error, options) == SaveResult::Saved;
}

} // namespace

class TstStorage : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void roundTripKeepsEveryStoredField();
    void fileHoldsTheTextForms();
    void duplicateAttributeRowsAreWrittenOnce();
    void copiedAttributeRowIdsDoNotBreakTheSave();
    void groupMembershipRows();
    void sceneRecordsRoundTrip();
    void mediaImageIsCopiedOnce();
    void mediaPathsThatAreNotCopied_data();
    void mediaPathsThatAreNotCopied();
    void mediaFilesWithTheSameNameKeepTheirContent();
    void unsafeNodeIdsStayInsideTheProject_data();
    void unsafeNodeIdsStayInsideTheProject();
    void safeNodeIdsKeepTheirFolder();
    void failedCopyKeepsTheEarlierFile();
    void notADatabaseFailsInTheSchemaStep();
    void unusableFolderFailsWithItsMessage();
    void droppedNodesTableIsRepaired();
    void failingInsertRollsEverythingBack();
    void failingRowLeavesTheFileAsItWas_data();
    void failingRowLeavesTheFileAsItWas();
    void emptyGraphKeepsApiKeys();
    void projectNamesAndSaveAsLocations_data();
    void projectNamesAndSaveAsLocations();

private:
    QTemporaryDir m_dir;
    QString m_folder;
    QString m_dbPath;
};

void TstStorage::init()
{
    static int serial = 0;
    m_folder = m_dir.filePath(QStringLiteral("Case%1").arg(++serial));
    m_dbPath = QDir(m_folder).filePath(QStringLiteral("Case%1.orvane.db").arg(serial));
    QDir().mkpath(m_folder);
}

void TstStorage::roundTripKeepsEveryStoredField()
{
    Graph graph;
    Node full = makeNode(QStringLiteral("n1"), QStringLiteral("Élodie \"la\" 'Rouge'\nligne 2"));
    full.type = QStringLiteral("Personne");
    full.shape = NodeShape::Octagon;
    full.color = QColor(QStringLiteral("#12ab34"));
    full.size = 2.5;
    full.description = QStringLiteral("Décrit ; avec, des\nretours");
    full.validity.start = QDateTime::fromString(QStringLiteral("2024-01-02T03:04:05+02:00"), Qt::ISODate);
    full.validity.end = QDateTime::fromString(QStringLiteral("2024-05-06T07:08:09"), Qt::ISODate);
    full.pos = QPointF(-12.5, 99.25);
    full.showLabel = false;
    full.anchored = true;
    full.visible = false;
    full.hypothesis = true;
    full.geoLat = 48.85;
    full.geoLon = -2.35;
    full.attributes = {{QStringLiteral("a1"), QStringLiteral("clé"), QStringLiteral("valeur 1")},
                       {QStringLiteral("a2"), QStringLiteral("clé"), QStringLiteral("valeur 2")}};
    MediaRecord media;
    media.name = QStringLiteral("rapport");
    media.file = QStringLiteral("qrc:/docs/rapport.pdf");
    media.description = QStringLiteral("Résumé");
    media.tags = QStringLiteral("#a #b");
    media.date = QDateTime::fromString(QStringLiteral("2024-02-03T04:05:06Z"), Qt::ISODate);
    media.author = QStringLiteral("Cellule");
    media.sha256 = QStringLiteral("ab12");
    full.medias = {media};
    // Fields without a column come back at their defaults.
    full.expanded = true;
    full.isInvestigationLink = true;
    full.investigationPath = QStringLiteral("/x/y.db");
    graph.insertNode(full);
    graph.insertNode(makeNode(QStringLiteral("n2")));

    Edge edge = makeEdge(QStringLiteral("e1"), QStringLiteral("n1"), QStringLiteral("n2"));
    edge.label = QStringLiteral("« lien »");
    edge.showLabel = false;
    edge.type = QStringLiteral("contact");
    edge.direction = EdgeDirection::DirectedInverse;
    edge.description = QStringLiteral("a\nb");
    edge.validity.start = QDateTime::fromString(QStringLiteral("2023-12-31T23:59:59Z"), Qt::ISODate);
    edge.validity.end = QDateTime::fromString(QStringLiteral("2024-06-30T12:00:00+02:00"), Qt::ISODate);
    edge.color = QColor(QStringLiteral("#abcdef"));
    edge.width = 3.5;
    edge.visible = false;
    edge.hypothesis = true;
    edge.attributes = {{QStringLiteral("ea"), QStringLiteral("k"), QStringLiteral("v")}};
    edge.properties.insert(QStringLiteral("color"), QStringLiteral("blue"));
    graph.insertEdge(edge);
    // The same relation ending at a local time, written without an offset.
    Edge localEnd = edge;
    localEnd.id = QStringLiteral("e2");
    localEnd.src = QStringLiteral("n2");
    localEnd.dst = QStringLiteral("n1");
    localEnd.direction = EdgeDirection::None;
    localEnd.attributes = {{QStringLiteral("eb"), QStringLiteral("k2"), QStringLiteral("v2")}};
    localEnd.validity.end = QDateTime::fromString(QStringLiteral("2024-07-01T08:30:00"), Qt::ISODate);
    graph.insertEdge(localEnd);

    SceneRecords scene;
    QString error;
    QVERIFY2(ProjectFiles::save(m_dbPath, graph, scene, &error), qPrintable(error));

    Graph loaded;
    SceneRecords loadedScene;
    QVERIFY2(ProjectFiles::load(m_dbPath, loaded, loadedScene, &error), qPrintable(error));
    QCOMPARE(loaded.nodes().size(), 2);
    Node expected = full;
    expected.expanded = false;
    expected.isInvestigationLink = false;
    expected.investigationPath.clear();
    QCOMPARE(loaded.node(QStringLiteral("n1")), expected);
    QCOMPARE(loaded.node(QStringLiteral("n2")), makeNode(QStringLiteral("n2")));
    for (Edge expectedEdge : {edge, localEnd}) {
        expectedEdge.properties.clear();
        const Edge loadedEdge = loaded.edge(expectedEdge.id);
        QCOMPARE(loadedEdge, expectedEdge);
        // Equal instants are not enough: the end reads back with its own offset, or none.
        QCOMPARE(dateTimeToText(loadedEdge.validity.start), dateTimeToText(expectedEdge.validity.start));
        QCOMPARE(dateTimeToText(loadedEdge.validity.end), dateTimeToText(expectedEdge.validity.end));
    }
    QCOMPARE(dateTimeToText(loaded.edge(QStringLiteral("e1")).validity.end),
             QStringLiteral("2024-06-30T12:00:00+02:00"));
    QCOMPARE(dateTimeToText(loaded.edge(QStringLiteral("e2")).validity.end),
             QStringLiteral("2024-07-01T08:30:00"));
}

void TstStorage::fileHoldsTheTextForms()
{
    Graph graph;
    Node node = makeNode(QStringLiteral("n1"));
    node.shape = NodeShape::Square;
    node.color = QColor(QStringLiteral("#ABCDEF"));
    node.validity.start = QDateTime::fromString(QStringLiteral("2024-01-02T03:04:05Z"), Qt::ISODate);
    graph.insertNode(node);
    Edge edge = makeEdge(QStringLiteral("e1"), QStringLiteral("n1"), QStringLiteral("n1"));
    edge.direction = EdgeDirection::Undirected;
    graph.insertEdge(edge);
    SceneRecords scene;
    QString error;
    QVERIFY2(ProjectFiles::save(m_dbPath, graph, scene, &error), qPrintable(error));

    RawDb raw(m_dbPath);
    const QVariantList n = raw.row(QStringLiteral(
        "SELECT shape, color, valid_start, valid_end, geo_lat, type, show_label FROM nodes"));
    QCOMPARE(n.value(0).toString(), QStringLiteral("carré"));
    QCOMPARE(n.value(1).toString(), QStringLiteral("#abcdef"));
    QCOMPARE(n.value(2).toString(), QStringLiteral("2024-01-02T03:04:05Z"));
    QVERIFY(n.value(3).isNull());
    QVERIFY(n.value(4).isNull());
    QVERIFY(!n.value(5).isNull());
    QCOMPARE(n.value(5).toString(), QString());
    QCOMPARE(n.value(6).toInt(), 1);
    const QVariantList e = raw.row(QStringLiteral("SELECT direction, color, width FROM edges"));
    QCOMPARE(e.value(0).toString(), QStringLiteral("undirected"));
    QVERIFY(e.value(1).isNull());
    QCOMPARE(e.value(2).toDouble(), 1.8);
}

void TstStorage::duplicateAttributeRowsAreWrittenOnce()
{
    Graph graph;
    Node node = makeNode(QStringLiteral("n1"));
    // An enrichment run twice appends the same rows again.
    node.attributes = {{QString(), QStringLiteral("asn"), QStringLiteral("AS64500")},
                       {QString(), QStringLiteral("pays"), QStringLiteral("FR")},
                       {QString(), QStringLiteral("asn"), QStringLiteral("AS64500")},
                       {QString(), QStringLiteral("asn"), QStringLiteral("AS64501")}};
    graph.insertNode(node);
    Edge edge = makeEdge(QStringLiteral("e1"), QStringLiteral("n1"), QStringLiteral("n1"));
    edge.attributes = {{QString(), QStringLiteral("k"), QStringLiteral("v")},
                       {QString(), QStringLiteral("k"), QStringLiteral("v")}};
    graph.insertEdge(edge);
    SceneRecords scene;
    QString error;
    QVERIFY2(ProjectFiles::save(m_dbPath, graph, scene, &error), qPrintable(error));

    Graph loaded;
    QVERIFY(ProjectFiles::load(m_dbPath, loaded, scene, &error));
    QStringList rows;
    for (const AttributeRow &row : loaded.node(QStringLiteral("n1")).attributes)
        rows << row.key + QLatin1Char('=') + row.value;
    rows.sort();
    QCOMPARE(rows, (QStringList{QStringLiteral("asn=AS64500"), QStringLiteral("asn=AS64501"),
                                QStringLiteral("pays=FR")}));
    QCOMPARE(loaded.edge(QStringLiteral("e1")).attributes.size(), 1);
}

void TstStorage::copiedAttributeRowIdsDoNotBreakTheSave()
{
    Graph graph;
    Node original = makeNode(QStringLiteral("n1"));
    original.attributes = {{QStringLiteral("row-1"), QStringLiteral("k"), QStringLiteral("v")}};
    Node clone = original;
    clone.id = QStringLiteral("n2");
    graph.insertNode(original);
    graph.insertNode(clone);
    SceneRecords scene;
    QString error;
    QVERIFY2(ProjectFiles::save(m_dbPath, graph, scene, &error), qPrintable(error));
    Graph loaded;
    QVERIFY(ProjectFiles::load(m_dbPath, loaded, scene, &error));
    QCOMPARE(loaded.node(QStringLiteral("n1")).attributes.size(), 1);
    QCOMPARE(loaded.node(QStringLiteral("n2")).attributes.size(), 1);
    QVERIFY(loaded.node(QStringLiteral("n1")).attributes.first().id
            != loaded.node(QStringLiteral("n2")).attributes.first().id);
}

void TstStorage::groupMembershipRows()
{
    Graph graph;
    Node group = makeNode(QStringLiteral("g"));
    group.isGroup = true;
    group.groupMembers = {QStringLiteral("m1"), QStringLiteral("g"), QStringLiteral("ghost"),
                          QStringLiteral(" m1 "), QStringLiteral("m2"), QString()};
    Node m1 = makeNode(QStringLiteral("m1"));
    m1.parentGroup = QStringLiteral("g");
    m1.groupOffset = QPointF(10, -20);
    Node m2 = makeNode(QStringLiteral("m2"));
    m2.parentGroup = QStringLiteral("g");
    m2.groupOffset = QPointF(-5, 5);
    for (const Node &node : {group, m1, m2})
        graph.insertNode(node);
    SceneRecords scene;
    QString error;
    QVERIFY2(ProjectFiles::save(m_dbPath, graph, scene, &error), qPrintable(error));
    {
        RawDb raw(m_dbPath);
        QCOMPARE(raw.value(QStringLiteral("SELECT count(*) FROM group_members")).toInt(), 2);
    }
    Graph loaded;
    QVERIFY(ProjectFiles::load(m_dbPath, loaded, scene, &error));
    const Node loadedGroup = loaded.node(QStringLiteral("g"));
    QVERIFY(loadedGroup.isGroup);
    QCOMPARE(QSet<QString>(loadedGroup.groupMembers.cbegin(), loadedGroup.groupMembers.cend()),
             (QSet<QString>{QStringLiteral("m1"), QStringLiteral("m2")}));
    QCOMPARE(loaded.node(QStringLiteral("m1")).parentGroup, QStringLiteral("g"));
    QCOMPARE(loaded.node(QStringLiteral("m1")).groupOffset, QPointF(10, -20));
    QCOMPARE(loaded.node(QStringLiteral("m2")).groupOffset, QPointF(-5, 5));
}

void TstStorage::sceneRecordsRoundTrip()
{
    const QString image = m_dir.filePath(QStringLiteral("outside/plan.png"));
    QDir().mkpath(QFileInfo(image).absolutePath());
    QImage pixels(8, 8, QImage::Format_RGB32);
    pixels.fill(Qt::red);
    QVERIFY(pixels.save(image));

    SceneRecords scene;
    MapRecord map;
    map.file = image;
    map.label = QStringLiteral("Étage 1");
    map.pos = QPointF(5, 6);
    map.rotation = 90;
    map.width = 320;
    map.height = 200;
    map.showGrid = true;
    map.gridStep = 32;
    map.gridColor = QColor(10, 20, 30, 40);
    scene.maps.append(map);
    ShapeRecord shape;
    shape.kind = ShapeRecord::Kind::Ellipse;
    shape.rect = QRectF(0, 0, 100, 50);
    shape.label = QStringLiteral("Zone");
    shape.descriptionHtml = QStringLiteral("<b>important</b>");
    shape.fill = QColor(10, 170, 0, 255);
    shape.penColor = QColor(QStringLiteral("#2f4f4f"));
    scene.shapes.append(shape);

    Graph graph;
    QString error;
    QVERIFY2(saveChosen(m_dbPath, graph, scene, &error, {image}), qPrintable(error));
    QVERIFY(!scene.maps.first().uuid.isEmpty());
    QVERIFY(!scene.shapes.first().uuid.isEmpty());

    SceneRecords loaded;
    QVERIFY(ProjectFiles::load(m_dbPath, graph, loaded, &error));
    QCOMPARE(loaded.maps.size(), 1);
    const MapRecord &m = loaded.maps.first();
    QVERIFY2(ProjectFolder::isInsideFolder(m.file, m_folder + QStringLiteral("/maps")), qPrintable(m.file));
    QCOMPARE(QFileInfo(m.file).fileName(), QStringLiteral("plan.png"));
    QCOMPARE(m.label, map.label);
    QCOMPARE(m.rotation, 90.0);
    QCOMPARE(m.gridColor, map.gridColor);
    QCOMPARE(loaded.shapes.size(), 1);
    QCOMPARE(loaded.shapes.first().kind, ShapeRecord::Kind::Ellipse);
    QCOMPARE(loaded.shapes.first().fill, shape.fill);
    QCOMPARE(loaded.shapes.first().descriptionHtml, shape.descriptionHtml);
}

void TstStorage::mediaImageIsCopiedOnce()
{
    const QString source = m_dir.filePath(QStringLiteral("outside/photo.png"));
    writeBytes(source, "picture bytes");
    Graph graph;
    Node node = makeNode(QStringLiteral("n1"));
    node.mediaPath = source;
    graph.insertNode(node);
    SceneRecords scene;
    QString error;
    QVERIFY2(saveChosen(m_dbPath, graph, scene, &error, {source}), qPrintable(error));
    const QString copy = QDir(m_folder).filePath(QStringLiteral("nodes/n1/photo.png"));
    QCOMPARE(fileBytes(copy), QByteArray("picture bytes"));
    {
        RawDb raw(m_dbPath);
        QCOMPARE(raw.value(QStringLiteral("SELECT media_path FROM nodes")).toString(),
                 QStringLiteral("nodes/n1/photo.png"));
    }
    // The tab now refers to the copy: a second save needs nothing from outside.
    QVERIFY(QFile::remove(source));
    QVERIFY2(ProjectFiles::save(m_dbPath, graph, scene, &error), qPrintable(error));
    QCOMPARE(fileBytes(copy), QByteArray("picture bytes"));
    QCOMPARE(QDir(QFileInfo(copy).absolutePath()).entryList(QDir::Files).size(), 1);
    RawDb raw(m_dbPath);
    QCOMPARE(raw.value(QStringLiteral("SELECT media_path FROM nodes")).toString(),
             QStringLiteral("nodes/n1/photo.png"));
}

void TstStorage::mediaPathsThatAreNotCopied_data()
{
    QTest::addColumn<QString>("mediaPath");
    QTest::addColumn<QString>("stored");
    QTest::newRow("resource") << "qrc:/icons/x.png" << "qrc:/icons/x.png";
    QTest::newRow("colon resource") << ":/icons/x.png" << ":/icons/x.png";
    QTest::newRow("missing relative") << "images/absent.png" << "images/absent.png";
    QTest::newRow("missing absolute") << "@/elsewhere/absent.png" << "../elsewhere/absent.png";
}

void TstStorage::mediaPathsThatAreNotCopied()
{
    QFETCH(QString, mediaPath);
    QFETCH(QString, stored);
    mediaPath.replace(QLatin1Char('@'), m_dir.path());
    Graph graph;
    Node node = makeNode(QStringLiteral("n1"));
    node.mediaPath = mediaPath;
    graph.insertNode(node);
    SceneRecords scene;
    QString error;
    QVERIFY2(ProjectFiles::save(m_dbPath, graph, scene, &error), qPrintable(error));
    RawDb raw(m_dbPath);
    QCOMPARE(raw.value(QStringLiteral("SELECT media_path FROM nodes")).toString(), stored);
    QVERIFY(!QFileInfo::exists(QDir(m_folder).filePath(QStringLiteral("nodes/n1"))));
}

void TstStorage::mediaFilesWithTheSameNameKeepTheirContent()
{
    const QString first = m_dir.filePath(QStringLiteral("a/scan.txt"));
    const QString second = m_dir.filePath(QStringLiteral("b/scan.txt"));
    writeBytes(first, "first scan");
    writeBytes(second, "second scan");
    Graph graph;
    Node node = makeNode(QStringLiteral("n1"));
    MediaRecord a;
    a.name = QStringLiteral("scan");
    a.file = first;
    MediaRecord b = a;
    b.file = second;
    node.medias = {a, b};
    graph.insertNode(node);
    SceneRecords scene;
    QString error;
    QVERIFY2(saveChosen(m_dbPath, graph, scene, &error, {first, second}), qPrintable(error));

    Graph loaded;
    QVERIFY(ProjectFiles::load(m_dbPath, loaded, scene, &error));
    const QList<MediaRecord> medias = loaded.node(QStringLiteral("n1")).medias;
    QCOMPARE(medias.size(), 2);
    QSet<QByteArray> contents;
    QSet<QString> names;
    for (const MediaRecord &media : medias) {
        QVERIFY(ProjectFolder::isInsideFolder(media.file, m_folder));
        contents.insert(fileBytes(media.file));
        names.insert(media.name);
    }
    QCOMPARE(contents, (QSet<QByteArray>{"first scan", "second scan"}));
    QCOMPARE(names.size(), 2);
}

void TstStorage::unsafeNodeIdsStayInsideTheProject_data()
{
    QTest::addColumn<QString>("id");
    QTest::newRow("parent steps") << "../../evil";
    QTest::newRow("dot dot") << "..";
    QTest::newRow("slash") << "a/b";
    QTest::newRow("backslash") << "..\\..\\evil";
    QTest::newRow("absolute") << "/tmp/evil";
    QTest::newRow("empty") << "";
    QTest::newRow("colon and star") << "ip:1.2.3.4*";
}

void TstStorage::unsafeNodeIdsStayInsideTheProject()
{
    QFETCH(QString, id);
    const QString source = m_dir.filePath(QStringLiteral("outside/pic.png"));
    writeBytes(source, "pic");
    const QStringList before = QDir(m_dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);

    Graph graph;
    Node node = makeNode(id, QStringLiteral("x"));
    node.mediaPath = source;
    MediaRecord media;
    media.name = QStringLiteral("m");
    media.file = source;
    node.medias = {media};
    graph.insertNode(node);
    SceneRecords scene;
    QString error;
    QVERIFY2(saveChosen(m_dbPath, graph, scene, &error, {source}), qPrintable(error));

    QCOMPARE(QDir(m_dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), before);
    QVERIFY(!QFileInfo::exists(QStringLiteral("/tmp/evil")));
    Graph loaded;
    QVERIFY(ProjectFiles::load(m_dbPath, loaded, scene, &error));
    const Node back = loaded.node(id);
    QCOMPARE(back.id, id);
    const QString nodes = QDir(m_folder).filePath(QStringLiteral("nodes"));
    QVERIFY2(ProjectFolder::isInsideFolder(back.mediaPath, nodes), qPrintable(back.mediaPath));
    QVERIFY(ProjectFolder::isInsideFolder(back.medias.first().file, nodes));
    QCOMPARE(fileBytes(back.mediaPath), QByteArray("pic"));
}

void TstStorage::safeNodeIdsKeepTheirFolder()
{
    for (const QString &id : {QStringLiteral("1b4e28ba-2fa1-11d2-883f-0016d3cca427"),
                              QStringLiteral("indicator--1b4e28ba-2fa1-41d2-883f-0016d3cca427")})
        QCOMPARE(ProjectFolder::nodeFolderName(id), id);
}

void TstStorage::failedCopyKeepsTheEarlierFile()
{
    const QString destination = m_dir.filePath(QStringLiteral("copy/earlier.bin"));
    writeBytes(destination, "earlier copy");
    QString error;
    // Reading this file fails part-way, as a failing disk would.
    QVERIFY(!ProjectFolder::copyFileInto(QStringLiteral("/proc/self/mem"), destination, &error));
    QVERIFY(error.startsWith(QStringLiteral("Copie échouée de /proc/self/mem vers ")));
    QCOMPARE(fileBytes(destination), QByteArray("earlier copy"));
    QCOMPARE(QDir(QFileInfo(destination).absolutePath()).entryList(QDir::Files).size(), 1);

    QVERIFY(!ProjectFolder::copyFileInto(m_dir.filePath(QStringLiteral("absent")), destination, &error));
    QVERIFY(error.startsWith(QStringLiteral("Fichier source introuvable: ")));
    QCOMPARE(fileBytes(destination), QByteArray("earlier copy"));
}

void TstStorage::notADatabaseFailsInTheSchemaStep()
{
    const QString path = QDir(m_folder).filePath(QStringLiteral("notes.db"));
    writeBytes(path, QByteArray("Ceci n'est pas une base SQLite, juste du texte.\n").repeated(20));
    const QByteArray before = fileBytes(path);
    ProjectDb db(path);
    QString error;
    QVERIFY(!db.open(&error));
    QVERIFY2(error.startsWith(QStringLiteral("initSchema() failed: ")), qPrintable(error));
    QCOMPARE(fileBytes(path), before);
}

void TstStorage::unusableFolderFailsWithItsMessage()
{
    const QString blocker = m_dir.filePath(QStringLiteral("plain-file"));
    writeBytes(blocker, "x");
    QString error;
    QVERIFY(!ProjectFolder::ensureProjectFolders(blocker + QStringLiteral("/Case"), &error));
    QCOMPARE(error, QStringLiteral("Impossible de créer le dossier principal: %1/Case").arg(blocker));

    // A read-only file system: the database cannot be created there.
    Graph graph;
    graph.insertNode(makeNode(QStringLiteral("n1")));
    SceneRecords scene;
    QVERIFY(!ProjectFiles::save(QStringLiteral("/proc/Case/Case.orvane.db"), graph, scene, &error));
    QVERIFY2(error.startsWith(QStringLiteral("Base indisponible: ")), qPrintable(error));
    QCOMPARE(graph.nodes().size(), 1);
}

void TstStorage::droppedNodesTableIsRepaired()
{
    Graph graph;
    graph.insertNode(makeNode(QStringLiteral("n1")));
    graph.insertNode(makeNode(QStringLiteral("n2")));
    graph.insertEdge(makeEdge(QStringLiteral("e1"), QStringLiteral("n1"), QStringLiteral("n2")));
    SceneRecords scene;
    QString error;
    QVERIFY(ProjectFiles::save(m_dbPath, graph, scene, &error));
    {
        RawDb raw(m_dbPath);
        QVERIFY(raw.exec(QStringLiteral("PRAGMA foreign_keys=OFF")));
        QVERIFY(raw.exec(QStringLiteral("DROP TABLE nodes")));
    }
    ProjectDb db(m_dbPath);
    QVERIFY(db.open(&error));
    QVERIFY2(db.saveGraph(graph, m_folder, &error), qPrintable(error));
    Graph loaded;
    QVERIFY(db.loadGraph(loaded, m_folder, &error));
    QCOMPARE(loaded.nodes().size(), 2);
    QCOMPARE(loaded.edges().size(), 1);
}

void TstStorage::failingInsertRollsEverythingBack()
{
    Graph graph;
    graph.insertNode(makeNode(QStringLiteral("n1"), QStringLiteral("avant")));
    SceneRecords scene;
    QString error;
    QVERIFY(ProjectFiles::save(m_dbPath, graph, scene, &error));
    {
        RawDb raw(m_dbPath);
        QVERIFY(raw.exec(QStringLiteral(
            "CREATE TRIGGER refuse BEFORE INSERT ON edges WHEN NEW.label = 'boom' "
            "BEGIN SELECT RAISE(ABORT, 'insert refused'); END")));
    }
    Node renamed = makeNode(QStringLiteral("n1"), QStringLiteral("après"));
    graph.replaceNode(renamed);
    graph.insertNode(makeNode(QStringLiteral("n2")));
    Edge bad = makeEdge(QStringLiteral("e1"), QStringLiteral("n1"), QStringLiteral("n2"));
    bad.label = QStringLiteral("boom");
    graph.insertEdge(bad);
    QVERIFY(!ProjectFiles::save(m_dbPath, graph, scene, &error));
    QVERIFY2(error.startsWith(QStringLiteral("Échec: ")) && error.contains(QStringLiteral("insert refused")),
             qPrintable(error));

    Graph loaded;
    QVERIFY(ProjectFiles::load(m_dbPath, loaded, scene, &error));
    QCOMPARE(loaded.nodes().size(), 1);
    QCOMPARE(loaded.node(QStringLiteral("n1")).label, QStringLiteral("avant"));
    QVERIFY(loaded.edges().isEmpty());
    QCOMPARE(graph.nodes().size(), 2);
}

void TstStorage::failingRowLeavesTheFileAsItWas_data()
{
    QTest::addColumn<QString>("table");
    QTest::addColumn<QString>("when");
    QTest::addColumn<bool>("changedRowsOnly");
    const std::pair<const char *, const char *> refusals[] = {
        {"nodes", "NEW.label = 'boom'"},
        {"node_attrs", "NEW.v = 'boom'"},
        {"edge_attrs", "NEW.v = 'boom'"},
        {"node_medias", "NEW.name = 'boom'"},
        {"group_members", "NEW.node_id = 'boom-member'"},
        {"stix_objects", "NEW.json LIKE '%boom%'"},
        {"maps", "NEW.label = 'boom'"},
        {"shapes", "NEW.label = 'boom'"},
    };
    for (const auto &[table, when] : refusals) {
        QTest::addRow("%s, whole save", table) << table << when << false;
        QTest::addRow("%s, changed rows", table) << table << when << true;
    }
}

void TstStorage::failingRowLeavesTheFileAsItWas()
{
    QFETCH(QString, table);
    QFETCH(QString, when);
    QFETCH(bool, changedRowsOnly);
    Graph graph;
    graph.insertNode(makeNode(QStringLiteral("n1"), QStringLiteral("avant")));
    SceneRecords scene;
    MapRecord map;
    map.label = QStringLiteral("plan d'avant");
    scene.maps.append(map);
    ShapeRecord shape;
    shape.label = QStringLiteral("zone d'avant");
    scene.shapes.append(shape);
    QString error;
    qint64 generation = 0;
    QCOMPARE(ProjectFiles::save(m_dbPath, graph, scene, &error, SaveOptions(), &generation),
             SaveResult::Saved);
    {
        RawDb raw(m_dbPath);
        QVERIFY(raw.exec(QStringLiteral("CREATE TRIGGER refuse BEFORE INSERT ON %1 WHEN %2 "
                                        "BEGIN SELECT RAISE(ABORT, 'insert refused'); END")
                             .arg(table, when)));
    }
    const QByteArray before = fileBytes(m_dbPath);

    // The next save carries one row of every kind that one of the triggers refuses.
    graph.replaceNode(makeNode(QStringLiteral("n1"), QStringLiteral("après")));
    Node bad = makeNode(QStringLiteral("n2"), QStringLiteral("boom"));
    bad.attributes = {{QString(), QStringLiteral("clé"), QStringLiteral("boom")}};
    bad.medias = {{QStringLiteral("boom"), QStringLiteral("/absent/rapport.pdf"), {}, {}, {}, {}, {}}};
    graph.insertNode(bad);
    Node group = makeNode(QStringLiteral("g"));
    group.isGroup = true;
    group.groupMembers = {QStringLiteral("boom-member")};
    graph.insertNode(group);
    Node member = makeNode(QStringLiteral("boom-member"));
    member.parentGroup = QStringLiteral("g");
    graph.insertNode(member);
    Edge edge = makeEdge(QStringLiteral("e1"), QStringLiteral("n1"), QStringLiteral("n2"));
    edge.attributes = {{QString(), QStringLiteral("clé"), QStringLiteral("boom")}};
    graph.insertEdge(edge);
    graph.stix().nodeOrigins.insert(QStringLiteral("n2"),
                                    {QJsonObject{{QStringLiteral("id"), QStringLiteral("boom")}}, 1});
    scene.maps.first().label = QStringLiteral("boom");
    scene.shapes.first().label = QStringLiteral("boom");

    if (changedRowsOnly) {
        SaveScope scope;
        scope.nodeIds = {QStringLiteral("n1"), QStringLiteral("n2"), QStringLiteral("g"),
                         QStringLiteral("boom-member")};
        scope.edgeIds = {QStringLiteral("e1")};
        scope.sceneChanged = true;
        SaveOptions options;
        options.expectedGeneration = generation;
        QCOMPARE(ProjectFiles::saveChanges(m_dbPath, graph, scope, &scene, &error, options),
                 SaveResult::Failed);
    } else {
        QVERIFY(!ProjectFiles::save(m_dbPath, graph, scene, &error));
    }
    QVERIFY2(error.startsWith(QStringLiteral("Échec: ")) && error.contains(QStringLiteral("insert refused")),
             qPrintable(error));
    QVERIFY(fileBytes(m_dbPath) == before);
    QVERIFY(!QFileInfo::exists(m_dbPath + QStringLiteral("-journal")));
    QCOMPARE(graph.nodes().size(), 4);
}

void TstStorage::emptyGraphKeepsApiKeys()
{
    Graph graph;
    graph.insertNode(makeNode(QStringLiteral("n1")));
    SceneRecords scene;
    QString error;
    QVERIFY(ProjectFiles::save(m_dbPath, graph, scene, &error));
    QString readKey;
    {
        ProjectDb db(m_dbPath);
        QVERIFY(db.open(&error));
        QVERIFY(db.ensureApiKeys(&error));
        readKey = db.apiKeyForRole(ApiRole::Read);
        QCOMPARE(readKey.size(), 64);
    }
    Graph empty;
    QVERIFY(ProjectFiles::save(m_dbPath, empty, scene, &error));
    RawDb raw(m_dbPath);
    QCOMPARE(raw.value(QStringLiteral("SELECT count(*) FROM nodes")).toInt(), 0);
    QCOMPARE(raw.value(QStringLiteral("SELECT count(*) FROM api_keys")).toInt(), 3);
    QCOMPARE(raw.value(QStringLiteral("SELECT key FROM api_keys WHERE role='read'")).toString(), readKey);
}

void TstStorage::projectNamesAndSaveAsLocations_data()
{
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("dbPath");
    QTest::newRow("folder already named like the project")
        << "/cases/P/P.orvane.db" << "P" << "/cases/P/P.orvane.db";
    QTest::newRow("any other folder gets a sub-folder")
        << "/cases/P.orvane.db" << "P" << "/cases/P/P.orvane.db";
    QTest::newRow("upper-case suffix") << "/cases/Q.ORVANE.db" << "Q" << "/cases/Q/Q.orvane.db";
    QTest::newRow("plain .db") << "/cases/case.db" << "case" << "/cases/case/case.orvane.db";
}

void TstStorage::projectNamesAndSaveAsLocations()
{
    QFETCH(QString, chosen);
    QFETCH(QString, name);
    QFETCH(QString, dbPath);
    const ProjectFiles::Location location = ProjectFiles::saveAsLocation(chosen);
    QCOMPARE(ProjectFolder::projectName(chosen), name);
    QCOMPARE(location.name, name);
    QCOMPARE(location.dbPath, dbPath);
    QCOMPARE(location.folder, QFileInfo(dbPath).absolutePath());
}

QTEST_GUILESS_MAIN(TstStorage)
#include "tst_storage.moc"
