#pragma once

// Builds small MOD, S3M and IT file images in memory, so tests can state
// exactly which samples, rows and effects a module holds. Free of the test
// framework, so the fuzzers' seed generator builds its modules with it too.

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace vimsa::test {

inline void PutU16(std::vector<uint8_t>& f, size_t at, uint32_t v) {
    if (f.size() < at + 2) f.resize(at + 2);
    f[at] = static_cast<uint8_t>(v);
    f[at + 1] = static_cast<uint8_t>(v >> 8);
}

inline void PutU32(std::vector<uint8_t>& f, size_t at, uint32_t v) {
    PutU16(f, at, v & 0xFFFF);
    PutU16(f, at + 2, v >> 16);
}

inline void PutBytes(std::vector<uint8_t>& f, size_t at, const void* data, size_t n) {
    if (f.size() < at + n) f.resize(at + n);
    if (n) std::memcpy(f.data() + at, data, n);
}

inline void PutText(std::vector<uint8_t>& f, size_t at, const std::string& s) {
    PutBytes(f, at, s.data(), s.size());
}

inline void AlignTo16(std::vector<uint8_t>& f) {
    f.resize((f.size() + 15) & ~size_t{15});
}

// ---- ProTracker MOD ----------------------------------------------------

struct ModCell {
    uint16_t period = 0;
    uint8_t instrument = 0;
    uint8_t command = 0;
    uint8_t parameter = 0;
};

struct ModSample {
    std::vector<int8_t> data;  // signed, as stored in the file
    uint8_t finetune = 0;
    uint8_t volume = 64;
    uint16_t loopStartWords = 0;
    uint16_t loopLengthWords = 1;  // below 2: no loop
    int declaredWords = -1;        // length field; -1: data.size() / 2
};

struct ModBuilder {
    std::string title = "test song";
    std::string signature = "M.K.";
    int channels = 4;
    std::vector<uint8_t> orders = {0};
    std::vector<std::vector<ModCell>> patterns;
    std::vector<ModSample> samples;

    ModCell& Cell(int pattern, int row, int channel) {
        while (static_cast<int>(patterns.size()) <= pattern)
            patterns.emplace_back(static_cast<size_t>(channels) * 64);
        return patterns[pattern][static_cast<size_t>(row) * channels + channel];
    }

    std::vector<uint8_t> Build() const {
        std::vector<uint8_t> f(1084, 0);
        PutText(f, 0, title.substr(0, 20));
        for (size_t i = 0; i < samples.size() && i < 31; ++i) {
            const ModSample& s = samples[i];
            const size_t h = 20 + 30 * i;
            const uint32_t words =
                s.declaredWords >= 0 ? s.declaredWords : static_cast<uint32_t>(s.data.size() / 2);
            f[h + 22] = static_cast<uint8_t>(words >> 8);
            f[h + 23] = static_cast<uint8_t>(words);
            f[h + 24] = s.finetune;
            f[h + 25] = s.volume;
            f[h + 26] = static_cast<uint8_t>(s.loopStartWords >> 8);
            f[h + 27] = static_cast<uint8_t>(s.loopStartWords);
            f[h + 28] = static_cast<uint8_t>(s.loopLengthWords >> 8);
            f[h + 29] = static_cast<uint8_t>(s.loopLengthWords);
        }
        f[950] = static_cast<uint8_t>(orders.size());
        f[951] = 127;
        int highest = 0;
        for (size_t i = 0; i < orders.size() && i < 128; ++i) {
            f[952 + i] = orders[i];
            highest = std::max<int>(highest, orders[i]);
        }
        PutText(f, 1080, signature);
        for (int p = 0; p <= highest; ++p) {
            for (int cell = 0; cell < channels * 64; ++cell) {
                ModCell c;
                if (p < static_cast<int>(patterns.size())) c = patterns[p][cell];
                f.push_back(static_cast<uint8_t>((c.instrument & 0xF0) | ((c.period >> 8) & 0x0F)));
                f.push_back(static_cast<uint8_t>(c.period));
                f.push_back(
                    static_cast<uint8_t>(((c.instrument & 0x0F) << 4) | (c.command & 0x0F)));
                f.push_back(c.parameter);
            }
        }
        for (const ModSample& s : samples)
            f.insert(f.end(), reinterpret_cast<const uint8_t*>(s.data.data()),
                     reinterpret_cast<const uint8_t*>(s.data.data()) + s.data.size());
        return f;
    }
};

// ---- Scream Tracker 3 S3M ---------------------------------------------

struct TrackerEvent {
    int row = 0;
    int channel = 0;
    int note = -1;       // -1: none
    int instrument = 0;  // with the note
    int volume = -1;     // -1: none
    int effect = -1;     // -1: none
    int parameter = 0;
};

struct S3mInstrument {
    std::vector<uint8_t> data;  // as stored (unsigned unless the file says signed)
    uint8_t type = 1;
    uint32_t c2Speed = 8363;
    uint8_t volume = 64;
    bool loop = false;
    uint32_t loopBegin = 0, loopEnd = 0;  // in samples
    bool sixteenBit = false;              // data then holds 2 bytes per sample
    bool stereo = false;                  // data then holds the left channel, then the right
    bool noData = false;
    uint8_t packing = 0;  // 4: ADPCM (data holds the table and nibbles)
    uint32_t length = 0;  // in samples; 0: from the data
};

struct S3mBuilder {
    std::string title = "s3m test";
    uint8_t speed = 6, tempo = 125, globalVolume = 64, masterVolume = 0x80 | 48;
    uint16_t fileFormat = 2;
    std::array<uint8_t, 32> channels{};
    bool panTable = false;
    std::array<uint8_t, 32> pans{};
    std::vector<uint8_t> orders = {0, 255};
    std::vector<S3mInstrument> instruments;
    std::vector<std::vector<TrackerEvent>> patterns = {{}};

    S3mBuilder() {
        channels.fill(255);
        for (int c = 0; c < 4; ++c)
            channels[c] = static_cast<uint8_t>(c % 2 ? 8 + c : c);
    }

    static std::vector<uint8_t> PackPattern(const std::vector<TrackerEvent>& events) {
        std::vector<uint8_t> d;
        for (int row = 0; row < 64; ++row) {
            for (const TrackerEvent& e : events) {
                if (e.row != row) continue;
                uint8_t what = static_cast<uint8_t>(e.channel & 31);
                if (e.note >= 0) what |= 32;
                if (e.volume >= 0) what |= 64;
                if (e.effect >= 0) what |= 128;
                d.push_back(what);
                if (e.note >= 0) {
                    d.push_back(static_cast<uint8_t>(e.note));
                    d.push_back(static_cast<uint8_t>(e.instrument));
                }
                if (e.volume >= 0) d.push_back(static_cast<uint8_t>(e.volume));
                if (e.effect >= 0) {
                    d.push_back(static_cast<uint8_t>(e.effect));
                    d.push_back(static_cast<uint8_t>(e.parameter));
                }
            }
            d.push_back(0);
        }
        return d;
    }

    std::vector<uint8_t> Build() const {
        std::vector<uint8_t> f(0x60, 0);
        PutText(f, 0, title.substr(0, 27));
        f[0x1C] = 0x1A;
        f[0x1D] = 16;
        PutU16(f, 0x20, static_cast<uint32_t>(orders.size()));
        PutU16(f, 0x22, static_cast<uint32_t>(instruments.size()));
        PutU16(f, 0x24, static_cast<uint32_t>(patterns.size()));
        PutU16(f, 0x28, 0x1320);
        PutU16(f, 0x2A, fileFormat);
        PutText(f, 0x2C, "SCRM");
        f[0x30] = globalVolume;
        f[0x31] = speed;
        f[0x32] = tempo;
        f[0x33] = masterVolume;
        f[0x35] = panTable ? 252 : 0;
        for (int c = 0; c < 32; ++c)
            f[0x40 + c] = channels[c];
        PutBytes(f, 0x60, orders.data(), orders.size());
        const size_t instrumentPointers = 0x60 + orders.size();
        const size_t patternPointers = instrumentPointers + 2 * instruments.size();
        const size_t panAt = patternPointers + 2 * patterns.size();
        f.resize(panAt);
        if (panTable) PutBytes(f, panAt, pans.data(), pans.size());
        AlignTo16(f);
        std::vector<size_t> headers;
        for (size_t i = 0; i < instruments.size(); ++i) {
            headers.push_back(f.size());
            PutU16(f, instrumentPointers + 2 * i, static_cast<uint32_t>(f.size() / 16));
            f.resize(f.size() + 0x50);
        }
        for (size_t p = 0; p < patterns.size(); ++p) {
            AlignTo16(f);
            PutU16(f, patternPointers + 2 * p, static_cast<uint32_t>(f.size() / 16));
            const std::vector<uint8_t> packed = PackPattern(patterns[p]);
            const size_t at = f.size();
            PutU16(f, at, static_cast<uint32_t>(packed.size() + 2));
            PutBytes(f, at + 2, packed.data(), packed.size());
        }
        for (size_t i = 0; i < instruments.size(); ++i) {
            const S3mInstrument& s = instruments[i];
            AlignTo16(f);
            const size_t h = headers[i];
            const uint32_t bytes = s.sixteenBit ? 2 : 1;
            f[h] = s.type;
            if (!s.noData) {
                const size_t paragraph = f.size() / 16;
                f[h + 0x0D] = static_cast<uint8_t>(paragraph >> 16);
                PutU16(f, h + 0x0E, static_cast<uint32_t>(paragraph & 0xFFFF));
                PutBytes(f, f.size(), s.data.data(), s.data.size());
            }
            PutU32(f, h + 0x10, s.length ? s.length : static_cast<uint32_t>(s.data.size() / bytes));
            PutU32(f, h + 0x14, s.loopBegin);
            PutU32(f, h + 0x18, s.loopEnd);
            f[h + 0x1C] = s.volume;
            f[h + 0x1E] = s.packing;
            f[h + 0x1F] = static_cast<uint8_t>((s.loop ? 1 : 0) | (s.stereo ? 2 : 0) |
                                               (s.sixteenBit ? 4 : 0));
            PutU32(f, h + 0x20, s.c2Speed);
            PutText(f, h + 0x4C, "SCRS");
        }
        return f;
    }
};

// ---- Impulse Tracker IT -------------------------------------------------

struct ItSample {
    std::vector<uint8_t> data;  // as stored
    // bit 0 data, 1 16-bit, 3 compressed, 4 loop, 5 sustain loop, 6 ping-pong,
    // 7 ping-pong sustain loop
    uint8_t flags = 0x01;
    uint8_t convert = 0x01;  // bit 0 signed
    uint8_t volume = 64;
    uint8_t globalVolume = 64;
    uint8_t pan = 32;  // bit 7: use it
    uint32_t c5Speed = 2 * 8363;
    uint32_t length = 0;  // in samples; 0: from the data
    uint32_t loopBegin = 0, loopEnd = 0;
    uint32_t sustainBegin = 0, sustainEnd = 0;
    uint8_t vibratoSpeed = 0, vibratoDepth = 0, vibratoRate = 0, vibratoWave = 0;
};

struct ItEnvelope {
    uint8_t flags = 0;  // bit 0 on, 1 loop, 2 sustain loop; bit 7 of the pitch one: filter
    std::vector<std::pair<int, int>> nodes;  // value, tick
    uint8_t loopStart = 0, loopEnd = 0, sustainStart = 0, sustainEnd = 0;
    int count = -1;  // the node count written; -1: nodes.size()
};

struct ItInstrument {
    uint8_t newNoteAction = 0, duplicateCheck = 0, duplicateAction = 0;
    uint16_t fadeOut = 0;
    uint8_t globalVolume = 128;
    uint8_t defaultPan = 0x80 | 32;  // bit 7: do not use it
    int8_t pitchPanSeparation = 0;
    uint8_t pitchPanCentre = 60;
    uint8_t filterCutoff = 0;  // bit 7: on
    // Note n plays note keyboard[n].first of sample keyboard[n].second.
    std::array<std::pair<uint8_t, uint8_t>, 120> keyboard{};
    ItEnvelope volumeEnvelope, panEnvelope, pitchEnvelope;

    // Every note plays itself on one sample.
    explicit ItInstrument(uint8_t sample = 1) {
        for (int n = 0; n < 120; ++n)
            keyboard[n] = {static_cast<uint8_t>(n), sample};
    }
};

struct ItBuilder {
    std::string title = "it test";
    uint16_t flags = 1;  // bit 0 stereo, 2 instruments, 3 linear slides, 4 old effects
    uint16_t compatible = 0x0214;
    uint8_t globalVolume = 128, mixVolume = 48, speed = 6, tempo = 125, separation = 128;
    std::array<uint8_t, 64> pans{};
    std::array<uint8_t, 64> volumes{};
    std::vector<uint8_t> orders = {0, 255};
    std::vector<ItInstrument> instruments;
    std::vector<ItSample> samples;
    std::vector<std::vector<uint8_t>> patterns;  // packed data; empty: offset 0
    std::vector<int> rows;                       // rows of each pattern; 64 when not given

    ItBuilder() {
        pans.fill(128 + 32);
        volumes.fill(64);
        for (int c = 0; c < 4; ++c)
            pans[c] = 32;
    }

    static void PutEnvelope(std::vector<uint8_t>& f, size_t at, const ItEnvelope& e) {
        f[at] = e.flags;
        f[at + 1] = static_cast<uint8_t>(e.count >= 0 ? e.count : static_cast<int>(e.nodes.size()));
        f[at + 2] = e.loopStart;
        f[at + 3] = e.loopEnd;
        f[at + 4] = e.sustainStart;
        f[at + 5] = e.sustainEnd;
        for (size_t n = 0; n < e.nodes.size() && n < 25; ++n) {
            f[at + 6 + 3 * n] = static_cast<uint8_t>(e.nodes[n].first);
            PutU16(f, at + 7 + 3 * n, static_cast<uint32_t>(e.nodes[n].second));
        }
    }

    static void PutInstrument(std::vector<uint8_t>& f, size_t h, const ItInstrument& i) {
        PutText(f, h, "IMPI");
        f[h + 0x11] = i.newNoteAction;
        f[h + 0x12] = i.duplicateCheck;
        f[h + 0x13] = i.duplicateAction;
        PutU16(f, h + 0x14, i.fadeOut);
        f[h + 0x16] = static_cast<uint8_t>(i.pitchPanSeparation);
        f[h + 0x17] = i.pitchPanCentre;
        f[h + 0x18] = i.globalVolume;
        f[h + 0x19] = i.defaultPan;
        f[h + 0x3A] = i.filterCutoff;
        for (int n = 0; n < 120; ++n) {
            f[h + 0x40 + 2 * n] = i.keyboard[n].first;
            f[h + 0x41 + 2 * n] = i.keyboard[n].second;
        }
        PutEnvelope(f, h + 0x130, i.volumeEnvelope);
        PutEnvelope(f, h + 0x182, i.panEnvelope);
        PutEnvelope(f, h + 0x1D4, i.pitchEnvelope);
    }

    // Packs events with a fresh mask byte for every entry.
    static std::vector<uint8_t> PackPattern(const std::vector<TrackerEvent>& events,
                                            int rowCount = 64) {
        std::vector<uint8_t> d;
        for (int row = 0; row < rowCount; ++row) {
            for (const TrackerEvent& e : events) {
                if (e.row != row) continue;
                uint8_t mask = 0;
                if (e.note >= 0) mask |= 1;
                if (e.instrument > 0) mask |= 2;
                if (e.volume >= 0) mask |= 4;
                if (e.effect >= 0) mask |= 8;
                d.push_back(static_cast<uint8_t>(((e.channel & 63) + 1) | 0x80));
                d.push_back(mask);
                if (mask & 1) d.push_back(static_cast<uint8_t>(e.note));
                if (mask & 2) d.push_back(static_cast<uint8_t>(e.instrument));
                if (mask & 4) d.push_back(static_cast<uint8_t>(e.volume));
                if (mask & 8) {
                    d.push_back(static_cast<uint8_t>(e.effect));
                    d.push_back(static_cast<uint8_t>(e.parameter));
                }
            }
            d.push_back(0);
        }
        return d;
    }

    std::vector<uint8_t> Build() const {
        std::vector<uint8_t> f(0xC0, 0);
        PutText(f, 0, "IMPM");
        PutText(f, 4, title.substr(0, 25));
        PutU16(f, 0x20, static_cast<uint32_t>(orders.size()));
        PutU16(f, 0x22, static_cast<uint32_t>(instruments.size()));
        PutU16(f, 0x24, static_cast<uint32_t>(samples.size()));
        PutU16(f, 0x26, static_cast<uint32_t>(patterns.size()));
        PutU16(f, 0x28, 0x0214);
        PutU16(f, 0x2A, compatible);
        PutU16(f, 0x2C, flags);
        f[0x30] = globalVolume;
        f[0x31] = mixVolume;
        f[0x32] = speed;
        f[0x33] = tempo;
        f[0x34] = separation;
        for (int c = 0; c < 64; ++c)
            f[0x40 + c] = pans[c];
        for (int c = 0; c < 64; ++c)
            f[0x80 + c] = volumes[c];
        PutBytes(f, 0xC0, orders.data(), orders.size());
        const size_t instrumentOffsets = 0xC0 + orders.size();
        const size_t sampleOffsets = instrumentOffsets + 4 * instruments.size();
        const size_t patternOffsets = sampleOffsets + 4 * samples.size();
        f.resize(patternOffsets + 4 * patterns.size());
        for (size_t i = 0; i < instruments.size(); ++i) {
            const size_t h = f.size();
            PutU32(f, instrumentOffsets + 4 * i, static_cast<uint32_t>(h));
            f.resize(h + 554);
            PutInstrument(f, h, instruments[i]);
        }
        std::vector<size_t> headers;
        for (size_t i = 0; i < samples.size(); ++i) {
            headers.push_back(f.size());
            PutU32(f, sampleOffsets + 4 * i, static_cast<uint32_t>(f.size()));
            f.resize(f.size() + 0x50);
        }
        for (size_t p = 0; p < patterns.size(); ++p) {
            if (patterns[p].empty()) continue;
            const size_t at = f.size();
            PutU32(f, patternOffsets + 4 * p, static_cast<uint32_t>(at));
            PutU16(f, at, static_cast<uint32_t>(patterns[p].size()));
            PutU16(f, at + 2, p < rows.size() ? static_cast<uint32_t>(rows[p]) : 64u);
            f.resize(at + 8);
            PutBytes(f, at + 8, patterns[p].data(), patterns[p].size());
        }
        for (size_t i = 0; i < samples.size(); ++i) {
            const ItSample& s = samples[i];
            const size_t h = headers[i];
            const uint32_t bytes = (s.flags & 2) ? 2 : 1;
            PutText(f, h, "IMPS");
            f[h + 0x11] = s.globalVolume;
            f[h + 0x12] = s.flags;
            f[h + 0x13] = s.volume;
            f[h + 0x2E] = s.convert;
            f[h + 0x2F] = s.pan;
            PutU32(f, h + 0x40, s.sustainBegin);
            PutU32(f, h + 0x44, s.sustainEnd);
            f[h + 0x4C] = s.vibratoSpeed;
            f[h + 0x4D] = s.vibratoDepth;
            f[h + 0x4E] = s.vibratoRate;
            f[h + 0x4F] = s.vibratoWave;
            PutU32(f, h + 0x30, s.length ? s.length : static_cast<uint32_t>(s.data.size() / bytes));
            PutU32(f, h + 0x34, s.loopBegin);
            PutU32(f, h + 0x38, s.loopEnd);
            PutU32(f, h + 0x3C, s.c5Speed);
            PutU32(f, h + 0x48, static_cast<uint32_t>(f.size()));
            PutBytes(f, f.size(), s.data.data(), s.data.size());
        }
        return f;
    }
};

// Writes values least significant bit first, as an IT compressed sample
// stream holds them.
struct BitWriter {
    std::vector<uint8_t> bytes;
    int bit = 0;
    void Put(uint32_t value, int bits) {
        for (int i = 0; i < bits; ++i, ++bit) {
            if (bit % 8 == 0) bytes.push_back(0);
            bytes.back() |= static_cast<uint8_t>(((value >> i) & 1) << (bit % 8));
        }
    }
    // The block: 16-bit length, then the stream.
    std::vector<uint8_t> Block() const {
        std::vector<uint8_t> b = {static_cast<uint8_t>(bytes.size()),
                                  static_cast<uint8_t>(bytes.size() >> 8)};
        b.insert(b.end(), bytes.begin(), bytes.end());
        return b;
    }
};

}  // namespace vimsa::test
