#pragma once

#include <cstdint>
#include <functional>

#include "core/result.h"
#include "io/chunk_stream.h"

namespace vimsa {

// One chunk met by WalkChunkTree.
struct ChunkTreeItem {
    int depth = 0;
    ChunkHeader header;
    uint16_t version = 0;
    bool hasVersion = false;  // false for a chunk too small to hold one
    // For the "OGDB" header record at the top: its id and compression mode.
    bool isObjectHeader = false;
    uint32_t objectId = 0;
    uint32_t compression = 0;
};

// Deepest level WalkChunkTree descends to.
inline constexpr int kMaxChunkTreeDepth = 64;

// Walks the chunks of any chunk file without knowing its record layouts, from
// the stream's position to its end. Top-level chunks follow each other; inside
// a chunk, children are found by scanning its bytes for a plausible chunk
// header (four upper-case letters, digits or trailing spaces and a size that
// fits the parent), except in records known to hold raw data. An "OGDB" header
// with compression mode 1 is expanded and its inner tree walked.
// Returns the stream's error after what could be read has been visited: a
// chunk passing the end of the data gives ERR_OUT_OF_RANGE (after what it
// holds has been visited), bytes that are no chunk at the top give ERR_BAD_TAG.
Result WalkChunkTree(ChunkStream& stream, const std::function<void(const ChunkTreeItem&)>& visit);

}  // namespace vimsa
