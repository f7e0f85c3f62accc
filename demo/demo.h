#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/vector.h"
#include "demo/demo_base.h"
#include "world/particle_syst.h"
#include "world/terrain.h"

namespace vimsa {

// The demonstration: a level of rooms built in code, a character walked with
// the keyboard, three cameras, doors, props, terrain, particle systems and
// the heads-up text. Load builds it all; Frame runs one frame.
class Demo : public DemoBase {
public:
    Demo();
    ~Demo() override;

    Result Load(RenderWindow* window) override;
    void Shutdown(std::string_view message) override;
    uint8_t Frame() override;

    // --- the level's fixed rooms and nodes ---
    static constexpr int kOrbitCameraNode = 1;
    static constexpr int kCharacterNode = 2;
    static constexpr int kCharacterModelNode = 12;
    static constexpr int kEmitterNode = 33;
    static constexpr int kTerrainRoom = 43;
    static constexpr int kDoorRoom = 11;
    static constexpr int kFixedCameraRoom1 = 6;  // camera 1
    static constexpr int kFixedCameraRoom2 = 5;  // camera 2

    // What a frame did, for the timedemo and tests.
    struct Status {
        uint8_t characterCollision = 0, characterPortalCollision = 0, characterTraversed = 0;
        uint8_t cameraCollision = 0, cameraTraversed = 0, cameraPortalCollision = 0;
        uint8_t blocked = 0;  // this frame's motion was taken back
    };
    const Status& LastStatus() const { return status_; }
    int CharacterRoom() const;
    Vector3 CharacterPosition() const { return position_; }
    float Heading() const { return heading_; }
    float CameraPitch() const { return cameraPitch_; }
    float CameraDistance() const { return cameraDistance_; }
    uint32_t AnimationPeriod() const { return animationPeriod_; }
    float Door(int which) const { return which == 1 ? door1_ : door2_; }
    const std::string& StatsText() const;
    const std::string& HelpText() const;
    GraphNode* Node(int slot) const { return nodes_[static_cast<size_t>(slot)].Get(); }
    GraphPortal* Portal(int slot) const { return portals_[static_cast<size_t>(slot)].Get(); }
    ParticleSyst* Particles(int slot) const { return particles_[static_cast<size_t>(slot)].Get(); }
    Terrain* GetTerrain() const { return terrain_.Get(); }
    bool Paused() const { return pause_ != 0; }
    // Puts the character into `room` at a world position, facing a world
    // heading (0 looks along +z), with the orbit camera at rest behind it:
    // tests and tools start scenes there instead of walking. False when the
    // demo is not loaded or the room does not exist.
    bool PutCharacter(int room, const Vector3& world, float heading);

protected:
    // Builds the level: meshes, textures, lights, nodes, particle systems
    // and portals into the tables. The name is the level's, for messages.
    Result BuildScene(const char* levelName);
    Result BuildMeshes();
    Result BuildTextures();
    Result BuildLights();
    Result BuildNodes();
    Result BuildParticles(GraphNode& node);
    Result BuildPortals();
    void AttachLights();
    Result LoadModels();
    Result LoadTerrain(const char* file);

private:
    void RenderFrame(Camera& camera);
    void DrawHud();
    std::string StatsLines();
    std::string HelpLines() const;
    uint8_t HandleInput();
    void ReadToggles();
    void SteerCharacter(bool& moved);
    void UpdateParticles();
    void ChaseCamera();
    void CollideCamera(const Vector3& actualBefore, const Vector3& step);
    void PlaceCamera();
    void AimCamera();
    uint8_t TestCharacterCollision();
    void PlaceCharacter();
    void MoveDoors(int room);
    void AimFixedCamera(Camera& camera);
    void FollowTerrain(int room);
    Result CreateCameras();

    struct Rig {
        Vector3 position, pivot, ideal, actual;
        float heading = 0, distance = 0, pitch = 0, yaw = 0, lookPitch = 0, lookYaw = 0;
    };
    Rig SaveRig() const;
    void RestoreRig(const Rig& rig);

    Vector3 position_{0, -1, -3};
    float heading_ = 0;
    Vector3 pivot_{0, -1, -3};
    Vector3 cameraIdeal_;
    Vector3 cameraActual_;
    float cameraDistance_ = 1.8f;
    float cameraPitch_ = 0.3490659f;
    float cameraYaw_ = 0;
    float lookPitch_ = 0, lookYaw_ = 0;
    uint32_t animationPeriod_ = 700;
    uint32_t frameTime_ = 50;
    uint32_t now_ = 0, last_ = 0;
    uint32_t pausedTime_ = 0;
    uint32_t animationTime_ = 0;
    float door1_ = 0, door2_ = 0;
    std::array<Handle<ParticleSyst>, 16> particles_;
    std::vector<int> meshHolders_;   // the node each level mesh goes to
    std::vector<int> meshTextures_;  // the texture slot it is drawn with
    Handle<Terrain> terrain_;

    uint8_t help_ = 0, collide_ = 1, clear_ = 1, lookMode_ = 0, smoothedCamera_ = 1, stats_ = 0,
            showRate_ = 1, pause_ = 0, mirrors_ = 1, editorMode_ = 0, notMoved_ = 0, detail_ = 1;
    Status status_;

    // Rate measurement and the texts shown.
    std::string rateText_ = "0.00 FPS";
    int rateFrames_ = 0;
    uint32_t rateStamp_ = 0;
    uint64_t rateFaces_ = 0;
    double triangleRate_ = 0;
    int32_t passStamp_ = 0;
    bool firstFrame_ = true;
};

}  // namespace vimsa
