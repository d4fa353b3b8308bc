// Checks made before a file of the emulated machine is changed, by every area
// that writes such files (the kernel's file calls, the runtime file
// interface, profile files, the shell's links): writing on a write-protected
// diskette, over a directory or over a read-only file fails as on Windows,
// even when the host runs us as root.
#pragma once

#include "platform/posix/kernel/machine.h"

#include <string>

namespace files {

// True when the host object has the read-only attribute.
bool IsReadOnlyHost(const std::string& host);
bool IsHostDirectory(const std::string& host);
// True when the path lies on a write-protected diskette.
bool OnProtectedDiskette(const machine::Resolved& r);

} // namespace files
