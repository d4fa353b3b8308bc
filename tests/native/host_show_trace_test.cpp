// The native host's views of a machine: "setup-host --show" on a fresh
// machine and after an install and an uninstall, and the change trace
// ("--trace FILE") of both runs. The host runs as its own process, driven by
// the scenario files of the program tests, on a medium of the demo set.
#include "tools/make-medium/medium.h"
#include "tests/native/shell_command.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdio.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

// Runs a shell command; its standard output (and error, with `withErrors`).
std::string RunCommand(const std::string& command, int* status, bool withErrors = false) {
    return RunShell(command + (withErrors ? " 2>&1" : ""), status);
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

// The index of the first line at or after `from` that starts with `prefix`,
// or -1.
int Find(const std::vector<std::string>& lines, const std::string& prefix, int from = 0) {
    for (int i = std::max(from, 0); i < static_cast<int>(lines.size()); ++i)
        if (lines[static_cast<size_t>(i)].rfind(prefix, 0) == 0)
            return i;
    return -1;
}

class HostViews : public ::testing::Test {
  protected:
    void SetUp() override {
        char pattern[] = "/tmp/wiesen-show-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        folder = pattern;
        machine = folder + "/machine";
        std::string medium = folder + "/medium";
        std::filesystem::create_directories(medium);
        std::ofstream(medium + "/setup.exe", std::ios::binary) << "MZ setup program";
        std::vector<medium::NamedFile> files = medium::DemoFiles();
        for (size_t i = 0; i < files.size(); ++i)
            std::ofstream(medium + "/" + medium::kPackages[i].package, std::ios::binary)
                << medium::Deflate(files[i].data);
    }
    void TearDown() override {
        std::error_code ec;
        std::filesystem::remove_all(folder, ec);
    }

    std::string Host(const std::string& arguments, int* status, bool withErrors = false) {
        return RunCommand(ShellQuote(WIESEN_SETUP_HOST) + " --machine " + ShellQuote(machine) +
                              " --medium " + ShellQuote(folder + "/medium") + " " + arguments,
                          status, withErrors);
    }
    std::string Show() {
        int status = 0;
        std::string out = RunCommand(ShellQuote(WIESEN_SETUP_HOST) + " --machine " +
                                         ShellQuote(machine) + " --show",
                                     &status);
        EXPECT_EQ(status, 0);
        return out;
    }
    // Plays a scenario of the program tests with the trace in a file; the
    // trace's lines.
    std::vector<std::string> Traced(const char* scenario) {
        std::string trace = folder + "/trace.txt";
        int status = 0;
        std::string out =
            Host("--trace " + ShellQuote(trace) + " --scenario " +
                     ShellQuote(std::string(WIESEN_SOURCE_DIR) + "/tests/scenarios/" + scenario),
                 &status, true);
        EXPECT_EQ(status, 0) << out;
        return Lines(ReadFile(trace));
    }

    std::string folder, machine;
};

const char kFreshMachine[] = R"(Machine
  Windows               32-bit

Desktop
  colour                0 128 128 (teal)
  wallpaper             (none)
  screen saver          (none), active

Cursors
  arrow (Arrow)             standard
  busy (Wait)               standard
  background (AppStarting)  standard

Desktop icons
  Computer              explorer.exe,0
  Network               C:\WINDOWS\SYSTEM\shell32.dll,17  (file missing)
  Recycle Bin           C:\WINDOWS\SYSTEM\shell32.dll,31  (file missing)
  Recycle Bin, empty    C:\WINDOWS\SYSTEM\shell32.dll,31  (file missing)
  Recycle Bin, full     C:\WINDOWS\SYSTEM\shell32.dll,32  (file missing)
  Recycle Bin sound     C:\WINDOWS\MEDIA\Papierkorb leeren.wav  (file missing)

control.ini [Wiesenhain]
  (no section)

Product key HKEY_LOCAL_MACHINE\SOFTWARE\Vorq\Wiesenhain
  (none)

Uninstall entry HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion\Uninstall\Wiesenhain-Scr
  (none)

Desktop shortcuts in C:\WINDOWS\Desktop
  (none)
)";

TEST_F(HostViews, AFreshMachine) {
    // Looking makes no machine.
    int status = 0;
    std::string out =
        RunCommand(ShellQuote(WIESEN_SETUP_HOST) + " --machine " + ShellQuote(machine) + " --show",
                   &status, true);
    EXPECT_NE(status, 0);
    EXPECT_NE(out.find("there is no machine in"), std::string::npos) << out;
    EXPECT_FALSE(std::filesystem::exists(machine));
    Host("--scenario /dev/null", &status, true); // the host makes a fresh machine
    EXPECT_EQ(Show(), kFreshMachine);
    // Looking changes nothing: the same again, and no trace of a change.
    EXPECT_EQ(Show(), kFreshMachine);
}

TEST_F(HostViews, AfterAnInstallAndAnUninstall) {
    std::vector<std::string> install = Traced("program-first-run.scn");
    std::string installed = Show();

    // The view of the installed theme, German texts in UTF-8.
    for (const char* line : {
             "  colour                0 0 0 (black)\n",
             "  wallpaper             C:\\WINDOWS\\wiesenhain.bmp, not tiled\n",
             "  screen saver          C:\\WINDOWS\\SYSTEM\\WIESEN~1.SCR, active\n",
             "  arrow (Arrow)             c:\\wiesenhain\\wiesenhain-cur-arrow.cur\n",
             "  busy (Wait)               c:\\wiesenhain\\wiesenhain-cur-wait.ani\n",
             "  background (AppStarting)  c:\\wiesenhain\\wiesenhain-cur-appstart.ani\n",
             "  Computer              c:\\wiesenhain\\wiesenhain.exe,0\n",
             "  Recycle Bin, full     c:\\wiesenhain\\wiesenhain.exe,3\n",
             "  Recycle Bin sound     c:\\wiesenhain\\wiesenhain.wav\n",
             "  Computer=explorer.exe,0\n",
             "  OldScreenSave=(none)\n",
             "  OldColor=8421376\n",
             "  OldTile=0\n",
             "  general\\\n",
             "    dir = \"c:\\wiesenhain\"\n",
             "    user = \"Rosengarten\"\n",
             "  DisplayName = \"Wiesenhain Bildschirmschoner\"\n",
             "  Wiesenhain.lnk\n",
             "    target              C:\\WINDOWS\\SYSTEM\\Wiesenhain.scr\n",
             "    arguments           (none)\n",
             "    working directory   (none)\n",
             "    icon                C:\\WINDOWS\\SYSTEM\\Wiesenhain.scr, index 0\n",
         })
        EXPECT_NE(installed.find(line), std::string::npos) << line << "\nin\n" << installed;
    // What the install put in place is there.
    EXPECT_EQ(installed.find("(file missing)"), std::string::npos) << installed;

    // The trace of the install: the changes in the order the install makes
    // them, each once.
    ASSERT_FALSE(install.empty());
    std::vector<std::string> milestones = {
        "directory: create C:\\wiesenhain",
        "file: copy D:\\setup.exe -> C:\\wiesenhain\\wiesenhain.exe",
        "file: create C:\\wiesenhain\\wiesenhain-cur-arrow.cur",
        "file: write C:\\wiesenhain\\wiesenhain-cur-arrow.cur (",
        "profile: write C:\\WINDOWS\\CONTROL.INI [Wiesenhain] OldColor=8421376",
        "profile: write C:\\WINDOWS\\CONTROL.INI [Wiesenhain] OldScreenSave=(none)",
        "registry: set value HKEY_CLASSES_ROOT\\CLSID\\{20D04FE0-3AEA-1069-A2D8-08002B30309D}"
        "\\DefaultIcon @ = \"c:\\wiesenhain\\wiesenhain.exe,0\"",
        "registry: set value HKEY_CURRENT_USER\\Control Panel\\Desktop \"TileWallpaper\" = \"0\"",
        "display: wallpaper \"C:\\WINDOWS\\wiesenhain.bmp\"",
        "display: desktop colour = 0 0 0",
        "display: cursor AppStarting = \"c:\\wiesenhain\\wiesenhain-cur-appstart.ani\"",
        "registry: set value HKEY_USERS\\.Default\\Control Panel\\Cursors \"Arrow\" = ",
        "display: screen saver active (saved)",
        "profile: write C:\\WINDOWS\\SYSTEM.INI [boot] "
        "SCRNSAVE.EXE=C:\\WINDOWS\\SYSTEM\\WIESEN~1.SCR",
        "shell: notify update item Computer",
        "shell: notify update directory Desktop",
        "registry: create key HKEY_LOCAL_MACHINE\\SOFTWARE\\Vorq",
        "registry: create key HKEY_LOCAL_MACHINE\\SOFTWARE\\Vorq\\Wiesenhain",
        "registry: set value HKEY_LOCAL_MACHINE\\SOFTWARE\\Vorq\\Wiesenhain\\general \"dir\" = "
        "\"c:\\wiesenhain\"",
        "registry: set value HKEY_LOCAL_MACHINE\\SOFTWARE\\Vorq\\Wiesenhain\\general \"2\" = dword",
        "registry: set value HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion"
        "\\Uninstall\\Wiesenhain-Scr \"UninstallString\" = \"C:\\WINDOWS\\wiesenhain-remove.exe\"",
        "shell: save link C:\\WINDOWS\\Desktop\\Wiesenhain.lnk -> "
        "\"C:\\WINDOWS\\SYSTEM\\Wiesenhain.scr\", icon \"C:\\WINDOWS\\SYSTEM\\Wiesenhain.scr\",0",
    };
    int at = 0;
    for (const std::string& milestone : milestones) {
        int found = Find(install, milestone, at);
        EXPECT_GE(found, 0) << "no \"" << milestone << "\" after line " << at;
        if (found >= 0)
            at = found;
    }
    // One line per change; every line names its area; nothing is read.
    for (const std::string& line : install) {
        EXPECT_TRUE(line.rfind("registry: ", 0) == 0 || line.rfind("profile: ", 0) == 0 ||
                    line.rfind("file: ", 0) == 0 || line.rfind("directory: ", 0) == 0 ||
                    line.rfind("display: ", 0) == 0 || line.rfind("shell: ", 0) == 0)
            << line;
    }
    EXPECT_EQ(std::count(install.begin(), install.end(),
                         "registry: create key HKEY_LOCAL_MACHINE\\SOFTWARE\\Vorq\\Wiesenhain"),
              1);

    // The uninstall puts the recorded values back and removes the rest.
    std::vector<std::string> uninstall = Traced("program-uninstall.scn");
    std::vector<std::string> undone = {
        "display: desktop colour = 0 128 128",
        "file: delete C:\\wiesenhain\\wiesenhain-cur-arrow.cur",
        "profile: remove section C:\\WINDOWS\\CONTROL.INI [Wiesenhain]",
        "registry: delete key HKEY_LOCAL_MACHINE\\SOFTWARE\\Vorq\\Wiesenhain\\general",
        "registry: delete key HKEY_LOCAL_MACHINE\\SOFTWARE\\Vorq",
        "registry: delete value HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion"
        "\\Uninstall\\Wiesenhain-Scr \"UninstallString\"",
        "file: delete C:\\WINDOWS\\Desktop\\Wiesenhain.lnk",
    };
    at = 0;
    for (const std::string& step : undone) {
        int found = Find(uninstall, step, at);
        EXPECT_GE(found, 0) << "no \"" << step << "\" after line " << at;
        if (found >= 0)
            at = found;
    }
    EXPECT_EQ(Find(uninstall, "file: create"), -1);
    EXPECT_NE(std::find(uninstall.begin(), uninstall.end(),
                        "registry: delete key HKEY_LOCAL_MACHINE\\SOFTWARE\\Vorq"),
              uninstall.end());

    // Everything the install did shows no more, except what Windows 95 had
    // no value for before (the tiling, the sound).
    std::string after = Show();
    EXPECT_NE(after.find("  colour                0 128 128 (teal)\n"), std::string::npos) << after;
    EXPECT_NE(after.find("  arrow (Arrow)             standard\n"), std::string::npos) << after;
    EXPECT_NE(after.find("control.ini [Wiesenhain]\n  (no section)\n"), std::string::npos);
    EXPECT_NE(after.find("Wiesenhain\n  (none)\n"), std::string::npos) << after;
    EXPECT_NE(after.find("Desktop shortcuts in C:\\WINDOWS\\Desktop\n  (none)\n"),
              std::string::npos);
}

// On a 64-bit Windows machine the setup runs under WOW64: the view shows
// what 64-bit Windows reads (the screen saver in the native system
// directory, the icons of the 64-bit registry view), the trace where each
// change went.
TEST_F(HostViews, A64BitMachine) {
    int status = 0;
    std::string out = Host(
        "--architecture x64 --trace " + ShellQuote(folder + "/trace.txt") + " --scenario " +
            ShellQuote(std::string(WIESEN_SOURCE_DIR) + "/tests/scenarios/program-first-run.scn"),
        &status, true);
    ASSERT_EQ(status, 0) << out;
    std::vector<std::string> install = Lines(ReadFile(folder + "/trace.txt"));
    for (const char* line : {
             "file: create C:\\WINDOWS\\Sysnative\\Wiesenhain.scr",
             "registry: set value HKEY_CLASSES_ROOT\\CLSID\\{20D04FE0-3AEA-1069-A2D8-08002B30309D}"
             "\\DefaultIcon @ = \"c:\\wiesenhain\\wiesenhain.exe,0\"",
             "profile: write C:\\WINDOWS\\SYSTEM.INI [boot] "
             "SCRNSAVE.EXE=C:\\WINDOWS\\SYSTEM32\\WIESEN~1.SCR",
             "registry: create key HKEY_LOCAL_MACHINE\\SOFTWARE\\Wow6432Node\\Vorq\\Wiesenhain",
         })
        EXPECT_NE(std::find(install.begin(), install.end(), line), install.end()) << line;
    std::string installed = Show();
    std::string shown = installed.substr(0, installed.find("Desktop icons of 32-bit programs"));
    for (const char* line : {
             "Machine\n  Windows               64-bit; the setup runs under WOW64\n",
             "  screen saver          C:\\WINDOWS\\SYSTEM32\\WIESEN~1.SCR, active\n",
             "  Computer              c:\\wiesenhain\\wiesenhain.exe,0\n",
         })
        EXPECT_NE(shown.find(line), std::string::npos) << line << "\nin\n" << installed;
    EXPECT_EQ(shown.find("(file missing)"), std::string::npos) << installed;
    EXPECT_NE(installed.find("Desktop icons of 32-bit programs (not shown by Explorer)\n"
                             "  Computer              C:\\WINDOWS\\SysWOW64\\explorer.exe,0"),
              std::string::npos)
        << installed;
    EXPECT_NE(installed.find("Product key HKEY_LOCAL_MACHINE\\SOFTWARE\\Vorq\\Wiesenhain "
                             "(32-bit view)\n  general\\\n"),
              std::string::npos)
        << installed;

    std::vector<std::string> uninstall = Traced("program-uninstall.scn");
    EXPECT_NE(std::find(uninstall.begin(), uninstall.end(),
                        "file: delete C:\\WINDOWS\\Sysnative\\Wiesenhain.scr"),
              uninstall.end());
    EXPECT_NE(Show().find("  Computer              explorer.exe,0\n"), std::string::npos);
    // The machine is what it was made: no other architecture on it.
    out = Host("--architecture x86 --scenario /dev/null", &status, true);
    EXPECT_NE(status, 0);
    EXPECT_NE(out.find("is an x64 machine"), std::string::npos) << out;
}

// A Windows 10 machine (--windows 10): the screen saver goes to the user's
// registry, the theme's sound to the user too, and the uninstall gives the
// user's REG_EXPAND_SZ scheme back.
TEST_F(HostViews, AWindows10Machine) {
    int status = 0;
    std::string out = Host(
        "--windows 10 --trace " + ShellQuote(folder + "/trace.txt") + " --scenario " +
            ShellQuote(std::string(WIESEN_SOURCE_DIR) + "/tests/scenarios/program-first-run.scn"),
        &status, true);
    ASSERT_EQ(status, 0) << out;
    std::vector<std::string> install = Lines(ReadFile(folder + "/trace.txt"));
    for (const char* line : {
             "registry: set value HKEY_CURRENT_USER\\Control Panel\\Desktop \"SCRNSAVE.EXE\" = "
             "\"C:\\WINDOWS\\SYSTEM32\\WIESEN~1.SCR\"",
             "registry: set value HKEY_CURRENT_USER\\AppEvents\\Schemes\\Apps\\Explorer\\"
             "EmptyRecycleBin\\.current @ = \"c:\\wiesenhain\\wiesenhain.wav\"",
         })
        EXPECT_NE(std::find(install.begin(), install.end(), line), install.end())
            << line << "\nin\n"
            << ReadFile(folder + "/trace.txt");
    EXPECT_NE(Show().find("Machine\n  Windows               Windows 10, 32-bit\n"),
              std::string::npos);
    std::vector<std::string> uninstall = Traced("program-uninstall.scn");
    const char* arrow = "registry: set value HKEY_CURRENT_USER\\Control Panel\\Cursors \"Arrow\" = "
                        "\"%SystemRoot%\\cursors\\aero_arrow.cur\" (REG_EXPAND_SZ)";
    EXPECT_NE(std::find(uninstall.begin(), uninstall.end(), arrow), uninstall.end()) << arrow;
    out = Host("--windows 95 --scenario /dev/null", &status, true);
    EXPECT_NE(status, 0);
    EXPECT_NE(out.find("is a Windows 10 machine"), std::string::npos) << out;
}

TEST_F(HostViews, TheTraceGoesToStandardErrorOrRefusesAFileItCannotWrite) {
    int status = 0;
    std::string out = Host(
        "--trace --scenario " +
            ShellQuote(std::string(WIESEN_SOURCE_DIR) + "/tests/scenarios/program-first-run.scn") +
            " 2>&1 >/dev/null",
        &status);
    EXPECT_EQ(status, 0) << out;
    EXPECT_NE(out.find("\nshell: save link C:\\WINDOWS\\Desktop\\Wiesenhain.lnk"),
              std::string::npos)
        << out;
    out = Host("--trace " + ShellQuote(folder + "/no/such/dir/trace.txt") + " --scenario x.scn",
               &status, true);
    EXPECT_NE(status, 0);
    EXPECT_NE(out.find("cannot write the trace to"), std::string::npos) << out;
    out = RunCommand(ShellQuote(WIESEN_SETUP_HOST) + " --show --trace", &status, true);
    EXPECT_NE(status, 0);
    EXPECT_NE(out.find("--show runs alone"), std::string::npos) << out;
}

} // namespace
