#pragma once

#include <cstdint>

namespace vimsa::tool {

// Mixes up to three integers into 32 well-spread bits. Everything the asset
// generator varies is drawn from it, so every run makes the same bytes.
uint32_t Hash3(uint32_t a, uint32_t b = 0, uint32_t c = 0);

// The hash as a number in [0, 1).
float HashUnit(uint32_t a, uint32_t b = 0, uint32_t c = 0);

// A small sequence of numbers from a seed, for choices that need no tiling.
class Random {
public:
    explicit Random(uint32_t seed) : state_(seed) {}
    uint32_t Next();
    // In [0, 1).
    float Unit();
    float Range(float low, float high);

private:
    uint32_t state_;
};

// Noise on a square lattice that repeats every `period` cells, so that a
// picture covering whole periods tiles without a seam.
class TileNoise {
public:
    explicit TileNoise(uint32_t seed) : seed_(seed) {}

    // Smooth noise in [0, 1] at (x, y) in lattice cells.
    float Value(float x, float y, int period) const;
    // Octaves of Value over one tile (u and v in [0, 1)); the first octave
    // has `cells` cells across, each further one twice as many at `gain`
    // times the weight. Normalised to [0, 1].
    float Fractal(float u, float v, int cells, int octaves, float gain = 0.5f) const;
    // Fractal with each octave folded (1 - |2n - 1|): ridges, cracks, veins.
    float Ridged(float u, float v, int cells, int octaves, float gain = 0.5f) const;

    // The feature points nearest to (u, v) when each of cells x cells cells
    // (wrapping) holds one: distances in cells, and the nearest cell's id.
    struct Cellular {
        float nearest = 0;
        float second = 0;
        uint32_t id = 0;
    };
    Cellular Cells(float u, float v, int cells) const;

private:
    float Lattice(int x, int y, int period) const;

    uint32_t seed_;
};

}  // namespace vimsa::tool
