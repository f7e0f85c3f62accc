#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/result.h"

namespace vimsa::image_files {

// Where the image code meets the file layer. Paths are engine paths: "\" and
// "/" both separate folders and letter case does not matter.

// Reads a whole file from disk or, when it is not on disk, from the archives.
Result ReadWholeFile(std::string_view path, std::vector<uint8_t>& out);

// Creates or truncates the file and writes the bytes in one piece.
Result WriteWholeFile(std::string_view path, const uint8_t* data, std::size_t size);

// Names of the plain files in a folder (empty when the folder is missing).
std::vector<std::string> ListFiles(std::string_view folder);

// Creates the folder and its parents when they are missing.
bool MakeFolders(std::string_view folder);

}  // namespace vimsa::image_files
