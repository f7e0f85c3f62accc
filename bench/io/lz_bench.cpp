// Compress and Decompress on 1 MiB of mixed data: text, a mesh-like float
// array and an image. `bench_io --dump=FILE` writes the data set to FILE (for
// comparing with other compressors) and exits.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "io/lz_codec.h"

namespace vimsa {
namespace {

constexpr size_t kPart = (1u << 20) / 3;

uint32_t Next(uint32_t& x) {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    return x;
}

// Sentences drawn from a vocabulary with a skewed word frequency.
void AppendText(std::vector<uint8_t>& out, size_t bytes) {
    static const char* const kWords[] = {
        "the",    "node",   "portal", "mesh",    "light",    "of",     "a",     "to",
        "camera", "room",   "door",   "texture", "render",   "and",    "is",    "frame",
        "vertex", "normal", "in",     "terrain", "particle", "system", "with",  "each",
        "scene",  "draw",   "mirror", "stencil", "buffer",   "file",   "chunk", "stream"};
    uint32_t x = 12345;
    const size_t end = out.size() + bytes;
    int inSentence = 0;
    while (out.size() < end) {
        const uint32_t r = Next(x);
        const uint32_t pick = (r % 32) * ((r >> 8) % 32) / 32;  // favours low indices
        std::string word = kWords[pick];
        if (inSentence == 0) word[0] = static_cast<char>(word[0] - 'a' + 'A');
        out.insert(out.end(), word.begin(), word.end());
        if (++inSentence > 6 + static_cast<int>((r >> 16) % 9)) {
            out.push_back('.');
            out.push_back((r >> 20) % 4 ? ' ' : '\n');
            inSentence = 0;
        } else {
            out.push_back(' ');
        }
    }
    out.resize(end);
}

// 44-byte vertices of a wavy grid: position, normal, colour, two uv pairs.
void AppendMesh(std::vector<uint8_t>& out, size_t bytes) {
    const size_t end = out.size() + bytes;
    for (int i = 0; out.size() < end; ++i) {
        const int gx = i % 128;
        const int gz = i / 128;
        const float y = std::sin(gx * 0.2f) * std::cos(gz * 0.15f) * 4.0f;
        const float v[11] = {gx * 0.5f, y,           gz * 0.5f,   0.0f,       1.0f,      0.0f,
                             0.0f,      gx / 127.0f, gz / 127.0f, gx / 16.0f, gz / 16.0f};
        uint8_t bytesOut[44];
        std::memcpy(bytesOut, v, sizeof v);
        const uint32_t colour = 0xFF808080u;
        std::memcpy(bytesOut + 24, &colour, 4);
        out.insert(out.end(), bytesOut, bytesOut + 44);
    }
    out.resize(end);
}

// 24-bit picture: smooth gradients, flat areas and a little noise.
void AppendImage(std::vector<uint8_t>& out, size_t bytes) {
    const size_t end = out.size() + bytes;
    uint32_t x = 777;
    for (int i = 0; out.size() < end; ++i) {
        const int px = i % 256;
        const int py = i / 256;
        const bool flat = ((px / 64) + (py / 64)) % 3 == 0;
        const uint8_t noise = static_cast<uint8_t>(Next(x) % 4);
        out.push_back(flat ? 40 : static_cast<uint8_t>(px + noise));
        out.push_back(flat ? 90 : static_cast<uint8_t>(py * 2));
        out.push_back(flat ? 160 : static_cast<uint8_t>((px ^ py) + noise));
    }
    out.resize(end);
}

const std::vector<uint8_t>& MixedData() {
    static const std::vector<uint8_t> data = [] {
        std::vector<uint8_t> d;
        AppendText(d, kPart);
        AppendMesh(d, kPart);
        AppendImage(d, (1u << 20) - 2 * kPart);
        return d;
    }();
    return data;
}

void BM_Compress(benchmark::State& state) {
    const std::vector<uint8_t>& data = MixedData();
    std::vector<uint8_t> block;
    for (auto _ : state) {
        const Result r = LzCodec().Compress(data.data(), static_cast<uint32_t>(data.size()), block);
        benchmark::DoNotOptimize(r);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * data.size()));
    state.counters["ratio"] = static_cast<double>(block.size()) / static_cast<double>(data.size());
}
BENCHMARK(BM_Compress)->Unit(benchmark::kMillisecond);

void BM_Decompress(benchmark::State& state) {
    const std::vector<uint8_t>& data = MixedData();
    std::vector<uint8_t> block;
    if (Failed(LzCodec().Compress(data.data(), static_cast<uint32_t>(data.size()), block))) {
        state.SkipWithError("the data did not compress");
        return;
    }
    std::vector<uint8_t> out;
    for (auto _ : state) {
        const Result r =
            LzCodec().Decompress(block.data(), static_cast<uint32_t>(block.size()), out);
        benchmark::DoNotOptimize(r);
    }
    if (out != data) state.SkipWithError("expanded data differs from the input");
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * data.size()));
}
BENCHMARK(BM_Decompress)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace vimsa

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg.substr(0, 7) == "--dump=") {
            const std::string path(arg.substr(7));
            const std::vector<uint8_t>& data = vimsa::MixedData();
            std::FILE* f = std::fopen(path.c_str(), "wb");
            const bool ok = f && std::fwrite(data.data(), 1, data.size(), f) == data.size();
            if (f) std::fclose(f);
            return ok ? 0 : 1;
        }
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
