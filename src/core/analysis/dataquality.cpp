#include "analysis/dataquality.h"

#include "analysis/categorycounts.h"

#include "model/graph.h"
#include "model/textforms.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QSet>

#include <algorithm>

namespace DataQuality {

namespace {

// How many duplicated labels are named after the count.
constexpr int listedDuplicates = 5;
constexpr int topKeys = 5;

QString counted(qint64 value, qint64 total)
{
    return QStringLiteral("%1 (%2)").arg(value).arg(percent(value, total));
}

QString listOrDash(const QStringList &items)
{
    return items.isEmpty() ? QStringLiteral("—") : items.join(QStringLiteral(", "));
}

// Existence of files on disk, asked once per distinct path. Built-in resource paths are
// always present.
class FileChecker
{
public:
    bool exists(const QString &path)
    {
        if (path.trimmed().isEmpty())
            return false;
        if (TextForms::isResourcePath(path))
            return true;
        auto it = m_known.constFind(path);
        if (it == m_known.cend())
            it = m_known.insert(path, QFileInfo::exists(path));
        return it.value();
    }

private:
    QHash<QString, bool> m_known;
};

// What makes two relations the same: source, target, type and label. Hashed field by field,
// so no text is built per relation.
struct Signature
{
    QString src;
    QString dst;
    QString type;
    QString label;

    friend bool operator==(const Signature &a, const Signature &b)
    {
        return a.src == b.src && a.dst == b.dst && a.type == b.type && a.label == b.label;
    }
    friend size_t qHash(const Signature &signature, size_t seed = 0)
    {
        return qHashMulti(seed, signature.src, signature.dst, signature.type, signature.label);
    }
};

bool startsAfterEnd(const Validity &validity)
{
    return validity.start.isValid() && validity.end.isValid() && validity.start > validity.end;
}

// What the summary and the integrity sections need from the relations, in one pass.
struct RelationFacts
{
    qint64 isolatedNodes = 0;
    qint64 noSource = 0;
    qint64 noTarget = 0;
    qint64 duplicates = 0;
};

// A relation duplicates an earlier one when both join the same source to the same target
// with the same type and label (trimmed); each copy beyond the first is counted.
RelationFacts relationFacts(const Graph &graph)
{
    RelationFacts facts;
    QHash<QString, bool> touched;
    touched.reserve(graph.nodes().size());
    for (auto it = graph.nodes().cbegin(); it != graph.nodes().cend(); ++it)
        touched.insert(it.key(), false);
    QSet<Signature> signatures;
    signatures.reserve(graph.edges().size());
    for (const Edge &edge : graph.edges()) {
        const auto source = touched.find(edge.src);
        if (source == touched.end())
            ++facts.noSource;
        else
            source.value() = true;
        const auto target = touched.find(edge.dst);
        if (target == touched.end())
            ++facts.noTarget;
        else
            target.value() = true;
        const qsizetype before = signatures.size();
        signatures.insert({edge.src, edge.dst, edge.type.trimmed(), edge.label.trimmed()});
        facts.duplicates += signatures.size() == before ? 1 : 0;
    }
    for (bool isTouched : std::as_const(touched))
        facts.isolatedNodes += isTouched ? 0 : 1;
    return facts;
}

QualitySection summary(const Graph &graph, const RelationFacts &facts)
{
    return {QStringLiteral("Résumé"),
            {{QStringLiteral("Nœuds"), QString::number(graph.nodes().size())},
             {QStringLiteral("Relations"), QString::number(graph.edges().size())},
             {QStringLiteral("Nœuds isolés"), counted(facts.isolatedNodes, graph.nodes().size())}}};
}

// Empty labels are reported on their own row, so they never count as a duplicated value.
QualitySection labels(const Graph &graph)
{
    const qint64 nodes = graph.nodes().size();
    qint64 empty = 0;
    QHash<QString, int> uses;
    uses.reserve(graph.nodes().size());
    for (const Node &node : graph.nodes()) {
        const QString label = node.label.trimmed();
        if (label.isEmpty())
            ++empty;
        else
            ++uses[label];
    }
    QHash<QString, int> repeated;
    for (auto it = uses.cbegin(); it != uses.cend(); ++it) {
        if (it.value() > 1)
            repeated.insert(it.key(), it.value());
    }
    const CategoryCounts::Pairs duplicated = CategoryCounts::byDecreasingCount(repeated);
    QString result = QString::number(duplicated.size());
    if (!duplicated.isEmpty()) {
        QStringList listed;
        for (int i = 0; i < std::min(listedDuplicates, int(duplicated.size())); ++i)
            listed.append(QStringLiteral("%1× \"%2\"").arg(duplicated[i].second).arg(duplicated[i].first));
        result += QStringLiteral(" — ") + listed.join(QStringLiteral(", "));
    }
    return {QStringLiteral("Labels & IDs"),
            {{QStringLiteral("Labels vides"), counted(empty, nodes)},
             {QStringLiteral("Labels dupliqués (valeurs distinctes)"), result}}};
}

QualitySection dates(const Graph &graph)
{
    qint64 nodes = 0;
    for (const Node &node : graph.nodes())
        nodes += startsAfterEnd(node.validity) ? 1 : 0;
    qint64 edges = 0;
    for (const Edge &edge : graph.edges())
        edges += startsAfterEnd(edge.validity) ? 1 : 0;
    return {QStringLiteral("Validité temporelle"),
            {{QStringLiteral("Début > Fin (nœuds)"), counted(nodes, graph.nodes().size())},
             {QStringLiteral("Début > Fin (relations)"), counted(edges, graph.edges().size())}}};
}

QualitySection media(const Graph &graph)
{
    FileChecker files;
    qint64 withIcon = 0;
    qint64 missingIcons = 0;
    qint64 listed = 0;
    qint64 missingMedia = 0;
    for (const Node &node : graph.nodes()) {
        const QString path = node.mediaPath.trimmed();
        if (!path.isEmpty()) {
            ++withIcon;
            missingIcons += files.exists(path) ? 0 : 1;
        }
        listed += node.medias.size();
        for (const MediaRecord &record : node.medias)
            missingMedia += files.exists(record.file) ? 0 : 1;
    }
    return {QStringLiteral("Médias"),
            {{QStringLiteral("Nœuds avec icône"), counted(withIcon, graph.nodes().size())},
             {QStringLiteral("Icônes manquantes"), counted(missingIcons, withIcon)},
             {QStringLiteral("Médias listés"), QString::number(listed)},
             {QStringLiteral("Médias manquants"), counted(missingMedia, listed)}}};
}

QualitySection integrity(const Graph &graph, const RelationFacts &facts)
{
    const qint64 edges = graph.edges().size();
    return {QStringLiteral("Intégrité des relations"),
            {{QStringLiteral("Source inexistante"), counted(facts.noSource, edges)},
             {QStringLiteral("Destination inexistante"), counted(facts.noTarget, edges)},
             {QStringLiteral("Relations dupliquées (signature identique)"),
              counted(facts.duplicates, edges)}}};
}

// A key counts once per node however many rows of the node carry it.
QualitySection coverage(const Graph &graph)
{
    const qint64 nodes = graph.nodes().size();
    QHash<QString, qint64> holders;
    QStringList seen;
    for (const Node &node : graph.nodes()) {
        seen.clear();
        for (const AttributeRow &row : node.attributes) {
            const QString key = CategoryCounts::orPlaceholder(row.key, CategoryCounts::noKeyText());
            if (seen.contains(key))
                continue;
            seen.append(key);
            ++holders[key];
        }
    }
    QStringList keys = holders.keys();
    std::sort(keys.begin(), keys.end());
    QualitySection section{QStringLiteral("Attributs (couverture)"), {}};
    for (const QString &key : keys)
        section.rows.append({key, counted(holders.value(key), nodes)});

    QStringList best = keys;
    std::stable_sort(best.begin(), best.end(), [&holders](const QString &a, const QString &b) {
        return holders.value(a) > holders.value(b);
    });
    best = best.mid(0, topKeys);
    // Below 20 % of the nodes, compared in integers: holders / nodes < 0.2.
    QStringList weak;
    for (const QString &key : keys) {
        if (holders.value(key) * 5 < nodes)
            weak.append(key);
    }
    section.rows.append({QStringLiteral("Top 5"), listOrDash(best)});
    section.rows.append({QStringLiteral("Faible couverture (<20%)"), listOrDash(weak)});
    return section;
}

} // namespace

QString percent(qint64 value, qint64 total)
{
    const double share = total > 0 ? double(value) * 100.0 / double(total) : 0.0;
    return QString::number(share, 'f', 1) + u'%';
}

QualityReport analyse(const Graph &graph)
{
    const RelationFacts facts = relationFacts(graph);
    return {summary(graph, facts), labels(graph), dates(graph), media(graph),
            integrity(graph, facts), coverage(graph)};
}

QString toText(const QualityReport &report)
{
    QString text;
    for (const QualitySection &section : report) {
        text += section.title + u'\n';
        for (const QualityRow &row : section.rows) {
            text += QStringLiteral("  ") + row.check;
            if (!row.result.isEmpty())
                text += QStringLiteral(" : ") + row.result;
            text += u'\n';
        }
    }
    return text;
}

QJsonObject toJson(const QualityReport &report)
{
    QJsonArray sections;
    for (const QualitySection &section : report) {
        QJsonArray rows;
        for (const QualityRow &row : section.rows)
            rows.append(QJsonObject{{QStringLiteral("check"), row.check},
                                    {QStringLiteral("result"), row.result}});
        sections.append(QJsonObject{{QStringLiteral("title"), section.title},
                                    {QStringLiteral("rows"), rows}});
    }
    return {{QStringLiteral("sections"), sections}};
}

} // namespace DataQuality
