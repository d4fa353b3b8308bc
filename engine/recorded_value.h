// The record of a registry value that a setting item changes: what the
// value was, so that the uninstall puts back the very value the user had.
//
// A record is the entry <key>=<text> in the product section of
// "control.ini" (the item's key, or a key of its own for a second place),
// and beside it <key>.Type when the value was not a plain REG_SZ text:
//
//   <key>.Type=2          the text was REG_EXPAND_SZ (the Win32 type number)
//   <key>.Type=missing    the value was not there, its key was
//   <key>.Type=missing N  neither were the last N keys of its path
//
// A record without .Type is a REG_SZ text: the records the program wrote
// before it kept types read as they always did. Values of the other types
// are recorded as their text, as before.
#pragma once

#include "engine/setting_item.h"
#include "platform/win32.h"

#include <stddef.h>

// Where a value lives: root, key path, value name ("" the key's default
// value) and registry view (0, or KEY_WOW64_64KEY, system/wow64.h).
struct RegistryPlace {
    HKEY root;
    const char* keyPath;
    const char* valueName;
    REGSAM view;
};

// A record as read back.
struct RecordedValue {
    char text[kValueCapacity];
    DWORD type;      // REG_SZ or REG_EXPAND_SZ
    bool missing;    // the value was not there (text empty)
    int missingKeys; // with missing: keys at the end of the path that were not there
};

// Records the value at `place` under `recordKey`. A value that is not there
// fails the record, or with `mayBeMissing` is recorded as missing (its key
// is then not created by the look). False when the value cannot be read and
// may not be missing, or a record cannot be written.
bool RecordRegistryValue(const RegistryPlace& place, const char* recordKey, bool mayBeMissing);

// The key of an item's record for a second place: the item's key and the
// place's suffix (".Default", ".User"); false when it does not fit.
bool RecordKeyOf(const char* itemKey, const char* placeSuffix, char* buffer, size_t capacity);

// Records an entry of a profile file (GetPrivateProfileStringA) under
// `recordKey`: its text, and a missing entry as missing.
bool RecordProfileValue(const char* fileName, const char* section, const char* key,
                        const char* recordKey);

// Reads the record under `recordKey`; false when there is none.
bool ReadRecordedValue(const char* recordKey, RecordedValue* value);

// The same record for a text the program has at hand (no record read).
RecordedValue PlainRecordedValue(const char* text);

// Puts a recorded value back at `place`: the text with its type, or a value
// that was missing deleted again, and the keys it lacked with it while they
// hold nothing else. True when the value is as recorded.
bool RestoreRegistryValue(const RegistryPlace& place, const RecordedValue& value);

// A recorded text as a file name: its %...% strings expanded into `path`.
// False when the expansion does not fit.
bool ExpandRecordedPath(const char* text, char* path, DWORD capacity);
