#pragma once

#include "document/graphdocument.h"

#include <QString>

#include <memory>
#include <optional>

class GraphScene;
class GraphView;
class ShapeDrawer;

// One open investigation: its document (tables, scene records, file, history) and the scene
// and view that show it.
struct Tab
{
    std::unique_ptr<GraphDocument> document = std::make_unique<GraphDocument>();
    GraphScene *scene = nullptr;
    GraphView *view = nullptr; // the tab page
    ShapeDrawer *drawer = nullptr; // the drawing mode of "Dessiner une forme", on the view
    QString title;             // as the tab bar shows it, without the unsaved mark
    // The file's generation when loaded or last saved; a save over it checks it is unchanged.
    std::optional<qint64> generation;

    const Graph &graph() const { return document->graph(); }
    const SceneRecords &sceneRecords() const { return document->sceneRecords(); }
    // Empty for a graph never saved.
    const QString &dbPath() const { return document->filePath(); }
};
