#include "render/text_util.h"

#include <cctype>

namespace vimsa {

bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::toupper(static_cast<unsigned char>(a[i])) !=
            std::toupper(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

std::string ToUpper(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return out;
}

std::string_view FileNamePart(std::string_view path) {
    const std::size_t slash = path.find_last_of("/\\");
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

std::string_view BaseName(std::string_view path) {
    std::string_view name = FileNamePart(path);
    const std::size_t dot = name.find_last_of('.');
    return dot == std::string_view::npos ? name : name.substr(0, dot);
}

std::string ReplaceExtension(std::string_view path, std::string_view extension) {
    const std::size_t nameStart = path.size() - FileNamePart(path).size();
    const std::size_t dot = path.find_last_of('.');
    std::string out(
        path.substr(0, dot != std::string_view::npos && dot >= nameStart ? dot : path.size()));
    out += extension;
    return out;
}

}  // namespace vimsa
