#pragma once

#include <string>
#include <vector>

#include "core/result.h"
#include "tools/assets/asset_generator.h"

namespace vimsa::tool {

// Contact sheets of a data folder just written, for people to look at: every
// texture, every model from two sides (the characters standing and in full
// stride) and the terrain, rendered headless through the OpenGL back-end.
// Reads the data the way the demo does, from the current folder and its
// mounted archives.
class PreviewWriter {
public:
    // Writes "textures.tga", "models.tga" and "terrain.tga" into `folder`;
    // ERR_GL_INIT without a headless OpenGL context.
    static Result WriteAll(const AssetGenerator::Report& report, const std::string& folder,
                           std::vector<std::string>& written);
};

}  // namespace vimsa::tool
