// Fault injection into the emulated machine's calls (faults.h). Also the
// change counter of the crash tests, which kills the process just before a
// chosen change.
#include "platform/posix/kernel/faults.h"

#include "platform/posix/kernel/machine.h"

#include <signal.h>
#include <unistd.h>

namespace {

using platform_testing::kFaultFamilyCount;

struct Counter {
    int calls = 0;  // since the last ResetCounts
    int failIn = 0; // calls still to come before the failing one; 0 = none
};
Counter g_families[kFaultFamilyCount];

constexpr int kSwitchCount = static_cast<int>(faults::Switch::SpecialFolder) + 1;
bool g_switches[kSwitchCount] = {};
uint64_t g_switchesMachine = 0; // the machine the shell's switches were set for

uint64_t g_changes = 0;
uint64_t g_crashAt = 0;

Counter* Of(int family) {
    return family >= 0 && family < kFaultFamilyCount ? &g_families[family] : nullptr;
}

bool IsShellSwitch(int which) {
    return which >= static_cast<int>(faults::Switch::ObjectCreation);
}

// The shell's switches belong to the machine that was open when they were set.
void ForgetOtherMachines() {
    if (g_switchesMachine == machine::Generation())
        return;
    g_switchesMachine = machine::Generation();
    for (int i = 0; i < kSwitchCount; ++i)
        if (IsShellSwitch(i))
            g_switches[i] = false;
}

} // namespace

namespace faults {

bool Strikes(const Fault& fault) {
    if (fault.kind == Fault::WhileOn) {
        ForgetOtherMachines();
        return fault.which >= 0 && fault.which < kSwitchCount && g_switches[fault.which];
    }
    Counter* f = fault.kind == Fault::InFamily ? Of(fault.which) : nullptr;
    if (!f)
        return false;
    ++f->calls;
    if (f->failIn <= 0)
        return false;
    return --f->failIn == 0;
}

void Inject(Family family, int nth) {
    if (Counter* f = Of(static_cast<int>(family)))
        f->failIn = nth > 0 ? nth : 0;
}

int Count(Family family) {
    Counter* f = Of(static_cast<int>(family));
    return f ? f->calls : 0;
}

void ResetCounts() {
    for (Counter& f : g_families)
        f.calls = 0;
}

void Clear() {
    for (Counter& f : g_families)
        f.failIn = 0;
    g_switches[static_cast<int>(Switch::WindowsDirectory)] = false;
    g_switches[static_cast<int>(Switch::StringLoads)] = false;
}

void Set(Switch which, bool on) {
    ForgetOtherMachines();
    g_switches[static_cast<int>(which)] = on;
}

} // namespace faults

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
