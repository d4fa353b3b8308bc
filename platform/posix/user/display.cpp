// Display settings and cursors of the emulated machine's session.
#include "platform/posix/user/api_display.h"

#include "platform/posix/kernel/api_base.h"
#include "platform/posix/registry/api_registry.h"
#include "platform/posix/user/display_state.h"
#include "platform/posix/user/front_end.h"
#include "platform/posix/kernel/machine.h"
#include "platform/posix/kernel/trace.h"
#include "platform/posix/kernel/windows_nt.h"

#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <map>
#include <memory>
#include <set>

namespace {

const char kDesktopKey[] = "Control Panel\\Desktop";
const char kColorsKey[] = "Control Panel\\Colors";
const char kCursorsKey[] = "Control Panel\\Cursors";

// The cursors a system has by id, and the registry value naming each.
struct SystemCursor {
    uint32_t id;
    const char* valueName;
};
const SystemCursor kSystemCursors[] = {
    {32512, "Arrow"},       {32513, "IBeam"},    {32514, "Wait"},     {32515, "Crosshair"},
    {32516, "UpArrow"},     {32642, "SizeNWSE"}, {32643, "SizeNESW"}, {32644, "SizeWE"},
    {32645, "SizeNS"},      {32646, "SizeAll"},  {32648, "No"},       {32649, "Hand"},
    {32650, "AppStarting"}, {32651, "Help"},
};

bool IsSystemCursorId(uint32_t id) {
    for (const SystemCursor& c : kSystemCursors)
        if (c.id == id)
            return true;
    return false;
}

const char* CursorName(uint32_t id) {
    for (const SystemCursor& c : kSystemCursors)
        if (c.id == id)
            return c.valueName;
    return "?";
}

// A cursor handle points at one of these while it lives.
struct CursorObject {
    display_state::CursorInfo info;
};

struct Session {
    uint64_t generation = 0;
    display_state::State state;
    std::map<int, COLORREF> otherColors;
    std::set<CursorObject*> live;
    std::map<uint32_t, HCURSOR> standard; // shared handles of LoadCursorA
    HCURSOR currentHandle = nullptr;
    bool failSetSystemCursor = false;
    bool failLoadCursor = false;

    Session() = default;
    Session& operator=(Session&&) = default;
    // The cursors still alive go with the session (at exit too).
    ~Session() {
        for (CursorObject* o : live)
            delete o;
    }
};

Session g_session;

// A text of the user's profile; a REG_EXPAND_SZ one (a scheme's file on NT)
// with its %...% strings expanded, as the system reads it.
std::string ReadUserValue(const char* keyPath, const char* name, bool* found) {
    *found = false;
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, keyPath, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return "";
    char buffer[1024];
    DWORD size = sizeof buffer - 1, type = 0;
    LONG result =
        RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
    RegCloseKey(key);
    if (result != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ))
        return "";
    buffer[size < sizeof buffer ? size : sizeof buffer - 1] = 0;
    *found = true;
    return type == REG_EXPAND_SZ ? nt::ExpandEnvironment(buffer) : std::string(buffer);
}

// False when the user profile could not be written (as Windows, the
// session keeps the new state all the same).
bool WriteUserValue(const char* keyPath, const char* name, const std::string& text) {
    HKEY key;
    LONG result = RegCreateKeyA(HKEY_CURRENT_USER, keyPath, &key);
    if (result == ERROR_SUCCESS) {
        result = RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                                static_cast<DWORD>(text.size() + 1));
        RegCloseKey(key);
    }
    if (result == ERROR_SUCCESS)
        return true;
    SetLastError(static_cast<DWORD>(result));
    return false;
}

bool IsCursorFile(const std::string& host);

// The system cursors as the user's scheme names them: a file the loader
// takes, else the standard cursor (a value that is empty, missing or names
// no cursor file).
void LoadSchemeCursors(display_state::State& s) {
    for (const SystemCursor& c : kSystemCursors) {
        display_state::CursorInfo info;
        bool found;
        std::string file = ReadUserValue(kCursorsKey, c.valueName, &found);
        machine::Resolved r = machine::Resolve(file.c_str());
        if (!file.empty() && r.ok && r.exists && IsCursorFile(r.host)) {
            info.fromFile = true;
            info.file = file;
        } else {
            info.standardId = c.id;
        }
        s.systemCursors[c.id] = info;
    }
}

void DropObjects() {
    for (CursorObject* o : g_session.live)
        delete o;
    g_session.live.clear();
}

// The session as the user logged on: read from the registry once per
// machine opening.
Session& Current() {
    if (g_session.generation == machine::Generation())
        return g_session;
    DropObjects();
    bool failSet = g_session.failSetSystemCursor, failLoad = g_session.failLoadCursor;
    g_session = Session();
    g_session.failSetSystemCursor = failSet;
    g_session.failLoadCursor = failLoad;
    g_session.generation = machine::Generation();
    display_state::State& s = g_session.state;
    bool found;
    std::string color = ReadUserValue(kColorsKey, "Background", &found);
    unsigned r = 0, g = 128, b = 128; // Windows 95's teal when nothing is set
    if (found)
        sscanf(color.c_str(), "%u %u %u", &r, &g, &b);
    s.desktopColor = RGB(r & 0xFF, g & 0xFF, b & 0xFF);
    s.wallpaper = ReadUserValue(kDesktopKey, "Wallpaper", &found);
    if (s.wallpaper == "(None)")
        s.wallpaper.clear();
    s.tileWallpaper = ReadUserValue(kDesktopKey, "TileWallpaper", &found) == "1";
    s.screenSaverActive = ReadUserValue(kDesktopKey, "ScreenSaveActive", &found) == "1";
    LoadSchemeCursors(s);
    s.currentCursor.standardId = 32512;
    return g_session;
}

CursorObject* ObjectOf(HCURSOR handle) {
    CursorObject* o = reinterpret_cast<CursorObject*>(handle);
    return Current().live.count(o) ? o : nullptr;
}

HCURSOR NewCursor(const display_state::CursorInfo& info) {
    CursorObject* o = new CursorObject{info};
    Current().live.insert(o);
    return reinterpret_cast<HCURSOR>(o);
}

// ---- Cursor files ----
// What the system's loader takes as a cursor: an icon or cursor directory
// whose first image lies wholly inside the data and starts with a sane
// bitmap header, or an animated cursor (RIFF form ACON) with a header chunk
// "anih" that declares icon frames and a "fram" list holding as many icon
// chunks as it declares frames, each such a directory.

uint32_t Le16(const unsigned char* p) {
    return static_cast<uint32_t>(p[0] | p[1] << 8);
}
uint32_t Le32(const unsigned char* p) {
    return Le16(p) | Le16(p + 2) << 16;
}

bool IsIconDirectory(const unsigned char* data, size_t size) {
    if (size < 22 || Le16(data) != 0 || (Le16(data + 2) != 1 && Le16(data + 2) != 2))
        return false;
    uint32_t count = Le16(data + 4);
    if (count == 0 || size < 6 + 16 * static_cast<size_t>(count))
        return false;
    uint32_t imageSize = Le32(data + 14), offset = Le32(data + 18);
    if (imageSize < 40 || offset > size || imageSize > size - offset)
        return false;
    const unsigned char* image = data + offset;
    uint32_t headerSize = Le32(image), planes = Le16(image + 12), bits = Le16(image + 14);
    int32_t width = static_cast<int32_t>(Le32(image + 4));
    int32_t height = static_cast<int32_t>(Le32(image + 8));
    bool knownBits = bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
    return headerSize >= 40 && headerSize <= imageSize && width > 0 && height > 0 && planes == 1 &&
           knownBits;
}

// The chunk `id` among the chunks in [data, data + size): its data and size.
bool FindChunk(const unsigned char* data, size_t size, const char* id, const unsigned char** found,
               size_t* foundSize) {
    size_t at = 0;
    while (size - at >= 8) {
        uint32_t length = Le32(data + at + 4);
        if (length > size - at - 8)
            return false;
        if (memcmp(data + at, id, 4) == 0) {
            *found = data + at + 8;
            *foundSize = length;
            return true;
        }
        at += 8 + static_cast<size_t>(length) + (length & 1);
    }
    return false;
}

bool IsAnimatedCursor(const unsigned char* data, size_t size) {
    if (size < 12 || memcmp(data, "RIFF", 4) != 0 || memcmp(data + 8, "ACON", 4) != 0)
        return false;
    size_t riffSize = Le32(data + 4);
    if (riffSize < 4 || riffSize > size - 8)
        return false;
    const unsigned char* chunks = data + 12;
    size_t chunksSize = riffSize - 4;
    const unsigned char* header = nullptr;
    size_t headerSize = 0;
    if (!FindChunk(chunks, chunksSize, "anih", &header, &headerSize) || headerSize < 36)
        return false;
    uint32_t frames = Le32(header + 4), flags = Le32(header + 32);
    if (frames == 0 || !(flags & 1))
        return false;
    // The frame list: a LIST chunk of type "fram" (other lists may come first).
    size_t at = 0;
    while (chunksSize - at >= 12) {
        uint32_t length = Le32(chunks + at + 4);
        if (length > chunksSize - at - 8)
            return false;
        if (memcmp(chunks + at, "LIST", 4) == 0 && length >= 4 &&
            memcmp(chunks + at + 8, "fram", 4) == 0) {
            const unsigned char* icons = chunks + at + 12;
            size_t left = length - 4;
            for (uint32_t i = 0; i < frames; ++i) {
                if (left < 8 || memcmp(icons, "icon", 4) != 0)
                    return false;
                size_t iconSize = Le32(icons + 4);
                if (iconSize > left - 8 || !IsIconDirectory(icons + 8, iconSize))
                    return false;
                size_t step = 8 + iconSize + (iconSize & 1);
                icons += step < left ? step : left;
                left -= step < left ? step : left;
            }
            return true;
        }
        at += 8 + static_cast<size_t>(length) + (length & 1);
    }
    return false;
}

bool IsCursorFile(const std::string& host) {
    FILE* f = fopen(host.c_str(), "rb");
    if (!f)
        return false;
    // Cursor files are small; a larger file is not taken for one.
    constexpr size_t kMostBytes = 4 << 20;
    std::string data(kMostBytes + 1, '\0');
    size_t n = fread(data.data(), 1, data.size(), f);
    fclose(f);
    if (n > kMostBytes)
        return false;
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(data.data());
    return IsIconDirectory(bytes, n) || IsAnimatedCursor(bytes, n);
}

} // namespace

namespace display_state {
const State& Current() {
    return ::Current().state;
}
void FailSetSystemCursor(bool on) {
    g_session.failSetSystemCursor = on;
}
void FailLoadCursor(bool on) {
    g_session.failLoadCursor = on;
}
} // namespace display_state

BOOL WINAPI SystemParametersInfoA(UINT action, UINT param, PVOID value, UINT flags) {
    Session& s = Current();
    switch (action) {
    case SPI_GETSCREENSAVEACTIVE:
        if (!value) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return FALSE;
        }
        *static_cast<BOOL*>(value) = s.state.screenSaverActive ? TRUE : FALSE;
        return TRUE;
    case SPI_SETSCREENSAVEACTIVE:
        s.state.screenSaverActive = param != 0;
        if ((flags & SPIF_UPDATEINIFILE) &&
            !WriteUserValue(kDesktopKey, "ScreenSaveActive", param ? "1" : "0"))
            return FALSE;
        if (trace::On())
            trace::Report("display", std::string("screen saver ") +
                                         (param ? "active" : "inactive") +
                                         (flags & SPIF_UPDATEINIFILE ? " (saved)" : ""));
        return TRUE;
    case SPI_SETDESKWALLPAPER: {
        std::string path = value ? static_cast<const char*>(value) : "";
        s.state.wallpaper = path;
        // The desktop takes the tiling from the profile when it changes the
        // wallpaper.
        bool found;
        s.state.tileWallpaper = ReadUserValue(kDesktopKey, "TileWallpaper", &found) == "1";
        dialogs::NotifyScreenChanged(); // the desktop repaints
        if ((flags & SPIF_UPDATEINIFILE) && !WriteUserValue(kDesktopKey, "Wallpaper", path))
            return FALSE;
        if (trace::On())
            trace::Report("display", "wallpaper " + trace::Quoted(path) +
                                         (flags & SPIF_UPDATEINIFILE ? " (saved)" : ""));
        return TRUE;
    }
    case SPI_SETCURSORS:
        // Reloads every system cursor from the user's scheme.
        LoadSchemeCursors(s.state);
        dialogs::NotifyScreenChanged();
        if (trace::On())
            trace::Report("display", "cursors reloaded from the scheme");
        return TRUE;
    case SPI_GETDESKWALLPAPER:
        if (!value || param == 0) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return FALSE;
        }
        snprintf(static_cast<char*>(value), param, "%s", s.state.wallpaper.c_str());
        return TRUE;
    default:
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
}

DWORD WINAPI GetSysColor(int element) {
    Session& s = Current();
    if (element == COLOR_BACKGROUND)
        return s.state.desktopColor;
    auto it = s.otherColors.find(element);
    if (it != s.otherColors.end())
        return it->second;
    return element == 5 ? RGB(255, 255, 255) : RGB(192, 192, 192);
}

BOOL WINAPI SetSysColors(int count, const INT* elements, const COLORREF* colors) {
    if (count < 0 || (count > 0 && (!elements || !colors))) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    Session& s = Current();
    for (int i = 0; i < count; ++i) {
        COLORREF color = colors[i] & 0xFFFFFF;
        if (elements[i] == COLOR_BACKGROUND)
            s.state.desktopColor = color;
        else
            s.otherColors[elements[i]] = color;
        if (trace::On()) {
            char text[80];
            unsigned r = GetRValue(color), g = GetGValue(color), b = GetBValue(color);
            if (elements[i] == COLOR_BACKGROUND)
                snprintf(text, sizeof text, "desktop colour = %u %u %u", r, g, b);
            else
                snprintf(text, sizeof text, "colour %d = %u %u %u", elements[i], r, g, b);
            trace::Report("display", text);
        }
    }
    dialogs::NotifyScreenChanged(); // the desktop repaints
    return TRUE;
}

HCURSOR WINAPI LoadCursorFromFileA(LPCSTR fileName) {
    Session& s = Current();
    if (!fileName || s.failLoadCursor) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return nullptr;
    }
    machine::Resolved r = machine::Resolve(fileName);
    if (!r.ok || !r.exists) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return nullptr;
    }
    if (!IsCursorFile(r.host)) {
        SetLastError(ERROR_INVALID_DATA);
        return nullptr;
    }
    display_state::CursorInfo info;
    info.fromFile = true;
    info.file = fileName;
    return NewCursor(info);
}

// The system's standard cursors are shared: every load of one id gives the
// same handle, which nobody destroys. On Windows 95 it is the standard
// cursor; on NT the system cursor as it is now: SetSystemCursor replaced its
// contents, and so LoadCursorA gives the replacing cursor.
HCURSOR WINAPI LoadCursorA(HINSTANCE instance, LPCSTR name) {
    if (instance || !IS_INTRESOURCE(name) || !IsSystemCursorId(LOWORD(name))) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return nullptr;
    }
    Session& s = Current();
    uint32_t id = LOWORD(name);
    display_state::CursorInfo info;
    info.standardId = id;
    if (nt::IsNt())
        info = s.state.systemCursors[id];
    auto it = s.standard.find(id);
    if (it != s.standard.end()) {
        if (CursorObject* o = ObjectOf(it->second)) {
            o->info = info;
            return it->second;
        }
    }
    HCURSOR handle = NewCursor(info);
    s.standard[id] = handle;
    return handle;
}

HICON WINAPI CopyIcon(HICON icon) {
    CursorObject* o = ObjectOf(icon);
    if (!o) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    return NewCursor(o->info);
}

BOOL WINAPI DestroyCursor(HCURSOR cursor) {
    CursorObject* o = ObjectOf(cursor);
    if (!o) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    for (auto& entry : Current().standard)
        if (entry.second == cursor)
            return TRUE; // a shared cursor stays
    Current().live.erase(o);
    delete o;
    return TRUE;
}

BOOL WINAPI SetSystemCursor(HCURSOR cursor, DWORD id) {
    Session& s = Current();
    CursorObject* o = ObjectOf(cursor);
    if (!o || !IsSystemCursorId(id) || s.failSetSystemCursor) {
        SetLastError(o ? ERROR_INVALID_PARAMETER : ERROR_INVALID_HANDLE);
        return FALSE;
    }
    s.state.systemCursors[id] = o->info;
    if (trace::On())
        trace::Report("display", std::string("cursor ") + CursorName(id) + " = " +
                                     (o->info.fromFile ? trace::Quoted(o->info.file)
                                                       : std::string("standard")));
    // The system takes the cursor over: the handle is gone.
    for (auto it = s.standard.begin(); it != s.standard.end(); ++it) {
        if (it->second == cursor) {
            s.standard.erase(it);
            break;
        }
    }
    s.live.erase(o);
    delete o;
    return TRUE;
}

HCURSOR WINAPI SetCursor(HCURSOR cursor) {
    Session& s = Current();
    HCURSOR previous = s.currentHandle;
    CursorObject* o = ObjectOf(cursor);
    s.currentHandle = cursor;
    s.state.currentCursor = o ? o->info : display_state::CursorInfo();
    ++s.state.setCursorCalls;
    return previous;
}
