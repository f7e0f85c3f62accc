#include "tools/assets/instrument_synth.h"

#include <algorithm>
#include <cmath>
#include <functional>

#include "tools/assets/noise.h"

namespace vimsa::tool {
namespace {

constexpr double kTwoPi = 6.283185307179586;
constexpr double kMiddleC = 261.6255653;  // C-4
constexpr uint32_t kDrumRate = 22050;

// Samples per cycle of the pitched instruments at their recorded note.
constexpr int kCycle = 64;

std::vector<float> Render(size_t count, uint32_t rate, const std::function<double(double)>& at) {
    std::vector<float> wave(count);
    for (size_t n = 0; n < count; ++n)
        wave[n] = static_cast<float>(at(static_cast<double>(n) / rate));
    return wave;
}

// A harmonic series at `cycles` cycles over `period` samples: every harmonic
// completes whole cycles in the period, so the sum repeats exactly.
double Series(double n, double cycles, double period, const std::vector<double>& weights,
              double phase = 0) {
    double sum = 0;
    for (size_t k = 1; k <= weights.size(); ++k)
        sum += weights[k - 1] * std::sin(kTwoPi * (static_cast<double>(k) * cycles * n / period) +
                                         phase * static_cast<double>(k));
    return sum;
}

// Sawtooth harmonics 1/k, softened by a low-pass of the given corner.
std::vector<double> SawWeights(int count, double corner, double slope = 1.0) {
    std::vector<double> w;
    for (int k = 1; k <= count; ++k) {
        const double soft = 1.0 / (1.0 + std::pow(k / corner, 2.0));
        w.push_back(soft / std::pow(k, slope));
    }
    return w;
}

size_t Up(size_t n, size_t step) {
    return (n + step - 1) / step * step;
}

// White noise from a fixed seed.
struct Noise {
    Random random;
    explicit Noise(uint32_t seed) : random(seed) {}
    double operator()() { return random.Unit() * 2.0 - 1.0; }
};

// Noise through two first differences: the hiss of cymbals.
SynthSample Hat(const char* name, double decay, double seconds) {
    Noise noise(902);
    double previous = 0, previousHigh = 0;
    SynthSample s{name, {}, kDrumRate};
    s.wave = Render(static_cast<size_t>(seconds * kDrumRate), kDrumRate, [&](double t) {
        const double x = noise();
        const double high = x - previous;
        const double higher = high - previousHigh;
        previous = x;
        previousHigh = high;
        return higher * std::exp(-t / decay) * std::min(1.0, t / 0.0005);
    });
    return s;
}

}  // namespace

S3mInstrument SynthSample::ToS3m() const {
    float peak = 1e-6f;
    for (float v : wave)
        peak = std::max(peak, std::fabs(v));
    S3mInstrument out;
    out.name = name;
    out.c2Speed = rate;
    out.volume = volume;
    out.loop = loopEnd > loopStart;
    out.loopStart = loopStart;
    out.loopEnd = loopEnd;
    out.data.reserve(wave.size());
    for (float v : wave)
        out.data.push_back(static_cast<uint8_t>(std::lround(128.0f + 127.0f * v / peak)));
    return out;
}

SynthSample InstrumentSynth::Kick() {
    Noise noise(901);
    double phase = 0;
    SynthSample s{"kick", {}, kDrumRate};
    s.wave = Render(static_cast<size_t>(0.4 * kDrumRate), kDrumRate, [&](double t) {
        const double frequency = 46 + 120 * std::exp(-t / 0.035);
        phase += kTwoPi * frequency / kDrumRate;
        const double body = std::sin(phase) * std::exp(-t / 0.16);
        const double click = noise() * std::exp(-t / 0.002) * 0.4;
        return std::tanh(1.6 * (body + click));
    });
    return s;
}

SynthSample InstrumentSynth::Snare() {
    Noise noise(903);
    double previous = 0;
    SynthSample s{"snare", {}, kDrumRate};
    s.wave = Render(static_cast<size_t>(0.3 * kDrumRate), kDrumRate, [&](double t) {
        const double x = noise();
        const double crisp = 0.6 * x + 0.4 * (x - previous);
        previous = x;
        const double rattle = crisp * std::exp(-t / 0.075);
        const double skin = std::sin(kTwoPi * 188 * t) * std::exp(-t / 0.045) * 0.7;
        return rattle + skin;
    });
    s.volume = 60;
    return s;
}

SynthSample InstrumentSynth::ClosedHat() {
    SynthSample s = Hat("closed hat", 0.022, 0.12);
    s.volume = 36;
    return s;
}

SynthSample InstrumentSynth::OpenHat() {
    SynthSample s = Hat("open hat", 0.16, 0.45);
    s.volume = 32;
    return s;
}

// Recorded at C-2 with 128 samples a cycle: C-4 then plays four times faster.
SynthSample InstrumentSynth::Bass() {
    constexpr double kPeriod = 128;
    const uint32_t recorded = static_cast<uint32_t>(std::lround(kMiddleC / 4 * kPeriod));
    const std::vector<double> bright = SawWeights(24, 9), warm = SawWeights(24, 4);
    const size_t attack = Up(static_cast<size_t>(0.25 * recorded), kPeriod);
    SynthSample s{"bass", {}, recorded * 4};
    s.wave.resize(attack + 8 * static_cast<size_t>(kPeriod));
    for (size_t n = 0; n < s.wave.size(); ++n) {
        const double t = std::min(static_cast<double>(n), static_cast<double>(attack)) / recorded;
        const double open = std::exp(-t / 0.06);  // the filter closes after the pluck
        const double saw = (1 - open) * Series(static_cast<double>(n), 1, kPeriod, warm) +
                           open * Series(static_cast<double>(n), 1, kPeriod, bright);
        const double sub = 0.5 * std::sin(kTwoPi * static_cast<double>(n) / kPeriod);
        const double level = std::min(1.0, static_cast<double>(n) / 40.0) * (0.8 + 0.2 * open);
        s.wave[n] = static_cast<float>(level * (saw + sub));
    }
    s.loopStart = static_cast<uint32_t>(attack);
    s.loopEnd = static_cast<uint32_t>(s.wave.size());
    s.volume = 60;
    return s;
}

SynthSample InstrumentSynth::Lead() {
    const uint32_t rate = static_cast<uint32_t>(std::lround(kMiddleC * kCycle));
    std::vector<double> weights;
    for (int k = 1; k <= 20; ++k) {
        // A 30 % pulse, half a saw, and a gentle roll-off.
        const double pulse = 2.0 / (k * 3.14159265) * std::sin(3.14159265 * k * 0.3);
        weights.push_back((pulse + 0.5 / k) / (1.0 + std::pow(k / 10.0, 2.0)));
    }
    const size_t attack = Up(static_cast<size_t>(0.3 * rate), kCycle);
    SynthSample s{"lead", {}, rate};
    s.wave.resize(attack + 16 * kCycle);
    for (size_t n = 0; n < s.wave.size(); ++n) {
        const double t = std::min(static_cast<double>(n), static_cast<double>(attack)) / rate;
        const double envelope = std::min(1.0, t / 0.01) * (0.7 + 0.3 * std::exp(-t / 0.08));
        s.wave[n] =
            static_cast<float>(envelope * Series(static_cast<double>(n), 1, kCycle, weights));
    }
    s.loopStart = static_cast<uint32_t>(attack);
    s.loopEnd = static_cast<uint32_t>(s.wave.size());
    s.volume = 50;
    return s;
}

// Three saws at 127, 128 and 129 cycles over the loop: they beat slowly,
// and all three come round exactly at its end.
SynthSample InstrumentSynth::Pad() {
    constexpr double kLoop = 128.0 * kCycle;
    const uint32_t rate = static_cast<uint32_t>(std::lround(kMiddleC * kCycle));
    const std::vector<double> weights = SawWeights(14, 5, 1.2);
    const size_t attack = Up(static_cast<size_t>(0.4 * rate), kCycle);
    SynthSample s{"pad", {}, rate};
    s.wave.resize(attack + static_cast<size_t>(kLoop));
    for (size_t n = 0; n < s.wave.size(); ++n) {
        const double x = static_cast<double>(n);
        const double voices = Series(x, 128, kLoop, weights) + Series(x, 129, kLoop, weights, 1.3) +
                              Series(x, 127, kLoop, weights, 2.1);
        const double swell = std::min(1.0, x / static_cast<double>(attack));
        s.wave[n] = static_cast<float>(voices * swell * swell);
    }
    s.loopStart = static_cast<uint32_t>(attack);
    s.loopEnd = static_cast<uint32_t>(s.wave.size());
    s.volume = 28;
    return s;
}

SynthSample InstrumentSynth::Pluck() {
    const uint32_t rate = static_cast<uint32_t>(std::lround(kMiddleC * kCycle));
    Noise noise(904);
    std::vector<double> line(kCycle);
    for (double& v : line)
        v = noise();
    SynthSample s{"pluck", {}, rate};
    s.wave.resize(static_cast<size_t>(0.7 * rate));
    for (size_t n = 0; n < s.wave.size(); ++n) {
        const size_t i = n % kCycle, next = (n + 1) % kCycle;
        const double out = line[i];
        line[i] = 0.498 * (line[i] + line[next]);
        s.wave[n] = static_cast<float>(out);
    }
    s.volume = 40;
    return s;
}

SynthSample InstrumentSynth::Bell() {
    const uint32_t rate = static_cast<uint32_t>(std::lround(kMiddleC * kCycle));
    SynthSample s{"bell", {}, rate};
    s.wave = Render(static_cast<size_t>(1.6 * rate), rate,
                    [](double t) { return BellTone(kMiddleC, t); });
    s.volume = 48;
    return s;
}

double InstrumentSynth::BellTone(double frequency, double t) {
    if (t < 0) return 0;
    const double index = 2.5 * std::exp(-t / 0.5);
    const double modulator = std::sin(kTwoPi * frequency * 3.5 * t);
    return std::sin(kTwoPi * frequency * t + index * modulator) * std::exp(-t / 0.7) *
           std::min(1.0, t / 0.002);
}

}  // namespace vimsa::tool
