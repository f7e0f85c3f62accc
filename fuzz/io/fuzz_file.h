#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

// The readers that go through files get the fuzzer's bytes in a file of
// their own (one per process, rewritten for every input), in memory-backed
// /dev/shm where there is one: rewriting a file on disk costs milliseconds.
inline std::string FuzzFile(const char* name, const uint8_t* data, size_t size) {
    static const std::string folder = ::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    const std::string path =
        folder + "/vimsa-fuzz-" + std::to_string(::getpid()) + "-" + std::string(name);
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f) {
        if (size) std::fwrite(data, 1, size, f);
        std::fclose(f);
    }
    return path;
}
