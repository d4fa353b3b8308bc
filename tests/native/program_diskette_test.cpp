// The diskette copy where only the emulated drive A can arrange the
// diskette: write-protected, and a drive A without a diskette in the
// directory chooser. The cases both targets arrange are in
// tests/program_diskette_test.cpp.
#include "platform/posix/kernel/machine.h"
#include "shell/directory_chooser.h"
#include "tests/support/diskette_run.h"
#include "tests/support/program_machine.h"
#include "tests/support/test_machine.h"

#include <gtest/gtest.h>

namespace {

using package_test::Exists;
using package_test::ReadWholeFile;
using package_test::WriteWholeFile;

class EmulatedDisketteRun : public MachineTest {
  protected:
    void SetUp() override {
        MachineTest::SetUp();
        ASSERT_TRUE(platform_testing::InsertDiskette());
    }
};

TEST_F(EmulatedDisketteRun, WriteProtectedDisketteFailsAndKeepsItsFiles) {
    ASSERT_TRUE(program_test::WriteMedium("c:\\quelle\\"));
    ASSERT_TRUE(WriteWholeFile("a:\\brief.doc", "foreign"));
    machine::SetDisketteWriteProtected(true);
    ASSERT_EQ(diskette_test::CopyToDiskette("diskette-write-error.scn", "c:\\quelle\\"), "");
    machine::SetDisketteWriteProtected(false);
    EXPECT_EQ(ReadWholeFile("a:\\brief.doc"), "foreign");
    EXPECT_FALSE(Exists("a:\\wall.ppk"));
}

TEST_F(EmulatedDisketteRun, ChooserLeavesEverythingWhenTheDriveHasNoDiskette) {
    platform_testing::EjectDiskette();
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
