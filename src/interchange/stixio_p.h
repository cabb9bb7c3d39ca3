#pragma once

#include "model/node.h"

#include <QJsonObject>

// Shared by the STIX reader and writer: the writer checks what the reader will make of
// each object it writes, and adds what is needed to give the record back exactly.
namespace StixIo::Detail {

// Custom properties written for Orvane's own records.
inline constexpr char kOrvaneId[] = "x_orvane_id";
inline constexpr char kOrvaneType[] = "x_orvane_type";
inline constexpr char kOrvaneLabel[] = "x_orvane_label";
inline constexpr char kOpenStart[] = "x_orvane_open_start";
inline constexpr char kOpenEnd[] = "x_orvane_open_end";
inline constexpr char kAttributes[] = "x_orvane_attributes";
inline constexpr char kNoAttributes[] = "x_orvane_no_attributes";
inline constexpr char kSource[] = "x_orvane_source";
inline constexpr char kTarget[] = "x_orvane_target";

inline const QLatin1String kOrvanePrefix("x_orvane_");
inline const QLatin1String kStixPrefix("stix:");

// The "stix:" rows the reader makes of an object's properties (row ids left empty).
QList<AttributeRow> nodeRowsOf(const QJsonObject &object);

// The label the reader gives a node object whose node id is nodeId.
QString nodeLabelOf(const QJsonObject &object, const QString &nodeId);

} // namespace StixIo::Detail
