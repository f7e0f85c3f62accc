#pragma once

#include "render/render_types.h"

namespace vimsa {

class GraphNode;
class Light;

// A scene light in the form a renderer loads it: world placement from the
// light's node, colour scaled by the intensity.
DeviceLight ToDeviceLight(Light& light);

// Lights for SetLights: the registry's lights in order, at most
// kMaxDeviceLights of them, and the ambient colour they give.
LightSet CollectRegistryLights();

// Lights for SetNodeLights: the lights that shine on the node (effective and
// included, minus excluded). An ambient light gives the ambient colour; every
// other light that is switched on takes a device slot. `overflow` is set when
// more than kMaxDeviceLights are on (the extra ones are left out).
LightSet CollectNodeLights(GraphNode& node);

// Makes the two collections above the renderers' light source. Called when
// the first light registers; calling it again changes nothing.
void InstallSceneLightGatherer();

}  // namespace vimsa
