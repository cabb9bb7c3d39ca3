#pragma once

#include "model/edge.h"

// Text forms of record fields shared by the database, CSV, STIX and the REST API.
namespace TextForms {

NodeShape parseShapeName(const QString &text);
QString shapeToText(NodeShape shape);
EdgeDirection parseDirection(const QString &text);
QString directionToText(EdgeDirection direction);

// True for "qrc:/..." and ":/..." paths, which are never copied into a project folder.
bool isResourcePath(const QString &path);

// A fresh random UUID, 36 lower-case characters without braces.
QString newId();

// ISO 8601 to the second, with an offset only when the value carries one; null for invalid.
QString dateTimeToText(const QDateTime &value);
// Invalid QDateTime when the text is not an ISO 8601 date-time.
QDateTime parseDateTime(const QString &text);

// "#rrggbb" in lower case; a null string for an invalid colour.
QString colorToText(const QColor &color);
QColor parseColor(const QString &text);

} // namespace TextForms
