#include "fuzz/sound/module_fuzz.h"
#include "sound/s3m_module.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    vimsa::fuzz::FuzzModule(vimsa::MakeHandle<vimsa::S3mModule>(), data, size);
    return 0;
}
