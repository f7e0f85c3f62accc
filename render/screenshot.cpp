#include "render/screenshot.h"

#include <algorithm>
#include <cctype>

#include "core/format_string.h"
#include "platform/files/file_system.h"
#include "render/image_file.h"
#include "render/image_file_access.h"
#include "render/text_util.h"
#include "render/texture.h"

namespace vimsa {
namespace {

// The number of a "VimsaNNN.TGA" name, or -1 for any other name.
int32_t ShotNumber(const std::string& name) {
    if (name.size() != 12) return -1;
    if (!files::EqualsIgnoreCase(name.substr(0, 5), "Vimsa") ||
        !files::EqualsIgnoreCase(name.substr(8), ".TGA"))
        return -1;
    int32_t number = 0;
    for (int i = 5; i < 8; ++i) {
        if (!std::isdigit(static_cast<unsigned char>(name[i]))) return -1;
        number = number * 10 + (name[i] - '0');
    }
    return number;
}

}  // namespace

int32_t NextScreenShotNumber() {
    int32_t largest = -1;
    for (const std::string& name : image_files::ListFiles(kScreenShotFolder))
        largest = std::max(largest, ShotNumber(name));
    return largest + 1;
}

std::string ScreenShotPath(int32_t number) {
    return Format("%s\\Vimsa%s%s%d.TGA", kScreenShotFolder, number < 100 ? "0" : "",
                  number < 10 ? "0" : "", number);
}

Result SaveNextScreenShot(Texture& texture) {
    if (!texture.Pixels()) return ERR_TEXTURE_NO_PIXELS;
    const int32_t number = NextScreenShotNumber();
    if (number >= kMaxScreenShots) return ERR_TEXTURE_SHOTS_FULL;
    if (!image_files::MakeFolders(kScreenShotFolder)) return ERR_IMAGE_WRITE_FAILED;
    return SaveImage(&texture, ScreenShotPath(number), kImageTga, 24);
}

}  // namespace vimsa
