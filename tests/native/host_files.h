// The emulated machine's files as the host sees them, for the native tests
// that look past the emulated calls.
#pragma once

#include "platform/posix/kernel/machine.h"

#include <fstream>
#include <string>

// The bytes of host file `host`; empty when it cannot be read.
inline std::string HostRead(const std::string& host) {
    std::string bytes;
    machine::ReadWholeFile(host, &bytes);
    return bytes;
}

// Replaces host file `host` with `bytes`, as another program would: no
// atomic replacement, no emulated call.
inline void HostWrite(const std::string& host, const std::string& bytes) {
    std::ofstream(host, std::ios::binary) << bytes;
}
