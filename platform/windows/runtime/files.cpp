// The runtime's low-level file interface on Windows (platform/crt.h), over
// CreateFileA, ReadFile and the rest of KERNEL32. It keeps the C runtime's
// behaviour: handles from 3 on (0 to 2 stand for the standard streams),
// binary files, sharing "deny none", and POSIX error numbers mapped from the
// Win32 errors by the C runtime's table. setup.exe and the Windows tests
// both use this code.
#include "platform/crt.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#ifdef WIESEN_FREESTANDING
#include <time.h>
#endif

namespace {

const int kFirstHandle = 3;
const int kMaxHandles = 64;

struct RuntimeFile {
    HANDLE handle; // null for a free entry
    bool append;
};

RuntimeFile g_files[kMaxHandles];
int g_errno = 0;

int Fail(int error) {
    g_errno = error;
    return -1;
}

// The C runtime's error number for a Win32 error: its table, the sharing and
// lock errors as EACCES, the errors of a bad program file as ENOEXEC, and
// EINVAL for the rest.
int ErrnoOf(DWORD error) {
    struct Entry {
        unsigned short error;
        unsigned char number;
    };
    static const Entry kTable[] = {
        {ERROR_INVALID_FUNCTION, CRT_EINVAL},
        {ERROR_FILE_NOT_FOUND, CRT_ENOENT},
        {ERROR_PATH_NOT_FOUND, CRT_ENOENT},
        {ERROR_TOO_MANY_OPEN_FILES, CRT_EMFILE},
        {ERROR_ACCESS_DENIED, CRT_EACCES},
        {ERROR_INVALID_HANDLE, CRT_EBADF},
        {ERROR_ARENA_TRASHED, CRT_ENOMEM},
        {ERROR_NOT_ENOUGH_MEMORY, CRT_ENOMEM},
        {ERROR_INVALID_BLOCK, CRT_ENOMEM},
        {ERROR_BAD_ENVIRONMENT, CRT_E2BIG},
        {ERROR_BAD_FORMAT, CRT_ENOEXEC},
        {ERROR_INVALID_ACCESS, CRT_EINVAL},
        {ERROR_INVALID_DATA, CRT_EINVAL},
        {ERROR_INVALID_DRIVE, CRT_ENOENT},
        {ERROR_CURRENT_DIRECTORY, CRT_EACCES},
        {ERROR_NOT_SAME_DEVICE, CRT_EXDEV},
        {ERROR_NO_MORE_FILES, CRT_ENOENT},
        {ERROR_BAD_NETPATH, CRT_ENOENT},
        {ERROR_NETWORK_ACCESS_DENIED, CRT_EACCES},
        {ERROR_BAD_NET_NAME, CRT_ENOENT},
        {ERROR_FILE_EXISTS, CRT_EEXIST},
        {ERROR_CANNOT_MAKE, CRT_EACCES},
        {ERROR_FAIL_I24, CRT_EACCES},
        {ERROR_INVALID_PARAMETER, CRT_EINVAL},
        {ERROR_NO_PROC_SLOTS, CRT_EAGAIN},
        {ERROR_DRIVE_LOCKED, CRT_EACCES},
        {ERROR_BROKEN_PIPE, CRT_EPIPE},
        {ERROR_DISK_FULL, CRT_ENOSPC},
        {ERROR_INVALID_TARGET_HANDLE, CRT_EBADF},
        {ERROR_INVALID_LEVEL, CRT_EINVAL},
        {ERROR_WAIT_NO_CHILDREN, CRT_ECHILD},
        {ERROR_CHILD_NOT_COMPLETE, CRT_ECHILD},
        {ERROR_DIRECT_ACCESS_HANDLE, CRT_EBADF},
        {ERROR_NEGATIVE_SEEK, CRT_EINVAL},
        {ERROR_SEEK_ON_DEVICE, CRT_EACCES},
        {ERROR_DIR_NOT_EMPTY, CRT_ENOTEMPTY},
        {ERROR_NOT_LOCKED, CRT_EACCES},
        {ERROR_BAD_PATHNAME, CRT_ENOENT},
        {ERROR_MAX_THRDS_REACHED, CRT_EAGAIN},
        {ERROR_LOCK_FAILED, CRT_EACCES},
        {ERROR_ALREADY_EXISTS, CRT_EEXIST},
        {ERROR_FILENAME_EXCED_RANGE, CRT_ENOENT},
        {ERROR_NESTING_NOT_ALLOWED, CRT_EAGAIN},
        {ERROR_NOT_ENOUGH_QUOTA, CRT_ENOMEM},
    };
    for (const Entry& e : kTable)
        if (e.error == error)
            return e.number;
    if (error >= ERROR_WRITE_PROTECT && error <= ERROR_SHARING_BUFFER_EXCEEDED)
        return CRT_EACCES;
    if (error >= ERROR_INVALID_STARTING_CODESEG && error <= ERROR_INFLOOP_IN_RELOC_CHAIN)
        return CRT_ENOEXEC;
    return CRT_EINVAL;
}

// Fails with the error number of the thread's last Win32 error.
int FailLast() {
    return Fail(ErrnoOf(GetLastError()));
}

RuntimeFile* Lookup(int handle) {
    if (handle < kFirstHandle || handle >= kFirstHandle + kMaxHandles)
        return nullptr;
    RuntimeFile* f = &g_files[handle - kFirstHandle];
    return f->handle ? f : nullptr;
}

// File times count 100 ns ticks from 1601-01-01 00:00 UTC.
const int64_t kTicksPerSecond = 10000000;
const int64_t kTicksTo1970 = 116444736000000000LL;

int64_t Ticks(const FILETIME& t) {
    return static_cast<int64_t>((static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime);
}

// Seconds since 1970-01-01 00:00 UTC of a file time (earlier ones negative).
int64_t SecondsOf(const FILETIME& t) {
    return (Ticks(t) - kTicksTo1970) / kTicksPerSecond;
}

} // namespace

// O_RDONLY, O_WRONLY or O_RDWR choose the access; O_TRUNC writes, so it
// adds write access. O_CREAT creates a missing file (read-only when the
// permission lacks S_IWRITE; this handle may still write it), with O_EXCL
// only a missing one; O_TRUNC empties an existing one. O_APPEND writes at
// the end. Every file is binary (O_BINARY or not).
int crt_open(const char* path, int flags, int permission) {
    DWORD access;
    switch (flags & (CRT_O_RDONLY | CRT_O_WRONLY | CRT_O_RDWR)) {
    case CRT_O_RDONLY:
        access = GENERIC_READ;
        break;
    case CRT_O_WRONLY:
        access = GENERIC_WRITE;
        break;
    case CRT_O_RDWR:
        access = GENERIC_READ | GENERIC_WRITE;
        break;
    default:
        return Fail(CRT_EINVAL);
    }
    if (flags & CRT_O_TRUNC)
        access |= GENERIC_WRITE;
    DWORD disposition;
    switch (flags & (CRT_O_CREAT | CRT_O_EXCL | CRT_O_TRUNC)) {
    case CRT_O_CREAT:
        disposition = OPEN_ALWAYS;
        break;
    case CRT_O_CREAT | CRT_O_EXCL:
    case CRT_O_CREAT | CRT_O_EXCL | CRT_O_TRUNC:
        disposition = CREATE_NEW;
        break;
    case CRT_O_CREAT | CRT_O_TRUNC:
        disposition = CREATE_ALWAYS;
        break;
    case CRT_O_TRUNC:
    case CRT_O_TRUNC | CRT_O_EXCL: // O_EXCL means nothing without O_CREAT
        disposition = TRUNCATE_EXISTING;
        break;
    default:
        disposition = OPEN_EXISTING;
        break;
    }
    DWORD attributes = FILE_ATTRIBUTE_NORMAL;
    if ((flags & CRT_O_CREAT) && !(permission & CRT_S_IWRITE))
        attributes = FILE_ATTRIBUTE_READONLY;
    int slot = 0;
    while (slot < kMaxHandles && g_files[slot].handle)
        ++slot;
    if (slot == kMaxHandles)
        return Fail(CRT_EMFILE);
    HANDLE h = CreateFileA(path, access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, disposition,
                           attributes, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return FailLast();
    g_files[slot].handle = h;
    g_files[slot].append = (flags & CRT_O_APPEND) != 0;
    return kFirstHandle + slot;
}

// A handle without read access fails with EBADF; a broken pipe reads as the
// end of the file.
int crt_read(int handle, void* buffer, unsigned count) {
    RuntimeFile* f = Lookup(handle);
    if (!f)
        return Fail(CRT_EBADF);
    if (count > 0x7FFFFFFF)
        return Fail(CRT_EINVAL);
    DWORD done = 0;
    if (count > 0 && !ReadFile(f->handle, buffer, count, &done, nullptr)) {
        DWORD error = GetLastError();
        if (error == ERROR_BROKEN_PIPE)
            return 0;
        return Fail(error == ERROR_ACCESS_DENIED ? CRT_EBADF : ErrnoOf(error));
    }
    return static_cast<int>(done);
}

// A handle without write access fails with EBADF. Nothing written of a
// non-empty buffer fails with ENOSPC; a part written returns its count and
// sets ENOSPC.
int crt_write(int handle, const void* buffer, unsigned count) {
    RuntimeFile* f = Lookup(handle);
    if (!f)
        return Fail(CRT_EBADF);
    if (count > 0x7FFFFFFF)
        return Fail(CRT_EINVAL);
    if (count == 0)
        return 0;
    if (f->append && SetFilePointer(f->handle, 0, nullptr, FILE_END) == INVALID_SET_FILE_POINTER)
        return FailLast();
    DWORD done = 0;
    if (!WriteFile(f->handle, buffer, count, &done, nullptr)) {
        DWORD error = GetLastError();
        return Fail(error == ERROR_ACCESS_DENIED ? CRT_EBADF : ErrnoOf(error));
    }
    if (done == 0)
        return Fail(CRT_ENOSPC);
    if (done < count)
        g_errno = CRT_ENOSPC;
    return static_cast<int>(done);
}

// A position before the start fails with EINVAL.
long crt_lseek(int handle, long offset, int origin) {
    RuntimeFile* f = Lookup(handle);
    if (!f)
        return Fail(CRT_EBADF);
    DWORD method;
    switch (origin) {
    case CRT_SEEK_SET:
        method = FILE_BEGIN;
        break;
    case CRT_SEEK_CUR:
        method = FILE_CURRENT;
        break;
    case CRT_SEEK_END:
        method = FILE_END;
        break;
    default:
        return Fail(CRT_EINVAL);
    }
    if (origin == CRT_SEEK_SET && offset < 0)
        return Fail(CRT_EINVAL);
    DWORD at = SetFilePointer(f->handle, static_cast<LONG>(offset), nullptr, method);
    if (at == INVALID_SET_FILE_POINTER)
        return FailLast();
    return static_cast<long>(at);
}

// A length past what a long holds fails with EINVAL.
long crt_filelength(int handle) {
    RuntimeFile* f = Lookup(handle);
    if (!f)
        return Fail(CRT_EBADF);
    DWORD high = 0;
    SetLastError(NO_ERROR);
    DWORD low = GetFileSize(f->handle, &high);
    if (low == INVALID_FILE_SIZE && GetLastError() != NO_ERROR)
        return FailLast();
    if (high != 0 || low > 0x7FFFFFFF)
        return Fail(CRT_EINVAL);
    return static_cast<long>(low);
}

// The handle is free afterwards, also when closing failed.
int crt_close(int handle) {
    RuntimeFile* f = Lookup(handle);
    if (!f)
        return Fail(CRT_EBADF);
    HANDLE h = f->handle;
    f->handle = nullptr;
    return CloseHandle(h) ? 0 : FailLast();
}

// By the directory entry (FindFirstFileA), as the C runtime's _stat: a name
// with wildcards and a missing one fail with ENOENT, and so does a drive's
// root directory, which has no entry (the C runtime makes one up; nothing
// here asks for a root). A directory's size is 0.
int crt_stat(const char* path, CrtStat* out) {
    for (const char* p = path; *p; ++p)
        if (*p == '*' || *p == '?')
            return Fail(CRT_ENOENT);
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(path, &found);
    if (search == INVALID_HANDLE_VALUE)
        return Fail(CRT_ENOENT);
    FindClose(search);
    out->isDirectory = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    out->size = out->isDirectory
                    ? 0
                    : static_cast<int64_t>((static_cast<uint64_t>(found.nFileSizeHigh) << 32) |
                                           found.nFileSizeLow);
    out->modified = SecondsOf(found.ftLastWriteTime);
    return 0;
}

int crt_remove(const char* path) {
    return DeleteFileA(path) ? 0 : FailLast();
}

// MoveFileA: the target must not exist (EEXIST).
int crt_rename(const char* from, const char* to) {
    return MoveFileA(from, to) ? 0 : FailLast();
}

int crt_mkdir(const char* path) {
    return CreateDirectoryA(path, nullptr) ? 0 : FailLast();
}

int crt_errno() {
    return g_errno;
}

void crt_set_errno(int value) {
    g_errno = value;
}

// By the zone's present bias, as Windows shows file times
// (FileTimeToLocalFileTime). For a file's time from crt_stat that is what
// the C runtime's _stat and localtime give together. Times before 1970 are
// not converted.
bool crt_localtime(int64_t time, CrtCalendar* out) {
    if (time < 0 || time > (INT64_MAX - kTicksTo1970) / kTicksPerSecond)
        return false;
    uint64_t ticks = static_cast<uint64_t>(time * kTicksPerSecond + kTicksTo1970);
    FILETIME utc, local;
    utc.dwLowDateTime = static_cast<DWORD>(ticks);
    utc.dwHighDateTime = static_cast<DWORD>(ticks >> 32);
    SYSTEMTIME fields;
    if (!FileTimeToLocalFileTime(&utc, &local) || !FileTimeToSystemTime(&local, &fields))
        return false;
    out->year = fields.wYear;
    out->month = fields.wMonth;
    out->day = fields.wDay;
    out->hour = fields.wHour;
    out->minute = fields.wMinute;
    out->second = fields.wSecond;
    return true;
}

void* crt_get_osfhandle(int handle) {
    RuntimeFile* f = Lookup(handle);
    return f ? f->handle : nullptr;
}

#ifdef WIESEN_FREESTANDING
// The C library's time(), which MinGW's <time.h> makes an inline call of
// _time32 or (with a 64-bit time_t) _time64: the seconds since 1970-01-01
// 00:00 UTC, also stored at out when it is not null.
extern "C" __time64_t __cdecl _time64(__time64_t* out) {
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    __time64_t seconds = SecondsOf(now);
    if (out)
        *out = seconds;
    return seconds;
}

// The same in 32 bits, which hold the seconds until 2038-01-19.
extern "C" __time32_t __cdecl _time32(__time32_t* out) {
    __time32_t seconds = static_cast<__time32_t>(_time64(nullptr));
    if (out)
        *out = seconds;
    return seconds;
}
#endif
