#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "core/result.h"

// File-system services the engine was designed around: buffered C files, folder
// listing and the current folder, with paths written using `\` or `/` and in any
// letter case. On case-sensitive file systems a path is found by an exact match
// first, then by a case-insensitive match of each component.
namespace vimsa::files {

// `\` becomes `/`.
std::string NormalizeSeparators(std::string_view path);

// ASCII case-insensitive equality.
bool EqualsIgnoreCase(std::string_view a, std::string_view b);

// ASCII upper case.
std::string ToUpper(std::string_view text);

// Finds an existing file or folder. On success `real` holds the path as it is
// spelled on disk (with `/` separators).
bool FindPath(std::string_view path, std::string& real);

// Spelling to create a file with: every existing component is matched as by
// FindPath; the first missing component and those after it are kept as written.
std::string ResolveForCreate(std::string_view path);

// fopen through FindPath (reading) or ResolveForCreate (writing, appending).
// Returns nullptr when the file cannot be opened.
std::FILE* OpenFile(std::string_view path, const char* mode);

// Closes a file opened with OpenFile (null is allowed).
void CloseFile(std::FILE* file);

// Size of an open file in bytes, or -1. Leaves the file position unchanged.
int64_t FileSize(std::FILE* file);

// Reads a whole file, found as OpenFile finds it, into `bytes` (left empty on
// failure): ERR_FILE_OPEN when it cannot be opened, ERR_FILE_SIZE when it has
// no size (not a regular file), ERR_FILE_READ when fewer bytes arrive than it
// holds, ERR_FAIL when there is no memory for it.
Result ReadWholeFile(std::string_view path, std::vector<uint8_t>& bytes);

bool IsFile(std::string_view path);
bool IsDirectory(std::string_view path);

struct DirectoryEntry {
    std::string name;
    bool isDirectory = false;
};

// The entries of a folder except "." and "..", sorted bytewise by name so that
// every scan sees the same order. False when the folder cannot be listed.
bool ListDirectory(std::string_view path, std::vector<DirectoryEntry>& entries);

// True when the process may enter the folder (search permission).
bool CanEnterDirectory(std::string_view path);

// Identity of a folder on disk, for telling folders reached twice (through
// links) apart. False when the folder cannot be examined.
bool FolderIdentity(std::string_view path, uint64_t& device, uint64_t& inode);

std::string CurrentDirectory();
bool ChangeDirectory(std::string_view path);

bool RemoveFile(std::string_view path);
// Moves `from` over `to` (replacing it) in one step.
bool RenameFile(std::string_view from, std::string_view to);
bool MakeDirectory(std::string_view path);

// Absolute form of a path (relative paths are taken from the current folder).
// Case-insensitive matching is applied to the components that exist.
std::string AbsolutePath(std::string_view path);

// A path split like the C runtime's splitpath: drive ("C:" or empty), directory
// (up to and including the last separator), file name, extension (from the last
// '.' of the file name, including it). Separators are kept as written.
struct PathParts {
    std::string drive;
    std::string directory;
    std::string name;
    std::string extension;
};
PathParts SplitPath(std::string_view path);

// The folder part of a path without its trailing separator ("." when none).
std::string DirectoryOf(std::string_view path);

// Joins two path parts with `/` (the second is returned alone when the first is
// empty or the second is absolute).
std::string JoinPath(std::string_view first, std::string_view second);

}  // namespace vimsa::files
