#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "io/catalog.h"
#include "io/catalog_directory.h"
#include "io/file_stream.h"

// The process-wide databases: the id database (object id -> file name), the
// user database (id ranges) and the archive tree, and the opening of data
// files on disk or inside archives. Created on first use: the id database
// reads "data\main.cat" and the user database "runtime.cat" when they exist.
namespace vimsa {

IdDatabase& IdCatalog();
UserDatabase& UserCatalog();
CatalogDirectory& ArchiveRoot();

// Mounts the archive tree of the folder holding `path` (archive paths are
// resolved against that folder) and reads the id database from `path`, which
// is remembered as the database's save path. Returns the read's result.
Result LoadDatabase(const char* path);

// Rewrites the id database at the remembered path ("data\main.cat" before any
// LoadDatabase).
Result SaveDatabase();

// Rewrites the user database ("runtime.cat").
Result SaveUsers();

bool LookupName(uint32_t id, std::string& name);
// The smallest id registered under exactly `name`; id 0 when none.
bool LookupId(std::string_view name, uint32_t& id);
// Records id -> name in memory, replacing a name stored under id.
void RegisterName(uint32_t id, std::string_view name);
// The next id of user "Runtime" (0 when that user is missing); the user
// database is rewritten.
uint32_t AllocateId();

// Opens `path` for reading: from disk when the file is there, otherwise from
// the archive tree (the entry is searched from the deepest folder the path
// names up to the root). The stream then reads the entry's window of the
// archive. A path without extension that names a folder gives ERR_NOT_FOUND;
// a path found nowhere gives the disk's failure.
Result OpenReadCatalog(FileStream& stream, const char* path, uint32_t* size = nullptr);

// Reads a whole file (disk or archive) into `block`. Disk failures are those of
// files::ReadWholeFile; an archive entry shorter than its catalog claims gives
// ERR_SERIAL_SHORT_READ.
Result ReadWholeFile(const char* path, std::vector<uint8_t>& block);

// Drops the databases and the tree; the next use recreates them from the
// files in the current folder. For tests.
void ResetCatalogsForTesting();

}  // namespace vimsa
