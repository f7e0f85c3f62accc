#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "core/ref_object.h"
#include "core/vector.h"

namespace vimsa {

// Comparison codes of SetDepthFunc and SetAlphaFunc (bit sets); any value not
// listed means "always".
enum Comparison : int32_t {
    kCompareAlways = 0,
    kCompareLess = 1,
    kCompareGreater = 2,
    kCompareEqual = 4,
    kCompareLessEqual = 5,
    kCompareGreaterEqual = 6,
    kCompareNotEqual = 8,
    kCompareNever = 16,
};

// Clear flags.
enum ClearFlag : uint32_t {
    kClearColour = 1,
    kClearDepth = 2,
    kClearStencil = 4,
    kClearAll = 255,
};

// Primitive kinds of BeginPrimitive / EndPrimitive; other values are ignored.
enum PrimitiveKind : int32_t {
    kPrimitivePolygon = 0,
    kPrimitiveFan = 1,  // also a convex polygon
    kPrimitiveStrip = 2,
};

enum TextureFilterCode : int32_t { kFilterPoint = 0, kFilterLinear = 1 };

enum DisplayMode : int32_t { kDisplayWindow = 1, kDisplayFullScreen = 2 };

// Back-end identifiers.
enum RendererKind : int32_t { kRendererOpenGL = 1, kRendererDirect3D8 = 4 };

// One vertex of 2-D geometry (text and screen quads): a position with w, up
// to two colours and up to two texture-coordinate pairs.
struct ScreenVertex {
    static constexpr int kColourSets = 2;
    static constexpr int kCoordinateSets = 2;

    Vector4 position;
    Vector4 colours[kColourSets] = {{1, 1, 1, 1}, {1, 1, 1, 1}};
    Vector2 texCoords[kCoordinateSets];
};

// The pool of screen vertices 2-D geometry is built in.
struct VertexPool {
    uint32_t capacity = 0;
    uint32_t count = 0;   // vertices handed out since the last rewind
    uint32_t cursor = 0;  // index of the current vertex
    std::unique_ptr<ScreenVertex[]> vertices;
};

// The 44-byte interleaved vertex every mesh hands to the renderer. The colour
// bytes are red, green, blue, alpha while the OpenGL renderer is active and
// blue, green, red, alpha otherwise.
struct MeshVertex {
    Vector3 position;
    Vector3 normal;
    uint8_t colour[4] = {255, 255, 255, 255};
    Vector2 uv0;
    Vector2 uv1;
};
static_assert(sizeof(MeshVertex) == 44);
static_assert(offsetof(MeshVertex, normal) == 12);
static_assert(offsetof(MeshVertex, colour) == 24);
static_assert(offsetof(MeshVertex, uv0) == 28);
static_assert(offsetof(MeshVertex, uv1) == 36);

// Mesh arrays wrapped for the device (NewMeshBuffer). The arrays belong to the
// mesh; back-ends that keep device copies derive from this record.
class MeshBuffer : public RefObject {
public:
    MeshBuffer(const MeshVertex* vertices, uint32_t vertexCount, const uint16_t* indices,
               uint32_t triangleCount)
        : vertices(vertices),
          vertexCount(vertexCount),
          indices(indices),
          triangleCount(triangleCount) {}

    const MeshVertex* vertices;
    uint32_t vertexCount;
    const uint16_t* indices;
    uint32_t triangleCount;
    const uint16_t* stripIndices = nullptr;
    uint32_t stripIndexCount = 0;
};

// One float array of a DrawArrays source: null data means absent.
struct FloatArray {
    const float* data = nullptr;
    int32_t components = 0;
    int32_t strideFloats = 0;
};

enum FaceKind : int32_t { kFaceTriangles = 0, kFaceQuads = 1 };

// Geometry drawn by DrawArrays: separate arrays and an index list of
// FaceCount() faces of 3 (triangles) or 4 (quadrilaterals) indices.
class ArraySource {
public:
    virtual ~ArraySource() = default;
    virtual FloatArray Positions() const = 0;
    virtual FloatArray Colours() const = 0;
    virtual FloatArray TexCoords() const = 0;
    virtual FloatArray Normals() const = 0;
    virtual int32_t Faces() const = 0;
    virtual uint32_t FaceCount() const = 0;
    virtual const uint16_t* Indices() const = 0;
    // Number of elements in each present array; indices must stay below it.
    virtual uint32_t VertexCount() const = 0;
};

// Light kinds as the device sees them.
enum DeviceLightKind : int32_t {
    kLightAmbient = 0,
    kLightDirectional = 1,
    kLightPoint = 2,
    kLightSpot = 3,
};

// A light ready for the device, in world space. The scene's lights are turned
// into these when SetLights / SetNodeLights load them.
struct DeviceLight {
    int32_t kind = kLightPoint;
    bool on = true;
    Vector4 colour{1, 1, 1, 1};  // already scaled by the light's intensity
    Vector3 position;
    Vector3 direction{0, 0, 1};  // the direction the light shines in
    float attenuation0 = 0.0f;
    float attenuation1 = 1.0f;
    float attenuation2 = 0.0f;
    float range = 100.0f;           // how far a point or spot light reaches
    float innerAngle = 0.7853982f;  // full opening angle of a spot's fully lit cone, radians
    float outerAngle = 1.5707964f;  // full opening angle of a spot, radians
};

// The most device lights a renderer uses at once.
inline constexpr int kMaxDeviceLights = 8;

// Lights gathered for one load: the ambient colour and up to
// kMaxDeviceLights lights in slot order.
struct LightSet {
    Vector4 ambient{0, 0, 0, 1};
    DeviceLight lights[kMaxDeviceLights];
    int count = 0;
    bool overflow = false;  // more lights were offered than fit

    void Add(const DeviceLight& light) {
        if (count == kMaxDeviceLights) {
            overflow = true;
            return;
        }
        lights[count++] = light;
    }
};

class GraphNode;

// Where SetLights and SetNodeLights find the scene's lights. The renderer
// knows no scene; the scene layer installs its gatherer (render_state.h)
// when its first light is made.
class LightGatherer {
public:
    // The light registry's lights in order, at most kMaxDeviceLights.
    virtual LightSet RegistryLights() = 0;
    // The lights that reach one node.
    virtual LightSet NodeLights(GraphNode& node) = 0;

protected:
    ~LightGatherer() = default;
};

}  // namespace vimsa
