#pragma once

#include <cstdint>
#include <memory>
#include <set>
#include <vector>

#include "render/renderer.h"

namespace vimsa {

namespace gl {
class Context;
}
class GLTexture;

struct GLRendererOptions {
    // Behave as if the driver lacked GL_ARB_multitexture: one texture unit,
    // light maps drawn in a second pass. The environment variable
    // VIMSA_GL_NO_MULTITEXTURE (set and not "0") has the same effect.
    bool disableMultitexture = false;
};

// The Renderer on OpenGL 1.1 (plus GL_ARB_multitexture when the driver has
// it) through the window system's binding of platform/gl. Every operation
// makes the context current for its duration; requests nest, and BeginFrame
// / EndFrame hold the context for a whole frame.
//
// The stage-1 texture is a light map: it multiplies the stage-0 result. With
// two units it is combined in one pass; with one unit the geometry is drawn a
// second time with the light map, multiplying the frame buffer, so both paths
// give the same picture for opaque geometry.
class GLRenderer : public Renderer {
public:
    explicit GLRenderer(GLRendererOptions options = {});
    ~GLRenderer() override;

    Result CreateVertexPool(uint32_t capacity) override;
    bool Init(RenderWindow* window, DisplayMode mode, uint32_t width, uint32_t height) override;
    void Shutdown() override;
    bool Resize(bool flag, uint32_t width, uint32_t height) override;
    bool BeginFrame() override;
    bool EndFrame() override;
    bool Begin3D(const Camera* camera) override;
    bool Clear(uint32_t flags) override;
    bool Present() override;
    bool SetDepth(bool write, bool test) override;
    bool SetDepthFunc(Comparison comparison) override;
    bool EnableAlphaTest(bool enable) override;
    bool SetAlphaFunc(Comparison comparison, uint8_t reference) override;
    void SetCullFront(bool front) override;
    void SetTextureFilter(int32_t stage, TextureFilterCode minify, TextureFilterCode magnify,
                          int32_t unused) override;
    Handle<Texture> NewTexture() override;
    Result ScreenShot() override;
    void DrawVertexBatch(PrimitiveKind kind, uint32_t count, int32_t colourSets,
                         int32_t coordinateSets) override;
    void EmitVertex(const ScreenVertex& vertex, int32_t colourSets,
                    int32_t coordinateSets) override;
    void EmitVertexPlain(const ScreenVertex& vertex, int32_t colourSets,
                         int32_t coordinateSets) override;
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
    void BeginStencilWrite() override;
    void BeginStencilTest() override;
    void EndStencil() override;
    bool SetViewMatrix(const Matrix4* world, const Matrix4* view) override;
    bool ResetViewMatrix() override;
    void SetPerspective(float fieldOfView, float nearPlane, float farPlane) override;
    bool SetOrtho() override;
    bool EnableLighting(bool enable) override;

    // The colour buffer as red, green, blue, alpha bytes, top row first.
    bool ReadPixels(std::vector<uint8_t>& rgba);

    gl::Context* Context() const { return context_.get(); }
    // The driver's extension string was searched with multitexturing disabled.
    bool MultitextureDisabled() const;

    // For GLTexture: runs its device work with the context current.
    bool AcquireContext();
    void ReleaseContext();
    void Forget(GLTexture* texture);
    void Adopt(GLTexture* texture);
    // Binds the texture recorded on stage 0 again (uploads disturb it).
    void RestoreStageZeroBinding();

protected:
    bool HasDevice() const override { return context_ != nullptr; }
    bool IsDeviceTexture(const Texture& texture) const override;
    PixelFormat UploadFormat(PixelFormat format) const override;
    int32_t UploadOrder() const override { return kOrderRgb; }
    Result CreateDeviceTexture(Texture& texture) override;
    void DeleteDeviceTexture(Texture& texture) override;
    void BindDeviceTexture(int32_t stage, const Texture* texture) override;
    bool ApplyFillMode(bool solid) override;
    bool BeginLightLoad() override;
    void LoadAmbientLight(const Vector4& colour) override;
    void LoadDeviceLight(int slot, const DeviceLight* light) override;
    void EndLightLoad() override;
    void ApplyDefaultMaterial() override;

private:
    class Scope;
    struct MultitextureEntryPoints;

    void SetInitialState();
    void SetUpMultitexture();
    void SetUpLighting();
    bool NeedsLightMapPass() const;
    void BeginLightMapPass();
    void EndLightMapPass();
    void EnableMeshArrays(const MeshVertex* vertices, bool secondUnit);
    void DisableMeshArrays(bool secondUnit);
    void DrawMeshElements(const MeshVertex* vertices, const uint16_t* indices,
                          uint32_t triangleCount);

    GLRendererOptions options_;
    std::unique_ptr<gl::Context> context_;
    RenderWindow* window_ = nullptr;
    bool frameHeld_ = false;
    bool primitiveHeld_ = false;
    uint32_t depthComparison_ = 0;
    uint32_t alphaComparison_ = 0;
    Matrix4 viewMatrix_;
    std::unique_ptr<MultitextureEntryPoints> entryPoints_;
    std::set<GLTexture*> textures_;
};

}  // namespace vimsa
