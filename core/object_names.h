#pragma once

#include <cstdint>

namespace vimsa {

// Type numbers answered by scene objects.
enum class ObjectType : int32_t {
    GraphObj = 1,
    GraphNode = 2,
    GraphPortal = 3,
    Renderable = 4,
    MeshBase = 5,
    ParticleQuadMesh = 6,
    Camera = 7,
    Light = 8,
    AmbientLight = 9,
    DirectionalLight = 10,
    PointLight = 11,
    SpotLight = 12,
    ParticleSyst = 13,
    OrbitParticleSyst = 14,
    Terrain = 15,
    TerrainMesh = 16,
};

// Default names of scene objects.
inline constexpr const char kGraphObjName[] = "GraphObj";
inline constexpr const char kCameraName[] = "Camera";
inline constexpr const char kTerrainName[] = "Terrain";
inline constexpr const char kNodeNameFormat[] = "GraphNode %d";
inline constexpr const char kPortalNameFormat[] = "GraphPortal %d";
inline constexpr const char kLightNameFormat[] = "Light %d";
inline constexpr const char kMeshNameFormat[] = "MeshBase %d";
inline constexpr const char kParticleNameFormat[] = "ParticleSyst %d";

// Process-wide numbering of scene objects. Each counter starts at 0 and only
// counts upwards; subclasses share their family's counter (every light kind
// uses the light counter, every mesh kind the mesh counter).
enum class NameCounter : int { Node, Portal, Light, Mesh, ParticleSystem, Count };

// Returns the counter's current value and advances it.
int32_t TakeObjectNumber(NameCounter counter);

// Gives the most recently taken number back. A portal is built on a node and
// returns the node number its node part took, so nodes and portals are
// numbered independently.
void GiveBackObjectNumber(NameCounter counter);

// The number the next object of the family will receive.
int32_t PeekObjectNumber(NameCounter counter);

// Restarts every counter at 0. Only tests call this, to get repeatable names.
void ResetObjectNumbersForTesting();

}  // namespace vimsa
