#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/result.h"
#include "core/vector.h"
#include "io/chunk_stream.h"
#include "io/file_stream.h"

namespace vimsa {

// The process-wide compression mode of saved object files: 0 stored, 1 LZ.
uint32_t CompressionMode();
void SetCompressionMode(uint32_t mode);

// An object's file name: a text, or a string-table number (below 65536) that
// stands for the text of that entry.
class NameRef {
public:
    NameRef() = default;
    NameRef(const char* text) : text_(text ? text : "") {}  // NOLINT: names are passed as text
    NameRef(std::string text) : text_(std::move(text)) {}   // NOLINT
    NameRef(std::string_view text) : text_(text) {}         // NOLINT

    static NameRef Resource(uint32_t number);

    bool IsResource() const { return isResource_; }
    uint32_t Number() const { return number_; }
    bool Empty() const { return !isResource_ && text_.empty(); }
    // The text to use in paths. A number with no string-table entry (or one
    // of 65536 or more) gives ERR_NULL_ARGUMENT.
    Result Resolve(std::string& text) const;

private:
    std::string text_;
    uint32_t number_ = 0;
    bool isResource_ = false;
};

// Base of every per-object reader/writer. A subclass keeps its target object,
// and provides Load and Save for the object's record; the base provides the
// file-level operations around them (the "OGDB" header, compression, the id
// database and the catalogs) and the typed field operations on the attached
// stream.
class Serializer {
public:
    Serializer() = default;
    virtual ~Serializer();

    Serializer(const Serializer&) = delete;
    Serializer& operator=(const Serializer&) = delete;

    // Loads the object's file prefix + name + suffix. A name the id database
    // knows is loaded through its id; otherwise the path is opened on disk or
    // in the archives. On success the name is kept and the id is 0.
    virtual Result LoadFromFile(const NameRef& name);
    // Loads the file the id database names for `id`
    // (ERR_SERIAL_NO_NAME_FOR_ID when it has none) and keeps name and id.
    virtual Result LoadById(uint32_t id);
    // Reads a whole file (disk or archive) into `block`.
    virtual Result ReadWholeFile(const char* path, std::vector<uint8_t>& block);
    // Writes the object's file. The first save gives the object an id (which
    // rewrites the user and id databases); a failed save removes the partial
    // file; with compression mode 1 the file is then compressed.
    virtual Result SaveToFile();
    // The object's own record; ERR_NOT_IMPLEMENTED unless a subclass has one.
    virtual Result Load();
    virtual Result Save();
    // The "OGDB" header record around Load / Save.
    virtual Result LoadRecord();
    virtual Result SaveRecord();
    virtual Result GetPathPrefix(std::string& prefix);
    virtual Result GetPathSuffix(std::string& suffix);
    // Records id -> name in the id database (not saved). False for an empty
    // name or when no id could be had.
    virtual bool RegisterName();

    // Attaches `stream` for one Load or Save (records that embed other
    // records use a second serializer on the same stream). A null stream gives
    // ERR_SERIAL_NO_STREAM.
    Result LoadFromStream(ChunkStream* stream);
    Result SaveToStream(ChunkStream* stream);

    // The id, allocated on first request.
    uint32_t GetId();
    // Compresses a stored file in place with the current compression mode.
    // With a header: a version-1 "OGDB" header becomes version 2 with the mode
    // added; a version-2 header gets the mode; another version gives
    // ERR_BAD_TAG. A file already compressed is left as it is. A file that does
    // not shrink stays unchanged and gives ERR_SERIAL_NOT_SMALLER.
    Result CompressFile(const char* path, bool hasHeader);

    bool IsBad() const { return stream_ == nullptr || stream_->IsBad(); }
    uint32_t Tell() const { return stream_ ? stream_->Tell() : 0; }
    ChunkStream* Stream() const { return stream_; }

    const NameRef& Name() const { return name_; }
    void SetName(NameRef name) { name_ = std::move(name); }
    uint32_t Id() const { return id_; }
    void SetId(uint32_t id) { id_ = id; }

    // Typed fields on the attached stream (failing without one).
    uint8_t ReadU8();
    uint16_t ReadU16();
    uint32_t ReadU32();
    float ReadFloat();
    Vector3 ReadVector3();
    Vector4 ReadVector4();
    bool ReadString(std::string& text);
    bool WriteU8(uint8_t value);
    bool WriteU16(uint16_t value);
    bool WriteU32(uint32_t value);
    bool WriteFloat(float value);
    bool WriteVector3(const Vector3& value);
    bool WriteVector4(const Vector4& value);
    bool WriteString(std::string_view text);

protected:
    // Record helpers for Load and Save.
    //
    // Opens the record at the stream's position and reads its version; a
    // record of another kind gives ERR_BAD_TAG, a stream that cannot give the
    // header its error. `version` may be null.
    Result OpenRecord(ChunkTag tag, ChunkHeader& header, uint16_t* version = nullptr);
    // Writes the tag, the size placeholder and the version; returns the
    // record's start for EndRecord.
    uint32_t BeginRecord(ChunkTag tag, uint16_t version);
    // Patches the size of the record begun at `start`; the stream's error
    // when anything since the start failed.
    Result EndRecord(uint32_t start);
    // As EndRecord, but an earlier failure of the record's parts (`parts`)
    // is the one reported.
    Result EndRecord(uint32_t start, Result parts);
    // The stream's error, or RESULT_OK while it is sound.
    Result StreamResult() const;
    // Runs `inner` on the record at the stream's position, then leaves the
    // stream at that record's end whatever `inner` consumed, so that a
    // record that failed half-way, or one longer than its reader knows,
    // does not derail what follows it.
    Result LoadNested(Serializer& inner);

private:
    Result BuildPath(const std::string& text, std::string& path);
    // Opens `path` through the catalogs on a stream of our own and runs
    // LoadRecord on it.
    Result LoadPath(const std::string& path);
    Result CloseOwnStream();
    // Replaces the serializer's own file stream by a fresh one and attaches it.
    bool NewOwnStream();

    NameRef name_;
    ChunkStream* stream_ = nullptr;
    std::unique_ptr<FileStream> ownStream_;
    uint32_t id_ = 0;
};

}  // namespace vimsa
