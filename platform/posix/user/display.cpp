// Display settings and cursors of the emulated machine's session.
#include "platform/posix/user/api_display.h"

#include "platform/posix/kernel/api_base.h"
#include "platform/posix/registry/api_registry.h"
#include "platform/posix/user/cursor_file.h"
#include "platform/posix/user/display_state.h"
#include "platform/posix/user/front_end.h"
#include "platform/posix/kernel/machine.h"
#include "platform/posix/kernel/trace.h"
#include "platform/posix/kernel/windows_nt.h"
#include "platform/posix/kernel/calls.h"

#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <map>
#include <memory>
#include <set>

using calls::Fail;

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
    return Fail(static_cast<DWORD>(result));
}

// The system cursors as the user's scheme names them: a file the loader
// takes, else the standard cursor (a value that is empty, missing or names
// no cursor file).
void LoadSchemeCursors(display_state::State& s) {
    for (const SystemCursor& c : kSystemCursors) {
        display_state::CursorInfo info;
        bool found;
        std::string file = ReadUserValue(kCursorsKey, c.valueName, &found);
        machine::Resolved r = machine::Resolve(file.c_str());
        if (!file.empty() && r.ok && r.exists && cursor_file::IsCursorFile(r.host)) {
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
    g_session = Session();
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

} // namespace

namespace display_state {
const State& Current() {
    return ::Current().state;
}
void FailSetSystemCursor(bool on) {
    faults::Set(faults::Switch::SetSystemCursor, on);
}
void FailLoadCursor(bool on) {
    faults::Set(faults::Switch::LoadCursorFromFile, on);
}
} // namespace display_state

namespace {

BOOL SystemParametersInfo(UINT action, UINT param, PVOID value, UINT flags) {
    Session& s = Current();
    switch (action) {
    case SPI_GETSCREENSAVEACTIVE:
        if (!value)
            return Fail(ERROR_INVALID_PARAMETER);
        *static_cast<BOOL*>(value) = s.state.screenSaverActive ? TRUE : FALSE;
        return TRUE;
    case SPI_SETSCREENSAVEACTIVE:
        s.state.screenSaverActive = param != 0;
        if ((flags & SPIF_UPDATEINIFILE) &&
            !WriteUserValue(kDesktopKey, "ScreenSaveActive", param ? "1" : "0"))
            return FALSE;
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
        return TRUE;
    }
    case SPI_SETCURSORS:
        // Reloads every system cursor from the user's scheme.
        LoadSchemeCursors(s.state);
        dialogs::NotifyScreenChanged();
        return TRUE;
    case SPI_GETDESKWALLPAPER:
        if (!value || param == 0)
            return Fail(ERROR_INVALID_PARAMETER);
        snprintf(static_cast<char*>(value), param, "%s", s.state.wallpaper.c_str());
        return TRUE;
    default:
        return Fail(ERROR_INVALID_PARAMETER);
    }
}

BOOL SetColors(int count, const INT* elements, const COLORREF* colors) {
    if (count < 0 || (count > 0 && (!elements || !colors)))
        return Fail(ERROR_INVALID_PARAMETER);
    Session& s = Current();
    for (int i = 0; i < count; ++i) {
        COLORREF color = colors[i] & 0xFFFFFF;
        if (elements[i] == COLOR_BACKGROUND)
            s.state.desktopColor = color;
        else
            s.otherColors[elements[i]] = color;
    }
    dialogs::NotifyScreenChanged(); // the desktop repaints
    return TRUE;
}

} // namespace

BOOL WINAPI SystemParametersInfoA(UINT action, UINT param, PVOID value, UINT flags) {
    return calls::Run(
        calls::kSystemParametersInfoA,
        [&] { return SystemParametersInfo(action, param, value, flags); },
        [&](BOOL done) -> calls::Lines {
            std::string saved = flags & SPIF_UPDATEINIFILE ? " (saved)" : "";
            if (!done)
                return {};
            if (action == SPI_SETSCREENSAVEACTIVE)
                return {std::string("screen saver ") + (param ? "active" : "inactive") + saved};
            if (action == SPI_SETDESKWALLPAPER)
                return {"wallpaper " + trace::Quoted(value ? static_cast<const char*>(value) : "") +
                        saved};
            if (action == SPI_SETCURSORS)
                return {"cursors reloaded from the scheme"};
            return {};
        });
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
    return calls::Run(
        calls::kSetSysColors, [&] { return SetColors(count, elements, colors); },
        [&](BOOL set) {
            calls::Lines lines;
            for (int i = 0; set && i < count; ++i) {
                COLORREF color = colors[i] & 0xFFFFFF;
                char text[80];
                unsigned r = GetRValue(color), g = GetGValue(color), b = GetBValue(color);
                if (elements[i] == COLOR_BACKGROUND)
                    snprintf(text, sizeof text, "desktop colour = %u %u %u", r, g, b);
                else
                    snprintf(text, sizeof text, "colour %d = %u %u %u", elements[i], r, g, b);
                lines.push_back(text);
            }
            return lines;
        });
}

namespace {

HCURSOR LoadCursorFromFile(LPCSTR fileName) {
    machine::Resolved r = machine::Resolve(fileName);
    if (!r.ok || !r.exists)
        return Fail(ERROR_FILE_NOT_FOUND, nullptr);
    if (!cursor_file::IsCursorFile(r.host))
        return Fail(ERROR_INVALID_DATA, nullptr);
    display_state::CursorInfo info;
    info.fromFile = true;
    info.file = fileName;
    return NewCursor(info);
}

} // namespace

HCURSOR WINAPI LoadCursorFromFileA(LPCSTR fileName) {
    if (!fileName)
        return Fail(ERROR_FILE_NOT_FOUND, nullptr);
    return calls::Run(calls::kLoadCursorFromFileA, [&] { return LoadCursorFromFile(fileName); });
}

// The system's standard cursors are shared: every load of one id gives the
// same handle, which nobody destroys. On Windows 95 it is the standard
// cursor; on NT the system cursor as it is now: SetSystemCursor replaced its
// contents, and so LoadCursorA gives the replacing cursor.
HCURSOR WINAPI LoadCursorA(HINSTANCE instance, LPCSTR name) {
    if (instance || !IS_INTRESOURCE(name) || !IsSystemCursorId(LOWORD(name)))
        return Fail(ERROR_RESOURCE_NAME_NOT_FOUND, nullptr);
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
    if (!o)
        return Fail(ERROR_INVALID_HANDLE, nullptr);
    return NewCursor(o->info);
}

BOOL WINAPI DestroyCursor(HCURSOR cursor) {
    CursorObject* o = ObjectOf(cursor);
    if (!o)
        return Fail(ERROR_INVALID_HANDLE);
    for (auto& entry : Current().standard)
        if (entry.second == cursor)
            return TRUE; // a shared cursor stays
    Current().live.erase(o);
    delete o;
    return TRUE;
}

namespace {

// The cursor becomes system cursor `id`. The system takes it over: its
// handle is gone.
BOOL SetSystemCursorTo(CursorObject* o, DWORD id) {
    Session& s = Current();
    HCURSOR cursor = reinterpret_cast<HCURSOR>(o);
    s.state.systemCursors[id] = o->info;
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

} // namespace

BOOL WINAPI SetSystemCursor(HCURSOR cursor, DWORD id) {
    CursorObject* o = ObjectOf(cursor);
    if (!o)
        return Fail(ERROR_INVALID_HANDLE);
    if (!IsSystemCursorId(id))
        return Fail(ERROR_INVALID_PARAMETER);
    return calls::Run(
        calls::kSetSystemCursor, [&] { return SetSystemCursorTo(o, id); },
        [&](BOOL) -> calls::Lines {
            const display_state::CursorInfo& now = Current().state.systemCursors[id];
            return {std::string("cursor ") + CursorName(id) + " = " +
                    (now.fromFile ? trace::Quoted(now.file) : std::string("standard"))};
        });
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
