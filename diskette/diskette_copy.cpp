#include "diskette/diskette_copy.h"

#include "resources/resource_ids.h"
#include "system/dialog_support.h"
#include "text/directory_text.h"
#include "text/text_case.h"

#include <stdio.h>
#include <string.h>

namespace {

enum : int {
    kCopyButton = IDC_DISKETTE_COPY,
    kCloseButton = IDC_DISKETTE_CLOSE,
};

// The process-wide state of the diskette copy.
struct State {
    const char* const* names;
    int count;
    const char* toleratedName;
    HINSTANCE instance;
    UINT errorCaptionId, readErrorId, writeErrorId, successCaptionId, successTextId;
    char sourceDirectory[MAX_PATH]; // handed to Run
    char copyDirectory[MAX_PATH];   // fixed by the first copy of a dialog
    bool prepared;
};
State g_disk;

// Whether a directory text lies on drive A. Each copy erases the diskette
// and the user changes diskettes between copies, so such a source would be
// erased or gone before it is read.
bool IsOnDiskette(const char* directory) {
    return IsOnDrive(directory, 'A');
}

void MakeOneCopy(HWND dialog) {
    EnableWindow(GetDlgItem(dialog, kCopyButton), FALSE);
    EnableWindow(GetDlgItem(dialog, kCloseButton), FALSE);
    bool ready = g_disk.prepared;
    if (!ready) {
        ready = DisketteCopy::PrepareSource();
        g_disk.prepared = ready;
        if (!ready)
            ShowResourceMessage(dialog, g_disk.errorCaptionId, g_disk.readErrorId, MB_ICONERROR);
    }
    if (ready) {
        if (DisketteCopy::WriteDiskette())
            ShowResourceMessage(dialog, g_disk.successCaptionId, g_disk.successTextId, MB_OK);
        else
            ShowResourceMessage(dialog, g_disk.errorCaptionId, g_disk.writeErrorId, MB_ICONERROR);
    }
    EnableWindow(GetDlgItem(dialog, kCopyButton), TRUE);
    EnableWindow(GetDlgItem(dialog, kCloseButton), TRUE);
}

} // namespace

void DisketteCopy::SetFileList(const char* const* names, int count, const char* toleratedName) {
    g_disk.count = 0;
    if (!names || count == 0)
        return;
    g_disk.names = names;
    g_disk.toleratedName = toleratedName;
    g_disk.count = count;
}

void DisketteCopy::ClearFileList() {
    g_disk.count = 0;
}

void DisketteCopy::Run(HINSTANCE instance, HWND owner, const char* sourceDirectory,
                       UINT errorCaptionId, UINT readErrorId, UINT writeErrorId,
                       UINT successCaptionId, UINT successTextId) {
    if (!sourceDirectory)
        return;
    INT_PTR offer =
        DialogBoxParamA(instance, MAKEINTRESOURCEA(kDialogDisketteOffer), owner, OfferProc, 0);
    if (offer == -1 || offer == 0)
        return;
    g_disk.instance = instance;
    snprintf(g_disk.sourceDirectory, sizeof g_disk.sourceDirectory, "%s", sourceDirectory);
    g_disk.errorCaptionId = errorCaptionId;
    g_disk.readErrorId = readErrorId;
    g_disk.writeErrorId = writeErrorId;
    g_disk.successCaptionId = successCaptionId;
    g_disk.successTextId = successTextId;
    DialogBoxParamA(instance, MAKEINTRESOURCEA(kDialogDisketteCopy), owner, CopyProc, 0);
}

bool DisketteCopy::PrepareSource() {
    if (g_disk.count == 0 || IsOnDiskette(g_disk.sourceDirectory))
        return false;
    snprintf(g_disk.copyDirectory, sizeof g_disk.copyDirectory, "%s", g_disk.sourceDirectory);
    return true;
}

bool DisketteCopy::WriteDiskette() {
    if (g_disk.count == 0)
        return false;
    // Erase the diskette: every file of drive A's current directory.
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA("a:*.*", &found);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            char path[MAX_PATH];
            if (JoinPath(path, sizeof path, "a:", found.cFileName))
                DeleteFileA(path);
        } while (FindNextFileA(find, &found));
        FindClose(find);
    }
    for (int i = 0; i < g_disk.count; ++i) {
        const char* name = g_disk.names[i];
        char source[MAX_PATH], target[MAX_PATH];
        bool copied = JoinPath(source, sizeof source, g_disk.copyDirectory, name) &&
                      JoinPath(target, sizeof target, "a:\\", name) &&
                      CopyFileA(source, target, FALSE);
        if (!copied && !(g_disk.toleratedName && EqualNoCase(name, g_disk.toleratedName)))
            return false;
    }
    return true;
}

INT_PTR CALLBACK DisketteCopy::OfferProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        CentreWindow(dialog);
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK) {
            EndDialog(dialog, 1);
            return TRUE;
        }
        if (LOWORD(wParam) == IDCANCEL) {
            EndDialog(dialog, 0);
            return TRUE;
        }
        return FALSE;
    default:
        return FALSE;
    }
}

INT_PTR CALLBACK DisketteCopy::CopyProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        CentreWindow(dialog);
        g_disk.prepared = false;
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == kCloseButton || LOWORD(wParam) == IDCANCEL) {
            EndDialog(dialog, 0);
            return TRUE;
        }
        MakeOneCopy(dialog);
        return TRUE;
    default:
        return FALSE;
    }
}
