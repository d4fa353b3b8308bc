// Diskette copies: right after an install the user may write the
// installation files onto diskettes in drive A, one after another, from the
// offer (dialog 1001) and the copy dialog (1002).
#pragma once

#include "platform/win32.h"

class DisketteCopy {
  public:
    // The files of a copy, in order (owned by the caller, alive for the
    // whole run), and the one whose failed copy does not fail a diskette.
    static void SetFileList(const char* const* names, int count, const char* toleratedName);
    static void ClearFileList();

    // Offers the copy and, when the user accepts, runs the copy dialog. The
    // files are copied from `sourceDirectory` (ending in "\"); messages come
    // from the string ids given.
    static void Run(HINSTANCE instance, HWND owner, const char* sourceDirectory,
                    UINT errorCaptionId, UINT readErrorId, UINT writeErrorId, UINT successCaptionId,
                    UINT successTextId);

    // Steps of one copy (internal; tests call them). PrepareSource refuses
    // a source directory on drive A, which the copy itself would erase.
    static bool PrepareSource();
    static bool WriteDiskette();

    static INT_PTR CALLBACK OfferProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
    static INT_PTR CALLBACK CopyProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
};
