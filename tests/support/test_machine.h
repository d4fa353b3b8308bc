// A fixture that gives every test a fresh machine (see platform/testing.h).
#pragma once

#include "platform/testing.h"

#include <gtest/gtest.h>
#include <string>

class MachineTest : public ::testing::Test {
  protected:
    void SetUp() override { scratch = platform_testing::BeginTestMachine(flavour); }
    void TearDown() override { platform_testing::EndTestMachine(); }

    // A path in the test's scratch directory.
    std::string Scratch(const std::string& name) const { return scratch + name; }

    std::string scratch; // ends in "\"
    // The flavour of a test machine of the emulation (set before SetUp).
    platform_testing::MachineFlavour flavour = platform_testing::MachineFlavour::Windows32;
};

namespace platform_testing {
// How GoogleTest shows a flavour parameter.
inline void PrintTo(MachineFlavour flavour, std::ostream* out) {
    *out << MachineFlavourName(flavour);
}
} // namespace platform_testing

// The name of a flavour parameter, for the tests run over both flavours
// (platform_testing::TestMachineFlavours).
inline std::string
FlavourName(const ::testing::TestParamInfo<platform_testing::MachineFlavour>& info) {
    return platform_testing::MachineFlavourName(info.param);
}
