// The round trip on a handful of generated starting machines: install with
// the machine's options, uninstall in a later program run, and every setting
// the theme touches is back, with no trace of the product left: under WOW64
// in both registry views and both system directories. (The native emulation
// tests run hundreds and compare the whole machine.)
#include "tests/support/package_files.h"
#include "tests/support/test_machine.h"
#include "tests/support/theme_machine.h"

#include <string>

using namespace theme_test;

namespace {

class RoundTripTest : public MachineTest,
                      public ::testing::WithParamInterface<platform_testing::MachineFlavour> {
  protected:
    void SetUp() override {
        flavour = GetParam();
        MachineTest::SetUp();
        CoInitialize(nullptr);
        SeedThemeValues();
        RemoveProductTraces();
        CreateDirectoryA(Scratch("medium").c_str(), nullptr);
        CreateDirectoryA(Scratch("alt").c_str(), nullptr);
        ASSERT_TRUE(WriteMedium(Scratch("medium\\")));
        SetCurrentDirectoryA(Scratch("medium").c_str());
    }
    void TearDown() override {
        RemoveProductTraces();
        char windows[MAX_PATH];
        GetWindowsDirectoryA(windows, sizeof windows);
        SetCurrentDirectoryA(windows);
        CoUninitialize();
        MachineTest::TearDown();
    }
};

// Seeds 1 to 8 hold the odd machines too: user cursor files deleted before
// the uninstall (2), control.ini read-only during it (3), logon cursors of
// their own (6); seed 8 is given a read-only system.ini (read-only profile
// files on the emulated machine only).
TEST_P(RoundTripTest, GeneratedMachinesComeBackAsTheyWere) {
    for (uint32_t seed = 1; seed <= 8; ++seed) {
        StartMachine m = GenerateMachine(seed, Scratch("alt\\"));
        if (seed == 8)
            m.readOnlyAtUninstall = "system.ini";
        SetUpMachine(m);
        EXPECT_EQ(RoundTrip(m, Scratch("ziel\\"), {scratch}), "") << m.Describe();
    }
}

INSTANTIATE_TEST_SUITE_P(Flavours, RoundTripTest,
                         ::testing::ValuesIn(platform_testing::TestMachineFlavours()), FlavourName);

} // namespace
