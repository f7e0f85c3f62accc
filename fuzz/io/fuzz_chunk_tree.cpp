// Walks the chunk tree of arbitrary bytes, in memory and through a file, and
// runs the child loop of a record over them.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "fuzz/io/fuzz_file.h"
#include "io/chunk_stream.h"
#include "io/chunk_tree.h"
#include "io/file_stream.h"

namespace {

void Visit(const vimsa::ChunkTreeItem& item) {
    if (item.depth < 0 || item.depth >= vimsa::kMaxChunkTreeDepth) __builtin_trap();
}

// Reads records the way loaders do: the header, a few fields, the children.
void ReadRecord(vimsa::ChunkStream& s, int depth) {
    vimsa::ChunkHeader parent;
    if (!s.OpenChunk(parent)) return;
    s.ReadU16();
    std::string text;
    s.ReadString(text);
    s.ReadVector3();
    if (depth >= 8) return;
    vimsa::ForEachChild(s, parent, [&](const vimsa::ChunkHeader& child, uint16_t) {
        s.Seek(child.start);
        ReadRecord(s, depth + 1);
    });
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::vector<uint8_t> bytes(data, data + size);
    vimsa::ChunkStream memory(bytes);
    (void)vimsa::WalkChunkTree(memory, &Visit);  // only crashes and hangs count here

    vimsa::ChunkStream records(bytes);
    while (!records.IsBad() && records.Tell() < records.End())
        ReadRecord(records, 0);

    const std::string path = FuzzFile("tree.bin", data, size);
    vimsa::FileStream file;
    if (vimsa::Succeeded(file.OpenRead(path.c_str()))) (void)vimsa::WalkChunkTree(file, &Visit);
    return 0;
}
