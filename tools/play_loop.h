#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vimsa::tool {

// Waits while something plays: until `seconds` have passed (0: no limit),
// `playing` answers false, or the user presses Ctrl-C. Rewrites one progress
// line every half second. True when Ctrl-C ended it.
bool PlayUntilDone(double seconds, const std::function<bool()>& playing,
                   const std::function<std::string()>& progress);

// Reads "FILE [--seconds N]" after the subcommand; nullopt for anything else.
struct PlayArguments {
    std::string path;
    double seconds = 0.0;
};
std::optional<PlayArguments> ParsePlayArguments(const std::vector<std::string_view>& args);

}  // namespace vimsa::tool
