#pragma once

#include <cstdint>
#include <memory>
#include <set>
#include <vector>

#include "core/ref_object.h"
#include "platform/d3d8/direct3d8.h"
#include "render/renderer.h"

namespace vimsa {

class D3D8Texture;

struct D3D8RendererOptions {
    // What the adapter offers: texture units (1 or 2), the display format
    // back buffers take, rasteriser threads.
    d3d8::SoftwareDeviceOptions adapter;
};

// The Renderer on a Direct3D 8 device. Its window must be a device window
// of platform/d3d8 (a PresentTarget): the desktop shell's, or the image of
// HeadlessD3D8Window.
//
// The stage-1 texture is a light map that multiplies the stage-0 result:
// with two texture units in one pass, with one in a second pass that
// multiplies the frame buffer, so both paths give one picture, and the
// same as the OpenGL back-end's.
class D3D8Renderer : public Renderer {
public:
    explicit D3D8Renderer(D3D8RendererOptions options = {});
    ~D3D8Renderer() override;

    Result CreateVertexPool(uint32_t capacity) override;
    bool Init(RenderWindow* window, DisplayMode mode, uint32_t width, uint32_t height) override;
    void Shutdown() override;
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
    void FreeVertexPool() override;

    // The back buffer as red, green, blue, alpha bytes, top row first.
    bool ReadPixels(std::vector<uint8_t>& rgba);
    bool Windowed() const { return windowed_; }
    d3d8::IDirect3DDevice8* Device() const { return device_.Get(); }

    // For D3D8Texture: the textures that live on this renderer's device.
    void Adopt(D3D8Texture* texture);
    void Forget(D3D8Texture* texture);

protected:
    bool HasDevice() const override { return device_ != nullptr; }
    bool IsDeviceTexture(const Texture& texture) const override;
    PixelFormat UploadFormat(PixelFormat format) const override;
    int32_t UploadOrder() const override { return kOrderBgr; }
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
    // One pooled 2-D vertex as the device reads it: screen position with
    // reciprocal w, colour, one coordinate pair.
    struct PoolVertex {
        float x, y, z, rhw;
        d3d8::D3DCOLOR colour;
        float u, v;
    };
    static_assert(sizeof(PoolVertex) == 28);
    // State the single-unit light-map pass changes, to be put back.
    struct SavedPassState {
        d3d8::DWORD colourOp, alphaOp, coordinateSet, depthWrite, depthFunc, blend, sourceBlend,
            destinationBlend;
    };

    bool CreateDevice(d3d8::PresentTarget& target, uint32_t width, uint32_t height);
    void SetInitialState();
    void SetUpTextureStages();
    // Render and stage states: the device accepts every state it knows with
    // any value.
    void SetState(d3d8::D3DRENDERSTATETYPE state, d3d8::DWORD value);
    void SetStageState(d3d8::DWORD stage, d3d8::D3DTEXTURESTAGESTATETYPE type, d3d8::DWORD value);
    d3d8::DWORD State(d3d8::D3DRENDERSTATETYPE state) const;
    d3d8::DWORD StageState(d3d8::DWORD stage, d3d8::D3DTEXTURESTAGESTATETYPE type) const;
    void ApplyDepthState();
    bool NeedsLightMapPass() const;
    // The light map replaces the stage-0 texture and multiplies the frame
    // buffer; `coordinateSet` is the vertices' set for it.
    SavedPassState BeginLightMapPass(d3d8::DWORD coordinateSet);
    void EndLightMapPass(const SavedPassState& saved);
    static Result CopyRows(d3d8::IDirect3DSurface8& back, Texture& shot);
    void DrawPooled(d3d8::D3DPRIMITIVETYPE type, uint32_t primitives, const PoolVertex* vertices);
    void DrawStripOutline();

    D3D8RendererOptions options_;
    bool windowed_ = true;
    Handle<d3d8::IDirect3D8> d3d_;
    Handle<d3d8::IDirect3DDevice8> device_;
    std::unique_ptr<PoolVertex[]> deviceVertices_;
    uint32_t deviceVertexCapacity_ = 0;  // one more than the pool: a closed outline
    uint32_t deviceVertexCount_ = 0;
    std::vector<PoolVertex> lines_;
    d3d8::D3DCMPFUNC depthComparison_ = d3d8::D3DCMP_LESSEQUAL;
    d3d8::D3DCMPFUNC alphaComparison_ = d3d8::D3DCMP_LESS;
    bool depthWrite_ = true;
    bool depthTest_ = true;
    Matrix4 viewMatrix_;
    std::set<D3D8Texture*> textures_;
};

}  // namespace vimsa
