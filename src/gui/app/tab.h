#pragma once

#include "model/graph.h"
#include "model/scenerecords.h"

#include <QString>

class GraphScene;
class GraphView;

// One open investigation: its tables, the free items saved with its scene, the scene and
// view that show it, and the database it was loaded from or saved to.
struct Tab
{
    Graph graph;
    SceneRecords sceneRecords;
    GraphScene *scene = nullptr;
    GraphView *view = nullptr; // the tab page
    QString dbPath;            // empty for a graph never saved
};
