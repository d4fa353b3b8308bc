// The emulation's diskette drive (capacity, write protection, no diskette),
// fault injection into the runtime's file calls, and what the machine keeps
// on the host between runs (attributes, short names).
#include "platform/crt.h"
#include "platform/posix/kernel/machine.h"
#include "platform/win32.h"
#include "tests/support/test_machine.h"

#include <stdlib.h>
#include <time.h>
#include <unistd.h>

#include <string>

namespace {

using Diskette = MachineTest;
using Emulation = MachineTest;

void WriteBytes(const std::string& path, size_t size) {
    int fd = crt_open(path.c_str(), CRT_O_WRONLY | CRT_O_CREAT | CRT_O_TRUNC);
    ASSERT_GE(fd, 0) << path;
    std::string bytes(size, 'x');
    ASSERT_EQ(crt_write(fd, bytes.data(), static_cast<unsigned>(size)), static_cast<int>(size));
    crt_close(fd);
}

TEST_F(Diskette, WritesStopShortWhenTheDisketteIsFull) {
    // Small files take whole 512-byte clusters.
    WriteBytes("A:\\one", 1);
    WriteBytes("A:\\two", 1);
    int fd = crt_open("A:\\big", CRT_O_WRONLY | CRT_O_CREAT);
    ASSERT_GE(fd, 0);
    std::string block(4096, 'b');
    int64_t total = 0;
    int n;
    while ((n = crt_write(fd, block.data(), 4096)) == 4096)
        total += n;
    EXPECT_EQ(crt_errno(), CRT_ENOSPC);
    total += n;
    crt_close(fd);
    EXPECT_EQ(total, machine::DisketteCapacity() - 1024);
    EXPECT_FALSE(CreateDirectoryA("A:\\VOLL", nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DISK_FULL));
    EXPECT_EQ(crt_open("A:\\more", CRT_O_WRONLY | CRT_O_CREAT) >= 0, true);
}

TEST_F(Diskette, CopyThatDoesNotFitFailsAndLeavesNoFile) {
    WriteBytes("C:\\SCRATCH\\big.dat", 1000 * 1024);
    ASSERT_TRUE(CopyFileA("C:\\SCRATCH\\big.dat", "A:\\first.dat", FALSE));
    EXPECT_FALSE(CopyFileA("C:\\SCRATCH\\big.dat", "A:\\second.dat", FALSE));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DISK_FULL));
    EXPECT_EQ(GetFileAttributesA("A:\\second.dat"), INVALID_FILE_ATTRIBUTES);
    // Replacing a file counts the space it frees.
    EXPECT_TRUE(CopyFileA("C:\\SCRATCH\\big.dat", "A:\\first.dat", FALSE));
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA("a:*.*", &data);
    ASSERT_NE(find, INVALID_HANDLE_VALUE);
    EXPECT_STREQ(data.cFileName, "first.dat");
    EXPECT_FALSE(FindNextFileA(find, &data));
    FindClose(find);
}

TEST_F(Diskette, WriteProtectedAndMissingDiskettesRefuseTheirWays) {
    WriteBytes("C:\\SCRATCH\\f.txt", 10);
    WriteBytes("A:\\old.txt", 10);
    machine::SetDisketteWriteProtected(true);
    EXPECT_FALSE(CopyFileA("C:\\SCRATCH\\f.txt", "A:\\f.txt", FALSE));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_WRITE_PROTECT));
    EXPECT_EQ(crt_open("A:\\new.txt", CRT_O_WRONLY | CRT_O_CREAT), -1);
    EXPECT_EQ(crt_errno(), CRT_EACCES);
    EXPECT_EQ(crt_remove("A:\\old.txt"), -1);
    EXPECT_EQ(crt_errno(), CRT_EACCES);
    EXPECT_FALSE(DeleteFileA("A:\\old.txt"));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_WRITE_PROTECT));
    int fd = crt_open("A:\\old.txt", CRT_O_RDONLY);
    EXPECT_GE(fd, 0);
    crt_close(fd);
    machine::SetDisketteWriteProtected(false);

    machine::EjectDiskette();
    EXPECT_EQ(GetFileAttributesA("A:\\old.txt"), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_READY));
    EXPECT_FALSE(CopyFileA("C:\\SCRATCH\\f.txt", "A:\\f.txt", FALSE));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_READY));
    WIN32_FIND_DATAA data;
    EXPECT_EQ(FindFirstFileA("a:*.*", &data), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_READY));
    EXPECT_EQ(crt_open("A:\\f.txt", CRT_O_WRONLY | CRT_O_CREAT), -1);
    EXPECT_EQ(crt_errno(), CRT_EACCES);
    // The drive itself is still there.
    char drives[32];
    ASSERT_EQ(GetLogicalDriveStringsA(sizeof drives, drives), 8u);
    EXPECT_EQ(std::string(drives, 8), std::string("A:\\\0C:\\\0", 8));
    machine::InsertDiskette();
    EXPECT_NE(GetFileAttributesA("A:\\"), INVALID_FILE_ATTRIBUTES);
}

TEST_F(Emulation, InjectedFaultsHitTheNthCall) {
    int fd = crt_open("f.dat", CRT_O_RDWR | CRT_O_CREAT);
    ASSERT_GE(fd, 0);
    ASSERT_TRUE(platform_testing::InjectShortWrite(2));
    EXPECT_EQ(crt_write(fd, "abcd", 4), 4);
    EXPECT_EQ(crt_write(fd, "efgh", 4), 2);
    EXPECT_EQ(crt_errno(), CRT_ENOSPC);
    EXPECT_EQ(crt_write(fd, "ij", 2), 2);
    EXPECT_EQ(crt_filelength(fd), 8);
    ASSERT_EQ(crt_lseek(fd, 0, CRT_SEEK_SET), 0);
    ASSERT_TRUE(platform_testing::InjectReadFailure(1));
    char buffer[16];
    EXPECT_EQ(crt_read(fd, buffer, sizeof buffer), -1);
    EXPECT_EQ(crt_errno(), CRT_EBADF);
    EXPECT_EQ(crt_read(fd, buffer, sizeof buffer), 8);
    EXPECT_EQ(std::string(buffer, 8), "abcdefij");
    platform_testing::InjectReadFailure(1);
    platform_testing::ClearInjectedFaults();
    EXPECT_EQ(crt_read(fd, buffer, sizeof buffer), 0);
    crt_close(fd);
    EXPECT_EQ(crt_close(fd), -1);
    EXPECT_EQ(crt_errno(), CRT_EBADF);
}

TEST_F(Emulation, AttributesAndShortNamesSurviveReopeningAndMoves) {
    WriteBytes("Versteckte Datei.txt", 3);
    ASSERT_TRUE(SetFileAttributesA("Versteckte Datei.txt",
                                   FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY));
    char before[MAX_PATH];
    ASSERT_GT(GetShortPathNameA("C:\\SCRATCH\\Versteckte Datei.txt", before, sizeof before), 0u);
    EXPECT_STREQ(before, "C:\\SCRATCH\\VERSTE~1.TXT");
    // A later file with the same start gets the next number; the first keeps its.
    WriteBytes("Versteckte Dateien.txt", 1);
    std::string folder = machine::Folder();
    std::string error;
    ASSERT_TRUE(machine::Open(folder, "", &error)) << error;
    char after[MAX_PATH];
    ASSERT_GT(GetShortPathNameA("C:\\SCRATCH\\Versteckte Datei.txt", after, sizeof after), 0u);
    EXPECT_STREQ(after, before);
    ASSERT_GT(GetShortPathNameA("C:\\SCRATCH\\Versteckte Dateien.txt", after, sizeof after), 0u);
    EXPECT_STREQ(after, "C:\\SCRATCH\\VERSTE~2.TXT");
    EXPECT_EQ(GetFileAttributesA("C:\\SCRATCH\\VERSTE~1.TXT"),
              static_cast<DWORD>(FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY));

    // A copy keeps the attributes; a move to another directory gets a
    // short name of its own there.
    ASSERT_TRUE(CopyFileA("C:\\SCRATCH\\VERSTE~1.TXT", "C:\\Versteckte Kopie.txt", FALSE));
    EXPECT_EQ(GetFileAttributesA("C:\\Versteckte Kopie.txt"),
              static_cast<DWORD>(FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY));
    ASSERT_TRUE(MoveFileA("C:\\SCRATCH\\Versteckte Dateien.txt", "C:\\Versteckte Dateien.txt"));
    char moved[MAX_PATH];
    ASSERT_GT(GetShortPathNameA("C:\\Versteckte Dateien.txt", moved, sizeof moved), 0u);
    ASSERT_GT(GetShortPathNameA("C:\\Versteckte Kopie.txt", after, sizeof after), 0u);
    EXPECT_STRNE(moved, after);
    char longName[MAX_PATH];
    ASSERT_GT(GetLongPathNameA(moved, longName, sizeof longName), 0u);
    EXPECT_STREQ(longName, "C:\\Versteckte Dateien.txt");
}

TEST_F(Emulation, MoveFileChangesTheCaseOfAName) {
    WriteBytes("klein.txt", 1);
    ASSERT_TRUE(MoveFileA("klein.txt", "Klein.TXT"));
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA("KLEIN.txt", &data);
    ASSERT_NE(find, INVALID_HANDLE_VALUE);
    EXPECT_STREQ(data.cFileName, "Klein.TXT");
    FindClose(find);
}

// The zone's rules as Windows gives them (figures compared with Wine's).
DWORD TimeZoneIn(const char* zone, TIME_ZONE_INFORMATION* tz) {
    const char* old = getenv("TZ");
    std::string saved = old ? old : "";
    setenv("TZ", zone, 1);
    tzset();
    DWORD id = GetTimeZoneInformation(tz);
    if (old)
        setenv("TZ", saved.c_str(), 1);
    else
        unsetenv("TZ");
    tzset();
    return id;
}

// The named zones come from the host's zone data (Debian's tzdata).
bool HaveZoneData() {
    return access("/usr/share/zoneinfo/Europe/Berlin", R_OK) == 0;
}

TEST_F(Emulation, TimeZoneRulesOfTheHostZone) {
    if (!HaveZoneData())
        GTEST_SKIP() << "no zone data on this host";
    TIME_ZONE_INFORMATION tz;
    DWORD id = TimeZoneIn("Europe/Berlin", &tz);
    EXPECT_TRUE(id == TIME_ZONE_ID_STANDARD || id == TIME_ZONE_ID_DAYLIGHT);
    EXPECT_EQ(tz.Bias, -60);
    EXPECT_EQ(tz.StandardBias, 0);
    EXPECT_EQ(tz.DaylightBias, -60);
    EXPECT_EQ(tz.DaylightDate.wMonth, 3);
    EXPECT_EQ(tz.DaylightDate.wDay, 5);
    EXPECT_EQ(tz.DaylightDate.wDayOfWeek, 0);
    EXPECT_EQ(tz.DaylightDate.wHour, 2);
    EXPECT_EQ(tz.StandardDate.wMonth, 10);
    EXPECT_EQ(tz.StandardDate.wDay, 5);
    EXPECT_EQ(tz.StandardDate.wHour, 3);
}

TEST_F(Emulation, TimeZonesWithoutDaylightTimeOrSouthOfTheEquator) {
    if (!HaveZoneData())
        GTEST_SKIP() << "no zone data on this host";
    TIME_ZONE_INFORMATION tz;
    EXPECT_EQ(TimeZoneIn("Asia/Tokyo", &tz), static_cast<DWORD>(TIME_ZONE_ID_UNKNOWN));
    EXPECT_EQ(tz.Bias, -540);
    EXPECT_EQ(tz.DaylightBias, -60);
    EXPECT_EQ(tz.DaylightDate.wMonth, 0);
    TimeZoneIn("Australia/Sydney", &tz);
    EXPECT_EQ(tz.Bias, -600);
    EXPECT_EQ(tz.StandardDate.wMonth, 4);
    EXPECT_EQ(tz.StandardDate.wDay, 1);
    EXPECT_EQ(tz.StandardDate.wHour, 3);
    EXPECT_EQ(tz.DaylightDate.wMonth, 10);
    EXPECT_EQ(tz.DaylightDate.wDay, 1);
    EXPECT_EQ(tz.DaylightDate.wHour, 2);
}

} // namespace
