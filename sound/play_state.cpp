#include "sound/play_state.h"

#include <algorithm>
#include <atomic>

namespace vimsa {
namespace {

std::atomic<uint32_t> gNextInstance{0};
std::atomic<uint64_t> gNextId{1};

bool IsVibratoEffect(uint8_t e) {
    return e == effect::kVibrato || e == effect::kVibratoVolumeSlide || e == effect::kFineVibrato;
}

bool IsPortamento(uint8_t e) {
    return e == effect::kTonePortamento || e == effect::kPortamentoVolumeSlide;
}

// The IT volume column's tone portamento (193..202) slides to a note like Gxx.
bool IsColumnPortamento(uint8_t command) {
    return command >= 193 && command <= 202;
}

bool IsColumnVibrato(uint8_t command) {
    return command >= 203 && command <= 212;
}

}  // namespace

PlayState::PlayState(const Module& module) : module_(&module), id_(gNextId.fetch_add(1)) {}

void PlayState::Start(int startOrder, int startRow, bool stereoOut, bool loopSong) {
    stereo = stereoOut;
    globalVolume = module_->GlobalVolume();
    speed = module_->InitialSpeed();
    tempo = module_->InitialTempo();
    row = 0;
    pattern = -1;
    patternRows = Module::kRowsPerPattern;
    nextPattern_ = true;
    orderPosition = std::clamp(startOrder, 0, Module::kOrderCount);
    tickCountdown = 1;
    breakRow = std::clamp(startRow, 0, Module::kMaxRows - 1);
    syncValue = 0;
    loop = loopSong;
    voices.fill(Voice{});
    background.fill(Voice{});
    for (int c = 0; c < Module::kMaxChannels; ++c)
        voices[c].channelVolume = module_->ChannelVolume()[c];
    channelPan = module_->ChannelPan();
    cursor = PatternCursor{};
    rowBuffer.fill(RowCell{});
    tickCount = 0;
    playTime = 0.0;
    stopAfterRow_ = false;
    loopTarget_ = -1;
    rowRepeats_ = 0;
    extraTicks_ = 0;
    active = true;
    playing = true;
    instanceNumber = gNextInstance.fetch_add(1);
}

uint32_t PlayState::FramesPerTick(uint32_t rate) const {
    const uint32_t t = std::max<uint32_t>(tempo, 1);
    const uint64_t frames = static_cast<uint64_t>(rate) * 640u / (t * 256u);
    return static_cast<uint32_t>(std::max<uint64_t>(frames, 1));
}

Result PlayState::Tick(uint32_t rate) {
    if (!playing) return ERR_MODULE_SONG_END;
    rate_ = rate;
    ++tickCount;
    playTime += 2.5 / std::max<uint8_t>(tempo, 1);
    --tickCountdown;
    const int channels = module_->ChannelCount();
    const auto& enabled = module_->ChannelEnabled();
    if (tickCountdown != 0) {
        for (int c = 0; c < channels; ++c) {
            if (!enabled[c]) continue;
            Voice& v = voices[c];
            --v.tickCounter;
            v.arpeggioPhase = static_cast<uint8_t>((v.arpeggioPhase + 1) % 3);
            TickEffect(c, v);
        }
    } else {
        tickCountdown = std::max<uint8_t>(speed, 1);
        LoopBack();
        if ((nextPattern_ || row >= patternRows) && !AdvanceOrder()) {
            playing = false;
            return ERR_MODULE_SONG_END;
        }
        PlayRow();
        // A pattern delay holds the row for more rows (SEx) or ticks (S6x);
        // the effects go on ticking through it, the notes are not played again.
        tickCountdown += rowRepeats_ * std::max<uint8_t>(speed, 1) + extraTicks_;
        rowRepeats_ = 0;
        extraTicks_ = 0;
    }
    UpdateMix();
    return RESULT_OK;
}

// A pattern loop of the row just played returns to its start row.
void PlayState::LoopBack() {
    if (loopTarget_ < 0) return;
    row = std::min(loopTarget_, patternRows - 1);
    loopTarget_ = -1;
    nextPattern_ = false;
    cursor = module_->PatternStart(pattern);
    module_->SkipRows(cursor, row);
}

bool PlayState::AdvanceOrder() {
    if (stopAfterRow_) return false;
    const auto& orders = module_->Orders();
    // Each entry is visited at most twice (once before and once after a wrap
    // to the start), so an order list of nothing but skip entries ends too.
    for (int visited = 0; visited <= 2 * Module::kOrderCount; ++visited) {
        const uint8_t value =
            orderPosition < Module::kOrderCount ? orders[orderPosition] : Module::kOrderEnd;
        if (value < Module::kOrderSkip) {
            pattern = value;
            patternRows = module_->PatternRows(value);
            // A break or start row past the end of a shorter pattern plays
            // its last row.
            row = std::min(breakRow, patternRows - 1);
            breakRow = 0;
            cursor = module_->PatternStart(value);
            module_->SkipRows(cursor, row);
            ++orderPosition;
            nextPattern_ = false;
            // Pattern loops start afresh in each pattern.
            for (Voice& v : voices) {
                v.loopRow = 0;
                v.loopCount = 0;
            }
            return true;
        }
        if (value == Module::kOrderSkip) {
            ++orderPosition;
            continue;
        }
        if (orderPosition == 0 || !loop) return false;
        orderPosition = 0;
    }
    return false;
}

void PlayState::PlayRow() {
    ++row;
    rowBuffer.fill(RowCell{});
    if (cursor.HasData()) module_->UnpackRow(rowBuffer, cursor);
    const int channels = module_->ChannelCount();
    const auto& enabled = module_->ChannelEnabled();
    for (int c = 0; c < channels; ++c) {
        if (enabled[c]) ChannelRow(c);
    }
}

void PlayState::ChannelRow(int channel) {
    Voice& v = voices[channel];
    const RowCell& cell = rowBuffer[channel];
    const uint8_t newEffect =
        (cell.effect >= 1 && cell.effect <= effect::kLast) ? cell.effect : effect::kNone;
    v.previousEffect = v.effect;
    v.flags = 0;
    const bool vibrated = IsVibratoEffect(v.previousEffect) || IsColumnVibrato(v.volumeColumn);
    v.volumeColumn = effect::kNone;
    // A note delay (SDx) holds the note, instrument and volume back until
    // its tick; without it they take effect now.
    const bool delayed = newEffect == effect::kSpecial && (cell.parameter >> 4) == 0xD &&
                         (cell.parameter & 0x0F) != 0;
    if (delayed)
        v.delayedCell = cell;
    else
        TriggerCell(channel, v, cell, newEffect);

    const bool wasArpeggio = v.previousEffect == effect::kArpeggio;
    if (wasArpeggio && newEffect != effect::kArpeggio && !(v.flags & kVoiceNewSample)) {
        if (module_->Rules().pitch == PitchModel::PeriodTable)
            SetPeriod(v, PeriodTable::Scale(v.arpeggioPeriods[0], v.c2Speed));
        else
            UpdateStep(v, v.period);
    }
    // A vibrato that stops leaves the note at its own pitch.
    if (vibrated && !IsVibratoEffect(newEffect) && !IsColumnVibrato(v.volumeColumn) &&
        !(v.flags & kVoiceNewFrequency))
        UpdateStep(v, v.period);
    // Tremolo and tremor change the volume only while they run.
    if (v.previousEffect == effect::kTremolo && newEffect != effect::kTremolo) v.tremoloOffset = 0;
    if (newEffect != effect::kTremor) v.tremorMuted = false;

    v.effect = newEffect;
    v.parameter = cell.parameter;
    if (newEffect != effect::kNone) RowEffect(channel, v);
}

// The note, instrument and volume of a cell, and IT's volume column.
void PlayState::TriggerCell(int channel, Voice& v, const RowCell& cell, uint8_t newEffect) {
    const bool portamento = IsPortamento(newEffect) || IsColumnPortamento(cell.volumeCommand);
    const bool instrument = cell.instrument >= 1 && cell.instrument <= 254;
    if (instrument) v.instrument = cell.instrument;
    if (cell.note == kNoteCut) {
        v.step = Step{};
        v.stepPeriod = 0;
        v.flags = kVoiceNewFrequency;
    } else if (cell.note == kNoteOff && module_->Rules().impulse) {
        KeyOff(v);
    } else if (cell.note == kNoteFade && module_->Rules().impulse) {
        v.fading = true;
    } else if (PeriodTable::NoteIndex(cell.note) >= 0) {
        TriggerNote(channel, v, cell.note, portamento ? effect::kTonePortamento : newEffect);
    }
    if (instrument) {
        if (const SampleSlot* s = module_->SampleFor(v.instrument, v.note)) v.volume = s->volume;
        v.flags |= kVoiceNewVolume;
    }
    if (v.flags & kVoiceNewSample) {
        TakeSample(v);
        if (module_->Rules().impulse) StartImpulseNote(channel, v);
    }
    if (v.flags & kVoiceRestart) {
        v.position = 0;
        v.positionFraction = 0;
        v.backwards = false;
    }
    if (v.flags & kVoiceNewFrequency) {
        v.notePeriod = NotePeriod(v);
        if (v.flags & kVoiceNewSample) SetPeriod(v, v.notePeriod);
    }
    if (cell.volume != 255) v.volume = std::min(cell.volume, MaxVolume());
    if (cell.volumeCommand != 255) VolumeColumnRow(channel, v, cell.volumeCommand);
}

// A note: a new one unless a tone portamento slides the playing one to it.
void PlayState::TriggerNote(int channel, Voice& v, uint8_t note, uint8_t newEffect) {
    v.flags = kVoiceNewFrequency;
    if (newEffect == effect::kTonePortamento) {
        v.note = note;
        v.playedNote = module_->PlayedNote(v.instrument, note);
        return;
    }
    if (module_->Rules().instruments) NewNoteActions(channel, v, note);
    v.keyOff = false;
    v.note = note;
    v.playedNote = module_->PlayedNote(v.instrument, note);
    v.flags |= kVoiceNewSample | kVoiceNewVolume | kVoiceRestart;
    // Waveforms with bit 2 set keep their place across notes.
    if (!(v.vibratoWave & 4)) v.vibratoPosition = 0;
    if (!(v.tremoloWave & 4)) v.tremoloPosition = 0;
    v.tremoloOffset = 0;
}

}  // namespace vimsa
