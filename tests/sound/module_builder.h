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
    bool noData = false;
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
            PutU32(f, h + 0x10, static_cast<uint32_t>(s.data.size() / bytes));
            PutU32(f, h + 0x14, s.loopBegin);
            PutU32(f, h + 0x18, s.loopEnd);
            f[h + 0x1C] = s.volume;
            f[h + 0x1F] = static_cast<uint8_t>((s.loop ? 1 : 0) | (s.sixteenBit ? 4 : 0));
            PutU32(f, h + 0x20, s.c2Speed);
            PutText(f, h + 0x4C, "SCRS");
        }
        return f;
    }
};

// ---- Impulse Tracker IT -------------------------------------------------

struct ItSample {
    std::vector<uint8_t> data;  // as stored
    uint8_t flags = 0x01;       // bit 0 data, 1 16-bit, 3 compressed, 4 loop, 6 ping-pong
    uint8_t convert = 0x01;     // bit 0 signed
    uint8_t volume = 64;
    uint32_t c5Speed = 2 * 8363;
    uint32_t length = 0;  // in samples; 0: from the data
    uint32_t loopBegin = 0, loopEnd = 0;
};

struct ItBuilder {
    std::string title = "it test";
    uint16_t flags = 1;  // stereo
    uint8_t globalVolume = 128, mixVolume = 48, speed = 6, tempo = 125;
    std::array<uint8_t, 64> pans{};
    std::vector<uint8_t> orders = {0, 255};
    std::vector<ItSample> samples;
    std::vector<std::vector<uint8_t>> patterns;  // packed data; empty: offset 0
    std::vector<int> rows;                       // rows of each pattern; 64 when not given

    ItBuilder() {
        pans.fill(128 + 32);
        for (int c = 0; c < 4; ++c)
            pans[c] = 32;
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
        PutU16(f, 0x22, 0);
        PutU16(f, 0x24, static_cast<uint32_t>(samples.size()));
        PutU16(f, 0x26, static_cast<uint32_t>(patterns.size()));
        PutU16(f, 0x28, 0x0214);
        PutU16(f, 0x2A, 0x0214);
        PutU16(f, 0x2C, flags);
        f[0x30] = globalVolume;
        f[0x31] = mixVolume;
        f[0x32] = speed;
        f[0x33] = tempo;
        for (int c = 0; c < 64; ++c)
            f[0x40 + c] = pans[c];
        for (int c = 0; c < 64; ++c)
            f[0x80 + c] = 64;
        PutBytes(f, 0xC0, orders.data(), orders.size());
        const size_t sampleOffsets = 0xC0 + orders.size();
        const size_t patternOffsets = sampleOffsets + 4 * samples.size();
        f.resize(patternOffsets + 4 * patterns.size());
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
            f[h + 0x11] = 64;
            f[h + 0x12] = s.flags;
            f[h + 0x13] = s.volume;
            f[h + 0x2E] = s.convert;
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
