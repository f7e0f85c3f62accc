#include "app/command_line.h"

#include <cctype>
#include <string_view>

namespace vimsa::app {
namespace {

constexpr std::string_view kImportPrefix = "3DS=";

bool HasImportPrefix(std::string_view argument) {
    if (argument.size() < kImportPrefix.size()) return false;
    for (size_t i = 0; i < kImportPrefix.size(); ++i) {
        const auto c = static_cast<unsigned char>(argument[i]);
        if (std::toupper(c) != kImportPrefix[i]) return false;
    }
    return true;
}

}  // namespace

CommandLine ParseCommandLine(const std::vector<std::string>& arguments) {
    CommandLine line;
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument == "--data" && i + 1 < arguments.size()) {
            line.dataFolder = arguments[++i];
        } else if (HasImportPrefix(argument)) {
            line.importFile = argument.substr(kImportPrefix.size());
        }
    }
    return line;
}

}  // namespace vimsa::app
