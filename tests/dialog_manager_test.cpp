// The dialog manager's rules for keyboard and mouse, checked with the same
// scenarios against the emulation and against Wine's dialog manager.
#include "platform/testing.h"
#include "platform/win32.h"
#include "shell/dialog_texts.h"
#include "shell/small_dialogs.h"
#include "state/setup_state.h"
#include "system/dialog_support.h"
#include "system/shell_integration.h"
#include "tests/support/package_files.h"
#include "tests/support/scenario_files.h"
#include "tests/support/test_machine.h"
#include "text/item_key_texts.h"

#include <gtest/gtest.h>
#include <string.h>
#include <string>
#include <vector>

namespace {

struct Command {
    int id;
    int code;
    bool operator==(const Command& o) const { return id == o.id && code == o.code; }
};
std::ostream& operator<<(std::ostream& out, const Command& c) {
    return out << "{" << c.id << ", " << c.code << "}";
}

std::vector<Command> g_commands;

// The main dialog's template with a procedure that logs button commands
// and list box notifications and ends on IDCANCEL only.
INT_PTR CALLBACK LoggingProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        SendDlgItemMessageA(dialog, 212, EM_LIMITTEXT, 5, 0);
        CheckDlgButton(dialog, 208, BST_CHECKED);
        SendMessageA(dialog, DM_SETDEFID, 200, 0);
        return TRUE;
    case WM_COMMAND:
        if (HIWORD(wParam) == BN_CLICKED || HIWORD(wParam) == LBN_DBLCLK)
            g_commands.push_back({LOWORD(wParam), HIWORD(wParam)});
        if (LOWORD(wParam) == IDCANCEL)
            EndDialog(dialog, 77);
        return TRUE;
    default:
        return FALSE;
    }
}

INT_PTR RunLogging(int id) {
    g_commands.clear();
    return DialogBoxParamA(platform_testing::ProgramInstance(), MAKEINTRESOURCEA(id), nullptr,
                           LoggingProc, 0);
}

TEST(DialogManager, KeyboardRules) {
    INT_PTR result = 0;
    EXPECT_EQ(RunScenarioFile("keyboard.scn", [&] { result = RunLogging(100); }), "");
    EXPECT_EQ(result, 77);
    std::vector<Command> want = {{200, 0}, {202, 0}, {200, 0},     {208, 0},
                                 {208, 0}, {213, 0}, {IDCANCEL, 0}};
    EXPECT_EQ(g_commands, want);
}

TEST(DialogManager, EscapeSendsCancel) {
    INT_PTR result = 0;
    EXPECT_EQ(RunScenarioFile("keyboard-escape.scn", [&] { result = RunLogging(100); }), "");
    EXPECT_EQ(result, 77);
    EXPECT_EQ(g_commands, std::vector<Command>({{IDCANCEL, 0}}));
}

INT_PTR CALLBACK SetDefaultButtonProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        SetDefaultButton(dialog, 200);
        return TRUE;
    case WM_COMMAND:
        if (HIWORD(wParam) == BN_CLICKED)
            g_commands.push_back({LOWORD(wParam), HIWORD(wParam)});
        if (LOWORD(wParam) == IDCANCEL)
            EndDialog(dialog, 77);
        return TRUE;
    default:
        return FALSE;
    }
}

TEST(DialogManager, DefaultButtonWithoutATemplateDefault) {
    g_commands.clear();
    EXPECT_EQ(RunScenarioFile("default-button.scn",
                              [&] {
                                  DialogBoxParamA(platform_testing::ProgramInstance(),
                                                  MAKEINTRESOURCEA(100), nullptr,
                                                  SetDefaultButtonProc, 0);
                              }),
              "");
    EXPECT_EQ(g_commands, std::vector<Command>({{200, 0}, {202, 0}, {200, 0}, {IDCANCEL, 0}}));
}

// The chooser's template with a list: sorted entries, a click and a double
// click.
INT_PTR CALLBACK ListProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        for (const char* entry : {"beta", "[-c-]", "Gamma", "Alpha", "[-a-]"})
            SendDlgItemMessageA(dialog, 201, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry));
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == 201 && HIWORD(wParam) == LBN_DBLCLK) {
            char text[32] = "";
            LRESULT index = SendDlgItemMessageA(dialog, 201, LB_GETCURSEL, 0, 0);
            SendDlgItemMessageA(dialog, 201, LB_GETTEXT, index, reinterpret_cast<LPARAM>(text));
            g_commands.push_back({static_cast<int>(index), LBN_DBLCLK});
            EXPECT_STREQ(text, "Gamma");
        }
        if (LOWORD(wParam) == 202)
            EndDialog(dialog, 1);
        return TRUE;
    default:
        return FALSE;
    }
}

bool g_ownerDisabledMeanwhile;
HWND g_owner;
INT_PTR CALLBACK WatchingHelpProc(HWND help, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG)
        g_ownerDisabledMeanwhile = !IsWindowEnabled(g_owner);
    return HelpDialogProc(help, message, wParam, lParam);
}
INT_PTR CALLBACK HelpOpeningProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_COMMAND && LOWORD(wParam) == 206) {
        g_owner = dialog;
        DialogBoxParamA(g_setup.instance, MAKEINTRESOURCEA(101), dialog, WatchingHelpProc, 0);
        return TRUE;
    }
    if (message == WM_COMMAND && LOWORD(wParam) == IDCANCEL) {
        EndDialog(dialog, 13);
        return TRUE;
    }
    return message == WM_INITDIALOG;
}

TEST(DialogManager, NestedDialogDisablesItsOwnerAndGivesTheFocusBack) {
    ResetSetupState();
    g_setup.instance = platform_testing::ProgramInstance();
    g_ownerDisabledMeanwhile = false;
    INT_PTR result = 0;
    EXPECT_EQ(RunScenarioFile("nested.scn",
                              [&] {
                                  result = DialogBoxParamA(g_setup.instance, MAKEINTRESOURCEA(100),
                                                           nullptr, HelpOpeningProc, 0);
                              }),
              "");
    EXPECT_EQ(result, 13);
    EXPECT_TRUE(g_ownerDisabledMeanwhile);
    ResetSetupState();
}

TEST(DialogManager, ListBoxSortsAndReportsDoubleClicks) {
    g_commands.clear();
    INT_PTR result = 0;
    EXPECT_EQ(RunScenarioFile("list-box.scn",
                              [&] {
                                  result =
                                      DialogBoxParamA(platform_testing::ProgramInstance(),
                                                      MAKEINTRESOURCEA(1000), nullptr, ListProc, 0);
                              }),
              "");
    EXPECT_EQ(result, 1);
    EXPECT_EQ(g_commands, std::vector<Command>({{4, LBN_DBLCLK}}));
}

INT_PTR CALLBACK CreditLineProc(HWND dialog, UINT message, WPARAM, LPARAM) {
    if (message == WM_INITDIALOG) {
        g_setup.mainDialog = dialog;
        EXPECT_TRUE(ShowCreditLine());
        return TRUE;
    }
    if (message == WM_CLOSE) {
        EndDialog(dialog, 11);
        return TRUE;
    }
    return FALSE;
}

TEST(DialogManager, CreditLineIsUnscrambledIntoTheMainDialog) {
    ResetSetupState();
    g_setup.instance = platform_testing::ProgramInstance();
    // Stored scrambled, unless a main dialog earlier in this process (the
    // texts are unscrambled once per process) made them plain already.
    static const bool plainBefore = std::string(ItemKeyPartComputer.text, 8) == "20D04FE0";
    if (!plainBefore) {
        EXPECT_NE(std::string(CreditLine.text, 5), "\xA9 199");
    }
    INT_PTR result = 0;
    EXPECT_EQ(RunScenarioFile("credit-line.scn",
                              [&] {
                                  result = DialogBoxParamA(g_setup.instance, MAKEINTRESOURCEA(100),
                                                           nullptr, CreditLineProc, 0);
                              }),
              "");
    EXPECT_EQ(result, 11);
    EXPECT_STREQ(ItemKeyPartComputer.text, "20D04FE0-3AEA-1069-A2D8-08002B30309D");
    EXPECT_STREQ(ItemKeyPartNetwork.text, "208D2C60-3AEA-1069-A2D7-08002B30309D");
    EXPECT_STREQ(ItemKeyPartRecycleBin.text, "645FF040-5081-101B-9F08-00AA002F954E");
    ResetSetupState();
}

// Install (200) runs a busy loop that pumps messages the way the unpacking
// does, until a close request arrives or about two seconds pass.
bool g_closeSeen;
bool g_closeSeenWhileBusy;
bool g_busy;
INT_PTR CALLBACK BusyProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        return TRUE;
    case WM_CLOSE:
        g_closeSeen = true;
        g_closeSeenWhileBusy = g_busy;
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == 200) {
            g_busy = true;
            for (int round = 0; !g_closeSeen && round < 2000; ++round) {
                MSG msg;
                while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
                    TranslateMessage(&msg);
                    DispatchMessageA(&msg);
                }
                Sleep(1);
            }
            g_busy = false;
            EndDialog(dialog, 10);
        }
        return TRUE;
    default:
        return FALSE;
    }
}

TEST(DialogManager, InputArrivesWhileTheProgramIsBusy) {
    g_closeSeen = g_closeSeenWhileBusy = g_busy = false;
    INT_PTR result = 0;
    EXPECT_EQ(RunScenarioFile("busy.scn",
                              [&] {
                                  result =
                                      DialogBoxParamA(platform_testing::ProgramInstance(),
                                                      MAKEINTRESOURCEA(100), nullptr, BusyProc, 0);
                              }),
              "");
    EXPECT_EQ(result, 10);
    EXPECT_TRUE(g_closeSeenWhileBusy);
}

TEST(DialogManager, AWrongWindowStopsTheRunNamingTheLine) {
    std::string error = platform_testing::RunScenario("dialog 101\n  click 1\n", "wrong.scn", [&] {
        DialogBoxParamA(platform_testing::ProgramInstance(), MAKEINTRESOURCEA(1000), nullptr,
                        ListProc, 0);
    });
    EXPECT_EQ(error.rfind("wrong.scn:1: expected dialog 101, found dialog 1000", 0), 0u) << error;
}

class MachineChecks : public MachineTest {};

// Scenarios look at the registry and the desktop while a window shows.
TEST_F(MachineChecks, KeysAndShortcutsAreLookedAtWhileTheWindowShows) {
    HKEY key;
    ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, "Software\\WiesenTest", &key), ERROR_SUCCESS);
    RegCloseKey(key);
    char shortcut[MAX_PATH];
    ASSERT_TRUE(DesktopShortcutPath(shortcut, "Wiesen-Test"));
    ASSERT_TRUE(package_test::WriteWholeFile(shortcut, "L"));
    auto run = [](const char* steps) {
        return platform_testing::RunScenario(std::string("dialog 100\n") + steps + "  key Escape\n",
                                             "machine.scn", [] { RunLogging(100); });
    };
    EXPECT_EQ(run("  key-present \"HKEY_CURRENT_USER\\\\Software\\\\WiesenTest\"\n"
                  "  key-absent \"HKEY_CURRENT_USER\\\\Software\\\\WiesenTest\\\\fehlt\"\n"
                  "  shortcut-present \"Wiesen-Test\"\n"
                  "  shortcut-absent \"Wiesen-Fehlt\"\n"),
              "");
    EXPECT_EQ(run("  key-absent \"HKEY_CURRENT_USER\\\\Software\\\\WiesenTest\"\n"),
              "machine.scn:2: the key \"HKEY_CURRENT_USER\\\\Software\\\\WiesenTest\" exists");
    EXPECT_EQ(run("  shortcut-present \"Wiesen-Fehlt\"\n"),
              "machine.scn:2: the shortcut \"Wiesen-Fehlt\" is missing");
    EXPECT_EQ(run("  key-present \"HKLM\\\\SOFTWARE\"\n"),
              "machine.scn:2: unknown registry root \"HKLM\"");
    DeleteFileA(shortcut);
    RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\WiesenTest");
}

} // namespace
