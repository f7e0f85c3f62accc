#pragma once

#include <cstdint>
#include <vector>

#include "scene/graph_obj.h"
#include "world/mesh_base.h"

namespace vimsa {

class Camera;
class Texture;

// The camera-facing quadrilaterals of a particle system, rebuilt every frame.
class ParticleMesh : public MeshBase {
public:
    ObjectType GetType() const override { return ObjectType::ParticleQuadMesh; }
};

struct Particle {
    Vector3 position;
    Vector3 velocity;  // units per millisecond
    Vector4 colour;
    float size = 0.02f;
    uint32_t birthTime = 0;
};

// A fountain of particles: they leave the emitter with a random velocity, are
// pulled back by a constant acceleration and are emitted again when they come
// back past the plane y = 0. Drawn as textured quads that face the camera.
class ParticleSyst : public GraphObj {
public:
    ParticleSyst();
    ~ParticleSyst() override;

    ObjectType GetType() const override { return ObjectType::ParticleSyst; }
    void SetCamera(Camera* newCamera) override;
    Result Render() override;

    Result SetCount(int32_t n);
    Result Create();
    void SetTexture(Texture* newTexture);
    Texture* GetTexture() const { return texture_.Get(); }
    int32_t Count() const { return count_; }
    void SetStartTime(uint32_t t);
    uint32_t StartTime() const { return startTime_; }
    // Moves the clock to t keeping every particle's age.
    void ShiftTime(uint32_t t);
    void Update(uint32_t time);

    const std::vector<Particle>& Particles() const { return particles_; }
    ParticleMesh* QuadMesh() const { return mesh_.Get(); }
    Vector3 EmitterOffset() const { return emitter_; }

    int32_t systemNumber = 0;

protected:
    // Where the emitter is at the current time.
    virtual void MoveEmitter() {}

    Vector3 emitter_{0, -1.3f, 0};
    uint32_t startTime_ = 0;
    uint32_t currentTime_ = 0;

private:
    void Respawn(Particle& particle);
    void BuildQuads();

    int32_t count_ = 0;
    std::vector<Particle> particles_;
    Handle<ParticleMesh> mesh_;
    Handle<Texture> texture_;
    Handle<Camera> camera_;
    Matrix4 cameraOrientation_;
};

// A fountain whose emitter circles the system's origin: radius 3, one turn
// every 5 seconds, 3 units below the origin.
class OrbitParticleSyst : public ParticleSyst {
public:
    OrbitParticleSyst();
    ObjectType GetType() const override { return ObjectType::OrbitParticleSyst; }

protected:
    void MoveEmitter() override;
};

}  // namespace vimsa
