// The emulation's fault injection, for tests of the program's failure paths
// (platform/testing.h is its interface for tests): a call of a family counts
// itself and fails when it is the one injected; a switch makes its call fail
// while it is on. Emulated calls ask it on their way in only (calls.h).
#pragma once

#include "platform/fault_family.h"

#include <stdint.h>

namespace faults {

using Family = platform_testing::FaultFamily;

// The switches. Those of the shell are off again when a machine is opened;
// the others stay as they are set (Clear takes back the first two).
enum class Switch {
    WindowsDirectory,   // GetWindowsDirectoryA fails
    StringLoads,        // LoadStringA fails, the buffer as it was
    SetSystemCursor,    // SetSystemCursor fails (display_state.h)
    LoadCursorFromFile, // LoadCursorFromFileA fails (display_state.h)
    ObjectCreation,     // the shell's switches (shell_state.h)
    Allocator,
    DesktopFolder,
    DesktopEnumeration,
    SpecialFolder,
};

// What can make a call fail: a family, a switch, or nothing.
struct Fault {
    enum Kind : uint8_t { None, InFamily, WhileOn } kind = None;
    int which = 0;
};
constexpr Fault kNone{};
constexpr Fault Counted(Family family) {
    return {Fault::InFamily, static_cast<int>(family)};
}
constexpr Fault Switched(Switch on) {
    return {Fault::WhileOn, static_cast<int>(on)};
}

// The way in: counts a call of the fault's family; true when this call is to
// fail (the nth of an injection, or its switch on).
bool Strikes(const Fault& fault);

// For the test interface: the nth call of the family from now fails (0: none).
void Inject(Family family, int nth);
// Calls of the family since the last ResetCounts.
int Count(Family family);
void ResetCounts();
// Takes back the injected faults that have not struck, and the switches of
// GetWindowsDirectoryA and LoadStringA.
void Clear();
void Set(Switch which, bool on);

} // namespace faults
