#include "tools/assets/noise.h"

#include <algorithm>
#include <cmath>

namespace vimsa::tool {
namespace {

uint32_t Mix(uint32_t h) {
    h ^= h >> 16;
    h *= 0x7FEB352Du;
    h ^= h >> 15;
    h *= 0x846CA68Bu;
    h ^= h >> 16;
    return h;
}

float Fade(float t) {
    return t * t * t * (t * (t * 6 - 15) + 10);
}

int Wrap(int i, int period) {
    const int m = i % period;
    return m < 0 ? m + period : m;
}

}  // namespace

uint32_t Hash3(uint32_t a, uint32_t b, uint32_t c) {
    return Mix(a ^ Mix((b + 0x9E3779B9u) ^ Mix(c + 0x85EBCA6Bu)));
}

float HashUnit(uint32_t a, uint32_t b, uint32_t c) {
    return static_cast<float>(Hash3(a, b, c) >> 8) * (1.0f / 16777216.0f);
}

uint32_t Random::Next() {
    state_ = Mix(state_ + 0x9E3779B9u);
    return state_;
}

float Random::Unit() {
    return static_cast<float>(Next() >> 8) * (1.0f / 16777216.0f);
}

float Random::Range(float low, float high) {
    return low + (high - low) * Unit();
}

float TileNoise::Lattice(int x, int y, int period) const {
    return HashUnit(seed_, static_cast<uint32_t>(Wrap(x, period)),
                    static_cast<uint32_t>(Wrap(y, period)));
}

float TileNoise::Value(float x, float y, int period) const {
    const float fx = std::floor(x), fy = std::floor(y);
    const int ix = static_cast<int>(fx), iy = static_cast<int>(fy);
    const float tx = Fade(x - fx), ty = Fade(y - fy);
    const float a = Lattice(ix, iy, period), b = Lattice(ix + 1, iy, period);
    const float c = Lattice(ix, iy + 1, period), d = Lattice(ix + 1, iy + 1, period);
    const float top = a + (b - a) * tx, bottom = c + (d - c) * tx;
    return top + (bottom - top) * ty;
}

float TileNoise::Fractal(float u, float v, int cells, int octaves, float gain) const {
    float sum = 0, weight = 1, total = 0;
    int period = std::max(cells, 1);
    for (int o = 0; o < octaves; ++o) {
        // Each octave is shifted so that lattice points of one do not line
        // up with those of the next.
        const float shift = 0.37f * static_cast<float>(o);
        sum += weight * Value(u * static_cast<float>(period) + shift,
                              v * static_cast<float>(period) + shift, period);
        total += weight;
        weight *= gain;
        period *= 2;
    }
    return total > 0 ? sum / total : 0.0f;
}

float TileNoise::Ridged(float u, float v, int cells, int octaves, float gain) const {
    float sum = 0, weight = 1, total = 0;
    int period = std::max(cells, 1);
    for (int o = 0; o < octaves; ++o) {
        const float shift = 0.61f * static_cast<float>(o);
        const float n = Value(u * static_cast<float>(period) + shift,
                              v * static_cast<float>(period) + shift, period);
        sum += weight * (1.0f - std::fabs(2.0f * n - 1.0f));
        total += weight;
        weight *= gain;
        period *= 2;
    }
    return total > 0 ? sum / total : 0.0f;
}

TileNoise::Cellular TileNoise::Cells(float u, float v, int cells) const {
    const float x = u * static_cast<float>(cells), y = v * static_cast<float>(cells);
    const int cx = static_cast<int>(std::floor(x)), cy = static_cast<int>(std::floor(y));
    Cellular out;
    out.nearest = out.second = 1e9f;
    for (int dy = -1; dy <= 1; ++dy) {
        for (int dx = -1; dx <= 1; ++dx) {
            const int gx = cx + dx, gy = cy + dy;
            const uint32_t wx = static_cast<uint32_t>(Wrap(gx, cells));
            const uint32_t wy = static_cast<uint32_t>(Wrap(gy, cells));
            const float px = static_cast<float>(gx) + 0.15f + 0.7f * HashUnit(seed_, wx, wy * 2);
            const float py =
                static_cast<float>(gy) + 0.15f + 0.7f * HashUnit(seed_, wx, wy * 2 + 1);
            const float d = std::hypot(px - x, py - y);
            if (d < out.nearest) {
                out.second = out.nearest;
                out.nearest = d;
                out.id = Hash3(seed_, wx, wy);
            } else if (d < out.second) {
                out.second = d;
            }
        }
    }
    return out;
}

}  // namespace vimsa::tool
