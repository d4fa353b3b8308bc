// The eight kinds of setting item and the twelve items of the program's
// list: desktop icons, wallpaper tiling, wallpaper, desktop colour, three
// system cursors, the recycle-bin sound and the screen saver.
#pragma once

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

  protected:
    // The icon key path (prefix + part + suffix), bounded to 400 characters.
    void KeyPath(char* buffer, int capacity) const;

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
    int Apply(const char* value) override;

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

  protected:
    const char* themeValue;
    const char* valueName;
};

// The wallpaper file: written to the registry, then set for the session.
class WallpaperItem : public DesktopTileItem {
  public:
    using DesktopTileItem::DesktopTileItem;
    int Apply(const char* value) override;
    int GetErrorCode() override;
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

// One system cursor; an empty value means the system's standard cursor.
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

  private:
    DWORD systemCursorId;
    const char* valueName;
    char themeFileName[MAX_PATH];
    DWORD defaultCursorId;
};

// The sound played when the recycle bin is emptied (the ".Default" user's).
class RecycleBinSoundItem : public SettingItem {
  public:
    explicit RecycleBinSoundItem(const char* keyName);

    int SaveCurrent() override;
    void GetThemeValue(char* buffer, int capacity) override;
    int Apply(const char* value) override;
    InstallCategory GetCategory() override;
    int GetErrorCode() override;

  private:
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

    static const char* const kActiveKeyName; // "OldScreenSaveActive"

  private:
    char themeFileName[MAX_PATH];
};

// Registry key paths the kinds use in plain text.
extern const char kCursorsKeyPath[];        // "Control Panel\Cursors" (HKEY_CURRENT_USER)
extern const char kDefaultCursorsKeyPath[]; // ".Default\Control Panel\Cursors" (HKEY_USERS)
extern const char kRecycleSoundKeyPath[];   // the ".Default" user's EmptyRecycleBin sound
