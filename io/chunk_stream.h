#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "core/ref_object.h"
#include "core/result.h"
#include "core/vector.h"

namespace vimsa {

// Four ASCII characters naming a chunk, padded with spaces ("OBJ ", "BV  ").
// Compared bytewise and case-sensitively.
struct ChunkTag {
    char bytes[4] = {' ', ' ', ' ', ' '};

    constexpr ChunkTag() = default;
    constexpr ChunkTag(const char (&text)[5])  // NOLINT: tags are written as literals
        : bytes{text[0], text[1], text[2], text[3]} {}

    static ChunkTag FromBytes(const void* source) {
        ChunkTag tag;
        std::memcpy(tag.bytes, source, 4);
        return tag;
    }

    std::string_view View() const { return {bytes, 4}; }
    friend constexpr bool operator==(const ChunkTag& a, const ChunkTag& b) {
        return a.bytes[0] == b.bytes[0] && a.bytes[1] == b.bytes[1] && a.bytes[2] == b.bytes[2] &&
               a.bytes[3] == b.bytes[3];
    }
};

// Filled by OpenChunk. `consumed` and `status` are set by CloseChunk: the bytes
// read between the chunk's start and the close, and whether that was exactly the
// chunk (0), fewer bytes (1) or more (2).
struct ChunkHeader {
    uint32_t start = 0;
    uint32_t end = 0;
    uint32_t size = 0;
    ChunkTag tag;
    uint32_t consumed = 0;
    uint8_t status = 0;
};

// Value a field holds when it could not be read.
inline constexpr uint32_t kUnreadValue = 0x00BADBADu;

// Longest text a stored string may have (the stored form adds its NUL).
inline constexpr size_t kMaxStoredText = 79;

// Tagged-chunk stream over a memory block, and the base of the buffered file
// stream. Every chunk is a 4-byte tag, a u32 size that counts the whole chunk
// from its tag, then (by convention) a u16 version and the record's fields and
// child chunks; everything is little-endian and unpadded.
//
// The stream has a sticky error: after the first failure every operation does
// nothing and reports failure, and the first failure's code stays in Error()
// until the stream is reset or reopened.
class ChunkStream : public RefObject {
public:
    // An empty stream with a block of length 0 attached.
    ChunkStream() = default;
    // A stream over `block`, positioned at 0 (reading, or writing in place).
    explicit ChunkStream(std::vector<uint8_t> block);
    ~ChunkStream() override = default;

    ChunkStream(const ChunkStream&) = delete;
    ChunkStream& operator=(const ChunkStream&) = delete;

    // --- the six chunk operations ---

    // Reads the tag and the size at the current position and fills `header`.
    // The tag is not checked and the version is not read. A size below 8 (a
    // chunk smaller than its own header) or one whose end passes 4 GiB makes
    // the stream bad with ERR_OUT_OF_RANGE, so a walk over chunks always moves
    // forwards.
    virtual bool OpenChunk(ChunkHeader& header);
    // Moves to the chunk's end. An end beyond the stream's end fails with
    // ERR_OUT_OF_RANGE; exactly the end is valid.
    virtual bool CloseChunk(ChunkHeader& header);
    // Copies up to `count` bytes and returns how many were copied; reading past
    // the end copies what is there, then fails with ERR_OUT_OF_RANGE.
    virtual uint32_t Read(void* destination, uint32_t count);
    // Writes the tag and the u32 placeholder. Take Tell() before: that is the
    // chunk's start, to be passed to EndChunk.
    virtual bool BeginChunk(ChunkTag tag, uint32_t placeholder = 0);
    // Stores position - start into the size field of the chunk begun at start.
    virtual bool EndChunk(uint32_t start);
    // Returns how many bytes were taken.
    virtual uint32_t Write(const void* source, uint32_t count);

    // Expands the rest of the stream (from the position to the end) when mode is
    // 1, so that reads continue on the expanded bytes at the same positions.
    // Mode 0 does nothing; other modes give ERR_BAD_VERSION, as does data that
    // cannot be expanded.
    virtual Result SetCompression(uint32_t mode);
    virtual void EndCompression() {}

    // --- state ---

    uint32_t Tell() const { return position_; }
    uint32_t End() const { return end_; }
    bool IsBad() const { return bad_; }
    Result Error() const { return error_; }
    // Marks the stream failed with `code` unless it has failed already (the
    // first error is kept).
    void MarkFailed(Result code);
    // MarkFailed, answering the stream's (first) error: `return Fail(...)`.
    Result Fail(Result code);
    // Clears the failed state and the error.
    void ResetError();
    // Moves to `position` (at most the end), as closing a chunk ending there.
    bool Seek(uint32_t position);

    // --- memory block ---

    // Attaches a block (positioned at 0, errors cleared). Blocks of 4 GiB or
    // more do not fit the stream's positions and fail with ERR_OUT_OF_RANGE.
    void SetBlock(std::vector<uint8_t> block);
    // Detaches the block: writes only count bytes from now on, so a first pass
    // can measure a record before its block is allocated.
    void SetCounting();
    bool HasBlock() const { return hasBlock_; }
    const std::vector<uint8_t>& Block() const { return block_; }
    std::vector<uint8_t> TakeBlock();

    // Writes `length` bytes to a new file in one piece. A length of 0 creates no
    // file and succeeds.
    Result WriteWholeFile(const char* path, const void* block, uint32_t length);

    // --- typed fields ---

    uint8_t ReadU8();
    uint16_t ReadU16();
    uint32_t ReadU32();  // kUnreadValue when it could not be read
    float ReadFloat();
    Vector3 ReadVector3();
    Vector4 ReadVector4();
    // Reads a NUL-terminated text of at most kMaxStoredText characters. A text
    // whose NUL is not within 80 bytes fails with ERR_OUT_OF_RANGE (`text` then
    // holds the first 79 characters).
    bool ReadString(std::string& text);

    bool WriteU8(uint8_t value);
    bool WriteU16(uint16_t value);
    bool WriteU32(uint32_t value);
    bool WriteFloat(float value);
    bool WriteVector3(const Vector3& value);
    bool WriteVector4(const Vector4& value);
    // Writes the text (up to its first NUL) and a NUL. Texts longer than
    // kMaxStoredText could not be read back: they fail with ERR_OUT_OF_RANGE
    // and nothing is written.
    bool WriteString(std::string_view text);

protected:
    void SetPosition(uint32_t position) { position_ = position; }
    void SetEnd(uint32_t end) { end_ = end; }
    void SetBad(bool bad) { bad_ = bad; }
    void ClearError() {
        bad_ = false;
        error_ = RESULT_OK;
    }

private:
    bool bad_ = false;
    Result error_ = RESULT_OK;
    bool hasBlock_ = true;
    std::vector<uint8_t> block_;
    uint32_t end_ = 0;
    uint32_t position_ = 0;
};

// The child loop of a record whose fixed fields have been read: opens each
// child and reads its version, hands children that end within the parent to
// `visit(child, version)` and moves to each child's end, until a child ends at
// or after the parent's end or the stream fails. The first child is always
// opened, so records with children are written with at least one.
// Returns false when the stream failed at a child's header (a record cut
// short), true otherwise.
template <typename Visit>
bool ForEachChild(ChunkStream& stream, const ChunkHeader& parent, Visit&& visit) {
    ChunkHeader child;
    do {
        if (!stream.OpenChunk(child)) return false;
        const uint16_t version = stream.ReadU16();
        if (stream.IsBad()) return false;
        if (child.end <= parent.end) visit(child, version);
        if (!stream.CloseChunk(child)) break;
    } while (child.end < parent.end && !stream.IsBad());
    return true;
}

}  // namespace vimsa
