#pragma once

#include "model/edge.h"

// How the relation form reads and writes an edge. Older records kept their colour and
// width as "color" and "width" entries of the attributes or the in-memory properties; the
// form folds them into its colour and width fields and never shows or writes them back.
namespace EdgeForm {

// The record's colour when valid, else the first "color" property or attribute that
// parses, else #55ff7f.
QColor initialColor(const Edge &edge);
// The record's width when positive, else the first positive "width" property or
// attribute, else 1.8.
double initialWidth(const Edge &edge);
// Attribute rows, then property entries (as text, without row identity), except those keyed
// "color" or "width".
QList<AttributeRow> shownRows(const Edge &edge);
// The rows to store: keys trimmed; rows with an empty key or keyed "color" or "width"
// skipped.
QList<AttributeRow> rowsToStore(const QList<AttributeRow> &rows);

// The direction words of the form, in drop-down order, and their reading.
QStringList directionWords();
QString directionWord(EdgeDirection direction);
EdgeDirection directionFromWord(const QString &word);

} // namespace EdgeForm
