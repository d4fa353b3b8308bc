#include "text/scrambled_text.h"

void UnscrambleText(char* text, size_t length, unsigned start, unsigned period) {
    if (!text || length == 0 || period == 0)
        return;
    for (size_t k = 0; k < length; ++k) {
        unsigned value =
            static_cast<unsigned char>(text[k]) - start - static_cast<unsigned>(k % period);
        text[k] = static_cast<char>(value & 0xFF);
        if (text[k] == '\0')
            return;
    }
    // No byte became zero: the text ends at its last stored byte.
    text[length - 1] = '\0';
}
