#pragma once

#include <cstdint>

#include "core/result.h"
#include "io/serializer.h"

namespace vimsa {

class Texture;

// Reads and writes a texture as a "TEX " record: a "TXHE" child with the size,
// pixel format, channel order, name and path, and a "TXDA" child with the
// pixel bytes. As a file-level serializer it stores one texture per file: the
// engine's pre-converted ".FTGA", ".FBMP" and ".FPCX" textures.
class TextureSerializer : public Serializer {
public:
    explicit TextureSerializer(Texture* target) : target_(target) {}

    // A record whose size, byte count or channel order does not fit its
    // texture is refused: the header may not name more pixels than the
    // stream still holds, nor the data more bytes than the texture has.
    Result Load() override;
    Result Save() override;

    // Bits per pixel written in the header (informational); 0 writes the
    // texture's own.
    void SetBits(uint32_t bits) { bits_ = bits; }

private:
    Result LoadHeader();
    Result LoadData();

    Texture* target_;
    uint32_t bits_ = 0;
};

// Loads the texture file `name` (disk or archive) into `texture`.
Result LoadTexture(Texture* texture, const NameRef& name);
// Writes `texture` as the file `name`.
Result SaveTexture(Texture* texture, const NameRef& name, uint32_t bits);

}  // namespace vimsa
