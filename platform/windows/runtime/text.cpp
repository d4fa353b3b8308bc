// The runtime's memory and string functions (platform/windows/runtime/runtime.h).
// Plain byte loops: setup.exe moves little data, and on a 486 they cost a few
// cycles a byte. The build compiles this file so that the compiler does not
// turn a loop back into a call of the function it implements.
#include "platform/windows/runtime/runtime.h"

#include <limits.h>

#define RT WIESEN_RUNTIME_NAME

extern "C" {

// Copies count bytes; the areas must not overlap. Returns to.
void* RT(memcpy)(void* to, const void* from, size_t count) {
    unsigned char* d = static_cast<unsigned char*>(to);
    const unsigned char* s = static_cast<const unsigned char*>(from);
    while (count--)
        *d++ = *s++;
    return to;
}

// Copies count bytes between areas that may overlap. Returns to.
void* RT(memmove)(void* to, const void* from, size_t count) {
    unsigned char* d = static_cast<unsigned char*>(to);
    const unsigned char* s = static_cast<const unsigned char*>(from);
    if (d <= s || d >= s + count) {
        while (count--)
            *d++ = *s++;
    } else {
        d += count;
        s += count;
        while (count--)
            *--d = *--s;
    }
    return to;
}

// Sets count bytes to (unsigned char)value. Returns to.
void* RT(memset)(void* to, int value, size_t count) {
    unsigned char* d = static_cast<unsigned char*>(to);
    while (count--)
        *d++ = static_cast<unsigned char>(value);
    return to;
}

// Compares count bytes as unsigned char: less than, equal to or greater than
// zero as a is below, equal to or above b.
int RT(memcmp)(const void* a, const void* b, size_t count) {
    const unsigned char* x = static_cast<const unsigned char*>(a);
    const unsigned char* y = static_cast<const unsigned char*>(b);
    for (; count; --count, ++x, ++y)
        if (*x != *y)
            return *x - *y;
    return 0;
}

// The first of count bytes that equals (unsigned char)value, or null.
void* RT(memchr)(const void* in, int value, size_t count) {
    const unsigned char* p = static_cast<const unsigned char*>(in);
    for (; count; --count, ++p)
        if (*p == static_cast<unsigned char>(value))
            return const_cast<unsigned char*>(p);
    return nullptr;
}

// The number of bytes before the terminating zero.
size_t RT(strlen)(const char* text) {
    const char* p = text;
    while (*p)
        ++p;
    return static_cast<size_t>(p - text);
}

// Compares two texts byte by byte as unsigned char (as memcmp).
int RT(strcmp)(const char* a, const char* b) {
    const unsigned char* x = reinterpret_cast<const unsigned char*>(a);
    const unsigned char* y = reinterpret_cast<const unsigned char*>(b);
    while (*x && *x == *y) {
        ++x;
        ++y;
    }
    return *x - *y;
}

// Appends from to the end of to (the areas must not overlap). Returns to.
char* RT(strcat)(char* to, const char* from) {
    char* d = to + RT(strlen)(to);
    while ((*d++ = *from++) != 0) {
    }
    return to;
}

// The first (char)c in text, or null; c == 0 finds the terminating zero.
char* RT(strchr)(const char* text, int c) {
    for (;; ++text) {
        if (*text == static_cast<char>(c))
            return const_cast<char*>(text);
        if (!*text)
            return nullptr;
    }
}

// The last (char)c in text, or null; c == 0 finds the terminating zero.
char* RT(strrchr)(const char* text, int c) {
    const char* found = nullptr;
    for (;; ++text) {
        if (*text == static_cast<char>(c))
            found = text;
        if (!*text)
            return const_cast<char*>(found);
    }
}

// The first occurrence of part in text, or null; an empty part is found at
// the start.
char* RT(strstr)(const char* text, const char* part) {
    size_t length = RT(strlen)(part);
    for (; *text; ++text)
        if (RT(memcmp)(text, part, length) == 0)
            return const_cast<char*>(text);
    return length == 0 ? const_cast<char*>(text) : nullptr;
}

// The number of leading bytes of text that are not in set.
size_t RT(strcspn)(const char* text, const char* set) {
    size_t n = 0;
    while (text[n] && !RT(strchr)(set, static_cast<unsigned char>(text[n])))
        ++n;
    return n;
}

// The first byte of text that is in set, or null.
char* RT(strpbrk)(const char* text, const char* set) {
    text += RT(strcspn)(text, set);
    return *text ? const_cast<char*>(text) : nullptr;
}

// Reads an unsigned number as the C library does: leading white space, an
// optional sign (a minus negates the result as unsigned), then digits of the
// base (2 to 36; 0 takes "0x" as 16, a leading 0 as 8, else 10; base 16 also
// skips "0x"). Past the largest value the result is ULONG_MAX. *end (when
// end is not null) is set after the last digit, or to text when there is
// none. An invalid base reads nothing.
unsigned long RT(strtoul)(const char* text, char** end, int base) {
    const char* p = text;
    while (*p == ' ' || (*p >= '\t' && *p <= '\r'))
        ++p;
    bool negative = false;
    if (*p == '+' || *p == '-')
        negative = *p++ == '-';
    bool hexPrefix = p[0] == '0' && (p[1] == 'x' || p[1] == 'X');
    if ((base == 0 || base == 16) && hexPrefix) {
        // "0x" counts only when a hex digit follows; else the 0 alone is read.
        char c = p[2];
        if ((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F')) {
            p += 2;
            base = 16;
        } else if (base == 0) {
            base = 8;
        }
    } else if (base == 0) {
        base = *p == '0' ? 8 : 10;
    }
    unsigned long value = 0;
    bool any = false, overflow = false;
    if (base >= 2 && base <= 36) {
        const unsigned long limit = ULONG_MAX / static_cast<unsigned long>(base);
        const unsigned long limitDigit = ULONG_MAX % static_cast<unsigned long>(base);
        for (;; ++p) {
            unsigned digit;
            if (*p >= '0' && *p <= '9')
                digit = static_cast<unsigned>(*p - '0');
            else if (*p >= 'a' && *p <= 'z')
                digit = static_cast<unsigned>(*p - 'a' + 10);
            else if (*p >= 'A' && *p <= 'Z')
                digit = static_cast<unsigned>(*p - 'A' + 10);
            else
                break;
            if (digit >= static_cast<unsigned>(base))
                break;
            any = true;
            if (value > limit || (value == limit && digit > limitDigit))
                overflow = true;
            else
                value = value * static_cast<unsigned long>(base) + digit;
        }
    }
    if (end)
        *end = const_cast<char*>(any ? p : text);
    if (overflow)
        return ULONG_MAX;
    return negative ? 0 - value : value;
}

// A to Z as a to z; every other value unchanged.
int RT(tolower)(int c) {
    return c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c;
}

// a to z as A to Z; every other value unchanged.
int RT(toupper)(int c) {
    return c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c;
}

} // extern "C"
