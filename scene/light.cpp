#include "scene/light.h"

#include <cmath>
#include <memory>
#include <vector>

#include "core/format_string.h"
#include "scene/device_lights.h"
#include "scene/graph_node.h"

namespace vimsa {
namespace {

constexpr int32_t kLowNumberLimit = 65536;

Light* g_firstChainLight = nullptr;
std::unique_ptr<LightRegistry> g_registry;

}  // namespace

// --- Light ---

Light::Light() {
    lightNumber = TakeObjectNumber(NameCounter::Light);
    FormatString(name, kLightNameFormat, lightNumber);
    LightRegistry::Register(this);
}

Light::~Light() {
    LightRegistry::Unregister(this);
    UnincludeAll();
    UnexcludeAll();
}

bool Light::Illuminate(LitVertex&) const {
    return true;
}

bool Light::IncludeNode(GraphNode* node) {
    if (!node || includedNodes.count(node)) return false;
    UnexcludeNode(node);
    includedNodes.insert(node);
    node->AddIncludedLight(this);
    return true;
}

bool Light::UnincludeNode(GraphNode* node) {
    if (!node || !includedNodes.erase(node)) return false;
    node->RemoveIncludedLight(this);
    return true;
}

bool Light::ExcludeNode(GraphNode* node) {
    if (!node || excludedNodes.count(node)) return false;
    UnincludeNode(node);
    excludedNodes.insert(node);
    node->AddExcludedLight(this);
    return true;
}

bool Light::UnexcludeNode(GraphNode* node) {
    if (!node || !excludedNodes.erase(node)) return false;
    node->RemoveExcludedLight(this);
    return true;
}

void Light::UnincludeAll() {
    for (GraphNode* node : includedNodes)
        node->RemoveIncludedLight(this);
    includedNodes.clear();
}

void Light::UnexcludeAll() {
    for (GraphNode* node : excludedNodes)
        node->RemoveExcludedLight(this);
    excludedNodes.clear();
}

bool AmbientLight::Illuminate(LitVertex& vertex) const {
    vertex.colour = vertex.colour + ScaledColour();
    return true;
}

bool DirectionalLight::Illuminate(LitVertex& vertex) const {
    const float c = -Dot(vertex.normal, lightDirection);
    if ((vertex.sides & LitVertex::kFront) && c > 0)
        vertex.colour = vertex.colour + ScaledColour() * c;
    if ((vertex.sides & LitVertex::kBack) && -c > 0)
        vertex.colour = vertex.colour + ScaledColour() * -c;
    return true;
}

// --- point and spot ---

void PointLight::SetRange(float r) {
    if (!(r > 0)) return;
    range = r;
    rangeSquared = r * r;
    inverseRange = 1.0f / r;
}

float PointLight::Attenuation(float d) const {
    return 1.0f / (d * (d * attenuation2 + attenuation1) + attenuation0);
}

bool PointLight::Reach(const LitVertex& vertex, Vector3& toVertex, float& cosine,
                       float& distance) const {
    toVertex = vertex.position - lightPosition;
    const float s = LengthSquared(toVertex);
    if (s >= rangeSquared) return false;
    Normalize(toVertex);
    cosine = Dot(-vertex.normal, toVertex);
    if (vertex.sides & LitVertex::kBack) cosine = -cosine;
    if (cosine <= 0) return false;
    distance = std::sqrt(s);
    return true;
}

bool PointLight::Illuminate(LitVertex& vertex) const {
    Vector3 toVertex;
    float cosine, distance;
    if (Reach(vertex, toVertex, cosine, distance)) {
        vertex.colour = vertex.colour + ScaledColour() * (cosine * Attenuation(distance));
    }
    return true;
}

void SpotLight::SetAngles(float inner, float outer) {
    innerAngle = inner;
    outerAngle = outer;
    innerCos = std::cos(inner / 2);
    outerCos = std::cos(outer / 2);
}

bool SpotLight::Illuminate(LitVertex& vertex) const {
    Vector3 toVertex;
    float cosine, distance;
    if (!Reach(vertex, toVertex, cosine, distance)) return true;
    const float k = Dot(toVertex, lightDirection);
    if (k <= outerCos) return true;
    const float cone = k >= innerCos ? 1.0f : (k - outerCos) / (innerCos - outerCos);
    vertex.colour = vertex.colour + ScaledColour() * (cosine * Attenuation(distance) * cone);
    return true;
}

// --- registry ---

LightRegistry* LightRegistry::Instance(bool create) {
    if (!g_registry && create) {
        g_registry.reset(new LightRegistry);
        // From now on the renderers find the scene's lights.
        InstallSceneLightGatherer();
    }
    return g_registry.get();
}

bool LightRegistry::Register(Light* light) {
    LightRegistry* r = Instance(true);
    if (!r || !light) return false;
    const bool inserted = r->entries_.emplace(r->nextNumber_, light).second;
    if (inserted) {
        ++r->count_;
        if (r->nextNumber_ < kLowNumberLimit) ++r->lowCount_;
    }
    ++r->nextNumber_;
    r->DropCursor();
    return inserted;
}

bool LightRegistry::Unregister(Light* light) {
    LightRegistry* r = Instance(false);
    if (!r || !light) return false;
    bool removed = false;
    for (auto it = r->entries_.begin(); it != r->entries_.end();) {
        if (it->second != light) {
            ++it;
            continue;
        }
        --r->count_;
        if (it->first < kLowNumberLimit) --r->lowCount_;
        it = r->entries_.erase(it);
        removed = true;
    }
    r->DropCursor();
    return removed;
}

Light* LightRegistry::GetLight(int32_t index) {
    LightRegistry* r = Instance(false);
    if (!r || index < 0 || index >= r->count_) return nullptr;
    // Sequential access steps the cursor; anything else walks from the start.
    if (r->cursorValid_ && index == r->cursorIndex_ + 1) {
        ++r->cursor_;
    } else if (r->cursorValid_ && index == r->cursorIndex_ - 1) {
        --r->cursor_;
    } else if (!r->cursorValid_ || index != r->cursorIndex_) {
        r->cursor_ = r->entries_.begin();
        std::advance(r->cursor_, index);
    }
    r->cursorIndex_ = index;
    r->cursorValid_ = true;
    return r->cursor_->second;
}

int32_t LightRegistry::Count() {
    const LightRegistry* r = Instance(false);
    return r ? r->count_ : 0;
}

void LightRegistry::DestroyAllLights() {
    LightRegistry* r = Instance(false);
    if (!r) return;
    std::vector<Light*> lights;
    for (auto& entry : r->entries_) {
        lights.push_back(entry.second);
        entry.second = nullptr;
    }
    r->entries_.clear();
    r->count_ = r->lowCount_ = r->nextNumber_ = 0;
    r->DropCursor();
    for (Light* light : lights) {
        // Destroying a light that a handle still holds would leave that
        // handle dangling: take it out of its node, then let the last
        // reference go. A light nobody holds dies here; one still held
        // elsewhere lives on, unregistered, until its holder lets go.
        light->AddRef();
        if (light->parent) light->parent->RemoveObject(light);
        light->Release();
    }
}

void LightRegistry::DestroyRegistry() {
    g_registry.reset();
}

Light*& FirstChainLight() {
    return g_firstChainLight;
}

// --- effective lights ---

std::set<Light*> LightsOnNode(const GraphNode& node) {
    std::set<Light*> lights = node.effectiveLights;
    lights.insert(node.includedLights.begin(), node.includedLights.end());
    for (Light* light : node.excludedLights)
        lights.erase(light);
    return lights;
}

void UpdateLights(GraphNode* node, bool /*force*/) {
    if (!node) return;
    if (!node->parent) {
        node->effectiveLights.clear();
        return;
    }
    UpdateLights(node->parent, false);
    node->effectiveLights = LightsOnNode(*node->parent);
}

}  // namespace vimsa
