#include "tools/assets/terrain_generator.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "render/image_file_access.h"
#include "tools/assets/file_bytes.h"
#include "tools/assets/noise.h"
#include "tools/assets/picture.h"

namespace vimsa::tool {
namespace {

constexpr float kHalf = TerrainGenerator::kSize / 2;
constexpr int kSectionRows = TerrainGenerator::kBlocks / 2;  // block rows per section
constexpr uint32_t kHeightWidth = TerrainGenerator::kBlocks * TerrainGenerator::kResolution + 1;
constexpr uint32_t kHeightRows = kSectionRows * TerrainGenerator::kResolution + 1;
constexpr uint32_t kColourWidth = 256, kColourRows = 128;
constexpr int kDetailTiles = 16;  // detail texture repeats across the terrain

float Smooth(float edge0, float edge1, float x) {
    const float t = std::clamp((x - edge0) / (edge1 - edge0), 0.0f, 1.0f);
    return t * t * (3 - 2 * t);
}

// One BLOC section: a band of block rows across the whole width. Row 0 of
// the blocks lies at +z, so section 0 covers z from 0 to +32 and section 1
// z from -32 to 0.
struct Section {
    int index;
    float zLow() const { return index == 0 ? 0.0f : -kHalf; }
    float zHigh() const { return index == 0 ? kHalf : 0.0f; }
    std::string Name(const char* kind) const {
        return "terrain/" + std::string(kind) + std::to_string(index) + ".tga";
    }
};

// A block samples its section's height picture at (W - 1) u, (H - 1) v, with
// v = 0 at the section's lowest z: the picture's first row. A picture of
// RESOL pixels per block (plus one) puts every vertex on a pixel.
Picture HeightPicture(const Section& s) {
    Picture p(kHeightWidth, kHeightRows);
    for (uint32_t y = 0; y < kHeightRows; ++y) {
        for (uint32_t x = 0; x < kHeightWidth; ++x) {
            const float wx = -kHalf + TerrainGenerator::kSize * static_cast<float>(x) /
                                          static_cast<float>(kHeightWidth - 1);
            const float wz = s.zLow() + (s.zHigh() - s.zLow()) * static_cast<float>(y) /
                                            static_cast<float>(kHeightRows - 1);
            const double fraction =
                TerrainGenerator::GroundHeight(wx, wz) / TerrainGenerator::kHeightScale;
            // 24 bits of height: red, green and blue from high to low.
            const auto q =
                static_cast<uint32_t>(std::lround(std::clamp(fraction, 0.0, 1.0) * 16777215.0));
            p.Set(x, y,
                  Rgb8(static_cast<int>(q >> 16), static_cast<int>((q >> 8) & 0xFF),
                       static_cast<int>(q & 0xFF)));
        }
    }
    return p;
}

// Bare earth in the clearing, grass on the slopes, rock where they are steep,
// drier grass high up, shaded by the hills.
Rgba GroundColour(const TileNoise& n, float x, float z) {
    const float h = TerrainGenerator::GroundHeight(x, z);
    const float dx =
        TerrainGenerator::GroundHeight(x + 0.5f, z) - TerrainGenerator::GroundHeight(x - 0.5f, z);
    const float dz =
        TerrainGenerator::GroundHeight(x, z + 0.5f) - TerrainGenerator::GroundHeight(x, z - 0.5f);
    const float slope = std::hypot(dx, dz);
    const float u = (x + kHalf) / TerrainGenerator::kSize,
                v = (z + kHalf) / TerrainGenerator::kSize;
    const float patch = n.Fractal(u, v, 16, 5);
    Rgba c = Mix(Rgb8(70, 116, 46), Rgb8(112, 148, 60), patch);
    c = Mix(c, Rgb8(150, 150, 84), Smooth(4.0f, 7.0f, h) * 0.7f);
    const float earth =
        1 - Smooth(TerrainGenerator::kClearing - 1, TerrainGenerator::kClearing + 2.5f + 2 * patch,
                   std::hypot(x, z));
    c = Mix(c, Scale(Rgb8(150, 128, 96), 0.85f + 0.3f * n.Fractal(u, v, 64, 3)), earth);
    // Rock where the slope is steep, scree below it.
    c = Mix(c, Scale(Rgb8(128, 120, 108), 0.75f + 0.45f * patch), Smooth(0.55f, 0.95f, slope));
    // Light from the +x, -z side, as the hills catch the sun.
    const float shade = std::clamp(1.0f + 0.45f * (dz - dx), 0.6f, 1.3f);
    return Scale(c, shade);
}

Picture ColourPicture(const Section& s) {
    const TileNoise n(501);
    Picture p(kColourWidth, kColourRows);
    for (uint32_t y = 0; y < kColourRows; ++y) {
        for (uint32_t x = 0; x < kColourWidth; ++x) {
            const float wx = -kHalf + TerrainGenerator::kSize * (static_cast<float>(x) + 0.5f) /
                                          static_cast<float>(kColourWidth);
            const float wz = s.zLow() + (s.zHigh() - s.zLow()) * (static_cast<float>(y) + 0.5f) /
                                            static_cast<float>(kColourRows);
            p.Set(x, y, GroundColour(n, wx, wz));
        }
    }
    return p;
}

// Grey grain that multiplies the colour close up: blades, pebbles, clods.
Picture DetailPicture() {
    const TileNoise fine(511), coarse(512);
    Picture p(128, 128);
    p.Fill([&](float u, float v) {
        const float t =
            0.72f + 0.18f * fine.Fractal(u, v, 32, 3) + 0.1f * coarse.Fractal(u, v, 4, 3);
        return Rgba{t, t, t, 1};
    });
    return p;
}

std::string Description() {
    std::string text;
    auto line = [&](const std::string& s) { text += s + "\r\n"; };
    char buffer[128];
    line("// Vimsa II demo terrain: rolling hills around a flat clearing.");
    line("// Written by vimsa-tool assets. Heights grow towards -y; the ground at the");
    line("// centre lies at y = 0 of the node that carries the terrain.");
    line("");
    line("[TERRAIN]");
    std::snprintf(buffer, sizeof buffer, "BLOCS = %d*%d", TerrainGenerator::kBlocks,
                  TerrainGenerator::kBlocks);
    line(buffer);
    std::snprintf(buffer, sizeof buffer, "SIZE = %g*%g  // centred on the terrain's node",
                  TerrainGenerator::kSize, TerrainGenerator::kSize);
    line(buffer);
    std::snprintf(buffer, sizeof buffer, "ALTI = %g", TerrainGenerator::kAltitude);
    line(buffer);
    for (int index = 0; index < 2; ++index) {
        const Section s{index};
        line("");
        line("[BLOC]");
        line(index == 0 ? "// the +z half" : "// the -z half");
        std::snprintf(buffer, sizeof buffer, "BLOCX = 0..%d", TerrainGenerator::kBlocks - 1);
        line(buffer);
        std::snprintf(buffer, sizeof buffer, "BLOCY = %d..%d", index * kSectionRows,
                      index * kSectionRows + kSectionRows - 1);
        line(buffer);
        std::snprintf(buffer, sizeof buffer, "RESOL = %d", TerrainGenerator::kResolution);
        line(buffer);
        line("TEXALTI = " + s.Name("height"));
        line("TEXCOLOR = " + s.Name("colour"));
        line("DETAIL = terrain/detail.tga");
        std::snprintf(buffer, sizeof buffer, "TILE = %d*%d", kDetailTiles, kDetailTiles / 2);
        line(buffer);
        line("ALTI = 0");
        std::snprintf(buffer, sizeof buffer, "HEIGHT = %g", TerrainGenerator::kHeightScale);
        line(buffer);
    }
    return text;
}

}  // namespace

float TerrainGenerator::GroundHeight(float x, float z) {
    static const TileNoise hills(521), ridges(522);
    const float r = std::hypot(x, z);
    const float u = (x + kHalf) / kSize, v = (z + kHalf) / kSize;
    const float open = Smooth(kClearing, kClearing + 8, r);
    // A bowl of slopes rising towards the edges, with hills and crests on it.
    const float bowl = 5.5f * Smooth(7, kHalf * 1.15f, r);
    const float lumps = std::max(0.0f, hills.Fractal(u, v, 3, 5) - 0.3f) * 9.0f;
    const float crests = std::pow(ridges.Ridged(u, v, 4, 4), 2.0f) * 3.0f;
    const float raw = open * (bowl + (lumps + crests) * (0.25f + 0.75f * Smooth(8, 22, r)));
    // Soft ceiling: the highest ground stays near kHighest.
    return kHighest * (1 - std::exp(-raw / kHighest * 1.1f));
}

Result TerrainGenerator::WriteAll(std::vector<std::string>& written) {
    if (!image_files::MakeFolders("terrain")) return ERR_FILE_WRITE;
    const std::string text = Description();
    Result r = WriteBytes("terrain/terrain.txt",
                          std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
    if (Failed(r)) return r;
    written.push_back("terrain/terrain.txt");
    for (int index = 0; index < 2 && Succeeded(r); ++index) {
        const Section s{index};
        r = HeightPicture(s).SaveTga(s.Name("height"), 24);
        if (Succeeded(r)) r = ColourPicture(s).SaveTga(s.Name("colour"), 24);
        written.push_back(s.Name("height"));
        written.push_back(s.Name("colour"));
    }
    if (Succeeded(r)) r = DetailPicture().SaveTga("terrain/detail.tga", 24);
    written.push_back("terrain/detail.tga");
    return r;
}

}  // namespace vimsa::tool
