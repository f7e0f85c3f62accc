#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/result.h"

namespace vimsa::tool {

// Writes the demo's whole data folder: textures and the heads-up font, the
// models in node-tree files packed into the mesh folder's archive, the
// terrain in the root archive, the music, and the id and user databases as
// the engine leaves them. Everything comes from code and fixed seeds, so
// two runs write the same bytes.
class AssetGenerator {
public:
    // What a run wrote, relative to the data folder.
    struct Report {
        std::vector<std::string> textures;  // picture files
        std::vector<std::string> models;    // node-tree files, as the demo names them
        std::vector<std::string> terrain;   // the description and its pictures
        std::vector<std::string> music;
        std::vector<std::string> previews;  // contact sheets, when asked for
        uint64_t bytes = 0;                 // size of the folder, sheets left out
    };

    // The entries of a data folder that a run replaces. Anything else found
    // in a folder that holds none of them makes the run refuse it.
    static const std::vector<std::string>& GeneratedEntries();

    // Generates into `folder` (created when missing), and with `previews`
    // the contact sheets into its "preview" folder. The process works in
    // that folder while generating, as the engine's databases expect, and
    // returns to its own folder afterwards.
    Result Generate(const std::string& folder, bool previews, Report& report);

    // The folder step that failed, for messages.
    const std::string& FailedStep() const { return failedStep_; }

private:
    Result Step(const char* name, Result result);
    Result WriteTextures(Report& report);
    Result WriteFont(Report& report);
    Result WriteModels(Report& report);
    Result PackArchives(const Report& report);

    std::string failedStep_;
};

}  // namespace vimsa::tool
