#include "tests/support/theme_machine.h"

#include "engine/install.h"
#include "engine/install_file_table.h"
#include "engine/setting_item.h"
#include "engine/setting_items.h"
#include "engine/uninstall.h"
#include "platform/testing.h"
#include "resources/resource_ids.h"
#include "shell/dialog_texts.h"
#include "state/setup_state.h"
#include "system/profile_settings.h"
#include "system/registry_key.h"
#include "system/shell_integration.h"
#include "tests/support/package_files.h"

#include <stdio.h>
#include <string.h>

namespace theme_test {

const char kComputerClass[] = "20D04FE0-3AEA-1069-A2D8-08002B30309D";
const char kNetworkClass[] = "208D2C60-3AEA-1069-A2D7-08002B30309D";
const char kRecycleBinClass[] = "645FF040-5081-101B-9F08-00AA002F954E";
const char kDesktopKey[] = "Control Panel\\Desktop";
const char kColorsKey[] = "Control Panel\\Colors";
const char kUninstallEntryKey[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Wiesenhain-Scr";
const char kUserCursorsKey[] = "Control Panel\\Cursors";
const char kDefaultCursorsKey[] = ".Default\\Control Panel\\Cursors";
const char kSoundKey[] = ".Default\\AppEvents\\Schemes\\Apps\\Explorer\\EmptyRecycleBin\\.current";
const char kUserSoundKey[] = "AppEvents\\Schemes\\Apps\\Explorer\\EmptyRecycleBin\\.Current";

namespace {

void Put16(std::string& s, unsigned v) {
    s += static_cast<char>(v & 0xFF);
    s += static_cast<char>((v >> 8) & 0xFF);
}
void Put32(std::string& s, uint32_t v) {
    Put16(s, v & 0xFFFF);
    Put16(s, v >> 16);
}

// Equal without regard to ASCII case.
bool SameNoCase(const char* a, const char* b) {
    for (;; ++a, ++b) {
        int x = *a >= 'a' && *a <= 'z' ? *a - 32 : *a;
        int y = *b >= 'a' && *b <= 'z' ? *b - 32 : *b;
        if (x != y)
            return false;
        if (!x)
            return true;
    }
}

uint32_t Checksum(const std::string& data) {
    uint32_t h = 2166136261u;
    for (unsigned char c : data)
        h = (h ^ c) * 16777619u;
    return h;
}

// A small deterministic generator (xorshift).
struct Random {
    uint32_t x;
    explicit Random(uint32_t seed) : x(seed * 2654435761u + 1) {}
    uint32_t Next() {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        return x;
    }
    uint32_t Below(uint32_t n) { return Next() % n; }
    bool Chance(uint32_t percent) { return Below(100) < percent; }
};

const char* const kCursorValueNames[3] = {"AppStarting", "Wait", "Arrow"};
const char kUserCursors[] = "Control Panel\\Cursors";
const char kDefaultCursors[] = ".Default\\Control Panel\\Cursors";
const char kExpand[] = "expand:";

// A text as RegValue gives it, without its "expand:".
std::string PlainText(const std::string& value) {
    return value.rfind(kExpand, 0) == 0 ? value.substr(strlen(kExpand)) : value;
}

// A registry text as the file it names: "expand:" texts with their %...%
// strings expanded.
std::string FileOf(const std::string& value) {
    std::string text = PlainText(value);
    if (text == value)
        return text;
    char path[MAX_PATH * 2];
    DWORD n = ExpandEnvironmentStringsA(text.c_str(), path, sizeof path);
    return n > 0 && n <= sizeof path ? path : text;
}

// A directory as a directory call gives it, ending in "\\".
std::string DirectoryOf(UINT(WINAPI* get)(LPSTR, UINT)) {
    char buffer[MAX_PATH] = "";
    get(buffer, sizeof buffer);
    std::string d = buffer;
    if (d.empty() || d.back() != '\\')
        d += '\\';
    return d;
}

// Files of a directory into the view: name -> size (and a checksum of the
// content when `content`), subdirectories too when `recursive`.
void ListDirectory(View& view, const std::string& directory, bool content, bool recursive) {
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((directory + "*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE)
        return;
    std::vector<std::string> subdirectories;
    do {
        std::string name = data.cFileName;
        if (name == "." || name == "..")
            continue;
        std::string path = directory + name;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            view["dir " + path] = "present";
            if (recursive)
                subdirectories.push_back(path + "\\");
            continue;
        }
        // The profile files are viewed by their content (below).
        if (!content &&
            (SameNoCase(name.c_str(), "control.ini") || SameNoCase(name.c_str(), "system.ini")))
            continue;
        char text[64];
        if (content) {
            std::string bytes = FileText(path);
            snprintf(text, sizeof text, "%zu bytes, %08x", bytes.size(), Checksum(bytes));
        } else {
            // Name and size only: the system may touch its own files.
            snprintf(text, sizeof text, "%lu bytes", static_cast<unsigned long>(data.nFileSizeLow));
        }
        view["file " + path] = text;
    } while (FindNextFileA(find, &data));
    FindClose(find);
    for (const std::string& sub : subdirectories)
        ListDirectory(view, sub, content, recursive);
}

std::string ColorTriple(uint32_t color) {
    char text[32];
    snprintf(text, sizeof text, "%u %u %u", color & 0xFF, (color >> 8) & 0xFF,
             (color >> 16) & 0xFF);
    return text;
}

} // namespace

const char* const kIcons32[5] = {
    "C:\\WINDOWS\\SysWOW64\\explorer.exe,0", "C:\\WINDOWS\\SysWOW64\\shell32.dll,17",
    "C:\\WINDOWS\\SysWOW64\\shell32.dll,31", "C:\\WINDOWS\\SysWOW64\\shell32.dll,31",
    "C:\\WINDOWS\\SysWOW64\\shell32.dll,32"};

bool UnderWow64() {
    BOOL wow64 = FALSE;
    return IsWow64Process(GetCurrentProcess(), &wow64) && wow64;
}

REGSAM IconView() {
    return UnderWow64() ? KEY_WOW64_64KEY : 0;
}

std::string WindowsDir() {
    return DirectoryOf(GetWindowsDirectoryA);
}

std::string SystemDir() {
    return DirectoryOf(GetSystemDirectoryA);
}

std::string NativeSystemDir() {
    return UnderWow64() ? WindowsDir() + "Sysnative\\" : SystemDir();
}

std::string InstalledFile(const InstallFileEntry& row) {
    if (row.location == LocationKind::System)
        return NativeSystemDir() + row.targetName;
    return DirectoryFor(row.location) + std::string(row.targetName);
}

std::string NativeShortPath(const std::string& path) {
    std::string system = SystemDir();
    std::string name = path.size() > system.size() ? path.substr(system.size()) : "";
    if (UnderWow64() && SameNoCase(path.substr(0, system.size()).c_str(), system.c_str()) &&
        !name.empty() && name.find('\\') == std::string::npos) {
        WIN32_FIND_DATAA found;
        HANDLE find = FindFirstFileA((NativeSystemDir() + name).c_str(), &found);
        if (find == INVALID_HANDLE_VALUE)
            return "";
        FindClose(find);
        char directory[MAX_PATH];
        DWORD length = GetShortPathNameA(system.c_str(), directory, sizeof directory);
        if (length == 0 || length >= sizeof directory)
            return "";
        return directory + std::string(found.cAlternateFileName[0] ? found.cAlternateFileName
                                                                   : found.cFileName);
    }
    char shortPath[MAX_PATH];
    DWORD length = GetShortPathNameA(path.c_str(), shortPath, sizeof shortPath);
    return length > 0 && length < sizeof shortPath ? shortPath : "";
}

std::string StaticCursorBytes() {
    std::string image;
    Put32(image, 40); // BITMAPINFOHEADER
    Put32(image, 32);
    Put32(image, 64); // XOR and AND masks stacked
    Put16(image, 1);
    Put16(image, 1);
    Put32(image, 0);
    Put32(image, 256);
    Put32(image, 0);
    Put32(image, 0);
    Put32(image, 0);
    Put32(image, 0);
    Put32(image, 0x000000); // palette: black, white
    Put32(image, 0xFFFFFF);
    for (int row = 0; row < 32; ++row) // XOR mask: a small arrow-ish block
        Put32(image, row < 16 ? 0x0000FF00u >> (row % 8) : 0);
    for (int row = 0; row < 32; ++row) // AND mask: transparent around it
        Put32(image, row < 16 ? ~(0x0000FF00u >> (row % 8)) : 0xFFFFFFFFu);
    std::string file;
    Put16(file, 0); // icon directory: reserved, type 2 (cursor), one image
    Put16(file, 2);
    Put16(file, 1);
    file += static_cast<char>(32); // width, height, colours, reserved
    file += static_cast<char>(32);
    file += static_cast<char>(2);
    file += static_cast<char>(0);
    Put16(file, 1); // hot spot
    Put16(file, 1);
    Put32(file, static_cast<uint32_t>(image.size()));
    Put32(file, 22);
    return file + image;
}

std::string AnimatedCursorBytes() {
    std::string frame = StaticCursorBytes();
    std::string header;
    header += "anih";
    Put32(header, 36);
    Put32(header, 36); // cbSize
    Put32(header, 1);  // frames
    Put32(header, 1);  // steps
    Put32(header, 0);  // width, height, bit count, planes: from the frames
    Put32(header, 0);
    Put32(header, 0);
    Put32(header, 0);
    Put32(header, 10); // display rate (jiffies)
    Put32(header, 1);  // the frames are icons (cursors)
    std::string icon = "icon";
    Put32(icon, static_cast<uint32_t>(frame.size()));
    icon += frame;
    if (frame.size() % 2)
        icon += '\0';
    std::string list = "LIST";
    Put32(list, static_cast<uint32_t>(4 + icon.size()));
    list += "fram" + icon;
    std::string body = "ACON" + header + list;
    std::string file = "RIFF";
    Put32(file, static_cast<uint32_t>(body.size()));
    return file + body;
}

std::string PackageContent(const char* packageName) {
    std::string name = packageName;
    if (name == "curarrow.ppk")
        return StaticCursorBytes();
    if (name == "curstart.ppk" || name == "curwait.ppk" || name == "h256.ppk" ||
        name == "k256.ppk") {
        std::string ani = AnimatedCursorBytes();
        // Each animated file its own: a trailing pad chunk tells them apart.
        ani += "pad ";
        std::string tag = name.substr(0, 4);
        Put32(ani, static_cast<uint32_t>(tag.size()));
        ani += tag;
        uint32_t riffSize = static_cast<uint32_t>(ani.size() - 8);
        for (int i = 0; i < 4; ++i)
            ani[4 + i] = static_cast<char>((riffSize >> (8 * i)) & 0xFF);
        return ani;
    }
    if (name == "wall.ppk")
        return "BM" + package_test::TextLike(3000, 7);
    if (name == "empty.ppk")
        return "RIFF\x24\x08\x00\x00WAVEfmt " + package_test::RandomBytes(200, 9);
    if (name == "screen.ppk")
        return "MZ" + package_test::RandomBytes(5000, 11);
    return "";
}

std::string SetupProgramBytes() {
    return "MZ setup " + package_test::TextLike(2000, 3);
}

bool WriteMedium(const std::string& directory, const std::vector<std::string>& leaveOut) {
    for (const char* name : DisketteFileList::names) {
        bool skip = false;
        for (const std::string& l : leaveOut)
            skip = skip || l == name;
        if (skip)
            continue;
        std::string bytes = strcmp(name, "setup.exe") == 0
                                ? SetupProgramBytes()
                                : package_test::Deflate(PackageContent(name));
        if (!package_test::WriteWholeFile(directory + name, bytes))
            return false;
    }
    return true;
}

void PrepareItemsOnce() {
    static bool done = false;
    if (done)
        return;
    PrepareSettingItems();
    ShowCreditLine();
    done = true;
}

std::string RegValue(HKEY root, const char* path, const char* name, REGSAM view) {
    HKEY key;
    if (RegOpenKeyExA(root, path, 0, KEY_READ | view, &key) != ERROR_SUCCESS)
        return "<missing>";
    char buffer[1024];
    DWORD size = sizeof buffer - 1, type = 0;
    LONG result =
        RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
    RegCloseKey(key);
    if (result != ERROR_SUCCESS)
        return "<missing>";
    if (type == REG_DWORD && size == 4) {
        char text[32];
        snprintf(text, sizeof text, "dword:%u", *reinterpret_cast<uint32_t*>(buffer));
        return text;
    }
    buffer[size] = 0;
    std::string text(buffer, strnlen(buffer, size));
    return type == REG_EXPAND_SZ ? kExpand + text : text;
}

std::string TextOf(const std::string& value) {
    return PlainText(value);
}

void SetViewValue(HKEY root, const char* path, const char* name, const std::string& value,
                  REGSAM view) {
    if (value == "<missing>") {
        DeleteRegValue(root, path, name, view);
        return;
    }
    std::string text = PlainText(value);
    DWORD type = text == value ? REG_SZ : REG_EXPAND_SZ;
    HKEY key;
    if (RegCreateKeyExA(root, path, 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_READ | KEY_WRITE | view, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return;
    RegSetValueExA(key, name, 0, type, reinterpret_cast<const BYTE*>(text.c_str()),
                   static_cast<DWORD>(text.size() + 1));
    RegCloseKey(key);
}

bool NtFamily() {
    return (GetVersion() & 0x80000000u) == 0;
}

namespace {
const char kScreenSaverMapping[] =
    "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\IniFileMapping\\system.ini\\boot";
}

bool ScreenSaverInRegistry() {
    return NtFamily() &&
           RegValue(HKEY_LOCAL_MACHINE, kScreenSaverMapping, "SCRNSAVE.EXE", KEY_WOW64_64KEY)
                   .rfind("USR:", 0) == 0;
}

bool RegKeyExists(HKEY root, const char* path, REGSAM view) {
    HKEY key;
    if (RegOpenKeyExA(root, path, 0, KEY_READ | view, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

bool SetRegValue(HKEY root, const char* path, const char* name, const char* text, REGSAM view) {
    HKEY key;
    if (RegCreateKeyExA(root, path, 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_READ | KEY_WRITE | view, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return false;
    LONG result = RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                                 static_cast<DWORD>(strlen(text) + 1));
    RegCloseKey(key);
    return result == ERROR_SUCCESS;
}

void DeleteRegValue(HKEY root, const char* path, const char* name, REGSAM view) {
    HKEY key;
    if (RegOpenKeyExA(root, path, 0, KEY_ALL_ACCESS | view, &key) != ERROR_SUCCESS)
        return;
    RegDeleteValueA(key, name);
    RegCloseKey(key);
}

// RegDeleteKeyA deletes in this process's view; a key of another view goes
// through its parent opened in that view.
void DeleteRegTree(HKEY root, const char* path, REGSAM view) {
    HKEY key;
    if (RegOpenKeyExA(root, path, 0, KEY_ALL_ACCESS | view, &key) != ERROR_SUCCESS)
        return;
    char name[MAX_PATH];
    std::vector<std::string> children;
    for (DWORD i = 0; RegEnumKeyA(key, i, name, sizeof name) == ERROR_SUCCESS; ++i)
        children.push_back(name);
    RegCloseKey(key);
    for (const std::string& child : children)
        DeleteRegTree(root, (std::string(path) + "\\" + child).c_str(), view);
    std::string text = path;
    size_t cut = text.rfind('\\');
    HKEY parent = root;
    if (cut != std::string::npos && RegOpenKeyExA(root, text.substr(0, cut).c_str(), 0,
                                                  KEY_ALL_ACCESS | view, &parent) != ERROR_SUCCESS)
        return;
    RegDeleteKeyA(parent, cut == std::string::npos ? path : text.c_str() + cut + 1);
    if (parent != root)
        RegCloseKey(parent);
}

std::string IconKey(const char* classId) {
    return std::string("CLSID\\{") + classId + "}\\DefaultIcon";
}

namespace {

// Sets a value as RegValue gives it, or with "<missing>" deletes it.
void SetOrDelete(HKEY root, const char* path, const char* name, const std::string& value,
                 REGSAM view = 0) {
    SetViewValue(root, path, name, value, view);
}

// The cursor files of a fresh Windows 10's scheme, made where missing (a
// Wine prefix has none; the emulated Windows 10 has its own).
const char* const kAeroCursors[3] = {"%SystemRoot%\\cursors\\aero_working.ani",
                                     "%SystemRoot%\\cursors\\aero_busy.ani",
                                     "%SystemRoot%\\cursors\\aero_arrow.cur"};

void MakeAeroCursorFiles() {
    std::string directory = FileOf(std::string(kExpand) + "%SystemRoot%\\cursors");
    CreateDirectoryA(directory.c_str(), nullptr);
    for (const char* cursor : kAeroCursors) {
        std::string file = FileOf(std::string(kExpand) + cursor);
        bool animated = file.size() > 4 && SameNoCase(file.c_str() + file.size() - 4, ".ani");
        if (!package_test::Exists(file))
            package_test::WriteWholeFile(file,
                                         animated ? AnimatedCursorBytes() : StaticCursorBytes());
    }
}

// The five icon values (Computer, Network, recycle bin default, "empty",
// "full") in a view; "<missing>" leaves a value out.
void SetIconValues(const std::string (&icons)[5], REGSAM view) {
    const char* const keys[5] = {kComputerClass, kNetworkClass, kRecycleBinClass, kRecycleBinClass,
                                 kRecycleBinClass};
    const char* const names[5] = {"", "", "", "empty", "full"};
    for (int i = 0; i < 5; ++i)
        SetOrDelete(HKEY_CLASSES_ROOT, IconKey(keys[i]).c_str(), names[i], icons[i], view);
}

void SetIconValues(const char* const (&icons)[5], REGSAM view) {
    const std::string texts[5] = {icons[0], icons[1], icons[2], icons[3], icons[4]};
    SetIconValues(texts, view);
}

} // namespace

std::string SeededComputerIcon() {
    return NtFamily() ? std::string(kExpand) + "%SystemRoot%\\System32\\imageres.dll,-109"
                      : "explorer.exe,0";
}

std::string SeededArrowCursor() {
    return NtFamily() ? std::string(kExpand) + kAeroCursors[2] : "";
}

std::string SeededArrowCursorFile() {
    return FileOf(SeededArrowCursor());
}

void SeedThemeValues() {
    bool nt = NtFamily();
    std::string imageres = std::string(kExpand) + "%SystemRoot%\\System32\\imageres.dll,";
    const std::string icons[5] = {SeededComputerIcon(),
                                  nt ? imageres + "-25" : "C:\\WINDOWS\\SYSTEM\\shell32.dll,17",
                                  nt ? imageres + "-55" : "C:\\WINDOWS\\SYSTEM\\shell32.dll,31",
                                  nt ? imageres + "-55" : "C:\\WINDOWS\\SYSTEM\\shell32.dll,31",
                                  nt ? imageres + "-54" : "C:\\WINDOWS\\SYSTEM\\shell32.dll,32"};
    SetIconValues(icons, IconView());
    if (UnderWow64())
        SetIconValues(kIcons32, KEY_WOW64_32KEY);
    SetRegValue(HKEY_CURRENT_USER, kDesktopKey, "TileWallpaper", "0");
    SetRegValue(HKEY_CURRENT_USER, kDesktopKey, "Wallpaper", "(None)");
    SetRegValue(HKEY_CURRENT_USER, kColorsKey, "Background", "0 128 128");
    // The session's colour, which the colour item records, as the registry's.
    INT element = COLOR_BACKGROUND;
    COLORREF teal = RGB(0, 128, 128);
    SetSysColors(1, &element, &teal);
    if (nt)
        MakeAeroCursorFiles();
    for (int i = 0; i < 3; ++i) {
        std::string cursor = nt ? std::string(kExpand) + kAeroCursors[i] : "";
        SetViewValue(HKEY_CURRENT_USER, kUserCursors, kCursorValueNames[i], cursor);
        SetViewValue(HKEY_USERS, kDefaultCursors, kCursorValueNames[i], cursor);
    }
    if (nt) {
        SetViewValue(HKEY_USERS, kSoundKey, "",
                     std::string(kExpand) + "%SystemRoot%\\media\\Windows Recycle.wav");
        // The user's own, apart from the logon desktop's.
        SetViewValue(HKEY_CURRENT_USER, kUserSoundKey, "",
                     std::string(kExpand) + "%SystemRoot%\\media\\Windows Ding.wav");
        // NT keeps the screen saver entry in the user's registry; a Wine
        // prefix lacks the mapping that Windows has (both views: the 32-bit
        // programs read their own).
        for (REGSAM view : {KEY_WOW64_64KEY, KEY_WOW64_32KEY})
            SetRegValue(HKEY_LOCAL_MACHINE, kScreenSaverMapping, "SCRNSAVE.EXE",
                        "USR:Control Panel\\Desktop", view);
    } else {
        SetRegValue(HKEY_USERS, kSoundKey, "", "C:\\WINDOWS\\MEDIA\\Papierkorb leeren.wav");
        SetRegValue(HKEY_CURRENT_USER, kUserSoundKey, "",
                    "C:\\WINDOWS\\MEDIA\\Papierkorb leeren.wav");
    }
    WritePrivateProfileStringA("boot", "SCRNSAVE.EXE", nullptr, "system.ini");
}

void BeginInstallRun(const std::string& targetDirectory, bool wallpaper, bool cursorsAndIcons) {
    ResetSetupState();
    g_setup.instance = platform_testing::ProgramInstance();
    LoadStringA(g_setup.instance, kStringProductName, g_setup.productName,
                sizeof g_setup.productName);
    snprintf(g_setup.targetDirectory, sizeof g_setup.targetDirectory, "%s",
             targetDirectory.c_str());
    snprintf(g_setup.gardenName, sizeof g_setup.gardenName, "%s", "Kleingarten Sonnenblick");
    CreateDirectoryA(targetDirectory.c_str(), nullptr);
    g_setup.installWallpaper = wallpaper;
    g_setup.installCursorsAndIcons = cursorsAndIcons;
    PrepareItemsOnce();
}

void BeginLaterRun() {
    ResetSetupState();
    // The items are program data: a new run starts with isSaved clear.
    SettingItemList& list = SettingItemList::Program();
    for (int i = 0; i < list.count; ++i)
        list.items[i]->isSaved = 0;
    g_setup.instance = platform_testing::ProgramInstance();
    if (ProfileSettings::IsPresent(kProductName, kInstalledMarkerKey))
        ReadInstalledTargetDirectory();
    LoadStringA(g_setup.instance, kStringProductName, g_setup.productName,
                sizeof g_setup.productName);
    PrepareItemsOnce();
}

void RemoveProductTraces() {
    ProfileSettings::RemoveSection();
    DeleteRegTree(HKEY_LOCAL_MACHINE, "SOFTWARE\\Vorq");
    DeleteRegTree(HKEY_LOCAL_MACHINE, kUninstallEntryKey);
    if (ResolveSystemDirectories()) {
        for (const InstallFileEntry& row : InstallFileTable::rows) {
            if (row.location == LocationKind::Target)
                continue;
            DeleteFileA((DirectoryFor(row.location) + std::string(row.targetName)).c_str());
            DeleteFileA(InstalledFile(row).c_str());
        }
    }
    char name[kProductNameCapacity] = "";
    LoadStringA(platform_testing::ProgramInstance(), kStringProductName, name, sizeof name);
    DeleteDesktopShortcut(name);
}

std::string FileText(const std::string& path) {
    return package_test::ReadWholeFile(path);
}

View ThemeView(const std::vector<std::string>& directories) {
    View v;
    const char* classes[3] = {kComputerClass, kNetworkClass, kRecycleBinClass};
    bool wow64 = UnderWow64();
    for (const char* c : classes) {
        std::string key = IconKey(c);
        for (const char* name : {"", "empty", "full"}) {
            if (c != kRecycleBinClass && *name)
                continue;
            std::string suffix = key + " " + (*name ? name : "@");
            v["icon " + suffix] = RegValue(HKEY_CLASSES_ROOT, key.c_str(), name, IconView());
            if (wow64)
                v["icon32 " + suffix] =
                    RegValue(HKEY_CLASSES_ROOT, key.c_str(), name, KEY_WOW64_32KEY);
        }
    }
    for (const char* name : {"Wallpaper", "TileWallpaper", "ScreenSaveActive"})
        v[std::string("desktop ") + name] = RegValue(HKEY_CURRENT_USER, kDesktopKey, name);
    v["colors Background"] = RegValue(HKEY_CURRENT_USER, kColorsKey, "Background");
    for (const char* name : kCursorValueNames) {
        v[std::string("cursor HKCU ") + name] = RegValue(HKEY_CURRENT_USER, kUserCursors, name);
        v[std::string("cursor HKU ") + name] = RegValue(HKEY_USERS, kDefaultCursors, name);
    }
    v["sound"] = RegValue(HKEY_USERS, kSoundKey, "");
    v["sound HKCU"] = RegValue(HKEY_CURRENT_USER, kUserSoundKey, "");
    v["sound HKCU key"] =
        RegKeyExists(HKEY_CURRENT_USER, "AppEvents\\Schemes\\Apps\\Explorer\\EmptyRecycleBin")
            ? "yes"
            : "no";
    char entry[MAX_PATH] = "";
    GetPrivateProfileStringA("boot", "SCRNSAVE.EXE", "", entry, sizeof entry, "system.ini");
    v["screen saver entry"] =
        IsProfileKeyPresent("system.ini", "boot", "SCRNSAVE.EXE") ? entry : "<missing>";
    char text[32];
    snprintf(text, sizeof text, "%06lx", static_cast<unsigned long>(GetSysColor(COLOR_BACKGROUND)));
    v["display color"] = text;
    BOOL active = FALSE;
    SystemParametersInfoA(SPI_GETSCREENSAVEACTIVE, 0, &active, 0);
    v["display screen saver active"] = active ? "1" : "0";
    v["key SOFTWARE\\Vorq"] = RegKeyExists(HKEY_LOCAL_MACHINE, "SOFTWARE\\Vorq") ? "yes" : "no";
    v["key Wiesenhain"] =
        RegKeyExists(HKEY_LOCAL_MACHINE, "SOFTWARE\\Vorq\\Wiesenhain") ? "yes" : "no";
    v["key uninstall entry"] = RegKeyExists(HKEY_LOCAL_MACHINE, kUninstallEntryKey) ? "yes" : "no";
    std::string windows = WindowsDir();
    v["control.ini"] = FileText(windows + "control.ini");
    v["system.ini"] = FileText(windows + "system.ini");
    char name[kProductNameCapacity] = "", shortcut[MAX_PATH] = "";
    LoadStringA(platform_testing::ProgramInstance(), kStringProductName, name, sizeof name);
    v["shortcut"] = DesktopShortcutPath(shortcut, name) && package_test::Exists(shortcut)
                        ? "present"
                        : "absent";
    ListDirectory(v, windows, false, false);
    ListDirectory(v, SystemDir(), false, false);
    if (wow64)
        ListDirectory(v, NativeSystemDir(), false, false);
    for (const std::string& d : directories)
        ListDirectory(v, d, true, true);
    return v;
}

std::string Differences(const View& before, const View& after) {
    std::string out;
    auto show = [](const View& v, const std::string& key) {
        auto it = v.find(key);
        return it == v.end() ? std::string("<none>") : "\"" + it->second + "\"";
    };
    for (const auto& [key, value] : before)
        if (!after.count(key) || after.at(key) != value)
            out += key + ": " + show(before, key) + " -> " + show(after, key) + "\n";
    for (const auto& [key, value] : after)
        if (!before.count(key))
            out += key + ": <none> -> \"" + value + "\"\n";
    return out;
}

// ---- Round trip ----

std::string StartMachine::Describe() const {
    std::string d =
        "seed " + std::to_string(seed) + ": options " + (wallpaperOption ? "wallpaper " : "") +
        (cursorsOption ? "cursors+icons" : "") + "; tile \"" + tile + "\", wallpaper \"" +
        wallpaper + "\", colour " + ColorTriple(color) + ", cursors \"" + cursors[0] + "\" \"" +
        cursors[1] + "\" \"" + cursors[2] + "\", sound \"" + sound + "\", screen saver \"" +
        screenSaver + "\", active " + (active ? "1" : "0") + ", icons \"" + icons[0] + "\" \"" +
        icons[1] + "\" \"" + icons[2] + "\" empty \"" + binEmpty + "\" full \"" + binFull +
        "\", other control.ini sections " + (otherControlSections ? "yes" : "no") +
        ", .Default cursors \"" + defaultCursors[0] + "\" \"" + defaultCursors[1] + "\" \"" +
        defaultCursors[2] + "\", user's sound \"" + userSound + "\"" + (nt ? ", NT" : "") +
        (cursorFilesDeleted ? ", cursor files deleted" : "") +
        (readOnlyAtUninstall.empty() ? "" : ", " + readOnlyAtUninstall + " read-only");
    return d;
}

namespace {

// An NT-family machine: most texts REG_EXPAND_SZ, as Windows Vista and later
// keep them, the scheme's files named with %SystemRoot%; now and then a
// value missing for the current user or for the logon desktop and there for
// the other.
void TypeAsNt(StartMachine& m, Random& r, const std::string& cursorDirectory) {
    auto typed = [&](std::string& value, uint32_t percent) {
        if (value != "<missing>" && value != "<nokey>" && r.Chance(percent))
            value = kExpand + value;
    };
    std::string plainEmpty = m.binEmpty, plainFull = m.binFull;
    typed(m.binEmpty, 80);
    typed(m.binFull, 80);
    // The default shows the bin's state: one icon, of one type.
    if (m.icons[2] == plainEmpty)
        m.icons[2] = m.binEmpty;
    else if (m.icons[2] == plainFull)
        m.icons[2] = m.binFull;
    else
        typed(m.icons[2], 80);
    typed(m.icons[0], 80);
    typed(m.icons[1], 80);
    typed(m.tile, 10);
    typed(m.wallpaper, 10);
    typed(m.sound, 70);
    typed(m.userSound, 70);
    for (int i = 0; i < 3; ++i) {
        for (std::string* c : {&m.cursors[i], &m.defaultCursors[i]}) {
            if (c->empty() || *c == "<missing>")
                continue;
            if (r.Chance(50))
                *c = std::string(kExpand) + kAeroCursors[i];
            else
                typed(*c, 50);
        }
        if (r.Chance(15))
            (r.Chance(50) ? m.cursors[i] : m.defaultCursors[i]) = "<missing>";
    }
    (void)cursorDirectory;
}

} // namespace

StartMachine GenerateMachine(uint32_t seed, const std::string& cursorDirectory) {
    Random r(seed);
    StartMachine m;
    m.seed = seed;
    const char* iconFiles[] = {"explorer.exe", "C:\\WINDOWS\\SYSTEM\\shell32.dll",
                               "C:\\Programme\\Garten\\garten.ico", "C:\\WINDOWS\\moricons.dll"};
    for (std::string& icon : m.icons)
        icon = std::string(iconFiles[r.Below(4)]) + "," + std::to_string(r.Below(40));
    m.binEmpty = std::string(iconFiles[r.Below(4)]) + "," + std::to_string(r.Below(40));
    m.binFull = std::string(iconFiles[r.Below(4)]) + "," + std::to_string(r.Below(40));
    switch (r.Below(3)) { // the bin's default shows its state, or neither value
    case 0:
        m.icons[2] = m.binEmpty;
        break;
    case 1:
        m.icons[2] = m.binFull;
        break;
    }
    m.tile = r.Chance(50) ? "0" : "1";
    const char* wallpapers[] = {"(None)", "", "C:\\WINDOWS\\Wolken.bmp",
                                "C:\\WINDOWS\\Gr\xFCne Wiese.bmp",
                                "C:\\Eigene Dateien\\ferien.bmp"};
    m.wallpaper = wallpapers[r.Below(5)];
    m.color = r.Next() & 0xFFFFFF;
    const char* cursorFiles[] = {"ALT-PFEIL.CUR", "sanduhr.ani", "Laufen alt.ani", "hand.cur"};
    auto cursor = [&] {
        switch (r.Below(3)) {
        case 0:
            return std::string("<missing>");
        case 1:
            return std::string();
        default:
            return cursorDirectory + cursorFiles[r.Below(4)];
        }
    };
    for (std::string& c : m.cursors)
        c = cursor();
    const char* sounds[] = {"", "C:\\WINDOWS\\MEDIA\\Papierkorb leeren.wav",
                            "C:\\WINDOWS\\MEDIA\\Ding.wav"};
    m.sound = sounds[r.Below(3)];
    const std::string savers[] = {"<missing>", "<noboot>", "(none)", SystemDir() + "BLUMEN.SCR",
                                  SystemDir() + "FEHLT.SCR"};
    m.screenSaver = savers[r.Below(5)];
    m.active = r.Chance(50);
    m.otherControlSections = r.Chance(60);
    m.wallpaperOption = r.Chance(50);
    m.cursorsOption = r.Chance(50);
    // Now and then a value an install must record is missing.
    if (r.Chance(8)) {
        switch (r.Below(4)) {
        case 0:
            m.tile = "<missing>";
            break;
        case 1:
            m.wallpaper = "<missing>";
            break;
        case 2:
            m.sound = "<missing>";
            break;
        default:
            m.icons[1] = "<missing>";
        }
    }
    // The logon desktop's cursors mostly follow the user's; now and then
    // they are the machine's own.
    bool ownDefaults = r.Chance(30);
    for (int i = 0; i < 3; ++i)
        m.defaultCursors[i] = ownDefaults ? cursor() : m.cursors[i];
    m.cursorFilesDeleted = r.Chance(20);
    switch (r.Below(8)) {
    case 0:
        m.readOnlyAtUninstall = "system.ini";
        break;
    case 1:
        m.readOnlyAtUninstall = "control.ini";
        break;
    }
    // What came later draws from a generator of its own, so that a seed
    // keeps the machine it gave before.
    Random more(seed ^ 0x4E54u);
    const char* userSounds[] = {"<missing>", "<nokey>", "", "C:\\Eigene Dateien\\Klang\\leer.wav"};
    uint32_t userSound = more.Below(5);
    m.userSound = userSound < 4 ? userSounds[userSound] : m.sound;
    m.nt = NtFamily();
    if (m.nt)
        TypeAsNt(m, more, cursorDirectory);
    return m;
}

namespace {

// A generated cursor value that names a file ("" and "<missing>" do not).
bool IsCursorFile(const std::string& value) {
    return !PlainText(value).empty() && value != "<missing>";
}

// A "SCRNSAVE.EXE=path" line (without its line end) with the path in the
// short form that 64-bit Windows gives it on this machine (NativeShortPath),
// the form in which the uninstall writes the recorded screen saver back
// (Wine gives the directories in their case on disk). Other lines, and paths
// that name no file, stay as they are.
std::string WithShortScreenSaverPath(const std::string& line) {
    const size_t keyLength = strlen("SCRNSAVE.EXE=");
    if (line.size() <= keyLength || !SameNoCase(line.substr(0, keyLength).c_str(), "SCRNSAVE.EXE="))
        return line;
    std::string shortPath = NativeShortPath(line.substr(keyLength));
    return shortPath.empty() ? line : line.substr(0, keyLength) + shortPath;
}

// system.ini and control.ini with what the theme may leave behind taken out:
// a "SCRNSAVE.EXE=(none)" line stands for a missing key (the profile reads
// both as the empty text), and a [boot] section left empty by that. The
// screen saver's path is compared in its short form.
std::string WithoutNoneScreenSaver(const std::string& text) {
    std::string out, section;
    std::string pendingHeader;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        else
            ++end;
        std::string line = text.substr(start, end - start);
        start = end;
        std::string bare = line;
        while (!bare.empty() && (bare.back() == '\n' || bare.back() == '\r'))
            bare.pop_back();
        if (SameNoCase(bare.c_str(), "SCRNSAVE.EXE=(none)"))
            continue;
        line = WithShortScreenSaverPath(bare) + line.substr(bare.size());
        if (SameNoCase(bare.c_str(), "[boot]")) {
            pendingHeader = line; // kept only when an entry follows
            continue;
        }
        if (!pendingHeader.empty()) {
            if (bare.empty() || bare[0] == '[') {
                pendingHeader.clear();
            } else {
                out += pendingHeader;
                pendingHeader.clear();
            }
        }
        out += line;
    }
    return out;
}

} // namespace

void NormalizeView(View& v) {
    std::string& wallpaper = v["desktop Wallpaper"];
    if (SameNoCase(wallpaper.c_str(), "(none)"))
        wallpaper = "";
    v["system.ini"] = WithoutNoneScreenSaver(v["system.ini"]);
    // The screen saver in the short form that 64-bit Windows gives it.
    std::string& entry = v["screen saver entry"];
    if (!entry.empty() && entry != "<missing>") {
        std::string shortPath = NativeShortPath(entry);
        if (!shortPath.empty())
            entry = shortPath;
    }
    // Recording creates control.ini; removing the section leaves it empty.
    if (v["control.ini"] == "<missing>")
        v["control.ini"] = "";
}

void SetUpMachine(const StartMachine& m) {
    const std::string icons[5] = {m.icons[0], m.icons[1], m.icons[2], m.binEmpty, m.binFull};
    SetIconValues(icons, IconView());
    SetOrDelete(HKEY_CURRENT_USER, kDesktopKey, "TileWallpaper", m.tile);
    SetOrDelete(HKEY_CURRENT_USER, kDesktopKey, "Wallpaper", m.wallpaper);
    SetRegValue(HKEY_CURRENT_USER, kColorsKey, "Background", ColorTriple(m.color).c_str());
    if (m.nt)
        MakeAeroCursorFiles();
    for (int i = 0; i < 3; ++i) {
        for (const std::string& c : {m.cursors[i], m.defaultCursors[i]}) {
            if (!IsCursorFile(c))
                continue;
            std::string file = FileOf(c);
            bool animated = file.size() > 4 && SameNoCase(file.c_str() + file.size() - 4, ".ani");
            if (!package_test::Exists(file))
                package_test::WriteWholeFile(file, animated ? AnimatedCursorBytes()
                                                            : StaticCursorBytes());
        }
        SetOrDelete(HKEY_CURRENT_USER, kUserCursors, kCursorValueNames[i], m.cursors[i]);
        SetOrDelete(HKEY_USERS, kDefaultCursors, kCursorValueNames[i], m.defaultCursors[i]);
    }
    SetOrDelete(HKEY_USERS, kSoundKey, "", m.sound);
    if (m.userSound == "<nokey>")
        DeleteRegTree(HKEY_CURRENT_USER, "AppEvents\\Schemes\\Apps\\Explorer\\EmptyRecycleBin");
    else
        SetOrDelete(HKEY_CURRENT_USER, kUserSoundKey, "", m.userSound);
    if (m.screenSaver == "<noboot>") {
        WritePrivateProfileStringA("boot", nullptr, nullptr, "system.ini");
    } else if (m.screenSaver == "<missing>") {
        WritePrivateProfileStringA("boot", "SCRNSAVE.EXE", nullptr, "system.ini");
    } else {
        WritePrivateProfileStringA("boot", "SCRNSAVE.EXE", m.screenSaver.c_str(), "system.ini");
        // The user's screen saver, where 64-bit Windows has it.
        if (m.screenSaver.find("BLUMEN") != std::string::npos)
            package_test::WriteWholeFile(NativeSystemDir() + "BLUMEN.SCR", "MZ Blumen");
    }
    SetRegValue(HKEY_CURRENT_USER, kDesktopKey, "ScreenSaveActive", m.active ? "1" : "0");
    // The session follows: display calls after the registry is in place.
    COLORREF color = m.color;
    INT element = COLOR_BACKGROUND;
    SetSysColors(1, &element, &color);
    SystemParametersInfoA(SPI_SETSCREENSAVEACTIVE, m.active ? 1 : 0, nullptr, SPIF_UPDATEINIFILE);
    if (m.otherControlSections) {
        WritePrivateProfileStringA("Gartenplaner", "Beete", "12", "control.ini");
        WritePrivateProfileStringA("current", "color schemes", "Windows-Standard", "control.ini");
    } else {
        DeleteFileA((WindowsDir() + "control.ini").c_str());
    }
}

bool InstallMustFailRecording(const StartMachine& m) {
    bool wallpaperMissing = m.tile == "<missing>" || m.wallpaper == "<missing>";
    bool iconOrSoundMissing = m.sound == "<missing>" || m.icons[0] == "<missing>" ||
                              m.icons[1] == "<missing>" || m.icons[2] == "<missing>";
    return (m.wallpaperOption && wallpaperMissing) || (m.cursorsOption && iconOrSoundMissing);
}

const char kNoReadOnlyProfiles[] =
    "a read-only profile file is an emulated machine's: Wine as root writes it, and keeps a "
    "failed profile write in its cache to write it later";

std::vector<std::string> CursorFilesDeletedByRoundTrip(const StartMachine& m) {
    std::vector<std::string> files;
    if (m.cursorFilesDeleted && !InstallMustFailRecording(m))
        for (const std::string& c : m.cursors)
            if (IsCursorFile(c))
                files.push_back(FileOf(c));
    return files;
}

void ExpectRoundTripChanges(const StartMachine& m, View& before) {
    std::vector<std::string> deletedFiles = CursorFilesDeletedByRoundTrip(m);
    for (const std::string& file : deletedFiles)
        before.erase("file " + file);
    if (!m.cursorsOption || InstallMustFailRecording(m))
        return;
    // A file gone gives the standard cursor: the empty text of the recorded
    // type. The logon desktop's value comes back as recorded.
    for (int i = 0; i < 3; ++i) {
        std::string& user = before[std::string("cursor HKCU ") + kCursorValueNames[i]];
        for (const std::string& file : deletedFiles)
            if (IsCursorFile(user) && SameNoCase(FileOf(user).c_str(), file.c_str()))
                user = user.rfind(kExpand, 0) == 0 ? kExpand : "";
    }
}

std::string RoundTrip(const StartMachine& m, const std::string& target,
                      const std::vector<std::string>& directories) {
    View start = ThemeView(directories);
    BeginInstallRun(target, m.wallpaperOption, m.cursorsOption);
    bool installed = RunInstall();
    std::string problems;
    if (InstallMustFailRecording(m)) {
        if (installed || g_setup.errorCode != 3)
            problems += "install should fail with code 3, gave " + std::to_string(installed) +
                        " code " + std::to_string(g_setup.errorCode) + "\n";
        // The target directory made by the main dialog stays after a failure.
        RemoveDirectoryA(target.c_str());
    } else {
        if (!installed || g_setup.errorCode != 0)
            problems += "install gave " + std::to_string(installed) + " code " +
                        std::to_string(g_setup.errorCode) + "\n";
        CompleteInstall();
        for (const std::string& file : CursorFilesDeletedByRoundTrip(m))
            DeleteFileA(file.c_str());
        BeginLaterRun();
        if (std::string(g_setup.targetDirectory) != target)
            problems += "later run read target \"" + std::string(g_setup.targetDirectory) + "\"\n";
        std::string readOnly;
        if (!m.readOnlyAtUninstall.empty() && platform_testing::IsEmulated()) {
            readOnly = WindowsDir() + m.readOnlyAtUninstall;
            SetFileAttributesA(readOnly.c_str(), FILE_ATTRIBUTE_READONLY);
        }
        bool uninstalled = RunUninstall();
        if (!readOnly.empty()) {
            // The screen saver cannot be put back, or the records not
            // removed: the uninstall says so, and the theme stays installed
            // for the next run, which finds the file writable again.
            SetFileAttributesA(readOnly.c_str(), FILE_ATTRIBUTE_NORMAL);
            int code = m.readOnlyAtUninstall == "system.ini" ? 10 : 3;
            // Where the screen saver entry lives in the registry, a
            // read-only system.ini stops nothing.
            if (code == 10 && ScreenSaverInRegistry()) {
                if (!uninstalled)
                    problems += "uninstall with a read-only system.ini whose screen saver lives "
                                "in the registry failed with code " +
                                std::to_string(g_setup.errorCode) + "\n";
            } else if (uninstalled || g_setup.errorCode != code)
                problems += "uninstall with a read-only " + m.readOnlyAtUninstall + " gave " +
                            std::to_string(uninstalled) + " code " +
                            std::to_string(g_setup.errorCode) + "\n";
            if (!uninstalled) {
                if (!ProfileSettings::IsPresent(kProductName, kInstalledMarkerKey))
                    problems += "a failed uninstall left the theme not installed\n";
                BeginLaterRun();
                uninstalled = RunUninstall();
            }
        }
        if (!uninstalled)
            problems += "uninstall failed with code " + std::to_string(g_setup.errorCode) + "\n";
        FinishUninstall();
    }
    View end = ThemeView(directories);
    NormalizeView(start);
    NormalizeView(end);
    ExpectRoundTripChanges(m, start);
    return problems + Differences(start, end);
}

} // namespace theme_test
