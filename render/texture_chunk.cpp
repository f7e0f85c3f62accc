#include "render/texture_chunk.h"

#include <vector>

#include "render/image_file_access.h"

namespace vimsa {

// The chunk-stream layer is not available yet: only a missing file can be
// told apart from one that cannot be read.
Result LoadTextureFile(Texture* texture, std::string_view path) {
    if (!texture) return ERR_NULL_ARGUMENT;
    std::vector<uint8_t> bytes;
    const Result r = image_files::ReadWholeFile(path, bytes);
    return Failed(r) ? r : ERR_NOT_IMPLEMENTED;
}

}  // namespace vimsa
