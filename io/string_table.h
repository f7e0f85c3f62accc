#pragma once

#include <cstdint>

namespace vimsa {

// Texts that object names may refer to by number: a name below 65536 is a
// string-table number and is replaced by its text before use.
enum StringId : uint32_t {
    kStringIdDatabaseFile = 1,    // "data\main.cat"
    kStringUserDatabaseFile = 2,  // "runtime.cat"
    kStringDemoDatabaseFile = 3,  // "Vimsa.cat"
    kStringArchiveRoot = 4,       // "VimsaData"
    kStringRuntimeUser = 5,       // "Runtime"
    kStringLevelFile = 100,       // "mesh/level000.f3ds"
    kStringKelmaFile = 101,       // "mesh/KelmaRun.f3ds"
    kStringVonaFile = 102,        // "mesh/VonaRun6.f3ds"
    kStringFountainFile = 103,    // "mesh/Fountain.f3ds"
    kStringFontTexture = 110,     // "texture/fnt8.tga"
    kStringWhiteTexture = 111,    // "texture/white.bmp"
    kStringTerrainFile = 120,     // "terrain/terrain.txt"
};

// Numbers at or above this are not string-table numbers.
inline constexpr uint32_t kStringTableLimit = 65536;

// The text of an entry, or nullptr when the table has none under `number`.
const char* StringTableText(uint32_t number);

}  // namespace vimsa
