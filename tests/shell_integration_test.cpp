// The desktop shortcut, read back through the shell-link object itself, and
// the special folders it relies on.
#include "system/shell_integration.h"

#include "platform/win32.h"
#include "state/setup_state.h"
#include "tests/support/test_machine.h"

#include <stdio.h>
#include <string.h>

#include <string>

namespace {

struct Shortcut {
    bool loaded = false;
    std::string target;
    std::string description;
    std::string iconPath;
    int iconIndex = -1;
};

// Loads a link file with the shell-link object and reads its properties.
Shortcut ReadShortcut(const std::string& path) {
    Shortcut result;
    IShellLinkA* link = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                reinterpret_cast<void**>(&link))))
        return result;
    IPersistFile* persist = nullptr;
    if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&persist)))) {
        WCHAR wide[MAX_PATH];
        MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH);
        if (SUCCEEDED(persist->Load(wide, STGM_READ))) {
            result.loaded = true;
            char text[MAX_PATH];
            if (link->GetPath(text, MAX_PATH, nullptr, 0) == S_OK)
                result.target = text;
            if (SUCCEEDED(link->GetDescription(text, MAX_PATH)))
                result.description = text;
            if (SUCCEEDED(link->GetIconLocation(text, MAX_PATH, &result.iconIndex)))
                result.iconPath = text;
        }
        persist->Release();
    }
    link->Release();
    return result;
}

bool WriteFile(const std::string& path, const char* text) {
    int handle = crt_open(path.c_str(), CRT_O_WRONLY | CRT_O_CREAT | CRT_O_TRUNC | CRT_O_BINARY);
    if (handle < 0)
        return false;
    int written = crt_write(handle, text, static_cast<unsigned>(strlen(text)));
    crt_close(handle);
    return written == static_cast<int>(strlen(text));
}

bool Exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string Upper(std::string text) {
    for (char& c : text)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return text;
}

class ShellIntegrationTest : public MachineTest {
  protected:
    void SetUp() override {
        MachineTest::SetUp();
        ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
        ResetSetupState();
        // The screen saver is installed in the system directory before the
        // shortcut is made; the scratch directory stands in for it.
        snprintf(g_setup.systemDirectory, sizeof g_setup.systemDirectory, "%s", scratch.c_str());
        ASSERT_TRUE(WriteFile(Scratch("Wiesenhain.scr"), "MZ"));
        char path[MAX_PATH];
        ASSERT_EQ(DesktopShortcutPath(path, "Wiesenhain"), 1);
        shortcut = path;
        DeleteFileA(shortcut.c_str());
    }
    void TearDown() override {
        DeleteFileA(shortcut.c_str());
        ResetSetupState();
        CoUninitialize();
        MachineTest::TearDown();
    }

    std::string shortcut; // the desktop's "Wiesenhain.lnk"
};

TEST_F(ShellIntegrationTest, ShortcutToTheSystemDirectoryWithTheProductName) {
    ASSERT_GT(shortcut.size(), strlen("\\Wiesenhain.lnk"));
    EXPECT_EQ(shortcut.substr(shortcut.size() - 15), "\\Wiesenhain.lnk");
    std::string desktop = shortcut.substr(0, shortcut.size() - 15);
    EXPECT_EQ(Upper(desktop.substr(desktop.size() - 8)), "\\DESKTOP");
    if (platform_testing::IsEmulated()) {
        EXPECT_EQ(shortcut, "C:\\WINDOWS\\Desktop\\Wiesenhain.lnk");
    }

    CreateDesktopShortcut(nullptr, "Wiesenhain.scr", "Wiesenhain", 0);
    ASSERT_TRUE(Exists(shortcut));
    Shortcut link = ReadShortcut(shortcut);
    ASSERT_TRUE(link.loaded);
    std::string target = Scratch("Wiesenhain.scr");
    EXPECT_EQ(link.target, target);
    EXPECT_EQ(link.iconPath, target);
    EXPECT_EQ(link.iconIndex, 0);
    EXPECT_EQ(link.description, "Wiesenhain");
}

TEST_F(ShellIntegrationTest, AnExistingShortcutIsReplaced) {
    ASSERT_TRUE(WriteFile(shortcut, "not a shell link"));

    CreateDesktopShortcut(nullptr, "Wiesenhain.scr", "Wiesenhain", 0);
    Shortcut first = ReadShortcut(shortcut);
    ASSERT_TRUE(first.loaded);
    EXPECT_EQ(first.description, "Wiesenhain");

    // A directory given explicitly takes the place of the system directory.
    CreateDirectoryA(Scratch("Garten").c_str(), nullptr);
    std::string second = Scratch("Garten\\");
    ASSERT_TRUE(WriteFile(second + "Wiesenhain.scr", "MZ"));
    CreateDesktopShortcut(second.c_str(), "Wiesenhain.scr", "Wiesenhain", 2);
    Shortcut replaced = ReadShortcut(shortcut);
    ASSERT_TRUE(replaced.loaded);
    EXPECT_EQ(replaced.target, second + "Wiesenhain.scr");
    EXPECT_EQ(replaced.iconPath, second + "Wiesenhain.scr");
    EXPECT_EQ(replaced.iconIndex, 2);
}

TEST_F(ShellIntegrationTest, MissingNamesCreateNothing) {
    CreateDesktopShortcut(nullptr, nullptr, "Wiesenhain", 0);
    CreateDesktopShortcut(nullptr, "Wiesenhain.scr", nullptr, 0);
    EXPECT_FALSE(Exists(shortcut));

    char path[MAX_PATH] = "unchanged";
    EXPECT_EQ(DesktopShortcutPath(path, nullptr), 0);
    EXPECT_STREQ(path, "unchanged");
    EXPECT_EQ(DesktopShortcutPath(nullptr, "Wiesenhain"), 0);
}

TEST_F(ShellIntegrationTest, DeletingRemovesTheShortcutAndAMissingOneIsNoError) {
    CreateDesktopShortcut(nullptr, "Wiesenhain.scr", "Wiesenhain", 0);
    ASSERT_TRUE(Exists(shortcut));
    DeleteDesktopShortcut("Wiesenhain");
    EXPECT_FALSE(Exists(shortcut));
    DeleteDesktopShortcut("Wiesenhain");
    DeleteDesktopShortcut(nullptr);
    EXPECT_FALSE(Exists(shortcut));
    EXPECT_TRUE(Exists(Scratch("Wiesenhain.scr"))) << "only the shortcut goes";
}

// Paths are built in MAX_PATH buffers: what would not fit, terminator
// included, makes no shortcut (and nothing is cut short).
TEST_F(ShellIntegrationTest, PathsThatDoNotFitMakeNoShortcut) {
    std::string desktop = shortcut.substr(0, shortcut.size() - strlen("Wiesenhain.lnk"));
    // Shortcut file path of exactly MAX_PATH - 1 characters, then one more.
    std::string name(MAX_PATH - 1 - desktop.size() - 4, 'w');
    char path[MAX_PATH];
    EXPECT_EQ(DesktopShortcutPath(path, name.c_str()), 1);
    EXPECT_EQ(strlen(path), static_cast<size_t>(MAX_PATH - 1));
    EXPECT_EQ(DesktopShortcutPath(path, (name + "w").c_str()), 0);
    CreateDesktopShortcut(nullptr, "Wiesenhain.scr", (name + "w").c_str(), 0);

    // Target path one character too long.
    std::string file(MAX_PATH - scratch.size(), 's');
    CreateDesktopShortcut(nullptr, file.c_str(), "Wiesenhain", 0);
    EXPECT_FALSE(Exists(shortcut));
    CreateDesktopShortcut(scratch.c_str(), file.c_str(), "Wiesenhain", 0);
    EXPECT_FALSE(Exists(shortcut));

    // The desktop holds nothing whose name starts with the long name.
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((desktop + "wwwwwwww*").c_str(), &data);
    EXPECT_EQ(find, INVALID_HANDLE_VALUE);
    if (find != INVALID_HANDLE_VALUE)
        FindClose(find);
}

// What the shortcut relies on, as the platform does it.
TEST_F(ShellIntegrationTest, SpecialFoldersAndObjectCreation) {
    LPITEMIDLIST list = nullptr;
    char path[MAX_PATH];
    ASSERT_TRUE(SUCCEEDED(SHGetSpecialFolderLocation(nullptr, CSIDL_DESKTOPDIRECTORY, &list)));
    EXPECT_TRUE(SHGetPathFromIDListA(list, path));
    EXPECT_EQ(std::string(path) + "\\Wiesenhain.lnk", shortcut);
    IMalloc* allocator = nullptr;
    ASSERT_TRUE(SUCCEEDED(SHGetMalloc(&allocator)));
    allocator->Free(list);

    // The desktop root is an empty list; its file-system path is the desktop
    // directory.
    ASSERT_TRUE(SUCCEEDED(SHGetSpecialFolderLocation(nullptr, CSIDL_DESKTOP, &list)));
    EXPECT_EQ(list->mkid.cb, 0);
    EXPECT_TRUE(SHGetPathFromIDListA(list, path));
    EXPECT_EQ(std::string(path) + "\\Wiesenhain.lnk", shortcut);
    allocator->Free(list);

    // The desktop's folder items (Computer, ...) have no file-system path.
    IShellFolder* desktop = nullptr;
    ASSERT_TRUE(SUCCEEDED(SHGetDesktopFolder(&desktop)));
    IEnumIDList* items = nullptr;
    ASSERT_TRUE(SUCCEEDED(desktop->EnumObjects(nullptr, SHCONTF_FOLDERS, &items)));
    ULONG fetched = 0;
    ASSERT_EQ(items->Next(1, &list, &fetched), S_OK);
    EXPECT_EQ(fetched, 1u);
    strcpy(path, "unchanged");
    EXPECT_FALSE(SHGetPathFromIDListA(list, path));
    EXPECT_STREQ(path, "");
    allocator->Free(list);
    EXPECT_EQ(items->Release(), 0u);
    desktop->Release(); // the shell keeps its own reference to the desktop folder
    allocator->Release();

    // Reference counts of the shell-link object.
    IShellLinkA* link = nullptr;
    ASSERT_EQ(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                               reinterpret_cast<void**>(&link)),
              S_OK);
    EXPECT_EQ(link->AddRef(), 2u);
    IPersistFile* persist = nullptr;
    ASSERT_EQ(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&persist)), S_OK);
    EXPECT_EQ(persist->Release(), 2u);
    EXPECT_EQ(link->Release(), 1u);
    EXPECT_EQ(link->Release(), 0u);

    // A thread that has not initialised the component objects gets none.
    CoUninitialize();
    link = reinterpret_cast<IShellLinkA*>(&list);
    EXPECT_EQ(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                               reinterpret_cast<void**>(&link)),
              CO_E_NOTINITIALIZED);
    EXPECT_EQ(link, nullptr);
    CreateDesktopShortcut(nullptr, "Wiesenhain.scr", "Wiesenhain", 0);
    EXPECT_FALSE(Exists(shortcut));
    EXPECT_EQ(CoInitialize(nullptr), S_OK);
}

} // namespace
