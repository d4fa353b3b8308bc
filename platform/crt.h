// The runtime library's handle-based low-level file interface, as the
// storage classes use it.
//
// The names carry a crt_ prefix so that they never collide with the host C
// library. On Windows they are the program's own runtime over KERNEL32
// (platform/windows/runtime/files.cpp), which behaves as the C runtime's
// _open, _read, ... do; on Linux they work on the emulated machine's paths
// (drive letters, "\", case-blind names, short names, read-only enforced by
// the emulation).
//
// Error numbers are the runtime's POSIX numbers and are read with crt_errno().
#pragma once

#include <stdint.h>

// Open flags (values of the Windows C runtime).
enum : int {
    CRT_O_RDONLY = 0x0000,
    CRT_O_WRONLY = 0x0001,
    CRT_O_RDWR = 0x0002,
    CRT_O_APPEND = 0x0008,
    CRT_O_CREAT = 0x0100,
    CRT_O_TRUNC = 0x0200,
    CRT_O_EXCL = 0x0400,
    CRT_O_BINARY = 0x8000,
};

// Permission bits for creation.
enum : int {
    CRT_S_IREAD = 0x0100,
    CRT_S_IWRITE = 0x0080,
};

// Error numbers (POSIX numbering, as the Windows runtime uses them).
enum : int {
    CRT_ENOENT = 2,
    CRT_E2BIG = 7,
    CRT_ENOEXEC = 8,
    CRT_EBADF = 9,
    CRT_ECHILD = 10,
    CRT_EAGAIN = 11,
    CRT_ENOMEM = 12,
    CRT_EACCES = 13,
    CRT_EEXIST = 17,
    CRT_EXDEV = 18,
    CRT_EINVAL = 22,
    CRT_ENFILE = 23,
    CRT_EMFILE = 24,
    CRT_ENOSPC = 28,
    CRT_EPIPE = 32,
    CRT_ENOTEMPTY = 41,
};

enum : int { CRT_SEEK_SET = 0, CRT_SEEK_CUR = 1, CRT_SEEK_END = 2 };

// File status by name: size and last modification time (seconds since
// 1970-01-01 00:00 UTC).
struct CrtStat {
    int64_t size;
    int64_t modified;
    bool isDirectory;
};

// Local calendar fields of a time (the runtime's localtime).
struct CrtCalendar {
    int year;  // full year, e.g. 1999
    int month; // 1 to 12
    int day;   // 1 to 31
    int hour;
    int minute;
    int second;
};

// Opens a file; returns a handle (0 or more) or -1 with crt_errno() set.
// Sharing is always "deny none": other openers may read and write.
int crt_open(const char* path, int flags, int permission = CRT_S_IREAD | CRT_S_IWRITE);
// Reads up to count bytes; returns the count, 0 at end of file, -1 on failure.
int crt_read(int handle, void* buffer, unsigned count);
// Writes up to count bytes; returns the count written (less than count when
// the disk is full), -1 on failure.
int crt_write(int handle, const void* buffer, unsigned count);
// Moves the file pointer; returns the new position or -1.
long crt_lseek(int handle, long offset, int origin);
// Length of an open file, or -1.
long crt_filelength(int handle);
// Closes a handle; 0 or -1.
int crt_close(int handle);
// File status by name; 0 or -1.
int crt_stat(const char* path, CrtStat* out);
// Removes a file; 0 or -1.
int crt_remove(const char* path);
// Renames a file; fails when the target exists. 0 or -1.
int crt_rename(const char* from, const char* to);
// Makes one directory; 0 or -1 (EEXIST when it exists, ENOENT when the
// parent is missing).
int crt_mkdir(const char* path);
// The runtime's error number of the last failed call.
int crt_errno();
// Sets the runtime's error number (tests and fault injection).
void crt_set_errno(int value);
// Local calendar fields of a time; false when it cannot be converted.
bool crt_localtime(int64_t time, CrtCalendar* out);
// The platform file handle (a Win32 HANDLE) behind a runtime handle, or null.
void* crt_get_osfhandle(int handle);
