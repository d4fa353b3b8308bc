// Control behaviour the program relies on, checked inside a dialog on both
// targets (natively the emulation, on Windows Wine's controls).
#include "platform/testing.h"
#include "platform/win32.h"

#include <gtest/gtest.h>
#include <string.h>
#include <string>
#include <vector>

namespace {

// Runs `checks` inside WM_INITDIALOG of template `id` and ends the dialog
// there, so no window is shown and no input is needed.
void (*g_checks)(HWND);
INT_PTR CALLBACK CheckingProc(HWND dialog, UINT message, WPARAM, LPARAM) {
    if (message == WM_INITDIALOG) {
        g_checks(dialog);
        EndDialog(dialog, 42);
        return TRUE;
    }
    return FALSE;
}

void InDialog(int id, void (*checks)(HWND)) {
    g_checks = checks;
    INT_PTR result = 0;
    EXPECT_EQ(platform_testing::RunScenario("", "no-window",
                                            [&] {
                                                result = DialogBoxParamA(
                                                    platform_testing::ProgramInstance(),
                                                    MAKEINTRESOURCEA(id), nullptr, CheckingProc, 0);
                                            }),
              "");
    EXPECT_EQ(result, 42);
}

std::vector<std::string> Entries(HWND dialog, int id) {
    std::vector<std::string> out;
    LRESULT count = SendDlgItemMessageA(dialog, id, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        char text[64] = "";
        SendDlgItemMessageA(dialog, id, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text));
        out.push_back(text);
    }
    return out;
}

TEST(DialogControls, SortedListBoxOrdersDirectoryEntries) {
    InDialog(1000, [](HWND dialog) {
        for (const char* entry :
             {"[spiele]", "[-c-]", "[..]", "[-a-]", "[Alpha]", "[windows]", "[_x]", "[1999]"})
            SendDlgItemMessageA(dialog, 201, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry));
        // Hyphens do not count; punctuation, digits, letters; case-blind.
        std::vector<std::string> want = {"[..]",    "[_x]",  "[1999]",   "[-a-]",
                                         "[Alpha]", "[-c-]", "[spiele]", "[windows]"};
        EXPECT_EQ(Entries(dialog, 201), want);
        EXPECT_EQ(SendDlgItemMessageA(dialog, 201, LB_GETCURSEL, 0, 0), LB_ERR);
        SendDlgItemMessageA(dialog, 201, LB_RESETCONTENT, 0, 0);
        EXPECT_EQ(SendDlgItemMessageA(dialog, 201, LB_GETCOUNT, 0, 0), 0);
        char text[8] = "x";
        EXPECT_EQ(SendDlgItemMessageA(dialog, 201, LB_GETTEXT, 0, reinterpret_cast<LPARAM>(text)),
                  LB_ERR);
    });
}

TEST(DialogControls, TextsAreCopiedWithinTheCapacity) {
    InDialog(100, [](HWND dialog) {
        SetDlgItemTextA(dialog, 211, "c:\\wiesenhain");
        char small[6];
        memset(small, 'x', sizeof small);
        EXPECT_EQ(GetDlgItemTextA(dialog, 211, small, sizeof small), 5u);
        EXPECT_STREQ(small, "c:\\wi");
        char text[64];
        EXPECT_EQ(GetDlgItemTextA(dialog, 211, text, sizeof text), 13u);
        EXPECT_EQ(GetDlgItemTextA(dialog, 4711, text, sizeof text), 0u);
        EXPECT_STREQ(text, "");
        // The limit applies to typing, not to texts the program sets.
        SendDlgItemMessageA(dialog, 212, EM_LIMITTEXT, 3, 0);
        SetDlgItemTextA(dialog, 212, "Wiese");
        EXPECT_EQ(GetDlgItemTextA(dialog, 212, text, sizeof text), 5u);
    });
}

TEST(DialogControls, EnablingAndCheckBoxes) {
    InDialog(100, [](HWND dialog) {
        HWND uninstall = GetDlgItem(dialog, 201);
        EXPECT_FALSE(IsWindowEnabled(uninstall));        // disabled in the template
        EXPECT_NE(EnableWindow(uninstall, TRUE), FALSE); // was disabled
        EXPECT_TRUE(IsWindowEnabled(uninstall));
        EXPECT_EQ(EnableWindow(uninstall, FALSE), FALSE); // was enabled
        EXPECT_EQ(IsDlgButtonChecked(dialog, 208), static_cast<UINT>(BST_UNCHECKED));
        CheckDlgButton(dialog, 208, BST_CHECKED);
        EXPECT_EQ(IsDlgButtonChecked(dialog, 208), static_cast<UINT>(BST_CHECKED));
        EXPECT_EQ(SendDlgItemMessageA(dialog, 208, BM_GETCHECK, 0, 0), BST_CHECKED);
        EXPECT_EQ(GetDlgCtrlID(GetDlgItem(dialog, 213)), 213);
        EXPECT_EQ(GetDlgItem(dialog, 4711), nullptr);
    });
}

TEST(DialogControls, DialogUnitsBecomePixelsThroughTheFont) {
    InDialog(101, [](HWND dialog) {
        RECT ok, text;
        GetWindowRect(GetDlgItem(dialog, 1), &ok);
        GetWindowRect(GetDlgItem(dialog, 200), &text);
        // x: 4 dialog units are 6 pixels (the font's average character);
        // y: 8 dialog units are the character height, 13 pixels for
        // MS Sans Serif 8 on Windows, 12 for the font Wine puts in its place.
        EXPECT_EQ(ok.right - ok.left, 75);   // 50 units
        EXPECT_EQ(ok.left - text.left, 105); // 78 - 8 units
        int height = ok.bottom - ok.top;     // 14 units
        EXPECT_TRUE(height == 23 || height == 21) << height;
        int baseY = height == 23 ? 13 : 12;
        auto py = [&](int units) { return (units * baseY * 2 + 8) / 16; }; // rounded
        EXPECT_EQ(ok.top - text.top, py(165) - py(4));
    });
}

} // namespace
