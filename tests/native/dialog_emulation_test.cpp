// The emulation's resource modules, template parser input checks and the
// dialog manager without a front end.
#include "platform/posix/user/front_end.h"
#include "platform/posix/kernel/resource_module.h"
#include "platform/posix/user/scripted_front_end.h"
#include "platform/win32.h"

#include <gtest/gtest.h>
#include <string.h>
#include <vector>

namespace {

TEST(ResourceModule, RejectsMalformedFilesAndKeepsModulesApart) {
    const uint8_t garbage[] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    EXPECT_EQ(resources::LoadModule(garbage, sizeof garbage), nullptr);
    // An empty file is an empty module.
    HINSTANCE empty = resources::LoadModule(nullptr, 0);
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(FindResourceA(empty, MAKEINTRESOURCEA(100), RT_DIALOG), nullptr);
    char text[16] = "x";
    EXPECT_EQ(LoadStringA(empty, 100, text, sizeof text), 0);
    EXPECT_EQ(DialogBoxParamA(empty, MAKEINTRESOURCEA(101), nullptr, nullptr, 0), -1);
    // A handle that names no module finds nothing.
    EXPECT_EQ(FindResourceA(reinterpret_cast<HINSTANCE>(&text), MAKEINTRESOURCEA(1006), RT_RCDATA),
              nullptr);
    // Names may be given as "#id".
    EXPECT_NE(FindResourceA(resources::ProgramModule(), "#1006", RT_RCDATA), nullptr);
}

// The manifest, no text, is language neutral: the loader of every Windows
// finds it whatever the user's language.
TEST(ResourceModule, EveryResourceButTheManifestIsGerman) {
    const resources::Module* program = resources::ModuleOf(nullptr);
    ASSERT_NE(program, nullptr);
    EXPECT_GT(program->entries.size(), 20u);
    for (const resources::Entry& e : program->entries) {
        bool manifest = !e.type.isString && e.type.ordinal == 24;
        EXPECT_EQ(e.language, manifest ? 0 : 0x0407)
            << "type " << e.type.ordinal << " name " << e.name.ordinal;
    }
}

INT_PTR CALLBACK Waiting(HWND, UINT message, WPARAM, LPARAM) {
    return message == WM_INITDIALOG;
}

TEST(DialogManager, WithoutAFrontEndEveryWindowIsAbandoned) {
    dialogs::FrontEnd* previous = dialogs::SetFrontEnd(nullptr);
    EXPECT_EQ(
        DialogBoxParamA(resources::ProgramModule(), MAKEINTRESOURCEA(101), nullptr, Waiting, 0), 0);
    EXPECT_EQ(MessageBoxA(nullptr, "Text", "Titel", MB_YESNO), 0);
    MSG msg;
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    dialogs::SetFrontEnd(previous);
}

// Posted messages reach the dialog from its modal loop before any input.
std::vector<UINT> g_seen;
INT_PTR CALLBACK Posting(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_INITDIALOG) {
        PostMessageA(dialog, WM_COMMAND, 4711, 0);
        return TRUE;
    }
    if (message == WM_COMMAND) {
        g_seen.push_back(LOWORD(wParam));
        if (LOWORD(wParam) == IDOK)
            EndDialog(dialog, 5);
        return TRUE;
    }
    return FALSE;
}

INT_PTR g_result;
void RunPosting(void*) {
    g_result =
        DialogBoxParamA(resources::ProgramModule(), MAKEINTRESOURCEA(101), nullptr, Posting, 0);
}

TEST(DialogManager, PostedMessagesComeBeforeInput) {
    g_seen.clear();
    EXPECT_EQ(dialogs::RunScenario("dialog 101\n  key Enter\n", "posted", RunPosting, nullptr), "");
    EXPECT_EQ(g_seen, std::vector<UINT>({4711, IDOK}));
    EXPECT_EQ(g_result, 5);
}

TEST(DialogManager, ScenarioErrorsNameTheLine) {
    EXPECT_EQ(dialogs::RunScenario("  click 1\n", "a.scn", RunPosting, nullptr),
              "a.scn:1: a step before the first window (dialog or message)");
    EXPECT_EQ(dialogs::RunScenario("dialog 101\n  key Home\n", "b.scn", RunPosting, nullptr),
              "b.scn:2: expected a key: Enter, Escape, Tab, Shift+Tab, Space or Alt+<letter>");
    EXPECT_EQ(
        dialogs::RunScenario("dialog 101\n  busy text 1 \"OK\"\n", "c.scn", RunPosting, nullptr),
        "c.scn:2: only actions can be busy");
    // A window that waits after the last step abandons the run: it ends
    // with 0.
    g_result = -1;
    EXPECT_EQ(dialogs::RunScenario("dialog 101\n  focus 1\n", "d.scn", RunPosting, nullptr)
                  .rfind("d.scn:1: the window still waits for input", 0),
              0u);
    EXPECT_EQ(g_result, 0);
    // A step for a control the window lacks.
    EXPECT_EQ(dialogs::RunScenario("dialog 101\n  click 9\n", "e.scn", RunPosting, nullptr),
              "e.scn:2: the window has no control 9");
    // Steps left when the window closed.
    EXPECT_EQ(
        dialogs::RunScenario("dialog 101\n  key Enter\n  focus 1\n", "f.scn", RunPosting, nullptr),
        "f.scn:3: the window closed before this step");
}

} // namespace
