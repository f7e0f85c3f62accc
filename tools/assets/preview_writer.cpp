#include "tools/assets/preview_writer.h"

#include <filesystem>
#include <system_error>

#include "render/image_file.h"
#include "render/texture.h"
#include "tools/assets/contact_sheet.h"
#include "tools/scene_view.h"

namespace vimsa::tool {
namespace {

constexpr uint32_t kPass = 700;  // the run cycle's pass, as the demo plays it

std::string BaseName(const std::string& path) {
    const size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

Picture LoadPicture(const std::string& path) {
    Handle<Texture> texture(new Texture);
    if (Failed(LoadImage(texture.Get(), path, kImageByExtension))) return Picture(0, 0);
    return Picture::FromTexture(*texture);
}

Result Shoot(SceneView& view, ViewAngle angle, Picture& out) {
    std::vector<uint8_t> rgba;
    const Result r = view.Render(angle, false, rgba);
    if (Succeeded(r)) out = Picture::FromRgba(view.Width(), view.Height(), rgba);
    return r;
}

Result TextureSheet(const AssetGenerator::Report& report, const Picture& font,
                    const std::string& path) {
    ContactSheet sheet(6, 160, 160, font);
    std::vector<std::string> pictures = report.textures;
    for (const std::string& p : report.terrain) {
        if (p.size() > 4 && p.compare(p.size() - 4, 4, ".tga") == 0) pictures.push_back(p);
    }
    for (const std::string& p : pictures)
        sheet.Add(LoadPicture(p), BaseName(p));
    return sheet.Compose().SaveTga(path, 24);
}

// Two views of each model: props from the front quarter and the side, the
// characters standing face on and in full stride side on.
Result ModelSheet(const AssetGenerator::Report& report, const Picture& font,
                  const std::string& path) {
    SceneView view(320, 240);
    Result r = view.Open();
    if (Failed(r)) return r;
    ContactSheet sheet(4, 320, 240, font);
    for (const std::string& model : report.models) {
        r = view.Load(model);
        if (Failed(r)) return r;
        const bool character = view.Census().animations > 0;
        Picture first(0, 0), second(0, 0);
        r = Shoot(view, character ? ViewAngle{180, 5} : ViewAngle{200, 12}, first);
        if (character) view.Pose(0, kPass);
        if (Succeeded(r))
            r = Shoot(view, character ? ViewAngle{90, 5} : ViewAngle{110, 12}, second);
        if (Failed(r)) return r;
        const std::string name = BaseName(model);
        sheet.Add(first, name);
        sheet.Add(second, name + (character ? " RUNNING" : " SIDE"));
    }
    return sheet.Compose().SaveTga(path, 24);
}

Result TerrainPicture(const std::string& description, const std::string& path) {
    SceneView view(640, 480);
    Result r = view.Open();
    if (Succeeded(r)) r = view.Load(description);
    Picture shot(0, 0);
    if (Succeeded(r)) r = Shoot(view, {30, 30}, shot);
    return Failed(r) ? r : shot.SaveTga(path, 24);
}

}  // namespace

Result PreviewWriter::WriteAll(const AssetGenerator::Report& report, const std::string& folder,
                               std::vector<std::string>& written) {
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error) return ERR_FILE_WRITE;
    const Picture font = LoadPicture("texture/fnt8.tga");
    const std::string textures = folder + "/textures.tga";
    Result r = TextureSheet(report, font, textures);
    if (Failed(r)) return r;
    written.push_back(textures);
    const std::string models = folder + "/models.tga";
    r = ModelSheet(report, font, models);
    if (Failed(r)) return r;
    written.push_back(models);
    const std::string terrain = folder + "/terrain.tga";
    r = TerrainPicture("terrain/terrain.txt", terrain);
    if (Succeeded(r)) written.push_back(terrain);
    return r;
}

}  // namespace vimsa::tool
