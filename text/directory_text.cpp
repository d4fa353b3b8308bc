#include "text/directory_text.h"

#include <stdio.h>
#include <string.h>

namespace {

// Whether snprintf's result fitted into `capacity` with its terminator.
bool Fits(int length, size_t capacity) {
    return length >= 0 && static_cast<size_t>(length) < capacity;
}

bool IsDriveAlone(const char* text) {
    return text[0] && text[1] == ':' && text[2] == '\0';
}

} // namespace

bool EndsWithBackslash(const char* text) {
    size_t length = text ? strlen(text) : 0;
    return length > 0 && text[length - 1] == '\\';
}

bool JoinPath(char* buffer, size_t capacity, const char* directory, const char* name) {
    if (!buffer || capacity == 0)
        return false;
    const char* separator =
        directory[0] && !EndsWithBackslash(directory) && !IsDriveAlone(directory) ? "\\" : "";
    return Fits(snprintf(buffer, capacity, "%s%s%s", directory, separator, name), capacity);
}

bool AppendBackslash(char* text, size_t capacity) {
    if (EndsWithBackslash(text))
        return true;
    size_t length = strlen(text);
    if (length + 1 >= capacity)
        return false;
    text[length] = '\\';
    text[length + 1] = '\0';
    return true;
}

void DropBackslash(char* text) {
    if (EndsWithBackslash(text))
        text[strlen(text) - 1] = '\0';
}

bool CopyWithoutBackslash(char* buffer, size_t capacity, const char* directory) {
    if (!buffer || capacity == 0)
        return false;
    bool fits = Fits(snprintf(buffer, capacity, "%s", directory), capacity);
    if (fits)
        DropBackslash(buffer);
    return fits;
}

bool IsFullDirectory(const char* directory) {
    return directory && directory[0] && directory[1] == ':' && directory[2] == '\\';
}

bool IsOnDrive(const char* path, char letter) {
    char lower = letter >= 'A' && letter <= 'Z' ? static_cast<char>(letter + ('a' - 'A')) : letter;
    char upper = letter >= 'a' && letter <= 'z' ? static_cast<char>(letter - ('a' - 'A')) : letter;
    return path && (path[0] == lower || path[0] == upper) && path[1] == ':';
}

bool ParentDirectory(char* buffer, size_t capacity, const char* directory) {
    if (!buffer || capacity == 0)
        return false;
    bool fits = Fits(snprintf(buffer, capacity, "%s", directory), capacity);
    size_t length = strlen(buffer);
    if (length > 3 && buffer[length - 1] == '\\')
        buffer[--length] = '\0';
    char* last = strrchr(buffer, '\\');
    if (!last)
        return fits;
    int separators = 0;
    for (const char* p = buffer; *p; ++p)
        separators += *p == '\\';
    if (separators > 1)
        *last = '\0';
    else
        last[1] = '\0';
    return fits;
}
