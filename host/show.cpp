// The machine viewer of the native host (setup-host --show).
#include "host/show.h"

#include "engine/install.h"
#include "engine/install_file_table.h"
#include "host/terminal_screen.h"
#include "platform/posix/kernel/machine.h"
#include "platform/posix/kernel/trace.h"
#include "platform/posix/user/display_state.h"
#include "platform/posix/kernel/resource_module.h"
#include "platform/win32.h"
#include "resources/resource_ids.h"

#include <stdio.h>
#include <string.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

const char kIconKeyFormat[] = "CLSID\\{%s}\\DefaultIcon";
const char kComputerClass[] = "20D04FE0-3AEA-1069-A2D8-08002B30309D";
const char kNetworkClass[] = "208D2C60-3AEA-1069-A2D7-08002B30309D";
const char kRecycleBinClass[] = "645FF040-5081-101B-9F08-00AA002F954E";
const char kRecycleSoundKey[] =
    ".Default\\AppEvents\\Schemes\\Apps\\Explorer\\EmptyRecycleBin\\.current";

// One "  label   value" line, the values aligned.
void Line(std::string* out, const std::string& label, const std::string& value, int width = 22) {
    std::string line = "  " + label;
    int cells = 0; // the label is ASCII or UTF-8; count characters, not bytes
    for (unsigned char c : label)
        cells += (c & 0xC0) != 0x80;
    if (cells < width)
        line.append(static_cast<size_t>(width - cells), ' ');
    else
        line += ' ';
    *out += line + value + "\n";
}

// A registry string value, read without creating anything (in a registry
// view: 0 the program's); false when the key or the value is missing or the
// value is no string.
bool RegistryText(HKEY root, const char* path, const char* name, std::string* text,
                  REGSAM view = 0) {
    HKEY key;
    if (RegOpenKeyExA(root, path, 0, KEY_READ | view, &key) != ERROR_SUCCESS)
        return false;
    char buffer[1024];
    DWORD size = sizeof buffer - 1, type = 0;
    LONG result =
        RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
    RegCloseKey(key);
    if (result != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ))
        return false;
    buffer[size < sizeof buffer ? size : sizeof buffer - 1] = '\0';
    *text = buffer;
    return true;
}

// A path of the machine for a person: "(none)" when empty, and a note when
// a full path ("C:\...") names a file that is not there; a bare name is
// found along the search path and is not checked. An icon location's
// ",index" is not part of the path.
std::string PathNote(const std::string& value, bool iconLocation = false) {
    if (value.empty())
        return "(none)";
    std::string path = value;
    size_t comma = path.rfind(',');
    if (iconLocation && comma != std::string::npos)
        path.resize(comma);
    std::string text = trace::Text(value);
    bool full = path.size() > 2 && path[1] == ':' && (path[2] == '\\' || path[2] == '/');
    if (full && path.find('%') == std::string::npos &&
        GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES)
        text += "  (file missing)";
    return text;
}

std::string RegistryPathNote(HKEY root, const char* path, const char* name, bool icon = false,
                             REGSAM view = 0) {
    std::string text;
    if (!RegistryText(root, path, name, &text, view))
        return "(not set)";
    return PathNote(text, icon);
}

// Every value and subkey below a key, indented, in the registry's order.
void ListKey(std::string* out, HKEY key, const std::string& indent) {
    for (DWORD i = 0;; ++i) {
        char name[512];
        DWORD nameSize = sizeof name, type = 0;
        std::string data(4096, '\0');
        DWORD dataSize = static_cast<DWORD>(data.size());
        LONG result = RegEnumValueA(key, i, name, &nameSize, nullptr, &type,
                                    reinterpret_cast<BYTE*>(data.data()), &dataSize);
        if (result == ERROR_NO_MORE_ITEMS)
            break;
        if (result != ERROR_SUCCESS) {
            *out += indent + "(a value that cannot be read)\n";
            continue;
        }
        data.resize(dataSize);
        *out += indent + (name[0] ? trace::Text(name) : std::string("@")) + " = " +
                trace::RegistryData(type, data) + "\n";
    }
    for (DWORD i = 0;; ++i) {
        char name[512];
        if (RegEnumKeyA(key, i, name, sizeof name) != ERROR_SUCCESS)
            break;
        *out += indent + trace::Text(name) + "\\\n";
        HKEY sub;
        if (RegOpenKeyExA(key, name, 0, KEY_READ, &sub) == ERROR_SUCCESS) {
            ListKey(out, sub, indent + "  ");
            RegCloseKey(sub);
        }
    }
}

void ShowKey(std::string* out, const char* title, HKEY root, const char* rootName,
             const std::string& path, const char* note) {
    *out += std::string(title) + " " + rootName + "\\" + trace::Text(path) + note + "\n";
    HKEY key;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
        *out += "  (none)\n";
        return;
    }
    ListKey(out, key, "  ");
    RegCloseKey(key);
}

void ShowMachineKind(std::string* out) {
    *out += "Machine\n";
    std::string version =
        machine::MachineWindows() == machine::Windows::Windows10 ? "Windows 10, " : "";
    switch (machine::MachineArchitecture()) {
    case machine::Architecture::X64:
        Line(out, "Windows", version + "64-bit; the setup runs under WOW64");
        break;
    case machine::Architecture::X64WithoutSysnative:
        Line(out, "Windows",
             version + "64-bit without the Sysnative alias; the setup runs under WOW64");
        break;
    default:
        Line(out, "Windows", version + "32-bit");
    }
}

void ShowDesktop(std::string* out) {
    *out += "Desktop\n";
    COLORREF color = GetSysColor(COLOR_BACKGROUND);
    int nearest = terminal::NearestColor(color, 16);
    char text[96];
    snprintf(text, sizeof text, "%u %u %u (%s%s)", GetRValue(color), GetGValue(color),
             GetBValue(color), terminal::ColorRgb(nearest) == color ? "" : "near ",
             terminal::ColorName(nearest));
    Line(out, "colour", text);

    char wallpaper[MAX_PATH] = "";
    SystemParametersInfoA(SPI_GETDESKWALLPAPER, sizeof wallpaper, wallpaper, 0);
    std::string tile;
    const char* tiling =
        !RegistryText(HKEY_CURRENT_USER, "Control Panel\\Desktop", "TileWallpaper", &tile) ? ""
        : tile == "1" ? ", tiled"
                      : ", not tiled";
    Line(out, "wallpaper", PathNote(wallpaper) + (wallpaper[0] ? tiling : ""));

    char saver[MAX_PATH] = "";
    GetPrivateProfileStringA("boot", "SCRNSAVE.EXE", "", saver, sizeof saver, "system.ini");
    BOOL active = FALSE;
    SystemParametersInfoA(SPI_GETSCREENSAVEACTIVE, 0, &active, 0);
    Line(out, "screen saver", PathNote(saver) + (active ? ", active" : ", not active"));
}

void ShowCursors(std::string* out) {
    *out += "Cursors\n";
    const struct {
        uint32_t id;
        const char* label;
    } kShown[] = {
        {32512, "arrow (Arrow)"}, {32514, "busy (Wait)"}, {32650, "background (AppStarting)"}};
    const display_state::State& state = display_state::Current();
    for (const auto& shown : kShown) {
        auto it = state.systemCursors.find(shown.id);
        bool fromFile = it != state.systemCursors.end() && it->second.fromFile;
        Line(out, shown.label, fromFile ? PathNote(it->second.file) : "standard", 26);
    }
    // Any other cursor that comes from a file.
    for (const auto& [id, info] : state.systemCursors) {
        bool listed = false;
        for (const auto& shown : kShown)
            listed = listed || shown.id == id;
        if (!listed && info.fromFile)
            Line(out, "cursor " + std::to_string(id), PathNote(info.file), 26);
    }
}

// The desktop icons of a registry view; the recycle bin's sound with those
// Explorer shows.
void ShowIcons(std::string* out, const char* title, REGSAM view, bool withSound) {
    *out += std::string(title) + "\n";
    char key[128];
    const struct {
        const char* label;
        const char* classId;
        const char* value;
    } kIcons[] = {{"Computer", kComputerClass, ""},
                  {"Network", kNetworkClass, ""},
                  {"Recycle Bin", kRecycleBinClass, ""},
                  {"Recycle Bin, empty", kRecycleBinClass, "empty"},
                  {"Recycle Bin, full", kRecycleBinClass, "full"}};
    for (const auto& icon : kIcons) {
        snprintf(key, sizeof key, kIconKeyFormat, icon.classId);
        Line(out, icon.label, RegistryPathNote(HKEY_CLASSES_ROOT, key, icon.value, true, view));
    }
    if (withSound)
        Line(out, "Recycle Bin sound", RegistryPathNote(HKEY_USERS, kRecycleSoundKey, ""));
}

void ShowProfileSection(std::string* out) {
    *out += std::string(kProfileFileName) + " [" + kProductName + "]\n";
    std::vector<char> keys(8192);
    DWORD n = GetPrivateProfileStringA(kProductName, nullptr, "", keys.data(),
                                       static_cast<DWORD>(keys.size()), kProfileFileName);
    if (n == 0) {
        *out += "  (no section)\n";
        return;
    }
    for (const char* key = keys.data(); *key; key += strlen(key) + 1) {
        char value[1024];
        GetPrivateProfileStringA(kProductName, key, "", value, sizeof value, kProfileFileName);
        *out += "  " + trace::Text(key) + "=" + trace::Text(value) + "\n";
    }
}

std::string ShortcutDetails(const std::string& path) {
    std::string out;
    IShellLinkA* link = nullptr;
    IPersistFile* file = nullptr;
    WCHAR wide[MAX_PATH];
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                reinterpret_cast<void**>(&link))) ||
        !link)
        return "    (the shell cannot read links)\n";
    HRESULT loaded = E_FAIL;
    if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file))) &&
        file) {
        if (MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH) > 0)
            loaded = file->Load(wide, 0);
        file->Release();
    }
    if (FAILED(loaded)) {
        link->Release();
        return "    (not a shell link the shell can read)\n";
    }
    char text[MAX_PATH * 2];
    auto line = [&](const char* label, const std::string& value) {
        std::string l = "    " + std::string(label);
        l.append(l.size() < 24 ? 24 - l.size() : 1, ' ');
        out += l + value + "\n";
    };
    link->GetPath(text, sizeof text, nullptr, 0);
    line("target", PathNote(text));
    link->GetArguments(text, sizeof text);
    line("arguments", text[0] ? trace::Text(text) : "(none)");
    link->GetWorkingDirectory(text, sizeof text);
    line("working directory", text[0] ? trace::Text(text) : "(none)");
    int index = 0;
    link->GetIconLocation(text, sizeof text, &index);
    line("icon", text[0] ? PathNote(text) + ", index " + std::to_string(index) : "(none)");
    link->GetDescription(text, sizeof text);
    line("description", text[0] ? trace::Text(text) : "(none)");
    link->Release();
    return out;
}

void ShowShortcuts(std::string* out) {
    char desktop[MAX_PATH] = "";
    LPITEMIDLIST list = nullptr;
    if (SUCCEEDED(SHGetSpecialFolderLocation(nullptr, CSIDL_DESKTOPDIRECTORY, &list)) && list) {
        SHGetPathFromIDListA(list, desktop);
        IMalloc* allocator = nullptr;
        if (SUCCEEDED(SHGetMalloc(&allocator)) && allocator) {
            allocator->Free(list);
            allocator->Release();
        }
    }
    *out += "Desktop shortcuts in " + trace::Text(desktop) + "\n";
    std::string pattern = std::string(desktop) + "\\*.lnk";
    WIN32_FIND_DATAA found;
    HANDLE find = desktop[0] ? FindFirstFileA(pattern.c_str(), &found) : INVALID_HANDLE_VALUE;
    if (find == INVALID_HANDLE_VALUE) {
        *out += "  (none)\n";
        return;
    }
    std::vector<std::string> names;
    do
        names.push_back(found.cFileName);
    while (FindNextFileA(find, &found));
    FindClose(find);
    std::sort(names.begin(), names.end());
    CoInitialize(nullptr);
    for (const std::string& name : names) {
        *out += "  " + trace::Text(name) + "\n";
        *out += ShortcutDetails(std::string(desktop) + "\\" + name);
    }
    CoUninitialize();
}

} // namespace

// On a 64-bit machine the view is 64-bit Windows' own, as Explorer shows
// it: files with redirection off, the icons in the 64-bit registry view (the
// 32-bit view's listed apart). The product key and the uninstall entry are
// the program's, in its 32-bit view, where 64-bit Windows lists the entry.
std::string ShowMachine() {
    BOOL wow64 = FALSE;
    IsWow64Process(GetCurrentProcess(), &wow64);
    PVOID redirection = nullptr;
    bool switched = wow64 && Wow64DisableWow64FsRedirection(&redirection);
    std::string out;
    ShowMachineKind(&out);
    out += "\n";
    ShowDesktop(&out);
    out += "\n";
    ShowCursors(&out);
    out += "\n";
    ShowIcons(&out, "Desktop icons", wow64 ? KEY_WOW64_64KEY : 0, true);
    out += "\n";
    if (wow64) {
        ShowIcons(&out, "Desktop icons of 32-bit programs (not shown by Explorer)", KEY_WOW64_32KEY,
                  false);
        out += "\n";
    }
    ShowProfileSection(&out);
    out += "\n";
    // Under WOW64 the keys of SOFTWARE are those of the 32-bit view.
    const char* view = wow64 ? " (32-bit view)" : "";
    ShowKey(&out, "Product key", HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE", kProductKeyPath, view);
    out += "\n";
    char entry[200] = "";
    LoadStringA(resources::ProgramModule(), kStringUninstallKey, entry, sizeof entry);
    ShowKey(&out, "Uninstall entry", HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE",
            std::string(kUninstallKeyPath) + "\\" + entry, view);
    out += "\n";
    ShowShortcuts(&out);
    if (switched)
        Wow64RevertWow64FsRedirection(redirection);
    return out;
}
