#pragma once

#include "model/edge.h"

#include <QJsonObject>
#include <QJsonValue>
#include <QStringList>

// JSON forms of records in API answers, and the reading of JSON values from request bodies.
namespace ApiJson {

QJsonObject nodeShort(const Node &node);
QJsonObject nodeFull(const Node &node);
QJsonObject edgeShort(const Edge &edge);
QJsonObject edgeFull(const Edge &edge);
QJsonObject mediaListed(const QString &nodeId, const MediaRecord &media);
QJsonObject mediaFull(const QString &nodeId, const MediaRecord &media);

// "#aarrggbb"; an empty text for a relation without colour.
QString colorText(const QColor &color);

// The keys named by a "fields" parameter (comma-separated, empty parts dropped); an empty
// list keeps every key.
QStringList parseFields(const QString &fields);
QJsonObject selectFields(const QJsonObject &object, const QStringList &fields);

// An attribute value as stored text: strings unchanged, numbers in the shortest form with 6
// significant digits, booleans "true"/"false", objects and arrays as compact JSON, anything
// else empty.
QString valueText(const QJsonValue &value);

} // namespace ApiJson
