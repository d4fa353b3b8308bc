// The emulation's side of fault injection (platform/testing.h): each hooked
// call asks, on entry, whether it is the one to fail.
#pragma once

#include "platform/testing.h"

namespace faults {

// Counts one call of the family; true when this call is to fail.
bool Take(platform_testing::FaultFamily family);

// Test switches (platform/testing.h): true while GetWindowsDirectoryA, and
// LoadStringA, are to fail.
bool WindowsDirectoryFails();
bool StringLoadsFail();

} // namespace faults
