#pragma once

#include <functional>
#include <string>
#include <vector>

#include "core/result.h"

namespace vimsa {

// One file to put into an archive, under the entry name the catalog looks up
// (upper case, "\" between the parts, relative to the database folder).
struct ArchiveSource {
    std::string entryName;
    std::string path;
};

// Writes an archive of `sources` in the given order. Without `catalogPath`
// the "PAK " directory and its position follow the entries in the archive;
// with it the directory goes to that separate file. Entry names longer than a
// stored text may be, and archives passing 4 GiB, give ERR_OUT_OF_RANGE.
Result WriteArchive(const std::string& archivePath, const std::vector<ArchiveSource>& sources,
                    const std::string& catalogPath = {});

// What BuildArchiveTree did for one folder.
struct ArchiveReport {
    std::string archivePath;
    std::string catalogPath;  // empty when the directory is inside the archive
    size_t entries = 0;
    Result result = RESULT_OK;
};

// Builds, for `folder` and every folder below it (names beginning with "."
// skipped), the archive the catalogs expect: "VimsaData.PAK" for `folder`
// itself, NAME.PAK (the folder's name in upper case) in each subfolder, holding
// the files of that folder. With `separateCatalog` each directory goes to
// NAME.CAT beside its archive; without it a stale NAME.CAT is removed. Folders
// without files get no archive. Stops at the first failure and returns it.
Result BuildArchiveTree(const std::string& folder, bool separateCatalog,
                        const std::function<void(const ArchiveReport&)>& report = {});

}  // namespace vimsa
