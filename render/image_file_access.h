#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/result.h"

namespace vimsa::image_files {

// The one place where the image code touches files. Paths are engine paths:
// "\" and "/" both separate folders and letter case does not matter (an exact
// match is preferred, then a case-insensitive match per path component).

// Reads the whole file. ERR_FILE_OPEN when it is missing, ERR_FILE_READ when
// it cannot be read completely.
Result ReadWholeFile(std::string_view path, std::vector<uint8_t>& out);

// Creates or truncates the file and writes the bytes. ERR_FILE_OPEN or
// ERR_FILE_WRITE on failure.
Result WriteWholeFile(std::string_view path, const uint8_t* data, std::size_t size);

// Names of the plain files in a folder (empty when the folder is missing).
std::vector<std::string> ListFiles(std::string_view folder);

// Creates the folder and its parents when they are missing.
bool MakeFolders(std::string_view folder);

// The path on this machine that an engine path names.
std::string ResolvePath(std::string_view path);

}  // namespace vimsa::image_files
