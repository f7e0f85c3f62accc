#include "tools/timedemo/demo_script.h"

#include <algorithm>
#include <sstream>

namespace vimsa::timedemo {
namespace {

bool ParseRange(const std::string& text, uint32_t& from, uint32_t& to) {
    const size_t dash = text.find('-');
    try {
        size_t used = 0;
        from = static_cast<uint32_t>(std::stoul(text.substr(0, dash), &used));
        if (used != (dash == std::string::npos ? text.size() : dash)) return false;
        to = from;
        if (dash != std::string::npos) {
            const std::string rest = text.substr(dash + 1);
            to = static_cast<uint32_t>(std::stoul(rest, &used));
            if (used != rest.size()) return false;
        }
    } catch (const std::exception&) {
        return false;
    }
    return from <= to && to < (1u << 30);
}

// The tour: hall, east wing through door 1, out onto the terrain and back,
// the gallery and its fixed camera, the court and the alcove, the mirror
// gallery, the west corridor, the cat room and its camera, the south wing
// with its steps, and back through door 2 to the hall. Toggles and a few
// screenshots on the way.
constexpr const char* kTour = R"(
# toggles: help and statistics on, a screenshot of each
5 press F1
6 press S
8 press F12
20 press F1
# hall: turn east and walk through door 1 into the east wing
25-44 hold RIGHT
45-120 hold UP
121 press F12
# east wing: on to the terrain and a look round
122-200 hold UP
201 press F12
202-240 hold LEFT
241-300 hold UP
301 press F12
302-380 hold RIGHT
381-460 hold UP
# wire frame and bounding boxes for a moment
461 press W B
470 press F12
475 press W B
# pause twice, portal culling and mirrors off and on, detail
480 press PAUSE
490 press PAUSE
495 press P M D
500 press P M D
# turn about and walk back west through the hall to the mirror gallery
505-560 hold LEFT
561-760 hold UP
761 press F12
762-800 hold NUMPAD0 LEFT
801-830 hold PAGEUP
831-850 hold NUMPAD2
851 press F12
)";

}  // namespace

Result DemoScript::Parse(std::string_view text, DemoScript& out, int& line) {
    out.steps_.clear();
    std::istringstream lines{std::string(text)};
    std::string row;
    line = 0;
    while (std::getline(lines, row)) {
        ++line;
        if (const size_t hash = row.find('#'); hash != std::string::npos) row.erase(hash);
        std::istringstream words(row);
        std::string range, action, name;
        if (!(words >> range)) continue;  // blank or comment
        Step step;
        if (!(words >> action) || !ParseRange(range, step.from, step.to)) return ERR_OUT_OF_RANGE;
        if (action == "hold") {
            step.hold = true;
        } else if (action != "press" || step.from != step.to) {
            return ERR_OUT_OF_RANGE;
        }
        while (words >> name) {
            input::Key key;
            if (!input::KeyFromName(name.c_str(), key)) return ERR_OUT_OF_RANGE;
            step.keys.push_back(key);
        }
        if (step.keys.empty()) return ERR_OUT_OF_RANGE;
        out.steps_.push_back(std::move(step));
    }
    line = 0;
    return RESULT_OK;
}

DemoScript DemoScript::Tour() {
    DemoScript tour;
    int line = 0;
    (void)Parse(kTour, tour, line);  // the built-in tour always reads
    return tour;
}

void DemoScript::Apply(uint32_t frame, input::KeyTable& keys) const {
    for (const Step& step : steps_) {
        for (input::Key key : step.keys) {
            if (!step.hold) {
                if (frame == step.from) {
                    keys.KeyDown(key);
                    keys.KeyUp(key);
                }
            } else if (frame == step.from) {
                keys.KeyDown(key);
            } else if (frame == step.to + 1) {
                keys.KeyUp(key);
            }
        }
    }
}

uint32_t DemoScript::Length() const {
    uint32_t last = 0;
    for (const Step& step : steps_)
        last = std::max(last, step.to + 1);
    return last;
}

}  // namespace vimsa::timedemo
