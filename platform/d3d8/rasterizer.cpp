#include "platform/d3d8/rasterizer.h"

#include <algorithm>
#include <atomic>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "platform/d3d8/surface_format.h"

namespace vimsa::d3d8 {
namespace {

void FillWords(uint32_t* words, int32_t count, uint32_t value) {
    int32_t i = 0;
#if defined(__SSE2__)
    const __m128i four = _mm_set1_epi32(static_cast<int32_t>(value));
    for (; i + 4 <= count; i += 4)
        _mm_storeu_si128(reinterpret_cast<__m128i*>(words + i), four);
#endif
    for (; i < count; ++i)
        words[i] = value;
}

}  // namespace

Rasterizer::Rasterizer(const RenderTargets& targets, uint32_t width, uint32_t height,
                       uint32_t threads)
    : targets_(targets),
      width_(static_cast<int32_t>(width)),
      height_(static_cast<int32_t>(height)),
      tilesX_((static_cast<int32_t>(width) + kTileSize - 1) / kTileSize),
      tilesY_((static_cast<int32_t>(height) + kTileSize - 1) / kTileSize),
      pool_(threads),
      bins_(std::size_t(tilesX_) * std::size_t(tilesY_)) {}

uint32_t Rasterizer::AddState(const PixelState& state,
                              std::vector<std::shared_ptr<const TexelBlock>> keepAlive) {
    states_.push_back(state);
    spans_.push_back(ChooseSpanFunction(state));
    for (auto& block : keepAlive)
        keepAlive_.push_back(std::move(block));
    return static_cast<uint32_t>(states_.size() - 1);
}

void Rasterizer::Bin(const PixelRect& b, CommandKind kind, std::size_t index) {
    const uint32_t command = (uint32_t(kind) << kKindShift) | static_cast<uint32_t>(index);
    const int32_t tx0 = std::max(b.x0, 0) / kTileSize, ty0 = std::max(b.y0, 0) / kTileSize;
    const int32_t tx1 = std::min((b.x1 - 1) / kTileSize, tilesX_ - 1);
    const int32_t ty1 = std::min((b.y1 - 1) / kTileSize, tilesY_ - 1);
    for (int32_t ty = ty0; ty <= ty1; ++ty) {
        for (int32_t tx = tx0; tx <= tx1; ++tx)
            bins_[std::size_t(ty) * tilesX_ + tx].push_back(command);
    }
}

void Rasterizer::AddTriangle(const TriangleRecord& triangle) {
    if (triangles_.size() >= kQueueLimit) RenderQueued();
    triangles_.push_back(triangle);
    Bin(triangle.bounds, kTriangle, triangles_.size() - 1);
}

void Rasterizer::AddLine(const LineRecord& line) {
    if (lines_.size() >= kQueueLimit) RenderQueued();
    lines_.push_back(line);
    Bin(line.bounds, kLine, lines_.size() - 1);
}

void Rasterizer::AddClear(const ClearRecord& clear) {
    if (clears_.size() >= kQueueLimit) RenderQueued();
    clears_.push_back(clear);
    Bin(clear.area, kClear, clears_.size() - 1);
}

void Rasterizer::Flush() {
    RenderQueued();
    states_.clear();
    spans_.clear();
    keepAlive_.clear();
    ++generation_;
}

void Rasterizer::RenderQueued() {
    if (triangles_.empty() && lines_.empty() && clears_.empty()) return;
    std::atomic<uint32_t> next{0};
    const auto tiles = static_cast<uint32_t>(bins_.size());
    pool_.Run([&](uint32_t) {
        for (uint32_t tile = next++; tile < tiles; tile = next++)
            RenderTile(tile);
    });
    for (auto& bin : bins_)
        bin.clear();
    triangles_.clear();
    lines_.clear();
    clears_.clear();
}

void Rasterizer::RenderTile(uint32_t tile) {
    const int32_t tx = static_cast<int32_t>(tile) % tilesX_,
                  ty = static_cast<int32_t>(tile) / tilesX_;
    const PixelRect area{tx * kTileSize, ty * kTileSize, std::min((tx + 1) * kTileSize, width_),
                         std::min((ty + 1) * kTileSize, height_)};
    for (const uint32_t command : bins_[tile]) {
        const uint32_t index = command & ((1u << kKindShift) - 1);
        switch (command >> kKindShift) {
            case kTriangle:
                RenderTriangle(triangles_[index], area);
                break;
            case kLine:
                RenderLine(lines_[index], area);
                break;
            default:
                RenderClear(clears_[index], area);
                break;
        }
    }
}

void Rasterizer::RenderTriangle(const TriangleRecord& t, const PixelRect& tile) const {
    const PixelState& state = states_[t.state];
    const SpanFunction span = spans_[t.state];
    const int32_t y0 = std::max(t.bounds.y0, tile.y0), y1 = std::min(t.bounds.y1, tile.y1);
    for (int32_t y = y0; y < y1; ++y) {
        int32_t x0 = 0, x1 = 0;
        TriangleRowSpan(t, y, x0, x1);
        x0 = std::max(x0, tile.x0);
        x1 = std::min(x1, tile.x1);
        if (x0 < x1) span(state, t.planes, targets_, y, x0, x1);
    }
}

void Rasterizer::RenderLine(const LineRecord& l, const PixelRect& tile) const {
    const PixelState& state = states_[l.state];
    const SpanFunction span = spans_[l.state];
    const PixelRect area{std::max(l.bounds.x0, tile.x0), std::max(l.bounds.y0, tile.y0),
                         std::min(l.bounds.x1, tile.x1), std::min(l.bounds.y1, tile.y1)};
    ForEachLinePixel(l, area,
                     [&](int32_t x, int32_t y) { span(state, l.planes, targets_, y, x, x + 1); });
}

void Rasterizer::RenderClear(const ClearRecord& c, const PixelRect& tile) const {
    const int32_t x0 = std::max(c.area.x0, tile.x0), x1 = std::min(c.area.x1, tile.x1);
    const int32_t y0 = std::max(c.area.y0, tile.y0), y1 = std::min(c.area.y1, tile.y1);
    if (x0 >= x1 || y0 >= y1) return;
    const bool colour = (c.flags & D3DCLEAR_TARGET) && targets_.colour;
    const bool depth = targets_.depth && (c.flags & (D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL));
    for (int32_t y = y0; y < y1; ++y) {
        if (colour) ClearColourRow(c.colour, y, x0, x1);
        if (depth) ClearDepthRow(c, y, x0, x1);
    }
}

void Rasterizer::ClearColourRow(uint32_t argb, int32_t y, int32_t x0, int32_t x1) const {
    uint8_t* row = targets_.colour + std::size_t(y) * targets_.colourPitch;
    const uint32_t bytes = FormatBytes(targets_.colourFormat);
    uint8_t encoded[4] = {};
    EncodeArgb(encoded, targets_.colourFormat, argb);
    if (bytes == 4) {
        uint32_t word = 0;
        std::memcpy(&word, encoded, 4);
        FillWords(reinterpret_cast<uint32_t*>(row) + x0, x1 - x0, word);
        return;
    }
    for (int32_t x = x0; x < x1; ++x) {
        for (uint32_t b = 0; b < bytes; ++b)
            row[std::size_t(x) * bytes + b] = encoded[b];
    }
}

void Rasterizer::ClearDepthRow(const ClearRecord& c, int32_t y, int32_t x0, int32_t x1) const {
    uint32_t* words = targets_.depth + std::size_t(y) * targets_.depthPitch;
    const bool depth = (c.flags & D3DCLEAR_ZBUFFER) != 0,
               stencil = (c.flags & D3DCLEAR_STENCIL) != 0;
    if (depth && stencil) {
        FillWords(words + x0, x1 - x0, (c.depth << 8) | c.stencil);
        return;
    }
    for (int32_t x = x0; x < x1; ++x) {
        const uint32_t d = depth ? c.depth : words[x] >> 8;
        const uint32_t s = stencil ? c.stencil : words[x] & 0xFFu;
        words[x] = (d << 8) | s;
    }
}

}  // namespace vimsa::d3d8
