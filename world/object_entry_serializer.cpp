#include "world/object_entry_serializer.h"

#include <memory>
#include <type_traits>
#include <utility>

#include "core/object_names.h"
#include "scene/light.h"
#include "scene/light_records.h"
#include "world/mesh_base.h"
#include "world/mesh_serializer.h"
#include "world/particle_serializer.h"
#include "world/particle_syst.h"

namespace vimsa {
namespace {

constexpr ChunkTag kEntryTag("OBJ ");
constexpr uint16_t kVersion = 1;

// A new object of one recreated kind with the serializer of its record.
struct KindRecord {
    Handle<GraphObj> object;
    std::unique_ptr<Serializer> serializer;
};

// What a reader of one entry hands on to the record it reads.
struct EntryReading {
    SceneRecordContext* context;
    uint32_t* particleBudget;
};

template <typename T, typename S>
KindRecord Make(const EntryReading& reading) {
    Handle<T> object = MakeHandle<T>();
    std::unique_ptr<Serializer> serializer;
    if constexpr (std::is_same_v<S, ParticleSystSerializer>) {
        serializer = std::make_unique<S>(object.Get(), reading.context, reading.particleBudget);
    } else {
        serializer = std::make_unique<S>(object.Get(), reading.context);
    }
    return {Handle<GraphObj>(object), std::move(serializer)};
}

// The type table, reading side: what each recreated type number makes and
// which record stores it.
KindRecord ForType(ObjectType type, const EntryReading& reading) {
    switch (type) {
        case ObjectType::MeshBase:
            return Make<MeshBase, MeshSerializer>(reading);
        case ObjectType::AmbientLight:
            return Make<AmbientLight, AmbientLightSerializer>(reading);
        case ObjectType::DirectionalLight:
            return Make<DirectionalLight, DirectionalLightSerializer>(reading);
        case ObjectType::PointLight:
            return Make<PointLight, OmniLightSerializer>(reading);
        case ObjectType::SpotLight:
            return Make<SpotLight, SpotLightSerializer>(reading);
        case ObjectType::ParticleSyst:
            return Make<ParticleSyst, ParticleSystSerializer>(reading);
        case ObjectType::OrbitParticleSyst:
            return Make<OrbitParticleSyst, ParticleSystSerializer>(reading);
        default:
            return {};
    }
}

template <typename T, typename S>
std::unique_ptr<Serializer> WriterFor(GraphObj* object, SceneRecordContext* context) {
    auto* typed = dynamic_cast<T*>(object);
    if (!typed) return nullptr;
    return std::make_unique<S>(typed, context);
}

// The type table, writing side. It must name the same kinds as ForType.
std::unique_ptr<Serializer> WriterFor(GraphObj* object, SceneRecordContext* context) {
    switch (object->GetType()) {
        case ObjectType::MeshBase:
            return WriterFor<MeshBase, MeshSerializer>(object, context);
        case ObjectType::AmbientLight:
            return WriterFor<AmbientLight, AmbientLightSerializer>(object, context);
        case ObjectType::DirectionalLight:
            return WriterFor<DirectionalLight, DirectionalLightSerializer>(object, context);
        case ObjectType::PointLight:
            return WriterFor<PointLight, OmniLightSerializer>(object, context);
        case ObjectType::SpotLight:
            return WriterFor<SpotLight, SpotLightSerializer>(object, context);
        case ObjectType::ParticleSyst:
        case ObjectType::OrbitParticleSyst:
            return WriterFor<ParticleSyst, ParticleSystSerializer>(object, context);
        default:
            return nullptr;
    }
}

}  // namespace

Result ObjectEntrySerializer::Load() {
    loaded_ = nullptr;
    ChunkHeader header;
    const Result opened = OpenRecord(kEntryTag, header);
    if (Failed(opened)) return opened;
    const auto type = static_cast<int32_t>(ReadU32());
    if (IsBad()) return StreamResult();
    KindRecord kind = ForType(static_cast<ObjectType>(type), {context_, particleBudget_});
    if (!kind.object) return RESULT_OK;
    if (Tell() >= header.end) return ERR_BAD_TAG;  // the record is missing
    const Result read = LoadNested(*kind.serializer);
    if (Failed(read)) return read;
    loaded_ = kind.object;
    return RESULT_OK;
}

Result ObjectEntrySerializer::Save() {
    if (!object_) return ERR_NULL_ARGUMENT;
    const uint32_t start = BeginRecord(kEntryTag, kVersion);
    WriteU32(static_cast<uint32_t>(object_->GetType()));
    Result written = RESULT_OK;
    if (std::unique_ptr<Serializer> writer = WriterFor(object_, context_))
        written = writer->SaveToStream(Stream());
    return EndRecord(start, written);
}

}  // namespace vimsa
