#pragma once

// Runs vimsa-tool as a user runs it, for the tool suites.

#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <string>

namespace vimsa::test {

struct ToolRun {
    int status = -1;
    std::string output;  // stdout and stderr together
};

// `arguments` go to a shell after the tool's path; `folder`, when given, is
// the folder the tool runs in.
inline ToolRun Tool(const std::string& arguments, const std::string& folder = {}) {
    ToolRun run;
    std::string command = std::string(VIMSA_TOOL_PATH) + " " + arguments + " 2>&1";
    if (!folder.empty()) command = "cd '" + folder + "' && " + command;
    std::FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return run;
    std::array<char, 512> chunk{};
    size_t n;
    while ((n = std::fread(chunk.data(), 1, chunk.size(), pipe)) > 0)
        run.output.append(chunk.data(), n);
    const int status = pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

}  // namespace vimsa::test
