// vimsa-tool: file, image, module and asset commands of the engine.
#include <cstdio>
#include <string_view>
#include <vector>

#include "io/catalogs.h"
#include "platform/files/file_system.h"
#include "tools/tool_command.h"

namespace vimsa::tool {
namespace {

std::vector<Command>& Registry() {
    static std::vector<Command> commands;
    return commands;
}

void PrintUsage(std::FILE* out) {
    std::fprintf(
        out, "usage: vimsa-tool COMMAND [ARGS...]   (vimsa-tool COMMAND --help for details)\n\n");
    std::fprintf(out, "commands:\n");
    for (const Command& c : Commands())
        std::fprintf(out, "  %-10s %s\n", c.name, c.summary);
}

}  // namespace

Registrar::Registrar(const Command& command) {
    Registry().push_back(command);
}

const std::vector<Command>& Commands() {
    return Registry();
}

bool WantsHelp(const std::vector<std::string_view>& args) {
    for (std::string_view a : args) {
        if (a == "--help" || a == "-h") return true;
    }
    return false;
}

void MountDataFolder() {
    // Without a database the disk alone serves, as for any other folder.
    if (files::IsFile("Vimsa.cat")) (void)LoadDatabase("Vimsa.cat");
}

int ReportFailure(const char* command, const std::string& what, Result code) {
    const char* name = ResultName(code);
    std::fprintf(stderr, "vimsa-tool %s: %s: 0x%08X %s (%s)\n", command, what.c_str(),
                 static_cast<unsigned>(code), name ? name : "?", ResultText(code));
    return 1;
}

}  // namespace vimsa::tool

int main(int argc, char** argv) {
    using namespace vimsa::tool;
    if (argc < 2 || std::string_view(argv[1]) == "--help" || std::string_view(argv[1]) == "-h") {
        PrintUsage(argc < 2 ? stderr : stdout);
        return argc < 2 ? 2 : 0;
    }
    const std::string_view name = argv[1];
    for (const Command& c : Commands()) {
        if (name == c.name) return c.run(std::vector<std::string_view>(argv + 2, argv + argc));
    }
    std::fprintf(stderr, "vimsa-tool: unknown command '%.*s'\n\n", static_cast<int>(name.size()),
                 name.data());
    PrintUsage(stderr);
    return 2;
}
