#include "tools/assets/sound_clip_writer.h"

#include <sndfile.h>

#include <memory>

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
    if (sf_write_short(file.get(), samples.data(), count) != count) return ERR_FILE_WRITE;
    // Closing writes the last frames and the header's sizes.
    return sf_close(file.release()) == 0 ? RESULT_OK : ERR_FILE_WRITE;
}

}  // namespace vimsa::tool
