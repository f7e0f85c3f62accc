#include "io/catalog_directory.h"

#include "platform/files/file_system.h"

namespace vimsa {
namespace {

using FolderId = std::pair<uint64_t, uint64_t>;

// The file in `folder` named `name` in any letter case, or empty.
std::string FindFileInFolder(const std::string& folder, const std::string& name) {
    const std::string path = files::JoinPath(folder, name);
    std::string real;
    if (files::FindPath(path, real) && files::IsFile(real)) return real;
    return {};
}

void Scan(CatalogDirectory& node, std::string name, std::string path, const std::string& folder,
          std::set<FolderId>& visited) {
    node.name = std::move(name);
    node.path = std::move(path);
    node.folder = folder;
    LoadDirectoryCatalog(node);

    FolderId id;
    if (!files::FolderIdentity(folder, id.first, id.second) || !visited.insert(id).second) return;

    std::vector<files::DirectoryEntry> entries;
    if (!files::ListDirectory(folder, entries)) return;
    for (const files::DirectoryEntry& e : entries) {
        if (!e.isDirectory || e.name.empty() || e.name[0] == '.') continue;
        const std::string childFolder = files::JoinPath(folder, e.name);
        if (!files::CanEnterDirectory(childFolder)) continue;
        FolderId childId;
        if (!files::FolderIdentity(childFolder, childId.first, childId.second) ||
            visited.count(childId))
            continue;
        std::string upper = files::ToUpper(e.name);
        std::string childPath = node.path.empty() ? upper : node.path + "\\" + upper;
        auto child = std::make_unique<CatalogDirectory>();
        Scan(*child, std::move(upper), std::move(childPath), childFolder, visited);
        node.children.push_back(std::move(child));
    }
}

}  // namespace

void ScanDirectory(CatalogDirectory& node, std::string name, std::string path,
                   const std::string& folder) {
    std::set<FolderId> visited;
    Scan(node, std::move(name), std::move(path), folder, visited);
}

void LoadDirectoryCatalog(CatalogDirectory& node) {
    node.catalog.reset();
    node.archive.clear();
    const std::string archive = FindFileInFolder(node.folder, node.name + ".PAK");
    if (archive.empty()) return;

    auto catalog = std::make_unique<PakCatalog>();
    if (Failed(LoadArchiveCatalog(archive, *catalog))) return;
    node.catalog = std::move(catalog);
    node.archive = archive;
}

Result LoadArchiveCatalog(const std::string& archivePath, PakCatalog& catalog) {
    const files::PathParts parts = files::SplitPath(archivePath);
    const std::string cat = FindFileInFolder(files::DirectoryOf(archivePath), parts.name + ".CAT");
    catalog.Clear();
    if (!cat.empty()) {
        catalog.SetFileName(cat);
        return catalog.LoadFile(cat.c_str());
    }
    return catalog.ReadArchiveDirectory(archivePath.c_str());
}

const CatalogEntry* FindEntry(std::string_view directory, const std::string& entry,
                              CatalogDirectory& node, CatalogQuery& query,
                              CatalogDirectory*& holder) {
    const size_t slash = directory.find('\\');
    if (!directory.empty() && slash != std::string_view::npos) {
        const std::string_view head = directory.substr(0, slash);
        const std::string_view rest = directory.substr(slash + 1);
        for (const auto& child : node.children) {
            if (!files::EqualsIgnoreCase(child->name, head)) continue;
            if (const CatalogEntry* found = FindEntry(rest, entry, *child, query, holder))
                return found;
            if (query == CatalogQuery::FolderFound) return nullptr;
            break;
        }
    } else if (directory.empty() && query == CatalogQuery::Folder) {
        query = CatalogQuery::FolderFound;
        return nullptr;
    }
    if (!node.catalog) return nullptr;
    const CatalogEntry* found = node.catalog->Find(entry);
    if (found) holder = &node;
    return found;
}

}  // namespace vimsa
