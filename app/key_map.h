#pragma once

#include <Qt>

#include "platform/input/key_table.h"

namespace vimsa::app {

// The demo key a Qt key event stands for; false for keys the demo does not
// read. The keypad's 0, 2, 4, 6 and 8 count as keypad keys whether Num Lock
// turned them into digits or into Insert and arrows.
bool MapKey(int qtKey, Qt::KeyboardModifiers modifiers, input::Key& key);

}  // namespace vimsa::app
