// Fault injection into the emulated runtime file interface, for tests of the
// program's disk-full and read-error paths.
#include "platform/posix/files_internal.h"
#include "platform/testing.h"

namespace {
int g_shortWriteIn = 0; // writes still to pass before the short one; 0 = none
int g_readFailureIn = 0;
bool g_windowsDirectoryFails = false;

bool Take(int* counter) {
    if (*counter <= 0)
        return false;
    return --*counter == 0;
}
} // namespace

namespace files {
bool TakeInjectedShortWrite() {
    return Take(&g_shortWriteIn);
}
bool TakeInjectedReadFailure() {
    return Take(&g_readFailureIn);
}
bool WindowsDirectoryFails() {
    return g_windowsDirectoryFails;
}
} // namespace files

namespace platform_testing {
bool InjectShortWrite(int nth) {
    g_shortWriteIn = nth > 0 ? nth : 0;
    return true;
}
bool InjectReadFailure(int nth) {
    g_readFailureIn = nth > 0 ? nth : 0;
    return true;
}
void ClearInjectedFaults() {
    g_shortWriteIn = 0;
    g_readFailureIn = 0;
    g_windowsDirectoryFails = false;
}
bool FailWindowsDirectory(bool on) {
    g_windowsDirectoryFails = on;
    return true;
}
} // namespace platform_testing
