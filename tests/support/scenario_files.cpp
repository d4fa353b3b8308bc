#include "tests/support/scenario_files.h"

#include "platform/testing.h"

std::string RunScenarioFile(const std::string& name, const std::function<void()>& part) {
    for (const ScenarioFile* f = kScenarioFiles; f->name; ++f) {
        if (name == f->name)
            return platform_testing::RunScenario(f->text, name, part);
    }
    return name + ": no such scenario file";
}

std::string RunSetupProgramScenario(const std::string& medium, const std::string& name) {
    for (const ScenarioFile* f = kScenarioFiles; f->name; ++f) {
        if (name == f->name)
            return platform_testing::RunSetupProgram(medium, f->text, name);
    }
    return name + ": no such scenario file";
}
