#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/d3d8/d3d8_resources.h"
#include "platform/d3d8/pixel_pipeline.h"
#include "platform/d3d8/triangle_setup.h"
#include "platform/d3d8/worker_pool.h"

namespace vimsa::d3d8 {

// A clear of part of the targets.
struct ClearRecord {
    PixelRect area;
    DWORD flags = 0;  // D3DCLEAR_* bits
    uint32_t colour = 0;
    uint32_t depth = 0;  // 24 bits
    uint8_t stencil = 0;
};

// Rasterises queued primitives into the render targets. Primitives are
// sorted into square tiles of the target as they arrive; a flush renders
// the tiles on all the pool's threads at once, each tile by one thread in
// the order its primitives came, so the picture does not depend on the
// number of threads.
class Rasterizer final : public PendingWork {
public:
    static constexpr int32_t kTileSize = 64;

    Rasterizer(const RenderTargets& targets, uint32_t width, uint32_t height, uint32_t threads);

    // A pixel state for the primitives that follow; the blocks it samples
    // are kept alive until the next flush. Answers the state's number.
    uint32_t AddState(const PixelState& state,
                      std::vector<std::shared_ptr<const TexelBlock>> keepAlive);
    // Grows whenever the states are dropped: numbers of an older generation
    // are no longer valid.
    uint64_t Generation() const { return generation_; }

    void AddTriangle(const TriangleRecord& triangle);
    void AddLine(const LineRecord& line);
    void AddClear(const ClearRecord& clear);

    // Renders everything queued and drops the states.
    void Flush() override;
    uint32_t Threads() const { return pool_.Threads(); }

private:
    enum CommandKind : uint32_t { kTriangle = 0, kLine = 1, kClear = 2 };
    static constexpr uint32_t kKindShift = 30;
    // Past this many queued primitives the queue is rendered early.
    static constexpr std::size_t kQueueLimit = 1u << 15;

    void Bin(const PixelRect& bounds, CommandKind kind, std::size_t index);
    void RenderQueued();
    void RenderTile(uint32_t tile);
    void RenderTriangle(const TriangleRecord& t, const PixelRect& tile) const;
    void RenderLine(const LineRecord& l, const PixelRect& tile) const;
    void RenderClear(const ClearRecord& c, const PixelRect& tile) const;
    void ClearColourRow(uint32_t argb, int32_t y, int32_t x0, int32_t x1) const;
    void ClearDepthRow(const ClearRecord& c, int32_t y, int32_t x0, int32_t x1) const;

    RenderTargets targets_;
    int32_t width_, height_;
    int32_t tilesX_, tilesY_;
    WorkerPool pool_;
    std::vector<std::vector<uint32_t>> bins_;
    std::vector<TriangleRecord> triangles_;
    std::vector<LineRecord> lines_;
    std::vector<ClearRecord> clears_;
    std::vector<PixelState> states_;
    std::vector<SpanFunction> spans_;
    std::vector<std::shared_ptr<const TexelBlock>> keepAlive_;
    uint64_t generation_ = 0;
};

}  // namespace vimsa::d3d8
