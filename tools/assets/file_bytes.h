#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "core/result.h"

namespace vimsa::tool {

// Creates or truncates the file (an engine path: "\" or "/", any letter
// case for the folders that exist) and writes the bytes in one piece.
Result WriteBytes(const std::string& path, std::span<const uint8_t> bytes);

}  // namespace vimsa::tool
