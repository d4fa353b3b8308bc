// The diskette copy against the emulated drive A (Windows has no drive A
// to arrange): the whole program with two copies, and the copy dialog on
// its own with a prepared source directory and diskette.
#include "diskette/diskette_copy.h"
#include "engine/install_file_table.h"
#include "platform/posix/machine.h"
#include "shell/directory_chooser.h"
#include "shell/resource_ids.h"
#include "shell/run_setup.h"
#include "tests/support/program_machine.h"
#include "tests/support/scenario_files.h"
#include "tests/support/test_machine.h"

#include <gtest/gtest.h>

namespace {

using package_test::Exists;
using package_test::ReadWholeFile;
using package_test::WriteWholeFile;

class DisketteRun : public MachineTest {
  protected:
    void SetUp() override {
        MachineTest::SetUp();
        ResetSetupState();
        machine::InsertDiskette();
        DisketteCopy::SetFileList(DisketteFileList::names, DisketteFileList::kCount,
                                  DisketteFileList::toleratedName);
    }
    void TearDown() override {
        DisketteCopy::ClearFileList();
        ResetSetupState();
        MachineTest::TearDown();
    }

    // Offers the copy from source and plays the scenario file.
    std::string Copy(const char* scenario, const std::string& source) {
        return RunScenarioFile(scenario, [&] {
            DisketteCopy::Run(platform_testing::ProgramInstance(), nullptr, source.c_str(), 1019,
                              1020, 1021, 1019, 1022);
        });
    }

    void ExpectDisketteHoldsTheMedium(const std::string& source, bool withSetup) {
        for (int i = 0; i < DisketteFileList::kCount; ++i) {
            std::string name = DisketteFileList::names[i];
            if (!withSetup && name == "setup.exe")
                EXPECT_FALSE(Exists("a:\\" + name));
            else
                EXPECT_EQ(ReadWholeFile("a:\\" + name), ReadWholeFile(source + name)) << name;
        }
    }
};

TEST_F(DisketteRun, InstallThenTwoCopiesFromOneDialog) {
    ASSERT_TRUE(program_test::WriteMedium(program_test::kMedium));
    ASSERT_TRUE(SetCurrentDirectoryA(program_test::kMedium));
    ASSERT_TRUE(WriteWholeFile("a:\\alt.txt", "foreign"));
    int result = -5;
    ASSERT_EQ(RunScenarioFile("program-diskette.scn",
                              [&] { result = RunSetup(platform_testing::ProgramInstance()); }),
              "");
    EXPECT_EQ(result, 0);
    EXPECT_FALSE(Exists("a:\\alt.txt"));
    ExpectDisketteHoldsTheMedium("c:\\wiesenhain\\", true);
    EXPECT_EQ(ReadWholeFile("a:\\setup.exe"), program_test::SetupBytes());
}

TEST_F(DisketteRun, ForeignFilesAreErasedAndASubdirectorySurvives) {
    ASSERT_TRUE(program_test::WriteMedium("c:\\quelle\\"));
    ASSERT_TRUE(WriteWholeFile("a:\\brief.doc", "foreign"));
    ASSERT_TRUE(WriteWholeFile("a:\\wall.ppk", "old"));
    ASSERT_TRUE(CreateDirectoryA("a:\\fotos", nullptr));
    ASSERT_TRUE(WriteWholeFile("a:\\fotos\\bild.bmp", "kept"));
    ASSERT_EQ(Copy("diskette-copy-once.scn", "c:\\quelle\\"), "");
    EXPECT_FALSE(Exists("a:\\brief.doc"));
    EXPECT_EQ(ReadWholeFile("a:\\fotos\\bild.bmp"), "kept");
    ExpectDisketteHoldsTheMedium("c:\\quelle\\", true);
}

TEST_F(DisketteRun, MissingSetupIsTolerated) {
    ASSERT_TRUE(program_test::WriteMedium("c:\\quelle\\"));
    ASSERT_TRUE(DeleteFileA("c:\\quelle\\setup.exe"));
    ASSERT_EQ(Copy("diskette-copy-once.scn", "c:\\quelle\\"), "");
    ExpectDisketteHoldsTheMedium("c:\\quelle\\", false);
}

TEST_F(DisketteRun, MissingWallpaperPackageFailsAfterSetup) {
    ASSERT_TRUE(program_test::WriteMedium("c:\\quelle\\"));
    ASSERT_TRUE(DeleteFileA("c:\\quelle\\wall.ppk"));
    ASSERT_TRUE(WriteWholeFile("a:\\brief.doc", "foreign"));
    ASSERT_EQ(Copy("diskette-write-error.scn", "c:\\quelle\\"), "");
    EXPECT_FALSE(Exists("a:\\brief.doc"));
    EXPECT_EQ(ReadWholeFile("a:\\setup.exe"), program_test::SetupBytes());
    EXPECT_FALSE(Exists("a:\\wall.ppk"));
    EXPECT_FALSE(Exists("a:\\curstart.ppk"));
}

TEST_F(DisketteRun, WriteProtectedDisketteFailsAndKeepsItsFiles) {
    ASSERT_TRUE(program_test::WriteMedium("c:\\quelle\\"));
    ASSERT_TRUE(WriteWholeFile("a:\\brief.doc", "foreign"));
    machine::SetDisketteWriteProtected(true);
    ASSERT_EQ(Copy("diskette-write-error.scn", "c:\\quelle\\"), "");
    machine::SetDisketteWriteProtected(false);
    EXPECT_EQ(ReadWholeFile("a:\\brief.doc"), "foreign");
    EXPECT_FALSE(Exists("a:\\wall.ppk"));
}

TEST_F(DisketteRun, NoDisketteFails) {
    ASSERT_TRUE(program_test::WriteMedium("c:\\quelle\\"));
    machine::EjectDiskette();
    ASSERT_EQ(Copy("diskette-write-error.scn", "c:\\quelle\\"), "");
}

// A source directory so long that it and a file name exceed 260 characters
// fails the copy (write error) instead of overrunning a path buffer.
TEST_F(DisketteRun, SourceDirectoryTooLongForAFileNameFails) {
    std::string level(80, 'q');
    std::string source = "c:\\" + level + "\\" + level + "\\" + level + "\\abcdefg\\";
    ASSERT_EQ(source.size(), 254u);
    ASSERT_TRUE(WriteWholeFile("a:\\brief.doc", "foreign"));
    ASSERT_EQ(Copy("diskette-write-error.scn", source), "");
    EXPECT_FALSE(Exists("a:\\brief.doc"));
    EXPECT_FALSE(Exists("a:\\setup.exe"));
    EXPECT_FALSE(Exists("a:\\wall.ppk"));
}

TEST_F(DisketteRun, ChooserLeavesEverythingWhenTheDriveHasNoDiskette) {
    machine::EjectDiskette();
    ASSERT_TRUE(CreateDirectoryA("c:\\spiele", nullptr));
    ASSERT_TRUE(SetCurrentDirectoryA("c:\\spiele"));
    char buffer[MAX_PATH + 1] = "";
    bool chosen = false;
    std::string error = platform_testing::RunScenario(
        "dialog 1000\n  double-click 201 \"[-a-]\"\n  text 204 \"c:\\\\spiele\"\n  click 202\n",
        "chooser", [&] {
            chosen = ChooseDirectory(platform_testing::ProgramInstance(), nullptr, buffer, MAX_PATH,
                                     kStringPromptTarget);
        });
    ASSERT_EQ(error, "");
    EXPECT_TRUE(chosen);
    EXPECT_STRCASEEQ(buffer, "c:\\spiele\\");
}

} // namespace
