// The diskette copy dialog on its own, for the tests of drive A (see
// platform_testing::InsertDiskette): the copy of a prepared source directory
// under a scenario, and a look at what the diskette holds afterwards.
#pragma once

#include "diskette/diskette_copy.h"
#include "engine/install_file_table.h"
#include "platform/testing.h"
#include "resources/resource_ids.h"
#include "tests/support/package_files.h"
#include "tests/support/scenario_files.h"

#include <gtest/gtest.h>
#include <string>

namespace diskette_test {

// Offers the copy of source (a directory ending in "\") with a file list (the
// diskette file list unless given) and plays the scenario file; "" when it
// ran through.
inline std::string CopyToDiskette(const char* scenario, const std::string& source,
                                  const char* const* names = DisketteFileList::names,
                                  int count = DisketteFileList::kCount,
                                  const char* toleratedName = DisketteFileList::toleratedName) {
    DisketteCopy::SetFileList(names, count, toleratedName);
    std::string error = RunScenarioFile(scenario, [&] {
        DisketteCopy::Run(platform_testing::ProgramInstance(), nullptr, source.c_str(),
                          kStringDisketteCaption, kStringDisketteReadError,
                          kStringDisketteWriteError, kStringDisketteCaption, kStringDisketteDone);
    });
    DisketteCopy::ClearFileList();
    return error;
}

// Every file of the list on the diskette as in source; setup.exe absent
// unless withSetup.
inline void ExpectDisketteHolds(const std::string& source, bool withSetup) {
    for (int i = 0; i < DisketteFileList::kCount; ++i) {
        std::string name = DisketteFileList::names[i];
        if (!withSetup && name == "setup.exe")
            EXPECT_FALSE(package_test::Exists("a:\\" + name));
        else
            EXPECT_EQ(package_test::ReadWholeFile("a:\\" + name),
                      package_test::ReadWholeFile(source + name))
                << name;
    }
}

} // namespace diskette_test
