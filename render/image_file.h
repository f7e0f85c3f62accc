#pragma once

#include <cstdint>
#include <string_view>

#include "core/ref_object.h"
#include "core/result.h"

namespace vimsa {

class Renderer;
class Texture;

// Image file kinds of LoadImage and SaveImage.
enum ImageKind : int32_t {
    kImageByExtension = 0,
    kImageTga = 1,
    kImageBmp = 2,
    kImagePcx = 3,
    kImageChunk = 4,  // the engine's pre-converted ".FTGA", ".FBMP", ".FPCX" files
};

// Loads a picture into `texture`. Kind 0 chooses by the path's extension; for
// a TGA, BMP or PCX path the pre-converted ".F" twin is tried first. With
// kind 0 a failing reader hands over to the next one (TGA, BMP, PCX, ".F");
// with a given kind only that reader is tried. No reader succeeded:
// ERR_TEXTURE_NO_READER.
Result LoadImage(Texture* texture, std::string_view path, int32_t kind);

// Runs one reader on one path (no twin, no fallback). The TGA, BMP and PCX
// readers force their own extension on the path.
Result ReadImageFile(Texture& texture, std::string_view path, int32_t kind);

// Writes `texture` as a TGA of `bits` per pixel (kinds 0 and 1); the path's
// extension becomes ".TGA".
Result SaveImage(Texture* texture, std::string_view path, int32_t kind, int32_t bits);

// The registered texture whose path equals `path` ignoring case, or a new
// texture of the renderer loaded from that file; null when it cannot be loaded.
Handle<Texture> FindOrLoadTexture(Renderer* renderer, std::string_view path);

}  // namespace vimsa
