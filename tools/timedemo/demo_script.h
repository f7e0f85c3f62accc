#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/result.h"
#include "platform/input/key_table.h"

namespace vimsa::timedemo {

// What a headless run does with the keyboard: frame ranges in which keys are
// held down, and single frames in which keys are pressed (down and up again
// before the frame reads them). One line each:
//     FROM-TO hold KEY [KEY...]
//     AT press KEY [KEY...]
// Frames count from 0; "#" starts a comment; key names as input::KeyName.
class DemoScript {
public:
    struct Step {
        uint32_t from = 0, to = 0;  // inclusive
        bool hold = false;          // else pressed once, at `from`
        std::vector<input::Key> keys;
    };

    // ERR_OUT_OF_RANGE with `line` set for a line that does not read.
    static Result Parse(std::string_view text, DemoScript& out, int& line);
    // A run that touches nothing.
    static DemoScript Idle() { return {}; }

    // Feeds the key table for frame `frame`: keys that start being held go
    // down, held keys whose range has ended go up, presses tap.
    void Apply(uint32_t frame, input::KeyTable& keys) const;
    // The last frame the script acts in.
    uint32_t Length() const;
    const std::vector<Step>& Steps() const { return steps_; }

private:
    std::vector<Step> steps_;
};

}  // namespace vimsa::timedemo
