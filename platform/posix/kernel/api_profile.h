// Profile (.ini) files of the emulated machine. A file name without a
// directory lies in the Windows directory.
#pragma once

#include "platform/posix/win_types.h"

DWORD WINAPI GetPrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR defaultText, LPSTR buffer,
                                      DWORD capacity, LPCSTR fileName);
BOOL WINAPI WritePrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR value, LPCSTR fileName);
