#include "ops/timefilter.h"
#include "model/graph.h"
#include "ops/filterengine.h"

#include <QTest>

#include <algorithm>

Q_DECLARE_METATYPE(FilterState)

namespace {

QDateTime day(int month, int dayOfMonth, int hour = 0, int minute = 0)
{
    return QDateTime(QDate(2024, month, dayOfMonth), QTime(hour, minute), Qt::UTC);
}

Node node(const QString &id, const QString &type, const QDateTime &start = {},
          const QDateTime &end = {})
{
    Node record;
    record.id = id;
    record.type = type;
    record.validity = {start, end};
    return record;
}

Edge relation(const QString &id, const QString &src, const QString &dst,
              const QString &type = QString(), const QDateTime &start = {},
              const QDateTime &end = {})
{
    Edge record;
    record.id = id;
    record.src = src;
    record.dst = dst;
    record.type = type;
    record.validity = {start, end};
    return record;
}

QStringList sorted(const QSet<QString> &ids)
{
    QStringList list(ids.cbegin(), ids.cend());
    std::sort(list.begin(), list.end());
    return list;
}

// Four nodes: an undated server found by an attribute, a domain valid 10-20 January, an actor
// valid from 1 February on, a wallet valid until 1 December 2023. Four relations, one of them
// towards a node the table does not hold.
Graph filterGraph()
{
    Graph graph;
    Node server = node(QStringLiteral("alpha-1"), QStringLiteral("ip"));
    server.label = QStringLiteral("Serveur");
    server.attributes = {{QString(), QStringLiteral("asn"), QStringLiteral("AS13335")}};
    graph.insertNode(server);
    Node domain = node(QStringLiteral("n2"), QStringLiteral("domain"), day(1, 10), day(1, 20));
    domain.label = QStringLiteral("Domaine");
    domain.description = QStringLiteral("Hébergé chez OVH");
    graph.insertNode(domain);
    graph.insertNode(node(QStringLiteral("n3"), QStringLiteral("actor"), day(2, 1)));
    graph.insertNode(node(QStringLiteral("n4"), QString(), QDateTime(),
                          QDateTime(QDate(2023, 12, 1), QTime(0, 0), Qt::UTC)));
    graph.insertEdge(relation(QStringLiteral("r1"), QStringLiteral("alpha-1"),
                              QStringLiteral("n2"), QStringLiteral("resolves")));
    graph.insertEdge(relation(QStringLiteral("r2"), QStringLiteral("n2"), QStringLiteral("n3"),
                              QStringLiteral("linked"), day(3, 1)));
    graph.insertEdge(relation(QStringLiteral("r3"), QStringLiteral("n3"), QStringLiteral("n4"),
                              QStringLiteral("resolves")));
    graph.insertEdge(relation(QStringLiteral("r4"), QStringLiteral("alpha-1"),
                              QStringLiteral("gone"), QStringLiteral("resolves")));
    return graph;
}

} // namespace

class TstFilters : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void timeRule_data();
    void timeRule();
    void filterModes();
    void typesFlagsAndEnds();
    void sliderArithmetic();
    void startEndCoupling();
    void playingRestartsAndStops();
    void speeds();
    void tickGranularity_data();
    void tickGranularity();
    void tickDatesAndLabels();
    void bandGeometry();
    void filterEngine_data();
    void filterEngine();
    void bandHitAreaAndDrag();
    void bandSettings();
    void dateSpans();
    void filterDisplay_data();
    void filterDisplay();
    void groupQuestionLabels();
};

void TstFilters::timeRule_data()
{
    QTest::addColumn<QDateTime>("rangeStart");
    QTest::addColumn<QDateTime>("rangeEnd");
    QTest::addColumn<QDateTime>("instant");
    QTest::addColumn<QDateTime>("start");
    QTest::addColumn<QDateTime>("end");
    QTest::addColumn<bool>("shown");

    const QDateTime none;
    const QDateTime from = day(1, 10), to = day(1, 20);
    QTest::newRow("range, undated") << from << to << none << none << none << true;
    QTest::newRow("range, starts after") << from << to << none << day(1, 25) << none << false;
    QTest::newRow("range, ended before") << from << to << none << none << day(1, 5) << false;
    QTest::newRow("range, ends on its start") << from << to << none << day(1, 1) << from << true;
    QTest::newRow("range, starts on its end") << from << to << none << to << none << true;
    QTest::newRow("range, covers it") << from << to << none << day(1, 1) << day(2, 1) << true;
    QTest::newRow("range, open start inside") << from << to << none << none << day(1, 15) << true;
    QTest::newRow("range, one bound only is off") << from << none << none << day(3, 1) << none
                                                   << true;
    const QDateTime at = day(1, 15, 12);
    QTest::newRow("instant, undated") << none << none << at << none << none << true;
    QTest::newRow("instant, ends at it") << none << none << at << day(1, 1) << at << true;
    QTest::newRow("instant, starts at it") << none << none << at << at << none << true;
    QTest::newRow("instant, starts after") << none << none << at << day(1, 16) << none << false;
    QTest::newRow("instant, ended before") << none << none << at << none << day(1, 15) << false;
    // The instant mode stays on when a range is set afterwards: the range does not apply.
    QTest::newRow("range set under instant") << day(3, 1) << day(3, 2) << at << day(1, 10)
                                             << day(1, 20) << true;
    QTest::newRow("instant, range would show") << from << to << at << day(1, 16) << none
                                               << false;
}

void TstFilters::timeRule()
{
    QFETCH(QDateTime, rangeStart);
    QFETCH(QDateTime, rangeEnd);
    QFETCH(QDateTime, instant);
    QFETCH(QDateTime, start);
    QFETCH(QDateTime, end);
    QFETCH(bool, shown);
    TimeFilterState state;
    state.setInstant(instant);
    if (rangeStart.isValid())
        state.setRange(rangeStart, rangeEnd);
    Node record = node(QStringLiteral("n"), QStringLiteral("ip"), start, end);
    QCOMPARE(TimeFilter::nodeShown(state, record), shown);
    Edge edge = relation(QStringLiteral("e"), QStringLiteral("a"), QStringLiteral("b"),
                         QStringLiteral("t"), start, end);
    QCOMPARE(TimeFilter::relationShown(state, edge, true, true), shown);
}

void TstFilters::filterModes()
{
    TimeFilterState state;
    QCOMPARE(state.mode, int(TimeFilterState::None));
    state.setRange(day(1, 1), day(1, 2));
    QCOMPARE(state.mode, int(TimeFilterState::Range));
    state.setInstant(QDateTime());
    QCOMPARE(state.mode, int(TimeFilterState::Range));
    state.setInstant(day(1, 1, 12));
    QCOMPARE(state.mode, int(TimeFilterState::Instant));
    state.setRange(day(2, 1), day(2, 2));
    QCOMPARE(state.mode, int(TimeFilterState::Instant));
    QCOMPARE(state.rangeStart, day(2, 1));
    // "∞": two invalid dates switch every mode off and everything dated shows again.
    state.setRange(QDateTime(), QDateTime());
    QCOMPARE(state.mode, int(TimeFilterState::None));
    QVERIFY(TimeFilter::nodeShown(state, node(QStringLiteral("n"), QString(), day(9, 1))));
}

void TstFilters::typesFlagsAndEnds()
{
    Graph graph;
    graph.insertNode(node(QStringLiteral("a"), QStringLiteral("ip")));
    graph.insertNode(node(QStringLiteral("a2"), QStringLiteral("ip"), day(1, 1)));
    graph.insertNode(node(QStringLiteral("b"), QStringLiteral("domain")));
    Node invisible = node(QStringLiteral("c"), QStringLiteral("ip"));
    invisible.visible = false;
    graph.insertNode(invisible);
    graph.insertNode(node(QStringLiteral("d"), QStringLiteral("ip"), day(6, 1)));
    graph.insertEdge(relation(QStringLiteral("ok"), QStringLiteral("a"), QStringLiteral("a2")));
    graph.insertEdge(relation(QStringLiteral("to-hidden-type"), QStringLiteral("a"),
                              QStringLiteral("b")));
    graph.insertEdge(relation(QStringLiteral("from-invisible"), QStringLiteral("c"),
                              QStringLiteral("a")));
    graph.insertEdge(relation(QStringLiteral("to-out-of-range"), QStringLiteral("a"),
                              QStringLiteral("d")));
    graph.insertEdge(relation(QStringLiteral("to-missing"), QStringLiteral("a"),
                              QStringLiteral("zz")));
    graph.insertEdge(relation(QStringLiteral("hidden-type"), QStringLiteral("a"),
                              QStringLiteral("a2"), QStringLiteral("owns")));
    graph.insertEdge(relation(QStringLiteral("out-of-range"), QStringLiteral("a2"),
                              QStringLiteral("a"), QString(), day(7, 1)));
    Edge invisibleEdge = relation(QStringLiteral("invisible"), QStringLiteral("a"),
                                  QStringLiteral("a2"));
    invisibleEdge.visible = false;
    graph.insertEdge(invisibleEdge);

    TimeFilterState state;
    state.hiddenNodeTypes = {QStringLiteral("domain")};
    state.hiddenRelationTypes = {QStringLiteral("owns")};
    state.setRange(day(1, 1), day(2, 1));
    const TimeFilter::Shown shown = TimeFilter::shownItems(state, graph.nodes(), graph.edges());
    QCOMPARE(sorted(shown.nodes), (QStringList{QStringLiteral("a"), QStringLiteral("a2")}));
    QCOMPARE(sorted(shown.relations), QStringList{QStringLiteral("ok")});

    // Showing the type again brings back the node and its relation.
    state.hiddenNodeTypes.clear();
    const TimeFilter::Shown again = TimeFilter::shownItems(state, graph.nodes(), graph.edges());
    QVERIFY(again.nodes.contains(QStringLiteral("b")));
    QVERIFY(again.relations.contains(QStringLiteral("to-hidden-type")));
}

void TstFilters::sliderArithmetic()
{
    using namespace TimelineMath;
    const QDateTime start = day(1, 1, 10);
    QCOMPARE(sliderMaximum(start, day(1, 1, 12)), 120);
    QCOMPARE(sliderMaximum(start, day(1, 1, 10, 39)), 39);
    QCOMPARE(sliderMaximum(day(1, 2), day(1, 1)), 0);
    QCOMPARE(pageStep(39), 1);
    QCOMPARE(pageStep(40), 2);
    QCOMPARE(pageStep(120), 6);
    QCOMPARE(pageStep(0), 1);
    QCOMPARE(instantForValue(start, 90), day(1, 1, 11, 30));
    QCOMPARE(valueForInstant(start, 120, start.addSecs(30 * 60 + 59)), 30);
    QCOMPARE(valueForInstant(start, 120, day(1, 1, 9)), 0);
    QCOMPARE(valueForInstant(start, 120, day(1, 2)), 120);
}

void TstFilters::startEndCoupling()
{
    using namespace TimelineMath;
    const Range later = startEdited(day(1, 5), day(1, 3));
    QCOMPARE(later.start, day(1, 5));
    QCOMPARE(later.end, day(1, 5));
    const Range earlier = endEdited(day(1, 5), day(1, 3));
    QCOMPARE(earlier.start, day(1, 3));
    QCOMPARE(earlier.end, day(1, 3));
    const Range kept = endEdited(day(1, 1), day(1, 3));
    QCOMPARE(kept.start, day(1, 1));
    QCOMPARE(kept.end, day(1, 3));
}

void TstFilters::playingRestartsAndStops()
{
    using namespace TimelineMath;
    QCOMPARE(playStartValue(120, 120), 0);
    QCOMPARE(playStartValue(37, 120), 37);
    QCOMPARE(nextPlayValue(118, 120), 119);
    QCOMPARE(nextPlayValue(119, 120), 120);
    QCOMPARE(nextPlayValue(120, 120), -1);
    QCOMPARE(nextPlayValue(0, 0), -1);
}

void TstFilters::speeds()
{
    QStringList texts;
    QList<int> intervals;
    for (const TimelineMath::Speed &speed : TimelineMath::speeds()) {
        texts.append(QString::fromUtf8(speed.text));
        intervals.append(speed.intervalMs);
    }
    QCOMPARE(texts, (QStringList{QStringLiteral("0.25×"), QStringLiteral("0.5×"),
                                 QStringLiteral("1×"), QStringLiteral("2×"),
                                 QStringLiteral("4×"), QStringLiteral("10×"),
                                 QStringLiteral("25×"), QStringLiteral("100×")}));
    QCOMPARE(intervals, (QList<int>{1000, 500, 250, 125, 62, 25, 10, 3}));
    QCOMPARE(QString::fromUtf8(TimelineMath::speeds().at(TimelineMath::defaultSpeedIndex).text),
             QStringLiteral("1×"));
}

void TstFilters::tickGranularity_data()
{
    QTest::addColumn<int>("days");
    QTest::addColumn<int>("unit");
    QTest::newRow("28 days") << 28 << int(TimelineMath::TickUnit::Day);
    QTest::newRow("29 days") << 29 << int(TimelineMath::TickUnit::Week);
    QTest::newRow("180 days") << 180 << int(TimelineMath::TickUnit::Week);
    QTest::newRow("181 days") << 181 << int(TimelineMath::TickUnit::Month);
    QTest::newRow("720 days") << 720 << int(TimelineMath::TickUnit::Month);
    QTest::newRow("721 days") << 721 << int(TimelineMath::TickUnit::Year);
}

void TstFilters::tickGranularity()
{
    QFETCH(int, days);
    QFETCH(int, unit);
    const QDateTime start = day(1, 10, 12);
    QCOMPARE(int(TimelineMath::tickUnit(start, start.addDays(days))), unit);
}

void TstFilters::tickDatesAndLabels()
{
    using namespace TimelineMath;
    auto labels = [](const QDateTime &start, const QDateTime &end) {
        QStringList texts;
        for (const QDateTime &tick : TimelineMath::tickDates(start, end))
            texts.append(tickLabel(tickUnit(start, end), tick));
        return texts;
    };
    // Wednesday 10 January: weekly ticks from Sunday 7 January.
    const QDateTime wednesday = day(1, 10, 12);
    QCOMPARE(tickDates(wednesday, wednesday.addDays(29)).first(), day(1, 7));
    QCOMPARE(labels(wednesday, wednesday.addDays(29)),
             (QStringList{QStringLiteral("07-01"), QStringLiteral("14-01"),
                          QStringLiteral("21-01"), QStringLiteral("28-01"),
                          QStringLiteral("04-02")}));
    QCOMPARE(labels(day(1, 15), day(1, 15).addDays(181)),
             (QStringList{QStringLiteral("02-2024"), QStringLiteral("03-2024"),
                          QStringLiteral("04-2024"), QStringLiteral("05-2024"),
                          QStringLiteral("06-2024"), QStringLiteral("07-2024")}));
    QCOMPARE(labels(day(3, 1), day(3, 1).addDays(721)),
             (QStringList{QStringLiteral("2025"), QStringLiteral("2026")}));
    QCOMPARE(labels(day(1, 30, 18), day(2, 2, 6)),
             (QStringList{QStringLiteral("30-01"), QStringLiteral("31-01"),
                          QStringLiteral("01-02"), QStringLiteral("02-02")}));
}

void TstFilters::bandGeometry()
{
    using namespace TimelineMath;
    QCOMPARE(xOfDate(QDateTime(), 100, 40, day(5, 5)), 100.0);
    QCOMPARE(xOfDate(day(1, 1), 100, 40, day(1, 3, 12)), 200.0);
    QCOMPARE(xOfDate(day(1, 1), 0, 40, day(1, 1).addSecs(-86400)), -40.0);
    // Links are drawn only below 5000 units, measured along the axes.
    QVERIFY(linkDrawn(QPointF(0, -80), QPointF(2000, 2919)));
    QVERIFY(!linkDrawn(QPointF(0, -80), QPointF(2000, 2920)));
    QVERIFY(!linkDrawn(QPointF(0, -80), QPointF(0, 5920)));
    // 4314 units in a straight line, 6100 along the axes.
    QVERIFY(!linkDrawn(QPointF(100, 0), QPointF(-3000, 3000)));
}

void TstFilters::filterEngine_data()
{
    QTest::addColumn<FilterState>("state");
    QTest::addColumn<QStringList>("nodes");
    QTest::addColumn<QStringList>("relations");

    const QStringList all = {QStringLiteral("alpha-1"), QStringLiteral("n2"),
                             QStringLiteral("n3"), QStringLiteral("n4")};
    const QStringList allRelations = {QStringLiteral("r1"), QStringLiteral("r2"),
                                      QStringLiteral("r3")};
    auto text = [](const QString &query, bool attributes = true) {
        FilterState state;
        state.textEnabled = true;
        state.query = query;
        state.searchAttributes = attributes;
        return state;
    };
    auto period = [](const QDateTime &start, const QDateTime &end, bool undetermined) {
        FilterState state;
        state.periodEnabled = true;
        state.periodStart = start;
        state.periodEnd = end;
        state.includeUndetermined = undetermined;
        return state;
    };

    QTest::newRow("nothing enabled") << FilterState() << all << allRelations;
    QTest::newRow("attribute value") << text(QStringLiteral("as13335"))
                                     << QStringList{QStringLiteral("alpha-1")} << QStringList();
    QTest::newRow("attributes not searched")
        << text(QStringLiteral("as13335"), false) << QStringList() << QStringList();
    QTest::newRow("attribute key") << text(QStringLiteral(" ASN "))
                                   << QStringList{QStringLiteral("alpha-1")} << QStringList();
    QTest::newRow("identifier") << text(QStringLiteral("ALPHA"), false)
                                << QStringList{QStringLiteral("alpha-1")} << QStringList();
    QTest::newRow("label") << text(QStringLiteral("domaine"))
                           << QStringList{QStringLiteral("n2")} << QStringList();
    QTest::newRow("description") << text(QStringLiteral("ovh"))
                                 << QStringList{QStringLiteral("n2")} << QStringList();
    QTest::newRow("blank query") << text(QStringLiteral("   ")) << all << allRelations;
    FilterState disabledText = text(QStringLiteral("ovh"));
    disabledText.textEnabled = false;
    QTest::newRow("text off") << disabledText << all << allRelations;

    QTest::newRow("period with undetermined")
        << period(day(1, 15), day(1, 31), true)
        << QStringList{QStringLiteral("alpha-1"), QStringLiteral("n2")}
        << QStringList{QStringLiteral("r1")};
    QTest::newRow("period without undetermined")
        << period(day(1, 15), day(1, 31), false) << QStringList{QStringLiteral("n2")}
        << QStringList();
    // n3 starts on the period's first day; its open end reaches it.
    QTest::newRow("period touching a start")
        << period(day(2, 1), day(2, 28), true)
        << QStringList{QStringLiteral("alpha-1"), QStringLiteral("n3")} << QStringList();
    // The wallet's open start reaches back into any earlier period.
    QTest::newRow("period before everything")
        << period(QDateTime(QDate(2020, 1, 1), QTime(0, 0), Qt::UTC),
                  QDateTime(QDate(2020, 2, 1), QTime(0, 0), Qt::UTC), false)
        << QStringList{QStringLiteral("n4")} << QStringList();
    // One bound only: every dated item passes, undated ones follow the flag.
    QTest::newRow("start bound only")
        << period(day(3, 1), QDateTime(), false)
        << QStringList{QStringLiteral("n2"), QStringLiteral("n3"), QStringLiteral("n4")}
        << QStringList{QStringLiteral("r2")};
    FilterState periodOff = period(day(1, 15), day(1, 31), false);
    periodOff.periodEnabled = false;
    QTest::newRow("period off") << periodOff << all << allRelations;

    FilterState nodeTypes;
    nodeTypes.nodeTypesEnabled = true;
    nodeTypes.nodeTypes = {QStringLiteral("ip"), QStringLiteral("domain")};
    QTest::newRow("node types") << nodeTypes
                                << QStringList{QStringLiteral("alpha-1"), QStringLiteral("n2")}
                                << QStringList{QStringLiteral("r1")};
    FilterState emptyType;
    emptyType.nodeTypesEnabled = true;
    emptyType.nodeTypes = {QString()};
    QTest::newRow("the empty type") << emptyType << QStringList{QStringLiteral("n4")}
                                    << QStringList();
    FilterState noTypeChecked;
    noTypeChecked.nodeTypesEnabled = true;
    QTest::newRow("no type checked") << noTypeChecked << all << allRelations;
    FilterState relationTypes;
    relationTypes.relationTypesEnabled = true;
    relationTypes.relationTypes = {QStringLiteral("resolves")};
    QTest::newRow("relation types") << relationTypes << all
                                    << QStringList{QStringLiteral("r1"), QStringLiteral("r3")};
    FilterState combined = text(QStringLiteral("e"));
    combined.nodeTypesEnabled = true;
    combined.nodeTypes = {QStringLiteral("ip"), QStringLiteral("domain"), QStringLiteral("actor")};
    combined.periodEnabled = true;
    combined.periodStart = day(1, 1);
    combined.periodEnd = day(1, 31);
    combined.includeUndetermined = true;
    QTest::newRow("every criterion")
        << combined << QStringList{QStringLiteral("alpha-1"), QStringLiteral("n2")}
        << QStringList{QStringLiteral("r1")};
}

void TstFilters::filterEngine()
{
    QFETCH(FilterState, state);
    QFETCH(QStringList, nodes);
    QFETCH(QStringList, relations);
    const FilterEngine::Result result = FilterEngine::run(filterGraph(), state);
    QCOMPARE(sorted(result.nodes), nodes);
    QCOMPARE(sorted(result.relations), relations);
}

void TstFilters::bandHitAreaAndDrag()
{
    TimelineBand band;
    QVERIFY(!band.press(QPointF(0, 0))); // not shown
    band.place(day(1, 1), day(1, 11), 40, -80);
    QVERIFY(band.drawable());
    // Ten times the axis thickness, within 22..36.
    QCOMPARE(band.height(), 30.0);
    band.axisThickness = 1.0;
    QCOMPARE(band.height(), 22.0);
    band.axisThickness = 5.0;
    QCOMPARE(band.height(), 36.0);
    QCOMPARE(band.rect(), QRectF(0, -98, 400, 36));
    QCOMPARE(band.grabArea(), QRectF(-10, -110, 420, 60));

    QVERIFY(!band.press(QPointF(-10.5, -80)));
    QVERIFY(!band.press(QPointF(100, -49.5)));
    QVERIFY(!band.dragging);
    QVERIFY(band.press(QPointF(100, -109)));
    QVERIFY(band.dragging);
    QCOMPARE(band.grabOffset, QPointF(100, -29));
    band.dragTo(QPointF(350, 200));
    QCOMPARE(band.originX, 250.0);
    QCOMPARE(band.y, 229.0);
    QCOMPARE(band.xOfDate(day(1, 2)), 290.0);
    band.release();
    band.dragTo(QPointF(0, 0));
    QCOMPARE(band.y, 229.0);
    // Placing the band again brings it back to x 0.
    band.place(day(1, 1), day(1, 11), 40, -80);
    QCOMPARE(band.originX, 0.0);
    QCOMPARE(band.y, -80.0);
}

void TstFilters::bandSettings()
{
    TimelineBand band;
    QCOMPARE(band.effectiveAxisColor(), QColor(QStringLiteral("#55aaff")));
    band.axisColor = QColor();
    band.linkColor = QColor();
    QCOMPARE(band.effectiveAxisColor(), QColor(QStringLiteral("#6aa9ff")));
    QCOMPARE(band.effectiveLinkColor(), QColor(QStringLiteral("#6aa9ff")));
    band.linkPenStyle = 0;
    band.linkWidth = 0;
    QVERIFY(band.linkDashed());
    QCOMPARE(band.effectiveLinkWidth(), 1.0);

    TimelineSettings chosen;
    chosen.pixelsPerDay = 12.5;
    chosen.linkWidth = 0.2;
    chosen.linkStyle = 1;
    chosen.linkColor = Qt::red;
    chosen.axisColor = Qt::green;
    chosen.axisThickness = 7.5;
    chosen.dayFontSize = 4;
    band.dragging = true;
    band.originX = 55;
    band.apply(chosen, day(1, 1), day(3, 1));
    QVERIFY(band.shown);
    QCOMPARE(band.start, day(1, 1));
    QCOMPARE(band.end, day(3, 1));
    QCOMPARE(band.pixelsPerDay, 12.5);
    QCOMPARE(band.y, -80.0);
    QCOMPARE(band.originX, 0.0);
    QCOMPARE(band.linkWidth, 0.5);
    QVERIFY(!band.linkDashed());
    QCOMPARE(band.linkColor, QColor(Qt::red));
    QCOMPARE(band.axisColor, QColor(Qt::green));
    QCOMPARE(band.axisThickness, 7.5);
    QCOMPARE(band.dayFontSize, 6);
    const TimelineSettings back = band.settings();
    QCOMPARE(back.linkStyle, 1);
    QCOMPARE(back.linkWidth, 0.5);
    QCOMPARE(back.pixelsPerDay, 12.5);
}

void TstFilters::dateSpans()
{
    QVERIFY(!TimelineMath::startSpan(Graph().nodes()));
    QVERIFY(!TimelineMath::validitySpan(Graph()));
    const Graph graph = filterGraph();
    const auto starts = TimelineMath::startSpan(graph.nodes());
    QVERIFY(starts);
    QCOMPARE(starts->start, day(1, 10));
    QCOMPARE(starts->end, day(2, 1));
    // Ends and relations count too: the wallet's end in 2023, r2's start in March.
    const auto all = TimelineMath::validitySpan(graph);
    QVERIFY(all);
    QCOMPARE(all->start, QDateTime(QDate(2023, 12, 1), QTime(0, 0), Qt::UTC));
    QCOMPARE(all->end, day(3, 1));
}

namespace {

// a and b are members of group g; c and d stand alone. Relations: a-c, c-d, g-d (a bridge).
Graph groupedGraph()
{
    Graph graph;
    Node group = node(QStringLiteral("g"), QStringLiteral("groupe"));
    group.isGroup = true;
    group.label = QStringLiteral(" Cellule ");
    graph.insertNode(group);
    for (const char *id : {"a", "b"}) {
        Node member = node(QLatin1String(id), QStringLiteral("ip"));
        member.parentGroup = QStringLiteral("g");
        graph.insertNode(member);
    }
    graph.insertNode(node(QStringLiteral("c"), QStringLiteral("ip")));
    graph.insertNode(node(QStringLiteral("d"), QStringLiteral("domain")));
    graph.insertEdge(relation(QStringLiteral("ac"), QStringLiteral("a"), QStringLiteral("c")));
    graph.insertEdge(relation(QStringLiteral("cd"), QStringLiteral("c"), QStringLiteral("d")));
    graph.insertEdge(relation(QStringLiteral("gd"), QStringLiteral("g"), QStringLiteral("d")));
    return graph;
}

QString looks(const QHash<QString, FilterEngine::Look> &table)
{
    QStringList ids = table.keys();
    std::sort(ids.begin(), ids.end());
    QStringList parts;
    for (const QString &id : std::as_const(ids)) {
        const FilterEngine::Look look = table.value(id);
        parts.append(look.visible ? QStringLiteral("%1=%2").arg(id).arg(look.opacity)
                                  : QStringLiteral("%1=hidden").arg(id));
    }
    return parts.join(QLatin1Char(' '));
}

} // namespace

void TstFilters::filterDisplay_data()
{
    QTest::addColumn<bool>("expanded"); // whether the members have items
    QTest::addColumn<QStringList>("retained");
    QTest::addColumn<int>("groupMode");
    QTest::addColumn<bool>("dim");
    QTest::addColumn<QString>("nodes");
    QTest::addColumn<QString>("relations");

    const QStringList ipNodes = {QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")};
    QTest::newRow("dim, node only")
        << true << ipNodes << 2 << true << QStringLiteral("a=1 b=1 c=1 d=0.35 g=0.35")
        << QStringLiteral("ac=1 cd=0.35 gd=0.35");
    QTest::newRow("hide, node only")
        << true << ipNodes << 2 << false << QStringLiteral("a=1 b=1 c=1 d=hidden g=hidden")
        << QStringLiteral("ac=1 cd=hidden gd=hidden");
    // The group stands in for its members, so the relation from a member is not at full
    // opacity at that end.
    QTest::newRow("dim, show the group")
        << true << ipNodes << 1 << true << QStringLiteral("a=0.35 b=0.35 c=1 d=0.35 g=1")
        << QStringLiteral("ac=0.35 cd=0.35 gd=0.35");
    QTest::newRow("halo is node only")
        << true << ipNodes << 3 << true << QStringLiteral("a=1 b=1 c=1 d=0.35 g=0.35")
        << QStringLiteral("ac=1 cd=0.35 gd=0.35");
    // Collapsed: members have no item; showing the group brings its bridge back in full.
    QTest::newRow("collapsed, show the group")
        << false << (QStringList{QStringLiteral("a"), QStringLiteral("d"), QStringLiteral("g")})
        << 1 << true << QStringLiteral("c=0.35 d=1 g=1") << QStringLiteral("cd=0.35 gd=1");
    QTest::newRow("collapsed, node only")
        << false << (QStringList{QStringLiteral("a"), QStringLiteral("d")}) << 2 << false
        << QStringLiteral("c=hidden d=1 g=hidden") << QStringLiteral("cd=hidden gd=hidden");
}

void TstFilters::filterDisplay()
{
    QFETCH(bool, expanded);
    QFETCH(QStringList, retained);
    QFETCH(int, groupMode);
    QFETCH(bool, dim);
    QFETCH(QString, nodes);
    QFETCH(QString, relations);
    const Graph graph = groupedGraph();
    FilterState state;
    state.dim = dim;
    state.dimOpacity = 0.35;
    FilterEngine::Result result;
    result.nodes = QSet<QString>(retained.cbegin(), retained.cend());
    for (const Edge &edge : graph.edges()) {
        if (result.nodes.contains(edge.src) && result.nodes.contains(edge.dst))
            result.relations.insert(edge.id);
    }
    QSet<QString> nodeItems = {QStringLiteral("g"), QStringLiteral("c"), QStringLiteral("d")};
    QStringList relationItems = {QStringLiteral("cd"), QStringLiteral("gd")};
    if (expanded) {
        nodeItems += {QStringLiteral("a"), QStringLiteral("b")};
        relationItems.append(QStringLiteral("ac"));
    }
    const FilterEngine::Display display =
        FilterEngine::display(graph, nodeItems, relationItems, result, groupMode, state);
    QCOMPARE(looks(display.nodes), nodes);
    QCOMPARE(looks(display.relations), relations);
}

void TstFilters::groupQuestionLabels()
{
    Graph graph = groupedGraph();
    FilterEngine::Result result;
    result.nodes = {QStringLiteral("c"), QStringLiteral("d")};
    QVERIFY(FilterEngine::groupLabels(graph, result).isEmpty());
    result.nodes.insert(QStringLiteral("a"));
    QCOMPARE(FilterEngine::groupLabels(graph, result), QStringList{QStringLiteral("Cellule")});

    // Twelve groups, one of them unnamed: ten labels sorted, then the remainder.
    for (int i = 0; i < 11; ++i) {
        Node group = node(QStringLiteral("group-%1").arg(i), QStringLiteral("groupe"));
        group.isGroup = true;
        group.label = i == 0 ? QStringLiteral("  ") : QStringLiteral("G%1").arg(i, 2, 10,
                                                                               QLatin1Char('0'));
        graph.insertNode(group);
        Node member = node(QStringLiteral("m%1").arg(i), QStringLiteral("ip"));
        member.parentGroup = group.id;
        graph.insertNode(member);
        result.nodes.insert(member.id);
    }
    const QStringList labels = FilterEngine::groupLabels(graph, result);
    QCOMPARE(labels.size(), 11);
    QCOMPARE(labels.first(), QStringLiteral("Cellule"));
    QCOMPARE(labels.at(1), QStringLiteral("G01"));
    QCOMPARE(labels.at(9), QStringLiteral("G09"));
    QCOMPARE(labels.last(), QStringLiteral("… et 2 autres"));
}

QTEST_GUILESS_MAIN(TstFilters)
#include "tst_filters.moc"
