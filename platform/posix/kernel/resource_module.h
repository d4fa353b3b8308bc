// Resource modules of the emulation: a compiled resource file (.res, the
// format windres writes with -O res) read into memory. An HINSTANCE names a
// module; the program's own module is the resource file embedded into the
// binary (resources/embedded_resources.cpp).
//
// Only for the emulation's areas, the host and tests.
#pragma once

#include "platform/posix/win_types.h"

#include <stdint.h>
#include <string>
#include <vector>

namespace resources {

// A type or name: an ordinal (isString false) or an upper-cased string.
struct ResourceId {
    bool isString = false;
    uint16_t ordinal = 0;
    std::string name;
};

struct Entry {
    ResourceId type;
    ResourceId name;
    uint16_t language = 0;
    std::vector<uint8_t> data;
};

struct Module {
    std::vector<Entry> entries;
};

// The program's module (the embedded resource file), loaded on first use.
HINSTANCE ProgramModule();

// Parses a .res file into a new module that lives until the process ends.
// Returns nullptr when the bytes are not a well-formed resource file.
HINSTANCE LoadModule(const uint8_t* bytes, size_t size);

// A copy of a module without the resources of the given type and ordinal
// name (tests: a module that lacks a resource).
HINSTANCE CopyModuleWithout(HINSTANCE module, uint16_t type, uint16_t name);

// Drops a module made by LoadModule or CopyModuleWithout (tests and fuzzing,
// which load many); the program's module stays. Its handle then names no
// module.
void UnloadModule(HINSTANCE module);

// The module an HINSTANCE names; nullptr (the program's module) when the
// handle is null. Returns nullptr for a handle that names no module.
const Module* ModuleOf(HINSTANCE instance);

// The entry of a resource (any language), or nullptr.
const Entry* Find(HINSTANCE instance, uint16_t type, LPCSTR name);

} // namespace resources
