#include "render/texture_registry.h"

#include <set>

#include "platform/files/file_system.h"
#include "render/text_util.h"
#include "render/texture.h"

namespace vimsa::texture_registry {
namespace {

std::set<Texture*>& Textures() {
    static std::set<Texture*> textures;
    return textures;
}

}  // namespace

void Add(Texture* texture) {
    if (texture) Textures().insert(texture);
}

void Remove(Texture* texture) {
    Textures().erase(texture);
}

uint32_t Count() {
    return static_cast<uint32_t>(Textures().size());
}

Texture* FindByPath(std::string_view path) {
    for (Texture* t : Textures()) {
        if (files::EqualsIgnoreCase(t->Path(), path)) return t;
    }
    return nullptr;
}

void ReleaseAll() {
    // Free may call back into the registry through a back-end; work on a copy.
    const std::set<Texture*> textures = Textures();
    Textures().clear();
    for (Texture* t : textures)
        t->Free();
}

}  // namespace vimsa::texture_registry
