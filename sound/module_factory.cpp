#include "sound/module_factory.h"

#include <string_view>
#include <vector>

#include "platform/files/file_system.h"
#include "sound/it_module.h"
#include "sound/mod_module.h"
#include "sound/s3m_module.h"

namespace vimsa {
namespace {

bool HasExtension(const std::string& path, const char* extension) {
    const size_t dot = path.find_last_of('.');
    const size_t slash = path.find_last_of("/\\");
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return false;
    return files::EqualsIgnoreCase(std::string_view(path).substr(dot), extension);
}

struct KindByExtension {
    const char* extension;
    ModuleKind kind;
};
constexpr KindByExtension kKinds[] = {
    {".mod", ModuleKind::Mod}, {".s3m", ModuleKind::S3m}, {".it", ModuleKind::It}};

}  // namespace

bool ModuleKindOfPath(const std::string& path, ModuleKind& kind) {
    for (const auto& k : kKinds) {
        if (!HasExtension(path, k.extension)) continue;
        kind = k.kind;
        return true;
    }
    return false;
}

Handle<Module> NewModule(ModuleKind kind) {
    switch (kind) {
        case ModuleKind::Mod:
            return MakeHandle<ModModule>();
        case ModuleKind::S3m:
            return MakeHandle<S3mModule>();
        case ModuleKind::It:
            return MakeHandle<ItModule>();
    }
    return {};
}

Result LoadModule(const std::string& path, Handle<Module>& out) {
    if (ModuleKind kind; ModuleKindOfPath(path, kind)) {
        out = NewModule(kind);
        Result r = out->ReadFile(path);
        if (Succeeded(r)) r = out->Validate();
        if (Succeeded(r)) r = out->Parse();
        return r;
    }
    std::vector<uint8_t> data;
    Result r = files::ReadWholeFile(path, data);
    if (Failed(r)) return r;
    for (const auto& k : kKinds) {
        out = NewModule(k.kind);
        r = out->SetData(data);
        if (Failed(r)) return r;
        r = out->Validate();
        if (Succeeded(r)) return out->Parse();
    }
    return r;
}

}  // namespace vimsa
