// A fixture that gives every test a fresh machine (see platform/testing.h).
#pragma once

#include "platform/testing.h"

#include <gtest/gtest.h>
#include <string>

class MachineTest : public ::testing::Test {
  protected:
    void SetUp() override { scratch = platform_testing::BeginTestMachine(); }
    void TearDown() override { platform_testing::EndTestMachine(); }

    // A path in the test's scratch directory.
    std::string Scratch(const std::string& name) const { return scratch + name; }

    std::string scratch;  // ends in "\"
};
