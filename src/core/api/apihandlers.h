#pragma once

#include "api/apireply.h"
#include "api/loadedproject.h"
#include "api/routecontext.h"

#include <optional>

// The route handlers: plain functions over a loaded project. Reads answer from the graph;
// writes change their copy of the graph, and the caller saves it when they succeed.
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

// Writes. foldersToRemove receives folders to delete once the graph is saved.
ApiReply createNode(RouteContext &context, Graph &graph, QStringList *foldersToRemove);
ApiReply createEdge(RouteContext &context, Graph &graph, QStringList *foldersToRemove);
ApiReply updateNode(RouteContext &context, Graph &graph, QStringList *foldersToRemove);
ApiReply updateEdge(RouteContext &context, Graph &graph, QStringList *foldersToRemove);
ApiReply setNodeAttribute(RouteContext &context, Graph &graph, QStringList *foldersToRemove);
ApiReply setEdgeAttribute(RouteContext &context, Graph &graph, QStringList *foldersToRemove);
ApiReply deleteNode(RouteContext &context, Graph &graph, QStringList *foldersToRemove);
ApiReply deleteEdge(RouteContext &context, Graph &graph, QStringList *foldersToRemove);
ApiReply attachMedia(RouteContext &context, Graph &graph, QStringList *foldersToRemove);

// Runs before the upload loads its project: checks the body and the parameters and stages
// the file in a folder of its own under the project's ".staging", which the caller removes
// when the request ends, whatever its outcome. An answer ends the request; nothing lets it
// go on.
std::optional<ApiReply> stageUpload(RouteContext &context);

// The file name an upload is stored under: the last component of the given name, or
// "upload.bin" when that is empty, "." or "..".
QString uploadFileName(const QString &requested);

} // namespace ApiHandlers
