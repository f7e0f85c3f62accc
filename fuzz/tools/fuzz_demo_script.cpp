// Reads a timedemo script from arbitrary bytes. A script that reads must
// hold only well-formed steps, and playing it into a key table must leave
// every key up once its last step is over; one that does not read names
// the line it stopped at.
#include <cstdint>
#include <set>
#include <string_view>

#include "platform/input/key_table.h"
#include "tools/timedemo/demo_script.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using vimsa::timedemo::DemoScript;
    DemoScript script;
    int line = 0;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    if (vimsa::Failed(DemoScript::Parse(text, script, line))) {
        if (line <= 0) __builtin_trap();
        return 0;
    }
    vimsa::input::KeyTable keys;
    for (const DemoScript::Step& step : script.Steps()) {
        if (step.from > step.to || step.to >= (1u << 30) || step.keys.empty()) __builtin_trap();
        if (!step.hold && step.from != step.to) __builtin_trap();
    }
    // Played in order over the frames where something happens (each step's
    // first frame and the frame after its last), every key is up at the end.
    std::set<uint32_t> frames;
    for (const DemoScript::Step& step : script.Steps()) {
        frames.insert(step.from);
        frames.insert(step.to + 1);
    }
    if (!frames.empty() && *frames.rbegin() != script.Length()) __builtin_trap();
    for (uint32_t frame : frames)
        script.Apply(frame, keys);
    for (const DemoScript::Step& step : script.Steps()) {
        for (vimsa::input::Key key : step.keys) {
            if (keys.Query(key).down) __builtin_trap();
        }
    }
    return 0;
}
