#pragma once

#include "core/result.h"
#include "io/serializer.h"
#include "scene/scene_record_context.h"

namespace vimsa {

class AmbientLight;
class DirectionalLight;
class Light;
class PointLight;
class SpotLight;

// The light records. "LIGH" holds what every light has: its "GOBJ" record,
// colour, intensity, switch and the two stored vectors. Each kind's record
// wraps the record of the kind it extends: "LAMB" and "LDIR" a "LIGH",
// "OMNI" a "LIGH" plus attenuation and range, "SPOT" an "OMNI" plus the two
// cone angles. Values derived from what is read (the range's square and
// reciprocal, the cones' half-angle cosines) are recomputed, never stored.

class LightSerializer : public Serializer {
public:
    explicit LightSerializer(Light* target, SceneRecordContext* context = nullptr)
        : target_(target), context_(context) {}

    // The stored alpha is not kept: a light read back has alpha 0.
    Result Load() override;
    Result Save() override;

private:
    Light* target_;
    SceneRecordContext* context_;
};

// A kind's tag around the "LIGH" record and nothing else.
class LightKindSerializer : public Serializer {
public:
    Result Load() override;
    Result Save() override;

protected:
    LightKindSerializer(ChunkTag tag, Light* target, SceneRecordContext* context)
        : tag_(tag), target_(target), context_(context) {}

private:
    ChunkTag tag_;
    Light* target_;
    SceneRecordContext* context_;
};

// "LAMB"
class AmbientLightSerializer : public LightKindSerializer {
public:
    explicit AmbientLightSerializer(AmbientLight* target, SceneRecordContext* context = nullptr);
};

// "LDIR"
class DirectionalLightSerializer : public LightKindSerializer {
public:
    explicit DirectionalLightSerializer(DirectionalLight* target,
                                        SceneRecordContext* context = nullptr);
};

class OmniLightSerializer : public Serializer {
public:
    explicit OmniLightSerializer(PointLight* target, SceneRecordContext* context = nullptr)
        : target_(target), context_(context) {}

    // A stored range of 0 or less leaves the light's range as it was.
    Result Load() override;
    Result Save() override;

private:
    PointLight* target_;
    SceneRecordContext* context_;
};

class SpotLightSerializer : public Serializer {
public:
    explicit SpotLightSerializer(SpotLight* target, SceneRecordContext* context = nullptr)
        : target_(target), context_(context) {}

    Result Load() override;
    Result Save() override;

private:
    SpotLight* target_;
    SceneRecordContext* context_;
};

}  // namespace vimsa
