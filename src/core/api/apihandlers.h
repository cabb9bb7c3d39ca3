#pragma once

#include "api/apireply.h"
#include "api/loadedproject.h"
#include "api/routecontext.h"

#include <optional>

// The route handlers: plain functions over a loaded project. Reads answer from the graph;
// writes change the graph they are given, and the caller stores it when they succeed.
namespace ApiHandlers {

// Uploads larger than this are refused (413).
constexpr qint64 kMaxUploadBytes = 209715200;
// JSON bodies larger than this are refused (413): a request must never make every later
// listing carry megabytes of one field.
constexpr qint64 kMaxJsonBodyBytes = 1048576;
// Text fields of a body or an upload: names, labels, types and paths are short; descriptions,
// attribute values and other texts are long. A longer field answers 400.
constexpr qsizetype kMaxShortText = 1024;
constexpr qsizetype kMaxLongText = 65536;
// Upload file names: at most this many bytes in UTF-8 and no control character, else 400.
constexpr qsizetype kMaxFileNameBytes = 255;

ApiReply listNodes(const RouteContext &context, const LoadedProject &project);
ApiReply listEdges(const RouteContext &context, const LoadedProject &project);
ApiReply listMedias(const RouteContext &context, const LoadedProject &project);
ApiReply getNode(const RouteContext &context, const LoadedProject &project);
ApiReply getEdge(const RouteContext &context, const LoadedProject &project);
ApiReply getMedia(const RouteContext &context, const LoadedProject &project);
ApiReply nodeTypes(const RouteContext &context, const LoadedProject &project);
ApiReply edgeTypes(const RouteContext &context, const LoadedProject &project);
ApiReply nodeAttributeKeys(const RouteContext &context, const LoadedProject &project);
ApiReply edgeAttributeKeys(const RouteContext &context, const LoadedProject &project);
ApiReply nodesByType(const RouteContext &context, const LoadedProject &project);
ApiReply edgesByType(const RouteContext &context, const LoadedProject &project);
ApiReply nodesByAttribute(const RouteContext &context, const LoadedProject &project);
ApiReply edgesByAttribute(const RouteContext &context, const LoadedProject &project);
ApiReply nodesByLabel(const RouteContext &context, const LoadedProject &project);
ApiReply edgesByLabel(const RouteContext &context, const LoadedProject &project);

// Writes: they change the graph given and answer; the caller keeps what they touched and
// stores it when they succeed. A write may run twice on one request (on the graph of the
// file and on the open tab's): what it creates takes the request's newId and time.
ApiReply createNode(RouteContext &context, Graph &graph);
ApiReply createEdge(RouteContext &context, Graph &graph);
ApiReply updateNode(RouteContext &context, Graph &graph);
ApiReply updateEdge(RouteContext &context, Graph &graph);
ApiReply setNodeAttribute(RouteContext &context, Graph &graph);
ApiReply setEdgeAttribute(RouteContext &context, Graph &graph);
ApiReply deleteNode(RouteContext &context, Graph &graph);
ApiReply deleteEdge(RouteContext &context, Graph &graph);
ApiReply attachMedia(RouteContext &context, Graph &graph);

// Runs before the upload loads its project: checks the body and the parameters and stages
// the file in a folder of its own under the project's ".staging", which the caller removes
// when the request ends, whatever its outcome. An answer ends the request; nothing lets it
// go on.
std::optional<ApiReply> stageUpload(RouteContext &context);

// The file name an upload is stored under: the last component of the given name, or
// "upload.bin" when that is empty, "." or "..".
QString uploadFileName(const QString &requested);

} // namespace ApiHandlers
