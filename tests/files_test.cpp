// File system behaviour the program relies on: copying, moving, deleting,
// read-only files, temporary names, short names, listings, the runtime's
// file interface and file times. Runs against the emulation and Wine alike.
#include "platform/crt.h"
#include "platform/win32.h"
#include "tests/support/test_machine.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

namespace {

using Files = MachineTest;

void WriteText(const std::string& path, const std::string& text) {
    int fd = crt_open(path.c_str(), CRT_O_WRONLY | CRT_O_CREAT | CRT_O_TRUNC | CRT_O_BINARY);
    ASSERT_GE(fd, 0) << path;
    ASSERT_EQ(crt_write(fd, text.data(), static_cast<unsigned>(text.size())),
              static_cast<int>(text.size()));
    crt_close(fd);
}

std::string ReadText(const std::string& path) {
    int fd = crt_open(path.c_str(), CRT_O_RDONLY | CRT_O_BINARY);
    if (fd < 0)
        return "<missing>";
    char buffer[256];
    int n = crt_read(fd, buffer, sizeof buffer);
    crt_close(fd);
    return std::string(buffer, n > 0 ? static_cast<size_t>(n) : 0);
}

// Wine run as root cannot refuse to write a read-only file (it keeps
// read-only in the host permission bits, which root ignores); Windows and
// the emulation refuse.
bool ReadOnlyEnforced(const std::string& scratch) {
    if (platform_testing::IsEmulated())
        return true;
    std::string probe = scratch + "probe.ro";
    WriteText(probe, "x");
    SetFileAttributesA(probe.c_str(), FILE_ATTRIBUTE_READONLY);
    int fd = crt_open(probe.c_str(), CRT_O_WRONLY);
    if (fd >= 0)
        crt_close(fd);
    SetFileAttributesA(probe.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(probe.c_str());
    return fd < 0;
}

bool IsEightDotThree(const std::string& name) {
    size_t dot = name.find('.');
    std::string base = name.substr(0, dot);
    std::string ext = dot == std::string::npos ? "" : name.substr(dot + 1);
    return !base.empty() && base.size() <= 8 && ext.size() <= 3 &&
           ext.find('.') == std::string::npos && name.find(' ') == std::string::npos;
}

int64_t Ticks(const FILETIME& t) {
    return static_cast<int64_t>((static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime);
}

TEST_F(Files, CopyFileOverwritesOnlyWhenAskedAndKeepsAttributesAndTime) {
    std::string a = Scratch("a.txt"), b = Scratch("b.txt"), c = Scratch("c.txt");
    WriteText(a, "alpha");
    WriteText(b, "beta");
    EXPECT_FALSE(CopyFileA(a.c_str(), b.c_str(), TRUE));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_EXISTS));
    EXPECT_EQ(ReadText(b), "beta");
    EXPECT_TRUE(CopyFileA(a.c_str(), b.c_str(), FALSE));
    EXPECT_EQ(ReadText(b), "alpha");
    EXPECT_FALSE(CopyFileA(Scratch("none.txt").c_str(), c.c_str(), FALSE));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));

    // The copy carries the source's modification time and read-only.
    FILETIME when;
    ASSERT_TRUE(DosDateTimeToFileTime((19 << 9) | (6 << 5) | 15, (12 << 11) | (30 << 5), &when));
    int fd = crt_open(a.c_str(), CRT_O_RDWR);
    ASSERT_GE(fd, 0);
    ASSERT_TRUE(SetFileTime(crt_get_osfhandle(fd), nullptr, nullptr, &when));
    crt_close(fd);
    ASSERT_TRUE(SetFileAttributesA(a.c_str(), FILE_ATTRIBUTE_READONLY));
    ASSERT_TRUE(CopyFileA(a.c_str(), c.c_str(), TRUE));
    EXPECT_TRUE(GetFileAttributesA(c.c_str()) & FILE_ATTRIBUTE_READONLY);
    CrtStat source, copy;
    ASSERT_EQ(crt_stat(a.c_str(), &source), 0);
    ASSERT_EQ(crt_stat(c.c_str(), &copy), 0);
    EXPECT_EQ(copy.modified, source.modified);
    EXPECT_EQ(copy.size, 5);
}

TEST_F(Files, ReadOnlyFilesCannotBeDeletedOverwrittenOrOpenedForWriting) {
    std::string ro = Scratch("fest.txt"), other = Scratch("other.txt");
    WriteText(ro, "fest");
    WriteText(other, "other");
    ASSERT_TRUE(SetFileAttributesA(ro.c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_FALSE(DeleteFileA(ro.c_str()));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_EQ(crt_remove(ro.c_str()), -1);
    EXPECT_EQ(crt_errno(), CRT_EACCES);
    // Reading and renaming stay allowed.
    int fd = crt_open(ro.c_str(), CRT_O_RDONLY);
    EXPECT_GE(fd, 0);
    crt_close(fd);
    if (!ReadOnlyEnforced(scratch))
        GTEST_SKIP() << "the host does not enforce read-only (Wine run as root)";
    EXPECT_EQ(crt_open(ro.c_str(), CRT_O_WRONLY), -1);
    EXPECT_EQ(crt_errno(), CRT_EACCES);
    EXPECT_EQ(crt_open(ro.c_str(), CRT_O_RDONLY | CRT_O_TRUNC), -1);
    EXPECT_EQ(crt_errno(), CRT_EACCES);
    EXPECT_FALSE(CopyFileA(other.c_str(), ro.c_str(), FALSE));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_EQ(ReadText(ro), "fest");
    ASSERT_TRUE(SetFileAttributesA(ro.c_str(), FILE_ATTRIBUTE_NORMAL));
    EXPECT_TRUE(DeleteFileA(ro.c_str()));
}

TEST_F(Files, RuntimeFileInterfaceReportsTheRuntimeErrorNumbers) {
    std::string a = Scratch("a.dat"), b = Scratch("b.dat");
    WriteText(a, "a");
    WriteText(b, "b");
    EXPECT_EQ(crt_rename(a.c_str(), b.c_str()), -1);
    EXPECT_EQ(crt_errno(), CRT_EEXIST);
    EXPECT_EQ(ReadText(b), "b");
    EXPECT_EQ(crt_rename(Scratch("none").c_str(), Scratch("x").c_str()), -1);
    EXPECT_EQ(crt_errno(), CRT_ENOENT);
    EXPECT_EQ(crt_rename(a.c_str(), Scratch("c.dat").c_str()), 0);
    EXPECT_EQ(ReadText(Scratch("c.dat")), "a");

    EXPECT_EQ(crt_mkdir(Scratch("dir").c_str()), 0);
    EXPECT_EQ(crt_mkdir(Scratch("dir").c_str()), -1);
    EXPECT_EQ(crt_errno(), CRT_EEXIST);
    EXPECT_EQ(crt_mkdir(Scratch("none\\dir").c_str()), -1);
    EXPECT_EQ(crt_errno(), CRT_ENOENT);
    EXPECT_EQ(crt_remove(Scratch("dir").c_str()), -1);
    EXPECT_EQ(crt_errno(), CRT_EACCES);

    EXPECT_EQ(crt_open(Scratch("none.dat").c_str(), CRT_O_RDONLY), -1);
    EXPECT_EQ(crt_errno(), CRT_ENOENT);
    EXPECT_EQ(crt_open(Scratch("none\\x.dat").c_str(), CRT_O_WRONLY | CRT_O_CREAT), -1);
    EXPECT_EQ(crt_errno(), CRT_ENOENT);
    EXPECT_EQ(crt_open(b.c_str(), CRT_O_WRONLY | CRT_O_CREAT | CRT_O_EXCL), -1);
    EXPECT_EQ(crt_errno(), CRT_EEXIST);
    EXPECT_EQ(crt_open(Scratch("dir").c_str(), CRT_O_WRONLY), -1);
    EXPECT_EQ(crt_errno(), CRT_EACCES);

    int fd = crt_open(b.c_str(), CRT_O_RDONLY);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(crt_write(fd, "x", 1), -1);
    EXPECT_EQ(crt_errno(), CRT_EBADF);
    EXPECT_EQ(crt_filelength(fd), 1);
    // An open file cannot be deleted.
    EXPECT_EQ(crt_remove(b.c_str()), -1);
    EXPECT_EQ(crt_errno(), CRT_EACCES);
    EXPECT_FALSE(DeleteFileA(b.c_str()));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    EXPECT_EQ(crt_lseek(fd, -5, CRT_SEEK_SET), -1);
    EXPECT_EQ(crt_errno(), CRT_EINVAL);
    crt_close(fd);

    // Append, seek and length.
    fd = crt_open(b.c_str(), CRT_O_WRONLY | CRT_O_APPEND);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(crt_write(fd, "cd", 2), 2);
    EXPECT_EQ(crt_lseek(fd, 0, CRT_SEEK_END), 3);
    crt_close(fd);
    EXPECT_EQ(ReadText(b), "bcd");
    CrtStat st;
    EXPECT_EQ(crt_stat(Scratch("dir").c_str(), &st), 0);
    EXPECT_TRUE(st.isDirectory);
    EXPECT_EQ(crt_stat(Scratch("none").c_str(), &st), -1);
    EXPECT_EQ(crt_errno(), CRT_ENOENT);

    // A file created without write permission is read-only afterwards.
    fd = crt_open(Scratch("ro.dat").c_str(), CRT_O_WRONLY | CRT_O_CREAT, CRT_S_IREAD);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(crt_write(fd, "x", 1), 1);
    crt_close(fd);
    EXPECT_TRUE(GetFileAttributesA(Scratch("ro.dat").c_str()) & FILE_ATTRIBUTE_READONLY);
}

TEST_F(Files, MoveFileRefusesAnExistingTargetButNotACaseChange) {
    std::string a = Scratch("a.txt"), b = Scratch("b.txt");
    WriteText(a, "a");
    WriteText(b, "b");
    EXPECT_FALSE(MoveFileA(a.c_str(), b.c_str()));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
    // A change of case only is no clash (Windows then shows the new case;
    // Wine keeps the old one).
    EXPECT_TRUE(MoveFileA(a.c_str(), Scratch("A.TXT").c_str()));
    EXPECT_EQ(ReadText(Scratch("a.txt")), "a");
    ASSERT_TRUE(SetFileAttributesA(b.c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_TRUE(MoveFileA(b.c_str(), Scratch("c.txt").c_str()));
    EXPECT_FALSE(MoveFileA(Scratch("none").c_str(), Scratch("x").c_str()));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

// CharUpperBuffA folds the letters of code page 1252, and the file system
// matches names through the same fold: the program compares names with it.
TEST_F(Files, UpperCaseFoldsTheCodePagesLettersAsNamesMatch) {
    const struct {
        unsigned char in, out;
    } table[] = {
        {'a', 'A'},
        {'z', 'Z'},
        {0xE4, 0xC4},
        {0xF6, 0xD6},
        {0xFC, 0xDC}, // a z ä ö ü
        {0xE9, 0xC9},
        {0xE0, 0xC0},
        {0xFE, 0xDE},
        {0x9A, 0x8A},
        {0x9C, 0x8C}, // é à þ š œ
        {0x9E, 0x8E},
        {0xFF, 0x9F}, // ž ÿ
        // no capital in the code page, or no letter, or upper case already
        {0xDF, 0xDF},
        {0xB5, 0xB5},
        {0xF7, 0xF7},
        {0xD7, 0xD7},
        {0x83, 0x83}, // ß µ ÷ × ƒ
        {0xAA, 0xAA},
        {0xBA, 0xBA},
        {0x80, 0x80},
        {'A', 'A'},
        {0xC4, 0xC4}, // ª º € A Ä
        {0x8A, 0x8A},
        {0x9F, 0x9F},
        {'1', '1'},
        {'[', '['},
        {'{', '{'}, // Š Ÿ
    };
    for (const auto& t : table) {
        char c = static_cast<char>(t.in);
        EXPECT_EQ(CharUpperBuffA(&c, 1), 1u);
        EXPECT_EQ(static_cast<unsigned char>(c), t.out) << std::hex << int(t.in);
    }
    // Every character of the count is converted, a zero included.
    char text[] = "g\xE4r\0t\xFF";
    EXPECT_EQ(CharUpperBuffA(text, 6), 6u);
    EXPECT_EQ(std::string(text, 6), std::string("G\xC4R\0T\x9F", 6));

    WriteText(Scratch("g\xE4rten-\x9C\xFF.txt"), "Beete");
    EXPECT_EQ(ReadText(Scratch("G\xC4RTEN-\x8C\x9F.TXT")), "Beete");
}

TEST_F(Files, TempFileNamesAreCreatedWhenTheNumberIsChosen) {
    char temp[MAX_PATH];
    DWORD n = GetTempPathA(sizeof temp, temp);
    ASSERT_GT(n, 0u);
    EXPECT_EQ(temp[n - 1], '\\');
    EXPECT_TRUE(GetFileAttributesA(temp) & FILE_ATTRIBUTE_DIRECTORY);

    char name[MAX_PATH];
    std::string dir = scratch.substr(0, scratch.size() - 1);
    UINT number = GetTempFileNameA(dir.c_str(), "wiesen", 0, name);
    ASSERT_NE(number, 0u);
    char hex[8];
    snprintf(hex, sizeof hex, "%x", number);
    std::string expected = scratch + "wie" + hex + ".tmp";
    EXPECT_EQ(strcasecmp(name, expected.c_str()), 0) << name;
    EXPECT_NE(GetFileAttributesA(name), INVALID_FILE_ATTRIBUTES);
    UINT second = GetTempFileNameA(scratch.c_str(), "wie", 0, name);
    EXPECT_NE(second, number);

    EXPECT_EQ(GetTempFileNameA(scratch.c_str(), "x", 0x1A, name), 0x1Au);
    EXPECT_EQ(strcasecmp(name, (scratch + "x1a.tmp").c_str()), 0) << name;
    EXPECT_EQ(GetFileAttributesA(name), INVALID_FILE_ATTRIBUTES);

    EXPECT_EQ(GetTempFileNameA(Scratch("none").c_str(), "x", 0, name), 0u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DIRECTORY));
}

TEST_F(Files, ShortPathNamesAreEightDotThreeAndNameTheSameFile) {
    ASSERT_TRUE(CreateDirectoryA(Scratch("Lange Ordner").c_str(), nullptr));
    std::string file = Scratch("Lange Ordner\\Wiesenhain Bild.bitmap");
    WriteText(file, "wiese");
    char shortPath[MAX_PATH];
    DWORD n = GetShortPathNameA(file.c_str(), shortPath, sizeof shortPath);
    ASSERT_GT(n, 0u);
    ASSERT_EQ(n, strlen(shortPath));
    EXPECT_EQ(GetShortPathNameA(file.c_str(), shortPath, 4), n + 1);
    std::string s = shortPath;
    ASSERT_EQ(s.compare(0, 3, file.substr(0, 3)), 0);
    for (size_t start = 3; start < s.size();) {
        size_t end = s.find('\\', start);
        if (end == std::string::npos)
            end = s.size();
        EXPECT_TRUE(IsEightDotThree(s.substr(start, end - start))) << s;
        start = end + 1;
    }
    EXPECT_EQ(ReadText(s), "wiese");
    char longPath[MAX_PATH];
    ASSERT_GT(GetLongPathNameA(shortPath, longPath, sizeof longPath), 0u);
    char fullFile[MAX_PATH];
    GetLongPathNameA(file.c_str(), fullFile, sizeof fullFile);
    EXPECT_STREQ(longPath, fullFile);
    EXPECT_NE(strstr(longPath, "Lange Ordner\\Wiesenhain Bild.bitmap"), nullptr);

    // A relative path stays relative.
    n = GetShortPathNameA("Lange Ordner", shortPath, sizeof shortPath);
    ASSERT_GT(n, 0u);
    EXPECT_TRUE(IsEightDotThree(shortPath)) << shortPath;
    EXPECT_EQ(GetShortPathNameA(Scratch("none.txt").c_str(), shortPath, sizeof shortPath), 0u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

TEST_F(Files, FindFirstFileListsNamesShortNamesAndDots) {
    ASSERT_TRUE(CreateDirectoryA(Scratch("sub").c_str(), nullptr));
    WriteText(Scratch("sub\\Long File Name.txt"), "abc");
    WriteText(Scratch("sub\\SHORT.TXT"), "");
    WriteText(Scratch("sub\\Mixed.txt"), "1234567");
    ASSERT_TRUE(CreateDirectoryA(Scratch("sub\\inner").c_str(), nullptr));

    auto list = [](const std::string& pattern) {
        std::vector<WIN32_FIND_DATAA> found;
        WIN32_FIND_DATAA data;
        HANDLE find = FindFirstFileA(pattern.c_str(), &data);
        if (find == INVALID_HANDLE_VALUE)
            return found;
        do
            found.push_back(data);
        while (FindNextFileA(find, &data));
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_MORE_FILES));
        EXPECT_TRUE(FindClose(find));
        return found;
    };
    auto names = [](const std::vector<WIN32_FIND_DATAA>& found) {
        std::set<std::string> out;
        for (const auto& d : found)
            out.insert(d.cFileName);
        return out;
    };
    std::vector<WIN32_FIND_DATAA> all = list(Scratch("sub\\*.*"));
    EXPECT_EQ(names(all), (std::set<std::string>{".", "..", "Long File Name.txt", "SHORT.TXT",
                                                 "Mixed.txt", "inner"}));
    ASSERT_GE(all.size(), 2u);
    EXPECT_STREQ(all[0].cFileName, ".");
    EXPECT_STREQ(all[1].cFileName, "..");
    for (const auto& d : all) {
        std::string name = d.cFileName;
        if (name == "." || name == ".." || name == "inner") {
            EXPECT_TRUE(d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) << name;
        } else {
            EXPECT_FALSE(d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) << name;
        }
        if (name == "Long File Name.txt") {
            EXPECT_EQ(d.nFileSizeLow, 3u);
            EXPECT_TRUE(IsEightDotThree(d.cAlternateFileName)) << d.cAlternateFileName;
            // The short name finds the same file.
            EXPECT_EQ(ReadText(Scratch("sub\\") + d.cAlternateFileName), "abc");
        }
        if (name == "Mixed.txt") {
            EXPECT_EQ(d.nFileSizeLow, 7u);
            EXPECT_STREQ(d.cAlternateFileName, "");
        }
    }
    EXPECT_EQ(names(list(Scratch("sub\\*.txt"))),
              (std::set<std::string>{"Long File Name.txt", "SHORT.TXT", "Mixed.txt"}));
    EXPECT_EQ(names(list(Scratch("sub\\?????.TXT"))),
              (std::set<std::string>{"SHORT.TXT", "Mixed.txt"}));
    EXPECT_EQ(names(list(Scratch("sub"))), (std::set<std::string>{"sub"}));

    WIN32_FIND_DATAA data;
    EXPECT_EQ(FindFirstFileA(Scratch("sub\\nothing*").c_str(), &data), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(FindFirstFileA(Scratch("none\\*").c_str(), &data), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
    // A drive's root has no "." and "..".
    EXPECT_EQ(names(list("C:\\*")).count("."), 0u);
}

TEST_F(Files, FullPathNamesAndDriveStrings) {
    char full[MAX_PATH];
    LPSTR part = nullptr;
    std::string cwd = scratch.substr(0, scratch.size() - 1);
    DWORD n = GetFullPathNameA("SUB\\.\\x\\..\\File.TXT", sizeof full, full, &part);
    EXPECT_EQ(std::string(full), scratch + "SUB\\File.TXT");
    EXPECT_EQ(n, strlen(full));
    ASSERT_NE(part, nullptr);
    EXPECT_STREQ(part, "File.TXT");
    GetFullPathNameA("sub\\", sizeof full, full, &part);
    EXPECT_EQ(std::string(full), scratch + "sub\\");
    EXPECT_EQ(part, nullptr);
    EXPECT_EQ(GetFullPathNameA("sub\\a.txt", 5, full, nullptr), scratch.size() + 9 + 1);

    char drives[128];
    DWORD length = GetLogicalDriveStringsA(sizeof drives, drives);
    ASSERT_GT(length, 0u);
    ASSERT_EQ(length % 4, 0u);
    bool haveC = false;
    for (DWORD i = 0; i < length; i += 4) {
        EXPECT_TRUE(drives[i] >= 'A' && drives[i] <= 'Z');
        EXPECT_EQ(std::string(drives + i + 1), ":\\");
        haveC = haveC || drives[i] == 'C';
    }
    EXPECT_TRUE(haveC);
    EXPECT_EQ(drives[length], '\0');
    EXPECT_EQ(GetLogicalDriveStringsA(2, drives), length + 1);
}

TEST_F(Files, FileTimesRoundTripThroughTheRuntime) {
    FILETIME dos;
    ASSERT_TRUE(DosDateTimeToFileTime(0x21, 0, &dos)); // 1980-01-01 00:00:00
    EXPECT_EQ(Ticks(dos), 0x01A8E79FE1D58000LL);
    EXPECT_FALSE(DosDateTimeToFileTime(0x1F, 0, &dos));      // month 0
    EXPECT_FALSE(DosDateTimeToFileTime(0x21, 0xC000, &dos)); // hour 24

    FILETIME local, utc, back;
    ASSERT_TRUE(DosDateTimeToFileTime((19 << 9) | (6 << 5) | 15, (12 << 11) | (30 << 5), &local));
    ASSERT_TRUE(LocalFileTimeToFileTime(&local, &utc));
    ASSERT_TRUE(FileTimeToLocalFileTime(&utc, &back));
    EXPECT_EQ(Ticks(back), Ticks(local));

    std::string path = Scratch("zeit.dat");
    WriteText(path, "t");
    int fd = crt_open(path.c_str(), CRT_O_RDWR);
    ASSERT_GE(fd, 0);
    ASSERT_TRUE(SetFileTime(crt_get_osfhandle(fd), nullptr, nullptr, &utc));
    FILETIME read;
    ASSERT_TRUE(GetFileTime(crt_get_osfhandle(fd), nullptr, nullptr, &read));
    EXPECT_EQ(Ticks(read), Ticks(utc));
    crt_close(fd);
    CrtStat st;
    ASSERT_EQ(crt_stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.modified, (Ticks(utc) - 116444736000000000LL) / 10000000LL);
}

TEST_F(Files, TimeZoneAgreesWithTheRuntimesLocalTime) {
    TIME_ZONE_INFORMATION tz;
    DWORD id = GetTimeZoneInformation(&tz);
    ASSERT_NE(id, TIME_ZONE_ID_INVALID);
    long bias = tz.Bias + (id == TIME_ZONE_ID_DAYLIGHT ? tz.DaylightBias : tz.StandardBias);
    int64_t now = static_cast<int64_t>(time(nullptr));
    CrtCalendar local;
    ASSERT_TRUE(crt_localtime(now, &local));
    time_t shifted = static_cast<time_t>(now - bias * 60);
    struct tm* expected = gmtime(&shifted);
    ASSERT_NE(expected, nullptr);
    EXPECT_EQ(local.year, expected->tm_year + 1900);
    EXPECT_EQ(local.month, expected->tm_mon + 1);
    EXPECT_EQ(local.day, expected->tm_mday);
    EXPECT_EQ(local.hour, expected->tm_hour);
    EXPECT_EQ(local.minute, expected->tm_min);
    if (id != TIME_ZONE_ID_UNKNOWN) {
        EXPECT_NE(tz.DaylightDate.wMonth, 0);
        EXPECT_NE(tz.StandardDate.wMonth, 0);
    }
}

} // namespace
