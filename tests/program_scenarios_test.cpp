// The whole program from its entry (RunSetup), played by scenarios
// (tests/scenarios/program-*.scn) the same way on both targets, each
// followed by a look at the machine. Natively on a 32-bit and a 64-bit
// Windows machine; on Windows on the one the tests run on (under WOW64 in
// Wine's 64-bit prefix).
#include "diskette/diskette_copy.h"
#include "engine/uninstall.h"
#include "shell/run_setup.h"
#include "tests/support/program_machine.h"
#include "tests/support/scenario_files.h"
#include "tests/support/test_machine.h"
#include "tests/support/theme_machine.h"

#include <gtest/gtest.h>

namespace {

using namespace program_test;

const char* const kTestDirectories[] = {"c:\\wiesenhain", "c:\\neu", "c:\\fehlt", "c:\\ziel",
                                        "c:\\medium"};
// A file where the user types a target directory.
const char* const kFileAsTarget = "c:\\garten.txt";

using platform_testing::MachineFlavour;

class ProgramRun : public MachineTest, public ::testing::WithParamInterface<MachineFlavour> {
  protected:
    void SetUp() override {
        flavour = GetParam();
        MachineTest::SetUp();
        CleanMachine();
        // Every value the theme records is there (a fresh Wine prefix lacks some).
        theme_test::SeedThemeValues();
        ASSERT_TRUE(WriteMedium(kMedium));
        ASSERT_TRUE(SetCurrentDirectoryA(kMedium));
    }
    void TearDown() override {
        CleanMachine();
        MachineTest::TearDown();
    }

    // Windows runs every test on the same machine: undo what a test left.
    void CleanMachine() {
        UninstallIfInstalled();
        SetCurrentDirectoryA(scratch.c_str());
        for (const char* directory : kTestDirectories)
            RemoveTree(directory);
        DeleteFileA(kFileAsTarget);
        ResetSetupState();
        DisketteCopy::ClearFileList();
    }

    // Runs the program under the scenario; its result must be 0.
    std::string Run(const char* scenario) {
        int result = -5;
        std::string error = RunScenarioFile(
            scenario, [&] { result = RunSetup(platform_testing::ProgramInstance()); });
        EXPECT_EQ(result, 0) << scenario;
        if (!error.empty())
            error += " (error code " + std::to_string(g_setup.errorCode) + ")";
        return error;
    }

    // Nothing of the theme anywhere: in neither system directory, the
    // desktop icons as seeded in both registry views.
    void ExpectNothingInstalled() {
        EXPECT_FALSE(IsInstalledMarkerPresent());
        EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, "SOFTWARE\\Vorq\\Wiesenhain"));
        EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallEntry));
        EXPECT_FALSE(ShortcutExists());
        EXPECT_FALSE(package_test::Exists(WindowsFile("wiesenhain.bmp")));
        EXPECT_FALSE(package_test::Exists(WindowsFile("wiesenhain-remove.exe")));
        EXPECT_FALSE(package_test::Exists(SystemFile("Wiesenhain.scr")));
        EXPECT_FALSE(package_test::Exists(NativeSystemFile("Wiesenhain.scr")));
        ExpectComputerIcon(theme_test::SeededComputerIcon(), theme_test::IconView());
    }

    // The Computer icon in registry view `view` is `shown`; under WOW64 the
    // other view keeps the one it was seeded with.
    void ExpectComputerIcon(const std::string& shown, REGSAM view) {
        std::string computer = theme_test::IconKey(theme_test::kComputerClass);
        EXPECT_EQ(theme_test::RegValue(HKEY_CLASSES_ROOT, computer.c_str(), "", view), shown);
        if (theme_test::UnderWow64()) {
            bool native = view == KEY_WOW64_64KEY;
            EXPECT_EQ(theme_test::RegValue(HKEY_CLASSES_ROOT, computer.c_str(), "",
                                           native ? KEY_WOW64_32KEY : KEY_WOW64_64KEY),
                      native ? theme_test::kIcons32[0] : theme_test::SeededComputerIcon());
        }
    }

    // setup.exe (natively setup-host) from a made medium installs, and a
    // second start uninstalls; the icons go to registry view `iconView`.
    void RunTheProgramFromAMadeMedium(REGSAM iconView) {
        std::string program = platform_testing::SetupProgramBytes();
        ASSERT_GT(program.size(), 10000u);
        ASSERT_TRUE(package_test::WriteWholeFile(std::string(kMedium) + "setup.exe", program));
        theme_test::View before = theme_test::ThemeView({});
        ASSERT_EQ(RunSetupProgramScenario(kMedium, "program-first-run.scn"), "");
        ExpectInstalledInto("c:\\wiesenhain\\", program, iconView);
        ASSERT_EQ(RunSetupProgramScenario(kMedium, "program-uninstall.scn"), "");
        ExpectNothingInstalled();
        theme_test::View after = theme_test::ThemeView({});
        theme_test::NormalizeView(before);
        theme_test::NormalizeView(after);
        EXPECT_EQ(theme_test::Differences(before, after), "");
        EXPECT_FALSE(package_test::Exists("c:\\wiesenhain"));
    }

    // A complete install into directory (ends with "\").
    void ExpectInstalledInto(const std::string& directory,
                             const std::string& setupBytes = SetupBytes(),
                             REGSAM iconView = theme_test::IconView()) {
        EXPECT_TRUE(IsInstalledMarkerPresent());
        std::string files[] = {"wiesenhain.exe",
                               "wiesenhain-cur-appstart.ani",
                               "wiesenhain-cur-wait.ani",
                               "wiesenhain-cur-arrow.cur",
                               "wiesenhain.wav",
                               "h-256.ani",
                               "k-256.ani",
                               "wall.ppk",
                               "screen.ppk"};
        for (const std::string& f : files)
            EXPECT_TRUE(package_test::Exists(directory + f)) << directory + f;
        std::vector<medium::NamedFile> demo = medium::DemoFiles();
        EXPECT_EQ(package_test::ReadWholeFile(WindowsFile("wiesenhain.bmp")), demo[0].data);
        EXPECT_EQ(package_test::ReadWholeFile(directory + "wiesenhain-cur-arrow.cur"),
                  demo[3].data);
        // The screen saver where 64-bit Windows reads it, and system.ini
        // naming it so; under WOW64 not in SysWOW64.
        EXPECT_EQ(package_test::ReadWholeFile(NativeSystemFile("Wiesenhain.scr")), demo[7].data);
        if (theme_test::UnderWow64()) {
            EXPECT_FALSE(package_test::Exists(SystemFile("Wiesenhain.scr")));
        }
        char entry[MAX_PATH] = "";
        GetPrivateProfileStringA("boot", "SCRNSAVE.EXE", "", entry, sizeof entry, "system.ini");
        EXPECT_EQ(entry, theme_test::NativeShortPath(SystemFile("Wiesenhain.scr")));
        ExpectComputerIcon(directory + "wiesenhain.exe,0", iconView);
        EXPECT_TRUE(package_test::ReadWholeFile(WindowsFile("wiesenhain-remove.exe")) ==
                    setupBytes);
        std::string dir = directory.size() > 3 ? directory.substr(0, directory.size() - 1)
                                               : directory.substr(0, 2);
        EXPECT_EQ(RegistryValue(HKEY_LOCAL_MACHINE, kProductGeneral, "dir"), dir);
        EXPECT_NE(RegistryValue(HKEY_LOCAL_MACHINE, kUninstallEntry, "UninstallString"),
                  "<missing>");
        EXPECT_TRUE(ShortcutExists());
        // The theme's sound, for the logon desktop and for the current user.
        std::string sound = directory + "wiesenhain.wav";
        EXPECT_EQ(theme_test::RegValue(HKEY_USERS, theme_test::kSoundKey, ""), sound);
        EXPECT_EQ(theme_test::RegValue(HKEY_CURRENT_USER, theme_test::kUserSoundKey, ""), sound);
        // The theme's cursors took: the system loaded every one of them.
        for (const char* cursor : {"AppStarting", "Wait", "Arrow"})
            EXPECT_NE(RegistryValue(HKEY_CURRENT_USER, "Control Panel\\Cursors", cursor)
                          .find(directory + "wiesenhain-cur-"),
                      std::string::npos)
                << cursor;
    }
};

// Every value the theme touched comes back as it was, type and text, the
// current user's and the logon desktop's (on the NT family the seeded
// values are those of a fresh Windows 10: REG_EXPAND_SZ icons, cursor
// scheme and sounds, the user's own sound apart from ".Default"'s).
TEST_P(ProgramRun, FirstRunInstallsWithTheDefaultsAndASecondRunUninstalls) {
    theme_test::View before = theme_test::ThemeView({});
    ASSERT_EQ(Run("program-first-run.scn"), "");
    ExpectInstalledInto("c:\\wiesenhain\\");
    EXPECT_EQ(RegistryValue(HKEY_LOCAL_MACHINE, kProductGeneral, "user"), "Rosengarten");

    ASSERT_EQ(Run("program-uninstall.scn"), "");
    ExpectNothingInstalled();
    theme_test::View after = theme_test::ThemeView({});
    theme_test::NormalizeView(before);
    theme_test::NormalizeView(after);
    EXPECT_EQ(theme_test::Differences(before, after), "");
    EXPECT_FALSE(package_test::Exists("c:\\wiesenhain\\wiesenhain.exe"));
    EXPECT_FALSE(package_test::Exists("c:\\wiesenhain\\wall.ppk"));
    // The medium is untouched.
    EXPECT_TRUE(package_test::Exists("c:\\medium\\wall.ppk"));
}

TEST_P(ProgramRun, DeclinedTermsChangeNothing) {
    ASSERT_EQ(Run("program-terms-declined.scn"), "");
    ExpectNothingInstalled();
    EXPECT_FALSE(package_test::Exists("c:\\wiesenhain"));
}

TEST_P(ProgramRun, TargetDirectoryMessagesCreateNothing) {
    ASSERT_TRUE(package_test::WriteWholeFile(kFileAsTarget, "Beete und Wege"));
    ASSERT_EQ(Run("program-target-messages.scn"), "");
    ExpectNothingInstalled();
    EXPECT_FALSE(package_test::Exists("c:\\wiesenhain"));
    EXPECT_FALSE(package_test::Exists("c:\\neu"));
    EXPECT_FALSE(package_test::Exists("c:\\fehlt"));
    EXPECT_EQ(GetFileAttributesA(kFileAsTarget) & FILE_ATTRIBUTE_DIRECTORY, 0u);
    EXPECT_EQ(package_test::ReadWholeFile(kFileAsTarget), "Beete und Wege");
}

TEST_P(ProgramRun, TrailingBackslashesAreDroppedAndTheDirectoryCreated) {
    ASSERT_EQ(Run("program-trailing-backslashes.scn"), "");
    ExpectInstalledInto("c:\\neu\\");
}

// The garden name edit takes 39 characters and the product key keeps all of
// them; a name left empty is kept as a single blank.
TEST_P(ProgramRun, GardenNameOf39CharactersIsKeptWholeAndAnEmptyOneAsABlank) {
    ASSERT_EQ(Run("program-garden-name.scn"), "");
    EXPECT_EQ(RegistryValue(HKEY_LOCAL_MACHINE, kProductGeneral, "user"),
              "Kleingartenverein Sonnenblick e.V. 1957");
    ASSERT_EQ(Run("program-uninstall.scn"), "");
    ASSERT_EQ(Run("program-garden-name-empty.scn"), "");
    EXPECT_EQ(RegistryValue(HKEY_LOCAL_MACHINE, kProductGeneral, "user"), " ");
}

TEST_P(ProgramRun, DriveRootIsAnExistingDirectoryStoredAsTheBareDrive) {
    ASSERT_EQ(Run("program-drive-root.scn"), "");
    ExpectInstalledInto("c:\\");
}

TEST_P(ProgramRun, CancelEscapeAndCloseBoxEndWithoutInstalling) {
    for (const char* scenario : {"program-cancel.scn", "program-escape.scn", "program-close.scn"}) {
        EXPECT_EQ(Run(scenario), "");
        ExpectNothingInstalled();
    }
}

TEST_P(ProgramRun, CancelWhenInstalledShowsTheAbortedDialogAndKeepsTheTheme) {
    ASSERT_EQ(Run("program-first-run.scn"), "");
    ASSERT_EQ(Run("program-cancel-installed.scn"), "");
    ExpectInstalledInto("c:\\wiesenhain\\");
}

TEST_P(ProgramRun, FailedUninstallKeepsTheDialogDisabledAndTheTheme) {
    ASSERT_EQ(Run("program-first-run.scn"), "");
    if (!platform_testing::FailWindowsDirectory(true))
        GTEST_SKIP() << "the Windows directory query cannot be made to fail here";
    std::string error = Run("program-uninstall-failed.scn");
    platform_testing::FailWindowsDirectory(false);
    ASSERT_EQ(error, "");
    ExpectInstalledInto("c:\\wiesenhain\\");
}

// An uninstall that cannot put every setting back says so and keeps the
// theme whole; once the cause is gone, the next run's uninstall finishes.
TEST_P(ProgramRun, UninstallThatCannotRestoreASettingFailsAndTheNextOneFinishes) {
    if (!platform_testing::IsEmulated())
        GTEST_SKIP() << theme_test::kNoReadOnlyProfiles;
    if (theme_test::ScreenSaverInRegistry())
        GTEST_SKIP() << "the screen saver entry lives in the registry: a read-only system.ini "
                        "stops nothing";
    ASSERT_EQ(Run("program-first-run.scn"), "");
    std::string systemIni = WindowsFile("system.ini");
    ASSERT_TRUE(SetFileAttributesA(systemIni.c_str(), FILE_ATTRIBUTE_READONLY));
    std::string error = Run("program-uninstall-restore-failed.scn");
    SetFileAttributesA(systemIni.c_str(), FILE_ATTRIBUTE_NORMAL);
    ASSERT_EQ(error, "");
    EXPECT_TRUE(IsInstalledMarkerPresent());
    EXPECT_EQ(RegistryValue(HKEY_LOCAL_MACHINE, kProductGeneral, "dir"), "c:\\wiesenhain");
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallEntry));
    EXPECT_TRUE(ShortcutExists());
    EXPECT_TRUE(package_test::Exists(NativeSystemFile("Wiesenhain.scr")));
    EXPECT_TRUE(package_test::Exists("c:\\wiesenhain\\wiesenhain.exe"));

    ASSERT_EQ(Run("program-uninstall.scn"), "");
    ExpectNothingInstalled();
    EXPECT_FALSE(package_test::Exists("c:\\wiesenhain"));
}

// An uninstall stopped after its records were gone and before its last step
// (the machine went off while dialog 103 was open) left the uninstall entry,
// which still starts the remover: that run says what the stopped one said
// and does the last step. The run after it offers an install again.
TEST_P(ProgramRun, AnUninstallStoppedBeforeItsLastStepIsFinishedByTheNextRun) {
    ASSERT_EQ(Run("program-first-run.scn"), "");
    ResetSetupState();
    g_setup.instance = platform_testing::ProgramInstance();
    ReadInstalledTargetDirectory();
    PrepareSettingItems();
    ASSERT_TRUE(RunUninstall());
    ASSERT_FALSE(IsInstalledMarkerPresent());
    ASSERT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallEntry));

    ASSERT_EQ(Run("program-finish-uninstall.scn"), "");
    ExpectNothingInstalled();
    EXPECT_FALSE(package_test::Exists("c:\\wiesenhain"));
    ASSERT_EQ(Run("program-cancel.scn"), "");
}

TEST_P(ProgramRun, DamagedPackageFailsWithItsCode) {
    ASSERT_TRUE(package_test::WriteWholeFile("c:\\medium\\curwait.ppk", "not a deflate stream"));
    ASSERT_EQ(Run("program-damaged-package.scn"), "");
    EXPECT_FALSE(IsInstalledMarkerPresent());
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallEntry));
    EXPECT_FALSE(ShortcutExists());
}

TEST_P(ProgramRun, BrowsingMovesTheCurrentDirectoryAndTheInstallAsksForTheFiles) {
    ASSERT_TRUE(CreateDirectoryA("c:\\ziel", nullptr));
    ASSERT_EQ(Run("program-browse.scn"), "");
    ExpectInstalledInto("c:\\ziel\\");
}

// The setup program itself, started from a medium made like make-medium
// makes one (the packages of the demo set and the program as setup.exe),
// installs the theme and a second start uninstalls it.
TEST_P(ProgramRun, TheProgramItselfInstallsAndUninstallsFromAMadeMedium) {
    RunTheProgramFromAMadeMedium(theme_test::IconView());
}

// The same with the program told that it runs on Windows 98. In Wine's
// 64-bit prefix that makes a Windows 98 under WOW64, which no machine is:
// Wine's registry then ignores the access of every call, as Windows 98 does,
// and with it the 64-bit view the program asks for. The icons land in the
// program's own view; the screen saver still goes where 64-bit Windows
// reads it.
TEST_P(ProgramRun, TheProgramItselfInstallsAndUninstallsOnWindows98) {
    if (!platform_testing::ReportWindows98ToSetupProgram(true))
        GTEST_SKIP() << "only Wine can tell the program another Windows version";
    RunTheProgramFromAMadeMedium(0);
}

TEST_P(ProgramRun, CloseBoxWhileUnpackingEndsWithTheInstallsResult) {
    ASSERT_TRUE(CreateDirectoryA("c:\\ziel", nullptr));
    ASSERT_EQ(Run("program-close-while-unpacking.scn"), "");
    ExpectInstalledInto("c:\\ziel\\");
}

INSTANTIATE_TEST_SUITE_P(Flavours, ProgramRun,
                         ::testing::ValuesIn(platform_testing::TestMachineFlavours()), FlavourName);

} // namespace
