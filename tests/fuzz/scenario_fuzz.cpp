// libFuzzer target: arbitrary bytes as a scenario file. The reader must
// refuse it with "name:line: reason" or read it; a scenario it read is then
// played against a window that agrees with every check, so that the player
// walks all of it, and its texts go through the conversion the scripted
// front end applies before it types them.
#include "platform/posix/kernel/codepage.h"
#include "platform/scenario.h"

#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>
#include <string>

namespace {

// A window that shows what the scenario's current step expects.
class Agreeing final : public scenario::Surface {
  public:
    const scenario::Window* window = nullptr;
    const scenario::Step* step = nullptr;

    bool IsMessageBox() override { return window->isMessageBox; }
    int DialogId() override { return window->dialogId; }
    std::string Caption() override { return step ? step->text : window->caption; }
    std::string MessageText() override { return window->text; }
    bool HasControl(int) override { return true; }
    std::string ControlText(int) override { return step ? step->text : ""; }
    bool IsEnabled(int) override { return step && step->op == scenario::Op::Enabled; }
    bool IsChecked(int) override { return step && step->op == scenario::Op::Checked; }
    int DefaultId() override { return step ? step->control : 0; }
    int FocusId() override { return step ? step->control : 0; }
    std::string ListEntries(int) override { return step ? step->text : ""; }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    scenario::Scenario parsed;
    std::string error;
    if (!scenario::Parse(text, "fuzz.scn", &parsed, &error)) {
        if (error.compare(0, 9, "fuzz.scn:") != 0)
            abort();
        return 0;
    }
    for (const scenario::Window& w : parsed.windows)
        for (const scenario::Step& s : w.steps) {
            std::string ansi;
            if (codepage::Utf8ToCp1252(s.text, &ansi) && codepage::Cp1252ToUtf8(ansi) != s.text)
                abort();
        }

    // Play it: one handle per window, each check answered as it wants.
    scenario::Player player(parsed);
    Agreeing surface;
    for (size_t w = 0; w < parsed.windows.size() && !player.Failed(); ++w) {
        surface.window = &parsed.windows[w];
        const scenario::Window& window = parsed.windows[w];
        for (size_t s = 0; s <= window.steps.size() && !player.Failed(); ++s) {
            surface.step = s < window.steps.size() ? &window.steps[s] : nullptr;
            const scenario::Step* action = nullptr;
            bool busy = surface.step && surface.step->busy;
            if (player.Next(&window, surface, busy, &action) == scenario::Player::Result::Failed)
                break;
        }
    }
    player.Finish();
    if (player.Failed() && player.Error().compare(0, 9, "fuzz.scn:") != 0)
        abort();
    return 0;
}
