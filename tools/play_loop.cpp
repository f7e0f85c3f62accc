#include "tools/play_loop.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <thread>

namespace vimsa::tool {
namespace {

volatile std::sig_atomic_t g_interrupted = 0;

void OnInterrupt(int) {
    g_interrupted = 1;
}

}  // namespace

bool PlayUntilDone(double seconds, const std::function<bool()>& playing,
                   const std::function<std::string()>& progress) {
    using Clock = std::chrono::steady_clock;
    g_interrupted = 0;
    // Ctrl-C ends the wait, so the caller closes the device in order.
    auto* previous = std::signal(SIGINT, &OnInterrupt);
    const Clock::time_point start = Clock::now();
    Clock::time_point nextLine = start;
    while (!g_interrupted && playing()) {
        const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
        if (seconds > 0 && elapsed >= seconds) break;
        if (Clock::now() >= nextLine) {
            std::printf("\r%s ", progress().c_str());
            std::fflush(stdout);
            nextLine += std::chrono::milliseconds(500);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    std::printf("\r%s\n", progress().c_str());
    std::signal(SIGINT, previous);
    return g_interrupted != 0;
}

std::optional<PlayArguments> ParsePlayArguments(const std::vector<std::string_view>& args) {
    PlayArguments parsed;
    for (size_t i = 1; i < args.size(); ++i) {
        if (args[i] == "--seconds" && i + 1 < args.size()) {
            const std::string value(args[++i]);
            char* end = nullptr;
            parsed.seconds = std::strtod(value.c_str(), &end);
            if (end == value.c_str() || *end != '\0' || !(parsed.seconds >= 0)) return std::nullopt;
        } else if (parsed.path.empty()) {
            parsed.path = std::string(args[i]);
        } else {
            return std::nullopt;
        }
    }
    if (parsed.path.empty()) return std::nullopt;
    return parsed;
}

}  // namespace vimsa::tool
