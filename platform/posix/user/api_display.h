// Display settings of the logged-on user: screen saver, wallpaper, desktop
// colour and the system cursors.
#pragma once

#include "platform/posix/win_types.h"

BOOL WINAPI SystemParametersInfoA(UINT action, UINT param, PVOID value, UINT flags);
DWORD WINAPI GetSysColor(int element);
BOOL WINAPI SetSysColors(int count, const INT* elements, const COLORREF* colors);
HCURSOR WINAPI LoadCursorFromFileA(LPCSTR fileName);
HCURSOR WINAPI LoadCursorA(HINSTANCE instance, LPCSTR name);
HICON WINAPI CopyIcon(HICON icon);
BOOL WINAPI DestroyCursor(HCURSOR cursor);
BOOL WINAPI SetSystemCursor(HCURSOR cursor, DWORD id);
HCURSOR WINAPI SetCursor(HCURSOR cursor);
