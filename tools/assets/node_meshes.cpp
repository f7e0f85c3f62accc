#include "tools/assets/node_meshes.h"

#include "world/mesh_base.h"

namespace vimsa::tool {

MeshBuilder& NodeMeshes::Add(const std::string& texture, bool smooth) {
    parts_.push_back(std::make_unique<Part>());
    parts_.back()->texture = texture;
    parts_.back()->smooth = smooth;
    return parts_.back()->builder;
}

Result NodeMeshes::AttachTo(GraphNode& node) const {
    Handle<MeshGroup> group = MakeHandle<MeshGroup>();
    std::vector<Handle<MeshBase>> meshes;
    for (const std::unique_ptr<Part>& part : parts_) {
        if (part->builder.VertexCount() == 0) continue;
        Handle<MeshBase> mesh;
        const Result r = part->builder.Build(part->texture, mesh);
        if (Failed(r)) return r;
        if (part->smooth) group->Add(mesh.Get());
        meshes.push_back(mesh);
    }
    const Result smoothed = group->SmoothNormals();
    if (Failed(smoothed)) return smoothed;
    for (const Handle<MeshBase>& mesh : meshes) {
        if (!node.AddObject(mesh.Get())) return ERR_FAIL;
    }
    return RESULT_OK;
}

}  // namespace vimsa::tool

namespace vimsa::tool {

Result NodeMeshes::Finish(Model& model) const {
    const Result r = AttachTo(*model.root);
    if (Succeeded(r)) model.UpdateBounds();
    return r;
}

}  // namespace vimsa::tool
