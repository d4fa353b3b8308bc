// What the compiler calls on its own where the processor has no
// instruction for it (GCC's support library is not linked into setup.exe):
// 64-bit division on the 32-bit target (runtime.h names it). No function of
// setup.exe has a frame larger than a page, so none needs a stack probe
// (___chkstk_ms); one that did would not link.
#include "platform/windows/runtime/runtime.h"

#ifdef WIESEN_RUNTIME_DIVISION
#define RT WIESEN_RUNTIME_DIVISION

namespace {

// n / d and n % d of unsigned 64-bit numbers, by shift and subtract. A
// division by zero raises the processor's divide error, as the division
// instruction does.
uint64_t DivideUnsigned(uint64_t n, uint64_t d, uint64_t* remainder) {
    if ((n >> 32) == 0 && (d >> 32) == 0) {
        uint32_t a = static_cast<uint32_t>(n), b = static_cast<uint32_t>(d);
        *remainder = a % b;
        return a / b;
    }
    if (d >> 63) { // the quotient is 0 or 1
        bool fits = n >= d;
        *remainder = fits ? n - d : n;
        return fits ? 1 : 0;
    }
    uint64_t quotient = 0, rest = 0;
    for (int bit = 63; bit >= 0; --bit) {
        rest = (rest << 1) | ((n >> bit) & 1);
        if (rest >= d) {
            rest -= d;
            quotient |= uint64_t(1) << bit;
        }
    }
    *remainder = rest;
    return quotient;
}

uint64_t Magnitude(int64_t v) {
    return v < 0 ? 0 - static_cast<uint64_t>(v) : static_cast<uint64_t>(v);
}

} // namespace

extern "C" {

// The quotient of signed 64-bit numbers, rounded toward zero.
int64_t RT(divdi3)(int64_t a, int64_t b) {
    uint64_t rest;
    uint64_t q = DivideUnsigned(Magnitude(a), Magnitude(b), &rest);
    return static_cast<int64_t>((a < 0) != (b < 0) ? 0 - q : q);
}

// The remainder of signed 64-bit numbers; its sign is the dividend's.
int64_t RT(moddi3)(int64_t a, int64_t b) {
    uint64_t rest;
    DivideUnsigned(Magnitude(a), Magnitude(b), &rest);
    return static_cast<int64_t>(a < 0 ? 0 - rest : rest);
}

// Quotient and remainder of signed 64-bit numbers at once.
int64_t RT(divmoddi4)(int64_t a, int64_t b, int64_t* remainder) {
    uint64_t rest;
    uint64_t q = DivideUnsigned(Magnitude(a), Magnitude(b), &rest);
    *remainder = static_cast<int64_t>(a < 0 ? 0 - rest : rest);
    return static_cast<int64_t>((a < 0) != (b < 0) ? 0 - q : q);
}

// The quotient of unsigned 64-bit numbers.
uint64_t RT(udivdi3)(uint64_t a, uint64_t b) {
    uint64_t rest;
    return DivideUnsigned(a, b, &rest);
}

// The remainder of unsigned 64-bit numbers.
uint64_t RT(umoddi3)(uint64_t a, uint64_t b) {
    uint64_t rest;
    DivideUnsigned(a, b, &rest);
    return rest;
}

} // extern "C"
#endif
