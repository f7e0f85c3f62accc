#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <set>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "render/render_state.h"
#include "render/testing/recording_renderer.h"
#include "scene/graph_node.h"
#include "scene/renderable_obj.h"
#include "tests/world/terrain_files.h"
#include "world/terrain.h"

namespace vimsa {
namespace {

using test::CrLfLines;

class TerrainTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetCurrentRenderer(renderer_.Get());
        test::WriteTga24("white.tga", 2, 2, [](uint32_t, uint32_t) {
            return test::Rgb{255, 255, 255};
        });
    }
    void TearDown() override {
        SetCurrentRenderer(nullptr);
        SetCurrentCamera(nullptr);
    }
    Result Load(std::string_view text) {
        test::WriteText("terrain.txt", text);
        return terrain_->Load("terrain.txt");
    }
    // Every vertex of a block.
    const MeshVertex* Vertices(uint32_t column, uint32_t row) const {
        TerrainBlock* block = terrain_->Block(column, row);
        return block && block->mesh ? block->mesh->Vertices() : nullptr;
    }

    test::ScratchFolder folder_;
    Handle<testing::RecordingRenderer> renderer_ = MakeHandle<testing::RecordingRenderer>();
    Handle<Terrain> terrain_ = MakeHandle<Terrain>();
};

// A description and the flat height every block comes out at.
struct DescriptionCase {
    const char* name;
    std::string text;
    uint32_t blocksX, blocksY;
    std::vector<float> heights;  // column + row * blocksX
};

TEST_F(TerrainTest, DescriptionDecidesGridAndWhichSectionReachesEachBlock) {
    const DescriptionCase cases[] = {
        {"a second BLOCS line changes nothing",
         CrLfLines({"[TERRAIN]", "BLOCS = 2*1", "BLOCS = 3*3", "SIZE = 8*4", "[BLOC]",
                    "BLOCX = 0..1", "BLOCY = 0..0", "RESOL = 1", "ALTI = 1"}),
         2,
         1,
         {-1, -1}},
        {"a BLOC before TERRAIN and a second TERRAIN are ignored with their keys",
         CrLfLines({"[BLOC]", "BLOCX = 0..0", "BLOCY = 0..0", "ALTI = 5", "[TERRAIN]",
                    "BLOCS = 1*1", "SIZE = 4*4", "ALTI = 10", "[BLOC]", "BLOCX = 0..0",
                    "BLOCY = 0..0", "RESOL = 1", "ALTI = 2", "[TERRAIN]", "ALTI = 50",
                    "RESOL = 9"}),
         1,
         1,
         {-12}},
        {"reversed and out-of-grid ranges are ignored",
         CrLfLines({"[TERRAIN]",    "BLOCS = 3*1", "SIZE = 6*2", "[BLOC]", "BLOCX = 0..2",
                    "BLOCY = 0..0", "RESOL = 1",   "ALTI = 1",   "[BLOC]", "BLOCY = 0..0",
                    "BLOCX = 2..1", "RESOL = 1",   "ALTI = 7",   "[BLOC]", "BLOCY = 0..0",
                    "BLOCX = 0..3", "RESOL = 1",   "ALTI = 8",   "[BLOC]", "BLOCY = 0..0",
                    "BLOCX = 1..1", "RESOL = 1",   "ALTI = 9"}),
         3,
         1,
         {-1, -9, -1}},
        {"a comment ends a value and a commented line is skipped",
         CrLfLines({"[TERRAIN]", "BLOCS = 1*1 // one block", "SIZE = 4*4", "[BLOC]", "BLOCX = 0..0",
                    "BLOCY = 0..0", "RESOL = 1", "// ALTI = 6",
                    "TEXALTI = white.tga//not part of the name", "HEIGHT = 2"}),
         1,
         1,
         {-2}},
        {"bare LF lines in lower case; a missing height picture leaves the block flat",
         "[terrain]\nblocs = 2*2\nsize = 4*4\nalti = 2\n[bloc]\nblocx = 0..1\nblocy = 0..1\n"
         "resol = 2\ntexalti = missing.tga\nheight = 9\nalti = 3\n",
         2,
         2,
         {-5, -5, -5, -5}},
    };
    for (const DescriptionCase& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(Load(c.text), RESULT_OK);
        ASSERT_EQ(terrain_->BlocksX(), c.blocksX);
        ASSERT_EQ(terrain_->BlocksY(), c.blocksY);
        for (uint32_t index = 0; index < c.heights.size(); ++index) {
            const TerrainBlock* block = terrain_->Block(index % c.blocksX, index / c.blocksX);
            ASSERT_TRUE(block && block->mesh);
            const MeshVertex* v = block->mesh->Vertices();
            for (int32_t k = 0; k < block->mesh->VertexCount(); ++k)
                EXPECT_NEAR(v[k].position.y, c.heights[index], 1e-5f) << "block " << index;
        }
    }
}

struct FailureCase {
    const char* name;
    std::string text;
    Result code;
};

TEST_F(TerrainTest, FailedLoadsReportTheirCauseAndLeaveTheTerrainEmpty) {
    const auto grid = [](std::string_view blocs, std::string_view columns, std::string_view rows,
                         std::string_view resol) {
        return CrLfLines({"[TERRAIN]", blocs, "SIZE = 64*64", "[BLOC]", columns, rows, resol});
    };
    const FailureCase cases[] = {
        {"resolution 0", grid("BLOCS = 1*1", "BLOCX = 0..0", "BLOCY = 0..0", "RESOL = 0"),
         ERR_TERRAIN_RESOLUTION},
        {"no resolution at all", grid("BLOCS = 1*1", "BLOCX = 0..0", "BLOCY = 0..0", "ALTI = 1"),
         ERR_TERRAIN_RESOLUTION},
        {"too fine for 16-bit indices",
         grid("BLOCS = 1*1", "BLOCX = 0..0", "BLOCY = 0..0", "RESOL = 256"),
         ERR_TERRAIN_RESOLUTION},
        {"a block no section covers",
         grid("BLOCS = 2*1", "BLOCX = 0..0", "BLOCY = 0..0", "RESOL = 1"), ERR_NO_RENDERER},
        {"too many blocks", grid("BLOCS = 65*64", "BLOCX = 0..0", "BLOCY = 0..0", "RESOL = 1"),
         ERR_TERRAIN_LIMIT},
        {"too many vertices",
         grid("BLOCS = 64*64", "BLOCX = 0..63", "BLOCY = 0..63", "RESOL = 255"), ERR_TERRAIN_LIMIT},
    };
    const std::string good = grid("BLOCS = 1*1", "BLOCX = 0..0", "BLOCY = 0..0", "RESOL = 1");
    for (const FailureCase& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(Load(good), RESULT_OK);
        ASSERT_EQ(terrain_->BlockCount(), 1u);
        EXPECT_EQ(Load(c.text), c.code);
        EXPECT_STRNE(ResultText(c.code), "unknown result code");
        EXPECT_EQ(terrain_->BlockCount(), 0u);
        EXPECT_EQ(terrain_->BlocksX(), 0u);
    }
    EXPECT_EQ(terrain_->Load("no such file.txt"), ERR_FILE_OPEN);
}

struct PixelCase {
    int32_t format;
    Rgba8 left, right;  // values each format holds exactly, also with red and blue swapped
};

TEST(SampleHeightTest, ReadsEveryPixelFormatAsRedGreenBlueAndFiltersBetweenPixels) {
    const PixelCase cases[] = {
        {kFormat0555, {248, 128, 8, 255}, {8, 16, 240, 255}},
        {kFormat0565, {248, 252, 8, 255}, {8, 4, 240, 255}},
        {kFormat0888, {0x12, 0x34, 0x56, 255}, {0xFE, 0x01, 0x80, 255}},
        {kFormat1555, {248, 128, 8, 0}, {8, 16, 240, 255}},
        {kFormat4444, {238, 119, 17, 0}, {17, 255, 136, 255}},
        {kFormat8888, {0x12, 0x34, 0x56, 0}, {0xFE, 0x01, 0x80, 0x7F}},
    };
    const auto value = [](Rgba8 c) {
        return static_cast<float>(c.r << 16 | c.g << 8 | c.b) * 5.960465e-8f;
    };
    const auto swapped = [](Rgba8 c) { return Rgba8{c.b, c.g, c.r, c.a}; };
    for (const PixelCase& c : cases) {
        for (int32_t order : {kOrderBgr, kOrderRgb}) {
            SCOPED_TRACE(::testing::Message() << FormatName(c.format) << " order " << order);
            // 2 x 2 pixels: the case's colours on the top row, swapped below.
            const Rgba8 pixels[4] = {c.left, c.right, swapped(c.left), swapped(c.right)};
            Handle<BlockSettings> s = MakeHandle<BlockSettings>();
            s->heightTexture = MakeHandle<Texture>();
            Texture& t = *s->heightTexture;
            ASSERT_EQ(t.Create("height", 2, 2, c.format), RESULT_OK);
            t.SetChannelOrder(order);
            for (uint32_t i = 0; i < 4; ++i)
                EncodePixel(t.Pixels() + i * BytesPerPixel(c.format), c.format, order, pixels[i]);
            s->height = 10;
            s->altitude = 3;
            float p[4];
            for (int i = 0; i < 4; ++i)
                p[i] = value(pixels[i]);
            EXPECT_FLOAT_EQ(SampleHeight(*s, 0, 0), p[0] * 10 + 3);
            EXPECT_FLOAT_EQ(SampleHeight(*s, 1, 0), p[1] * 10 + 3);
            EXPECT_FLOAT_EQ(SampleHeight(*s, 1, 1), p[3] * 10 + 3);
            const float top = 0.75f * p[0] + 0.25f * p[1], bottom = 0.75f * p[2] + 0.25f * p[3];
            EXPECT_NEAR(SampleHeight(*s, 0.25f, 0.75f), (0.25f * top + 0.75f * bottom) * 10 + 3,
                        1e-5f);
        }
    }
}

TEST_F(TerrainTest, GroundHeightOnTheFarXEdgeComesFromTheLastColumnOfThePicture) {
    // Only the picture's last column is white: a block at the end of its
    // range samples it at its right edge, without wrapping to the first.
    // The reversed range is ignored; taken, it would leave the picture no width.
    test::WriteTga24("edge.tga", 4, 4, [](uint32_t x, uint32_t) {
        return x == 3 ? test::Rgb{255, 255, 255} : test::Rgb{0, 0, 0};
    });
    ASSERT_EQ(Load(CrLfLines({"[TERRAIN]", "BLOCS = 2*1", "SIZE = 20*10", "[BLOC]", "BLOCX = 0..1",
                              "BLOCY = 0..0", "RESOL = 3", "TEXALTI = edge.tga", "HEIGHT = 10",
                              "BLOCX = 1..0"})),
              RESULT_OK);
    Handle<GraphNode> node = MakeHandle<GraphNode>();
    node->SetPosition({100, 5, 0}, RelativeTo::World());
    node->AddObject(terrain_.Get());

    float height = 0;
    Vector3 edge{110, 0, 2};
    ASSERT_TRUE(terrain_->HeightAt(edge, height));
    EXPECT_NEAR(height, 5 - 10.0f, 1e-4f);  // world y: the node's 5 plus the local -10
    EXPECT_EQ(edge.y, height);
    Vector3 flat{91, 0, 2};
    ASSERT_TRUE(terrain_->HeightAt(flat, height));
    EXPECT_NEAR(height, 5.0f, 1e-4f);
    // Halfway between the vertices at picture columns 2 (black) and 2.5 (grey).
    Vector3 slope{105, 0, 2};
    ASSERT_TRUE(terrain_->HeightAt(slope, height));
    EXPECT_NEAR(height, 5 - 2.5f, 1e-4f);
    Vector3 outside{110.01f, 0, 2};
    EXPECT_FALSE(terrain_->HeightAt(outside, height));
}

TEST_F(TerrainTest, BlocksSharingSettingsMeetExactlyAndAnswerTheirOwnHeights) {
    // Sizes whose block and cell widths do not come out even: summed cell by
    // cell from each block's own edge, neighbours would disagree in the last bit.
    test::WriteTga24("hills.tga", 7, 5, [](uint32_t x, uint32_t y) {
        return test::Rgb{uint8_t(x * 37 + y * 91), uint8_t(x * y * 13), uint8_t(y * 50)};
    });
    ASSERT_EQ(
        Load(CrLfLines({"[TERRAIN]", "BLOCS = 3*2", "SIZE = 31.7*29.3", "[BLOC]", "BLOCX = 0..2",
                        "BLOCY = 0..1", "RESOL = 5", "TEXALTI = hills.tga", "HEIGHT = 40"})),
        RESULT_OK);
    const int n = 5, side = n + 1;
    const auto same = [](const MeshVertex& a, const MeshVertex& b) {
        return std::memcmp(&a.position, &b.position, sizeof(Vector3)) == 0;
    };
    float lowest = 0;
    for (uint32_t row = 0; row < 2; ++row) {
        for (uint32_t column = 0; column < 3; ++column) {
            const MeshVertex* block = Vertices(column, row);
            const MeshVertex* right = Vertices(column + 1, row);
            const MeshVertex* next = Vertices(column, row + 1);
            ASSERT_NE(block, nullptr);
            for (int i = 0; i < side && right; ++i) {
                // The right edge is the next column's left edge.
                EXPECT_TRUE(same(block[i * side + n], right[i * side])) << column << ", " << row;
                lowest = std::min(lowest, right[i * side].position.y);
            }
            for (int j = 0; j < side && next; ++j) {
                // The last vertex row is the next row's first.
                EXPECT_TRUE(same(block[n * side + j], next[j])) << column << ", " << row;
            }
        }
    }
    EXPECT_LT(lowest, -1.0f);  // the edges are not merely flat

    // The terrain answers, at every vertex of every block, that vertex's height.
    Handle<GraphNode> node = MakeHandle<GraphNode>();
    node->AddObject(terrain_.Get());
    for (uint32_t index = 0; index < 6; ++index) {
        const TerrainMesh& mesh = *terrain_->Block(index % 3, index / 3)->mesh;
        for (int32_t k = 0; k < mesh.VertexCount(); ++k) {
            Vector3 at = mesh.Vertices()[k].position;
            float height = 0;
            ASSERT_TRUE(terrain_->HeightAt(at, height)) << index << ": " << k;
            EXPECT_NEAR(height, mesh.Vertices()[k].position.y, 1e-3f) << index << ": " << k;
        }
    }
}

// The triangles of a mesh with their winding, each rotated to start at its
// smallest index.
std::set<std::tuple<int, int, int>> Triangles(const std::vector<int>& corners) {
    std::set<std::tuple<int, int, int>> out;
    for (size_t t = 0; t + 3 <= corners.size(); t += 3) {
        int a = corners[t], b = corners[t + 1], c = corners[t + 2];
        while (a > b || a > c) {
            std::tie(a, b, c) = std::make_tuple(b, c, a);
        }
        out.insert({a, b, c});
    }
    return out;
}

TEST_F(TerrainTest, ResolutionGivesTheGridAndStripsDrawTheSameTriangles) {
    const int n = 5;
    ASSERT_EQ(Load(CrLfLines({"[TERRAIN]", "BLOCS = 1*1", "SIZE = 10*10", "[BLOC]", "BLOCX = 0..0",
                              "BLOCY = 0..0", "RESOL = 5"})),
              RESULT_OK);
    TerrainMesh& mesh = *terrain_->Block(0, 0)->mesh;
    EXPECT_EQ(mesh.GetType(), ObjectType::TerrainMesh);
    ASSERT_EQ(mesh.VertexCount(), (n + 1) * (n + 1));
    ASSERT_EQ(mesh.FaceCount(), 2 * n * n);

    ASSERT_EQ(terrain_->PrepareStrips(), RESULT_OK);
    const auto calls = renderer_->CallsNamed("SetStripIndices");
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].args[2], std::to_string(n * 2 * (n + 1)));
    const uint16_t* strips = mesh.DeviceBuffer()->stripIndices;
    // Each row's strip, unrolled into triangles (every second one turned
    // back), covers the same triangles, wound the same way, as the list.
    std::vector<int> fromStrips, fromList(mesh.Indices(), mesh.Indices() + 6 * n * n);
    for (int row = 0; row < n; ++row) {
        const uint16_t* s = strips + row * 2 * (n + 1);
        for (int t = 0; t < 2 * n; ++t) {
            if (t % 2 == 0)
                fromStrips.insert(fromStrips.end(), {s[t], s[t + 1], s[t + 2]});
            else
                fromStrips.insert(fromStrips.end(), {s[t + 1], s[t], s[t + 2]});
        }
    }
    EXPECT_EQ(Triangles(fromStrips), Triangles(fromList));
    EXPECT_EQ(Triangles(fromList).size(), size_t(2 * n * n));
}

TEST_F(TerrainTest, BlockHeightAtMatchesVerticesAtCornersAndBothTrianglesOnTheDiagonal) {
    test::WriteTga24("bumps.tga", 5, 5, [](uint32_t x, uint32_t y) {
        return test::Rgb{uint8_t((x * y * 40 + x * 13) % 256), 0, 0};
    });
    ASSERT_EQ(Load(CrLfLines({"[TERRAIN]", "BLOCS = 1*1", "SIZE = 8*8", "[BLOC]", "BLOCX = 0..0",
                              "BLOCY = 0..0", "RESOL = 4", "TEXALTI = bumps.tga", "HEIGHT = 20"})),
              RESULT_OK);
    const TerrainBlock& block = *terrain_->Block(0, 0);
    const MeshVertex* v = block.mesh->Vertices();
    for (int k = 0; k < 25; ++k) {
        Vector3 at = v[k].position;
        at.y = 1000;
        ASSERT_TRUE(BlockHeightAt(block, at));
        EXPECT_NEAR(at.y, v[k].position.y, 1e-4f) << "vertex " << k;
    }
    // The cell right of vertex k = 7 is cut along its diagonal from k + 5 to
    // k + 1 into the triangles (k + 1, k, k + 5) and (k + 1, k + 5, k + 6).
    // A point mixed from a triangle's corners lies on that triangle, so its
    // height is the same mix of theirs.
    struct Mix {
        const char* where;
        std::vector<std::pair<int, float>> weights;
    };
    const int k = 7;
    const Mix mixes[] = {
        {"diagonal, a quarter", {{k + 5, 0.75f}, {k + 1, 0.25f}}},
        {"diagonal, middle", {{k + 5, 0.5f}, {k + 1, 0.5f}}},
        {"inside the first triangle", {{k, 0.6f}, {k + 1, 0.2f}, {k + 5, 0.2f}}},
        {"inside the second triangle", {{k + 6, 0.6f}, {k + 1, 0.2f}, {k + 5, 0.2f}}},
    };
    for (const Mix& mix : mixes) {
        Vector3 at{0, 1000, 0};
        float expected = 0;
        for (const auto& [vertex, weight] : mix.weights) {
            at.x += v[vertex].position.x * weight;
            at.z += v[vertex].position.z * weight;
            expected += v[vertex].position.y * weight;
        }
        ASSERT_TRUE(BlockHeightAt(block, at));
        EXPECT_NEAR(at.y, expected, 1e-4f) << mix.where;
    }
    // The two triangles do not lie in one plane.
    EXPECT_GT(
        std::abs(v[k].position.y + v[k + 6].position.y - v[k + 1].position.y - v[k + 5].position.y),
        0.5f);
}

TEST_F(TerrainTest, RenderDrawsOnlyTheBlocksInViewAndDetailSwitchesOff) {
    // Four blocks along x, 10 wide each; the camera stands above the first
    // and looks down at it from close by.
    ASSERT_EQ(Load(CrLfLines({"[TERRAIN]", "BLOCS = 4*1", "SIZE = 40*10", "[BLOC]", "BLOCX = 0..3",
                              "BLOCY = 0..0", "RESOL = 2", "DETAIL = white.tga"})),
              RESULT_OK);
    Handle<GraphNode> world = MakeHandle<GraphNode>(), ground = MakeHandle<GraphNode>(),
                      eye = MakeHandle<GraphNode>();
    Handle<Camera> camera = MakeHandle<Camera>();
    world->AddChild(ground.Get());
    world->AddChild(eye.Get());
    ground->AddObject(terrain_.Get());
    eye->AddObject(camera.Get());
    camera->SetNearPlane(0.5f);
    EXPECT_EQ(terrain_->Render(), ERR_NO_RENDERER);

    const auto drawsFrom = [&](Vector3 from) {
        eye->SetPosition(from, RelativeTo::World());
        eye->SetOrientation({0, 1, 0}, {0, 0, 1}, RelativeTo::World());
        EXPECT_TRUE(camera->ComputeMatrices());
        terrain_->SetCamera(camera.Get());
        renderer_->ClearCalls();
        EXPECT_EQ(terrain_->Render(), RESULT_OK);
        return renderer_->Count("DrawIndexed");
    };
    EXPECT_EQ(drawsFrom({-15, -4, 0}), 1u);
    EXPECT_EQ(drawsFrom({0, -100, 0}), 4u);
    const Texture* detail = terrain_->Block(0, 0)->settings->detailTexture.Get();
    ASSERT_NE(detail, nullptr);
    EXPECT_EQ(terrain_->Block(3, 0)->mesh->textures[1].Get(), detail);
    terrain_->SetDetail(false);
    EXPECT_EQ(terrain_->Block(3, 0)->mesh->textures[1].Get(), nullptr);
}

}  // namespace
}  // namespace vimsa
