// Helpers shared by the emulated file system's calls (files, runtime file
// interface, profile files, time); only files of kernel/ include it. Other
// areas use file_checks.h.
#pragma once

#include "platform/posix/kernel/file_checks.h"
#include "platform/posix/kernel/machine.h"
#include "platform/posix/win_types.h"

#include <string>
#include <time.h>

namespace files {

// Copies a text into a caller's buffer the Win32 way: the length without
// terminator when it fits (capacity counts the terminator), otherwise the
// size needed including the terminator, leaving the buffer alone.
UINT CopyOut(const std::string& text, LPSTR buffer, UINT capacity);

// ---- Runtime handles ----

// The host fd behind a HANDLE from crt_get_osfhandle, or -1. *writable tells
// whether the handle was opened for writing.
int HostFdOfHandle(HANDLE handle, bool* writable);

// True when a runtime handle is open on the host object (the runtime shares
// reading and writing but not deletion, so such a file cannot be deleted or
// renamed).
bool IsOpenByRuntime(const std::string& host);

// ---- Time ----

FILETIME FileTimeFromHost(const struct timespec& t);
struct timespec HostFromFileTime(const FILETIME& t);

} // namespace files
