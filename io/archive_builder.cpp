#include "io/archive_builder.h"

#include <algorithm>
#include <cstdio>
#include <memory>

#include "io/catalog.h"
#include "io/string_table.h"
#include "platform/files/file_system.h"

namespace vimsa {
namespace {

// Appends a file's bytes to the archive; returns the count copied.
Result CopyInto(PakCatalog& archive, const std::string& path, uint32_t& size) {
    std::unique_ptr<std::FILE, void (*)(std::FILE*)> file(files::OpenFile(path, "rb"),
                                                          &files::CloseFile);
    if (!file) return ERR_FILE_OPEN;
    const int64_t length = files::FileSize(file.get());
    if (length < 0) return ERR_FILE_SIZE;
    if (archive.Tell() + static_cast<uint64_t>(length) > 0xFFFFFFFFull) return ERR_OUT_OF_RANGE;
    uint8_t buffer[65536];
    uint64_t copied = 0;
    while (copied < static_cast<uint64_t>(length)) {
        const size_t want = static_cast<size_t>(std::min<uint64_t>(sizeof buffer, length - copied));
        const size_t got = std::fread(buffer, 1, want, file.get());
        if (got == 0) return ERR_FILE_READ;
        const auto n = static_cast<uint32_t>(got);
        if (archive.Write(buffer, n) != n) return archive.Error();
        copied += got;
    }
    size = static_cast<uint32_t>(copied);
    return RESULT_OK;
}

Result BuildFolder(const std::string& folder, const std::string& name, const std::string& prefix,
                   bool separateCatalog, const std::function<void(const ArchiveReport&)>& report) {
    std::vector<files::DirectoryEntry> entries;
    if (!files::ListDirectory(folder, entries)) return ERR_FILE_OPEN;
    const std::string archiveName = name + ".PAK";
    const std::string catalogName = name + ".CAT";
    std::vector<ArchiveSource> sources;
    for (const files::DirectoryEntry& e : entries) {
        if (e.isDirectory || e.name.empty() || e.name[0] == '.') continue;
        if (files::EqualsIgnoreCase(e.name, archiveName) ||
            files::EqualsIgnoreCase(e.name, catalogName))
            continue;
        sources.push_back({prefix + files::ToUpper(e.name), files::JoinPath(folder, e.name)});
    }
    if (!sources.empty()) {
        ArchiveReport done;
        done.archivePath = files::JoinPath(folder, archiveName);
        done.catalogPath = separateCatalog ? files::JoinPath(folder, catalogName) : "";
        done.entries = sources.size();
        // A directory left over from an earlier build would be read instead
        // of the one inside the new archive.
        if (!separateCatalog) files::RemoveFile(files::JoinPath(folder, catalogName));
        done.result = WriteArchive(done.archivePath, sources, done.catalogPath);
        if (report) report(done);
        if (Failed(done.result)) return done.result;
    }
    for (const files::DirectoryEntry& e : entries) {
        if (!e.isDirectory || e.name.empty() || e.name[0] == '.') continue;
        const std::string upper = files::ToUpper(e.name);
        const Result r = BuildFolder(files::JoinPath(folder, e.name), upper, prefix + upper + "\\",
                                     separateCatalog, report);
        if (Failed(r)) return r;
    }
    return RESULT_OK;
}

}  // namespace

Result WriteArchive(const std::string& archivePath, const std::vector<ArchiveSource>& sources,
                    const std::string& catalogPath) {
    for (const ArchiveSource& s : sources) {
        if (s.entryName.size() > kMaxStoredText) return ERR_OUT_OF_RANGE;
    }
    PakCatalog archive;
    Result r = archive.OpenWrite(archivePath.c_str());
    if (Failed(r)) return r;
    for (const ArchiveSource& s : sources) {
        CatalogEntry entry;
        entry.text = s.entryName;
        entry.second = archive.Tell();
        r = CopyInto(archive, s.path, entry.first);
        if (Failed(r)) {
            (void)archive.CloseWrite();  // the copy's failure is the one to report
            files::RemoveFile(archivePath);
            return r;
        }
        archive.Set(s.entryName, entry);
    }
    if (catalogPath.empty()) {
        const uint32_t directory = archive.Tell();
        r = archive.WriteDirectory();
        archive.WriteU32(directory);
    }
    const Result closed = archive.CloseWrite();
    if (Succeeded(r)) r = closed;
    if (Succeeded(r) && !catalogPath.empty()) r = archive.SaveFile(catalogPath.c_str());
    if (Failed(r)) files::RemoveFile(archivePath);
    return r;
}

Result BuildArchiveTree(const std::string& folder, bool separateCatalog,
                        const std::function<void(const ArchiveReport&)>& report) {
    if (!files::IsDirectory(folder)) return ERR_FILE_OPEN;
    std::string real;
    files::FindPath(folder, real);
    return BuildFolder(real, StringTableText(kStringArchiveRoot), "", separateCatalog, report);
}

}  // namespace vimsa
