// IniFileMapping (NT): an entry of a profile file named without a directory
// (one of the Windows directory) that
// HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows NT\CurrentVersion\IniFileMapping
// maps lives in the registry, not in the file. The profile calls
// (profile.cpp) ask here; the registry area answers
// (registry/ini_file_mapping.cpp), as NT's KERNEL32 reads the registry that
// lies below it. On Windows 95 nothing is mapped.
#pragma once

#include "platform/posix/win_types.h"

#include <string>
#include <vector>

namespace ini_mapping {

// Where an entry lives: the key under `root`, the value named as the entry.
struct Entry {
    HKEY root;
    std::string keyPath;
};

// False for an entry of the file itself.
bool Find(const char* fileName, const std::string& section, const std::string& key, Entry* entry);
// The entries of a section that are mapped (for the removal of a section).
std::vector<std::string> Names(const char* fileName, const std::string& section);

// The entry's text (a REG_SZ or REG_EXPAND_SZ value), `fallback` when it is
// not there.
std::string Read(const Entry& entry, const std::string& key, const std::string& fallback);
// Writes the entry as a REG_SZ value, or with no value deletes it (an entry
// that is not there is deleted already). False with the last error set.
BOOL Write(const Entry& entry, const std::string& key, LPCSTR value);

} // namespace ini_mapping
