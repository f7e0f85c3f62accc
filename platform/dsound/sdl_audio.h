#pragma once

// SDL's audio subsystem, started by the first user and stopped after the last.
namespace vimsa::sdl_audio {

// True when the subsystem runs (a driver could be opened).
bool Acquire();
void Release();

// Name of the running audio driver ("pulseaudio", "disk", "dummy"...), or
// an empty string.
const char* DriverName();

}  // namespace vimsa::sdl_audio
