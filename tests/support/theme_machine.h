// Test support for the setting items and the install and uninstall
// procedures, on both targets: cursor files, an installation medium, the
// registry read without creating keys, the program runs as the main flow
// starts them, and a view of everything the theme touches.
#pragma once

#include "engine/install_file_table.h"
#include "platform/win32.h"

#include <map>
#include <stdint.h>
#include <string>
#include <vector>

namespace theme_test {

// A minimal valid static cursor (.cur: icon directory of type 2, one 32x32
// monochrome image) and animated cursor (.ani: RIFF form ACON, one frame).
std::string StaticCursorBytes();
std::string AnimatedCursorBytes();

// The unpacked content of a package file of the test medium, and the bytes
// of its "setup.exe".
std::string PackageContent(const char* packageName);
std::string SetupProgramBytes();

// Writes the installation medium into `directory` (ending in "\"):
// "setup.exe" and the eight package files, raw deflate streams. A name in
// `leaveOut` is not written.
bool WriteMedium(const std::string& directory, const std::vector<std::string>& leaveOut = {});

// The registry key texts usable: Prepare of every item and the credit line's
// unscrambling of the item key parts (both happen once per process).
void PrepareItemsOnce();

// ---- WOW64, as the tests see it ----
//
// Under WOW64 (a 32-bit program on 64-bit Windows) the theme belongs where
// 64-bit Windows reads it: the screen saver in the native system directory,
// the desktop icons in the 64-bit registry view. The tests find both on
// their own ways: IsWow64Process, the Sysnative alias, FindFirstFileA.

// Whether this test process runs under WOW64 (asked of the system).
bool UnderWow64();
// The registry view of the desktop icons that Explorer shows:
// KEY_WOW64_64KEY under WOW64, else 0 (this process's own).
REGSAM IconView();
// The Windows directory, the system directory as this process names it
// (GetSystemDirectoryA), and the directory through which it reaches the
// native system directory's files: under WOW64 the Sysnative alias (machines
// that have it), else the same. All end in "\".
std::string WindowsDir();
std::string SystemDir();
std::string NativeSystemDir();
// Where a row of the install file table puts its file, as this process
// reaches it: a row of the system directory in the native one.
std::string InstalledFile(const InstallFileEntry& row);
// The short form that 64-bit Windows gives a path: under WOW64 a file of the
// system directory is looked up in the native one (its short name there,
// after the system directory's short form); "" when it cannot be had.
std::string NativeShortPath(const std::string& path);

// The registry, read and written without the program's create-on-open, in
// a view (0: this process's own). A value reads as its text, a REG_EXPAND_SZ
// one as "expand:" and its text, a REG_DWORD as "dword:N", a missing one as
// "<missing>".
std::string RegValue(HKEY root, const char* path, const char* name, REGSAM view = 0);
bool RegKeyExists(HKEY root, const char* path, REGSAM view = 0);
// Sets a REG_SZ value; SetViewValue takes a text as RegValue gives it
// ("expand:..." a REG_EXPAND_SZ value, "<missing>" deletes the value).
bool SetRegValue(HKEY root, const char* path, const char* name, const char* text, REGSAM view = 0);
// The text of a value as RegValue gives it, without its "expand:": what a
// record of it holds.
std::string TextOf(const std::string& value);
void SetViewValue(HKEY root, const char* path, const char* name, const std::string& value,
                  REGSAM view = 0);
void DeleteRegValue(HKEY root, const char* path, const char* name, REGSAM view = 0);
void DeleteRegTree(HKEY root, const char* path, REGSAM view = 0);

// Whether the system is of the NT family (GetVersion): on Windows under
// Wine, and the emulated Windows 10; not the emulated Windows 95 machines.
bool NtFamily();
// Whether system.ini's [boot] SCRNSAVE.EXE lives in the user's registry
// (IniFileMapping, NT): the file then does not change with it.
bool ScreenSaverInRegistry();

// The icon key path of a desktop object under HKEY_CLASSES_ROOT.
std::string IconKey(const char* classId);
extern const char kComputerClass[];
extern const char kNetworkClass[];
extern const char kRecycleBinClass[];
extern const char kDesktopKey[];        // "Control Panel\Desktop" (HKEY_CURRENT_USER)
extern const char kColorsKey[];         // "Control Panel\Colors" (HKEY_CURRENT_USER)
extern const char kUserCursorsKey[];    // "Control Panel\Cursors" (HKEY_CURRENT_USER)
extern const char kDefaultCursorsKey[]; // ".Default\Control Panel\Cursors" (HKEY_USERS)
extern const char kSoundKey[];          // the ".Default" user's EmptyRecycleBin (HKEY_USERS)
extern const char kUserSoundKey[];      // the current user's (HKEY_CURRENT_USER)
extern const char kUninstallEntryKey[];

// Gives every value the theme records one known value on the machine (a fresh
// Wine prefix lacks the desktop icon values and the ".Default" user's sound).
// Under WOW64 the icons of the 32-bit view get other values (kIcons32),
// which the theme must leave alone. On the NT family the values are those of
// a fresh Windows 10: REG_EXPAND_SZ icons and cursor scheme (whose files it
// makes where they are missing), the current user's own recycle-bin sound,
// and system.ini's screen saver mapped to the user's registry.
void SeedThemeValues();
// The seeded icon of Computer, as RegValue gives it.
std::string SeededComputerIcon();
// The seeded cursor scheme's Arrow (as RegValue gives it) and its file.
std::string SeededArrowCursor();
std::string SeededArrowCursorFile();
// The values SeedThemeValues gives the 32-bit view's icons under WOW64:
// Computer, Network, recycle bin default, "empty", "full".
extern const char* const kIcons32[5];

// The first program run, as the main flow and the main dialog leave the
// setup state before RunInstall: instance, product name, target directory
// (created here when missing), the two options.
void BeginInstallRun(const std::string& targetDirectory, bool wallpaper, bool cursorsAndIcons);
// A later program run: the state cleared and read again as the main flow does
// at start (installed: "dir" of the product key, with "\" appended).
void BeginLaterRun();

// Removes every trace of the product (records, product key, uninstall entry,
// installed files, shortcut) so that the next test starts clean on Windows.
void RemoveProductTraces();

// Everything the theme touches, by name: the registry values of the items
// with their types (the icons in the view Explorer shows, "icon ..."; under
// WOW64 also in the 32-bit view, "icon32 ..."; the sound of ".Default",
// "sound", and of the current user, "sound HKCU"), the desktop colour and
// screen saver state, the screen saver entry as the profile functions read
// it ("<missing>" when there is none), the product keys, control.ini,
// system.ini, the shortcut and the files of the Windows, system (under WOW64
// both system directories) and given directories (name -> size and
// checksum).
using View = std::map<std::string, std::string>;
View ThemeView(const std::vector<std::string>& directories);
// Puts what means the same in one form: the wallpaper "(none)" as empty, a
// "SCRNSAVE.EXE=(none)" line (and a [boot] section left empty by it) as
// absent, the screen saver's path in the short form 64-bit Windows gives it
// (NativeShortPath), a missing control.ini as empty.
void NormalizeView(View& v);
// The differences of two views, one line each; "" when equal.
std::string Differences(const View& before, const View& after);

// A whole file, "<missing>" when it cannot be read.
std::string FileText(const std::string& path);

// Why the tests of a read-only profile file run on the emulated machine only:
// Wine runs as the machine's root there, which writes read-only files, and
// it keeps a profile write that failed in its cache and writes it later.
extern const char kNoReadOnlyProfiles[];

// ---- Generated starting machines for the round trip ----

// Registry texts as RegValue gives them: on NT-family machines many are
// "expand:" texts (REG_EXPAND_SZ).
struct StartMachine {
    uint32_t seed = 0;
    bool nt = false;      // an NT-family machine: typed values
    std::string icons[3]; // Computer, Network, recycle bin default
    std::string binEmpty, binFull;
    std::string tile, wallpaper; // "<missing>" leaves the value out
    uint32_t color = 0;
    std::string cursors[3]; // AppStarting, Wait, Arrow: "<missing>", "" or a cursor file
    std::string sound;      // ".Default"'s
    // The current user's sound: "<missing>" (the value), "<nokey>" (its key
    // and EmptyRecycleBin's), or a text.
    std::string userSound;
    std::string screenSaver; // "<missing>": no key; "<noboot>": no [boot] section
    bool active = false;
    bool otherControlSections = true;
    bool wallpaperOption = false, cursorsOption = false;
    // The logon desktop's (".Default") cursors, as `cursors`; they may differ
    // from the user's.
    std::string defaultCursors[3];
    // The user's cursor files are deleted between the install and the
    // uninstall.
    bool cursorFilesDeleted = false;
    // "system.ini" or "control.ini": read-only during the first uninstall,
    // which must then say it failed; a later one finishes. "" for neither.
    // (Emulated machines only: see kNoReadOnlyProfiles.)
    std::string readOnlyAtUninstall;
    std::string Describe() const;
};

// A starting machine from a seed; `cursorDirectory` (ending in "\") is where
// its cursor files go.
StartMachine GenerateMachine(uint32_t seed, const std::string& cursorDirectory);
// Puts the machine's settings in place (registry, display, profile files,
// cursor files).
void SetUpMachine(const StartMachine& m);
// Which setting a missing value makes unrecordable, or "" when the install
// can record every selected item.
bool InstallMustFailRecording(const StartMachine& m);

// The user's cursor files (those of `cursors` that name a file) that the
// round trip deletes between the install and the uninstall: none unless
// cursorFilesDeleted and the install goes through.
std::vector<std::string> CursorFilesDeletedByRoundTrip(const StartMachine& m);

// What a round trip changes on purpose, applied to the normalized view of the
// machine before it: a cursor whose file was deleted since the install comes
// back as the standard cursor (the empty text of the recorded type), the
// file gone.
void ExpectRoundTripChanges(const StartMachine& m, View& before);

// Runs one round trip on the current machine: install with the machine's
// options into `target`, then a later run uninstalls and finishes. Returns
// "" when the machine is back where it started, else what differs.
// `extraCompare` views more (the whole registry, the file tree natively).
std::string RoundTrip(const StartMachine& m, const std::string& target,
                      const std::vector<std::string>& directories);

} // namespace theme_test
