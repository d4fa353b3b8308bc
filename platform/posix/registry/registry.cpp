// The registry calls of the emulated machine over an in-memory key tree.
//
// Two roots are stored, HKEY_LOCAL_MACHINE and HKEY_USERS; the other two
// predefined roots show keys inside them: HKEY_CLASSES_ROOT is
// HKEY_LOCAL_MACHINE\SOFTWARE\Classes and HKEY_CURRENT_USER is
// HKEY_USERS\<kCurrentUser> (not HKEY_USERS\.Default).
//
// The tree is loaded from registry.reg when a registry call first comes
// after the machine was opened, and the file is replaced atomically after
// every change. A change that cannot be written is undone and the call fails
// with ERROR_CANTWRITE, so memory and file never disagree.
//
// Behaviour follows Windows NT as Wine shows it: names are case-blind and
// keep their case; values and subkeys enumerate in case-blind name order; a
// key deleted while handles to it are open stays reachable through them, but
// every operation on it fails with ERROR_KEY_DELETED; RegDeleteKeyA refuses a
// key that has subkeys (ERROR_ACCESS_DENIED); a string value queried into a
// buffer with room to spare gets a terminating zero if its data lack one.
//
// On a 64-bit machine the calls see WOW64's two registry views (wow64.h):
// every call walks its path in the 32-bit view unless it asks for the
// 64-bit one, or is relative to a key opened in it.
#include "platform/posix/registry/api_registry.h"
#include "platform/posix/registry/registry_internal.h"
#include "platform/posix/registry/registry_store.h"

#include "platform/posix/kernel/calls.h"
#include "platform/posix/kernel/machine.h"
#include "platform/posix/kernel/trace.h"
#include "platform/posix/kernel/windows_nt.h"
#include "platform/posix/kernel/wow64.h"

#include <stdio.h>
#include <string.h>
#include <unistd.h>

#include <map>

namespace registry_store {
namespace {

struct OpenKey {
    std::shared_ptr<Key> key;
    bool canWrite = false;
    bool wow32 = false; // opened in the 32-bit view of a 64-bit machine
};

struct Store {
    uint64_t generation = 0;
    std::shared_ptr<Key> machine = std::make_shared<Key>(); // HKEY_LOCAL_MACHINE
    std::shared_ptr<Key> users = std::make_shared<Key>();   // HKEY_USERS
    std::string loadError;
    bool errorShown = false;
    std::map<uintptr_t, OpenKey> handles;
};

Store g_store;
// Handle values are never reused, not even across machines, so a stale
// handle cannot reach another key.
uintptr_t g_nextHandle = 0x1000;

std::string FilePath() {
    return machine::FolderFile("registry.reg");
}

bool Save() {
    return machine::WriteFileAtomically(FilePath(), FormatFile(*g_store.machine, *g_store.users));
}

// Whether the 32-bit view reads the subkey `name` of `key` in the key's
// "Wow6432Node" subkey.
bool RedirectedInWow32(const Key& key, const std::string& name) {
    std::vector<std::string> path;
    const Key* k = &key;
    for (; k->parent; k = k->parent)
        path.insert(path.begin(), k->name);
    return k == g_store.machine.get() && wow64::RedirectsSubkey(path, name);
}

// Walks (and with create, makes) a path of names below a key, in the 32-bit
// view with `wow32`. *firstNew, when given, gets the first key made.
std::shared_ptr<Key> Walk(std::shared_ptr<Key> key, const std::vector<std::string>& names,
                          bool create, bool wow32 = false,
                          std::shared_ptr<Key>* firstNew = nullptr) {
    auto step = [&](const std::string& name) {
        std::shared_ptr<Key> sub = FindSubKey(*key, name);
        if (!sub && create) {
            sub = AddSubKey(key.get(), name);
            if (firstNew && !*firstNew)
                *firstNew = sub;
        }
        key = sub;
        return key != nullptr;
    };
    for (const std::string& name : names) {
        if (wow32 && RedirectedInWow32(*key, name) && !step("Wow6432Node"))
            return nullptr;
        if (!step(name))
            return nullptr;
    }
    return key;
}

// The keys that stand behind predefined roots; they cannot be deleted.
std::shared_ptr<Key> ClassesKey() {
    return Walk(g_store.machine, {"SOFTWARE", "Classes"}, true);
}
std::shared_ptr<Key> CurrentUserKey() {
    return Walk(g_store.users, {kCurrentUser}, true);
}
std::shared_ptr<Key> DefaultUserKey() {
    return Walk(g_store.users, {".Default"}, true);
}

void Load(uint64_t generation) {
    g_store = Store();
    g_store.generation = generation;
    std::string path = FilePath();
    std::string text;
    bool fresh = access(path.c_str(), F_OK) != 0;
    if (fresh) {
        text = std::string(kFreshRegistry) + (wow64::Is64Bit() ? wow64::kFreshRegistry64 : "") +
               (nt::IsNt() ? nt::FreshRegistry(wow64::Is64Bit()) : "");
    } else if (!machine::ReadWholeFile(path, &text)) {
        g_store.loadError = path + ": cannot be read";
        return;
    }
    int line = 0;
    std::string message;
    if (!ParseFile(text, g_store.machine.get(), g_store.users.get(), &line, &message)) {
        g_store.loadError = path + " line " + std::to_string(line) + ": " + message +
                            " (the registry is not used until the file is repaired)";
        g_store.machine = std::make_shared<Key>();
        g_store.users = std::make_shared<Key>();
        return;
    }
    ClassesKey();
    CurrentUserKey();
    DefaultUserKey();
    if (fresh && !Save())
        g_store.loadError = path + ": cannot write the registry of a fresh machine";
}

// Makes the store of the open machine ready; ERROR_SUCCESS when it can be used.
LONG Ready() {
    uint64_t generation = machine::Generation();
    if (generation == 0) {
        g_store = Store(); // the registry (and its handles) went with the machine
        return ERROR_CANTOPEN;
    }
    if (generation != g_store.generation)
        Load(generation);
    if (g_store.loadError.empty())
        return ERROR_SUCCESS;
    if (!g_store.errorShown) {
        fprintf(stderr, "%s\n", g_store.loadError.c_str());
        g_store.errorShown = true;
    }
    return ERROR_BADDB;
}

// The key behind a handle, and the view it was opened in (the predefined
// roots: the program's, the 32-bit one on a 64-bit machine). A deleted key
// is ERROR_KEY_DELETED.
LONG KeyOf(HKEY handle, std::shared_ptr<Key>* key, bool* canWrite = nullptr,
           bool* wow32 = nullptr) {
    LONG error = Ready();
    if (error != ERROR_SUCCESS)
        return error;
    bool write = true, view = wow64::Is64Bit();
    if (handle == HKEY_LOCAL_MACHINE)
        *key = g_store.machine;
    else if (handle == HKEY_USERS)
        *key = g_store.users;
    else if (handle == HKEY_CLASSES_ROOT)
        *key = ClassesKey();
    else if (handle == HKEY_CURRENT_USER)
        *key = CurrentUserKey();
    else {
        auto it = g_store.handles.find(reinterpret_cast<uintptr_t>(handle));
        if (it == g_store.handles.end())
            return ERROR_INVALID_HANDLE;
        *key = it->second.key;
        write = it->second.canWrite;
        view = it->second.wow32;
    }
    if (canWrite)
        *canWrite = write;
    if (wow32)
        *wow32 = view;
    return (*key)->deleted ? ERROR_KEY_DELETED : ERROR_SUCCESS;
}

HKEY NewHandle(const std::shared_ptr<Key>& key, bool canWrite, bool wow32) {
    uintptr_t value = g_nextHandle;
    g_nextHandle += 4;
    g_store.handles[value] = OpenKey{key, canWrite, wow32};
    return reinterpret_cast<HKEY>(value);
}

// The view of a call: the one its access asks for, else that of the key it
// is relative to. A 32-bit machine has one view.
bool CallInWow32(REGSAM access, bool keyInWow32) {
    if (!wow64::Is64Bit() || (access & KEY_WOW64_64KEY))
        return false;
    return (access & KEY_WOW64_32KEY) || keyInWow32;
}

// What a handle opened with `access` may do: set and delete values when it
// asks for that (or for all it may have).
bool CanWrite(REGSAM access) {
    const REGSAM kMaximumAllowed = 0x02000000;
    return (access & (KEY_SET_VALUE | kMaximumAllowed)) != 0;
}

// The names of a key path. Empty names (a trailing or doubled "\") are
// skipped as Windows does; a leading "\" is a bad path. Names with a line
// break are refused: no REGEDIT4 key line can hold them.
LONG SplitPath(LPCSTR path, std::vector<std::string>* names) {
    names->clear();
    if (!path || !*path)
        return ERROR_SUCCESS;
    if (*path == '\\')
        return ERROR_BAD_PATHNAME;
    std::string text = path;
    if (text.find_first_of("\r\n") != std::string::npos)
        return ERROR_INVALID_PARAMETER;
    size_t start = 0;
    while (start <= text.size()) {
        size_t slash = text.find('\\', start);
        if (slash == std::string::npos)
            slash = text.size();
        if (slash > start)
            names->push_back(text.substr(start, slash - start));
        start = slash + 1;
    }
    return ERROR_SUCCESS;
}

// What a call names: `subKey` below `root`, as the start key and the names
// of the path, in the view the call's access asks for (*wow32).
LONG PathBelow(HKEY root, LPCSTR subKey, REGSAM access, std::shared_ptr<Key>* key,
               std::vector<std::string>* names, bool* wow32) {
    bool rootInWow32 = false;
    LONG error = KeyOf(root, key, nullptr, &rootInWow32);
    if (error != ERROR_SUCCESS)
        return error;
    error = SplitPath(subKey, names);
    if (error != ERROR_SUCCESS)
        return error;
    *wow32 = CallInWow32(access, rootInWow32);
    return ERROR_SUCCESS;
}

void RemoveSubKey(Key* parent, const std::shared_ptr<Key>& key) {
    for (auto it = parent->subkeys.begin(); it != parent->subkeys.end(); ++it) {
        if (*it == key) {
            parent->subkeys.erase(it);
            return;
        }
    }
}

bool IsStringType(DWORD type) {
    return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
}

std::string NameOf(LPCSTR name) {
    return name ? std::string(name) : std::string();
}

// ---- The change trace ----

// The full name of a key as a person reads it: keys below the current
// user's key under HKEY_CURRENT_USER, keys below SOFTWARE\Classes under
// HKEY_CLASSES_ROOT.
std::string KeyName(const Key* key) {
    std::vector<const Key*> chain;
    for (const Key* k = key; k; k = k->parent)
        chain.push_back(k);
    const Key* root = chain.back();
    chain.pop_back();
    std::string name = root == g_store.machine.get() ? "HKEY_LOCAL_MACHINE" : "HKEY_USERS";
    size_t skip = 0;
    auto is = [&](size_t fromEnd, const char* text) {
        return chain.size() > fromEnd &&
               CompareNames(chain[chain.size() - 1 - fromEnd]->name, text) == 0;
    };
    if (root == g_store.users.get() && is(0, kCurrentUser)) {
        name = "HKEY_CURRENT_USER";
        skip = 1;
    } else if (root == g_store.machine.get() && is(0, "SOFTWARE") && is(1, "Classes")) {
        name = "HKEY_CLASSES_ROOT";
        skip = 2;
    }
    for (size_t i = chain.size() - skip; i-- > 0;)
        name += "\\" + chain[i]->name;
    return trace::Text(name);
}

std::string ValueName(const std::string& name) {
    return name.empty() ? "@" : trace::Quoted(name);
}

} // namespace

const std::string& LoadError() {
    Ready();
    return g_store.loadError;
}

} // namespace registry_store

using namespace registry_store;

namespace {

// What a registry call changed, for the trace: the key (a deleted key is out
// of the tree, its parent names it), the first of the keys a create made, the
// value's name as stored.
struct Changed {
    std::shared_ptr<Key> key;
    std::shared_ptr<Key> firstNew;
    const Key* parent = nullptr;
    std::string value;
};

// RegCreateKeyA and RegCreateKeyExA.
LONG CreateKey(HKEY root, LPCSTR subKey, REGSAM access, PHKEY result, LPDWORD disposition,
               Changed* changed) {
    if (!result)
        return ERROR_INVALID_PARAMETER;
    std::shared_ptr<Key> key;
    std::vector<std::string> names;
    bool wow32 = false;
    LONG error = PathBelow(root, subKey, access, &key, &names, &wow32);
    if (error != ERROR_SUCCESS)
        return error;
    std::shared_ptr<Key> firstNew;
    key = Walk(key, names, true, wow32, &firstNew);
    if (firstNew && !Save()) {
        RemoveSubKey(firstNew->parent, firstNew);
        return ERROR_CANTWRITE;
    }
    changed->key = key;
    changed->firstNew = firstNew;
    if (disposition)
        *disposition = firstNew ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
    *result = NewHandle(key, CanWrite(access), wow32);
    return ERROR_SUCCESS;
}

LONG SetKeyValue(HKEY handle, LPCSTR valueName, DWORD type, const BYTE* data, DWORD size,
                 Changed* changed) {
    std::shared_ptr<Key> key;
    bool canWrite;
    LONG error = KeyOf(handle, &key, &canWrite);
    if (error != ERROR_SUCCESS)
        return error;
    if (!canWrite)
        return ERROR_ACCESS_DENIED;
    if (!data && size)
        return ERROR_INVALID_PARAMETER;
    std::string name = NameOf(valueName);
    Value* old = FindValue(key.get(), name);
    Value before = old ? *old : Value();
    bool existed = old != nullptr;
    std::string bytes(reinterpret_cast<const char*>(data), data ? size : 0);
    SetValue(key.get(), name, type, bytes);
    if (Save()) {
        changed->key = key;
        return ERROR_SUCCESS;
    }
    if (existed)
        *FindValue(key.get(), name) = before;
    else
        std::erase_if(key->values, [&](const Value& v) { return CompareNames(v.name, name) == 0; });
    return ERROR_CANTWRITE;
}

LONG DeleteKeyValue(HKEY handle, LPCSTR valueName, Changed* changed) {
    std::shared_ptr<Key> key;
    bool canWrite;
    LONG error = KeyOf(handle, &key, &canWrite);
    if (error != ERROR_SUCCESS)
        return error;
    if (!canWrite)
        return ERROR_ACCESS_DENIED;
    std::string name = NameOf(valueName);
    for (auto it = key->values.begin(); it != key->values.end(); ++it) {
        if (CompareNames(it->name, name) != 0)
            continue;
        Value before = *it;
        size_t at = static_cast<size_t>(it - key->values.begin());
        key->values.erase(it);
        if (Save()) {
            changed->key = key;
            changed->value = before.name;
            return ERROR_SUCCESS;
        }
        key->values.insert(key->values.begin() + static_cast<std::ptrdiff_t>(at), before);
        return ERROR_CANTWRITE;
    }
    return ERROR_FILE_NOT_FOUND;
}

// Deletes the key at subKey below handle ("" deletes the key itself). The
// key must have no subkeys; handles still open on it see ERROR_KEY_DELETED.
LONG DeleteKey(HKEY handle, LPCSTR subKey, Changed* changed) {
    if (!subKey)
        return ERROR_INVALID_PARAMETER;
    // No access of its own: the view of the key it is relative to.
    std::shared_ptr<Key> key;
    std::vector<std::string> names;
    bool wow32 = false;
    LONG error = PathBelow(handle, subKey, 0, &key, &names, &wow32);
    if (error != ERROR_SUCCESS)
        return error;
    key = Walk(key, names, false, wow32);
    if (!key)
        return ERROR_FILE_NOT_FOUND;
    if (!key->subkeys.empty() || !key->parent || key == ClassesKey() || key == CurrentUserKey() ||
        key == DefaultUserKey())
        return ERROR_ACCESS_DENIED;
    Key* parent = key->parent;
    RemoveSubKey(parent, key);
    key->parent = nullptr;
    key->deleted = true;
    if (Save()) {
        changed->key = key;
        changed->parent = parent;
        return ERROR_SUCCESS;
    }
    key->deleted = false;
    InsertSubKey(parent, key);
    return ERROR_CANTWRITE;
}

} // namespace

// ---- The calls that change the registry: the way in and out (calls.h) ----

LONG WINAPI RegCreateKeyA(HKEY root, LPCSTR subKey, PHKEY result) {
    return RegCreateKeyExA(root, subKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                           nullptr, result, nullptr);
}

LONG WINAPI RegCreateKeyExA(HKEY root, LPCSTR subKey, DWORD, LPSTR, DWORD options, REGSAM access,
                            LPSECURITY_ATTRIBUTES, PHKEY result, LPDWORD disposition) {
    if (options != REG_OPTION_NON_VOLATILE)
        return ERROR_CALL_NOT_IMPLEMENTED; // no volatile keys, links or backup opens here
    Changed changed;
    return calls::Run(
        calls::kRegCreateKey,
        [&] { return CreateKey(root, subKey, access, result, disposition, &changed); },
        [&](LONG error) {
            calls::Lines lines;
            if (error != ERROR_SUCCESS || !changed.firstNew)
                return lines;
            std::vector<const Key*> made;
            for (const Key* k = changed.key.get(); k; k = k->parent) {
                made.push_back(k);
                if (k == changed.firstNew.get())
                    break;
            }
            for (size_t i = made.size(); i-- > 0;)
                lines.push_back("create key " + KeyName(made[i]));
            return lines;
        });
}

LONG WINAPI RegOpenKeyExA(HKEY root, LPCSTR subKey, DWORD, REGSAM access, PHKEY result) {
    if (!result)
        return ERROR_INVALID_PARAMETER;
    std::shared_ptr<Key> key;
    std::vector<std::string> names;
    bool wow32 = false;
    LONG error = PathBelow(root, subKey, access, &key, &names, &wow32);
    if (error != ERROR_SUCCESS)
        return error;
    key = Walk(key, names, false, wow32);
    if (!key)
        return ERROR_FILE_NOT_FOUND;
    *result = NewHandle(key, CanWrite(access), wow32);
    return ERROR_SUCCESS;
}

// Without a sub-key the handle itself comes back (no new handle), as
// Windows does.
LONG WINAPI RegOpenKeyA(HKEY root, LPCSTR subKey, PHKEY result) {
    if (!result)
        return ERROR_INVALID_PARAMETER;
    if (!subKey || !*subKey) {
        *result = root;
        return ERROR_SUCCESS;
    }
    return RegOpenKeyExA(root, subKey, 0, KEY_ALL_ACCESS, result);
}

LONG WINAPI RegCloseKey(HKEY handle) {
    if (handle == HKEY_LOCAL_MACHINE || handle == HKEY_USERS || handle == HKEY_CLASSES_ROOT ||
        handle == HKEY_CURRENT_USER)
        return ERROR_SUCCESS;
    // Handles of an earlier machine are gone with it.
    if (g_store.generation != machine::Generation())
        return ERROR_INVALID_HANDLE;
    return g_store.handles.erase(reinterpret_cast<uintptr_t>(handle)) ? ERROR_SUCCESS
                                                                      : ERROR_INVALID_HANDLE;
}

LONG WINAPI RegQueryValueExA(HKEY handle, LPCSTR valueName, LPDWORD reserved, LPDWORD type,
                             LPBYTE data, LPDWORD size) {
    std::shared_ptr<Key> key;
    LONG error = KeyOf(handle, &key);
    if (error != ERROR_SUCCESS)
        return error;
    if (reserved || (data && !size))
        return ERROR_INVALID_PARAMETER;
    const Value* v = FindValue(key.get(), NameOf(valueName));
    if (!v)
        return ERROR_FILE_NOT_FOUND;
    if (type)
        *type = v->type;
    if (!size)
        return ERROR_SUCCESS;
    DWORD length = static_cast<DWORD>(v->data.size());
    DWORD capacity = *size;
    *size = length;
    if (!data)
        return ERROR_SUCCESS;
    if (length > capacity)
        return ERROR_MORE_DATA;
    memcpy(data, v->data.data(), length);
    // Windows NT ends a string without terminator when there is room.
    if (IsStringType(v->type) && length > 0 && length < capacity && data[length - 1] != 0)
        data[length] = 0;
    return ERROR_SUCCESS;
}

// A name buffer that is too small gets as much of the name as fits, ended
// with a zero, and ERROR_MORE_DATA (its size stays as it was).
LONG WINAPI RegEnumValueA(HKEY handle, DWORD index, LPSTR name, LPDWORD nameSize, LPDWORD reserved,
                          LPDWORD type, LPBYTE data, LPDWORD dataSize) {
    std::shared_ptr<Key> key;
    LONG error = KeyOf(handle, &key);
    if (error != ERROR_SUCCESS)
        return error;
    if (!name || !nameSize || reserved || (data && !dataSize))
        return ERROR_INVALID_PARAMETER;
    if (index >= key->values.size())
        return ERROR_NO_MORE_ITEMS;
    const Value& v = key->values[index];
    if (type)
        *type = v.type;
    if (v.name.size() >= *nameSize) {
        if (*nameSize > 0) {
            memcpy(name, v.name.data(), *nameSize - 1);
            name[*nameSize - 1] = 0;
        }
        return ERROR_MORE_DATA;
    }
    memcpy(name, v.name.c_str(), v.name.size() + 1);
    *nameSize = static_cast<DWORD>(v.name.size());
    if (dataSize) {
        DWORD capacity = *dataSize;
        *dataSize = static_cast<DWORD>(v.data.size());
        if (data) {
            if (v.data.size() > capacity)
                return ERROR_MORE_DATA;
            memcpy(data, v.data.data(), v.data.size());
        }
    }
    return ERROR_SUCCESS;
}

// A name that does not fit leaves the buffer alone: ERROR_MORE_DATA.
LONG WINAPI RegEnumKeyA(HKEY handle, DWORD index, LPSTR name, DWORD nameSize) {
    std::shared_ptr<Key> key;
    LONG error = KeyOf(handle, &key);
    if (error != ERROR_SUCCESS)
        return error;
    if (!name)
        return ERROR_INVALID_PARAMETER;
    if (index >= key->subkeys.size())
        return ERROR_NO_MORE_ITEMS;
    const std::string& sub = key->subkeys[index]->name;
    if (sub.size() >= nameSize)
        return ERROR_MORE_DATA;
    memcpy(name, sub.c_str(), sub.size() + 1);
    return ERROR_SUCCESS;
}

LONG WINAPI RegSetValueExA(HKEY handle, LPCSTR valueName, DWORD, DWORD type, const BYTE* data,
                           DWORD size) {
    Changed changed;
    return calls::Run(
        calls::kRegSetValueExA,
        [&] { return SetKeyValue(handle, valueName, type, data, size, &changed); },
        [&](LONG error) -> calls::Lines {
            if (error != ERROR_SUCCESS)
                return {};
            std::string bytes(reinterpret_cast<const char*>(data), data ? size : 0);
            return {"set value " + KeyName(changed.key.get()) + " " + ValueName(NameOf(valueName)) +
                    " = " + trace::RegistryData(type, bytes)};
        });
}

LONG WINAPI RegDeleteValueA(HKEY handle, LPCSTR valueName) {
    Changed changed;
    return calls::Run(
        calls::kRegDeleteValueA, [&] { return DeleteKeyValue(handle, valueName, &changed); },
        [&](LONG error) -> calls::Lines {
            if (error != ERROR_SUCCESS)
                return {};
            return {"delete value " + KeyName(changed.key.get()) + " " + ValueName(changed.value)};
        });
}

LONG WINAPI RegDeleteKeyA(HKEY handle, LPCSTR subKey) {
    Changed changed;
    return calls::Run(
        calls::kRegDeleteKeyA, [&] { return DeleteKey(handle, subKey, &changed); },
        [&](LONG error) -> calls::Lines {
            if (error != ERROR_SUCCESS)
                return {};
            return {"delete key " + KeyName(changed.parent) + "\\" +
                    trace::Text(changed.key->name)};
        });
}
