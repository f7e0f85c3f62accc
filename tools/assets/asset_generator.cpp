#include "tools/assets/asset_generator.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "io/archive_builder.h"
#include "io/catalogs.h"
#include "io/serializer.h"
#include "platform/files/file_system.h"
#include "tools/assets/animal_builder.h"
#include "tools/assets/character_builder.h"
#include "tools/assets/font_rasteriser.h"
#include "tools/assets/music_generator.h"
#include "tools/assets/node_meshes.h"
#include "tools/assets/preview_writer.h"
#include "tools/assets/prop_builder.h"
#include "tools/assets/terrain_generator.h"
#include "tools/assets/texture_generator.h"
#include "tools/assets/tree_builder.h"
#include "world/node_tree_serializer.h"

namespace vimsa::tool {
namespace {

namespace fs = std::filesystem;

// The process works inside the data folder for as long as this lives: the
// engine's databases are read and written relative to the current folder.
class WorkingFolder {
public:
    explicit WorkingFolder(const std::string& folder)
        : previous_(files::CurrentDirectory()), entered_(files::ChangeDirectory(folder)) {}
    ~WorkingFolder() {
        if (entered_) (void)files::ChangeDirectory(previous_);  // nothing to do if it went
    }
    WorkingFolder(const WorkingFolder&) = delete;
    WorkingFolder& operator=(const WorkingFolder&) = delete;
    bool Entered() const { return entered_; }

private:
    std::string previous_;
    bool entered_;
};

// Creates the folder, or clears what an earlier run wrote into it. A folder
// with other things in it and no database is not ours to clear.
Result PrepareFolder(const fs::path& folder) {
    std::error_code error;
    fs::create_directories(folder, error);
    if (error || !fs::is_directory(folder)) return ERR_FILE_WRITE;
    if (!fs::is_empty(folder, error) && !fs::exists(folder / "Vimsa.cat")) return ERR_FILE_WRITE;
    for (const std::string& entry : AssetGenerator::GeneratedEntries()) {
        fs::remove_all(folder / entry, error);
        if (error) return ERR_FILE_WRITE;
    }
    return RESULT_OK;
}

// The models, under the names the demo's loader asks for. "mesh/cat" is the
// same file as "mesh/Cat": lookups ignore letter case.
struct ModelRecipe {
    const char* path;
    Result (*build)(Model& out);
};

const std::vector<ModelRecipe>& ModelRecipes() {
    static const std::vector<ModelRecipe> recipes = {
        {"mesh/KelmaRun.f3ds", &CharacterBuilder::Kelmardo},
        {"mesh/VonaRun6.f3ds", &CharacterBuilder::Vona},
        {"mesh/Fountain.f3ds", &PropBuilder::Fountain},
        {"mesh/Column.f3ds", &PropBuilder::Column},
        {"mesh/Liberty.f3ds", &PropBuilder::Liberty},
        {"mesh/Globe.f3ds", &PropBuilder::Globe},
        {"mesh/Cat.f3ds", &AnimalBuilder::Cat},
        {"mesh/Pig.f3ds", &AnimalBuilder::Pig},
        {"mesh/mpl2.f3ds", &TreeBuilder::LeafyTree},
        {"mesh/baobab.f3ds", &TreeBuilder::Baobab},
    };
    return recipes;
}

// An entry's name in an archive: the path in upper case with "\\".
std::string EntryName(const std::string& path) {
    std::string name = files::ToUpper(path);
    std::replace(name.begin(), name.end(), '/', '\\');
    return name;
}

Result Pack(const std::string& archive, const std::vector<std::string>& files,
            const std::string& catalog) {
    std::vector<ArchiveSource> sources;
    for (const std::string& path : files)
        sources.push_back({EntryName(path), path});
    const Result r = WriteArchive(archive, sources, catalog);
    if (Failed(r)) return r;
    // Found only through the catalog from now on.
    std::error_code error;
    for (const std::string& path : files) {
        if (!fs::remove(path, error)) return ERR_FILE_WRITE;
    }
    return RESULT_OK;
}

uint64_t FolderBytes(const fs::path& folder) {
    uint64_t total = 0;
    std::error_code error;
    for (const fs::directory_entry& e : fs::recursive_directory_iterator(folder, error)) {
        if (e.is_regular_file(error)) total += e.file_size(error);
    }
    return total;
}

}  // namespace

const std::vector<std::string>& AssetGenerator::GeneratedEntries() {
    static const std::vector<std::string> entries = {
        "Vimsa.cat", "runtime.cat", "VimsaData.PAK", "VimsaData.CAT", "texture",
        "mesh",      "terrain",     "music",         "preview",
    };
    return entries;
}

Result AssetGenerator::Step(const char* name, Result result) {
    if (Failed(result) && failedStep_.empty()) failedStep_ = name;
    return result;
}

Result AssetGenerator::Generate(const std::string& folder, bool previews, Report& report) {
    failedStep_.clear();
    report = Report{};
    const fs::path absolute = fs::absolute(folder);
    Result r = Step("preparing the folder", PrepareFolder(absolute));
    if (Failed(r)) return r;
    {
        const WorkingFolder inside(absolute.string());
        if (!inside.Entered()) return Step("entering the folder", ERR_FILE_OPEN);
        // A fresh folder has no database yet: the load fails, and the path is
        // remembered for the saves that follow.
        (void)LoadDatabase("Vimsa.cat");
        SetCompressionMode(1);
        r = WriteTextures(report);
        if (Succeeded(r)) r = WriteFont(report);
        if (Succeeded(r))
            r = Step("writing the terrain", TerrainGenerator::WriteAll(report.terrain));
        if (Succeeded(r)) r = Step("writing the music", MusicGenerator::WriteAll(report.music));
        if (Succeeded(r)) r = WriteModels(report);
        if (Succeeded(r)) r = PackArchives(report);
        report.bytes = FolderBytes(absolute);
        if (Succeeded(r) && previews) {
            // Mounted again, now with the archives, to read as the demo reads.
            r = Step("mounting the archives", LoadDatabase("Vimsa.cat"));
            if (Succeeded(r))
                r = Step("drawing the contact sheets",
                         PreviewWriter::WriteAll(report, "preview", report.previews));
        }
    }
    return r;
}

Result AssetGenerator::WriteTextures(Report& report) {
    const Result r = Step("writing the textures", TextureGenerator::WriteAll());
    if (Failed(r)) return r;
    for (const TextureFile& file : TextureGenerator::Files())
        report.textures.push_back(file.path);
    return RESULT_OK;
}

Result AssetGenerator::WriteModels(Report& report) {
    std::error_code error;
    fs::create_directories("mesh", error);
    if (error) return Step("creating the mesh folder", ERR_FILE_WRITE);
    for (const ModelRecipe& recipe : ModelRecipes()) {
        Model model;
        Result r = recipe.build(model);
        if (Succeeded(r)) {
            NodeTreeSerializer writer;
            r = writer.SaveNodeTree(model.root.Get(), recipe.path, model.animations.Get());
        }
        if (Failed(r)) return Step(recipe.path, r);
        report.models.push_back(recipe.path);
    }
    return RESULT_OK;
}

// The mesh folder's archive keeps its directory at its end; the terrain's
// files go into the root archive, whose directory is a separate ".CAT" file.
// A start-up reads through both kinds.
Result AssetGenerator::PackArchives(const Report& report) {
    Result r = Pack("mesh/MESH.PAK", report.models, "");
    if (Failed(r)) return Step("packing the mesh archive", r);
    r = Pack("VimsaData.PAK", report.terrain, "VimsaData.CAT");
    if (Failed(r)) return Step("packing the root archive", r);
    std::error_code error;
    fs::remove("terrain", error);
    return error ? Step("removing the terrain folder", ERR_FILE_WRITE) : RESULT_OK;
}

Result AssetGenerator::WriteFont(Report& report) {
    Picture glyphs(1, 1);
    Result r = FontRasteriser::Grid(FontRasteriser::DefaultFontPath(), 8, 8, 8, 32, glyphs);
    if (Succeeded(r)) r = glyphs.SaveTga("texture/fnt8.tga", 32);
    if (Succeeded(r)) report.textures.push_back("texture/fnt8.tga");
    return Step("rasterising the font", r);
}

}  // namespace vimsa::tool
