// Fault injection into the emulated machine's calls, for tests of the
// program's failure paths: every hooked call counts itself in its family and
// fails when it is the one injected. Also the change counter of the crash
// tests, which kills the process just before a chosen change.
#include "platform/posix/kernel/faults.h"
#include "platform/posix/kernel/machine.h"

#include <signal.h>
#include <unistd.h>

namespace {
uint64_t g_changes = 0;
uint64_t g_crashAt = 0;
bool g_windowsDirectoryFails = false;
bool g_stringLoadsFail = false;

using platform_testing::FaultFamily;
using platform_testing::kFaultFamilyCount;

struct Family {
    int calls = 0;  // since the last ResetFaultCounts
    int failIn = 0; // calls still to come before the failing one; 0 = none
};
Family g_families[kFaultFamilyCount];

Family* Of(FaultFamily family) {
    int index = static_cast<int>(family);
    return index >= 0 && index < kFaultFamilyCount ? &g_families[index] : nullptr;
}

} // namespace

namespace faults {
bool Take(FaultFamily family) {
    Family* f = Of(family);
    if (!f)
        return false;
    ++f->calls;
    if (f->failIn <= 0)
        return false;
    return --f->failIn == 0;
}
} // namespace faults

namespace faults {
bool WindowsDirectoryFails() {
    return g_windowsDirectoryFails;
}
bool StringLoadsFail() {
    return g_stringLoadsFail;
}
} // namespace faults

namespace platform_testing {

const char* FaultFamilyName(FaultFamily family) {
    static const char* const names[kFaultFamilyCount] = {
        "registry set", "registry create",  "registry delete", "profile write",
        "file create",  "short write",      "read failure",    "copy",
        "delete",       "create directory", "remove directory"};
    int index = static_cast<int>(family);
    return index >= 0 && index < kFaultFamilyCount ? names[index] : "?";
}

bool InjectFault(FaultFamily family, int nth) {
    Family* f = Of(family);
    if (!f)
        return false;
    f->failIn = nth > 0 ? nth : 0;
    return true;
}

int FaultCallCount(FaultFamily family) {
    Family* f = Of(family);
    return f ? f->calls : 0;
}

void ResetFaultCounts() {
    for (Family& f : g_families)
        f.calls = 0;
}

bool InjectShortWrite(int nth) {
    return InjectFault(FaultFamily::ShortWrite, nth);
}

bool InjectReadFailure(int nth) {
    return InjectFault(FaultFamily::ReadFailure, nth);
}

void ClearInjectedFaults() {
    for (Family& f : g_families)
        f.failIn = 0;
    g_windowsDirectoryFails = false;
    g_stringLoadsFail = false;
}

bool FailWindowsDirectory(bool on) {
    g_windowsDirectoryFails = on;
    return true;
}

bool FailStringLoads(bool on) {
    g_stringLoadsFail = on;
    return true;
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
