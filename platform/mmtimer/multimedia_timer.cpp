#include "platform/mmtimer/multimedia_timer.h"

#include <chrono>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>

namespace vimsa::mmtimer {
namespace {

using Clock = std::chrono::steady_clock;

// What the timer's thread shares with its owner. The thread holds it too,
// so a routine that kills its own timer leaves the thread a live state to
// finish with.
struct TimerState {
    TimerState(uint32_t id, uint32_t period, TimerRoutine routine, void* argument)
        : id(id), period(std::chrono::milliseconds(period)), routine(routine), argument(argument) {}

    const uint32_t id;
    const Clock::duration period;
    const TimerRoutine routine;
    void* const argument;
    std::mutex mutex;
    std::condition_variable wake;
    bool stopping = false;
};

void RunTimer(const std::shared_ptr<TimerState>& state) {
    Clock::time_point next = Clock::now() + state->period;
    std::unique_lock<std::mutex> lock(state->mutex);
    while (!state->wake.wait_until(lock, next, [&state] { return state->stopping; })) {
        lock.unlock();
        state->routine(state->id, state->argument);
        lock.lock();
        next += state->period;
        // Late calls are made at once, never piled up.
        if (const Clock::time_point now = Clock::now(); next < now) next = now;
    }
}

class PeriodicTimer {
public:
    PeriodicTimer(uint32_t id, uint32_t period, TimerRoutine routine, void* argument)
        : state_(std::make_shared<TimerState>(id, period, routine, argument)) {}
    ~PeriodicTimer() { Stop(); }
    PeriodicTimer(const PeriodicTimer&) = delete;
    PeriodicTimer& operator=(const PeriodicTimer&) = delete;

    void Start() {
        thread_ = std::thread([state = state_] { RunTimer(state); });
    }

    // Ends the loop and joins the thread, unless called from that thread.
    void Stop() {
        {
            const std::lock_guard<std::mutex> lock(state_->mutex);
            state_->stopping = true;
        }
        state_->wake.notify_all();
        if (!thread_.joinable()) return;
        if (thread_.get_id() == std::this_thread::get_id()) {
            thread_.detach();  // the routine killed its own timer: the loop ends after it
        } else {
            thread_.join();
        }
    }

private:
    std::shared_ptr<TimerState> state_;
    std::thread thread_;
};

struct Registry {
    std::mutex mutex;
    std::map<uint32_t, std::unique_ptr<PeriodicTimer>> timers;
    uint32_t nextId = 1;
    std::map<uint32_t, int> periods;  // resolution requests still open, by period
};

Registry& TheRegistry() {
    static Registry registry;
    return registry;
}

bool ValidPeriod(uint32_t period) {
    return period >= kMinPeriod && period <= kMaxPeriod;
}

}  // namespace

bool BeginPeriod(uint32_t period) {
    if (!ValidPeriod(period)) return false;
    Registry& r = TheRegistry();
    const std::lock_guard<std::mutex> lock(r.mutex);
    ++r.periods[period];
    return true;
}

bool EndPeriod(uint32_t period) {
    Registry& r = TheRegistry();
    const std::lock_guard<std::mutex> lock(r.mutex);
    const auto open = r.periods.find(period);
    if (open == r.periods.end()) return false;
    if (--open->second == 0) r.periods.erase(open);
    return true;
}

uint32_t StartPeriodic(uint32_t period, uint32_t, TimerRoutine routine, void* argument) {
    if (!ValidPeriod(period) || !routine) return 0;
    Registry& r = TheRegistry();
    const std::lock_guard<std::mutex> lock(r.mutex);
    const uint32_t id = r.nextId++;
    auto timer = std::make_unique<PeriodicTimer>(id, period, routine, argument);
    try {
        timer->Start();
    } catch (const std::system_error&) {
        return 0;
    }
    r.timers.emplace(id, std::move(timer));
    return id;
}

bool Kill(uint32_t timerId) {
    std::unique_ptr<PeriodicTimer> timer;
    {
        Registry& r = TheRegistry();
        const std::lock_guard<std::mutex> lock(r.mutex);
        const auto found = r.timers.find(timerId);
        if (found == r.timers.end()) return false;
        timer = std::move(found->second);
        r.timers.erase(found);
    }
    // Outside the registry's lock: the routine may be starting another timer.
    timer->Stop();
    return true;
}

int RunningCount() {
    Registry& r = TheRegistry();
    const std::lock_guard<std::mutex> lock(r.mutex);
    return static_cast<int>(r.timers.size());
}

}  // namespace vimsa::mmtimer
