#pragma once

#include <cstdint>

// The periodic multimedia timer the music player is driven by: a routine
// called with an argument every period, on a thread of the timer's own.
namespace vimsa::mmtimer {

// Called on the timer's thread with the timer's id and the argument it was
// started with.
using TimerRoutine = void (*)(uint32_t timerId, void* argument);

inline constexpr uint32_t kMinPeriod = 1;
inline constexpr uint32_t kMaxPeriod = 1000000;

// Asks for timer resolution of `period` milliseconds for as long as the
// matching EndPeriod has not come. False for a period outside
// kMinPeriod..kMaxPeriod, or an EndPeriod without its BeginPeriod.
bool BeginPeriod(uint32_t period);
bool EndPeriod(uint32_t period);

// Starts calling `routine` every `period` milliseconds (the first call one
// period from now). A call that comes late is made at once and the next one
// keeps to the original schedule, so a slow routine is never called twice at
// the same time. Returns the timer's id, or 0 when the period is out of
// range, the routine is missing or no thread could be started.
// `resolution` is accepted for its shape: the thread keeps time to the
// millisecond whatever is asked.
uint32_t StartPeriodic(uint32_t period, uint32_t resolution, TimerRoutine routine, void* argument);

// Stops a timer. When its routine is running on another thread, waits until
// it returns: afterwards nothing the routine uses is touched again. Called
// from the routine itself, it stops the timer without waiting. False for an
// unknown id.
bool Kill(uint32_t timerId);

// Number of timers running.
int RunningCount();

}  // namespace vimsa::mmtimer
