#include "tools/assets/s3m_writer.h"

#include <algorithm>
#include <cstring>

#include "tools/assets/file_bytes.h"

namespace vimsa::tool {
namespace {

constexpr size_t kHeaderBytes = 0x60;
constexpr size_t kInstrumentBytes = 0x50;

void Put16(std::vector<uint8_t>& file, size_t at, uint32_t value) {
    file[at] = static_cast<uint8_t>(value);
    file[at + 1] = static_cast<uint8_t>(value >> 8);
}

void PutText(std::vector<uint8_t>& file, size_t at, const std::string& text, size_t room) {
    std::memcpy(file.data() + at, text.data(), std::min(text.size(), room));
}

// Pads to the next paragraph and returns its number.
uint32_t Paragraph(std::vector<uint8_t>& file) {
    file.resize((file.size() + 15) & ~size_t{15}, 0);
    return static_cast<uint32_t>(file.size() / 16);
}

void WriteHeader(const S3mWriter& s, size_t orderCount, std::vector<uint8_t>& file) {
    PutText(file, 0, s.title, 27);
    file[0x1C] = 0x1A;
    file[0x1D] = 16;  // a module
    Put16(file, 0x20, static_cast<uint32_t>(orderCount));
    Put16(file, 0x22, static_cast<uint32_t>(s.instruments.size()));
    Put16(file, 0x24, static_cast<uint32_t>(s.patterns.size()));
    Put16(file, 0x28, 0x1320);  // Scream Tracker 3.20
    Put16(file, 0x2A, 2);       // unsigned samples
    PutText(file, 0x2C, "SCRM", 4);
    file[0x30] = s.globalVolume;
    file[0x31] = s.speed;
    file[0x32] = s.tempo;
    file[0x33] = static_cast<uint8_t>((s.stereo ? 0x80 : 0) | (s.mixVolume & 0x7F));
    file[0x35] = 252;  // the pan table follows the pointers
    for (int c = 0; c < 32; ++c) {
        const bool used = c < static_cast<int>(s.pans.size());
        // Left channels 0..7, right ones 8..15; the pan table refines them.
        file[0x40 + c] =
            used ? static_cast<uint8_t>(s.pans[static_cast<size_t>(c)] < 8 ? c % 8 : 8 + c % 8)
                 : 255;
    }
}

void WriteInstrumentHeader(const S3mInstrument& i, uint32_t dataParagraph, uint8_t* h) {
    h[0] = 1;  // a sample
    std::memcpy(h + 1, i.name.data(), std::min<size_t>(i.name.size(), 12));
    h[0x0D] = static_cast<uint8_t>(dataParagraph >> 16);
    h[0x0E] = static_cast<uint8_t>(dataParagraph);
    h[0x0F] = static_cast<uint8_t>(dataParagraph >> 8);
    auto put32 = [&](size_t at, uint32_t v) {
        for (int b = 0; b < 4; ++b)
            h[at + static_cast<size_t>(b)] = static_cast<uint8_t>(v >> (8 * b));
    };
    put32(0x10, static_cast<uint32_t>(i.data.size()));
    put32(0x14, i.loop ? i.loopStart : 0);
    put32(0x18, i.loop ? i.loopEnd : 0);
    h[0x1C] = i.volume;
    h[0x1F] = i.loop ? 1 : 0;
    put32(0x20, i.c2Speed);
    std::memcpy(h + 0x30, i.name.data(), std::min<size_t>(i.name.size(), 27));
    std::memcpy(h + 0x4C, "SCRS", 4);
}

}  // namespace

std::vector<uint8_t> S3mPattern::Pack() const {
    std::vector<uint8_t> out;
    for (int row = 0; row < kRows; ++row) {
        for (int channel = 0; channel < kChannels; ++channel) {
            const S3mCell& c = At(row, channel);
            const bool note = c.note != 255 || c.instrument != 0;
            const bool volume = c.volume != 255;
            const bool effect = c.effect != 0;
            if (!note && !volume && !effect) continue;
            out.push_back(static_cast<uint8_t>(channel | (note ? 32 : 0) | (volume ? 64 : 0) |
                                               (effect ? 128 : 0)));
            if (note) out.insert(out.end(), {c.note, c.instrument});
            if (volume) out.push_back(c.volume);
            if (effect) out.insert(out.end(), {c.effect, c.parameter});
        }
        out.push_back(0);
    }
    return out;
}

std::vector<uint8_t> S3mWriter::Build() const {
    // Scream Tracker keeps an even number of orders; 255 marks the end.
    std::vector<uint8_t> orderList = orders;
    if (orderList.size() % 2) orderList.push_back(255);

    std::vector<uint8_t> file(kHeaderBytes, 0);
    WriteHeader(*this, orderList.size(), file);
    file.insert(file.end(), orderList.begin(), orderList.end());
    const size_t instrumentPointers = file.size();
    const size_t patternPointers = instrumentPointers + 2 * instruments.size();
    file.resize(patternPointers + 2 * patterns.size(), 0);
    for (int c = 0; c < 32; ++c) {
        const bool used = c < static_cast<int>(pans.size());
        file.push_back(used ? static_cast<uint8_t>(0x20 | (pans[static_cast<size_t>(c)] & 15)) : 0);
    }
    std::vector<size_t> headers;
    for (size_t i = 0; i < instruments.size(); ++i) {
        Put16(file, instrumentPointers + 2 * i, Paragraph(file));
        headers.push_back(file.size());
        file.resize(file.size() + kInstrumentBytes, 0);
    }
    for (size_t p = 0; p < patterns.size(); ++p) {
        Put16(file, patternPointers + 2 * p, Paragraph(file));
        const std::vector<uint8_t> packed = patterns[p].Pack();
        const size_t at = file.size();
        file.resize(at + 2, 0);
        Put16(file, at, static_cast<uint32_t>(packed.size() + 2));
        file.insert(file.end(), packed.begin(), packed.end());
    }
    for (size_t i = 0; i < instruments.size(); ++i) {
        const uint32_t paragraph = Paragraph(file);
        file.insert(file.end(), instruments[i].data.begin(), instruments[i].data.end());
        WriteInstrumentHeader(instruments[i], paragraph, file.data() + headers[i]);
    }
    return file;
}

Result S3mWriter::Save(const std::string& path) const {
    return WriteBytes(path, Build());
}

}  // namespace vimsa::tool
