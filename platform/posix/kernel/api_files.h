// The file system of the emulated machine: paths with drive letters and "\",
// case-blind names, 8.3 short names, Windows attributes (read-only enforced
// by the emulation itself, since it often runs as root).
#pragma once

#include "platform/posix/win_types.h"

UINT WINAPI GetWindowsDirectoryA(LPSTR buffer, UINT capacity);
UINT WINAPI GetSystemDirectoryA(LPSTR buffer, UINT capacity);
DWORD WINAPI GetTempPathA(DWORD capacity, LPSTR buffer);
UINT WINAPI GetTempFileNameA(LPCSTR directory, LPCSTR prefix, UINT unique, LPSTR tempFileName);
DWORD WINAPI GetCurrentDirectoryA(DWORD capacity, LPSTR buffer);
BOOL WINAPI SetCurrentDirectoryA(LPCSTR path);
DWORD WINAPI GetLogicalDriveStringsA(DWORD capacity, LPSTR buffer);
DWORD WINAPI GetFullPathNameA(LPCSTR path, DWORD capacity, LPSTR buffer, LPSTR* filePart);
DWORD WINAPI GetShortPathNameA(LPCSTR longPath, LPSTR shortPath, DWORD capacity);
DWORD WINAPI GetLongPathNameA(LPCSTR shortPath, LPSTR longPath, DWORD capacity);

DWORD WINAPI GetFileAttributesA(LPCSTR path);
BOOL WINAPI SetFileAttributesA(LPCSTR path, DWORD attributes);
BOOL WINAPI CreateDirectoryA(LPCSTR path, LPSECURITY_ATTRIBUTES security);
BOOL WINAPI RemoveDirectoryA(LPCSTR path);
BOOL WINAPI DeleteFileA(LPCSTR path);
BOOL WINAPI CopyFileA(LPCSTR existing, LPCSTR newFile, BOOL failIfExists);
BOOL WINAPI MoveFileA(LPCSTR existing, LPCSTR newFile);

HANDLE WINAPI FindFirstFileA(LPCSTR pattern, LPWIN32_FIND_DATAA data);
BOOL WINAPI FindNextFileA(HANDLE find, LPWIN32_FIND_DATAA data);
BOOL WINAPI FindClose(HANDLE find);
