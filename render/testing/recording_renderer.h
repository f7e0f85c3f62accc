#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "render/renderer.h"
#include "render/texture.h"

namespace vimsa::testing {

// One logged renderer call: the operation's name and its arguments as text
// (integers in decimal, floats with %g, pointers as "null" or "0x..", bools
// as "true"/"false", matrices as their 16 floats in braces).
struct RecordedCall {
    std::string name;
    std::vector<std::string> args;

    std::string ToString() const;  // "Name(arg, arg)"
};

// A renderer without a device that logs every call with its arguments, for
// tests of the code that draws (scene traversal, meshes, text, the demo).
// It keeps the state a caller can observe: texture upload flags and counters,
// the bound texture of each stage, the vertex pool and the stencil switch.
class RecordingRenderer : public Renderer {
public:
    RecordingRenderer();
    ~RecordingRenderer() override;

    Result CreateVertexPool(uint32_t capacity) override;
    bool Init(RenderWindow* window, int32_t mode, uint32_t width, uint32_t height) override;
    void Shutdown() override;
    bool Resize(bool flag, uint32_t width, uint32_t height) override;
    ScreenVertex* FirstVertex() override;
    ScreenVertex* NextVertex() override;
    bool BeginFrame() override;
    bool EndFrame() override;
    bool Begin3D(const Camera* camera) override;
    bool Begin2D() override;
    bool Clear(uint32_t flags) override;
    bool Present() override;
    bool SetDepth(bool write, bool test) override;
    bool SetDepthFunc(int32_t comparison) override;
    bool EnableAlphaTest(bool enable) override;
    bool SetAlphaFunc(int32_t comparison, uint8_t reference) override;
    bool SetSolid(bool solid) override;
    void SetCullFront(bool front) override;
    void SetTextureFilter(int32_t stage, int32_t minify, int32_t magnify, int32_t unused) override;
    Handle<Texture> NewTexture() override;
    Result UploadTexture(Texture* texture) override;
    Result UnloadTexture(Texture* texture) override;
    Result ReloadTexture(Texture* texture) override;
    Result BindTexture(int32_t stage, Texture* texture) override;
    Result ScreenShot() override;
    void DrawVertexBatch(int32_t kind, uint32_t count, int32_t colourSets,
                         int32_t coordinateSets) override;
    void EmitVertex(const ScreenVertex& vertex, int32_t colourSets,
                    int32_t coordinateSets) override;
    void EmitVertexPlain(const ScreenVertex& vertex, int32_t colourSets,
                         int32_t coordinateSets) override;
    bool BeginPrimitive(int32_t kind) override;
    bool EndPrimitive(int32_t kind) override;
    void BeginPolygon() override;
    void EndPolygon() override;
    void BeginStrip() override;
    void EndStrip() override;
    void DrawArrays(const ArraySource& source) override;
    void DrawIndexed(const MeshVertex* vertices, uint32_t vertexCount, const uint16_t* indices,
                     uint32_t triangleCount) override;
    Handle<MeshBuffer> NewMeshBuffer(const MeshVertex* vertices, uint32_t vertexCount,
                                     const uint16_t* indices, uint32_t triangleCount) override;
    bool SetStripIndices(MeshBuffer* buffer, const uint16_t* indices, uint32_t count) override;
    Result UpdateMeshBuffer(MeshBuffer* buffer) override;
    void DrawMeshBufferPart(MeshBuffer* buffer, const uint16_t* indices,
                            uint32_t triangleCount) override;
    void DrawMeshBuffer(MeshBuffer* buffer, uint32_t columns, uint32_t rows) override;
    bool UsesStencil() const override;
    void BeginStencilWrite() override;
    void BeginStencilTest() override;
    void EndStencil() override;
    void SetUseStencil(bool use) override;
    bool SetViewMatrix(const Matrix4* world, const Matrix4* view) override;
    bool ResetViewMatrix() override;
    void SetPerspective(float fieldOfView, float nearPlane, float farPlane) override;
    bool SetOrtho() override;
    void SetLights(int32_t unused, bool enable) override;
    bool EnableLighting(bool enable) override;
    bool SetNodeLights(GraphNode* node) override;
    void FreeVertexPool() override;

    const std::vector<RecordedCall>& Calls() const { return calls_; }
    void ClearCalls() { calls_.clear(); }
    // Every call as "Name(args)", one per line.
    std::string Log() const;
    // Number of calls of an operation.
    std::size_t Count(std::string_view name) const;
    // The calls of one operation, in order.
    std::vector<RecordedCall> CallsNamed(std::string_view name) const;

    // The answer SetNodeLights gives (true unless a test says otherwise).
    void SetNodeLightsAnswer(bool answer) { nodeLightsAnswer_ = answer; }
    bool Initialised() const { return initialised_; }

private:
    template <typename... Args>
    void Record(std::string_view name, const Args&... args) const;

    mutable std::vector<RecordedCall> calls_;
    bool initialised_ = false;
    bool nodeLightsAnswer_ = true;
};

// Argument text as the log writes it.
std::string ArgText(int64_t value);
std::string ArgText(double value);
std::string ArgText(bool value);
std::string ArgText(const void* pointer);
std::string ArgText(const Matrix4& matrix);

}  // namespace vimsa::testing
