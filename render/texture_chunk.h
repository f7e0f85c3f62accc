#pragma once

#include <string_view>

#include "core/result.h"

namespace vimsa {

class Texture;

// Reads a pre-converted texture file (".FTGA", ".FBMP", ".FPCX"): a chunk
// file holding one "TEX " record.
Result LoadTextureFile(Texture* texture, std::string_view path);

}  // namespace vimsa
