// Loads a node tree file (the "OGDB" header and a "GNOD" record, possibly
// compressed) from arbitrary bytes into a node, with an animation slot, the
// way the demo loads its characters and props. Whatever loads must hang
// together: meshes only name vertices they have, children and portals know
// their node, and twins name each other.
#include <cstdint>
#include <string>

#include "fuzz/io/fuzz_file.h"
#include "scene/animation.h"
#include "scene/graph_portal.h"
#include "world/mesh_base.h"
#include "world/node_tree_serializer.h"

namespace {

void CheckMesh(const vimsa::MeshBase& mesh) {
    const uint16_t* indices = mesh.Indices();
    for (int32_t i = 0; indices && i < 3 * mesh.FaceCount(); ++i) {
        if (indices[i] >= mesh.VertexCount()) __builtin_trap();
    }
}

void Check(vimsa::GraphNode& node) {
    for (const vimsa::Handle<vimsa::GraphObj>& object : node.objects) {
        if (object->parent != &node) __builtin_trap();
        if (const auto* mesh = dynamic_cast<const vimsa::MeshBase*>(object.Get())) CheckMesh(*mesh);
    }
    for (const vimsa::Handle<vimsa::GraphPortal>& portal : node.portals) {
        if (portal->parent != &node) __builtin_trap();
        const vimsa::GraphPortal* twin = portal->Twin();
        if (twin == portal.Get() || (twin && twin->Twin() != portal.Get())) __builtin_trap();
    }
    for (const vimsa::Handle<vimsa::GraphNode>& child : node.children) {
        if (child->parent != &node) __builtin_trap();
        Check(*child);
    }
}

// Twins hold each other alive until one side lets go.
void Unpair(vimsa::GraphNode& node) {
    for (const vimsa::Handle<vimsa::GraphPortal>& portal : node.portals)
        portal->RemoveAllPortals();
    for (const vimsa::Handle<vimsa::GraphNode>& child : node.children)
        Unpair(*child);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string path = FuzzFile("tree.f3ds", data, size);
    vimsa::Handle<vimsa::GraphNode> root = vimsa::MakeHandle<vimsa::GraphNode>();
    vimsa::Handle<vimsa::AnimationSet> animations;
    // Any answer is fine; only what the load left behind is checked.
    (void)vimsa::NodeTreeSerializer().LoadNodeTree(root.Get(), path, &animations);
    Check(*root);
    Unpair(*root);
    return 0;
}
