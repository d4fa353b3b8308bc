// Registry access: a key object bound to a root key and a base path with
// typed value access below it, and two free functions for one-off string
// values.
//
// Every operation opens its key with create semantics: reads, deletions and
// enumerations create a missing key (and its parents) and then work on the
// new, empty key. Each value operation opens its key, does its one step and
// closes the key again; only a value enumeration keeps a key open between
// calls. Results are true for success and false for failure.
//
// Texts read into a caller's buffer always end inside the buffer: data that
// fill the buffer exactly without a terminating zero count as not fitting.
#pragma once

#include "platform/win32.h"

class RegistryKey {
  public:
    // A zero root makes the object unusable: every operation fails at once.
    // The base path (none = empty) is copied, cut to kMaxBasePath characters.
    RegistryKey(HKEY root, const char* basePath);

    // A sub-key of none means the base key itself; otherwise the key is
    // base path, "\" (only when the base path is not empty) and sub-key.
    virtual bool WriteBinary(const char* subKey, const char* valueName, const void* data,
                             DWORD size);
    // Stores the text with its terminating zero (length + 1 bytes).
    virtual bool WriteString(const char* subKey, const char* valueName, const char* text);
    virtual bool WriteDword(const char* subKey, const char* valueName, DWORD value);
    virtual bool ReadBinary(const char* subKey, const char* valueName, void* buffer, DWORD size);
    // Once the key is open the buffer is the empty text unless the read
    // succeeds; when the key cannot be opened the buffer is left alone.
    virtual bool ReadString(const char* subKey, const char* valueName, char* buffer, DWORD size);
    // On failure *value is unspecified.
    virtual bool ReadDword(const char* subKey, const char* valueName, DWORD* value);
    // A missing value is no error.
    virtual void DeleteValue(const char* subKey, const char* valueName);

    // Value enumeration: BeginValueEnum opens the key and starts at index 0
    // (fails while an enumeration is open); NextValueName fetches the name at
    // the index and advances the index whether or not the fetch succeeded;
    // EndValueEnum closes the key. Deleting a value shifts the later ones to
    // lower indices.
    virtual bool BeginValueEnum(const char* subKey);
    virtual bool NextValueName(char* name, DWORD size);
    virtual void EndValueEnum();

    // Ends an enumeration that is still open.
    virtual ~RegistryKey();

    static constexpr int kMaxBasePath = 259;
    static constexpr int kFullPathSize = 524;

  private:
    HKEY OpenSubKey(const char* subKey);
    static void CloseSubKey(HKEY key);
    // *size: the buffer size in, the size of the value out.
    static bool QueryTypedValue(HKEY key, const char* valueName, void* buffer, DWORD* size,
                                DWORD type);
    static bool SetTypedValue(HKEY key, const char* valueName, const void* data, DWORD size,
                              DWORD type);

    HKEY root;
    char basePath[kMaxBasePath + 1];
    HKEY enumKey = nullptr;
    DWORD enumIndex = 0;
};

// The free functions take a registry view (KEY_WOW64_64KEY, see
// system/wow64.h; 0: the program's own) for the keys that WOW64 keeps apart.

// Sets a string value (with its terminator) of the key at keyPath under root,
// creating the key.
bool WriteRegistryString(HKEY root, const char* keyPath, const char* valueName, const char* text,
                         REGSAM view = 0);
// The same with the value's type: REG_SZ, or REG_EXPAND_SZ for a text whose
// %...% strings the reader expands.
bool WriteRegistryText(HKEY root, const char* keyPath, const char* valueName, const char* text,
                       DWORD type, REGSAM view = 0);

// Reads a value into buffer (size in bytes) without checking its type; opens
// the key for reading and creates it when it is missing. On failure the
// buffer keeps what it held before the call.
bool ReadRegistryString(HKEY root, const char* keyPath, const char* valueName, char* buffer,
                        DWORD size, REGSAM view = 0);
// The same, and the value's type into *type on success.
bool ReadRegistryText(HKEY root, const char* keyPath, const char* valueName, char* buffer,
                      DWORD size, DWORD* type, REGSAM view = 0);

// These never create a key.
//
// Whether the value is there (of whatever type or size).
bool RegistryValueExists(HKEY root, const char* keyPath, const char* valueName, REGSAM view = 0);
// How many keys at the end of keyPath do not exist: 0 when the key is there,
// 1 when only its last key is missing, and so on. -1 when the path does not
// fit the path buffer.
int MissingRegistryKeys(HKEY root, const char* keyPath, REGSAM view = 0);
// Deletes a value; true when it is gone afterwards (a missing value or key
// counts), false when it could not be deleted.
bool DeleteRegistryValue(HKEY root, const char* keyPath, const char* valueName, REGSAM view = 0);
// Deletes the last `count` keys of keyPath, the deepest first, each only
// while it holds no value and no subkey: keys made for a value that is gone
// again. True when every one of them is gone.
bool DeleteEmptyRegistryKeys(HKEY root, const char* keyPath, int count, REGSAM view = 0);
