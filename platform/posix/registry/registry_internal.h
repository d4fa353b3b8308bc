// Internals of the emulated registry: the key tree and its REGEDIT4 text
// form, shared by registry.cpp (the calls) and registry_file.cpp (the file).
#pragma once

#include "platform/posix/win_types.h"

#include <memory>
#include <string>
#include <vector>

namespace registry_store {

struct Value {
    std::string name; // "" is the key's default value
    DWORD type = REG_NONE;
    std::string data; // the bytes as stored
};

struct Key {
    std::string name;
    Key* parent = nullptr;                     // none for the stored roots and for deleted keys
    bool deleted = false;                      // deleted while a handle to it was open
    std::vector<Value> values;                 // ordered by CompareNames
    std::vector<std::shared_ptr<Key>> subkeys; // ordered by CompareNames
};

// Order of names in a key: case-blind, letters folded to lower case.
int CompareNames(const std::string& a, const std::string& b);

// Child lookup and creation (kept in order).
std::shared_ptr<Key> FindSubKey(const Key& key, const std::string& name);
std::shared_ptr<Key> AddSubKey(Key* key, const std::string& name);
void InsertSubKey(Key* key, const std::shared_ptr<Key>& sub);
Value* FindValue(Key* key, const std::string& name);
// Sets a value (the name keeps the case it had when it was created).
void SetValue(Key* key, const std::string& name, DWORD type, const std::string& data);

// REGEDIT4 text of the two stored roots, HKEY_LOCAL_MACHINE and HKEY_USERS.
std::string FormatFile(const Key& machine, const Key& users);

// Reads REGEDIT4 text into the two roots (which should be empty). Keys
// under HKEY_CLASSES_ROOT and HKEY_CURRENT_USER are read into the keys
// those roots show. On failure returns false with the line number and what
// is wrong in *line and *message.
bool ParseFile(const std::string& text, Key* machine, Key* users, int* line, std::string* message);

// The registry of a fresh machine, REGEDIT4 text.
extern const char kFreshRegistry[];

} // namespace registry_store
