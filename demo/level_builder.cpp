// The demonstration level, built in code: ten rooms joined by doorways, two
// sliding doors, a mirror, lamps, props' places, a fountain with its
// particles and the terrain outside. Everything is laid out in world
// coordinates here (floors at y = 0, ceilings at y = -3, y pointing down)
// and converted into each room's own frame.
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "core/format_string.h"
#include "demo/demo.h"
#include "demo/level_geometry.h"
#include "render/image_file.h"

namespace vimsa {
namespace {

using Openings = std::vector<std::pair<float, float>>;

struct RoomPlan {
    int slot;
    float x0, x1, z0, z1;  // extent in world coordinates
    Vector3 origin;        // where the room's frame stands
    Vector3 direction;     // the frame's +z
    // Full-height openings in the walls at z0 (south), z1 (north), x0 (west), x1 (east).
    Openings south, north, west, east;
};

// Rooms 18 and 19 have frames of their own, turned so that their local x
// grows towards the sliding door they share with the hall.
const RoomPlan kRooms[] = {
    {11, -6, 6, -6, 6, {0, 0, 0}, {0, 0, 1}, {{-1, 1}}, {{-1, 1}}, {{-1, 1}}, {{-1, 1}}},
    {19, 6, 16, -5, 5, {11, 0, 0}, {0, 0, -1}, {}, {{12, 14}}, {{-1, 1}}, {{-1, 1}}},
    {18, -6, 6, -16, -6, {0, 0, -11}, {-1, 0, 0}, {{-1, 1}}, {{-1, 1}}, {{-12, -10}}, {}},
    {6, 6, 16, 5, 13, {11, 0, 9}, {0, 0, 1}, {{12, 14}}, {}, {{9, 11}}, {{5.5f, 7.5f}}},
    {7, -6, 6, 6, 16, {0, 0, 11}, {0, 0, 1}, {{-1, 1}}, {{-1, 1}}, {}, {{9, 11}}},
    {3, -14, -6, -4, 4, {-10, 0, 0}, {0, 0, 1}, {{-9, -7}}, {}, {}, {{-1, 1}}},
    {4, -10, -6, -20, -4, {-8, 0, -12}, {0, 0, 1}, {}, {{-9, -7}}, {}, {{-19, -17}, {-12, -10}}},
    {5, -6, 6, -24, -16, {0, 0, -20}, {0, 0, 1}, {}, {{-1, 1}}, {{-19, -17}}, {}},
    {9, -4, 4, 16, 22, {0, 0, 19}, {0, 0, 1}, {{-1, 1}}, {}, {}, {}},
};

// The mirror's opening in the mirror gallery's west wall.
constexpr float kMirrorHalfWidth = 2.0f, kMirrorTop = -2.6f, kMirrorBottom = -0.4f;

struct PortalPlan {
    int roomA, roomB;  // the first portal of the pair goes in room A
    Vector3 opening;   // the doorway's middle at floor level
    Vector3 intoA;     // the first portal faces into room A; the second the other way
};

const PortalPlan kDoorways[] = {
    {11, 18, {0, 0, -6}, {0, 0, 1}},     // 2 & 3: door 2
    {11, 19, {6, 0, 0}, {-1, 0, 0}},     // 4 & 5: door 1
    {19, 6, {13, 0, 5}, {0, 0, -1}},     // 6 & 7
    {18, 5, {0, 0, -16}, {0, 0, 1}},     // 8 & 9
    {11, 3, {-6, 0, 0}, {1, 0, 0}},      // 10 & 11
    {11, 7, {0, 0, 6}, {0, 0, -1}},      // 12 & 13
    {19, 43, {16, 0, 0}, {-1, 0, 0}},    // 14 & 15: out onto the terrain
    {7, 6, {6, 0, 10}, {-1, 0, 0}},      // 16 & 17
    {3, 4, {-8, 0, -4}, {0, 0, 1}},      // 18 & 19
    {4, 5, {-6, 0, -18}, {-1, 0, 0}},    // 20 & 21
    {4, 18, {-6, 0, -11}, {-1, 0, 0}},   // 22 & 23
    {6, 43, {16, 0, 6.5f}, {-1, 0, 0}},  // 24 & 25: out onto the terrain
    {7, 9, {0, 0, 16}, {0, 0, -1}},      // 26 & 27
};

// Where the terrain room stands. The terrain is centred on its origin, 64
// units square, with a flat clearing at y = 0 within 6 units of it: both
// doorways out of the building open onto the clearing; the hills rise
// towards the terrain's edges, also behind the building.
constexpr Vector3 kTerrainOrigin{20, 0, 3.25f};

// World -> local conversion of a room frame that has no node yet.
struct Frame {
    Matrix4 inverse;
    explicit Frame(const RoomPlan& room)
        : inverse(Inverse(PlacementMatrix(room.origin, room.direction, {0, 1, 0}))) {}
};

const RoomPlan* Plan(int slot) {
    for (const RoomPlan& room : kRooms) {
        if (room.slot == slot) return &room;
    }
    return nullptr;
}

}  // namespace

// --- the builder's blocks ---

namespace {

// One mesh of the level and the node it is built for. Room surfaces and
// furniture are laid out in world coordinates; lamps, door leaves and the
// spark about their own node.
struct MeshPlan {
    int node;
    int texture;
    std::function<void(LevelGeometry&)> shape;
    bool world = true;
};

std::vector<MeshPlan> MeshPlans() {
    std::vector<MeshPlan> plans;
    for (const RoomPlan& r : kRooms) {
        plans.push_back({r.slot, 0, [&r](LevelGeometry& g) {
                             g.Floor(r.x0, r.z0, r.x1, r.z1, 0);
                             // The floor runs on under each doorway, so that a
                             // character crossing the threshold stands on it
                             // whichever room it belongs to.
                             constexpr float kReach = 0.8f;
                             for (const auto& [a, b] : r.south)
                                 g.Floor(a, r.z0 - kReach, b, r.z0, 0);
                             for (const auto& [a, b] : r.north)
                                 g.Floor(a, r.z1, b, r.z1 + kReach, 0);
                             for (const auto& [a, b] : r.west)
                                 g.Floor(r.x0 - kReach, a, r.x0, b, 0);
                             for (const auto& [a, b] : r.east)
                                 g.Floor(r.x1, a, r.x1 + kReach, b, 0);
                         }});
        plans.push_back(
            {r.slot, 2, [&r](LevelGeometry& g) { g.Ceiling(r.x0, r.z0, r.x1, r.z1, -3); }});
        plans.push_back({r.slot, 1, [&r](LevelGeometry& g) {
                             g.WallAlongX(r.z0, r.x0, r.x1, {0, 0, 1}, r.south);
                             g.WallAlongX(r.z1, r.x0, r.x1, {0, 0, -1}, r.north);
                             if (r.slot == 3) {
                                 // The mirror's frame is cut out of the west wall.
                                 const float h = kMirrorHalfWidth;
                                 g.WallAlongZ(r.x0, r.z0, -h, {1, 0, 0});
                                 g.WallAlongZ(r.x0, h, r.z1, {1, 0, 0});
                                 g.Quad({r.x0, 0, -h}, {r.x0, 0, h}, {r.x0, kMirrorBottom, h},
                                        {r.x0, kMirrorBottom, -h}, {1, 0, 0});
                                 g.Quad({r.x0, kMirrorTop, -h}, {r.x0, kMirrorTop, h},
                                        {r.x0, -3, h}, {r.x0, -3, -h}, {1, 0, 0});
                             } else {
                                 g.WallAlongZ(r.x0, r.z0, r.z1, {1, 0, 0}, r.west);
                             }
                             g.WallAlongZ(r.x1, r.z0, r.z1, {-1, 0, 0}, r.east);
                         }});
    }
    // The four door leaves, each 1 wide about its node.
    for (int leaf : {39, 40, 41, 42}) {
        plans.push_back({leaf, 4,
                         [](LevelGeometry& g) {
                             g.Box({-0.06f, -3, -0.5f}, {0.06f, 0, 0.5f});
                         },
                         false});
    }
    // A step of 0.2 that can be climbed and one of 0.6 that blocks.
    plans.push_back({55, 3, [](LevelGeometry& g) {
                         g.Box({1.5f, -0.2f, -15}, {5, 0, -12.5f}, true);
                     }});
    plans.push_back({55, 3, [](LevelGeometry& g) {
                         g.Box({-5, -0.6f, -15}, {-1.5f, 0, -12.5f}, true);
                     }});
    // The mirror's frame.
    plans.push_back(
        {57, 4, [](LevelGeometry& g) {
             const float x = -13.95f, h = kMirrorHalfWidth;
             g.Box({x, kMirrorTop - 0.15f, -h - 0.15f}, {x + 0.1f, kMirrorTop, h + 0.15f});
             g.Box({x, kMirrorBottom, -h - 0.15f}, {x + 0.1f, kMirrorBottom + 0.15f, h + 0.15f});
             g.Box({x, kMirrorTop, -h - 0.15f}, {x + 0.1f, kMirrorBottom, -h});
             g.Box({x, kMirrorTop, h}, {x + 0.1f, kMirrorBottom, h + 0.15f});
         }});
    // Lamp fittings under the ceilings, one per lamp node.
    for (int lamp : {13, 14, 15, 16, 17, 34}) {
        plans.push_back({lamp, 5,
                         [](LevelGeometry& g) {
                             g.colour = {1.0f, 0.95f, 0.8f, 1};
                             g.Box({-0.25f, -0.4f, -0.25f}, {0.25f, -0.25f, 0.25f});
                         },
                         false});
    }
    // The spark that rides the orbiting emitter.
    plans.push_back({33, 5,
                     [](LevelGeometry& g) {
                         g.colour = {1, 0.9f, 0.5f, 1};
                         g.Box({-0.08f, -0.08f, -0.08f}, {0.08f, 0.08f, 0.08f});
                     },
                     false});
    // Furniture and fittings.
    auto box = [&plans](int node, int texture, Vector3 lo, Vector3 hi) {
        plans.push_back({node, texture, [lo, hi](LevelGeometry& g) { g.Box(lo, hi, true); }});
    };
    box(58, 3, {-4.2f, -0.8f, -5.6f}, {-2.4f, 0, -4.8f});  // hall table
    box(58, 3, {-5.9f, -0.45f, 2}, {-5.3f, 0, 4});         // hall benches
    box(58, 3, {5.3f, -0.45f, 2}, {5.9f, 0, 4});
    box(52, 3, {13.5f, -0.8f, -4.8f}, {14.3f, 0, -4});  // crates, east wing
    box(52, 3, {14.4f, -0.8f, -4.8f}, {15.2f, 0, -4});
    box(52, 3, {13.9f, -1.6f, -4.8f}, {14.7f, -0.8f, -4});
    box(55, 4, {-0.6f, -0.3f, -9.6f}, {0.6f, 0, -8.4f});  // column plinth
    plans.push_back({43, 1, [](LevelGeometry& g) {        // the building seen from outside
                         g.WallAlongZ(16, -6, 14, {1, 0, 0}, {{-1, 1}, {5.5f, 7.5f}});
                         g.WallAlongX(-6, 6, 16, {0, 0, -1});
                         g.WallAlongX(14, 6, 16, {0, 0, 1});
                         g.Ceiling(6, -6, 16, 14, -3);
                     }});
    box(56, 4, {9.5f, -0.9f, 10}, {10.5f, 0, 11});  // pedestals
    box(56, 4, {12.5f, -0.9f, 10}, {13.5f, 0, 11});
    box(56, 3, {15.9f, -2.4f, 5.6f}, {16, -1, 7.4f});  // pictures
    box(56, 3, {8, -2.4f, 12.9f}, {10.5f, -1, 13});
    for (float x : {-4.5f, 3.0f}) {  // court benches
        box(54, 3, {x, -0.45f, 7}, {x + 1.5f, 0, 7.6f});
        box(54, 3, {x, -0.45f, 14.4f}, {x + 1.5f, 0, 15});
    }
    box(53, 3, {-7.5f, -0.45f, 3.3f}, {-9.5f, 0, 3.9f});  // gallery benches
    box(53, 3, {-11.5f, -0.45f, 3.3f}, {-13.5f, 0, 3.9f});
    box(53, 3, {-6.1f, -2.4f, 2}, {-6, -1, 3.5f});  // gallery pictures
    box(53, 3, {-12.5f, -2.4f, -4}, {-11, -1, -3.9f});
    box(60, 3, {-9.9f, -0.8f, -9}, {-9.1f, 0, -8.2f});  // corridor crates
    box(60, 3, {-9.9f, -0.8f, -15}, {-9.1f, 0, -14.2f});
    box(60, 5, {-10, -3, -8}, {-6, -2.8f, -7.6f});  // corridor beams
    box(60, 5, {-10, -3, -14}, {-6, -2.8f, -13.6f});
    for (int i = 0; i < 4; ++i) {  // cat baskets
        const float x = -4.5f + i * 3.0f;
        box(59, 3, {x, -0.3f, -22.5f}, {x + 1, 0, -21.5f});
    }
    box(36, 3, {-3.9f, -2.2f, 17}, {-3.5f, -0.2f, 21});  // alcove shelves
    box(36, 3, {3.5f, -2.2f, 17}, {3.9f, -0.2f, 21});
    return plans;
}

}  // namespace

// --- nodes ---

namespace {

// Where each of the level's nodes stands: its parent and, in world
// coordinates, its position and forward direction. Rooms and the nodes
// that hold furniture stand at their room's frame.
struct NodePlan {
    int slot;
    int parent;  // -1: the root has none
    Vector3 position;
    Vector3 direction{0, 0, 1};
    bool roomFrame = false;  // stands at the frame of room `parent` (or its own)
};

const NodePlan kNodePlans[] = {
    {0, -1, {0, 0, 0}},
    {1, 11, {0, -1.6f, -4.7f}},  // the orbit camera; placed every frame
    {2, 11, {0, -1, -3}},        // the character
    {3, 0, {}, {}, true},
    {4, 0, {}, {}, true},
    {5, 0, {}, {}, true},
    {6, 0, {}, {}, true},
    {7, 0, {}, {}, true},
    {8, 11, {0, 0, 0}},  // door 1's leaves slide along z at x = 5.94
    {9, 0, {}, {}, true},
    {10, 11, {0, 0, 0}, {1, 0, 0}},  // door 2's: local x runs towards -z
    {11, 0, {}, {}, true},
    {12, 2, {0, -1, -3}},     // the character model, at the character node
    {13, 11, {0, -2.6f, 0}},  // lamps under the ceilings
    {14, 19, {11, -2.6f, 0}},
    {15, 18, {0, -2.6f, -11}},
    {16, 7, {0, -2.6f, 11}},
    {17, 3, {-10, -2.6f, 0}},
    {18, 0, {}, {}, true},
    {19, 0, {}, {}, true},
    {20, 7, {0, 0, 11}},          // fountain
    {21, 7, {0, 0, 11}},          // its particles fall back to the court's floor
    {22, 11, {-4.5f, 0, -4.5f}},  // columns (cats at low detail)
    {23, 11, {4.5f, 0, -4.5f}},
    {24, 11, {-4.5f, 0, 4.5f}},
    {25, 11, {4.5f, 0, 4.5f}},
    {26, 5, {-3.5f, 0, -19}, {0, 0, 1}},  // cats
    {27, 5, {-1, 0, -18.5f}, {1, 0, 1}},
    {28, 5, {1.5f, 0, -19.5f}, {-1, 0, 1}},
    {29, 5, {4, 0, -18}, {-1, 0, 0}},
    {30, 6, {13, -0.9f, 10.5f}, {0, 0, -1}},  // globe on its pedestal
    {31, 6, {10, -0.9f, 10.5f}, {0, 0, -1}},  // statue on its pedestal
    {32, 18, {0, -0.3f, -9}},                 // column on its plinth
    {33, 21, {0, -3, 0}},                     // rides particle system 0's emitter
    {34, 6, {11, -2.6f, 9}},                  // the gallery's lamp
    {35, 5, {0, -2.6f, -20}},                 // the cat room's light
    {36, 9, {}, {}, true},
    {37, 6, {15.4f, -2.3f, 12.4f}},  // fixed camera 1
    {38, 5, {5.4f, -2.3f, -23.4f}},  // fixed camera 2
    {39, 8, {5.94f, 0, -0.5f}},      // door leaves; placed every frame
    {40, 8, {5.94f, 0, 0.5f}},
    {41, 10, {0, 0, 0}},
    {42, 10, {0, 0, 0}},
    {43, 0, {}, {}, true},
    {44, 43, {30, 0, -10}},  // trees on the terrain; their height comes from it
    {45, 4, {}, {}, true},
    {46, 43, {27, 0, 14}},
    {47, 43, {38, 0, 10}},
    {48, 43, {42, 0, -4}},
    {49, 43, {33, 0, -20}},
    {50, 43, {20, 0, -14}},
    {51, 43, {36, 0, 22}},
    {52, 19, {}, {}, true},
    {53, 3, {}, {}, true},
    {54, 7, {}, {}, true},
    {55, 18, {}, {}, true},
    {56, 6, {}, {}, true},
    {57, 3, {}, {}, true},
    {58, 11, {}, {}, true},
    {59, 5, {}, {}, true},
    {60, 4, {}, {}, true},
};

// The room whose frame a node stands at, or -1.
int FrameRoom(const NodePlan& node) {
    if (!node.roomFrame) return -1;
    const bool isRoom = Plan(node.slot) || node.slot == Demo::kTerrainRoom;
    return isRoom ? node.slot : node.parent;
}

Vector3 RoomOrigin(int room) {
    if (room == 43) return kTerrainOrigin;
    const RoomPlan* plan = Plan(room);
    return plan ? plan->origin : Vector3{0, 0, 0};
}

Vector3 RoomDirection(int room) {
    const RoomPlan* plan = Plan(room);
    return plan ? plan->direction : Vector3{0, 0, 1};
}

const NodePlan* NodeAt(int slot) {
    for (const NodePlan& n : kNodePlans) {
        if (n.slot == slot) return &n;
    }
    return nullptr;
}

}  // namespace

Result Demo::BuildScene(const char*) {
    Result r = BuildMeshes();
    if (Succeeded(r)) r = BuildTextures();
    if (Succeeded(r)) r = BuildLights();
    if (Succeeded(r)) r = BuildNodes();
    if (Succeeded(r)) r = BuildPortals();
    if (Failed(r)) return r;
    counts_.nodes = 61;
    counts_.portals = 28;
    counts_.lights = 8;
    return RESULT_OK;
}

Result Demo::BuildMeshes() {
    const std::vector<MeshPlan> plans = MeshPlans();
    meshHolders_.assign(plans.size(), 0);
    meshTextures_.assign(plans.size(), 0);
    for (size_t i = 0; i < plans.size() && i < kMeshes; ++i) {
        LevelGeometry geometry;
        plans[i].shape(geometry);
        // World geometry goes into the frame of the room that holds it.
        Handle<GraphNode> frame;
        if (plans[i].world) {
            frame = MakeHandle<GraphNode>();
            const NodePlan* holder = NodeAt(plans[i].node);
            const int room = holder ? FrameRoom(*holder) : -1;
            frame->SetPosition(RoomOrigin(room), RelativeTo::Local());
            frame->SetOrientation(RoomDirection(room), {0, 1, 0}, RelativeTo::Local());
        }
        meshes_[i] = geometry.Build(frame.Get());
        if (!meshes_[i]) {
            Shutdown(Format("error creating mesh %d", static_cast<int>(i)));
            return ERR_DEMO_MESH;
        }
        meshHolders_[i] = plans[i].node;
        meshTextures_[i] = plans[i].texture;
    }
    counts_.meshes = static_cast<uint32_t>(plans.size());
    return RESULT_OK;
}

Result Demo::BuildTextures() {
    static constexpr const char* kFiles[8] = {
        "texture/g06.tga", "texture/g12.tga", "texture/h28.tga",      "texture/g19.tga",
        "texture/g63.tga", "texture/g29.tga", "texture/g06alpha.tga", "texture/particle.tga"};
    for (int i = 0; i < 8; ++i) {
        Handle<Texture> texture = renderer_->NewTexture();
        if (!texture) {
            Shutdown(Format("error creating texture %d", i));
            return ERR_FAIL;
        }
        // A picture that is missing leaves its slot empty: the meshes using
        // it are drawn with the white default texture.
        if (Failed(LoadImage(texture.Get(), kFiles[i], kImageByExtension)) ||
            Failed(renderer_->UploadTexture(texture.Get())))
            continue;
        textures_[static_cast<size_t>(i)] = texture;
    }
    counts_.textures = 8;
    for (size_t m = 0; m < meshTextures_.size(); ++m)
        meshes_[m]->textures[0] = textures_[static_cast<size_t>(meshTextures_[m])];
    return RESULT_OK;
}

Result Demo::BuildLights() {
    struct LightPlan {
        Vector4 colour;
        float intensity;
        Vector3 attenuation;
    };
    const LightPlan points[6] = {
        {{1, 0.2f, 0.2f, 1}, 1, {1, 0.08f, 0.02f}},  {{0.2f, 1, 0.2f, 1}, 1, {1, 0.08f, 0.02f}},
        {{0.2f, 0.2f, 1, 1}, 1, {1, 0.06f, 0.02f}},  {{1, 1, 0.2f, 1}, 1, {1, 0.05f, 0.015f}},
        {{1, 1, 1, 1}, 0.1f, {0.1f, 0.02f, 0.005f}}, {{1, 0.5f, 0.5f, 1}, 1, {1, 0.06f, 0.02f}}};
    for (int i = 0; i < 8; ++i) {
        Handle<Light> light;
        if (i == 0 || i == 7) {
            light = MakeHandle<AmbientLight>();
            light->colour = {1, 1, 1, 1};
            light->intensity = 0.5f;
        } else {
            Handle<PointLight> point = MakeHandle<PointLight>();
            const LightPlan& plan = points[i - 1];
            point->colour = plan.colour;
            point->intensity = plan.intensity;
            point->attenuation0 = plan.attenuation.x;
            point->attenuation1 = plan.attenuation.y;
            point->attenuation2 = plan.attenuation.z;
            point->SetRange(10);
            light = point;
        }
        if (!light) {
            Shutdown(Format("error creating light %d", i));
            return ERR_DEMO_LIGHT;
        }
        lights_[static_cast<size_t>(i)] = light;
    }
    FirstChainLight() = lights_[0].Get();
    for (int i = 0; i < 5; ++i)
        lights_[static_cast<size_t>(i)]->nextLight = lights_[static_cast<size_t>(i + 1)].Get();
    return RESULT_OK;
}

Result Demo::BuildNodes() {
    for (const NodePlan& plan : kNodePlans) {
        nodes_[static_cast<size_t>(plan.slot)] = MakeHandle<GraphNode>();
        // Rooms are named by their slot whatever else the process has made.
        nodes_[static_cast<size_t>(plan.slot)]->nodeNumber = plan.slot;
    }
    // Parents first: a node is placed in world coordinates through them.
    for (const NodePlan& plan : kNodePlans) {
        GraphNode& node = *nodes_[static_cast<size_t>(plan.slot)];
        if (plan.parent >= 0) nodes_[static_cast<size_t>(plan.parent)]->AddChild(&node);
        const int room = FrameRoom(plan);
        const Vector3 position = room >= 0 ? RoomOrigin(room) : plan.position;
        Vector3 forward = room >= 0 ? RoomDirection(room) : plan.direction;
        Normalize(forward);
        if (!node.SetPosition(position, RelativeTo::World()) ||
            !node.SetOrientation(forward, {0, 1, 0}, RelativeTo::World())) {
            Shutdown(Format("error creating node %d", plan.slot));
            return ERR_DEMO_NODE;
        }
        if (plan.slot == 21) {
            const Result r = BuildParticles(node);
            if (Failed(r)) return r;
        }
    }
    for (size_t m = 0; m < meshHolders_.size(); ++m)
        nodes_[static_cast<size_t>(meshHolders_[m])]->AddObject(meshes_[m].Get());
    AttachLights();
    return RESULT_OK;
}

// Every indoor room sees the white ambient light 0, the terrain light 7;
// each lit room has its lamp.
void Demo::AttachLights() {
    const int indoor[] = {3, 4, 5, 6, 7, 9, 11, 18, 19};
    for (int room : indoor)
        lights_[0]->IncludeNode(Node(room));
    lights_[7]->IncludeNode(Node(kTerrainRoom));
    const struct {
        int light, lamp;
        std::vector<int> rooms;
    } lamps[] = {{1, 15, {18, 4}}, {2, 14, {19}}, {3, 17, {3}},
                 {4, 13, {11, 9}}, {5, 16, {7}},  {6, 34, {6, 5}}};
    for (const auto& lamp : lamps) {
        Light& light = *lights_[static_cast<size_t>(lamp.light)];
        Node(lamp.lamp)->AddObject(&light);
        for (int room : lamp.rooms)
            light.IncludeNode(Node(room));
    }
    Node(35)->AddObject(lights_[0].Get());
    Node(kTerrainRoom)->AddObject(lights_[7].Get());
}

Result Demo::BuildParticles(GraphNode& node) {
    for (int i = 0; i < 2; ++i) {
        Handle<ParticleSyst> system = i == 0 ? Handle<ParticleSyst>(MakeHandle<OrbitParticleSyst>())
                                             : MakeHandle<ParticleSyst>();
        if (!system || Failed(system->SetCount(500))) {
            Shutdown(Format("error creating particles system %d", i));
            return ERR_DEMO_PARTICLES;
        }
        system->SetTexture(textures_[7].Get());
        node.AddObject(system.Get());
        particles_[static_cast<size_t>(i)] = system;
    }
    return RESULT_OK;
}

Result Demo::BuildPortals() {
    auto place = [](GraphPortal& portal, Vector3 at, Vector3 facing) {
        return portal.SetPosition(at, RelativeTo::World()) &&
               portal.SetOrientation(facing, {0, 1, 0}, RelativeTo::World());
    };
    // The mirror, with a plain portal beside it that leads nowhere.
    for (int i = 0; i < 2; ++i) {
        portals_[static_cast<size_t>(i)] = MakeHandle<GraphPortal>();
        GraphPortal& portal = *portals_[static_cast<size_t>(i)];
        Node(3)->AddPortal(&portal);
        if (!place(portal, {-14, 0, 0}, {1, 0, 0})) {
            Shutdown("error creating portals 0 & 1");
            return ERR_DEMO_PORTALS;
        }
        portal.bounds = std::make_unique<BoundingBox>(Vector3{-kMirrorHalfWidth, kMirrorTop, 0},
                                                      Vector3{kMirrorHalfWidth, kMirrorBottom, 0});
    }
    GraphPortal& mirror = *portals_[0];
    mirror.portalKind = GraphPortal::kMirror;
    mirror.hasMirrorMatrix = 1;
    mirror.mirrorMatrix = ScaleMatrix(1, 1, -1);
    portals_[1]->SetActive(false);
    int index = 2;
    for (const PortalPlan& doorway : kDoorways) {
        Handle<GraphPortal> a = MakeHandle<GraphPortal>(), b = MakeHandle<GraphPortal>();
        Node(doorway.roomA)->AddPortal(a.Get());
        Node(doorway.roomB)->AddPortal(b.Get());
        if (!place(*a, doorway.opening, doorway.intoA) ||
            !place(*b, doorway.opening, -doorway.intoA)) {
            Shutdown(Format("error creating portals %d & %d", index, index + 1));
            return ERR_DEMO_PORTALS;
        }
        a->AddPortal(b.Get());
        b->AddPortal(a.Get());
        for (GraphPortal* portal : {a.Get(), b.Get()}) {
            portal->bounds = std::make_unique<BoundingBox>(Vector3{-1, -3, 0}, Vector3{1, 0, 0});
            // The character's fine collision test crosses a portal only
            // where it meets what the portal holds: the doorway's threshold.
            Handle<GraphObj> threshold = MakeHandle<GraphObj>();
            threshold->bounds =
                std::make_unique<BoundingBox>(Vector3{-1, -3, -0.4f}, Vector3{1, 0, 0.4f});
            portal->AddObject(threshold.Get());
        }
        portals_[static_cast<size_t>(index)] = a;
        portals_[static_cast<size_t>(index + 1)] = b;
        index += 2;
    }
    return RESULT_OK;
}

}  // namespace vimsa
