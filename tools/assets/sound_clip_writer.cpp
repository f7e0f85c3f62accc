#include "tools/assets/sound_clip_writer.h"

#include <sndfile.h>

#include <memory>
#include <vector>

namespace vimsa::tool {
namespace {

struct SoundFileClose {
    void operator()(SNDFILE* file) const { sf_close(file); }
};
using SoundFile = std::unique_ptr<SNDFILE, SoundFileClose>;

}  // namespace

Result SoundClipWriter::WriteWav(const std::string& path, const std::vector<int16_t>& samples,
                                 uint32_t rate, int channels) {
    return Write(path, SF_FORMAT_WAV | SF_FORMAT_PCM_16, samples, rate, channels);
}

Result SoundClipWriter::WriteMp3(const std::string& path, const std::vector<int16_t>& samples,
                                 uint32_t rate, int channels) {
    return Write(path, SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III, samples, rate, channels);
}

Result SoundClipWriter::Write(const std::string& path, int format,
                              const std::vector<int16_t>& samples, uint32_t rate, int channels) {
    if (channels < 1 || samples.size() % static_cast<size_t>(channels) != 0)
        return ERR_OUT_OF_RANGE;
    SF_INFO info{};
    info.samplerate = static_cast<int>(rate);
    info.channels = channels;
    info.format = format;
    if (!sf_format_check(&info)) return ERR_NOT_IMPLEMENTED;
    SoundFile file(sf_open(path.c_str(), SFM_WRITE, &info));
    if (!file) return ERR_FILE_OPEN;
    if ((format & SF_FORMAT_TYPEMASK) == SF_FORMAT_MPEG) {
        int mode = SF_BITRATE_MODE_CONSTANT;
        double level = 0.6;  // about 128 kbit/s
        // Without them the encoder's defaults apply, which still make a valid file.
        (void)sf_command(file.get(), SFC_SET_BITRATE_MODE, &mode, sizeof mode);
        (void)sf_command(file.get(), SFC_SET_COMPRESSION_LEVEL, &level, sizeof level);
    }
    const auto count = static_cast<sf_count_t>(samples.size());
    sf_count_t written = 0;
    if ((format & SF_FORMAT_TYPEMASK) == SF_FORMAT_MPEG) {
        // libsndfile 1.2's MP3 encoder copies only half of each block of
        // stereo shorts (the rest is stack garbage: noise, and different
        // bytes on every run); its float path is whole.
        std::vector<float> floats(samples.size());
        for (size_t i = 0; i < samples.size(); ++i)
            floats[i] = static_cast<float>(samples[i]) / 32768.0f;
        written = sf_write_float(file.get(), floats.data(), count);
    } else {
        written = sf_write_short(file.get(), samples.data(), count);
    }
    if (written != count) return ERR_FILE_WRITE;
    // Closing writes the last frames and the header's sizes.
    return sf_close(file.release()) == 0 ? RESULT_OK : ERR_FILE_WRITE;
}

}  // namespace vimsa::tool
