#include "render/text_util.h"

namespace vimsa {

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
