#include "io/file_stream.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "io/byte_order.h"
#include "platform/files/file_system.h"

namespace vimsa {
namespace {

constexpr uint64_t kMaxPosition = 0xFFFFFFFFull;

uint32_t ClampedEnd(uint32_t start, uint32_t capacity) {
    return static_cast<uint32_t>(std::min<uint64_t>(uint64_t{start} + capacity, kMaxPosition));
}

bool SeekFile(std::FILE* file, uint64_t position) {
    return ::fseeko(file, static_cast<off_t>(position), SEEK_SET) == 0;
}

}  // namespace

FileStream::~FileStream() {
    if (writing_) {
        // Writers close explicitly to learn whether the file is whole; one
        // that did not has given the file up.
        (void)CloseWrite();
    } else {
        CloseRead();
    }
}

void FileStream::ResetBuffer() {
    if (!bufferAllocated_ || capacity_ < kBufferSize) {
        buffer_.assign(kBufferSize, 0);
        capacity_ = kBufferSize;
        bufferAllocated_ = true;
    }
    bufferStart_ = 0;
    bufferEnd_ = 0;
    expanded_ = false;
    codec_.reset();
    filePosition_ = 0;
    fileLength_ = 0;
    SetPosition(0);
    SetEnd(0);
}

void FileStream::CloseFile() {
    files::CloseFile(file_);
    file_ = nullptr;
}

Result FileStream::OpenFileForReading(const char* path) {
    CloseFile();
    writing_ = false;
    ResetBuffer();
    ClearError();
    if (path == nullptr) return Fail(ERR_NULL_ARGUMENT);
    file_ = files::OpenFile(path, "rb");
    if (!file_) return Fail(ERR_FILE_OPEN);
    if (::fseeko(file_, 0, SEEK_END) != 0) {
        CloseFile();
        return Fail(ERR_FILE_SEEK);
    }
    const off_t length = ::ftello(file_);
    if (length < 0 || static_cast<uint64_t>(length) > kMaxPosition) {
        CloseFile();
        return Fail(ERR_FILE_SIZE);
    }
    if (!SeekFile(file_, 0)) {
        CloseFile();
        return Fail(ERR_FILE_SEEK);
    }
    fileLength_ = static_cast<uint32_t>(length);
    return RESULT_OK;
}

Result FileStream::OpenRead(const char* path, uint32_t* size) {
    const Result opened = OpenFileForReading(path);
    if (Failed(opened)) return opened;
    if (size) *size = fileLength_;
    const Result r = SetWindow(0, fileLength_);
    if (Failed(r)) CloseFile();
    return r;
}

Result FileStream::OpenReadWindow(const char* path, uint32_t offset, uint32_t size) {
    const Result opened = OpenFileForReading(path);
    if (Failed(opened)) return opened;
    if (uint64_t{offset} + size > fileLength_) {
        CloseFile();
        return Fail(ERR_OUT_OF_RANGE);
    }
    if (!SeekFile(file_, offset)) {
        CloseFile();
        return Fail(ERR_FILE_SEEK);
    }
    filePosition_ = offset;
    const Result r = SetWindow(offset, offset + size);
    if (Failed(r)) CloseFile();
    return r;
}

Result FileStream::SetWindow(uint32_t start, uint32_t end) {
    ClearError();
    if (!file_ || writing_) return Fail(ERR_STREAM_FAILED);
    if (start > end || end > fileLength_) return Fail(ERR_OUT_OF_RANGE);
    expanded_ = false;
    bufferStart_ = 0;
    bufferEnd_ = 0;
    SetEnd(end);
    SetPosition(start);
    return Refill(start);
}

Result FileStream::OpenWrite(const char* path) {
    if (writing_) (void)CloseWrite();  // a write left open was given up
    CloseFile();
    ResetBuffer();
    ClearError();
    bufferEnd_ = capacity_;
    if (path == nullptr) return Fail(ERR_NULL_ARGUMENT);
    writing_ = true;
    file_ = files::OpenFile(path, "wb");
    if (!file_) {
        writing_ = false;
        return Fail(ERR_FILE_OPEN);
    }
    return RESULT_OK;
}

void FileStream::CloseRead() {
    if (!writing_) CloseFile();
}

Result FileStream::CloseWrite() {
    if (!file_ || !writing_) return ERR_STREAM_FAILED;
    Result r = IsBad() ? Error() : Flush(Tell() - bufferStart_);
    if (std::fclose(file_) != 0 && Succeeded(r)) r = Fail(ERR_FILE_WRITE);
    file_ = nullptr;
    writing_ = false;
    return r;
}

Result FileStream::Refill(uint32_t p) {
    if (IsBad()) return ERR_STREAM_FAILED;
    if (p >= End()) return Fail(ERR_OUT_OF_RANGE);
    if (expanded_) {
        // Everything readable is in the buffer already; the file behind it
        // holds the compressed form.
        if (p < bufferStart_ || p >= bufferEnd_) return Fail(ERR_OUT_OF_RANGE);
        SetPosition(p);
        return RESULT_OK;
    }
    if (!file_ || writing_) return Fail(ERR_STREAM_FAILED);
    if (p != filePosition_) {
        if (!SeekFile(file_, p)) return Fail(ERR_FILE_SEEK);
        filePosition_ = p;
    }
    SetPosition(p);
    const uint32_t want = std::min(capacity_, End() - p);
    const size_t got = std::fread(buffer_.data(), 1, want, file_);
    filePosition_ += got;
    if (got < want) {
        bufferStart_ = bufferEnd_ = 0;
        return Fail(ERR_FILE_READ);
    }
    bufferStart_ = p;
    bufferEnd_ = ClampedEnd(p, capacity_);
    return RESULT_OK;
}

Result FileStream::Flush(uint32_t n) {
    if (IsBad()) return ERR_STREAM_FAILED;
    if (!file_ || !writing_) return Fail(ERR_STREAM_FAILED);
    n = std::min(n, capacity_);
    if (n && std::fwrite(buffer_.data(), 1, n, file_) != n) return Fail(ERR_FILE_WRITE);
    filePosition_ += n;
    bufferStart_ = Tell();
    bufferEnd_ = ClampedEnd(bufferStart_, capacity_);
    return RESULT_OK;
}

bool FileStream::CloseChunk(ChunkHeader& header) {
    if (IsBad()) return false;
    if (writing_) {
        MarkFailed(ERR_STREAM_FAILED);
        return false;
    }
    if (header.end > End()) {
        MarkFailed(ERR_OUT_OF_RANGE);
        return false;
    }
    const uint32_t position = Tell();
    header.consumed = position >= header.start ? position - header.start : 0;
    header.status = header.consumed == header.size ? 0 : (header.consumed < header.size ? 1 : 2);
    SetPosition(header.end);
    // A position at the buffer's end is loaded by the next read; one outside
    // the buffer is loaded now. The stream's end itself needs no data.
    if (header.end < End() && (header.end < bufferStart_ || header.end > bufferEnd_))
        return Succeeded(Refill(header.end));
    return true;
}

uint32_t FileStream::Read(void* destination, uint32_t count) {
    if (IsBad()) return 0;
    if (writing_) {
        MarkFailed(ERR_STREAM_FAILED);
        return 0;
    }
    auto* out = static_cast<uint8_t*>(destination);
    const uint32_t available = Tell() < End() ? End() - Tell() : 0;
    const uint32_t n = std::min(count, available);
    uint32_t copied = 0;
    while (copied < n) {
        if (Tell() < bufferStart_ || Tell() >= bufferEnd_) {
            if (Failed(Refill(Tell()))) break;
        }
        const uint32_t chunk = std::min(n - copied, bufferEnd_ - Tell());
        std::memcpy(out + copied, BufferAt(Tell()), chunk);
        SetPosition(Tell() + chunk);
        copied += chunk;
    }
    if (copied < count) MarkFailed(ERR_OUT_OF_RANGE);
    return copied;
}

uint32_t FileStream::Write(const void* source, uint32_t count) {
    if (IsBad()) return 0;
    if (!writing_ || !file_) {
        MarkFailed(ERR_STREAM_FAILED);
        return 0;
    }
    if (Tell() + uint64_t{count} > kMaxPosition) {
        MarkFailed(ERR_OUT_OF_RANGE);
        return 0;
    }
    const auto* in = static_cast<const uint8_t*>(source);
    uint32_t copied = 0;
    while (copied < count) {
        const uint32_t chunk = std::min(count - copied, bufferEnd_ - Tell());
        std::memcpy(BufferAt(Tell()), in + copied, chunk);
        SetPosition(Tell() + chunk);
        copied += chunk;
        if (Tell() == bufferEnd_ && Failed(Flush(capacity_))) break;
    }
    SetEnd(std::max(End(), Tell()));
    return copied;
}

bool FileStream::EndChunk(uint32_t start) {
    if (IsBad()) return false;
    if (!writing_ || !file_) {
        MarkFailed(ERR_STREAM_FAILED);
        return false;
    }
    const uint32_t position = Tell();
    if (start > position || position - start < 8) {
        MarkFailed(ERR_OUT_OF_RANGE);
        return false;
    }
    const uint32_t size = position - start;
    if (uint64_t{start} + 4 >= bufferStart_) {
        StoreU32(BufferAt(start + 4), size);
        return true;
    }
    // The size field has reached the file already: patch it there. A field
    // that straddles the buffer's start goes to the file first.
    if (uint64_t{start} + 8 > bufferStart_ && Failed(Flush(position - bufferStart_))) return false;
    uint8_t bytes[4];
    StoreU32(bytes, size);
    Result r = RESULT_OK;
    if (!SeekFile(file_, uint64_t{start} + 4)) {
        r = ERR_FILE_SEEK;
    } else if (std::fwrite(bytes, 1, 4, file_) != 4) {
        r = ERR_FILE_WRITE;
    } else if (::fseeko(file_, 0, SEEK_END) != 0) {
        r = ERR_FILE_SEEK;
    }
    if (Failed(r)) MarkFailed(r);
    return Succeeded(r);
}

Result FileStream::SetCompression(uint32_t mode) {
    codec_.reset();
    if (IsBad()) return ERR_STREAM_FAILED;
    if (mode == 0) return RESULT_OK;
    if (mode != 1) return Fail(ERR_BAD_VERSION);
    if (writing_) return Fail(ERR_STREAM_FAILED);
    const uint32_t start = Tell();
    const uint32_t n = End() - start;
    std::vector<uint8_t> packed;
    std::vector<uint8_t> expanded;
    try {
        codec_ = std::make_unique<LzCodec>();
        packed.resize(n);
    } catch (const std::bad_alloc&) {
        return Fail(ERR_FAIL);
    }
    if (Read(packed.data(), n) != n) return Error();
    const Result r = codec_->Decompress(packed.data(), n, expanded);
    if (Failed(r)) return Fail(r == ERR_FAIL ? ERR_FAIL : ERR_BAD_VERSION);
    if (start + uint64_t{expanded.size()} > kMaxPosition) return Fail(ERR_BAD_VERSION);
    buffer_ = std::move(expanded);
    capacity_ = static_cast<uint32_t>(buffer_.size());
    bufferStart_ = start;
    bufferEnd_ = start + capacity_;
    expanded_ = true;
    SetEnd(bufferEnd_);
    SetPosition(start);
    return RESULT_OK;
}

void FileStream::EndCompression() {
    codec_.reset();
}

}  // namespace vimsa
