// Opens arbitrary bytes as a media file (wave, MP3 or anything the decoder
// recognises) and decodes a bounded number of frames.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "platform/media/audio_decoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::unique_ptr<vimsa::media::AudioDecoder> decoder;
    if (vimsa::Failed(vimsa::media::AudioDecoder::OpenMemory({data, size}, decoder))) return 0;
    const int channels = decoder->Channels();
    if (channels < 1 || channels > vimsa::media::AudioDecoder::kMaxChannels) __builtin_trap();
    std::vector<int16_t> frames(static_cast<size_t>(channels) * 4096);
    // A tiny file may claim hours of sound: the work per input stays bounded.
    for (int piece = 0; piece < 16; ++piece) {
        const uint32_t n = decoder->Read(frames.data(), 4096);
        if (n > 4096) __builtin_trap();
        if (n == 0) break;
    }
    if (decoder->Rewind()) (void)decoder->Read(frames.data(), 16);
    return 0;
}
