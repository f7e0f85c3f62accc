#include "world/terrain.h"

#include <algorithm>
#include <string>
#include <unordered_set>

#include "io/catalogs.h"
#include "scene/renderable_obj.h"
#include "world/terrain_description.h"

namespace vimsa {
namespace {

// Descriptions are a few hundred bytes; every range line may touch every
// block, so a bound on the text is also a bound on the work of reading it.
constexpr std::size_t kMaxDescriptionBytes = std::size_t{1} << 20;

uint64_t PictureBytes(const BlockSettings& s) {
    uint64_t bytes = 0;
    for (const Texture* t : {s.heightTexture.Get(), s.colourTexture.Get(), s.detailTexture.Get()})
        bytes += t ? t->ByteSize() : 0;
    return bytes;
}

}  // namespace

Terrain::Terrain() {
    name = kTerrainName;
}

Terrain::~Terrain() {
    Clear();
}

void Terrain::Clear() {
    // Blocks held elsewhere must not reach back into a terrain that let them go.
    for (const Handle<TerrainBlock>& block : blocks_)
        block->terrain = nullptr;
    blocks_.clear();
    current_ = nullptr;
    blocksX_ = blocksY_ = 0;
    sizeX_ = sizeZ_ = altitude_ = 0.0f;
}

TerrainBlock* Terrain::Block(uint32_t column, uint32_t row) const {
    if (column >= blocksX_ || row >= blocksY_ || blocks_.empty()) return nullptr;
    return blocks_[column + std::size_t{row} * blocksX_].Get();
}

Result Terrain::Load(std::string_view path) {
    Clear();
    std::vector<uint8_t> text;
    const std::string file(path);
    if (Failed(ReadWholeFile(file.c_str(), text))) return ERR_FILE_OPEN;
    return LoadFromText(text);
}

Result Terrain::LoadFromText(std::span<const uint8_t> text) {
    Clear();
    Result r = text.size() > kMaxDescriptionBytes ? ERR_TERRAIN_LIMIT : ReadDescription(text);
    if (Succeeded(r)) r = BuildBlocks();
    if (Failed(r)) Clear();
    return r;
}

Result Terrain::ReadDescription(std::span<const uint8_t> text) {
    terrain_text::LineReader lines(text);
    std::string raw, section;
    terrain_text::KeyLine key;
    Keys keys = Keys::None;
    bool terrainSeen = false;
    while (lines.Next(raw)) {
        const std::string line = terrain_text::CleanLine(raw);
        if (terrain_text::SectionName(line, section)) {
            keys = EnterSection(section, terrainSeen);
            continue;
        }
        if (keys == Keys::None || !terrain_text::ParseKeyLine(line, key)) continue;
        const Result applied = keys == Keys::Terrain ? ApplyTerrainKey(key) : ApplyBlocKey(key);
        if (Failed(applied)) return applied;
    }
    return RESULT_OK;
}

Terrain::Keys Terrain::EnterSection(const std::string& section, bool& terrainSeen) {
    if (section == "TERRAIN") {
        if (terrainSeen) return Keys::None;
        terrainSeen = true;
        return Keys::Terrain;
    }
    if (section != "BLOC" || !terrainSeen || blocksX_ == 0 || sizeX_ == 0.0f) return Keys::None;
    current_ = MakeHandle<BlockSettings>();
    if (blocks_.empty()) {
        blocks_.reserve(std::size_t{blocksX_} * blocksY_);
        for (uint32_t row = 0; row < blocksY_; ++row) {
            for (uint32_t column = 0; column < blocksX_; ++column)
                blocks_.push_back(MakeHandle<TerrainBlock>(this, row, column));
        }
    }
    return Keys::Bloc;
}

Result Terrain::ApplyTerrainKey(const terrain_text::KeyLine& line) {
    if (line.key == "BLOCS") {
        uint32_t x = 0, y = 0;
        if (!terrain_text::ParseUnsignedPair(line.value, x, y) || x == 0 || y == 0 ||
            blocksX_ != 0) {
            return RESULT_OK;
        }
        if (uint64_t{x} * y > kMaxTerrainBlocks) return ERR_TERRAIN_LIMIT;
        blocksX_ = x;
        blocksY_ = y;
    } else if (line.key == "SIZE") {
        float x = 0, z = 0;
        if (terrain_text::ParseFloatPair(line.value, x, z) && x != 0.0f && z != 0.0f &&
            sizeX_ == 0.0f && sizeZ_ == 0.0f) {
            sizeX_ = x;
            sizeZ_ = z;
        }
    } else if (line.key == "ALTI") {
        terrain_text::ParseFloat(line.value, altitude_);
    }
    return RESULT_OK;
}

Result Terrain::ApplyBlocKey(const terrain_text::KeyLine& line) {
    if (!current_) return ERR_NULL_ARGUMENT;
    BlockSettings& s = *current_;
    const std::string& key = line.key;
    const std::string& value = line.value;
    if (ApplyRangeKey(line, s)) return RESULT_OK;
    if (key == "RESOL") {
        terrain_text::ParseUnsigned(value, s.resolution);
    } else if (key == "TEXALTI") {
        s.heightName = value;
    } else if (key == "TEXCOLOR") {
        s.colourName = value;
    } else if (key == "DETAIL") {
        s.detailName = value;
    } else if (key == "TILE") {
        terrain_text::ParseUnsignedPair(value, s.tilingX, s.tilingY);
    } else if (key == "ALTI") {
        terrain_text::ParseFloat(value, s.altitude);
    } else if (key == "HEIGHT") {
        terrain_text::ParseFloat(value, s.height);
    }
    return RESULT_OK;
}

// BLOCX and BLOCY. True when the line was one of them, taken or not.
bool Terrain::ApplyRangeKey(const terrain_text::KeyLine& line, BlockSettings& settings) {
    const bool columns = line.key == "BLOCX";
    if (!columns && line.key != "BLOCY") return false;
    uint32_t first = 0, last = 0;
    const uint32_t count = columns ? blocksX_ : blocksY_;
    if (!terrain_text::ParseRange(line.value, first, last) || first > last || last >= count)
        return true;
    (columns ? settings.columns : settings.rows) = {first, last, 1};
    if ((columns ? settings.rows : settings.columns).set) ClaimBlocks(settings);
    return true;
}

void Terrain::ClaimBlocks(BlockSettings& settings) {
    for (uint32_t row = settings.rows.first; row <= settings.rows.last; ++row) {
        for (uint32_t column = settings.columns.first; column <= settings.columns.last; ++column)
            blocks_[column + std::size_t{row} * blocksX_]->settings = &settings;
    }
}

uint64_t Terrain::PlannedVertices() const {
    uint64_t total = 0;
    for (const Handle<TerrainBlock>& block : blocks_) {
        const uint32_t n = block->settings ? block->settings->resolution : 0;
        if (n > 0 && n <= kMaxBlockResolution) total += (uint64_t{n} + 1) * (n + 1);
    }
    return total;
}

Result Terrain::BuildBlocks() {
    if (PlannedVertices() > kMaxTerrainVertices) return ERR_TERRAIN_LIMIT;
    uint64_t pictureBytes = 0;
    std::unordered_set<const BlockSettings*> counted;
    for (const Handle<TerrainBlock>& block : blocks_) {
        const Result built = BuildBlock(*block);
        if (Failed(built)) return built;
        if (counted.insert(block->settings.Get()).second)
            pictureBytes += PictureBytes(*block->settings);
        if (pictureBytes > kMaxTerrainPictureBytes) return ERR_TERRAIN_LIMIT;
    }
    return RESULT_OK;
}

Result Terrain::PrepareStrips() {
    for (const Handle<TerrainBlock>& block : blocks_) {
        const Result prepared = vimsa::PrepareStrips(*block);
        if (Failed(prepared)) return prepared;
    }
    return RESULT_OK;
}

void Terrain::SetDetail(bool on) {
    for (const Handle<TerrainBlock>& block : blocks_)
        SetDetailTexture(*block, on);
}

Result Terrain::Render() {
    if (!camera_) return ERR_NO_RENDERER;
    if (blocks_.empty()) return RESULT_OK;
    const Matrix4* world = GetWorldMatrix();
    if (!world) return ERR_DRAW_FAILED;
    if (!camera_->IsInView(this)) return RESULT_OK;
    SetCurrentCamera(camera_.Get());
    Result first = RESULT_OK;
    for (const Handle<TerrainBlock>& block : blocks_) {
        TerrainMesh* mesh = block->mesh.Get();
        if (!mesh) continue;
        if (mesh->bounds) mesh->bounds->placement = world;
        if (!camera_->IsInView(mesh)) continue;
        const Result drawn = RenderBlock(*block);
        if (Failed(drawn) && Succeeded(first)) first = drawn;
    }
    return first;
}

bool Terrain::HeightAt(Vector3& point, float& height) {
    const Matrix4* world = GetWorldMatrix();
    const Matrix4* inverse = GetWorldInverse();
    if (blocks_.empty() || !world || !inverse) return false;
    Vector3 local = TransformPoint3(*inverse, point);
    const float u = local.x / (sizeX_ / 2), v = local.z / (sizeZ_ / 2);
    if (!(u >= -1.0f && u <= 1.0f && v >= -1.0f && v <= 1.0f)) return false;
    const uint32_t column =
        std::min(static_cast<uint32_t>((u + 1) / 2 * static_cast<float>(blocksX_)), blocksX_ - 1);
    const uint32_t row =
        std::min(static_cast<uint32_t>((v + 1) / 2 * static_cast<float>(blocksY_)), blocksY_ - 1);
    // Block row 0 lies at the +z edge.
    if (!BlockHeightAt(*Block(column, blocksY_ - 1 - row), local)) return false;
    point = TransformPoint3(*world, local);
    height = point.y;
    return true;
}

}  // namespace vimsa
