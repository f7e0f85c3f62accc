#include "platform/input/key_table.h"

#include <cctype>
#include <cstring>

namespace vimsa::input {
namespace {

constexpr const char* kNames[] = {"ESC",      "F1",      "F5",      "F6",      "F12",     "B",
                                  "C",        "D",       "E",       "F",       "J",       "K",
                                  "M",        "P",       "S",       "W",       "PAUSE",   "PAGEUP",
                                  "PAGEDOWN", "NUMPAD0", "NUMPAD2", "NUMPAD4", "NUMPAD6", "NUMPAD8",
                                  "LEFT",     "RIGHT",   "UP",      "DOWN"};
static_assert(sizeof kNames / sizeof kNames[0] == static_cast<size_t>(Key::Count));

bool SameNameIgnoringCase(const char* a, const char* b) {
    for (; *a && *b; ++a, ++b) {
        if (std::toupper(static_cast<unsigned char>(*a)) !=
            std::toupper(static_cast<unsigned char>(*b)))
            return false;
    }
    return *a == *b;
}

size_t Index(Key key) {
    return static_cast<size_t>(key);
}

}  // namespace

void KeyTable::KeyDown(Key key) {
    if (key >= Key::Count) return;
    KeyState& state = keys_[Index(key)];
    if (!state.down) state.pressed = true;  // auto-repeat is not a new press
    state.down = true;
}

void KeyTable::KeyUp(Key key) {
    if (key >= Key::Count) return;
    keys_[Index(key)].down = false;
}

void KeyTable::Reset() {
    keys_.fill(KeyState{});
}

KeyState KeyTable::Query(Key key) {
    if (key >= Key::Count) return {};
    KeyState& state = keys_[Index(key)];
    const KeyState answer = state;
    state.pressed = false;
    return answer;
}

KeyTable& Keyboard() {
    static KeyTable table;
    return table;
}

const char* KeyName(Key key) {
    return key < Key::Count ? kNames[Index(key)] : "";
}

bool KeyFromName(const char* name, Key& key) {
    if (!name) return false;
    for (size_t i = 0; i < Index(Key::Count); ++i) {
        if (SameNameIgnoringCase(name, kNames[i])) {
            key = static_cast<Key>(i);
            return true;
        }
    }
    return false;
}

}  // namespace vimsa::input
