// Component objects of the emulated machine: CoInitialize, CoUninitialize
// and CoCreateInstance (the shell-link class is the one class registered),
// the interface ids the program asks for, and the shell's process-wide state
// with what tests and front ends see of it (shell_state.h): the live
// objects and allocations, the calls made, the notifications and the fault
// switches.
#include "platform/posix/kernel/api_base.h"
#include "platform/posix/kernel/calls.h"
#include "platform/posix/kernel/machine.h"
#include "platform/posix/shell/api_shell.h"
#include "platform/posix/shell/shell_internal.h"
#include "platform/posix/shell/shell_state.h"

#include <vector>

using namespace shell_internal;

const CLSID CLSID_ShellLink = {0x00021401, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
const IID IID_IUnknown = {0x00000000, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
const IID IID_IShellLinkA = {0x000214EE, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
const IID IID_IPersistFile = {0x0000010B, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

// ---- Process-wide state ----

namespace shell_internal {

State g_state;

void Sync() {
    if (g_state.generation != machine::Generation()) {
        g_state.generation = machine::Generation();
        g_state.notifications.clear();
    }
}

void Called() {
    Sync();
    ++g_state.calls;
}

} // namespace shell_internal

namespace {

thread_local int g_comInitCount = 0;

} // namespace

// ---- Component objects ----

HRESULT WINAPI CoInitialize(LPVOID) {
    return g_comInitCount++ == 0 ? S_OK : S_FALSE;
}

void WINAPI CoUninitialize() {
    if (g_comInitCount > 0)
        --g_comInitCount;
}

HRESULT WINAPI CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD, REFIID riid,
                                LPVOID* object) {
    Called();
    if (!object)
        return E_POINTER;
    *object = nullptr;
    if (g_comInitCount == 0)
        return CO_E_NOTINITIALIZED;
    return calls::Run(calls::kCoCreateInstance, [&]() -> HRESULT {
        if (!SameGuid(clsid, CLSID_ShellLink))
            return REGDB_E_CLASSNOTREG;
        if (outer)
            return CLASS_E_NOAGGREGATION;
        return CreateShellLink(riid, object);
    });
}

// ---- What tests and front ends see ----

namespace shell_state {

const std::vector<Notification>& Notifications() {
    Sync();
    return g_state.notifications;
}
void ClearNotifications() {
    Sync();
    g_state.notifications.clear();
}
int LiveObjects() {
    return g_state.liveObjects;
}
int LiveAllocations() {
    return static_cast<int>(g_state.blocks.size());
}
int CallCount() {
    return g_state.calls;
}
namespace {
faults::Switch SwitchOf(Fault fault) {
    switch (fault) {
    case Fault::ObjectCreation:
        return faults::Switch::ObjectCreation;
    case Fault::Allocator:
        return faults::Switch::Allocator;
    case Fault::DesktopFolder:
        return faults::Switch::DesktopFolder;
    case Fault::DesktopEnumeration:
        return faults::Switch::DesktopEnumeration;
    case Fault::SpecialFolder:
        break;
    }
    return faults::Switch::SpecialFolder;
}
} // namespace

void SetFault(Fault fault, bool on) {
    faults::Set(SwitchOf(fault), on);
}
void ClearFaults() {
    for (Fault fault : {Fault::ObjectCreation, Fault::Allocator, Fault::DesktopFolder,
                        Fault::DesktopEnumeration, Fault::SpecialFolder})
        faults::Set(SwitchOf(fault), false);
}

} // namespace shell_state
