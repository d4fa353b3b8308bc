// The eight kinds of setting item and the twelve items of the program's
// list: desktop icons, wallpaper tiling, wallpaper, desktop colour, three
// system cursors, the recycle-bin sound and the screen saver.
#pragma once

#include "engine/recorded_value.h"
#include "engine/setting_item.h"
#include "platform/win32.h"

// A desktop icon (Computer, Network): the default value of the object's
// DefaultIcon key under HKEY_CLASSES_ROOT, as "file,index".
class ShellIconItem : public SettingItem {
  public:
    // keyPart: the object's scrambled middle part of the key path.
    ShellIconItem(const char* keyName, char* keyPart, const char* valueName, unsigned iconIndex);

    void Prepare() override;
    int SaveCurrent() override;
    void GetThemeValue(char* buffer, int capacity) override;
    int Apply(const char* value) override;
    InstallCategory GetCategory() override;
    int GetErrorCode() override;
    int RestoreSaved() override;

  protected:
    // The icon key path (prefix + part + suffix), bounded to 400 characters.
    void KeyPath(char* buffer, int capacity) const;
    // Writes the icon text with a registry type: the theme's as REG_SZ, a
    // recorded one with its own.
    virtual int WriteIcon(const char* value, DWORD type);

    char* keyPart;
    const char* iconFileName;
    const char* valueName;
    unsigned iconIndex;
};

// The recycle bin's two icons ("empty", "full"); the default value follows
// "empty" when the two were equal, or when it shows the item's theme icon.
class RecycleBinIconItem : public ShellIconItem {
  public:
    using ShellIconItem::ShellIconItem;

  protected:
    int WriteIcon(const char* value, DWORD type) override;

  private:
    // True when a text names this item's theme icon (in any directory).
    bool ShowsThemeIcon(const char* text);
};

// Whether the wallpaper is tiled (HKEY_CURRENT_USER desktop key).
class DesktopTileItem : public SettingItem {
  public:
    DesktopTileItem(const char* keyName, LocationKind location, const char* themeValue,
                    const char* valueName);

    void Prepare() override;
    int SaveCurrent() override;
    void GetThemeValue(char* buffer, int capacity) override;
    int Apply(const char* value) override;
    InstallCategory GetCategory() override;
    int GetErrorCode() override;
    int RestoreSaved() override;

  protected:
    RegistryPlace Place() const;

    const char* themeValue;
    const char* valueName;
};

// The wallpaper file: written to the registry, then set for the session.
class WallpaperItem : public DesktopTileItem {
  public:
    using DesktopTileItem::DesktopTileItem;
    int Apply(const char* value) override;
    int GetErrorCode() override;
    int RestoreSaved() override;
};

// The desktop background colour.
class DesktopColorItem : public SettingItem {
  public:
    explicit DesktopColorItem(const char* keyName);

    void Prepare() override;
    int SaveCurrent() override;
    void GetThemeValue(char* buffer, int capacity) override;
    int Apply(const char* value) override;
    InstallCategory GetCategory() override;
    int GetErrorCode() override;

  private:
    unsigned long themeColor;
    const char* valueName;
};

// One system cursor; an empty value means the system's standard cursor. It
// is recorded for the current user (keyName) and for the logon desktop
// (".Default", keyName + ".Default"), which may have a scheme of its own.
class CursorItem : public SettingItem {
  public:
    CursorItem(const char* keyName, DWORD systemCursorId, const char* valueName,
               const char* themeFileName, DWORD defaultCursorId);

    int SaveCurrent() override;
    void GetThemeValue(char* buffer, int capacity) override;
    int Apply(const char* value) override;
    void SetThemeValue(const char* value) override;
    InstallCategory GetCategory() override;
    int GetErrorCode() override;
    int RestoreSaved() override;

  private:
    // Installs the cursor that a value names (a file, its %...% strings
    // expanded; "" the standard cursor) as the system cursor. *standard: the
    // standard cursor took its place (an empty value, or a file deleted
    // since).
    int InstallSystemCursor(const char* value, bool* standard);
    RegistryPlace UserPlace() const;
    RegistryPlace LogonPlace() const;

    DWORD systemCursorId;
    const char* valueName;
    char themeFileName[MAX_PATH];
    DWORD defaultCursorId;
};

// The sound played when the recycle bin is emptied: the ".Default" user's
// (keyName) and the current user's (keyName + ".User"; where the two are one
// key, Windows 95 without user profiles, both records are of that key).
class RecycleBinSoundItem : public SettingItem {
  public:
    explicit RecycleBinSoundItem(const char* keyName);

    int SaveCurrent() override;
    void GetThemeValue(char* buffer, int capacity) override;
    int Apply(const char* value) override;
    InstallCategory GetCategory() override;
    int GetErrorCode() override;
    int RestoreSaved() override;

  private:
    RegistryPlace DefaultPlace() const;
    RegistryPlace UserPlace() const;

    const char* themeFileName;
    const char* valueName;
};

// The screen saver ("SCRNSAVE.EXE" of section "boot" of "system.ini") and
// whether it is active. Its record "OldScreenSave" marks the theme as
// installed.
class ScreenSaverItem : public SettingItem {
  public:
    explicit ScreenSaverItem(const char* keyName);

    int SaveCurrent() override;
    void GetThemeValue(char* buffer, int capacity) override;
    int Apply(const char* value) override;
    void SetThemeValue(const char* value) override;
    int GetErrorCode() override;
    // A screen saver entry that was missing is removed again.
    int RestoreSaved() override;

    static const char* const kActiveKeyName; // "OldScreenSaveActive"

  private:
    int ApplyScreenSaver(const char* value, bool removeEntry);

    char themeFileName[MAX_PATH];
};

// Registry key paths the kinds use in plain text.
extern const char kCursorsKeyPath[];          // "Control Panel\Cursors" (HKEY_CURRENT_USER)
extern const char kDefaultCursorsKeyPath[];   // ".Default\Control Panel\Cursors" (HKEY_USERS)
extern const char kRecycleSoundKeyPath[];     // the ".Default" user's EmptyRecycleBin sound
extern const char kUserRecycleSoundKeyPath[]; // the current user's (HKEY_CURRENT_USER)
