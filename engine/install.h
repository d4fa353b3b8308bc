// The install and uninstall procedures.
//
// RunInstall copies and unpacks the selected rows of the install file table,
// records the user's current settings and applies the theme's; its failures
// leave an error code (1 to 11) in SetupState::errorCode. CompleteInstall
// runs after the welcome dialog: product key values, uninstall entry, desktop
// shortcut. RunUninstall restores every recorded setting, deletes the
// installed files and removes the records; FinishUninstall, after dialog 103,
// removes what the product key names, the key itself, the uninstall entry and
// the shortcut.
#pragma once

#include <stddef.h>

bool RunInstall();
void CompleteInstall();
bool RunUninstall();
void FinishUninstall();

// Puts a string resource (or the empty text for id 0) into the status line
// of the main dialog.
void SetStatusLine(unsigned stringId);

// Steps, also used by each other and by tests.
bool ResolveSystemDirectories();
bool CopyInstallFiles();
bool SaveOldSettings();
void ApplyThemeSettings();
void CopySetupFiles();
// Deletes the installed file of every row, and with `setupCopies` the copies
// of the installation files in the target directory too. A directory that
// was never resolved (see IsFullDirectory) is skipped.
void RemoveInstalledFiles(bool setupCopies = true);
void DeleteWindowsFile(const char* name);
void RegisterUninstallEntry();
// True when the theme is not installed (no records) but the product key or
// the uninstall entry is still there: an uninstall stopped before
// FinishUninstall, whose entry would otherwise start an install.
bool IsUninstallUnfinished();
void RemoveProductData();
void DeleteProductSubkeys();
void RemoveUninstallEntry();

// True for a directory text that starts with a drive ("C:\..."): one that
// was resolved, not empty or the single "\" of a missing product key "dir".
bool IsFullDirectory(const char* directory);

// A directory text without its trailing "\" into a buffer; false when it
// does not fit.
bool CopyDirectoryWithoutBackslash(char* buffer, size_t capacity, const char* directory);

// The target directory of the installed theme into SetupState, as a later
// program run starts: "dir" of the product key, else the install directory
// recorded with the old settings; "\" appended (the single "\" when neither
// is there).
void ReadInstalledTargetDirectory();

// Where the uninstall entry lives (HKEY_LOCAL_MACHINE).
extern const char kUninstallKeyPath[];
