// kernel32 basics of the emulated machine: the last error, sleeping and the
// conversions between the ANSI code page and UTF-16.
#include "platform/posix/kernel/api_base.h"

#include "platform/posix/kernel/codepage.h"
#include "platform/posix/kernel/calls.h"

#include <time.h>

using calls::Fail;

namespace {
thread_local DWORD g_lastError = 0;
}

DWORD WINAPI GetLastError() {
    return g_lastError;
}
void WINAPI SetLastError(DWORD error) {
    g_lastError = error;
}

void WINAPI Sleep(DWORD milliseconds) {
    struct timespec ts;
    ts.tv_sec = milliseconds / 1000;
    ts.tv_nsec = static_cast<long>(milliseconds % 1000) * 1000000L;
    nanosleep(&ts, nullptr);
}

// Code page 1252 is the machine's ANSI code page (CP_ACP); UTF-16 beyond the
// basic plane does not occur in its texts.
int WINAPI MultiByteToWideChar(UINT, DWORD, LPCSTR text, int length, LPWSTR wide, int capacity) {
    if (!text)
        return Fail(ERROR_INVALID_PARAMETER);
    int count = length;
    if (length < 0) {
        count = 0;
        while (text[count])
            ++count;
        ++count; // the terminator is converted too
    }
    if (capacity == 0)
        return count;
    if (!wide || capacity < count)
        return Fail(ERROR_INSUFFICIENT_BUFFER);
    for (int i = 0; i < count; ++i)
        wide[i] = static_cast<WCHAR>(codepage::ToUnicode(static_cast<unsigned char>(text[i])));
    return count;
}

int WINAPI WideCharToMultiByte(UINT, DWORD, LPCWSTR wide, int length, LPSTR text, int capacity,
                               LPCSTR defaultChar, BOOL* usedDefault) {
    if (!wide)
        return Fail(ERROR_INVALID_PARAMETER);
    int count = length;
    if (length < 0) {
        count = 0;
        while (wide[count])
            ++count;
        ++count;
    }
    if (usedDefault)
        *usedDefault = FALSE;
    if (capacity == 0)
        return count;
    if (!text || capacity < count)
        return Fail(ERROR_INSUFFICIENT_BUFFER);
    for (int i = 0; i < count; ++i) {
        unsigned char byte;
        if (!codepage::FromUnicode(wide[i], &byte)) {
            byte = static_cast<unsigned char>(defaultChar ? *defaultChar : '?');
            if (usedDefault)
                *usedDefault = TRUE;
        }
        text[i] = static_cast<char>(byte);
    }
    return count;
}
