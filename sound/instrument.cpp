#include "sound/instrument.h"

namespace vimsa {

int32_t EnvelopeValue(const Envelope& e, uint16_t tick) {
    if (e.count == 0) return 0;
    int i = 0;
    while (i + 1 < e.count && e.tick[i + 1] <= tick)
        ++i;
    const int32_t from = e.value[i] * 256;
    if (i + 1 >= e.count || e.tick[i + 1] == e.tick[i]) return from;
    const int32_t to = e.value[i + 1] * 256;
    const int32_t span = e.tick[i + 1] - e.tick[i];
    return from + (to - from) * (tick - e.tick[i]) / span;
}

void AdvanceEnvelope(const Envelope& e, bool keyHeld, EnvelopePosition& p) {
    if (e.count == 0) return;
    const uint16_t last = e.tick[e.count - 1];
    if (e.sustain && keyHeld) {
        if (p.tick >= e.tick[e.sustainEnd]) {
            p.tick = e.tick[e.sustainStart];
            return;
        }
    } else if (e.loop) {
        if (p.tick >= e.tick[e.loopEnd]) {
            p.tick = e.tick[e.loopStart];
            return;
        }
    }
    if (p.tick >= last) {
        p.tick = last;
        p.ended = true;
        return;
    }
    ++p.tick;
}

}  // namespace vimsa
