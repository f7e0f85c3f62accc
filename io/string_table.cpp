#include "io/string_table.h"

#include <iterator>

namespace vimsa {
namespace {

struct StringEntry {
    uint32_t number;
    const char* text;
};

constexpr StringEntry kStrings[] = {
    {kStringIdDatabaseFile, "data\\main.cat"},
    {kStringUserDatabaseFile, "runtime.cat"},
    {kStringDemoDatabaseFile, "Vimsa.cat"},
    {kStringArchiveRoot, "VimsaData"},
    {kStringRuntimeUser, "Runtime"},
    {kStringLevelFile, "mesh/level000.f3ds"},
    {kStringKelmaFile, "mesh/KelmaRun.f3ds"},
    {kStringVonaFile, "mesh/VonaRun6.f3ds"},
    {kStringFountainFile, "mesh/Fountain.f3ds"},
    {kStringFontTexture, "texture/fnt8.tga"},
    {kStringWhiteTexture, "texture/white.bmp"},
    {kStringTerrainFile, "terrain/terrain.txt"},
};

}  // namespace

const char* StringTableText(uint32_t number) {
    for (const StringEntry& e : kStrings) {
        if (e.number == number) return e.text;
    }
    return nullptr;
}

}  // namespace vimsa
