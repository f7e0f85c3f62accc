#include "render/testing/recording_renderer.h"

#include <type_traits>

#include "core/format_string.h"
#include "render/render_state.h"

namespace vimsa::testing {
namespace {

template <typename T>
std::string Arg(const T& value) {
    if constexpr (std::is_same_v<T, bool>) {
        return ArgText(value);
    } else if constexpr (std::is_integral_v<T> || std::is_enum_v<T>) {
        return ArgText(static_cast<int64_t>(value));
    } else if constexpr (std::is_floating_point_v<T>) {
        return ArgText(static_cast<double>(value));
    } else if constexpr (std::is_same_v<T, const Matrix4*> || std::is_same_v<T, Matrix4*>) {
        return value ? ArgText(*value) : std::string("null");
    } else if constexpr (std::is_same_v<T, std::string>) {
        return value;
    } else if constexpr (std::is_pointer_v<T>) {
        return ArgText(static_cast<const void*>(value));
    } else {
        return ArgText(value);
    }
}

}  // namespace

std::string ArgText(int64_t value) {
    return Format("%lld", static_cast<long long>(value));
}

std::string ArgText(double value) {
    return Format("%g", value);
}

std::string ArgText(bool value) {
    return value ? "true" : "false";
}

std::string ArgText(const void* pointer) {
    return pointer ? Format("%p", pointer) : std::string("null");
}

std::string ArgText(const Matrix4& matrix) {
    std::string out = "{";
    for (int i = 0; i < 16; ++i) {
        if (i) out += ' ';
        out += Format("%g", static_cast<double>(matrix.m[i]));
    }
    return out + "}";
}

std::string RecordedCall::ToString() const {
    std::string out = name + "(";
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (i) out += ", ";
        out += args[i];
    }
    return out + ")";
}

template <typename... Args>
void RecordingRenderer::Record(std::string_view name, const Args&... args) const {
    calls_.push_back(RecordedCall{std::string(name), {Arg(args)...}});
}

RecordingRenderer::RecordingRenderer()
    : Renderer(kRendererOpenGL,
               {ERR_GL_TEXTURE, ERR_GL_TEXTURE_NO_PIXELS, ERR_GL_TEXTURE_NOT_LOADED, ERR_GL_INIT}) {
}

RecordingRenderer::~RecordingRenderer() = default;

std::string RecordingRenderer::Log() const {
    std::string out;
    for (const RecordedCall& c : calls_)
        out += c.ToString() + "\n";
    return out;
}

std::size_t RecordingRenderer::Count(std::string_view name) const {
    std::size_t n = 0;
    for (const RecordedCall& c : calls_)
        n += c.name == name ? 1 : 0;
    return n;
}

std::vector<RecordedCall> RecordingRenderer::CallsNamed(std::string_view name) const {
    std::vector<RecordedCall> out;
    for (const RecordedCall& c : calls_) {
        if (c.name == name) out.push_back(c);
    }
    return out;
}

Result RecordingRenderer::CreateVertexPool(uint32_t capacity) {
    Record("CreateVertexPool", capacity);
    return Renderer::CreateVertexPool(capacity);
}

bool RecordingRenderer::Init(RenderWindow* window, DisplayMode mode, uint32_t width,
                             uint32_t height) {
    Record("Init", window, mode, width, height);
    width_ = width;
    height_ = height;
    return true;
}

void RecordingRenderer::Shutdown() {
    Record("Shutdown");
}

bool RecordingRenderer::Resize(bool flag, uint32_t width, uint32_t height) {
    Record("Resize", flag, width, height);
    if (!flag) return false;
    width_ = width;
    height_ = height;
    return true;
}

ScreenVertex* RecordingRenderer::FirstVertex() {
    Record("FirstVertex");
    return Renderer::FirstVertex();
}

ScreenVertex* RecordingRenderer::NextVertex() {
    Record("NextVertex");
    return Renderer::NextVertex();
}

bool RecordingRenderer::BeginFrame() {
    Record("BeginFrame");
    return true;
}

bool RecordingRenderer::EndFrame() {
    Record("EndFrame");
    return true;
}

bool RecordingRenderer::Begin3D(const Camera* camera) {
    Record("Begin3D", camera);
    return camera != nullptr;
}

bool RecordingRenderer::Begin2D() {
    Record("Begin2D");
    return Renderer::Begin2D();
}

bool RecordingRenderer::Clear(uint32_t flags) {
    Record("Clear", flags);
    return true;
}

bool RecordingRenderer::Present() {
    Record("Present");
    return true;
}

bool RecordingRenderer::SetDepth(bool write, bool test) {
    Record("SetDepth", write, test);
    return true;
}

bool RecordingRenderer::SetDepthFunc(Comparison comparison) {
    Record("SetDepthFunc", comparison);
    return true;
}

bool RecordingRenderer::EnableAlphaTest(bool enable) {
    Record("EnableAlphaTest", enable);
    return true;
}

bool RecordingRenderer::SetAlphaFunc(Comparison comparison, uint8_t reference) {
    Record("SetAlphaFunc", comparison, reference);
    return true;
}

bool RecordingRenderer::SetSolid(bool solid) {
    Record("SetSolid", solid);
    return Renderer::SetSolid(solid);
}

bool RecordingRenderer::ApplyFillMode(bool) {
    return true;
}

void RecordingRenderer::SetCullFront(bool front) {
    Record("SetCullFront", front);
}

void RecordingRenderer::SetTextureFilter(int32_t stage, TextureFilterCode minify,
                                         TextureFilterCode magnify, int32_t unused) {
    Record("SetTextureFilter", stage, minify, magnify, unused);
}

Handle<Texture> RecordingRenderer::NewTexture() {
    Record("NewTexture");
    return Handle<Texture>(new Texture);
}

Result RecordingRenderer::UploadTexture(Texture* texture) {
    Record("UploadTexture", texture);
    return Renderer::UploadTexture(texture);
}

Result RecordingRenderer::UnloadTexture(Texture* texture) {
    Record("UnloadTexture", texture);
    return Renderer::UnloadTexture(texture);
}

Result RecordingRenderer::ReloadTexture(Texture* texture) {
    Record("ReloadTexture", texture);
    return Renderer::ReloadTexture(texture);
}

Result RecordingRenderer::BindTexture(int32_t stage, Texture* texture) {
    Record("BindTexture", stage, texture);
    return Renderer::BindTexture(stage, texture);
}

Result RecordingRenderer::CreateDeviceTexture(Texture& texture) {
    Record("CreateDeviceTexture", &texture);
    return RESULT_OK;
}

void RecordingRenderer::DeleteDeviceTexture(Texture& texture) {
    Record("DeleteDeviceTexture", &texture);
}

void RecordingRenderer::BindDeviceTexture(int32_t stage, const Texture* texture) {
    Record("BindDeviceTexture", stage, texture);
}

Result RecordingRenderer::ScreenShot() {
    Record("ScreenShot");
    return RESULT_OK;
}

void RecordingRenderer::DrawVertexBatch(PrimitiveKind kind, uint32_t count, int32_t colourSets,
                                        int32_t coordinateSets) {
    Record("DrawVertexBatch", kind, count, colourSets, coordinateSets);
    Renderer::DrawVertexBatch(kind, count, colourSets, coordinateSets);
}

void RecordingRenderer::EmitVertex(const ScreenVertex& vertex, int32_t colourSets,
                                   int32_t coordinateSets) {
    const Vector4& p = vertex.position;
    const Vector2& t = vertex.texCoords[0];
    Record("EmitVertex", p.x, p.y, p.z, p.w, t.x, t.y, colourSets, coordinateSets);
}

void RecordingRenderer::EmitVertexPlain(const ScreenVertex& vertex, int32_t colourSets,
                                        int32_t coordinateSets) {
    const Vector4& p = vertex.position;
    const Vector2& t = vertex.texCoords[0];
    Record("EmitVertexPlain", p.x, p.y, p.z, p.w, t.x, t.y, colourSets, coordinateSets);
}

bool RecordingRenderer::BeginPrimitive(PrimitiveKind kind) {
    Record("BeginPrimitive", kind);
    return Renderer::BeginPrimitive(kind);
}

bool RecordingRenderer::EndPrimitive(PrimitiveKind kind) {
    Record("EndPrimitive", kind);
    return Renderer::EndPrimitive(kind);
}

void RecordingRenderer::BeginPolygon() {
    Record("BeginPolygon");
}

void RecordingRenderer::EndPolygon() {
    Record("EndPolygon");
}

void RecordingRenderer::BeginStrip() {
    Record("BeginStrip");
}

void RecordingRenderer::EndStrip() {
    Record("EndStrip");
}

void RecordingRenderer::DrawArrays(const ArraySource& source) {
    Record("DrawArrays", &source, source.Faces(), source.FaceCount());
}

void RecordingRenderer::DrawIndexed(const MeshVertex* vertices, uint32_t vertexCount,
                                    const uint16_t* indices, uint32_t triangleCount) {
    Record("DrawIndexed", vertices, vertexCount, indices, triangleCount);
}

Handle<MeshBuffer> RecordingRenderer::NewMeshBuffer(const MeshVertex* vertices,
                                                    uint32_t vertexCount, const uint16_t* indices,
                                                    uint32_t triangleCount) {
    Record("NewMeshBuffer", vertices, vertexCount, indices, triangleCount);
    return Handle<MeshBuffer>(new MeshBuffer(vertices, vertexCount, indices, triangleCount));
}

bool RecordingRenderer::SetStripIndices(MeshBuffer* buffer, const uint16_t* indices,
                                        uint32_t count) {
    Record("SetStripIndices", buffer, indices, count);
    if (buffer) {
        buffer->stripIndices = indices;
        buffer->stripIndexCount = count;
    }
    return true;
}

Result RecordingRenderer::UpdateMeshBuffer(MeshBuffer* buffer) {
    Record("UpdateMeshBuffer", buffer);
    return RESULT_OK;
}

void RecordingRenderer::DrawMeshBufferPart(MeshBuffer* buffer, const uint16_t* indices,
                                           uint32_t triangleCount) {
    Record("DrawMeshBufferPart", buffer, indices, triangleCount);
}

void RecordingRenderer::DrawMeshBuffer(MeshBuffer* buffer, uint32_t columns, uint32_t rows) {
    Record("DrawMeshBuffer", buffer, columns, rows);
}

bool RecordingRenderer::UsesStencil() const {
    Record("UsesStencil");
    return Renderer::UsesStencil();
}

void RecordingRenderer::BeginStencilWrite() {
    Record("BeginStencilWrite");
}

void RecordingRenderer::BeginStencilTest() {
    Record("BeginStencilTest");
}

void RecordingRenderer::EndStencil() {
    Record("EndStencil");
}

void RecordingRenderer::SetUseStencil(bool use) {
    Record("SetUseStencil", use);
    Renderer::SetUseStencil(use);
}

bool RecordingRenderer::SetViewMatrix(const Matrix4* world, const Matrix4* view) {
    Record("SetViewMatrix", world, view);
    return true;
}

bool RecordingRenderer::ResetViewMatrix() {
    Record("ResetViewMatrix");
    return true;
}

void RecordingRenderer::SetPerspective(float fieldOfView, float nearPlane, float farPlane) {
    Record("SetPerspective", fieldOfView, nearPlane, farPlane);
}

bool RecordingRenderer::SetOrtho() {
    Record("SetOrtho");
    return true;
}

void RecordingRenderer::SetLights(int32_t unused, bool enable) {
    Record("SetLights", unused, enable);
    Renderer::SetLights(unused, enable);
}

bool RecordingRenderer::EnableLighting(bool enable) {
    Record("EnableLighting", enable);
    return true;
}

bool RecordingRenderer::SetNodeLights(GraphNode* node) {
    Record("SetNodeLights", node);
    return Renderer::SetNodeLights(node);
}

void RecordingRenderer::LoadAmbientLight(const Vector4& colour) {
    Record("LoadAmbientLight", colour.x, colour.y, colour.z, colour.w);
}

// A light is logged as its slot and kind, with "off" for a light switched
// off and "null" for an emptied slot.
void RecordingRenderer::LoadDeviceLight(int slot, const DeviceLight* light) {
    if (!light) {
        Record("LoadDeviceLight", slot, static_cast<const void*>(nullptr));
    } else if (light->on) {
        Record("LoadDeviceLight", slot, light->kind);
    } else {
        Record("LoadDeviceLight", slot, light->kind, std::string("off"));
    }
}

void RecordingRenderer::FreeVertexPool() {
    Record("FreeVertexPool");
    Renderer::FreeVertexPool();
}

}  // namespace vimsa::testing
