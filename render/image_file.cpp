#include "render/image_file.h"

#include <array>
#include <string>
#include <vector>

#include "platform/files/file_system.h"
#include "render/bmp_image.h"
#include "render/image_file_access.h"
#include "render/pcx_image.h"
#include "render/renderer.h"
#include "render/text_util.h"
#include "render/texture.h"
#include "render/texture_registry.h"
#include "render/texture_serializer.h"
#include "render/tga_image.h"

namespace vimsa {
namespace {

struct ReaderInfo {
    const char* extension;
    const char* twinExtension;
    uint32_t minimumSize;
    Result (*decode)(std::span<const uint8_t>, Texture&);
};

// Indexed by kind 1..3.
constexpr std::array<ReaderInfo, 3> kReaders{{
    {".TGA", ".FTGA", kTgaHeaderSize, &DecodeTga},
    {".BMP", ".FBMP", kBmpMinimumSize, &DecodeBmp},
    {".PCX", ".FPCX", kPcxHeaderSize, &DecodePcx},
}};

const ReaderInfo* ReaderFor(int32_t kind) {
    return kind >= kImageTga && kind <= kImagePcx ? &kReaders[kind - 1] : nullptr;
}

// Kind 0: ".F" extensions select the chunk reader alone; otherwise the later
// of ".TGA", ".BMP", ".PCX" found in the path wins; none gives 0.
int32_t KindFromPath(std::string_view path, bool& chunkOnly) {
    const std::string upper = files::ToUpper(path);
    chunkOnly = false;
    for (const ReaderInfo& r : kReaders) {
        if (upper.find(r.twinExtension) != std::string::npos) chunkOnly = true;
    }
    int32_t kind = 0;
    for (int32_t k = kImageTga; k <= kImagePcx; ++k) {
        if (upper.find(kReaders[k - 1].extension) != std::string::npos) kind = k;
    }
    return kind;
}

Result DecodeFile(Texture& texture, const std::string& path, const ReaderInfo& reader) {
    std::vector<uint8_t> bytes;
    if (Failed(image_files::ReadWholeFile(path, bytes))) return ERR_IMAGE_UNREADABLE;
    if (bytes.size() < reader.minimumSize) return ERR_IMAGE_SHORT_HEADER;
    const Result r = reader.decode(bytes, texture);
    if (Failed(r)) return r;
    texture.SetName(BaseName(path));
    texture.SetPath(path);
    return RESULT_OK;
}

}  // namespace

Result ReadImageFile(Texture& texture, std::string_view path, int32_t kind) {
    if (kind == kImageChunk) return LoadTexture(&texture, NameRef(path));
    const ReaderInfo* reader = ReaderFor(kind);
    if (!reader) return ERR_TEXTURE_FILE_KIND;
    return DecodeFile(texture, ReplaceExtension(path, reader->extension), *reader);
}

Result LoadImage(Texture* texture, std::string_view path, int32_t kind) {
    SetLastTextureError(RESULT_OK);
    if (!texture) return ERR_NULL_ARGUMENT;
    if (kind < kImageByExtension || kind > kImageChunk) {
        SetLastTextureError(ERR_TEXTURE_FILE_KIND);
        return ERR_TEXTURE_FILE_KIND;
    }
    bool chunkOnly = false;
    int32_t found = kind;
    if (kind == kImageByExtension) {
        found = KindFromPath(path, chunkOnly);
        if (chunkOnly) found = kImageChunk;
    }

    bool outOfMemory = false;
    auto attempt = [&](int32_t readerKind, std::string_view readerPath) {
        const Result r = ReadImageFile(*texture, readerPath, readerKind);
        if (r == ERR_FAIL) outOfMemory = true;
        return Succeeded(r);
    };

    bool loaded = false;
    if (const ReaderInfo* reader = ReaderFor(found)) {
        loaded = attempt(kImageChunk, ReplaceExtension(path, reader->twinExtension));
    }
    const int32_t first = found == kImageByExtension ? kImageTga : found;
    if (!loaded) loaded = attempt(first, path);
    if (!loaded && kind == kImageByExtension && !chunkOnly) {
        for (int32_t next = first + 1; next <= kImageChunk && !loaded; ++next)
            loaded = attempt(next, path);
    }
    if (loaded) return RESULT_OK;
    if (outOfMemory) SetLastTextureError(ERR_FAIL);
    return ERR_TEXTURE_NO_READER;
}

Result SaveImage(Texture* texture, std::string_view path, int32_t kind, int32_t bits) {
    SetLastTextureError(RESULT_OK);
    auto fail = [](Result code) {
        SetLastTextureError(code);
        return code;
    };
    if (kind < kImageByExtension || kind > kImageChunk) return fail(ERR_TEXTURE_FILE_KIND);
    if (bits != 16 && bits != 24 && bits != 32) return fail(ERR_TEXTURE_SAVE_BITS);
    if (kind == kImageBmp || kind == kImagePcx) return fail(ERR_IMAGE_WRITE_TYPE);
    if (kind == kImageChunk) return fail(ERR_FAIL);
    if (!texture) return fail(ERR_IMAGE_WRITE_NO_TEXTURE);
    if (!texture->Pixels()) return fail(ERR_IMAGE_NO_PIXELS);
    if (path.empty()) return fail(ERR_IMAGE_WRITE_NO_PATH);

    std::vector<uint8_t> bytes;
    const Result encoded = EncodeTga(*texture, static_cast<uint32_t>(bits), bytes);
    if (Failed(encoded)) return fail(encoded);
    const std::string target = ReplaceExtension(path, ".TGA");
    if (Failed(image_files::WriteWholeFile(target, bytes.data(), bytes.size())))
        return fail(ERR_IMAGE_WRITE_FAILED);
    return RESULT_OK;
}

Handle<Texture> FindOrLoadTexture(Renderer* renderer, std::string_view path) {
    if (Texture* known = texture_registry::FindByPath(path)) return Handle<Texture>(known);
    if (!renderer) return nullptr;
    Handle<Texture> texture = renderer->NewTexture();
    if (!texture || Failed(LoadImage(texture.Get(), path, kImageByExtension))) return nullptr;
    return texture;
}

}  // namespace vimsa
