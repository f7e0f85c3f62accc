#include "world/particle_syst.h"

#include <cmath>
#include <cstdlib>

#include "core/format_string.h"
#include "render/texture.h"
#include "scene/camera.h"
#include "scene/graph_node.h"

namespace vimsa {
namespace {

constexpr float kRise = 0.00001f;  // change of velocity y per millisecond
constexpr int32_t kMaxParticles = 65536 / 4;
const Vector4 kQuadColour{0.8f, 0.8f, 1.0f, 1.0f};

// The C library generator, 0..32767 on every platform the engine targets.
float Draw() {
    return static_cast<float>(std::rand() & 0x7FFF);
}

}  // namespace

ParticleSyst::ParticleSyst() {
    systemNumber = TakeObjectNumber(NameCounter::ParticleSystem);
    FormatString(name, kParticleNameFormat, systemNumber);
}

ParticleSyst::~ParticleSyst() = default;

Result ParticleSyst::SetCount(int32_t n) {
    count_ = n;
    return Create();
}

Result ParticleSyst::Create() {
    particles_.clear();
    mesh_ = nullptr;
    if (count_ <= 0) return ERR_NULL_ARGUMENT;
    // The quads share one mesh of 16-bit indices: four corners per particle.
    if (count_ > kMaxParticles) return ERR_FAIL;
    particles_.resize(static_cast<size_t>(count_));
    mesh_ = MakeHandle<ParticleMesh>();
    const int32_t vertices = 4 * count_;
    std::vector<int32_t> faces(static_cast<size_t>(vertices));
    std::vector<Vector2> uvs(static_cast<size_t>(vertices));
    std::vector<float> colours(4 * static_cast<size_t>(vertices));
    const Vector2 corners[4] = {{0, 0}, {0, 1}, {1, 1}, {1, 0}};
    for (int32_t v = 0; v < vertices; ++v) {
        faces[static_cast<size_t>(v)] = v;
        uvs[static_cast<size_t>(v)] = corners[v % 4];
        const float c[4] = {kQuadColour.x, kQuadColour.y, kQuadColour.z, kQuadColour.w};
        for (int k = 0; k < 4; ++k)
            colours[4 * static_cast<size_t>(v) + k] = c[k];
    }
    const Result built =
        mesh_->Build(vertices, count_, 1, 1, nullptr, faces.data(), uvs.data(), colours.data());
    if (Failed(built)) {
        particles_.clear();
        mesh_ = nullptr;
        return built == ERR_MESH_ALLOCATE ? ERR_FAIL : built;
    }
    mesh_->textures[0] = texture_;
    for (Particle& p : particles_)
        Respawn(p);
    return RESULT_OK;
}

void ParticleSyst::Respawn(Particle& particle) {
    particle.position = {0, 0, 0};
    const float r1 = Draw(), r2 = Draw(), r3 = Draw();
    particle.velocity.z = (r1 / 32768.0f - 0.5f) * 0.001f;
    particle.velocity.y = -0.004f - r2 * 1.2207032e-7f;
    particle.velocity.x = (r3 / 32768.0f - 0.5f) * 0.001f;
    const float r4 = Draw(), r5 = Draw();
    particle.colour = {r5 / 65536.0f + 0.5f, r4 / 65536.0f + 0.5f, 1.0f, 1.0f};
    particle.size = 0.02f;
}

void ParticleSyst::SetTexture(Texture* newTexture) {
    texture_ = newTexture;
    if (mesh_) mesh_->textures[0] = texture_;
}

void ParticleSyst::SetCamera(Camera* newCamera) {
    camera_ = newCamera;
}

void ParticleSyst::SetStartTime(uint32_t t) {
    startTime_ = currentTime_ = t;
}

void ParticleSyst::ShiftTime(uint32_t t) {
    const uint32_t delta = t - startTime_;
    startTime_ = t;
    currentTime_ += delta;
    for (Particle& p : particles_)
        p.birthTime += delta;
}

void ParticleSyst::Update(uint32_t time) {
    const float dt = static_cast<float>(static_cast<int32_t>(time - currentTime_));
    currentTime_ = time;
    MoveEmitter();
    for (Particle& p : particles_) {
        p.position += p.velocity * dt;
        p.velocity.y += kRise * dt;
        if (p.position.y > -p.size) {
            Respawn(p);
            p.position = emitter_;
            p.birthTime = currentTime_;
        }
    }
}

void ParticleSyst::BuildQuads() {
    const float s = camera_->mirrored ? -1.0f : 1.0f;
    const Vector3 offsets[4] = {{-s, -1, 0}, {-s, 1, 0}, {s, 1, 0}, {s, -1, 0}};
    Vector3 turned[4];
    for (int k = 0; k < 4; ++k)
        turned[k] = RotateVector(cameraOrientation_, offsets[k]);
    int32_t v = 0;
    for (const Particle& p : particles_) {
        for (int k = 0; k < 4; ++k, ++v) {
            mesh_->SetVertexPosition(v, p.position + turned[k] * p.size);
            mesh_->SetVertexColour(v, p.colour);
        }
    }
}

Result ParticleSyst::Render() {
    if (!camera_ || !mesh_) return ERR_NO_RENDERER;
    cameraOrientation_ = camera_->worldMatrix;
    BuildQuads();
    const Result updated = mesh_->UpdateDeviceBuffer();
    if (Failed(updated)) return updated;
    // The quads take the system's placement while they are drawn.
    GraphNode* const oldParent = mesh_->parent;
    mesh_->parent = parent;
    mesh_->SetCamera(camera_.Get());
    const Result drawn = mesh_->Render();
    mesh_->parent = oldParent;
    return drawn;
}

OrbitParticleSyst::OrbitParticleSyst() {
    emitter_ = {3, -3, 0};
}

void OrbitParticleSyst::MoveEmitter() {
    const float turns = static_cast<float>(currentTime_ - startTime_) * 0.001f * 0.2f;
    const float t = turns - std::floor(turns);
    emitter_ = {3 * std::cos(kTwoPi * t), -3, 3 * std::sin(kTwoPi * t)};
}

}  // namespace vimsa
