#include "scene/light_records.h"

#include "scene/graph_obj_serializer.h"
#include "scene/light.h"

namespace vimsa {
namespace {

constexpr ChunkTag kLightTag("LIGH");
constexpr ChunkTag kAmbientTag("LAMB");
constexpr ChunkTag kDirectionalTag("LDIR");
constexpr ChunkTag kOmniTag("OMNI");
constexpr ChunkTag kSpotTag("SPOT");
constexpr uint16_t kVersion = 1;

}  // namespace

// --- LIGH ---

Result LightSerializer::Load() {
    if (!target_) return ERR_NULL_ARGUMENT;
    ChunkHeader header;
    const Result opened = OpenRecord(kLightTag, header);
    if (Failed(opened)) return opened;
    GraphObjSerializer object(target_, context_);
    const Result objectRead = LoadNested(object);
    if (Failed(objectRead)) return objectRead;
    const Vector4 colour = ReadVector4();
    const float intensity = ReadFloat();
    const uint8_t enabled = ReadU8();
    const Vector3 position = ReadVector3();
    const Vector3 direction = ReadVector3();
    const Result read = StreamResult();
    if (Failed(read)) return read;
    target_->colour = {colour.x, colour.y, colour.z, 0.0f};
    target_->intensity = intensity;
    target_->enabled = enabled;
    target_->lightPosition = position;
    target_->lightDirection = direction;
    return RESULT_OK;
}

Result LightSerializer::Save() {
    if (!target_) return ERR_NULL_ARGUMENT;
    const uint32_t start = BeginRecord(kLightTag, kVersion);
    GraphObjSerializer object(target_, context_);
    const Result written = object.SaveToStream(Stream());
    WriteVector4(target_->colour);
    WriteFloat(target_->intensity);
    WriteU8(target_->enabled);
    WriteVector3(target_->lightPosition);
    WriteVector3(target_->lightDirection);
    return EndRecord(start, written);
}

// --- LAMB, LDIR ---

AmbientLightSerializer::AmbientLightSerializer(AmbientLight* target, SceneRecordContext* context)
    : LightKindSerializer(kAmbientTag, target, context) {}

DirectionalLightSerializer::DirectionalLightSerializer(DirectionalLight* target,
                                                       SceneRecordContext* context)
    : LightKindSerializer(kDirectionalTag, target, context) {}

Result LightKindSerializer::Load() {
    if (!target_) return ERR_NULL_ARGUMENT;
    ChunkHeader header;
    const Result opened = OpenRecord(tag_, header);
    if (Failed(opened)) return opened;
    LightSerializer light(target_, context_);
    return LoadNested(light);
}

Result LightKindSerializer::Save() {
    if (!target_) return ERR_NULL_ARGUMENT;
    const uint32_t start = BeginRecord(tag_, kVersion);
    LightSerializer light(target_, context_);
    const Result written = light.SaveToStream(Stream());
    return EndRecord(start, written);
}

// --- OMNI ---

Result OmniLightSerializer::Load() {
    if (!target_) return ERR_NULL_ARGUMENT;
    ChunkHeader header;
    const Result opened = OpenRecord(kOmniTag, header);
    if (Failed(opened)) return opened;
    LightSerializer light(target_, context_);
    const Result lightRead = LoadNested(light);
    if (Failed(lightRead)) return lightRead;
    const Vector3 attenuation = ReadVector3();
    const float range = ReadFloat();
    const Result read = StreamResult();
    if (Failed(read)) return read;
    target_->attenuation0 = attenuation.x;
    target_->attenuation1 = attenuation.y;
    target_->attenuation2 = attenuation.z;
    target_->SetRange(range);
    return RESULT_OK;
}

Result OmniLightSerializer::Save() {
    if (!target_) return ERR_NULL_ARGUMENT;
    const uint32_t start = BeginRecord(kOmniTag, kVersion);
    LightSerializer light(target_, context_);
    const Result written = light.SaveToStream(Stream());
    WriteVector3({target_->attenuation0, target_->attenuation1, target_->attenuation2});
    WriteFloat(target_->range);
    return EndRecord(start, written);
}

// --- SPOT ---

Result SpotLightSerializer::Load() {
    if (!target_) return ERR_NULL_ARGUMENT;
    ChunkHeader header;
    const Result opened = OpenRecord(kSpotTag, header);
    if (Failed(opened)) return opened;
    OmniLightSerializer omni(target_, context_);
    const Result omniRead = LoadNested(omni);
    if (Failed(omniRead)) return omniRead;
    const float inner = ReadFloat();
    const float outer = ReadFloat();
    const Result read = StreamResult();
    if (Failed(read)) return read;
    target_->SetAngles(inner, outer);
    return RESULT_OK;
}

Result SpotLightSerializer::Save() {
    if (!target_) return ERR_NULL_ARGUMENT;
    const uint32_t start = BeginRecord(kSpotTag, kVersion);
    OmniLightSerializer omni(target_, context_);
    const Result written = omni.SaveToStream(Stream());
    WriteFloat(target_->innerAngle);
    WriteFloat(target_->outerAngle);
    return EndRecord(start, written);
}

}  // namespace vimsa
