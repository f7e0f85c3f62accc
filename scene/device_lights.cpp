#include "scene/device_lights.h"

#include "render/render_state.h"
#include "scene/graph_node.h"
#include "scene/light.h"

namespace vimsa {
namespace {

Vector4 Opaque(Vector4 colour) {
    return {colour.x, colour.y, colour.z, 1.0f};
}

}  // namespace

DeviceLight ToDeviceLight(Light& light) {
    DeviceLight device;
    device.kind = light.GetLightKind();
    device.on = light.enabled != 0;
    device.colour = light.ScaledColour();
    Vector3 position{0, 0, 0}, direction{0, 0, 1};
    light.GetWorldPosition(position);
    light.GetWorldDirection(direction);
    device.position = position;
    device.direction = direction;
    if (const auto* point = dynamic_cast<const PointLight*>(&light)) {
        device.attenuation0 = point->attenuation0;
        device.attenuation1 = point->attenuation1;
        device.attenuation2 = point->attenuation2;
        device.range = point->range;
    }
    if (const auto* spot = dynamic_cast<const SpotLight*>(&light)) {
        device.innerAngle = spot->innerAngle;
        device.outerAngle = spot->outerAngle;
    }
    return device;
}

LightSet CollectRegistryLights() {
    LightSet result;
    for (int32_t index = 0; result.count < kMaxDeviceLights; ++index) {
        Light* light = LightRegistry::GetLight(index);
        if (!light) break;
        const DeviceLight device = ToDeviceLight(*light);
        if (device.kind == kLightAmbient)
            result.ambient = device.on ? Opaque(device.colour) : Vector4{0, 0, 0, 1};
        result.Add(device);
    }
    return result;
}

LightSet CollectNodeLights(GraphNode& node) {
    LightSet result;
    for (Light* light : LightsOnNode(node)) {
        if (light->GetLightKind() == Light::kAmbient) {
            result.ambient = Opaque(light->ScaledColour());
            continue;
        }
        if (!light->enabled || light->GetLightKind() == Light::kNone) continue;
        result.Add(ToDeviceLight(*light));
    }
    return result;
}

namespace {

class SceneLights final : public LightGatherer {
public:
    LightSet RegistryLights() override { return CollectRegistryLights(); }
    LightSet NodeLights(GraphNode& node) override { return CollectNodeLights(node); }
};

SceneLights g_sceneLights;

}  // namespace

void InstallSceneLightGatherer() {
    SetSceneLightGatherer(&g_sceneLights);
}

}  // namespace vimsa
