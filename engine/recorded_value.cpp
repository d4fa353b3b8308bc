#include "engine/recorded_value.h"

#include "system/profile_settings.h"
#include "system/registry_key.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

namespace {

const char kTypeSuffix[] = ".Type";
const char kMissing[] = "missing";

// Writes the type record, or removes one left from an earlier run when the
// value is a plain text (written only when there is one: every write is a
// change of the file).
bool WriteTypeRecord(const char* recordKey, const char* typeText) {
    char key[kValueCapacity];
    if (!RecordKeyOf(recordKey, kTypeSuffix, key, sizeof key))
        return false;
    if (typeText[0])
        return ProfileSettings::Write(key, typeText) != 0;
    return ProfileSettings::ValueLength(key) == 0 || ProfileSettings::Remove(key) != 0;
}

} // namespace

bool RecordKeyOf(const char* itemKey, const char* placeSuffix, char* buffer, size_t capacity) {
    int n = snprintf(buffer, capacity, "%s%s", itemKey, placeSuffix);
    return n > 0 && static_cast<size_t>(n) < capacity;
}

// The type record goes first: the text of the screen saver's record is the
// installed marker, which no run may leave without the rest of its record.
bool RecordProfileValue(const char* fileName, const char* section, const char* key,
                        const char* recordKey) {
    char text[kValueCapacity];
    bool present = IsProfileKeyPresent(fileName, section, key);
    ReadProfileText(fileName, section, key, text, sizeof text);
    return WriteTypeRecord(recordKey, present ? "" : kMissing) &&
           ProfileSettings::Write(recordKey, text) != 0;
}

bool RecordRegistryValue(const RegistryPlace& place, const char* recordKey, bool mayBeMissing) {
    char text[kValueCapacity] = "";
    DWORD type = REG_SZ;
    // Looking at a missing key must not create it: the uninstall could not
    // tell it from the user's own.
    int missingKeys = mayBeMissing ? MissingRegistryKeys(place.root, place.keyPath, place.view) : 0;
    bool read = missingKeys <= 0 && ReadRegistryText(place.root, place.keyPath, place.valueName,
                                                     text, sizeof text, &type, place.view);
    if (!read && !mayBeMissing)
        return false;
    // A value that is there but cannot be read (too long) is recorded as
    // the empty text, as it always was; only a value that is not there at
    // all is recorded as missing.
    bool missing = !read && (missingKeys > 0 || !RegistryValueExists(place.root, place.keyPath,
                                                                     place.valueName, place.view));
    if (!read)
        text[0] = 0;
    char typeText[32] = "";
    if (missing && missingKeys > 0)
        snprintf(typeText, sizeof typeText, "%s %d", kMissing, missingKeys);
    else if (missing)
        snprintf(typeText, sizeof typeText, "%s", kMissing);
    else if (type == REG_EXPAND_SZ)
        snprintf(typeText, sizeof typeText, "%lu", static_cast<unsigned long>(type));
    return WriteTypeRecord(recordKey, typeText) && ProfileSettings::Write(recordKey, text) != 0;
}

RecordedValue PlainRecordedValue(const char* text) {
    RecordedValue value;
    snprintf(value.text, sizeof value.text, "%s", text ? text : "");
    value.type = REG_SZ;
    value.missing = false;
    value.missingKeys = 0;
    return value;
}

bool ReadRecordedValue(const char* recordKey, RecordedValue* value) {
    if (ProfileSettings::ValueLength(recordKey) == 0)
        return false;
    *value = PlainRecordedValue("");
    ProfileSettings::Read(recordKey, value->text, sizeof value->text);
    char key[kValueCapacity], typeText[kValueCapacity] = "";
    if (RecordKeyOf(recordKey, kTypeSuffix, key, sizeof key))
        ProfileSettings::Read(key, typeText, sizeof typeText);
    size_t missingLength = strlen(kMissing);
    // typeText is a full buffer, so comparing missingLength bytes stays in it.
    if (memcmp(typeText, kMissing, missingLength) == 0 &&
        (typeText[missingLength] == 0 || typeText[missingLength] == ' ')) {
        value->missing = true;
        value->text[0] = 0;
        unsigned long keys = strtoul(typeText + missingLength, nullptr, 10);
        // A key path of 260 characters has fewer keys than this.
        value->missingKeys = static_cast<int>(keys > 260 ? 260 : keys);
    } else if (strtoul(typeText, nullptr, 10) == REG_EXPAND_SZ) {
        value->type = REG_EXPAND_SZ;
    }
    return true;
}

bool RestoreRegistryValue(const RegistryPlace& place, const RecordedValue& value) {
    if (!value.missing)
        return WriteRegistryText(place.root, place.keyPath, place.valueName, value.text, value.type,
                                 place.view);
    if (!DeleteRegistryValue(place.root, place.keyPath, place.valueName, place.view))
        return false;
    // Keys that hold something by now (another program's value) stay; the
    // value is back as it was all the same.
    if (value.missingKeys > 0)
        DeleteEmptyRegistryKeys(place.root, place.keyPath, value.missingKeys, place.view);
    return true;
}

bool ExpandRecordedPath(const char* text, char* path, DWORD capacity) {
    if (!path || capacity == 0)
        return false;
    DWORD length = ExpandEnvironmentStringsA(text ? text : "", path, capacity);
    return length > 0 && length <= capacity;
}
