// The diskette copy against drive A on both targets (natively the emulated
// drive, on Windows a folder made drive A): the whole program with two
// copies, and the copy dialog on its own with a prepared source directory
// and diskette. What only the emulation can arrange (a full or
// write-protected diskette) is in tests/native.
#include "shell/run_setup.h"
#include "tests/support/diskette_run.h"
#include "tests/support/program_machine.h"
#include "tests/support/test_machine.h"
#include "tests/support/theme_machine.h"

#include <gtest/gtest.h>

namespace {

using diskette_test::CopyToDiskette;
using diskette_test::ExpectDisketteHolds;
using package_test::Exists;
using package_test::ReadWholeFile;
using package_test::WriteWholeFile;

const char* const kTestDirectories[] = {"c:\\wiesenhain", "c:\\medium", "c:\\quelle"};

class DisketteRun : public MachineTest {
  protected:
    void SetUp() override {
        MachineTest::SetUp();
        CleanMachine();
        theme_test::SeedThemeValues();
        ASSERT_TRUE(platform_testing::InsertDiskette());
    }
    void TearDown() override {
        platform_testing::EjectDiskette();
        CleanMachine();
        MachineTest::TearDown();
    }

    // Windows runs every test on the same machine: undo what a test left.
    void CleanMachine() {
        program_test::UninstallIfInstalled();
        SetCurrentDirectoryA(scratch.c_str());
        for (const char* directory : kTestDirectories)
            program_test::RemoveTree(directory);
        ResetSetupState();
        DisketteCopy::ClearFileList();
    }
};

// The diskette is changed between the two copies: what the second one holds
// only the second copy can have written.
TEST_F(DisketteRun, InstallThenTwoCopiesFromOneDialog) {
    ASSERT_TRUE(program_test::WriteMedium(program_test::kMedium));
    ASSERT_TRUE(SetCurrentDirectoryA(program_test::kMedium));
    int result = -5;
    ASSERT_EQ(RunScenarioFile("program-diskette.scn",
                              [&] { result = RunSetup(platform_testing::ProgramInstance()); }),
              "");
    EXPECT_EQ(result, 0);
    ExpectDisketteHolds("c:\\wiesenhain\\", true);
    EXPECT_EQ(ReadWholeFile("a:\\setup.exe"), program_test::SetupBytes());
}

// setup.exe itself (natively setup-host), started from a made medium,
// installs and copies the installation onto the diskette, itself included;
// a second start uninstalls.
TEST_F(DisketteRun, TheProgramItselfInstallsAndCopiesTheDiskette) {
    std::string program = platform_testing::SetupProgramBytes();
    ASSERT_GT(program.size(), 10000u);
    ASSERT_TRUE(program_test::WriteMedium(program_test::kMedium));
    ASSERT_TRUE(WriteWholeFile(std::string(program_test::kMedium) + "setup.exe", program));
    ASSERT_EQ(RunSetupProgramScenario(program_test::kMedium, "program-diskette-once.scn"), "");
    // Natively the program is setup-host, larger than a diskette holds: its
    // copy fails and is passed over, as the copy passes over a missing
    // setup.exe. The shipped setup.exe fits.
    bool programFits = !platform_testing::IsEmulated();
    ExpectDisketteHolds("c:\\wiesenhain\\", programFits);
    if (programFits) {
        EXPECT_EQ(ReadWholeFile("a:\\setup.exe"), program);
    }
    ASSERT_EQ(RunSetupProgramScenario(program_test::kMedium, "program-uninstall.scn"), "");
    EXPECT_FALSE(Exists("c:\\wiesenhain"));
}

TEST_F(DisketteRun, NoOrEscapeAtTheOfferLeaveDriveAUntouched) {
    ASSERT_TRUE(program_test::WriteMedium("c:\\quelle\\"));
    ASSERT_TRUE(WriteWholeFile("a:\\brief.doc", "foreign"));
    ASSERT_TRUE(WriteWholeFile("a:\\wall.ppk", "old"));
    for (const char* scenario : {"diskette-offer-no.scn", "diskette-offer-escape.scn"}) {
        ASSERT_EQ(CopyToDiskette(scenario, "c:\\quelle\\"), "");
        EXPECT_EQ(ReadWholeFile("a:\\brief.doc"), "foreign") << scenario;
        EXPECT_EQ(ReadWholeFile("a:\\wall.ppk"), "old") << scenario;
        EXPECT_FALSE(Exists("a:\\setup.exe")) << scenario;
    }
}

TEST_F(DisketteRun, ForeignFilesAreErasedAndASubdirectorySurvives) {
    ASSERT_TRUE(program_test::WriteMedium("c:\\quelle\\"));
    ASSERT_TRUE(WriteWholeFile("a:\\brief.doc", "foreign"));
    ASSERT_TRUE(WriteWholeFile("a:\\wall.ppk", "old"));
    ASSERT_TRUE(CreateDirectoryA("a:\\fotos", nullptr));
    ASSERT_TRUE(WriteWholeFile("a:\\fotos\\bild.bmp", "kept"));
    ASSERT_EQ(CopyToDiskette("diskette-copy-once.scn", "c:\\quelle\\"), "");
    EXPECT_FALSE(Exists("a:\\brief.doc"));
    EXPECT_EQ(ReadWholeFile("a:\\fotos\\bild.bmp"), "kept");
    ExpectDisketteHolds("c:\\quelle\\", true);
}

TEST_F(DisketteRun, MissingSetupIsTolerated) {
    ASSERT_TRUE(program_test::WriteMedium("c:\\quelle\\"));
    ASSERT_TRUE(DeleteFileA("c:\\quelle\\setup.exe"));
    ASSERT_EQ(CopyToDiskette("diskette-copy-once.scn", "c:\\quelle\\"), "");
    ExpectDisketteHolds("c:\\quelle\\", false);
}

// The tolerated name matches without regard to case, over every letter of
// the code page.
TEST_F(DisketteRun, ToleratedNameMatchesInAnyCase) {
    ASSERT_TRUE(program_test::WriteMedium("c:\\quelle\\"));
    const char* names[] = {"G\xC4RTEN.EXE", "wall.ppk"};
    ASSERT_EQ(CopyToDiskette("diskette-copy-once.scn", "c:\\quelle\\", names, 2, "g\xE4rten.exe"),
              "");
    EXPECT_EQ(ReadWholeFile("a:\\wall.ppk"), ReadWholeFile("c:\\quelle\\wall.ppk"));
}

TEST_F(DisketteRun, MissingWallpaperPackageFailsAfterSetup) {
    ASSERT_TRUE(program_test::WriteMedium("c:\\quelle\\"));
    ASSERT_TRUE(DeleteFileA("c:\\quelle\\wall.ppk"));
    ASSERT_TRUE(WriteWholeFile("a:\\brief.doc", "foreign"));
    ASSERT_EQ(CopyToDiskette("diskette-write-error.scn", "c:\\quelle\\"), "");
    EXPECT_FALSE(Exists("a:\\brief.doc"));
    EXPECT_EQ(ReadWholeFile("a:\\setup.exe"), program_test::SetupBytes());
    EXPECT_FALSE(Exists("a:\\wall.ppk"));
    EXPECT_FALSE(Exists("a:\\curstart.ppk"));
}

TEST_F(DisketteRun, NoDisketteFails) {
    ASSERT_TRUE(program_test::WriteMedium("c:\\quelle\\"));
    platform_testing::EjectDiskette();
    ASSERT_EQ(CopyToDiskette("diskette-write-error.scn", "c:\\quelle\\"), "");
}

// A source directory so long that it and a file name exceed 260 characters
// fails the copy (write error) instead of overrunning a path buffer.
TEST_F(DisketteRun, SourceDirectoryTooLongForAFileNameFails) {
    std::string level(80, 'q');
    std::string source = "c:\\" + level + "\\" + level + "\\" + level + "\\abcdefg\\";
    ASSERT_EQ(source.size(), 254u);
    ASSERT_TRUE(WriteWholeFile("a:\\brief.doc", "foreign"));
    ASSERT_EQ(CopyToDiskette("diskette-write-error.scn", source), "");
    EXPECT_FALSE(Exists("a:\\brief.doc"));
    EXPECT_FALSE(Exists("a:\\setup.exe"));
    EXPECT_FALSE(Exists("a:\\wall.ppk"));
}

} // namespace
