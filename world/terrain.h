#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "scene/camera.h"
#include "scene/graph_obj.h"
#include "world/terrain_block.h"

namespace vimsa {

namespace terrain_text {
struct KeyLine;
}

// Bounds on what one description may ask for, so that a hostile or broken
// file cannot make the engine allocate gigabytes. Past any of them the load
// fails with ERR_TERRAIN_LIMIT.
inline constexpr uint64_t kMaxTerrainBlocks = 4096;
inline constexpr uint64_t kMaxTerrainVertices = uint64_t{1} << 20;  // all blocks together
inline constexpr uint64_t kMaxTerrainPictureBytes = uint64_t{256} << 20;

// A rectangle of ground centred on its node, cut into a grid of square
// blocks, described by a text file. Each block is one mesh whose heights come
// from a height picture. Heights grow towards -y, the way scenes are lit and
// authored. Blocks outside the camera's view are not drawn.
class Terrain : public GraphObj {
public:
    Terrain();
    ~Terrain() override;
    Terrain(const Terrain&) = delete;
    Terrain& operator=(const Terrain&) = delete;

    ObjectType GetType() const override { return ObjectType::Terrain; }
    void SetCamera(Camera* newCamera) override { camera_ = newCamera; }
    Result Render() override;

    // Empties the terrain, reads the description and builds every block.
    // Unreadable file: ERR_FILE_OPEN. Any failure leaves the terrain empty.
    Result Load(std::string_view path);
    // Reads a description already in memory, as Load does after reading it.
    Result LoadFromText(std::span<const uint8_t> text);
    // Device buffers and strips for every block; the first failure.
    Result PrepareStrips();
    // Detail texture on or off for every block.
    void SetDetail(bool on);
    // The ground under a world point: its y is replaced by the ground's world
    // y, which also goes to `height`. False without blocks or placement, or
    // for a point outside the terrain's rectangle.
    bool HeightAt(Vector3& point, float& height);
    // Drops every block and setting; back to the state of a new terrain.
    void Clear();

    uint32_t BlocksX() const { return blocksX_; }
    uint32_t BlocksY() const { return blocksY_; }
    float SizeX() const { return sizeX_; }
    float SizeZ() const { return sizeZ_; }
    float Altitude() const { return altitude_; }
    std::size_t BlockCount() const { return blocks_.size(); }
    // Block (column, row); null outside the grid.
    TerrainBlock* Block(uint32_t column, uint32_t row) const;
    Camera* GetCamera() const { return camera_.Get(); }

private:
    enum class Keys { None, Terrain, Bloc };

    Result ReadDescription(std::span<const uint8_t> text);
    Keys EnterSection(const std::string& name, bool& terrainSeen);
    Result ApplyTerrainKey(const terrain_text::KeyLine& line);
    Result ApplyBlocKey(const terrain_text::KeyLine& line);
    bool ApplyRangeKey(const terrain_text::KeyLine& line, BlockSettings& settings);
    void ClaimBlocks(BlockSettings& settings);
    Result BuildBlocks();
    uint64_t PlannedVertices() const;

    uint32_t blocksX_ = 0;
    uint32_t blocksY_ = 0;
    float sizeX_ = 0.0f;
    float sizeZ_ = 0.0f;
    float altitude_ = 0.0f;
    std::vector<Handle<TerrainBlock>> blocks_;  // column + row * blocksX_
    Handle<BlockSettings> current_;
    Handle<Camera> camera_;
};

}  // namespace vimsa
