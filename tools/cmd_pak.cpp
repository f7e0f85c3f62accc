// vimsa-tool pak: builds the archives of a data folder and lists archives.
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "core/result.h"
#include "io/archive_builder.h"
#include "io/catalog.h"
#include "io/catalog_directory.h"
#include "tools/tool_command.h"

namespace vimsa::tool {
namespace {

void PrintPakUsage(std::FILE* out) {
    std::fprintf(out,
                 "usage: vimsa-tool pak DIR [--cat]\n"
                 "       vimsa-tool pak --list ARCHIVE\n\n"
                 "DIR          writes, for DIR and every folder below it, the folder's\n"
                 "             archive of the files in it: VimsaData.PAK in DIR, NAME.PAK\n"
                 "             (the folder's name in upper case) below; entry names are the\n"
                 "             files' paths relative to DIR in upper case with \"\\\". The\n"
                 "             directory goes to the archive's end, or with --cat to a\n"
                 "             separate NAME.CAT. Folders without files get no archive.\n"
                 "--list       prints an archive's entries: size, offset and name\n");
}

int Fail(const std::string& what, Result code) {
    return ReportFailure("pak", what, code);
}

int List(const std::string& archive) {
    PakCatalog catalog;
    const Result r = LoadArchiveCatalog(archive, catalog);
    if (Failed(r)) return Fail("cannot read the directory of " + archive, r);
    const std::string from = catalog.GetFileName();
    std::printf("%s: %zu entr%s, directory %s\n", archive.c_str(), catalog.Count(),
                catalog.Count() == 1 ? "y" : "ies",
                from.empty() ? "at the archive's end" : ("in " + from).c_str());
    std::printf("%10s %10s  %s\n", "size", "offset", "name");
    for (const auto& [name, entry] : catalog.Entries())
        std::printf("%10u %10u  %s\n", entry.first, entry.second, name.c_str());
    return 0;
}

int RunPak(const std::vector<std::string_view>& args) {
    if (WantsHelp(args)) {
        PrintPakUsage(stdout);
        return 0;
    }
    if (args.size() == 2 && args[0] == "--list") return List(std::string(args[1]));
    bool separate = false;
    std::string folder;
    for (std::string_view a : args) {
        if (a == "--cat") {
            separate = true;
        } else if (folder.empty() && !a.empty() && a[0] != '-') {
            folder = std::string(a);
        } else {
            PrintPakUsage(stderr);
            return 2;
        }
    }
    if (folder.empty()) {
        PrintPakUsage(stderr);
        return 2;
    }
    size_t archives = 0;
    const Result r = BuildArchiveTree(folder, separate, [&](const ArchiveReport& report) {
        if (Failed(report.result)) return;
        ++archives;
        std::printf("%s: %zu entr%s%s%s\n", report.archivePath.c_str(), report.entries,
                    report.entries == 1 ? "y" : "ies",
                    report.catalogPath.empty() ? "" : ", directory in ",
                    report.catalogPath.c_str());
    });
    if (Failed(r)) return Fail("cannot build the archives of " + folder, r);
    std::printf("%zu archive%s written\n", archives, archives == 1 ? "" : "s");
    return 0;
}

const Registrar kPak{{"pak", "build or list catalog archives", &RunPak}};

}  // namespace
}  // namespace vimsa::tool
