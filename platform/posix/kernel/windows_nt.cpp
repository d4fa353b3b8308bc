// The NT family of the emulated machine (see windows_nt.h): the version, the
// environment, a fresh Windows 10's registry and files.
#include "platform/posix/kernel/windows_nt.h"

#include "platform/posix/kernel/api_base.h"
#include "platform/posix/kernel/codepage.h"
#include "platform/posix/kernel/little_endian.h"
#include "platform/posix/kernel/machine.h"
#include "platform/posix/kernel/calls.h"

#include <errno.h>
#include <stdint.h>
#include <string.h>
#include <sys/stat.h>

using calls::Fail;

namespace nt {
namespace {

struct Variable {
    const char* name;
    const char* value;
};

const Variable kWindows95Environment[] = {
    {"COMSPEC", "C:\\WINDOWS\\COMMAND.COM"},
    {"PATH", "C:\\WINDOWS;C:\\WINDOWS\\COMMAND"},
    {"PROMPT", "$p$g"},
    {"TEMP", "C:\\WINDOWS\\TEMP"},
    {"TMP", "C:\\WINDOWS\\TEMP"},
    {"winbootdir", "C:\\WINDOWS"},
    {"windir", "C:\\WINDOWS"},
};

const Variable kWindows10Environment[] = {
    {"ComSpec", "C:\\WINDOWS\\system32\\cmd.exe"},
    {"OS", "Windows_NT"},
    {"Path", "C:\\WINDOWS\\system32;C:\\WINDOWS"},
    {"ProgramFiles", "C:\\Programme"},
    {"SystemDrive", "C:"},
    {"SystemRoot", "C:\\WINDOWS"},
    {"TEMP", "C:\\WINDOWS\\TEMP"},
    {"TMP", "C:\\WINDOWS\\TEMP"},
    {"USERNAME", "Benutzer"},
    {"windir", "C:\\WINDOWS"},
};

bool Lookup(const std::string& name, std::string* value) {
    const Variable* begin = IsNt() ? kWindows10Environment : kWindows95Environment;
    size_t count = IsNt() ? sizeof kWindows10Environment / sizeof *kWindows10Environment
                          : sizeof kWindows95Environment / sizeof *kWindows95Environment;
    for (size_t i = 0; i < count; ++i) {
        if (codepage::EqualNoCase(name, begin[i].name)) {
            *value = begin[i].value;
            return true;
        }
    }
    return false;
}

// ---- Cursor and sound files of a fresh Windows 10 ----

using little_endian::Put16;
using little_endian::Put32;

// A 16x16 monochrome cursor (hot spot `hot`) that the system's loader takes.
std::string CursorFile(unsigned hot) {
    const unsigned side = 16; // each mask row a padded DWORD
    std::string image;
    for (uint32_t field : {40u, side, 2 * side}) // header size, width, height (both masks)
        Put32(image, field);
    Put16(image, 1); // planes
    Put16(image, 1); // bits per pixel
    for (int i = 0; i < 6; ++i)
        Put32(image, 0); // compression, sizes, resolution, colours
    Put32(image, 0x000000);
    Put32(image, 0xFFFFFF);
    for (unsigned row = 0; row < side; ++row) // the shape: a wedge
        Put32(image, (0xFFFF0000u << (side - row)) >> 16);
    for (unsigned row = 0; row < side; ++row)
        Put32(image, ~((0xFFFF0000u << (side - row)) >> 16));
    std::string file;
    Put16(file, 0);
    Put16(file, 2); // a cursor directory
    Put16(file, 1);
    file += static_cast<char>(side);
    file += static_cast<char>(side);
    file += std::string(2, '\0');
    Put16(file, hot);
    Put16(file, hot);
    Put32(file, static_cast<uint32_t>(image.size()));
    Put32(file, 6 + 16);
    return file + image;
}

// An animated cursor of one frame.
std::string AnimatedCursorFile() {
    std::string frame = CursorFile(0);
    std::string body = "ACONanih";
    Put32(body, 36);
    for (uint32_t field : {36u, 1u, 1u, 0u, 0u, 0u, 0u, 6u, 1u})
        Put32(body, field);
    body += "LIST";
    Put32(body, static_cast<uint32_t>(4 + 8 + frame.size() + frame.size() % 2));
    body += "framicon";
    Put32(body, static_cast<uint32_t>(frame.size()));
    body += frame + std::string(frame.size() % 2, '\0');
    std::string file = "RIFF";
    Put32(file, static_cast<uint32_t>(body.size()));
    return file + body;
}

std::string SoundFile() {
    std::string file = "RIFF";
    Put32(file, 36);
    file += "WAVEfmt ";
    Put32(file, 16);
    Put16(file, 1);     // PCM
    Put16(file, 1);     // mono
    Put32(file, 22050); // samples per second
    Put32(file, 22050);
    Put16(file, 1);
    Put16(file, 8);
    file += "data";
    Put32(file, 0);
    return file;
}

// ---- REGEDIT4 text ----

std::string Quoted(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '\\' || c == '"')
            out += '\\';
        out += c;
    }
    return out + "\"";
}

// A REG_EXPAND_SZ value as REGEDIT4 writes it: hex(2): the bytes and the
// terminating zero.
std::string Expandable(const std::string& text) {
    static const char kDigits[] = "0123456789abcdef";
    std::string out = "hex(2):";
    for (unsigned char c : text) {
        out += kDigits[c >> 4];
        out += kDigits[c & 15];
        out += ',';
    }
    return out + "00";
}

std::string Section(const std::string& key) {
    return "[" + key + "]\n";
}

} // namespace

const char kIniFileMappingKey[] = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\IniFileMapping";

bool IsNt() {
    return machine::MachineWindows() == machine::Windows::Windows10;
}

bool SeedFreshFiles(const std::string& hostDriveC, std::string* error) {
    const struct {
        const char* path;
        std::string bytes;
    } kFiles[] = {
        {"WINDOWS/Cursors/aero_arrow.cur", CursorFile(0)},
        {"WINDOWS/Cursors/aero_busy.ani", AnimatedCursorFile()},
        {"WINDOWS/Cursors/aero_working.ani", AnimatedCursorFile()},
        {"WINDOWS/Media/Windows Recycle.wav", SoundFile()},
    };
    for (const char* directory : {"/WINDOWS/Cursors", "/WINDOWS/Media"}) {
        std::string host = hostDriveC + directory;
        machine::CountChange();
        if (mkdir(host.c_str(), 0755) != 0 && errno != EEXIST) {
            *error = "cannot create " + host + ": " + strerror(errno);
            return false;
        }
    }
    for (const auto& file : kFiles) {
        if (!machine::WriteFileAtomically(hostDriveC + "/" + file.path, file.bytes)) {
            *error = "cannot write " + hostDriveC + "/" + file.path;
            return false;
        }
    }
    return true;
}

std::string FreshRegistry(bool is64Bit) {
    const struct {
        const char* classId;
        const char* value;
    } kIcons[] = {
        {"{20D04FE0-3AEA-1069-A2D8-08002B30309D}", "@"},
        {"{208D2C60-3AEA-1069-A2D7-08002B30309D}", "@"},
        {"{645FF040-5081-101B-9F08-00AA002F954E}", "@"},
    };
    const char* const kIconTexts[] = {"%SystemRoot%\\System32\\imageres.dll,-109",
                                      "%SystemRoot%\\System32\\imageres.dll,-25",
                                      "%SystemRoot%\\System32\\imageres.dll,-55"};
    std::string text;
    for (const char* classes :
         {"SOFTWARE\\Classes\\CLSID\\", "SOFTWARE\\Classes\\Wow6432Node\\CLSID\\"}) {
        if (!is64Bit && strstr(classes, "Wow6432Node"))
            continue;
        for (size_t i = 0; i < sizeof kIcons / sizeof *kIcons; ++i) {
            text += Section(std::string("HKEY_LOCAL_MACHINE\\") + classes + kIcons[i].classId +
                            "\\DefaultIcon");
            text += std::string(kIcons[i].value) + "=" + Expandable(kIconTexts[i]) + "\n";
            if (i == 2) {
                text +=
                    "\"empty\"=" + Expandable("%SystemRoot%\\System32\\imageres.dll,-55") + "\n";
                text += "\"full\"=" + Expandable("%SystemRoot%\\System32\\imageres.dll,-54") + "\n";
            }
            text += "\n";
        }
    }
    text +=
        Section(std::string("HKEY_LOCAL_MACHINE\\") + kIniFileMappingKey + "\\system.ini\\boot");
    text += Quoted("SCRNSAVE.EXE") + "=" + Quoted("USR:Control Panel\\Desktop") + "\n\n";
    const std::string sound = Expandable("%SystemRoot%\\media\\Windows Recycle.wav");
    for (const char* user : {"HKEY_USERS\\.Default", "HKEY_CURRENT_USER"}) {
        std::string root = user;
        text += Section(root + "\\AppEvents\\Schemes\\Apps\\Explorer\\EmptyRecycleBin\\.Current");
        text += "@=" + sound + "\n\n";
        text += Section(root + "\\Control Panel\\Cursors");
        text += "@=" + Quoted("Windows-Standard") + "\n";
        text += "\"AppStarting\"=" + Expandable("%SystemRoot%\\cursors\\aero_working.ani") + "\n";
        text += "\"Arrow\"=" + Expandable("%SystemRoot%\\cursors\\aero_arrow.cur") + "\n";
        text += "\"Scheme Source\"=dword:00000002\n";
        text += "\"Wait\"=" + Expandable("%SystemRoot%\\cursors\\aero_busy.ani") + "\n\n";
    }
    text += Section("HKEY_CURRENT_USER\\Control Panel\\Colors");
    text += "\"Background\"=" + Quoted("0 0 0") + "\n\n";
    text += Section("HKEY_CURRENT_USER\\Control Panel\\Desktop");
    text += "\"Wallpaper\"=" + Quoted("C:\\WINDOWS\\Web\\Wallpaper\\Windows\\img0.jpg") + "\n";
    text += "\"WallpaperStyle\"=" + Quoted("10") + "\n\n";
    return text;
}

std::string ExpandEnvironment(const std::string& text) {
    std::string out;
    size_t at = 0;
    while (at < text.size()) {
        size_t open = text.find('%', at);
        size_t close = open == std::string::npos ? open : text.find('%', open + 1);
        if (close == std::string::npos) {
            out += text.substr(at);
            break;
        }
        out += text.substr(at, open - at);
        std::string value;
        std::string name = text.substr(open + 1, close - open - 1);
        if (!name.empty() && Lookup(name, &value))
            out += value;
        else
            out += text.substr(open, close - open + 1);
        at = close + 1;
    }
    return out;
}

} // namespace nt

// ---- The kernel calls ----

DWORD WINAPI GetVersion() {
    return nt::IsNt() ? 0x23F00206u : 0xC3B60004u;
}

DWORD WINAPI ExpandEnvironmentStringsA(LPCSTR source, LPSTR destination, DWORD capacity) {
    if (!source)
        return Fail(ERROR_INVALID_PARAMETER);
    std::string text = nt::ExpandEnvironment(source);
    DWORD needed = static_cast<DWORD>(text.size() + 1);
    if (destination && capacity >= needed)
        memcpy(destination, text.c_str(), needed);
    return needed;
}
