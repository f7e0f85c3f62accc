// The pre-converted texture file reader (an "OGDB" chunk file holding one
// "TEX " record, possibly compressed) on arbitrary bytes, through a file as
// the engine reads it.
#include <cstdint>
#include <string>

#include "fuzz/io/fuzz_file.h"
#include "render/texture.h"
#include "render/texture_serializer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string path = FuzzFile("texture.FTGA", data, size);
    vimsa::Handle<vimsa::Texture> texture(new vimsa::Texture);
    const vimsa::Result r = vimsa::LoadTexture(texture.Get(), path);
    if (vimsa::Succeeded(r) && texture->InMemory()) {
        const uint64_t expected = uint64_t{texture->Width()} * texture->Height() *
                                  vimsa::BytesPerPixel(texture->Format());
        if (texture->ByteSize() != expected) __builtin_trap();
    }
    return 0;
}
