// Test support that differs between the targets. Tests of the program's
// parts run on both: natively against a fresh emulated machine, on Windows
// against the real system (a throwaway Wine prefix).
#pragma once

#include <string>

namespace platform_testing {

// Prepares a machine for one test and returns a fresh, empty scratch
// directory (a Windows path ending in "\") in which the test may create
// files. Natively this opens a new emulated machine in a host temporary
// folder; on Windows it makes a new directory under the temporary directory.
std::string BeginTestMachine();

// Ends the test machine: natively closes and deletes the emulated machine;
// on Windows deletes the scratch directory.
void EndTestMachine();

// True on the emulated (native) target.
bool IsEmulated();

}  // namespace platform_testing
