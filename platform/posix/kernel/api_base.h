// Errors, time, the process and text: kernel32 basics of the emulated
// machine.
#pragma once

#include "platform/posix/win_types.h"

DWORD WINAPI GetLastError();
void WINAPI SetLastError(DWORD error);

// The time zone of the emulated machine (the host's local zone): bias in
// minutes (UTC = local + bias); TIME_ZONE_ID_DAYLIGHT when daylight time is
// in effect now.
DWORD WINAPI GetTimeZoneInformation(LPTIME_ZONE_INFORMATION info);
BOOL WINAPI DosDateTimeToFileTime(WORD dosDate, WORD dosTime, LPFILETIME fileTime);
BOOL WINAPI FileTimeToLocalFileTime(const FILETIME* fileTime, LPFILETIME localFileTime);
BOOL WINAPI LocalFileTimeToFileTime(const FILETIME* localFileTime, LPFILETIME fileTime);
// Sets the last-write time of an open file (a handle from crt_get_osfhandle).
BOOL WINAPI SetFileTime(HANDLE file, const FILETIME* creation, const FILETIME* lastAccess,
                        const FILETIME* lastWrite);
BOOL WINAPI GetFileTime(HANDLE file, LPFILETIME creation, LPFILETIME lastAccess,
                        LPFILETIME lastWrite);
void WINAPI Sleep(DWORD milliseconds);

// The process and its modules (platform/posix/kernel/wow64.cpp): GetCurrentProcess
// gives the pseudo handle of this process; GetModuleHandleA knows KERNEL32
// and the program's own module (no name); GetProcAddress finds in KERNEL32
// the WOW64 functions below, and only on a 64-bit machine (Windows 95 has
// none of them).
HANDLE WINAPI GetCurrentProcess();
HMODULE WINAPI GetModuleHandleA(LPCSTR name);
FARPROC WINAPI GetProcAddress(HMODULE module, LPCSTR name);
// WOW64: true in *wow64Process on a 64-bit machine, where the program runs
// as a 32-bit program. Redirection of the system directory's files, switched
// off and back for the calling thread; both fail with
// ERROR_INVALID_FUNCTION on a 32-bit machine.
BOOL WINAPI IsWow64Process(HANDLE process, PBOOL wow64Process);
BOOL WINAPI Wow64DisableWow64FsRedirection(PVOID* oldValue);
BOOL WINAPI Wow64RevertWow64FsRedirection(PVOID oldValue);

// The Windows the machine plays (platform/posix/kernel/windows_nt.h): Windows
// 95 as 4.0 build 950 with the high bit set, Windows 10 as NT 6.2 build 9200.
DWORD WINAPI GetVersion();
// Expands the %name% strings of the machine's environment; returns the
// characters needed, terminator included (copied only when they fit).
DWORD WINAPI ExpandEnvironmentStringsA(LPCSTR source, LPSTR destination, DWORD capacity);

int WINAPI MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR text, int length, LPWSTR wide,
                               int capacity);
int WINAPI WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR wide, int length, LPSTR text,
                               int capacity, LPCSTR defaultChar, BOOL* usedDefault);
