#include "platform/files/file_system.h"

#include <dirent.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <memory>
#include <new>

namespace vimsa::files {
namespace {

char LowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool Exists(const std::string& path) {
    struct stat info;
    return ::stat(path.empty() ? "." : path.c_str(), &info) == 0;
}

std::vector<std::string> SplitComponents(std::string_view normalized) {
    std::vector<std::string> parts;
    size_t i = 0;
    while (i < normalized.size()) {
        size_t slash = normalized.find('/', i);
        if (slash == std::string_view::npos) slash = normalized.size();
        if (slash > i) parts.emplace_back(normalized.substr(i, slash - i));
        i = slash + 1;
    }
    return parts;
}

std::string Append(const std::string& base, const std::string& part) {
    if (base.empty()) return part;
    if (base.back() == '/') return base + part;
    return base + "/" + part;
}

// The spelling of `part` inside folder `base` (exact match first, then the first
// case-insensitive match in name order). Empty when there is none.
std::string MatchComponent(const std::string& base, const std::string& part) {
    const std::string exact = Append(base, part);
    if (Exists(exact)) return part;
    if (part == "." || part == "..") return {};
    std::vector<DirectoryEntry> entries;
    if (!ListDirectory(base.empty() ? "." : base, entries)) return {};
    for (const DirectoryEntry& e : entries) {
        if (EqualsIgnoreCase(e.name, part)) return e.name;
    }
    return {};
}

// Walks the components; returns how many were matched and the matched prefix.
size_t MatchPrefix(std::string_view path, std::string& matched, std::vector<std::string>& parts) {
    const std::string normalized = NormalizeSeparators(path);
    parts = SplitComponents(normalized);
    matched.clear();
    if (!normalized.empty() && normalized[0] == '/') matched.push_back('/');
    size_t count = 0;
    for (; count < parts.size(); ++count) {
        const std::string spelled = MatchComponent(matched, parts[count]);
        if (spelled.empty()) break;
        matched = Append(matched, spelled);
    }
    return count;
}

}  // namespace

std::string NormalizeSeparators(std::string_view path) {
    std::string out(path);
    std::replace(out.begin(), out.end(), '\\', '/');
    return out;
}

bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
    }
    return true;
}

std::string ToUpper(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return out;
}

bool FindPath(std::string_view path, std::string& real) {
    if (path.empty()) return false;
    const std::string normalized = NormalizeSeparators(path);
    if (Exists(normalized)) {
        real = normalized;
        return true;
    }
    std::string matched;
    std::vector<std::string> parts;
    if (MatchPrefix(path, matched, parts) != parts.size()) return false;
    real = matched;
    return true;
}

std::string ResolveForCreate(std::string_view path) {
    const std::string normalized = NormalizeSeparators(path);
    if (normalized.empty() || Exists(normalized)) return normalized;
    std::string matched;
    std::vector<std::string> parts;
    for (size_t i = MatchPrefix(path, matched, parts); i < parts.size(); ++i)
        matched = Append(matched, parts[i]);
    return matched;
}

std::FILE* OpenFile(std::string_view path, const char* mode) {
    if (path.empty() || mode == nullptr) return nullptr;
    std::string real;
    if (mode[0] == 'r') {
        if (!FindPath(path, real)) return nullptr;
    } else {
        real = ResolveForCreate(path);
    }
    if (IsDirectory(real)) return nullptr;
    return std::fopen(real.c_str(), mode);
}

void CloseFile(std::FILE* file) {
    if (file) std::fclose(file);
}

int64_t FileSize(std::FILE* file) {
    if (!file) return -1;
    struct stat info;
    if (::fstat(::fileno(file), &info) != 0 || !S_ISREG(info.st_mode)) return -1;
    return static_cast<int64_t>(info.st_size);
}

Result ReadWholeFile(std::string_view path, std::vector<uint8_t>& bytes) {
    bytes.clear();
    const std::unique_ptr<std::FILE, void (*)(std::FILE*)> file(OpenFile(path, "rb"), &CloseFile);
    if (!file) return ERR_FILE_OPEN;
    const int64_t size = FileSize(file.get());
    if (size < 0) return ERR_FILE_SIZE;
    if (static_cast<uint64_t>(size) > bytes.max_size()) return ERR_FAIL;
    try {
        bytes.resize(static_cast<size_t>(size));
    } catch (const std::bad_alloc&) {
        return ERR_FAIL;
    }
    if (std::fread(bytes.data(), 1, bytes.size(), file.get()) != bytes.size()) {
        bytes.clear();
        return ERR_FILE_READ;
    }
    return RESULT_OK;
}

bool IsFile(std::string_view path) {
    std::string real;
    struct stat info;
    return FindPath(path, real) && ::stat(real.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

bool IsDirectory(std::string_view path) {
    std::string real;
    struct stat info;
    return FindPath(path, real) && ::stat(real.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool ListDirectory(std::string_view path, std::vector<DirectoryEntry>& entries) {
    entries.clear();
    std::string folder = ".";
    // The folder is named like any other path: either separator, any case.
    if (!path.empty() && !FindPath(path, folder)) return false;
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return false;
    while (const dirent* d = ::readdir(dir)) {
        const std::string name = d->d_name;
        if (name == "." || name == "..") continue;
        struct stat info;
        const bool isDir =
            ::stat(Append(folder, name).c_str(), &info) == 0 && S_ISDIR(info.st_mode);
        entries.push_back({name, isDir});
    }
    ::closedir(dir);
    std::sort(entries.begin(), entries.end(),
              [](const DirectoryEntry& a, const DirectoryEntry& b) { return a.name < b.name; });
    return true;
}

bool CanEnterDirectory(std::string_view path) {
    std::string real;
    return FindPath(path, real) && IsDirectory(real) && ::access(real.c_str(), X_OK) == 0;
}

bool FolderIdentity(std::string_view path, uint64_t& device, uint64_t& inode) {
    std::string real;
    struct stat info;
    if (!FindPath(path, real) || ::stat(real.c_str(), &info) != 0) return false;
    device = static_cast<uint64_t>(info.st_dev);
    inode = static_cast<uint64_t>(info.st_ino);
    return true;
}

std::string CurrentDirectory() {
    std::string buffer(PATH_MAX, '\0');
    while (::getcwd(buffer.data(), buffer.size()) == nullptr) {
        if (errno != ERANGE) return {};
        buffer.resize(buffer.size() * 2);
    }
    buffer.resize(std::char_traits<char>::length(buffer.c_str()));
    return buffer;
}

bool ChangeDirectory(std::string_view path) {
    std::string real;
    return FindPath(path, real) && ::chdir(real.c_str()) == 0;
}

bool RemoveFile(std::string_view path) {
    std::string real;
    return FindPath(path, real) && std::remove(real.c_str()) == 0;
}

bool RenameFile(std::string_view from, std::string_view to) {
    std::string real;
    if (!FindPath(from, real)) return false;
    return std::rename(real.c_str(), ResolveForCreate(to).c_str()) == 0;
}

bool MakeDirectory(std::string_view path) {
    const std::string real = ResolveForCreate(path);
    return ::mkdir(real.c_str(), 0777) == 0 || (errno == EEXIST && IsDirectory(real));
}

std::string AbsolutePath(std::string_view path) {
    std::string real;
    if (!FindPath(path, real)) real = ResolveForCreate(path);
    if (!real.empty() && real[0] == '/') return real;
    return JoinPath(CurrentDirectory(), real);
}

PathParts SplitPath(std::string_view path) {
    PathParts parts;
    if (path.size() >= 2 && path[1] == ':' &&
        ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'))) {
        parts.drive = std::string(path.substr(0, 2));
        path.remove_prefix(2);
    }
    const size_t slash = path.find_last_of("/\\");
    if (slash != std::string_view::npos) {
        parts.directory = std::string(path.substr(0, slash + 1));
        path.remove_prefix(slash + 1);
    }
    const size_t dot = path.find_last_of('.');
    if (dot != std::string_view::npos) {
        parts.extension = std::string(path.substr(dot));
        path = path.substr(0, dot);
    }
    parts.name = std::string(path);
    return parts;
}

std::string DirectoryOf(std::string_view path) {
    const PathParts parts = SplitPath(path);
    std::string dir = parts.drive + parts.directory;
    while (dir.size() > 1 && (dir.back() == '/' || dir.back() == '\\'))
        dir.pop_back();
    return dir.empty() ? std::string(".") : dir;
}

std::string JoinPath(std::string_view first, std::string_view second) {
    if (first.empty() || (!second.empty() && (second[0] == '/' || second[0] == '\\')))
        return std::string(second);
    std::string out(first);
    if (out.back() != '/' && out.back() != '\\') out += '/';
    out += second;
    return out;
}

}  // namespace vimsa::files
