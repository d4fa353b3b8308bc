// The small dialogs of the setup shell.
#include "shell/small_dialogs.h"

#include "shell/dialog_texts.h"
#include "state/setup_state.h"

#include <initializer_list>
#include <stdio.h>

namespace {

enum : int {
    kTextControl = 200,    // help text, error text, terms text
    kConsentControl = 203, // the terms' closing question
    kWelcomeTextControl = 408,
    kWelcomeOkButton = 409,
    kAcceptButton = 201,
    kDeclineButton = 202,

    kHelpText = 1008,
    kTermsText = 200,
    kConsentText = 201,
    kWelcomeText = 407,

    kCopyFailedString = 1013,
    kRegistryFailedString = 1014,
    kUnpackFailedString = 1015,
    kErrorCodeString = 1016,

    kErrorMessageCapacity = 399, // 398 characters and the terminator
    kErrorCodeLabelCapacity = 99,
    kErrorTextCapacity = 520,
};

// The message string of an error code, or 0 when it shows none.
UINT ErrorMessageFor(int code) {
    if (code == 2)
        return kCopyFailedString;
    if (code >= 3 && code <= 10)
        return kRegistryFailedString;
    if (code == 11)
        return kUnpackFailedString;
    return 0;
}

// The common procedure of dialogs that only show texts: centred, filled by
// `fill`, ended with 0 by any command in `endingIds`.
INT_PTR SimpleDialog(HWND dialog, UINT message, WPARAM wParam, void (*fill)(HWND),
                     std::initializer_list<int> endingIds) {
    switch (message) {
    case WM_INITDIALOG:
        CentreWindow(dialog);
        if (fill)
            fill(dialog);
        return TRUE;
    case WM_COMMAND:
        for (int id : endingIds) {
            if (LOWORD(wParam) == id) {
                EndDialog(dialog, 0);
                return TRUE;
            }
        }
        return FALSE;
    default:
        return FALSE;
    }
}

} // namespace

void FormatErrorText(int errorCode, char* buffer, size_t capacity) {
    if (!buffer || capacity == 0)
        return;
    buffer[0] = '\0';
    UINT messageId = errorCode >= 1 && errorCode <= 11 ? ErrorMessageFor(errorCode) : 0;
    if (messageId == 0)
        return;
    // A string that cannot be loaded may leave its buffer untouched.
    char message[kErrorMessageCapacity] = "";
    char label[kErrorCodeLabelCapacity] = "";
    LoadStringA(g_setup.instance, messageId, message, sizeof message);
    LoadStringA(g_setup.instance, kErrorCodeString, label, sizeof label);
    snprintf(buffer, capacity, "%s\n%s%u", message, label, static_cast<unsigned>(errorCode));
}

INT_PTR CALLBACK HelpDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    return SimpleDialog(dialog, message, wParam,
                        [](HWND d) { SetControlTextFromResource(d, kTextControl, kHelpText); },
                        {IDOK, IDCANCEL});
}

INT_PTR CALLBACK InstallDoneDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    return SimpleDialog(dialog, message, wParam, nullptr, {IDOK, IDCANCEL});
}

INT_PTR CALLBACK UninstallDoneDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    return SimpleDialog(dialog, message, wParam, nullptr, {IDOK, IDCANCEL});
}

INT_PTR CALLBACK AbortedDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    return SimpleDialog(dialog, message, wParam,
                        [](HWND d) {
                            char text[kErrorTextCapacity];
                            FormatErrorText(g_setup.errorCode, text, sizeof text);
                            SetDlgItemTextA(d, kTextControl, text);
                        },
                        {IDOK, IDCANCEL});
}

INT_PTR CALLBACK WelcomeDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    return SimpleDialog(
        dialog, message, wParam,
        [](HWND d) { SetControlTextFromResource(d, kWelcomeTextControl, kWelcomeText); },
        {IDOK, IDCANCEL, kWelcomeOkButton});
}

INT_PTR CALLBACK TermsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        CentreWindow(dialog);
        if (!SetControlTextFromResource(dialog, kTextControl, kTermsText) ||
            !SetControlTextFromResource(dialog, kConsentControl, kConsentText))
            EndDialog(dialog, 0);
        return TRUE;
    case WM_COMMAND:
        // Only the two buttons answer; Enter (IDOK) and Escape (IDCANCEL)
        // do nothing.
        if (LOWORD(wParam) == kAcceptButton || LOWORD(wParam) == kDeclineButton) {
            EndDialog(dialog, LOWORD(wParam));
            return TRUE;
        }
        return TRUE;
    default:
        return FALSE;
    }
}
