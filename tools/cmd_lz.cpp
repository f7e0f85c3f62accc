// vimsa-tool lz: compresses and expands raw LZ blocks.
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "core/result.h"
#include "io/lz_codec.h"
#include "platform/files/file_system.h"
#include "tools/tool_command.h"

namespace vimsa::tool {
namespace {

void PrintLzUsage(std::FILE* out) {
    std::fprintf(out,
                 "usage: vimsa-tool lz compress IN OUT\n"
                 "       vimsa-tool lz expand IN OUT\n\n"
                 "compress  writes IN as one LZ block (u32 length, then flag groups);\n"
                 "          fails when the block would not be smaller than IN\n"
                 "expand    writes the bytes an LZ block expands to; damaged blocks fail\n");
}

int Fail(const std::string& what, Result code) {
    return ReportFailure("lz", what, code);
}

// An LZ block counts its bytes in 32 bits.
Result ReadFile(const std::string& path, std::vector<uint8_t>& bytes) {
    const Result r = files::ReadWholeFile(path, bytes);
    if (Failed(r)) return r;
    return bytes.size() > 0xFFFFFFFFull ? ERR_FILE_SIZE : RESULT_OK;
}

Result WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::FILE* file = files::OpenFile(path, "wb");
    if (!file) return ERR_FILE_OPEN;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    const bool closed = std::fclose(file) == 0;
    return written && closed ? RESULT_OK : ERR_FILE_WRITE;
}

int RunLz(const std::vector<std::string_view>& args) {
    if (WantsHelp(args)) {
        PrintLzUsage(stdout);
        return 0;
    }
    if (args.size() != 3 || (args[0] != "compress" && args[0] != "expand")) {
        PrintLzUsage(stderr);
        return 2;
    }
    const bool compress = args[0] == "compress";
    const std::string in(args[1]);
    const std::string out(args[2]);
    std::vector<uint8_t> input;
    Result r = ReadFile(in, input);
    if (Failed(r)) return Fail("cannot read " + in, r);

    std::vector<uint8_t> output;
    const LzCodec codec;
    const auto count = static_cast<uint32_t>(input.size());
    r = compress ? codec.Compress(input.data(), count, output)
                 : codec.Decompress(input.data(), count, output);
    if (Failed(r)) return Fail(compress ? "cannot compress " + in : "cannot expand " + in, r);
    r = WriteFile(out, output);
    if (Failed(r)) return Fail("cannot write " + out, r);

    const size_t plain = compress ? input.size() : output.size();
    const size_t packed = compress ? output.size() : input.size();
    std::printf("%s: %zu bytes -> %s: %zu bytes (compressed size %.1f%% of the original)\n",
                in.c_str(), input.size(), out.c_str(), output.size(),
                plain ? 100.0 * static_cast<double>(packed) / static_cast<double>(plain) : 0.0);
    return 0;
}

const Registrar kLz{{"lz", "compress or expand raw LZ blocks", &RunLz}};

}  // namespace
}  // namespace vimsa::tool
