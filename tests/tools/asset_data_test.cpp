// The demo's data folder as `vimsa-tool assets` writes it: everything the
// demo's start-up names is there, loads with the engine's readers and
// behaves the way the demo relies on.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "io/catalogs.h"
#include "platform/media/audio_decoder.h"
#include "render/image_file.h"
#include "render/pixel_format.h"
#include "render/render_state.h"
#include "render/testing/recording_renderer.h"
#include "render/texture.h"
#include "scene/animation.h"
#include "scene/graph_node.h"
#include "sound/module.h"
#include "sound/module_factory.h"
#include "sound/module_mixer.h"
#include "tests/render/image_builders.h"
#include "tests/tools/tool_run.h"
#include "world/mesh_base.h"
#include "world/node_tree_serializer.h"
#include "world/terrain.h"

namespace vimsa {
namespace {

namespace fs = std::filesystem;

// What the start-up reads, by the names it uses.
const std::vector<std::string> kSceneTextures = {
    "texture/g06.tga", "texture/g12.tga", "texture/h28.tga",      "texture/g19.tga",
    "texture/g63.tga", "texture/g29.tga", "texture/g06alpha.tga", "texture/particle.tga"};
const std::vector<std::string> kModels = {"KelmaRun", "VonaRun6", "Fountain", "Column",
                                          "Cat",      "cat",      "Liberty",  "Globe",
                                          "Pig",      "mpl2",     "baobab"};

std::string ModelPath(const std::string& base) {
    return "mesh/" + base + ".f3ds";
}

// Every file below `folder`, by its path relative to it.
std::map<std::string, test::Bytes> FolderContents(const fs::path& folder) {
    std::map<std::string, test::Bytes> files;
    for (const fs::directory_entry& e : fs::recursive_directory_iterator(folder)) {
        if (e.is_regular_file())
            files[fs::relative(e.path(), folder).string()] = test::ReadFile(e.path());
    }
    return files;
}

class DataFolder : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        base_ = fs::temp_directory_path() / ("vimsa-data-test-" + std::to_string(::getpid()));
        fs::remove_all(base_);
        const auto start = std::chrono::steady_clock::now();
        generated_ = test::Tool("assets " + (base_ / "data").string());
        seconds_ = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }
    static void TearDownTestSuite() { fs::remove_all(base_); }

    // Inside the folder with its catalog mounted, as the demo starts.
    void SetUp() override {
        ASSERT_EQ(generated_.status, 0) << generated_.output;
        previous_ = fs::current_path();
        fs::current_path(base_ / "data");
        ResetCatalogsForTesting();
        ASSERT_EQ(LoadDatabase("Vimsa.cat"), RESULT_OK);
        SetCurrentRenderer(renderer_.Get());
    }
    void TearDown() override {
        SetCurrentRenderer(nullptr);
        if (!previous_.empty()) fs::current_path(previous_);
        ResetCatalogsForTesting();
    }

    static fs::path base_;
    static test::ToolRun generated_;
    static double seconds_;
    fs::path previous_;
    Handle<testing::RecordingRenderer> renderer_ = MakeHandle<testing::RecordingRenderer>();
};

fs::path DataFolder::base_;
test::ToolRun DataFolder::generated_;
double DataFolder::seconds_ = 0;

Handle<Texture> Picture(const std::string& path, int32_t kind = kImageByExtension) {
    Handle<Texture> texture(new Texture);
    EXPECT_EQ(LoadImage(texture.Get(), path, kind), RESULT_OK) << path;
    EXPECT_EQ(texture->Convert(kFormat8888, kOrderRgb), RESULT_OK) << path;
    return texture;
}

struct Rgba8 {
    const uint8_t* p;
    int operator[](int c) const { return p[c]; }
};

Rgba8 At(const Texture& t, uint32_t x, uint32_t y) {
    return {t.Pixels() + (size_t{y} * t.Width() + x) * 4};
}

// How far apart two pixels are, over the colour channels.
int Distance(Rgba8 a, Rgba8 b) {
    return std::abs(a[0] - b[0]) + std::abs(a[1] - b[1]) + std::abs(a[2] - b[2]);
}

TEST_F(DataFolder, StartUpFindsEveryFileItNamesOnDiskOrThroughTheCatalog) {
    std::vector<std::string> names = kSceneTextures;
    names.insert(names.end(), {"texture/fnt8.tga", "texture/white.bmp", "terrain/terrain.txt"});
    for (const std::string& base : kModels)
        names.push_back(ModelPath(base));
    for (const std::string& name : names) {
        std::vector<uint8_t> bytes;
        EXPECT_EQ(ReadWholeFile(name.c_str(), bytes), RESULT_OK) << name;
        EXPECT_FALSE(bytes.empty()) << name;
    }
    // The models are read from the mesh folder's archive, whose directory
    // sits at its end; the terrain from the root archive with a .CAT file.
    EXPECT_FALSE(fs::exists("mesh/KelmaRun.f3ds"));
    EXPECT_TRUE(fs::exists("mesh/MESH.PAK"));
    EXPECT_FALSE(fs::exists("mesh/MESH.CAT"));
    EXPECT_FALSE(fs::exists("terrain/terrain.txt"));
    EXPECT_TRUE(fs::exists("VimsaData.PAK"));
    EXPECT_TRUE(fs::exists("VimsaData.CAT"));
    EXPECT_TRUE(fs::exists("runtime.cat"));
    // Saved through the mounted database: each model has its id there.
    for (const char* base : {"KelmaRun", "VonaRun6", "Fountain", "Cat", "baobab"}) {
        uint32_t id = 0;
        EXPECT_TRUE(LookupId(ModelPath(base), id)) << base;
        EXPECT_NE(id, 0u);
    }
}

TEST_F(DataFolder, PicturesLoadInTheFormatsTheReadersTakeAndTile) {
    int sixteenBit = 0;
    for (const fs::directory_entry& e : fs::directory_iterator("texture")) {
        Handle<Texture> t(new Texture);
        const std::string path = "texture/" + e.path().filename().string();
        EXPECT_EQ(LoadImage(t.Get(), path, kImageByExtension), RESULT_OK) << path;
        sixteenBit += t->BitsPerPixel() == 16 ? 1 : 0;
    }
    EXPECT_GE(sixteenBit, 1);

    const Handle<Texture> white = Picture("texture/white.bmp");
    EXPECT_EQ(white->Width() % 4, 0u);
    EXPECT_EQ(Distance(At(*white, 0, 0), At(*white, white->Width() - 1, white->Height() - 1)), 0);
    EXPECT_EQ(At(*white, 0, 0)[0], 255);

    // Alpha where it is needed: clear and solid pixels both.
    for (const char* path : {"texture/fnt8.tga", "texture/g06alpha.tga", "texture/particle.tga"}) {
        const Handle<Texture> t = Picture(path);
        int clear = 0, solid = 0;
        for (uint32_t i = 0; i < t->Width() * t->Height(); ++i) {
            clear += t->Pixels()[i * 4 + 3] < 32 ? 1 : 0;
            solid += t->Pixels()[i * 4 + 3] > 224 ? 1 : 0;
        }
        EXPECT_GT(clear, 0) << path;
        EXPECT_GT(solid, 0) << path;
    }

    // The pre-converted twin holds the same picture as its TGA.
    const Handle<Texture> tga = Picture("texture/h28.tga", kImageTga);
    const Handle<Texture> twin = Picture("texture/h28.FTGA", kImageChunk);
    ASSERT_EQ(twin->Width(), tga->Width());
    ASSERT_EQ(twin->Height(), tga->Height());
    EXPECT_TRUE(std::equal(tga->Pixels(), tga->Pixels() + tga->ByteSize(), twin->Pixels()));

    // Tiling: the columns (rows) either side of the wrap differ no more than
    // the most different neighbours inside the picture (a mortar joint, a
    // tile's edge); a picture that does not wrap breaks along its whole edge.
    for (const std::string& path : kSceneTextures) {
        if (path == "texture/particle.tga") continue;  // a spot, not a surface
        const Handle<Texture> t = Picture(path);
        const uint32_t w = t->Width(), h = t->Height();
        auto column = [&](uint32_t a, uint32_t b) {
            long sum = 0;
            for (uint32_t y = 0; y < h; ++y)
                sum += Distance(At(*t, a, y), At(*t, b, y));
            return sum;
        };
        auto row = [&](uint32_t a, uint32_t b) {
            long sum = 0;
            for (uint32_t x = 0; x < w; ++x)
                sum += Distance(At(*t, x, a), At(*t, x, b));
            return sum;
        };
        long columns = 0, rows = 0;
        for (uint32_t x = 0; x + 1 < w; ++x)
            columns = std::max(columns, column(x, x + 1));
        for (uint32_t y = 0; y + 1 < h; ++y)
            rows = std::max(rows, row(y, y + 1));
        EXPECT_LE(column(w - 1, 0), columns) << path;
        EXPECT_LE(row(h - 1, 0), rows) << path;
    }
}

TEST_F(DataFolder, FontHoldsLegibleGlyphsInItsGrid) {
    const Handle<Texture> font = Picture("texture/fnt8.tga");
    // Cells of 8 x 8 pixels: the heads-up texts are placed for lines 8 high.
    ASSERT_EQ(font->Width(), 64u);
    ASSERT_EQ(font->Height(), 64u);
    // Glyph k sits in row k / 8, column k % 8, for code k + 32.
    auto ink = [&](char code) {
        const uint32_t k = static_cast<uint32_t>(code - 32);
        int covered = 0;
        for (uint32_t y = 0; y < 8; ++y) {
            for (uint32_t x = 0; x < 8; ++x)
                covered += At(*font, (k % 8) * 8 + x, (k / 8) * 8 + y)[3] > 128 ? 1 : 0;
        }
        return covered;
    };
    EXPECT_EQ(ink(' '), 0);
    for (char c : std::string("0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ:%*_"))
        EXPECT_GE(ink(c), 2) << c;  // the colon: two dots
    // Distinct letters are drawn differently.
    EXPECT_NE(ink('I'), ink('W'));
}

// The model-space box of every mesh vertex below `node`.
struct Extent {
    Vector3 low{1e9f, 1e9f, 1e9f}, high{-1e9f, -1e9f, -1e9f};
};

void ForEachMesh(GraphNode& node, const std::function<void(MeshBase&, const Matrix4&)>& visit) {
    const Matrix4* world = node.GetWorldMatrix();
    for (const Handle<GraphObj>& object : node.objects) {
        if (auto* mesh = dynamic_cast<MeshBase*>(object.Get()); mesh && world) visit(*mesh, *world);
    }
    for (const Handle<GraphNode>& child : node.children)
        ForEachMesh(*child, visit);
}

Extent Measure(GraphNode& root) {
    Extent e;
    ForEachMesh(root, [&](MeshBase& mesh, const Matrix4& world) {
        for (int32_t v = 0; v < mesh.VertexCount(); ++v) {
            const Vector3 p = TransformPoint3(world, mesh.VertexPosition(v));
            e.low = {std::min(e.low.x, p.x), std::min(e.low.y, p.y), std::min(e.low.z, p.z)};
            e.high = {std::max(e.high.x, p.x), std::max(e.high.y, p.y), std::max(e.high.z, p.z)};
        }
    });
    return e;
}

struct LoadedModel {
    Handle<GraphNode> root = MakeHandle<GraphNode>();
    Handle<AnimationSet> animations;
    std::vector<std::string> missing;
    Result result = ERR_FAIL;
};

LoadedModel Load(const std::string& base) {
    LoadedModel m;
    NodeTreeSerializer reader;
    m.result = reader.LoadNodeTree(m.root.Get(), ModelPath(base), &m.animations);
    m.missing = reader.MissingTextures();
    return m;
}

TEST_F(DataFolder, ModelsLoadWithTheirTexturesAndStandAtTheirSize) {
    // Height (towards -y) and greatest width of each prop: the room props
    // fit rooms 3 units high, the trees stand outdoors.
    struct Size {
        float lowest, highest, width;
    };
    const std::map<std::string, Size> sizes = {
        {"Fountain", {1.5f, 2.0f, 2.5f}}, {"Column", {2.99f, 3.01f, 1.0f}},
        {"Cat", {0.4f, 0.8f, 0.6f}},      {"Liberty", {2.5f, 3.0f, 1.2f}},
        {"Globe", {1.2f, 1.7f, 1.0f}},    {"Pig", {0.5f, 0.9f, 1.4f}},
        {"mpl2", {4.0f, 7.5f, 6.0f}},     {"baobab", {3.5f, 6.0f, 5.0f}}};
    for (const std::string& base : kModels) {
        LoadedModel m = Load(base);
        ASSERT_EQ(m.result, RESULT_OK) << base;
        EXPECT_TRUE(m.missing.empty()) << base << ": " << (m.missing.empty() ? "" : m.missing[0]);
        int meshes = 0, bounded = 0;
        ForEachMesh(*m.root, [&](MeshBase& mesh, const Matrix4&) {
            ++meshes;
            bounded += mesh.bounds ? 1 : 0;
        });
        EXPECT_GT(meshes, 0) << base;
        EXPECT_EQ(bounded, meshes) << base;
        const Extent e = Measure(*m.root);
        const auto size = sizes.find(base == "cat" ? "Cat" : base);
        if (size == sizes.end()) continue;  // the characters have a test of their own
        EXPECT_NEAR(e.high.y, 0.0f, 0.06f) << base << " stands on its origin";
        EXPECT_GE(-e.low.y, size->second.lowest) << base;
        EXPECT_LE(-e.low.y, size->second.highest) << base;
        EXPECT_LT(std::max(e.high.x - e.low.x, e.high.z - e.low.z), size->second.width) << base;
    }
}

TEST_F(DataFolder, SmoothSurfacesShareTheirNormalsWhereVerticesMeet) {
    for (const std::string base : {"Fountain", "Globe"}) {
        LoadedModel m = Load(base);
        ASSERT_EQ(m.result, RESULT_OK) << base;
        int pairs = 0, creased = 0;
        ForEachMesh(*m.root, [&](MeshBase& mesh, const Matrix4&) {
            const MeshVertex* v = mesh.Vertices();
            // Vertices repeated at seams and poles: one normal for all.
            std::map<std::tuple<int, int, int>, Vector3> seen;
            for (int32_t i = 0; i < mesh.VertexCount(); ++i) {
                const auto key =
                    std::make_tuple(static_cast<int>(std::lround(v[i].position.x * 1e4f)),
                                    static_cast<int>(std::lround(v[i].position.y * 1e4f)),
                                    static_cast<int>(std::lround(v[i].position.z * 1e4f)));
                const auto [it, fresh] = seen.emplace(key, v[i].normal);
                if (fresh) continue;
                ++pairs;
                creased += Dot(it->second, v[i].normal) < 0.99f ? 1 : 0;
            }
        });
        EXPECT_GT(pairs, 20) << base;
        EXPECT_EQ(creased, 0) << base;
    }
}

// The lowest point of the model below its origin (y grows downwards).
float Lowest(GraphNode& root) {
    return Measure(root).high.y;
}

TEST_F(DataFolder, CharactersRunWithAFootOnTheGround) {
    for (const std::string base : {"KelmaRun", "VonaRun6"}) {
        LoadedModel m = Load(base);
        ASSERT_EQ(m.result, RESULT_OK) << base;
        ASSERT_TRUE(m.animations) << base;
        const Extent standing = Measure(*m.root);
        EXPECT_NEAR(standing.high.y, 1.0f, 0.01f) << base << ": origin 1 above the soles";
        EXPECT_NEAR(standing.high.y - standing.low.y, 1.8f, 0.1f) << base << " is about 1.8 tall";
        // One animation per limb node, hips to feet.
        ASSERT_GE(m.animations->Count(), 13u) << base;
        std::vector<GraphNode*> joints;
        for (size_t i = 0; i < m.animations->Count(); ++i)
            joints.push_back(m.animations->At(i)->node.Get());

        // As the demo plays it: back and forth, 700 ms a pass.
        AnimationSet& run = *m.animations;
        run.SetPlayMode(Animation::kBackAndForth);
        ASSERT_TRUE(run.StartAnimation(0, 700, -1));
        std::vector<Vector3> atStart;
        GraphNode* foot = joints.front();  // the joint nearest the ground
        for (GraphNode* j : joints) {
            atStart.emplace_back();
            j->GetPosition(atStart.back(), RelativeTo::World());
            Vector3 lowest;
            foot->GetPosition(lowest, RelativeTo::World());
            if (atStart.back().y > lowest.y) foot = j;
        }
        float worst = 1.0f, footBack = 1e9f, footFront = -1e9f;
        int moved = 0;
        for (uint32_t t = 0; t <= 1400; t += 7) {
            ASSERT_TRUE(run.UpdateAnimation(t)) << base << " at " << t;
            const float lowest = Lowest(*m.root);
            if (std::fabs(lowest - 1.0f) > std::fabs(worst - 1.0f)) worst = lowest;
            Vector3 ankle;
            foot->GetPosition(ankle, RelativeTo::World());
            footBack = std::min(footBack, ankle.z);
            footFront = std::max(footFront, ankle.z);
            if (t == 175) {
                for (size_t i = 0; i < joints.size(); ++i) {
                    Vector3 p;
                    joints[i]->GetPosition(p, RelativeTo::World());
                    moved += Length(p - atStart[i]) > 0.05f ? 1 : 0;
                }
            }
        }
        EXPECT_NEAR(worst, 1.0f, 0.05f) << base << ": the lowest point leaves the ground";
        EXPECT_GE(moved, 8) << base << ": limbs that move between key times";
        EXPECT_GT(footFront - footBack, 0.5f) << base << ": a foot's stride";
    }
}

TEST_F(DataFolder, TerrainBuildsAroundItsFlatClearing) {
    std::vector<uint8_t> bytes;
    ASSERT_EQ(ReadWholeFile("terrain/terrain.txt", bytes), RESULT_OK);
    const std::string text(bytes.begin(), bytes.end());
    EXPECT_NE(text.find("[TERRAIN]\r\n"), std::string::npos);
    EXPECT_NE(text.find("//"), std::string::npos);
    const size_t firstBloc = text.find("[BLOC]");
    ASSERT_NE(firstBloc, std::string::npos);
    EXPECT_NE(text.find("[BLOC]", firstBloc + 1), std::string::npos);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'),
              std::count(text.begin(), text.end(), '\r'));

    Handle<GraphNode> room = MakeHandle<GraphNode>();
    Handle<Terrain> terrain = MakeHandle<Terrain>();
    ASSERT_EQ(terrain->Load("terrain/terrain.txt"), RESULT_OK);
    room->AddObject(terrain.Get());
    EXPECT_EQ(terrain->BlocksX(), 4u);
    EXPECT_FLOAT_EQ(terrain->SizeX(), 64.0f);
    EXPECT_FLOAT_EQ(terrain->SizeZ(), 64.0f);
    auto ground = [&](float x, float z, bool& inside) {
        Vector3 p{x, -10, z};
        float y = 0;
        inside = terrain->HeightAt(p, y);
        return y;
    };
    bool inside = false;
    EXPECT_NEAR(ground(0, 0, inside), 0.0f, 1e-4f);
    EXPECT_TRUE(inside);
    EXPECT_NEAR(ground(3.5f, -4.0f, inside), 0.0f, 1e-4f) << "the clearing is flat";
    float highest = 0, lowest = -1e9f;
    for (float x = -31.5f; x <= 31.5f; x += 1.0f) {
        for (float z = -31.5f; z <= 31.5f; z += 1.0f) {
            const float y = ground(x, z, inside);
            ASSERT_TRUE(inside) << x << ", " << z;
            highest = std::min(highest, y);
            lowest = std::max(lowest, y);
        }
    }
    EXPECT_NEAR(lowest, 0.0f, 1e-4f) << "no ground below the clearing";
    EXPECT_LT(highest, -5.0f) << "hills round the clearing";
    EXPECT_GT(highest, -10.0f);
    ground(33.0f, 0.0f, inside);
    EXPECT_FALSE(inside) << "heights only inside the terrain's extent";
}

TEST_F(DataFolder, MusicPlaysForAMinuteAndLoops) {
    Handle<Module> song;
    ASSERT_EQ(LoadModule("music/vimsa.s3m", song), RESULT_OK);
    EXPECT_EQ(song->Kind(), ModuleKind::S3m);
    EXPECT_GE(song->ChannelCount(), 8);
    const test::ToolRun info = test::Tool("mod info music/vimsa.s3m", fs::current_path().string());
    ASSERT_EQ(info.status, 0) << info.output;
    const size_t open = info.output.find('(', info.output.find("duration"));
    ASSERT_NE(open, std::string::npos) << info.output;
    const double seconds = std::stod(info.output.substr(open + 1));
    EXPECT_GE(seconds, 30.0) << info.output;

    // Looping, it plays on past its end, and every stretch of it sounds.
    Handle<ModuleMixer> mixer = MakeHandle<ModuleMixer>();
    mixer->SetModule(song.Get());
    ASSERT_EQ(mixer->AddSong(0, 0, 44100, true, true, false, true), RESULT_OK);
    const int blocks = static_cast<int>((seconds + 10) * 44100 / ModuleMixer::kBlockFrames);
    std::vector<double> energy;  // per 4-second stretch
    for (int b = 0; b < blocks; ++b) {
        ASSERT_EQ(mixer->ClearBlock(), RESULT_OK);
        ASSERT_EQ(mixer->MixBlock(), RESULT_OK);
        const auto* pcm = reinterpret_cast<const int16_t*>(mixer->OutputBlock());
        const size_t stretch = static_cast<size_t>(b) * ModuleMixer::kBlockFrames / (4 * 44100);
        energy.resize(std::max(energy.size(), stretch + 1), 0.0);
        for (int i = 0; i < 2 * ModuleMixer::kBlockFrames; ++i)
            energy[stretch] += static_cast<double>(pcm[i]) * pcm[i];
    }
    EXPECT_TRUE(mixer->Selected()->playing);
    for (size_t s = 0; s + 1 < energy.size(); ++s)
        EXPECT_GT(std::sqrt(energy[s] / (4 * 44100 * 2)), 500.0) << "stretch " << s << " is silent";

    // The clips of the MP3/WAV menu.
    for (const auto& [path, channels] :
         std::vector<std::pair<std::string, int>>{{"music/vimsa.mp3", 2}, {"music/chime.wav", 1}}) {
        std::unique_ptr<media::AudioDecoder> decoder;
        ASSERT_EQ(media::AudioDecoder::OpenFile(path, decoder), RESULT_OK) << path;
        EXPECT_EQ(decoder->Channels(), channels) << path;
        std::vector<int16_t> pcm(4096 * static_cast<size_t>(channels));
        uint64_t frames = 0;
        int peak = 0;
        while (const uint32_t n = decoder->Read(pcm.data(), 4096)) {
            frames += n;
            for (size_t i = 0; i < n * static_cast<size_t>(channels); ++i)
                peak = std::max(peak, std::abs(static_cast<int>(pcm[i])));
        }
        const double length = static_cast<double>(frames) / decoder->Rate();
        EXPECT_GT(length, 1.0) << path;
        EXPECT_LT(length, 30.0) << path << " is a short clip";
        EXPECT_GT(peak, 3000) << path;
    }
}

TEST_F(DataFolder, ToolsDescribeTheData) {
    const std::string here = fs::current_path().string();
    for (const std::string& base : kModels) {
        const test::ToolRun dump = test::Tool("dump " + ModelPath(base), here);
        EXPECT_EQ(dump.status, 0) << base << ": " << dump.output;
        EXPECT_NE(dump.output.find("compression 1"), std::string::npos) << base;
        EXPECT_NE(dump.output.find("GNOD"), std::string::npos) << base;
        EXPECT_NE(dump.output.find("MFVF"), std::string::npos) << base;
    }
    EXPECT_NE(test::Tool("dump mesh/VonaRun6.f3ds", here).output.find("TRAC"), std::string::npos);
    const test::ToolRun info = test::Tool("mod info music/vimsa.s3m", here);
    EXPECT_NE(info.output.find("S3M"), std::string::npos) << info.output;
    EXPECT_NE(info.output.find("Vimsa II"), std::string::npos) << info.output;
}

TEST_F(DataFolder, TwoRunsWriteTheSameBytesQuicklyAndCompactly) {
#if !defined(__SANITIZE_ADDRESS__)
    EXPECT_LT(seconds_, 10.0) << "generation time";
#endif
    const test::ToolRun again = test::Tool("assets " + (base_ / "again").string());
    ASSERT_EQ(again.status, 0) << again.output;
    const auto first = FolderContents(base_ / "data");
    const auto second = FolderContents(base_ / "again");
    ASSERT_EQ(first.size(), second.size());
    uint64_t bytes = 0;
    for (const auto& [path, content] : first) {
        const auto other = second.find(path);
        ASSERT_NE(other, second.end()) << path;
        EXPECT_TRUE(content == other->second) << path << " differs between runs";
        bytes += content.size();
    }
    EXPECT_LT(bytes, 20u * 1000 * 1000);
    // A folder holding something else is not cleared for the data.
    fs::create_directories(base_ / "foreign");
    test::WriteFile(base_ / "foreign" / "notes.txt", {'h', 'i'});
    EXPECT_EQ(test::Tool("assets " + (base_ / "foreign").string()).status, 1);
    EXPECT_TRUE(fs::exists(base_ / "foreign" / "notes.txt"));
}

}  // namespace
}  // namespace vimsa

namespace vimsa {
namespace {

// Sheets are drawn headless through the OpenGL back-end.
TEST(DataPreview, SheetsShowEveryModelFromTwoSides) {
    const fs::path folder =
        fs::temp_directory_path() / ("vimsa-preview-test-" + std::to_string(::getpid()));
    fs::remove_all(folder);
    const test::ToolRun run = test::Tool("assets --preview " + folder.string());
    ASSERT_EQ(run.status, 0) << run.output;
    for (const char* sheet : {"textures.tga", "models.tga", "terrain.tga"})
        EXPECT_NE(run.output.find(sheet), std::string::npos) << run.output;
    Handle<Texture> textures(new Texture), models(new Texture);
    ASSERT_EQ(LoadImage(textures.Get(), (folder / "preview/textures.tga").string(), kImageTga),
              RESULT_OK);
    ASSERT_EQ(LoadImage(models.Get(), (folder / "preview/models.tga").string(), kImageTga),
              RESULT_OK);
    ASSERT_EQ(models->Convert(kFormat8888, kOrderRgb), RESULT_OK);
    // Two cells per model, four cells of 320 x 240 a row, 4 pixels apart
    // with a 20-pixel name under each: every cell shows something other
    // than the checkerboard behind it.
    const uint32_t cells = 2 * 10;
    ASSERT_GE(models->Width(), 4u * 324);
    ASSERT_GE(models->Height(), (cells / 4) * 264u);
    for (uint32_t c = 0; c < cells; ++c) {
        const uint32_t x0 = 4 + (c % 4) * 324, y0 = 4 + (c / 4) * 264;
        int drawn = 0;
        for (uint32_t y = y0; y < y0 + 240; y += 2) {
            for (uint32_t x = x0; x < x0 + 320; x += 2) {
                const Rgba8 p = At(*models, x, y);
                drawn += (p[0] != p[1] || p[1] != p[2] || (p[0] != 110 && p[0] != 150)) ? 1 : 0;
            }
        }
        EXPECT_GT(drawn, 300) << "cell " << c << " is empty";
    }
    EXPECT_GT(textures->Width() * textures->Height(), 6u * 160 * 4 * 160);
    fs::remove_all(folder);
}

}  // namespace
}  // namespace vimsa
