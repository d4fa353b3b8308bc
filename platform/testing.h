// Test support that differs between the targets. Tests of the program's
// parts run on both: natively against a fresh emulated machine, on Windows
// against the real system (a throwaway Wine prefix).
#pragma once

#include "platform/fault_family.h"
#include "platform/win32.h"

#include <functional>
#include <string>
#include <vector>

namespace platform_testing {

// What Windows a test machine is, for the program: 32-bit Windows, or 64-bit
// Windows on which the program runs as a 32-bit program under WOW64 (with
// the Sysnative alias; WithoutSysnative: 64-bit Windows XP and Server 2003,
// emulated machines only); these two with Windows 95's settings. Windows10:
// 64-bit Windows 10 of the NT family, with a user's own REG_EXPAND_SZ
// schemes apart from ".Default"'s (emulated machines only; on Windows the
// machine the tests run on is what it is).
enum class MachineFlavour { Windows32, Windows64, Windows64WithoutSysnative, Windows10 };
inline const char* MachineFlavourName(MachineFlavour flavour) {
    return flavour == MachineFlavour::Windows64                   ? "Windows64"
           : flavour == MachineFlavour::Windows64WithoutSysnative ? "Windows64WithoutSysnative"
           : flavour == MachineFlavour::Windows10                 ? "Windows10"
                                                                  : "Windows32";
}

// Prepares a machine for one test and returns a fresh, empty scratch
// directory (a Windows path ending in "\") in which the test may create
// files. Natively this opens a new emulated machine of that flavour in a
// host temporary folder; on Windows it makes a new directory under the
// temporary directory, and the machine is the one the tests run on.
std::string BeginTestMachine(MachineFlavour flavour = MachineFlavour::Windows32);

// The flavours of test machine that a test run over "both flavours" takes:
// natively Windows32, Windows64 and Windows10; on Windows the one the tests
// run on,
// Windows64 where the test process runs under WOW64 (the 32-bit tests on
// 64-bit Windows or in Wine's 64-bit prefix), else Windows32 (also the
// 64-bit test build, which WOW64 does not concern).
std::vector<MachineFlavour> TestMachineFlavours();

// Ends the test machine: natively closes and deletes the emulated machine;
// on Windows deletes the scratch directory.
void EndTestMachine();

// True on the emulated (native) target.
bool IsEmulated();

// Fault injection (emulated target only; on Windows InjectFault and the
// wrappers return false, FaultCallCount returns 0, and the tests skip); the
// families are in platform/fault_family.h.
// A short name of the family, for messages ("registry set", ...).
const char* FaultFamilyName(FaultFamily family);

bool InjectFault(FaultFamily family, int nth);
// The calls of the family since the last ResetFaultCounts.
int FaultCallCount(FaultFamily family);
void ResetFaultCounts();

bool InjectShortWrite(int nth);  // InjectFault(FaultFamily::ShortWrite, nth)
bool InjectReadFailure(int nth); // InjectFault(FaultFamily::ReadFailure, nth)
// Takes back every injected fault that has not struck yet.
void ClearInjectedFaults();

// Makes GetWindowsDirectoryA fail (return 0) while `on`; false where the
// platform cannot arrange it (the test skips).
bool FailWindowsDirectory(bool on);

// Makes LoadStringA fail (return 0) while `on`, leaving the caller's buffer
// as it was: Windows promises nothing about the buffer of a string it cannot
// load. false where the platform cannot arrange it (the test skips).
bool FailStringLoads(bool on);

// Drive A for the diskette copy. InsertDiskette puts an empty, writable
// diskette into drive A and returns false where that cannot be arranged;
// EjectDiskette takes it out with what it holds (reading or writing drive A
// then fails). Natively the emulated drive A; on Windows drive A is made a
// folder of the scratch directory, and ejecting removes drive A altogether.
// EndTestMachine ejects a diskette left in.
bool InsertDiskette();
void EjectDiskette();

// The program's module instance, where its resources are: on Windows the
// running program (GetModuleHandleA(NULL)), natively the embedded resources.
HINSTANCE ProgramInstance();

// A module with the program's resources except the terms of use (data
// resource 200), for tests of a missing resource. On Windows a resource DLL
// built beside the tests; natively a copy of the embedded module.
HINSTANCE InstanceWithoutTerms();

// Runs `part`, which opens the program's modal windows, with a person who
// follows the scenario `text` (docs/scenarios.md); `name` names it in
// messages. Returns "" when the scenario ran to its end with every check
// passing, otherwise the first mismatch ("name:line: ..."). Natively the
// dialog manager's scripted front end plays the person; on Windows a test
// driver plays it against the real dialogs (needs a display).
std::string RunScenario(const std::string& text, const std::string& name,
                        const std::function<void()>& part);

// The setup program of the build as its own process: natively the native
// host setup-host, on Windows setup.exe. SetupProgramBytes is its file.
std::string SetupProgramBytes();

// Starts the setup program from `medium` (a directory of the test machine
// holding an installation medium, ending in "\") as a person would, lets
// the scenario `text` play the person, and waits until it has ended. Returns
// "" when the scenario ran to its end, otherwise the first mismatch or why
// the program could not be run. Natively setup-host runs on the test machine
// with the medium as drive D:; on Windows the medium's setup.exe runs with
// the scenario driver hooked into it (scenario_hook.dll beside the tests),
// and a DLL it imports that Windows lacks fails the run, as it would on a
// user's machine (under Wine it might have been found).
std::string RunSetupProgram(const std::string& medium, const std::string& text,
                            const std::string& name);

// While `on`, the setup program that RunSetupProgram starts is told that it
// runs on Windows 98 (4.10), and RunSetupProgram fails when the program saw
// another version. Only under Wine (its per-program settings); false
// elsewhere (the test skips). EndTestMachine switches it off.
bool ReportWindows98ToSetupProgram(bool on);

} // namespace platform_testing
