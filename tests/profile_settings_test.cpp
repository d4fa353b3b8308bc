// The profile settings file: the product section of control.ini with the
// "(none)" rule, and the profile functions beneath it, checked against the
// real Windows functions (under Wine) and the emulation alike.
#include "platform/win32.h"
#include "system/profile_settings.h"
#include "tests/support/package_files.h"
#include "tests/support/test_machine.h"

#include <stdio.h>
#include <string.h>

#include <string>

namespace {

class ProfileTest : public MachineTest {
  protected:
    void SetUp() override {
        MachineTest::SetUp();
        ProfileSettings::RemoveSection();
    }
    void TearDown() override {
        ProfileSettings::RemoveSection();
        MachineTest::TearDown();
    }

    // Writes a file in the scratch directory through the runtime, bytes as
    // given.
    void WriteRaw(const std::string& path, const std::string& bytes) {
        int h = crt_open(path.c_str(), CRT_O_RDWR | CRT_O_CREAT | CRT_O_TRUNC | CRT_O_BINARY);
        ASSERT_GE(h, 0) << path;
        ASSERT_EQ(crt_write(h, bytes.data(), static_cast<unsigned>(bytes.size())),
                  static_cast<int>(bytes.size()));
        crt_close(h);
    }

    std::string WindowsFile(const char* name) {
        char windows[MAX_PATH] = "";
        GetWindowsDirectoryA(windows, sizeof windows);
        return std::string(windows) + "\\" + name;
    }

    std::string Get(const std::string& file, const char* section, const char* key, DWORD size = 100,
                    DWORD* count = nullptr) {
        char buffer[300];
        memset(buffer, '#', sizeof buffer);
        DWORD n = GetPrivateProfileStringA(section, key, "DEF", buffer, size, file.c_str());
        if (count)
            *count = n;
        EXPECT_EQ(buffer[n], 0) << "terminated right after the copied text";
        EXPECT_EQ(buffer[size], '#') << "nothing written past the buffer";
        return buffer;
    }
};

TEST_F(ProfileTest, EmptyValuesAreRecordedAsNone) {
    ASSERT_EQ(ProfileSettings::Write("OldWall", ""), 1);
    char buffer[400] = "garbage";
    EXPECT_EQ(ProfileSettings::Read("OldWall", buffer, sizeof buffer), 1);
    EXPECT_STREQ(buffer, "");
    EXPECT_EQ(ProfileSettings::ValueLength("OldWall"), 6);
    char raw[50];
    GetPrivateProfileStringA("Wiesenhain", "OldWall", "", raw, sizeof raw, "control.ini");
    EXPECT_STREQ(raw, "(none)");
}

TEST_F(ProfileTest, NoneIsReadWithoutRegardToCase) {
    for (const char* stored : {"(NONE)", "(None)", "(nOnE)"}) {
        ASSERT_TRUE(WritePrivateProfileStringA("Wiesenhain", "OldTile", stored, "control.ini"));
        char buffer[400] = "x";
        ProfileSettings::Read("OldTile", buffer, sizeof buffer);
        EXPECT_STREQ(buffer, "") << stored;
        EXPECT_EQ(ProfileSettings::ValueLength("OldTile"), 6) << stored;
    }
}

TEST_F(ProfileTest, MissingAndEmptyEntriesAreAbsent) {
    char buffer[400] = "x";
    EXPECT_EQ(ProfileSettings::Read("Computer", buffer, sizeof buffer), 1);
    EXPECT_STREQ(buffer, "");
    EXPECT_EQ(ProfileSettings::ValueLength("Computer"), 0);
    EXPECT_EQ(ProfileSettings::IsPresent("Wiesenhain", "OldScreenSave"), 0);
    // A key stored with nothing after "=".
    ASSERT_TRUE(WritePrivateProfileStringA("Wiesenhain", "OldScreenSave", "", "control.ini"));
    EXPECT_EQ(ProfileSettings::ValueLength("OldScreenSave"), 0);
    EXPECT_EQ(ProfileSettings::IsPresent("Wiesenhain", "OldScreenSave"), 0);
    // The recorded empty screen saver marks the theme as installed.
    ASSERT_EQ(ProfileSettings::Write("OldScreenSave", ""), 1);
    EXPECT_EQ(ProfileSettings::IsPresent("Wiesenhain", "OldScreenSave"), 1);
    EXPECT_EQ(ProfileSettings::IsPresent("wiesenhain", "oldscreensave"), 1);
    ASSERT_EQ(ProfileSettings::RemoveSection(), 1);
    EXPECT_EQ(ProfileSettings::IsPresent("Wiesenhain", "OldScreenSave"), 0);
}

TEST_F(ProfileTest, ValuesAreCutToTheBufferAndTerminated) {
    std::string longValue(350, 'w');
    ASSERT_EQ(ProfileSettings::Write("OldWall", longValue.c_str()), 1);
    char buffer[401];
    memset(buffer, '#', sizeof buffer);
    ProfileSettings::Read("OldWall", buffer, 100);
    EXPECT_EQ(strlen(buffer), 99u);
    EXPECT_EQ(buffer[100], '#');
    ProfileSettings::Read("OldWall", buffer, 400);
    EXPECT_EQ(std::string(buffer), longValue);
    EXPECT_EQ(ProfileSettings::ValueLength("OldWall"), 298);
}

TEST_F(ProfileTest, RemoveForgetsOneKeyAndKeepsTheRest) {
    ProfileSettings::Write("Computer", "c:\\x\\explorer.exe,0");
    ProfileSettings::Write("Network", "net,1");
    ASSERT_EQ(ProfileSettings::Remove("Computer"), 1);
    EXPECT_EQ(ProfileSettings::ValueLength("Computer"), 0);
    char buffer[400];
    ProfileSettings::Read("Network", buffer, sizeof buffer);
    EXPECT_STREQ(buffer, "net,1");
}

TEST_F(ProfileTest, GeneralTextsWorkOnAnyFile) {
    std::string file = Scratch("system.ini");
    ASSERT_EQ(WriteProfileText(file.c_str(), "boot", "SCRNSAVE.EXE", ""), 1);
    EXPECT_EQ(Get(file, "boot", "SCRNSAVE.EXE"), "(none)");
    char buffer[50] = "x";
    ReadProfileText(file.c_str(), "boot", "SCRNSAVE.EXE", buffer, sizeof buffer);
    EXPECT_STREQ(buffer, "");
    ReadProfileText(Scratch("missing.ini").c_str(), "boot", "x", buffer, sizeof buffer);
    EXPECT_STREQ(buffer, "");
}

TEST(ColorTriple, FormatsRedGreenBlue) {
    char buffer[12];
    FormatColorTriple(0x008040FFul, buffer, sizeof buffer);
    EXPECT_STREQ(buffer, "255 64 128");
    FormatColorTriple(0, buffer, sizeof buffer);
    EXPECT_STREQ(buffer, "0 0 0");
    FormatColorTriple(0xFF8040FFul, buffer, sizeof buffer);
    EXPECT_STREQ(buffer, "255 64 128");
    FormatColorTriple(0x00FFFFFFul, buffer, sizeof buffer);
    EXPECT_STREQ(buffer, "255 255 255");
    char small[6];
    memset(small, '#', sizeof small);
    FormatColorTriple(0x00FFFFFFul, small, 5);
    EXPECT_STREQ(small, "255 ");
    EXPECT_EQ(small[5], '#');
}

// A record comes back byte for byte: values the profile reader would change
// (blanks at either end, enclosing quotes) are written in quotes, which the
// reader drops again; a plain value is written as it is, so that records of
// earlier installs read the same; a line break cannot be kept and is refused.
TEST_F(ProfileTest, RecordsComeBackByteForByte) {
    // The readers take 399 characters: a value in quotes fits with them.
    std::string longest = " " + std::string(395, 'x') + " ";
    std::string plainLongest(399, 'y');
    const char* values[] = {" C:\\WINDOWS\\Wolken.bmp",
                            "C:\\Eigene Dateien\\ferien.bmp\t",
                            "\"C:\\Programme\\Garten\\garten.ico\",3",
                            "'sanduhr.ani'",
                            "\"\"",
                            "\"",
                            "  ",
                            "\"halb",
                            "Gr\xFCne Wiese.bmp",
                            longest.c_str(),
                            plainLongest.c_str()};
    for (const char* value : values) {
        ASSERT_EQ(ProfileSettings::Write("OldWall", value), 1) << value;
        char buffer[400] = "";
        ProfileSettings::Read("OldWall", buffer, sizeof buffer);
        EXPECT_STREQ(buffer, value);
    }
    // A plain value is stored as it is, without quotes.
    ASSERT_EQ(ProfileSettings::Write("OldWall", "C:\\WINDOWS\\Wolken.bmp"), 1);
    char raw[100] = "";
    std::string path = WindowsFile("control.ini");
    std::string text = package_test::ReadWholeFile(path);
    EXPECT_NE(text.find("OldWall=C:\\WINDOWS\\Wolken.bmp\r\n"), std::string::npos) << text;

    // A line break would write a line of its own into the section.
    for (const char* value : {"C:\\a.bmp\r\nOldScreenSave=C:\\b.scr", "a\nb", "a\r"}) {
        EXPECT_EQ(ProfileSettings::Write("OldWall", value), 0);
        ProfileSettings::Read("OldWall", raw, sizeof raw);
        EXPECT_STREQ(raw, "C:\\WINDOWS\\Wolken.bmp") << "the record is unchanged";
    }
    EXPECT_EQ(ProfileSettings::IsPresent("Wiesenhain", "OldScreenSave"), 0);
    // Longer than a reader takes whole.
    std::string tooLong = " " + std::string(396, 'x') + " ";
    for (const std::string& value : {tooLong, std::string(400, 'y')})
        EXPECT_EQ(ProfileSettings::Write("OldWall", value.c_str()), 0) << value.size();
}

// The profile functions themselves, where the program relies on Windows'
// reading rules.
TEST_F(ProfileTest, ReadingFollowsWindows) {
    std::string file = Scratch("probe.ini");
    WriteRaw(file, "; comment\r\n[Sect]\r\n  key1 = value1  \r\nkey2=\"quoted\"\r\nkey2=second\r\n"
                   "noequals\r\nempty=\r\n\r\n[ Other ]\r\nx=1\r\n");
    DWORD n;
    EXPECT_EQ(Get(file, "Sect", "key1", 100, &n), "value1");
    EXPECT_EQ(n, 6u);
    EXPECT_EQ(Get(file, "SECT", "KEY2"), "quoted"); // quotes dropped, the first key wins
    EXPECT_EQ(Get(file, "Sect", "noequals"), "DEF");
    EXPECT_EQ(Get(file, "Sect", "empty", 100, &n), "");
    EXPECT_EQ(n, 0u);
    EXPECT_EQ(Get(file, "Other", "x"), "1");
    EXPECT_EQ(Get(file, "Sect", "key1", 4, &n), "val");
    EXPECT_EQ(n, 3u);
    EXPECT_EQ(Get(file, "Sect", "missing", 2, &n), "D");
    EXPECT_EQ(Get(file, "Nope", "x"), "DEF");
    EXPECT_EQ(Get(Scratch("none.ini"), "A", "k"), "DEF");
}

TEST_F(ProfileTest, WritingKeepsForeignSectionsAndComments) {
    std::string file = Scratch("control.ini");
    WriteRaw(file, "; Einstellungen\r\n[current]\r\ncolor schemes=Windows-Standard\r\n; innen\r\n"
                   "[Gartenplaner]\r\nBeete=12\r\n");
    ASSERT_TRUE(WritePrivateProfileStringA("Wiesenhain", "OldWall", "c:\\a.bmp", file.c_str()));
    ASSERT_TRUE(WritePrivateProfileStringA("current", "neu", "1", file.c_str()));
    ASSERT_TRUE(WritePrivateProfileStringA("Wiesenhain", nullptr, nullptr, file.c_str()));
    ASSERT_TRUE(WritePrivateProfileStringA("Fehlt", "k", nullptr, file.c_str()));
    EXPECT_EQ(Get(file, "current", "color schemes"), "Windows-Standard");
    EXPECT_EQ(Get(file, "current", "neu"), "1");
    EXPECT_EQ(Get(file, "Gartenplaner", "Beete"), "12");
    EXPECT_EQ(Get(file, "Wiesenhain", "OldWall"), "DEF");
    char sections[200];
    DWORD n =
        GetPrivateProfileStringA(nullptr, nullptr, "", sections, sizeof sections, file.c_str());
    EXPECT_EQ(std::string(sections, n), std::string("current\0Gartenplaner\0", 21));
    // The comments are still in the file.
    int h = crt_open(file.c_str(), CRT_O_RDONLY | CRT_O_BINARY);
    ASSERT_GE(h, 0);
    char bytes[400] = {};
    crt_read(h, bytes, sizeof bytes - 1);
    crt_close(h);
    EXPECT_NE(strstr(bytes, "; Einstellungen\r\n"), nullptr);
    EXPECT_NE(strstr(bytes, "; innen\r\n"), nullptr);
}

TEST_F(ProfileTest, BareFileNamesLieInTheWindowsDirectory) {
    ASSERT_TRUE(WritePrivateProfileStringA("S", "k", "v", "wiesentest.ini"));
    char windows[MAX_PATH];
    GetWindowsDirectoryA(windows, sizeof windows);
    std::string path = std::string(windows) + "\\wiesentest.ini";
    EXPECT_NE(GetFileAttributesA(path.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(Get(path, "S", "k"), "v");
    DeleteFileA(path.c_str());
    EXPECT_FALSE(WritePrivateProfileStringA("S", "k", "v", Scratch("fehlt\\x.ini").c_str()));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_PATH_NOT_FOUND);
}

} // namespace
