// Texts stored scrambled in the program's data: the compile-time function
// that makes their stored form from the plain text, and the one that makes
// them plain again at run time.
//
// Scrambling adds start + (k mod period) to the k-th byte (modulo 256), the
// terminator included; UnscrambleText undoes it in place. The stored bytes are generated here from
// the plain texts, never written down by hand.
#pragma once

#include <stddef.h>

// The stored form of a text of N - 1 characters plus its terminator.
template <size_t N> struct ScrambledBytes { char bytes[N]; };

template <size_t N>
constexpr ScrambledBytes<N> ScrambleText(const char (&plain)[N], unsigned start, unsigned period) {
    ScrambledBytes<N> stored{};
    for (size_t k = 0; k < N; ++k) {
        unsigned value =
            static_cast<unsigned char>(plain[k]) + start + static_cast<unsigned>(k % period);
        stored.bytes[k] = static_cast<char>(static_cast<unsigned char>(value & 0xFF));
    }
    return stored;
}

// A stored text in writable memory: scrambled until it is unscrambled in
// place (once per run), plain afterwards.
struct StoredText {
    char* text;
    size_t length; // stored bytes, the plain text's terminator included
};

// Unscrambles a stored text in place: the k-th byte is reduced by
// start + (k mod period), modulo 256, and the walk stops right after a byte
// has become zero. It never goes past `length` stored bytes, even when no
// byte becomes zero (then the last stored byte is made the terminator).
void UnscrambleText(char* text, size_t length, unsigned start, unsigned period);
