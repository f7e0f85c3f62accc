#include "io/catalogs.h"

#include <algorithm>
#include <memory>
#include <new>

#include "io/string_table.h"
#include "platform/files/file_system.h"

namespace vimsa {
namespace {

struct CatalogState {
    CatalogState()
        : ids(StringTableText(kStringIdDatabaseFile)),
          users(StringTableText(kStringUserDatabaseFile)),
          userName(StringTableText(kStringRuntimeUser)) {
        // A database that cannot be read starts empty, as on a fresh
        // installation; the next save writes it whole again.
        if (files::IsFile(ids.FileName())) (void)ids.LoadFile(ids.FileName().c_str());
        const bool fresh = !files::IsFile(users.FileName());
        if (!fresh) (void)users.LoadFile(users.FileName().c_str());
        // A fresh user database hands out the runtime ids from 1.
        if (fresh || users.Count() == 0) users.Set(userName, CatalogEntry(userName, 1, 1));
        root.name = StringTableText(kStringArchiveRoot);
    }

    IdDatabase ids;
    UserDatabase users;
    std::string userName;
    CatalogDirectory root;
    std::string savePath;
};

std::unique_ptr<CatalogState>& StateSlot() {
    static std::unique_ptr<CatalogState> state;
    return state;
}

CatalogState& State() {
    auto& slot = StateSlot();
    if (!slot) slot = std::make_unique<CatalogState>();
    return *slot;
}

std::string CatalogForm(std::string_view text) {
    std::string out = files::ToUpper(text);
    std::replace(out.begin(), out.end(), '/', '\\');
    return out;
}

}  // namespace

IdDatabase& IdCatalog() {
    return State().ids;
}

UserDatabase& UserCatalog() {
    return State().users;
}

CatalogDirectory& ArchiveRoot() {
    return State().root;
}

Result LoadDatabase(const char* path) {
    if (path == nullptr) return ERR_NULL_ARGUMENT;
    CatalogState& state = State();
    state.root = CatalogDirectory();
    state.root.name = StringTableText(kStringArchiveRoot);
    std::string folder;
    if (files::FindPath(files::DirectoryOf(path), folder) && files::IsDirectory(folder))
        ScanDirectory(state.root, state.root.name, "", files::AbsolutePath(folder));
    state.ids.Clear();
    state.savePath = path;
    return state.ids.LoadFile(path);
}

Result SaveDatabase() {
    CatalogState& state = State();
    const std::string& path = state.savePath.empty() ? state.ids.FileName() : state.savePath;
    return state.ids.SaveFile(path.c_str());
}

Result SaveUsers() {
    CatalogState& state = State();
    return state.users.SaveFile(state.users.FileName().c_str());
}

bool LookupName(uint32_t id, std::string& name) {
    return State().ids.LookupName(id, name);
}

bool LookupId(std::string_view name, uint32_t& id) {
    return State().ids.LookupId(name, id);
}

void RegisterName(uint32_t id, std::string_view name) {
    State().ids.Register(id, name);
}

uint32_t AllocateId() {
    CatalogState& state = State();
    const uint32_t id = state.users.AllocateId(state.userName);
    // An allocation that did not reach the disk could be handed out again
    // after a restart, so it is no id at all.
    return Succeeded(SaveUsers()) ? id : 0;
}

namespace {

// Opens the archive entry `path` names; `disk` is what the disk said, given
// back when no archive holds the file either.
Result OpenFromArchives(FileStream& stream, const char* path, uint32_t* size, Result disk) {
    const files::PathParts parts = files::SplitPath(path);
    std::string directory = CatalogForm(parts.directory);
    const std::string entry = CatalogForm(parts.directory + parts.name + parts.extension);
    CatalogQuery query = CatalogQuery::File;
    if (parts.extension.empty()) {
        query = CatalogQuery::Folder;
        directory = entry;
        if (directory.empty() || directory.back() != '\\') directory += '\\';
    }
    CatalogDirectory* holder = nullptr;
    const CatalogEntry* found = FindEntry(directory, entry, State().root, query, holder);
    // A name without extension never opens an entry: it names a folder.
    if (query != CatalogQuery::File) return ERR_NOT_FOUND;
    if (!found) return disk;
    const Result r = stream.OpenReadWindow(holder->archive.c_str(), found->second, found->first);
    if (Succeeded(r) && size) *size = found->first;
    return r;
}

}  // namespace

Result OpenReadCatalog(FileStream& stream, const char* path, uint32_t* size) {
    if (path == nullptr) {
        stream.MarkFailed(ERR_NULL_ARGUMENT);
        return ERR_NULL_ARGUMENT;
    }
    const Result disk = stream.OpenRead(path, size);
    if (Succeeded(disk)) return RESULT_OK;
    return OpenFromArchives(stream, path, size, disk);
}

Result ReadWholeFile(const char* path, std::vector<uint8_t>& block) {
    block.clear();
    if (path == nullptr) return ERR_NULL_ARGUMENT;
    // A file on disk is read whole; only one the disk does not have is looked
    // for in the archives.
    const Result disk = files::ReadWholeFile(path, block);
    if (disk != ERR_FILE_OPEN) return disk;
    FileStream stream;
    uint32_t size = 0;
    const Result opened = OpenFromArchives(stream, path, &size, disk);
    if (Failed(opened)) return opened;
    try {
        block.resize(size);
    } catch (const std::bad_alloc&) {
        return ERR_FAIL;
    }
    if (stream.Read(block.data(), size) != size) {
        block.clear();
        return ERR_SERIAL_SHORT_READ;
    }
    stream.CloseRead();
    return RESULT_OK;
}

void ResetCatalogsForTesting() {
    StateSlot().reset();
}

}  // namespace vimsa
