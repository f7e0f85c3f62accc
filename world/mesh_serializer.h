#pragma once

#include <cstdint>

#include "core/result.h"
#include "io/serializer.h"
#include "scene/scene_record_context.h"

namespace vimsa {

class MeshBase;

// The "MBAS" record: the mesh's "GOBJ" record, its vertex and face counts,
// its flag and value, and the paths of the textures in use (entries from 0
// up to the first empty one).
class MeshBaseSerializer : public Serializer {
public:
    explicit MeshBaseSerializer(MeshBase* target, SceneRecordContext* context = nullptr)
        : target_(target), context_(context) {}

    // Leaves the arrays alone: the counts are kept here for the "MFVF"
    // reader. A texture path is looked up (and loaded and uploaded through
    // the current renderer when there is one); a path that gives no texture,
    // an empty one included, leaves that entry as it was.
    Result Load() override;
    Result Save() override;

    uint32_t VertexCount() const { return vertexCount_; }
    uint32_t FaceCount() const { return faceCount_; }

private:
    Result LoadTextures();

    MeshBase* target_;
    SceneRecordContext* context_;
    uint32_t vertexCount_ = 0;
    uint32_t faceCount_ = 0;
};

// The "MFVF" record: a mesh with its arrays. An "MBAS" record, then "FVTX"
// (the triangle indices), "VTAR" (the 44-byte vertices and the colour order
// they were written in) and "FEQ " (one plane per face).
class MeshSerializer : public Serializer {
public:
    explicit MeshSerializer(MeshBase* target, SceneRecordContext* context = nullptr)
        : target_(target), context_(context) {}

    // Arrays are sized from "MBAS". A record is refused (ERR_OUT_OF_RANGE)
    // when it is too short for the arrays "MBAS" announces, when a child
    // holds more than was allocated, or when a triangle names a vertex past
    // the vertex count. Colours written in the other order than the current
    // renderer's have red and blue exchanged.
    Result Load() override;
    Result Save() override;

private:
    Result LoadIndices();
    Result LoadVertices();
    Result LoadPlanes();

    MeshBase* target_;
    SceneRecordContext* context_;
};

}  // namespace vimsa
