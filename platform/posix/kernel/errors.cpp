// The emulation's error numbers (errors.h).
#include "platform/posix/kernel/errors.h"

#include "platform/crt.h"

#include <errno.h>

namespace errors {

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

int CrtErrnoFromError(DWORD error) {
    if (error >= ERROR_WRITE_PROTECT && error <= 36) // the sharing and drive errors
        return CRT_EACCES;
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_NO_MORE_FILES:
    case ERROR_BAD_PATHNAME:
    case ERROR_FILENAME_EXCED_RANGE:
        return CRT_ENOENT;
    case ERROR_TOO_MANY_OPEN_FILES:
        return CRT_EMFILE;
    case ERROR_ACCESS_DENIED:
    case ERROR_CURRENT_DIRECTORY:
        return CRT_EACCES;
    case ERROR_INVALID_HANDLE:
        return CRT_EBADF;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
        return CRT_EEXIST;
    case ERROR_DISK_FULL:
        return CRT_ENOSPC;
    default:
        return CRT_EINVAL;
    }
}

} // namespace errors
