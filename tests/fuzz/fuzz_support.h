// Shared pieces of the libFuzzer targets: one emulated machine for the whole
// run, files in its scratch directory, and patterned buffers.
#pragma once

#include "platform/crt.h"
#include "platform/testing.h"

#include <stddef.h>
#include <stdio.h>
#include <stdlib.h>
#include <string>

namespace fuzz_support {

// The scratch directory of the run's machine (opening one per input costs
// more than the work on it).
inline const std::string& Scratch() {
    static const std::string scratch = [] {
        std::string dir = platform_testing::BeginTestMachine();
        atexit(platform_testing::EndTestMachine);
        return dir;
    }();
    return scratch;
}

// Writes a whole file through the runtime's file interface; aborts when it
// cannot (the harness itself failed, not the code under test).
inline void WriteFile(const std::string& path, const std::string& bytes) {
    int handle = crt_open(path.c_str(), CRT_O_WRONLY | CRT_O_CREAT | CRT_O_TRUNC | CRT_O_BINARY);
    if (handle == -1)
        abort();
    if (!bytes.empty() && crt_write(handle, bytes.data(), static_cast<unsigned>(bytes.size())) !=
                              static_cast<int>(bytes.size()))
        abort();
    crt_close(handle);
}

inline std::string ReadFile(const std::string& path) {
    std::string bytes;
    int handle = crt_open(path.c_str(), CRT_O_RDONLY | CRT_O_BINARY);
    if (handle == -1)
        return bytes;
    char block[4096];
    int n;
    while ((n = crt_read(handle, block, sizeof block)) > 0)
        bytes.append(block, static_cast<size_t>(n));
    crt_close(handle);
    return bytes;
}

// Ends the run with a message when a property does not hold.
inline void Require(bool ok, const char* what) {
    if (!ok) {
        fprintf(stderr, "check failed: %s\n", what);
        abort();
    }
}

// A text with its control bytes and bytes above 127 escaped (\xNN), for
// the message of a failed check.
inline std::string Escaped(const std::string& text) {
    std::string out;
    for (unsigned char c : text) {
        if (c >= 32 && c < 127 && c != '\\') {
            out += static_cast<char>(c);
        } else {
            char hex[8];
            snprintf(hex, sizeof hex, "\\x%02X", c);
            out += hex;
        }
    }
    return out;
}

// The pattern a buffer is filled with before a call writes into it.
inline char PatternByte(size_t i) {
    return static_cast<char>(0xA5 ^ (i * 7));
}
inline void Fill(char* buffer, size_t size) {
    for (size_t i = 0; i < size; ++i)
        buffer[i] = PatternByte(i);
}
// Whether `size` bytes at `p`, the tail of a filled buffer starting at
// offset `from`, still hold the pattern.
inline bool Untouched(const char* p, size_t size, size_t from) {
    for (size_t i = 0; i < size; ++i)
        if (p[i] != PatternByte(from + i))
            return false;
    return true;
}

} // namespace fuzz_support
