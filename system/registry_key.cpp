// Registry access with create-on-open semantics.
#include "system/registry_key.h"

#include <stdio.h>
#include <string.h>

#include <new>

namespace {

// Makes the text of a read end inside its buffer: data of `length` bytes in
// a buffer of `capacity` bytes. Data without a zero get one after them when
// there is room; data that fill the buffer without a zero do not fit.
bool EndTextInBuffer(char* buffer, DWORD capacity, DWORD length) {
    if (length > capacity)
        return false;
    if (memchr(buffer, 0, length))
        return true;
    if (length == capacity)
        return false;
    buffer[length] = 0;
    return true;
}

// Opens a key with create semantics in a registry view (0: the program's).
// Without a view it is RegCreateKeyA, as on every Windows; a view needs
// RegCreateKeyExA.
bool CreateKeyInView(HKEY root, const char* keyPath, REGSAM view, HKEY* key) {
    if (!view)
        return RegCreateKeyA(root, keyPath, key) == ERROR_SUCCESS;
    return RegCreateKeyExA(root, keyPath, 0, nullptr, REG_OPTION_NON_VOLATILE,
                           KEY_READ | KEY_WRITE | view, nullptr, key, nullptr) == ERROR_SUCCESS;
}

} // namespace

RegistryKey::RegistryKey(HKEY root, const char* basePath) : root(root) {
    snprintf(this->basePath, sizeof this->basePath, "%s", basePath ? basePath : "");
}

RegistryKey::~RegistryKey() {
    EndValueEnum();
}

// A full path that does not fit the path buffer fails instead of opening a
// key named by a cut path.
HKEY RegistryKey::OpenSubKey(const char* subKey) {
    if (!root)
        return nullptr;
    char path[kFullPathSize];
    int length;
    if (subKey)
        length = snprintf(path, sizeof path, "%s%s%s", basePath, basePath[0] ? "\\" : "", subKey);
    else
        length = snprintf(path, sizeof path, "%s", basePath);
    if (length < 0 || length >= static_cast<int>(sizeof path))
        return nullptr;
    HKEY key = nullptr;
    if (RegCreateKeyA(root, path, &key) != ERROR_SUCCESS)
        return nullptr;
    return key;
}

void RegistryKey::CloseSubKey(HKEY key) {
    if (key)
        RegCloseKey(key);
}

bool RegistryKey::QueryTypedValue(HKEY key, const char* valueName, void* buffer, DWORD* size,
                                  DWORD type) {
    if (!valueName || !buffer)
        return false;
    DWORD stored = 0;
    if (RegQueryValueExA(key, valueName, nullptr, &stored, static_cast<LPBYTE>(buffer), size) !=
        ERROR_SUCCESS)
        return false;
    return stored == type;
}

bool RegistryKey::SetTypedValue(HKEY key, const char* valueName, const void* data, DWORD size,
                                DWORD type) {
    if (!data || !valueName)
        return false;
    return RegSetValueExA(key, valueName, 0, type, static_cast<const BYTE*>(data), size) ==
           ERROR_SUCCESS;
}

bool RegistryKey::WriteBinary(const char* subKey, const char* valueName, const void* data,
                              DWORD size) {
    if (!root || !data)
        return false;
    HKEY key = OpenSubKey(subKey);
    if (!key)
        return false;
    bool ok = SetTypedValue(key, valueName, data, size, REG_BINARY);
    CloseSubKey(key);
    return ok;
}

bool RegistryKey::WriteString(const char* subKey, const char* valueName, const char* text) {
    if (!root || !text)
        return false;
    HKEY key = OpenSubKey(subKey);
    if (!key)
        return false;
    bool ok = SetTypedValue(key, valueName, text, static_cast<DWORD>(strlen(text) + 1), REG_SZ);
    CloseSubKey(key);
    return ok;
}

bool RegistryKey::WriteDword(const char* subKey, const char* valueName, DWORD value) {
    if (!root)
        return false;
    HKEY key = OpenSubKey(subKey);
    if (!key)
        return false;
    bool ok = SetTypedValue(key, valueName, &value, sizeof value, REG_DWORD);
    CloseSubKey(key);
    return ok;
}

bool RegistryKey::ReadBinary(const char* subKey, const char* valueName, void* buffer, DWORD size) {
    if (!root || !buffer)
        return false;
    HKEY key = OpenSubKey(subKey);
    if (!key)
        return false;
    bool ok = QueryTypedValue(key, valueName, buffer, &size, REG_BINARY);
    CloseSubKey(key);
    return ok;
}

// The platform may copy a value of another type into the buffer before the
// type check fails; the failed read then makes the buffer empty again.
bool RegistryKey::ReadString(const char* subKey, const char* valueName, char* buffer, DWORD size) {
    if (!root || !buffer)
        return false;
    HKEY key = OpenSubKey(subKey);
    if (!key)
        return false;
    if (size > 0)
        buffer[0] = 0;
    DWORD length = size;
    bool ok = QueryTypedValue(key, valueName, buffer, &length, REG_SZ) &&
              EndTextInBuffer(buffer, size, length);
    if (!ok && size > 0)
        buffer[0] = 0;
    CloseSubKey(key);
    return ok;
}

bool RegistryKey::ReadDword(const char* subKey, const char* valueName, DWORD* value) {
    if (!root || !value)
        return false;
    HKEY key = OpenSubKey(subKey);
    if (!key)
        return false;
    DWORD size = sizeof *value;
    bool ok = QueryTypedValue(key, valueName, value, &size, REG_DWORD);
    CloseSubKey(key);
    return ok;
}

void RegistryKey::DeleteValue(const char* subKey, const char* valueName) {
    if (!root)
        return;
    HKEY key = OpenSubKey(subKey);
    if (!key)
        return;
    RegDeleteValueA(key, valueName);
    CloseSubKey(key);
}

bool RegistryKey::BeginValueEnum(const char* subKey) {
    if (!root || enumKey)
        return false;
    enumIndex = 0;
    enumKey = OpenSubKey(subKey);
    return enumKey != nullptr;
}

bool RegistryKey::NextValueName(char* name, DWORD size) {
    if (!enumKey)
        return false;
    DWORD nameSize = size;
    DWORD type = 0;
    LONG result =
        RegEnumValueA(enumKey, enumIndex, name, &nameSize, nullptr, &type, nullptr, nullptr);
    ++enumIndex;
    return result == ERROR_SUCCESS;
}

void RegistryKey::EndValueEnum() {
    CloseSubKey(enumKey);
    enumKey = nullptr;
}

bool WriteRegistryString(HKEY root, const char* keyPath, const char* valueName, const char* text,
                         REGSAM view) {
    return WriteRegistryText(root, keyPath, valueName, text, REG_SZ, view);
}

bool WriteRegistryText(HKEY root, const char* keyPath, const char* valueName, const char* text,
                       DWORD type, REGSAM view) {
    if (!text)
        return false;
    HKEY key = nullptr;
    if (!CreateKeyInView(root, keyPath, view, &key))
        return false;
    bool ok = RegSetValueExA(key, valueName, 0, type, reinterpret_cast<const BYTE*>(text),
                             static_cast<DWORD>(strlen(text) + 1)) == ERROR_SUCCESS;
    RegCloseKey(key);
    return ok;
}

// The value is read into a copy first, so that the caller's buffer changes
// only when the read succeeds and its text ends inside the buffer (binary
// data, read here without a type check, carry no terminator).
bool ReadRegistryString(HKEY root, const char* keyPath, const char* valueName, char* buffer,
                        DWORD size, REGSAM view) {
    DWORD type = 0;
    return ReadRegistryText(root, keyPath, valueName, buffer, size, &type, view);
}

bool ReadRegistryText(HKEY root, const char* keyPath, const char* valueName, char* buffer,
                      DWORD size, DWORD* type, REGSAM view) {
    if (!buffer || !type)
        return false;
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, keyPath, 0, KEY_READ | view, &key) != ERROR_SUCCESS &&
        !CreateKeyInView(root, keyPath, view, &key))
        return false;
    char* copy = new (std::nothrow) char[size];
    DWORD length = size, stored = 0;
    bool ok = copy &&
              RegQueryValueExA(key, valueName, nullptr, &stored, reinterpret_cast<LPBYTE>(copy),
                               &length) == ERROR_SUCCESS &&
              EndTextInBuffer(copy, size, length);
    RegCloseKey(key);
    if (ok) { // the data, and the zero put after them when they had none
        memcpy(buffer, copy, length < size ? length + 1 : length);
        *type = stored;
    }
    delete[] copy;
    return ok;
}

int MissingRegistryKeys(HKEY root, const char* keyPath, REGSAM view) {
    char path[RegistryKey::kFullPathSize];
    int length = snprintf(path, sizeof path, "%s", keyPath ? keyPath : "");
    if (length < 0 || length >= static_cast<int>(sizeof path))
        return -1;
    for (int missing = 0;; ++missing) {
        if (!path[0])
            return missing;
        HKEY key = nullptr;
        LONG result = RegOpenKeyExA(root, path, 0, KEY_READ | view, &key);
        if (result == ERROR_SUCCESS)
            RegCloseKey(key);
        // A key that cannot be opened for another reason is there.
        if (result != ERROR_FILE_NOT_FOUND)
            return missing;
        char* cut = strrchr(path, '\\');
        if (cut)
            *cut = 0;
        else
            path[0] = 0;
    }
}

bool RegistryValueExists(HKEY root, const char* keyPath, const char* valueName, REGSAM view) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, keyPath, 0, KEY_READ | view, &key) != ERROR_SUCCESS)
        return false;
    DWORD size = 0;
    LONG result = RegQueryValueExA(key, valueName, nullptr, nullptr, nullptr, &size);
    RegCloseKey(key);
    return result == ERROR_SUCCESS || result == ERROR_MORE_DATA;
}

bool DeleteRegistryValue(HKEY root, const char* keyPath, const char* valueName, REGSAM view) {
    HKEY key = nullptr;
    LONG result = RegOpenKeyExA(root, keyPath, 0, KEY_READ | KEY_SET_VALUE | view, &key);
    if (result == ERROR_FILE_NOT_FOUND)
        return true;
    if (result != ERROR_SUCCESS)
        return false;
    result = RegDeleteValueA(key, valueName);
    RegCloseKey(key);
    return result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND;
}

namespace {

// True when the key holds no value and no subkey; false also when it
// cannot be read.
bool IsEmptyKey(HKEY key) {
    char name[MAX_PATH];
    DWORD nameSize = sizeof name;
    return RegEnumKeyA(key, 0, name, sizeof name) == ERROR_NO_MORE_ITEMS &&
           RegEnumValueA(key, 0, name, &nameSize, nullptr, nullptr, nullptr, nullptr) ==
               ERROR_NO_MORE_ITEMS;
}

} // namespace

// RegDeleteKeyA deletes a subkey of an open key, so a key of another view
// goes through its parent opened in that view.
bool DeleteEmptyRegistryKeys(HKEY root, const char* keyPath, int count, REGSAM view) {
    char path[RegistryKey::kFullPathSize];
    int length = snprintf(path, sizeof path, "%s", keyPath ? keyPath : "");
    if (length < 0 || length >= static_cast<int>(sizeof path))
        return false;
    for (int i = 0; i < count && path[0]; ++i) {
        HKEY key = nullptr;
        LONG result = RegOpenKeyExA(root, path, 0, KEY_READ | view, &key);
        if (result == ERROR_SUCCESS) {
            bool empty = IsEmptyKey(key);
            RegCloseKey(key);
            if (!empty)
                return false;
            char* cut = strrchr(path, '\\');
            HKEY parent = root;
            if (cut) {
                *cut = 0;
                if (RegOpenKeyExA(root, path, 0, KEY_READ | KEY_WRITE | view, &parent) !=
                    ERROR_SUCCESS)
                    return false;
            }
            result = RegDeleteKeyA(parent, cut ? cut + 1 : path);
            if (parent != root)
                RegCloseKey(parent);
            if (result != ERROR_SUCCESS && result != ERROR_FILE_NOT_FOUND)
                return false;
            if (!cut)
                path[0] = 0;
        } else if (result == ERROR_FILE_NOT_FOUND) {
            char* cut = strrchr(path, '\\');
            if (cut)
                *cut = 0;
            else
                path[0] = 0;
        } else {
            return false;
        }
    }
    return true;
}
