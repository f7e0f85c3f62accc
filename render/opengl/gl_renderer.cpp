#include "render/opengl/gl_renderer.h"

#include <GL/gl.h>
#include <GL/glext.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/gl/gl_binding.h"
#include "render/opengl/gl_texture.h"
#include "render/render_state.h"
#include "render/render_window.h"
#include "scene/camera.h"

namespace vimsa {

struct GLRenderer::MultitextureEntryPoints {
    PFNGLACTIVETEXTUREARBPROC activeTexture = nullptr;
    PFNGLMULTITEXCOORD4FARBPROC multiTexCoord4f = nullptr;
    PFNGLMULTITEXCOORD2FVARBPROC multiTexCoord2fv = nullptr;
    PFNGLCLIENTACTIVETEXTUREARBPROC clientActiveTexture = nullptr;

    bool Complete() const {
        return activeTexture && multiTexCoord4f && multiTexCoord2fv && clientActiveTexture;
    }
};

// Holds the context current for one operation.
class GLRenderer::Scope {
public:
    explicit Scope(GLRenderer& renderer) : renderer_(renderer), held_(renderer.AcquireContext()) {}
    ~Scope() {
        if (held_) renderer_.ReleaseContext();
    }
    Scope(const Scope&) = delete;
    Scope& operator=(const Scope&) = delete;
    explicit operator bool() const { return held_; }

private:
    GLRenderer& renderer_;
    bool held_;
};

namespace {

constexpr float kRadiansToDegrees = 57.295776f;
constexpr char kMultitextureExtension[] = "GL_ARB_multitexture";
constexpr char kNoMultitextureVariable[] = "VIMSA_GL_NO_MULTITEXTURE";

GLenum MapComparison(int32_t code) {
    switch (code) {
        case kCompareLess:
            return GL_LESS;
        case kCompareGreater:
            return GL_GREATER;
        case kCompareEqual:
            return GL_EQUAL;
        case kCompareLessEqual:
            return GL_LEQUAL;
        case kCompareGreaterEqual:
            return GL_GEQUAL;
        case kCompareNotEqual:
            return GL_NOTEQUAL;
        case kCompareNever:
            return GL_NEVER;
        default:
            return GL_ALWAYS;
    }
}

bool EnvironmentDisablesMultitexture() {
    const char* value = std::getenv(kNoMultitextureVariable);
    return value && *value && std::strcmp(value, "0") != 0;
}

// The row-major engine matrix as OpenGL's column-major array.
void LoadMatrix(const Matrix4& m) {
    const Matrix4 columns = Transpose(m);
    glLoadMatrixf(columns.m);
}

bool IndicesBelow(const uint16_t* indices, std::size_t count, uint32_t limit) {
    for (std::size_t i = 0; i < count; ++i) {
        if (indices[i] >= limit) return false;
    }
    return true;
}

const uint8_t* Bytes(const MeshVertex* v) {
    return reinterpret_cast<const uint8_t*>(v);
}

}  // namespace

GLRenderer::GLRenderer(GLRendererOptions options)
    : Renderer(kRendererOpenGL,
               {ERR_GL_TEXTURE, ERR_GL_TEXTURE_NO_PIXELS, ERR_GL_TEXTURE_NOT_LOADED, ERR_GL_INIT}),
      options_(options),
      depthComparison_(GL_LEQUAL),
      alphaComparison_(GL_LESS),
      entryPoints_(std::make_unique<MultitextureEntryPoints>()) {
    stencilMirrors_ = true;
}

GLRenderer::~GLRenderer() {
    Shutdown();
    FreeVertexPool();
}

bool GLRenderer::MultitextureDisabled() const {
    return options_.disableMultitexture || EnvironmentDisablesMultitexture();
}

bool GLRenderer::AcquireContext() {
    return context_ && context_->Acquire();
}

void GLRenderer::ReleaseContext() {
    if (context_) context_->Release();
}

void GLRenderer::Adopt(GLTexture* texture) {
    textures_.insert(texture);
}

void GLRenderer::Forget(GLTexture* texture) {
    textures_.erase(texture);
}

Result GLRenderer::CreateVertexPool(uint32_t capacity) {
    if (Succeeded(Renderer::CreateVertexPool(capacity))) return RESULT_OK;
    Shutdown();
    return ERR_GL_INIT;
}

bool GLRenderer::Init(RenderWindow* window, DisplayMode, uint32_t width, uint32_t height) {
    Shutdown();
    auto* surface = dynamic_cast<gl::Surface*>(window);
    if (!surface) return false;
    const gl::PixelFormatRequest request;
    colourBits_ = request.colourBits;
    depthBits_ = request.depthBits;
    context_ = surface->CreateContext(request);
    if (!context_) return false;
    window_ = window;
    if (width == 0 || height == 0) {
        uint32_t clientWidth = 0, clientHeight = 0;
        surface->ClientSize(clientWidth, clientHeight);
        if (width == 0) width = clientWidth;
        if (height == 0) height = clientHeight;
    }
    width_ = width;
    height_ = height;
    render_state::ClearBoundTextures();

    Scope scope(*this);
    if (!scope) {
        context_.reset();
        return false;
    }
    SetInitialState();
    BeginFrame();
    Clear(kClearAll);
    Present();
    Clear(kClearAll);
    EndFrame();
    SetUpMultitexture();
    SetUpLighting();
    return true;
}

void GLRenderer::SetInitialState() {
    glEnable(GL_CULL_FACE);
    glCullFace(GL_BACK);
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    glShadeModel(GL_SMOOTH);
    glEnable(GL_TEXTURE_2D);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
    glClearDepth(1.0);
    glClearColor(0.75f, 0.75f, 0.75f, 0.0f);
    SetDepthFunc(kCompareLessEqual);
    SetDepth(true, true);
    SetAlphaFunc(kCompareLess, 128);
    EnableAlphaTest(false);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    SetOrtho();
}

void GLRenderer::SetUpMultitexture() {
    multitexture_ = false;
    textureUnits_ = 1;
    *entryPoints_ = {};
    if (MultitextureDisabled()) return;
    const auto* extensions = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
    if (!gl::HasExtension(extensions, kMultitextureExtension)) return;
    entryPoints_->activeTexture =
        reinterpret_cast<PFNGLACTIVETEXTUREARBPROC>(context_->GetProcAddress("glActiveTextureARB"));
    entryPoints_->multiTexCoord4f = reinterpret_cast<PFNGLMULTITEXCOORD4FARBPROC>(
        context_->GetProcAddress("glMultiTexCoord4fARB"));
    entryPoints_->multiTexCoord2fv = reinterpret_cast<PFNGLMULTITEXCOORD2FVARBPROC>(
        context_->GetProcAddress("glMultiTexCoord2fvARB"));
    entryPoints_->clientActiveTexture = reinterpret_cast<PFNGLCLIENTACTIVETEXTUREARBPROC>(
        context_->GetProcAddress("glClientActiveTextureARB"));
    GLint units = 1;
    glGetIntegerv(GL_MAX_TEXTURE_UNITS_ARB, &units);
    if (!entryPoints_->Complete() || units < 2) {
        *entryPoints_ = {};
        return;
    }
    multitexture_ = true;
    textureUnits_ = units;
}

void GLRenderer::ApplyDefaultMaterial() {
    Scope scope(*this);
    if (!scope) return;
    const GLfloat white[] = {1, 1, 1, 1};
    const GLfloat black[] = {0, 0, 0, 1};
    glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, white);
    glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, white);
    glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, black);
    glMaterialfv(GL_FRONT_AND_BACK, GL_EMISSION, black);
    glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, 0.0f);
}

void GLRenderer::SetUpLighting() {
    glLightModeli(GL_LIGHT_MODEL_LOCAL_VIEWER, GL_FALSE);
    glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, GL_FALSE);
    ApplyDefaultMaterial();
    glColorMaterial(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE);
    glEnable(GL_COLOR_MATERIAL);
    glEnable(GL_LIGHTING);
    for (int i = 0; i < kMaxDeviceLights; ++i)
        glDisable(GL_LIGHT0 + i);
}

void GLRenderer::Shutdown() {
    if (!context_) return;
    {
        Scope scope(*this);
        for (GLTexture* t : textures_) {
            if (scope && t->DeviceHandle() != 0) {
                const GLuint name = t->DeviceHandle();
                glDeleteTextures(1, &name);
            }
            t->Detach();
        }
    }
    textures_.clear();
    render_state::ClearBoundTextures();
    frameHeld_ = false;
    primitiveHeld_ = false;
    context_->ReleaseAll();
    context_.reset();
    window_ = nullptr;
    multitexture_ = false;
    textureUnits_ = 1;
}

bool GLRenderer::Resize(bool flag, uint32_t width, uint32_t height) {
    if (!flag) return false;
    width_ = width;
    height_ = height;
    return SetOrtho();
}

bool GLRenderer::BeginFrame() {
    if (frameHeld_) return true;
    frameHeld_ = AcquireContext();
    return frameHeld_;
}

bool GLRenderer::EndFrame() {
    if (!frameHeld_) return context_ != nullptr;
    frameHeld_ = false;
    ReleaseContext();
    return true;
}

bool GLRenderer::Begin3D(const Camera* camera) {
    if (!camera) return false;
    Scope scope(*this);
    return scope && Begin3DView(camera->fieldOfView, camera->nearPlane, camera->farPlane,
                                camera->viewMatrix);
}

bool GLRenderer::Clear(uint32_t flags) {
    Scope scope(*this);
    if (!scope) return false;
    GLbitfield bits = 0;
    if (flags & kClearColour) bits |= GL_COLOR_BUFFER_BIT;
    if (flags & kClearDepth) bits |= GL_DEPTH_BUFFER_BIT;
    if (flags & kClearStencil) bits |= GL_STENCIL_BUFFER_BIT;
    // Write masks left by a stencil or depth pass must not stop the clear.
    glPushAttrib(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glDepthMask(GL_TRUE);
    glStencilMask(~0u);
    glClear(bits);
    glPopAttrib();
    return true;
}

bool GLRenderer::Present() {
    Scope scope(*this);
    return scope && context_->SwapBuffers();
}

bool GLRenderer::SetDepth(bool write, bool test) {
    Scope scope(*this);
    if (!scope) return false;
    if (!write && !test) {
        glDisable(GL_DEPTH_TEST);
        return true;
    }
    glEnable(GL_DEPTH_TEST);
    glDepthMask(write ? GL_TRUE : GL_FALSE);
    glDepthFunc(test ? depthComparison_ : GL_ALWAYS);
    return true;
}

bool GLRenderer::SetDepthFunc(Comparison comparison) {
    Scope scope(*this);
    if (!scope) return false;
    depthComparison_ = MapComparison(comparison);
    glDepthFunc(depthComparison_);
    return true;
}

bool GLRenderer::EnableAlphaTest(bool enable) {
    Scope scope(*this);
    if (!scope) return false;
    if (enable)
        glEnable(GL_ALPHA_TEST);
    else
        glDisable(GL_ALPHA_TEST);
    return true;
}

bool GLRenderer::SetAlphaFunc(Comparison comparison, uint8_t reference) {
    Scope scope(*this);
    if (!scope) return false;
    alphaComparison_ = MapComparison(comparison);
    glAlphaFunc(alphaComparison_, reference / 255.0f);
    return true;
}

bool GLRenderer::ApplyFillMode(bool solid) {
    Scope scope(*this);
    if (!scope) return false;
    glPolygonMode(GL_FRONT_AND_BACK, solid ? GL_FILL : GL_LINE);
    return true;
}

void GLRenderer::SetCullFront(bool front) {
    Scope scope(*this);
    if (scope) glCullFace(front ? GL_FRONT : GL_BACK);
}

void GLRenderer::SetTextureFilter(int32_t, TextureFilterCode, TextureFilterCode, int32_t) {
    // OpenGL keeps its filters in the texture objects.
}

Handle<Texture> GLRenderer::NewTexture() {
    return Handle<Texture>(new GLTexture(this));
}

bool GLRenderer::IsDeviceTexture(const Texture& texture) const {
    const auto* gt = dynamic_cast<const GLTexture*>(&texture);
    return gt && (!gt->Owner() || gt->Owner() == this);
}

// Sixteen-bit formats travel as 8-bit channels: OpenGL 1.1 has no packed
// pixel types. "0555" is widened too rather than left on the host, so that
// every texture a reader makes can be drawn.
PixelFormat GLRenderer::UploadFormat(PixelFormat format) const {
    switch (format) {
        case kFormat0555:
        case kFormat0565:
            return kFormat0888;
        case kFormat1555:
        case kFormat4444:
            return kFormat8888;
        default:
            return format;
    }
}

Result GLRenderer::CreateDeviceTexture(Texture& texture) {
    auto& gt = static_cast<GLTexture&>(texture);
    Scope scope(*this);
    if (!scope) return ERR_GL_INIT;
    // A texture whose renderer shut down joins this one.
    if (!gt.Owner()) gt.Attach(this);
    const Result created = gt.CreateOnDevice();
    if (Failed(created)) return created;
    const GLenum layout = gt.Format() == kFormat8888 ? GL_RGBA : GL_RGB;
    glGetError();
    glTexImage2D(GL_TEXTURE_2D, 0, layout == GL_RGBA ? 4 : 3, static_cast<GLsizei>(gt.Width()),
                 static_cast<GLsizei>(gt.Height()), 0, layout, GL_UNSIGNED_BYTE, gt.Pixels());
    const bool sent = glGetError() == GL_NO_ERROR;
    RestoreStageZeroBinding();
    if (sent) return RESULT_OK;
    (void)gt.DeleteOnDevice();  // the context is current: the name goes
    return ERR_GL_TEXTURE;
}

void GLRenderer::DeleteDeviceTexture(Texture& texture) {
    // Without a context the name died with it; either way the copy is gone.
    (void)texture.DeleteOnDevice();
}

void GLRenderer::RestoreStageZeroBinding() {
    const Texture* bound = render_state::BoundTexture(0);
    glBindTexture(GL_TEXTURE_2D, bound && bound->Uploaded() ? bound->DeviceHandle() : 0);
}

void GLRenderer::BindDeviceTexture(int32_t stage, const Texture* texture) {
    const bool deviceStage = stage == 0 || (multitexture_ && stage < textureUnits_);
    if (!deviceStage) return;
    Scope scope(*this);
    if (!scope) return;
    if (multitexture_) entryPoints_->activeTexture(GL_TEXTURE0_ARB + stage);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, texture ? texture->DeviceHandle() : 0);
    if (multitexture_ && stage != 0) entryPoints_->activeTexture(GL_TEXTURE0_ARB);
}

bool GLRenderer::ReadPixels(std::vector<uint8_t>& rgba) {
    Scope scope(*this);
    if (!scope) return false;
    const std::size_t row = std::size_t{width_} * 4;
    rgba.assign(row * height_, 0);
    if (rgba.empty()) return true;
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, static_cast<GLsizei>(width_), static_cast<GLsizei>(height_), GL_RGBA,
                 GL_UNSIGNED_BYTE, rgba.data());
    // OpenGL rows run bottom-up.
    std::vector<uint8_t> swap(row);
    for (uint32_t top = 0, bottom = height_ - 1; top < bottom; ++top, --bottom) {
        uint8_t* a = rgba.data() + top * row;
        uint8_t* b = rgba.data() + bottom * row;
        std::copy(a, a + row, swap.data());
        std::copy(b, b + row, a);
        std::copy(swap.begin(), swap.end(), b);
    }
    return true;
}

Result GLRenderer::ScreenShot() {
    Handle<Texture> shot = NewTexture();
    const Result created = shot->Create("screen shot", width_, height_, kFormat8888);
    if (Failed(created)) return created;
    if (!shot->Pixels()) return ERR_GL_TEXTURE;
    std::vector<uint8_t> rgba;
    if (!ReadPixels(rgba)) return ERR_GL_INIT;
    std::copy(rgba.begin(), rgba.end(), shot->Pixels());
    return shot->SaveScreenShot();
}

bool GLRenderer::NeedsLightMapPass() const {
    const Texture* lightMap = render_state::BoundTexture(1);
    return textureUnits_ == 1 && lightMap && lightMap->Uploaded();
}

// The second pass multiplies the frame buffer by the light map alone: the
// texture replaces the fragment colour, depth is tested for equality-or-less
// and not written, so the pass lands exactly on the first one.
void GLRenderer::BeginLightMapPass() {
    glPushAttrib(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_TEXTURE_BIT);
    glBindTexture(GL_TEXTURE_2D, render_state::BoundTexture(1)->DeviceHandle());
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    glBlendFunc(GL_ZERO, GL_SRC_COLOR);
    glDepthMask(GL_FALSE);
    glDepthFunc(GL_LEQUAL);
}

void GLRenderer::EndLightMapPass() {
    glPopAttrib();  // stage-0 binding, environment, blending and depth state
}

void GLRenderer::DrawVertexBatch(PrimitiveKind kind, uint32_t count, int32_t colourSets,
                                 int32_t coordinateSets) {
    Scope scope(*this);
    if (!scope) return;
    Renderer::DrawVertexBatch(kind, count, colourSets, coordinateSets);
    if (!NeedsLightMapPass()) return;
    BeginLightMapPass();
    Renderer::DrawVertexBatch(kind, count, colourSets, coordinateSets);
    EndLightMapPass();
}

void GLRenderer::EmitVertex(const ScreenVertex& vertex, int32_t colourSets,
                            int32_t coordinateSets) {
    Scope scope(*this);
    if (!scope) return;
    for (int i = 0; i < std::min<int32_t>(colourSets, ScreenVertex::kColourSets); ++i)
        glColor4fv(&vertex.colours[i].x);
    const float w = vertex.position.w;
    for (int i = 0; i < std::min<int32_t>(coordinateSets, ScreenVertex::kCoordinateSets); ++i) {
        const float s = vertex.texCoords[i].x * w;
        const float t = vertex.texCoords[i].y * w;
        if (multitexture_) {
            entryPoints_->multiTexCoord4f(GL_TEXTURE0_ARB, s, t, 0.0f, w);
            entryPoints_->multiTexCoord4f(GL_TEXTURE1_ARB, s, t, 0.0f, w);
        } else {
            glTexCoord4f(s, t, 0.0f, w);
        }
    }
    glVertex3fv(&vertex.position.x);
}

void GLRenderer::EmitVertexPlain(const ScreenVertex& vertex, int32_t colourSets,
                                 int32_t coordinateSets) {
    Scope scope(*this);
    if (!scope) return;
    for (int i = 0; i < std::min<int32_t>(colourSets, ScreenVertex::kColourSets); ++i)
        glColor4fv(&vertex.colours[i].x);
    for (int i = 0; i < std::min<int32_t>(coordinateSets, ScreenVertex::kCoordinateSets); ++i) {
        if (multitexture_) {
            entryPoints_->multiTexCoord2fv(GL_TEXTURE0_ARB, &vertex.texCoords[i].x);
            entryPoints_->multiTexCoord2fv(GL_TEXTURE1_ARB, &vertex.texCoords[i].x);
        } else {
            glTexCoord2fv(&vertex.texCoords[i].x);
        }
    }
    glVertex3fv(&vertex.position.x);
}

// A primitive holds the context from its beginning to its end, so that no
// release can fall between glBegin and glEnd.
void GLRenderer::BeginPolygon() {
    if (primitiveHeld_ || !AcquireContext()) return;
    primitiveHeld_ = true;
    glBegin(GL_POLYGON);
}

void GLRenderer::EndPolygon() {
    if (!primitiveHeld_) return;
    glEnd();
    primitiveHeld_ = false;
    ReleaseContext();
}

void GLRenderer::BeginStrip() {
    if (primitiveHeld_ || !AcquireContext()) return;
    primitiveHeld_ = true;
    glBegin(GL_TRIANGLE_STRIP);
}

void GLRenderer::EndStrip() {
    EndPolygon();
}

void GLRenderer::DrawArrays(const ArraySource& source) {
    const int32_t perFace = source.Faces() == kFaceTriangles ? 3
                            : source.Faces() == kFaceQuads   ? 4
                                                             : 0;
    const FloatArray positions = source.Positions();
    const uint16_t* indices = source.Indices();
    const std::size_t count = std::size_t{source.FaceCount()} * static_cast<std::size_t>(perFace);
    if (perFace == 0 || !positions.data || !indices || count == 0) return;
    if (positions.components < 2 || positions.components > 4) return;
    if (!IndicesBelow(indices, count, source.VertexCount())) return;
    Scope scope(*this);
    if (!scope) return;

    const FloatArray colours = source.Colours();
    const FloatArray coords = source.TexCoords();
    const FloatArray normals = source.Normals();
    const bool hasColours = colours.data && (colours.components == 3 || colours.components == 4);
    const bool hasCoords = coords.data && coords.components >= 1 && coords.components <= 4;
    const auto stride = [](const FloatArray& a) {
        return static_cast<GLsizei>(a.strideFloats * sizeof(float));
    };
    glEnableClientState(GL_VERTEX_ARRAY);
    glVertexPointer(positions.components, GL_FLOAT, stride(positions), positions.data);
    if (hasColours) {
        glEnableClientState(GL_COLOR_ARRAY);
        glColorPointer(colours.components, GL_FLOAT, stride(colours), colours.data);
    }
    if (hasCoords) {
        glEnableClientState(GL_TEXTURE_COORD_ARRAY);
        glTexCoordPointer(coords.components, GL_FLOAT, stride(coords), coords.data);
    }
    if (normals.data) {
        glEnableClientState(GL_NORMAL_ARRAY);
        glNormalPointer(GL_FLOAT, stride(normals), normals.data);
    }
    const GLenum mode = perFace == 3 ? GL_TRIANGLES : GL_QUADS;
    glDrawElements(mode, static_cast<GLsizei>(count), GL_UNSIGNED_SHORT, indices);
    if (NeedsLightMapPass()) {
        BeginLightMapPass();
        glDrawElements(mode, static_cast<GLsizei>(count), GL_UNSIGNED_SHORT, indices);
        EndLightMapPass();
    }
    glDisableClientState(GL_VERTEX_ARRAY);
    glDisableClientState(GL_COLOR_ARRAY);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glDisableClientState(GL_NORMAL_ARRAY);
}

void GLRenderer::EnableMeshArrays(const MeshVertex* vertices, bool secondUnit) {
    constexpr GLsizei kStride = sizeof(MeshVertex);
    const uint8_t* base = Bytes(vertices);
    glEnableClientState(GL_VERTEX_ARRAY);
    glVertexPointer(3, GL_FLOAT, kStride, base + offsetof(MeshVertex, position));
    glEnableClientState(GL_NORMAL_ARRAY);
    glNormalPointer(GL_FLOAT, kStride, base + offsetof(MeshVertex, normal));
    glEnableClientState(GL_COLOR_ARRAY);
    glColorPointer(4, GL_UNSIGNED_BYTE, kStride, base + offsetof(MeshVertex, colour));
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glTexCoordPointer(2, GL_FLOAT, kStride, base + offsetof(MeshVertex, uv0));
    if (!secondUnit) return;
    // The light map: its own coordinates, multiplying the stage-0 result.
    entryPoints_->clientActiveTexture(GL_TEXTURE1_ARB);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glTexCoordPointer(2, GL_FLOAT, kStride, base + offsetof(MeshVertex, uv1));
    entryPoints_->clientActiveTexture(GL_TEXTURE0_ARB);
    entryPoints_->activeTexture(GL_TEXTURE1_ARB);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_COMBINE_ARB);
    glTexEnvi(GL_TEXTURE_ENV, GL_COMBINE_RGB_ARB, GL_MODULATE);
    glTexEnvi(GL_TEXTURE_ENV, GL_SOURCE0_RGB_ARB, GL_TEXTURE);
    glTexEnvi(GL_TEXTURE_ENV, GL_OPERAND0_RGB_ARB, GL_SRC_COLOR);
    glTexEnvi(GL_TEXTURE_ENV, GL_SOURCE1_RGB_ARB, GL_PREVIOUS_ARB);
    glTexEnvi(GL_TEXTURE_ENV, GL_OPERAND1_RGB_ARB, GL_SRC_COLOR);
    glTexEnvi(GL_TEXTURE_ENV, GL_COMBINE_ALPHA_ARB, GL_REPLACE);
    glTexEnvi(GL_TEXTURE_ENV, GL_SOURCE0_ALPHA_ARB, GL_PREVIOUS_ARB);
    glTexEnvi(GL_TEXTURE_ENV, GL_OPERAND0_ALPHA_ARB, GL_SRC_ALPHA);
    entryPoints_->activeTexture(GL_TEXTURE0_ARB);
}

void GLRenderer::DisableMeshArrays(bool secondUnit) {
    if (secondUnit) {
        entryPoints_->clientActiveTexture(GL_TEXTURE1_ARB);
        glDisableClientState(GL_TEXTURE_COORD_ARRAY);
        entryPoints_->clientActiveTexture(GL_TEXTURE0_ARB);
    }
    glDisableClientState(GL_VERTEX_ARRAY);
    glDisableClientState(GL_NORMAL_ARRAY);
    glDisableClientState(GL_COLOR_ARRAY);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
}

void GLRenderer::DrawMeshElements(const MeshVertex* vertices, const uint16_t* indices,
                                  uint32_t triangleCount) {
    const auto count = static_cast<GLsizei>(triangleCount * 3);
    const bool secondUnit = multitexture_;
    EnableMeshArrays(vertices, secondUnit);
    glDrawElements(GL_TRIANGLES, count, GL_UNSIGNED_SHORT, indices);
    if (NeedsLightMapPass()) {
        BeginLightMapPass();
        glTexCoordPointer(2, GL_FLOAT, sizeof(MeshVertex),
                          Bytes(vertices) + offsetof(MeshVertex, uv1));
        glDrawElements(GL_TRIANGLES, count, GL_UNSIGNED_SHORT, indices);
        EndLightMapPass();
    }
    DisableMeshArrays(secondUnit);
}

void GLRenderer::DrawIndexed(const MeshVertex* vertices, uint32_t vertexCount,
                             const uint16_t* indices, uint32_t triangleCount) {
    if (!vertices || !indices || triangleCount == 0) return;
    // Client arrays are read by the driver without bounds: a bad index would
    // read outside the vertices, so such a list draws nothing.
    if (!IndicesBelow(indices, std::size_t{triangleCount} * 3, vertexCount)) return;
    Scope scope(*this);
    if (scope) DrawMeshElements(vertices, indices, triangleCount);
}

Handle<MeshBuffer> GLRenderer::NewMeshBuffer(const MeshVertex* vertices, uint32_t vertexCount,
                                             const uint16_t* indices, uint32_t triangleCount) {
    return Handle<MeshBuffer>(new MeshBuffer(vertices, vertexCount, indices, triangleCount));
}

bool GLRenderer::SetStripIndices(MeshBuffer*, const uint16_t*, uint32_t) {
    return true;
}

Result GLRenderer::UpdateMeshBuffer(MeshBuffer*) {
    return RESULT_OK;
}

void GLRenderer::DrawMeshBufferPart(MeshBuffer* buffer, const uint16_t* indices,
                                    uint32_t triangleCount) {
    if (buffer) DrawIndexed(buffer->vertices, buffer->vertexCount, indices, triangleCount);
}

void GLRenderer::DrawMeshBuffer(MeshBuffer* buffer, uint32_t, uint32_t) {
    if (buffer)
        DrawIndexed(buffer->vertices, buffer->vertexCount, buffer->indices, buffer->triangleCount);
}

void GLRenderer::BeginStencilWrite() {
    if (!stencilMirrors_) return;
    Scope scope(*this);
    if (!scope) return;
    glEnable(GL_STENCIL_TEST);
    glStencilFunc(GL_ALWAYS, 1, 1);
    glStencilOp(GL_KEEP, GL_KEEP, GL_REPLACE);
    glEnable(GL_DEPTH_TEST);
    glDepthMask(GL_FALSE);
    glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE);
}

void GLRenderer::BeginStencilTest() {
    if (!stencilMirrors_) return;
    Scope scope(*this);
    if (!scope) return;
    glEnable(GL_STENCIL_TEST);
    glStencilFunc(GL_EQUAL, 1, 1);
    glStencilOp(GL_KEEP, GL_KEEP, GL_KEEP);
    glEnable(GL_DEPTH_TEST);
    glDepthMask(GL_TRUE);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
}

void GLRenderer::EndStencil() {
    Scope scope(*this);
    if (scope) glDisable(GL_STENCIL_TEST);
}

bool GLRenderer::SetViewMatrix(const Matrix4* world, const Matrix4* view) {
    Scope scope(*this);
    if (!scope) return false;
    if (view) viewMatrix_ = *view;
    const Matrix4 placement = world ? *world : ScaleMatrix(1.0f, 1.0f, -1.0f);
    glMatrixMode(GL_MODELVIEW);
    LoadMatrix(Multiply(viewMatrix_, placement));
    return true;
}

bool GLRenderer::ResetViewMatrix() {
    Scope scope(*this);
    if (!scope) return false;
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    return true;
}

void GLRenderer::SetPerspective(float fieldOfView, float nearPlane, float farPlane) {
    // A frustum OpenGL would refuse leaves the projection as it was.
    if (!(fieldOfView > 0.0f && fieldOfView < kPi && nearPlane > 0.0f && farPlane > nearPlane))
        return;
    Scope scope(*this);
    if (!scope) return;
    const double d = nearPlane * std::tan(fieldOfView / 2.0);
    const double e = 0.75 * d;  // a 4:3 frustum whatever the window's shape
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glFrustum(-d, d, e, -e, nearPlane, farPlane);
    glScalef(1.0f, 1.0f, -1.0f);
    glMatrixMode(GL_MODELVIEW);
    glViewport(0, 0, static_cast<GLsizei>(width_), static_cast<GLsizei>(height_));
}

bool GLRenderer::SetOrtho() {
    Scope scope(*this);
    if (!scope) return false;
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0.0, width_, height_, 0.0, 0.0, -1.0);
    glMatrixMode(GL_MODELVIEW);
    glViewport(0, 0, static_cast<GLsizei>(width_), static_cast<GLsizei>(height_));
    return true;
}

bool GLRenderer::EnableLighting(bool enable) {
    Scope scope(*this);
    if (!scope) return false;
    if (enable)
        glEnable(GL_LIGHTING);
    else
        glDisable(GL_LIGHTING);
    return true;
}

// Light positions and directions are given in world space: they are loaded
// with the model-view holding the view matrix alone. The context stays
// current from the beginning of the load to its end.
bool GLRenderer::BeginLightLoad() {
    if (!AcquireContext()) return false;
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    LoadMatrix(viewMatrix_);
    return true;
}

void GLRenderer::EndLightLoad() {
    glPopMatrix();
    ReleaseContext();
}

void GLRenderer::LoadAmbientLight(const Vector4& colour) {
    glLightModelfv(GL_LIGHT_MODEL_AMBIENT, &colour.x);
}

void GLRenderer::LoadDeviceLight(int slot, const DeviceLight* light) {
    const GLenum id = GL_LIGHT0 + static_cast<GLenum>(slot);
    if (!light) {
        glDisable(id);
        return;
    }
    const GLfloat black[] = {0, 0, 0, 1};
    glLightfv(id, GL_AMBIENT, black);
    glLightfv(id, GL_DIFFUSE, &light->colour.x);
    glLightfv(id, GL_SPECULAR, black);
    glLightf(id, GL_CONSTANT_ATTENUATION, 1.0f);
    glLightf(id, GL_LINEAR_ATTENUATION, 0.0f);
    glLightf(id, GL_QUADRATIC_ATTENUATION, 0.0f);
    glLightf(id, GL_SPOT_CUTOFF, 180.0f);
    glLightf(id, GL_SPOT_EXPONENT, 0.0f);
    if (light->on)
        glEnable(id);
    else
        glDisable(id);
    if (light->kind == kLightDirectional) {
        // OpenGL wants the direction towards the light.
        const GLfloat towards[] = {-light->direction.x, -light->direction.y, -light->direction.z,
                                   0};
        glLightfv(id, GL_POSITION, towards);
        return;
    }
    const GLfloat position[] = {light->position.x, light->position.y, light->position.z, 1};
    glLightfv(id, GL_POSITION, position);
    glLightf(id, GL_CONSTANT_ATTENUATION, light->attenuation0);
    glLightf(id, GL_LINEAR_ATTENUATION, light->attenuation1);
    glLightf(id, GL_QUADRATIC_ATTENUATION, light->attenuation2);
    if (light->kind == kLightSpot) {
        // The light shines along its direction as the scene gives it; the
        // cut-off is OpenGL's half angle of the cone, at most 90 degrees.
        glLightfv(id, GL_SPOT_DIRECTION, &light->direction.x);
        glLightf(id, GL_SPOT_EXPONENT, 1.0f);
        glLightf(id, GL_SPOT_CUTOFF,
                 std::clamp(light->outerAngle * 0.5f * kRadiansToDegrees, 0.0f, 90.0f));
    }
}

}  // namespace vimsa
