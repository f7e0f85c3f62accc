#include "sound/module.h"

#include <algorithm>
#include <new>

#include "platform/files/file_system.h"
#include "sound/period_table.h"
#include "sound/play_state.h"

namespace vimsa {

Module::Module() {
    // Without memory for the first play state StartSong reports
    // ERR_MODULE_NO_PLAY_STATE; nothing else needs it.
    (void)Clear();
}

Module::~Module() = default;

Result Module::Clear() {
    data_.clear();
    data_.shrink_to_fit();
    loaded_ = false;
    parsed_ = false;
    rules_ = PlayRules{};
    stereo_ = true;
    globalVolume_ = 64;
    initialSpeed_ = 6;
    initialTempo_ = 125;
    mixVolume_ = 48;
    songLength_ = 0;
    orders_.fill(kOrderEnd);
    samples_.fill(SampleSlot{});
    patterns_.clear();
    channelPan_.fill(kPanCentre);
    channelEnabled_.fill(false);
    channelVolume_.fill(64);
    instruments_.clear();
    decoded_.clear();
    decodedBytes_ = 0;
    channelCount_ = 0;
    // The old states' voices point into the old file data, so none survives;
    // a mixer finds its song gone by the state's id.
    playStates_.clear();
    try {
        playStates_.push_back(std::make_unique<PlayState>(*this));
    } catch (const std::bad_alloc&) {
        return ERR_FAIL;
    }
    return RESULT_OK;
}

Result Module::ReadFile(const std::string& path) {
    const Result cleared = Clear();
    if (Failed(cleared)) return Store(cleared);
    const char* extension = DefaultExtension();
    const std::string actual = extension ? ReplaceExtension(path, extension) : path;
    return Store(files::ReadWholeFile(actual, data_));
}

Result Module::SetData(std::vector<uint8_t> data) {
    const Result cleared = Clear();
    if (Failed(cleared)) return Store(cleared);
    data_ = std::move(data);
    return Store(RESULT_OK);
}

Result Module::Validate() {
    if (data_.empty()) return Store(ERR_MODULE_NO_DATA);
    if (!CheckSignature()) return Store(ERR_MODULE_SIGNATURE);
    loaded_ = true;
    return Store(RESULT_OK);
}

Result Module::Parse() {
    if (data_.empty()) return Store(ERR_MODULE_NO_DATA);
    if (parsed_) return Store(ERR_MODULE_ALREADY_PARSED);
    if (!loaded_) return Store(ERR_MODULE_NOT_VALIDATED);
    Result r;
    try {
        r = Load();
    } catch (const std::bad_alloc&) {
        r = ERR_FAIL;
    }
    if (Failed(r)) {
        loaded_ = false;
        return Store(r);
    }
    parsed_ = true;
    return Store(RESULT_OK);
}

Result Module::StartSong(int startOrder, int startRow, bool stereo, bool loop, bool newInstance,
                         PlayState** started) {
    if (!parsed_) return Store(ERR_MODULE_NOT_PARSED);
    if (playStates_.empty()) return Store(ERR_MODULE_NO_PLAY_STATE);
    PlayState* state = playStates_.front().get();
    if (newInstance) {
        try {
            playStates_.push_back(std::make_unique<PlayState>(*this));
        } catch (const std::bad_alloc&) {
            return Store(ERR_FAIL);
        }
        state = playStates_.back().get();
    }
    state->Start(startOrder, startRow, stereo, loop);
    if (started) *started = state;
    return Store(RESULT_OK);
}

Result Module::StopSong(PlayState* state) {
    auto it = std::find_if(playStates_.begin(), playStates_.end(),
                           [state](const auto& p) { return p.get() == state; });
    if (state == nullptr || it == playStates_.end()) return Store(ERR_MODULE_NO_PLAY_STATE);
    state->playing = false;
    if (it != playStates_.begin()) playStates_.erase(it);
    return Store(RESULT_OK);
}

PlayState* Module::GetPlayState(size_t index) const {
    return index < playStates_.size() ? playStates_[index].get() : nullptr;
}

PlayState* Module::FindPlayState(uint64_t id) const {
    for (const auto& state : playStates_) {
        if (state->Id() == id) return state.get();
    }
    return nullptr;
}

PatternCursor Module::PatternStart(int pattern) const {
    PatternCursor cursor;
    if (pattern < 0 || pattern >= PatternCount()) return cursor;
    const PatternSpan& span = patterns_[pattern];
    if (span.begin >= span.end) return cursor;
    cursor.pos = data_.data() + span.begin;
    cursor.end = data_.data() + span.end;
    return cursor;
}

int Module::PatternRows(int pattern) const {
    if (pattern < 0 || pattern >= PatternCount()) return kRowsPerPattern;
    return patterns_[pattern].rows;
}

const SampleSlot* Module::SampleFor(int instrument, uint8_t note) const {
    int sample = instrument;
    if (rules_.instruments) {
        const Instrument* i = InstrumentAt(instrument);
        const int index = PeriodTable::NoteIndex(note);
        if (!i || index < 0) return nullptr;
        sample = i->sample[index];
    }
    if (sample < 1 || sample > kMaxSamples) return nullptr;
    const SampleSlot& slot = samples_[sample - 1];
    return slot.present ? &slot : nullptr;
}

uint8_t Module::PlayedNote(int instrument, uint8_t note) const {
    const Instrument* i = rules_.instruments ? InstrumentAt(instrument) : nullptr;
    const int index = PeriodTable::NoteIndex(note);
    if (!i || index < 0) return note;
    const uint8_t played = i->note[index];
    return static_cast<uint8_t>(((played / 12) << 4) | (played % 12));
}

const Instrument* Module::InstrumentAt(int instrument) const {
    if (!rules_.instruments || instrument < 1 || instrument > InstrumentCount()) return nullptr;
    const Instrument& i = instruments_[instrument - 1];
    return i.present ? &i : nullptr;
}

uint8_t Module::U8(uint64_t offset) const {
    return offset < data_.size() ? data_[offset] : 0;
}

uint16_t Module::U16(uint64_t offset) const {
    return static_cast<uint16_t>(U8(offset) | (U8(offset + 1) << 8));
}

uint16_t Module::U16BigEndian(uint64_t offset) const {
    return static_cast<uint16_t>((U8(offset) << 8) | U8(offset + 1));
}

uint32_t Module::U32(uint64_t offset) const {
    return static_cast<uint32_t>(U16(offset)) | (static_cast<uint32_t>(U16(offset + 2)) << 16);
}

uint32_t Module::Available(uint64_t offset, uint64_t wanted) const {
    if (offset >= data_.size()) return 0;
    return static_cast<uint32_t>(std::min<uint64_t>(wanted, data_.size() - offset));
}

void Module::PlaceSampleData(SampleSlot& slot, uint64_t offset, uint64_t length) {
    slot.length = Available(offset, length);
    if (slot.sixteenBit) slot.length &= ~1u;
    slot.data = slot.length > 0 ? data_.data() + offset : nullptr;
    if (!slot.data) slot.length = 0;
    FitLoop(slot);
}

namespace {

void FitOneLoop(uint32_t length, uint32_t align, uint32_t& start, uint32_t& loopLength,
                bool& pingPong) {
    start &= ~(align - 1);
    loopLength &= ~(align - 1);
    if (loopLength == 0 || start >= length) {
        start = 0;
        loopLength = 0;
        pingPong = false;
        return;
    }
    loopLength = std::min(loopLength, length - start);
}

}  // namespace

void Module::FitLoop(SampleSlot& slot) {
    const uint32_t align = slot.sixteenBit ? 2u : 1u;
    FitOneLoop(slot.length, align, slot.loopStart, slot.loopLength, slot.pingPong);
    FitOneLoop(slot.length, align, slot.sustainStart, slot.sustainLength, slot.sustainPingPong);
}

void Module::ConvertSigned(SampleSlot& slot) {
    if (!slot.data) return;
    uint8_t* p = data_.data() + (slot.data - data_.data());
    if (slot.sixteenBit) {
        for (uint32_t i = 1; i < slot.length; i += 2)
            p[i] ^= 0x80;
    } else {
        for (uint32_t i = 0; i < slot.length; ++i)
            p[i] ^= 0x80;
    }
}

void Module::PlaceDecoded(SampleSlot& slot, std::vector<uint8_t> decoded) {
    decodedBytes_ += decoded.size();
    decoded_.push_back(std::move(decoded));
    const std::vector<uint8_t>& kept = decoded_.back();
    slot.length = static_cast<uint32_t>(kept.size());
    if (slot.sixteenBit) slot.length &= ~1u;
    slot.data = slot.length > 0 ? kept.data() : nullptr;
    FitLoop(slot);
}

Module::PatternSpan Module::Span(uint64_t begin, uint64_t length) const {
    PatternSpan span;
    const uint32_t n = Available(begin, length);
    if (n == 0) return span;
    span.begin = static_cast<uint32_t>(begin);
    span.end = span.begin + n;
    return span;
}

std::string ReplaceExtension(const std::string& path, const char* extension) {
    const size_t slash = path.find_last_of("/\\");
    const size_t dot = path.find_last_of('.');
    const bool hasExtension =
        dot != std::string::npos && (slash == std::string::npos || dot > slash);
    return (hasExtension ? path.substr(0, dot) : path) + extension;
}

}  // namespace vimsa
