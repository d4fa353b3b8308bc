// The scenario files of the tests (tests/scenarios/*.scn), compiled in.
#pragma once

#include <functional>
#include <string>

struct ScenarioFile {
    const char* name;
    const char* text;
};

// Ends with {nullptr, nullptr}.
extern const ScenarioFile kScenarioFiles[];

// Runs `part` driven by the scenario file `name` (platform_testing::RunScenario);
// "" when it ran through, else the first mismatch.
std::string RunScenarioFile(const std::string& name, const std::function<void()>& part);

// Runs the setup program itself (setup.exe; natively setup-host) from
// `medium` driven by the scenario file `name` (platform_testing::
// RunSetupProgram); "" when it ran through, else what went wrong.
std::string RunSetupProgramScenario(const std::string& medium, const std::string& name);
