#pragma once

// Terrain descriptions and height pictures written by the tests themselves.

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <initializer_list>
#include <string>
#include <string_view>

#include "tests/render/image_builders.h"

namespace vimsa::test {

using Rgb = std::array<uint8_t, 3>;

// A 24-bit TGA stored top row first, so texture row y is colour(x, y)'s row y.
inline void WriteTga24(const std::filesystem::path& path, uint32_t width, uint32_t height,
                       const std::function<Rgb(uint32_t, uint32_t)>& colour) {
    Bytes b = TgaHeader(width, height, 24, 0x20);
    for (uint32_t y = 0; y < height; ++y) {
        for (uint32_t x = 0; x < width; ++x) {
            const Rgb c = colour(x, y);
            Append(b, {c[2], c[1], c[0]});
        }
    }
    WriteFile(path, b);
}

// The lines of a description ended as the engine's own files end them.
inline std::string CrLfLines(std::initializer_list<std::string_view> lines) {
    std::string text;
    for (std::string_view line : lines) {
        text += line;
        text += "\r\n";
    }
    return text;
}

inline void WriteText(const std::filesystem::path& path, std::string_view text) {
    WriteFile(path, Bytes(text.begin(), text.end()));
}

}  // namespace vimsa::test
