#pragma once

// A small data folder for start-up tests: the pictures, the character and
// the terrain a demo start needs, made here so that each test can take one
// piece away.

#include <filesystem>
#include <string>

namespace vimsa::test {

// Writes "texture/white.bmp", "texture/fnt8.tga", "mesh/KelmaRun.f3ds" and
// "mesh/VonaRun6.f3ds" (a box body with two limbs and a run cycle),
// "terrain/terrain.txt" with its height picture, into the current folder.
void WriteDemoData();

}  // namespace vimsa::test
