// Fault injection into the emulated runtime file interface, for tests of the
// program's disk-full and read-error paths, and the crash points of crash tests.
#include "platform/posix/files_internal.h"
#include "platform/posix/machine.h"
#include "platform/testing.h"

#include <signal.h>
#include <unistd.h>

namespace {
uint64_t g_changes = 0;
uint64_t g_crashAt = 0;
int g_shortWriteIn = 0; // writes still to pass before the short one; 0 = none
int g_readFailureIn = 0;

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
}
} // namespace platform_testing

namespace machine {
void CountChange() {
    if (++g_changes == g_crashAt)
        kill(getpid(), SIGKILL);
}
void CrashAtChange(uint64_t n) {
    g_crashAt = n;
}
uint64_t ChangeCount() {
    return g_changes;
}
} // namespace machine
