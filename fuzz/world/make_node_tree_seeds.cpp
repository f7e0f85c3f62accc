// Writes the seed files of fuzz_node_tree into FOLDER/node_tree:
//
//   make_node_tree_seeds fuzz/corpus
//
// Small scene subtrees saved with the engine's own writer: an empty node, a
// room with every kind of object the file recreates (a mesh, the four light
// kinds, both particle systems), a camera it does not, a child with an
// animation, a twin pair of portals and a mirror, stored and compressed.
// Saving records ids in a catalog, so the files are made in a scratch
// folder and copied out.
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "io/serializer.h"
#include "scene/animation.h"
#include "scene/camera.h"
#include "scene/graph_portal.h"
#include "scene/light.h"
#include "world/mesh_base.h"
#include "world/node_tree_serializer.h"
#include "world/particle_syst.h"

namespace vimsa {
namespace {

Handle<MeshBase> Quad() {
    const Vector3 p[4] = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};
    const Vector2 uv[4] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    const float colours[16] = {1, 0, 0, 1, 0, 1, 0, 1, 0, 0, 1, 1, 1, 1, 1, 1};
    const int32_t faces[4] = {0, 1, 2, 3};
    Handle<MeshBase> mesh = MakeHandle<MeshBase>();
    if (Failed(mesh->Build(4, 1, 1, 1, p, faces, uv, colours))) return nullptr;
    mesh->bounds = std::make_unique<BoundingBox>();
    mesh->UpdateBounds(false);
    return mesh;
}

Handle<Animation> Walk(GraphNode* node) {
    KeyData keys[2];
    keys[1].time = 10;
    const Vector3 positions[2] = {{0, 0, 0}, {0, 0, 4}};
    const float rotations[8] = {0, 0, 1, 0, 1.5f, 0, 1, 0};
    Handle<Track> track = MakeHandle<Track>();
    if (Failed(
            track->BuildTrack(10, 0, 2, keys, positions, 2, keys, rotations, 0, nullptr, nullptr)))
        return nullptr;
    Handle<Animation> animation = MakeHandle<Animation>(track.Get());
    animation->BindNode(node);
    return animation;
}

// A room with one of everything; `set` receives the walker's animation.
Handle<GraphNode> Room(AnimationSet& set) {
    Handle<GraphNode> room = MakeHandle<GraphNode>();
    room->AddObject(Quad().Get());
    room->AddObject(MakeHandle<AmbientLight>().Get());
    room->AddObject(MakeHandle<DirectionalLight>().Get());
    room->AddObject(MakeHandle<PointLight>().Get());
    room->AddObject(MakeHandle<SpotLight>().Get());
    room->AddObject(MakeHandle<Camera>().Get());
    Handle<ParticleSyst> fountain = MakeHandle<ParticleSyst>();
    if (Succeeded(fountain->SetCount(2))) room->AddObject(fountain.Get());
    Handle<OrbitParticleSyst> orbit = MakeHandle<OrbitParticleSyst>();
    if (Succeeded(orbit->SetCount(1))) room->AddObject(orbit.Get());

    Handle<GraphNode> walker = MakeHandle<GraphNode>();
    walker->AddObject(Quad().Get());
    room->AddChild(walker.Get());
    set.Add(Walk(walker.Get()).Get());

    Handle<GraphNode> next = MakeHandle<GraphNode>();
    room->AddChild(next.Get());
    Handle<GraphPortal> out = MakeHandle<GraphPortal>(), in = MakeHandle<GraphPortal>();
    Handle<GraphPortal> mirror = MakeHandle<GraphPortal>();
    mirror->portalKind = GraphPortal::kMirror;
    mirror->hasMirrorMatrix = 1;
    room->AddPortal(out.Get());
    room->AddPortal(mirror.Get());
    next->AddPortal(in.Get());
    out->AddPortal(in.Get());
    in->AddPortal(out.Get());
    return room;
}

void Unpair(GraphNode& node) {
    for (const Handle<GraphPortal>& portal : node.portals)
        portal->RemoveAllPortals();
    for (const Handle<GraphNode>& child : node.children)
        Unpair(*child);
}

bool Save(GraphNode* node, const AnimationSet* set, uint32_t mode, const std::string& name,
          const std::filesystem::path& to) {
    SetCompressionMode(mode);
    if (Failed(NodeTreeSerializer().SaveNodeTree(node, name, set))) return false;
    std::error_code error;
    std::filesystem::copy_file(name, to, std::filesystem::copy_options::overwrite_existing, error);
    return !error;
}

}  // namespace
}  // namespace vimsa

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_node_tree_seeds FOLDER\n");
        return 2;
    }
    namespace fs = std::filesystem;
    const fs::path folder = fs::absolute(fs::path(argv[1]) / "node_tree");
    std::string scratch = (fs::temp_directory_path() / "vimsa-seeds-XXXXXX").string();
    if (!::mkdtemp(scratch.data())) return 1;
    std::error_code error;
    fs::create_directories(folder, error);
    const fs::path previous = fs::current_path();
    fs::current_path(scratch);
    fs::create_directories("data", error);

    vimsa::AnimationSet set;
    vimsa::Handle<vimsa::GraphNode> empty = vimsa::MakeHandle<vimsa::GraphNode>();
    vimsa::Handle<vimsa::GraphNode> room = vimsa::Room(set);
    bool ok = vimsa::Save(empty.Get(), nullptr, 0, "empty.f3ds", folder / "empty.f3ds");
    ok = vimsa::Save(room.Get(), &set, 0, "room.f3ds", folder / "room.f3ds") && ok;
    ok = vimsa::Save(room.Get(), &set, 1, "packed.f3ds", folder / "room_compressed.f3ds") && ok;
    vimsa::Unpair(*room);

    fs::current_path(previous);
    fs::remove_all(scratch, error);
    return ok ? 0 : 1;
}
