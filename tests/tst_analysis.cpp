#include "analysis/anonymiser.h"
#include "analysis/chartcounts.h"
#include "analysis/dataquality.h"
#include "analysis/numericvalues.h"
#include "analysis/statistics.h"
#include "clirunner.h"
#include "model/scenerecords.h"
#include "storage/projectfiles.h"
#include "testfiles.h"
#include "testgraphs.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <QTest>

using TestGraphs::makeEdge;
using TestGraphs::makeNode;

namespace {

using Pairs = QList<QPair<QString, int>>;

Node withAttributes(Node node, const QStringList &keys)
{
    for (const QString &key : keys)
        node.attributes.append({QString(), key, QStringLiteral("v")});
    return node;
}

QDateTime at(const char *iso)
{
    return QDateTime::fromString(QLatin1String(iso), Qt::ISODate);
}

// Ten nodes and ten relations with known faults: isolated nodes i and j, empty labels on f
// and g, "Alpha" three times and "Beta" twice, node e and relation e4 ending before they
// start, pictures present (g, a resource on i) and missing (h), one media of two missing,
// relations from and to nodes that do not exist, e1 repeated twice, attribute "ip" on eight
// nodes, "asn" on two, "pays" on one.
Graph faultyGraph(const QString &existingFile)
{
    Graph graph;
    graph.insertNode(withAttributes(makeNode("a", "Alpha", "IP"), {"ip", "pays", "ip"}));
    graph.insertNode(withAttributes(makeNode("b", "Alpha", "IP"), {"ip"}));
    graph.insertNode(withAttributes(makeNode("c", "Alpha", "Domaine"), {"ip"}));
    graph.insertNode(withAttributes(makeNode("d", "Beta", "Domaine"), {"ip"}));
    Node e = withAttributes(makeNode("e", "Beta"), {"ip"});
    e.validity = {at("2024-05-01T00:00:00"), at("2024-01-01T00:00:00")};
    graph.insertNode(e);
    graph.insertNode(withAttributes(makeNode("f", "  ", "Personne"), {"ip"}));
    Node g = withAttributes(makeNode("g", "", "Personne"), {"ip"});
    g.mediaPath = existingFile;
    g.medias = {{"photo", existingFile, {}, {}, {}, {}, {}},
                {"perdu", "/nonexistent/orvane/perdu.pdf", {}, {}, {}, {}, {}}};
    graph.insertNode(g);
    Node h = withAttributes(makeNode("h", "Gamma", "AS"), {"ip", "asn"});
    h.mediaPath = QStringLiteral("/nonexistent/orvane/icone.png");
    graph.insertNode(h);
    Node i = withAttributes(makeNode("i", "Delta", "AS"), {"asn"});
    i.mediaPath = QStringLiteral(":/res/res/orvane.png");
    graph.insertNode(i);
    // Ordered validity on j: only start after end counts.
    Node j = makeNode("j", "Epsilon", "IP");
    j.validity = {at("2024-01-01T00:00:00"), at("2024-05-01T00:00:00")};
    graph.insertNode(j);

    for (const char *id : {"e1", "e2", "e3"})
        graph.insertEdge(makeEdge(id, "a", "b", "lien", "voit"));
    Edge e4 = makeEdge("e4", "b", "c", QString(), "x");
    e4.validity = {at("2024-03-01T00:00:00"), at("2024-02-01T00:00:00")};
    graph.insertEdge(e4);
    graph.insertEdge(makeEdge("e5", "c", "ghost"));
    graph.insertEdge(makeEdge("e6", "ghost2", "d"));
    graph.insertEdge(makeEdge("e7", "d", "e"));
    graph.insertEdge(makeEdge("e8", "f", "g"));
    graph.insertEdge(makeEdge("e9", "h", "h"));
    graph.insertEdge(makeEdge("e10", "g", "a", "lien", "voit"));
    return graph;
}

// Every row of a report as "section / check" → result.
QMap<QString, QString> rowsOf(const QualityReport &report)
{
    QMap<QString, QString> rows;
    for (const QualitySection &section : report) {
        for (const QualityRow &row : section.rows)
            rows.insert(section.title + QStringLiteral(" / ") + row.check, row.result);
    }
    return rows;
}

QStringList sectionTitles(const QualityReport &report)
{
    QStringList titles;
    for (const QualitySection &section : report)
        titles.append(section.title);
    return titles;
}

const QStringList kSections = {"Résumé", "Labels & IDs", "Validité temporelle", "Médias",
                               "Intégrité des relations", "Attributs (couverture)"};

} // namespace

class TestAnalysis : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void reportOnFaultyGraph();
    void reportOnEmptyGraph();
    void reportTextAndJson();
    void weakCoverageThreshold();
    void statisticsOnFaultyGraph();
    void statisticsOnEmptyGraph();
    void chartCounts_data();
    void chartCounts();
    void chartCategoriesAndTags();
    void valueAxis_data();
    void valueAxis();
    void sliceHues();
    void parseNumbers_data();
    void parseNumbers();
    void numericSummary();
    void nodeValues();
    void histogramBins();
    void anonymisedCopy_data();
    void anonymisedCopy();
    void anonymisedCopySavesMapsAndShapes();
    void cliQualityAndStats();
    void cliRejectsBadArguments_data();
    void cliRejectsBadArguments();

private:
    QTemporaryDir m_dir;
};

void TestAnalysis::reportOnFaultyGraph()
{
    const QString picture = m_dir.filePath("photo.png");
    writeBytes(picture, "png");
    const QualityReport report = DataQuality::analyse(faultyGraph(picture));
    QCOMPARE(sectionTitles(report), kSections);
    const QMap<QString, QString> expected = {
        {"Résumé / Nœuds", "10"},
        {"Résumé / Relations", "10"},
        {"Résumé / Nœuds isolés", "2 (20.0%)"},
        {"Labels & IDs / Labels vides", "2 (20.0%)"},
        {"Labels & IDs / Labels dupliqués (valeurs distinctes)",
         "2 — 3× \"Alpha\", 2× \"Beta\""},
        {"Validité temporelle / Début > Fin (nœuds)", "1 (10.0%)"},
        {"Validité temporelle / Début > Fin (relations)", "1 (10.0%)"},
        {"Médias / Nœuds avec icône", "3 (30.0%)"},
        {"Médias / Icônes manquantes", "1 (33.3%)"},
        {"Médias / Médias listés", "2"},
        {"Médias / Médias manquants", "1 (50.0%)"},
        {"Intégrité des relations / Source inexistante", "1 (10.0%)"},
        {"Intégrité des relations / Destination inexistante", "1 (10.0%)"},
        {"Intégrité des relations / Relations dupliquées (signature identique)", "2 (20.0%)"},
        {"Attributs (couverture) / asn", "2 (20.0%)"},
        {"Attributs (couverture) / ip", "8 (80.0%)"},
        {"Attributs (couverture) / pays", "1 (10.0%)"},
        {"Attributs (couverture) / Top 5", "ip, asn, pays"},
        {"Attributs (couverture) / Faible couverture (<20%)", "pays"},
    };
    QCOMPARE(rowsOf(report), expected);
    // Rows keep their order: keys alphabetically, then the two lists.
    QStringList coverage;
    for (const QualityRow &row : report.last().rows)
        coverage.append(row.check);
    QCOMPARE(coverage, QStringList({"asn", "ip", "pays", "Top 5", "Faible couverture (<20%)"}));
}

void TestAnalysis::reportOnEmptyGraph()
{
    const QualityReport report = DataQuality::analyse(Graph());
    QCOMPARE(sectionTitles(report), kSections);
    const QMap<QString, QString> expected = {
        {"Résumé / Nœuds", "0"},
        {"Résumé / Relations", "0"},
        {"Résumé / Nœuds isolés", "0 (0.0%)"},
        {"Labels & IDs / Labels vides", "0 (0.0%)"},
        {"Labels & IDs / Labels dupliqués (valeurs distinctes)", "0"},
        {"Validité temporelle / Début > Fin (nœuds)", "0 (0.0%)"},
        {"Validité temporelle / Début > Fin (relations)", "0 (0.0%)"},
        {"Médias / Nœuds avec icône", "0 (0.0%)"},
        {"Médias / Icônes manquantes", "0 (0.0%)"},
        {"Médias / Médias listés", "0"},
        {"Médias / Médias manquants", "0 (0.0%)"},
        {"Intégrité des relations / Source inexistante", "0 (0.0%)"},
        {"Intégrité des relations / Destination inexistante", "0 (0.0%)"},
        {"Intégrité des relations / Relations dupliquées (signature identique)", "0 (0.0%)"},
        {"Attributs (couverture) / Top 5", "—"},
        {"Attributs (couverture) / Faible couverture (<20%)", "—"},
    };
    QCOMPARE(rowsOf(report), expected);

    // Nodes without any attribute: the coverage section has only the two empty lists.
    Graph graph;
    graph.insertNode(makeNode("n1"));
    const QualitySection coverage = DataQuality::analyse(graph).last();
    QCOMPARE(coverage.rows.size(), 2);
    QCOMPARE(coverage.rows[0].result, QStringLiteral("—"));
    QCOMPARE(coverage.rows[1].result, QStringLiteral("—"));
}

void TestAnalysis::reportTextAndJson()
{
    Graph graph;
    graph.insertNode(withAttributes(makeNode("n1", "Seul"), {"ip"}));
    const QualityReport report = DataQuality::analyse(graph);
    const QString text = DataQuality::toText(report);
    QVERIFY(text.startsWith(QStringLiteral("Résumé\n  Nœuds : 1\n  Relations : 0\n"
                                           "  Nœuds isolés : 1 (100.0%)\nLabels & IDs\n")));
    QVERIFY(text.contains(QStringLiteral("\n  ip : 1 (100.0%)\n  Top 5 : ip\n"
                                         "  Faible couverture (<20%) : —\n")));

    const QJsonObject json = DataQuality::toJson(report);
    const QJsonArray sections = json.value("sections").toArray();
    QCOMPARE(sections.size(), 6);
    const QJsonObject first = sections.first().toObject();
    QCOMPARE(first.value("title").toString(), QStringLiteral("Résumé"));
    QCOMPARE(first.value("rows").toArray().at(2).toObject(),
             QJsonObject({{"check", "Nœuds isolés"}, {"result", "1 (100.0%)"}}));
}

// 20 % exactly is not weak; just below is.
void TestAnalysis::weakCoverageThreshold()
{
    Graph graph;
    for (int i = 0; i < 10; ++i) {
        QStringList keys;
        if (i < 2)
            keys.append("deux");
        if (i < 1)
            keys.append("un");
        graph.insertNode(withAttributes(makeNode(QString::number(i)), keys));
    }
    QCOMPARE(DataQuality::analyse(graph).last().rows.last().result, QStringLiteral("un"));
}

void TestAnalysis::statisticsOnFaultyGraph()
{
    const QList<Statistic> statistics = Statistics::all(faultyGraph(QString()));
    QCOMPARE(statistics.size(), 5);
    const struct
    {
        const char *title;
        const char *categoryAxis;
        const char *valueAxis;
        Pairs pairs;
    } expected[] = {
        {"Nœuds par type", "Type", "Nombre",
         {{"IP", 3}, {"AS", 2}, {"Domaine", 2}, {"Personne", 2}, {"<sans type>", 1}}},
        {"Relations par label", "Label", "Nombre", {{"<sans label>", 5}, {"voit", 4}, {"x", 1}}},
        {"Distribution des degrés", "Degré", "Nœuds", {{"0", 2}, {"1", 3}, {"2", 3}, {"4", 2}}},
        {"Médias par nœud", "Nb de médias", "Nœuds", {{"0", 9}, {"2", 1}}},
        {"Top 10 par degré", "Nœud", "Degré",
         {{"Alpha", 4}, {"Alpha", 4}, {"Alpha", 2}, {"Beta", 2}, {"g", 2}, {"Beta", 1},
          {"Gamma", 1}, {"f", 1}, {"Delta", 0}, {"Epsilon", 0}}},
    };
    for (int i = 0; i < 5; ++i) {
        QCOMPARE(statistics[i].title, QString::fromUtf8(expected[i].title));
        QCOMPARE(statistics[i].categoryAxis, QString::fromUtf8(expected[i].categoryAxis));
        QCOMPARE(statistics[i].valueAxis, QString::fromUtf8(expected[i].valueAxis));
        QCOMPARE(statistics[i].pairs, expected[i].pairs);
    }
    // Each statistic alone gives what the five together give.
    QCOMPARE(Statistics::compute(faultyGraph(QString()), Statistics::Kind::TopDegree).pairs,
             expected[4].pairs);
}

void TestAnalysis::statisticsOnEmptyGraph()
{
    for (const Statistic &statistic : Statistics::all(Graph()))
        QVERIFY2(statistic.pairs.isEmpty(), qPrintable(statistic.title));

    // More than ten nodes: only the ten of highest degree.
    Graph graph;
    for (int i = 0; i < 12; ++i)
        graph.insertNode(makeNode(QStringLiteral("n%1").arg(i, 2, 10, QLatin1Char('0'))));
    graph.insertEdge(makeEdge("e", "n11", "n05"));
    const Statistic top = Statistics::compute(graph, Statistics::Kind::TopDegree);
    QCOMPARE(top.pairs.size(), 10);
    QCOMPARE(top.pairs[0], qMakePair(QStringLiteral("n05"), 1));
    QCOMPARE(top.pairs[1], qMakePair(QStringLiteral("n11"), 1));
    QCOMPARE(top.pairs[2], qMakePair(QStringLiteral("n00"), 0));
}

void TestAnalysis::chartCounts_data()
{
    QTest::addColumn<int>("subject");
    QTest::addColumn<bool>("limit");
    QTest::addColumn<bool>("hypotheses");
    QTest::addColumn<QStringList>("checked");
    QTest::addColumn<Pairs>("expected");
    const int nodeTypes = int(ChartCounts::Subject::NodeTypes);
    QTest::newRow("node types, nothing checked counts all")
        << nodeTypes << false << true << QStringList()
        << Pairs{{"IP", 2}, {"<sans type>", 1}, {"AS", 1}};
    QTest::newRow("node types, checked only")
        << nodeTypes << false << true << QStringList{"AS", "<sans type>"}
        << Pairs{{"<sans type>", 1}, {"AS", 1}};
    QTest::newRow("node types, hypotheses left out")
        << nodeTypes << false << false << QStringList() << Pairs{{"<sans type>", 1}, {"AS", 1}, {"IP", 1}};
    QTest::newRow("node types, selection only")
        << nodeTypes << true << true << QStringList() << Pairs{{"AS", 1}, {"IP", 1}};
    QTest::newRow("relation types")
        << int(ChartCounts::Subject::EdgeTypes) << false << true << QStringList()
        << Pairs{{"lien", 2}, {"<sans type>", 1}};
    QTest::newRow("relation types, selection only")
        << int(ChartCounts::Subject::EdgeTypes) << true << true << QStringList()
        << Pairs{{"<sans type>", 1}};
    QTest::newRow("node attribute rows")
        << int(ChartCounts::Subject::NodeAttributeKeys) << false << true << QStringList()
        << Pairs{{"ip", 3}, {"<sans clé>", 1}};
    QTest::newRow("relation attribute rows")
        << int(ChartCounts::Subject::EdgeAttributeKeys) << false << false << QStringList()
        << Pairs{{"poids", 1}};
    QTest::newRow("media tags")
        << int(ChartCounts::Subject::MediaTags) << false << true << QStringList()
        << Pairs{{"osint", 2}, {"photo", 1}};
}

void TestAnalysis::chartCounts()
{
    QFETCH(int, subject);
    QFETCH(bool, limit);
    QFETCH(bool, hypotheses);
    QFETCH(QStringList, checked);
    QFETCH(Pairs, expected);

    Graph graph;
    graph.insertNode(withAttributes(makeNode("n1", "Un", "IP"), {"ip", "ip", " "}));
    Node hypothesis = withAttributes(makeNode("n2", "Deux", "IP"), {"ip"});
    hypothesis.hypothesis = true;
    hypothesis.medias = {{"m", "f", {}, "#osint #photo", {}, {}, {}},
                         {"n", "g", {}, "sans tag, #osint", {}, {}, {}}};
    graph.insertNode(hypothesis);
    Node hidden = makeNode("n3", "Trois", "  ");
    hidden.visible = false;
    graph.insertNode(hidden);
    graph.insertNode(makeNode("n4", "Quatre", "AS"));
    Edge weighted = makeEdge("r1", "n1", "n2", "lien");
    weighted.attributes = {{QString(), "poids", "3"}};
    graph.insertEdge(weighted);
    Edge guessed = makeEdge("r2", "n1", "n4", "lien");
    guessed.hypothesis = true;
    guessed.attributes = {{QString(), "poids", "1"}, {QString(), "source", "x"}};
    graph.insertEdge(guessed);
    graph.insertEdge(makeEdge("r3", "n4", "n1"));

    ChartCounts::Options options;
    options.limitToSelection = limit;
    options.selectedIds = {"n1", "n4", "r3"};
    options.includeHypotheses = hypotheses;
    options.checked = checked;
    QCOMPARE(ChartCounts::count(graph, ChartCounts::Subject(subject), options), expected);
}

void TestAnalysis::chartCategoriesAndTags()
{
    Graph graph;
    graph.insertNode(makeNode("n1", "Un", "IP"));
    graph.insertNode(makeNode("n2", "Deux"));
    graph.insertNode(makeNode("n3", "Trois", "AS"));
    QCOMPARE(ChartCounts::categories(graph, ChartCounts::Subject::NodeTypes),
             QStringList({"<sans type>", "AS", "IP"}));
    QCOMPARE(ChartCounts::mediaTags("#a #b#c  ## #d-e\t#f"), QStringList({"a", "b", "c", "d-e", "f"}));
    QCOMPARE(ChartCounts::mediaTags("aucun"), QStringList());
}

void TestAnalysis::valueAxis_data()
{
    QTest::addColumn<int>("largest");
    QTest::addColumn<int>("max");
    QTest::addColumn<int>("ticks");
    QTest::newRow("nothing") << 0 << 1 << 2;
    QTest::newRow("1") << 1 << 1 << 2;
    QTest::newRow("7") << 7 << 7 << 8;
    QTest::newRow("10") << 10 << 10 << 11;
    QTest::newRow("11") << 11 << 12 << 7;
    QTest::newRow("95") << 95 << 100 << 11;
    QTest::newRow("100") << 100 << 100 << 11;
    QTest::newRow("101") << 101 << 110 << 11;
}

void TestAnalysis::valueAxis()
{
    QFETCH(int, largest);
    QFETCH(int, max);
    QFETCH(int, ticks);
    const ChartCounts::ValueAxis axis = ChartCounts::valueAxis(largest);
    QCOMPARE(axis.max, max);
    QCOMPARE(axis.tickCount, ticks);
}

void TestAnalysis::sliceHues()
{
    QList<double> hues;
    for (int i = 0; i < 4; ++i)
        hues.append(ChartCounts::sliceHue(i, 4));
    QCOMPARE(hues, QList<double>({0.0, 0.25, 0.5, 0.75}));
    const QColor second = ChartCounts::sliceColor(1, 4);
    QCOMPARE(second.hslHueF(), 0.25f);
    QVERIFY(qAbs(second.hslSaturationF() - 0.7f) < 0.01f);
    QVERIFY(qAbs(second.lightnessF() - 0.5f) < 0.01f);
    QCOMPARE(second.alpha(), 255);
}

void TestAnalysis::parseNumbers_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("isNumber");
    QTest::addColumn<double>("value");
    QTest::newRow("integer") << "42" << true << 42.0;
    QTest::newRow("decimal comma") << "12,5" << true << 12.5;
    QTest::newRow("decimal point") << " 12.5 " << true << 12.5;
    QTest::newRow("negative") << "-0,25" << true << -0.25;
    QTest::newRow("exponent") << "1.5e3" << true << 1500.0;
    QTest::newRow("single comma is decimal") << "1,234" << true << 1.234;
    QTest::newRow("French grouping") << "1 234 567,5" << true << 1234567.5;
    QTest::newRow("no-break grouping") << QString::fromUtf8("1\u00A0234,5") << true << 1234.5;
    QTest::newRow("point grouping") << "1.234.567,5" << true << 1234567.5;
    QTest::newRow("comma grouping") << "1,234,567.5" << true << 1234567.5;
    QTest::newRow("address") << "10.0.0.1" << false << 0.0;
    QTest::newRow("bad grouping") << "12 34" << false << 0.0;
    QTest::newRow("unit") << "12 km" << false << 0.0;
    QTest::newRow("word") << "douze" << false << 0.0;
    QTest::newRow("infinity") << "inf" << false << 0.0;
    QTest::newRow("empty") << "  " << false << 0.0;
}

void TestAnalysis::parseNumbers()
{
    QFETCH(QString, text);
    QFETCH(bool, isNumber);
    QFETCH(double, value);
    const std::optional<double> parsed = NumericValues::parse(text);
    QCOMPARE(parsed.has_value(), isNumber);
    if (isNumber)
        QCOMPARE(*parsed, value);
}

void TestAnalysis::numericSummary()
{
    QCOMPARE(NumericValues::summaryLine(NumericValues::summarise({})),
             QStringLiteral("Moyenne : n/a — Écart-type : n/a — N = 0"));
    QCOMPARE(NumericValues::summaryLine(NumericValues::summarise({2, 4, 4, 4, 5, 5, 7, 9})),
             QStringLiteral("Moyenne : 5.00 — Écart-type : 2.00 — N = 8"));
    QCOMPARE(NumericValues::summaryLine(NumericValues::summarise({3.5})),
             QStringLiteral("Moyenne : 3.50 — Écart-type : 0.00 — N = 1"));
}

void TestAnalysis::nodeValues()
{
    Graph graph;
    const auto add = [&graph](const char *id, const char *label, const char *type,
                              const char *value, const char *country, bool hypothesis = false) {
        Node node = makeNode(id, label, type);
        node.attributes = {{QString(), "montant", value}, {QString(), "pays", country}};
        node.hypothesis = hypothesis;
        graph.insertNode(node);
    };
    add("w1", "Alpha", "Wallet", "10,5", "FR");
    add("w2", "Alpha", "Wallet", "2.5", "FR");
    add("w3", "Beta", "Wallet", "4", "DE", true);
    add("w4", "Gamma", "Wallet", "n/c", "DE");
    add("i1", "Ip", "IP", "100", "FR");

    QCOMPARE(NumericValues::nodeKeys(graph, "Wallet", true), QStringList({"montant"}));
    QCOMPARE(NumericValues::nodeKeys(graph, "Wallet", false), QStringList({"montant", "pays"}));

    NumericValues::NodeOptions options;
    options.type = "Wallet";
    options.valueKey = "montant";
    NumericValues::NodeValues values = NumericValues::nodeValues(graph, options);
    QCOMPARE(values.bars, NumericValues::Bars({{"Alpha", 10.5}, {"Beta", 4.0}, {"Alpha (2)", 2.5}}));
    QCOMPARE(values.summary.count, 3);

    options.merge = true;
    QCOMPARE(NumericValues::nodeValues(graph, options).bars,
             NumericValues::Bars({{"Alpha", 13.0}, {"Beta", 4.0}}));
    options.categoryKey = "pays";
    options.includeHypotheses = false;
    values = NumericValues::nodeValues(graph, options);
    QCOMPARE(values.bars, NumericValues::Bars({{"FR", 13.0}}));
    QCOMPARE(values.summary.count, 2);
    options.limitToSelection = true;
    options.selectedIds = {"w2", "i1"};
    QCOMPARE(NumericValues::nodeValues(graph, options).bars, NumericValues::Bars({{"FR", 2.5}}));
}

void TestAnalysis::histogramBins()
{
    QCOMPARE(NumericValues::histogram({}, 10), Pairs());
    QCOMPARE(NumericValues::histogram({3, 3}, 10), Pairs({{"3", 2}}));
    QCOMPARE(NumericValues::histogram({0, 1, 2, 3, 4}, 2), Pairs({{"[0 ; 2[", 2}, {"[2 ; 4]", 3}}));

    Graph graph;
    Node node = makeNode("n");
    node.attributes = {{QString(), "score", "1,5"}, {QString(), "nom", "x"}};
    graph.insertNode(node);
    Edge edge = makeEdge("e", "n", "n");
    edge.attributes = {{QString(), "score", "2"}};
    edge.hypothesis = true;
    graph.insertEdge(edge);
    QCOMPARE(NumericValues::numericKeys(graph), QStringList({"score"}));
    QCOMPARE(NumericValues::valuesOf(graph, "score", true), QList<double>({1.5, 2.0}));
    QCOMPARE(NumericValues::valuesOf(graph, "score", false), QList<double>({1.5}));
}

void TestAnalysis::anonymisedCopy_data()
{
    QTest::addColumn<bool>("nodes");
    QTest::addColumn<bool>("relations");
    QTest::addColumn<bool>("shapes");
    QTest::addColumn<bool>("images");
    QTest::newRow("everything") << true << true << true << true;
    QTest::newRow("nothing") << false << false << false << false;
    QTest::newRow("nodes and images") << true << false << false << true;
    QTest::newRow("relations and shapes") << false << true << true << false;
}

void TestAnalysis::anonymisedCopy()
{
    QFETCH(bool, nodes);
    QFETCH(bool, relations);
    QFETCH(bool, shapes);
    QFETCH(bool, images);

    Graph graph;
    Node person = makeNode("n1", "Jean Dupont", "Personne");
    person.description = "Vu à Lyon";
    person.attributes = {{"a1", "email", "jean@example.org"}};
    person.mediaPath = "/photos/jean.png";
    person.medias = {{"cv", "/docs/cv.pdf", {}, {}, {}, {}, {}}};
    person.pos = QPointF(10, 20);
    person.hypothesis = true;
    graph.insertNode(person);
    Node plain = makeNode("n2", "Serveur", "IP");
    plain.mediaPath = "   ";
    graph.insertNode(plain);
    Edge edge = makeEdge("r1", "n1", "n2", "utilise", "se connecte");
    edge.description = "chaque nuit";
    edge.attributes = {{"a2", "port", "22"}};
    graph.insertEdge(edge);
    SceneRecords scene;
    MapRecord map;
    map.file = "/cartes/lyon.png";
    map.label = "Lyon";
    map.description = "Quartier";
    map.pos = QPointF(5, 6);
    map.rotation = 30;
    map.z = -500;
    scene.maps.append(map);
    ShapeRecord shape;
    shape.label = "Zone";
    shape.descriptionHtml = "<b>secret</b>";
    shape.rect = QRectF(0, 0, 40, 30);
    shape.rotation = 15;
    shape.z = -20;
    scene.shapes.append(shape);
    const Graph sourceGraph = graph;

    const Anonymiser::Copy copy = Anonymiser::copy(graph, scene, {nodes, relations, shapes, images});

    QCOMPARE(graph.nodes(), sourceGraph.nodes());
    const Node n1 = copy.graph.node("n1");
    QCOMPARE(n1.mediaPath, QStringLiteral(":/res/res/orvane.png"));
    QCOMPARE(copy.graph.node("n2").mediaPath, QStringLiteral("   "));
    QCOMPARE(n1.label, nodes ? QStringLiteral("n1") : person.label);
    QCOMPARE(n1.description, nodes ? QString() : person.description);
    QCOMPARE(n1.attributes.first().key, QStringLiteral("email"));
    QCOMPARE(n1.attributes.first().value, nodes ? QString() : QStringLiteral("jean@example.org"));
    QCOMPARE(n1.medias.size(), nodes ? 0 : 1);
    QCOMPARE(n1.type, person.type);
    QCOMPARE(n1.pos, person.pos);
    QVERIFY(n1.hypothesis);

    const Edge r1 = copy.graph.edge("r1");
    QCOMPARE(r1.label, relations ? QStringLiteral("r1") : edge.label);
    QCOMPARE(r1.description, relations ? QString() : edge.description);
    QCOMPARE(r1.attributes.first().value, relations ? QString() : QStringLiteral("22"));
    QCOMPARE(r1.src, QStringLiteral("n1"));
    QCOMPARE(r1.type, edge.type);

    const MapRecord &copiedMap = copy.scene.maps.first();
    QCOMPARE(copiedMap.pos, map.pos);
    QCOMPARE(copiedMap.rotation, map.rotation);
    QCOMPARE(copiedMap.z, map.z);
    QCOMPARE(copiedMap.file, images ? QString() : map.file);
    QCOMPARE(copiedMap.label, images ? QString() : map.label);
    QCOMPARE(copiedMap.anonymize, images);
    const ShapeRecord &copiedShape = copy.scene.shapes.first();
    QCOMPARE(copiedShape.rect, shape.rect);
    QCOMPARE(copiedShape.rotation, shape.rotation);
    QCOMPARE(copiedShape.label, shapes ? QString() : shape.label);
    QCOMPARE(copiedShape.descriptionHtml, shapes ? QString() : shape.descriptionHtml);
}

// Saved, the copy holds its maps and shapes and no copy of the hidden pictures.
void TestAnalysis::anonymisedCopySavesMapsAndShapes()
{
    QTemporaryDir dir;
    const QString mapFile = dir.filePath("carte.png");
    writeBytes(mapFile, "carte");
    Graph graph;
    Node node = makeNode("n1", "Jean Dupont");
    node.mediaPath = mapFile;
    graph.insertNode(node);
    SceneRecords scene;
    MapRecord map;
    map.file = mapFile;
    map.label = "Lyon";
    scene.maps.append(map);
    ShapeRecord shape;
    shape.label = "Zone";
    shape.rect = QRectF(0, 0, 10, 10);
    scene.shapes.append(shape);

    Anonymiser::Copy copy = Anonymiser::copy(graph, scene, {});
    const QString dbPath = dir.filePath("Anon/Anon.orvane.db");
    QString error;
    QVERIFY2(ProjectFiles::save(dbPath, copy.graph, copy.scene, &error), qPrintable(error));

    Graph loaded;
    SceneRecords loadedScene;
    QVERIFY2(ProjectFiles::load(dbPath, loaded, loadedScene, &error), qPrintable(error));
    QCOMPARE(loaded.node("n1").label, QStringLiteral("n1"));
    QCOMPARE(loaded.node("n1").mediaPath, QStringLiteral(":/res/res/orvane.png"));
    QCOMPARE(loadedScene.maps.size(), 1);
    QVERIFY(loadedScene.maps.first().anonymize);
    QVERIFY(loadedScene.maps.first().label.isEmpty());
    QCOMPARE(loadedScene.shapes.size(), 1);
    QVERIFY(loadedScene.shapes.first().label.isEmpty());
    // Nothing of the source pictures was copied into the new project.
    QDir maps(dir.filePath("Anon/maps"));
    QVERIFY(maps.entryList(QDir::Files | QDir::NoDotAndDotDot).isEmpty());
    QVERIFY(maps.entryList(QDir::Dirs | QDir::NoDotAndDotDot).isEmpty());
    QVERIFY(!QFileInfo::exists(dir.filePath("Anon/nodes")) ||
            QDir(dir.filePath("Anon/nodes")).isEmpty());
}

void TestAnalysis::cliQualityAndStats()
{
    const QString picture = m_dir.filePath("cli/photo.png");
    writeBytes(picture, "png");
    Graph graph = faultyGraph(picture);
    SceneRecords scene;
    const QString dbPath = m_dir.filePath("Faute/Faute.orvane.db");
    QString error;
    QVERIFY2(ProjectFiles::save(dbPath, graph, scene, &error), qPrintable(error));

    CliRun run = runCli({"quality", dbPath, "--json"});
    QCOMPARE(run.exitCode, 0);
    const QJsonObject report = QJsonDocument::fromJson(run.out.toUtf8()).object();
    const QJsonArray sections = report.value("sections").toArray();
    QStringList titles;
    for (const QJsonValue &section : sections)
        titles.append(section.toObject().value("title").toString());
    QCOMPARE(titles, kSections);
    const QJsonArray summary = sections.at(0).toObject().value("rows").toArray();
    QCOMPARE(summary.at(2).toObject(),
             QJsonObject({{"check", "Nœuds isolés"}, {"result", "2 (20.0%)"}}));
    // The saved pictures were copied into the project; the missing ones are still missing.
    const QJsonArray media = sections.at(3).toObject().value("rows").toArray();
    QCOMPARE(media.at(1).toObject().value("result").toString(), QStringLiteral("1 (33.3%)"));
    QCOMPARE(media.at(3).toObject().value("result").toString(), QStringLiteral("1 (50.0%)"));
    const QJsonArray integrity = sections.at(4).toObject().value("rows").toArray();
    QCOMPARE(integrity.at(2).toObject().value("result").toString(), QStringLiteral("2 (20.0%)"));

    run = runCli({"quality", m_dir.filePath("Faute")});
    QCOMPARE(run.exitCode, 0);
    QVERIFY(run.out.startsWith(QStringLiteral("Résumé\n  Nœuds : 10\n  Relations : 10\n")));
    QVERIFY(run.out.contains(
        QStringLiteral("\n  Labels dupliqués (valeurs distinctes) : 2 — 3× \"Alpha\", 2× \"Beta\"\n")));

    run = runCli({"stats", "--json", dbPath});
    QCOMPARE(run.exitCode, 0);
    const QJsonArray statistics =
        QJsonDocument::fromJson(run.out.toUtf8()).object().value("statistics").toArray();
    QCOMPARE(statistics.size(), 5);
    QCOMPARE(statistics.at(1).toObject(),
             QJsonObject({{"title", "Relations par label"},
                          {"pairs", QJsonArray{QJsonArray{"<sans label>", 5}, QJsonArray{"voit", 4},
                                               QJsonArray{"x", 1}}}}));
    QCOMPARE(statistics.at(4).toObject().value("title").toString(), QStringLiteral("Top 10 par degré"));

    run = runCli({"stats", dbPath});
    QCOMPARE(run.exitCode, 0);
    QVERIFY(run.out.startsWith(QStringLiteral("Nœuds par type\n  IP : 3\n  AS : 2\n")));
    QVERIFY(run.out.contains(QStringLiteral("Distribution des degrés\n  0 : 2\n  1 : 3\n  2 : 3\n  4 : 2\n")));
}

void TestAnalysis::cliRejectsBadArguments_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::newRow("quality without file") << QStringList{"quality"} << 2;
    QTest::newRow("stats with unknown option") << QStringList{"stats", "x.db", "--xml"} << 2;
    QTest::newRow("two files") << QStringList{"quality", "a.db", "b.db"} << 2;
    QTest::newRow("missing file") << QStringList{"stats", "/nonexistent/orvane/x.orvane.db"} << 1;
}

void TestAnalysis::cliRejectsBadArguments()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    const CliRun run = runCli(arguments);
    QCOMPARE(run.exitCode, exitCode);
    QVERIFY(run.out.isEmpty());
    QVERIFY(!run.err.isEmpty());
}

QTEST_GUILESS_MAIN(TestAnalysis)
#include "tst_analysis.moc"
