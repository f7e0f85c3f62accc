// vimsa-tool as a user runs it: exit status, what it prints, what it writes.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <string>

#include "io/catalogs.h"
#include "io/file_stream.h"
#include "render/image_file.h"
#include "render/pixel_format.h"
#include "render/texture.h"
#include "scene/graph_node.h"
#include "tests/render/image_builders.h"
#include "tests/sound/module_builder.h"
#include "tests/tools/tool_run.h"
#include "world/mesh_base.h"
#include "world/node_tree_serializer.h"

namespace vimsa {
namespace {

namespace fs = std::filesystem;
using test::Bytes;

using test::Tool;
using test::ToolRun;

class ToolTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("vimsa-tool-test-" + std::to_string(::getpid()));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }
    std::string Path(const std::string& name) const { return (dir_ / name).string(); }

    fs::path dir_;
};

TEST_F(ToolTest, HelpAndUnknownCommands) {
    const ToolRun help = Tool("--help");
    EXPECT_EQ(help.status, 0);
    for (const char* command : {"lz", "dump", "pak", "image", "mod"}) {
        EXPECT_NE(help.output.find(command), std::string::npos) << command;
        EXPECT_EQ(Tool(std::string(command) + " --help").status, 0) << command;
    }
    EXPECT_EQ(Tool("frobnicate").status, 2);
    EXPECT_EQ(Tool("").status, 2);
}

TEST_F(ToolTest, LzRoundTripAndIncompressibleInput) {
    Bytes text;
    for (int i = 0; i < 200; ++i) {
        for (char c : std::string("the engine's own chunk files are compressed; "))
            text.push_back(static_cast<uint8_t>(c));
    }
    test::WriteFile(Path("in.txt"), text);
    const ToolRun compress = Tool("lz compress " + Path("in.txt") + " " + Path("in.lz"));
    ASSERT_EQ(compress.status, 0) << compress.output;
    EXPECT_LT(fs::file_size(Path("in.lz")), text.size() / 4);
    ASSERT_EQ(Tool("lz expand " + Path("in.lz") + " " + Path("out.txt")).status, 0);
    EXPECT_EQ(test::ReadFile(Path("out.txt")), text);

    // Eight different bytes cannot be made smaller.
    test::WriteFile(Path("tiny"), {1, 2, 3, 4, 5, 6, 7, 8});
    const ToolRun refused = Tool("lz compress " + Path("tiny") + " " + Path("tiny.lz"));
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.output.find("0x81030208"), std::string::npos) << refused.output;
    // A damaged block is refused too.
    test::WriteFile(Path("bad.lz"), {0xFF, 0xFF, 0, 0, 0xFF, 1, 2});
    EXPECT_EQ(Tool("lz expand " + Path("bad.lz") + " " + Path("bad.out")).status, 1);
}

TEST_F(ToolTest, ImageConvertsToTheAskedFormat) {
    // A 3 x 2 BMP (rows padded to 4 bytes): red, green, blue / white, black, grey.
    const Bytes bmp = test::Bmp24(
        3, {{0, 0, 255, 0, 255, 0, 255, 0, 0}, {255, 255, 255, 0, 0, 0, 128, 128, 128}});
    test::WriteFile(Path("in.bmp"), bmp);
    const ToolRun run = Tool("image " + Path("in.bmp") + " " + Path("out.tga") + " --format 0565");
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_NE(run.output.find("3x2"), std::string::npos) << run.output;
    Handle<Texture> back(new Texture);
    ASSERT_EQ(LoadImage(back.Get(), Path("out.tga"), kImageTga), RESULT_OK);
    EXPECT_EQ(back->Width(), 3u);
    EXPECT_EQ(back->Height(), 2u);
    // Upright: the BMP's last stored row is the picture's top row (white
    // top left, red bottom left; 0565 keeps the top 5 or 6 bits).
    ASSERT_EQ(back->Convert(kFormat8888, kOrderRgb), RESULT_OK);
    const uint8_t* topLeft = back->Pixels();
    const uint8_t* bottomLeft = back->Pixels() + 3 * 4;
    EXPECT_GT(topLeft[1], 240);
    EXPECT_GT(bottomLeft[0], 240);
    EXPECT_EQ(bottomLeft[1], 0);

    const ToolRun missing = Tool("image " + Path("nothing.bmp") + " " + Path("x.tga"));
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.output.find("0x81050403"), std::string::npos) << missing.output;
}

TEST_F(ToolTest, DumpPrintsTheChunkTreeAndReportsDamage) {
    {
        FileStream out;
        ASSERT_EQ(out.OpenWrite(Path("tree.bin").c_str()), RESULT_OK);
        const uint32_t root = out.Tell();
        out.BeginChunk("ROOT");
        out.WriteU16(3);
        const uint32_t leaf = out.Tell();
        out.BeginChunk("LEAF");
        out.WriteU16(1);
        out.WriteU32(42);
        out.EndChunk(leaf);
        out.EndChunk(root);
        ASSERT_EQ(out.CloseWrite(), RESULT_OK);
    }
    const ToolRun dump = Tool("dump " + Path("tree.bin"));
    ASSERT_EQ(dump.status, 0) << dump.output;
    const size_t rootAt = dump.output.find("ROOT"), leafAt = dump.output.find("LEAF");
    ASSERT_NE(rootAt, std::string::npos) << dump.output;
    ASSERT_NE(leafAt, std::string::npos) << dump.output;
    EXPECT_LT(rootAt, leafAt);

    // Cut the file inside the leaf: what was read is shown, then the error.
    const Bytes whole = test::ReadFile(Path("tree.bin"));
    ASSERT_GT(whole.size(), 3u);
    test::WriteFile(Path("cut.bin"), Bytes(whole.begin(), whole.end() - 3));
    const ToolRun cut = Tool("dump " + Path("cut.bin"));
    EXPECT_EQ(cut.status, 1);
    EXPECT_NE(cut.output.find("ROOT"), std::string::npos) << cut.output;
}

TEST_F(ToolTest, PakBuildsAndListsArchives) {
    fs::create_directories(dir_ / "data" / "Mesh");
    test::WriteFile(dir_ / "data" / "Mesh" / "box.f3ds", {1, 2, 3, 4});
    test::WriteFile(dir_ / "data" / "Mesh" / "cone.f3ds", {5, 6, 7});
    ASSERT_EQ(Tool("pak " + Path("data")).status, 0);
    const fs::path archive = dir_ / "data" / "Mesh" / "MESH.PAK";
    ASSERT_TRUE(fs::exists(archive));
    const ToolRun list = Tool("pak --list " + archive.string());
    ASSERT_EQ(list.status, 0) << list.output;
    EXPECT_NE(list.output.find("MESH\\BOX.F3DS"), std::string::npos) << list.output;
    EXPECT_NE(list.output.find("MESH\\CONE.F3DS"), std::string::npos) << list.output;

    ASSERT_EQ(Tool("pak " + Path("data") + " --cat").status, 0);
    EXPECT_TRUE(fs::exists(dir_ / "data" / "Mesh" / "MESH.CAT"));
    EXPECT_EQ(Tool("pak --list " + Path("missing.pak")).status, 1);
}

TEST_F(ToolTest, ModInfoAndRender) {
    // A module is found in any letter case and with either separator, as the
    // engine finds every file.
    fs::create_directories(dir_ / "Music");
    test::WriteFile(dir_ / "Music" / "SONG.MOD", test::ModBuilder().Build());
    for (const std::string& asked : {dir_.string() + "\\music\\Song.mod", Path("MUSIC/song.mod")}) {
        const ToolRun found = Tool("mod info '" + asked + "'");
        EXPECT_EQ(found.status, 0) << asked << ": " << found.output;
        EXPECT_NE(found.output.find("test song"), std::string::npos) << found.output;
    }
    const ToolRun bad = Tool("mod info " + Path("none.mod"));
    EXPECT_EQ(bad.status, 1);
    EXPECT_NE(bad.output.find("0x80000001"), std::string::npos) << bad.output;
    const ToolRun full = Tool("mod render " + Path("Music/SONG.MOD") + " /dev/full");
    EXPECT_EQ(full.status, 1);
    EXPECT_NE(full.output.find("0x80000005"), std::string::npos) << full.output;

    const std::string module = std::string(VIMSA_TESTDATA_DIR) + "/modules/gd-giirm.s3m";
    if (!fs::exists(module)) GTEST_SKIP() << "test data not found: " << module;
    const ToolRun info = Tool("mod info " + module);
    ASSERT_EQ(info.status, 0) << info.output;
    EXPECT_NE(info.output.find("Goose in Israel"), std::string::npos) << info.output;
    EXPECT_NE(info.output.find("51.8"), std::string::npos) << info.output;

    const ToolRun render =
        Tool("mod render " + module + " " + Path("song.wav") + " --rate 22050 --mono");
    ASSERT_EQ(render.status, 0) << render.output;
    const Bytes wav = test::ReadFile(Path("song.wav"));
    ASSERT_GT(wav.size(), 44u);
    EXPECT_EQ(std::string(wav.begin(), wav.begin() + 4), "RIFF");
    EXPECT_EQ(std::string(wav.begin() + 8, wav.begin() + 12), "WAVE");
    // 51.84 s of 16-bit mono at 22050 Hz (a tick is a whole number of frames,
    // so a rate that does not divide evenly ends a little early).
    const double seconds = (wav.size() - 44) / 2.0 / 22050;
    EXPECT_NEAR(seconds, 51.84, 0.26);
}

TEST_F(ToolTest, ModInfoNamesWhatIsNotPlayed) {
    test::ModBuilder mod;
    mod.Cell(0, 0, 0) = test::ModCell{428, 0, 0xE, 0x01};  // filter
    mod.Cell(0, 1, 1) = test::ModCell{0, 0, 0xE, 0x02};
    mod.Cell(0, 2, 2) = test::ModCell{0, 0, 0x8, 0x40};  // pan, in a mono song
    mod.Cell(0, 3, 3) = test::ModCell{0, 0, 0xE, 0x61};  // a loop, which plays
    test::WriteFile(Path("some.mod"), mod.Build());
    const ToolRun some = Tool("mod info --unsupported " + Path("some.mod"));
    ASSERT_EQ(some.status, 0) << some.output;
    EXPECT_NE(some.output.find("2  E0x filter"), std::string::npos) << some.output;
    EXPECT_NE(some.output.find("1  8xx panning"), std::string::npos) << some.output;
    EXPECT_EQ(some.output.find("E6x"), std::string::npos) << some.output;

    test::WriteFile(Path("clean.mod"), test::ModBuilder().Build());
    const ToolRun clean = Tool("mod info --unsupported " + Path("clean.mod"));
    EXPECT_NE(clean.output.find("unsupported none"), std::string::npos) << clean.output;
    EXPECT_EQ(Tool("mod info " + Path("clean.mod")).output.find("unsupported"), std::string::npos);
}

TEST_F(ToolTest, ModInfoNamesWhatIsNotPlayedInS3mAndItSongs) {
    using test::TrackerEvent;
    // Nxy is IT's channel volume slide: listed in an S3M, played in an IT.
    test::S3mBuilder s3m;
    test::S3mInstrument adlib;
    adlib.type = 2;
    adlib.noData = true;
    // 8-bit ADPCM is expanded; 16-bit ADPCM and other packings stay silent.
    test::S3mInstrument adpcm;
    adpcm.packing = 4;
    adpcm.length = 100;
    adpcm.data.assign(16 + 50, 0);
    test::S3mInstrument adpcm16 = adpcm;
    adpcm16.sixteenBit = true;
    test::S3mInstrument otherPacking = adpcm;
    otherPacking.packing = 1;
    test::S3mInstrument stereoS3m;
    stereoS3m.stereo = true;
    stereoS3m.length = 50;
    stereoS3m.data.assign(100, 128);
    s3m.instruments = {test::S3mInstrument{}, adlib, adpcm, adpcm16, otherPacking, stereoS3m};
    s3m.instruments[0].data.assign(100, 128);
    s3m.patterns = {{TrackerEvent{0, 0, 0x40, 1, -1, 25, 0x44},
                     TrackerEvent{1, 0, -1, 0, -1, 25, 0}, TrackerEvent{2, 1, -1, 0, -1, 14, 0x01},
                     TrackerEvent{3, 0, -1, 0, -1, 19, 0x01},
                     TrackerEvent{4, 0, -1, 0, -1, 24, 0x40}}};
    test::WriteFile(Path("some.s3m"), s3m.Build());
    const ToolRun s3mRun = Tool("mod info --unsupported " + Path("some.s3m"));
    ASSERT_EQ(s3mRun.status, 0) << s3mRun.output;
    for (const char* line :
         {"2  Yxy panbrello", "1  Nxy channel volume slide", "1  S0x filter", "1  AdLib instrument",
          "2  packed sample (silent", "1  stereo sample (its left channel is played)"})
        EXPECT_NE(s3mRun.output.find(line), std::string::npos) << line << "\n" << s3mRun.output;

    test::ItBuilder it;
    it.flags = 0x01 | 0x04;
    test::ItSample stereo;
    stereo.data.assign(200, 0);
    stereo.flags = 0x01 | 0x04;
    it.samples = {stereo};
    test::ItInstrument filtered(1);
    filtered.filterCutoff = 0x80 | 64;
    filtered.pitchEnvelope = test::ItEnvelope{0x81, {{0, 0}, {32, 10}}};
    it.instruments = {filtered};
    // Surround on an enabled channel is listed; a disabled channel plays nothing.
    it.pans[2] = 100;
    it.pans[5] = 128 + 100;
    it.patterns = {test::ItBuilder::PackPattern(
        {TrackerEvent{0, 0, 60, 1, -1, 14, 0x01}, TrackerEvent{1, 0, -1, 0, -1, 25, 0x44},
         TrackerEvent{2, 0, -1, 0, -1, 26, 0x10}, TrackerEvent{3, 1, -1, 0, -1, 19, 0x9F},
         TrackerEvent{4, 1, -1, 0, -1, 19, 0x91}, TrackerEvent{5, 1, -1, 0, -1, 19, 0x91},
         TrackerEvent{6, 1, -1, 0, -1, 19, 0x90}})};
    test::WriteFile(Path("some.it"), it.Build());
    const ToolRun itRun = Tool("mod info --unsupported " + Path("some.it"));
    ASSERT_EQ(itRun.status, 0) << itRun.output;
    for (const char* line :
         {"mode       instruments", "1  Yxy panbrello", "1  Zxx MIDI macro", "1  S9x sound control",
          "1  instrument filter", "1  filter envelope", "1  stereo sample",
          "2  S91 surround (played centred)", "1  surround channel (played centred)"})
        EXPECT_NE(itRun.output.find(line), std::string::npos) << line << "\n" << itRun.output;
    EXPECT_EQ(itRun.output.find("Nxy"), std::string::npos) << itRun.output;

    test::ItBuilder clean;
    clean.samples = {test::ItSample{}};
    clean.samples[0].data.assign(200, 0);
    clean.patterns = {test::ItBuilder::PackPattern({TrackerEvent{0, 0, 60, 1, -1, 14, 0x01}})};
    test::WriteFile(Path("clean.it"), clean.Build());
    const ToolRun cleanRun = Tool("mod info --unsupported " + Path("clean.it"));
    EXPECT_NE(cleanRun.output.find("mode       samples"), std::string::npos) << cleanRun.output;
    EXPECT_NE(cleanRun.output.find("unsupported none"), std::string::npos) << cleanRun.output;
}

TEST_F(ToolTest, PlayCommandsUseTheSoundDevice) {
    ASSERT_EQ(setenv("SDL_AUDIODRIVER", "dummy", 1), 0);  // a device nobody hears
    test::WriteFile(Path("song.mod"), test::ModBuilder().Build());
    const ToolRun song = Tool("mod play " + Path("song.mod") + " --seconds 0.3");
    EXPECT_EQ(song.status, 0) << song.output;
    EXPECT_NE(song.output.find("playing \"test song\""), std::string::npos) << song.output;
    EXPECT_EQ(Tool("mod play " + Path("song.mod") + " --seconds soon").status, 2);

    // A tenth of a second of 8-bit mono wave, played to its end.
    Bytes wave = {'R', 'I', 'F', 'F', 0, 0, 0,   0,   'W', 'A',  'V',  'E',  'f', 'm',  't',
                  ' ', 16,  0,   0,   0, 1, 0,   1,   0,   0x40, 0x1F, 0,    0,   0x40, 0x1F,
                  0,   0,   1,   0,   8, 0, 'd', 'a', 't', 'a',  0x20, 0x03, 0,   0};
    wave.resize(wave.size() + 800, 0x80);
    wave[4] = static_cast<uint8_t>(wave.size() - 8);
    wave[5] = static_cast<uint8_t>((wave.size() - 8) >> 8);
    test::WriteFile(Path("click.wav"), wave);
    const ToolRun media = Tool("media play " + Path("CLICK.WAV"));
    EXPECT_EQ(media.status, 0) << media.output;
    EXPECT_NE(media.output.find("0.1 s played"), std::string::npos) << media.output;
    test::WriteFile(Path("noise.wav"), Bytes(300, 0x55));
    const ToolRun noise = Tool("media play " + Path("noise.wav"));
    EXPECT_EQ(noise.status, 1);
    EXPECT_NE(noise.output.find("0x810D0200"), std::string::npos) << noise.output;
}

// A red box 2 units wide on the node tree's root, and a child holding a
// second box whose texture is nowhere to be found.
void SaveBoxes(const fs::path& file) {
    const Vector3 corners[8] = {{-1, -1, -1}, {1, -1, -1}, {1, 1, -1}, {-1, 1, -1},
                                {-1, -1, 1},  {1, -1, 1},  {1, 1, 1},  {-1, 1, 1}};
    const int32_t faces[24] = {0, 3, 2, 1, 4, 5, 6, 7, 0, 1, 5, 4,
                               2, 3, 7, 6, 1, 2, 6, 5, 0, 4, 7, 3};
    std::vector<float> red;
    for (int i = 0; i < 8; ++i)
        red.insert(red.end(), {1, 0, 0, 1});
    auto box = [&] {
        Handle<MeshBase> mesh = MakeHandle<MeshBase>();
        EXPECT_EQ(mesh->Build(8, 6, 0, 1, corners, faces, nullptr, red.data()), RESULT_OK);
        return mesh;
    };
    Handle<GraphNode> root = MakeHandle<GraphNode>(), child = MakeHandle<GraphNode>();
    root->AddObject(box().Get());
    root->AddChild(child.Get());
    child->SetPosition({4, 0, 0}, RelativeTo::Local());
    Handle<MeshBase> lost = box();
    lost->textures[0] = MakeHandle<Texture>();
    lost->textures[0]->SetPath("texture/missing.tga");
    child->AddObject(lost.Get());
    const fs::path folder = fs::current_path();
    fs::current_path(file.parent_path());
    fs::create_directories("data");  // where the save records its id
    NodeTreeSerializer writer;
    EXPECT_EQ(writer.SaveNodeTree(root.Get(), file.filename().string(), nullptr), RESULT_OK);
    fs::current_path(folder);
    ResetCatalogsForTesting();
}

TEST_F(ToolTest, ViewDrawsNodeTreesAndTerrains) {
    SaveBoxes(dir_ / "boxes.f3ds");
    const ToolRun boxes = Tool("view " + Path("boxes.f3ds") + " " + Path("boxes.tga") +
                               " --size 160x120 --yaw 0 --pitch 0");
    ASSERT_EQ(boxes.status, 0) << boxes.output;
    EXPECT_NE(boxes.output.find("2 nodes, 2 meshes, 24 triangles"), std::string::npos)
        << boxes.output;
    EXPECT_NE(boxes.output.find("texture not found: texture/missing.tga"), std::string::npos)
        << boxes.output;
    // Framed whole: the boxes fill the middle row from edge to edge, and red.
    Handle<Texture> picture(new Texture);
    ASSERT_EQ(LoadImage(picture.Get(), Path("boxes.tga"), kImageTga), RESULT_OK);
    ASSERT_EQ(picture->Convert(kFormat8888, kOrderRgb), RESULT_OK);
    auto at = [&](uint32_t x, uint32_t y) { return picture->Pixels() + (y * 160 + x) * 4; };
    EXPECT_GT(at(20, 60)[0], 2 * at(20, 60)[1]) << "left box";
    EXPECT_GT(at(140, 60)[0], 2 * at(140, 60)[1]) << "right box";
    EXPECT_EQ(at(80, 5)[0], at(80, 5)[2]) << "grey background above";

    const std::string land =
        "[TERRAIN]\nBLOCS = 2*2\nSIZE = 40*40\n[BLOC]\nBLOCX = 0..1\n"
        "BLOCY = 0..1\nRESOL = 8\n";
    test::WriteFile(Path("land.txt"), Bytes(land.begin(), land.end()));
    const ToolRun terrain = Tool("view " + Path("land.txt") + " " + Path("land.tga"));
    ASSERT_EQ(terrain.status, 0) << terrain.output;
    EXPECT_NE(terrain.output.find("4 meshes, 512 triangles"), std::string::npos) << terrain.output;
    EXPECT_NE(terrain.output.find("4 terrain blocks"), std::string::npos) << terrain.output;

    // Not a node tree: the chunk tag decides, whatever the name.
    const ToolRun wrong = Tool("view " + Path("boxes.tga") + " " + Path("x.tga"));
    EXPECT_EQ(wrong.status, 1);
    EXPECT_NE(wrong.output.find("0x8000000C"), std::string::npos) << wrong.output;
    const std::string zero =
        "[TERRAIN]\nBLOCS = 1*1\nSIZE = 4*4\n[BLOC]\nBLOCX = 0..0\n"
        "BLOCY = 0..0\nRESOL = 0\n";
    test::WriteFile(Path("zero.txt"), Bytes(zero.begin(), zero.end()));
    const ToolRun flat = Tool("view " + Path("zero.txt") + " " + Path("x.tga"));
    EXPECT_EQ(flat.status, 1);
    EXPECT_NE(flat.output.find("0x81080500"), std::string::npos) << flat.output;
}

}  // namespace
}  // namespace vimsa
