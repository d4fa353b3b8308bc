// The install and uninstall procedures from their entry points, on a test
// medium written here: what an install leaves on the machine for each choice
// of options, its failures (corrupt package, unrecordable setting, cancelled
// search for the files), and FinishUninstall around other products' data.
#include "engine/install.h"
#include "engine/install_file_table.h"
#include "engine/procedure_dialogs.h"
#include "engine/setting_item.h"
#include "engine/uninstall.h"
#include "resources/resource_ids.h"
#include "shell/main_dialog.h"
#include "state/setup_state.h"
#include "system/profile_settings.h"
#include "system/registry_key.h"
#include "system/shell_integration.h"
#include "tests/support/package_files.h"
#include "tests/support/scenario_files.h"
#include "tests/support/test_machine.h"
#include "tests/support/theme_machine.h"

#include <map>
#include <set>
#include <string>
#include <tuple>
#include <vector>

using namespace theme_test;
using package_test::Exists;

namespace {

class InstallTest : public MachineTest {
  protected:
    void SetUp() override {
        MachineTest::SetUp();
        CoInitialize(nullptr);
        SeedThemeValues();
        // Values that the theme changes, so that every applied setting shows.
        SetRegValue(HKEY_CURRENT_USER, kDesktopKey, "TileWallpaper", "1");
        SystemParametersInfoA(SPI_SETSCREENSAVEACTIVE, 0, nullptr, SPIF_UPDATEINIFILE);
        INT element = COLOR_BACKGROUND;
        COLORREF teal = RGB(0, 128, 128);
        SetSysColors(1, &element, &teal);
        RemoveProductTraces();
        medium = Scratch("medium\\");
        target = Scratch("ziel\\");
        CreateDirectoryA(medium.c_str(), nullptr);
        ASSERT_TRUE(WriteMedium(medium));
        SetCurrentDirectoryA(medium.c_str());
    }
    void TearDown() override {
        RemoveProductTraces();
        char windows[MAX_PATH];
        GetWindowsDirectoryA(windows, sizeof windows);
        SetCurrentDirectoryA(windows);
        CoUninitialize();
        MachineTest::TearDown();
    }

    // The installed files of the selected rows, by full path (the screen
    // saver where 64-bit Windows reads it).
    std::set<std::string> InstalledFiles(bool selectedOnly = true) {
        std::set<std::string> files;
        for (const InstallFileEntry& row : InstallFileTable::rows)
            if (!selectedOnly || IsCategorySelected(row.category))
                files.insert(InstalledFile(row));
        return files;
    }

    // The raw text of a record ("<missing>" when there is none).
    static std::string Stored(const char* key) {
        char buffer[kValueCapacity] = "";
        GetPrivateProfileStringA("Wiesenhain", key, "<missing>", buffer, sizeof buffer,
                                 "control.ini");
        return buffer;
    }

    // The keys of the product section of control.ini.
    std::set<std::string> SectionKeys() {
        char buffer[4096] = "";
        DWORD n = GetPrivateProfileStringA("Wiesenhain", nullptr, "", buffer, sizeof buffer,
                                           "control.ini");
        std::set<std::string> keys;
        for (DWORD i = 0; i < n;) {
            std::string key = buffer + i;
            keys.insert(key);
            i += static_cast<DWORD>(key.size()) + 1;
        }
        return keys;
    }

    // An install with both options that fails with `code` before any change:
    // no record and no installed file left.
    void ExpectInstallFails(int code) {
        BeginInstallRun(target, true, true);
        View before = ThemeView({scratch});
        EXPECT_FALSE(RunInstall());
        EXPECT_EQ(g_setup.errorCode, code);
        NoInstalledFileLeft();
        EXPECT_TRUE(SectionKeys().empty());
        EXPECT_FALSE(ProfileSettings::IsPresent("Wiesenhain", "OldScreenSave"));
        EXPECT_EQ(Differences(before, ThemeView({scratch})), "");
    }

    // What differs between two views once normalised, apart from the target
    // directory, which the test made and the uninstall removes when empty.
    std::string DifferencesBesidesTarget(View before, View after) {
        NormalizeView(before);
        NormalizeView(after);
        std::string directory = "dir " + target.substr(0, target.size() - 1);
        before.erase(directory);
        after.erase(directory);
        return Differences(before, after);
    }

    // The names in the view that changed between the two views.
    static std::set<std::string> Changed(const View& before, const View& after) {
        std::set<std::string> names;
        for (const auto& [key, value] : before)
            if (!after.count(key) || after.at(key) != value)
                names.insert(key);
        for (const auto& [key, value] : after)
            if (!before.count(key))
                names.insert(key);
        return names;
    }

    static std::string Join(const std::set<std::string>& names) {
        std::string out;
        for (const std::string& n : names)
            out += "  " + n + "\n";
        return out;
    }

    bool NoInstalledFileLeft() {
        bool none = true;
        for (const std::string& file : InstalledFiles(false))
            if (Exists(file)) {
                ADD_FAILURE() << file << " still there";
                none = false;
            }
        for (const char* name : DisketteFileList::names)
            if (Exists(target + name)) {
                ADD_FAILURE() << target + name << " still there";
                none = false;
            }
        return none;
    }

    std::string medium, target;
};

// ---- A successful install, for each choice of options ----

struct Options {
    bool wallpaper, cursorsAndIcons;
};

// On both flavours of machine: under WOW64 exactly the same changes, only
// in the native system directory and the 64-bit registry view.
class InstallOptionsTest
    : public InstallTest,
      public ::testing::WithParamInterface<std::tuple<Options, platform_testing::MachineFlavour>> {
  protected:
    void SetUp() override {
        flavour = std::get<1>(GetParam());
        InstallTest::SetUp();
    }
};

TEST_P(InstallOptionsTest, ChangesExactlyWhatTheOptionsSelect) {
    const Options options = std::get<0>(GetParam());
    BeginInstallRun(target, options.wallpaper, options.cursorsAndIcons);
    ASSERT_TRUE(ResolveSystemDirectories());
    View before = ThemeView({scratch});
    ASSERT_TRUE(RunInstall());
    EXPECT_EQ(g_setup.errorCode, 0);
    View after = ThemeView({scratch});

    std::set<std::string> expected;
    std::string windows = g_setup.windowsDirectory;
    for (const std::string& file : InstalledFiles())
        expected.insert("file " + file);
    for (const char* name : DisketteFileList::names)
        expected.insert("file " + target + name);
    expected.insert("control.ini");
    // On NT the entry lives in the user's registry (IniFileMapping).
    if (!ScreenSaverInRegistry())
        expected.insert("system.ini");
    expected.insert("screen saver entry");
    expected.insert("display screen saver active");
    expected.insert("desktop ScreenSaveActive");
    if (options.wallpaper) {
        expected.insert("desktop TileWallpaper");
        expected.insert("desktop Wallpaper");
        expected.insert("colors Background");
        expected.insert("display color");
    }
    if (options.cursorsAndIcons) {
        for (const char* c : {kComputerClass, kNetworkClass})
            expected.insert("icon " + IconKey(c) + " @");
        for (const char* v : {" @", " empty", " full"})
            expected.insert("icon " + IconKey(kRecycleBinClass) + v);
        for (const char* v : {"AppStarting", "Wait", "Arrow"}) {
            expected.insert(std::string("cursor HKCU ") + v);
            expected.insert(std::string("cursor HKU ") + v);
        }
        expected.insert("sound");
        expected.insert("sound HKCU");
    }
    std::set<std::string> changed = Changed(before, after);
    EXPECT_EQ(changed, expected) << "changed:\n"
                                 << Join(changed) << "expected:\n"
                                 << Join(expected) << Differences(before, after);

    // The installed files hold what the medium holds.
    for (const InstallFileEntry& row : InstallFileTable::rows) {
        std::string file = InstalledFile(row);
        if (!IsCategorySelected(row.category)) {
            EXPECT_FALSE(Exists(file)) << file;
            continue;
        }
        std::string content = row.packed ? PackageContent(row.packageName) : SetupProgramBytes();
        EXPECT_EQ(FileText(file), content) << file;
    }
    for (const char* name : DisketteFileList::names)
        EXPECT_EQ(FileText(target + name), FileText(medium + name)) << name;

    // The records: the selected items (the cursors and the sound in both of
    // their places), the screen saver's active state and its entry's absence,
    // the install directory and the copies of the installation files; the
    // types of the seeded Windows 10 values.
    std::set<std::string> keys = {"InstallDir", "SetupCopies", "OldScreenSave",
                                  "OldScreenSave.Type", "OldScreenSaveActive"};
    if (options.wallpaper)
        keys.insert({"OldTile", "OldWall", "OldColor"});
    if (options.cursorsAndIcons) {
        keys.insert({"Computer", "Network", "TrashEmpty", "TrashFull", "OldCurAppStart",
                     "OldCurAppStart.Default", "OldCurWait", "OldCurWait.Default", "OldCurArrow",
                     "OldCurArrow.Default", "OldBinEmptyWave", "OldBinEmptyWave.User"});
        if (NtFamily())
            keys.insert({"Computer.Type", "Network.Type", "TrashEmpty.Type", "TrashFull.Type",
                         "OldCurAppStart.Type", "OldCurAppStart.Default.Type", "OldCurWait.Type",
                         "OldCurWait.Default.Type", "OldCurArrow.Type", "OldCurArrow.Default.Type",
                         "OldBinEmptyWave.Type", "OldBinEmptyWave.User.Type"});
    }
    EXPECT_EQ(SectionKeys(), keys);

    // The applied values: system.ini names the screen saver in the short
    // form that 64-bit Windows gives the installed file.
    char entry[MAX_PATH] = "";
    GetPrivateProfileStringA("boot", "SCRNSAVE.EXE", "", entry, sizeof entry, "system.ini");
    EXPECT_EQ(entry, NativeShortPath(SystemDir() + "Wiesenhain.scr"));
    EXPECT_EQ(after["display screen saver active"], "1");
    if (options.wallpaper) {
        EXPECT_EQ(after["desktop Wallpaper"], windows + "wiesenhain.bmp");
        EXPECT_EQ(after["desktop TileWallpaper"], "0");
        EXPECT_EQ(after["colors Background"], "0 0 0");
    }
    if (options.cursorsAndIcons) {
        EXPECT_EQ(after["icon " + IconKey(kComputerClass) + " @"], target + "wiesenhain.exe,0");
        EXPECT_EQ(after["icon " + IconKey(kNetworkClass) + " @"], target + "wiesenhain.exe,1");
        EXPECT_EQ(after["icon " + IconKey(kRecycleBinClass) + " @"], target + "wiesenhain.exe,2");
        EXPECT_EQ(after["cursor HKCU Wait"], target + "wiesenhain-cur-wait.ani");
        EXPECT_EQ(after["cursor HKU Arrow"], target + "wiesenhain-cur-arrow.cur");
        EXPECT_EQ(after["sound"], target + "wiesenhain.wav");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Options, InstallOptionsTest,
    ::testing::Combine(::testing::Values(Options{true, true}, Options{true, false},
                                         Options{false, true}, Options{false, false}),
                       ::testing::ValuesIn(platform_testing::TestMachineFlavours())),
    [](const ::testing::TestParamInfo<std::tuple<Options, platform_testing::MachineFlavour>>&
           info) {
        const Options& options = std::get<0>(info.param);
        return std::string(options.wallpaper ? "Wallpaper" : "NoWallpaper") +
               (options.cursorsAndIcons ? "Cursors" : "NoCursors") +
               platform_testing::MachineFlavourName(std::get<1>(info.param));
    });

TEST_F(InstallTest, CompleteInstallWritesTheProductKeyTheEntryAndTheShortcut) {
    BeginInstallRun(target, false, false);
    ASSERT_TRUE(RunInstall());
    CompleteInstall();
    std::string dir = target.substr(0, target.size() - 1);
    // "dir" without the "\"; the setup state keeps it.
    EXPECT_EQ(std::string(g_setup.targetDirectory), target);
    const char* general = "SOFTWARE\\Vorq\\Wiesenhain\\general";
    EXPECT_EQ(RegValue(HKEY_LOCAL_MACHINE, general, "dir"), dir);
    EXPECT_EQ(RegValue(HKEY_LOCAL_MACHINE, general, "user"), "Kleingarten Sonnenblick");
    EXPECT_EQ(RegValue(HKEY_LOCAL_MACHINE, general, "scr"), "Wiesenhain.scr");
    EXPECT_EQ(RegValue(HKEY_LOCAL_MACHINE, general, "2").rfind("dword:", 0), 0u);
    EXPECT_EQ(RegValue(HKEY_LOCAL_MACHINE, kUninstallEntryKey, "DisplayName"),
              "Wiesenhain Bildschirmschoner");
    EXPECT_EQ(RegValue(HKEY_LOCAL_MACHINE, kUninstallEntryKey, "UninstallString"),
              std::string(g_setup.windowsDirectory) + "wiesenhain-remove.exe");
    char shortcut[MAX_PATH];
    ASSERT_TRUE(DesktopShortcutPath(shortcut, g_setup.productName));
    EXPECT_TRUE(Exists(shortcut));
}

// The install deletes the shell's icon cache, so that the shell reads the
// desktop icons anew; an install that fails leaves it.
TEST_F(InstallTest, ASuccessfulInstallDeletesTheShellsIconCache) {
    BeginInstallRun(target, false, false);
    ASSERT_TRUE(ResolveSystemDirectories());
    std::string cache = std::string(g_setup.windowsDirectory) + "ShellIconCache";
    ASSERT_TRUE(package_test::WriteWholeFile(cache, "icons"));
    ASSERT_TRUE(package_test::WriteWholeFile(medium + "screen.ppk", "kein deflate"));
    EXPECT_FALSE(RunInstall());
    EXPECT_EQ(FileText(cache), "icons");

    ASSERT_TRUE(WriteMedium(medium));
    BeginInstallRun(target, false, false);
    ASSERT_TRUE(RunInstall());
    EXPECT_FALSE(Exists(cache));
    DeleteFileA(cache.c_str());
}

// ---- Failures ----

TEST_F(InstallTest, ACorruptPackageEndsWithCode11AndRemovesTheInstalledFiles) {
    ASSERT_TRUE(package_test::WriteWholeFile(medium + "curwait.ppk",
                                             std::string("\x07\x00\x13\x37 kein deflate", 18)));
    ExpectInstallFails(11);
}

TEST_F(InstallTest, AnUnrecordableSettingEndsWithCode3BeforeAnyChange) {
    DeleteRegValue(HKEY_USERS,
                   ".Default\\AppEvents\\Schemes\\Apps\\Explorer\\EmptyRecycleBin\\.current", "");
    ExpectInstallFails(3);
}

// Started from a copy of the medium in the target directory itself, a
// failed install leaves the medium's files: the clean-up deletes only what
// the install put there.
TEST_F(InstallTest, AFailedInstallIntoItsOwnMediumKeepsTheMedium) {
    DeleteRegValue(HKEY_USERS,
                   ".Default\\AppEvents\\Schemes\\Apps\\Explorer\\EmptyRecycleBin\\.current", "");
    std::map<std::string, std::string> mediumFiles;
    for (const char* name : DisketteFileList::names)
        mediumFiles[name] = FileText(medium + name);
    BeginInstallRun(medium, true, true);
    EXPECT_FALSE(RunInstall());
    EXPECT_EQ(g_setup.errorCode, 3);
    for (const auto& [name, bytes] : mediumFiles)
        EXPECT_EQ(FileText(medium + name), bytes) << name;
    EXPECT_FALSE(Exists(medium + "wiesenhain.exe")) << "the installed files go";
    EXPECT_FALSE(Exists(medium + "wiesenhain-cur-wait.ani"));
    EXPECT_TRUE(SectionKeys().empty());
}

// Without the Windows directory the install fails with code 1 before it
// copies anything, and its clean-up deletes nothing through the directories
// it never had: not files of the table's names in the current directory.
TEST_F(InstallTest, WithoutTheWindowsDirectoryTheInstallFailsWithCode1AndDeletesNothing) {
    const char* names[] = {"wiesenhain.bmp", "wiesenhain-remove.exe", "Wiesenhain.scr"};
    for (const char* name : names)
        ASSERT_TRUE(package_test::WriteWholeFile(medium + name, "not the product's"));
    BeginInstallRun(target, true, true);
    View before = ThemeView({scratch});
    if (!platform_testing::FailWindowsDirectory(true))
        GTEST_SKIP() << "the Windows directory query cannot be made to fail here";
    bool installed = RunInstall();
    platform_testing::FailWindowsDirectory(false);
    EXPECT_FALSE(installed);
    EXPECT_EQ(g_setup.errorCode, 1);
    for (const char* name : names)
        EXPECT_EQ(FileText(medium + name), "not the product's") << name;
    EXPECT_TRUE(SectionKeys().empty());
    EXPECT_EQ(Differences(before, ThemeView({scratch})), "");
}

// Recorded values come back byte for byte through control.ini, also those
// the profile reader would trim or unquote; a value with a line break cannot
// be recorded, and the install refuses before it changes anything.
TEST_F(InstallTest, OddRecordedValuesComeBackByteForByte) {
    SetRegValue(HKEY_CURRENT_USER, kDesktopKey, "Wallpaper", " C:\\WINDOWS\\Wolken.bmp ");
    SetRegValue(HKEY_USERS,
                ".Default\\AppEvents\\Schemes\\Apps\\Explorer\\EmptyRecycleBin\\.current", "",
                "\"C:\\WINDOWS\\MEDIA\\Ding.wav\"");
    SetRegValue(HKEY_CLASSES_ROOT, IconKey(kNetworkClass).c_str(), "", "'netz.ico',0", IconView());
    BeginInstallRun(target, true, true);
    View before = ThemeView({scratch});
    ASSERT_TRUE(RunInstall());
    CompleteInstall();
    BeginLaterRun();
    ASSERT_TRUE(RunUninstall());
    FinishUninstall();
    View after = ThemeView({scratch});
    EXPECT_EQ(after["desktop Wallpaper"], " C:\\WINDOWS\\Wolken.bmp ");
    EXPECT_EQ(after["sound"], "\"C:\\WINDOWS\\MEDIA\\Ding.wav\"");
    EXPECT_EQ(after["icon " + IconKey(kNetworkClass) + " @"], "'netz.ico',0");
    EXPECT_EQ(DifferencesBesidesTarget(before, after), "");
}

TEST_F(InstallTest, AValueWithALineBreakIsNotRecorded) {
    SetRegValue(HKEY_CURRENT_USER, kDesktopKey, "Wallpaper",
                "C:\\WINDOWS\\Wolken.bmp\r\nOldScreenSave=C:\\fremd.scr");
    ExpectInstallFails(3);
}

TEST_F(InstallTest, ASettingThatCannotBeAppliedIsForgottenAndTheInstallGoesOn) {
    // The arrow cursor on the medium is no cursor: loading it fails.
    ASSERT_TRUE(package_test::WriteWholeFile(medium + "curarrow.ppk",
                                             package_test::Deflate("kein Cursor")));
    BeginInstallRun(target, false, true);
    std::string arrow = RegValue(HKEY_CURRENT_USER, kUserCursorsKey, "Arrow");
    EXPECT_TRUE(RunInstall());
    EXPECT_EQ(g_setup.errorCode, 8);
    std::set<std::string> keys = SectionKeys();
    EXPECT_EQ(keys.count("OldCurArrow"), 0u);
    EXPECT_EQ(keys.count("OldCurWait"), 1u);
    EXPECT_EQ(keys.count("OldScreenSave"), 1u);
    EXPECT_EQ(RegValue(HKEY_CURRENT_USER, kUserCursorsKey, "Arrow"), arrow);
    EXPECT_EQ(RegValue(HKEY_CURRENT_USER, "Control Panel\\Cursors", "Wait"),
              target + "wiesenhain-cur-wait.ani");
}

// A setting whose Apply fails after changing part of it (here the colour:
// the display, then the registry) is put back to its record before the
// record goes, so that nothing of it is left without a record.
TEST_F(InstallTest, ASettingThatFailsHalfwayIsPutBackBeforeItsRecordGoes) {
    BeginInstallRun(target, true, false);
    std::string colour = RegValue(HKEY_CURRENT_USER, kColorsKey, "Background");
    // The registry values set: the tiling, the wallpaper, then the colour.
    if (!platform_testing::InjectFault(platform_testing::FaultFamily::RegistrySet, 3))
        GTEST_SKIP() << "fault injection exists on the emulated machine only";
    EXPECT_TRUE(RunInstall());
    platform_testing::ClearInjectedFaults();
    ASSERT_EQ(g_setup.errorCode, 7);
    EXPECT_EQ(SectionKeys().count("OldColor"), 0u);
    EXPECT_EQ(GetSysColor(COLOR_BACKGROUND), RGB(0, 128, 128));
    EXPECT_EQ(RegValue(HKEY_CURRENT_USER, kColorsKey, "Background"), colour);
    EXPECT_EQ(RegValue(HKEY_CURRENT_USER, kDesktopKey, "TileWallpaper"), "0") << "applied";
}

// A screen saver that cannot be applied keeps its record, which marks the
// theme as installed: the other settings are applied and only an uninstall
// can restore them; without the mark a new install would record the theme's
// values as the user's.
TEST_F(InstallTest, AScreenSaverThatCannotBeAppliedKeepsTheThemeInstalled) {
    BeginInstallRun(target, true, false);
    View before = ThemeView({});
    char entry[MAX_PATH] = "?", now[MAX_PATH] = "?";
    ReadProfileText("system.ini", "boot", "SCRNSAVE.EXE", entry, sizeof entry);
    // Profile writes: the records of the install directory and of the
    // copies of the installation files, the tiling, wallpaper, colour, the
    // active state and the screen saver's (its entry is missing: its type
    // and its text), then its entry in system.ini.
    if (!platform_testing::InjectFault(platform_testing::FaultFamily::ProfileWrite, 9))
        GTEST_SKIP() << "fault injection exists on the emulated machine only";
    EXPECT_TRUE(RunInstall());
    platform_testing::ClearInjectedFaults();
    ASSERT_EQ(g_setup.errorCode, 10);
    ReadProfileText("system.ini", "boot", "SCRNSAVE.EXE", now, sizeof now);
    EXPECT_STREQ(now, entry);
    BOOL active = TRUE;
    SystemParametersInfoA(SPI_GETSCREENSAVEACTIVE, 0, &active, 0);
    EXPECT_FALSE(active) << "put back as recorded";
    EXPECT_EQ(ProfileSettings::IsPresent("Wiesenhain", "OldScreenSave"), 1);
    CompleteInstall();
    BeginLaterRun();
    ASSERT_TRUE(RunUninstall());
    FinishUninstall();
    View after = ThemeView({});
    NormalizeView(before);
    NormalizeView(after);
    EXPECT_EQ(Differences(before, after), "");
}

// ---- The search for the installation files ----

TEST_F(InstallTest, MissingFilesOpenTheChooserAndTheChosenMediumIsUsedFromThere) {
    // The program starts in the scratch directory, which holds only the first
    // four files; the rest are on the medium.
    for (const char* name : {"setup.exe", "wall.ppk", "curstart.ppk"})
        ASSERT_TRUE(CopyFileA((medium + name).c_str(), Scratch(name).c_str(), FALSE));
    for (const char* name : {"setup.exe", "wall.ppk", "curstart.ppk"})
        DeleteFileA((medium + name).c_str());
    SetCurrentDirectoryA(scratch.c_str());
    BeginInstallRun(target, true, true);
    bool installed = false;
    EXPECT_EQ(RunScenarioFile("choose-medium.scn", [&] { installed = RunInstall(); }), "");
    EXPECT_TRUE(installed);
    EXPECT_EQ(g_setup.errorCode, 0);
    EXPECT_EQ(std::string(g_setup.sourceDirectory), medium);
    for (const std::string& file : InstalledFiles())
        EXPECT_TRUE(Exists(file)) << file;
    EXPECT_EQ(FileText(target + "wiesenhain-cur-wait.ani"), PackageContent("curwait.ppk"));
    // The files are copied from the chosen directory, which lacks the first
    // three.
    EXPECT_FALSE(Exists(target + "setup.exe"));
    EXPECT_FALSE(Exists(target + "wall.ppk"));
    EXPECT_TRUE(Exists(target + "curwait.ppk"));
    EXPECT_TRUE(Exists(target + "screen.ppk"));
}

// The procedures reach the dialogs only through the provider: one of the
// test's own sees every status line in order and is asked for the medium
// once per missing file, and its directory is used from there on.
struct RecordingDialogs {
    static std::vector<unsigned> statusLines;
    static int asked;
    static std::string answer; // "" declines
    static bool Ask(char* buffer, int capacity) {
        ++asked;
        if (answer.empty() || answer.size() > static_cast<size_t>(capacity))
            return false;
        snprintf(buffer, static_cast<size_t>(capacity) + 1, "%s", answer.c_str());
        return true;
    }
    static void Show(unsigned id) { statusLines.push_back(id); }
};
std::vector<unsigned> RecordingDialogs::statusLines;
int RecordingDialogs::asked = 0;
std::string RecordingDialogs::answer;

TEST_F(InstallTest, TheProceduresAskTheDialogsTheShellProvides) {
    RecordingDialogs::statusLines.clear();
    RecordingDialogs::asked = 0;
    RecordingDialogs::answer = medium;
    // The first three files are in the start directory, the rest only on
    // the medium: asked once, then found there.
    for (const char* name : {"setup.exe", "wall.ppk", "curstart.ppk"})
        ASSERT_TRUE(CopyFileA((medium + name).c_str(), Scratch(name).c_str(), FALSE));
    SetCurrentDirectoryA(scratch.c_str());
    SetProcedureDialogs({RecordingDialogs::Ask, RecordingDialogs::Show});
    BeginInstallRun(target, true, true);
    bool installed = RunInstall();
    std::string source = g_setup.sourceDirectory;
    CompleteInstall();
    BeginLaterRun();
    bool uninstalled = RunUninstall();
    FinishUninstall();
    // Declined: the install fails with code 2 and leaves no file.
    RecordingDialogs::answer = "";
    DeleteFileA((medium + "curwait.ppk").c_str());
    SetCurrentDirectoryA(medium.c_str());
    BeginInstallRun(target, true, true);
    bool declined = RunInstall();
    SetProcedureDialogs(kMainDialogProcedureDialogs);

    EXPECT_TRUE(installed);
    EXPECT_TRUE(uninstalled);
    EXPECT_EQ(source, medium);
    EXPECT_FALSE(declined);
    EXPECT_EQ(g_setup.errorCode, 2);
    NoInstalledFileLeft();
    EXPECT_EQ(RecordingDialogs::asked, 2);
    EXPECT_EQ(RecordingDialogs::statusLines,
              (std::vector<unsigned>{kStringCopyingFiles, 0, kStringChangingSettings, 0,
                                     kStringRestoringSettings, 0, kStringCopyingFiles, 0}));
}

TEST_F(InstallTest, CancellingTheSearchEndsWithCode2AndRemovesTheInstalledFiles) {
    for (const char* name : {"setup.exe", "wall.ppk", "curstart.ppk"})
        ASSERT_TRUE(CopyFileA((medium + name).c_str(), Scratch(name).c_str(), FALSE));
    SetCurrentDirectoryA(scratch.c_str());
    BeginInstallRun(target, true, true);
    View before = ThemeView({scratch});
    bool installed = true;
    EXPECT_EQ(RunScenarioFile("cancel-search.scn", [&] { installed = RunInstall(); }), "");
    EXPECT_FALSE(installed);
    EXPECT_EQ(g_setup.errorCode, 2);
    NoInstalledFileLeft();
    EXPECT_TRUE(SectionKeys().empty());
    EXPECT_EQ(Differences(before, ThemeView({scratch})), "");
}

// ---- Uninstall ----

TEST_F(InstallTest, UninstallInALaterRunRestoresEverything) {
    BeginInstallRun(target, true, true);
    View before = ThemeView({scratch});
    ASSERT_TRUE(RunInstall());
    CompleteInstall();
    BeginLaterRun();
    EXPECT_EQ(std::string(g_setup.targetDirectory), target);
    ASSERT_TRUE(RunUninstall());
    EXPECT_FALSE(ProfileSettings::IsPresent("Wiesenhain", "OldScreenSave"));
    FinishUninstall();
    View after = ThemeView({scratch});
    // The seeded wallpaper "(None)" is recorded as "(none)" and comes back as
    // the empty text, which means the same: no wallpaper.
    EXPECT_EQ(after["desktop Wallpaper"], "");
    after["desktop Wallpaper"] = before["desktop Wallpaper"];
    // No screen saver was set: the entry is missing again, not "(none)".
    EXPECT_FALSE(IsProfileKeyPresent("system.ini", "boot", "SCRNSAVE.EXE"));
    std::set<std::string> changed = Changed(before, after);
    changed.erase("dir " + target.substr(0, target.size() - 1)); // removed: it is empty
    EXPECT_EQ(Join(changed), "") << Differences(before, after);
    EXPECT_FALSE(Exists(target));
}

// A setting that cannot be put back fails the uninstall with the item's
// code and keeps everything (records, files, product key): the theme still
// counts as installed, and a second uninstall restores what the first could
// not and finishes.
TEST_F(InstallTest, ARestoreThatFailsKeepsTheThemeWholeForASecondUninstall) {
    BeginInstallRun(target, true, false);
    View before = ThemeView({});
    ASSERT_TRUE(RunInstall());
    CompleteInstall();
    BeginLaterRun();
    // The first value set is the tiling's.
    if (!platform_testing::InjectFault(platform_testing::FaultFamily::RegistrySet, 1))
        GTEST_SKIP() << "fault injection exists on the emulated machine only";
    EXPECT_FALSE(RunUninstall());
    platform_testing::ClearInjectedFaults();
    EXPECT_EQ(g_setup.errorCode, 5);
    EXPECT_EQ(RegValue(HKEY_CURRENT_USER, kDesktopKey, "TileWallpaper"), "0") << "not restored";
    // InstallDir, SetupCopies, the tiling, the wallpaper, the colour, the
    // screen saver with its type (missing) and its active state.
    EXPECT_EQ(SectionKeys().size(), 8u);
    EXPECT_EQ(ProfileSettings::IsPresent("Wiesenhain", "OldScreenSave"), 1);
    for (const std::string& file : InstalledFiles())
        EXPECT_TRUE(Exists(file)) << file << " is still the theme's";
    EXPECT_TRUE(Exists(target + "wall.ppk"));
    // The main flow runs no FinishUninstall after a failed uninstall.
    BeginLaterRun();
    ASSERT_TRUE(RunUninstall());
    FinishUninstall();
    EXPECT_TRUE(SectionKeys().empty());
    View after = ThemeView({});
    NormalizeView(before);
    NormalizeView(after);
    EXPECT_EQ(Differences(before, after), "");
    EXPECT_FALSE(Exists(target));
}

// A profile file that cannot be written during the uninstall: system.ini
// keeps the screen saver from being put back (code 10, nothing removed);
// control.ini keeps the records from going (code 3, the settings are back
// and the files gone, but the theme would still count as installed). Either
// way the uninstall says so, and once the file is writable again the next
// uninstall finishes the job.
class ReadOnlyProfileTest : public InstallTest,
                            public ::testing::WithParamInterface<const char*> {};

TEST_P(ReadOnlyProfileTest, FailsTheUninstallUntilItIsWritable) {
    if (!platform_testing::IsEmulated())
        GTEST_SKIP() << kNoReadOnlyProfiles;
    const bool systemIni = std::string(GetParam()) == "system.ini";
    BeginInstallRun(target, true, true);
    View before = ThemeView({scratch});
    ASSERT_TRUE(RunInstall());
    CompleteInstall();
    BeginLaterRun();
    char windows[MAX_PATH] = "";
    GetWindowsDirectoryA(windows, sizeof windows);
    std::string file = std::string(windows) + "\\" + GetParam();
    ASSERT_TRUE(SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_READONLY));
    bool uninstalled = RunUninstall();
    SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_FALSE(uninstalled);
    EXPECT_EQ(g_setup.errorCode, systemIni ? 10 : 3);
    EXPECT_EQ(ProfileSettings::IsPresent("Wiesenhain", "OldScreenSave"), 1);
    EXPECT_EQ(Exists(NativeSystemDir() + "Wiesenhain.scr"), systemIni)
        << "the screen saver file goes only with the screen saver setting";
    EXPECT_EQ(RegValue(HKEY_CURRENT_USER, kDesktopKey, "TileWallpaper"), "1") << "restored";

    BeginLaterRun();
    EXPECT_EQ(std::string(g_setup.targetDirectory), target);
    ASSERT_TRUE(RunUninstall());
    FinishUninstall();
    EXPECT_EQ(DifferencesBesidesTarget(before, ThemeView({scratch})), "");
}

INSTANTIATE_TEST_SUITE_P(Files, ReadOnlyProfileTest, ::testing::Values("system.ini", "control.ini"),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                             return std::string(info.param).substr(0, 6) == "system" ? "SystemIni"
                                                                                     : "ControlIni";
                         });

// A recorded cursor file deleted since the install can never be loaded
// again: the standard cursor comes back in its place, as for an empty
// record, and the uninstall completes. The logon desktop gets its own
// record back: its cursor was never loaded.
TEST_F(InstallTest, ARecordedCursorFileDeletedSinceBringsBackTheStandardCursor) {
    std::string own = Scratch("eigener pfeil.cur");
    ASSERT_TRUE(package_test::WriteWholeFile(own, StaticCursorBytes()));
    SetRegValue(HKEY_CURRENT_USER, "Control Panel\\Cursors", "Arrow", own.c_str());
    SetRegValue(HKEY_USERS, ".Default\\Control Panel\\Cursors", "Arrow", own.c_str());
    std::string wait = Scratch("sanduhr.ani");
    ASSERT_TRUE(package_test::WriteWholeFile(wait, AnimatedCursorBytes()));
    SetRegValue(HKEY_CURRENT_USER, "Control Panel\\Cursors", "Wait", wait.c_str());
    BeginInstallRun(target, false, true);
    ASSERT_TRUE(RunInstall());
    CompleteInstall();
    ASSERT_TRUE(DeleteFileA(own.c_str()));
    BeginLaterRun();
    ASSERT_TRUE(RunUninstall());
    FinishUninstall();
    EXPECT_EQ(RegValue(HKEY_CURRENT_USER, "Control Panel\\Cursors", "Arrow"), "");
    EXPECT_EQ(RegValue(HKEY_USERS, ".Default\\Control Panel\\Cursors", "Arrow"), own);
    EXPECT_EQ(RegValue(HKEY_CURRENT_USER, "Control Panel\\Cursors", "Wait"), wait)
        << "a file that is still there comes back";
    EXPECT_FALSE(ProfileSettings::IsPresent("Wiesenhain", "OldScreenSave"));
    EXPECT_FALSE(Exists(target));
}

// The user copied the medium into the directory that is the default target
// and installed there: the install cannot copy a file onto itself, and the
// uninstall deletes only the copies it made, so the medium survives whole.
TEST_F(InstallTest, AMediumThatIsTheTargetDirectoryIsKeptByTheUninstall) {
    BeginInstallRun(medium, true, true);
    ASSERT_TRUE(RunInstall());
    EXPECT_EQ(g_setup.errorCode, 0);
    CompleteInstall();
    EXPECT_EQ(Stored("SetupCopies"), "(none)");
    BeginLaterRun();
    ASSERT_TRUE(RunUninstall());
    FinishUninstall();
    for (const char* name : DisketteFileList::names)
        EXPECT_TRUE(Exists(medium + name)) << name;
    EXPECT_FALSE(Exists(medium + "wiesenhain.exe"));
    EXPECT_FALSE(Exists(medium + "h-256.ani"));
}

// An install recorded before the copies were listed had every copy deleted
// by its uninstall; so it still has.
TEST_F(InstallTest, ARecordWithoutTheListOfCopiesHasThemAllDeleted) {
    BeginInstallRun(target, false, false);
    ASSERT_TRUE(RunInstall());
    CompleteInstall();
    EXPECT_NE(Stored("SetupCopies").find("wall.ppk"), std::string::npos);
    ProfileSettings::Remove("SetupCopies");
    BeginLaterRun();
    ASSERT_TRUE(RunUninstall());
    FinishUninstall();
    for (const char* name : DisketteFileList::names)
        EXPECT_FALSE(Exists(target + name)) << name;
    EXPECT_FALSE(Exists(target));
}

// The records of a run that ended after the settings were recorded but
// before the product key was written (a power cut during the welcome text)
// know the install directory: the next run's uninstall removes the files
// there, the directory and the product key its own read of "dir" created.
TEST_F(InstallTest, AnInstallEndedBeforeTheProductKeyIsUninstalledWhole) {
    BeginInstallRun(target, true, true);
    View before = ThemeView({scratch});
    ASSERT_TRUE(RunInstall());
    BeginLaterRun();
    EXPECT_EQ(std::string(g_setup.targetDirectory), target);
    EXPECT_TRUE(RegKeyExists(HKEY_LOCAL_MACHINE, "SOFTWARE\\Vorq\\Wiesenhain\\general"))
        << "made by the read of \"dir\"";
    ASSERT_TRUE(RunUninstall());
    FinishUninstall();
    View after = ThemeView({scratch});
    EXPECT_EQ(DifferencesBesidesTarget(before, after), "");
    EXPECT_FALSE(Exists(target));
}

// Deleting does not look at the options: a file in the place of a row that
// was not installed goes at the uninstall all the same.
TEST_F(InstallTest, UninstallDeletesTheFileOfAnUnselectedRowInItsPlace) {
    BeginInstallRun(target, false, true);
    ASSERT_TRUE(RunInstall());
    CompleteInstall();
    std::string wallpaper = std::string(g_setup.windowsDirectory) + "wiesenhain.bmp";
    ASSERT_FALSE(Exists(wallpaper));
    ASSERT_TRUE(package_test::WriteWholeFile(wallpaper, "ein anderes Bild"));
    BeginLaterRun();
    ASSERT_TRUE(RunUninstall());
    FinishUninstall();
    EXPECT_FALSE(Exists(wallpaper));
}

class FinishUninstallTest : public InstallTest {
  protected:
    void SetUp() override {
        InstallTest::SetUp();
        BeginInstallRun(target, false, false);
        ASSERT_TRUE(RunInstall());
        CompleteInstall();
        BeginLaterRun();
        ASSERT_TRUE(RunUninstall());
    }
    void Library(const char* subkey, const char* name) {
        ASSERT_TRUE(SetRegValue(HKEY_LOCAL_MACHINE,
                                (std::string("SOFTWARE\\Vorq\\Wiesenhain\\") + subkey).c_str(),
                                name, "1"));
    }
};

TEST_F(FinishUninstallTest, RemovesTheNamedLibrariesTheDataFileTheKeysAndTheDirectory) {
    const char* named[][2] = {{"plants", "rose"},
                              {"plants", "tulpe"},
                              {"animations", "biene"},
                              {"sounds", "summen"},
                              {"specials", "regen"}};
    for (auto& n : named) {
        Library(n[0], n[1]);
        ASSERT_TRUE(package_test::WriteWholeFile(target + n[1] + ".dll", "lib"));
    }
    // The other subkeys name no files.
    for (const char* subkey : {"seeds", "aniint", "soundint", "specialint"}) {
        Library(subkey, "saat");
    }
    ASSERT_TRUE(package_test::WriteWholeFile(Scratch("saat.dll"), "not the product's"));
    ASSERT_TRUE(package_test::WriteWholeFile(target + "data", "data"));
    FinishUninstall();
    for (auto& n : named)
        EXPECT_FALSE(Exists(target + n[1] + ".dll")) << n[1];
    EXPECT_FALSE(Exists(target + "data"));
    EXPECT_FALSE(Exists(target)) << "the emptied install directory goes";
    EXPECT_TRUE(Exists(Scratch("saat.dll")));
    EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, "SOFTWARE\\Vorq"));
    EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, kUninstallEntryKey));
    char shortcut[MAX_PATH];
    ASSERT_TRUE(DesktopShortcutPath(shortcut, g_setup.productName));
    EXPECT_FALSE(Exists(shortcut));
}

TEST_F(FinishUninstallTest, LeavesAnotherProductAndADirectoryThatIsNotEmpty) {
    ASSERT_TRUE(
        SetRegValue(HKEY_LOCAL_MACHINE, "SOFTWARE\\Vorq\\Anderes\\general", "dir", "C:\\anderes"));
    ASSERT_TRUE(package_test::WriteWholeFile(target + "notizen.txt", "meine"));
    FinishUninstall();
    EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, "SOFTWARE\\Vorq\\Wiesenhain"));
    EXPECT_EQ(RegValue(HKEY_LOCAL_MACHINE, "SOFTWARE\\Vorq\\Anderes\\general", "dir"),
              "C:\\anderes");
    EXPECT_TRUE(Exists(target + "notizen.txt"));
    DeleteFileA((target + "notizen.txt").c_str());
}

TEST_F(FinishUninstallTest, SkipsValueNamesThatWouldReachOutsideTheInstallDirectory) {
    // Victims outside the install directory, reachable by the hostile names.
    ASSERT_TRUE(package_test::WriteWholeFile(Scratch("opfer.dll"), "victim"));
    ASSERT_TRUE(package_test::WriteWholeFile(Scratch("..dll"), "victim"));
    ASSERT_TRUE(package_test::WriteWholeFile(Scratch("...dll"), "victim"));
    std::string absolute = Scratch("opfer");
    for (const char* name : {"..\\opfer", "../opfer", "sub/..\\..\\opfer"})
        Library("plants", name);
    Library("sounds", absolute.c_str());
    Library("specials", ".");
    Library("specials", "..");
    Library("animations", "gut");
    ASSERT_TRUE(package_test::WriteWholeFile(target + "gut.dll", "lib"));
    FinishUninstall();
    EXPECT_TRUE(Exists(Scratch("opfer.dll")));
    EXPECT_TRUE(Exists(Scratch("..dll")));
    EXPECT_TRUE(Exists(Scratch("...dll")));
    EXPECT_FALSE(Exists(target + "gut.dll"));
    EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, "SOFTWARE\\Vorq"));
}

TEST_F(InstallTest, WithoutDirTheUninstallDeletesNothingInTheDriveRoot) {
    BeginInstallRun(target, false, false);
    ASSERT_TRUE(RunInstall());
    CompleteInstall();
    DeleteRegValue(HKEY_LOCAL_MACHINE, "SOFTWARE\\Vorq\\Wiesenhain\\general", "dir");
    ProfileSettings::Remove("InstallDir"); // as the records of an older install
    // Files of the table's names in the root of the current drive.
    std::vector<std::string> rootFiles = {"\\wiesenhain.exe", "\\setup.exe", "\\screen.ppk",
                                          "\\h-256.ani"};
    for (const std::string& f : rootFiles)
        ASSERT_TRUE(package_test::WriteWholeFile(f, "not the product's"));
    BeginLaterRun();
    EXPECT_STREQ(g_setup.targetDirectory, "\\");
    ASSERT_TRUE(RunUninstall());
    FinishUninstall();
    for (const std::string& f : rootFiles) {
        EXPECT_TRUE(Exists(f)) << f;
        DeleteFileA(f.c_str());
    }
    // The installed files outside the target directory are gone.
    EXPECT_FALSE(Exists(std::string(g_setup.windowsDirectory) + "wiesenhain-remove.exe"));
    EXPECT_FALSE(Exists(NativeSystemDir() + "Wiesenhain.scr"));
    // No file of the product key's could be found, but the key goes: kept,
    // it would stand for an install that nothing can remove.
    EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, "SOFTWARE\\Vorq"));
    EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, kUninstallEntryKey));
    // The files installed into the target directory stay with it.
    EXPECT_TRUE(Exists(target + "wiesenhain.exe"));
}

} // namespace
