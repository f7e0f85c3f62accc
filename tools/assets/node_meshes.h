#pragma once

#include <memory>
#include <string>
#include <vector>

#include "core/ref_object.h"
#include "core/result.h"
#include "scene/animation.h"
#include "scene/graph_node.h"
#include "tools/assets/mesh_builder.h"

namespace vimsa::tool {

// A model as its file holds it: a node tree and, for the characters, the
// animations that move its nodes.
struct Model {
    Handle<GraphNode> root = MakeHandle<GraphNode>();
    Handle<AnimationSet> animations;  // none for the props

    // Bounding boxes of every node from its meshes and children.
    void UpdateBounds() { root->UpdateBounds(true); }
};

// The meshes of one node, one builder per texture or surface. Smooth parts
// share one MeshGroup, so that normals agree where their vertices meet
// (seams of revolved surfaces, poles, parts that join); hard-edged parts
// keep their own normals.
class NodeMeshes {
public:
    // A new builder for a mesh with `texture` (empty: the renderer's
    // default white), to be smoothed with the others or not.
    MeshBuilder& Add(const std::string& texture, bool smooth = true);
    // Builds every mesh, smooths the smooth ones together and places them
    // all at `node`.
    Result AttachTo(GraphNode& node) const;
    // Attaches them to the model's root and bounds the model.
    Result Finish(Model& model) const;

private:
    struct Part {
        MeshBuilder builder;
        std::string texture;
        bool smooth = true;
    };
    std::vector<std::unique_ptr<Part>> parts_;  // builders handed out stay where they are
};

}  // namespace vimsa::tool
