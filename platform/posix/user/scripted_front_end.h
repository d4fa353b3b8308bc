// The scripted front end: a person who follows a scenario
// (platform/scenario.h, docs/scenarios.md).
#pragma once

#include "platform/posix/user/front_end.h"
#include "platform/scenario.h"

#include <string>

namespace dialogs {

class ScriptedFrontEnd : public FrontEnd {
  public:
    explicit ScriptedFrontEnd(scenario::Scenario scenario) : player_(std::move(scenario)) {}

    bool NextInput(HWND active, bool busy, Input* input) override;
    void InputFailed(HWND active, const Input& input, const std::string& why) override;

    // After the program's part: "" when the scenario ran through, else the
    // first mismatch ("name:line: ...").
    std::string Finish();

  private:
    scenario::Player player_;
};

// Parses `text` and runs `part` with a ScriptedFrontEnd installed; the
// result as ScriptedFrontEnd::Finish, or the parse error.
std::string RunScenario(const std::string& text, const std::string& name, void (*part)(void*),
                        void* context);

} // namespace dialogs
