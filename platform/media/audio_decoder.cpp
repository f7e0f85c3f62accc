#include "platform/media/audio_decoder.h"

#include <sndfile.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/files/file_system.h"

namespace vimsa::media {

// A file image read through the library's virtual I/O.
struct AudioDecoder::Memory {
    std::span<const uint8_t> bytes;
    sf_count_t position = 0;

    static sf_count_t Length(void* self) {
        return static_cast<sf_count_t>(static_cast<Memory*>(self)->bytes.size());
    }
    static sf_count_t Seek(sf_count_t offset, int whence, void* self) {
        auto* m = static_cast<Memory*>(self);
        const sf_count_t size = static_cast<sf_count_t>(m->bytes.size());
        sf_count_t base = whence == SEEK_CUR ? m->position : whence == SEEK_END ? size : 0;
        if (offset < -base || offset > size - base) return -1;
        m->position = base + offset;
        return m->position;
    }
    static sf_count_t Read(void* out, sf_count_t count, void* self) {
        auto* m = static_cast<Memory*>(self);
        const sf_count_t left = static_cast<sf_count_t>(m->bytes.size()) - m->position;
        const sf_count_t n = std::clamp<sf_count_t>(count, 0, std::max<sf_count_t>(left, 0));
        if (n > 0) std::memcpy(out, m->bytes.data() + m->position, static_cast<size_t>(n));
        m->position += n;
        return n;
    }
    static sf_count_t Write(const void*, sf_count_t, void*) { return 0; }
    static sf_count_t Tell(void* self) { return static_cast<Memory*>(self)->position; }
};

AudioDecoder::~AudioDecoder() {
    if (file_) sf_close(static_cast<SNDFILE*>(file_));
}

Result AudioDecoder::Take(void* file) {
    SF_INFO info{};
    if (!file) return ERR_MEDIA_DECODE;
    file_ = file;
    sf_command(static_cast<SNDFILE*>(file_), SFC_GET_CURRENT_SF_INFO, &info, sizeof info);
    if (info.channels < 1 || info.channels > kMaxChannels || info.samplerate < 1000 ||
        info.samplerate > 384000) {
        return ERR_MEDIA_DECODE;
    }
    channels_ = info.channels;
    rate_ = static_cast<uint32_t>(info.samplerate);
    frames_ = info.frames > 0 ? static_cast<uint64_t>(info.frames) : 0;
    // Floating-point files are scaled into the 16-bit range, not clipped.
    sf_command(static_cast<SNDFILE*>(file_), SFC_SET_SCALE_FLOAT_INT_READ, nullptr, SF_TRUE);
    return RESULT_OK;
}

Result AudioDecoder::OpenFile(std::string_view path, std::unique_ptr<AudioDecoder>& out) {
    out.reset();
    std::string real;
    if (!files::FindPath(path, real) || !files::IsFile(real)) return ERR_FILE_OPEN;
    std::unique_ptr<AudioDecoder> decoder(new AudioDecoder);
    SF_INFO info{};
    const Result r = decoder->Take(sf_open(real.c_str(), SFM_READ, &info));
    if (Succeeded(r)) out = std::move(decoder);
    return r;
}

Result AudioDecoder::OpenMemory(std::span<const uint8_t> bytes,
                                std::unique_ptr<AudioDecoder>& out) {
    out.reset();
    std::unique_ptr<AudioDecoder> decoder(new AudioDecoder);
    decoder->memory_ = std::make_unique<Memory>();
    decoder->memory_->bytes = bytes;
    SF_VIRTUAL_IO io{&Memory::Length, &Memory::Seek, &Memory::Read, &Memory::Write, &Memory::Tell};
    SF_INFO info{};
    const Result r = decoder->Take(sf_open_virtual(&io, SFM_READ, &info, decoder->memory_.get()));
    if (Succeeded(r)) out = std::move(decoder);
    return r;
}

uint32_t AudioDecoder::Read(int16_t* out, uint32_t frames) {
    if (!file_ || !out || frames == 0) return 0;
    const sf_count_t got = sf_readf_short(static_cast<SNDFILE*>(file_), out, frames);
    return got > 0 ? static_cast<uint32_t>(got) : 0;
}

bool AudioDecoder::Rewind() {
    return file_ && sf_seek(static_cast<SNDFILE*>(file_), 0, SEEK_SET) == 0;
}

}  // namespace vimsa::media
