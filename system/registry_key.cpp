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
    if (!text)
        return false;
    HKEY key = nullptr;
    if (!CreateKeyInView(root, keyPath, view, &key))
        return false;
    bool ok = RegSetValueExA(key, valueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                             static_cast<DWORD>(strlen(text) + 1)) == ERROR_SUCCESS;
    RegCloseKey(key);
    return ok;
}

// The value is read into a copy first, so that the caller's buffer changes
// only when the read succeeds and its text ends inside the buffer (binary
// data, read here without a type check, carry no terminator).
bool ReadRegistryString(HKEY root, const char* keyPath, const char* valueName, char* buffer,
                        DWORD size, REGSAM view) {
    if (!buffer)
        return false;
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, keyPath, 0, KEY_READ | view, &key) != ERROR_SUCCESS &&
        !CreateKeyInView(root, keyPath, view, &key))
        return false;
    char* copy = new (std::nothrow) char[size];
    DWORD length = size;
    bool ok = copy &&
              RegQueryValueExA(key, valueName, nullptr, nullptr, reinterpret_cast<LPBYTE>(copy),
                               &length) == ERROR_SUCCESS &&
              EndTextInBuffer(copy, size, length);
    RegCloseKey(key);
    if (ok) // the data, and the zero put after them when they had none
        memcpy(buffer, copy, length < size ? length + 1 : length);
    delete[] copy;
    return ok;
}
