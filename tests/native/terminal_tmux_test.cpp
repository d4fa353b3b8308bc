// The native host in a real terminal: tmux runs setup-host in a detached
// 100 x 40 window, the test reads the screen with capture-pane and types
// with send-keys. Skipped when tmux is not installed.
#include "tools/make-medium/medium.h"
#include "tests/support/package_files.h"
#include "tests/native/shell_command.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <stdio.h>
#include <stdlib.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

class TmuxSession {
  public:
    TmuxSession() {
        static int count = 0;
        socket_ = "wiesen-test-" + std::to_string(getpid()) + "-" + std::to_string(++count);
        char pattern[] = "/tmp/wiesen-tmux-XXXXXX";
        folder_ = mkdtemp(pattern) ? pattern : "";
    }
    ~TmuxSession() {
        Tmux("kill-server");
        std::error_code ec;
        if (!folder_.empty())
            std::filesystem::remove_all(folder_, ec);
    }

    const std::string& folder() const { return folder_; }

    bool Start(const std::string& command) {
        int status = 0;
        RunShell("tmux -L " + socket_ + " -f /dev/null new-session -d -x 100 -y 40 -s setup " +
                     ShellQuote(command) + " 2>&1",
                 &status);
        return status == 0;
    }

    // The shell that runs the pane's command.
    std::string PanePid() {
        std::string pid =
            RunShell("tmux -L " + socket_ + " display-message -p -t setup '#{pane_pid}'");
        while (!pid.empty() && (pid.back() == '\n' || pid.back() == '\r'))
            pid.pop_back();
        return pid;
    }

    std::string Screen() {
        return RunShell("tmux -L " + socket_ + " capture-pane -p -t setup 2>&1");
    }
    // The screen with its colours as escape sequences.
    std::string ScreenInColour() {
        return RunShell("tmux -L " + socket_ + " capture-pane -e -p -t setup 2>&1");
    }

    // Waits up to ten seconds for `text` to show; the last screen either way.
    bool WaitFor(const std::string& text, std::string* screen) {
        for (int i = 0; i < 100; ++i) {
            *screen = Screen();
            if (screen->find(text) != std::string::npos)
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        return false;
    }

    // Clicks (twice: a double click) on the `offset`th cell of `text` on the
    // screen (the first after `after`), as an xterm reports the mouse (SGR
    // mode); false when the text does not show.
    bool ClickOn(const std::string& text, bool twice = false, int offset = 0,
                 const std::string& after = "") {
        std::string screen = Screen();
        size_t anchor = screen.find(after);
        if (anchor == std::string::npos)
            return false;
        size_t at = screen.find(text, anchor);
        if (at == std::string::npos)
            return false;
        size_t lineStart = screen.rfind('\n', at);
        lineStart = lineStart == std::string::npos ? 0 : lineStart + 1;
        int row = 1 + static_cast<int>(std::count(screen.begin(), screen.begin() + at, '\n'));
        int column = 1 + offset;
        for (size_t i = lineStart; i < at; ++i)
            column += (static_cast<unsigned char>(screen[i]) & 0xC0) != 0x80; // UTF-8 lead bytes
        std::string where = std::to_string(column) + ";" + std::to_string(row);
        for (int i = 0; i < (twice ? 2 : 1); ++i)
            Literal("\x1B[<0;" + where + "M\x1B[<0;" + where + "m");
        return true;
    }

    void Keys(const std::string& keys) { Tmux("send-keys -t setup " + keys); }
    void Literal(const std::string& text) { Tmux("send-keys -t setup -l " + ShellQuote(text)); }

  private:
    void Tmux(const std::string& arguments) {
        RunShell("tmux -L " + socket_ + " " + arguments + " >/dev/null 2>&1");
    }

    std::string socket_;
    std::string folder_;
};

// After the host: its exit status, and how many of the terminal modes
// "echo" and "icanon" are on again (2 when the terminal was restored).
const std::string kAfterHost =
    "; echo \"host ended: $?, terminal modes $(stty -a | tr ' ;' '\\n\\n' | grep -cx -e echo -e "
    "icanon)\"; sleep 30";

bool HaveTmux() {
    int status = 0;
    RunShell("command -v tmux >/dev/null 2>&1", &status);
    return status == 0;
}

// Skips the test where tmux is not installed.
#define SKIP_WITHOUT_TMUX()                                                                        \
    do {                                                                                           \
        if (!HaveTmux())                                                                           \
            GTEST_SKIP() << "tmux is not installed";                                               \
    } while (0)

// The setup host in a UTF-8 xterm, on a fresh machine in the session's
// folder, with the medium in folder `medium`.
std::string HostCommand(const TmuxSession& session, const std::string& medium) {
    return "env LANG=C.UTF-8 LC_ALL=C.UTF-8 TERM=xterm-256color " + ShellQuote(WIESEN_SETUP_HOST) +
           " --machine " + ShellQuote(session.folder() + "/machine") + " --medium " +
           ShellQuote(medium);
}

// Starts the host on an empty medium (the dialogs come, nothing can be
// installed), kAfterHost after it; false when the session has no folder or
// tmux no window.
bool StartOnEmptyMedium(TmuxSession& session) {
    if (session.folder().empty())
        return false;
    std::string medium = session.folder() + "/medium";
    std::filesystem::create_directories(medium);
    return session.Start(HostCommand(session, medium) + kAfterHost);
}

#define EXPECT_SHOWS(session, text)                                                                \
    do {                                                                                           \
        std::string screen_;                                                                       \
        EXPECT_TRUE((session).WaitFor(text, &screen_)) << "waiting for " << (text) << "\n"         \
                                                       << screen_;                                 \
    } while (0)

TEST(TerminalInTmux, TermsMainDialogTypingAndCancel) {
    SKIP_WITHOUT_TMUX();
    TmuxSession session;
    ASSERT_TRUE(StartOnEmptyMedium(session));

    EXPECT_SHOWS(session, "Verwendungsbedingungen");
    session.Keys("M-j"); // Alt+J: "&Ja"

    EXPECT_SHOWS(session, "Gartenname :");
    EXPECT_SHOWS(session, "W\u00E4hlen");
    EXPECT_SHOWS(session, "Themenpaket");

    // Alt+G focuses the garden name; typed umlauts arrive; a character
    // that code page 1252 cannot hold is refused with a note.
    session.Keys("M-g");
    session.Literal("Gr\u00FCn");
    EXPECT_SHOWS(session, "Gr\u00FCn___");
    session.Literal("\u0141");
    EXPECT_SHOWS(session, "Dieses Zeichen kann hier nicht eingegeben werden.");
    session.Keys("BSpace");
    EXPECT_SHOWS(session, "Gr\u00FC___");

    // Escape cancels: the aborted dialog comes, Enter ends it.
    session.Keys("Escape");
    EXPECT_SHOWS(session, "Die Installation wurde abgebrochen.");
    session.Keys("Enter");
    EXPECT_SHOWS(session, "host ended: 0, terminal modes 2");
}

TEST(TerminalInTmux, AKillSignalGivesTheTerminalBack) {
    SKIP_WITHOUT_TMUX();
    TmuxSession session;
    ASSERT_FALSE(session.folder().empty());
    ASSERT_TRUE(session.Start(HostCommand(session, session.folder()) + kAfterHost));
    EXPECT_SHOWS(session, "Verwendungsbedingungen");
    std::string shell = session.PanePid();
    ASSERT_FALSE(shell.empty());
    std::string host = RunShell("pgrep -P " + shell + " | head -n 1");
    ASSERT_FALSE(host.empty());
    RunShell("kill -TERM " + host);
    EXPECT_SHOWS(session, "host ended: 143, terminal modes 2");
    EXPECT_EQ(session.Screen().find("Verwendungsbedingungen"), std::string::npos);
}

// An installation medium: the setup program and the packages, raw deflate
// streams of small but real files (the cursors must be real cursor files
// for the cursor items to apply).
void MakeMedium(const std::string& folder) {
    std::filesystem::create_directories(folder);
    auto write = [&](const std::string& name, const std::string& data) {
        std::ofstream(folder + "/" + name, std::ios::binary) << data;
    };
    std::string cursor = medium::StaticCursor(0), animated = medium::AnimatedCursor(2, 0);
    write("setup.exe", "MZ" + package_test::TextLike(4096, 1));
    write("wall.ppk", package_test::Deflate("BM" + package_test::RandomBytes(60000, 2)));
    write("curstart.ppk", package_test::Deflate(animated));
    write("curwait.ppk", package_test::Deflate(animated));
    write("curarrow.ppk", package_test::Deflate(cursor));
    write("empty.ppk", package_test::Deflate(std::string("RIFF\x04\0\0\0WAVE", 12)));
    write("h256.ppk", package_test::Deflate(animated));
    write("k256.ppk", package_test::Deflate(animated));
    write("screen.ppk", package_test::Deflate("MZ" + package_test::RandomBytes(400000, 3)));
}

TEST(TerminalInTmux, InstallAndUninstall) {
    SKIP_WITHOUT_TMUX();
    TmuxSession session;
    ASSERT_FALSE(session.folder().empty());
    MakeMedium(session.folder() + "/medium");
    std::string command = HostCommand(session, session.folder() + "/medium");
    // With the trace: it goes to the machine folder, as standard error is
    // the terminal.
    ASSERT_TRUE(session.Start(command + " --trace" + kAfterHost));

    EXPECT_SHOWS(session, "Verwendungsbedingungen");
    // The desktop of a fresh machine: teal (cyan), no wallpaper.
    EXPECT_NE(session.ScreenInColour().find("\x1B[46m"), std::string::npos);
    session.Keys("M-j");
    EXPECT_SHOWS(session, "Gartenname :");
    session.Keys("M-g");
    session.Literal("M\u00FChlenweg");
    EXPECT_SHOWS(session, "M\u00FChlenweg_");
    session.Keys("M-i"); // "&Installieren"
    EXPECT_SHOWS(session, "erstellt werden ?");
    session.Keys("Enter"); // "&Ja"
    EXPECT_SHOWS(session, "Diskettenkopien");
    session.Keys("Enter"); // "&Nein", the default
    EXPECT_SHOWS(session, "Die Installation ist abgeschlossen.");
    EXPECT_SHOWS(session, "Sch\u00F6ne \"Wiesenhain\" !");
    // The theme is on the desktop behind the dialog: black, the wallpaper
    // by name.
    EXPECT_SHOWS(session, "Hintergrundbild: wiesenhain.bmp, zentriert");
    std::string colours = session.ScreenInColour();
    EXPECT_NE(colours.find("\x1B[40m"), std::string::npos);
    EXPECT_EQ(colours.find("\x1B[46m"), std::string::npos);
    session.Keys("Enter");
    EXPECT_SHOWS(session, "Liebe Pflanzenfreunde");
    session.Keys("Enter");
    EXPECT_SHOWS(session, "host ended: 0, terminal modes 2");
    EXPECT_TRUE(std::filesystem::exists(session.folder() + "/machine"));
    std::string trace = session.folder() + "/machine/trace.log";
    EXPECT_SHOWS(session, "the changes to the machine are in " + trace);
    std::ifstream log(trace);
    std::string line, last;
    int lines = 0;
    while (std::getline(log, line)) {
        last = line;
        ++lines;
    }
    EXPECT_GT(lines, 50);
    EXPECT_EQ(last.rfind("shell: save link C:\\WINDOWS\\Desktop\\Wiesenhain.lnk", 0), 0u) << last;

    // Again on the same machine: the uninstall is offered.
    TmuxSession again;
    ASSERT_TRUE(again.Start(command + kAfterHost));
    EXPECT_SHOWS(again, "Deinstallieren");
    std::string screen = again.Screen();
    EXPECT_EQ(screen.find("Verwendungsbedingungen"), std::string::npos);
    // The focus starts on "Abbrechen"; Tab goes on to "Deinstallieren".
    again.Keys("Tab");
    again.Keys("Enter");
    EXPECT_SHOWS(again, "\"Wiesenhain\" wurde erfolgreich");
    EXPECT_SHOWS(again, "deinstalliert.");
    again.Keys("Enter");
    EXPECT_SHOWS(again, "host ended: 0, terminal modes 2");
}

TEST(TerminalInTmux, TheMouse) {
    SKIP_WITHOUT_TMUX();
    TmuxSession session;
    ASSERT_TRUE(StartOnEmptyMedium(session));
    EXPECT_SHOWS(session, "Verwendungsbedingungen");
    EXPECT_TRUE(session.ClickOn("[      Ja      ]"));
    EXPECT_SHOWS(session, "[x] Hintergrundbild");
    EXPECT_TRUE(session.ClickOn("Hintergrundbild"));
    EXPECT_SHOWS(session, "[ ] Hintergrundbild");
    EXPECT_TRUE(session.ClickOn("Durchsuchen"));
    EXPECT_SHOWS(session, "[-c-]");
    // A double click enters the drive: its folders show.
    EXPECT_TRUE(session.ClickOn("[-c-]", true));
    EXPECT_SHOWS(session, "[WINDOWS]");
    // The chooser's close box, then the main dialog's: the setup just ends.
    EXPECT_TRUE(session.ClickOn("[\u00D7]", false, 1, "ein Verzeichnis aus"));
    EXPECT_SHOWS(session, "Omra \u00AE Themenpaket  \"Wiesenhain\""); // the chooser covered it
    std::string screen = session.Screen();
    EXPECT_EQ(screen.find("[WINDOWS]"), std::string::npos) << screen;
    EXPECT_TRUE(session.ClickOn("[\u00D7]"));
    EXPECT_SHOWS(session, "host ended: 0, terminal modes 2");
    EXPECT_EQ(session.Screen().find("abgebrochen"), std::string::npos);
}

TEST(TerminalInTmux, TheListBoxByKeyboard) {
    SKIP_WITHOUT_TMUX();
    TmuxSession session;
    ASSERT_TRUE(StartOnEmptyMedium(session));
    EXPECT_SHOWS(session, "Verwendungsbedingungen");
    session.Keys("M-j");
    EXPECT_SHOWS(session, "Gartenname");
    session.Keys("M-s"); // "Durch&suchen ..."
    EXPECT_SHOWS(session, "[-d-]");
    // Alt+V focuses the list; a key the terminal description does not know
    // (tmux's End) is dropped; Down and Up move the selection; Enter enters
    // the selected drive.
    session.Keys("M-v");
    session.Keys("End");
    session.Keys("Down Down Down Up");
    session.Keys("Enter");
    EXPECT_SHOWS(session, "[WINDOWS]");
    session.Keys("Escape");
    EXPECT_SHOWS(session, "Omra \u00AE Themenpaket  \"Wiesenhain\""); // the chooser covered it
    session.Keys("Escape");
    EXPECT_SHOWS(session, "Die Installation wurde abgebrochen.");
    session.Keys("Enter");
    EXPECT_SHOWS(session, "host ended: 0, terminal modes 2");
}

TEST(TerminalInTmux, NoTerminalGivesAClearMessage) {
    int status = 0;
    std::string out =
        RunShell("echo | " + ShellQuote(WIESEN_SETUP_HOST) + " --machine /tmp/wiesen-no-terminal-" +
                     std::to_string(getpid()) + " --medium /tmp 2>&1 | cat",
                 &status);
    EXPECT_NE(out.find("needs a terminal"), std::string::npos) << out;
    std::error_code ec;
    std::filesystem::remove_all("/tmp/wiesen-no-terminal-" + std::to_string(getpid()), ec);
}

TEST(TerminalInTmux, TooSmallATerminalGivesAClearMessage) {
    SKIP_WITHOUT_TMUX();
    TmuxSession session;
    ASSERT_FALSE(session.folder().empty());
    std::string command = "stty cols 60 rows 20; " + HostCommand(session, session.folder()) +
                          "; echo \"host ended: $?\"; sleep 30";
    ASSERT_TRUE(session.Start(command));
    EXPECT_SHOWS(session, "too small: 60 x 20");
    EXPECT_SHOWS(session, "host ended: 2");
}

} // namespace
