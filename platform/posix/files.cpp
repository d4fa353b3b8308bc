// The file system calls of the emulated machine: directories, attributes,
// deletion. Paths go through machine::Resolve; read-only is enforced here
// because the host may run us as root, which ignores permission bits.
#include "platform/posix/api_files.h"

#include "platform/posix/api_base.h"
#include "platform/posix/files_internal.h"
#include "platform/posix/machine.h"

#include <errno.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

namespace files {

UINT CopyOut(const std::string& text, LPSTR buffer, UINT capacity) {
    if (!buffer || text.size() + 1 > capacity)
        return static_cast<UINT>(text.size() + 1);
    memcpy(buffer, text.c_str(), text.size() + 1);
    return static_cast<UINT>(text.size());
}

bool IsReadOnlyHost(const std::string& host) {
    uint32_t a = machine::HostAttributes(host);
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_READONLY);
}

bool IsHostDirectory(const std::string& host) {
    struct stat st;
    return stat(host.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool OnProtectedDiskette(const machine::Resolved& r) {
    return r.drive == 'A' && machine::IsDisketteWriteProtected();
}

DWORD ErrorFromErrno(int e) {
    switch (e) {
    case ENOENT:
        return ERROR_FILE_NOT_FOUND;
    case ENOTDIR:
        return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EISDIR:
        return ERROR_ACCESS_DENIED;
    case EEXIST:
        return ERROR_ALREADY_EXISTS;
    case ENOTEMPTY:
        return ERROR_DIR_NOT_EMPTY;
    case ENOSPC:
        return ERROR_DISK_FULL;
    case EMFILE:
    case ENFILE:
        return ERROR_TOO_MANY_OPEN_FILES;
    case ENAMETOOLONG:
        return ERROR_FILENAME_EXCED_RANGE;
    default:
        return ERROR_ACCESS_DENIED;
    }
}

} // namespace files

using files::CopyOut;

UINT WINAPI GetWindowsDirectoryA(LPSTR buffer, UINT capacity) {
    return CopyOut(machine::WindowsDirectory(), buffer, capacity);
}

UINT WINAPI GetSystemDirectoryA(LPSTR buffer, UINT capacity) {
    return CopyOut(machine::SystemDirectory(), buffer, capacity);
}

DWORD WINAPI GetCurrentDirectoryA(DWORD capacity, LPSTR buffer) {
    return CopyOut(machine::CurrentDirectory(), buffer, capacity);
}

BOOL WINAPI SetCurrentDirectoryA(LPCSTR path) {
    machine::Resolved r = machine::Resolve(path);
    if (!r.ok || !r.exists) {
        SetLastError(r.ok ? (r.parentExists ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND)
                          : r.error);
        return FALSE;
    }
    if (!files::IsHostDirectory(r.host)) {
        SetLastError(ERROR_DIRECTORY);
        return FALSE;
    }
    machine::SetCurrentDirectory(r.canonical.c_str());
    return TRUE;
}

DWORD WINAPI GetFileAttributesA(LPCSTR path) {
    machine::Resolved r = machine::Resolve(path);
    if (!r.ok || !r.exists) {
        SetLastError(r.error ? r.error : ERROR_FILE_NOT_FOUND);
        return INVALID_FILE_ATTRIBUTES;
    }
    return machine::HostAttributes(r.host);
}

BOOL WINAPI SetFileAttributesA(LPCSTR path, DWORD attributes) {
    machine::Resolved r = machine::Resolve(path);
    if (!r.ok || !r.exists) {
        SetLastError(r.error ? r.error : ERROR_FILE_NOT_FOUND);
        return FALSE;
    }
    if (files::OnProtectedDiskette(r)) {
        SetLastError(ERROR_WRITE_PROTECT);
        return FALSE;
    }
    if (!machine::SetHostAttributes(r.host, attributes)) {
        SetLastError(files::ErrorFromErrno(errno));
        return FALSE;
    }
    return TRUE;
}

BOOL WINAPI CreateDirectoryA(LPCSTR path, LPSECURITY_ATTRIBUTES) {
    machine::Resolved r = machine::Resolve(path);
    if (!r.ok) {
        SetLastError(r.error);
        return FALSE;
    }
    if (r.exists) {
        SetLastError(ERROR_ALREADY_EXISTS);
        return FALSE;
    }
    if (!r.parentExists) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return FALSE;
    }
    if (files::OnProtectedDiskette(r)) {
        SetLastError(ERROR_WRITE_PROTECT);
        return FALSE;
    }
    if (mkdir(r.host.c_str(), 0755) != 0) {
        SetLastError(files::ErrorFromErrno(errno));
        return FALSE;
    }
    return TRUE;
}

BOOL WINAPI RemoveDirectoryA(LPCSTR path) {
    machine::Resolved r = machine::Resolve(path);
    if (!r.ok || !r.exists) {
        SetLastError(r.error ? r.error : ERROR_FILE_NOT_FOUND);
        return FALSE;
    }
    if (!files::IsHostDirectory(r.host)) {
        SetLastError(ERROR_DIRECTORY);
        return FALSE;
    }
    if (files::OnProtectedDiskette(r)) {
        SetLastError(ERROR_WRITE_PROTECT);
        return FALSE;
    }
    if (r.canonical.size() <= 3) { // a drive's root
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    if (files::IsReadOnlyHost(r.host)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    // The current directory cannot be removed.
    machine::Resolved cwd = machine::Resolve(machine::CurrentDirectory().c_str());
    if (cwd.ok && cwd.host == r.host) {
        SetLastError(ERROR_SHARING_VIOLATION);
        return FALSE;
    }
    if (rmdir(r.host.c_str()) != 0) {
        SetLastError(files::ErrorFromErrno(errno));
        return FALSE;
    }
    return TRUE;
}

BOOL WINAPI DeleteFileA(LPCSTR path) {
    machine::Resolved r = machine::Resolve(path);
    if (!r.ok || !r.exists) {
        SetLastError(r.error ? r.error : ERROR_FILE_NOT_FOUND);
        return FALSE;
    }
    if (files::IsHostDirectory(r.host)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    if (files::OnProtectedDiskette(r)) {
        SetLastError(ERROR_WRITE_PROTECT);
        return FALSE;
    }
    if (files::IsReadOnlyHost(r.host)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    if (unlink(r.host.c_str()) != 0) {
        SetLastError(files::ErrorFromErrno(errno));
        return FALSE;
    }
    return TRUE;
}
