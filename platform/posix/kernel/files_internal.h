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

// The Win32 error for a host errno.
DWORD ErrorFromErrno(int e);
// The runtime's error number for a Win32 error, mapped as the Windows C
// runtime maps them (ERROR_WRITE_PROTECT and ERROR_NOT_READY give EACCES).
int CrtErrnoFromError(DWORD error);

// ---- Diskette capacity ----

// Space a file of `size` bytes takes on the diskette (512-byte clusters).
int64_t ClusterRound(int64_t size);
// Space in use on drive A: every file rounded up to whole clusters, every
// subdirectory one cluster. The file with host inode `exceptInode` (0: none)
// is left out.
int64_t DisketteUsed(uint64_t exceptInode);

// ---- Runtime handles ----

// The host fd behind a HANDLE from crt_get_osfhandle, or -1. *writable tells
// whether the handle was opened for writing.
int HostFdOfHandle(HANDLE handle, bool* writable);

// True when a runtime handle is open on the host object (the runtime shares
// reading and writing but not deletion, so such a file cannot be deleted or
// renamed).
bool IsOpenByRuntime(const std::string& host);

// Test switch (platform/testing.h): true while GetWindowsDirectoryA is to fail.
bool WindowsDirectoryFails();

// ---- Time ----

FILETIME FileTimeFromHost(const struct timespec& t);
struct timespec HostFromFileTime(const FILETIME& t);

} // namespace files
