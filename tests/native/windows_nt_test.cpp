// The emulated Windows 10 machine (platform/posix/kernel/windows_nt.h): its
// record in machine.ini, the version, the environment, the registry and
// files of a fresh one, IniFileMapping, and NT's system cursors, each beside
// what the Windows 95 machine does there.
#include "platform/posix/kernel/machine.h"
#include "platform/posix/user/display_state.h"
#include "platform/win32.h"
#include "tests/support/package_files.h"
#include "tests/support/test_machine.h"
#include "tests/support/theme_machine.h"

#include <string.h>

#include <fstream>
#include <string>

using platform_testing::MachineFlavour;
using theme_test::RegValue;

namespace {

class Windows10 : public MachineTest {
  protected:
    void SetUp() override {
        flavour = MachineFlavour::Windows10;
        MachineTest::SetUp();
    }
};

class Windows95 : public MachineTest {};

std::string Expand(const char* text) {
    char buffer[MAX_PATH] = "";
    DWORD n = ExpandEnvironmentStringsA(text, buffer, sizeof buffer);
    return n > 0 && n <= sizeof buffer ? buffer : "<failed>";
}

std::string FileText(const char* path) {
    return package_test::ReadWholeFile(path);
}

TEST_F(Windows10, IsRecordedInMachineIniAndKeptByAnExistingMachine) {
    std::string folder = machine::Folder(), error, text;
    ASSERT_TRUE(machine::ReadWholeFile(folder + "/machine.ini", &text));
    EXPECT_NE(text.find("windows=10"), std::string::npos) << text;
    EXPECT_NE(text.find("architecture=x64"), std::string::npos) << text;
    // Opened again without a choice, it stays what it was made.
    ASSERT_TRUE(machine::Open(folder, "", &error)) << error;
    EXPECT_EQ(machine::MachineWindows(), machine::Windows::Windows10);
    machine::Close();
    std::ofstream(folder + "/machine.ini") << "[machine]\r\nversion=1\r\nwindows=7\r\n";
    EXPECT_FALSE(machine::Open(folder, "", &error));
    EXPECT_NE(error.find("windows \"7\""), std::string::npos) << error;
    // A machine.ini that names no Windows is a Windows 95 machine's.
    std::ofstream(folder + "/machine.ini") << "[machine]\r\nversion=1\r\n";
    ASSERT_TRUE(machine::Open(folder, "", &error)) << error;
    EXPECT_EQ(machine::MachineWindows(), machine::Windows::Windows95);
}

TEST_F(Windows10, SaysNtAndExpandsItsEnvironment) {
    DWORD version = GetVersion();
    EXPECT_EQ(version & 0x80000000u, 0u) << "NT";
    EXPECT_EQ(version & 0xFF, 6u);
    EXPECT_EQ(Expand("%SystemRoot%\\cursors\\aero_arrow.cur"),
              "C:\\WINDOWS\\cursors\\aero_arrow.cur");
    EXPECT_EQ(Expand("%systemroot%|%WINDIR%|%SystemDrive%"), "C:\\WINDOWS|C:\\WINDOWS|C:");
    EXPECT_EQ(Expand("%NICHTDA%\\x|50%|%%"), "%NICHTDA%\\x|50%|%%");
    // Too small a buffer: the size needed, terminator included, and nothing
    // written past the buffer.
    char small[8] = "1234567";
    EXPECT_EQ(ExpandEnvironmentStringsA("%SystemRoot%\\x", small, 4), 13u);
    EXPECT_EQ(small[4], '5');
}

// A 32-bit Windows 10 has its system directory where NT has it.
TEST_F(Windows10, A32BitOneHasSystem32) {
    std::string folder = machine::Folder() + "/../x86", error;
    ASSERT_TRUE(
        machine::Open(folder, "", &error, machine::Architecture::X86, machine::Windows::Windows10))
        << error;
    EXPECT_EQ(theme_test::SystemDir(), "C:\\WINDOWS\\SYSTEM32\\");
    EXPECT_EQ(GetVersion() & 0x80000000u, 0u);
}

TEST_F(Windows95, SaysWindows95AndHasNoSystemRoot) {
    DWORD version = GetVersion();
    EXPECT_NE(version & 0x80000000u, 0u);
    EXPECT_EQ(version & 0xFF, 4u);
    EXPECT_EQ(Expand("%SystemRoot%|%windir%"), "%SystemRoot%|C:\\WINDOWS");
}

// What a fresh Windows 10 holds where the theme works: REG_EXPAND_SZ texts,
// the user's scheme and sound in keys of their own, the files they name.
TEST_F(Windows10, AFreshMachineHoldsWhatAFreshWindows10Holds) {
    std::string computer = theme_test::IconKey(theme_test::kComputerClass);
    EXPECT_EQ(RegValue(HKEY_CLASSES_ROOT, computer.c_str(), "", KEY_WOW64_64KEY),
              "expand:%SystemRoot%\\System32\\imageres.dll,-109");
    std::string bin = theme_test::IconKey(theme_test::kRecycleBinClass);
    EXPECT_EQ(RegValue(HKEY_CLASSES_ROOT, bin.c_str(), "full", KEY_WOW64_64KEY),
              "expand:%SystemRoot%\\System32\\imageres.dll,-54");
    EXPECT_EQ(RegValue(HKEY_CURRENT_USER, theme_test::kUserCursorsKey, "Arrow"),
              "expand:%SystemRoot%\\cursors\\aero_arrow.cur");
    EXPECT_EQ(RegValue(HKEY_CURRENT_USER, theme_test::kUserSoundKey, ""),
              "expand:%SystemRoot%\\media\\Windows Recycle.wav");
    EXPECT_EQ(RegValue(HKEY_USERS, theme_test::kSoundKey, ""),
              "expand:%SystemRoot%\\media\\Windows Recycle.wav");
    // The user's key is not ".Default"'s.
    theme_test::SetRegValue(HKEY_CURRENT_USER, theme_test::kUserSoundKey, "", "nur.wav");
    EXPECT_EQ(RegValue(HKEY_USERS, theme_test::kSoundKey, ""),
              "expand:%SystemRoot%\\media\\Windows Recycle.wav");
    for (const char* file : {"aero_arrow.cur", "aero_busy.ani", "aero_working.ani"}) {
        std::string path = std::string("C:\\WINDOWS\\Cursors\\") + file;
        EXPECT_NE(LoadCursorFromFileA(path.c_str()), nullptr) << file;
    }
    const display_state::State& s = display_state::Current();
    EXPECT_TRUE(s.systemCursors.at(32512).fromFile);
    EXPECT_EQ(s.systemCursors.at(32512).file, "C:\\WINDOWS\\cursors\\aero_arrow.cur");
}

// NT keeps system.ini's screen saver in the user's registry; the file does
// not change, its other entries stay in it.
TEST_F(Windows10, TheScreenSaverEntryLivesInTheUsersRegistry) {
    std::string before = FileText("C:\\WINDOWS\\SYSTEM.INI");
    ASSERT_TRUE(
        WritePrivateProfileStringA("boot", "SCRNSAVE.EXE", "C:\\WINDOWS\\x.scr", "system.ini"));
    EXPECT_EQ(FileText("C:\\WINDOWS\\SYSTEM.INI"), before);
    EXPECT_EQ(RegValue(HKEY_CURRENT_USER, theme_test::kDesktopKey, "SCRNSAVE.EXE"),
              "C:\\WINDOWS\\x.scr");
    char entry[MAX_PATH] = "";
    GetPrivateProfileStringA("boot", "SCRNSAVE.EXE", "-", entry, sizeof entry, "system.ini");
    EXPECT_STREQ(entry, "C:\\WINDOWS\\x.scr");
    ASSERT_TRUE(WritePrivateProfileStringA("boot", "SCRNSAVE.EXE", nullptr, "system.ini"));
    EXPECT_EQ(RegValue(HKEY_CURRENT_USER, theme_test::kDesktopKey, "SCRNSAVE.EXE"), "<missing>");
    GetPrivateProfileStringA("boot", "SCRNSAVE.EXE", "-", entry, sizeof entry, "system.ini");
    EXPECT_STREQ(entry, "-");
    ASSERT_TRUE(WritePrivateProfileStringA("boot", "shell", "Explorer.exe", "system.ini"));
    EXPECT_NE(FileText("C:\\WINDOWS\\SYSTEM.INI").find("shell=Explorer.exe"), std::string::npos);
}

TEST_F(Windows95, TheScreenSaverEntryLivesInSystemIni) {
    ASSERT_TRUE(
        WritePrivateProfileStringA("boot", "SCRNSAVE.EXE", "C:\\WINDOWS\\x.scr", "system.ini"));
    EXPECT_NE(FileText("C:\\WINDOWS\\SYSTEM.INI").find("SCRNSAVE.EXE=C:\\WINDOWS\\x.scr"),
              std::string::npos);
    EXPECT_EQ(RegValue(HKEY_CURRENT_USER, theme_test::kDesktopKey, "SCRNSAVE.EXE"), "<missing>");
}

// A system cursor replaced by SetSystemCursor: Windows 95's LoadCursorA
// still gives the standard cursor, NT's the replacing one, and only
// SPI_SETCURSORS brings back the user's scheme from the registry.
void ReplaceArrow(const std::string& file) {
    HCURSOR loaded = LoadCursorFromFileA(file.c_str());
    ASSERT_NE(loaded, nullptr);
    ASSERT_TRUE(SetSystemCursor(CopyIcon(loaded), 32512));
    DestroyCursor(loaded);
}

bool ArrowFromLoadCursorIsTheStandardOne() {
    HCURSOR copy = CopyIcon(LoadCursorA(nullptr, IDC_ARROW));
    EXPECT_TRUE(SetSystemCursor(copy, 32512));
    return !display_state::Current().systemCursors.at(32512).fromFile;
}

TEST_F(Windows10, LoadCursorGivesTheReplacedSystemCursorUntilTheSchemeIsReloaded) {
    std::string file = Scratch("garten.cur");
    ASSERT_TRUE(package_test::WriteWholeFile(file, theme_test::StaticCursorBytes()));
    ReplaceArrow(file);
    EXPECT_FALSE(ArrowFromLoadCursorIsTheStandardOne());
    theme_test::SetRegValue(HKEY_CURRENT_USER, theme_test::kUserCursorsKey, "Arrow", "");
    ASSERT_TRUE(SystemParametersInfoA(SPI_SETCURSORS, 0, nullptr, 0));
    EXPECT_FALSE(display_state::Current().systemCursors.at(32512).fromFile);
    // A scheme's file is loaded, expanded; one that is gone gives the
    // standard cursor.
    theme_test::SetViewValue(HKEY_CURRENT_USER, theme_test::kUserCursorsKey, "Wait",
                             "expand:%SystemRoot%\\cursors\\aero_busy.ani");
    theme_test::SetRegValue(HKEY_CURRENT_USER, theme_test::kUserCursorsKey, "AppStarting",
                            "C:\\WINDOWS\\cursors\\weg.ani");
    ASSERT_TRUE(SystemParametersInfoA(SPI_SETCURSORS, 0, nullptr, 0));
    const display_state::State& s = display_state::Current();
    EXPECT_EQ(s.systemCursors.at(32514).file, "C:\\WINDOWS\\cursors\\aero_busy.ani");
    EXPECT_FALSE(s.systemCursors.at(32650).fromFile);
}

TEST_F(Windows95, LoadCursorGivesTheStandardCursorWhateverReplacedIt) {
    std::string file = Scratch("garten.cur");
    ASSERT_TRUE(package_test::WriteWholeFile(file, theme_test::StaticCursorBytes()));
    ReplaceArrow(file);
    EXPECT_TRUE(ArrowFromLoadCursorIsTheStandardOne());
}

} // namespace
