// The PCX reader on arbitrary bytes.
#include "fuzz/render/image_fuzz.h"
#include "render/pcx_image.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    vimsa::fuzz::DecodeBothOrders(data, size, vimsa::DecodePcx);
    return 0;
}
