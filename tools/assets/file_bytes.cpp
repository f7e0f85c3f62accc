#include "tools/assets/file_bytes.h"

#include <cstdio>

#include "platform/files/file_system.h"

namespace vimsa::tool {

Result WriteBytes(const std::string& path, std::span<const uint8_t> bytes) {
    std::FILE* file = files::OpenFile(path, "wb");
    if (!file) return ERR_FILE_OPEN;
    const bool written =
        bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    // Closing flushes the last buffered bytes: a failed close is a failed write.
    const bool closed = std::fclose(file) == 0;
    return written && closed ? RESULT_OK : ERR_FILE_WRITE;
}

}  // namespace vimsa::tool
