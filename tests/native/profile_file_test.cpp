// The emulated profile files: edits touch only their own lines, everything
// else stays byte for byte, and a failed write leaves the old file.
#include "platform/posix/kernel/machine.h"
#include "platform/win32.h"
#include "tests/support/test_machine.h"

#include <fstream>
#include <string.h>
#include <sys/stat.h>

namespace {

class ProfileFile : public MachineTest {
  protected:
    std::string host(const char* path) { return machine::Resolve(path).host; }
    void Put(const char* path, const std::string& bytes) {
        std::ofstream(host(path), std::ios::binary) << bytes;
    }
    std::string Bytes(const char* path) {
        std::string bytes;
        machine::ReadWholeFile(host(path), &bytes);
        return bytes;
    }
};

TEST_F(ProfileFile, EditsKeepEveryOtherByte) {
    const std::string before = "; Kopf\r\n"
                               "[boot]\r\n"
                               "shell=Explorer.exe\r\n"
                               "  SCRNSAVE.EXE = C:\\ALT.SCR  \r\n"
                               "unbekannte Zeile\r\n"
                               "\r\n"
                               "[386Enh]\n"
                               "ebios=*ebios\n"
                               "\r\n";
    Put("C:\\WINDOWS\\SYSTEM.INI", before);
    ASSERT_TRUE(WritePrivateProfileStringA("boot", "scrnsave.exe", "C:\\NEU.SCR", "system.ini"));
    std::string expected = before;
    expected.replace(expected.find("  SCRNSAVE.EXE = C:\\ALT.SCR  "),
                     sizeof "  SCRNSAVE.EXE = C:\\ALT.SCR  " - 1, "SCRNSAVE.EXE=C:\\NEU.SCR");
    EXPECT_EQ(Bytes("C:\\WINDOWS\\SYSTEM.INI"), expected);

    // A new key goes after the section's last line, before the blank line.
    ASSERT_TRUE(WritePrivateProfileStringA("BOOT", "neu", "1", "system.ini"));
    std::string withKey = expected;
    withKey.insert(withKey.find("unbekannte Zeile\r\n") + 18, "neu=1\r\n");
    EXPECT_EQ(Bytes("C:\\WINDOWS\\SYSTEM.INI"), withKey);

    // Deleting the key and then a section gives back exactly what was there.
    ASSERT_TRUE(WritePrivateProfileStringA("boot", "NEU", nullptr, "system.ini"));
    ASSERT_TRUE(WritePrivateProfileStringA("Wiesenhain", "k", "v", "system.ini"));
    ASSERT_TRUE(WritePrivateProfileStringA("Wiesenhain", nullptr, nullptr, "system.ini"));
    EXPECT_EQ(Bytes("C:\\WINDOWS\\SYSTEM.INI"), expected);
}

TEST_F(ProfileFile, ProductSectionComesAndGoesWithoutTrace) {
    const std::string before = Bytes("C:\\WINDOWS\\CONTROL.INI");
    ASSERT_TRUE(WritePrivateProfileStringA("Wiesenhain", "OldScreenSave", "(none)", "control.ini"));
    ASSERT_TRUE(WritePrivateProfileStringA("Wiesenhain", "OldWall", "C:\\a.bmp", "control.ini"));
    EXPECT_NE(Bytes("C:\\WINDOWS\\CONTROL.INI")
                  .find("[Wiesenhain]\r\nOldScreenSave=(none)\r\n"
                        "OldWall=C:\\a.bmp\r\n"),
              std::string::npos);
    ASSERT_TRUE(WritePrivateProfileStringA("Wiesenhain", nullptr, nullptr, "control.ini"));
    EXPECT_EQ(Bytes("C:\\WINDOWS\\CONTROL.INI"), before);
}

TEST_F(ProfileFile, FileWithoutFinalLineEndGetsOne) {
    Put("C:\\x.ini", "[A]\r\nk=1");
    ASSERT_TRUE(WritePrivateProfileStringA("A", "j", "2", "C:\\x.ini"));
    EXPECT_EQ(Bytes("C:\\x.ini"), "[A]\r\nk=1\r\nj=2\r\n");
    ASSERT_TRUE(WritePrivateProfileStringA("B", "z", "", "C:\\x.ini"));
    EXPECT_EQ(Bytes("C:\\x.ini"), "[A]\r\nk=1\r\nj=2\r\n[B]\r\nz=\r\n");
}

TEST_F(ProfileFile, ReadOnlyFileIsNotChanged) {
    Put("C:\\ro.ini", "[A]\r\nk=1\r\n");
    ASSERT_TRUE(SetFileAttributesA("C:\\ro.ini", FILE_ATTRIBUTE_READONLY));
    EXPECT_FALSE(WritePrivateProfileStringA("A", "k", "2", "C:\\ro.ini"));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_ACCESS_DENIED);
    EXPECT_EQ(Bytes("C:\\ro.ini"), "[A]\r\nk=1\r\n");
}

TEST_F(ProfileFile, DeletionsDoNotCreateTheFile) {
    EXPECT_TRUE(WritePrivateProfileStringA("A", "k", nullptr, "C:\\nie.ini"));
    EXPECT_TRUE(WritePrivateProfileStringA("A", nullptr, nullptr, "C:\\nie.ini"));
    EXPECT_EQ(GetFileAttributesA("C:\\nie.ini"), INVALID_FILE_ATTRIBUTES);
}

TEST_F(ProfileFile, HighBytesAndShortNamesWork) {
    std::string dir = machine::Resolve("C:\\").host;
    ASSERT_TRUE(CreateDirectoryA("C:\\Lange Verzeichnisse", nullptr));
    ASSERT_TRUE(WritePrivateProfileStringA("G\xE4rten",
                                           "Gr\xF6\xDF"
                                           "e",
                                           "gro\xDF", "C:\\LANGEV~1\\x.ini"));
    char buffer[20];
    GetPrivateProfileStringA("G\xC4RTEN",
                             "GR\xD6\xDF"
                             "E",
                             "", buffer, sizeof buffer, "C:\\Lange Verzeichnisse\\X.INI");
    EXPECT_STREQ(buffer, "gro\xDF");
}

TEST_F(ProfileFile, AZeroByteInTheFileEndsTheTextItIsIn) {
    // The count reported is the length of the text the caller finds, and a
    // name that a zero byte empties does not end a name list early.
    static const char kBytes[] = "[A]\r\nk=ab\0cd\r\n\0x=1\r\nj=2\r\n";
    Put("C:\\z.ini", std::string(kBytes, sizeof kBytes - 1));
    char buffer[40];
    memset(buffer, 'y', sizeof buffer);
    EXPECT_EQ(GetPrivateProfileStringA("A", "k", "", buffer, sizeof buffer, "C:\\z.ini"), 2u);
    EXPECT_STREQ(buffer, "ab");
    memset(buffer, 'y', sizeof buffer);
    DWORD n = GetPrivateProfileStringA("A", nullptr, "", buffer, sizeof buffer, "C:\\z.ini");
    EXPECT_EQ(n, 4u);
    EXPECT_EQ(std::string(buffer, 5), std::string("k\0j\0\0", 5));
}

} // namespace
