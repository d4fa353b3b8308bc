// The terminal front end's pictures of the program's dialogs at 100 x 40
// cells, compared with the committed screens in tests/native/screens. When a
// dialog changes on purpose, look at the new picture (written next to the
// build as <name>.actual.txt) and copy it over the committed one by hand.
#include "platform/posix/user/front_end.h"
#include "host/terminal_screen.h"
#include "platform/win32.h"
#include "shell/resource_ids.h"
#include "shell/run_setup.h"
#include "state/setup_state.h"
#include "shell/small_dialogs.h"
#include "system/profile_settings.h"
#include "tools/make-medium/medium.h"
#include "tests/support/package_files.h"
#include "tests/support/test_machine.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
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

// The row of the main dialog's buttons, from the first to the last, at
// 100 x 40 in a run of the setup that meets `steps` (one of them the main
// dialog's picture).
std::string MainDialogButtons(std::vector<Step> steps) {
    Photographer person(std::move(steps));
    dialogs::FrontEnd* previous = dialogs::SetFrontEnd(&person);
    RunSetup(platform_testing::ProgramInstance());
    dialogs::SetFrontEnd(previous);
    EXPECT_TRUE(person.failures.empty()) << person.failures.front();
    if (person.screens.size() != 1)
        return "no picture of the main dialog";
    const std::string& screen = person.screens[0].second;
    size_t at = screen.find("Abbrechen");
    if (at == std::string::npos)
        return screen;
    size_t start = screen.rfind('\n', at) + 1;
    std::string row = screen.substr(start, screen.find('\n', at) - start);
    size_t first = row.find_first_of("[<");
    return row.substr(first, row.find_last_of("]>") + 1 - first);
}

// At 100 x 40 the main dialog's buttons read whole, the default one marked:
// "Installieren" on a first run, "Deinstallieren" once the theme is
// installed.
TEST_F(TerminalScreens, TheMainDialogsButtonsReadWhole) {
    EXPECT_EQ(MainDialogButtons({{kDialogTerms, "", Alt('J')},
                                 {kDialogMain, "main", Key(VK_ESCAPE)},
                                 {kDialogAborted, "", Key(VK_RETURN)}}),
              "<Installieren >  [Deinstallieren]  [  Abbrechen  ]  [    Hilfe    ]");
}

TEST_F(TerminalScreens, TheMainDialogsButtonsReadWholeOnceInstalled) {
    ASSERT_EQ(ProfileSettings::Write("OldScreenSave", ""), 1);
    EXPECT_EQ(MainDialogButtons(
                  {{kDialogMain, "main", Key(VK_ESCAPE)}, {kDialogAborted, "", Key(VK_RETURN)}}),
              "[Installieren ]  <Deinstallieren>  [  Abbrechen  ]  [    Hilfe    ]");
}

// ---- Every label whole ----

// The picture's rows as cells.
std::vector<std::u32string> Rows(const terminal::Canvas& canvas) {
    std::vector<std::u32string> rows(static_cast<size_t>(canvas.height()));
    for (int y = 0; y < canvas.height(); ++y) {
        for (int x = 0; x < canvas.width(); ++x)
            rows[static_cast<size_t>(y)] += canvas.At(x, y).ch;
    }
    return rows;
}

bool IsWordCell(char32_t c) {
    return (c < 0x80 && isalnum(static_cast<int>(c))) || (c >= 0xC0 && c <= 0x24F);
}

// Whether `text` stands in the picture as a whole (not inside a longer
// word) where `around` accepts the cells left and right of it (the first
// other than a blank, or 0 at a row's end).
template <typename Around>
bool ShowsWhole(const std::vector<std::u32string>& rows, const std::u32string& text,
                Around around) {
    for (const std::u32string& row : rows) {
        for (size_t at = row.find(text); at != std::u32string::npos; at = row.find(text, at + 1)) {
            size_t end = at + text.size();
            if ((at > 0 && IsWordCell(text.front()) && IsWordCell(row[at - 1])) ||
                (end < row.size() && IsWordCell(text.back()) && IsWordCell(row[end])))
                continue;
            size_t left = row.find_last_not_of(U' ', at == 0 ? std::u32string::npos : at - 1);
            size_t right = row.find_first_not_of(U' ', end);
            if (around(at == 0 || left == std::u32string::npos ? 0 : row[left],
                       right == std::u32string::npos ? 0 : row[right]))
                return true;
        }
    }
    return false;
}

// The labels of `window` that the picture does not show whole: its caption;
// a push button's label between brackets ("<" and ">" the default one); a
// check box's label after its mark; every word of a static's text.
std::vector<std::string> CutLabels(HWND window, const std::vector<std::u32string>& rows) {
    auto anywhere = [](char32_t, char32_t) { return true; };
    std::vector<std::string> cut;
    std::string caption = terminal::WindowText(window);
    int none;
    if (!ShowsWhole(rows, U" " + terminal::MnemonicText(caption, false, &none) + U" ", anywhere))
        cut.push_back("caption " + caption);
    for (HWND control : dialogs::ControlsOf(window)) {
        DWORD style = dialogs::StyleOf(control);
        std::string text = terminal::WindowText(control);
        std::u32string label = terminal::MnemonicText(text, !(style & SS_NOPREFIX), &none);
        std::string name = std::to_string(GetDlgCtrlID(control)) + " \"" + text + "\"";
        if (dialogs::KindOf(control) == dialogs::Kind::Button) {
            DWORD type = style & BS_TYPEMASK;
            bool whole;
            if (type == BS_AUTOCHECKBOX || type == BS_CHECKBOX) {
                whole = ShowsWhole(rows, U"[x] " + label, anywhere) ||
                        ShowsWhole(rows, U"[ ] " + label, anywhere);
            } else if (type == BS_DEFPUSHBUTTON) {
                whole = ShowsWhole(rows, label,
                                   [](char32_t l, char32_t r) { return l == U'<' && r == U'>'; });
            } else {
                whole = ShowsWhole(rows, label,
                                   [](char32_t l, char32_t r) { return l == U'[' && r == U']'; });
            }
            if (!whole)
                cut.push_back("button " + name);
        } else if (dialogs::KindOf(control) == dialogs::Kind::Static &&
                   (style & SS_TYPEMASK) != SS_ICON) {
            for (std::u32string line : terminal::WrapText(label, 1 << 20)) {
                for (size_t start = 0; start < line.size();) {
                    size_t end = std::min(line.find(U' ', start), line.size());
                    if (end > start && !ShowsWhole(rows, line.substr(start, end - start), anywhere))
                        cut.push_back("static " + name);
                    start = end + 1;
                }
            }
        }
    }
    return cut;
}

// Takes a picture of the first window that waits, on a screen of the given
// size, notes the labels it does not show whole, and abandons the window.
class Snapshot : public dialogs::FrontEnd {
  public:
    Snapshot(int width, int height) : canvas(width, height) {}

    bool NextInput(HWND active, bool busy, dialogs::Input*) override {
        if (!busy && !taken) {
            terminal::View view;
            terminal::Picture picture;
            terminal::Draw(&canvas, &view, "", &picture);
            cut = CutLabels(active, Rows(canvas));
            taken = true;
        }
        return false;
    }
    void InputFailed(HWND, const dialogs::Input&, const std::string&) override {}

    // The width of the window's frame.
    int FrameWidth() const {
        for (const std::u32string& row : Rows(canvas)) {
            size_t left = row.find(U'\u250C');
            if (left != std::u32string::npos)
                return static_cast<int>(row.find(U'\u2510', left) - left + 1);
        }
        return 0;
    }

    terminal::Canvas canvas;
    bool taken = false;
    std::vector<std::string> cut;
};

INT_PTR CALLBACK PlainDialogProc(HWND, UINT message, WPARAM, LPARAM) {
    return message == WM_INITDIALOG;
}

// A dialog of the resource script as its template has it, on a screen of
// the given size.
Snapshot DialogPicture(int id, int width, int height) {
    Snapshot shot(width, height);
    dialogs::FrontEnd* previous = dialogs::SetFrontEnd(&shot);
    DialogBoxParamA(platform_testing::ProgramInstance(), MAKEINTRESOURCEA(id), nullptr,
                    PlainDialogProc, 0);
    dialogs::SetFrontEnd(previous);
    return shot;
}

TEST_F(TerminalScreens, EveryLabelOfEveryDialogShowsWholeAt100x40) {
    for (int id : {kDialogMain, kDialogHelp, kDialogInstallDone, kDialogUninstallDone,
                   kDialogAborted, kDialogTerms, kDialogWelcome, kDialogChooser,
                   kDialogDisketteOffer, kDialogDisketteCopy}) {
        Snapshot shot = DialogPicture(id, kWidth, kHeight);
        ASSERT_TRUE(shot.taken) << "dialog " << id;
        EXPECT_EQ(shot.cut, std::vector<std::string>()) << "dialog " << id << "\n"
                                                        << shot.canvas.ToText();
    }
    // The message boxes of the program, and one of every set of buttons.
    char question[400], format[200];
    LoadStringA(platform_testing::ProgramInstance(), kStringCreateQuestion, format, sizeof format);
    snprintf(question, sizeof question, format, "c:\\wiesenhain");
    const struct {
        int caption, text;
        const char* literal;
        UINT type;
    } boxes[] = {
        {kStringSetupCaption, kStringNotAbsolute, nullptr, MB_ICONERROR},
        {kStringSetupCaption, 0, question, MB_YESNO},
        {kStringSetupCaption, kStringCannotCreate, nullptr, MB_ICONERROR},
        {kStringDisketteCaption, kStringDisketteReadError, nullptr, MB_ICONERROR},
        {kStringDisketteCaption, kStringDisketteWriteError, nullptr, MB_ICONERROR},
        {kStringDisketteCaption, kStringDisketteDone, nullptr, MB_OK},
        {kStringSetupCaption, kStringRegistryFailed, nullptr, MB_OKCANCEL},
        {kStringSetupCaption, kStringCopyFailed, nullptr, MB_YESNOCANCEL | MB_DEFBUTTON2},
    };
    for (const auto& box : boxes) {
        char caption[200], text[400];
        LoadStringA(platform_testing::ProgramInstance(), box.caption, caption, sizeof caption);
        if (box.literal)
            snprintf(text, sizeof text, "%s", box.literal);
        else
            LoadStringA(platform_testing::ProgramInstance(), box.text, text, sizeof text);
        Snapshot shot(kWidth, kHeight);
        dialogs::FrontEnd* previous = dialogs::SetFrontEnd(&shot);
        MessageBoxA(nullptr, text, caption, box.type);
        dialogs::SetFrontEnd(previous);
        ASSERT_TRUE(shot.taken) << text;
        EXPECT_EQ(shot.cut, std::vector<std::string>()) << shot.canvas.ToText();
    }
}

// A window takes the narrowest width at which its labels show whole, within
// the screen; at the least its width at a quarter cell a dialog unit.
TEST_F(TerminalScreens, EachDialogTakesTheWidthItsLabelsNeed) {
    // The main dialog (275 units, 69 cells at the least) needs 85 cells for
    // "[Deinstallieren]" in a button of 50 units; a wider screen adds nothing.
    EXPECT_EQ(DialogPicture(kDialogMain, kWidth, kHeight).FrameWidth(), 87);
    EXPECT_EQ(DialogPicture(kDialogMain, 200, 60).FrameWidth(), 87);
    // A narrower screen gives what it has, and the labels that fit there.
    Snapshot narrow = DialogPicture(kDialogMain, 80, 34);
    EXPECT_EQ(narrow.FrameWidth(), 80);
    EXPECT_EQ(narrow.cut, std::vector<std::string>({"button 201 \"Deinstallieren\""}));
    EXPECT_NE(narrow.canvas.ToText().find(" Deinstallieren "), std::string::npos);
    // The terms' labels fit at the least width: it stays on every screen.
    EXPECT_EQ(DialogPicture(kDialogTerms, 200, 60).FrameWidth(), 60);
    EXPECT_EQ(DialogPicture(kDialogTerms, terminal::kMinWidth, terminal::kMinHeight).FrameWidth(),
              60);
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
