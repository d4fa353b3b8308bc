// 64-bit Windows runs this 32-bit program under WOW64, which keeps parts of
// the system apart for 32-bit programs: their file calls under the system
// directory reach SysWOW64, and keys such as HKEY_CLASSES_ROOT\CLSID are read
// and written in a 32-bit registry view. What 64-bit Windows itself reads,
// the screen saver that system.ini names and the desktop icons that Explorer
// shows, is in the native system directory and the 64-bit registry view.
//
// The functions WOW64 brings are not in Windows 95's KERNEL32: they are
// looked up when they are needed, and where they are missing there is no
// WOW64. On 32-bit Windows everything here does what it did before WOW64.
#pragma once

#include "platform/win32.h"

#include <stddef.h>

// Whether this process runs under WOW64 (asked each time).
bool RunsUnderWow64();

// The registry view of the keys that WOW64 keeps apart, as 64-bit Windows
// reads them: KEY_WOW64_64KEY under WOW64, else 0.
REGSAM NativeRegistryView();

// A file of the native system directory, as this process's file calls reach
// it. Under WOW64 that is the Sysnative alias of the Windows directory, which
// Windows Vista and later offer to 32-bit programs; without the alias (64-bit
// Windows XP and Server 2003) file system redirection is switched off for
// this thread until EndNativeSystemFile (if it cannot be, the calls reach
// SysWOW64 as before). Elsewhere the system directory itself.
struct NativeSystemFile {
    PVOID redirection; // the thread's redirection state to go back to
    bool switched;     // redirection is off until EndNativeSystemFile
};

// Puts the path of `name` in the native system directory into `path`
// (capacity bytes), from the directories in SetupState; false when it does
// not fit. Every call is to be followed by EndNativeSystemFile.
bool BeginNativeSystemFile(const char* name, char* path, size_t capacity, NativeSystemFile* file);
void EndNativeSystemFile(NativeSystemFile* file);

// GetShortPathNameA as 64-bit Windows resolves the path: under WOW64 with
// file system redirection switched off for the one call (a path under the
// system directory names its native files).
DWORD NativeShortPathName(const char* path, char* buffer, DWORD capacity);
