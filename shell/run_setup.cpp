#include "shell/run_setup.h"

#include "diskette/diskette_copy.h"
#include "engine/install.h"
#include "engine/install_file_table.h"
#include "engine/procedure_dialogs.h"
#include "engine/uninstall.h"
#include "resources/resource_ids.h"
#include "shell/main_dialog.h"
#include "shell/small_dialogs.h"
#include "state/setup_state.h"
#include "system/profile_settings.h"
#include "system/registry_key.h"

#include <string.h>

namespace {

INT_PTR RunDialog(int id, DLGPROC proc) {
    return DialogBoxParamA(g_setup.instance, MAKEINTRESOURCEA(id), nullptr, proc, 0);
}

// An uninstall that was stopped after its records were gone (the machine
// went off while dialog 103 was open): the entry in the list of programs
// still starts this program. It says what it said then, "uninstalled", and
// does the last step, which removes the entry.
void FinishUnfinishedUninstall() {
    CoInitialize(nullptr);
    LoadStringA(g_setup.instance, kStringProductName, g_setup.productName,
                sizeof g_setup.productName);
    ReadInstalledTargetDirectory();
    RunDialog(kDialogUninstallDone, UninstallDoneDialogProc);
    FinishUninstall();
    CoUninitialize();
}

} // namespace

int RunSetup(HINSTANCE instance) {
    g_setup.productName[0] = 0;
    g_setup.gardenName[0] = 0;
    g_setup.instance = instance;
    SetProcedureDialogs(kMainDialogProcedureDialogs);

    if (ProfileSettings::IsPresent(kProductName, kInstalledMarkerKey)) {
        ReadInstalledTargetDirectory();
    } else if (IsUninstallUnfinished()) {
        FinishUnfinishedUninstall();
        return 0;
    } else {
        INT_PTR terms = RunDialog(kDialogTerms, TermsDialogProc);
        if (terms == -1 || terms == 202)
            return 0;
        DisketteCopy::SetFileList(DisketteFileList::names, DisketteFileList::kCount,
                                  DisketteFileList::toleratedName);
    }

    CoInitialize(nullptr);
    LoadStringA(instance, kStringProductName, g_setup.productName, sizeof g_setup.productName);
    INT_PTR result = RunDialog(kDialogMain, MainDialogProc);
    switch (result) {
    case kSetupInstalled:
        RunDialog(kDialogInstallDone, InstallDoneDialogProc);
        RunDialog(kDialogWelcome, WelcomeDialogProc);
        CompleteInstall();
        break;
    case kSetupUninstalled:
        RunDialog(kDialogUninstallDone, UninstallDoneDialogProc);
        FinishUninstall();
        break;
    case kSetupCancelled:
        RunDialog(kDialogAborted, AbortedDialogProc);
        break;
    default: // closed with the close box, or no dialog at all
        break;
    }
    DisketteCopy::ClearFileList();
    CoUninitialize();
    return 0;
}
