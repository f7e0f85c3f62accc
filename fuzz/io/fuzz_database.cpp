// Reads arbitrary bytes as each kind of database file.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/io/fuzz_file.h"
#include "io/catalog.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string path = FuzzFile("db.cat", data, size);
    vimsa::IdDatabase ids(path);
    // Only crashes, hangs and broken invariants count here, not the answers.
    (void)ids.LoadFile(path.c_str());
    std::string name;
    uint32_t id = 0;
    for (const auto& [key, entry] : ids.Entries()) {
        if (!ids.LookupName(key, name) || !ids.LookupId(name, id) || id > key) __builtin_trap();
    }
    vimsa::UserDatabase users(path);
    (void)users.LoadFile(path.c_str());
    users.AllocateId("Runtime");
    vimsa::PakCatalog archive;
    (void)archive.LoadFile(path.c_str());
    vimsa::TextCatalog plain;
    (void)plain.LoadFile(path.c_str());
    for (const auto& [key, entry] : plain.Entries()) {
        if (key.size() > vimsa::kMaxStoredText || entry.text.size() > vimsa::kMaxStoredText)
            __builtin_trap();
    }
    return 0;
}
