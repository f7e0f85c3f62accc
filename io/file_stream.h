#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <vector>

#include "io/chunk_stream.h"
#include "io/lz_codec.h"

namespace vimsa {

// Chunk stream over a file, read and written through a buffer of 256 bytes
// (allocated on first use). Positions are absolute file positions; a stream
// may be limited to a window of the file (an entry of an archive), and then
// its end is the window's end and nothing outside the window can be read.
class FileStream : public ChunkStream {
public:
    static constexpr uint32_t kBufferSize = 256;

    FileStream() = default;
    // Closes the file; a file being written is flushed first.
    ~FileStream() override;

    bool CloseChunk(ChunkHeader& header) override;
    uint32_t Read(void* destination, uint32_t count) override;
    bool EndChunk(uint32_t start) override;
    uint32_t Write(const void* source, uint32_t count) override;

    // With mode 1 the rest of the file (or window) is expanded in one piece
    // into the buffer; reads then continue on the expanded bytes with positions
    // going on from the current one, as if the file were stored uncompressed.
    Result SetCompression(uint32_t mode) override;
    // Drops the codec; the expanded bytes stay readable.
    void EndCompression() override;

    // Opens a file for reading and loads the buffer at 0. An empty file fails
    // with ERR_OUT_OF_RANGE. On failure the file is closed and the stream bad.
    Result OpenRead(const char* path, uint32_t* size = nullptr);
    // Opens `path` and limits the stream to [offset, offset + size) of it. A
    // window that passes the file's end fails with ERR_OUT_OF_RANGE.
    Result OpenReadWindow(const char* path, uint32_t offset, uint32_t size);
    // Limits an open file to [start, end), positioned at start.
    Result SetWindow(uint32_t start, uint32_t end);
    // Creates (or truncates) a file for writing.
    Result OpenWrite(const char* path);
    // Closes a file being read (nothing happens when none is open).
    void CloseRead();
    // Writes what the buffer still holds and closes the file.
    Result CloseWrite();

    // Loads the buffer at file position p (p becomes the position). A refill
    // at the position where the last read stopped does not seek.
    Result Refill(uint32_t p);
    // Writes the first n buffered bytes (at most the capacity).
    Result Flush(uint32_t n);

    bool IsOpen() const { return file_ != nullptr; }
    bool IsWriting() const { return writing_; }
    uint32_t FileLength() const { return fileLength_; }
    uint32_t Capacity() const { return capacity_; }

private:
    void ResetBuffer();
    void CloseFile();
    Result OpenFileForReading(const char* path);
    uint8_t* BufferAt(uint32_t position) { return buffer_.data() + (position - bufferStart_); }

    std::FILE* file_ = nullptr;
    std::vector<uint8_t> buffer_;
    uint32_t capacity_ = 0;
    uint32_t bufferStart_ = 0;
    uint32_t bufferEnd_ = 0;
    bool bufferAllocated_ = false;
    std::unique_ptr<LzCodec> codec_;

    bool writing_ = false;
    bool expanded_ = false;      // the buffer holds the expanded rest of the stream
    uint64_t filePosition_ = 0;  // where the next fread/fwrite happens
    uint32_t fileLength_ = 0;
};

}  // namespace vimsa
