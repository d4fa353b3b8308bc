#include "shell/directory_chooser.h"

#include "resources/resource_ids.h"
#include "text/directory_text.h"

#include <stdio.h>
#include <string.h>

namespace {

enum : int {
    kControlPrompt = IDC_CHOOSER_PROMPT,
    kControlList = IDC_CHOOSER_LIST,
    kControlOk = IDC_CHOOSER_OK,
    kControlCancel = IDC_CHOOSER_CANCEL,
    kControlPath = IDC_CHOOSER_PATH,
    kListedCapacity = 267, // the listed directory: at most 266 characters
};

const UINT kListFlags = DDL_DRIVES | DDL_DIRECTORY | DDL_EXCLUSIVE;

// The chooser's state while it is open (one chooser at a time).
struct ChooserState {
    char listed[kListedCapacity];
    HINSTANCE instance;
    UINT promptId;
};
ChooserState g_chooser;

// Lists a directory into the list box and the path static; the platform uses
// the path as scratch, so it gets a copy.
bool ListDirectory(HWND dialog, const char* path) {
    char scratch[kListedCapacity + 2];
    snprintf(scratch, sizeof scratch, "%s", path);
    return DlgDirListA(dialog, scratch, kControlList, kControlPath, kListFlags) != 0;
}

void EnterSelectedEntry(HWND dialog) {
    LRESULT index = SendDlgItemMessageA(dialog, kControlList, LB_GETCURSEL, 0, 0);
    if (index == LB_ERR)
        return;
    char entry[kListedCapacity];
    LRESULT textLength = SendDlgItemMessageA(dialog, kControlList, LB_GETTEXTLEN, index, 0);
    if (textLength == LB_ERR || textLength >= kListedCapacity)
        return;
    if (SendDlgItemMessageA(dialog, kControlList, LB_GETTEXT, index,
                            reinterpret_cast<LPARAM>(entry)) == LB_ERR)
        return;
    bool drive = entry[1] == '-';
    char plain[MAX_PATH] = "";
    if (!DlgDirSelectExA(dialog, plain, 259, kControlList) && !plain[0])
        return;
    char path[kListedCapacity + MAX_PATH];
    if (drive) {
        // A drive's root ("c:\").
        snprintf(path, sizeof path, "%s", plain);
        AppendBackslash(path, sizeof path);
    } else if (plain[0] == '.') {
        // A trailing "\" was left by entering a subdirectory.
        ParentDirectory(path, sizeof path, g_chooser.listed);
    } else {
        JoinPath(path, sizeof path, g_chooser.listed, plain);
    }
    size_t length = strlen(path);
    if (length >= kListedCapacity)
        return;
    if (ListDirectory(dialog, path))
        memcpy(g_chooser.listed, path, length + 1);
}

INT_PTR CALLBACK ChooserProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG: {
        char drives[MAX_PATH];
        DWORD length = GetLogicalDriveStringsA(259, drives);
        if (length == 0 || length > 259)
            return TRUE;
        ListDirectory(dialog, g_chooser.listed);
        char prompt[400];
        if (LoadStringA(g_chooser.instance, g_chooser.promptId, prompt, sizeof prompt) > 0)
            SetDlgItemTextA(dialog, kControlPrompt, prompt);
        return TRUE;
    }
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case kControlOk:
        case IDOK:
            EndDialog(dialog, 1);
            return TRUE;
        case kControlCancel:
        case IDCANCEL:
            EndDialog(dialog, 0);
            return TRUE;
        case kControlList:
            if (HIWORD(wParam) == LBN_DBLCLK)
                EnterSelectedEntry(dialog);
            return TRUE;
        default:
            return FALSE;
        }
    default:
        return FALSE;
    }
}

} // namespace

bool ChooseDirectory(HINSTANCE instance, HWND owner, char* buffer, int capacity, UINT promptId) {
    g_chooser.listed[0] = 0;
    DWORD length = GetCurrentDirectoryA(kListedCapacity, g_chooser.listed);
    if (length >= kListedCapacity)
        g_chooser.listed[0] = 0;
    g_chooser.instance = instance;
    g_chooser.promptId = promptId;
    INT_PTR result =
        DialogBoxParamA(instance, MAKEINTRESOURCEA(kDialogChooser), owner, ChooserProc, 0);
    // A dialog that could not be created chose nothing either.
    if (result == 0 || result == -1)
        return false;
    size_t listedLength = strlen(g_chooser.listed);
    if (listedLength == 0 || !buffer || capacity < 0)
        return false;
    if (AppendBackslash(g_chooser.listed, kListedCapacity))
        listedLength = strlen(g_chooser.listed);
    size_t n = listedLength < static_cast<size_t>(capacity) ? listedLength : capacity;
    memcpy(buffer, g_chooser.listed, n);
    buffer[n] = 0;
    return true;
}
