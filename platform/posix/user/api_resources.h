// USER32's resource calls: strings and icons of a module.
#pragma once

#include "platform/posix/win_types.h"

int WINAPI LoadStringA(HINSTANCE instance, UINT id, LPSTR buffer, int capacity);
HICON WINAPI LoadIconA(HINSTANCE instance, LPCSTR name);
