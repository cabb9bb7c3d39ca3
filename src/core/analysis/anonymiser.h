#pragma once

#include "model/graph.h"
#include "model/scenerecords.h"

// The anonymised copy of an investigation, made to be shared: same ids, same structure, same
// positions, without the texts and pictures that tell who or what the nodes are.
namespace Anonymiser {

struct Options
{
    bool nodes = true;     // "Anonymiser les nœuds"
    bool relations = true; // "Anonymiser les relations"
    bool shapes = true;    // "Anonymiser les formes"
    bool images = true;    // "Anonymiser les images"
};

struct Copy
{
    Graph graph;
    SceneRecords scene;
};

// The built-in picture that replaces every node picture of a copy.
QString placeholderImage();

// Node pictures are always replaced by the placeholder. Anonymised nodes and relations take
// their id as label and lose their description, their attribute values (the keys stay) and,
// for nodes, their media records and the path of a linked investigation. Anonymised shapes
// lose their label and description; anonymised background images lose their picture, label
// and description and are drawn as a blank placeholder. The source is only read.
Copy copy(const Graph &graph, const SceneRecords &scene, const Options &options);

} // namespace Anonymiser
