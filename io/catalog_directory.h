#pragma once

#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "io/catalog.h"

namespace vimsa {

// A folder of the archive tree, which mirrors the folders below the database
// file's folder. Each folder may have an archive named after it ("MESH.PAK" in
// folder mesh, "VimsaData.PAK" at the root) whose catalog it keeps.
struct CatalogDirectory {
    std::unique_ptr<PakCatalog> catalog;                      // none without a readable archive
    std::vector<std::unique_ptr<CatalogDirectory>> children;  // subfolders in listing order
    std::string name;     // upper case ("VimsaData" for the root)
    std::string path;     // relative to the database folder, parts joined with "\"
    std::string folder;   // the folder on disk
    std::string archive;  // the archive file on disk, when `catalog` is set
};

// Builds the tree below `folder`: names the node, loads its archive and adds a
// child for every subfolder whose name does not begin with "." and that can be
// entered. A folder reached a second time through a link is not scanned again.
void ScanDirectory(CatalogDirectory& node, std::string name, std::string path,
                   const std::string& folder);

// Loads the node's archive catalog from the archive named node.name + ".PAK"
// in node.folder: from node.name + ".CAT" when that file exists, otherwise from
// the directory at the archive's end. A missing or damaged archive leaves the
// node without a catalog and reports nothing.
void LoadDirectoryCatalog(CatalogDirectory& node);

// Reads the catalog of the archive at `archivePath`: from the file beside it
// with the same name and the extension ".CAT" (any letter case) when there is
// one, otherwise from the directory at the archive's end.
Result LoadArchiveCatalog(const std::string& archivePath, PakCatalog& catalog);

enum class CatalogQuery { File, Folder, FolderFound };

// Looks `entry` up in the catalog of the deepest folder that `directory` (upper
// case, "\" after each part) reaches, then in each enclosing folder up to
// `node`. A query for a folder turns into FolderFound when the folder exists.
// Returns the entry and the folder holding it, or nullptr.
const CatalogEntry* FindEntry(std::string_view directory, const std::string& entry,
                              CatalogDirectory& node, CatalogQuery& query,
                              CatalogDirectory*& holder);

}  // namespace vimsa
