#include "app/key_map.h"

#include <array>
#include <utility>

namespace vimsa::app {
namespace {

using input::Key;

bool MapKeypadKey(int qtKey, Key& key) {
    // Num Lock on gives the digit, off gives the key printed under it.
    static constexpr std::array<std::pair<int, Key>, 10> kKeypad = {{
        {Qt::Key_0, Key::Numpad0},
        {Qt::Key_Insert, Key::Numpad0},
        {Qt::Key_2, Key::Numpad2},
        {Qt::Key_Down, Key::Numpad2},
        {Qt::Key_4, Key::Numpad4},
        {Qt::Key_Left, Key::Numpad4},
        {Qt::Key_6, Key::Numpad6},
        {Qt::Key_Right, Key::Numpad6},
        {Qt::Key_8, Key::Numpad8},
        {Qt::Key_Up, Key::Numpad8},
    }};
    for (const auto& [code, mapped] : kKeypad) {
        if (code == qtKey) {
            key = mapped;
            return true;
        }
    }
    return false;
}

}  // namespace

bool MapKey(int qtKey, Qt::KeyboardModifiers modifiers, Key& key) {
    if (modifiers.testFlag(Qt::KeypadModifier) && MapKeypadKey(qtKey, key)) return true;
    static constexpr std::array<std::pair<int, Key>, 23> kKeys = {{
        {Qt::Key_Escape, Key::Escape},
        {Qt::Key_F1, Key::F1},
        {Qt::Key_F5, Key::F5},
        {Qt::Key_F6, Key::F6},
        {Qt::Key_F12, Key::F12},
        {Qt::Key_B, Key::B},
        {Qt::Key_C, Key::C},
        {Qt::Key_D, Key::D},
        {Qt::Key_E, Key::E},
        {Qt::Key_F, Key::F},
        {Qt::Key_J, Key::J},
        {Qt::Key_K, Key::K},
        {Qt::Key_M, Key::M},
        {Qt::Key_P, Key::P},
        {Qt::Key_S, Key::S},
        {Qt::Key_W, Key::W},
        {Qt::Key_Pause, Key::Pause},
        {Qt::Key_PageUp, Key::PageUp},
        {Qt::Key_PageDown, Key::PageDown},
        {Qt::Key_Left, Key::Left},
        {Qt::Key_Right, Key::Right},
        {Qt::Key_Up, Key::Up},
        {Qt::Key_Down, Key::Down},
    }};
    for (const auto& [code, mapped] : kKeys) {
        if (code == qtKey) {
            key = mapped;
            return true;
        }
    }
    return false;
}

}  // namespace vimsa::app
