// The scenario driver on Windows, for a driver that lives inside another
// program (a hook module in setup.exe): started on the program's thread and
// stopped when the program ends. Test support only.
#pragma once

#include <string>

namespace platform_testing {

// Starts playing the scenario against the windows of this thread (a timer
// and a message filter of the thread); "" or the parse error.
std::string StartScenario(const std::string& text, const std::string& name);

// Stops the driver and returns the first mismatch, or "" when the scenario
// ran to its end. `atExit`: the process is ending, so the thread's timer and
// hook are left to go with it.
std::string StopScenario(bool atExit);

} // namespace platform_testing
