// The emulated machine itself: its fresh layout, path resolution, short
// names, attributes and crash-safe replacement.
#include "platform/posix/kernel/codepage.h"
#include "platform/posix/kernel/machine.h"
#include "platform/win32.h"
#include "tests/native/host_files.h"
#include "tests/support/test_machine.h"

#include <fstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using EmulatedMachine = MachineTest;

TEST_F(EmulatedMachine, FreshMachineHasTheWindowsLayoutAndNeighbours) {
    for (const char* dir : {"C:\\WINDOWS", "C:\\WINDOWS\\SYSTEM", "C:\\WINDOWS\\TEMP",
                            "C:\\WINDOWS\\Desktop", "A:\\"}) {
        DWORD a = GetFileAttributesA(dir);
        ASSERT_NE(a, INVALID_FILE_ATTRIBUTES) << dir;
        EXPECT_TRUE(a & FILE_ATTRIBUTE_DIRECTORY) << dir;
    }
    std::string system = HostRead(machine::Resolve("C:\\WINDOWS\\system.ini").host);
    EXPECT_EQ(system.rfind("[boot]\r\n", 0), 0u);
    std::string control = HostRead(machine::Resolve("c:\\windows\\CONTROL.INI").host);
    EXPECT_NE(control.find("[Gartenplaner]\r\n"), std::string::npos);
    char buffer[MAX_PATH];
    EXPECT_EQ(GetWindowsDirectoryA(buffer, sizeof buffer), 10u);
    EXPECT_STREQ(buffer, "C:\\WINDOWS");
    EXPECT_EQ(GetSystemDirectoryA(buffer, 11), 18u); // too small: size needed
    EXPECT_STREQ(buffer, "C:\\WINDOWS");
}

TEST_F(EmulatedMachine, ReopeningKeepsTheMachine) {
    std::string folder = machine::Folder();
    ASSERT_TRUE(CreateDirectoryA("C:\\Bleibt", nullptr));
    std::string error;
    ASSERT_TRUE(machine::Open(folder, "", &error)) << error;
    EXPECT_NE(GetFileAttributesA("C:\\bleibt"), INVALID_FILE_ATTRIBUTES);
}

TEST_F(EmulatedMachine, RefusesAFolderThatIsNoMachine) {
    std::string folder = machine::Folder() + "/drives/c/WINDOWS";
    std::string error;
    EXPECT_FALSE(machine::Open(folder, "", &error));
    EXPECT_NE(error.find("not empty"), std::string::npos) << error;
}

TEST(NoMachine, PathCallsFailInsteadOfEndingTheProcess) {
    machine::Close();
    char buffer[MAX_PATH] = "unchanged";
    for (const char* path : {"relative.txt", "C:x", "\\rooted", "C:\\full"}) {
        SetLastError(0);
        EXPECT_EQ(GetFullPathNameA(path, sizeof buffer, buffer, nullptr), 0u) << path;
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND)) << path;
        EXPECT_EQ(GetFileAttributesA(path), INVALID_FILE_ATTRIBUTES) << path;
    }
    EXPECT_STREQ(buffer, "unchanged");
}

struct PathCase {
    const char* input;
    const char* canonical; // nullptr: refused
};

TEST_F(EmulatedMachine, ResolvesPathsTheWindowsWay) {
    ASSERT_TRUE(CreateDirectoryA("C:\\Spiele", nullptr));
    ASSERT_TRUE(SetCurrentDirectoryA("c:/spiele"));
    const PathCase cases[] = {
        {"C:\\WINDOWS\\SYSTEM", "C:\\WINDOWS\\SYSTEM"},
        {"c:\\windows\\system", "C:\\WINDOWS\\SYSTEM"},
        {"C:/WINDOWS/./SYSTEM/..", "C:\\WINDOWS"},
        {"C:\\..\\..\\WINDOWS", "C:\\WINDOWS"},
        {"C:\\\\WINDOWS\\\\", "C:\\WINDOWS"},
        {"neu.txt", "C:\\Spiele\\neu.txt"},
        {"..\\WINDOWS", "C:\\WINDOWS"},
        {"\\WINDOWS", "C:\\WINDOWS"},
        {"C:datei", "C:\\Spiele\\datei"},
        {"A:datei", "A:\\datei"},
        {"C:", "C:\\Spiele"},
        {"C:\\", "C:\\"},
        {"data.", "C:\\Spiele\\data"},
        {"Z:\\x", nullptr},
        {"C:\\a<b", nullptr},
        {"\\\\server\\share", nullptr},
        {"", nullptr},
    };
    for (const PathCase& c : cases) {
        machine::Resolved r = machine::Resolve(c.input);
        if (!c.canonical) {
            EXPECT_FALSE(r.ok) << c.input;
            continue;
        }
        ASSERT_TRUE(r.ok) << c.input;
        EXPECT_EQ(r.canonical, c.canonical) << c.input;
    }
    EXPECT_FALSE(machine::Resolve(std::string(300, 'x').c_str()).ok);
}

TEST_F(EmulatedMachine, NamesKeepTheirCaseAndMatchWithoutIt) {
    ASSERT_TRUE(CreateDirectoryA("C:\\Gr\xFCne Wiese", nullptr));
    EXPECT_EQ(machine::Resolve("C:\\GR\xDCNE WIESE").canonical, "C:\\Gr\xFCne Wiese");
    // The host keeps the name in UTF-8 so a person can read it.
    EXPECT_NE(machine::Resolve("C:\\gr\xFCne wiese").host.find("Gr\xC3\xBCne Wiese"),
              std::string::npos);
    EXPECT_FALSE(CreateDirectoryA("c:\\GR\xDCNE wiese", nullptr));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_ALREADY_EXISTS);
}

TEST_F(EmulatedMachine, ShortNamesFindLongNamesAndStayStable) {
    std::string dir = machine::Resolve("C:\\WINDOWS\\SYSTEM").host;
    HostWrite(dir + "/Wiesenhain.scr", "x");
    std::string shortName = machine::ShortNameOf(dir, "Wiesenhain.scr");
    EXPECT_EQ(shortName, "WIESEN~1.SCR");
    machine::Resolved r = machine::Resolve("C:\\WINDOWS\\SYSTEM\\WIESEN~1.SCR");
    ASSERT_TRUE(r.exists);
    EXPECT_EQ(r.canonical, "C:\\WINDOWS\\SYSTEM\\Wiesenhain.scr");
    // A later long name that sorts first gets the next number; the first
    // keeps its own.
    HostWrite(dir + "/Wiesenbaum.scr", "y");
    EXPECT_EQ(machine::ShortNameOf(dir, "Wiesenbaum.scr"), "WIESEN~2.SCR");
    EXPECT_EQ(machine::ShortNameOf(dir, "Wiesenhain.scr"), "WIESEN~1.SCR");
    EXPECT_EQ(machine::ShortNameOf(dir, "setup.exe"), "SETUP.EXE");
    EXPECT_EQ(machine::ShortNameOf(dir, "a b+c.long.html"), "AB_CLO~1.HTM");
}

TEST_F(EmulatedMachine, ReadOnlyIsEnforcedEvenForRoot) {
    std::string path = Scratch("fest.txt");
    HostWrite(machine::Resolve(path.c_str()).host, "data");
    ASSERT_TRUE(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
    DWORD a = GetFileAttributesA(path.c_str());
    EXPECT_EQ(a, (DWORD)(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
    EXPECT_FALSE(DeleteFileA(path.c_str()));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_ACCESS_DENIED);
    ASSERT_TRUE(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_ARCHIVE));
    EXPECT_EQ(GetFileAttributesA(path.c_str()), (DWORD)FILE_ATTRIBUTE_ARCHIVE);
    EXPECT_TRUE(DeleteFileA(path.c_str()));
    EXPECT_EQ(GetFileAttributesA(path.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_FILE_NOT_FOUND);
}

TEST_F(EmulatedMachine, DirectoriesAndTheCurrentDirectory) {
    EXPECT_FALSE(CreateDirectoryA("C:\\fehlt\\neu", nullptr));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_PATH_NOT_FOUND);
    ASSERT_TRUE(CreateDirectoryA("C:\\eins", nullptr));
    ASSERT_TRUE(SetCurrentDirectoryA("C:\\EINS"));
    char buffer[MAX_PATH];
    EXPECT_EQ(GetCurrentDirectoryA(sizeof buffer, buffer), 7u);
    EXPECT_STREQ(buffer, "C:\\eins");
    EXPECT_FALSE(RemoveDirectoryA("C:\\eins")); // current
    ASSERT_TRUE(SetCurrentDirectoryA(".."));
    EXPECT_EQ(machine::CurrentDirectory(), "C:\\");
    EXPECT_TRUE(RemoveDirectoryA("C:\\eins"));
    EXPECT_FALSE(SetCurrentDirectoryA("C:\\eins"));
}

TEST_F(EmulatedMachine, DisketteCanBeMissingOrProtected) {
    machine::EjectDiskette();
    EXPECT_EQ(GetFileAttributesA("A:\\"), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_NOT_READY);
    machine::InsertDiskette();
    EXPECT_NE(GetFileAttributesA("A:\\"), INVALID_FILE_ATTRIBUTES);
    machine::SetDisketteWriteProtected(true);
    EXPECT_FALSE(CreateDirectoryA("A:\\neu", nullptr));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_WRITE_PROTECT);
    machine::SetDisketteWriteProtected(false);
    EXPECT_TRUE(CreateDirectoryA("A:\\neu", nullptr));
}

TEST_F(EmulatedMachine, ReplacementsLeftByAKilledProcessGoAtTheNextOpen) {
    std::string host = machine::Resolve(Scratch("b.ini").c_str()).host;
    ASSERT_TRUE(machine::WriteFileAtomically(host, "ganz"));
    std::string pending = machine::FolderFile("pending");
    // A process that is gone (a child that has ended) and this one.
    pid_t child = fork();
    if (child == 0)
        _exit(0);
    ASSERT_GT(child, 0);
    int status;
    waitpid(child, &status, 0);
    std::string dead = pending + "/" + std::to_string(child) + ".b.ini.Ab12Cd";
    std::string live = pending + "/" + std::to_string(getpid()) + ".c.ini.Ef34Gh";
    std::string foreign = pending + "/notiz.txt";
    for (const std::string& f : {dead, live, foreign})
        HostWrite(f, "halb");
    std::string folder = machine::Folder(), error;
    ASSERT_TRUE(machine::Open(folder, "", &error)) << error;
    EXPECT_NE(access(dead.c_str(), F_OK), 0);
    EXPECT_EQ(access(live.c_str(), F_OK), 0) << "a running process's file stays";
    EXPECT_EQ(access(foreign.c_str(), F_OK), 0);
    EXPECT_EQ(HostRead(host), "ganz");
}

TEST_F(EmulatedMachine, AtomicReplacementKeepsModeAndAttributes) {
    std::string path = Scratch("a.ini");
    std::string host = machine::Resolve(path.c_str()).host;
    ASSERT_TRUE(machine::WriteFileAtomically(host, "alt"));
    ASSERT_TRUE(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_HIDDEN));
    ASSERT_TRUE(machine::WriteFileAtomically(host, "neu"));
    EXPECT_EQ(HostRead(host), "neu");
    EXPECT_EQ(GetFileAttributesA(path.c_str()), (DWORD)FILE_ATTRIBUTE_HIDDEN);
    // No temporary file is left beside it.
    WIN32_FIND_DATAA unused;
    (void)unused;
    std::string dir = host.substr(0, host.rfind('/'));
    int entries = 0;
    for (const char* n : {"a.ini"})
        entries += access((dir + "/" + n).c_str(), F_OK) == 0;
    EXPECT_EQ(entries, 1);
}

TEST(CodePage, RoundTripsAndRefusesWhatItCannotHold) {
    std::string all;
    for (int c = 1; c < 256; ++c)
        all += static_cast<char>(c);
    std::string back;
    ASSERT_TRUE(codepage::Utf8ToCp1252(codepage::Cp1252ToUtf8(all), &back));
    EXPECT_EQ(back, all);
    EXPECT_EQ(codepage::Cp1252ToUtf8("\x80\x95"), "\xE2\x82\xAC\xE2\x80\xA2");
    EXPECT_FALSE(codepage::Utf8ToCp1252("\xE4\xB8\xAD", &back)); // not in the code page
    EXPECT_FALSE(codepage::Utf8ToCp1252("\xC3", &back));         // cut short
    // Overlong forms: a hidden zero or slash must not slip into a name.
    EXPECT_FALSE(codepage::Utf8ToCp1252("a\xC0\x80", &back));
    EXPECT_FALSE(codepage::Utf8ToCp1252("\xC0\xAF", &back));
    EXPECT_FALSE(codepage::Utf8ToCp1252("\xE0\x80\xAF", &back));
    EXPECT_TRUE(codepage::EqualNoCase("\xE4rger", "\xC4RGER"));
}

} // namespace
