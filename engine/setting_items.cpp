#include "engine/setting_items.h"

#include "state/product_names.h"
#include "system/profile_settings.h"
#include "system/registry_key.h"
#include "system/wow64.h"
#include "text/item_key_texts.h"
#include "text/text_case.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

const char kCursorsKeyPath[] = "Control Panel\\Cursors";
const char kDefaultCursorsKeyPath[] = ".Default\\Control Panel\\Cursors";
const char kRecycleSoundKeyPath[] =
    ".Default\\AppEvents\\Schemes\\Apps\\Explorer\\EmptyRecycleBin\\.current";
const char kUserRecycleSoundKeyPath[] =
    "AppEvents\\Schemes\\Apps\\Explorer\\EmptyRecycleBin\\.Current";
const char* const ScreenSaverItem::kActiveKeyName = "OldScreenSaveActive";

namespace {

// The value buffer the kinds share while recording (one caller at a time).
char g_valueBuffer[kValueCapacity];

bool g_iconKeysPlain = false;
bool g_desktopKeyPlain = false;
bool g_colorsKeyPlain = false;

void Unscramble(const StoredText& text) {
    UnscrambleText(text.text, text.length, kItemKeyScrambleStart, kItemKeyScramblePeriod);
}

// Bounded copy of a text into a fixed buffer.
void CopyText(char* buffer, int capacity, const char* text) {
    if (buffer && capacity > 0)
        snprintf(buffer, static_cast<size_t>(capacity), "%s", text ? text : "");
}

// True when a file is not there at all (as opposed to there but unreadable,
// or on a drive that is not ready).
bool IsGoneFile(const char* path) {
    if (GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES)
        return false;
    DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

// Records the value buffer under the item's key; MarkSaved only when the
// record was written.
int RecordValueBuffer(SettingItem* item) {
    if (!ProfileSettings::Write(item->keyName, g_valueBuffer))
        return 0;
    return item->MarkSaved();
}

// Records the item's value at a place under its key; MarkSaved only when it
// was recorded.
int RecordPlace(SettingItem* item, const RegistryPlace& place) {
    return RecordRegistryValue(place, item->keyName, false) ? item->MarkSaved() : 0;
}

// NT's LoadCursorA(NULL, id) gives a system cursor as SetSystemCursor
// replaced it, so a standard cursor put back that way is still the theme's
// on screen. SPI_SETCURSORS reloads every system cursor from the user's
// scheme in the registry, which by now holds the standard one (on Windows 95,
// whose LoadCursorA gives the standard cursor itself, it changes nothing).
void ReloadSystemCursors() {
    SystemParametersInfoA(SPI_SETCURSORS, 0, nullptr, 0);
}

} // namespace

// ---- Desktop icons ----

ShellIconItem::ShellIconItem(const char* keyName, char* keyPart, const char* valueName,
                             unsigned iconIndex)
    : SettingItem(keyName, LocationKind::Target), keyPart(keyPart), iconFileName("wiesenhain.exe"),
      valueName(valueName), iconIndex(iconIndex) {}

void ShellIconItem::Prepare() {
    if (g_iconKeysPlain)
        return;
    Unscramble(IconKeyPrefix);
    Unscramble(IconKeySuffix);
    g_iconKeysPlain = true;
}

void ShellIconItem::KeyPath(char* buffer, int capacity) const {
    snprintf(buffer, static_cast<size_t>(capacity), "%s%s%s", IconKeyPrefix.text, keyPart,
             IconKeySuffix.text);
}

// The icon keys are read and written where Explorer reads them: under WOW64
// in the 64-bit view, not in the 32-bit one this program would see.
int ShellIconItem::SaveCurrent() {
    char key[kValueCapacity];
    KeyPath(key, sizeof key);
    return RecordPlace(this, {HKEY_CLASSES_ROOT, key, valueName, NativeRegistryView()});
}

void ShellIconItem::GetThemeValue(char* buffer, int capacity) {
    snprintf(buffer, static_cast<size_t>(capacity), "%s,%u", iconFileName, iconIndex);
}

int ShellIconItem::Apply(const char* value) {
    return WriteIcon(value, REG_SZ);
}

int ShellIconItem::WriteIcon(const char* value, DWORD type) {
    char key[kValueCapacity];
    KeyPath(key, sizeof key);
    REGSAM view = NativeRegistryView();
    return WriteRegistryText(HKEY_CLASSES_ROOT, key, valueName, value, type, view) ? 1 : 0;
}

int ShellIconItem::RestoreSaved() {
    RecordedValue recorded;
    if (!ReadRecordedValue(keyName, &recorded))
        return 0;
    if (!recorded.missing)
        return WriteIcon(recorded.text, recorded.type);
    char key[kValueCapacity];
    KeyPath(key, sizeof key);
    return RestoreRegistryValue({HKEY_CLASSES_ROOT, key, valueName, NativeRegistryView()}, recorded)
               ? 1
               : 0;
}

InstallCategory ShellIconItem::GetCategory() {
    return InstallCategory::CursorsAndIcons;
}

int ShellIconItem::GetErrorCode() {
    return 4;
}

bool RecycleBinIconItem::ShowsThemeIcon(const char* text) {
    char theme[kValueCapacity];
    GetThemeValue(theme, sizeof theme);
    size_t length = strlen(text), themeLength = strlen(theme);
    if (length < themeLength)
        return false;
    const char* tail = text + length - themeLength;
    return EqualNoCase(tail, theme) && (tail == text || tail[-1] == '\\');
}

// The default value follows with the item's type: texts that were equal
// were one icon, of one type.
int RecycleBinIconItem::WriteIcon(const char* value, DWORD type) {
    char key[kValueCapacity];
    KeyPath(key, sizeof key);
    char current[kValueCapacity] = "";
    char own[kValueCapacity] = "";
    DWORD currentType = REG_SZ, ownType = REG_SZ;
    // The default value shows the bin's present state; it follows "empty"
    // only where it equalled the item's value, or where it shows this item's
    // theme icon: a run stopped between the two writes left it so.
    // Both values change or neither: a default that cannot follow fails the
    // item, and a failed item value puts the default back.
    REGSAM view = NativeRegistryView();
    bool follows =
        ReadRegistryText(HKEY_CLASSES_ROOT, key, "", current, sizeof current, &currentType, view) &&
        ReadRegistryText(HKEY_CLASSES_ROOT, key, valueName, own, sizeof own, &ownType, view) &&
        (EqualNoCase(current, own) || ShowsThemeIcon(current));
    if (follows && !WriteRegistryText(HKEY_CLASSES_ROOT, key, "", value, type, view))
        return 0;
    if (WriteRegistryText(HKEY_CLASSES_ROOT, key, valueName, value, type, view))
        return 1;
    if (follows)
        WriteRegistryText(HKEY_CLASSES_ROOT, key, "", current, currentType, view);
    return 0;
}

// ---- Wallpaper tiling and wallpaper ----

DesktopTileItem::DesktopTileItem(const char* keyName, LocationKind location, const char* themeValue,
                                 const char* valueName)
    : SettingItem(keyName, location), themeValue(themeValue), valueName(valueName) {}

void DesktopTileItem::Prepare() {
    if (g_desktopKeyPlain)
        return;
    Unscramble(DesktopKeyPath);
    g_desktopKeyPlain = true;
}

RegistryPlace DesktopTileItem::Place() const {
    return {HKEY_CURRENT_USER, DesktopKeyPath.text, valueName, 0};
}

int DesktopTileItem::SaveCurrent() {
    return RecordPlace(this, Place());
}

int DesktopTileItem::RestoreSaved() {
    RecordedValue recorded;
    return ReadRecordedValue(keyName, &recorded) && RestoreRegistryValue(Place(), recorded) ? 1 : 0;
}

void DesktopTileItem::GetThemeValue(char* buffer, int capacity) {
    CopyText(buffer, capacity, themeValue);
}

int DesktopTileItem::Apply(const char* value) {
    return WriteRegistryString(HKEY_CURRENT_USER, DesktopKeyPath.text, valueName, value) ? 1 : 0;
}

InstallCategory DesktopTileItem::GetCategory() {
    return InstallCategory::Wallpaper;
}

int DesktopTileItem::GetErrorCode() {
    return 5;
}

int WallpaperItem::Apply(const char* value) {
    if (!WriteRegistryString(HKEY_CURRENT_USER, DesktopKeyPath.text, valueName, value))
        return 0;
    SystemParametersInfoA(SPI_SETDESKWALLPAPER, 0, const_cast<char*>(value), SPIF_SENDWININICHANGE);
    return 1;
}

int WallpaperItem::GetErrorCode() {
    return 6;
}

int WallpaperItem::RestoreSaved() {
    RecordedValue recorded;
    if (!ReadRecordedValue(keyName, &recorded) || !RestoreRegistryValue(Place(), recorded))
        return 0;
    // The session takes a file name: a REG_EXPAND_SZ text expanded.
    char path[kFullValueCapacity];
    char* shown = recorded.text;
    if (recorded.type == REG_EXPAND_SZ && ExpandRecordedPath(recorded.text, path, sizeof path))
        shown = path;
    SystemParametersInfoA(SPI_SETDESKWALLPAPER, 0, shown, SPIF_SENDWININICHANGE);
    return 1;
}

// ---- Desktop colour ----

DesktopColorItem::DesktopColorItem(const char* keyName)
    : SettingItem(keyName, LocationKind::Literal), themeColor(0), valueName("Background") {}

void DesktopColorItem::Prepare() {
    if (g_colorsKeyPlain)
        return;
    Unscramble(ColorsKeyPath);
    g_colorsKeyPlain = true;
}

int DesktopColorItem::SaveCurrent() {
    snprintf(g_valueBuffer, sizeof g_valueBuffer, "%lu",
             static_cast<unsigned long>(GetSysColor(COLOR_BACKGROUND)));
    return RecordValueBuffer(this);
}

void DesktopColorItem::GetThemeValue(char* buffer, int capacity) {
    snprintf(buffer, static_cast<size_t>(capacity), "%lu", themeColor);
}

int DesktopColorItem::Apply(const char* value) {
    // The values given are numbers written by SaveCurrent or GetThemeValue;
    // any other text changes nothing and fails.
    char* end = nullptr;
    if (!value || *value < '0' || *value > '9')
        return 0;
    unsigned long color = strtoul(value, &end, 10);
    if (*end != 0)
        return 0;
    INT element = COLOR_BACKGROUND;
    COLORREF rgb = static_cast<COLORREF>(color);
    SetSysColors(1, &element, &rgb);
    char triple[20];
    FormatColorTriple(color, triple, sizeof triple);
    return WriteRegistryString(HKEY_CURRENT_USER, ColorsKeyPath.text, valueName, triple) ? 1 : 0;
}

InstallCategory DesktopColorItem::GetCategory() {
    return InstallCategory::Wallpaper;
}

int DesktopColorItem::GetErrorCode() {
    return 7;
}

// ---- Cursors ----

CursorItem::CursorItem(const char* keyName, DWORD systemCursorId, const char* valueName,
                       const char* themeFileName, DWORD defaultCursorId)
    : SettingItem(keyName, LocationKind::Target), systemCursorId(systemCursorId),
      valueName(valueName), defaultCursorId(defaultCursorId) {
    CopyText(this->themeFileName, sizeof this->themeFileName, themeFileName);
}

RegistryPlace CursorItem::UserPlace() const {
    return {HKEY_CURRENT_USER, kCursorsKeyPath, valueName, 0};
}

RegistryPlace CursorItem::LogonPlace() const {
    return {HKEY_USERS, kDefaultCursorsKeyPath, valueName, 0};
}

// A missing value is recorded as missing: the system's standard cursor.
int CursorItem::SaveCurrent() {
    char logonKey[kValueCapacity];
    if (!RecordRegistryValue(UserPlace(), keyName, true) ||
        !RecordKeyOf(keyName, ".Default", logonKey, sizeof logonKey) ||
        !RecordRegistryValue(LogonPlace(), logonKey, true))
        return 0;
    return MarkSaved();
}

void CursorItem::GetThemeValue(char* buffer, int capacity) {
    CopyText(buffer, capacity, themeFileName);
}

int CursorItem::InstallSystemCursor(const char* value, bool* standard) {
    // A scheme names its files with %SystemRoot% and the like (REG_EXPAND_SZ
    // on Windows Vista and later); the file is the expanded name.
    char path[kFullValueCapacity];
    bool fromFile = value && *value;
    if (fromFile && !ExpandRecordedPath(value, path, sizeof path))
        return 0;
    HCURSOR cursor = fromFile ? LoadCursorFromFileA(path) : nullptr;
    if (fromFile && !cursor && IsGoneFile(path)) {
        // A recorded cursor file deleted since can never be loaded again:
        // the standard cursor takes its place, as for an empty record, rather
        // than block every uninstall.
        fromFile = false;
    }
    if (!fromFile)
        cursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(defaultCursorId));
    if (!cursor)
        return 0;
    HCURSOR copy = CopyIcon(cursor);
    // A cursor loaded from a file is this program's own; the standard
    // cursors are shared and stay.
    if (fromFile)
        DestroyCursor(cursor);
    if (!copy)
        return 0;
    if (!SetSystemCursor(copy, systemCursorId)) {
        DestroyCursor(copy);
        return 0;
    }
    *standard = !fromFile;
    return 1;
}

int CursorItem::Apply(const char* value) {
    bool standard = false;
    if (!InstallSystemCursor(value, &standard))
        return 0;
    // The ".Default" user's value counts too: a restore that leaves it at
    // the theme's file has not restored the cursor.
    const char* text = standard || !value ? "" : value;
    bool logon = WriteRegistryString(HKEY_USERS, kDefaultCursorsKeyPath, valueName, text);
    bool user = WriteRegistryString(HKEY_CURRENT_USER, kCursorsKeyPath, valueName, text);
    if (standard)
        ReloadSystemCursors();
    return logon && user ? 1 : 0;
}

// Each place gets its own record back. A record without the logon
// desktop's (written before it had one) gives it the user's, as before.
int CursorItem::RestoreSaved() {
    RecordedValue user, logon;
    if (!ReadRecordedValue(keyName, &user))
        return 0;
    char logonKey[kValueCapacity];
    bool ownLogon = RecordKeyOf(keyName, ".Default", logonKey, sizeof logonKey) &&
                    ReadRecordedValue(logonKey, &logon);
    bool standard = false;
    if (!InstallSystemCursor(user.text, &standard))
        return 0;
    if (standard && !user.missing)
        user.text[0] = 0; // a file deleted since: the standard cursor
    if (!ownLogon)
        logon = user;
    bool logonBack = RestoreRegistryValue(LogonPlace(), logon);
    bool userBack = RestoreRegistryValue(UserPlace(), user);
    if (standard)
        ReloadSystemCursors();
    return logonBack && userBack ? 1 : 0;
}

void CursorItem::SetThemeValue(const char* value) {
    CopyText(themeFileName, sizeof themeFileName, value);
}

InstallCategory CursorItem::GetCategory() {
    return InstallCategory::CursorsAndIcons;
}

int CursorItem::GetErrorCode() {
    return 8;
}

// ---- Recycle-bin sound ----

RecycleBinSoundItem::RecycleBinSoundItem(const char* keyName)
    : SettingItem(keyName, LocationKind::Target), themeFileName("wiesenhain.wav"), valueName("") {}

RegistryPlace RecycleBinSoundItem::DefaultPlace() const {
    return {HKEY_USERS, kRecycleSoundKeyPath, valueName, 0};
}

RegistryPlace RecycleBinSoundItem::UserPlace() const {
    return {HKEY_CURRENT_USER, kUserRecycleSoundKeyPath, valueName, 0};
}

// The ".Default" user's sound must be there; the current user's may be
// missing, key and all (a user who never had a scheme of their own).
int RecycleBinSoundItem::SaveCurrent() {
    char userKey[kValueCapacity];
    if (!RecordRegistryValue(DefaultPlace(), keyName, false) ||
        !RecordKeyOf(keyName, ".User", userKey, sizeof userKey) ||
        !RecordRegistryValue(UserPlace(), userKey, true))
        return 0;
    return MarkSaved();
}

void RecycleBinSoundItem::GetThemeValue(char* buffer, int capacity) {
    CopyText(buffer, capacity, themeFileName);
}

// The current user hears their own scheme: on NT, and on Windows 95 with
// user profiles, that is not ".Default"'s.
int RecycleBinSoundItem::Apply(const char* value) {
    bool logon = WriteRegistryString(HKEY_USERS, kRecycleSoundKeyPath, valueName, value);
    bool user = WriteRegistryString(HKEY_CURRENT_USER, kUserRecycleSoundKeyPath, valueName, value);
    return logon && user ? 1 : 0;
}

// A record without the current user's (written before it had one) leaves
// that place alone: the install that wrote it never changed it.
int RecycleBinSoundItem::RestoreSaved() {
    RecordedValue logon, user;
    if (!ReadRecordedValue(keyName, &logon))
        return 0;
    bool logonBack = RestoreRegistryValue(DefaultPlace(), logon);
    char userKey[kValueCapacity];
    bool userBack = !RecordKeyOf(keyName, ".User", userKey, sizeof userKey) ||
                    !ReadRecordedValue(userKey, &user) || RestoreRegistryValue(UserPlace(), user);
    return logonBack && userBack ? 1 : 0;
}

InstallCategory RecycleBinSoundItem::GetCategory() {
    return InstallCategory::CursorsAndIcons;
}

int RecycleBinSoundItem::GetErrorCode() {
    return 9;
}

// ---- Screen saver ----

ScreenSaverItem::ScreenSaverItem(const char* keyName) : SettingItem(keyName, LocationKind::System) {
    CopyText(themeFileName, sizeof themeFileName, kScreenSaverFileName);
}

int ScreenSaverItem::SaveCurrent() {
    BOOL active = FALSE;
    SystemParametersInfoA(SPI_GETSCREENSAVEACTIVE, 0, &active, 0);
    // Without this record the uninstall would switch the screen saver on
    // whatever it was: it is as necessary as the screen saver's own.
    if (!ProfileSettings::Write(kActiveKeyName, active ? "1" : "0"))
        return 0;
    // NT keeps the entry in the user's registry (IniFileMapping), where a
    // missing one means no screen saver: a missing entry is recorded so.
    if (!RecordProfileValue("system.ini", "boot", "SCRNSAVE.EXE", keyName))
        return 0;
    return MarkSaved();
}

void ScreenSaverItem::GetThemeValue(char* buffer, int capacity) {
    CopyText(buffer, capacity, themeFileName);
}

int ScreenSaverItem::Apply(const char* value) {
    return ApplyScreenSaver(value, false);
}

int ScreenSaverItem::RestoreSaved() {
    RecordedValue recorded;
    if (!ReadRecordedValue(keyName, &recorded))
        return 0;
    return ApplyScreenSaver(recorded.text, recorded.missing);
}

int ScreenSaverItem::ApplyScreenSaver(const char* value, bool removeEntry) {
    const char* text = value ? value : "";
    // The theme's own screen saver is always switched on; any other one as
    // it was when the install recorded it (on unless recorded as "0").
    bool active = strstr(text, themeFileName) != nullptr;
    if (!active) {
        char recorded[kValueCapacity];
        ProfileSettings::Read(kActiveKeyName, recorded, sizeof recorded);
        active = recorded[0] != '0';
    }
    // A switched state that did not reach the user profile is not restored.
    if (!SystemParametersInfoA(SPI_SETSCREENSAVEACTIVE, active ? 1 : 0, nullptr,
                               SPIF_UPDATEINIFILE))
        return 0;
    if (removeEntry)
        return WritePrivateProfileStringA("boot", "SCRNSAVE.EXE", nullptr, "system.ini") ? 1 : 0;
    // The short form of the file that 64-bit Windows finds under the name
    // (system/wow64.h): the one the install put in the native system
    // directory, not one of the same name in SysWOW64.
    char shortPath[kFullValueCapacity];
    DWORD length = NativeShortPathName(text, shortPath, kFullValueCapacity - 1);
    const char* written = (length > 0 && length < kFullValueCapacity - 1) ? shortPath : text;
    return WriteProfileText("system.ini", "boot", "SCRNSAVE.EXE", written);
}

void ScreenSaverItem::SetThemeValue(const char* value) {
    CopyText(themeFileName, sizeof themeFileName, value);
}

int ScreenSaverItem::GetErrorCode() {
    return 10;
}
