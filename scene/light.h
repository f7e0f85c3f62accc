#pragma once

#include <map>
#include <set>

#include "scene/graph_obj.h"

namespace vimsa {

class GraphNode;

// One vertex being lit in software: lights add to `colour`.
struct LitVertex {
    enum Sides : uint32_t { kFront = 1, kBack = 2 };

    Vector4 colour{0, 0, 0, 0};
    Vector3 position;
    Vector3 normal;
    uint32_t sides = kFront;
};

// A scene light. Every light registers itself in the process-wide registry
// so renderers can walk all lights, and can be switched on (or off) for
// chosen nodes and their subtrees. The plain class gives no light.
class Light : public GraphObj {
public:
    enum Kind : int32_t { kNone = -1, kAmbient = 0, kDirectional = 1, kPoint = 2, kSpot = 3 };

    Light();
    ~Light() override;
    Light(const Light&) = delete;
    Light& operator=(const Light&) = delete;

    ObjectType GetType() const override { return ObjectType::Light; }
    virtual int32_t GetLightKind() const { return kNone; }
    // Adds this light's contribution to the vertex. Always true.
    virtual bool Illuminate(LitVertex& vertex) const;

    // False when the node already has the light switched on.
    bool IncludeNode(GraphNode* node);
    bool UnincludeNode(GraphNode* node);
    bool ExcludeNode(GraphNode* node);
    bool UnexcludeNode(GraphNode* node);
    void UnincludeAll();
    void UnexcludeAll();

    Vector4 ScaledColour() const { return colour * intensity; }

    Vector4 colour{1, 1, 1, 1};
    float intensity = 1.0f;
    uint8_t enabled = 1;
    Vector3 lightPosition;   // in the local space of the object being lit
    Vector3 lightDirection;  // likewise
    std::set<GraphNode*> includedNodes;
    std::set<GraphNode*> excludedNodes;
    int32_t lightNumber = 0;
    Light* nextLight = nullptr;  // the vertex-lighting chain
};

class AmbientLight : public Light {
public:
    ObjectType GetType() const override { return ObjectType::AmbientLight; }
    int32_t GetLightKind() const override { return kAmbient; }
    bool Illuminate(LitVertex& vertex) const override;
};

class DirectionalLight : public Light {
public:
    ObjectType GetType() const override { return ObjectType::DirectionalLight; }
    int32_t GetLightKind() const override { return kDirectional; }
    bool Illuminate(LitVertex& vertex) const override;
};

class PointLight : public Light {
public:
    ObjectType GetType() const override { return ObjectType::PointLight; }
    int32_t GetLightKind() const override { return kPoint; }
    bool Illuminate(LitVertex& vertex) const override;

    // Ignored unless r > 0.
    void SetRange(float r);
    // 1 / (d·(d·a2 + a1) + a0) at distance d.
    float Attenuation(float d) const;

    float attenuation0 = 0.0f;
    float attenuation1 = 1.0f;
    float attenuation2 = 0.0f;
    float range = 100.0f;
    float rangeSquared = 10000.0f;
    float inverseRange = 0.01f;

protected:
    // Cosine factor and distance to a vertex within range facing the light;
    // false when the vertex gets nothing.
    bool Reach(const LitVertex& vertex, Vector3& toVertex, float& cosine, float& distance) const;
};

// A point light limited to a cone around `lightDirection`, with a linear
// ramp in the cosine between the inner and the outer cone.
class SpotLight : public PointLight {
public:
    ObjectType GetType() const override { return ObjectType::SpotLight; }
    int32_t GetLightKind() const override { return kSpot; }
    bool Illuminate(LitVertex& vertex) const override;

    // Full opening angles in radians.
    void SetAngles(float inner, float outer);

    float innerAngle = 0.7853982f;
    float outerAngle = 1.5707964f;
    float innerCos = 0.9238795f;  // cos(innerAngle / 2)
    float outerCos = 0.7071068f;  // cos(outerAngle / 2)
};

// The process-wide registry of lights, in registration order.
class LightRegistry {
public:
    static bool Register(Light* light);
    static bool Unregister(Light* light);
    // The light at a position in registration order, or null.
    static Light* GetLight(int32_t index);
    static int32_t Count();
    // Destroys every registered light (after clearing its entry) and restarts numbering.
    static void DestroyAllLights();
    static void DestroyRegistry();

private:
    LightRegistry() = default;
    static LightRegistry* Instance(bool create);
    void DropCursor() { cursorValid_ = false; }

    std::map<int32_t, Light*> entries_;
    int32_t count_ = 0;
    int32_t lowCount_ = 0;
    int32_t nextNumber_ = 0;
    bool cursorValid_ = false;
    int32_t cursorIndex_ = 0;
    std::map<int32_t, Light*>::iterator cursor_;
};

// The first light of the vertex-lighting chain (linked through nextLight).
Light*& FirstChainLight();

// Recomputes `effectiveLights` from the root down to `node`: each node
// receives what its parent passes on, and passes on (effective ∪ included)
// minus excluded.
void UpdateLights(GraphNode* node, bool force = false);

// The lights that shine on a node: effective ∪ included, minus excluded.
std::set<Light*> LightsOnNode(const GraphNode& node);

}  // namespace vimsa
