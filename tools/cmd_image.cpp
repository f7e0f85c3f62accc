// vimsa-tool image: loads a picture with the engine's readers and writes it as
// an uncompressed TGA.
#include <algorithm>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "core/ref_object.h"
#include "core/result.h"
#include "platform/files/file_system.h"
#include "render/image_bytes.h"
#include "render/image_file.h"
#include "render/image_file_access.h"
#include "render/texture.h"
#include "render/tga_image.h"
#include "tools/tool_command.h"

namespace vimsa::tool {
namespace {

void PrintImageUsage(std::FILE* out) {
    std::fprintf(out,
                 "usage: vimsa-tool image IN OUT.tga [--format 0555|0565|0888|1555|4444|8888]\n\n"
                 "Loads IN (TGA, BMP, PCX or a pre-converted .FTGA/.FBMP/.FPCX texture; a\n"
                 "pre-converted twin of IN is read first, as the engine does), optionally\n"
                 "converts it to another pixel format and writes it as an uncompressed TGA\n"
                 "of the format's depth (16, 24 or 32 bits). Prints size and format.\n");
}

int Fail(const std::string& what, Result code) {
    return ReportFailure("image", what, code);
}

bool EndsWith(std::string_view text, std::string_view end) {
    return text.size() >= end.size() && text.substr(text.size() - end.size()) == end;
}

// A BMP texture keeps its file's row order, bottom row first unless the file
// gives a negative height; its pre-converted twin keeps it too. Every other
// reader turns rows top first, which is what the TGA writer expects.
bool RowsRunBottomUp(const Texture& picture) {
    const std::string path = files::ToUpper(picture.Path());
    if (EndsWith(path, ".FBMP")) return true;
    if (!EndsWith(path, ".BMP")) return false;
    std::vector<uint8_t> file;
    if (Failed(image_files::ReadWholeFile(picture.Path(), file)) || file.size() < 26) return true;
    return static_cast<int32_t>(ReadLe32(file, 22)) > 0;
}

void TurnRowsOver(Texture& picture) {
    uint8_t* pixels = picture.Pixels();
    const std::size_t row = picture.ByteSize() / (picture.Height() ? picture.Height() : 1);
    for (uint32_t top = 0, bottom = picture.Height(); top + 1 < bottom; ++top, --bottom)
        std::swap_ranges(pixels + top * row, pixels + (top + 1) * row, pixels + (bottom - 1) * row);
}

void PrintPicture(const char* label, const Texture& t) {
    std::printf("%s %ux%u %s (%u bits)\n", label, t.Width(), t.Height(), FormatName(t.Format()),
                t.BitsPerPixel());
}

int RunImage(const std::vector<std::string_view>& args) {
    if (WantsHelp(args)) {
        PrintImageUsage(stdout);
        return 0;
    }
    std::vector<std::string> paths;
    int32_t format = kFormat0000;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--format" && i + 1 < args.size()) {
            format = FormatFromName(std::string(args[++i]).c_str());
            if (format == kFormat0000) {
                std::fprintf(stderr, "vimsa-tool image: unknown format '%.*s'\n\n",
                             static_cast<int>(args[i].size()), args[i].data());
                PrintImageUsage(stderr);
                return 2;
            }
        } else {
            paths.emplace_back(args[i]);
        }
    }
    if (paths.size() != 2) {
        PrintImageUsage(stderr);
        return 2;
    }

    Handle<Texture> picture(new Texture);
    Result r = LoadImage(picture.Get(), paths[0], kImageByExtension);
    if (Failed(r)) return Fail("cannot load " + paths[0], r);
    PrintPicture(paths[0].c_str(), *picture);
    // The written picture is upright whatever the source's row order.
    if (RowsRunBottomUp(*picture)) TurnRowsOver(*picture);
    if (format != kFormat0000) {
        r = picture->Convert(format, kOrderKeep);
        if (Failed(r)) return Fail("cannot convert to " + std::string(FormatName(format)), r);
    }
    std::vector<uint8_t> bytes;
    r = EncodeTga(*picture, picture->BitsPerPixel(), bytes);
    if (Succeeded(r)) r = image_files::WriteWholeFile(paths[1], bytes.data(), bytes.size());
    if (Failed(r)) return Fail("cannot write " + paths[1], r);
    PrintPicture(paths[1].c_str(), *picture);
    return 0;
}

const Registrar kImage{{"image", "convert a TGA, BMP, PCX or .F texture to a TGA", &RunImage}};

}  // namespace
}  // namespace vimsa::tool
