// The uninstall procedures.
//
// RunUninstall restores every recorded setting, deletes the installed files
// and removes the records; its failures leave the failing item's error code
// in SetupState::errorCode, and then nothing is deleted or removed.
// FinishUninstall, after dialog 103, removes what the product key names, the
// key itself, the uninstall entry and the shortcut.
#pragma once

bool RunUninstall();
void FinishUninstall();

// The target directory of the installed theme into SetupState, as a later
// program run starts: "dir" of the product key, else the install directory
// recorded with the old settings; "\" appended (the single "\" when neither
// is there).
void ReadInstalledTargetDirectory();

// True when the theme is not installed (no records) but the product key or
// the uninstall entry is still there: an uninstall stopped before
// FinishUninstall, whose entry would otherwise start an install.
bool IsUninstallUnfinished();

// Steps of FinishUninstall, also used by tests.
void RemoveProductData();
void DeleteProductSubkeys();
void RemoveUninstallEntry();
