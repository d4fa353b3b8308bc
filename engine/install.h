// The install procedures.
//
// RunInstall copies and unpacks the selected rows of the install file table,
// records the user's current settings and applies the theme's; its failures
// leave an error code (1 to 11) in SetupState::errorCode. CompleteInstall
// runs after the welcome dialog: product key values, uninstall entry, desktop
// shortcut. The uninstall is engine/uninstall.h.
#pragma once

bool RunInstall();
void CompleteInstall();

// Steps, also used by each other and by tests.
bool ResolveSystemDirectories();
bool CopyInstallFiles();
bool SaveOldSettings();
void ApplyThemeSettings();
void CopySetupFiles();
// Deletes the installed file of every row, and with `setupCopies` the copies
// of the installation files in the target directory too. A directory that
// was never resolved (IsFullDirectory, text/directory_text.h) is skipped.
void RemoveInstalledFiles(bool setupCopies = true);
void DeleteWindowsFile(const char* name);
void RegisterUninstallEntry();

// Where the uninstall entry lives (HKEY_LOCAL_MACHINE).
extern const char kUninstallKeyPath[];

// The uninstall's procedures, for the callers that run both.
#include "engine/uninstall.h"
