#include "shell/main_dialog.h"

#include "diskette/diskette_copy.h"
#include "engine/install.h"
#include "engine/install_file_table.h"
#include "engine/setting_item.h"
#include "engine/uninstall.h"
#include "resources/resource_ids.h"
#include "shell/dialog_texts.h"
#include "shell/directory_chooser.h"
#include "shell/small_dialogs.h"
#include "state/setup_state.h"
#include "system/dialog_support.h"
#include "system/profile_settings.h"
#include "text/directory_text.h"

#include <stdio.h>
#include <string.h>

namespace {

enum : int {
    kInstallButton = IDC_MAIN_INSTALL,
    kUninstallButton = IDC_MAIN_UNINSTALL,
    kCancelButton = IDC_MAIN_CANCEL,
    kStatusLine = IDC_MAIN_STATUS_LINE,
    kInstructionText = IDC_MAIN_INSTRUCTION,
    kHelpButton = IDC_MAIN_HELP,
    kWallpaperBox = IDC_MAIN_WALLPAPER,
    kCursorsBox = IDC_MAIN_CURSORS,
    kDirectoryEdit = IDC_MAIN_DIRECTORY,
    kGardenEdit = IDC_MAIN_GARDEN_NAME,
    kBrowseButton = IDC_MAIN_BROWSE,
    kStatusLineCapacity = 400,
};

// The controls of an install, and of a running procedure.
const int kInstallControls[] = {kWallpaperBox, kCursorsBox,    kInstallButton,
                                kGardenEdit,   kDirectoryEdit, kBrowseButton};
const int kWorkTimeControls[] = {kWallpaperBox,  kCursorsBox,   kInstallButton,  kGardenEdit,
                                 kDirectoryEdit, kBrowseButton, kUninstallButton};

void EnableControls(HWND dialog, const int* ids, size_t count, bool enable) {
    for (size_t i = 0; i < count; ++i)
        EnableWindow(GetDlgItem(dialog, ids[i]), enable ? TRUE : FALSE);
}

bool IsInstalled() {
    return ProfileSettings::IsPresent(kProductName, kInstalledMarkerKey) != 0;
}

void Initialise(HWND dialog) {
    PrepareSettingItems();
    CentreWindow(dialog);
    g_setup.mainDialog = dialog;
    SendDlgItemMessageA(dialog, kGardenEdit, EM_LIMITTEXT, 39, 0);
    SendDlgItemMessageA(dialog, kDirectoryEdit, EM_LIMITTEXT, 260, 0);
    char directory[MAX_PATH] = "";
    LoadStringA(g_setup.instance, kStringDefaultTarget, directory, sizeof directory);
    SetDlgItemTextA(dialog, kDirectoryEdit, directory);
    bool installed = IsInstalled();
    SetDefaultButton(dialog, installed ? kUninstallButton : kInstallButton);
    EnableControls(dialog, kInstallControls, sizeof kInstallControls / sizeof *kInstallControls,
                   !installed);
    EnableWindow(GetDlgItem(dialog, kUninstallButton), installed ? TRUE : FALSE);
    if (!installed) {
        CheckDlgButton(dialog, kWallpaperBox, BST_CHECKED);
        CheckDlgButton(dialog, kCursorsBox, BST_CHECKED);
    }
    SetControlTextFromResource(dialog, kInstructionText, kTextInstruction);
    if (!ShowCreditLine())
        EndDialog(dialog, kSetupCancelled);
}

void RunProcedure(HWND dialog, bool install) {
    if (install) {
        if (!ValidateTargetDirectory(dialog, kDirectoryEdit))
            return;
        GetDlgItemTextA(dialog, kGardenEdit, g_setup.gardenName, sizeof g_setup.gardenName);
        if (!g_setup.gardenName[0])
            snprintf(g_setup.gardenName, sizeof g_setup.gardenName, " ");
        g_setup.installWallpaper = IsDlgButtonChecked(dialog, kWallpaperBox) == BST_CHECKED;
        g_setup.installCursorsAndIcons = IsDlgButtonChecked(dialog, kCursorsBox) == BST_CHECKED;
    }
    EnableControls(dialog, kWorkTimeControls, sizeof kWorkTimeControls / sizeof *kWorkTimeControls,
                   false);
    EnableWindow(GetDlgItem(dialog, kCancelButton), FALSE);
    bool ok = install ? RunInstall() : RunUninstall();
    EnableWindow(GetDlgItem(dialog, kCancelButton), TRUE);
    // A changed wallpaper, icons and colours show at once.
    InvalidateRect(GetDesktopWindow(), nullptr, TRUE);
    if (ok) {
        SetDefaultButton(dialog, install ? kCancelButton : kInstallButton);
        EnableWindow(GetDlgItem(dialog, kInstallButton), install ? FALSE : TRUE);
        EnableWindow(GetDlgItem(dialog, kUninstallButton), install ? TRUE : FALSE);
        if (install)
            DisketteCopy::Run(g_setup.instance, dialog, g_setup.targetDirectory,
                              kStringDisketteCaption, kStringDisketteReadError,
                              kStringDisketteWriteError, kStringDisketteCaption,
                              kStringDisketteDone);
        EndDialog(dialog, install ? kSetupInstalled : kSetupUninstalled);
    } else if (install) {
        EndDialog(dialog, kSetupCancelled);
    }
    // A failed uninstall leaves the dialog open with its controls disabled.
}

// The procedures' dialogs (engine/procedure_dialogs.h) in the shell: the
// chooser over the main dialog, and the main dialog's status line.
bool AskForSourceDirectoryInChooser(char* buffer, int capacity) {
    return ChooseDirectory(g_setup.instance, g_setup.mainDialog, buffer, capacity,
                           kStringPromptSource);
}

void SetStatusLine(unsigned stringId) {
    char text[kStatusLineCapacity] = "";
    if (stringId)
        LoadStringA(g_setup.instance, stringId, text, sizeof text);
    SetDlgItemTextA(g_setup.mainDialog, kStatusLine, text);
}

void Browse(HWND dialog) {
    char path[MAX_PATH + 1] = "";
    if (!ChooseDirectory(g_setup.instance, dialog, path, MAX_PATH, kStringPromptTarget) || !path[0])
        return;
    DropBackslash(path);
    SetDlgItemTextA(dialog, kDirectoryEdit, path);
}

} // namespace

const ProcedureDialogs kMainDialogProcedureDialogs = {AskForSourceDirectoryInChooser,
                                                      SetStatusLine};

bool ValidateTargetDirectory(HWND dialog, int editId) {
    char path[MAX_PATH] = "";
    GetDlgItemTextA(dialog, editId, path, MAX_PATH);
    if (!IsFullDirectory(path)) {
        ShowResourceMessage(dialog, kStringSetupCaption, kStringNotAbsolute, MB_ICONERROR);
        return false;
    }
    while (EndsWithBackslash(path))
        DropBackslash(path);
    DWORD attributes = GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        char format[400] = "", caption[400] = "", question[400 + MAX_PATH];
        LoadStringA(g_setup.instance, kStringCreateQuestion, format, sizeof format);
        LoadStringA(g_setup.instance, kStringSetupCaption, caption, sizeof caption);
        // The format is the program's own text with one "%s".
        const char* mark = strstr(format, "%s");
        if (mark)
            snprintf(question, sizeof question, "%.*s%s%s", static_cast<int>(mark - format), format,
                     path, mark + 2);
        else
            snprintf(question, sizeof question, "%s", format);
        if (MessageBoxA(dialog, question, caption, MB_YESNO) != IDYES)
            return false;
        if (!CreateDirectoryA(path, nullptr)) {
            ShowResourceMessage(dialog, kStringSetupCaption, kStringCannotCreate, MB_ICONERROR);
            return false;
        }
    }
    snprintf(g_setup.targetDirectory, sizeof g_setup.targetDirectory, "%s", path);
    AppendBackslash(g_setup.targetDirectory, sizeof g_setup.targetDirectory);
    return true;
}

INT_PTR CALLBACK MainDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        Initialise(dialog);
        return TRUE;
    case WM_CLOSE:
        EndDialog(dialog, kSetupClosed);
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case kInstallButton:
            RunProcedure(dialog, true);
            return TRUE;
        case kUninstallButton:
            RunProcedure(dialog, false);
            return TRUE;
        case kCancelButton:
        case IDCANCEL:
            EndDialog(dialog, kSetupCancelled);
            return TRUE;
        case kHelpButton:
            DialogBoxParamA(g_setup.instance, MAKEINTRESOURCEA(kDialogHelp), dialog, HelpDialogProc,
                            0);
            return TRUE;
        case kBrowseButton:
            Browse(dialog);
            return TRUE;
        default:
            return FALSE;
        }
    default:
        return FALSE;
    }
}
