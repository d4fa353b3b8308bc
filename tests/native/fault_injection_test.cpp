// Fault injection into the emulated machine: each family counts its calls,
// fails exactly the nth one from the injection the way Windows fails it, and
// that failed call changes nothing.
#include "platform/crt.h"
#include "tests/support/package_files.h"
#include "tests/support/test_machine.h"
#include "tests/support/theme_machine.h"

#include <string>

namespace {

using platform_testing::FaultCallCount;
using platform_testing::FaultFamily;
using platform_testing::InjectFault;
using theme_test::FileText;
using theme_test::RegKeyExists;
using theme_test::RegValue;

using FaultInjection = MachineTest;

LONG SetValue(HKEY key, const char* name, const char* text) {
    return RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                          static_cast<DWORD>(strlen(text) + 1));
}

TEST_F(FaultInjection, OnlyTheNthCallFailsAndEveryCallCounts) {
    HKEY key;
    ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, "Software\\Probe", &key), ERROR_SUCCESS);
    platform_testing::ResetFaultCounts();
    ASSERT_TRUE(InjectFault(FaultFamily::RegistrySet, 2));
    EXPECT_EQ(SetValue(key, "a", "1"), ERROR_SUCCESS);
    EXPECT_EQ(SetValue(key, "a", "2"), ERROR_CANTWRITE);
    EXPECT_EQ(SetValue(key, "a", "3"), ERROR_SUCCESS);
    EXPECT_EQ(FaultCallCount(FaultFamily::RegistrySet), 3);
    EXPECT_EQ(FaultCallCount(FaultFamily::RegistryCreate), 0);

    // A fault taken back does not strike.
    InjectFault(FaultFamily::RegistrySet, 1);
    platform_testing::ClearInjectedFaults();
    EXPECT_EQ(SetValue(key, "a", "4"), ERROR_SUCCESS);
    RegCloseKey(key);
    EXPECT_EQ(RegValue(HKEY_CURRENT_USER, "Software\\Probe", "a"), "4");
}

TEST_F(FaultInjection, RegistryAndProfileCallsFailWithNothingChanged) {
    HKEY key;
    ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, "Software\\Probe", &key), ERROR_SUCCESS);
    ASSERT_EQ(SetValue(key, "a", "alt"), ERROR_SUCCESS);

    InjectFault(FaultFamily::RegistrySet, 1);
    EXPECT_EQ(SetValue(key, "a", "neu"), ERROR_CANTWRITE);
    EXPECT_EQ(RegValue(HKEY_CURRENT_USER, "Software\\Probe", "a"), "alt");

    HKEY created = nullptr;
    InjectFault(FaultFamily::RegistryCreate, 1);
    EXPECT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, "Software\\Probe\\Neu", &created),
              ERROR_ACCESS_DENIED);
    EXPECT_FALSE(RegKeyExists(HKEY_CURRENT_USER, "Software\\Probe\\Neu"));

    InjectFault(FaultFamily::RegistryDelete, 1);
    EXPECT_EQ(RegDeleteValueA(key, "a"), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegValue(HKEY_CURRENT_USER, "Software\\Probe", "a"), "alt");
    RegCloseKey(key);
    InjectFault(FaultFamily::RegistryDelete, 1);
    EXPECT_EQ(RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Probe"), ERROR_ACCESS_DENIED);
    EXPECT_TRUE(RegKeyExists(HKEY_CURRENT_USER, "Software\\Probe"));

    ASSERT_TRUE(WritePrivateProfileStringA("Garten", "Beet", "1", "control.ini"));
    std::string before = FileText("C:\\WINDOWS\\control.ini");
    InjectFault(FaultFamily::ProfileWrite, 1);
    SetLastError(0);
    EXPECT_FALSE(WritePrivateProfileStringA("Garten", nullptr, nullptr, "control.ini"));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_EQ(FileText("C:\\WINDOWS\\control.ini"), before);
}

TEST_F(FaultInjection, FileCallsFailWithNothingChanged) {
    std::string file = Scratch("a.txt"), copy = Scratch("b.txt");
    ASSERT_TRUE(package_test::WriteWholeFile(file, "Inhalt"));
    ASSERT_TRUE(package_test::WriteWholeFile(copy, "alt"));

    // Opening for reading is no create and does not count.
    platform_testing::ResetFaultCounts();
    InjectFault(FaultFamily::FileCreate, 1);
    int handle = crt_open(file.c_str(), CRT_O_RDONLY | CRT_O_BINARY);
    EXPECT_NE(handle, -1);
    crt_close(handle);
    EXPECT_EQ(FaultCallCount(FaultFamily::FileCreate), 0);
    EXPECT_EQ(crt_open(Scratch("neu.txt").c_str(), CRT_O_WRONLY | CRT_O_CREAT | CRT_O_BINARY), -1);
    EXPECT_EQ(crt_errno(), CRT_EACCES);
    EXPECT_FALSE(package_test::Exists(Scratch("neu.txt")));

    // A short write is a full disk: half stored, ENOSPC.
    handle = crt_open(Scratch("voll.txt").c_str(), CRT_O_WRONLY | CRT_O_CREAT | CRT_O_BINARY);
    ASSERT_NE(handle, -1);
    InjectFault(FaultFamily::ShortWrite, 1);
    EXPECT_EQ(crt_write(handle, "12345678", 8), 4);
    EXPECT_EQ(crt_errno(), CRT_ENOSPC);
    crt_close(handle);
    EXPECT_EQ(FileText(Scratch("voll.txt")), "1234");

    InjectFault(FaultFamily::Copy, 1);
    EXPECT_FALSE(CopyFileA(file.c_str(), copy.c_str(), FALSE));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DISK_FULL));
    EXPECT_EQ(FileText(copy), "alt");

    InjectFault(FaultFamily::Delete, 1);
    EXPECT_FALSE(DeleteFileA(file.c_str()));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_TRUE(package_test::Exists(file));

    InjectFault(FaultFamily::CreateDirectory, 1);
    EXPECT_FALSE(CreateDirectoryA(Scratch("neu").c_str(), nullptr));
    EXPECT_FALSE(package_test::Exists(Scratch("neu")));
    ASSERT_TRUE(CreateDirectoryA(Scratch("neu").c_str(), nullptr));
    InjectFault(FaultFamily::RemoveDirectory, 1);
    EXPECT_FALSE(RemoveDirectoryA(Scratch("neu").c_str()));
    EXPECT_TRUE(package_test::Exists(Scratch("neu")));
}

} // namespace
