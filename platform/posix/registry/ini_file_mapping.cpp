// IniFileMapping (kernel/ini_file_mapping.h): where the registry of a Windows
// 10 machine maps a profile entry, and the entry read and written there.
#include "platform/posix/kernel/ini_file_mapping.h"

#include "platform/posix/kernel/api_base.h"
#include "platform/posix/kernel/windows_nt.h"
#include "platform/posix/registry/api_registry.h"
#include "platform/posix/kernel/calls.h"

#include <string.h>

using calls::Fail;

namespace ini_mapping {
namespace {

// The mapping key of a section of a profile file named without a directory.
bool MappingKey(const char* fileName, const std::string& section, std::string* keyPath) {
    if (!nt::IsNt() || !fileName || !*fileName || strpbrk(fileName, "\\/:"))
        return false;
    *keyPath = std::string(nt::kIniFileMappingKey) + "\\" + fileName + "\\" + section;
    return true;
}

} // namespace

bool Find(const char* fileName, const std::string& section, const std::string& key, Entry* entry) {
    std::string mapping;
    if (!MappingKey(fileName, section, &mapping))
        return false;
    HKEY handle;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, mapping.c_str(), 0, KEY_READ | KEY_WOW64_64KEY,
                      &handle) != ERROR_SUCCESS)
        return false;
    char target[MAX_PATH];
    DWORD size = sizeof target - 1, type = 0;
    LONG result = RegQueryValueExA(handle, key.c_str(), nullptr, &type,
                                   reinterpret_cast<BYTE*>(target), &size);
    RegCloseKey(handle);
    if (result != ERROR_SUCCESS || type != REG_SZ)
        return false;
    target[size] = 0;
    // "!", "#" and "@" before the root tune how NT writes and reads the
    // entry; where it lives is the same.
    const char* place = target + strspn(target, "!#@");
    if (strncmp(place, "USR:", 4) == 0)
        entry->root = HKEY_CURRENT_USER;
    else if (strncmp(place, "SYS:", 4) == 0)
        entry->root = HKEY_LOCAL_MACHINE;
    else
        return false;
    entry->keyPath = place + 4;
    if (entry->root == HKEY_LOCAL_MACHINE)
        entry->keyPath = "SOFTWARE\\" + entry->keyPath;
    return true;
}

std::vector<std::string> Names(const char* fileName, const std::string& section) {
    std::vector<std::string> names;
    std::string mapping;
    HKEY handle;
    if (!MappingKey(fileName, section, &mapping) ||
        RegOpenKeyExA(HKEY_LOCAL_MACHINE, mapping.c_str(), 0, KEY_READ | KEY_WOW64_64KEY,
                      &handle) != ERROR_SUCCESS)
        return names;
    for (DWORD i = 0;; ++i) {
        char name[MAX_PATH];
        DWORD size = sizeof name;
        if (RegEnumValueA(handle, i, name, &size, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS)
            break;
        if (name[0])
            names.push_back(name);
    }
    RegCloseKey(handle);
    return names;
}

std::string Read(const Entry& entry, const std::string& key, const std::string& fallback) {
    std::string value = fallback;
    HKEY handle;
    if (RegOpenKeyExA(entry.root, entry.keyPath.c_str(), 0, KEY_READ, &handle) == ERROR_SUCCESS) {
        char data[1024];
        DWORD size = sizeof data - 1, type = 0;
        if (RegQueryValueExA(handle, key.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(data),
                             &size) == ERROR_SUCCESS &&
            (type == REG_SZ || type == REG_EXPAND_SZ)) {
            data[size] = 0;
            value = data;
        }
        RegCloseKey(handle);
    }
    return value;
}

BOOL Write(const Entry& entry, const std::string& key, LPCSTR value) {
    HKEY handle;
    LONG result = value ? RegCreateKeyA(entry.root, entry.keyPath.c_str(), &handle)
                        : RegOpenKeyExA(entry.root, entry.keyPath.c_str(), 0,
                                        KEY_READ | KEY_SET_VALUE, &handle);
    if (!value && result == ERROR_FILE_NOT_FOUND)
        return TRUE;
    if (result == ERROR_SUCCESS) {
        result = value ? RegSetValueExA(handle, key.c_str(), 0, REG_SZ,
                                        reinterpret_cast<const BYTE*>(value),
                                        static_cast<DWORD>(strlen(value) + 1))
                       : RegDeleteValueA(handle, key.c_str());
        RegCloseKey(handle);
    }
    if (result == ERROR_SUCCESS || (!value && result == ERROR_FILE_NOT_FOUND))
        return TRUE;
    return Fail(static_cast<DWORD>(result));
}

} // namespace ini_mapping
