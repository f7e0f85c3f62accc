#pragma once

#include <string>
#include <string_view>

namespace vimsa {

// The file name of a path without its folder ("texture/white.bmp" -> "white.bmp").
// Both "/" and "\" separate folders.
std::string_view FileNamePart(std::string_view path);
// The file name without folder and extension ("white").
std::string_view BaseName(std::string_view path);
// The path with the extension of its file name replaced by `extension`
// (which includes the dot); a name without extension gets it appended.
std::string ReplaceExtension(std::string_view path, std::string_view extension);

}  // namespace vimsa
