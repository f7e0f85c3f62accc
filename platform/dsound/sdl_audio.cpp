#include "platform/dsound/sdl_audio.h"

#include <SDL.h>

#include <mutex>

namespace vimsa::sdl_audio {
namespace {

std::mutex g_mutex;
int g_users = 0;

}  // namespace

bool Acquire() {
    const std::lock_guard<std::mutex> lock(g_mutex);
    if (g_users == 0 && SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return false;
    ++g_users;
    return true;
}

void Release() {
    const std::lock_guard<std::mutex> lock(g_mutex);
    if (g_users == 0) return;
    if (--g_users == 0) SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

const char* DriverName() {
    const char* name = SDL_GetCurrentAudioDriver();
    return name ? name : "";
}

}  // namespace vimsa::sdl_audio
