// vimsa-tool view: renders a node-tree file or a terrain description into a
// picture, headless, through the OpenGL back-end.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "core/result.h"
#include "tools/scene_view.h"
#include "tools/tool_command.h"

namespace vimsa::tool {
namespace {

void PrintViewUsage(std::FILE* out) {
    std::fprintf(
        out,
        "usage: vimsa-tool view FILE OUT.tga [--size WxH] [--yaw DEG] [--pitch DEG] [--wire]\n"
        "                       [--pose MS]\n\n"
        "Loads a node-tree object file (any name: the chunk tag decides) or a terrain\n"
        "description (.txt), frames its whole bounding box from the direction given by\n"
        "--yaw (about the vertical axis, default 30) and --pitch (looking down, default\n"
        "20), lights it, renders one frame headless through the OpenGL back-end and\n"
        "writes it as a 32-bit TGA (default 640x480; the back-end draws a 4:3 frustum,\n"
        "so other shapes stretch the picture). Files are read from the current folder,\n"
        "as the demo reads them from its data folder, and from its archives when the\n"
        "folder has Vimsa.cat. Prints what was loaded.\n"
        "--pose MS plays the file's animations forward to MS milliseconds into a\n"
        "700 ms pass, the demo's run cycle, before drawing.\n");
}

// The demo plays its character's run cycle with passes of this many ms.
constexpr uint32_t kRunPass = 700;

struct ViewOptions {
    std::string in, out;
    uint32_t width = 640, height = 480;
    float yaw = 30.0f, pitch = 20.0f;
    bool wire = false;
    long pose = -1;  // milliseconds into the pass; -1 leaves the file's pose
};

bool ParseNumber(std::string_view text, float& value) {
    const std::string s(text);
    char* end = nullptr;
    value = std::strtof(s.c_str(), &end);
    return end != s.c_str() && *end == '\0' && std::isfinite(value);
}

bool ParseSize(std::string_view text, uint32_t& width, uint32_t& height) {
    unsigned w = 0, h = 0;
    char rest = 0;
    if (std::sscanf(std::string(text).c_str(), "%ux%u%c", &w, &h, &rest) != 2) return false;
    if (w < 16 || h < 16 || w > 4096 || h > 4096) return false;
    width = w;
    height = h;
    return true;
}

bool ParseViewOptions(const std::vector<std::string_view>& args, ViewOptions& o) {
    std::vector<std::string_view> paths;
    for (size_t i = 0; i < args.size(); ++i) {
        const bool hasValue = i + 1 < args.size();
        if (args[i] == "--wire") {
            o.wire = true;
        } else if (args[i] == "--size" && hasValue) {
            if (!ParseSize(args[++i], o.width, o.height)) return false;
        } else if (args[i] == "--yaw" && hasValue) {
            if (!ParseNumber(args[++i], o.yaw)) return false;
        } else if (args[i] == "--pose" && hasValue) {
            float ms = 0;
            if (!ParseNumber(args[++i], ms) || ms < 0 || ms > 1e6f) return false;
            o.pose = static_cast<long>(ms);
        } else if (args[i] == "--pitch" && hasValue) {
            if (!ParseNumber(args[++i], o.pitch) || std::fabs(o.pitch) > 89) return false;
        } else {
            paths.push_back(args[i]);
        }
    }
    if (paths.size() != 2) return false;
    o.in = std::string(paths[0]);
    o.out = std::string(paths[1]);
    return true;
}

void Report(const ViewOptions& o, SceneView& view) {
    const SceneCensus c = view.Census();
    std::printf(
        "%s: %d nodes, %d meshes, %llu triangles, %zu textures, %d lights, "
        "%d portals, %zu animations, %d terrain blocks\n",
        o.in.c_str(), c.nodes, c.meshes, static_cast<unsigned long long>(c.triangles), c.textures,
        c.lights, c.portals, c.animations, c.blocks);
    for (const std::string& path : view.MissingTextures())
        std::printf("texture not found: %s\n", path.c_str());
}

int View(const ViewOptions& o) {
    MountDataFolder();
    SceneView view(o.width, o.height);
    Result r = view.Open();
    if (r == ERR_GL_INIT) {
        std::fprintf(stderr, "vimsa-tool view: no headless OpenGL context\n");
        return 1;
    }
    if (Succeeded(r)) r = view.Load(o.in);
    if (Failed(r)) return ReportFailure("view", "cannot load " + o.in, r);
    Report(o, view);
    if (o.pose >= 0 && !view.Pose(static_cast<uint32_t>(o.pose), kRunPass))
        std::printf("no animation to pose\n");
    std::vector<uint8_t> rgba;
    r = view.Render({o.yaw, o.pitch}, o.wire, rgba);
    if (Succeeded(r)) r = WriteRgbaTga(o.out, o.width, o.height, rgba);
    if (Failed(r)) return ReportFailure("view", "cannot write " + o.out, r);
    std::printf("wrote %s (%ux%u)\n", o.out.c_str(), o.width, o.height);
    return 0;
}

int RunView(const std::vector<std::string_view>& args) {
    if (WantsHelp(args)) {
        PrintViewUsage(stdout);
        return 0;
    }
    ViewOptions options;
    if (!ParseViewOptions(args, options)) {
        PrintViewUsage(stderr);
        return 2;
    }
    return View(options);
}

const Registrar kView{{"view", "render a node-tree file or a terrain into a TGA", &RunView}};

}  // namespace
}  // namespace vimsa::tool
