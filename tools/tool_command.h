#pragma once

#include "core/result.h"

#include <string>
#include <string_view>
#include <vector>

namespace vimsa::tool {

// One subcommand of vimsa-tool. `run` receives the arguments after the
// subcommand's name and returns the process exit status.
struct Command {
    const char* name;
    const char* summary;
    int (*run)(const std::vector<std::string_view>& args);
};

// Commands register themselves from their own source file:
//   static const tool::Registrar kLz{{"lz", "compress or expand raw LZ blocks", &RunLz}};
class Registrar {
public:
    explicit Registrar(const Command& command);
};

const std::vector<Command>& Commands();

// True when args hold "--help" or "-h".
bool WantsHelp(const std::vector<std::string_view>& args);

// Mounts the current folder's id database "Vimsa.cat" and its archives when
// the folder has one, as the demo does at start-up, so that files packed in
// the data folder's archives are found by the commands that read them.
void MountDataFolder();

// Prints "vimsa-tool COMMAND: WHAT: 0x... NAME (meaning)" to stderr and
// returns the failure exit status 1.
int ReportFailure(const char* command, const std::string& what, Result code);

}  // namespace vimsa::tool
