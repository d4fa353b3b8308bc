// Modules of the emulation, read from compiled resource files, and KERNEL32's
// resource calls over them (FindResourceA, LoadResource ...).
//
// A .res file is a sequence of entries, each DWORD-aligned:
//   DWORD dataSize, DWORD headerSize, type, name (each 0xFFFF + WORD ordinal
//   or a zero-terminated UTF-16 string), padding to a DWORD,
//   DWORD dataVersion, WORD memoryFlags, WORD languageId, DWORD version,
//   DWORD characteristics; then dataSize bytes of data.
// The first entry is an empty one (type and name 0) that marks the format.
#include "platform/posix/kernel/resource_module.h"

#include "platform/posix/kernel/api_base.h"
#include "platform/posix/kernel/api_resources.h"
#include "platform/posix/kernel/codepage.h"
#include "platform/posix/kernel/little_endian.h"
#include "platform/posix/kernel/calls.h"

#include <memory>
#include <string.h>

using calls::Fail;
using little_endian::Get16;
using little_endian::Get32;

extern "C" const uint8_t wiesen_resource_file[];
extern "C" const uint8_t wiesen_resource_file_end[];

namespace resources {
namespace {

std::vector<std::unique_ptr<Module>>& Modules() {
    static std::vector<std::unique_ptr<Module>> modules;
    return modules;
}

std::string Upper(const std::string& text) {
    return codepage::Upper(text);
}

// Reads a type or name field at `offset` (bounded by `end`); moves offset past it.
bool ReadId(const uint8_t* bytes, size_t end, size_t* offset, ResourceId* id) {
    if (*offset + 2 > end)
        return false;
    if (Get16(bytes + *offset) == 0xFFFF) {
        if (*offset + 4 > end)
            return false;
        id->isString = false;
        id->ordinal = Get16(bytes + *offset + 2);
        *offset += 4;
        return true;
    }
    id->isString = true;
    std::string name;
    for (;;) {
        if (*offset + 2 > end)
            return false;
        uint16_t c = Get16(bytes + *offset);
        *offset += 2;
        if (c == 0)
            break;
        unsigned char b = '?';
        codepage::FromUnicode(c, &b);
        name += static_cast<char>(b);
    }
    id->name = Upper(name);
    return true;
}

bool Matches(const ResourceId& id, LPCSTR name) {
    if (IS_INTRESOURCE(name))
        return !id.isString &&
               id.ordinal == static_cast<uint16_t>(reinterpret_cast<uintptr_t>(name));
    if (name[0] == '#') {
        unsigned value = 0;
        for (const char* p = name + 1; *p >= '0' && *p <= '9'; ++p)
            value = value * 10 + static_cast<unsigned>(*p - '0');
        return !id.isString && id.ordinal == value;
    }
    return id.isString && id.name == Upper(name);
}

HINSTANCE Adopt(std::unique_ptr<Module> module) {
    Module* raw = module.get();
    Modules().push_back(std::move(module));
    return reinterpret_cast<HINSTANCE>(raw);
}

} // namespace

HINSTANCE LoadModule(const uint8_t* bytes, size_t size) {
    auto module = std::make_unique<Module>();
    size_t offset = 0;
    while (offset + 8 <= size) {
        uint32_t dataSize = Get32(bytes + offset);
        uint32_t headerSize = Get32(bytes + offset + 4);
        if (headerSize < 16 || headerSize > size - offset || dataSize > size - offset - headerSize)
            return nullptr;
        size_t headerEnd = offset + headerSize;
        size_t field = offset + 8;
        Entry entry;
        if (!ReadId(bytes, headerEnd, &field, &entry.type) ||
            !ReadId(bytes, headerEnd, &field, &entry.name))
            return nullptr;
        field = (field + 3) & ~static_cast<size_t>(3);
        if (field + 16 > headerEnd)
            return nullptr;
        entry.language = Get16(bytes + field + 6);
        const uint8_t* data = bytes + headerEnd;
        entry.data.assign(data, data + dataSize);
        bool marker = !entry.type.isString && entry.type.ordinal == 0 && dataSize == 0;
        if (!marker)
            module->entries.push_back(std::move(entry));
        offset = (headerEnd + dataSize + 3) & ~static_cast<size_t>(3);
    }
    return Adopt(std::move(module));
}

HINSTANCE ProgramModule() {
    static HINSTANCE program = LoadModule(
        wiesen_resource_file, static_cast<size_t>(wiesen_resource_file_end - wiesen_resource_file));
    return program;
}

HINSTANCE CopyModuleWithout(HINSTANCE instance, uint16_t type, uint16_t name) {
    const Module* source = ModuleOf(instance);
    if (!source)
        return nullptr;
    auto copy = std::make_unique<Module>();
    for (const Entry& entry : source->entries) {
        bool drop = !entry.type.isString && entry.type.ordinal == type && !entry.name.isString &&
                    entry.name.ordinal == name;
        if (!drop)
            copy->entries.push_back(entry);
    }
    return Adopt(std::move(copy));
}

void UnloadModule(HINSTANCE instance) {
    if (!instance || instance == ProgramModule())
        return;
    auto& modules = Modules();
    for (auto it = modules.begin(); it != modules.end(); ++it) {
        if (reinterpret_cast<HINSTANCE>(it->get()) == instance) {
            modules.erase(it);
            return;
        }
    }
}

const Module* ModuleOf(HINSTANCE instance) {
    if (!instance)
        instance = ProgramModule();
    for (const auto& module : Modules()) {
        if (reinterpret_cast<HINSTANCE>(module.get()) == instance)
            return module.get();
    }
    return nullptr;
}

const Entry* Find(HINSTANCE instance, uint16_t type, LPCSTR name) {
    const Module* module = ModuleOf(instance);
    if (!module || !name)
        return nullptr;
    for (const Entry& entry : module->entries) {
        if (!entry.type.isString && entry.type.ordinal == type && Matches(entry.name, name))
            return &entry;
    }
    return nullptr;
}

} // namespace resources

// ---- The Win32 calls ----

HRSRC WINAPI FindResourceA(HMODULE module, LPCSTR name, LPCSTR type) {
    if (!IS_INTRESOURCE(type))
        return Fail(ERROR_RESOURCE_TYPE_NOT_FOUND, nullptr);
    const resources::Entry* entry =
        resources::Find(module, static_cast<uint16_t>(reinterpret_cast<uintptr_t>(type)), name);
    if (!entry)
        return Fail(ERROR_RESOURCE_NAME_NOT_FOUND, nullptr);
    return reinterpret_cast<HRSRC>(const_cast<resources::Entry*>(entry));
}

// The handle of loaded data is the data itself, as for a module on Win32.
HGLOBAL WINAPI LoadResource(HMODULE, HRSRC resource) {
    if (!resource)
        return nullptr;
    auto* entry = reinterpret_cast<resources::Entry*>(resource);
    static const uint8_t empty = 0;
    return entry->data.empty() ? const_cast<uint8_t*>(&empty) : entry->data.data();
}

LPVOID WINAPI LockResource(HGLOBAL data) {
    return data;
}

DWORD WINAPI SizeofResource(HMODULE, HRSRC resource) {
    if (!resource)
        return 0;
    return static_cast<DWORD>(reinterpret_cast<resources::Entry*>(resource)->data.size());
}

// Resources of a module stay loaded as long as the module; Win32 returns
// FALSE here.
BOOL WINAPI FreeResource(HGLOBAL) {
    return FALSE;
}
