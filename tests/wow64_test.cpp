// WOW64 as the program meets it, the same on both targets: natively on the
// emulated 64-bit Windows machine, on Windows wherever the tests run under
// WOW64 (the 32-bit tests in Wine's 64-bit prefix or on 64-bit Windows). A
// 64-bit test process has no WOW64, and the tests of WOW64 itself skip.
#include "state/setup_state.h"
#include "system/wow64.h"
#include "tests/support/package_files.h"
#include "tests/support/test_machine.h"
#include "tests/support/theme_machine.h"

#include <string.h>

#include <string>

using namespace theme_test;
using package_test::Exists;

namespace {

// Names no other test uses, in both system directories and the registry.
const char kFile32[] = "Wiesenhain Probe 32.txt";
const char kFile64[] = "Wiesenhain Probe 64.txt";
const char kClassKey[] = "CLSID\\{5E1E7A1A-2D19-4C0F-9B0E-3A57E1E7A1A5}";
const char kSharedClass[] = ".wiesenprobe";
const char kVendorKey[] = "SOFTWARE\\WiesenProbe";

class Wow64Test : public MachineTest {
  protected:
    void SetUp() override {
        flavour = platform_testing::MachineFlavour::Windows64;
        MachineTest::SetUp();
        if (!UnderWow64())
            GTEST_SKIP() << "a 64-bit test process: no WOW64";
        CleanUp();
    }
    void TearDown() override {
        if (UnderWow64())
            CleanUp();
        MachineTest::TearDown();
    }
    void CleanUp() {
        for (const std::string& directory : {SystemDir(), NativeSystemDir()})
            for (const char* name : {kFile32, kFile64})
                DeleteFileA((directory + name).c_str());
        for (REGSAM view : {KEY_WOW64_32KEY, KEY_WOW64_64KEY}) {
            DeleteRegTree(HKEY_CLASSES_ROOT, kClassKey, view);
            DeleteRegTree(HKEY_CLASSES_ROOT, kSharedClass, view);
            DeleteRegTree(HKEY_LOCAL_MACHINE, kVendorKey, view);
        }
    }
};

// File system redirection: the system directory of this 32-bit process is
// SysWOW64; the Sysnative alias reaches the native one. The alias is no
// directory entry: no listing shows it, and its paths have no short form.
TEST_F(Wow64Test, TheSystemDirectoryIsAnotherOneThanTheNative) {
    ASSERT_TRUE(package_test::WriteWholeFile(SystemDir() + kFile32, "32"));
    ASSERT_TRUE(package_test::WriteWholeFile(NativeSystemDir() + kFile64, "64"));
    EXPECT_FALSE(Exists(NativeSystemDir() + kFile32));
    EXPECT_FALSE(Exists(SystemDir() + kFile64));

    std::string alias = WindowsDir() + "Sysnative";
    EXPECT_NE(GetFileAttributesA(alias.c_str()) & FILE_ATTRIBUTE_DIRECTORY, 0u);
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA((WindowsDir() + "Sys*").c_str(), &found);
    ASSERT_NE(find, INVALID_HANDLE_VALUE);
    do
        EXPECT_NE(strcmp(found.cFileName, "Sysnative"), 0) << "listed";
    while (FindNextFileA(find, &found));
    FindClose(find);
    char shortPath[MAX_PATH];
    EXPECT_EQ(GetShortPathNameA((NativeSystemDir() + kFile64).c_str(), shortPath, MAX_PATH), 0u);

    // A redirected file's short form names the directory as it was named.
    char directory[MAX_PATH];
    ASSERT_GT(GetShortPathNameA(SystemDir().c_str(), directory, MAX_PATH), 0u);
    find = FindFirstFileA((SystemDir() + kFile32).c_str(), &found);
    ASSERT_NE(find, INVALID_HANDLE_VALUE);
    FindClose(find);
    ASSERT_GT(GetShortPathNameA((SystemDir() + kFile32).c_str(), shortPath, MAX_PATH), 0u);
    EXPECT_EQ(shortPath, directory + std::string(found.cAlternateFileName));

    // Redirection off for this thread: the system directory is the native one.
    PVOID state = nullptr;
    ASSERT_TRUE(Wow64DisableWow64FsRedirection(&state));
    bool native = Exists(SystemDir() + kFile64), redirected = Exists(SystemDir() + kFile32);
    Wow64RevertWow64FsRedirection(state);
    EXPECT_TRUE(native);
    EXPECT_FALSE(redirected);
    EXPECT_TRUE(Exists(SystemDir() + kFile32)) << "redirected again";
}

// Registry redirection: CLSID has a 32-bit view (under Wow6432Node) apart
// from the 64-bit one; other class keys are shared; the keys of
// HKEY_LOCAL_MACHINE\SOFTWARE are the 32-bit view's. A call relative to an
// open key stays in that key's view unless it asks for another.
TEST_F(Wow64Test, ClassIdsAndSoftwareKeysHaveA32BitView) {
    std::string icon = std::string(kClassKey) + "\\DefaultIcon";
    ASSERT_TRUE(
        SetRegValue(HKEY_CLASSES_ROOT, icon.c_str(), "", "vierundsechzig", KEY_WOW64_64KEY));
    ASSERT_TRUE(SetRegValue(HKEY_CLASSES_ROOT, icon.c_str(), "", "zweiunddreissig"));
    EXPECT_EQ(RegValue(HKEY_CLASSES_ROOT, icon.c_str(), "", KEY_WOW64_64KEY), "vierundsechzig");
    EXPECT_EQ(RegValue(HKEY_CLASSES_ROOT, icon.c_str(), ""), "zweiunddreissig");
    EXPECT_EQ(RegValue(HKEY_CLASSES_ROOT, icon.c_str(), "", KEY_WOW64_32KEY), "zweiunddreissig");
    EXPECT_EQ(RegValue(HKEY_CLASSES_ROOT, ("Wow6432Node\\" + icon).c_str(), "", KEY_WOW64_64KEY),
              "zweiunddreissig");

    ASSERT_TRUE(SetRegValue(HKEY_CLASSES_ROOT, kSharedClass, "", "geteilt"));
    EXPECT_EQ(RegValue(HKEY_CLASSES_ROOT, kSharedClass, "", KEY_WOW64_64KEY), "geteilt");

    ASSERT_TRUE(SetRegValue(HKEY_LOCAL_MACHINE, kVendorKey, "dir", "C:\\probe"));
    EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, kVendorKey, KEY_WOW64_64KEY));
    EXPECT_EQ(
        RegValue(HKEY_LOCAL_MACHINE, "SOFTWARE\\Wow6432Node\\WiesenProbe", "dir", KEY_WOW64_64KEY),
        "C:\\probe");

    HKEY software64 = nullptr, software32 = nullptr, vendor = nullptr;
    ASSERT_EQ(
        RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE", 0, KEY_READ | KEY_WOW64_64KEY, &software64),
        ERROR_SUCCESS);
    EXPECT_NE(RegOpenKeyExA(software64, "WiesenProbe", 0, KEY_READ, &vendor), ERROR_SUCCESS);
    RegCloseKey(software64);
    ASSERT_EQ(RegCreateKeyA(HKEY_LOCAL_MACHINE, "SOFTWARE", &software32), ERROR_SUCCESS);
    EXPECT_EQ(RegOpenKeyExA(software32, "WiesenProbe", 0, KEY_READ, &vendor), ERROR_SUCCESS);
    RegCloseKey(vendor);
    RegCloseKey(software32);
}

// The program's own view of WOW64 (system/wow64.h) on both flavours: the
// screen saver goes where 64-bit Windows reads it, under its own name
// there.
class ProgramWow64Test : public MachineTest,
                         public ::testing::WithParamInterface<platform_testing::MachineFlavour> {
  protected:
    void SetUp() override {
        flavour = GetParam();
        MachineTest::SetUp();
        ResetSetupState();
        snprintf(g_setup.windowsDirectory, sizeof g_setup.windowsDirectory, "%s",
                 WindowsDir().c_str());
        snprintf(g_setup.systemDirectory, sizeof g_setup.systemDirectory, "%s",
                 SystemDir().c_str());
    }
    void TearDown() override {
        DeleteFileA((NativeSystemDir() + kFile64).c_str());
        ResetSetupState();
        MachineTest::TearDown();
    }
};

TEST_P(ProgramWow64Test, FindsWow64AndTheNativeSystemFiles) {
    EXPECT_EQ(RunsUnderWow64(), UnderWow64());
    EXPECT_EQ(NativeRegistryView(), IconView());
    char path[MAX_PATH];
    NativeSystemFile file;
    ASSERT_TRUE(BeginNativeSystemFile(kFile64, path, sizeof path, &file));
    bool written = package_test::WriteWholeFile(path, "64");
    EndNativeSystemFile(&file);
    ASSERT_TRUE(written);
    EXPECT_EQ(package_test::ReadWholeFile(NativeSystemDir() + kFile64), "64");
    std::string named = SystemDir() + kFile64;
    char shortPath[MAX_PATH] = "";
    ASSERT_GT(NativeShortPathName(named.c_str(), shortPath, sizeof shortPath), 0u);
    EXPECT_EQ(shortPath, NativeShortPath(named));
    // Too small a buffer: the same answer as GetShortPathNameA's, the size
    // needed.
    char small[4];
    EXPECT_EQ(NativeShortPathName(named.c_str(), small, sizeof small), strlen(shortPath) + 1);
}

INSTANTIATE_TEST_SUITE_P(Flavours, ProgramWow64Test,
                         ::testing::ValuesIn(platform_testing::TestMachineFlavours()), FlavourName);

} // namespace
