#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/vector.h"
#include "platform/input/key_table.h"

namespace vimsa {
class Demo;
}

namespace vimsa::timedemo {

// The walk through the whole level that the timedemo runs by default. It
// steers the character with the arrow keys towards one place after another
// (seen from above, in world coordinates), waits where doors need time to
// open, and presses keys on the way: toggles, the look and camera keys, and
// F12 for the pictures that show the level. A place it cannot reach (the
// high step) is given up after a while.
class Tour {
public:
    struct Step {
        enum Kind { GoTo, Wait, Press, Hold } kind;
        Vector3 place;                 // GoTo: x and z
        uint32_t frames = 0;           // Wait, Hold; GoTo: give up after this many (0: never)
        std::vector<input::Key> keys;  // Press, Hold
        std::string note;              // what the step shows
    };

    Tour();
    // Presses or holds this frame's keys; false once the tour is over.
    bool Drive(const Demo& demo, input::KeyTable& keys);
    // Places given up so far, and the step the tour is at.
    const std::vector<std::string>& GivenUp() const { return givenUp_; }
    size_t StepIndex() const { return index_; }
    const std::vector<Step>& Steps() const { return steps_; }

private:
    void Release(input::KeyTable& keys);
    bool Steer(const Demo& demo, const Step& step, input::KeyTable& keys);

    std::vector<Step> steps_;
    size_t index_ = 0;
    uint32_t frame_ = 0;  // frames spent in the current step
    std::vector<input::Key> down_;
    std::vector<std::string> givenUp_;  // the places' notes, or their coordinates
};

}  // namespace vimsa::timedemo
