// The directory chooser (dialog 1000) driven by scenarios on both targets,
// started in the first-level directory c:\spiele.
#include "platform/testing.h"
#include "resources/resource_ids.h"
#include "shell/directory_chooser.h"
#include "tests/support/program_machine.h"
#include "tests/support/test_machine.h"

#include <gtest/gtest.h>
#include <string.h>

namespace {

class Chooser : public MachineTest {
  protected:
    void SetUp() override {
        MachineTest::SetUp();
        program_test::RemoveTree("c:\\spiele");
        ASSERT_TRUE(CreateDirectoryA("c:\\spiele", nullptr));
        ASSERT_TRUE(CreateDirectoryA("c:\\spiele\\wiese", nullptr));
        ASSERT_TRUE(SetCurrentDirectoryA("c:\\spiele"));
        char current[MAX_PATH] = "";
        GetCurrentDirectoryA(MAX_PATH, current);
        start = current;
    }
    void TearDown() override {
        SetCurrentDirectoryA(scratch.c_str());
        program_test::RemoveTree("c:\\spiele");
        MachineTest::TearDown();
    }

    // Runs the chooser under the scenario text; returns the scenario's verdict.
    std::string Choose(const std::string& steps, bool* chosen, char* buffer, int capacity) {
        std::string text = "dialog 1000\n" + steps;
        return platform_testing::RunScenario(text, "chooser", [&] {
            *chosen = ChooseDirectory(platform_testing::ProgramInstance(), nullptr, buffer,
                                      capacity, kStringPromptTarget);
        });
    }

    static std::string Current() {
        char current[MAX_PATH] = "";
        GetCurrentDirectoryA(MAX_PATH, current);
        return current;
    }

    std::string start; // the current directory as the platform reports it
};

TEST_F(Chooser, OkWithoutNavigationReturnsTheCurrentDirectoryWithItsBackslash) {
    char buffer[MAX_PATH + 1] = "old";
    bool chosen = false;
    ASSERT_EQ(Choose("  text 200 \"Bitte wählen Sie das Verzeichnis aus,\\nin das die Dateien\\n"
                     "des Bildschirmschoners kopiert\\nwerden sollen.\"\n"
                     "  text 204 \"c:\\\\spiele\"\n"
                     "  click 202\n",
                     &chosen, buffer, MAX_PATH),
              "");
    EXPECT_TRUE(chosen);
    EXPECT_EQ(std::string(buffer), start + "\\");
}

TEST_F(Chooser, ASingleClickThenOkReturnsTheListedDirectory) {
    char buffer[MAX_PATH + 1] = "";
    bool chosen = false;
    ASSERT_EQ(Choose("  select 201 \"[wiese]\"\n  click 202\n", &chosen, buffer, MAX_PATH), "");
    EXPECT_TRUE(chosen);
    EXPECT_EQ(std::string(buffer), start + "\\");
}

TEST_F(Chooser, ParentOfAFirstLevelDirectoryIsTheDriveRoot) {
    char buffer[MAX_PATH + 1] = "";
    bool chosen = false;
    ASSERT_EQ(Choose("  double-click 201 \"[..]\"\n  text 204 \"c:\\\\\"\n  click 202\n", &chosen,
                     buffer, MAX_PATH),
              "");
    EXPECT_TRUE(chosen);
    EXPECT_STRCASEEQ(buffer, "c:\\");
    EXPECT_STRCASEEQ(Current().c_str(), "c:\\");
}

TEST_F(Chooser, EnteringASubdirectoryAndGoingBackUpOneLevel) {
    char buffer[MAX_PATH + 1] = "";
    bool chosen = false;
    ASSERT_EQ(Choose("  double-click 201 \"[wiese]\"\n  text 204 \"c:\\\\spiele\\\\wiese\"\n"
                     "  double-click 201 \"[..]\"\n  text 204 \"c:\\\\spiele\"\n  click 202\n",
                     &chosen, buffer, MAX_PATH),
              "");
    EXPECT_TRUE(chosen);
    EXPECT_STRCASEEQ(buffer, "c:\\spiele\\");
}

TEST_F(Chooser, EnteringADriveListsItsRootAndCancelKeepsTheBuffer) {
    char buffer[MAX_PATH + 1] = "unverändert";
    bool chosen = true;
    ASSERT_EQ(Choose("  double-click 201 \"[-c-]\"\n  text 204 \"c:\\\\\"\n  click 203\n", &chosen,
                     buffer, MAX_PATH),
              "");
    EXPECT_FALSE(chosen);
    EXPECT_STREQ(buffer, "unverändert");
    // The directory listed last is current, Cancel or not.
    EXPECT_STRCASEEQ(Current().c_str(), "c:\\");
}

TEST_F(Chooser, EscapeCancels) {
    char buffer[MAX_PATH + 1] = "x";
    bool chosen = true;
    ASSERT_EQ(Choose("  key Escape\n", &chosen, buffer, MAX_PATH), "");
    EXPECT_FALSE(chosen);
    EXPECT_STREQ(buffer, "x");
}

TEST_F(Chooser, NothingIsWrittenPastTheCapacityAndItsTerminator) {
    // c:\spiele\ is ten characters; a capacity of six keeps six of them.
    char buffer[8];
    memset(buffer, 'G', sizeof buffer);
    bool chosen = false;
    ASSERT_EQ(Choose("  click 202\n", &chosen, buffer, 6), "");
    EXPECT_TRUE(chosen);
    EXPECT_EQ(std::string(buffer), (start + "\\").substr(0, 6));
    EXPECT_EQ(buffer[7], 'G');
}

} // namespace
