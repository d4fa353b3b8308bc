// The small dialogs of the setup shell.
#include "shell/small_dialogs.h"

#include "resources/resource_ids.h"
#include "state/setup_state.h"
#include "system/dialog_support.h"

#include <initializer_list>
#include <stdio.h>

namespace {

enum : int {
    kTextControl = IDC_DIALOG_TEXT,      // help text, error text, terms text
    kConsentControl = IDC_TERMS_CONSENT, // the terms' closing question
    kWelcomeTextControl = IDC_WELCOME_TEXT,
    kWelcomeOkButton = IDC_WELCOME_OK,
    kAcceptButton = IDC_TERMS_ACCEPT,
    kDeclineButton = IDC_TERMS_DECLINE,

    kErrorMessageCapacity = 399, // 398 characters and the terminator
    kErrorCodeLabelCapacity = 99,
    kErrorTextCapacity = 520,
};

// The message string of an error code, or 0 when it shows none.
UINT ErrorMessageFor(int code) {
    if (code == 2)
        return kStringCopyFailed;
    if (code >= 3 && code <= 10)
        return kStringRegistryFailed;
    if (code == 11)
        return kStringUnpackFailed;
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
    LoadStringA(g_setup.instance, kStringErrorCode, label, sizeof label);
    snprintf(buffer, capacity, "%s\n%s%u", message, label, static_cast<unsigned>(errorCode));
}

INT_PTR CALLBACK HelpDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    return SimpleDialog(dialog, message, wParam,
                        [](HWND d) { SetControlTextFromResource(d, kTextControl, kTextHelp); },
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
        [](HWND d) { SetControlTextFromResource(d, kWelcomeTextControl, kTextWelcome); },
        {IDOK, IDCANCEL, kWelcomeOkButton});
}

INT_PTR CALLBACK TermsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        CentreWindow(dialog);
        if (!SetControlTextFromResource(dialog, kTextControl, kTextTerms) ||
            !SetControlTextFromResource(dialog, kConsentControl, kTextTermsQuestion))
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
