#include "text/text_case.h"

#include "platform/win32.h"

bool EqualNoCase(const char* a, const char* b) {
    for (;; ++a, ++b) {
        char x = *a, y = *b;
        CharUpperBuffA(&x, 1);
        CharUpperBuffA(&y, 1);
        if (x != y)
            return false;
        if (x == '\0')
            return true;
    }
}
