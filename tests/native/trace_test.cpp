// The change trace: each call that changes the machine reports one line in
// its area's words, a call that fails or changes nothing reports none, and
// with no sink nothing is formatted at all.
#include "platform/crt.h"
#include "platform/posix/kernel/machine.h"
#include "platform/posix/kernel/trace.h"
#include "platform/win32.h"
#include "tests/support/test_machine.h"

#include <string>
#include <vector>

namespace {

class TraceTest : public MachineTest {
  protected:
    void SetUp() override {
        MachineTest::SetUp();
        CoInitialize(nullptr);
        Start();
    }
    void TearDown() override {
        trace::SetSink(nullptr);
        CoUninitialize();
        MachineTest::TearDown();
    }
    void Start() {
        trace::SetSink([this](const std::string& line) { lines.push_back(line); });
    }
    // The lines reported since the last call.
    std::vector<std::string> Take() {
        std::vector<std::string> taken;
        taken.swap(lines);
        return taken;
    }

    std::vector<std::string> lines;
};

using Lines = std::vector<std::string>;

TEST_F(TraceTest, Registry) {
    HKEY key;
    ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, "Software\\Neu\\Zweig", &key), ERROR_SUCCESS);
    EXPECT_EQ(Take(), Lines({"registry: create key HKEY_CURRENT_USER\\Software\\Neu",
                             "registry: create key HKEY_CURRENT_USER\\Software\\Neu\\Zweig"}));
    HKEY again;
    ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, "Software\\Neu\\Zweig", &again), ERROR_SUCCESS);
    RegCloseKey(again);
    EXPECT_TRUE(Take().empty()) << "opening an existing key changes nothing";

    const char text[] = "Gr\xFCn \"x\"";
    RegSetValueExA(key, "Name", 0, REG_SZ, reinterpret_cast<const BYTE*>(text), sizeof text);
    DWORD number = 7;
    RegSetValueExA(key, "", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), 4);
    RegSetValueExA(key, "roh", 0, REG_BINARY, reinterpret_cast<const BYTE*>("\x01\xFF"), 2);
    RegSetValueExA(key, "ohne", 0, REG_SZ, reinterpret_cast<const BYTE*>("ab"), 2);
    EXPECT_EQ(Take(),
              Lines({"registry: set value HKEY_CURRENT_USER\\Software\\Neu\\Zweig \"Name\" = "
                     "\"Gr\u00FCn \\\"x\\\"\"",
                     "registry: set value HKEY_CURRENT_USER\\Software\\Neu\\Zweig @ = dword "
                     "0x00000007 (7)",
                     "registry: set value HKEY_CURRENT_USER\\Software\\Neu\\Zweig \"roh\" = "
                     "REG_BINARY, 2 bytes: 01 ff",
                     "registry: set value HKEY_CURRENT_USER\\Software\\Neu\\Zweig \"ohne\" = "
                     "REG_SZ, 2 bytes: 61 62"}));

    EXPECT_EQ(RegDeleteValueA(key, "fehlt"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegDeleteValueA(key, "NAME"), ERROR_SUCCESS);
    RegCloseKey(key);
    EXPECT_EQ(RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Neu"), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Neu\\Zweig"), ERROR_SUCCESS);
    EXPECT_EQ(Take(),
              Lines({"registry: delete value HKEY_CURRENT_USER\\Software\\Neu\\Zweig \"Name\"",
                     "registry: delete key HKEY_CURRENT_USER\\Software\\Neu\\Zweig"}));

    // The other roots by the names a person knows them by.
    ASSERT_EQ(RegCreateKeyA(HKEY_CLASSES_ROOT, ".wsn", &key), ERROR_SUCCESS);
    RegCloseKey(key);
    ASSERT_EQ(RegCreateKeyA(HKEY_USERS, ".Default\\Wiese", &key), ERROR_SUCCESS);
    RegCloseKey(key);
    ASSERT_EQ(RegCreateKeyA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Wiese", &key), ERROR_SUCCESS);
    RegCloseKey(key);
    EXPECT_EQ(Take(), Lines({"registry: create key HKEY_CLASSES_ROOT\\.wsn",
                             "registry: create key HKEY_USERS\\.Default\\Wiese",
                             "registry: create key HKEY_LOCAL_MACHINE\\SOFTWARE\\Wiese"}));
}

TEST_F(TraceTest, ProfileFiles) {
    WritePrivateProfileStringA("Wiesenhain", "OldWall", "C:\\WINDOWS\\a.bmp", "control.ini");
    WritePrivateProfileStringA("Wiesenhain", "Garten", "M\xFChle", "control.ini");
    WritePrivateProfileStringA("Wiesenhain", "fehlt", nullptr, "control.ini");
    WritePrivateProfileStringA("Wiesenhain", "Garten", nullptr, "control.ini");
    WritePrivateProfileStringA("Wiesenhain", nullptr, nullptr, "control.ini");
    WritePrivateProfileStringA("Wiesenhain", nullptr, nullptr, "control.ini");
    EXPECT_EQ(Take(),
              Lines({"profile: write C:\\WINDOWS\\CONTROL.INI [Wiesenhain] "
                     "OldWall=C:\\WINDOWS\\a.bmp",
                     "profile: write C:\\WINDOWS\\CONTROL.INI [Wiesenhain] Garten=M\u00FChle",
                     "profile: remove C:\\WINDOWS\\CONTROL.INI [Wiesenhain] Garten",
                     "profile: remove section C:\\WINDOWS\\CONTROL.INI [Wiesenhain]"}));
}

TEST_F(TraceTest, FilesAndDirectories) {
    ASSERT_TRUE(CreateDirectoryA(Scratch("Ordner").c_str(), nullptr));
    EXPECT_FALSE(CreateDirectoryA(Scratch("Ordner").c_str(), nullptr));
    int handle = crt_open(Scratch("Ordner\\neu.txt").c_str(),
                          CRT_O_WRONLY | CRT_O_CREAT | CRT_O_TRUNC | CRT_O_BINARY, CRT_S_IWRITE);
    ASSERT_NE(handle, -1);
    crt_write(handle, "abc", 3);
    crt_write(handle, "defg", 4);
    crt_close(handle);
    // Reading is no change.
    handle = crt_open(Scratch("Ordner\\neu.txt").c_str(), CRT_O_RDONLY | CRT_O_BINARY);
    char buffer[8];
    crt_read(handle, buffer, sizeof buffer);
    crt_close(handle);
    ASSERT_TRUE(CopyFileA(Scratch("Ordner\\neu.txt").c_str(), Scratch("kopie.txt").c_str(), FALSE));
    ASSERT_TRUE(MoveFileA(Scratch("kopie.txt").c_str(), Scratch("umbenannt.txt").c_str()));
    ASSERT_TRUE(SetFileAttributesA(Scratch("umbenannt.txt").c_str(),
                                   FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE));
    EXPECT_FALSE(DeleteFileA(Scratch("umbenannt.txt").c_str()));
    ASSERT_TRUE(SetFileAttributesA(Scratch("umbenannt.txt").c_str(), FILE_ATTRIBUTE_NORMAL));
    ASSERT_TRUE(DeleteFileA(Scratch("umbenannt.txt").c_str()));
    ASSERT_TRUE(DeleteFileA(Scratch("Ordner\\neu.txt").c_str()));
    ASSERT_TRUE(RemoveDirectoryA(Scratch("Ordner").c_str()));
    EXPECT_EQ(Take(), Lines({
                          "directory: create C:\\SCRATCH\\Ordner",
                          "file: create C:\\SCRATCH\\Ordner\\neu.txt",
                          "file: write C:\\SCRATCH\\Ordner\\neu.txt (7 bytes)",
                          "file: copy C:\\SCRATCH\\Ordner\\neu.txt -> C:\\SCRATCH\\kopie.txt",
                          "file: rename C:\\SCRATCH\\kopie.txt -> C:\\SCRATCH\\umbenannt.txt",
                          "file: attributes C:\\SCRATCH\\umbenannt.txt = read-only archive",
                          "file: attributes C:\\SCRATCH\\umbenannt.txt = normal",
                          "file: delete C:\\SCRATCH\\umbenannt.txt",
                          "file: delete C:\\SCRATCH\\Ordner\\neu.txt",
                          "directory: remove C:\\SCRATCH\\Ordner",
                      }));
}

TEST_F(TraceTest, AMoveAcrossDrivesIsOneLine) {
    machine::InsertDiskette();
    ASSERT_TRUE(CopyFileA("C:\\WINDOWS\\WIN.INI", Scratch("x.ini").c_str(), FALSE));
    Take();
    ASSERT_TRUE(MoveFileA(Scratch("x.ini").c_str(), "A:\\x.ini"));
    EXPECT_EQ(Take(), Lines({"file: move C:\\SCRATCH\\x.ini -> A:\\x.ini"}));
}

TEST_F(TraceTest, DisplaySettings) {
    INT element = COLOR_BACKGROUND;
    COLORREF black = RGB(0, 0, 0);
    SetSysColors(1, &element, &black);
    SystemParametersInfoA(SPI_SETDESKWALLPAPER, 0, const_cast<char*>("C:\\WINDOWS\\w.bmp"), 0);
    SystemParametersInfoA(SPI_SETSCREENSAVEACTIVE, 1, nullptr, SPIF_UPDATEINIFILE);
    HCURSOR standard = LoadCursorA(nullptr, MAKEINTRESOURCEA(32514));
    SetSystemCursor(CopyIcon(standard), 32514);
    SetCursor(standard); // what shows now is no setting
    EXPECT_EQ(Take(),
              Lines({"display: desktop colour = 0 0 0", "display: wallpaper \"C:\\WINDOWS\\w.bmp\"",
                     "registry: set value HKEY_CURRENT_USER\\Control Panel\\Desktop "
                     "\"ScreenSaveActive\" = \"1\"",
                     "display: screen saver active (saved)", "display: cursor Wait = standard"}));
}

TEST_F(TraceTest, ShellLinksAndNotifications) {
    IShellLinkA* link = nullptr;
    ASSERT_EQ(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                               reinterpret_cast<void**>(&link)),
              S_OK);
    link->SetPath("C:\\WINDOWS\\SYSTEM\\a.scr");
    link->SetArguments("/s");
    link->SetIconLocation("C:\\WINDOWS\\SYSTEM\\a.scr", 2);
    IPersistFile* file = nullptr;
    ASSERT_EQ(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)), S_OK);
    WCHAR wide[MAX_PATH];
    MultiByteToWideChar(CP_ACP, 0, "C:\\WINDOWS\\Desktop\\A.lnk", -1, wide, MAX_PATH);
    EXPECT_EQ(file->Save(wide, TRUE), S_OK);
    file->Release();
    link->Release();
    SHChangeNotify(SHCNE_UPDATEDIR, 0x0001, "C:\\WINDOWS", nullptr);
    EXPECT_EQ(Take(), Lines({"shell: save link C:\\WINDOWS\\Desktop\\A.lnk -> "
                             "\"C:\\WINDOWS\\SYSTEM\\a.scr\", arguments \"/s\", icon "
                             "\"C:\\WINDOWS\\SYSTEM\\a.scr\",2",
                             "shell: notify update directory C:\\WINDOWS"}));
}

TEST_F(TraceTest, NoSinkNoLinesAndQuietCallsReportNothing) {
    trace::SetSink(nullptr);
    EXPECT_FALSE(trace::On());
    CreateDirectoryA(Scratch("still").c_str(), nullptr);
    Start();
    {
        trace::Quiet quiet;
        EXPECT_FALSE(trace::On());
        RemoveDirectoryA(Scratch("still").c_str());
    }
    EXPECT_TRUE(trace::On());
    EXPECT_TRUE(Take().empty());
    // Machine texts come out as UTF-8 on one line.
    EXPECT_EQ(trace::Quoted("a\r\n\"\x01\xE4"), "\"a\\r\\n\\\"\\x01\u00E4\"");
    EXPECT_EQ(trace::Text("C:\\Gr\xFCn"), "C:\\Gr\u00FCn");
}

} // namespace
