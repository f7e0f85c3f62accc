#pragma once

#include <string>
#include <vector>

// The program's command line. The shell recognises one parameter of its
// own, "3DS=" followed by a file name (the prefix in any letter case), whose
// file name is only stored. "--data DIR" names the data folder the program
// runs from. Every other parameter is ignored; no file is opened from the
// command line.
namespace vimsa::app {

struct CommandLine {
    std::string importFile;  // from "3DS=", empty without one
    std::string dataFolder;  // from "--data", empty without one
};

// `arguments` excludes the program name.
CommandLine ParseCommandLine(const std::vector<std::string>& arguments);

}  // namespace vimsa::app
