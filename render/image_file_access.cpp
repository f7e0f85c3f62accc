#include "render/image_file_access.h"

#include <cstdio>
#include <filesystem>
#include <memory>
#include <system_error>

#include "render/text_util.h"

namespace vimsa::image_files {
namespace {

namespace fs = std::filesystem;

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// The entry of `folder` named `name`: the exact name when it exists, else the
// first entry equal to it ignoring case, else the name itself.
fs::path MatchComponent(const fs::path& folder, const std::string& name) {
    std::error_code ec;
    const fs::path exact = folder / name;
    if (fs::exists(exact, ec)) return exact;
    const fs::path where = folder.empty() ? fs::path(".") : folder;
    for (fs::directory_iterator it(where, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string entry = it->path().filename().string();
        if (EqualsIgnoreCase(entry, name)) return folder / entry;
    }
    return exact;
}

}  // namespace

std::string ResolvePath(std::string_view path) {
    std::string text(path);
    for (char& c : text) {
        if (c == '\\') c = '/';
    }
    if (text.empty()) return text;
    fs::path out = text.front() == '/' ? fs::path("/") : fs::path();
    std::size_t start = text.front() == '/' ? 1 : 0;
    while (start <= text.size()) {
        std::size_t end = text.find('/', start);
        if (end == std::string::npos) end = text.size();
        const std::string part = text.substr(start, end - start);
        if (part.empty() || part == ".") {
            // Repeated or trailing separators name the same folder.
        } else if (part == "..") {
            out /= part;
        } else {
            out = MatchComponent(out, part);
        }
        start = end + 1;
    }
    return out.string();
}

Result ReadWholeFile(std::string_view path, std::vector<uint8_t>& out) {
    out.clear();
    const std::string resolved = ResolvePath(path);
    std::error_code ec;
    if (resolved.empty() || !fs::is_regular_file(resolved, ec)) return ERR_FILE_OPEN;
    File file(std::fopen(resolved.c_str(), "rb"));
    if (!file) return ERR_FILE_OPEN;
    if (std::fseek(file.get(), 0, SEEK_END) != 0) return ERR_FILE_SEEK;
    const long length = std::ftell(file.get());
    if (length < 0) return ERR_FILE_SIZE;
    if (std::fseek(file.get(), 0, SEEK_SET) != 0) return ERR_FILE_SEEK;
    out.resize(static_cast<std::size_t>(length));
    if (length > 0 && std::fread(out.data(), 1, out.size(), file.get()) != out.size()) {
        out.clear();
        return ERR_FILE_READ;
    }
    return RESULT_OK;
}

Result WriteWholeFile(std::string_view path, const uint8_t* data, std::size_t size) {
    if (!data && size > 0) return ERR_NULL_ARGUMENT;
    const std::string resolved = ResolvePath(path);
    if (resolved.empty()) return ERR_FILE_OPEN;
    File file(std::fopen(resolved.c_str(), "wb"));
    if (!file) return ERR_FILE_OPEN;
    if (size > 0 && std::fwrite(data, 1, size, file.get()) != size) return ERR_FILE_WRITE;
    if (std::fclose(file.release()) != 0) return ERR_FILE_WRITE;
    return RESULT_OK;
}

std::vector<std::string> ListFiles(std::string_view folder) {
    std::vector<std::string> names;
    std::error_code ec;
    const std::string resolved = ResolvePath(folder);
    for (fs::directory_iterator it(resolved.empty() ? "." : resolved, ec), end; !ec && it != end;
         it.increment(ec)) {
        if (it->is_regular_file(ec)) names.push_back(it->path().filename().string());
    }
    return names;
}

bool MakeFolders(std::string_view folder) {
    const std::string resolved = ResolvePath(folder);
    std::error_code ec;
    if (fs::is_directory(resolved, ec)) return true;
    fs::create_directories(resolved, ec);
    return fs::is_directory(resolved, ec);
}

}  // namespace vimsa::image_files
