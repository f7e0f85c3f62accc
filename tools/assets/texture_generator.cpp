#include "tools/assets/texture_generator.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "render/image_file_access.h"
#include "render/pixel_format.h"
#include "tools/assets/noise.h"

namespace vimsa::tool {
namespace {

constexpr uint32_t kSize = 256;
constexpr float kPi = 3.14159265f;

float Smooth(float edge0, float edge1, float x) {
    const float t = std::clamp((x - edge0) / (edge1 - edge0), 0.0f, 1.0f);
    return t * t * (3 - 2 * t);
}

float Frac(float x) {
    return x - std::floor(x);
}

// ---- masonry: courses of blocks with mortar between them ----

struct Block {
    uint32_t id = 0;
    float edge = 0;  // distance to the nearest joint, in tile units
};

// Regular bond: `columns` blocks per course, every other course shifted by
// `shift` of a block (a half for bricks, none for tiles).
Block BondAt(float u, float v, int rows, int columns, uint32_t seed, float stagger = 0.5f) {
    const float fv = v * static_cast<float>(rows);
    const int row = static_cast<int>(fv);
    const float shift = (row % 2) ? stagger / static_cast<float>(columns) : 0.0f;
    const float fu = Frac(u + shift) * static_cast<float>(columns);
    const int column = static_cast<int>(fu);
    const float ex = std::min(Frac(fu), 1 - Frac(fu)) / static_cast<float>(columns);
    const float ey = std::min(Frac(fv), 1 - Frac(fv)) / static_cast<float>(rows);
    return {Hash3(seed, static_cast<uint32_t>(row), static_cast<uint32_t>(column)),
            std::min(ex, ey)};
}

// Irregular ashlar: each course holds two to four blocks of random widths.
Block AshlarAt(float u, float v, int rows, uint32_t seed) {
    const float fv = v * static_cast<float>(rows);
    const auto row = static_cast<uint32_t>(fv);
    const int count = 2 + static_cast<int>(Hash3(seed, row, 99) % 3);
    std::array<float, 5> ends{};
    float total = 0;
    for (int i = 0; i < count; ++i) {
        total += 0.6f + HashUnit(seed, row, static_cast<uint32_t>(i));
        ends[static_cast<size_t>(i)] = total;
    }
    const float t = Frac(u + HashUnit(seed, row, 77)) * total;
    int block = 0;
    while (block < count - 1 && t > ends[static_cast<size_t>(block)])
        ++block;
    const float start = block == 0 ? 0.0f : ends[static_cast<size_t>(block - 1)];
    const float ex = std::min(t - start, ends[static_cast<size_t>(block)] - t) / total;
    const float ey = std::min(Frac(fv), 1 - Frac(fv)) / static_cast<float>(rows);
    return {Hash3(seed, row, static_cast<uint32_t>(block) + 7), std::min(ex, ey)};
}

// Height of a block face: bevelled edges chipped by noise, joints low.
float BlockHeight(const Block& b, float mortar, float bevel, float chip) {
    const float e = b.edge - mortar - chip;
    return e <= 0 ? 0.1f : 0.35f + 0.65f * Smooth(0, bevel, e);
}

Picture Shaded(const std::function<Rgba(float, float)>& colour,
               const std::function<float(float, float)>& height, float depth,
               uint32_t width = kSize, uint32_t heightPixels = kSize) {
    Picture p(width, heightPixels);
    p.Fill(colour);
    p.Emboss(p.HeightField(height), depth);
    return p;
}

Picture StoneWall() {
    const TileNoise grain(11), chips(12), stain(13);
    constexpr int kRows = 4;
    constexpr float kMortar = 0.008f;
    auto chip = [&](float u, float v) { return 0.012f * chips.Fractal(u, v, 16, 4); };
    auto colour = [&](float u, float v) {
        const Block b = AshlarAt(u, v, kRows, 101);
        const float detail = 0.72f + 0.5f * grain.Fractal(u, v, 32, 5);
        if (b.edge - kMortar - chip(u, v) <= 0) return Scale(Rgb8(112, 106, 96), detail);
        const Rgba tint = Mix(Rgb8(182, 164, 134), Rgb8(150, 147, 140), HashUnit(b.id, 1));
        const float mottle = 0.85f + 0.3f * stain.Fractal(u, v, 4, 3);
        return Scale(tint, (0.88f + 0.24f * HashUnit(b.id, 2)) * detail * mottle);
    };
    auto height = [&](float u, float v) {
        const Block b = AshlarAt(u, v, kRows, 101);
        return BlockHeight(b, kMortar, 0.03f, chip(u, v)) *
               (0.85f + 0.15f * grain.Fractal(u, v, 8, 4));
    };
    return Shaded(colour, height, 5.0f);
}

Picture BrickWall() {
    const TileNoise grain(21), soot(22);
    constexpr int kRows = 8, kColumns = 3;
    constexpr float kMortar = 0.009f;
    auto colour = [&](float u, float v) {
        const Block b = BondAt(u, v, kRows, kColumns, 202);
        const float detail = 0.78f + 0.4f * grain.Fractal(u, v, 64, 4);
        if (b.edge <= kMortar) return Scale(Rgb8(176, 170, 158), detail);
        const float pick = HashUnit(b.id, 3);
        Rgba tint = Mix(Rgb8(158, 66, 44), Rgb8(124, 50, 36), HashUnit(b.id, 4));
        if (pick > 0.85f) tint = Rgb8(92, 44, 34);   // over-fired
        if (pick < 0.12f) tint = Rgb8(170, 96, 62);  // pale
        const float burn = 0.8f + 0.25f * soot.Fractal(u, v, 8, 3);
        return Scale(tint, detail * burn);
    };
    auto height = [&](float u, float v) {
        const Block b = BondAt(u, v, kRows, kColumns, 202);
        return BlockHeight(b, kMortar, 0.012f, 0.004f * grain.Fractal(u, v, 32, 3));
    };
    return Shaded(colour, height, 4.0f);
}

// Marble: a base colour crossed by veins of another.
Rgba Marble(const TileNoise& n, float u, float v, Rgba base, Rgba vein, int cells) {
    const float crack = std::pow(n.Ridged(u, v, cells, 5, 0.55f), 14.0f);
    const float drift = std::pow(n.Ridged(v + 0.4f, u, cells, 4, 0.5f), 5.0f);
    const float cloud = 0.9f + 0.14f * n.Fractal(u + 0.3f, v, cells * 2, 4);
    return Scale(Mix(base, vein, std::min(1.0f, crack * 0.9f + drift * 0.3f)), cloud);
}

Picture FloorTiles() {
    const TileNoise marble(31), wear(32);
    constexpr int kTiles = 4;
    constexpr float kGrout = 0.005f;
    auto colour = [&](float u, float v) {
        const Block b = BondAt(u, v, kTiles, kTiles, 303, 0);
        const int parity = (static_cast<int>(u * kTiles) + static_cast<int>(v * kTiles)) % 2;
        if (b.edge <= kGrout) return Rgb8(70, 66, 60);
        const Rgba tile = parity ? Marble(marble, u, v, Rgb8(232, 224, 206), Rgb8(150, 140, 128), 4)
                                 : Marble(marble, v, u, Rgb8(44, 58, 52), Rgb8(150, 170, 160), 4);
        return Scale(tile, 0.94f + 0.1f * wear.Fractal(u, v, 8, 3));
    };
    auto height = [&](float u, float v) {
        return BlockHeight(BondAt(u, v, kTiles, kTiles, 303, 0), kGrout, 0.006f, 0);
    };
    return Shaded(colour, height, 2.0f);
}

Picture WoodPlanks() {
    const TileNoise grain(41), knots(42);
    constexpr int kPlanks = 5;
    auto plank = [](float u) { return static_cast<uint32_t>(u * kPlanks); };
    // Each plank has one butt joint at its own height.
    auto joint = [&](float u, float v) {
        const float at = HashUnit(404, plank(u));
        return std::fabs(Frac(v - at + 0.5f) - 0.5f);
    };
    auto colour = [&](float u, float v) {
        const uint32_t id = plank(u);
        const float local = Frac(u * kPlanks);
        const float warp = grain.Fractal(u * 0.5f + HashUnit(id, 5), v, 2, 4);
        const float rings = Frac((local * 2.5f + warp * 2.5f) + HashUnit(id, 6) * 4);
        const float streak = std::pow(std::fabs(2 * rings - 1), 3.0f);
        Rgba wood = Mix(Rgb8(156, 104, 60), Rgb8(106, 64, 34), streak);
        wood = Scale(wood, 0.82f + 0.3f * HashUnit(id, 7));
        const float fibre = 0.9f + 0.12f * grain.Value(local * 40, v * 256, 256);
        const float knot = Smooth(0.78f, 0.9f, knots.Fractal(u, v, 6, 2));
        wood = Mix(wood, Rgb8(70, 40, 22), knot * 0.7f);
        if (std::min(local, 1 - local) < 0.02f || joint(u, v) < 0.004f) return Rgb8(40, 26, 16);
        return Scale(wood, fibre);
    };
    auto height = [&](float u, float v) {
        const float local = Frac(u * kPlanks);
        const float edge = std::min({local / kPlanks, (1 - local) / kPlanks, joint(u, v)});
        return 0.3f + 0.7f * Smooth(0.002f, 0.01f, edge);
    };
    return Shaded(colour, height, 3.0f);
}

Picture MetalPlates() {
    const TileNoise brush(51), rust(52), dirt(53);
    constexpr int kPlates = 2;
    auto rivet = [](float u, float v) {
        // Rivets every eighth of a plate, a little inside each seam.
        const float pu = Frac(u * kPlates), pv = Frac(v * kPlates);
        const float along = std::fabs(Frac(pu * 8 + 0.5f) - 0.5f) / (8.0f * kPlates);
        const float acrossU = std::min(pu, 1 - pu) / kPlates - 0.03f;
        const float alongV = std::fabs(Frac(pv * 8 + 0.5f) - 0.5f) / (8.0f * kPlates);
        const float acrossV = std::min(pv, 1 - pv) / kPlates - 0.03f;
        const float d1 = std::hypot(along, acrossV), d2 = std::hypot(alongV, acrossU);
        return std::min(d1, d2);
    };
    auto seam = [](float u, float v) {
        const float pu = Frac(u * kPlates), pv = Frac(v * kPlates);
        return std::min({pu, 1 - pu, pv, 1 - pv}) / kPlates;
    };
    auto colour = [&](float u, float v) {
        const float streak =
            brush.Value(u * 4, v * 256, 256) * 0.5f + brush.Value(u * 16 + 3, v * 128, 128) * 0.5f;
        Rgba steel = Scale(Rgb8(150, 156, 162), 0.8f + 0.3f * streak);
        steel = Scale(steel, 0.85f + 0.2f * dirt.Fractal(u, v, 4, 4));
        const float r = Smooth(0.62f, 0.78f, rust.Fractal(u, v, 8, 5));
        steel = Mix(steel, Rgb8(128, 68, 34), r * 0.85f);
        if (seam(u, v) < 0.004f) return Rgb8(40, 42, 44);
        if (rivet(u, v) < 0.012f) return Scale(Rgb8(170, 172, 176), 0.9f + 0.2f * streak);
        return steel;
    };
    auto height = [&](float u, float v) {
        const float dome = std::max(0.0f, 1 - rivet(u, v) / 0.012f);
        return 0.5f * Smooth(0.002f, 0.008f, seam(u, v)) + 0.4f * std::sqrt(dome);
    };
    return Shaded(colour, height, 3.0f);
}

Picture Cobbles() {
    const TileNoise cells(61), grain(62), moss(63);
    constexpr int kCells = 7;
    auto colour = [&](float u, float v) {
        const TileNoise::Cellular c = cells.Cells(u, v, kCells);
        const float gap = c.second - c.nearest;
        const float detail = 0.75f + 0.45f * grain.Fractal(u, v, 32, 4);
        if (gap < 0.1f) {
            const float m = moss.Fractal(u, v, 8, 3);
            return Scale(Mix(Rgb8(70, 62, 50), Rgb8(64, 92, 44), Smooth(0.45f, 0.65f, m)), detail);
        }
        const Rgba stone = Mix(Rgb8(140, 136, 128), Rgb8(122, 110, 96), HashUnit(c.id, 1));
        return Scale(stone, (0.8f + 0.35f * HashUnit(c.id, 2)) * detail);
    };
    auto height = [&](float u, float v) {
        const TileNoise::Cellular c = cells.Cells(u, v, kCells);
        const float dome = Smooth(0.05f, 0.45f, c.second - c.nearest);
        return 0.15f + 0.85f * std::sqrt(dome) + 0.05f * grain.Fractal(u, v, 32, 3);
    };
    return Shaded(colour, height, 6.0f);
}

// Stone tracery: the wall stone pierced by a lattice of round openings.
Picture StoneLattice() {
    const TileNoise grain(71);
    auto opening = [](float u, float v) {
        // Distance outside the nearest opening: a big circle per quarter, a
        // small one at every corner between them.
        const float cu = Frac(u * 2) - 0.5f, cv = Frac(v * 2) - 0.5f;
        const float big = std::hypot(cu, cv) - 0.32f;
        const float ku = std::fabs(Frac(u * 2 + 0.5f) - 0.5f);
        const float kv = std::fabs(Frac(v * 2 + 0.5f) - 0.5f);
        const float small = std::hypot(ku, kv) - 0.1f;
        return std::min(big, small) / 2;
    };
    auto height = [&](float u, float v) { return Smooth(0, 0.03f, opening(u, v)); };
    auto colour = [&](float u, float v) {
        const float detail = 0.75f + 0.45f * grain.Fractal(u, v, 32, 5);
        Rgba c = Scale(Rgb8(182, 166, 138), detail);
        c.a = Smooth(-0.002f, 0.002f, opening(u, v));
        return c;
    };
    return Shaded(colour, height, 5.0f);
}

Picture ParticleSpot() {
    Picture p(64, 64);
    p.Fill([](float u, float v) {
        const float r = std::hypot(u - 0.5f, v - 0.5f) * 2;  // 1 at the edge's middle
        const float core = std::exp(-r * r * 9.0f);
        const float halo = std::max(0.0f, 1 - r) * 0.35f;
        Rgba c = Mix(Rgb8(255, 236, 200), Rgb8(255, 255, 255), core);
        c.a = std::clamp(core + halo * halo * 2, 0.0f, 1.0f);
        return c;
    });
    return p;
}

Picture White() {
    Picture p(8, 8);
    p.Fill([](float, float) { return Rgba{1, 1, 1, 1}; });
    return p;
}

// ---- materials of the props and the characters ----

Picture WhiteMarble() {
    const TileNoise n(81);
    Picture p(kSize, kSize);
    p.Fill([&](float u, float v) {
        return Marble(n, u, v, Rgb8(236, 232, 224), Rgb8(140, 136, 134), 3);
    });
    return p;
}

Picture Verdigris() {
    const TileNoise n(91), streak(92);
    Picture p(128, 128);
    p.Fill([&](float u, float v) {
        const float base = n.Fractal(u, v, 8, 5);
        const float runs = streak.Value(u * 16, v * 2, 16);
        Rgba c = Mix(Rgb8(86, 150, 128), Rgb8(140, 196, 172), base);
        c = Mix(c, Rgb8(60, 96, 80), Smooth(0.55f, 0.8f, runs) * 0.6f);
        return c;
    });
    return p;
}

// A coarse map of the Earth's land, 5.625 degrees a cell, north at the top
// and 180 degrees west at the left.
constexpr std::array<const char*, 32> kWorld = {
    "................................................................",
    "................############......##....##.......##.............",
    "............#################.....##.....##.....#####...#.......",
    "..###########################.....##############################",
    ".##############..####.#####.#....###############################",
    "...###########...#####..#......#.#######################....#...",
    "......#########..######........#########################....#...",
    ".........#############.........######...################.#......",
    "..........##########..........###.#######.#############.##......",
    "..........#########...........##....##################.##.......",
    "...........#######............########################..........",
    "...........#####.#...........#########.####.##########..........",
    ".............####.##.........#############..###.####..#.........",
    "...............###...........#############...#..###...#.........",
    ".................#####.......#############....#..#....#.........",
    ".................#######........#########.......##.###..........",
    ".................########........#######.........#.##...###.....",
    "..................########.......#######..........##....###.....",
    "..................#######.........#######.............####......",
    "...................######.........#####.#...........#######.....",
    "...................#####..........####..#...........#######.....",
    "...................####...........###...............#######.....",
    "...................###..............................#...##....#.",
    "...................##....................................#...##.",
    "...................##...........................................",
    "...................##...........................................",
    "................................................................",
    "....................##..........................................",
    "....##################.......###############################....",
    "################################################################",
    "################################################################",
    "################################################################",
};

float LandAt(float u, float v) {
    // Bilinear between cell centres, wrapping east-west.
    const float x = u * 64 - 0.5f, y = std::clamp(v * 32 - 0.5f, 0.0f, 31.0f);
    const int x0 = static_cast<int>(std::floor(x)), y0 = static_cast<int>(y);
    const int y1 = std::min(y0 + 1, 31);
    auto cell = [](int cx, int cy) {
        const int wx = ((cx % 64) + 64) % 64;
        return kWorld[static_cast<size_t>(cy)][wx] == '#' ? 1.0f : 0.0f;
    };
    const float fx = x - std::floor(x), fy = y - static_cast<float>(y0);
    const float top = cell(x0, y0) + (cell(x0 + 1, y0) - cell(x0, y0)) * fx;
    const float bottom = cell(x0, y1) + (cell(x0 + 1, y1) - cell(x0, y1)) * fx;
    return top + (bottom - top) * fy;
}

Rgba LandColour(const TileNoise& n, float u, float v, float latitude) {
    // Deserts about the tropics, forest on either side, tundra towards the poles.
    const float band = std::fabs(latitude) + 0.04f * (n.Fractal(u, v, 8, 3) - 0.5f);
    const float dry = Smooth(0.06f, 0.1f, band) * (1 - Smooth(0.17f, 0.21f, band));
    Rgba land = Mix(Rgb8(58, 124, 50), Rgb8(210, 182, 116), dry * 0.95f);
    land = Mix(land, Rgb8(128, 124, 92), Smooth(0.32f, 0.38f, band));
    return Scale(land, 0.85f + 0.3f * n.Fractal(u, v, 16, 4));
}

Picture Globe() {
    const TileNoise coast(101), tint(102);
    Picture p(kSize, kSize / 2);
    p.Fill([&](float u, float v) {
        const float latitude = 0.5f - v;  // +0.5 north pole, -0.5 south pole
        const float land = LandAt(u, v) + 0.45f * (coast.Fractal(u, v * 0.5f, 16, 4) - 0.5f);
        Rgba c = Mix(Rgb8(24, 70, 150), Rgb8(60, 120, 190), Smooth(0.1f, 0.5f, land));
        if (land > 0.5f) c = LandColour(tint, u, v, latitude);
        const float ice =
            Smooth(0.42f, 0.44f, std::fabs(latitude) + 0.02f * coast.Value(u * 32, 0, 32));
        c = Mix(c, Rgb8(240, 244, 248), ice);
        // Meridians and parallels every 30 degrees.
        const float mu = std::fabs(Frac(u * 12 + 0.5f) - 0.5f) * 12,
                    mv = std::fabs(Frac(v * 6 + 0.5f) - 0.5f) * 6;
        if (mu < 0.06f || mv < 0.06f) c = Mix(c, Rgb8(230, 210, 150), 0.45f);
        return c;
    });
    return p;
}

Picture Water() {
    const TileNoise n(111);
    Picture p(128, 128);
    p.Fill([&](float u, float v) {
        const float ripple = n.Ridged(u, v, 4, 4);
        return Mix(Rgb8(40, 90, 130), Rgb8(150, 200, 220), std::pow(ripple, 4.0f));
    });
    return p;
}

// Tabby fur: bands across v (rings round a body whose texture runs along it).
Picture Fur() {
    const TileNoise wave(121), hair(122);
    Picture p(128, 128);
    p.Fill([&](float u, float v) {
        const float bands = std::sin((v * 10 + 0.6f * wave.Fractal(u, v, 4, 3)) * 2 * kPi);
        const float strands = hair.Value(u * 128, v * 8, 128);
        Rgba c = Mix(Rgb8(214, 150, 82), Rgb8(120, 68, 30), Smooth(0.2f, 0.8f, bands));
        return Scale(c, 0.8f + 0.3f * strands);
    });
    return p;
}

Picture PigSkin() {
    const TileNoise n(131), dots(132);
    Picture p(128, 128);
    p.Fill([&](float u, float v) {
        Rgba c = Mix(Rgb8(236, 168, 160), Rgb8(214, 140, 136), n.Fractal(u, v, 4, 4));
        const float bristle = dots.Value(u * 64, v * 64, 64);
        return bristle > 0.85f ? Scale(c, 0.88f) : c;
    });
    return p;
}

Picture Bark() {
    const TileNoise fissure(141), grain(142);
    auto height = [&](float u, float v) { return fissure.Ridged(u * 2, v * 0.5f, 6, 4); };
    auto colour = [&](float u, float v) {
        const float h = height(u, v);
        const Rgba c = Mix(Rgb8(52, 40, 30), Rgb8(124, 106, 84), Smooth(0.4f, 0.8f, h));
        return Scale(c, 0.85f + 0.25f * grain.Fractal(u, v, 32, 3));
    };
    return Shaded(colour, height, 6.0f);
}

// Foliage: overlapping leaves of many greens on a dark ground, wrapping at
// the edges.
Picture Leaves() {
    Picture p(kSize, kSize);
    p.Fill([](float, float) { return Rgb8(24, 48, 20); });
    Random random(151);
    for (int leaf = 0; leaf < 900; ++leaf) {
        const float cx = random.Unit() * kSize, cy = random.Unit() * kSize;
        const float angle = random.Unit() * kPi, length = random.Range(8, 15);
        const float width = length * 0.45f;
        const Rgba tone = Mix(Rgb8(52, 110, 36), Rgb8(120, 170, 60), random.Unit());
        const float ca = std::cos(angle), sa = std::sin(angle);
        for (int dy = -16; dy <= 16; ++dy) {
            for (int dx = -16; dx <= 16; ++dx) {
                const float along = dx * ca + dy * sa, across = -dx * sa + dy * ca;
                const float t = along / length;
                if (std::fabs(t) > 1) continue;
                const float half = width * std::sqrt(1 - t * t);
                if (std::fabs(across) > half) continue;
                // Lit on one side of the midrib.
                const float shade = (across > 0 ? 1.0f : 0.8f) * (0.8f + 0.2f * (1 - std::fabs(t)));
                const int x = static_cast<int>(cx) + dx, y = static_cast<int>(cy) + dy;
                const auto wx = static_cast<uint32_t>((x + kSize) % kSize);
                const auto wy = static_cast<uint32_t>((y + kSize) % kSize);
                p.Set(wx, wy, Scale(tone, std::fabs(across) < 0.7f ? shade * 1.15f : shade));
            }
        }
    }
    return p;
}

// Plain weave, light grey, to be tinted by vertex colours.
Picture Cloth() {
    const TileNoise n(161);
    Picture p(128, 128);
    p.Fill([&](float u, float v) {
        const float warp = std::sin(u * 64 * 2 * kPi), weft = std::sin(v * 64 * 2 * kPi);
        const float weave = 0.5f + 0.25f * (warp * weft);
        const float tone = 0.78f + 0.14f * weave + 0.1f * n.Fractal(u, v, 8, 3);
        return Rgba{tone, tone, tone, 1};
    });
    return p;
}

// Near white with a faint mottle, to be tinted by vertex colours.
Picture Skin() {
    const TileNoise n(171);
    Picture p(64, 64);
    p.Fill([&](float u, float v) {
        const float t = 0.92f + 0.08f * n.Fractal(u, v, 4, 3);
        return Rgba{t, t * 0.98f, t * 0.97f, 1};
    });
    return p;
}

Picture Hair() {
    const TileNoise n(181);
    Picture p(64, 64);
    p.Fill([&](float u, float v) {
        const float strand = n.Value(u * 64, v * 4, 64);
        const float t = 0.65f + 0.35f * strand;
        return Rgba{t, t, t, 1};
    });
    return p;
}

}  // namespace

const std::vector<TextureFile>& TextureGenerator::Files() {
    static const std::vector<TextureFile> files = {
        {"texture/white.bmp", 24, false, &White},
        {"texture/g06.tga", 24, false, &StoneWall},
        {"texture/g12.tga", 16, false, &BrickWall},
        {"texture/h28.tga", 24, true, &FloorTiles},
        {"texture/g19.tga", 24, false, &WoodPlanks},
        {"texture/g63.tga", 24, false, &MetalPlates},
        {"texture/g29.tga", 16, false, &Cobbles},
        {"texture/g06alpha.tga", 32, false, &StoneLattice},
        {"texture/particle.tga", 32, false, &ParticleSpot},
        {"texture/marble.tga", 24, false, &WhiteMarble},
        {"texture/verdigris.tga", 24, false, &Verdigris},
        {"texture/globe.tga", 24, false, &Globe},
        {"texture/water.tga", 24, false, &Water},
        {"texture/fur.tga", 24, false, &Fur},
        {"texture/pigskin.tga", 24, false, &PigSkin},
        {"texture/bark.tga", 24, false, &Bark},
        {"texture/leaves.tga", 24, false, &Leaves},
        {"texture/cloth.tga", 24, false, &Cloth},
        {"texture/skin.tga", 24, false, &Skin},
        {"texture/hair.tga", 24, false, &Hair},
    };
    return files;
}

Result TextureGenerator::Write(const TextureFile& file) {
    const Picture picture = file.make();
    const std::string& path = file.path;
    const bool bmp = path.size() > 4 && path.compare(path.size() - 4, 4, ".bmp") == 0;
    Result r = bmp ? picture.SaveBmp(path) : picture.SaveTga(path, file.bits);
    if (Succeeded(r) && file.chunkTwin) {
        const std::string twin = path.substr(0, path.size() - 4) + ".FTGA";
        const int32_t format = file.bits == 16   ? kFormat0565
                               : file.bits == 32 ? kFormat8888
                                                 : kFormat0888;
        r = picture.SaveChunkTexture(twin, format, file.bits);
    }
    return r;
}

Result TextureGenerator::WriteAll() {
    if (!image_files::MakeFolders("texture")) return ERR_FILE_WRITE;
    for (const TextureFile& file : Files()) {
        const Result r = Write(file);
        if (Failed(r)) return r;
    }
    return RESULT_OK;
}

}  // namespace vimsa::tool
