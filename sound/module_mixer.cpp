#include "sound/module_mixer.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace vimsa {
namespace {

// Sample value as unsigned 16-bit; 8-bit data is moved to the high byte.
template <bool k16>
inline int32_t ReadSample(const uint8_t* d, int64_t i) {
    if constexpr (k16)
        return d[2 * i] | (d[2 * i + 1] << 8);
    else
        return d[i] << 8;
}

// Blends samples i and `next` with the top 8 bits of the position fraction:
// s0 + (s1 - s0) * f / 256.
template <bool k16>
inline int32_t Interpolate(const uint8_t* d, int64_t i, int64_t next, int64_t position) {
    const int32_t f = static_cast<int32_t>((position >> 24) & 0xFF);
    if constexpr (k16) {
        const int32_t s0 = ReadSample<true>(d, i);
        return s0 + (ReadSample<true>(d, next) - s0) * f / 256;
    } else {
        // With both samples moved to the high byte the division is exact.
        return (d[i] << 8) + (d[next] - d[i]) * f;
    }
}

// 16-bit mixing: value = volume * (sample - 32768) / 64 with the volume on
// the 0..64 scale, split between the two channels of a frame by the pan
// weights (out of kPanRight). The volume comes in 1/kMixVolumeStep steps;
// dividing by the larger number gives the same whole results as dividing
// the whole-step volume by 64.
struct Stereo16 {
    int32_t volume, leftWeight, rightWeight;
    void Add(int32_t* acc, int frame, int32_t s) const {
        const int32_t value = volume * (s - 32768) / kMixVolumeFull;
        acc[2 * frame] += leftWeight * value / kPanRight;
        acc[2 * frame + 1] += rightWeight * value / kPanRight;
    }
};

struct Mono16 {
    int32_t volume;
    void Add(int32_t* acc, int frame, int32_t s) const {
        acc[frame] += volume * (s - 32768) / kMixVolumeFull;
    }
};

// 8-bit mixing goes through the volume and pan tables.
struct Stereo8 {
    const int8_t* volumeRow;  // 256 entries for this voice's volume
    const int8_t* panRow;     // 256 x 2 entries for this channel's pan
    void Add(int32_t* acc, int frame, int32_t s) const {
        const int32_t value = volumeRow[s >> 8];
        acc[2 * frame] += panRow[2 * (value + 128)];
        acc[2 * frame + 1] += panRow[2 * (value + 128) + 1];
    }
};

struct Mono8 {
    const int8_t* volumeRow;
    void Add(int32_t* acc, int frame, int32_t s) const { acc[frame] += volumeRow[s >> 8]; }
};

// Mixes `count` frames of one voice starting at output frame `frame`.
// Positions are 32.32 fixed point in samples (not bytes) so that 16-bit data
// is always read on whole samples.
template <bool k16, class Out>
void MixVoice(Voice& v, int32_t* acc, int frame, int count, const Out& out) {
    constexpr int kShift = k16 ? 1 : 0;
    const int64_t frames = v.length >> kShift;
    const int64_t loopStart = v.loopStart >> kShift;
    const int64_t loopLength = v.loopLength >> kShift;
    const bool hasLoop = loopLength > 0 && loopStart + loopLength <= frames;
    // Without a loop the last sample has no neighbour to blend with.
    const int64_t end = hasLoop ? loopStart + loopLength : frames - 1;
    const int64_t step = (static_cast<int64_t>(v.step.integer) << 32) | v.step.fraction;
    if (end <= 0 || step <= 0) return;
    if (!hasLoop) v.backwards = false;

    const uint8_t* d = v.data;
    const int64_t endFixed = end << 32;
    const int64_t startFixed = loopStart << 32;
    const int64_t fastEnd = (hasLoop ? end - 1 : end) << 32;
    int64_t p = (static_cast<int64_t>(v.position >> kShift) << 32) | v.positionFraction;
    int f = frame;
    int left = count;
    for (;;) {
        // Turn or wrap at the loop's ends before each read and once more at
        // the end, so the stored position always lies inside the data.
        if (v.backwards) {
            if (p >= endFixed) p = endFixed - 1;
            if (p < startFixed) {
                p = std::min(startFixed + (startFixed - p), endFixed - 1);
                v.backwards = false;
            }
        } else if (p >= endFixed) {
            if (!hasLoop) break;  // the sample has ended
            if (v.pingPong) {
                p = std::max(endFixed - 1 - (p - endFixed), startFixed);
                v.backwards = true;
            } else {
                p = startFixed + (p - startFixed) % (loopLength << 32);
            }
        }
        if (left == 0) break;
        const int64_t i = p >> 32;
        if (v.backwards) {
            const int64_t next = i + 1 < end ? i + 1 : loopStart;
            out.Add(acc, f++, Interpolate<k16>(d, i, next, p));
            p -= step;
            --left;
        } else if (p < fastEnd) {
            // Frames whose neighbour lies inside the data, up to the boundary.
            const int n =
                static_cast<int>(std::min<int64_t>((fastEnd - p + step - 1) / step, left));
            for (int k = 0; k < n; ++k) {
                const int64_t j = p >> 32;
                out.Add(acc, f++, Interpolate<k16>(d, j, j + 1, p));
                p += step;
            }
            left -= n;
        } else {
            // The last sample of a loop blends with the loop's first.
            out.Add(acc, f++, Interpolate<k16>(d, i, loopStart, p));
            p += step;
            --left;
        }
    }
    v.position = static_cast<uint32_t>(p >> 32) << kShift;
    v.positionFraction = static_cast<uint32_t>(p);
}

template <class Out>
void MixVoiceAnyWidth(Voice& v, int32_t* acc, int frame, int count, const Out& out) {
    if (v.sixteenBit)
        MixVoice<true>(v, acc, frame, count, out);
    else
        MixVoice<false>(v, acc, frame, count, out);
}

// 8-bit mixing: a sample byte scaled by volume (65 x 256), then split into the
// two channels of a frame by pan (16 x 256 x 2). Neither depends on the module,
// so every mixer shares one copy, built on first use.
struct EightBitTables {
    std::array<int8_t, 65 * 256> volume{};
    std::array<int8_t, 16 * 256 * 2> pan{};

    EightBitTables() {
        for (int v = 0; v <= 64; ++v) {
            for (int b = 0; b < 256; ++b)
                volume[v * 256 + b] = static_cast<int8_t>((b - 128) * v / 64);
        }
        for (int p = 0; p < 16; ++p) {
            for (int s = -128; s < 128; ++s) {
                int8_t* entry = &pan[(p * 256 + (s + 128)) * 2];
                entry[0] = static_cast<int8_t>((15 - p) * s / 15);
                entry[1] = static_cast<int8_t>(p * s / 15);
            }
        }
    }
};

const EightBitTables& SharedTables() {
    static const EightBitTables tables;
    return tables;
}

int16_t Saturate16(int32_t v) {
    return static_cast<int16_t>(std::clamp<int32_t>(v, std::numeric_limits<int16_t>::min(),
                                                    std::numeric_limits<int16_t>::max()));
}

}  // namespace

ModuleMixer::ModuleMixer() {
    instances_.emplace_back();
    BuildClipTable(48);
}

ModuleMixer::~ModuleMixer() = default;

void ModuleMixer::SetModule(Module* module) {
    module_ = module;
    instances_.assign(1, MixerInstance{});
    selected_ = 0;
    if (module) {
        if (const PlayState* first = module->GetPlayState(0)) instances_[0].stateId = first->Id();
        BuildClipTable(module->MixVolume());
    }
}

void ModuleMixer::BuildClipTable(uint8_t mixVolume) {
    clipVolume_ = mixVolume;
    // A louder mix volume gives a steeper ramp, so fewer voices fill it.
    const int volume = std::clamp<int>(mixVolume, 16, 128);
    const int halfWidth = 128 * 64 / volume;
    for (int i = 0; i < static_cast<int>(clipTable_.size()); ++i) {
        const int value = 128 + (i - kRest8) * 128 / halfWidth;
        clipTable_[i] = static_cast<uint8_t>(std::clamp(value, 0, 255));
    }
}

uint8_t ModuleMixer::Clip8(int32_t accumulator) const {
    const int32_t i =
        std::clamp<int32_t>(accumulator, 0, static_cast<int32_t>(clipTable_.size()) - 1);
    return clipTable_[i];
}

Result ModuleMixer::AddSong(int startOrder, int startRow, uint32_t rate, bool stereo,
                            bool sixteenBit, bool newInstance, bool loop) {
    if (!module_) return ERR_MIXER_NO_MODULE;
    if (instances_.empty()) return ERR_MODULE_NO_PLAY_STATE;
    if (rate < kMinRate || rate > kMaxRate) return ERR_MIXER_START;
    PlayState* state = nullptr;
    if (Failed(module_->StartSong(startOrder, startRow, stereo, loop, newInstance, &state)))
        return ERR_MIXER_START;
    if (newInstance) instances_.emplace_back();
    MixerInstance& instance = newInstance ? instances_.back() : instances_.front();
    instance = MixerInstance{};
    instance.stateId = state->Id();
    instance.rate = rate;
    instance.sixteenBit = sixteenBit;
    instance.stereo = stereo;
    instance.samplesPerTick = state->FramesPerTick(rate);
    instance.playing = true;
    selected_ = newInstance ? instances_.size() - 1 : 0;
    return RESULT_OK;
}

Result ModuleMixer::RemoveSong() {
    if (!module_) return ERR_MIXER_NO_MODULE;
    MixerInstance* instance = Selected();
    if (!instance) return ERR_MODULE_NO_PLAY_STATE;
    // A song whose state is already gone cannot be stopped, but its instance
    // is removed all the same.
    const Result stopped = module_->StopSong(module_->FindPlayState(instance->stateId));
    instance->playing = false;
    if (selected_ != 0) {
        instances_.erase(instances_.begin() + static_cast<std::ptrdiff_t>(selected_));
        selected_ = 0;
    }
    return Failed(stopped) ? ERR_MIXER_STOP : RESULT_OK;
}

Result ModuleMixer::SelectSong(size_t index) {
    if (!module_) return ERR_MIXER_NO_MODULE;
    if (index >= instances_.size()) return ERR_MODULE_NO_PLAY_STATE;
    selected_ = index;
    return RESULT_OK;
}

MixerInstance* ModuleMixer::Selected() {
    return selected_ < instances_.size() ? &instances_[selected_] : nullptr;
}

PlayState* ModuleMixer::SelectedState() const {
    if (!module_ || selected_ >= instances_.size()) return nullptr;
    return module_->FindPlayState(instances_[selected_].stateId);
}

size_t ModuleMixer::BlockBytes() const {
    if (selected_ >= instances_.size()) return kBlockBytes;
    const MixerInstance& i = instances_[selected_];
    return kBlockFrames * (i.sixteenBit ? 2u : 1u) * (i.stereo ? 2u : 1u);
}

Result ModuleMixer::ClearBlock() {
    if (!module_) return ERR_MIXER_NO_MODULE;
    output_.fill(0);
    return RESULT_OK;
}

Result ModuleMixer::MixBlock() {
    if (!module_) return ERR_MIXER_NO_MODULE;
    // A reload may bring another mix volume, and with it another ramp.
    if (module_->MixVolume() != clipVolume_) BuildClipTable(module_->MixVolume());
    Result result = RESULT_OK;
    for (MixerInstance& instance : instances_) {
        if (!instance.playing) continue;
        PlayState* state = module_->FindPlayState(instance.stateId);
        if (!state) result = ERR_MODULE_NO_PLAY_STATE;
        if (!state || !state->playing) {
            instance.playing = false;
            continue;
        }
        MixSong(instance, *state);
    }
    return result;
}

void ModuleMixer::MixSong(MixerInstance& instance, PlayState& state) {
    accumulator_.fill(instance.sixteenBit ? 0 : kRest8);
    instance.samplesMixed = 0;
    while (instance.samplesMixed < kBlockFrames) {
        if (instance.samplesLeft == 0) {
            // The song's end is not a failure of the block: it stops here.
            if (Failed(state.Tick(instance.rate))) {
                instance.playing = false;
                break;
            }
            instance.samplesPerTick = state.FramesPerTick(instance.rate);
            instance.samplesLeft = instance.samplesPerTick;
        }
        const uint32_t n = std::min(instance.samplesLeft, kBlockFrames - instance.samplesMixed);
        MixVoices(instance, state, static_cast<int>(instance.samplesMixed), static_cast<int>(n));
        instance.samplesLeft -= n;
        instance.samplesMixed += n;
        instance.framesPlayed += n;
    }
    Flush(instance);
}

void ModuleMixer::MixVoices(const MixerInstance& instance, PlayState& state, int frame, int count) {
    const int channels = module_->ChannelCount();
    const auto& enabled = module_->ChannelEnabled();
    for (int c = 0; c < channels; ++c) {
        if (enabled[c] && state.voices[c].data)
            MixOne(instance, state, state.voices[c], frame, count);
    }
    for (Voice& v : state.background) {
        if (v.data) MixOne(instance, state, v, frame, count);
    }
}

void ModuleMixer::MixOne(const MixerInstance& instance, const PlayState& state, Voice& v, int frame,
                         int count) {
    int32_t* acc = accumulator_.data();
    const int32_t volume = std::clamp<int32_t>(v.mixVolume, 0, kMixVolumeFull);
    const int32_t pan = std::min<int32_t>(v.mixPan, kPanRight);
    if (instance.sixteenBit) {
        if (state.stereo)
            MixVoiceAnyWidth(v, acc, frame, count, Stereo16{volume, kPanRight - pan, pan});
        else
            MixVoiceAnyWidth(v, acc, frame, count, Mono16{volume});
        return;
    }
    // The byte tables have 65 volumes and 16 pans.
    const EightBitTables& tables = SharedTables();
    const int8_t* volumeRow = &tables.volume[volume / kMixVolumeStep * 256];
    const int32_t pan16 = std::min<int32_t>(pan / 16, 15);
    if (state.stereo)
        MixVoiceAnyWidth(v, acc, frame, count, Stereo8{volumeRow, &tables.pan[pan16 * 256 * 2]});
    else
        MixVoiceAnyWidth(v, acc, frame, count, Mono8{volumeRow});
}

void ModuleMixer::Flush(const MixerInstance& instance) {
    const int samples = kBlockFrames * (instance.stereo ? 2 : 1);
    if (instance.sixteenBit) {
        // Loud passages saturate instead of wrapping around.
        if (instance.stereo) {
            for (int i = 0; i < samples; ++i)
                output_[i] = Saturate16(output_[i] + accumulator_[i] / 4);
        } else {
            for (int i = 0; i < samples; ++i)
                output_[i] = Saturate16(output_[i] + accumulator_[i] / 8);
        }
        return;
    }
    uint8_t* out = reinterpret_cast<uint8_t*>(output_.data());
    for (int i = 0; i < samples; ++i)
        out[i] = static_cast<uint8_t>(std::min(255, out[i] + Clip8(accumulator_[i])));
}

}  // namespace vimsa
