#include "render/image_file_access.h"

#include "io/catalogs.h"
#include "io/chunk_stream.h"
#include "platform/files/file_system.h"

namespace vimsa::image_files {

Result ReadWholeFile(std::string_view path, std::vector<uint8_t>& out) {
    return ::vimsa::ReadWholeFile(std::string(path).c_str(), out);
}

Result WriteWholeFile(std::string_view path, const uint8_t* data, std::size_t size) {
    if (size > UINT32_MAX) return ERR_FILE_WRITE;
    if (size == 0) {
        // An empty file is still a file.
        std::FILE* file = files::OpenFile(path, "wb");
        if (!file) return ERR_FILE_OPEN;
        files::CloseFile(file);
        return RESULT_OK;
    }
    ChunkStream writer;
    return writer.WriteWholeFile(std::string(path).c_str(), data, static_cast<uint32_t>(size));
}

std::vector<std::string> ListFiles(std::string_view folder) {
    std::vector<std::string> names;
    std::vector<files::DirectoryEntry> entries;
    if (!files::ListDirectory(folder, entries)) return names;
    for (const files::DirectoryEntry& e : entries) {
        if (!e.isDirectory) names.push_back(e.name);
    }
    return names;
}

bool MakeFolders(std::string_view folder) {
    const std::string path = files::NormalizeSeparators(folder);
    std::size_t end = 0;
    do {
        end = path.find('/', end + 1);
        const std::string part = path.substr(0, end);
        if (!part.empty() && !files::IsDirectory(part) && !files::MakeDirectory(part)) return false;
    } while (end != std::string::npos);
    return files::IsDirectory(path);
}

}  // namespace vimsa::image_files
