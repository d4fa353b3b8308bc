// The process-wide setup state that the setup shell and the installation
// engine share, and the two small enumerations that say where a file or a
// setting value lives and to which main-dialog option it belongs.
#pragma once

#include "platform/win32.h"

#include <stdint.h>

// Where a file or a setting value lives.
enum class LocationKind : int32_t {
    Target = 0,  // SetupState::targetDirectory
    Windows = 1, // SetupState::windowsDirectory
    System = 2,  // SetupState::systemDirectory
    Literal = 3, // no directory: the value is used unchanged (setting items only)
};

// To which main-dialog option a table row or a setting item belongs.
enum class InstallCategory : int32_t {
    Always = 0,
    Wallpaper = 1,       // check box 208 "&Hintergrundbild"
    CursorsAndIcons = 2, // check box 209 "&Themen-Cursor und -Symbole"
};

// Capacities of the state's texts, terminator included.
enum : int {
    kProductNameCapacity = 299,
    kDirectoryCapacity = 520,
    kSystemDirectoryCapacity = 260,
    kGardenNameCapacity = 40,
};

// Every directory text ends with "\" once set, so a path is a directory
// text followed directly by a file name (text/directory_text.h), and keeps it:
// what needs a directory without its "\" (the product key's "dir", the
// record of the install directory) takes a copy.
struct SetupState {
    HINSTANCE instance;
    HWND mainDialog;
    char productName[kProductNameCapacity];
    char targetDirectory[kDirectoryCapacity];
    char gardenName[kGardenNameCapacity];
    bool installWallpaper;
    bool installCursorsAndIcons;
    char windowsDirectory[kSystemDirectoryCapacity];
    char systemDirectory[kSystemDirectoryCapacity];
    char sourceDirectory[kDirectoryCapacity];
    int errorCode; // 0, or 1 to 11: the reason of the last failure
};

// The one setup state of the process; all texts empty, numbers 0 at start.
extern SetupState g_setup;

// The directory text of a location (Target, Windows or System). Callers that
// may meet LocationKind::Literal test for it first; it gives "" here.
const char* DirectoryFor(LocationKind location);

// Whether a category is selected by the main dialog's options: Always is;
// Wallpaper and CursorsAndIcons follow their check boxes; any other value is
// not.
bool IsCategorySelected(InstallCategory category);

// Clears the state back to its start (tests, and a fresh run).
void ResetSetupState();
