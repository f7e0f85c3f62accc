#pragma once

#include <cstdint>
#include <span>

#include "render/texture.h"

namespace vimsa::fuzz {

// Runs one decoder on the bytes in both channel orders. A picture that
// decodes must hold exactly the pixels its size says, and must survive
// conversion to every other format.
template <typename Decode>
void DecodeBothOrders(const uint8_t* data, size_t size, Decode decode) {
    for (int32_t order : {kOrderBgr, kOrderRgb}) {
        Handle<Texture> texture(new Texture);
        texture->SetChannelOrder(order);
        if (Failed(decode(std::span<const uint8_t>(data, size), *texture))) continue;
        const uint64_t expected =
            uint64_t{texture->Width()} * texture->Height() * BytesPerPixel(texture->Format());
        if (!texture->Pixels() || texture->ByteSize() != expected) __builtin_trap();
        if (expected > (1u << 20)) continue;  // conversions of huge pictures only cost time
        for (int32_t format = kFormat0555; format <= kFormat8888; ++format) {
            if (Failed(texture->Convert(format, order ^ 1))) __builtin_trap();
        }
    }
}

}  // namespace vimsa::fuzz
