#include "tools/scene_view.h"

#include <algorithm>
#include <cmath>
#include <set>

#include "platform/files/file_system.h"
#include "render/image_file_access.h"
#include "render/render_state.h"
#include "render/tga_image.h"
#include "scene/animation.h"
#include "scene/camera.h"
#include "scene/graph_portal.h"
#include "scene/light.h"
#include "world/mesh_base.h"
#include "world/node_tree_serializer.h"
#include "world/terrain.h"

namespace vimsa::tool {
namespace {

constexpr float kDegrees = 0.017453292f;

bool IsTerrainDescription(const std::string& path) {
    const std::string upper = files::ToUpper(path);
    return upper.size() >= 4 && upper.compare(upper.size() - 4, 4, ".TXT") == 0;
}

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

struct Survey {
    SceneCensus census;
    WorldBox box;
    std::set<const Texture*> textures;

    void CountMesh(const MeshBase& mesh, const Matrix4* world) {
        ++census.meshes;
        census.triangles += static_cast<uint64_t>(std::max(mesh.FaceCount(), 0));
        for (const Handle<Texture>& t : mesh.textures) {
            if (t) textures.insert(t.Get());
        }
        if (world) box.Add(mesh, *world);
    }

    void CountTerrain(const Terrain& terrain, const Matrix4* world) {
        for (uint32_t row = 0; row < terrain.BlocksY(); ++row) {
            for (uint32_t column = 0; column < terrain.BlocksX(); ++column) {
                TerrainBlock* block = terrain.Block(column, row);
                if (!block || !block->mesh) continue;
                ++census.blocks;
                CountMesh(*block->mesh, world);
            }
        }
    }

    void Walk(GraphNode& node) {
        ++census.nodes;
        const Matrix4* world = node.GetWorldMatrix();
        for (const Handle<GraphObj>& object : node.objects) {
            if (auto* mesh = dynamic_cast<MeshBase*>(object.Get())) {
                CountMesh(*mesh, world);
            } else if (dynamic_cast<Light*>(object.Get())) {
                ++census.lights;
            } else if (auto* terrain = dynamic_cast<Terrain*>(object.Get())) {
                CountTerrain(*terrain, world);
            }
        }
        census.portals += static_cast<int>(node.portals.size());
        for (const Handle<GraphNode>& child : node.children)
            Walk(*child);
        for (const Handle<GraphPortal>& portal : node.portals)
            Walk(*portal);
    }
};

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

}  // namespace

// One loaded scene with the camera and lights that show it. Members go in
// reverse order: the lights and the animations let go of their nodes before
// the nodes go.
struct SceneView::Stage {
    Stage() {
        world->AddChild(model.Get());
        world->AddChild(eye.Get());
        eye->AddObject(camera.Get());
        // Light from over the viewer's shoulder, with some ambient light.
        ambient->intensity = 0.35f;
        sun->intensity = 0.8f;
        eye->AddObject(sun.Get());
        world->AddObject(ambient.Get());
    }
    ~Stage() { PartPortals(*model); }
    Stage(const Stage&) = delete;
    Stage& operator=(const Stage&) = delete;

    Result Load(const std::string& path) {
        if (IsTerrainDescription(path)) {
            Handle<Terrain> terrain = MakeHandle<Terrain>();
            Result r = terrain->Load(path);
            if (Succeeded(r)) r = terrain->PrepareStrips();
            if (Failed(r)) return r;
            model->AddObject(terrain.Get());
        } else {
            NodeTreeSerializer reader;
            const Result r = reader.LoadNodeTree(model.Get(), path, &animations);
            missing = reader.MissingTextures();
            if (Failed(r)) return r;
        }
        LightEveryNode(*world, *ambient, *sun);
        return RESULT_OK;
    }

    // The camera stands back along the view direction until every corner
    // of the box lies inside the frustum, with a little room around. The
    // OpenGL back-end draws a 4:3 frustum whatever the picture's shape.
    void Frame(const WorldBox& box, ViewAngle angle) {
        constexpr float kAspect = 4.0f / 3.0f;
        const Vector3 centre = (box.low + box.high) * 0.5f;
        const float yaw = angle.yaw * kDegrees, pitch = angle.pitch * kDegrees;
        // Scenes have y pointing down: looking down is looking towards +y.
        const Vector3 direction{std::sin(yaw) * std::cos(pitch), std::sin(pitch),
                                std::cos(yaw) * std::cos(pitch)};
        // "Up" (towards +y on screen) square to the direction of view.
        const Vector3 down{0, 1, 0};
        Vector3 up = down - direction * Dot(down, direction);
        Normalize(up);
        const Vector3 right = Cross(up, direction);
        const float across = std::tan(camera->fieldOfView / 2) * 0.95f;
        float distance = 0.01f, nearest = 1e30f, farthest = -1e30f;
        for (int corner = 0; corner < 8; ++corner) {
            const Vector3 p{corner & 1 ? box.high.x : box.low.x,
                            corner & 2 ? box.high.y : box.low.y,
                            corner & 4 ? box.high.z : box.low.z};
            const Vector3 offset = p - centre;
            const float depth = Dot(offset, direction);
            distance = std::max({distance, std::fabs(Dot(offset, right)) / across - depth,
                                 std::fabs(Dot(offset, up)) / (across / kAspect) - depth});
            nearest = std::min(nearest, depth);
            farthest = std::max(farthest, depth);
        }
        camera->SetNearPlane(std::max((distance + nearest) * 0.5f, distance * 0.01f));
        camera->SetFarPlane((distance + farthest) * 1.5f + 1.0f);
        eye->SetPosition(centre - direction * distance, RelativeTo::World());
        eye->SetOrientation(direction, up, RelativeTo::World());
    }

    Handle<GraphNode> world = MakeHandle<GraphNode>();
    Handle<GraphNode> model = MakeHandle<GraphNode>();
    Handle<GraphNode> eye = MakeHandle<GraphNode>();
    Handle<Camera> camera = MakeHandle<Camera>();
    Handle<Light> ambient = MakeHandle<AmbientLight>();
    Handle<Light> sun = MakeHandle<DirectionalLight>();
    Handle<AnimationSet> animations;
    std::vector<std::string> missing;
};

SceneView::SceneView(uint32_t width, uint32_t height)
    : width_(width), height_(height), window_(width, height) {}

SceneView::~SceneView() {
    stage_.reset();
    SetCurrentRenderer(nullptr);
    SetCurrentCamera(nullptr);
}

Result SceneView::Open() {
    if (!renderer_->Init(&window_, kDisplayWindow, width_, height_)) return ERR_GL_INIT;
    SetCurrentRenderer(renderer_.Get());
    white_ = renderer_->NewTexture();
    Result r = white_->Create("white", 1, 1, kFormat0888);
    if (Failed(r)) return r;
    std::fill(white_->Pixels(), white_->Pixels() + 3, uint8_t{255});
    r = renderer_->UploadTexture(white_.Get());
    renderer_->SetDefaultTexture(white_.Get());
    return r;
}

Result SceneView::Load(const std::string& path) {
    stage_.reset();
    stage_ = std::make_unique<Stage>();
    SetCurrentRenderer(renderer_.Get());
    return stage_->Load(path);
}

bool SceneView::Pose(uint32_t time, uint32_t period) {
    if (!stage_ || !stage_->animations || stage_->animations->Count() == 0) return false;
    AnimationSet& set = *stage_->animations;
    set.SetPlayMode(Animation::kForward);
    return set.StartAnimation(0, period, -1) && set.UpdateAnimation(time);
}

SceneCensus SceneView::Census() {
    Survey survey;
    if (!stage_) return survey.census;
    survey.Walk(*stage_->model);
    survey.census.textures = survey.textures.size();
    survey.census.animations = stage_->animations ? stage_->animations->Count() : 0;
    return survey.census;
}

const std::vector<std::string>& SceneView::MissingTextures() const {
    static const std::vector<std::string> none;
    return stage_ ? stage_->missing : none;
}

Result SceneView::Render(ViewAngle angle, bool wire, std::vector<uint8_t>& rgba) {
    if (!stage_) return ERR_NULL_ARGUMENT;
    Survey survey;
    survey.Walk(*stage_->model);
    WorldBox box = survey.box;
    if (box.Empty()) box.low = box.high = {0, 0, 0};
    stage_->Frame(box, angle);
    Camera& camera = *stage_->camera;
    SetCurrentRenderer(renderer_.Get());
    if (!camera.ComputeMatrices() || !renderer_->BeginFrame()) return ERR_GL_INIT;
    renderer_->Clear(kClearAll);
    renderer_->Begin3D(&camera);
    renderer_->SetUseStencil(false);
    renderer_->SetSolid(!wire);
    stage_->world->RenderAll(&camera, 1);
    renderer_->EndFrame();
    return renderer_->ReadPixels(rgba) ? RESULT_OK : ERR_GL_INIT;
}

Result WriteRgbaTga(const std::string& path, uint32_t width, uint32_t height,
                    const std::vector<uint8_t>& rgba) {
    if (rgba.size() != size_t{width} * height * 4) return ERR_OUT_OF_RANGE;
    Handle<Texture> picture(new Texture);
    Result r = picture->Create("view", width, height, kFormat8888);
    if (Failed(r)) return r;
    picture->SetChannelOrder(kOrderRgb);
    std::copy(rgba.begin(), rgba.end(), picture->Pixels());
    std::vector<uint8_t> tga;
    r = EncodeTga(*picture, 32, tga);
    if (Succeeded(r)) r = image_files::WriteWholeFile(path, tga.data(), tga.size());
    return r;
}

}  // namespace vimsa::tool
