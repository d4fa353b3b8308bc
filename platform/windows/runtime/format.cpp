// The runtime's bounded formatter: snprintf and vsnprintf of the few
// directives setup.exe formats with (platform/windows/runtime/runtime.h).
//
// A directive is %[flags][width][.precision][l]conversion with
//   flags      '-' (left-justified) and '0' (zeros before a number's digits;
//              ignored with '-' or a precision)
//   width      digits or '*' (an int argument; a negative one means '-')
//   precision  '.' then digits or '*' (a negative one counts as none): the
//              least number of digits of a number, the most bytes of a text
//   l          the argument is a long (or unsigned long)
//   conversion d, i (int), u (unsigned), x, X (unsigned, hexadecimal),
//              c (a character), s (a text; a null pointer shows "(null)"),
//              % (a percent sign)
// Anything else (another flag, length or conversion) is copied as it stands,
// and takes no argument.
#include "platform/windows/runtime/runtime.h"

namespace {

struct Output {
    char* out;
    size_t capacity;
    size_t length; // of the whole result, also past the capacity
};

void Put(Output* o, char c) {
    if (o->length + 1 < o->capacity)
        o->out[o->length] = c;
    ++o->length;
}

void PutRepeated(Output* o, char c, int count) {
    for (; count > 0; --count)
        Put(o, c);
}

void PutBytes(Output* o, const char* text, int count) {
    for (int i = 0; i < count; ++i)
        Put(o, text[i]);
}

struct Directive {
    bool left = false;
    bool zeros = false;
    int width = 0;
    int precision = -1;
};

// A text field: at most precision bytes of text, padded to the width.
void PutText(Output* o, const Directive& d, const char* text) {
    int length = 0;
    while ((d.precision < 0 || length < d.precision) && text[length])
        ++length;
    if (!d.left)
        PutRepeated(o, ' ', d.width - length);
    PutBytes(o, text, length);
    if (d.left)
        PutRepeated(o, ' ', d.width - length);
}

// A number field: sign, at least precision digits, padded to the width with
// spaces or (flag '0') zeros after the sign.
void PutNumber(Output* o, const Directive& d, unsigned long magnitude, bool negative, unsigned base,
               bool upper) {
    const char* digitChars = upper ? "0123456789ABCDEF" : "0123456789abcdef";
    char digits[3 * sizeof(unsigned long)];
    int count = 0;
    for (; magnitude != 0; magnitude /= base)
        digits[count++] = digitChars[magnitude % base];
    int precision = d.precision < 0 ? 1 : d.precision;
    int zeros = precision > count ? precision - count : 0;
    int body = (negative ? 1 : 0) + zeros + count;
    if (d.zeros && !d.left && d.precision < 0 && d.width > body) {
        zeros += d.width - body;
        body = d.width;
    }
    if (!d.left)
        PutRepeated(o, ' ', d.width - body);
    if (negative)
        Put(o, '-');
    PutRepeated(o, '0', zeros);
    while (count > 0)
        Put(o, digits[--count]);
    if (d.left)
        PutRepeated(o, ' ', d.width - body);
}

// A non-negative decimal number at *p (advanced past it), at most INT_MAX.
int ReadCount(const char** p) {
    int n = 0;
    for (; **p >= '0' && **p <= '9'; ++*p)
        n = n > (0x7FFFFFFF - 9) / 10 ? 0x7FFFFFFF : n * 10 + (**p - '0');
    return n;
}

} // namespace

extern "C" {

// Formats into out, which holds capacity bytes: as much of the result as
// fits, always terminated when capacity is not 0. Returns the length of the
// whole result (so a result of capacity or more was cut short).
int WIESEN_RUNTIME_VSNPRINTF(char* out, size_t capacity, const char* format, va_list args) {
    Output o = {out, capacity, 0};
    const char* p = format;
    while (*p) {
        if (*p != '%') {
            Put(&o, *p++);
            continue;
        }
        const char* start = p++;
        Directive d;
        for (;; ++p) {
            if (*p == '-')
                d.left = true;
            else if (*p == '0')
                d.zeros = true;
            else
                break;
        }
        if (*p == '*') {
            ++p;
            d.width = va_arg(args, int);
            if (d.width < 0) {
                d.left = true;
                d.width = d.width < -0x7FFFFFFF ? 0x7FFFFFFF : -d.width;
            }
        } else {
            d.width = ReadCount(&p);
        }
        if (*p == '.') {
            ++p;
            if (*p == '*') {
                ++p;
                d.precision = va_arg(args, int);
                if (d.precision < 0)
                    d.precision = -1;
            } else {
                d.precision = ReadCount(&p);
            }
        }
        bool isLong = *p == 'l';
        if (isLong)
            ++p;
        char conversion = *p;
        if (conversion == 'd' || conversion == 'i') {
            long value = isLong ? va_arg(args, long) : va_arg(args, int);
            unsigned long magnitude = static_cast<unsigned long>(value);
            PutNumber(&o, d, value < 0 ? 0 - magnitude : magnitude, value < 0, 10, false);
        } else if (conversion == 'u' || conversion == 'x' || conversion == 'X') {
            unsigned long value = isLong ? va_arg(args, unsigned long) : va_arg(args, unsigned);
            PutNumber(&o, d, value, false, conversion == 'u' ? 10 : 16, conversion == 'X');
        } else if (conversion == 'c' && !isLong) {
            char c = static_cast<char>(va_arg(args, int));
            if (!d.left)
                PutRepeated(&o, ' ', d.width - 1);
            Put(&o, c);
            if (d.left)
                PutRepeated(&o, ' ', d.width - 1);
        } else if (conversion == 's' && !isLong) {
            const char* text = va_arg(args, const char*);
            PutText(&o, d, text ? text : "(null)");
        } else if (conversion == '%' && p == start + 1) {
            Put(&o, '%');
        } else {
            // Not a directive of this formatter: copied as it stands.
            if (conversion)
                ++p;
            PutBytes(&o, start, static_cast<int>(p - start));
            continue;
        }
        ++p;
    }
    if (capacity > 0)
        out[o.length < capacity ? o.length : capacity - 1] = '\0';
    return o.length > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(o.length);
}

// As vsnprintf, with the arguments in place.
int WIESEN_RUNTIME_SNPRINTF(char* out, size_t capacity, const char* format, ...) {
    va_list args;
    va_start(args, format);
    int n = WIESEN_RUNTIME_VSNPRINTF(out, capacity, format, args);
    va_end(args);
    return n;
}

} // extern "C"
