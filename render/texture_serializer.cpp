#include "render/texture_serializer.h"

#include "render/texture.h"

namespace vimsa {
namespace {

constexpr ChunkTag kTextureTag("TEX ");
constexpr ChunkTag kHeaderTag("TXHE");
constexpr ChunkTag kDataTag("TXDA");
constexpr uint16_t kVersion = 1;

}  // namespace

Result TextureSerializer::LoadHeader() {
    ChunkStream& s = *Stream();
    const uint32_t width = s.ReadU32();
    const uint32_t height = s.ReadU32();
    s.ReadU32();  // bits per pixel: informational
    const int32_t format = static_cast<int32_t>(s.ReadU32());
    if (s.IsBad()) return s.Error();
    if (!IsValidFormat(format)) return ERR_TEXTURE_FORMAT;
    const uint64_t size = uint64_t{width} * height * BytesPerPixel(format);
    if (size > s.End() - s.Tell()) return ERR_OUT_OF_RANGE;
    const Result created = target_->Create("", width, height, format);
    const int32_t order = static_cast<int32_t>(s.ReadU32());
    std::string name, path;
    s.ReadString(name);
    s.ReadString(path);
    if (s.IsBad()) return s.Error();
    if (!IsValidOrder(order)) return ERR_TEXTURE_FORMAT;
    target_->SetChannelOrder(order);
    target_->SetName(name);
    target_->SetPath(path);
    return created;
}

Result TextureSerializer::LoadData() {
    ChunkStream& s = *Stream();
    const uint32_t count = s.ReadU32();
    uint8_t* pixels = target_->Pixels();
    if (s.IsBad() || !pixels) return s.Error();
    if (count > target_->ByteSize()) return ERR_OUT_OF_RANGE;
    if (s.Read(pixels, count) != count) return s.Error();
    return RESULT_OK;
}

Result TextureSerializer::Load() {
    if (!target_) return ERR_NULL_ARGUMENT;
    ChunkStream* stream = Stream();
    if (!stream) return ERR_SERIAL_NO_STREAM;
    ChunkHeader header;
    stream->OpenChunk(header);
    stream->ReadU16();
    if (stream->IsBad()) return stream->Error();
    if (!(header.tag == kTextureTag)) return ERR_BAD_TAG;

    Result result = RESULT_OK;
    const bool complete = ForEachChild(*stream, header, [&](const ChunkHeader& child, uint16_t) {
        if (Failed(result)) return;
        if (child.tag == kHeaderTag) result = LoadHeader();
        if (child.tag == kDataTag) result = LoadData();
    });
    if (!complete) return ERR_BAD_TAG;
    return result;
}

Result TextureSerializer::Save() {
    if (!target_) return ERR_NULL_ARGUMENT;
    ChunkStream* stream = Stream();
    if (!stream) return ERR_SERIAL_NO_STREAM;
    ChunkStream& s = *stream;
    const uint32_t start = s.Tell();
    s.BeginChunk(kTextureTag);
    s.WriteU16(kVersion);

    const uint32_t headerStart = s.Tell();
    s.BeginChunk(kHeaderTag);
    s.WriteU16(kVersion);
    s.WriteU32(target_->Width());
    s.WriteU32(target_->Height());
    s.WriteU32(bits_ ? bits_ : target_->BitsPerPixel());
    s.WriteU32(static_cast<uint32_t>(target_->Format()));
    s.WriteU32(static_cast<uint32_t>(target_->ChannelOrder()));
    s.WriteString(target_->Name());
    s.WriteString(target_->Path());
    s.EndChunk(headerStart);

    const uint32_t dataStart = s.Tell();
    s.BeginChunk(kDataTag);
    s.WriteU16(kVersion);
    const uint8_t* pixels = target_->Pixels();
    const uint32_t count = pixels ? target_->ByteSize() : 0;
    s.WriteU32(count);
    if (count) s.Write(pixels, count);
    s.EndChunk(dataStart);

    s.EndChunk(start);
    return s.IsBad() ? s.Error() : RESULT_OK;
}

Result LoadTexture(Texture* texture, const NameRef& name) {
    if (!texture || name.Empty()) return ERR_NULL_ARGUMENT;
    TextureSerializer serializer(texture);
    return serializer.LoadFromFile(name);
}

Result SaveTexture(Texture* texture, const NameRef& name, uint32_t bits) {
    if (!texture) return ERR_NULL_ARGUMENT;
    TextureSerializer serializer(texture);
    serializer.SetName(name);
    serializer.SetBits(bits);
    return serializer.SaveToFile();
}

}  // namespace vimsa
