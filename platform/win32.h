// The one header through which the program's code reaches the platform.
//
// On Windows it is the Windows headers themselves. On Linux it declares the
// Win32 subset the program uses, with the Win32 names, signatures and
// constants, and platform/posix/ implements it over an emulated machine.
// Either way it also brings the runtime library's low-level file interface
// (platform/crt.h).
#pragma once

#if defined(_WIN32)
#include "platform/windows/windows_api.h"
#else
#include "platform/posix/posix_api.h"
#endif

#include "platform/crt.h"
