#pragma once

// Whole scenes for back-end tests: rooms built from quads, a camera to look
// with, portals, and the scenes every back-end is checked on (a lit
// textured room, the view through a doorway, a mirror). A stage draws its
// scene through any renderer.

#include <gtest/gtest.h>

#include <vector>

#include "core/matrix.h"
#include "core/ref_object.h"
#include "render/renderer.h"
#include "scene/camera.h"
#include "scene/graph_node.h"
#include "scene/graph_portal.h"
#include "scene/light.h"
#include "world/mesh_base.h"

namespace vimsa::test {

inline const Vector4 kSceneWhite{1, 1, 1, 1}, kSceneGrey{0.5f, 0.5f, 0.5f, 1},
    kSceneRed{1, 0, 0, 1}, kSceneGreen{0, 1, 0, 1}, kSceneBlue{0, 0, 1, 1},
    kSceneYellow{1, 1, 0, 1};

// Collects quads and builds them into one mesh. Each quad's corners go round
// its edge; they are ordered so that the quad faces `towards` (the side
// drawn with back faces culled).
class MeshBuilder {
public:
    // A quad cut into n x n smaller ones: lighting is computed per vertex.
    void Panel(Vector3 a, Vector3 b, Vector3 c, Vector3 d, Vector3 towards, Vector4 colour, int n);
    void Quad(Vector3 a, Vector3 b, Vector3 c, Vector3 d, Vector3 towards, Vector4 colour);
    // An axis-aligned box seen from outside.
    void Box(Vector3 lo, Vector3 hi, Vector4 colour);
    // Mesh colours are packed for the renderer made last: build after it.
    Handle<MeshBase> Build() const;

private:
    std::vector<Vector3> positions_;
    std::vector<Vector2> uvs_;
    std::vector<float> colours_;
    std::vector<int32_t> faces_;
};

// A wall in the plane z = `z` spanning x -w..w, y -h..h, with a hole of
// x -hw..hw, y -hh..hh when hw > 0, facing -z.
void WallWithHole(MeshBuilder& b, float z, float w, float h, float hw, float hh, Vector4 colour);

// A world node with a camera node in it, and the portals made for it.
class SceneStage {
public:
    SceneStage();
    ~SceneStage();
    SceneStage(const SceneStage&) = delete;
    SceneStage& operator=(const SceneStage&) = delete;

    Handle<GraphNode> Room();
    // Ambient light of `level` in the room.
    void Brighten(GraphNode& room, float level = 1.0f);
    // Puts the camera in the room at `from`, looking along `direction`.
    void Look(GraphNode& room, Vector3 from, Vector3 direction);
    Handle<GraphPortal> Portal(GraphNode& room, float z, Vector3 facing, Vector3 lo, Vector3 hi);
    // One frame as the demo draws it, stencil off: from the camera's room
    // through its portals, or every node of the world.
    void DrawFrame(Renderer& renderer, bool throughPortals, bool solid = true);

    GraphNode& World() { return *world_; }
    Camera& GetCamera() { return *camera_; }

private:
    Handle<GraphNode> world_ = MakeHandle<GraphNode>();
    Handle<GraphNode> eyeNode_ = MakeHandle<GraphNode>();
    Handle<Camera> camera_ = MakeHandle<Camera>();
    std::vector<Handle<GraphPortal>> portals_;
    int32_t stamp_ = 0;
};

// A room 10 wide and 20 deep with a checker texture, lit by a weak ambient
// light and a point light close to its right wall; the camera looks down
// its length. The engine's y axis points down: the floor lies at y = 2.
void BuildLitRoom(SceneStage& stage, Renderer& renderer);

// A white wall 19 ahead of the eye, weakly lit, with a spot light 8 in front
// of it pointing at x = -3 (cone 0.3 to 0.6 radians) and a point light 1 in
// front of it at x = 4. On a 96 x 72 picture, x on the wall lands on pixel
// 48 + 48 x / 19.
struct LitWall {
    Handle<SpotLight> spot;
    Handle<PointLight> point;
};
LitWall BuildSpotAndPointLitWall(SceneStage& stage);

// Room A (z < 20) holds the camera and a wall with a 12 x 12 doorway at
// z = 20; room B behind it holds a red back wall, a blue crate seen through
// the door and a yellow crate off to the side, outside the doorway's view.
// With a 90 degree view on a 96 x 72 picture, a point (x, y, z) lands on
// pixel (48 + 48 x / z, 36 - 48 y / z).
struct DoorwayScene {
    Handle<GraphNode> roomA, roomB;
    Handle<MeshBase> blue, yellow;
};
DoorwayScene BuildDoorway(Handle<GraphNode> a, Handle<GraphNode> b);
// The doorway scene with both rooms lit, joined by portals, seen from room A.
DoorwayScene BuildPortalView(SceneStage& stage);

// A wall at z = 15 with a 12 x 9 mirror in it facing the camera; a red
// crate behind the camera and a green one beside its line of sight.
Handle<GraphPortal> BuildMirrorRoom(SceneStage& stage);

}  // namespace vimsa::test
