// Helpers shared by the emulated file system's calls (files, runtime file
// interface, profile files).
#pragma once

#include "platform/posix/machine.h"
#include "platform/posix/win_types.h"

#include <string>

namespace files {

// Copies a text into a caller's buffer the Win32 way: the length without
// terminator when it fits (capacity counts the terminator), otherwise the
// size needed including the terminator, leaving the buffer alone.
UINT CopyOut(const std::string& text, LPSTR buffer, UINT capacity);

bool IsReadOnlyHost(const std::string& host);
bool IsHostDirectory(const std::string& host);
// True when the path lies on a write-protected diskette.
bool OnProtectedDiskette(const machine::Resolved& r);
// The Win32 error for a host errno.
DWORD ErrorFromErrno(int e);

} // namespace files
