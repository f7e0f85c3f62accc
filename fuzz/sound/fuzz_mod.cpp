#include "fuzz/sound/module_fuzz.h"
#include "sound/mod_module.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    vimsa::fuzz::FuzzModule(vimsa::MakeHandle<vimsa::ModModule>(), data, size);
    return 0;
}
