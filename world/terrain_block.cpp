#include "world/terrain_block.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

#include "scene/bounding_volume.h"
#include "world/terrain.h"

namespace vimsa {
namespace {

// Where a block lies in its terrain and in its settings' pictures, counted
// in cells from the terrain's edge and from the settings' first block.
// Neighbouring blocks of one resolution compute their shared edge from the
// same whole numbers, so the edge vertices come out identical.
struct BlockGrid {
    uint32_t n = 0;
    float cellWidth = 0, cellDepth = 0;
    float halfX = 0, halfZ = 0;
    int64_t columnCell = 0, rowCell = 0;  // the block's first cell in the terrain
    int64_t uCell = 0, wCell = 0;         // ... and in its settings' range
    float uCells = 1, wCells = 1;         // cells across the settings' range

    float X(uint32_t j) const { return static_cast<float>(columnCell + j) * cellWidth - halfX; }
    // Block row 0 lies at the terrain's +z edge; rows, and the vertex rows
    // inside a block, run towards -z.
    float Z(uint32_t i) const { return -(static_cast<float>(rowCell + i) * cellDepth - halfZ); }
    float U(uint32_t j) const { return static_cast<float>(uCell + j) / uCells; }
    float V(uint32_t i) const { return 1.0f - static_cast<float>(wCell + i) / wCells; }
};

BlockGrid GridOf(const TerrainBlock& block, const Terrain& terrain, const BlockSettings& s) {
    BlockGrid g;
    g.n = s.resolution;
    g.cellWidth = terrain.SizeX() / static_cast<float>(terrain.BlocksX()) / g.n;
    g.cellDepth = terrain.SizeZ() / static_cast<float>(terrain.BlocksY()) / g.n;
    g.halfX = terrain.SizeX() / 2;
    g.halfZ = terrain.SizeZ() / 2;
    g.columnCell = int64_t{block.column} * g.n;
    g.rowCell = int64_t{block.row} * g.n;
    // Signed: a later BLOCX may have moved the range away from a block
    // that kept these settings. Sampling then stops at the picture's edge.
    g.uCell = (int64_t{block.column} - s.columns.first) * g.n;
    g.wCell = (int64_t{block.row} - s.rows.first) * g.n;
    g.uCells = static_cast<float>(uint64_t{g.n} * s.columns.Span());
    g.wCells = static_cast<float>(uint64_t{g.n} * s.rows.Span());
    return g;
}

// The arrays MeshBase::Build takes.
struct GridArrays {
    std::vector<Vector3> positions;
    std::vector<Vector2> uvs;  // set 0 for every vertex, then set 1
    std::vector<float> colours;
    std::vector<int32_t> quads;
    float lowest = 1e10f, highest = -1e10f;
};

void FillVertices(GridArrays& a, const BlockGrid& g, const BlockSettings& s, float terrainAlti) {
    const uint32_t side = g.n + 1;
    const std::size_t count = std::size_t{side} * side;
    a.positions.resize(count);
    a.uvs.resize(2 * count);
    a.colours.assign(4 * count, 1.0f);
    for (uint32_t i = 0; i <= g.n; ++i) {
        for (uint32_t j = 0; j <= g.n; ++j) {
            const std::size_t k = std::size_t{i} * side + j;
            const float u = g.U(j), v = g.V(i);
            const float y = -terrainAlti - SampleHeight(s, u, v);
            a.positions[k] = {g.X(j), y, g.Z(i)};
            a.uvs[k] = {u, v};
            a.uvs[count + k] = {u * static_cast<float>(s.tilingX),
                                v * static_cast<float>(s.tilingY)};
            a.lowest = std::min(a.lowest, y);
            a.highest = std::max(a.highest, y);
        }
    }
}

void FillQuads(GridArrays& a, uint32_t n) {
    a.quads.resize(std::size_t{4} * n * n);
    std::size_t q = 0;
    for (uint32_t i = 0; i < n; ++i) {
        for (uint32_t j = 0; j < n; ++j) {
            const auto k = static_cast<int32_t>(i * (n + 1) + j);
            const auto below = static_cast<int32_t>(k + n + 1);
            for (int32_t corner : {k + 1, k, below, below + 1})
                a.quads[q++] = corner;
        }
    }
}

Result BuildMesh(TerrainMesh& mesh, const BlockGrid& g, const BlockSettings& s, float alti) {
    GridArrays a;
    FillVertices(a, g, s, alti);
    FillQuads(a, g.n);
    const auto vertices = static_cast<int32_t>(a.positions.size());
    const auto cells = static_cast<int32_t>(g.n * g.n);
    if (Failed(mesh.Build(vertices, cells, 2, 1, a.positions.data(), a.quads.data(), a.uvs.data(),
                          a.colours.data()))) {
        return ERR_FAIL;
    }
    mesh.SetSide(g.n);
    const Vector3 nearCorner{g.X(0), a.lowest, g.Z(g.n)};
    const Vector3 farCorner{g.X(g.n), a.highest, g.Z(0)};
    mesh.bounds = std::make_unique<BoundingBox>(nearCorner, farCorner);
    mesh.textures[0] = s.colourTexture;
    mesh.textures[1] = s.detailTexture;
    return RESULT_OK;
}

// Whole cell index of a grid coordinate, kept on the grid.
uint32_t CellOf(float g, uint32_t n) {
    return static_cast<uint32_t>(std::clamp(std::trunc(g), 0.0f, static_cast<float>(n - 1)));
}

}  // namespace

Result BuildBlock(TerrainBlock& block) {
    block.mesh = nullptr;
    if (!block.settings) return ERR_NO_RENDERER;
    if (!block.terrain) return ERR_NULL_ARGUMENT;
    BlockSettings& settings = *block.settings;
    const Result loaded = LoadBlockTextures(settings);
    if (Failed(loaded)) return loaded;
    if (settings.resolution == 0 || settings.resolution > kMaxBlockResolution)
        return ERR_TERRAIN_RESOLUTION;
    const Terrain& terrain = *block.terrain;
    Handle<TerrainMesh> mesh = MakeHandle<TerrainMesh>();
    const Result built =
        BuildMesh(*mesh, GridOf(block, terrain, settings), settings, terrain.Altitude());
    if (Failed(built)) return built;
    block.mesh = mesh;
    return RESULT_OK;
}

Result PrepareStrips(TerrainBlock& block) {
    if (!block.settings || !block.mesh) return ERR_NO_RENDERER;
    return block.mesh->PrepareStrips();
}

void SetDetailTexture(TerrainBlock& block, bool on) {
    if (!block.mesh) return;
    block.mesh->textures[1] = on && block.settings ? block.settings->detailTexture : nullptr;
}

Result RenderBlock(TerrainBlock& block) {
    if (!block.mesh) return RESULT_OK;
    TerrainMesh& mesh = *block.mesh;
    // The mesh borrows the terrain's node for the draw, without joining its
    // objects: that node may be walking its object list right now.
    GraphNode* const ownParent = mesh.parent;
    mesh.parent = block.terrain ? block.terrain->parent : nullptr;
    const Result drawn = mesh.Render();
    mesh.parent = ownParent;
    return drawn;
}

bool BlockHeightAt(const TerrainBlock& block, Vector3& point) {
    const TerrainMesh* mesh = block.mesh.Get();
    const auto* box = mesh ? dynamic_cast<const BoundingBox*>(mesh->bounds.get()) : nullptr;
    if (!box) return false;
    const uint32_t n = mesh->Side();
    const MeshVertex* v = mesh->Vertices();
    if (!v || n == 0 || (uint64_t{n} + 1) * (n + 1) != static_cast<uint64_t>(mesh->VertexCount()))
        return false;
    const Vector3 a = box->minimum, b = box->maximum;
    const float gx = static_cast<float>(n) * (point.x - a.x) / (b.x - a.x);
    const float gz = static_cast<float>(n) * (point.z - a.z) / (b.z - a.z);
    if (!std::isfinite(gx) || !std::isfinite(gz)) return false;
    const uint32_t j = CellOf(gx, n), h = CellOf(gz, n);
    const float fx = gx - static_cast<float>(j), fz = gz - static_cast<float>(h);
    // Vertex rows run the other way from gz: cell row h lies between
    // vertex rows n - h - 1 (k, k + 1) and n - h (k + n + 1, k + n + 2).
    const uint32_t k = j + (n + 1) * (n - h - 1);
    const float yk = v[k].position.y, yRight = v[k + 1].position.y;
    const float yBelow = v[k + n + 1].position.y, yBelowRight = v[k + n + 2].position.y;
    if (fx > fz) {
        point.y = yBelowRight + (yBelow - yBelowRight) * (1 - fx) + fz * (yRight - yBelowRight);
    } else {
        point.y = yk + (yBelow - yk) * (1 - fz) + fx * (yRight - yk);
    }
    return true;
}

}  // namespace vimsa
