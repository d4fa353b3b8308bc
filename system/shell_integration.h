// The desktop shortcut that starts the installed screen saver, its removal,
// and the refresh that makes the shell redraw the desktop's icons.
//
// The shortcut operations use the platform's component objects: the calling
// thread must have called CoInitialize. Nothing here shows a message or
// reports a failure a caller has to examine; every interface and item list
// obtained is released on every path.
#pragma once

// Places a shell link named `shortcutName` + ".lnk" in the user's desktop
// directory. Its target is `directory` (ending in "\") followed by
// `fileName`, or the system directory (g_setup.systemDirectory) followed by
// `fileName` when `directory` is null; its icon is the target's icon
// `iconIndex`, its description the shortcut name. A shortcut of the same
// name is replaced. Without a file name or a shortcut name nothing happens
// and no platform operation is called. A target path or shortcut file path
// that would not fit in MAX_PATH characters (terminator included) makes no
// shortcut.
void CreateDesktopShortcut(const char* directory, const char* fileName, const char* shortcutName,
                           int iconIndex);

// Deletes the desktop shortcut named `shortcutName` + ".lnk"; a missing
// shortcut (or a null name) is no error. Reports nothing.
void DeleteDesktopShortcut(const char* shortcutName);

// Builds the shortcut file path: the desktop directory, "\", the shortcut
// name, ".lnk", into `buffer` (at least MAX_PATH characters). Returns 1 when
// the path was built; 0 when the buffer or the name is missing, the desktop
// directory is unknown or the path would not fit.
int DesktopShortcutPath(char* buffer, const char* shortcutName);

// Notifies the shell that each folder item of the desktop (Computer,
// Network, Recycle Bin) and then the desktop itself changed, so that new
// icons show at once. The desktop is notified even when its items cannot be
// enumerated.
void RefreshDesktopItems();
