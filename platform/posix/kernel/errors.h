// The emulation's error numbers: the Win32 error for a host errno, and the C
// runtime's error number for a Win32 error. Only for the emulation's areas.
#pragma once

#include "platform/posix/win_types.h"

namespace errors {

// The Win32 error for a host errno.
DWORD ErrorFromErrno(int e);
// The runtime's error number for a Win32 error, mapped as the Windows C
// runtime maps them (ERROR_WRITE_PROTECT and ERROR_NOT_READY give EACCES).
int CrtErrnoFromError(DWORD error);

} // namespace errors
