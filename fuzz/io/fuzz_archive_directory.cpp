// Reads arbitrary bytes as an archive with its directory at the end, then
// reads every entry it lists through a window of the archive.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz/io/fuzz_file.h"
#include "io/catalog.h"
#include "io/file_stream.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string path = FuzzFile("archive.pak", data, size);
    vimsa::PakCatalog catalog;
    if (vimsa::Failed(catalog.ReadArchiveDirectory(path.c_str()))) return 0;
    std::vector<uint8_t> bytes;
    for (const auto& [name, entry] : catalog.Entries()) {
        vimsa::FileStream stream;
        if (vimsa::Failed(stream.OpenReadWindow(path.c_str(), entry.second, entry.first))) continue;
        if (static_cast<uint64_t>(entry.second) + entry.first > size) __builtin_trap();
        bytes.resize(entry.first);
        if (stream.Read(bytes.data(), entry.first) != entry.first) __builtin_trap();
        if (stream.Read(bytes.data(), 1) != 0 || !stream.IsBad()) __builtin_trap();
    }
    return 0;
}
