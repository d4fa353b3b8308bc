// The families of injected faults (platform/testing.h), apart so that the
// emulation's fault injection names them without the Win32 surface.
#pragma once

namespace platform_testing {

// Each family counts the calls of its functions; InjectFault(family, nth)
// makes the nth call from now fail (nth = 1: the very next one) the way
// Windows fails it, with nothing changed:
enum class FaultFamily {
    RegistrySet,     // RegSetValueExA: ERROR_CANTWRITE
    RegistryCreate,  // RegCreateKeyA (every call, also of an existing key): ERROR_ACCESS_DENIED
    RegistryDelete,  // RegDeleteValueA, RegDeleteKeyA: ERROR_ACCESS_DENIED
    ProfileWrite,    // WritePrivateProfileStringA: FALSE, ERROR_ACCESS_DENIED
    FileCreate,      // crt_open for writing or creating: EACCES; a shell link's Save: E_FAIL
    ShortWrite,      // crt_write stores half of what was asked and sets ENOSPC (disk full)
    ReadFailure,     // crt_read returns -1 with EBADF
    Copy,            // CopyFileA: ERROR_DISK_FULL, the target as it was
    Delete,          // DeleteFileA: ERROR_ACCESS_DENIED
    CreateDirectory, // CreateDirectoryA: ERROR_ACCESS_DENIED
    RemoveDirectory, // RemoveDirectoryA: ERROR_ACCESS_DENIED
};
constexpr int kFaultFamilyCount = 11;

} // namespace platform_testing
