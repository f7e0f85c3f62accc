// vimsa-tool assets: writes the demo's data folder, and on request contact
// sheets of its pictures and models.
#include <chrono>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "core/result.h"
#include "tools/assets/asset_generator.h"
#include "tools/tool_command.h"

namespace vimsa::tool {
namespace {

void PrintAssetsUsage(std::FILE* out) {
    std::fprintf(out,
                 "usage: vimsa-tool assets [--preview] DIR\n\n"
                 "Writes the demo's data folder DIR (created when missing; what an earlier\n"
                 "run wrote there is replaced): the textures and the heads-up font, the\n"
                 "character and prop models in the mesh folder's archive, the terrain in the\n"
                 "root archive with its .CAT directory, the music, and the databases\n"
                 "Vimsa.cat and runtime.cat. Everything is made by code: two runs write the\n"
                 "same bytes.\n\n"
                 "--preview    also draws contact sheets into DIR/preview: every texture\n"
                 "             (textures.tga), every model from two sides (models.tga) and\n"
                 "             the terrain (terrain.tga), headless through the OpenGL back-end\n");
}

struct AssetOptions {
    std::string folder;
    bool preview = false;
};

bool ParseAssetOptions(const std::vector<std::string_view>& args, AssetOptions& o) {
    for (std::string_view a : args) {
        if (a == "--preview") {
            o.preview = true;
        } else if (o.folder.empty() && !a.empty() && a[0] != '-') {
            o.folder = std::string(a);
        } else {
            return false;
        }
    }
    return !o.folder.empty();
}

int RunAssets(const std::vector<std::string_view>& args) {
    if (WantsHelp(args)) {
        PrintAssetsUsage(stdout);
        return 0;
    }
    AssetOptions options;
    if (!ParseAssetOptions(args, options)) {
        PrintAssetsUsage(stderr);
        return 2;
    }
    const auto start = std::chrono::steady_clock::now();
    AssetGenerator generator;
    AssetGenerator::Report report;
    const Result r = generator.Generate(options.folder, options.preview, report);
    if (Failed(r)) return ReportFailure("assets", generator.FailedStep(), r);
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    std::printf("%s: %zu textures, %zu models, %zu music files, %.1f MB in %.2f s\n",
                options.folder.c_str(), report.textures.size(), report.models.size(),
                report.music.size(), static_cast<double>(report.bytes) / 1e6, took.count());
    for (const std::string& sheet : report.previews)
        std::printf("%s/%s\n", options.folder.c_str(), sheet.c_str());
    return 0;
}

const Registrar kAssets{{"assets", "write the demo's data folder", &RunAssets}};

}  // namespace
}  // namespace vimsa::tool
