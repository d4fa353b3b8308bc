// The small dialogs, their texts and messages, driven by scenarios
// (tests/scenarios) the same way on both targets.
#include "platform/testing.h"
#include "platform/win32.h"
#include "resources/resource_ids.h"
#include "shell/small_dialogs.h"
#include "state/setup_state.h"
#include "system/dialog_support.h"
#include "tests/support/scenario_files.h"
#include "text/item_key_texts.h"

#include <gtest/gtest.h>
#include <string.h>
#include <string>

namespace {

class SmallDialogs : public ::testing::Test {
  protected:
    void SetUp() override {
        ResetSetupState();
        g_setup.instance = platform_testing::ProgramInstance();
    }
    void TearDown() override { ResetSetupState(); }

    INT_PTR Run(int id, DLGPROC proc) {
        return DialogBoxParamA(g_setup.instance, MAKEINTRESOURCEA(id), nullptr, proc, 0);
    }
};

TEST_F(SmallDialogs, HelpShowsItsTextAndEndsWithZero) {
    INT_PTR result = -5;
    EXPECT_EQ(RunScenarioFile("help.scn", [&] { result = Run(kDialogHelp, HelpDialogProc); }), "");
    EXPECT_EQ(result, 0);
    EXPECT_EQ(
        RunScenarioFile("help-escape.scn", [&] { result = Run(kDialogHelp, HelpDialogProc); }), "");
    EXPECT_EQ(result, 0);
}

TEST_F(SmallDialogs, ResultDialogsShowTheirTextsAndEndWithZero) {
    INT_PTR result = -5;
    EXPECT_EQ(RunScenarioFile("install-done.scn",
                              [&] { result = Run(kDialogInstallDone, InstallDoneDialogProc); }),
              "");
    EXPECT_EQ(result, 0);
    EXPECT_EQ(RunScenarioFile("uninstall-done.scn",
                              [&] { result = Run(kDialogUninstallDone, UninstallDoneDialogProc); }),
              "");
    EXPECT_EQ(result, 0);
}

TEST_F(SmallDialogs, AbortedDialogShowsTheTextOfTheErrorCode) {
    const struct {
        int code;
        const char* scenario;
    } cases[] = {
        {0, "aborted-none.scn"},       {1, "aborted-none.scn"},         {2, "aborted-copy.scn"},
        {4, "aborted-registry-4.scn"}, {10, "aborted-registry-10.scn"}, {11, "aborted-unpack.scn"},
        {12, "aborted-none.scn"},      {-3, "aborted-none.scn"},
    };
    for (const auto& c : cases) {
        g_setup.errorCode = c.code;
        INT_PTR result = -5;
        EXPECT_EQ(
            RunScenarioFile(c.scenario, [&] { result = Run(kDialogAborted, AbortedDialogProc); }),
            "")
            << "code " << c.code;
        EXPECT_EQ(result, 0);
    }
}

TEST_F(SmallDialogs, AbortedDialogWithADifferentTextIsReported) {
    g_setup.errorCode = 3;
    std::string error =
        RunScenarioFile("aborted-registry-4.scn", [&] { Run(kDialogAborted, AbortedDialogProc); });
    EXPECT_EQ(error.rfind("aborted-registry-4.scn:5: control 200 shows", 0), 0u) << error;
}

TEST_F(SmallDialogs, TermsIgnoreEnterAndEscapeAndEndWithTheButtonId) {
    INT_PTR result = -5;
    EXPECT_EQ(
        RunScenarioFile("terms-accept.scn", [&] { result = Run(kDialogTerms, TermsDialogProc); }),
        "");
    EXPECT_EQ(result, 201);
    EXPECT_EQ(
        RunScenarioFile("terms-decline.scn", [&] { result = Run(kDialogTerms, TermsDialogProc); }),
        "");
    EXPECT_EQ(result, 202);
}

TEST_F(SmallDialogs, TermsEndAtOnceWithZeroWhenTheirTextIsMissing) {
    g_setup.instance = platform_testing::InstanceWithoutTerms();
    ASSERT_NE(g_setup.instance, nullptr);
    INT_PTR result = -5;
    EXPECT_EQ(platform_testing::RunScenario("# no window shows\n", "missing-terms",
                                            [&] { result = Run(kDialogTerms, TermsDialogProc); }),
              "");
    EXPECT_EQ(result, 0);
}

TEST_F(SmallDialogs, WelcomeShowsItsTextAndEndsWithZero) {
    INT_PTR result = -5;
    EXPECT_EQ(
        RunScenarioFile("welcome.scn", [&] { result = Run(kDialogWelcome, WelcomeDialogProc); }),
        "");
    EXPECT_EQ(result, 0);
}

TEST_F(SmallDialogs, MissingTemplateGivesMinusOne) {
    EXPECT_EQ(
        platform_testing::RunScenario("", "none", [&] { EXPECT_EQ(Run(105, HelpDialogProc), -1); }),
        "");
}

// Records where a dialog stood right after it centred itself.
RECT g_placed;
INT_PTR CALLBACK RecordingInstallDone(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    INT_PTR handled = InstallDoneDialogProc(dialog, message, wParam, lParam);
    if (message == WM_INITDIALOG)
        GetWindowRect(dialog, &g_placed);
    return handled;
}

TEST_F(SmallDialogs, DialogsCentreThemselvesOnTheScreen) {
    g_placed = RECT{};
    EXPECT_EQ(
        RunScenarioFile("install-done.scn", [&] { Run(kDialogInstallDone, RecordingInstallDone); }),
        "");
    int w = g_placed.right - g_placed.left, h = g_placed.bottom - g_placed.top;
    EXPECT_GT(w, 153); // 153 dialog units are wider than 153 pixels
    EXPECT_GT(h, 112);
    EXPECT_EQ(g_placed.left, GetSystemMetrics(SM_CXSCREEN) / 2 - w / 2);
    EXPECT_EQ(g_placed.top, GetSystemMetrics(SM_CYSCREEN) / 2 - h / 2);
}

TEST_F(SmallDialogs, ResourceMessagesShowStringTableTexts) {
    int result = -5;
    EXPECT_EQ(RunScenarioFile(
                  "resource-message.scn",
                  [&] { result = ShowResourceMessage(nullptr, 1008, 1009, MB_OK | MB_ICONERROR); }),
              "");
    EXPECT_EQ(result, IDOK);
    // A missing string shows no box.
    EXPECT_EQ(platform_testing::RunScenario(
                  "", "none", [&] { result = ShowResourceMessage(nullptr, 1008, 1012, MB_OK); }),
              "");
    EXPECT_EQ(result, 0);
}

TEST_F(SmallDialogs, YesNoBoxesAnswerSixAndSeven) {
    int answers[3] = {0, 0, 0};
    EXPECT_EQ(RunScenarioFile("yes-no.scn",
                              [&] {
                                  const char* text =
                                      "Soll das Verzeichnis\n\nC:\\neu\n\n erstellt werden ?";
                                  for (int& answer : answers)
                                      answer = MessageBoxA(nullptr, text, "Setup 'Wiesenhain'",
                                                           MB_YESNO);
                              }),
              "");
    EXPECT_EQ(answers[0], IDYES);
    EXPECT_EQ(answers[1], IDNO);
    EXPECT_EQ(answers[2], IDCANCEL);
}

TEST(DialogTexts, ErrorTextsAreBoundedAndFollowTheTable) {
    g_setup.instance = platform_testing::ProgramInstance();
    char text[520];
    FormatErrorText(2, text, sizeof text);
    EXPECT_STREQ(text, "Die Installationsdateien konnten nicht kopiert werden.\nFehlercode : 2");
    FormatErrorText(1, text, sizeof text);
    EXPECT_STREQ(text, "");
    char small[12];
    memset(small, 'x', sizeof small);
    FormatErrorText(11, small, sizeof small);
    EXPECT_STREQ(small, "Eine Instal");
    ResetSetupState();
}

// Fills the stack below the caller with a pattern, so that a buffer of the
// next call that nothing sets shows it.
__attribute__((noinline)) void PaintStack() {
    volatile char block[4096];
    for (size_t i = 0; i < sizeof block; ++i)
        block[i] = 'X';
}

// Strings that cannot be loaded are left out of the text, whatever their
// buffers held before.
TEST(DialogTexts, ErrorTextLeavesOutStringsThatCannotBeLoaded) {
    g_setup.instance = platform_testing::ProgramInstance();
    if (!platform_testing::FailStringLoads(true))
        GTEST_SKIP() << "LoadStringA cannot be made to fail here";
    char text[520];
    PaintStack();
    FormatErrorText(11, text, sizeof text);
    platform_testing::FailStringLoads(false);
    EXPECT_STREQ(text, "\n11");
    ResetSetupState();
}

TEST(DialogTexts, ResourceTextCopiesTheDataWithATerminator) {
    ResourceText text(platform_testing::ProgramInstance(), 1006);
    ASSERT_FALSE(text.IsEmpty());
    EXPECT_EQ(text.Size(), strlen(text.Text()));
    EXPECT_EQ(text.Text()[text.Size() - 1], '\n');
    ResourceText missing(platform_testing::ProgramInstance(), 4711);
    EXPECT_TRUE(missing.IsEmpty());
    EXPECT_EQ(missing.Size(), 0u);
}

TEST(DialogTexts, UnscrambleStopsAfterTheTerminatorAndNeverPassesTheText) {
    constexpr auto stored = ScrambleText("Wiese", 0x37, 5);
    char copy[sizeof stored.bytes + 3];
    memcpy(copy, stored.bytes, sizeof stored.bytes);
    memcpy(copy + sizeof stored.bytes, "abc", 3);
    UnscrambleText(copy, sizeof stored.bytes, 0x37, 5);
    EXPECT_STREQ(copy, "Wiese");
    EXPECT_EQ(memcmp(copy + sizeof stored.bytes, "abc", 3), 0);

    // A first byte equal to the start value gives the empty text.
    char empty[3] = {0x37, 0x50, 0x60};
    UnscrambleText(empty, sizeof empty, 0x37, 3);
    EXPECT_EQ(empty[0], 0);
    EXPECT_EQ(empty[1], 0x50); // the walk stopped

    // Period 1 reduces every byte by the start value.
    char one[3] = {0x45, 0x46, 0x10};
    UnscrambleText(one, sizeof one, 0x10, 1);
    EXPECT_STREQ(one, "56");

    // No byte becomes zero: the walk ends at the stored length, and the
    // text is terminated inside it.
    char guard[6] = {'z', 'z', 'z', 'z', 'G', 'G'};
    UnscrambleText(guard, 4, 1, 1);
    EXPECT_EQ(std::string(guard), "yyy");
    EXPECT_EQ(guard[4], 'G');
}

TEST(DialogTexts, StoredKeyTextsUnscrambleToTheRegistryPaths) {
    const struct {
        const StoredText* stored;
        const char* plain;
    } texts[] = {
        {&IconKeyPrefix, "CLSID\\{"},
        {&IconKeySuffix, "}\\DefaultIcon"},
        {&DesktopKeyPath, "Control Panel\\Desktop"},
        {&ColorsKeyPath, "Control Panel\\Colors"},
    };
    // The items' Prepare unscrambles in place, once per process: after an
    // earlier test of this process (on Windows all tests share one) the
    // stored form is gone and only its plain text is left to compare.
    std::string plainAlready;
    for (const auto& t : texts) {
        if (strncmp(t.stored->text, t.plain, t.stored->length) == 0) {
            plainAlready += std::string(" \"") + t.plain + "\"";
            continue;
        }
        std::string copy(t.stored->text, t.stored->length);
        EXPECT_NE(copy.substr(0, strlen(t.plain)), t.plain); // stored, not plain
        UnscrambleText(copy.data(), copy.size(), kItemKeyScrambleStart, kItemKeyScramblePeriod);
        EXPECT_STREQ(copy.c_str(), t.plain);
    }
    if (!plainAlready.empty())
        GTEST_SKIP() << "unscrambled in place by an earlier test of this process, so their "
                        "stored form went unchecked:"
                     << plainAlready;
}
} // namespace
