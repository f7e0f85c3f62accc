#pragma once

// Small image files built byte by byte, so the readers are tested against
// the formats themselves rather than against our own writer.

#include <cstdint>
#include <filesystem>
#include <initializer_list>
#include <string>
#include <vector>

namespace vimsa::test {

using Bytes = std::vector<uint8_t>;

inline void PutLe16(Bytes& b, std::size_t at, uint32_t v) {
    b[at] = static_cast<uint8_t>(v);
    b[at + 1] = static_cast<uint8_t>(v >> 8);
}

inline void PutLe32(Bytes& b, std::size_t at, uint32_t v) {
    PutLe16(b, at, v & 0xFFFF);
    PutLe16(b, at + 2, v >> 16);
}

// Appends bytes one by one (GCC 12 misjudges bounds of a range insert here).
inline void Append(Bytes& b, std::initializer_list<uint8_t> bytes) {
    for (uint8_t v : bytes)
        b.push_back(v);
}

// Uncompressed true-colour TGA header; pixels are appended by the caller.
inline Bytes TgaHeader(uint32_t width, uint32_t height, uint8_t depth, uint8_t descriptor) {
    Bytes b(18, 0);
    b[2] = 2;
    PutLe16(b, 12, width);
    PutLe16(b, 14, height);
    b[16] = depth;
    b[17] = descriptor;
    return b;
}

// 24-bit BMP with the given rows (each width*3 bytes of blue, green, red) in
// file order, padded to 4 bytes per row.
inline Bytes Bmp24(uint32_t width, const std::vector<Bytes>& rows) {
    const uint32_t stride = (width * 3 + 3) & ~3u;
    Bytes b(54, 0);
    b[0] = 'B';
    b[1] = 'M';
    PutLe32(b, 10, 54);
    PutLe32(b, 14, 40);
    PutLe32(b, 18, width);
    PutLe32(b, 22, static_cast<uint32_t>(rows.size()));
    PutLe16(b, 26, 1);
    PutLe16(b, 28, 24);
    for (const Bytes& row : rows) {
        Bytes padded = row;
        padded.resize(stride, 0xEE);  // padding bytes that must never show up
        b.insert(b.end(), padded.begin(), padded.end());
    }
    PutLe32(b, 2, static_cast<uint32_t>(b.size()));
    return b;
}

// 8-bit PCX: header, the given run-length data, the marker and a palette in
// which entry i is (i, 255 - i, i / 2).
inline Bytes Pcx8(uint32_t width, uint32_t height, const Bytes& data, uint32_t lineBytes = 0) {
    Bytes b(128, 0);
    b[0] = 10;
    b[1] = 5;
    b[2] = 1;
    b[3] = 8;
    PutLe16(b, 8, width - 1);
    PutLe16(b, 10, height - 1);
    b[65] = 1;
    PutLe16(b, 66, lineBytes ? lineBytes : width);
    b.insert(b.end(), data.begin(), data.end());
    b.push_back(12);
    for (uint32_t i = 0; i < 256; ++i) {
        b.push_back(static_cast<uint8_t>(i));
        b.push_back(static_cast<uint8_t>(255 - i));
        b.push_back(static_cast<uint8_t>(i / 2));
    }
    return b;
}

void WriteFile(const std::filesystem::path& path, const Bytes& bytes);
Bytes ReadFile(const std::filesystem::path& path);

// A fresh folder that becomes the current folder for the life of the object.
class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    const std::filesystem::path& Path() const { return path_; }

private:
    std::filesystem::path previous_;
    std::filesystem::path path_;
};

}  // namespace vimsa::test
