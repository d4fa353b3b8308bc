// The terminal front end's pictures of the program's dialogs at 100 x 40
// cells, compared with the committed screens in tests/native/screens. When a
// dialog changes on purpose, look at the new picture (written next to the
// build as <name>.actual.txt) and copy it over the committed one by hand.
#include "platform/posix/user/front_end.h"
#include "host/terminal_screen.h"
#include "platform/win32.h"
#include "shell/run_setup.h"
#include "state/setup_state.h"
#include "shell/small_dialogs.h"
#include "tools/make-medium/medium.h"
#include "tests/support/package_files.h"
#include "tests/support/test_machine.h"

#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr int kWidth = 100;
constexpr int kHeight = 40;

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// Compares a picture with tests/native/screens/<name>.txt.
void ExpectScreen(const std::string& name, const std::string& actual) {
    std::string expected =
        ReadFile(std::string(WIESEN_SOURCE_DIR) + "/tests/native/screens/" + name + ".txt");
    if (expected != actual) {
        std::ofstream(name + ".actual.txt", std::ios::binary) << actual;
        ADD_FAILURE() << "screen " << name << " differs (see " << name
                      << ".actual.txt in the test's directory):\n"
                      << actual;
    }
}

std::string Picture(terminal::View* view, const std::string& hint = "") {
    terminal::Canvas canvas(kWidth, kHeight);
    terminal::Picture picture;
    terminal::Draw(&canvas, view, hint, &picture);
    return canvas.ToText();
}

// A person who takes a picture of every window that waits, then gives the
// next input of the list.
struct Step {
    int dialog;         // the waiting window's template (0: a message box)
    std::string screen; // picture name, "" for none
    dialogs::Input input;
};

class Photographer : public dialogs::FrontEnd {
  public:
    explicit Photographer(std::vector<Step> steps) : steps_(std::move(steps)) {}

    bool NextInput(HWND active, bool busy, dialogs::Input* input) override {
        if (busy) {
            // The first picture of the work with a status text showing.
            HWND status = GetDlgItem(active, 203);
            if (!busyTaken && status && !terminal::WindowText(status).empty()) {
                screens.emplace_back("busy", Picture(&view, "Bitte warten ..."));
                busyTaken = true;
            }
            return false;
        }
        if (next_ >= steps_.size()) {
            failures.push_back("an unexpected window " +
                               std::to_string(dialogs::DialogIdOf(active)));
            return false;
        }
        const Step& step = steps_[next_++];
        if (dialogs::DialogIdOf(active) != step.dialog)
            failures.push_back("window " + std::to_string(dialogs::DialogIdOf(active)) +
                               " instead of " + std::to_string(step.dialog));
        if (!step.screen.empty())
            screens.emplace_back(step.screen, Picture(&view));
        *input = step.input;
        return true;
    }
    void InputFailed(HWND, const dialogs::Input&, const std::string& why) override {
        failures.push_back(why);
    }
    // What a terminal would repaint at once: the desktop and the main
    // dialog's status line.
    void ScreenChanged() override {
        terminal::Canvas canvas(kWidth, kHeight);
        terminal::Picture picture;
        terminal::Draw(&canvas, &view, "", &picture);
        shownDesktops.insert(picture.desktopColor);
        for (HWND window : dialogs::ModalWindows()) {
            HWND status = dialogs::DialogIdOf(window) == 100 ? GetDlgItem(window, 203) : nullptr;
            std::string text = status ? terminal::WindowText(status) : "";
            if (!text.empty() && (shownStatus.empty() || shownStatus.back() != text))
                shownStatus.push_back(text);
        }
    }

    terminal::View view;
    bool busyTaken = false;
    std::set<uint32_t> shownDesktops;
    std::vector<std::string> shownStatus;
    std::vector<std::pair<std::string, std::string>> screens;
    std::vector<std::string> failures;

  private:
    std::vector<Step> steps_;
    size_t next_ = 0;
};

dialogs::Input Key(int key) {
    dialogs::Input in;
    in.kind = dialogs::Input::Kind::Key;
    in.key = key;
    return in;
}
dialogs::Input Alt(char letter) {
    dialogs::Input in;
    in.kind = dialogs::Input::Kind::Key;
    in.alt = true;
    in.letter = letter;
    return in;
}
dialogs::Input Click(int control) {
    dialogs::Input in;
    in.kind = dialogs::Input::Kind::Click;
    in.control = control;
    return in;
}
dialogs::Input Type(int control, const std::string& text) {
    dialogs::Input in;
    in.kind = dialogs::Input::Kind::Type;
    in.control = control;
    in.text = text;
    return in;
}

class TerminalScreens : public MachineTest {};

TEST_F(TerminalScreens, TheDialogsOfACancelledSetup) {
    Photographer person({
        {400, "terms", Alt('J')},
        {100, "main", Type(212, "Gr\xFCn & Gold")},
        {100, "", Click(206)},
        {101, "help", Key(VK_RETURN)},
        {100, "main-typed", Click(213)},
        {1000, "chooser", Key(VK_ESCAPE)},
        {100, "", Click(202)},
        {104, "aborted", Key(VK_RETURN)},
    });
    dialogs::FrontEnd* previous = dialogs::SetFrontEnd(&person);
    RunSetup(platform_testing::ProgramInstance());
    dialogs::SetFrontEnd(previous);
    EXPECT_TRUE(person.failures.empty()) << person.failures.front();
    ASSERT_EQ(person.screens.size(), 6u);
    for (const auto& [name, screen] : person.screens)
        ExpectScreen(name, screen);
}

// The packages of a small installation medium in the current directory.
void PutMediumHere() {
    std::string cursor = medium::StaticCursor(0), animated = medium::AnimatedCursor(2, 0);
    using package_test::Deflate;
    using package_test::WriteWholeFile;
    ASSERT_TRUE(WriteWholeFile("setup.exe", "MZ" + package_test::TextLike(4096, 1)));
    ASSERT_TRUE(WriteWholeFile("wall.ppk", Deflate("BM" + package_test::RandomBytes(6000, 2))));
    for (const char* name : {"curstart.ppk", "curwait.ppk", "h256.ppk", "k256.ppk"})
        ASSERT_TRUE(WriteWholeFile(name, Deflate(animated)));
    ASSERT_TRUE(WriteWholeFile("curarrow.ppk", Deflate(cursor)));
    ASSERT_TRUE(WriteWholeFile("empty.ppk", Deflate(std::string("RIFF\x04\0\0\0WAVE", 12))));
    ASSERT_TRUE(WriteWholeFile("screen.ppk", Deflate("MZ" + package_test::RandomBytes(20000, 3))));
}

// Each test runs the setup at most once: the program unscrambles its stored
// texts in place once per run.
TEST_F(TerminalScreens, TheDialogsOfAnInstall) {
    PutMediumHere();
    Photographer install({
        {400, "", Alt('J')},
        {100, "", Click(200)},
        {0, "create-question", Key(VK_RETURN)},
        {1001, "diskette-offer", Alt('J')},
        {1002, "diskette-copy", Alt('S')},
        {102, "install-done", Key(VK_RETURN)},
        {406, "welcome", Key(VK_RETURN)},
    });
    dialogs::FrontEnd* previous = dialogs::SetFrontEnd(&install);
    RunSetup(platform_testing::ProgramInstance());
    EXPECT_TRUE(install.failures.empty()) << install.failures.front();
    dialogs::SetFrontEnd(previous);
    ASSERT_EQ(install.screens.size(), 6u);
    // The status line and the desktop repaint while the install runs,
    // pumping or not.
    EXPECT_EQ(install.shownDesktops, std::set<uint32_t>({RGB(0, 128, 128), RGB(0, 0, 0)}));
    EXPECT_EQ(install.shownStatus,
              std::vector<std::string>({"Kopiere Dateien", "\xC4ndere Systemeinstellungen"}));
    for (const auto& [name, screen] : install.screens)
        ExpectScreen(name, screen);
}

TEST_F(TerminalScreens, TheUninstallResult) {
    g_setup.instance = platform_testing::ProgramInstance();
    Photographer person({{103, "uninstall-done", Key(VK_RETURN)}});
    dialogs::FrontEnd* previous = dialogs::SetFrontEnd(&person);
    DialogBoxParamA(g_setup.instance, MAKEINTRESOURCEA(103), nullptr, UninstallDoneDialogProc, 0);
    dialogs::SetFrontEnd(previous);
    ResetSetupState();
    EXPECT_TRUE(person.failures.empty()) << person.failures.front();
    ASSERT_EQ(person.screens.size(), 1u);
    ExpectScreen("uninstall-done", person.screens[0].second);
}

TEST_F(TerminalScreens, MessageBoxAndTheHintLine) {
    Photographer person({{0, "message-box", Key(VK_ESCAPE)}});
    dialogs::FrontEnd* previous = dialogs::SetFrontEnd(&person);
    int answer = MessageBoxA(nullptr, "Das Verzeichnis existiert nicht.\nSoll es angelegt werden?",
                             "Setup Wiesenhain", MB_YESNOCANCEL | MB_DEFBUTTON2);
    dialogs::SetFrontEnd(previous);
    EXPECT_EQ(answer, IDCANCEL);
    ASSERT_EQ(person.screens.size(), 1u);
    ExpectScreen("message-box", person.screens[0].second);
}

// The desktop behind the dialogs is the emulated one: its colour (the
// nearest terminal colour) and its wallpaper by name and layout, both as they
// change while the program runs.
TEST_F(TerminalScreens, TheDesktopFollowsTheDisplay) {
    auto draw = [](terminal::Picture* picture) {
        terminal::Canvas canvas(kWidth, kHeight);
        terminal::View view;
        terminal::Draw(&canvas, &view, "", picture);
        std::string text = canvas.ToText();
        return text.substr(0, text.find('\n'));
    };
    terminal::Picture picture;
    EXPECT_EQ(draw(&picture), "");
    EXPECT_EQ(picture.desktopColor, RGB(0, 128, 128));

    HKEY key;
    ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, "Control Panel\\Desktop", &key), ERROR_SUCCESS);
    RegSetValueExA(key, "TileWallpaper", 0, REG_SZ, reinterpret_cast<const BYTE*>("1"), 2);
    char wallpaper[] = "C:\\WINDOWS\\Gr\xFCn.bmp";
    SystemParametersInfoA(SPI_SETDESKWALLPAPER, 0, wallpaper, 0);
    INT element = COLOR_BACKGROUND;
    COLORREF dark = RGB(20, 10, 100);
    SetSysColors(1, &element, &dark);
    EXPECT_EQ(draw(&picture), "  Hintergrundbild: Gr\u00FCn.bmp, nebeneinander");
    EXPECT_EQ(picture.desktopColor, dark);
    EXPECT_EQ(terminal::NearestColor(dark, 16), 4); // navy
    EXPECT_FALSE(terminal::IsLightColor(4));

    // The tiling is taken when the wallpaper is set, as the desktop does.
    RegSetValueExA(key, "TileWallpaper", 0, REG_SZ, reinterpret_cast<const BYTE*>("0"), 2);
    EXPECT_EQ(draw(&picture), "  Hintergrundbild: Gr\u00FCn.bmp, nebeneinander");
    SystemParametersInfoA(SPI_SETDESKWALLPAPER, 0, wallpaper, 0);
    EXPECT_EQ(draw(&picture), "  Hintergrundbild: Gr\u00FCn.bmp, zentriert");
    RegCloseKey(key);
    SystemParametersInfoA(SPI_SETDESKWALLPAPER, 0, const_cast<char*>(""), 0);
    EXPECT_EQ(draw(&picture), "");

    // Eight-colour terminals get the nearest of the dark eight.
    EXPECT_EQ(terminal::NearestColor(RGB(250, 240, 10), 8), 3);   // olive
    EXPECT_EQ(terminal::NearestColor(RGB(250, 240, 10), 16), 11); // yellow
    EXPECT_TRUE(terminal::IsLightColor(11));
    EXPECT_EQ(terminal::NearestColor(RGB(192, 192, 192), 16), 7);
}

TEST(TerminalScreen, TooSmallAScreenSaysSoInsteadOfDrawing) {
    terminal::Canvas canvas(60, 20);
    terminal::View view;
    terminal::Picture picture;
    terminal::Draw(&canvas, &view, "", &picture);
    EXPECT_TRUE(picture.tooSmall);
    EXPECT_NE(canvas.ToText().find("zu klein: mindestens 76 x 34"), std::string::npos);
    EXPECT_TRUE(picture.hits.empty());
}

TEST(TerminalScreen, MnemonicsAndWrapping) {
    int mnemonic;
    EXPECT_EQ(terminal::MnemonicText("Durch&suchen", true, &mnemonic), U"Durchsuchen");
    EXPECT_EQ(mnemonic, 5);
    EXPECT_EQ(terminal::MnemonicText("A && B &Schlie\xDF"
                                     "en",
                                     true, &mnemonic),
              U"A & B Schlie\u00DFen");
    EXPECT_EQ(mnemonic, 6);
    EXPECT_EQ(terminal::MnemonicText("A &B", false, &mnemonic), U"A &B");
    EXPECT_EQ(mnemonic, -1);
    EXPECT_EQ(terminal::MnemonicText("\x80 \x9F", false, &mnemonic), U"\u20AC \u0178");

    using Lines = std::vector<std::u32string>;
    EXPECT_EQ(terminal::WrapText(U"eins zwei drei\r\n\r\nvier", 9),
              Lines({U"eins zwei", U"drei", U"", U"vier"}));
    EXPECT_EQ(terminal::WrapText(U"Diskettenkopie", 5), Lines({U"Diske", U"ttenk", U"opie"}));
    EXPECT_EQ(terminal::WrapText(U"", 5), Lines({U""}));
}

} // namespace
