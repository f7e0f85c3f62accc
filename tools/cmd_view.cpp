// vimsa-tool view: renders a node-tree file or a terrain description into a
// picture, headless, through the OpenGL back-end.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "core/ref_object.h"
#include "core/result.h"
#include "platform/files/file_system.h"
#include "render/image_file_access.h"
#include "render/opengl/gl_renderer.h"
#include "render/opengl/headless_gl_window.h"
#include "render/render_state.h"
#include "render/texture.h"
#include "render/tga_image.h"
#include "scene/animation.h"
#include "scene/camera.h"
#include "scene/graph_portal.h"
#include "scene/light.h"
#include "tools/tool_command.h"
#include "world/mesh_base.h"
#include "world/node_tree_serializer.h"
#include "world/terrain.h"

namespace vimsa::tool {
namespace {

constexpr float kDegrees = 0.017453292f;

void PrintViewUsage(std::FILE* out) {
    std::fprintf(
        out,
        "usage: vimsa-tool view FILE OUT.tga [--size WxH] [--yaw DEG] [--pitch DEG] [--wire]\n\n"
        "Loads a node-tree object file (any name: the chunk tag decides) or a terrain\n"
        "description (.txt), frames its whole bounding box from the direction given by\n"
        "--yaw (about the vertical axis, default 30) and --pitch (looking down, default\n"
        "20), lights it, renders one frame headless through the OpenGL back-end and\n"
        "writes it as a 32-bit TGA (default 640x480). Texture paths are read from the\n"
        "current folder, as the demo reads them from its data folder. Prints what was\n"
        "loaded.\n");
}

struct ViewOptions {
    std::string in, out;
    uint32_t width = 640, height = 480;
    float yaw = 30.0f, pitch = 20.0f;
    bool wire = false;
};

bool ParseNumber(std::string_view text, float& value) {
    const std::string s(text);
    char* end = nullptr;
    value = std::strtof(s.c_str(), &end);
    return end != s.c_str() && *end == '\0' && std::isfinite(value);
}

bool ParseSize(std::string_view text, uint32_t& width, uint32_t& height) {
    unsigned w = 0, h = 0;
    char rest = 0;
    if (std::sscanf(std::string(text).c_str(), "%ux%u%c", &w, &h, &rest) != 2) return false;
    if (w < 16 || h < 16 || w > 4096 || h > 4096) return false;
    width = w;
    height = h;
    return true;
}

bool ParseViewOptions(const std::vector<std::string_view>& args, ViewOptions& o) {
    std::vector<std::string_view> paths;
    for (size_t i = 0; i < args.size(); ++i) {
        const bool hasValue = i + 1 < args.size();
        if (args[i] == "--wire") {
            o.wire = true;
        } else if (args[i] == "--size" && hasValue) {
            if (!ParseSize(args[++i], o.width, o.height)) return false;
        } else if (args[i] == "--yaw" && hasValue) {
            if (!ParseNumber(args[++i], o.yaw)) return false;
        } else if (args[i] == "--pitch" && hasValue) {
            if (!ParseNumber(args[++i], o.pitch) || std::fabs(o.pitch) > 89) return false;
        } else {
            paths.push_back(args[i]);
        }
    }
    if (paths.size() != 2) return false;
    o.in = std::string(paths[0]);
    o.out = std::string(paths[1]);
    return true;
}

bool IsTerrainDescription(const std::string& path) {
    const std::string upper = files::ToUpper(path);
    return upper.size() >= 4 && upper.compare(upper.size() - 4, 4, ".TXT") == 0;
}

// What the scene holds, for the report.
struct Census {
    int nodes = 0, meshes = 0, lights = 0, portals = 0, blocks = 0;
    uint64_t triangles = 0;
    std::set<const Texture*> textures;
};

// Every mesh vertex of the tree in world space widens the box.
struct WorldBox {
    Vector3 low{1e30f, 1e30f, 1e30f}, high{-1e30f, -1e30f, -1e30f};
    bool Empty() const { return low.x > high.x; }
    void Add(const MeshBase& mesh, const Matrix4& world) {
        for (int32_t v = 0; v < mesh.VertexCount(); ++v) {
            const Vector3 p = TransformPoint3(world, mesh.VertexPosition(v));
            low = {std::min(low.x, p.x), std::min(low.y, p.y), std::min(low.z, p.z)};
            high = {std::max(high.x, p.x), std::max(high.y, p.y), std::max(high.z, p.z)};
        }
    }
};

void CountMesh(const MeshBase& mesh, Census& census) {
    ++census.meshes;
    census.triangles += static_cast<uint64_t>(std::max(mesh.FaceCount(), 0));
    for (const Handle<Texture>& t : mesh.textures) {
        if (t) census.textures.insert(t.Get());
    }
}

void Survey(GraphNode& node, Census& census, WorldBox& box) {
    ++census.nodes;
    const Matrix4* world = node.GetWorldMatrix();
    for (const Handle<GraphObj>& object : node.objects) {
        if (auto* mesh = dynamic_cast<MeshBase*>(object.Get())) {
            CountMesh(*mesh, census);
            if (world) box.Add(*mesh, *world);
        } else if (dynamic_cast<Light*>(object.Get())) {
            ++census.lights;
        } else if (auto* terrain = dynamic_cast<Terrain*>(object.Get())) {
            for (uint32_t row = 0; row < terrain->BlocksY(); ++row) {
                for (uint32_t column = 0; column < terrain->BlocksX(); ++column) {
                    TerrainBlock* block = terrain->Block(column, row);
                    if (!block || !block->mesh) continue;
                    ++census.blocks;
                    CountMesh(*block->mesh, census);
                    if (world) box.Add(*block->mesh, *world);
                }
            }
        }
    }
    census.portals += static_cast<int>(node.portals.size());
    for (const Handle<GraphNode>& child : node.children)
        Survey(*child, census, box);
    for (const Handle<GraphPortal>& portal : node.portals)
        Survey(*portal, census, box);
}

// Both lights reach every node of the tree.
void LightEveryNode(GraphNode& node, Light& ambient, Light& sun) {
    ambient.IncludeNode(&node);
    sun.IncludeNode(&node);
    for (const Handle<GraphNode>& child : node.children)
        LightEveryNode(*child, ambient, sun);
}

// Portal pairs hold each other: they are parted before the tree goes.
void PartPortals(GraphNode& node) {
    for (const Handle<GraphPortal>& portal : node.portals)
        portal->RemoveAllPortals();
    for (const Handle<GraphNode>& child : node.children)
        PartPortals(*child);
}

class View {
public:
    explicit View(const ViewOptions& o) : options_(o), window_(o.width, o.height) {}
    ~View() {
        if (model_) PartPortals(*model_);
        SetCurrentRenderer(nullptr);
        SetCurrentCamera(nullptr);
    }

    int Run() {
        if (!renderer_->Init(&window_, kDisplayWindow, options_.width, options_.height)) {
            std::fprintf(stderr, "vimsa-tool view: no headless OpenGL context\n");
            return 1;
        }
        SetCurrentRenderer(renderer_.Get());
        Result r = MakeWhite();
        if (Succeeded(r)) r = Load();
        if (Failed(r)) return ReportFailure("view", "cannot load " + options_.in, r);
        Census census;
        WorldBox box;
        Survey(*world_, census, box);
        Report(census);
        if (box.Empty()) box.low = box.high = {0, 0, 0};
        Frame(box);
        r = Draw();
        if (Succeeded(r)) r = Write();
        if (Failed(r)) return ReportFailure("view", "cannot write " + options_.out, r);
        std::printf("wrote %s (%ux%u)\n", options_.out.c_str(), options_.width, options_.height);
        return 0;
    }

private:
    Result MakeWhite() {
        white_ = renderer_->NewTexture();
        Result r = white_->Create("white", 1, 1, kFormat0888);
        if (Failed(r)) return r;
        std::fill(white_->Pixels(), white_->Pixels() + 3, uint8_t{255});
        r = renderer_->UploadTexture(white_.Get());
        renderer_->SetDefaultTexture(white_.Get());
        return r;
    }

    Result Load() {
        world_->AddChild(model_.Get());
        if (IsTerrainDescription(options_.in)) {
            Handle<Terrain> terrain = MakeHandle<Terrain>();
            Result r = terrain->Load(options_.in);
            if (Succeeded(r)) r = terrain->PrepareStrips();
            if (Failed(r)) return r;
            model_->AddObject(terrain.Get());
            return RESULT_OK;
        }
        NodeTreeSerializer reader;
        const Result r = reader.LoadNodeTree(model_.Get(), options_.in, &animations_);
        missing_ = reader.MissingTextures();
        return r;
    }

    void Report(const Census& c) const {
        std::printf(
            "%s: %d nodes, %d meshes, %llu triangles, %zu textures, %d lights, "
            "%d portals, %zu animations, %d terrain blocks\n",
            options_.in.c_str(), c.nodes - 1, c.meshes,
            static_cast<unsigned long long>(c.triangles), c.textures.size(), c.lights, c.portals,
            animations_ ? animations_->Count() : size_t{0}, c.blocks);
        for (const std::string& path : missing_)
            std::printf("texture not found: %s\n", path.c_str());
    }

    // The camera stands back along the view direction until every corner
    // of the box lies inside the 4:3 frustum, with a little room around.
    void Frame(const WorldBox& box) {
        const Vector3 centre = (box.low + box.high) * 0.5f;
        const float yaw = options_.yaw * kDegrees, pitch = options_.pitch * kDegrees;
        // Scenes have y pointing down: looking down is looking towards +y.
        const Vector3 direction{std::sin(yaw) * std::cos(pitch), std::sin(pitch),
                                std::cos(yaw) * std::cos(pitch)};
        // "Up" (towards +y on screen) square to the direction of view.
        const Vector3 down{0, 1, 0};
        Vector3 up = down - direction * Dot(down, direction);
        Normalize(up);
        const Vector3 right = Cross(up, direction);
        const float across = std::tan(camera_->fieldOfView / 2) * 0.95f;
        float distance = 0.01f, nearest = 1e30f, farthest = -1e30f;
        for (int corner = 0; corner < 8; ++corner) {
            const Vector3 p{corner & 1 ? box.high.x : box.low.x,
                            corner & 2 ? box.high.y : box.low.y,
                            corner & 4 ? box.high.z : box.low.z};
            const Vector3 offset = p - centre;
            const float depth = Dot(offset, direction);
            distance = std::max({distance, std::fabs(Dot(offset, right)) / across - depth,
                                 std::fabs(Dot(offset, up)) / (0.75f * across) - depth});
            nearest = std::min(nearest, depth);
            farthest = std::max(farthest, depth);
        }
        camera_->SetNearPlane(std::max((distance + nearest) * 0.5f, distance * 0.01f));
        camera_->SetFarPlane((distance + farthest) * 1.5f + 1.0f);
        world_->AddChild(eye_.Get());
        eye_->AddObject(camera_.Get());
        eye_->SetPosition(centre - direction * distance, RelativeTo::World());
        eye_->SetOrientation(direction, up, RelativeTo::World());
        // Light from over the viewer's shoulder, with some ambient light.
        ambient_->intensity = 0.35f;
        sun_->intensity = 0.8f;
        eye_->AddObject(sun_.Get());
        world_->AddObject(ambient_.Get());
        LightEveryNode(*world_, *ambient_, *sun_);
    }

    Result Draw() {
        if (!camera_->ComputeMatrices() || !renderer_->BeginFrame()) return ERR_GL_INIT;
        renderer_->Clear(kClearAll);
        renderer_->Begin3D(camera_.Get());
        renderer_->SetUseStencil(false);
        renderer_->SetSolid(!options_.wire);
        world_->RenderAll(camera_.Get(), 1);
        renderer_->EndFrame();
        return RESULT_OK;
    }

    Result Write() {
        std::vector<uint8_t> rgba;
        if (!renderer_->ReadPixels(rgba)) return ERR_GL_INIT;
        Handle<Texture> picture(new Texture);
        Result r = picture->Create("view", options_.width, options_.height, kFormat8888);
        if (Failed(r)) return r;
        picture->SetChannelOrder(kOrderRgb);
        std::copy(rgba.begin(), rgba.end(), picture->Pixels());
        std::vector<uint8_t> tga;
        r = EncodeTga(*picture, 32, tga);
        if (Succeeded(r)) r = image_files::WriteWholeFile(options_.out, tga.data(), tga.size());
        return r;
    }

    const ViewOptions& options_;
    HeadlessGLWindow window_;
    Handle<GLRenderer> renderer_ = MakeHandle<GLRenderer>();
    Handle<Texture> white_;
    Handle<GraphNode> world_ = MakeHandle<GraphNode>();
    Handle<GraphNode> model_ = MakeHandle<GraphNode>();
    Handle<GraphNode> eye_ = MakeHandle<GraphNode>();
    Handle<Camera> camera_ = MakeHandle<Camera>();
    Handle<Light> ambient_ = MakeHandle<AmbientLight>();
    Handle<Light> sun_ = MakeHandle<DirectionalLight>();
    Handle<AnimationSet> animations_;
    std::vector<std::string> missing_;
};

int RunView(const std::vector<std::string_view>& args) {
    if (WantsHelp(args)) {
        PrintViewUsage(stdout);
        return 0;
    }
    ViewOptions options;
    if (!ParseViewOptions(args, options)) {
        PrintViewUsage(stderr);
        return 2;
    }
    View view(options);
    return view.Run();
}

const Registrar kView{{"view", "render a node-tree file or a terrain into a TGA", &RunView}};

}  // namespace
}  // namespace vimsa::tool
