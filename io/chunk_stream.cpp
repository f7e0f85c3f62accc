#include "io/chunk_stream.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "io/byte_order.h"
#include "io/lz_codec.h"
#include "platform/files/file_system.h"

namespace vimsa {

namespace {
constexpr uint64_t kMaxPosition = 0xFFFFFFFFull;
}  // namespace

ChunkStream::ChunkStream(std::vector<uint8_t> block) {
    SetBlock(std::move(block));
}

void ChunkStream::MarkFailed(Result code) {
    if (bad_) return;
    bad_ = true;
    error_ = code;
}

Result ChunkStream::Fail(Result code) {
    MarkFailed(code);
    return error_;
}

void ChunkStream::ResetError() {
    ClearError();
}

bool ChunkStream::Seek(uint32_t position) {
    ChunkHeader target;
    target.start = position;
    target.end = position;
    return CloseChunk(target);
}

void ChunkStream::SetBlock(std::vector<uint8_t> block) {
    ClearError();
    hasBlock_ = true;
    position_ = 0;
    if (block.size() > kMaxPosition) {
        block_.clear();
        end_ = 0;
        MarkFailed(ERR_OUT_OF_RANGE);
        return;
    }
    block_ = std::move(block);
    end_ = static_cast<uint32_t>(block_.size());
}

void ChunkStream::SetCounting() {
    ClearError();
    hasBlock_ = false;
    block_.clear();
    position_ = 0;
    end_ = 0;
}

std::vector<uint8_t> ChunkStream::TakeBlock() {
    std::vector<uint8_t> out = std::move(block_);
    block_.clear();
    position_ = 0;
    end_ = 0;
    return out;
}

// --- memory versions of the chunk operations ---

bool ChunkStream::OpenChunk(ChunkHeader& header) {
    if (bad_) return false;
    header.start = position_;
    header.consumed = 0;
    header.status = 0;
    std::memset(header.tag.bytes, 0, sizeof header.tag.bytes);
    Read(header.tag.bytes, 4);
    header.size = ReadU32();
    header.end = header.start + header.size;
    if (bad_) return false;
    if (header.size < 8 || header.start + uint64_t{header.size} > kMaxPosition) {
        MarkFailed(ERR_OUT_OF_RANGE);
        return false;
    }
    return true;
}

bool ChunkStream::CloseChunk(ChunkHeader& header) {
    if (bad_) return false;
    if (header.end > end_) {
        MarkFailed(ERR_OUT_OF_RANGE);
        return false;
    }
    header.consumed = position_ >= header.start ? position_ - header.start : 0;
    header.status = header.consumed == header.size ? 0 : (header.consumed < header.size ? 1 : 2);
    position_ = header.end;
    return true;
}

uint32_t ChunkStream::Read(void* destination, uint32_t count) {
    if (bad_) return 0;
    if (!hasBlock_) {
        MarkFailed(ERR_STREAM_FAILED);
        return 0;
    }
    const uint32_t available = position_ < end_ ? end_ - position_ : 0;
    const uint32_t n = std::min(count, available);
    if (n) std::memcpy(destination, block_.data() + position_, n);
    position_ += n;
    if (n < count) MarkFailed(ERR_OUT_OF_RANGE);
    return n;
}

bool ChunkStream::BeginChunk(ChunkTag tag, uint32_t placeholder) {
    if (bad_) return false;
    Write(tag.bytes, 4);
    WriteU32(placeholder);
    return !bad_;
}

bool ChunkStream::EndChunk(uint32_t start) {
    if (bad_) return false;
    if (start > position_ || position_ - start < 8) {
        MarkFailed(ERR_OUT_OF_RANGE);
        return false;
    }
    if (hasBlock_) StoreU32(block_.data() + start + 4, position_ - start);
    return true;
}

uint32_t ChunkStream::Write(const void* source, uint32_t count) {
    if (bad_) return 0;
    if (!hasBlock_) {
        if (position_ + uint64_t{count} > kMaxPosition) {
            MarkFailed(ERR_OUT_OF_RANGE);
            return 0;
        }
        position_ += count;
        end_ = std::max(end_, position_);
        return count;
    }
    const uint32_t room = position_ < end_ ? end_ - position_ : 0;
    const uint32_t n = std::min(count, room);
    if (n) std::memcpy(block_.data() + position_, source, n);
    position_ += n;
    if (n < count) MarkFailed(ERR_OUT_OF_RANGE);
    return n;
}

Result ChunkStream::SetCompression(uint32_t mode) {
    if (bad_) return ERR_STREAM_FAILED;
    if (mode == 0) return RESULT_OK;
    if (mode != 1) return Fail(ERR_BAD_VERSION);
    if (!hasBlock_) return Fail(ERR_STREAM_FAILED);
    std::vector<uint8_t> expanded;
    const Result r = LzCodec().Decompress(block_.data() + position_, end_ - position_, expanded);
    if (Failed(r)) return Fail(r == ERR_FAIL ? ERR_FAIL : ERR_BAD_VERSION);
    if (position_ + uint64_t{expanded.size()} > kMaxPosition) return Fail(ERR_BAD_VERSION);
    try {
        block_.resize(position_);
        block_.insert(block_.end(), expanded.begin(), expanded.end());
    } catch (const std::bad_alloc&) {
        return Fail(ERR_FAIL);
    }
    end_ = static_cast<uint32_t>(block_.size());
    return RESULT_OK;
}

Result ChunkStream::WriteWholeFile(const char* path, const void* block, uint32_t length) {
    ClearError();
    if (length == 0) return RESULT_OK;
    if (path == nullptr || block == nullptr) return Fail(ERR_NULL_ARGUMENT);
    std::FILE* file = files::OpenFile(path, "wb");
    if (!file) return Fail(ERR_FILE_OPEN);
    const size_t written = std::fwrite(block, 1, length, file);
    const bool closed = std::fclose(file) == 0;
    if (written != length || !closed) return Fail(ERR_FILE_WRITE);
    return RESULT_OK;
}

// --- typed fields ---

uint8_t ChunkStream::ReadU8() {
    uint8_t v = 0;
    return Read(&v, 1) == 1 ? v : 0;
}

uint16_t ChunkStream::ReadU16() {
    uint8_t b[2];
    return Read(b, 2) == 2 ? LoadU16(b) : 0;
}

uint32_t ChunkStream::ReadU32() {
    uint8_t b[4];
    return Read(b, 4) == 4 ? LoadU32(b) : kUnreadValue;
}

float ChunkStream::ReadFloat() {
    uint8_t b[4];
    return Read(b, 4) == 4 ? BitsToFloat(LoadU32(b)) : 0.0f;
}

Vector3 ChunkStream::ReadVector3() {
    Vector3 v;
    v.x = ReadFloat();
    v.y = ReadFloat();
    v.z = ReadFloat();
    return v;
}

Vector4 ChunkStream::ReadVector4() {
    Vector4 v;
    v.x = ReadFloat();
    v.y = ReadFloat();
    v.z = ReadFloat();
    v.w = ReadFloat();
    return v;
}

bool ChunkStream::ReadString(std::string& text) {
    text.clear();
    for (size_t i = 0; i <= kMaxStoredText; ++i) {
        char c = 0;
        if (Read(&c, 1) != 1) return false;
        if (c == '\0') return true;
        if (text.size() < kMaxStoredText) text.push_back(c);
    }
    MarkFailed(ERR_OUT_OF_RANGE);
    return false;
}

bool ChunkStream::WriteU8(uint8_t value) {
    return Write(&value, 1) == 1;
}

bool ChunkStream::WriteU16(uint16_t value) {
    uint8_t b[2];
    StoreU16(b, value);
    return Write(b, 2) == 2;
}

bool ChunkStream::WriteU32(uint32_t value) {
    uint8_t b[4];
    StoreU32(b, value);
    return Write(b, 4) == 4;
}

bool ChunkStream::WriteFloat(float value) {
    return WriteU32(FloatBits(value));
}

bool ChunkStream::WriteVector3(const Vector3& value) {
    return WriteFloat(value.x) && WriteFloat(value.y) && WriteFloat(value.z);
}

bool ChunkStream::WriteVector4(const Vector4& value) {
    return WriteFloat(value.x) && WriteFloat(value.y) && WriteFloat(value.z) && WriteFloat(value.w);
}

bool ChunkStream::WriteString(std::string_view text) {
    if (bad_) return false;
    const size_t nul = text.find('\0');
    if (nul != std::string_view::npos) text = text.substr(0, nul);
    if (text.size() > kMaxStoredText) {
        MarkFailed(ERR_OUT_OF_RANGE);
        return false;
    }
    const auto length = static_cast<uint32_t>(text.size());
    if (length && Write(text.data(), length) != length) return false;
    return WriteU8(0);
}

}  // namespace vimsa
