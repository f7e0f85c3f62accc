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
