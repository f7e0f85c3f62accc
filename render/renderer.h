#pragma once

#include <cstdint>

#include "core/matrix.h"
#include "core/ref_object.h"
#include "core/result.h"
#include "render/pixel_format.h"
#include "render/render_types.h"

namespace vimsa {

class Camera;
class GraphNode;
class RenderWindow;
class Texture;

// The codes a back-end answers the shared texture rules with.
struct DeviceCodes {
    Result noTexture;    // null, or not a texture of this back-end
    Result noPixels;     // a texture whose pixels are not in memory
    Result notUploaded;  // bound before it was uploaded
    Result noDevice;     // the device is missing
};

// The abstract drawing device. Everything that draws talks to one Renderer;
// the OpenGL and Direct3D 8 back-ends implement it. The virtual operations
// are declared in their fixed slot order. State setters answer a truth
// value, texture and resource operations a result code.
//
// The rules every back-end shares live here, once: texture binding (valid
// stage, the default texture on stage 0, nothing to do when already bound,
// never before upload), format narrowing on upload, the fill-mode record and
// the loading of scene and node lights. They call the protected device hooks
// at the end of this class, which are all a back-end adds for them.
class Renderer : public RefObject {
public:
    // Publishes the vertex colour order of `kind` (OpenGL packs red first).
    Renderer(RendererKind kind, const DeviceCodes& codes);
    // Derived destructors shut their device down; this one drops the pool
    // and gives the colour order back to its default if it set it.
    ~Renderer() override;
    Renderer(const Renderer&) = delete;
    Renderer& operator=(const Renderer&) = delete;

    // 1: drops any previous pool and allocates `capacity` screen vertices.
    virtual Result CreateVertexPool(uint32_t capacity);
    // 2: creates the device on the window; a width or height of 0 takes the
    // window's client size.
    virtual bool Init(RenderWindow* window, DisplayMode mode, uint32_t width, uint32_t height) = 0;
    // 3: releases the device; safe to call twice.
    virtual void Shutdown() = 0;
    // 4
    virtual bool Resize(bool flag, uint32_t width, uint32_t height);
    // 5: rewinds the pool; null without a pool.
    virtual ScreenVertex* FirstVertex();
    // 6: the next pool vertex, or null when the pool is exhausted.
    virtual ScreenVertex* NextVertex();
    // 7, 8
    virtual bool BeginFrame() = 0;
    virtual bool EndFrame() = 0;
    // 9: projection, view and lighting of a camera; false for null.
    virtual bool Begin3D(const Camera* camera) = 0;
    // 10: lighting off, the 2-D projection, identity world and view.
    virtual bool Begin2D();
    // 11: `flags` are ClearFlag bits. 12
    virtual bool Clear(uint32_t flags) = 0;
    virtual bool Present() = 0;
    // 13..16
    virtual bool SetDepth(bool write, bool test) = 0;
    virtual bool SetDepthFunc(Comparison comparison) = 0;
    virtual bool EnableAlphaTest(bool enable) = 0;
    virtual bool SetAlphaFunc(Comparison comparison, uint8_t reference) = 0;
    // 17: fills polygons or draws their outlines; IsSolid answers the last
    // mode the device accepted.
    virtual bool SetSolid(bool solid);
    // 18: true culls front faces (mirrored geometry), false back faces.
    virtual void SetCullFront(bool front) = 0;
    // 19: the fourth argument is not used.
    virtual void SetTextureFilter(int32_t stage, TextureFilterCode minify,
                                  TextureFilterCode magnify, int32_t unused) = 0;
    // 20: an empty texture of the back-end's own texture class.
    virtual Handle<Texture> NewTexture() = 0;
    // 21: sends the pixels to the device once, in the narrowest format and
    // the channel order the device samples (the texture keeps them so).
    virtual Result UploadTexture(Texture* texture);
    // 22: frees the device copy.
    virtual Result UnloadTexture(Texture* texture);
    // 23
    virtual Result ReloadTexture(Texture* texture);
    // 24: null on stage 0 binds the default texture, null elsewhere unbinds.
    virtual Result BindTexture(int32_t stage, Texture* texture);
    // 25: saves the back buffer as the next numbered screenshot.
    virtual Result ScreenShot() = 0;
    // 26: sends the first `count` pool vertices as one primitive.
    virtual void DrawVertexBatch(PrimitiveKind kind, uint32_t count, int32_t colourSets,
                                 int32_t coordinateSets);
    // 27: texture coordinates scaled by w, with w as fourth coordinate.
    virtual void EmitVertex(const ScreenVertex& vertex, int32_t colourSets,
                            int32_t coordinateSets) = 0;
    // 28: plain two-component texture coordinates.
    virtual void EmitVertexPlain(const ScreenVertex& vertex, int32_t colourSets,
                                 int32_t coordinateSets) = 0;
    // 29, 30: polygons and fans are convex polygons, strips triangle strips;
    // false for other kinds, which are ignored.
    virtual bool BeginPrimitive(PrimitiveKind kind);
    virtual bool EndPrimitive(PrimitiveKind kind);
    // 31..34
    virtual void BeginPolygon() = 0;
    virtual void EndPolygon() = 0;
    virtual void BeginStrip() = 0;
    virtual void EndStrip() = 0;
    // 35
    virtual void DrawArrays(const ArraySource& source) = 0;
    // 36: an indexed triangle list of mesh vertices. Indices must lie below
    // `vertexCount`.
    virtual void DrawIndexed(const MeshVertex* vertices, uint32_t vertexCount,
                             const uint16_t* indices, uint32_t triangleCount) = 0;
    // 37..41
    virtual Handle<MeshBuffer> NewMeshBuffer(const MeshVertex* vertices, uint32_t vertexCount,
                                             const uint16_t* indices, uint32_t triangleCount) = 0;
    virtual bool SetStripIndices(MeshBuffer* buffer, const uint16_t* indices, uint32_t count) = 0;
    virtual Result UpdateMeshBuffer(MeshBuffer* buffer) = 0;
    virtual void DrawMeshBufferPart(MeshBuffer* buffer, const uint16_t* indices,
                                    uint32_t triangleCount) = 0;
    virtual void DrawMeshBuffer(MeshBuffer* buffer, uint32_t columns, uint32_t rows) = 0;
    // 42..46: stencil passes of mirrors and portals.
    virtual bool UsesStencil() const;
    virtual void BeginStencilWrite() = 0;
    virtual void BeginStencilTest() = 0;
    virtual void EndStencil();
    virtual void SetUseStencil(bool use);
    // 47: object-to-world and world-to-camera transforms; either may be null.
    virtual bool SetViewMatrix(const Matrix4* world, const Matrix4* view) = 0;
    virtual bool ResetViewMatrix() = 0;
    // 49: a fixed 4:3 frustum from the horizontal field of view (radians).
    virtual void SetPerspective(float fieldOfView, float nearPlane, float farPlane) = 0;
    // 50: 2-D projection, x 0..width left to right, y 0..height top to bottom.
    virtual bool SetOrtho() = 0;
    // 51: loads up to 8 lights of the scene's light registry, or switches
    // lighting off.
    virtual void SetLights(int32_t unused, bool enable);
    virtual bool EnableLighting(bool enable) = 0;
    // 53: loads the lights that reach one node; false when more than 8 are on.
    virtual bool SetNodeLights(GraphNode* node);
    // 54
    virtual void FreeVertexPool();

    // The 3-D pass of a camera given by its parameters: the perspective, the
    // view matrix and lighting on.
    bool Begin3DView(float fieldOfView, float nearPlane, float farPlane, const Matrix4& view);
    // Loads lights as SetLights does: the set's ambient colour; every light
    // but ambient ones takes the next device light, on or off as the light
    // is; the remaining device lights go off; the default material is
    // applied again and lighting goes on.
    void LoadLights(const LightSet& lights);
    // Loads lights as SetNodeLights does: the set's ambient colour, every
    // device light off, then each light that is on (ambient ones aside)
    // takes the next device light. False, with the first 8 loaded, when
    // more are on or the set overflowed.
    bool LoadNodeLights(const LightSet& lights);
    // Device lights the last LoadNodeLights switched on, and the light in a slot.
    int NodeLightCount() const { return nodeLightCount_; }
    const DeviceLight& NodeLight(int slot) const { return nodeLights_[slot]; }

    uint32_t Width() const { return width_; }
    uint32_t Height() const { return height_; }
    int32_t ColourBits() const { return colourBits_; }
    int32_t DepthBits() const { return depthBits_; }
    RendererKind Kind() const { return kind_; }
    bool Multitexture() const { return multitexture_; }
    int32_t TextureUnits() const { return textureUnits_; }
    Texture* DefaultTexture() const { return defaultTexture_.Get(); }
    void SetDefaultTexture(Texture* texture) { defaultTexture_ = texture; }
    const VertexPool* Pool() const { return pool_.get(); }
    // Whether polygons are filled: the last fill mode SetSolid applied.
    bool IsSolid() const { return solid_; }

protected:
    // --- device hooks ---
    virtual bool HasDevice() const = 0;
    // Whether the texture is of this back-end's texture class and may live
    // on this device.
    virtual bool IsDeviceTexture(const Texture& texture) const = 0;
    // The format a texture of `format` travels in, and the channel order
    // the device reads.
    virtual PixelFormat UploadFormat(PixelFormat format) const = 0;
    virtual int32_t UploadOrder() const = 0;
    // Creates the device copy of pixels already in UploadFormat/UploadOrder.
    virtual Result CreateDeviceTexture(Texture& texture) = 0;
    virtual void DeleteDeviceTexture(Texture& texture) = 0;
    // Binds the texture's device copy on a stage; null unbinds.
    virtual void BindDeviceTexture(int32_t stage, const Texture* texture) = 0;
    virtual bool ApplyFillMode(bool solid) = 0;
    // A light load: Begin (false without a device), the ambient colour,
    // every slot once (null switches it off), End.
    virtual bool BeginLightLoad() = 0;
    virtual void LoadAmbientLight(const Vector4& colour) = 0;
    virtual void LoadDeviceLight(int slot, const DeviceLight* light) = 0;
    virtual void EndLightLoad() = 0;
    virtual void ApplyDefaultMaterial() = 0;

    std::unique_ptr<VertexPool> pool_;
    uint32_t width_ = 0;
    uint32_t height_ = 0;
    int32_t colourBits_ = 0;
    int32_t depthBits_ = 0;
    bool multitexture_ = false;
    int32_t textureUnits_ = 1;
    Handle<Texture> defaultTexture_;
    bool stencilMirrors_ = true;

private:
    const RendererKind kind_;
    const DeviceCodes codes_;
    bool solid_ = true;
    DeviceLight nodeLights_[kMaxDeviceLights];
    int nodeLightCount_ = 0;
};

}  // namespace vimsa
