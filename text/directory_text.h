// Directory texts, as the program keeps them: a directory named by its path
// with a trailing "\" ("C:\WINDOWS\"), so that a path is the directory text
// followed directly by a file name. Pure text: no file is looked at.
//
// Every function that writes takes the buffer's capacity (terminator
// included), never writes past it and always terminates within it; a false
// result means the text did not fit, and the buffer then holds as much of it
// as fitted (AppendBackslash leaves its text unchanged instead).
#pragma once

#include <stddef.h>

// Whether the text ends in "\".
bool EndsWithBackslash(const char* text);

// directory + name, with a "\" between them unless the directory is empty,
// ends in "\" already, or is a drive alone ("A:" + "x" is "A:x", the file in
// that drive's current directory).
bool JoinPath(char* buffer, size_t capacity, const char* directory, const char* name);

// Appends "\" to a text that does not end in one (the empty text becomes
// "\"). False, with the text unchanged, when there is no room.
bool AppendBackslash(char* text, size_t capacity);

// Drops one trailing "\" of a text in place; a text without one stays.
void DropBackslash(char* text);

// A copy of a directory text without its trailing "\" (one is dropped, if
// there is one).
bool CopyWithoutBackslash(char* buffer, size_t capacity, const char* directory);

// True for a text that starts with a drive and its root ("C:\..."): a
// directory that was resolved, not the empty text or the single "\" of a
// missing product key "dir".
bool IsFullDirectory(const char* directory);

// True when a path starts with the drive `letter` ("a:" or "A:" for 'A').
bool IsOnDrive(const char* path, char letter);

// The parent of a directory, for one step up a directory tree: a trailing
// "\" is dropped first, so that one step always goes up one level, and the
// parent keeps no trailing "\" ("C:\a\b\" and "C:\a\b" give "C:\a"), except a
// drive's root, which is its own parent and keeps it ("C:\a" and "C:\" give
// "C:\"). A text without "\" stays as it is.
bool ParentDirectory(char* buffer, size_t capacity, const char* directory);
