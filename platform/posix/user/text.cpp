// user32's character functions of the emulated machine: the case of ANSI
// texts as code page 1252 folds it.
#include "platform/posix/user/api_text.h"

#include "platform/posix/kernel/codepage.h"

// Every byte counts, a zero included, as on Windows: a-z and the accented
// letters of the code page fold; \xDF and \xB5 have no capital in it and stay.
DWORD WINAPI CharUpperBuffA(LPSTR text, DWORD length) {
    if (!text)
        return 0;
    for (DWORD i = 0; i < length; ++i)
        text[i] = static_cast<char>(codepage::ToUpper(static_cast<unsigned char>(text[i])));
    return length;
}
