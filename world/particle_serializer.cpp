#include "world/particle_serializer.h"

#include <cstdint>
#include <string>

#include "render/image_file.h"
#include "render/render_state.h"
#include "render/renderer.h"
#include "render/texture.h"
#include "scene/graph_obj_serializer.h"
#include "world/particle_syst.h"

namespace vimsa {
namespace {

constexpr ChunkTag kSystemTag("PSYS");
constexpr uint16_t kVersion = 1;

}  // namespace

Result ParticleSystSerializer::Load() {
    if (!target_) return ERR_NULL_ARGUMENT;
    ChunkHeader header;
    const Result opened = OpenRecord(kSystemTag, header);
    if (Failed(opened)) return opened;
    GraphObjSerializer object(target_, context_);
    const Result objectRead = LoadNested(object);
    if (Failed(objectRead)) return objectRead;
    const uint32_t count = ReadU32();
    std::string path;
    ReadString(path);
    const Result read = StreamResult();
    if (Failed(read)) return read;

    if (count > INT32_MAX) return ERR_OUT_OF_RANGE;
    if (particleBudget_) {
        if (count > *particleBudget_) return ERR_OUT_OF_RANGE;
        *particleBudget_ -= count;
    }
    const Result counted = target_->SetCount(static_cast<int32_t>(count));
    // SetCount (0) answers ERR_NULL_ARGUMENT and leaves no particles, which
    // is what a system saved without particles had.
    if (count > 0 && Failed(counted)) return counted;

    if (path.empty()) return RESULT_OK;  // a texture made in code has no path
    Renderer* renderer = CurrentRenderer();
    Handle<Texture> texture = FindOrLoadTexture(renderer, path);
    if (!texture) {
        if (context_) context_->TextureMissing(path);
        return RESULT_OK;
    }
    // A texture that cannot go to the device now is uploaded when bound.
    if (renderer) (void)renderer->UploadTexture(texture.Get());
    target_->SetTexture(texture.Get());
    return RESULT_OK;
}

Result ParticleSystSerializer::Save() {
    if (!target_) return ERR_NULL_ARGUMENT;
    const uint32_t start = BeginRecord(kSystemTag, kVersion);
    GraphObjSerializer object(target_, context_);
    const Result written = object.SaveToStream(Stream());
    WriteU32(static_cast<uint32_t>(target_->Count()));
    const Texture* texture = target_->GetTexture();
    WriteString(texture ? texture->Path() : std::string());
    return EndRecord(start, written);
}

}  // namespace vimsa
