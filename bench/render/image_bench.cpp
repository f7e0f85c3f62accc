// Image decoding and pixel conversion throughput (bytes of pixels per second).
#include <benchmark/benchmark.h>

#include <vector>

#include "render/bmp_image.h"
#include "render/pcx_image.h"
#include "render/texture.h"
#include "render/tga_image.h"

namespace vimsa {
namespace {

constexpr uint32_t kSide = 512;

std::vector<uint8_t> Tga24() {
    std::vector<uint8_t> file(18 + kSide * kSide * 3, 0);
    file[2] = 2;
    file[12] = kSide & 0xFF;
    file[13] = kSide >> 8;
    file[14] = kSide & 0xFF;
    file[15] = kSide >> 8;
    file[16] = 24;
    for (std::size_t i = 18; i < file.size(); ++i)
        file[i] = static_cast<uint8_t>(i * 7);
    return file;
}

std::vector<uint8_t> Pcx8() {
    std::vector<uint8_t> file(128, 0);
    file[0] = 10;
    file[3] = 8;
    file[8] = (kSide - 1) & 0xFF;
    file[9] = (kSide - 1) >> 8;
    file[10] = (kSide - 1) & 0xFF;
    file[11] = (kSide - 1) >> 8;
    file[65] = 1;
    file[66] = kSide & 0xFF;
    file[67] = kSide >> 8;
    for (uint32_t i = 0; i < kSide * kSide / 8; ++i) {
        file.push_back(0xC8);  // runs of 8
        file.push_back(static_cast<uint8_t>(i));
    }
    file.push_back(12);
    file.resize(file.size() + 768, 0x55);
    return file;
}

void BM_DecodeTga24(benchmark::State& state) {
    const std::vector<uint8_t> file = Tga24();
    Handle<Texture> t(new Texture);
    t->SetChannelOrder(kOrderRgb);
    for (auto _ : state)
        benchmark::DoNotOptimize(DecodeTga(file, *t));
    state.SetBytesProcessed(int64_t(state.iterations()) * kSide * kSide * 3);
}

void BM_DecodePcx(benchmark::State& state) {
    const std::vector<uint8_t> file = Pcx8();
    Handle<Texture> t(new Texture);
    for (auto _ : state)
        benchmark::DoNotOptimize(DecodePcx(file, *t));
    state.SetBytesProcessed(int64_t(state.iterations()) * kSide * kSide * 3);
}

void BM_Convert4444To8888(benchmark::State& state) {
    Handle<Texture> t(new Texture);
    for (auto _ : state) {
        state.PauseTiming();
        if (Failed(t->Create("x", kSide, kSide, kFormat4444))) {
            state.SkipWithError("no texture");
            break;
        }
        state.ResumeTiming();
        benchmark::DoNotOptimize(t->Convert(kFormat8888, kOrderRgb));
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * kSide * kSide * 4);
}

BENCHMARK(BM_DecodeTga24)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodePcx)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Convert4444To8888)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace vimsa

BENCHMARK_MAIN();
