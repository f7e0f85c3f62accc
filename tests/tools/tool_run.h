#pragma once

// Runs the tools as a user runs them, for the tool suites.

#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <string>

namespace vimsa::test {

struct ToolRun {
    int status = -1;
    std::string output;  // stdout and stderr together
};

// Runs `program` with `arguments` (through a shell) and collects what it
// prints; `folder`, when given, is the folder it runs in.
inline ToolRun RunProgram(const std::string& program, const std::string& arguments,
                          const std::string& folder = {}) {
    ToolRun run;
    std::string command = program + " " + arguments + " 2>&1";
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

// vimsa-tool with `arguments`, in `folder` when given.
inline ToolRun Tool(const std::string& arguments, const std::string& folder = {}) {
    return RunProgram(VIMSA_TOOL_PATH, arguments, folder);
}

}  // namespace vimsa::test
