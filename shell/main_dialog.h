// The main dialog (100): the one window in which the user installs or
// uninstalls the theme.
#pragma once

#include "engine/procedure_dialogs.h"
#include "platform/win32.h"

// How the main dialog ended.
enum SetupResult : int {
    kSetupInstalled = 10,   // the install succeeded
    kSetupClosed = 11,      // closed with the close box
    kSetupUninstalled = 12, // the uninstall succeeded
    kSetupCancelled = 13,   // cancelled, aborted, or the install failed
};

// What the install and uninstall ask of the dialogs: the directory chooser
// (1000) over the main dialog for the installation files, and the main
// dialog's status line (control 203). RunSetup provides them.
extern const ProcedureDialogs kMainDialogProcedureDialogs;

INT_PTR CALLBACK MainDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Checks the directory typed into edit `editId` (absolute, created on the
// user's word when missing) and stores it with a trailing "\" in
// SetupState::targetDirectory. False after telling the user why not, or when
// the user declined to create it.
bool ValidateTargetDirectory(HWND dialog, int editId);
