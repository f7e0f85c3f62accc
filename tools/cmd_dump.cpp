// vimsa-tool dump: prints the chunk tree of a chunk file.
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "core/result.h"
#include "io/catalogs.h"
#include "io/chunk_tree.h"
#include "io/file_stream.h"
#include "tools/tool_command.h"

namespace vimsa::tool {
namespace {

void PrintDumpUsage(std::FILE* out) {
    std::fprintf(out,
                 "usage: vimsa-tool dump FILE\n\n"
                 "Prints every chunk of a chunk file (object files, databases, \".F\"\n"
                 "textures), one line each, indented by depth: tag, size, version and the\n"
                 "chunk's position. An \"OGDB\" header with compression mode 1 is expanded\n"
                 "and the tree inside it printed. A damaged file prints what could be\n"
                 "read, then the error (exit status 1). In a data folder (one with\n"
                 "Vimsa.cat) files inside its archives are found as the demo finds them.\n");
}

std::string PrintableTag(const ChunkTag& tag) {
    std::string out;
    for (char c : tag.bytes)
        out.push_back(c >= 0x20 && c < 0x7F ? c : '?');
    return out;
}

void PrintItem(const ChunkTreeItem& item) {
    std::printf("%*s%s  size %u", item.depth * 2, "", PrintableTag(item.header.tag).c_str(),
                item.header.size);
    if (item.hasVersion) std::printf("  version %u", item.version);
    if (item.isObjectHeader) {
        std::printf("  id %u  compression %u", item.objectId, item.compression);
    }
    std::printf("  (at %u)\n", item.header.start);
}

int RunDump(const std::vector<std::string_view>& args) {
    if (WantsHelp(args)) {
        PrintDumpUsage(stdout);
        return 0;
    }
    if (args.size() != 1) {
        PrintDumpUsage(stderr);
        return 2;
    }
    const std::string path(args[0]);
    MountDataFolder();
    FileStream stream;
    Result r = OpenReadCatalog(stream, path.c_str());
    if (Succeeded(r)) r = WalkChunkTree(stream, &PrintItem);
    if (Failed(r)) {
        const char* name = ResultName(r);
        std::fflush(stdout);
        std::fprintf(stderr, "vimsa-tool dump: %s: 0x%08X %s (%s)\n", path.c_str(),
                     static_cast<unsigned>(r), name ? name : "?", ResultText(r));
        return 1;
    }
    return 0;
}

const Registrar kDump{{"dump", "print the chunk tree of a chunk file", &RunDump}};

}  // namespace
}  // namespace vimsa::tool
