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
// The shared rules run as in every back-end; the device hooks they reach are
// logged too, under their own names (BindDeviceTexture, CreateDeviceTexture,
// DeleteDeviceTexture, LoadAmbientLight, LoadDeviceLight), so that tests see
// what a device would have been asked to do.
class RecordingRenderer : public Renderer {
public:
    RecordingRenderer();
    ~RecordingRenderer() override;

    Result CreateVertexPool(uint32_t capacity) override;
    bool Init(RenderWindow* window, DisplayMode mode, uint32_t width, uint32_t height) override;
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
    bool SetDepthFunc(Comparison comparison) override;
    bool EnableAlphaTest(bool enable) override;
    bool SetAlphaFunc(Comparison comparison, uint8_t reference) override;
    bool SetSolid(bool solid) override;
    void SetCullFront(bool front) override;
    void SetTextureFilter(int32_t stage, TextureFilterCode minify, TextureFilterCode magnify,
                          int32_t unused) override;
    Handle<Texture> NewTexture() override;
    Result UploadTexture(Texture* texture) override;
    Result UnloadTexture(Texture* texture) override;
    Result ReloadTexture(Texture* texture) override;
    Result BindTexture(int32_t stage, Texture* texture) override;
    Result ScreenShot() override;
    void DrawVertexBatch(PrimitiveKind kind, uint32_t count, int32_t colourSets,
                         int32_t coordinateSets) override;
    void EmitVertex(const ScreenVertex& vertex, int32_t colourSets,
                    int32_t coordinateSets) override;
    void EmitVertexPlain(const ScreenVertex& vertex, int32_t colourSets,
                         int32_t coordinateSets) override;
    bool BeginPrimitive(PrimitiveKind kind) override;
    bool EndPrimitive(PrimitiveKind kind) override;
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

protected:
    bool HasDevice() const override { return true; }
    bool IsDeviceTexture(const Texture&) const override { return true; }
    PixelFormat UploadFormat(PixelFormat format) const override { return format; }
    int32_t UploadOrder() const override { return kOrderKeep; }
    Result CreateDeviceTexture(Texture& texture) override;
    void DeleteDeviceTexture(Texture& texture) override;
    void BindDeviceTexture(int32_t stage, const Texture* texture) override;
    bool ApplyFillMode(bool solid) override;
    bool BeginLightLoad() override { return true; }
    void LoadAmbientLight(const Vector4& colour) override;
    void LoadDeviceLight(int slot, const DeviceLight* light) override;
    void EndLightLoad() override {}
    void ApplyDefaultMaterial() override {}

private:
    template <typename... Args>
    void Record(std::string_view name, const Args&... args) const;

    mutable std::vector<RecordedCall> calls_;
};

// Argument text as the log writes it.
std::string ArgText(int64_t value);
std::string ArgText(double value);
std::string ArgText(bool value);
std::string ArgText(const void* pointer);
std::string ArgText(const Matrix4& matrix);

}  // namespace vimsa::testing
