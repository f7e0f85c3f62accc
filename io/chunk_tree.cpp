#include "io/chunk_tree.h"

#include <algorithm>
#include <cstring>

#include "io/byte_order.h"

namespace vimsa {
namespace {

constexpr ChunkTag kHeaderTag = "OGDB";
constexpr uint32_t kChildMinimum = 10;  // a child has at least its header and version

// Records whose bytes after the version are plain data (arrays, texts,
// numbers): scanning them for children would only find accidents.
constexpr ChunkTag kRawRecords[] = {"NAME", "FATH", "REPE", "BVBA", "TRAC", "PDAT", "FVTX",
                                    "VTAR", "FEQ ", "TXHE", "TXDA", "ELEM", "UNKN"};

bool IsRawRecord(const ChunkTag& tag) {
    return std::find(std::begin(kRawRecords), std::end(kRawRecords), tag) != std::end(kRawRecords);
}

// Four characters A-Z, 0-9, the first a letter, spaces only at the end.
bool PlausibleTag(const char* bytes) {
    if (bytes[0] < 'A' || bytes[0] > 'Z') return false;
    bool padding = false;
    for (int i = 1; i < 4; ++i) {
        const char c = bytes[i];
        if (c == ' ') {
            padding = true;
            continue;
        }
        const bool letterOrDigit = (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
        if (padding || !letterOrDigit) return false;
    }
    return true;
}

class Walker {
public:
    Walker(ChunkStream& stream, const std::function<void(const ChunkTreeItem&)>& visit)
        : s_(stream), visit_(visit) {}

    void TopLevel() {
        while (!s_.IsBad() && s_.Tell() < s_.End()) {
            const uint32_t at = s_.Tell();
            char head[8];
            if (s_.Read(head, sizeof head) != sizeof head) return;
            s_.Seek(at);
            if (!PlausibleTag(head)) {
                s_.MarkFailed(ERR_BAD_TAG);
                return;
            }
            Chunk(0);
        }
    }

private:
    // Scans [position, limit) for children and walks each one found.
    void Children(uint32_t limit, int depth) {
        while (!s_.IsBad() && s_.Tell() <= limit && limit - s_.Tell() >= kChildMinimum) {
            const uint32_t at = s_.Tell();
            uint8_t head[8];
            if (s_.Read(head, sizeof head) != sizeof head) return;
            const uint32_t size = LoadU32(head + 4);
            // A chunk cut by the end of the data still shows what it holds.
            const bool plausible = PlausibleTag(reinterpret_cast<const char*>(head)) &&
                                   size >= kChildMinimum &&
                                   (size <= limit - at || limit == s_.End());
            s_.Seek(plausible ? at : at + 1);
            if (plausible) Chunk(depth);
        }
    }

    void Chunk(int depth) {
        ChunkTreeItem item;
        item.depth = depth;
        if (!s_.OpenChunk(item.header)) return;
        const ChunkHeader& h = item.header;
        if (h.size >= kChildMinimum && s_.End() - s_.Tell() >= 2) {
            item.version = s_.ReadU16();
            item.hasVersion = true;
        }
        if (depth == 0 && h.tag == kHeaderTag) {
            ObjectHeader(item);
            return;
        }
        visit_(item);
        const bool cut = h.end > s_.End();
        if (depth + 1 < kMaxChunkTreeDepth && !IsRawRecord(h.tag))
            Children(cut ? s_.End() : h.end, depth + 1);
        if (cut) {
            s_.MarkFailed(ERR_OUT_OF_RANGE);
            return;
        }
        ChunkHeader close = h;
        s_.CloseChunk(close);
    }

    // The "OGDB" record: its size is the uncompressed file's, so the inner
    // tree is bounded by the (expanded) stream rather than by the size.
    void ObjectHeader(ChunkTreeItem& item) {
        item.isObjectHeader = true;
        item.objectId = s_.ReadU32();
        if (item.version >= 2) item.compression = s_.ReadU32();
        if (s_.IsBad()) return;
        visit_(item);
        if (item.compression != 0 && Failed(s_.SetCompression(item.compression))) return;
        const uint32_t limit =
            item.compression != 0 ? s_.End() : std::min(item.header.end, s_.End());
        Children(limit, 1);
        if (s_.IsBad()) return;
        s_.Seek(limit);
        if (item.compression == 0 && item.header.end > s_.End()) s_.MarkFailed(ERR_OUT_OF_RANGE);
    }

    ChunkStream& s_;
    const std::function<void(const ChunkTreeItem&)>& visit_;
};

}  // namespace

Result WalkChunkTree(ChunkStream& stream, const std::function<void(const ChunkTreeItem&)>& visit) {
    if (stream.IsBad()) return stream.Error();
    Walker(stream, visit).TopLevel();
    return stream.IsBad() ? stream.Error() : RESULT_OK;
}

}  // namespace vimsa
