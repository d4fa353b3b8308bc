#include "system/profile_settings.h"

#include "platform/win32.h"
#include "state/product_names.h"

#include <stdio.h>
#include <string.h>

namespace {
const char kNone[] = "(none)";

bool IsNone(const char* text) {
    // "(none)" without regard to case: only ASCII letters are involved.
    if (strlen(text) != sizeof kNone - 1)
        return false;
    for (size_t i = 0; kNone[i]; ++i) {
        char c = text[i];
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c + 32);
        if (c != kNone[i])
            return false;
    }
    return true;
}
// The records' readers take 400 characters, the terminator included; a
// value in quotes has to fit with its quotes, as some readers cut before they
// drop the quotes.
const size_t kRecordCapacity = 400;

bool IsProfileBlank(char c) {
    return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == '\x1a' || c == '\xa0';
}

// Whether the profile reader would give a value back changed: blanks at
// either end, or the whole value in a pair of double or single quotes.
bool NeedsQuotes(const char* value) {
    size_t length = value ? strlen(value) : 0;
    if (length == 0)
        return false;
    char first = value[0], last = value[length - 1];
    if (IsProfileBlank(first) || IsProfileBlank(last))
        return true;
    return length >= 2 && (first == '"' || first == '\'') && last == first;
}

} // namespace

int WriteProfileText(const char* fileName, const char* section, const char* key,
                     const char* value) {
    if (!value || !*value)
        value = kNone;
    return WritePrivateProfileStringA(section, key, value, fileName) ? 1 : 0;
}

int ReadProfileText(const char* fileName, const char* section, const char* key, char* buffer,
                    int size) {
    if (!buffer || size <= 0)
        return 1;
    DWORD copied =
        GetPrivateProfileStringA(section, key, "", buffer, static_cast<DWORD>(size), fileName);
    if (copied == 0)
        buffer[0] = 0;
    if (IsNone(buffer))
        buffer[0] = 0;
    return 1;
}

// A missing key gives the default text; two different ones tell it from a
// key that holds either.
bool IsProfileKeyPresent(const char* fileName, const char* section, const char* key) {
    const char* const fallbacks[] = {"\x01", "\x02"};
    for (const char* fallback : fallbacks) {
        char scratch[4] = "";
        DWORD copied =
            GetPrivateProfileStringA(section, key, fallback, scratch, sizeof scratch, fileName);
        if (copied != 1 || scratch[0] != fallback[0])
            return true;
    }
    return false;
}

void FormatColorTriple(unsigned long color, char* buffer, int capacity) {
    if (!buffer || capacity <= 0)
        return;
    char scratch[20];
    buffer[0] = 0;
    snprintf(scratch, sizeof scratch, "%u ", static_cast<unsigned>(color & 0xFF));
    snprintf(buffer, static_cast<size_t>(capacity), "%s", scratch);
    size_t used = strlen(buffer);
    snprintf(scratch, sizeof scratch, "%u ", static_cast<unsigned>((color >> 8) & 0xFF));
    snprintf(buffer + used, static_cast<size_t>(capacity) - used, "%s", scratch);
    used = strlen(buffer);
    snprintf(scratch, sizeof scratch, "%u", static_cast<unsigned>((color >> 16) & 0xFF));
    snprintf(buffer + used, static_cast<size_t>(capacity) - used, "%s", scratch);
}

namespace {
const char* const kFileName = kProfileFileName;
const char* const kSection = kProductName;
} // namespace

int ProfileSettings::Write(const char* key, const char* value) {
    // A record must read back byte for byte. The profile reader ends a value
    // at the line end, drops blanks around it and one pair of enclosing
    // quotes: a value with a line break cannot be kept (and would write
    // lines of its own into the section), one that the reader would change
    // is written in quotes, which the reader takes off again. Any other
    // value is written as it is. What the readers cannot take whole is
    // refused as well.
    if (value && strpbrk(value, "\r\n"))
        return 0;
    char stored[kRecordCapacity];
    int n =
        snprintf(stored, sizeof stored, NeedsQuotes(value) ? "\"%s\"" : "%s", value ? value : "");
    if (n < 0 || static_cast<size_t>(n) >= sizeof stored)
        return 0;
    return WriteProfileText(kFileName, kSection, key, stored);
}

int ProfileSettings::Read(const char* key, char* buffer, int size) {
    return ReadProfileText(kFileName, kSection, key, buffer, size);
}

int ProfileSettings::ValueLength(const char* key) {
    char scratch[300];
    return static_cast<int>(GetPrivateProfileStringA(kSection, key, "", scratch, 299, kFileName));
}

int ProfileSettings::Remove(const char* key) {
    return WritePrivateProfileStringA(kSection, key, nullptr, kFileName) ? 1 : 0;
}

int ProfileSettings::RemoveSection() {
    return WritePrivateProfileStringA(kSection, nullptr, nullptr, kFileName) ? 1 : 0;
}

int ProfileSettings::IsPresent(const char* section, const char* key) {
    char scratch[260];
    return GetPrivateProfileStringA(section, key, "", scratch, 260, kFileName) > 0 ? 1 : 0;
}
