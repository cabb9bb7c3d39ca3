#pragma once

#include "model/node.h"

#include <QByteArray>

#include <optional>

class QMimeData;

// A copied node on the clipboard: a compact JSON object under the type
// "application/x-orvane-node", plus the label as plain text for other programs.
namespace ClipboardFormat {

QString mimeType();

// Keys in this order: "id", "label", "type", "shape", "color" (when valid), "size",
// "description", "showLabel", "anchored", "mediaPath", "validStart", "validEnd" (when set),
// "attrs", "medias", "x", "y".
QByteArray toJson(const Node &node);
// Missing keys keep the values of a new node; nothing when the text is not a JSON object.
std::optional<Node> fromJson(const QByteArray &json);

// A new mime data object holding the node; the caller owns it (or hands it to the clipboard).
QMimeData *toMimeData(const Node &node);
// The node held by the mime data, or nothing when it holds none that can be read.
std::optional<Node> fromMimeData(const QMimeData *data);

} // namespace ClipboardFormat
