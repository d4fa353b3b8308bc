// The small dialogs: help (101), install done (102), uninstall done (103),
// install aborted (104), terms of use (400) and welcome text (406). Each is
// centred on the screen when it opens.
#pragma once

#include "platform/win32.h"

#include <stddef.h>

// 101: control 200 shows data resource 1008; commands 1 and 2 end it with 0.
INT_PTR CALLBACK HelpDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
// 102 and 103: commands 1 and 2 end them with 0.
INT_PTR CALLBACK InstallDoneDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK UninstallDoneDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
// 104: control 200 shows the text for SetupState::errorCode; commands 1 and
// 2 end it with 0.
INT_PTR CALLBACK AbortedDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
// 400: controls 200 and 203 show data resources 200 and 201; it ends with
// 201 ("&Ja") or 202 ("&Abbrechen") only, and at once with 0 when either
// text is missing.
INT_PTR CALLBACK TermsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
// 406: control 408 shows data resource 407; commands 1, 2 and 409 end it
// with 0.
INT_PTR CALLBACK WelcomeDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// The error text of dialog 104 for an error code: the message string for the
// code, a line feed, string 1016 and the code ("%s\n%s%u"), or the empty
// text when the code has no message. Always terminated within `capacity`.
void FormatErrorText(int errorCode, char* buffer, size_t capacity);
