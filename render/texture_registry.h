#pragma once

#include <cstdint>
#include <string_view>

namespace vimsa {

class Texture;

// The set of all live textures. Textures enter it in their constructor and
// leave it in their destructor; it does not hold references.
namespace texture_registry {

void Add(Texture* texture);
void Remove(Texture* texture);
uint32_t Count();
// The registered texture whose path equals `path` ignoring letter case.
Texture* FindByPath(std::string_view path);
// Shutdown: frees the pixels and device copies of every texture still
// registered and empties the registry, so that a later start begins empty.
// The objects themselves belong to their holders and are not destroyed.
void ReleaseAll();

}  // namespace texture_registry
}  // namespace vimsa
