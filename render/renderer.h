#pragma once

#include <cstdint>

#include "core/matrix.h"
#include "core/ref_object.h"
#include "core/result.h"
#include "render/render_types.h"

namespace vimsa {

class Camera;
class GraphNode;
class RenderWindow;
class Texture;

// The abstract drawing device. Everything that draws talks to one Renderer;
// the OpenGL and Direct3D 8 back-ends implement it. The virtual operations
// are declared in their fixed slot order. State setters answer a truth
// value, texture and resource operations a result code.
class Renderer : public RefObject {
public:
    explicit Renderer(int32_t kind);
    // Derived destructors shut their device down; this one drops the pool.
    ~Renderer() override;
    Renderer(const Renderer&) = delete;
    Renderer& operator=(const Renderer&) = delete;

    // 1: drops any previous pool and allocates `capacity` screen vertices.
    virtual Result CreateVertexPool(uint32_t capacity);
    // 2: creates the device on the window (mode 1 window, 2 full screen);
    // a width or height of 0 takes the window's client size.
    virtual bool Init(RenderWindow* window, int32_t mode, uint32_t width, uint32_t height) = 0;
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
    // 11, 12
    virtual bool Clear(uint32_t flags) = 0;
    virtual bool Present() = 0;
    // 13..17
    virtual bool SetDepth(bool write, bool test) = 0;
    virtual bool SetDepthFunc(int32_t comparison) = 0;
    virtual bool EnableAlphaTest(bool enable) = 0;
    virtual bool SetAlphaFunc(int32_t comparison, uint8_t reference) = 0;
    virtual bool SetSolid(bool solid) = 0;
    // 18: true culls front faces (mirrored geometry), false back faces.
    virtual void SetCullFront(bool front) = 0;
    // 19: the fourth argument is not used.
    virtual void SetTextureFilter(int32_t stage, int32_t minify, int32_t magnify,
                                  int32_t unused) = 0;
    // 20: an empty texture of the back-end's own texture class.
    virtual Handle<Texture> NewTexture() = 0;
    // 21..24
    virtual Result UploadTexture(Texture* texture) = 0;
    virtual Result UnloadTexture(Texture* texture) = 0;
    virtual Result ReloadTexture(Texture* texture);
    virtual Result BindTexture(int32_t stage, Texture* texture) = 0;
    // 25: saves the back buffer as the next numbered screenshot.
    virtual Result ScreenShot() = 0;
    // 26: sends the first `count` pool vertices as one primitive.
    virtual void DrawVertexBatch(int32_t kind, uint32_t count, int32_t colourSets,
                                 int32_t coordinateSets);
    // 27: texture coordinates scaled by w, with w as fourth coordinate.
    virtual void EmitVertex(const ScreenVertex& vertex, int32_t colourSets,
                            int32_t coordinateSets) = 0;
    // 28: plain two-component texture coordinates.
    virtual void EmitVertexPlain(const ScreenVertex& vertex, int32_t colourSets,
                                 int32_t coordinateSets) = 0;
    // 29, 30: kinds 0 and 1 are convex polygons, 2 a triangle strip; false
    // for other kinds, which are ignored.
    virtual bool BeginPrimitive(int32_t kind);
    virtual bool EndPrimitive(int32_t kind);
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
    // 51: loads up to 8 lights of the light registry, or switches lighting off.
    virtual void SetLights(int32_t unused, bool enable) = 0;
    virtual bool EnableLighting(bool enable) = 0;
    // 53: loads the lights that reach one node; false when more than 8 are on.
    virtual bool SetNodeLights(GraphNode* node) = 0;
    // 54
    virtual void FreeVertexPool();

    uint32_t Width() const { return width_; }
    uint32_t Height() const { return height_; }
    int32_t ColourBits() const { return colourBits_; }
    int32_t DepthBits() const { return depthBits_; }
    int32_t Kind() const { return kind_; }
    bool Multitexture() const { return multitexture_; }
    int32_t TextureUnits() const { return textureUnits_; }
    Texture* DefaultTexture() const { return defaultTexture_.Get(); }
    void SetDefaultTexture(Texture* texture) { defaultTexture_ = texture; }
    const VertexPool* Pool() const { return pool_.get(); }
    // Whether polygons are filled (the last SetSolid); back-ends keep `solid_` current.
    bool IsSolid() const { return solid_; }

protected:
    std::unique_ptr<VertexPool> pool_;
    uint32_t width_ = 0;
    uint32_t height_ = 0;
    int32_t colourBits_ = 0;
    int32_t depthBits_ = 0;
    int32_t kind_ = 0;
    bool multitexture_ = false;
    int32_t textureUnits_ = 1;
    Handle<Texture> defaultTexture_;
    bool stencilMirrors_ = true;
    bool solid_ = true;
};

}  // namespace vimsa
