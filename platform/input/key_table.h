#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

// The keyboard as the demo reads it: polled, not event-driven. Each query
// says whether a key is down now and whether it was pressed since the
// previous query of that key, as the desktop's asynchronous key-state call
// does. The host feeds the table from its key events (or a script does).
// Everything runs on the interface thread: the table has no lock.
namespace vimsa::input {

enum class Key : uint8_t {
    Escape,
    F1,
    F5,
    F6,
    F12,
    B,
    C,
    D,
    E,
    F,
    J,
    K,
    M,
    P,
    S,
    W,
    Pause,
    PageUp,
    PageDown,
    Numpad0,
    Numpad2,
    Numpad4,
    Numpad6,
    Numpad8,
    Left,
    Right,
    Up,
    Down,
    Count,
};

struct KeyState {
    bool down = false;     // down now
    bool pressed = false;  // went down since the previous query of the key
};

class KeyTable {
public:
    // Host side: key events. A key pressed and released between two queries
    // still reads as pressed once.
    void KeyDown(Key key);
    void KeyUp(Key key);
    // Every key up and nothing pressed (the window lost the keyboard).
    void Reset();

    // Demo side: the state of the key; the pressed mark is consumed.
    KeyState Query(Key key);
    // Fires once per key press.
    bool Pressed(Key key) { return Query(key).pressed; }
    // Acts every frame while the key is down, and once for a press that
    // came and went between two frames.
    bool Held(Key key) {
        const KeyState state = Query(key);
        return state.down || state.pressed;
    }

private:
    static constexpr std::size_t kKeys = static_cast<std::size_t>(Key::Count);
    std::array<KeyState, kKeys> keys_{};
};

// The process-wide table the demo polls.
KeyTable& Keyboard();

// "ESC", "F1", "PAGEUP", "NUMPAD0", "LEFT"...: the names scripts use.
const char* KeyName(Key key);
// The key of a name (any letter case); false for an unknown name.
bool KeyFromName(const char* name, Key& key);

}  // namespace vimsa::input
