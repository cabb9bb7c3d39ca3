#pragma once

#include "model/edge.h"

#include <QJsonObject>

// Shared by the STIX reader and writer: the writer checks what the reader will make of
// each object it writes, and adds what is needed to give the record back exactly.
namespace StixIo::Detail {

// Custom properties written for Orvane's own records.
inline const QString kOrvaneId = QStringLiteral("x_orvane_id");
inline const QString kOrvaneType = QStringLiteral("x_orvane_type");
inline const QString kOrvaneLabel = QStringLiteral("x_orvane_label");
inline const QString kOpenStart = QStringLiteral("x_orvane_open_start");
inline const QString kOpenEnd = QStringLiteral("x_orvane_open_end");
inline const QString kAttributes = QStringLiteral("x_orvane_attributes");
inline const QString kNoAttributes = QStringLiteral("x_orvane_no_attributes");
inline const QString kSource = QStringLiteral("x_orvane_source");
inline const QString kTarget = QStringLiteral("x_orvane_target");

inline const QLatin1String kOrvanePrefix("x_orvane_");
inline const QLatin1String kStixPrefix("stix:");

// Properties of a node object that the reader takes into fields of the node, or reads
// first (labels, aliases), rather than as "stix:" rows in name order.
bool isReservedForNode(const QString &name);

// Properties of a relationship, or of a sighting, that the reader takes into fields of the
// relation, or reads first (confidence).
bool isReservedForRelationship(const QString &name);
bool isReservedForSighting(const QString &name);

// The node the reader makes of an object, appearance aside; id is the node id it takes.
// Attribute rows are left without ids.
Node nodeOf(const QJsonObject &object, const QString &id);

// The relation the reader makes of a relationship or sighting object, its ends as the object
// names them (STIX ids) and its attribute rows without ids.
Edge edgeOf(const QJsonObject &object, const QString &id);

// Summaries of what an export writes of a record: equal summaries, same object.
quint64 fingerprintOf(const Node &node);
quint64 fingerprintOf(const Edge &edge);

// The "stix:" rows the reader makes of an object's properties (row ids left empty).
// Object answers textOf(name), the text the reader keeps of a property (empty when absent),
// and forEachProperty(f), which calls f(name, text) for every property in name order, text
// being a callable that gives that property's text.
template<typename Object>
QList<AttributeRow> nodeRowsOf(const Object &object)
{
    QList<AttributeRow> rows;
    for (const QLatin1String list : {QLatin1String("labels"), QLatin1String("aliases")}) {
        const QString text = object.textOf(list);
        if (!text.isEmpty())
            rows.append({QString(), kStixPrefix + list, text});
    }
    object.forEachProperty([&rows](const QString &name, const auto &text) {
        if (isReservedForNode(name))
            return;
        QString value = text();
        if (!value.isEmpty())
            rows.append({QString(), kStixPrefix + name, std::move(value)});
    });
    return rows;
}

// The label the reader gives a node object whose node id is nodeId. Object answers
// stringOf(name), the value of a string property (empty otherwise).
template<typename Object>
QString nodeLabelOf(const Object &object, const QString &nodeId)
{
    for (const QLatin1String name : {QLatin1String("name"), QLatin1String("value")}) {
        QString text = object.stringOf(name);
        if (!text.isEmpty())
            return text;
    }
    return nodeId;
}

} // namespace StixIo::Detail
