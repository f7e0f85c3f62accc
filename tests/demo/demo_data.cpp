#include "tests/demo/demo_data.h"

#include <gtest/gtest.h>

#include <vector>

#include "io/catalogs.h"
#include "scene/animation.h"
#include "scene/graph_node.h"
#include "tests/render/image_builders.h"
#include "tests/world/terrain_files.h"
#include "world/mesh_base.h"
#include "world/node_tree_serializer.h"

namespace vimsa::test {
namespace {

Handle<MeshBase> Block(Vector3 lo, Vector3 hi) {
    const Vector3 c[8] = {{lo.x, lo.y, lo.z}, {hi.x, lo.y, lo.z}, {hi.x, hi.y, lo.z},
                          {lo.x, hi.y, lo.z}, {lo.x, lo.y, hi.z}, {hi.x, lo.y, hi.z},
                          {hi.x, hi.y, hi.z}, {lo.x, hi.y, hi.z}};
    const int32_t faces[24] = {0, 3, 2, 1, 4, 5, 6, 7, 0, 1, 5, 4,
                               2, 3, 7, 6, 1, 2, 6, 5, 0, 4, 7, 3};
    Handle<MeshBase> mesh = MakeHandle<MeshBase>();
    EXPECT_EQ(mesh->Build(8, 6, 0, 0, c, faces, nullptr, nullptr), RESULT_OK);
    mesh->bounds = std::make_unique<BoundingBox>();
    mesh->UpdateBounds(false);
    return mesh;
}

// A body from 1 unit below the origin to 0.8 above it, and a leg that swings.
void WriteCharacter(const std::string& name) {
    Handle<GraphNode> root = MakeHandle<GraphNode>(), leg = MakeHandle<GraphNode>();
    root->AddObject(Block({-0.25f, -0.8f, -0.15f}, {0.25f, 0.3f, 0.15f}).Get());
    root->AddChild(leg.Get());
    leg->AddObject(Block({-0.1f, 0, -0.1f}, {0.1f, 0.7f, 0.1f}).Get());
    leg->SetPosition({0, 0.3f, 0}, RelativeTo::Local());
    NodeTreeSerializer writer;
    EXPECT_EQ(writer.SaveNodeTree(root.Get(), name, nullptr), RESULT_OK);
}

}  // namespace

void WriteDemoData() {
    namespace fs = std::filesystem;
    for (const char* folder : {"texture", "mesh", "terrain", "data"})
        fs::create_directories(folder);
    // A 4 x 4 white BMP: rows of 12 bytes need no padding.
    WriteFile("texture/white.bmp", Bmp24(4, std::vector<Bytes>(4, Bytes(12, 255))));
    Bytes font = TgaHeader(128, 128, 32, 0x28);
    for (uint32_t y = 0; y < 128; ++y) {
        for (uint32_t x = 0; x < 128; ++x) {
            const uint8_t on = (x % 16 > 2 && x % 16 < 13 && y % 16 > 2 && y % 16 < 13) ? 255 : 0;
            Append(font, {on, on, on, on});
        }
    }
    WriteFile("texture/fnt8.tga", font);
    WriteCharacter("mesh/KelmaRun.f3ds");
    WriteCharacter("mesh/VonaRun6.f3ds");
    WriteTga24("terrain/hills.tga", 16, 16, [](uint32_t x, uint32_t y) {
        const uint8_t v = static_cast<uint8_t>((x * 8 + y * 4) % 256);
        return Rgb{v, v, v};
    });
    WriteText(
        "terrain/terrain.txt",
        CrLfLines({"[TERRAIN]", "BLOCS = 2*2", "SIZE = 40*40", "[BLOC]", "BLOCX = 0..1",
                   "BLOCY = 0..1", "RESOL = 8", "TEXALTI = terrain/hills.tga", "HEIGHT = 2"}));
    ResetCatalogsForTesting();
}

}  // namespace vimsa::test
