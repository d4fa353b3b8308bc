// user32's character functions of the emulated machine, over its ANSI code
// page (1252).
#pragma once

#include "platform/posix/win_types.h"

// Converts `length` characters in place to upper case as the ANSI code page
// (1252) folds them; returns the number converted.
DWORD WINAPI CharUpperBuffA(LPSTR text, DWORD length);
