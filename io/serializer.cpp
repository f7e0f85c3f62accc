#include "io/serializer.h"

#include <new>
#include <utility>

#include "io/byte_order.h"
#include "io/catalogs.h"
#include "io/lz_codec.h"
#include "io/string_table.h"
#include "platform/files/file_system.h"

namespace vimsa {
namespace {

constexpr ChunkTag kHeaderTag = "OGDB";
constexpr uint32_t kHeaderV1Length = 14;
constexpr uint32_t kHeaderV2Length = 18;

uint32_t& CompressionModeSlot() {
    static uint32_t mode = 0;
    return mode;
}

// Puts a stream back when a LoadFromStream / SaveToStream ends.
class StreamSwap {
public:
    StreamSwap(ChunkStream*& slot, ChunkStream* stream) : slot_(slot), saved_(slot) {
        slot_ = stream;
    }
    ~StreamSwap() { slot_ = saved_; }
    StreamSwap(const StreamSwap&) = delete;
    StreamSwap& operator=(const StreamSwap&) = delete;

private:
    ChunkStream*& slot_;
    ChunkStream* saved_;
};

}  // namespace

uint32_t CompressionMode() {
    return CompressionModeSlot();
}

void SetCompressionMode(uint32_t mode) {
    CompressionModeSlot() = mode;
}

// --- NameRef ---

NameRef NameRef::Resource(uint32_t number) {
    NameRef name;
    name.number_ = number;
    name.isResource_ = true;
    return name;
}

Result NameRef::Resolve(std::string& text) const {
    if (!isResource_) {
        text = text_;
        return RESULT_OK;
    }
    const char* entry = number_ < kStringTableLimit ? StringTableText(number_) : nullptr;
    if (!entry) return ERR_NULL_ARGUMENT;
    text = entry;
    return RESULT_OK;
}

// --- Serializer ---

Serializer::~Serializer() {
    // Loads and saves close their stream themselves and report its result.
    if (ownStream_) (void)CloseOwnStream();
}

Result Serializer::GetPathPrefix(std::string& prefix) {
    prefix.clear();
    return RESULT_OK;
}

Result Serializer::GetPathSuffix(std::string& suffix) {
    suffix.clear();
    return RESULT_OK;
}

Result Serializer::BuildPath(const std::string& text, std::string& path) {
    std::string prefix;
    std::string suffix;
    Result r = GetPathPrefix(prefix);
    if (Succeeded(r)) r = GetPathSuffix(suffix);
    if (Failed(r)) return r;
    path = prefix + text + suffix;
    return RESULT_OK;
}

Result Serializer::CloseOwnStream() {
    if (!ownStream_) return ERR_SERIAL_NO_STREAM;
    Result r = RESULT_OK;
    if (ownStream_->IsWriting()) {
        r = ownStream_->CloseWrite();
    } else {
        ownStream_->CloseRead();
    }
    if (stream_ == ownStream_.get()) stream_ = nullptr;
    ownStream_.reset();
    return r;
}

bool Serializer::NewOwnStream() {
    if (ownStream_) (void)CloseOwnStream();  // see the destructor
    try {
        ownStream_ = std::make_unique<FileStream>();
    } catch (const std::bad_alloc&) {
        return false;
    }
    stream_ = ownStream_.get();
    return true;
}

Result Serializer::LoadPath(const std::string& path) {
    if (!NewOwnStream()) return ERR_FAIL;
    const Result opened = OpenReadCatalog(*ownStream_, path.c_str());
    if (Failed(opened)) {
        (void)CloseOwnStream();  // the open failure is the one to report
        return opened;
    }
    const Result result = LoadRecord();
    const Result closed = CloseOwnStream();
    return Failed(result) ? result : closed;
}

Result Serializer::LoadFromFile(const NameRef& name) {
    std::string text;
    Result r = name.Resolve(text);
    std::string path;
    if (Succeeded(r)) r = BuildPath(text, path);
    if (Failed(r)) return r;
    uint32_t id = 0;
    if (LookupId(text, id)) return LoadById(id);
    r = LoadPath(path);
    if (Failed(r)) return r;
    name_ = name;
    id_ = 0;
    return RESULT_OK;
}

Result Serializer::LoadById(uint32_t id) {
    std::string text;
    if (!LookupName(id, text)) return ERR_SERIAL_NO_NAME_FOR_ID;
    std::string path;
    Result r = BuildPath(text, path);
    if (Succeeded(r)) r = LoadPath(path);
    if (Failed(r)) return r;
    name_ = NameRef(text);
    id_ = id;
    return RESULT_OK;
}

Result Serializer::ReadWholeFile(const char* path, std::vector<uint8_t>& block) {
    return ::vimsa::ReadWholeFile(path, block);
}

Result Serializer::SaveToFile() {
    if (name_.Empty()) return ERR_SERIAL_NO_NAME;
    std::string text;
    Result r = name_.Resolve(text);
    if (Failed(r)) return r;
    if (text.empty()) return ERR_SERIAL_NO_NAME;
    if (id_ == 0) {
        const uint32_t id = AllocateId();
        if (id == 0) return ERR_SERIAL_NO_ID;
        ::vimsa::RegisterName(id, text);
        // Without the database on disk the name would not find this id again.
        const Result saved = SaveDatabase();
        if (Failed(saved)) return saved;
        id_ = id;
    }
    std::string path;
    r = BuildPath(text, path);
    if (Failed(r)) return r;

    if (!NewOwnStream()) return ERR_FAIL;
    r = ownStream_->OpenWrite(path.c_str());
    if (Failed(r)) {
        (void)CloseOwnStream();  // the open failure is the one to report
        return r;
    }
    const Result result = SaveRecord();
    const Result closed = CloseOwnStream();
    if (Failed(result) || Failed(closed)) {
        // A partial file would read as a damaged object later.
        files::RemoveFile(path);
        return Failed(result) ? result : closed;
    }
    if (CompressionMode() != 0) return CompressFile(path.c_str(), true);
    return RESULT_OK;
}

Result Serializer::Load() {
    return ERR_NOT_IMPLEMENTED;
}

Result Serializer::Save() {
    return ERR_NOT_IMPLEMENTED;
}

Result Serializer::LoadRecord() {
    if (!stream_) return ERR_SERIAL_NO_STREAM;
    ChunkHeader header;
    stream_->OpenChunk(header);
    // Texture and terrain files, pictures and anything else: only an object
    // header may be read as one, whatever its size field says.
    if (!(header.tag == kHeaderTag)) return ERR_BAD_TAG;
    if (stream_->IsBad()) return stream_->Error();
    const uint16_t version = stream_->ReadU16();
    stream_->ReadU32();  // the object's id, informational
    const uint32_t mode = version >= 2 ? stream_->ReadU32() : 0;
    if (stream_->IsBad()) return stream_->Error();
    if (mode != 0) {
        const Result r = stream_->SetCompression(mode);
        if (Failed(r)) return r;
    }
    const Result result = Load();
    if (mode != 0) stream_->EndCompression();
    return result;
}

Result Serializer::SaveRecord() {
    if (!stream_) return ERR_SERIAL_NO_STREAM;
    const uint32_t start = stream_->Tell();
    stream_->BeginChunk(kHeaderTag);
    stream_->WriteU16(2);
    stream_->WriteU32(id_);
    stream_->WriteU32(0);
    Result result = Save();
    stream_->EndChunk(start);
    if (Succeeded(result) && stream_->IsBad()) result = stream_->Error();
    return result;
}

bool Serializer::RegisterName() {
    if (name_.Empty()) return false;
    std::string text;
    if (Failed(name_.Resolve(text)) || text.empty()) return false;
    const uint32_t id = GetId();
    if (id == 0) return false;
    ::vimsa::RegisterName(id, text);
    return true;
}

Result Serializer::LoadFromStream(ChunkStream* stream) {
    if (!stream) return ERR_SERIAL_NO_STREAM;
    StreamSwap swap(stream_, stream);
    return Load();
}

Result Serializer::SaveToStream(ChunkStream* stream) {
    if (!stream) return ERR_SERIAL_NO_STREAM;
    StreamSwap swap(stream_, stream);
    return Save();
}

uint32_t Serializer::GetId() {
    if (id_ == 0) id_ = AllocateId();
    return id_;
}

Result Serializer::CompressFile(const char* path, bool hasHeader) {
    const uint32_t mode = CompressionMode();
    if (mode == 0) return RESULT_OK;
    if (mode != 1) return ERR_BAD_VERSION;
    if (path == nullptr) return ERR_NULL_ARGUMENT;
    const LzCodec codec;
    std::vector<uint8_t> data;
    Result r = ReadWholeFile(path, data);
    if (Failed(r)) return r;

    uint32_t headerLength = 0;
    uint16_t version = 0;
    if (hasHeader) {
        if (data.size() < 10) return ERR_SERIAL_NOT_SMALLER;
        version = LoadU16(data.data() + 8);
        if (version == 1) {
            headerLength = kHeaderV1Length;
        } else if (version == 2) {
            headerLength = kHeaderV2Length;
        } else {
            return ERR_BAD_TAG;
        }
        if (data.size() < headerLength) return ERR_SERIAL_NOT_SMALLER;
        // Compressing a compressed record again would make it unreadable.
        if (version == 2 && LoadU32(data.data() + 14) != 0) return RESULT_OK;
        if (version == 1) {
            StoreU16(data.data() + 8, 2);
        } else {
            StoreU32(data.data() + 14, mode);
        }
    }
    std::vector<uint8_t> packed;
    r = codec.Compress(data.data() + headerLength,
                       static_cast<uint32_t>(data.size()) - headerLength, packed);
    if (Failed(r)) return r == ERR_FAIL ? ERR_FAIL : ERR_SERIAL_NOT_SMALLER;

    // Written beside the file and moved over it, so a failed write keeps the
    // stored file intact.
    const std::string temporary = std::string(path) + ".lz-new";
    FileStream out;
    r = out.OpenWrite(temporary.c_str());
    if (Failed(r)) return r;
    out.Write(data.data(), headerLength);
    if (version == 1) out.WriteU32(mode);
    out.Write(packed.data(), static_cast<uint32_t>(packed.size()));
    r = out.CloseWrite();
    if (Succeeded(r) && !files::RenameFile(temporary, path)) r = ERR_FILE_WRITE;
    if (Failed(r)) files::RemoveFile(temporary);
    return r;
}

// --- record helpers ---

Result Serializer::OpenRecord(ChunkTag tag, ChunkHeader& header, uint16_t* version) {
    if (!stream_) return ERR_SERIAL_NO_STREAM;
    stream_->OpenChunk(header);
    const uint16_t v = stream_->ReadU16();
    if (stream_->IsBad()) return stream_->Error();
    if (!(header.tag == tag)) return ERR_BAD_TAG;
    if (version) *version = v;
    return RESULT_OK;
}

uint32_t Serializer::BeginRecord(ChunkTag tag, uint16_t version) {
    if (!stream_) return 0;
    const uint32_t start = stream_->Tell();
    stream_->BeginChunk(tag);
    stream_->WriteU16(version);
    return start;
}

Result Serializer::EndRecord(uint32_t start) {
    if (!stream_) return ERR_SERIAL_NO_STREAM;
    stream_->EndChunk(start);
    return StreamResult();
}

Result Serializer::EndRecord(uint32_t start, Result parts) {
    const Result ended = EndRecord(start);
    return Failed(parts) ? parts : ended;
}

Result Serializer::StreamResult() const {
    if (!stream_) return ERR_SERIAL_NO_STREAM;
    return stream_->IsBad() ? stream_->Error() : RESULT_OK;
}

Result Serializer::LoadNested(Serializer& inner) {
    if (!stream_) return ERR_SERIAL_NO_STREAM;
    const uint32_t start = stream_->Tell();
    ChunkHeader header;
    if (!stream_->OpenChunk(header) || !stream_->Seek(start)) return stream_->Error();
    const Result result = inner.LoadFromStream(stream_);
    if (stream_->IsBad()) return Failed(result) ? result : stream_->Error();
    if (!stream_->CloseChunk(header)) return stream_->Error();
    return result;
}

// --- typed fields ---

uint8_t Serializer::ReadU8() {
    return stream_ ? stream_->ReadU8() : 0;
}
uint16_t Serializer::ReadU16() {
    return stream_ ? stream_->ReadU16() : 0;
}
uint32_t Serializer::ReadU32() {
    return stream_ ? stream_->ReadU32() : kUnreadValue;
}
float Serializer::ReadFloat() {
    return stream_ ? stream_->ReadFloat() : 0.0f;
}
Vector3 Serializer::ReadVector3() {
    return stream_ ? stream_->ReadVector3() : Vector3{};
}
Vector4 Serializer::ReadVector4() {
    return stream_ ? stream_->ReadVector4() : Vector4{};
}
bool Serializer::ReadString(std::string& text) {
    text.clear();
    return stream_ && stream_->ReadString(text);
}
bool Serializer::WriteU8(uint8_t value) {
    return stream_ && stream_->WriteU8(value);
}
bool Serializer::WriteU16(uint16_t value) {
    return stream_ && stream_->WriteU16(value);
}
bool Serializer::WriteU32(uint32_t value) {
    return stream_ && stream_->WriteU32(value);
}
bool Serializer::WriteFloat(float value) {
    return stream_ && stream_->WriteFloat(value);
}
bool Serializer::WriteVector3(const Vector3& value) {
    return stream_ && stream_->WriteVector3(value);
}
bool Serializer::WriteVector4(const Vector4& value) {
    return stream_ && stream_->WriteVector4(value);
}
bool Serializer::WriteString(std::string_view text) {
    return stream_ && stream_->WriteString(text);
}

}  // namespace vimsa
