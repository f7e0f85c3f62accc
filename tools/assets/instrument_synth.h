#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/assets/s3m_writer.h"

namespace vimsa::tool {

// A synthesised instrument before it is stored: samples in [-1, 1] and the
// rate at which the note C-4 plays them.
struct SynthSample {
    std::string name;
    std::vector<float> wave;
    uint32_t rate = 8363;
    uint32_t loopStart = 0, loopEnd = 0;  // no loop when equal
    uint8_t volume = 64;

    // Peak-normalised into 8-bit unsigned data.
    S3mInstrument ToS3m() const;
};

// The music's instruments, synthesised from sines, harmonic series, noise
// and a plucked string. Pitched instruments hold whole cycles of their
// waveform in the loop, so a sustained note loops without a click.
class InstrumentSynth {
public:
    static SynthSample Kick();
    static SynthSample Snare();
    static SynthSample ClosedHat();
    static SynthSample OpenHat();
    static SynthSample Bass();   // sawtooth through a soft low-pass, with a sub octave
    static SynthSample Lead();   // a pulse blended with a saw
    static SynthSample Pad();    // three detuned saws, slow attack
    static SynthSample Pluck();  // a plucked string (Karplus-Strong)
    static SynthSample Bell();   // two-operator FM

    // The bell's voice at `frequency` Hz, `t` seconds after it was struck.
    static double BellTone(double frequency, double t);
};

}  // namespace vimsa::tool
