#pragma once

#include <cstdint>
#include <string>

#include "core/result.h"

namespace vimsa {

class Texture;

// Screenshots are written as "Texture\Shot\Vimsa000.TGA", "Vimsa001.TGA", ...
// relative to the current folder; the folder is created when it is missing.
inline constexpr char kScreenShotFolder[] = "Texture\\Shot";
inline constexpr int32_t kMaxScreenShots = 1000;

// The number the next screenshot gets: one more than the largest number
// among the "Vimsa???.TGA" files of the folder, 0 when there are none.
int32_t NextScreenShotNumber();
std::string ScreenShotPath(int32_t number);

// Writes the texture as the next screenshot, 24 bits per pixel.
// ERR_TEXTURE_NO_PIXELS without pixels, ERR_TEXTURE_SHOTS_FULL once
// Vimsa999.TGA exists.
Result SaveNextScreenShot(Texture& texture);

}  // namespace vimsa
