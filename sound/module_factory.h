#pragma once

#include <string>

#include "sound/module.h"

namespace vimsa {

// The kind a file's extension names (".mod", ".s3m", ".it", any letter
// case); false for any other extension.
bool ModuleKindOfPath(const std::string& path, ModuleKind& kind);

// A new, empty module of the given kind.
Handle<Module> NewModule(ModuleKind kind);

// Reads, validates and parses a module file. The extension (".mod", ".s3m",
// ".it", any case) picks the kind; a file with another extension is tried as
// each kind in turn.
Result LoadModule(const std::string& path, Handle<Module>& out);

}  // namespace vimsa
